#include "support/u16text.h"

#include <gtest/gtest.h>

using orvel::AsUtf8;
using orvel::FromUtf8;

struct Utf8Case {
  std::u16string utf16;
  std::string utf8;
};
const Utf8Case kRoundTrips[] = {
    {u"", ""},
    {u"Settings", "Settings"},
    {u"\u00e9\u4e2d", "\xc3\xa9\xe4\xb8\xad"},
    {u"\U0001F600", "\xf0\x9f\x98\x80"},
};

TEST(Utf8, RoundTrips) {
  for (const auto& c : kRoundTrips) {
    EXPECT_EQ(AsUtf8(c.utf16), c.utf8);
    EXPECT_EQ(FromUtf8(c.utf8), c.utf16);
  }
}

TEST(Utf8, BadInputBecomesReplacementCharacter) {
  EXPECT_EQ(FromUtf8("a\xc3"), u"a\ufffd");        // truncated sequence at the end
  EXPECT_EQ(FromUtf8("\xff" "b"), u"\ufffd" "b");   // byte that starts nothing
  EXPECT_EQ(AsUtf8(std::u16string(1, u'\xd800')), "\xef\xbf\xbd");  // lone surrogate
}

TEST(AsciiCase, ComparesOnlyAsciiLettersWithoutCase) {
  EXPECT_TRUE(orvel::EqualsNoCase(u"RegServer", u"REGSERVER"));
  EXPECT_FALSE(orvel::EqualsNoCase(u"RegServer", u"RegServe"));
  EXPECT_EQ(orvel::AsciiLower(u"AbC\u00c9"), u"abc\u00c9");
}
