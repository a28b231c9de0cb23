#include "settings/line_ends.h"

#include "settings/settings_text.h"

namespace orvel {

std::u16string UnifyLineEnds(std::u16string_view text) {
  // The runs between carriage returns go over whole: a text that has none is one copy.
  std::u16string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t cr; (cr = FindChar(text, from, u'\r')) != std::u16string_view::npos;) {
    out.append(text.substr(from, cr - from));
    out += u'\n';
    from = cr + 1 < text.size() && text[cr + 1] == u'\n' ? cr + 2 : cr + 1;
  }
  out.append(text.substr(from));
  return out;
}

std::u16string NormalizeLineEnds(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out += u"\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace orvel
