#include "pim/calendar_time.h"

#include <gtest/gtest.h>

#include <cmath>

#include "pim/calendar.h"
#include "support/u16text.h"

using orvel::AsUtf8;
using orvel::AutomationDate;
using orvel::CCalendarField;

namespace {

CCalendarField FieldWith(std::u16string_view value) {
  CCalendarField field;
  field.SetType(0);
  field.SetValue(value);
  return field;
}

struct TextCase {
  const char16_t* text;
  bool valid;
};
const TextCase kTextCases[] = {
    {u"20011231T120000Z", true},   {u"20011231T120000", true},    // local form without the zone letter
    {u"20000229T000000Z", true},   {u"19000229T000000Z", false},  // not a leap year
    {u"20010230T000000Z", false},  {u"20011331T120000Z", false},
    {u"20010001T120000Z", false},  {u"20011200T120000Z", false},
    {u"20011231T240000Z", false},  {u"20011231T126000Z", false},
    {u"20011231T120060Z", false},  {u"20011231X120000Z", false},
    {u"2001-231T120000Z", false},  {u"20011231T12000", false},  // short: must not be read past its end
    {u"2001123", false},           {u"", false},
    {u"20011231T120000ZZ", false}, {u"20011231T120000z", false},
};

TEST(DateTimeText, Reading) {
  for (const auto& c : kTextCases) {
    EXPECT_EQ(orvel::ReadDateTimeText(c.text).has_value(), c.valid) << AsUtf8(c.text);
  }
}

// Local time in the pinned zone: one hour ahead of UTC in winter, two in summer. A calendar time is
// written as local time, without the 'Z'; the same time in UTC, with it, reads back to it too.
struct CalendarTimeCase {
  std::time_t time;
  const char16_t* text;
  const char16_t* utc;
};
const CalendarTimeCase kCalendarTimes[] = {
    {1009796400, u"20011231T120000", u"20011231T110000Z"},  // winter
    {1673775000, u"20230115T103000", u"20230115T093000Z"},
    {1689409800, u"20230715T103000", u"20230715T083000Z"},  // summer
    {2145913199, u"20371231T235959", u"20371231T225959Z"},  // last second of the local form
    {3600, u"19700101T020000", u"19700101T010000Z"},
    {0, u"19700101T010000", u"19700101T000000Z"},
};

TEST(CalendarTime, FormatAndParse) {
  for (const auto& c : kCalendarTimes) {
    CCalendarField field = FieldWith(u"");
    ASSERT_TRUE(field.FormatCalendarTime(c.time)) << c.time;
    EXPECT_EQ(field.GetValue(), c.text);
    for (const char16_t* text : {c.text, c.utc}) {
      std::time_t back = 0;
      ASSERT_TRUE(FieldWith(text).ParseCalendarTime(back)) << AsUtf8(text);
      EXPECT_EQ(back, c.time) << AsUtf8(text);
    }
  }
}

struct CappedCase {
  const char16_t* text;
  const char16_t* same_as;
};
const CappedCase kCappedYears[] = {
    {u"20501231T000000", u"20371231T000000"},
    {u"20380119T031408", u"20370119T031408"},
    {u"99991231T235959Z", u"20371231T235959Z"},  // in UTC too
    {u"20400229T120000", u"20370228T120000"},    // no 29 February in 2037
};

TEST(CalendarTime, YearIsCappedAt2037) {
  for (const auto& c : kCappedYears) {
    std::time_t capped = 0, expected = 0;
    ASSERT_TRUE(FieldWith(c.text).ParseCalendarTime(capped)) << AsUtf8(c.text);
    ASSERT_TRUE(FieldWith(c.same_as).ParseCalendarTime(expected)) << AsUtf8(c.same_as);
    EXPECT_EQ(capped, expected) << AsUtf8(c.text);
  }
  std::time_t time = 0;
  ASSERT_TRUE(FieldWith(u"20501231T000000").ParseCalendarTime(time));
  EXPECT_EQ(time, 2145826800);  // 31 December 2037, 00:00 local
  ASSERT_TRUE(FieldWith(u"20501231T000000Z").ParseCalendarTime(time));
  EXPECT_EQ(time, 2145830400);  // and in UTC
}

TEST(CalendarTime, RefusesWhatItCannotConvert) {
  std::time_t time = 42;
  EXPECT_FALSE(FieldWith(u"19691231T235959Z").ParseCalendarTime(time));
  EXPECT_FALSE(FieldWith(u"20011231T1200").ParseCalendarTime(time));
  EXPECT_FALSE(FieldWith(u"20011331T120000Z").ParseCalendarTime(time));
  EXPECT_EQ(time, 42);

  CCalendarField field = FieldWith(u"kept");
  EXPECT_FALSE(field.FormatCalendarTime(std::time_t{-1}));
  EXPECT_EQ(field.GetValue(), u"kept");
}

struct AutomationCase {
  double date;
  const char16_t* text;
};
const AutomationCase kAutomationDates[] = {
    {37256.5, u"20011231T120000"},
    {0.0, u"18991230T000000"},
    {2.5, u"19000101T120000"},
    {-1.25, u"18991229T060000"},    // before the epoch the time of day still counts forward
    {55153.0, u"20501231T000000"},  // no cap in this form
    {-657434.0, u"01000101T000000"},
    {2958465.0 + 86399.0 / 86400.0, u"99991231T235959"},
};

TEST(AutomationDate, FormatAndParse) {
  for (const auto& c : kAutomationDates) {
    CCalendarField field = FieldWith(u"");
    ASSERT_TRUE(field.FormatCalendarTime(AutomationDate{c.date})) << c.date;
    EXPECT_EQ(field.GetValue(), c.text) << c.date;
    AutomationDate back{-99};
    ASSERT_TRUE(FieldWith(c.text).ParseCalendarTime(back)) << AsUtf8(c.text);
    EXPECT_NEAR(back.value, c.date, 1e-9) << AsUtf8(c.text);
  }
}

TEST(AutomationDate, UtcTextsReadAsLocalTime) {
  const std::pair<const char16_t*, double> cases[] = {
      {u"20011231T110000Z", 37256.5},                   // winter: one hour ahead
      {u"20230715T083000Z", 45122.4375},                // summer: two hours
      {u"20011231T233000Z", 37257.0 + 1800.0 / 86400},  // the next day in local time
  };
  for (const auto& [text, date] : cases) {
    AutomationDate back{-99};
    ASSERT_TRUE(FieldWith(text).ParseCalendarTime(back)) << AsUtf8(text);
    EXPECT_NEAR(back.value, date, 1e-9) << AsUtf8(text);
  }
  AutomationDate date{};
  EXPECT_FALSE(FieldWith(u"19000101T120000Z").ParseCalendarTime(date));  // no zone rules before 1970
}

TEST(AutomationDate, RoundsToTheSecondAcrossMidnight) {
  CCalendarField field = FieldWith(u"");
  ASSERT_TRUE(field.FormatCalendarTime(AutomationDate{37256.99999999}));
  EXPECT_EQ(field.GetValue(), u"20020101T000000");
  ASSERT_TRUE(field.FormatCalendarTime(AutomationDate{37256.0 + 43201.0 / 86400.0}));
  EXPECT_EQ(field.GetValue(), u"20011231T120001");
}

TEST(AutomationDate, RefusesOutOfRange) {
  CCalendarField field = FieldWith(u"kept");
  for (double date : {2958466.0, -657435.0, std::nan(""), static_cast<double>(INFINITY)}) {
    EXPECT_FALSE(field.FormatCalendarTime(AutomationDate{date})) << date;
  }
  EXPECT_EQ(field.GetValue(), u"kept");
  AutomationDate date{};
  EXPECT_FALSE(FieldWith(u"00991231T000000Z").ParseCalendarTime(date));
  EXPECT_FALSE(FieldWith(u"2001").ParseCalendarTime(date));
}

}  // namespace
