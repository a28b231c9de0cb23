#include "ui/dialogs/text_logic.h"

#include "settings/line_ends.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {

namespace {

constexpr TextViewMode kSignatureMode{kSignatureCaptionText, 500, 140, true};
constexpr TextViewMode kLongTextMode{kLoginScriptCaptionText, 10000, 131518, false};

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The start of the character that ends at `end` (end > 0) and how many it counts for: a CR LF
// pair counts one, a surrogate pair two (the edit counts units), anything else one.
size_t PreviousCharacter(std::u16string_view text, size_t end, size_t& weight) {
  weight = 1;
  if (end >= 2 && text[end - 1] == u'\n' && text[end - 2] == u'\r') return end - 2;
  if (end >= 2 && IsLowSurrogate(text[end - 1]) && IsHighSurrogate(text[end - 2])) {
    weight = 2;
    return end - 2;
  }
  return end - 1;
}

}  // namespace

std::u16string VersionText(uint32_t versionHigh, uint32_t versionLow) {
  const unsigned first = (versionHigh >> 16) & 0xFF;
  const unsigned second = versionHigh & 0xFF;
  const unsigned third = (versionLow >> 16) & 0xFF;
  const unsigned fourth = versionLow & 0xFF;
  const std::string text =
      std::to_string(first * 10 + second) + "." + std::to_string(third) + std::to_string(fourth);
  return std::u16string(text.begin(), text.end());
}

const TextViewMode& TextViewModeOf(uint16_t mode) { return mode == 0 ? kSignatureMode : kLongTextMode; }

size_t LineBreakLength(std::u16string_view text) {
  size_t length = 0;
  for (size_t i = 0; i < text.size(); ++i, ++length) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
  }
  return length;
}

bool CutToLimit(std::u16string& text, size_t& caret, size_t limit) {
  const size_t length = LineBreakLength(text);
  if (length <= limit) return false;
  size_t excess = length - limit;
  if (caret > text.size()) caret = text.size();
  // A caret inside a CR LF or a surrogate pair is taken as standing after it.
  if (caret > 0 && caret < text.size() &&
      ((text[caret - 1] == u'\r' && text[caret] == u'\n') ||
       (IsHighSurrogate(text[caret - 1]) && IsLowSurrogate(text[caret])))) {
    ++caret;
  }
  size_t start = caret;
  while (excess > 0 && start > 0) {
    size_t weight = 0;
    start = PreviousCharacter(text, start, weight);
    excess -= weight < excess ? weight : excess;
  }
  text.erase(start, caret - start);
  caret = start;
  // Only when everything before the caret went: the rest from the end.
  size_t end = text.size();
  while (excess > 0 && end > caret) {
    size_t weight = 0;
    end = PreviousCharacter(text, end, weight);
    excess -= weight < excess ? weight : excess;
  }
  text.resize(end);
  return true;
}

std::u16string DecodeTextFile(std::string_view bytes, const AnsiDecoder& ansi) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string text;
    text.reserve((bytes.size() - 2) / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
  }
  return ansi ? ansi(bytes) : std::u16string();
}

std::u16string LoadedEditText(std::string_view bytes, uint16_t mode, const AnsiDecoder& ansi) {
  std::u16string text = UnifyLineEnds(DecodeTextFile(bytes, ansi));
  size_t limit = TextViewModeOf(mode).limit;
  if (text.size() > limit) {
    if (IsHighSurrogate(text[limit - 1])) --limit;  // a pair is kept whole or not at all
    text.resize(limit);
  }
  return NormalizeLineEnds(text);
}

}  // namespace orvel::ui
