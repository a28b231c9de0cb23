#include "ui/send/error_text.h"

#include "support/u16text.h"
#include "ui/app/app_text.h"

namespace orvel::ui {
namespace {

constexpr uint32_t kRefusedSetting = 516;
constexpr uint32_t kRefusedSettingText = 519;
constexpr uint32_t kRefusedSettingPlain = 617;
constexpr uint32_t kDefaultText = 575;

struct MessageRow {
  uint32_t first;
  uint32_t last;
  uint32_t id;
  bool appendsFile;
};

constexpr MessageRow kRows[] = {
    {1, 6, 486, false},     {17, 17, 578, false},   {18, 19, 486, false},   {33, 41, 486, false},
    {161, 161, 575, false}, {162, 162, 576, false}, {163, 163, 582, false}, {164, 168, 583, false},
    {257, 257, 513, false}, {258, 258, 521, false}, {305, 306, 486, false}, {337, 337, 514, true},
    {338, 338, 566, true},  {339, 341, 514, true},  {342, 342, 567, true},  {343, 343, 569, true},
    {344, 344, 594, true},  {385, 385, 570, false}, {386, 386, 571, false}, {387, 389, 486, false},
    {390, 390, 590, false}, {401, 401, 614, false}, {402, 402, 615, false}, {403, 403, 616, false},
    {404, 404, 621, false}, {529, 529, 594, true},
};

const MessageRow* FindRow(uint32_t low) {
  for (const auto& row : kRows) {
    if (low >= row.first && low <= row.last) return &row;
  }
  return nullptr;
}

uint32_t LowWord(int32_t code) { return static_cast<uint32_t>(code) & 0xFFFFu; }

// Replaces the "%s" placeholders of format in order with the arguments; a placeholder without an
// argument stays as it is.
std::u16string FormatPlaceholders(std::u16string_view format, std::u16string_view first,
                                  std::u16string_view second) {
  const std::u16string_view args[] = {first, second};
  size_t next = 0;
  std::u16string text;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's' && next < 2) {
      text += args[next++];
      ++i;
    } else {
      text += format[i];
    }
  }
  return text;
}

}  // namespace

uint32_t ErrorMessageId(int32_t code) {
  const uint32_t low = LowWord(code);
  if (low == kRefusedSetting) return kRefusedSettingText;
  const MessageRow* row = FindRow(low);
  return row ? row->id : kDefaultText;
}

std::u16string ErrorCodeToMessage(int32_t code, std::u16string_view tag, std::u16string_view value,
                                  const TextLookup& lookup, const ProgressMemory& progress) {
  const uint32_t low = LowWord(code);
  const MessageRow* row = FindRow(low);
  std::u16string text;
  if (low == kRefusedSetting) {
    if (tag.empty()) {
      text = lookup(kRefusedSettingPlain);
    } else {
      text = FormatPlaceholders(lookup(kRefusedSettingText), tag, QuoteForMessage(value));
    }
  } else {
    text = lookup(row ? row->id : kDefaultText);
  }
  while (!text.empty() && IsBlank(text.back())) text.pop_back();
  if (text.empty() || text.back() != u'.') text += u'.';
  if (row && row->appendsFile && progress.stage == 3 && !progress.tag.empty()) {
    text += u"\r\n";
    text += progress.tag;
  }
  return text;
}

}  // namespace orvel::ui
