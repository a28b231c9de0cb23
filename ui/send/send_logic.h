// The send road's rules that need no window: the device fields of the send dialog, the progress
// texts, the device-in-use text, the question categories with their apply-to-all memories, and
// when the final box is shown. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvel {
class CSettingsNode;
}

namespace orvel::ui {

// The three fields of the connected device as the send dialog shows them: each value trimmed,
// `missing` for an empty one, and one leading blank.
struct DeviceFields {
  std::u16string name;
  std::u16string imei;
  std::u16string phone;
};
DeviceFields ParseDeviceInfo(std::u16string_view info, std::u16string_view missing);
// The value between an opening and a closing tag, trimmed; empty when either tag is missing.
std::u16string TagValue(std::u16string_view text, std::u16string_view open, std::u16string_view close);

// A progress text ends in "...": kept when it does, else its trailing "." go and "..." follows.
std::u16string WithEllipsis(std::u16string text);

// The progress dialog's text for one report of the engine, and whether the busy animation starts.
struct StageText {
  std::u16string text;
  bool busy = false;
};
using StringLookup = std::function<std::u16string(uint32_t id)>;
using DisplayNameLookup = std::function<std::u16string(std::u16string_view tag)>;
StageText ProgressStageText(int32_t stage, std::u16string_view tag, int32_t percent,
                            const StringLookup& lookup, const DisplayNameLookup& displayName);

// The device-in-use text with the name of the client that holds the device; without a name its "(%s)" goes,
// with the blanks around it made one.
std::u16string DeviceInUseText(std::u16string_view format, std::u16string_view client);

// Error callbacks with these low words are questions for the user (module status 128, file exists).
bool IsQuestionCode(int32_t code);
// Whether the end of an operation shows its box: a failure, not already told, and not a plain
// cancel unless a question was open when it ended.
bool ShowsFinalBox(int32_t result, bool questionOpen, bool errorShown);

// A question names a file when the document's FileTransfer group has a child of that element
// name, or a child of one of them has.
bool IsFileQuestion(const CSettingsNode* root, std::u16string_view tag);

// The apply-to-all answers of one send, one for file questions and one for settings questions.
class CAnswerMemory {
 public:
  void Reset() { *this = CAnswerMemory(); }
  void Remember(bool fileQuestion, uint32_t answer);
  // The remembered answer of the category when the question offers it; a remembered answer that
  // the question does not offer would be refused, so the user is asked again.
  std::optional<uint32_t> Answer(bool fileQuestion, uint32_t allowed) const;

 private:
  struct Slot {
    bool set = false;
    uint32_t answer = 0;
  };
  Slot m_files;
  Slot m_settings;
};

}  // namespace orvel::ui
