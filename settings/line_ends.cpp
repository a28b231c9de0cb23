#include "settings/line_ends.h"

#include "settings/settings_text.h"
#include "support/u16text.h"

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

std::u16string NormalizeLineEnds(std::u16string_view text) { return ReplaceLineBreaks(text, u"\r\n"); }

}  // namespace orvel
