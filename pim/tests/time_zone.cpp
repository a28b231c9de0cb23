// Pins the local time zone of the test process to Central European Time, so that times that cross
// a daylight-saving change convert the same way on every machine. The Windows runtime knows only
// the zone names and applies its own change dates; the tests use dates far from any change date.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

class PinnedTimeZone : public testing::Environment {
 public:
  void SetUp() override {
#if defined(_WIN32)
    _putenv("TZ=CET-1CEST");
    _tzset();
#else
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
#endif
  }
};

testing::Environment* const kPinnedTimeZone = testing::AddGlobalTestEnvironment(new PinnedTimeZone);

}  // namespace
