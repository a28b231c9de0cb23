#include "pim/calendar.h"

#include <gtest/gtest.h>

#include <functional>

#include "pim/platform.h"
#include "support/u16text.h"

using orvel::AsUtf8;
using orvel::AutomationDate;
using orvel::CCalendarEntry;
using orvel::CCalendarField;

namespace {

CCalendarField Field(std::int32_t type, std::u16string_view value) {
  CCalendarField field;
  field.SetType(type);
  field.SetValue(value);
  return field;
}

TEST(CalendarField, TypesAndLabels) {
  const std::pair<std::int32_t, const char16_t*> cases[] = {
      {0, u"DTSTART:"},
      {1, u"DTEND:"},
      {2, u"DESCRIPTION:"},
      {3, u"X-EPOCAGENDAENTRYTYPE:"},
      {4, u"RRULE:"},
      {5, u"AALARM;TYPE=X-EPOCSOUND:"},
      {6, u"UID:"},
      {7, u"X-EPOCTODOLIST:"},
      {8, u"DUE:"},
      {9, u"PRIORITY:"},
      {10, u"CLASS:"},
      {11, u"No vCard item!:"},
      {19, u"No vCard item!:"},
      {-1, u"No vCard item!:"},
  };
  for (const auto& [type, label] : cases) {
    CCalendarField field;
    field.SetType(type);
    EXPECT_EQ(field.GetType(), type);
    EXPECT_EQ(field.GetLabel(), label) << type;
    EXPECT_EQ(field.GetTypeName(), type >= 0 && type <= 10 && type != 6 ? u"vCard" : u"!UNKNOWN!") << type;
  }
  const CCalendarField unset;
  EXPECT_EQ(unset.GetType(), 19);
  EXPECT_EQ(unset.GetLabel(), u"");
}

TEST(CalendarField, ValueIsOneLine) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"a\r\nb", u"a b"}, {u"a\nb", u"a b"},  // a lone LF or CR would also end the property line
      {u"a\rb", u"a b"},   {u"a\r\n\r\nb", u"a  b"}, {u"a\n\rb", u"a  b"}, {u"plain", u"plain"},
  };
  for (const auto& [value, stored] : cases) {
    EXPECT_EQ(Field(2, value).GetValue(), stored) << AsUtf8(value);
    EXPECT_EQ(CCalendarField(2, u"DESCRIPTION:", value).GetValue(), stored) << AsUtf8(value);
  }
}

TEST(CalendarField, ShortValue) {
  const std::pair<int, const char16_t*> cases[] = {
      {10, u"Meeting..."},
      {15, u"Meeting at nine"},
      {100, u"Meeting at nine"},
      {14, u"Meeting at ..."},
      {3, u"..."},
      {2, u"Me"},
      {1, u"M"},
      {0, u""},
      {-5, u""},
  };
  const CCalendarField field = Field(2, u"Meeting at nine");
  for (const auto& [limit, shortened] : cases) EXPECT_EQ(field.GetShortValue(limit), shortened) << limit;
}

// 31 December 2001, 12:00:00 local time in the pinned zone.
constexpr std::time_t kUntil = 1009796400;
constexpr AutomationDate kUntilDate{37256.5};

struct RuleCase {
  std::function<bool(CCalendarField&)> format;
  const char16_t* value;
};

