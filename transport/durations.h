// Every time limit and pause of the transport module, in one table. Tests shorten them through the
// one override of all deliverables, ORVEL_LIMITS, with entries "Tessmark.<Name>=milliseconds"
// (support/limits.h); the module reads it once, when it first takes a duration.
#pragma once

#include <windows.h>

#include "support/limits.h"

namespace orvel::tessmark {

// In the order of kDurations.
enum class Duration {
  ResponseWait,         // the settings server's response, per wait
  DisconnectPause,      // before the EPOC Connect objects are released
  SimulationStart,      // debug mode: before the first progress
  SimulationCopyStep,   // debug mode: between copy progress reports
  SimulationApplyStep,  // debug mode: between apply progress reports
  SimulationRetry,      // debug mode: before a question is asked again
  SimulationElement,    // debug mode: between element progress reports
};

inline constexpr LimitEntry kDurations[] = {
    {"ResponseWait", 15000},     {"DisconnectPause", 200},    {"SimulationStart", 1000},
    {"SimulationCopyStep", 200}, {"SimulationApplyStep", 80}, {"SimulationRetry", 100},
    {"SimulationElement", 100},
};

// The module's name in the override's entries.
inline constexpr char kLimitsDeliverable[] = "Tessmark";

// The duration with the override applied.
DWORD Milliseconds(Duration id);

}  // namespace orvel::tessmark
