// Text conversion at the Win32 edge: the code keeps UTF-16 as std::u16string, Windows takes
// wchar_t (16-bit with mingw-w64), so the conversion is a copy of the same units.
#pragma once

#include <string>
#include <string_view>

namespace orvel::win {

std::wstring AsWide(std::u16string_view text);
std::u16string FromWide(std::wstring_view text);
// A null pointer gives an empty text.
std::u16string FromWide(const wchar_t* text);
// A BSTR's text with its length (it may hold NULs); a null BSTR is the empty text.
std::u16string FromBstr(const wchar_t* bstr);

}  // namespace orvel::win