TEST(RepeatRule, EveryForm) {
  const orvel::DailyRepeat daily{2};
  const orvel::WeeklyRepeat weekly{1, u"MO TU "};
  const orvel::MonthlyByPositionRepeat by_position{1, u"1+ MO "};
  const orvel::MonthlyByDayRepeat by_day{3, u"1 15 "};
  const orvel::YearlyByMonthRepeat by_month{1, 6};
  const orvel::YearlyByPositionRepeat yearly_position{1, u"1+ MO "};
  const RuleCase cases[] = {
      {[&](CCalendarField& f) { return f.FormatRepeatRule(daily, kUntil); }, u"D2 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(daily, kUntilDate); }, u"D2 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(daily); }, u"D2 #0"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(weekly, kUntil); }, u"W1 MO TU 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(weekly, kUntilDate); },
       u"W1 MO TU 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(weekly); }, u"W1 MO TU #0"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(by_position, kUntil); },
       u"MP1 1+ MO 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(by_position, kUntilDate); },
       u"MP1 1+ MO 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(by_position); }, u"MP1 1+ MO #0"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(by_day, kUntil); }, u"MD3 1 15 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(by_day, kUntilDate); },
       u"MD3 1 15 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(by_day); }, u"MD3 1 15 #0"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(by_month, kUntil); }, u"YM1 6 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(by_month, kUntilDate); }, u"YM1 6 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(by_month); }, u"YM1 6 #0"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(yearly_position, kUntil); },
       u"MP12 1+ MO 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(yearly_position, kUntilDate); },
       u"MP12 1+ MO 20011231T120000"},
      {[&](CCalendarField& f) { return f.FormatRepeatRule(yearly_position); }, u"MP12 1+ MO #0"},
  };
  for (const auto& c : cases) {
    CCalendarField field = Field(4, u"");
    ASSERT_TRUE(c.format(field)) << AsUtf8(c.value);
    EXPECT_EQ(field.GetValue(), c.value);
  }
}

TEST(RepeatRule, RefusesBadIntervalAndEnd) {
  CCalendarField field = Field(4, u"kept");
  EXPECT_FALSE(field.FormatRepeatRule(orvel::DailyRepeat{0}));
  EXPECT_FALSE(field.FormatRepeatRule(orvel::WeeklyRepeat{-3, u"MO "}, kUntil));
  EXPECT_FALSE(field.FormatRepeatRule(orvel::DailyRepeat{1}, std::time_t{-1}));
  EXPECT_FALSE(field.FormatRepeatRule(orvel::DailyRepeat{1}, AutomationDate{1e9}));
  EXPECT_EQ(field.GetValue(), u"kept");

  // Twelve times the largest interval does not wrap.
  ASSERT_TRUE(field.FormatRepeatRule(orvel::YearlyByPositionRepeat{2147483647, u"1+ MO "}));
  EXPECT_EQ(field.GetValue(), u"MP25769803764 1+ MO #0");
  // A list with a line break cannot end the property line.
  ASSERT_TRUE(field.FormatRepeatRule(orvel::WeeklyRepeat{1, u"MO\r\nUID:x "}));
  EXPECT_EQ(field.GetValue(), u"W1 MO UID:x #0");
}

struct ReadRuleCase {
  const char16_t* rule;
  const char16_t* kind;
  const char16_t* interval;
  bool forever;
  bool has_end;
};
const ReadRuleCase kReadRules[] = {
    {u"W10 MO TU #0", u"Weekly", u"10", true, false},
    {u"D2 20011231T110000Z", u"Daily", u"2", false, true},  // an end in UTC: the same time
    {u"MP12 1+ MO 20011231T110000Z", u"Monthly", u"12", false, true},
    {u"MD1 1 15 #0", u"Monthly", u"1", true, false},
    {u"YM1 6 20011231T120000", u"Yearly", u"1", false, true},
    {u"D2", u"Daily", u"2", false, false},                     // too short for an end
    {u"D2 #0 20011231T120000Z", u"Daily", u"2", true, false},  // "#0" anywhere means no end
    {u"W1 MO 20011231T120000", u"Weekly", u"1", false, true},  // a local end, as the rules are written
    {u"D1 20011331T120000Z", u"Daily", u"1", false, false},
    {u"X3 #0", u"", u"3", true, false},
    {u"", u"", u"", false, false},
    {u"D", u"Daily", u"", false, false},
};

