// Every time limit of Vantrelix, in one table.
//
// Test override: the environment variable VANTRELIX_DURATION_PERCENT (1 to 100), read once when
// the first duration is asked for, scales every duration to that percentage so that tests run the
// real waits quickly. Any other value or none leaves the durations as they are.
#pragma once

#include <windows.h>

namespace orvel::vantrelix {

enum class Duration {
  AnswerLoopStart,  // how long EndModalLoop waits for the question's modal loop to begin: 10000 ms
  AfterLoopStart,   // pause after that wait before the loop is ended: 100 ms
};

// The duration in milliseconds, after the test override.
DWORD DurationMs(Duration duration);

}  // namespace orvel::vantrelix
