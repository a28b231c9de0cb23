#include "settings/line_ends.h"

#include <gtest/gtest.h>

#include "support/u16text.h"

namespace orvel {
namespace {

struct LineEndCase {
  const char16_t* text;
  const char16_t* lf;
  const char16_t* crlf;
};
const LineEndCase kLineEndCases[] = {
    {u"a\rb\nc\r\nd", u"a\nb\nc\nd", u"a\r\nb\r\nc\r\nd"},
    {u"", u"", u""},
    {u"\r\r\n\n", u"\n\n\n", u"\r\n\r\n\r\n"},  // CR, CR LF, LF: three line ends
    {u"\n\r", u"\n\n", u"\r\n\r\n"},            // LF CR is two
    {u"x\r", u"x\n", u"x\r\n"},
};

TEST(LineEnds, Table) {
  for (const auto& c : kLineEndCases) {
    EXPECT_EQ(UnifyLineEnds(c.text), c.lf) << AsUtf8(c.text);
    EXPECT_EQ(NormalizeLineEnds(c.text), c.crlf) << AsUtf8(c.text);
  }
}

}  // namespace
}  // namespace orvel