TEST(RepeatRule, Reading) {
  for (const auto& c : kReadRules) {
    const CCalendarField field = Field(4, c.rule);
    EXPECT_EQ(field.GetRepeatKind(), c.kind) << AsUtf8(c.rule);
    EXPECT_EQ(field.GetRepeatInterval(), c.interval) << AsUtf8(c.rule);
    EXPECT_EQ(field.IsRepeatForever(), c.forever) << AsUtf8(c.rule);
    std::time_t end = 0;
    AutomationDate end_date{};
    EXPECT_EQ(field.GetRepeatEnd(end), c.has_end) << AsUtf8(c.rule);
    EXPECT_EQ(field.GetRepeatEnd(end_date), c.has_end) << AsUtf8(c.rule);
    if (c.has_end) {
      EXPECT_EQ(end, kUntil);
      EXPECT_DOUBLE_EQ(end_date.value, kUntilDate.value);
    }
  }
}

TEST(CalendarEntry, IndexRefusesTypesOutsideIt) {
  CCalendarEntry entry;
  for (std::int32_t type : {20, -1, 1000, 0x7fffffff}) {
    CCalendarField field;
    field.SetType(type);
    EXPECT_EQ(entry.AddField(field), -1) << type;
    EXPECT_EQ(entry.GetFieldOfType(type), nullptr);
  }
  EXPECT_EQ(entry.GetCount(), 0);
  EXPECT_EQ(entry.AddField(CCalendarField()), 0);  // type 19, the last slot
  EXPECT_NE(entry.GetFieldOfType(19), nullptr);
  EXPECT_EQ(entry.GetField(1), nullptr);
  EXPECT_EQ(entry.GetField(-1), nullptr);
  EXPECT_FALSE(entry.RemoveField(1));
}

TEST(CalendarEntry, RemovingOneOfTwoFieldsOfATypeKeepsTheOther) {
  CCalendarEntry entry;
  ASSERT_EQ(entry.AddField(Field(2, u"first")), 0);
  ASSERT_EQ(entry.AddField(Field(0, u"20011231T120000Z")), 1);
  ASSERT_EQ(entry.AddField(Field(2, u"second")), 2);
  EXPECT_EQ(entry.GetFieldOfType(2)->GetValue(), u"second");

  CCalendarEntry drop_latest = entry;
  ASSERT_TRUE(drop_latest.RemoveField(2));
  ASSERT_NE(drop_latest.GetFieldOfType(2), nullptr);
  EXPECT_EQ(drop_latest.GetFieldOfType(2)->GetValue(), u"first");

  CCalendarEntry drop_first = entry;
  ASSERT_TRUE(drop_first.RemoveField(0));
  EXPECT_EQ(drop_first.GetFieldOfType(2)->GetValue(), u"second");
  EXPECT_EQ(drop_first.GetFieldOfType(0)->GetValue(), u"20011231T120000Z");

  ASSERT_TRUE(drop_first.RemoveField(1));
  EXPECT_EQ(drop_first.GetFieldOfType(2), nullptr);
  drop_first.RemoveAll();
  EXPECT_EQ(drop_first.GetCount(), 0);
  EXPECT_EQ(drop_first.GetFieldOfType(0), nullptr);
}

CCalendarEntry Entry(std::initializer_list<std::pair<std::int32_t, const char16_t*>> fields) {
  CCalendarEntry entry;
  for (const auto& [type, value] : fields) entry.AddField(Field(type, value));
  return entry;
}

