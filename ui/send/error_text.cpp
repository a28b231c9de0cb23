#include "ui/send/error_text.h"

#include "interfaces/vantrel_codes.h"
#include "support/u16text.h"
#include "ui/app/app_text.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {
namespace {

struct MessageRow {
  uint32_t first;
  uint32_t last;
  uint32_t id;
  bool appendsFile;
};

constexpr MessageRow kRows[] = {
    {1, 6, kEngineFailedText, false},         {17, 17, kNoDeviceText, false},
    {18, 19, kEngineFailedText, false},       {33, 41, kEngineFailedText, false},
    {161, 161, kOperationFailedText, false},  {162, 162, kConnectProgramErrorText, false},
    {163, 163, kDeviceInfoFailedText, false}, {164, 168, kTransferFailedText, false},
    {257, 257, kCancelledText, false},        {258, 258, kOutOfMemoryText, false},
    {305, 306, kEngineFailedText, false},     {337, 337, kFileUnreadableText, true},
    {338, 338, kFileNotFoundText, true},      {339, 341, kFileUnreadableText, true},
    {342, 342, kInvalidPathText, true},       {343, 343, kDiskFullText, true},
    {344, 344, kFileReadOnlyText, true},      {385, 385, kDeviceNoResponseText, false},
    {386, 386, kDeviceRefusedText, false},    {387, 389, kEngineFailedText, false},
    {390, 390, kDeviceFileFailedText, false}, {401, 401, kServerError508Text, false},
    {402, 402, kServerError530Text, false},   {403, 403, kServerError531Text, false},
    {404, 404, kServerError517Text, false},   {529, 529, kFileReadOnlyText, true},
};

const MessageRow* FindRow(uint32_t low) {
  for (const auto& row : kRows) {
    if (low >= row.first && low <= row.last) return &row;
  }
  return nullptr;
}

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
  const uint32_t low = engine::LowWord(code);
  if (low == engine::LowWord(engine::kInvalidSetting)) return kRefusedSettingText;
  const MessageRow* row = FindRow(low);
  return row ? row->id : kOperationFailedText;
}

std::u16string ErrorCodeToMessage(int32_t code, std::u16string_view tag, std::u16string_view value,
                                  const TextLookup& lookup, const ProgressMemory& progress) {
  const uint32_t low = engine::LowWord(code);
  const MessageRow* row = FindRow(low);
  std::u16string text;
  if (low == engine::LowWord(engine::kInvalidSetting)) {
    if (tag.empty()) {
      text = lookup(kRefusedSettingPlainText);
    } else {
      text = FormatPlaceholders(lookup(kRefusedSettingText), tag, QuoteForMessage(value));
    }
  } else {
    text = lookup(row ? row->id : kOperationFailedText);
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
