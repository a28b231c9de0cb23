#include "progress/durations.h"

namespace orvel::vantrelix {

namespace {

struct DurationEntry {
  Duration duration;
  DWORD ms;
};

constexpr DurationEntry kDurations[] = {
    {Duration::AnswerLoopStart, 10000},
    {Duration::AfterLoopStart, 100},
};

DWORD ReadPercent() {
  wchar_t text[16] = {};
  DWORD n = ::GetEnvironmentVariableW(L"VANTRELIX_DURATION_PERCENT", text, 16);
  if (n == 0 || n >= 16) return 100;
  DWORD percent = 0;
  for (const wchar_t* p = text; *p; ++p) {
    if (*p < L'0' || *p > L'9') return 100;
    percent = percent * 10 + static_cast<DWORD>(*p - L'0');
    if (percent > 100) return 100;
  }
  return percent == 0 ? 100 : percent;
}

}  // namespace

DWORD DurationMs(Duration duration) {
  static const DWORD percent = ReadPercent();
  for (const DurationEntry& entry : kDurations) {
    if (entry.duration == duration) return entry.ms * percent / 100;
  }
  return 0;
}

}  // namespace orvel::vantrelix
