// The rules of the in-place editors that need no window: what the numeric and phone editors let
// through, the clamp of a number, the IP address control's field values, the combo box's choice
// texts, and the characters the Name field swallows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::ui {

// Removes every character that is not a digit 0 to 9; true when something was removed.
bool RemoveNonDigits(std::u16string& text);

// Removes every character that is not in `allowed`; for DefaultVoiceMailbox a "+" is removed too
// unless it is the first character. True when something was removed.
bool RemoveDisallowed(std::u16string& text, std::u16string_view allowed, uint32_t nodeType);

// The text's leading digits as a decimal (none gives 0; too many saturate rather than wrap),
// raised to `low` and lowered to `high`.
uint32_t ClampDecimal(std::u16string_view text, uint32_t low, uint32_t high);

// The IP address control's fields from a text: field 0 is the number at its start, each further
// field the number after the next ".", 0 when there is none. A number too large saturates.
std::array<uint64_t, 4> ParseAddressFields(std::u16string_view text);

// A field value kept within low..high.
int CorrectFieldValue(int64_t value, int low, int high);

// "%d.%d.%d.%d".
std::u16string FormatAddress(const std::array<uint8_t, 4>& fields);

// Whether a field's change, seen while a character was typed into it, moves the focus on to the
// next field: only for fields 0 to 2, and only when the field is complete (the "." typed, or its
// third digit). A change seen outside typing (the field losing the focus) never moves it.
bool MovesToNextField(int field, bool typedInField, char16_t typed, size_t fieldLength);

// A "." typed into an IP address field is no character of the field. Right after typing completed
// the previous field and moved on into this one (`separatorDue`) it is the separator already
// passed and is dropped; otherwise it moves on to the next field (there is none after the last).
enum class SeparatorAction { kDrop, kNextField };
SeparatorAction OnSeparator(int field, bool separatorDue);

// A choice is "stored\nshown", or one text that is both.
std::u16string_view ChoiceStored(std::u16string_view choice);
std::u16string_view ChoiceShown(std::u16string_view choice);

// The choice that a combo box selects for the displayed value: the first whose shown text equals
// it (a drop-down list) or begins with it (with a free-text field). -1 when none does.
int SelectedChoice(const std::vector<std::u16string>& choices, std::u16string_view shown, bool freeText);

// The stored part of the first choice whose shown text equals `text`; false when none does.
bool StoredChoiceFor(const std::vector<std::u16string>& choices, std::u16string_view text,
                     std::u16string& stored);

// The text editor of the node type swallows this character (Name takes no "<" or ">").
bool SwallowsCharacter(uint32_t nodeType, char16_t c);

}  // namespace orvel::ui
