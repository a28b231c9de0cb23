#include "ui/tree/editor_logic.h"

#include <algorithm>

#include "settings/settings_host.h"
#include "settings/settings_schema.h"
#include "settings/settings_validate.h"

namespace orvel::ui {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Keeps the characters for which keep(character, index in the kept text) holds.
template <typename Keep>
bool RemoveUnless(std::u16string& text, Keep keep) {
  std::u16string kept;
  kept.reserve(text.size());
  for (char16_t c : text) {
    if (keep(c, kept.size())) kept += c;
  }
  if (kept.size() == text.size()) return false;
  text = std::move(kept);
  return true;
}

}  // namespace

bool RemoveNonDigits(std::u16string& text) {
  return RemoveUnless(text, [](char16_t c, size_t) { return IsDigit(c); });
}

bool RemoveDisallowed(std::u16string& text, std::u16string_view allowed, uint32_t nodeType) {
  const bool plusFirstOnly = nodeType == kDefaultVoiceMailboxType;
  return RemoveUnless(text, [&](char16_t c, size_t at) {
    if (allowed.find(c) == std::u16string_view::npos) return false;
    return !(plusFirstOnly && c == u'+' && at != 0);
  });
}

uint32_t ClampDecimal(std::u16string_view text, uint32_t low, uint32_t high) {
  const uint64_t value = LeadingDecimalValue(text);
  if (value < low) return low;
  if (value > high) return high;
  return static_cast<uint32_t>(value);
}

std::array<uint64_t, 4> ParseAddressFields(std::u16string_view text) {
  std::array<uint64_t, 4> fields = {0, 0, 0, 0};
  fields[0] = LeadingDecimalValue(text);
  size_t at = 0;
  for (size_t i = 1; i < fields.size(); ++i) {
    at = text.find(u'.', at);
    if (at == std::u16string_view::npos) break;
    ++at;
    fields[i] = LeadingDecimalValue(text.substr(at));
  }
  return fields;
}

int CorrectFieldValue(int64_t value, int low, int high) {
  if (value < low) return low;
  if (value > high) return high;
  return static_cast<int>(value);
}

std::u16string FormatAddress(const std::array<uint8_t, 4>& fields) {
  std::u16string text;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) text += u'.';
    text += DecimalText(fields[i]);
  }
  return text;
}

bool MovesToNextField(int field, bool typedInField, char16_t typed, size_t fieldLength) {
  if (field < 0 || field > 2 || !typedInField) return false;
  return typed == u'.' || (IsDigit(typed) && fieldLength >= 3);
}

SeparatorAction OnSeparator(int field, bool separatorDue) {
  return separatorDue || field < 0 || field > 2 ? SeparatorAction::kDrop : SeparatorAction::kNextField;
}

std::u16string_view ChoiceStored(std::u16string_view choice) { return choice.substr(0, choice.find(u'\n')); }

std::u16string_view ChoiceShown(std::u16string_view choice) {
  const size_t newline = choice.find(u'\n');
  return newline == std::u16string_view::npos ? choice : choice.substr(newline + 1);
}

int SelectedChoice(const std::vector<std::u16string>& choices, std::u16string_view shown, bool freeText) {
  for (size_t i = 0; i < choices.size(); ++i) {
    const std::u16string_view text = ChoiceShown(choices[i]);
    const bool match = freeText ? text.substr(0, shown.size()) == shown : text == shown;
    if (match) return static_cast<int>(i);
  }
  return -1;
}

bool StoredChoiceFor(const std::vector<std::u16string>& choices, std::u16string_view text,
                     std::u16string& stored) {
  for (const std::u16string& choice : choices) {
    if (ChoiceShown(choice) == text) {
      stored = std::u16string(ChoiceStored(choice));
      return true;
    }
  }
  return false;
}

bool SwallowsCharacter(uint32_t nodeType, char16_t c) {
  return nodeType == kMailboxRealNameType && (c == u'<' || c == u'>');
}

}  // namespace orvel::ui
