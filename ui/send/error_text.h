// The text that a message box shows for a result code of the engine. Portable: the language
// library's strings come through a lookup function, so the rules build and test without Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvel::ui {

// Loads the language library's string with this identifier.
using TextLookup = std::function<std::u16string(uint32_t id)>;

// The last progress report of the running operation: its stage and the tag it named.
struct ProgressMemory {
  uint32_t stage = 0;
  std::u16string tag;
};

// The string identifier that the low word of code selects.
uint32_t ErrorMessageId(int32_t code);

// The message for code: the selected string (519 formatted with tag and value for a refused
// setting when tag is not empty), trailing blanks trimmed, one final "." ensured and, for the file
// failures after a stage-3 progress report, a line break and the reported file. The file stays
// UTF-16 all the way, so that no character of its name is lost.
std::u16string ErrorCodeToMessage(int32_t code, std::u16string_view tag, std::u16string_view value,
                                  const TextLookup& lookup, const ProgressMemory& progress);

}  // namespace orvel::ui
