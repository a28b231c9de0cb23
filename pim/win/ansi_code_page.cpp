// The system's ANSI code page behind ToAnsiBytes in the Windows build.
#include <windows.h>

#include "pim/platform.h"
#include "support/win/wide.h"

namespace orvel {

std::string SystemAnsiBytes(std::u16string_view text) {
  if (text.empty()) return {};
  // The default character '?' stands in for what the code page lacks, one for each character.
  const std::wstring wide = win::AsWide(text);
  const int length = static_cast<int>(wide.size());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string bytes(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

}  // namespace orvel
