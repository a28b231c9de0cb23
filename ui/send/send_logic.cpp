#include "ui/send/send_logic.h"

#include "interfaces/vantrel_codes.h"
#include "settings/settings_host.h"
#include "settings/settings_node.h"
#include "settings/settings_schema.h"
#include "support/path_text.h"
#include "support/u16text.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {
namespace {

constexpr std::u16string_view kEllipsis = u"...";
constexpr std::u16string_view kClientPlaceholder = u"(%s)";

std::u16string Field(std::u16string value, std::u16string_view missing) {
  return u" " + (value.empty() ? std::u16string(missing) : std::move(value));
}

std::u16string TrimRight(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::u16string(text);
}

std::u16string TrimLeft(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return std::u16string(text);
}

bool EndsWith(std::u16string_view text, std::u16string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

std::u16string TagValue(std::u16string_view text, std::u16string_view open, std::u16string_view close) {
  const size_t start = text.find(open);
  if (start == std::u16string_view::npos) return {};
  const size_t from = start + open.size();
  const size_t end = text.find(close, from);
  if (end == std::u16string_view::npos) return {};
  return std::u16string(TrimBlanks(text.substr(from, end - from)));
}

DeviceFields ParseDeviceInfo(std::u16string_view info, std::u16string_view missing) {
  DeviceFields fields;
  fields.name = Field(TagValue(info, u"<EPOCName>", u"</EPOCName>"), missing);
  fields.imei = Field(TagValue(info, u"<IMEI>", u"</IMEI>"), missing);
  fields.phone = Field(TagValue(info, u"<PhoneNumber>", u"</PhoneNumber>"), missing);
  return fields;
}

std::u16string WithEllipsis(std::u16string text) {
  if (EndsWith(text, kEllipsis)) return text;
  while (!text.empty() && text.back() == u'.') text.pop_back();
  return text + std::u16string(kEllipsis);
}

StageText ProgressStageText(int32_t stage, std::u16string_view tag, int32_t percent,
                            const StringLookup& lookup, const DisplayNameLookup& displayName) {
  StageText result;
  switch (stage) {
    case 1:
      result.text = lookup(kPreparingText);
      result.busy = percent == 0;
      break;
    case 2:
      result.text = FormatText(lookup(kApplyingText), {displayName(tag)});
      break;
    case 3:
      result.text = FormatText(lookup(kCopyingText), {GetFileNameOfPath(tag)});
      break;
    case 4:
      result.text = FormatText(lookup(kInstallingText), {GetFileNameOfPath(tag)});
      break;
    default:
      result.text = lookup(kPleaseWaitText);
      break;
  }
  result.text = WithEllipsis(std::move(result.text));
  return result;
}

std::u16string DeviceInUseText(std::u16string_view format, std::u16string_view client) {
  const std::u16string_view name = TrimBlanks(client);
  if (!name.empty()) return FormatText(format, {name});
  const size_t at = format.find(kClientPlaceholder);
  if (at == std::u16string_view::npos) return std::u16string(format);
  return TrimRight(format.substr(0, at)) + u" " + TrimLeft(format.substr(at + kClientPlaceholder.size()));
}

bool IsQuestionCode(int32_t code) {
  const uint32_t low = engine::LowWord(code);
  return low == engine::LowWord(engine::kModuleStatus128) || low == engine::LowWord(engine::kFileExists);
}

bool ShowsFinalBox(int32_t result, bool questionOpen, bool errorShown) {
  return result < 0 && (questionOpen || engine::LowWord(result) != engine::LowWord(engine::kCancelled)) &&
         !errorShown;
}

bool IsFileQuestion(const CSettingsNode* root, std::u16string_view tag) {
  const CSettingsNode* files = root ? root->FindChildOfType(kFileTransferType) : nullptr;
  if (!files || TrimBlanks(tag).empty()) return false;
  std::u16string name;
  for (size_t i = 0; i < files->GetChildCount(); ++i) {
    const CSettingsNode* child = files->GetChild(i);
    child->GetNodeName(name, false);
    if (name == tag || child->FindChildByName(tag)) return true;
  }
  return false;
}

void CAnswerMemory::Remember(bool fileQuestion, uint32_t answer) {
  Slot& slot = fileQuestion ? m_files : m_settings;
  slot.set = true;
  slot.answer = answer;
}

std::optional<uint32_t> CAnswerMemory::Answer(bool fileQuestion, uint32_t allowed) const {
  const Slot& slot = fileQuestion ? m_files : m_settings;
  if (!slot.set || (slot.answer & allowed) == 0) return std::nullopt;
  return slot.answer;
}

}  // namespace orvel::ui
