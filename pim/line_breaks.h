// Line breaks inside property values: CR LF, or a lone CR or LF, each counts as one.
#pragma once

#include <string>
#include <string_view>

namespace orvel {

inline std::u16string ReplaceLineBreaks(std::u16string_view text, std::u16string_view replacement) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out.append(replacement);
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace orvel
