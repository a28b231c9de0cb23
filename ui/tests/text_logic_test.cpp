// The about box's version text, the line breaks of the long-text dialog, its signature limit and
// the text of a loaded file.
#include "ui/dialogs/text_logic.h"

#include <gtest/gtest.h>

#include "settings/line_ends.h"
#include "support/u16text.h"

namespace orvel::ui {
namespace {

struct VersionCase {
  uint16_t fields[4];
  const char16_t* text;
};
const VersionCase kVersionCases[] = {
    {{1, 2, 3, 4}, u"12.34"}, {{0, 5, 1, 0}, u"5.10"},
    {{2, 0, 0, 1}, u"20.01"}, {{1, 0, 0, 1}, u"10.01"},
    {{0, 0, 0, 0}, u"0.00"},  {{0x0103, 0x0202, 0x0110, 12}, u"32.1612"},  // only the low bytes count
};

TEST(VersionText, Table) {
  for (const auto& c : kVersionCases) {
    const uint32_t high = (uint32_t{c.fields[0]} << 16) | c.fields[1];
    const uint32_t low = (uint32_t{c.fields[2]} << 16) | c.fields[3];
    EXPECT_EQ(VersionText(high, low), c.text) << AsUtf8(c.text);
  }
}

TEST(TextViewMode, Table) {
  EXPECT_EQ(TextViewModeOf(0).captionId, 476u);
  EXPECT_EQ(TextViewModeOf(0).limit, 500u);
  EXPECT_EQ(TextViewModeOf(0).helpContext, 140u);
  EXPECT_TRUE(TextViewModeOf(0).cutOnChange);
  for (uint16_t mode : {1, 2, 0xFFFF}) {
    EXPECT_EQ(TextViewModeOf(mode).captionId, 475u);
    EXPECT_EQ(TextViewModeOf(mode).limit, 10000u);
    EXPECT_EQ(TextViewModeOf(mode).helpContext, 131518u);
    EXPECT_FALSE(TextViewModeOf(mode).cutOnChange);
  }
}

struct BreakCase {
  const char16_t* text;
  const char16_t* lineFeeds;
  const char16_t* crLf;
  size_t length;
};
const BreakCase kBreakCases[] = {
    {u"a\r\nb", u"a\nb", u"a\r\nb", 3},
    {u"a\rb\rc", u"a\nb\nc", u"a\r\nb\r\nc", 5},  // lone CR
    {u"a\nb", u"a\nb", u"a\r\nb", 3},
    {u"\r\r\n\n", u"\n\n\n", u"\r\n\r\n\r\n", 3},
    {u"\n\r", u"\n\n", u"\r\n\r\n", 2},  // LF CR is two breaks
    {u"", u"", u"", 0},
};

TEST(LineBreaks, Table) {
  for (const auto& c : kBreakCases) {
    EXPECT_EQ(UnifyLineEnds(c.text), c.lineFeeds) << AsUtf8(c.text);
    EXPECT_EQ(NormalizeLineEnds(c.text), c.crLf) << AsUtf8(c.text);
    EXPECT_EQ(LineBreakLength(c.text), c.length) << AsUtf8(c.text);
  }
}

struct CutCase {
  const char* name;
  std::u16string text;
  size_t caret;
  size_t limit;
  std::u16string expected;
  size_t expectedCaret;
};

std::u16string Repeat(char16_t c, size_t count) { return std::u16string(count, c); }

const CutCase kCutCases[] = {
    {"within the limit", u"abc", 3, 3, u"abc", 3},
    {"typed at the end", u"abcd", 4, 3, u"abc", 3},
    {"typed in the middle", u"abXYcd", 4, 4, u"abcd", 2},
    {"a line break counts one", u"ab\r\ncd", 6, 5, u"ab\r\ncd", 6},
    {"a typed line break goes whole", u"abc\r\n", 5, 3, u"abc", 3},
    {"caret inside CR LF", u"ab\r\ncd", 3, 4, u"abcd", 2},
    {"caret too near the start", u"Xabcdef", 1, 3, u"abc", 0},
    {"caret at the start", u"abcdef", 0, 4, u"abcd", 0},
    {"tail line break goes whole", u"Xab\r\n", 1, 2, u"ab", 0},
    {"surrogate pair kept whole", u"ab\xD83D\xDE00", 4, 3, u"ab", 2},
    {"499 and a line break", Repeat(u'a', 499) + u"\r\n", 501, 500, Repeat(u'a', 499) + u"\r\n", 501},
    {"600 pasted at the start", Repeat(u'p', 600) + u"tail", 600, 500, Repeat(u'p', 496) + u"tail", 496},
};

TEST(CutToLimit, Table) {
  for (const auto& c : kCutCases) {
    std::u16string text = c.text;
    size_t caret = c.caret;
    const bool cut = CutToLimit(text, caret, c.limit);
    EXPECT_EQ(cut, text != c.text) << c.name;
    EXPECT_EQ(text, c.expected) << c.name;
    EXPECT_EQ(caret, c.expectedCaret) << c.name;
    EXPECT_LE(LineBreakLength(text), c.limit) << c.name;
  }
}

// Stands in for the system's ANSI code page: each byte is the character of that number (Latin-1).
std::u16string Latin1(std::string_view bytes) {
  std::u16string text;
  for (char b : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(b));
  return text;
}

std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST(LoadedFile, Utf16AndAnsiWithTheSameWordsGiveTheSameText) {
  const std::u16string words = u"Caf\u00e9 au lait\r\nsecond line\rthird\nend";
  const std::string ansi = "Caf\xE9 au lait\r\nsecond line\rthird\nend";
  const std::u16string expected = u"Caf\u00e9 au lait\r\nsecond line\r\nthird\r\nend";
  EXPECT_EQ(LoadedEditText(Utf16File(words), 1, Latin1), expected);
  EXPECT_EQ(LoadedEditText(ansi, 1, Latin1), expected);
}

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::u16string text;
};
const DecodeCase kDecodeCases[] = {
    {"mark only", std::string("\xFF\xFE"), u""},
    {"odd last byte dropped", std::string("\xFF\xFE\x41\x00\x42", 5), u"A"},
    {"big-endian mark is ANSI", std::string("\xFE\xFF\x00\x41", 4), std::u16string(u"\xFE\xFF\0A", 4)},
    {"empty", "", u""},
    {"one byte", "\xFF", u"\xFF"},
};

TEST(LoadedFile, DecodeTable) {
  for (const auto& c : kDecodeCases) EXPECT_EQ(DecodeTextFile(c.bytes, Latin1), c.text) << c.name;
}

TEST(LoadedFile, CutToTheModesLimitWithLineBreaksCountedOnce) {
  // 499 characters and one line break fit mode 0; one more character does not.
  const std::string fits = std::string(499, 'a') + "\r\n";
  EXPECT_EQ(LoadedEditText(fits, 0, Latin1), Repeat(u'a', 499) + u"\r\n");
  EXPECT_EQ(LoadedEditText(fits + "b", 0, Latin1), Repeat(u'a', 499) + u"\r\n");
  EXPECT_EQ(LoadedEditText(std::string(12000, 'x'), 1, Latin1), Repeat(u'x', 10000));
  EXPECT_EQ(LoadedEditText(std::string(12000, 'x'), 0, Latin1), Repeat(u'x', 500));
  // A surrogate pair across the limit goes whole.
  const std::u16string pair = Repeat(u'a', 499) + u"\xD83D\xDE00";
  EXPECT_EQ(LoadedEditText(Utf16File(pair), 0, Latin1), Repeat(u'a', 499));
}

}  // namespace
}  // namespace orvel::ui
