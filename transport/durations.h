// Every time limit and pause of the transport module, in one table.
//
// Override: the environment variable TESSMARK_TIME_PERCENT (a whole number from 1 to 100) scales
// every duration to that percentage, never below 1 ms; tests set it to shorten the limits. It is
// read when a duration is taken, so it may be set before each operation.
#pragma once

#include <windows.h>

namespace orvel::tessmark {

enum class Duration {
  ResponseWait,         // the settings server's response, per wait
  DisconnectPause,      // before the EPOC Connect objects are released
  SimulationStart,      // debug mode: before the first progress
  SimulationCopyStep,   // debug mode: between copy progress reports
  SimulationApplyStep,  // debug mode: between apply progress reports
  SimulationRetry,      // debug mode: before a question is asked again
  SimulationElement,    // debug mode: between element progress reports
};

struct NamedDuration {
  Duration id;
  const char* name;
  DWORD milliseconds;
};

inline constexpr NamedDuration kDurations[] = {
    {Duration::ResponseWait, "response wait", 15000},
    {Duration::DisconnectPause, "disconnect pause", 200},
    {Duration::SimulationStart, "simulation start", 1000},
    {Duration::SimulationCopyStep, "simulation copy step", 200},
    {Duration::SimulationApplyStep, "simulation apply step", 80},
    {Duration::SimulationRetry, "simulation retry", 100},
    {Duration::SimulationElement, "simulation element step", 100},
};

inline constexpr wchar_t kTimePercentVariable[] = L"TESSMARK_TIME_PERCENT";

// The duration with the override applied.
DWORD Milliseconds(Duration id);

}  // namespace orvel::tessmark
