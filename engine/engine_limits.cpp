#include "engine/engine_limits.h"

#include "support/limits.h"

namespace orvel::engine {

namespace {

// In the order of Limit.
constexpr LimitEntry kLimits[] = {
    {"IdleShutdown", 10000},    {"TearDownPause", 1000},        {"PollTimer", 1000},
    {"ClientGrace", 10000},     {"QuestionTimeout", 3600000},   {"TransferCancelGrace", 5000},
    {"TrustPrompt", 120000},    {"DeviceInfoRefresh", 3600000}, {"DeviceInfoRetry", 10000},
    {"ManagerStartPause", 100}, {"TrustRetry", 10000},          {"BackupConnectPause", 500},
    {"RestorePause", 100},      {"RelaySend", 10000},
};
static_assert(std::size(kLimits) == static_cast<size_t>(Limit::Count));

CLimitTable& Table() {
  static CLimitTable table(kLimitsDeliverable, kLimits);
  return table;
}

}  // namespace

uint32_t LimitMilliseconds(Limit limit) { return Table().Milliseconds(static_cast<size_t>(limit)); }

std::chrono::milliseconds LimitDuration(Limit limit) {
  return std::chrono::milliseconds(LimitMilliseconds(limit));
}

std::string_view LimitName(Limit limit) { return Table().Name(static_cast<size_t>(limit)); }

std::string ApplyLimitOverrides(std::string_view text) { return Table().Apply(text); }

void ResetLimits() { Table().Reset(); }

}  // namespace orvel::engine
