#include "pim/calendar_time.h"

#include <cmath>
#include <cstdio>

#include "pim/platform.h"

namespace orvel {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1970 to a date of the proleptic Gregorian calendar, and back.
long long DaysFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

constexpr long long kAutomationEpochDays = -25569;  // 30 December 1899 from 1 January 1970
constexpr double kFirstAutomationDate = -657434.0;  // 1 January 100
constexpr double kLastAutomationDate = 2958466.0;   // 1 January 10000, excluded

int Digits(std::u16string_view text, size_t pos, size_t count) {
  int value = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return -1;
    value = value * 10 + (text[i] - u'0');
  }
  return value;
}

}  // namespace

std::optional<DateTimeParts> ReadDateTimeText(std::u16string_view text) {
  const bool utc = text.size() == 16 && text[15] == u'Z';
  if (utc) text.remove_suffix(1);
  if (text.size() != 15 || text[8] != u'T') return std::nullopt;
  DateTimeParts p;
  p.utc = utc;
  p.year = Digits(text, 0, 4);
  p.month = Digits(text, 4, 2);
  p.day = Digits(text, 6, 2);
  p.hour = Digits(text, 9, 2);
  p.minute = Digits(text, 11, 2);
  p.second = Digits(text, 13, 2);
  if (p.year < 0 || p.month < 1 || p.month > 12 || p.day < 1 || p.day > DaysInMonth(p.year, p.month) ||
      p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59) {
    return std::nullopt;
  }
  return p;
}

std::u16string DateTimeText(const DateTimeParts& p) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02d%s", p.year, p.month, p.day, p.hour,
                p.minute, p.second, p.utc ? "Z" : "");
  return std::u16string(buffer, buffer + std::char_traits<char>::length(buffer));
}

// Seconds since 1 January 1970 of parts in UTC.
long long UtcSeconds(const DateTimeParts& p) {
  return DaysFromCivil(p.year, p.month, p.day) * 86400 + p.hour * 3600 + p.minute * 60 + p.second;
}

std::optional<std::time_t> CalendarTimeFromParts(DateTimeParts parts) {
  if (parts.year > 2037) {
    parts.year = 2037;
    if (parts.day > DaysInMonth(parts.year, parts.month)) parts.day = DaysInMonth(parts.year, parts.month);
  }
  if (parts.utc) {
    const long long seconds = UtcSeconds(parts);
    if (seconds < 0) return std::nullopt;  // before 1970, as for local times
    return static_cast<std::time_t>(seconds);
  }
  std::tm local{};
  local.tm_year = parts.year - 1900;
  local.tm_mon = parts.month - 1;
  local.tm_mday = parts.day;
  local.tm_hour = parts.hour;
  local.tm_min = parts.minute;
  local.tm_sec = parts.second;
  local.tm_isdst = -1;
  std::time_t time;
  if (!FromLocalTime(local, time)) return std::nullopt;
  return time;
}

std::optional<DateTimeParts> PartsFromCalendarTime(std::time_t time) {
  std::tm local{};
  if (!ToLocalTime(time, local)) return std::nullopt;
  DateTimeParts p;
  p.year = local.tm_year + 1900;
  p.month = local.tm_mon + 1;
  p.day = local.tm_mday;
  p.hour = local.tm_hour;
  p.minute = local.tm_min;
  p.second = local.tm_sec;
  if (p.year > 9999) return std::nullopt;
  return p;
}

std::optional<AutomationDate> AutomationDateFromParts(const DateTimeParts& utcOrLocal) {
  DateTimeParts parts = utcOrLocal;
  if (parts.utc) {
    const long long seconds = UtcSeconds(parts);
    const auto time = static_cast<std::time_t>(seconds);
    const auto local = seconds >= 0 && time == seconds ? PartsFromCalendarTime(time) : std::nullopt;
    if (!local) return std::nullopt;
    parts = *local;
  }
  if (parts.year < 100 || parts.year > 9999) return std::nullopt;
  const long long days = DaysFromCivil(parts.year, parts.month, parts.day) - kAutomationEpochDays;
  const double fraction = (parts.hour * 3600 + parts.minute * 60 + parts.second) / 86400.0;
  // Before the epoch the day counts down while the time of day still counts up.
  return AutomationDate{days >= 0 ? days + fraction : days - fraction};
}

std::optional<DateTimeParts> PartsFromAutomationDate(AutomationDate date) {
  if (!std::isfinite(date.value) || date.value <= kFirstAutomationDate - 1 ||
      date.value >= kLastAutomationDate) {
    return std::nullopt;
  }
  const double whole = std::trunc(date.value);
  long long days = static_cast<long long>(whole);
  long long seconds = std::llround(std::fabs(date.value - whole) * 86400.0);
  if (seconds >= 86400) {  // rounded up to midnight: the next calendar day
    seconds -= 86400;
    ++days;
  }
  DateTimeParts p;
  CivilFromDays(days + kAutomationEpochDays, p.year, p.month, p.day);
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  if (p.year < 100 || p.year > 9999) return std::nullopt;
  return p;
}

}  // namespace orvel
