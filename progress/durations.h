// Every time limit of Vantrelix, in one table. Tests shorten them through the one override of all
// deliverables, ORVEL_LIMITS, with entries "Vantrelix.<Name>=milliseconds" (support/limits.h);
// the object reads it once, when it first takes a duration.
#pragma once

#include <windows.h>

namespace orvel::vantrelix {

enum class Duration {
  AnswerLoopStart,  // how long EndModalLoop waits for the question's modal loop to begin: 10000 ms
  AfterLoopStart,   // pause after that wait before the loop is ended: 100 ms
};

// The duration in milliseconds, after the override.
DWORD DurationMs(Duration duration);

}  // namespace orvel::vantrelix
