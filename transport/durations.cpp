#include "transport/durations.h"

#include "support/win/limits.h"

namespace orvel::tessmark {

DWORD Milliseconds(Duration id) {
  // Made once, on whichever thread asks first.
  static const CLimitTable table = [] {
    CLimitTable loaded(kLimitsDeliverable, kDurations);
    loaded.Apply(win::LimitsOverrideText());
    return loaded;
  }();
  return table.Milliseconds(static_cast<size_t>(id));
}

}  // namespace orvel::tessmark