TEST(CalendarEntry, EqualityAndSameEvent) {
  const CCalendarEntry a = Entry({{2, u"Lunch"}, {3, u"APPOINTMENT"}, {0, u"20011231T120000Z"}});
  EXPECT_TRUE(a == Entry({{0, u"20011231T120000Z"}, {3, u"APPOINTMENT"}, {2, u"Lunch"}}));
  EXPECT_FALSE(a == Entry({{2, u"Lunch"}, {3, u"APPOINTMENT"}, {0, u"20011231T130000Z"}}));
  EXPECT_FALSE(a == Entry({{2, u"Lunch"}, {3, u"APPOINTMENT"}}));
  EXPECT_FALSE(a == Entry({{2, u"Lunch"}, {3, u"APPOINTMENT"}, {0, u"20011231T120000Z"}, {10, u"PRIVATE"}}));
  EXPECT_TRUE(a == Entry({{2, u"Lunch"}, {3, u"APPOINTMENT"}, {0, u"20011231T120000Z"}, {11, u"x"}}));

  EXPECT_TRUE(a.IsSameEvent(Entry({{2, u"Lunch"}, {3, u"APPOINTMENT"}})));
  EXPECT_FALSE(a.IsSameEvent(Entry({{2, u"Lunch"}, {3, u"TODO"}})));
  EXPECT_FALSE(a.IsSameEvent(Entry({{2, u"Dinner"}, {3, u"APPOINTMENT"}})));
}

TEST(CalendarEntry, ToVCalendar) {
  EXPECT_EQ(Entry({{2, u"Lunch"}, {3, u"APPOINTMENT"}, {0, u"20011231T120000Z"}}).ToVCalendar(),
            u"BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:APPOINTMENT\r\n"
            u"DTSTART:20011231T120000Z\r\nEND:VEVENT\r\n");
  EXPECT_EQ(Entry({{3, u"TODO"}, {2, u"Call"}}).ToVCalendar(),
            u"BEGIN:VTODO\r\nX-EPOCAGENDAENTRYTYPE:TODO\r\nDESCRIPTION:Call\r\nEND:VTODO\r\n");
  EXPECT_EQ(CCalendarEntry().ToVCalendar(), u"BEGIN:VEVENT\r\nEND:VEVENT\r\n");

  // A field without a property text would write its value as a line of its own.
  CCalendarEntry entry = Entry({{2, u"Lunch"}});
  CCalendarField bare;
  bare.SetValue(u"UID:forged");
  entry.AddField(bare);
  EXPECT_EQ(entry.ToVCalendar(), u"BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nEND:VEVENT\r\n");
}

TEST(CalendarEntry, LineBreakInValueCannotAddAProperty) {
  CCalendarEntry entry;
  entry.AddField(CCalendarField(2, u"DESCRIPTION:", u"Lunch\nUID:forged\rCLASS:PUBLIC"));
  entry.AddField(Field(3, u"APPOINTMENT"));
  const std::u16string text = entry.ToVCalendar();
  EXPECT_EQ(text.find(u"\r\nUID:"), std::u16string::npos);
  CCalendarEntry back;
  ASSERT_TRUE(back.ParseVCalendar(text));
  EXPECT_EQ(back.GetFieldOfType(6), nullptr);
  EXPECT_EQ(back.GetFieldOfType(10), nullptr);
  EXPECT_EQ(back.GetFieldOfType(2)->GetValue(), u"Lunch UID:forged CLASS:PUBLIC");
}

