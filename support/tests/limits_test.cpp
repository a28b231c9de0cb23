#include "support/limits.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

constexpr LimitEntry kEntries[] = {{"Idle", 10000}, {"Poll", 1000}, {"Retry", 100}};

TEST(LimitTable, BuiltInValuesUntilOverridden) {
  CLimitTable table("Vantrel", kEntries);
  ASSERT_EQ(table.Size(), 3u);
  EXPECT_EQ(table.Milliseconds(0), 10000u);
  EXPECT_EQ(table.Milliseconds(2), 100u);
  EXPECT_EQ(table.Name(1), "Poll");
}

struct OverrideCase {
  const char* text;
  uint32_t idle, poll, retry;
  const char* ignored;
};
const OverrideCase kOverrideCases[] = {
    {"Vantrel.Idle=1500,Vantrel.Poll=200", 1500, 200, 100, ""},
    {" vantrel . idle = 7 , VANTREL.POLL=0", 7, 0, 100, ""},
    // Other deliverables' entries and entries without a deliverable belong to nobody here.
    {"Tessmark.Idle=5,Idle=6,Vantrelix.Poll=1", 10000, 1000, 100, ""},
    {"Vantrel.Bogus=5,Vantrel.Poll=x,Vantrel.Retry,Vantrel.Idle=20", 20, 1000, 100,
     "Vantrel.Bogus=5,Vantrel.Poll=x,Vantrel.Retry"},
    {"Vantrel.Idle=999999999", 10000, 1000, 100, "Vantrel.Idle=999999999"},  // no wrap-around
    {"Vantrel.Idle=-1", 10000, 1000, 100, "Vantrel.Idle=-1"},
    {"", 10000, 1000, 100, ""},
    {",,Vantrel.Retry=3,", 10000, 1000, 3, ""},
};

TEST(LimitTable, Overrides) {
  for (const OverrideCase& c : kOverrideCases) {
    CLimitTable table("Vantrel", kEntries);
    EXPECT_EQ(table.Apply(c.text), c.ignored) << c.text;
    EXPECT_EQ(table.Milliseconds(0), c.idle) << c.text;
    EXPECT_EQ(table.Milliseconds(1), c.poll) << c.text;
    EXPECT_EQ(table.Milliseconds(2), c.retry) << c.text;
  }
}

TEST(LimitTable, ResetRestoresTheBuiltInValues) {
  CLimitTable table("Tessmark", kEntries);
  table.Apply("Tessmark.Idle=1,Tessmark.Retry=2");
  table.Reset();
  EXPECT_EQ(table.Milliseconds(0), 10000u);
  EXPECT_EQ(table.Milliseconds(2), 100u);
}

}  // namespace
}  // namespace orvel
