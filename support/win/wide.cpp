#include "support/win/wide.h"

#include <ole2.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows build keeps wchar_t 16-bit");

namespace orvel::win {

std::wstring AsWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string FromWide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string FromWide(const wchar_t* text) {
  return text ? FromWide(std::wstring_view(text)) : std::u16string();
}

std::u16string FromBstr(const wchar_t* bstr) {
  return bstr ? FromWide(std::wstring_view(bstr, ::SysStringLen(const_cast<BSTR>(bstr)))) : std::u16string();
}

}  // namespace orvel::win
