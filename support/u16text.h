// UTF-16 text helpers shared by the portable code and the Win32 edge. Portable code keeps text as
// std::u16string; these convert to UTF-8 for diagnostics and file names on the host.
#pragma once

#include <string>
#include <string_view>

namespace orvel {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string AsUtf8(std::u16string_view text);

// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);

// ASCII-only lower-casing, for comparisons of names that the system defines in ASCII.
std::u16string AsciiLower(std::u16string_view text);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

// Space, tab, CR, LF, vertical tab and form feed.
bool IsBlank(char16_t c);
// The text without blanks at either end.
std::u16string_view TrimBlanks(std::u16string_view text);

// Each line break (CR LF, a lone CR, a lone LF) replaced by `replacement`.
std::u16string ReplaceLineBreaks(std::u16string_view text, std::u16string_view replacement);

}  // namespace orvel
