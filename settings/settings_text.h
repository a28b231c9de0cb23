// Small text helpers of the settings code.
#pragma once

#include <string_view>

namespace orvel {

// White space as the settings text treats it: blank, tab, line feed, carriage return, vertical
// tab and form feed.
inline bool IsWhiteSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

// The text without leading and trailing white space.
inline std::u16string_view TrimWhiteSpace(std::u16string_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace orvel