struct ParseCase {
  const char* name;
  const char16_t* text;
  bool result;
  int count;
  std::int32_t type;      // a type to look at afterwards
  const char16_t* value;  // its value, null when the type must be absent
};
const ParseCase kParseCases[] = {
    {"event", u"BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:APPOINTMENT\r\nEND:VEVENT\r\n",
     true, 2, 3, u"APPOINTMENT"},
    {"inside a calendar",
     u"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VTODO\r\nDESCRIPTION:Call\r\nX-EPOCAGENDAENTRYTYPE:TODO\r\n"
     u"PRIORITY:1\r\nEND:VTODO\r\nEND:VCALENDAR\r\n",
     true, 3, 9, u"1"},
    {"no begin", u"DESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:APPOINTMENT\r\nEND:VEVENT\r\n", false, 0, 2,
     nullptr},
    {"no end", u"BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:APPOINTMENT\r\n", false, 0, 2,
     nullptr},
    {"other end", u"BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:A\r\nEND:VTODO\r\n", false, 0,
     2, nullptr},
    {"begin not at a line start",
     u"X-BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:A\r\nEND:VEVENT\r\n", false, 0, 2,
     nullptr},
    {"no description", u"BEGIN:VEVENT\r\nX-EPOCAGENDAENTRYTYPE:APPOINTMENT\r\nEND:VEVENT\r\n", false, 0, 3,
     nullptr},
    {"to-do without entry type keeps what it read",
     u"BEGIN:VTODO\r\nDESCRIPTION:Call\r\nDTSTART:20011231T120000Z\r\nDTEND:20011231T130000Z\r\nEND:"
     u"VTODO\r\n",
     false, 3, 1, u"20011231T130000Z"},
    {"UID inside a description is not the UID",
     u"BEGIN:VEVENT\r\nDESCRIPTION:see UID:123\r\nX-EPOCAGENDAENTRYTYPE:A\r\nEND:VEVENT\r\n", true, 2, 6,
     nullptr},
    {"entry type inside a description is not the entry type",
     u"BEGIN:VEVENT\r\nDESCRIPTION:X-EPOCAGENDAENTRYTYPE:A\r\nEND:VEVENT\r\n", false, 1, 2,
     u"X-EPOCAGENDAENTRYTYPE:A"},
    {"alarm stops at the line end",
     u"BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:A\r\nAALARM;TYPE=X-EPOCSOUND:"
     u"20011231T110000Z\r\n"
     u"UID:a;b\r\nEND:VEVENT\r\n",
     true, 4, 5, u"20011231T110000Z"},
    {"alarm stops at its first separator",
     u"BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:A\r\nAALARM;TYPE=X-EPOCSOUND:"
     u"20011231T110000Z;;0;"
     u"\r\nEND:VEVENT\r\n",
     true, 3, 5, u"20011231T110000Z"},
    {"class is read",
     u"BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:A\r\nCLASS:PRIVATE\r\nEND:VEVENT\r\n", true,
     3, 10, u"PRIVATE"},
    {"only the first entry is read",
     u"BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:A\r\nEND:VEVENT\r\n"
     u"BEGIN:VEVENT\r\nDESCRIPTION:Dinner\r\nX-EPOCAGENDAENTRYTYPE:A\r\nUID:7\r\nEND:VEVENT\r\n",
     true, 2, 6, nullptr},
    {"last property line without line end",
     u"BEGIN:VEVENT\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:A\r\nEND:VEVENT\r\nUID:7", true, 2, 6,
     nullptr},
    {"utf-8 description read through code page 1252",
     u"BEGIN:VEVENT\r\nDESCRIPTION;CHARSET=UTF-8:Caf\u00c3\u00a9 "
     u"\u00e2\u201a\u00ac\r\nX-EPOCAGENDAENTRYTYPE:A\r\n"
     u"END:VEVENT\r\n",
     true, 2, 2, u"Caf\u00e9 \u20ac"},
    {"plain description comes first",
     u"BEGIN:VEVENT\r\nDESCRIPTION;CHARSET=UTF-8:x\r\nDESCRIPTION:Lunch\r\nX-EPOCAGENDAENTRYTYPE:A\r\nEND:"
     u"VEVENT\r\n",
     true, 2, 2, u"Lunch"},
    {"empty", u"", false, 0, 2, nullptr},
};

TEST(CalendarEntry, ParseVCalendar) {
  for (const auto& c : kParseCases) {
    CCalendarEntry entry = Entry({{7, u"left over"}});
    EXPECT_EQ(entry.ParseVCalendar(c.text), c.result) << c.name;
    EXPECT_EQ(entry.GetCount(), c.count) << c.name;
    const CCalendarField* field = entry.GetFieldOfType(c.type);
    if (c.value) {
      ASSERT_NE(field, nullptr) << c.name;
      EXPECT_EQ(field->GetValue(), c.value) << c.name;
    } else {
      EXPECT_EQ(field, nullptr) << c.name;
    }
    EXPECT_EQ(entry.GetFieldOfType(7), nullptr) << c.name;  // cleared first
  }
}

