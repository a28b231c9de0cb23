#include "progress/durations.h"

#include "support/limits.h"
#include "support/win/limits.h"

namespace orvel::vantrelix {

namespace {

// In the order of Duration.
constexpr LimitEntry kDurations[] = {
    {"AnswerLoopStart", 10000},
    {"AfterLoopStart", 100},
};

}  // namespace

DWORD DurationMs(Duration duration) {
  static const CLimitTable table = [] {
    CLimitTable loaded("Vantrelix", kDurations);
    loaded.Apply(win::LimitsOverrideText());
    return loaded;
  }();
  return table.Milliseconds(static_cast<size_t>(duration));
}

}  // namespace orvel::vantrelix
