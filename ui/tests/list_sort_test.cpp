// The list's compare rule for every sort type, the sort types of the columns, the direction of a
// sort, and the header's divider and drop rules.
#include "ui/lists/list_sort.h"

#include <gtest/gtest.h>

#include <string>

#include "support/u16text.h"

using namespace orvel;
using namespace orvel::ui;

namespace {

// Dates as "yyyy-mm-dd hh:mm" in the tests; anything else is no date.
std::optional<double> TestDate(std::u16string_view text) {
  if (text.size() != 16 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' || text[13] != u':') {
    return std::nullopt;
  }
  auto number = [&](size_t at, size_t length) {
    double value = 0;
    for (size_t i = at; i < at + length; ++i) value = value * 10 + (text[i] - u'0');
    return value;
  };
  return ((number(0, 4) * 12 + number(5, 2)) * 31 + number(8, 2)) * 1440 + number(11, 2) * 60 + number(14, 2);
}

struct CompareCase {
  uint8_t type;
  const char16_t* first;
  const char16_t* second;
  int ascending;  // the result when ascending; descending gives the negated result
};

const CompareCase kCompareCases[] = {
    {kSortText, u"10", u"9", -1},  // text: "1" comes before "9"
    {kSortText, u"abc", u"abc", 0},
    {kSortText, u"B", u"a", -1},  // case-sensitive: upper case first
    {kSortText, u"ab", u"abc", -1},
    {kSortTextNoCase, u"B", u"a", 1},
    {kSortTextNoCase, u"ABC", u"abc", 0},
    {kSortTextNoCase, u"\u00C9t\u00E9", u"\u00E9T\u00C9", 0},
    {kSortInteger, u"10", u"9", 1},  // numbers: 10 after 9
    {kSortInteger, u"-3", u"2", -1},
    {kSortInteger, u" 42x", u"42", 0},
    {kSortInteger, u"", u"0", 0},
    {kSortInteger, u"99999999999", u"-99999999999", 1},  // no wrap at the int limits
    {kSortDateTime, u"2024-01-02 10:00", u"2024-01-02 11:00", -1},
    {kSortDateTime, u"2025-01-01 00:00", u"2024-12-31 23:59", 1},
    {kSortDateTime, u"2024-01-02 10:00", u"2024-01-02 10:00", 1},  // equal times give 1
    {kSortDateTime, u"yesterday", u"2024-01-02 10:00", 0},
    {kSortDateTime, u"2024-01-02 10:00", u"", 0},
    {kSortNone, u"a", u"b", 0},
    {kSortNumber, u"1.5", u"1.25", 1},
    {kSortNumber, u"-2e3", u"1", -1},
    {kSortNumber, u"2.5", u"2.50", 1},  // equal numbers give 1
    {kSortDateTimeList, u"2024-01-02 10:00", u"2024-01-03 10:00", -1},
    {kSortDateTimeList, u"2024-01-03 10:00", u"2024-01-03 10:00", 1},
};

TEST(CompareSortTexts, EveryTypeBothDirections) {
  for (const auto& c : kCompareCases) {
    SCOPED_TRACE(std::to_string(c.type) + " " + AsUtf8(c.first) + " / " + AsUtf8(c.second));
    EXPECT_EQ(CompareSortTexts(c.first, c.second, c.type, true, &TestDate), c.ascending);
    EXPECT_EQ(CompareSortTexts(c.first, c.second, c.type, false, &TestDate), -c.ascending);
  }
}

TEST(CompareSortTexts, DatesWithoutAParserAreEqual) {
  EXPECT_EQ(CompareSortTexts(u"2024-01-02 10:00", u"2024-01-03 10:00", kSortDateTime, true, nullptr), 0);
}

TEST(SortParameter, CarriesDirectionAndType) {
  for (uint8_t type = 0; type <= kMaxSortType; ++type) {
    for (bool ascending : {true, false}) {
      const intptr_t parameter = SortParameter(ascending, type);
      EXPECT_EQ(SortTypeOf(parameter), type);
      EXPECT_EQ(SortAscending(parameter), ascending);
    }
  }
}

TEST(ColumnSortTypes, ASevenClearsTheTypesAndFails) {
  CColumnSortTypes types;
  const uint8_t good[] = {1, 2, 6};
  ASSERT_TRUE(types.Set(good, 3));
  EXPECT_EQ(types.Of(1), 2);
  EXPECT_EQ(types.Of(2), 6);
  EXPECT_EQ(types.Of(3), 0);  // a column without a type
  EXPECT_EQ(types.Of(-1), 0);
  const uint8_t bad[] = {1, 7};
  EXPECT_FALSE(types.Set(bad, 2));
  EXPECT_EQ(types.Count(), 0u);
  EXPECT_EQ(types.Of(0), 0);
}

struct DirectionCase {
  int mode, column, current;
  bool currentAscending, ascending;
};
const DirectionCase kDirectionCases[] = {
    {0, 0, -1, true, true},  // the first click sorts ascending
    {0, 0, 0, true, false},  // the second on the same column descending
    {0, 0, 0, false, true},  // and the third ascending again
    {0, 1, 0, false, true},  // another column starts ascending
    {1, 0, 0, true, true},  {1, 0, 0, false, true}, {2, 0, 0, true, false}, {2, 1, 0, true, false},
};

TEST(NextSortAscending, Table) {
  for (const auto& c : kDirectionCases) {
    EXPECT_EQ(NextSortAscending(c.mode, c.column, c.current, c.currentAscending), c.ascending)
        << c.mode << " " << c.column << " " << c.current;
  }
}

TEST(DividerToAutoSize, SevenPixelsAutoSizeEightDoNot) {
  const std::vector<int> rights = {100, 200, 300};
  EXPECT_EQ(DividerToAutoSize(rights, 207), 1);
  EXPECT_EQ(DividerToAutoSize(rights, 193), 1);
  EXPECT_EQ(DividerToAutoSize(rights, 208), -1);
  EXPECT_EQ(DividerToAutoSize(rights, 192), -1);
  EXPECT_EQ(DividerToAutoSize(rights, 300), 2);
  EXPECT_EQ(DividerToAutoSize({}, 5), -1);
  // Equal distances: the later column, found first from the end.
  EXPECT_EQ(DividerToAutoSize({10, 10}, 12), 1);
}

TEST(ColumnDrop, OwnPlaceAndJustRightDoNotMove) {
  const std::vector<int> widths = {100, 50, 80};
  EXPECT_EQ(DropColumnAt(widths, 0), 0);
  EXPECT_EQ(DropColumnAt(widths, 99), 0);
  EXPECT_EQ(DropColumnAt(widths, 100), 1);
  EXPECT_EQ(DropColumnAt(widths, 229), 2);
  EXPECT_EQ(DropColumnAt(widths, 230), 3);
  EXPECT_FALSE(DropMovesColumn(1, 1));
  EXPECT_FALSE(DropMovesColumn(1, 2));
  EXPECT_TRUE(DropMovesColumn(1, 0));
  EXPECT_TRUE(DropMovesColumn(1, 3));
}

}  // namespace
