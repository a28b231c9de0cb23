#include "transport/durations.h"

#include <cwchar>

namespace orvel::tessmark {

namespace {

DWORD Percent() {
  wchar_t value[16] = {};
  DWORD n = ::GetEnvironmentVariableW(kTimePercentVariable, value, 16);
  if (n == 0 || n >= 16) return 100;
  wchar_t* end = nullptr;
  unsigned long percent = std::wcstoul(value, &end, 10);
  if (end == value || *end != L'\0' || percent < 1 || percent > 100) return 100;
  return static_cast<DWORD>(percent);
}

}  // namespace

DWORD Milliseconds(Duration id) {
  for (const NamedDuration& d : kDurations) {
    if (d.id != id) continue;
    DWORD scaled = static_cast<DWORD>(static_cast<unsigned long long>(d.milliseconds) * Percent() / 100);
    return scaled ? scaled : 1;
  }
  return 0;
}

}  // namespace orvel::tessmark