std::string LatinOnly(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) bytes += c <= 0xFF ? static_cast<char>(c) : '#';
  return bytes;
}

TEST(CalendarEntry, Utf8DescriptionUsesTheInstalledCodePage) {
  orvel::SetAnsiEncoder(&LatinOnly);
  CCalendarEntry entry;
  const bool parsed = entry.ParseVCalendar(
      u"BEGIN:VEVENT\r\nDESCRIPTION;CHARSET=UTF-8:Caf\u00c3\u00a9\u201a\r\nX-EPOCAGENDAENTRYTYPE:A\r\nEND:"
      u"VEVENT\r\n");
  orvel::SetAnsiEncoder(nullptr);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(entry.GetFieldOfType(2)->GetValue(), u"Caf\u00e9#");
  EXPECT_EQ(orvel::Cp1252Bytes(u"\u20ac\u0081\u4e2d\U0001F600"), "\x80\x81??");  // the portable default
}

CCalendarField TimeField(std::int32_t type, std::time_t time) {
  CCalendarField field;
  field.SetType(type);
  EXPECT_TRUE(field.FormatCalendarTime(time));
  return field;
}

TEST(CalendarEntry, RoundTrip) {
  std::vector<CCalendarEntry> entries;
  entries.push_back(Entry({{2, u"Lunch"}, {3, u"APPOINTMENT"}}));
  entries.push_back(Entry({{0, u"20011231T120000Z"},
                           {1, u"20011231T130000Z"},
                           {2, u"Every field; with = and : in it"},
                           {3, u"APPOINTMENT"},
                           {4, u"W1 MO TU 20020131T120000Z"},
                           {5, u"20011231T114500Z"},
                           {6, u"UID-42"},
                           {7, u"Work"},
                           {8, u"20011231T170000Z"},
                           {9, u"2"},
                           {10, u"PRIVATE"}}));
  entries.push_back(
      Entry({{3, u"TODO"}, {2, u"Call \u00e9\u4e2d back"}, {8, u"20020101T090000Z"}, {10, u"PUBLIC"}}));
  entries.push_back(Entry({{2, u"With line\r\nbreak"}, {3, u"ANNIVERSARY"}, {4, u"YM1 6 #0"}}));
  // Starts in winter and ends in summer time.
  CCalendarEntry across;
  across.AddField(Field(2, u"Course"));
  across.AddField(Field(3, u"EVENT"));
  across.AddField(TimeField(0, 1673775000));
  across.AddField(TimeField(1, 1689409800));
  entries.push_back(across);

  for (const auto& entry : entries) {
    const std::u16string text = entry.ToVCalendar();
    CCalendarEntry back;
    ASSERT_TRUE(back.ParseVCalendar(text)) << AsUtf8(text);
    EXPECT_TRUE(back == entry) << AsUtf8(text);
    EXPECT_EQ(back.ToVCalendar().size(), text.size()) << AsUtf8(text);
  }

  CCalendarEntry back;
  ASSERT_TRUE(back.ParseVCalendar(across.ToVCalendar()));
  std::time_t start = 0, end = 0;
  ASSERT_TRUE(back.GetFieldOfType(0)->ParseCalendarTime(start));
  ASSERT_TRUE(back.GetFieldOfType(1)->ParseCalendarTime(end));
  EXPECT_EQ(start, 1673775000);
  EXPECT_EQ(end, 1689409800);
}

TEST(CalendarEntry, Dump) {
  std::u16string out = u"> ";
  Entry({{2, u"Lunch"}, {6, u"7"}}).Dump(out);
  EXPECT_EQ(out, u"> [vCard]  DESCRIPTION: : Lunch\r\n[!UNKNOWN!]  UID: : 7\r\n");
}

}  // namespace
