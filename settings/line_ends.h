// Line ends of settings text and of the texts shown beside it. Settings files and the edit controls
// carry CR LF; the texts passed between deliverables and everything the reader works on carry LF.
// The engine and the user interface call these (NormalizeLineEnds on ReplaceLineBreaks,
// support/u16text.h; UnifyLineEnds copies whole runs, since every load goes through it).
#pragma once

#include <string>
#include <string_view>

namespace orvel {

// Every CR LF, then every remaining lone CR, becomes LF.
std::u16string UnifyLineEnds(std::u16string_view text);

// UnifyLineEnds, then every LF becomes CR LF.
std::u16string NormalizeLineEnds(std::u16string_view text);

}  // namespace orvel
