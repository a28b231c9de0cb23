// The vCalendar date-time text 'YYYYMMDDTHHMMSS', a local time, or 'YYYYMMDDTHHMMSSZ', a time in
// UTC, and its two sources: a calendar time (time_t, written as local time) and an automation date
// (days since 30 December 1899, the day's time as the fraction; a local time).
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace orvel {

struct AutomationDate {
  double value = 0;
};

struct DateTimeParts {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool utc = false;  // written with the 'Z'; else a local time
};

// Reads 'YYYYMMDDTHHMMSS' with an optional trailing 'Z' (then `utc`). Refuses a short or longer
// text, a non-digit, and a month, day, hour, minute or second out of its range.
std::optional<DateTimeParts> ReadDateTimeText(std::u16string_view text);
std::u16string DateTimeText(const DateTimeParts& parts);

// The calendar-time form caps the year at 2037, the last whole year of a 32-bit time_t; the day is
// then kept within its month (29 February becomes the 28th). Parts in UTC are converted exactly,
// local ones let the runtime decide daylight saving time. The parts of a calendar time are local.
std::optional<std::time_t> CalendarTimeFromParts(DateTimeParts parts);
std::optional<DateTimeParts> PartsFromCalendarTime(std::time_t time);

// Automation dates cover the years 100 to 9999 and are local times; parts in UTC are converted to
// local time, which the runtime can do from 1970 only.
std::optional<AutomationDate> AutomationDateFromParts(const DateTimeParts& parts);
std::optional<DateTimeParts> PartsFromAutomationDate(AutomationDate date);

}  // namespace orvel
