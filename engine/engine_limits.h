// Every time limit of the engine, in one table of named durations.
//
// Tests (and a person chasing a problem) shorten them through one override, the environment
// variable VANTREL_LIMITS, read once at the start of the program: a comma-separated list of
// name=milliseconds pairs with the names of the table, for example
//   VANTREL_LIMITS=IdleShutdown=1500,TearDownPause=50,ClientGrace=2000
// COM starts the engine with the environment of the client that activates it, so a test sets the
// variable in its own process. Names are compared without regard to case; an entry that names no
// limit or has no number is ignored as a whole and reported by ApplyLimitOverrides.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvel::engine {

enum class Limit {
  IdleShutdown,         // a whole idle period without activity ends the server
  TearDownPause,        // pause between revoking the class objects and ending COM
  PollTimer,            // period of the engine window's poll timer
  ClientGrace,          // life of a client record that has given no process
  QuestionTimeout,      // a question without an answer is refused
  TransferCancelGrace,  // a cancelled settings transfer is ended after this
  TrustPrompt,          // the trust prompt answers "no" after this
  DeviceInfoRefresh,    // next device-information refresh after a good one
  DeviceInfoRetry,      // next device-information refresh after a failed one
  ManagerStartPause,    // pause after starting the connectivity manager program
  TrustRetry,           // a client refused by the trust prompt is refused again without asking
  BackupConnectPause,   // pause after advising the worker's sink to the backup engine
  RestorePause,         // pause before each setting of the restore object
  Count
};

inline constexpr char kLimitsVariable[] = "VANTREL_LIMITS";

std::chrono::milliseconds LimitDuration(Limit limit);
uint32_t LimitMilliseconds(Limit limit);
std::string_view LimitName(Limit limit);

// Applies an override text to the table; returns the entries that were ignored ("" when none).
std::string ApplyLimitOverrides(std::string_view text);
// Reads VANTREL_LIMITS and applies it.
void LoadLimitOverrides();
// Restores the built-in values (tests).
void ResetLimits();

}  // namespace orvel::engine
