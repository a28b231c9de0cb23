// The rules of the about box and the long-text dialog that need no window: the version text, line
// breaks, the length limit of a signature, and the text of a loaded file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvel::ui {

// What the about box shows when the version resource cannot be read.
inline constexpr char16_t kNoVersionText[] = u"0.00";

// "%d.%d%d" of a fixed file version (the two 32-bit halves as the version resource keeps them):
// the low bytes of the first two fields as one number (first times 10 plus second), then the low
// bytes of the third and the fourth field. 1.2.3.4 reads "12.34".
std::u16string VersionText(uint32_t versionHigh, uint32_t versionLow);

// The long-text dialog's two modes: 0 for the signature, 1 for every other long text.
struct TextViewMode {
  uint32_t captionId;  // language-library string
  size_t limit;        // characters, each line break counted as one
  uint32_t helpContext;
  bool cutOnChange;  // mode 0 cuts on every change; mode 1 leaves it to the edit's own limit
};
// Any mode but 0 is taken as mode 1.
const TextViewMode& TextViewModeOf(uint16_t mode);

// The length of text with each line break (CR LF, lone CR, lone LF) counted as one character.
size_t LineBreakLength(std::u16string_view text);

// Cuts text to `limit` characters (line breaks counted as one). The excess goes from just before
// the caret, which is what was just typed or pasted; when fewer characters than that stand before
// the caret, everything before it goes and the rest is taken from the end of the text. The caret
// (a unit index) stays where the removed characters were. A line break and a surrogate pair are
// never split. False when the text was within the limit (nothing changed).
bool CutToLimit(std::u16string& text, size_t& caret, size_t limit);

// Bytes of an ANSI text to UTF-16 (the Windows build converts in the system's ANSI code page).
using AnsiDecoder = std::function<std::u16string(std::string_view bytes)>;

// A file's bytes as text: UTF-16 little endian after its byte-order mark (an odd last byte is
// dropped), otherwise ANSI text through the decoder.
std::u16string DecodeTextFile(std::string_view bytes, const AnsiDecoder& ansi);

// What the dialog puts into its edit for a loaded file: the decoded text with line feeds, cut to
// the mode's limit, with CR LF line breaks.
std::u16string LoadedEditText(std::string_view bytes, uint16_t mode, const AnsiDecoder& ansi);

}  // namespace orvel::ui
