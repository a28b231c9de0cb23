#include "ui/lists/list_sort.h"

#include <cstdlib>
#include <limits>
#include <string>

#include "support/u16text.h"

namespace orvel::ui {
namespace {

// Lower case for ASCII and the Latin-1 letters, which is what bookmark and file names hold.
char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  return c;
}

int CompareUnits(std::u16string_view a, std::u16string_view b, bool noCase) {
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    const char16_t x = noCase ? FoldCase(a[i]) : a[i];
    const char16_t y = noCase ? FoldCase(b[i]) : b[i];
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int Sign(int64_t value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

size_t SkipBlanks(std::u16string_view text) {
  size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at;
}

}  // namespace

int64_t TextToInteger(std::u16string_view text) {
  size_t at = SkipBlanks(text);
  bool negative = false;
  if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) negative = text[at++] == u'-';
  int64_t value = 0;
  constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int>::max()) + 1;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
    value = value * 10 + (text[at] - u'0');
    if (value > kLimit) value = kLimit;
  }
  value = negative ? -value : value;
  if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
  return value;
}

double TextToNumber(std::u16string_view text) {
  // strtod reads only ASCII; any other unit ends the number just as an unknown character would.
  std::string ascii;
  ascii.reserve(text.size());
  for (char16_t c : text) {
    if (c == 0 || c > 0x7F) break;
    ascii.push_back(static_cast<char>(c));
  }
  return std::strtod(ascii.c_str(), nullptr);
}

int CompareSortTexts(std::u16string_view first, std::u16string_view second, uint8_t type, bool ascending,
                     const DateParser& parseDate) {
  const int direction = ascending ? 1 : -1;
  switch (type) {
    case kSortText:
      return CompareUnits(first, second, false) * direction;
    case kSortTextNoCase:
      return CompareUnits(first, second, true) * direction;
    case kSortInteger:
      return Sign(TextToInteger(first) - TextToInteger(second)) * direction;
    case kSortDateTime:
    case kSortDateTimeList: {
      if (!parseDate) return 0;
      const std::optional<double> a = parseDate(first);
      const std::optional<double> b = parseDate(second);
      if (!a || !b) return 0;
      return (*a < *b ? -1 : 1) * direction;
    }
    case kSortNumber:
      return (TextToNumber(second) <= TextToNumber(first) ? 1 : -1) * direction;
    default:
      return 0;
  }
}

bool CColumnSortTypes::Set(const uint8_t* types, size_t count) {
  m_types.clear();
  if (!types && count) return false;
  for (size_t i = 0; i < count; ++i) {
    if (types[i] > kMaxSortType) return false;
  }
  m_types.assign(types, types + count);
  return true;
}

uint8_t CColumnSortTypes::Of(int column) const {
  return column >= 0 && static_cast<size_t>(column) < m_types.size() ? m_types[static_cast<size_t>(column)]
                                                                     : static_cast<uint8_t>(kSortText);
}

bool NextSortAscending(int mode, int column, int currentColumn, bool currentAscending) {
  switch (mode) {
    case 1:
      return true;
    case 2:
      return false;
    default:
      return column == currentColumn ? !currentAscending : true;
  }
}

}  // namespace orvel::ui

namespace orvel::ui {

int DividerToAutoSize(const std::vector<int>& rightEdges, int x) {
  int nearest = -1;
  int distance = std::numeric_limits<int>::max();
  for (size_t i = rightEdges.size(); i-- > 0;) {
    const int d = std::abs(rightEdges[i] - x);
    if (d < distance) {
      distance = d;
      nearest = static_cast<int>(i);
    }
  }
  return distance < 8 ? nearest : -1;
}

int DropColumnAt(const std::vector<int>& widths, int x) {
  if (widths.empty()) return -1;
  int left = 0;
  for (size_t i = 0; i < widths.size(); ++i) {
    if (x < left + widths[i]) return static_cast<int>(i);
    left += widths[i];
  }
  return static_cast<int>(widths.size());
}

}  // namespace orvel::ui
