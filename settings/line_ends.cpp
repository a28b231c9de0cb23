#include "settings/line_ends.h"

#include "support/u16text.h"

namespace orvel {

std::u16string UnifyLineEnds(std::u16string_view text) { return ReplaceLineBreaks(text, u"\n"); }

std::u16string NormalizeLineEnds(std::u16string_view text) { return ReplaceLineBreaks(text, u"\r\n"); }

}  // namespace orvel
