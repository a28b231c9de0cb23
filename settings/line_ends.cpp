#include "settings/line_ends.h"

namespace orvel {

std::u16string UnifyLineEnds(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out += u'\n';
    } else {
      out += text[i];
    }
  }
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
