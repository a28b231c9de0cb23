// The compare rule of the sortable lists: how two texts of one column compare under the column's
// sort type. Window-free, so that the list control and its tests share it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace orvel::ui {

// The sort types of a column.
enum SortType : uint8_t {
  kSortText = 0,  // exact, case-sensitive
  kSortTextNoCase = 1,
  kSortInteger = 2,
  kSortDateTime = 3,
  kSortNone = 4,    // every pair is equal
  kSortNumber = 5,  // floating point
  kSortDateTimeList = 6,
};
inline constexpr uint8_t kMaxSortType = 6;

// Turns a text into a date-time (days as a double), or nothing when it is none. The list control
// parses in the user's default locale; tests pass a parser of their own.
using DateParser = std::function<std::optional<double>(std::u16string_view)>;

// Negative when `first` goes before `second`. `ascending` false turns the order round. Types 3 and
// 6 compare as equal when either text is no date-time; equal numbers (5) and equal date-times (3,
// 6) give 1, so that equal rows are never reported as equal to the sort.
int CompareSortTexts(std::u16string_view first, std::u16string_view second, uint8_t type, bool ascending,
                     const DateParser& parseDate);

// The integer of a text as the C library's atoi reads it: blanks, a sign, digits up to the first
// other character; 0 when there are none. Out-of-range values stop at the int limits.
int64_t TextToInteger(std::u16string_view text);
// The floating-point number of a text read as strtod reads it in the "C" locale; 0 when none.
double TextToNumber(std::u16string_view text);

// The sort parameter handed to the list's compare callback: the direction (1 ascending, 0
// descending) in the low byte, the column's sort type in the second.
inline intptr_t SortParameter(bool ascending, uint8_t type) {
  return static_cast<intptr_t>((ascending ? 1 : 0) | (static_cast<unsigned>(type) << 8));
}
inline bool SortAscending(intptr_t parameter) { return (parameter & 0xFF) != 0; }
inline uint8_t SortTypeOf(intptr_t parameter) { return static_cast<uint8_t>((parameter >> 8) & 0xFF); }

// The column sort types of a list: all values must be at most 6; otherwise the types are cleared
// and the call fails.
class CColumnSortTypes {
 public:
  bool Set(const uint8_t* types, size_t count);
  // Type 0 for a column without one (or when none are set).
  uint8_t Of(int column) const;
  size_t Count() const { return m_types.size(); }

 private:
  std::vector<uint8_t> m_types;
};

// The direction of a sort: mode 1 ascending, 2 descending, 0 toggles when the column is the one
// sorted last and is ascending otherwise.
bool NextSortAscending(int mode, int column, int currentColumn, bool currentAscending);

}  // namespace orvel::ui

namespace orvel::ui {

// The header's divider double click: the column whose right edge (header coordinates, columns in
// order) lies nearest to x, searching from the last column; -1 when that edge is 8 pixels or more
// away.
int DividerToAutoSize(const std::vector<int>& rightEdges, int x);

// A column drag: the column under x given the widths noted at the start (the column count, the
// place after the last, when x lies beyond them; 0 left of the first); and whether dropping there moves the
// source column (not onto itself or just right of itself).
int DropColumnAt(const std::vector<int>& widths, int x);
inline bool DropMovesColumn(int source, int target) { return target != source && target != source + 1; }

}  // namespace orvel::ui
