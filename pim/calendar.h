// Calendar entries (events and to-do items): a list of typed fields with a position index per
// type, written as one VEVENT or VTODO block and read back from one. Recurrence is the text of an
// RRULE field.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "pim/calendar_time.h"

namespace orvel {

// The recurrence kinds; the lists are the caller's texts, written as they are.
struct DailyRepeat {
  int interval = 1;
};
struct WeeklyRepeat {
  int interval = 1;
  std::u16string days;
};
struct MonthlyByPositionRepeat {
  int interval = 1;
  std::u16string positions;
};
struct MonthlyByDayRepeat {
  int interval = 1;
  std::u16string days;
};
struct YearlyByMonthRepeat {
  int interval = 1;
  int month = 1;
};
struct YearlyByPositionRepeat {
  int interval = 1;
  std::u16string positions;
};

class CCalendarField {
 public:
  static constexpr std::int32_t kUnset = 19;

  CCalendarField() = default;
  // Type and label are stored as given; the value goes through SetValue.
  CCalendarField(std::int32_t type, std::u16string label, std::u16string value);

  std::int32_t GetType() const { return m_type; }
  void SetType(std::int32_t type);  // also sets the label of the type
  const std::u16string& GetLabel() const { return m_label; }
  const std::u16string& GetValue() const { return m_value; }
  // Every line break (CR LF, or a lone CR or LF) becomes one blank: a value is one property line.
  void SetValue(std::u16string_view value);
  // The value cut to at most n characters, ending in "..." when it was longer and n leaves room.
  std::u16string GetShortValue(int n) const;
  std::u16string_view GetTypeName() const;  // for the diagnostic dump

  // Date-time text of a calendar time or an automation date, as local time (without the 'Z').
  // False, value unchanged, when the time cannot be written.
  bool FormatCalendarTime(std::time_t time);
  bool FormatCalendarTime(AutomationDate date);
  // The value read as a date-time text, local or (with the 'Z') in UTC; false for a short or
  // malformed text.
  bool ParseCalendarTime(std::time_t& time) const;
  bool ParseCalendarTime(AutomationDate& date) const;

  // Recurrence rule of a type-4 field: head, then the end date-time or "#0" for a rule without
  // end. False, value unchanged, for an interval below 1 or an end that cannot be written.
  bool FormatRepeatRule(const DailyRepeat& rule, std::time_t until);
  bool FormatRepeatRule(const DailyRepeat& rule, AutomationDate until);
  bool FormatRepeatRule(const DailyRepeat& rule);
  bool FormatRepeatRule(const WeeklyRepeat& rule, std::time_t until);
  bool FormatRepeatRule(const WeeklyRepeat& rule, AutomationDate until);
  bool FormatRepeatRule(const WeeklyRepeat& rule);
  bool FormatRepeatRule(const MonthlyByPositionRepeat& rule, std::time_t until);
  bool FormatRepeatRule(const MonthlyByPositionRepeat& rule, AutomationDate until);
  bool FormatRepeatRule(const MonthlyByPositionRepeat& rule);
  bool FormatRepeatRule(const MonthlyByDayRepeat& rule, std::time_t until);
  bool FormatRepeatRule(const MonthlyByDayRepeat& rule, AutomationDate until);
  bool FormatRepeatRule(const MonthlyByDayRepeat& rule);
  bool FormatRepeatRule(const YearlyByMonthRepeat& rule, std::time_t until);
  bool FormatRepeatRule(const YearlyByMonthRepeat& rule, AutomationDate until);
  bool FormatRepeatRule(const YearlyByMonthRepeat& rule);
  bool FormatRepeatRule(const YearlyByPositionRepeat& rule, std::time_t until);
  bool FormatRepeatRule(const YearlyByPositionRepeat& rule, AutomationDate until);
  bool FormatRepeatRule(const YearlyByPositionRepeat& rule);

  std::u16string GetRepeatKind() const;      // "Daily", "Monthly", "Weekly", "Yearly" or empty
  std::u16string GetRepeatInterval() const;  // from the first digit 1-9 up to the first blank
  bool IsRepeatForever() const;              // the rule holds "#0"
  // The rule's last word read as a date-time text, local or in UTC; false for a rule without end.
  bool GetRepeatEnd(std::time_t& time) const;
  bool GetRepeatEnd(AutomationDate& date) const;

 private:
  template <typename Until>
  bool SetWithEnd(std::u16string head, const Until& until);  // head, then the end text

  std::int32_t m_type = kUnset;
  std::u16string m_label;
  std::u16string m_value;
};

class CCalendarEntry {
 public:
  static constexpr int kIndexSize = 20;

  CCalendarEntry() { m_index.fill(-1); }

  // Appends the field and points its type's index at it; -1, nothing added, for a type outside
  // the index.
  int AddField(const CCalendarField& field);
  const CCalendarField* GetField(int pos) const;                  // null outside the list
  const CCalendarField* GetFieldOfType(std::int32_t type) const;  // null when the entry has none
  bool RemoveField(int pos);
  void RemoveAll();
  int GetCount() const { return static_cast<int>(m_fields.size()); }

  // Equal when every type 0 to 10 is absent from both or present in both with equal values.
  bool operator==(const CCalendarEntry& other) const;
  // Same entry type and description.
  bool IsSameEvent(const CCalendarEntry& other) const;

  std::u16string ToVCalendar() const;
  bool ParseVCalendar(std::u16string_view text);
  void Dump(std::u16string& out) const;

 private:
  bool TypeEquals(const CCalendarEntry& other, std::int32_t type) const;
  void AddParsed(std::int32_t type, std::u16string_view value);

  std::vector<CCalendarField> m_fields;
  std::array<std::int32_t, kIndexSize> m_index;
};

}  // namespace orvel
