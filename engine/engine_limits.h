// Every time limit of the engine, in one table of named durations. Tests shorten them through the
// one override of all deliverables, ORVEL_LIMITS, with entries "Vantrel.<Name>=milliseconds"
// (support/limits.h); the engine reads it once at the start of the program.
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
  RelaySend,            // a relay window that takes longer to take a record counts as gone
  Count
};

// The engine's name in the override's entries.
inline constexpr char kLimitsDeliverable[] = "Vantrel";

std::chrono::milliseconds LimitDuration(Limit limit);
uint32_t LimitMilliseconds(Limit limit);
std::string_view LimitName(Limit limit);

// Applies an override text (the form of ORVEL_LIMITS) to the table; returns the engine's entries
// that were ignored ("" when none).
std::string ApplyLimitOverrides(std::string_view text);
// Restores the built-in values (tests).
void ResetLimits();

}  // namespace orvel::engine
