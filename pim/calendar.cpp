#include "pim/calendar.h"

#include <algorithm>
#include <optional>

#include "pim/platform.h"
#include "support/u16text.h"

namespace orvel {

namespace {

constexpr std::u16string_view kLabels[] = {
    u"DTSTART:",     u"DTEND:",
    u"DESCRIPTION:", u"X-EPOCAGENDAENTRYTYPE:",
    u"RRULE:",       u"AALARM;TYPE=X-EPOCSOUND:",
    u"UID:",         u"X-EPOCTODOLIST:",
    u"DUE:",         u"PRIORITY:",
    u"CLASS:",
};
constexpr std::int32_t kLastCompared = 10;  // the types that equality and the text forms know

std::u16string Decimal(long long number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

std::optional<DateTimeParts> ToParts(std::time_t time) { return PartsFromCalendarTime(time); }
std::optional<DateTimeParts> ToParts(AutomationDate date) { return PartsFromAutomationDate(date); }
std::optional<std::time_t> FromParts(const DateTimeParts& parts, std::time_t*) {
  return CalendarTimeFromParts(parts);
}
std::optional<AutomationDate> FromParts(const DateTimeParts& parts, AutomationDate*) {
  return AutomationDateFromParts(parts);
}

// Reads a date-time text into either time form; false, result unchanged, when it cannot.
template <typename Time>
bool ReadInto(std::u16string_view text, Time& result) {
  const auto parts = ReadDateTimeText(text);
  const auto converted = parts ? FromParts(*parts, static_cast<Time*>(nullptr)) : std::nullopt;
  if (!converted) return false;
  result = *converted;
  return true;
}

template <typename Time>
std::optional<std::u16string> EndText(Time until) {
  const auto parts = ToParts(until);
  if (!parts) return std::nullopt;
  return DateTimeText(*parts);
}

struct Forever {};
std::optional<std::u16string> EndText(Forever) { return std::u16string(u"#0"); }

std::u16string Head(const DailyRepeat& r) { return u"D" + Decimal(r.interval) + u" "; }
std::u16string Head(const WeeklyRepeat& r) { return u"W" + Decimal(r.interval) + u" " + r.days; }
std::u16string Head(const MonthlyByPositionRepeat& r) {
  return u"MP" + Decimal(r.interval) + u" " + r.positions;
}
std::u16string Head(const MonthlyByDayRepeat& r) { return u"MD" + Decimal(r.interval) + u" " + r.days; }
std::u16string Head(const YearlyByMonthRepeat& r) {
  return u"YM" + Decimal(r.interval) + u" " + Decimal(r.month) + u" ";
}
// Written as a monthly rule every twelve months; computed wide so that no interval overflows.
std::u16string Head(const YearlyByPositionRepeat& r) {
  return u"MP" + Decimal(static_cast<long long>(r.interval) * 12) + u" " + r.positions;
}

// The lines of the text between its first entry's BEGIN line and the matching END line; both
// must stand at a line start. Empty when there is no such block.
std::optional<std::vector<std::u16string_view>> EntryLines(std::u16string_view text) {
  auto find_line = [text](std::u16string_view line, size_t from) {
    for (size_t pos = text.find(line, from); pos != std::u16string_view::npos;
         pos = text.find(line, pos + 1)) {
      if (pos == 0 || (pos >= 2 && text.substr(pos - 2, 2) == u"\r\n")) return pos;
    }
    return std::u16string_view::npos;
  };
  const size_t event = find_line(u"BEGIN:VEVENT\r\n", 0);
  const size_t todo = find_line(u"BEGIN:VTODO\r\n", 0);
  if (event == std::u16string_view::npos && todo == std::u16string_view::npos) return std::nullopt;
  const bool is_event = event < todo;
  const std::u16string_view begin = is_event ? u"BEGIN:VEVENT\r\n" : u"BEGIN:VTODO\r\n";
  const size_t body = (is_event ? event : todo) + begin.size();
  const size_t end = find_line(is_event ? u"END:VEVENT\r\n" : u"END:VTODO\r\n", body);
  if (end == std::u16string_view::npos) return std::nullopt;

  std::vector<std::u16string_view> lines;
  for (size_t pos = body; pos < end;) {
    const size_t line_end = text.find(u"\r\n", pos);  // found: the END line starts after one
    lines.push_back(text.substr(pos, line_end - pos));
    pos = line_end + 2;
  }
  return lines;
}

// The value of the first line that starts with the property text.
std::optional<std::u16string_view> FindProperty(const std::vector<std::u16string_view>& lines,
                                                std::u16string_view property) {
  for (std::u16string_view line : lines) {
    if (line.starts_with(property)) return line.substr(property.size());
  }
  return std::nullopt;
}

}  // namespace

CCalendarField::CCalendarField(std::int32_t type, std::u16string label, std::u16string value)
    : m_type(type), m_label(std::move(label)) {
  SetValue(value);
}

void CCalendarField::SetType(std::int32_t type) {
  m_type = type;
  m_label = type >= 0 && type <= kLastCompared ? kLabels[type] : u"No vCard item!:";
}

void CCalendarField::SetValue(std::u16string_view value) { m_value = ReplaceLineBreaks(value, u" "); }

std::u16string CCalendarField::GetShortValue(int n) const {
  if (n < 0) n = 0;
  if (m_value.size() <= static_cast<size_t>(n)) return m_value;
  if (n < 3) return m_value.substr(0, n);  // no room for the ellipsis
  return m_value.substr(0, n - 3) + u"...";
}

std::u16string_view CCalendarField::GetTypeName() const {
  return m_type >= 0 && m_type <= kLastCompared && m_type != 6 ? u"vCard" : u"!UNKNOWN!";
}

bool CCalendarField::FormatCalendarTime(std::time_t time) { return SetWithEnd(u"", time); }

bool CCalendarField::FormatCalendarTime(AutomationDate date) { return SetWithEnd(u"", date); }

bool CCalendarField::ParseCalendarTime(std::time_t& time) const { return ReadInto(m_value, time); }

bool CCalendarField::ParseCalendarTime(AutomationDate& date) const { return ReadInto(m_value, date); }

template <typename Until>
bool CCalendarField::SetWithEnd(std::u16string head, const Until& until) {
  const auto end = EndText(until);
  if (!end) return false;
  SetValue(head + *end);
  return true;
}

#define ORVEL_REPEAT_FORMS(Rule)                                                  \
  bool CCalendarField::FormatRepeatRule(const Rule& rule, std::time_t until) {    \
    return rule.interval >= 1 && SetWithEnd(Head(rule), until);                   \
  }                                                                               \
  bool CCalendarField::FormatRepeatRule(const Rule& rule, AutomationDate until) { \
    return rule.interval >= 1 && SetWithEnd(Head(rule), until);                   \
  }                                                                               \
  bool CCalendarField::FormatRepeatRule(const Rule& rule) {                       \
    return rule.interval >= 1 && SetWithEnd(Head(rule), Forever{});               \
  }

ORVEL_REPEAT_FORMS(DailyRepeat)
ORVEL_REPEAT_FORMS(WeeklyRepeat)
ORVEL_REPEAT_FORMS(MonthlyByPositionRepeat)
ORVEL_REPEAT_FORMS(MonthlyByDayRepeat)
ORVEL_REPEAT_FORMS(YearlyByMonthRepeat)
ORVEL_REPEAT_FORMS(YearlyByPositionRepeat)
#undef ORVEL_REPEAT_FORMS

std::u16string CCalendarField::GetRepeatKind() const {
  if (m_value.empty()) return {};
  switch (m_value[0]) {
    case u'D':
      return u"Daily";
    case u'M':
      return u"Monthly";
    case u'W':
      return u"Weekly";
    case u'Y':
      return u"Yearly";
    default:
      return {};
  }
}

std::u16string CCalendarField::GetRepeatInterval() const {
  const size_t first = m_value.find_first_of(u"123456789");
  if (first == std::u16string::npos) return {};
  const size_t blank = m_value.find(u' ', first);
  return m_value.substr(first, blank == std::u16string::npos ? std::u16string::npos : blank - first);
}

bool CCalendarField::IsRepeatForever() const { return m_value.find(u"#0") != std::u16string::npos; }

namespace {

// The rule's last word: a local end of 15 characters or one in UTC of 16.
std::u16string_view RepeatEndText(std::u16string_view rule) {
  const size_t blank = rule.rfind(u' ');
  return blank == std::u16string_view::npos ? std::u16string_view() : rule.substr(blank + 1);
}

}  // namespace

bool CCalendarField::GetRepeatEnd(std::time_t& time) const {
  return !IsRepeatForever() && ReadInto(RepeatEndText(m_value), time);
}

bool CCalendarField::GetRepeatEnd(AutomationDate& date) const {
  return !IsRepeatForever() && ReadInto(RepeatEndText(m_value), date);
}

int CCalendarEntry::AddField(const CCalendarField& field) {
  const std::int32_t type = field.GetType();
  if (type < 0 || type >= kIndexSize) return -1;
  m_fields.push_back(field);
  m_index[type] = GetCount() - 1;
  return m_index[type];
}

const CCalendarField* CCalendarEntry::GetField(int pos) const {
  if (pos < 0 || pos >= GetCount()) return nullptr;
  return &m_fields[pos];
}

const CCalendarField* CCalendarEntry::GetFieldOfType(std::int32_t type) const {
  if (type < 0 || type >= kIndexSize || m_index[type] < 0) return nullptr;
  return &m_fields[m_index[type]];
}

bool CCalendarEntry::RemoveField(int pos) {
  if (pos < 0 || pos >= GetCount()) return false;
  m_fields.erase(m_fields.begin() + pos);
  // Rebuilt so that a type with another field left still points at its latest one.
  m_index.fill(-1);
  for (int i = 0; i < GetCount(); ++i) m_index[m_fields[i].GetType()] = i;
  return true;
}

void CCalendarEntry::RemoveAll() {
  m_fields.clear();
  m_index.fill(-1);
}

bool CCalendarEntry::TypeEquals(const CCalendarEntry& other, std::int32_t type) const {
  const CCalendarField* mine = GetFieldOfType(type);
  const CCalendarField* theirs = other.GetFieldOfType(type);
  if (!mine || !theirs) return !mine && !theirs;
  return mine->GetValue() == theirs->GetValue();
}

bool CCalendarEntry::operator==(const CCalendarEntry& other) const {
  for (std::int32_t type = 0; type <= kLastCompared; ++type) {
    if (!TypeEquals(other, type)) return false;
  }
  return true;
}

bool CCalendarEntry::IsSameEvent(const CCalendarEntry& other) const {
  return TypeEquals(other, 3) && TypeEquals(other, 2);
}

std::u16string CCalendarEntry::ToVCalendar() const {
  const CCalendarField* entry_type = GetFieldOfType(3);
  const std::u16string_view kind = entry_type && entry_type->GetValue() == u"TODO" ? u"VTODO" : u"VEVENT";
  std::u16string text;
  text.append(u"BEGIN:").append(kind).append(u"\r\n");
  for (const auto& field : m_fields) {
    // A field without a property text would make its value a line of its own.
    if (field.GetLabel().empty()) continue;
    text.append(field.GetLabel()).append(field.GetValue()).append(u"\r\n");
  }
  text.append(u"END:").append(kind).append(u"\r\n");
  return text;
}

void CCalendarEntry::AddParsed(std::int32_t type, std::u16string_view value) {
  CCalendarField field;
  field.SetType(type);
  field.SetValue(value);
  AddField(field);
}

bool CCalendarEntry::ParseVCalendar(std::u16string_view text) {
  RemoveAll();
  const auto lines = EntryLines(text);
  if (!lines) return false;

  if (const auto description = FindProperty(*lines, u"DESCRIPTION:")) {
    AddParsed(2, *description);
  } else if (const auto utf8 = FindProperty(*lines, u"DESCRIPTION;CHARSET=UTF-8:")) {
    // The text was read through the ANSI code page; its bytes are the UTF-8 of the description.
    AddParsed(2, FromUtf8(ToAnsiBytes(*utf8)));
  } else {
    return false;
  }
  if (const auto start = FindProperty(*lines, kLabels[0])) AddParsed(0, *start);
  if (const auto end = FindProperty(*lines, kLabels[1])) AddParsed(1, *end);
  const auto entry_type = FindProperty(*lines, kLabels[3]);
  if (!entry_type) return false;
  AddParsed(3, *entry_type);
  if (const auto alarm = FindProperty(*lines, kLabels[5])) AddParsed(5, alarm->substr(0, alarm->find(u';')));
  for (std::int32_t type : {4, 6, 7, 8, 9, 10}) {
    if (const auto value = FindProperty(*lines, kLabels[type])) AddParsed(type, *value);
  }
  return true;
}

void CCalendarEntry::Dump(std::u16string& out) const {
  for (const auto& field : m_fields) {
    out.append(u"[").append(field.GetTypeName()).append(u"]  ").append(field.GetLabel());
    out.append(u" : ").append(field.GetValue()).append(u"\r\n");
  }
}

}  // namespace orvel
