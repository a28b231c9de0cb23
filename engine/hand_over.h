// A hand-over of one result from the thread that produces it to the one thread that waits for it.
// Each round has its own number and its own signal: a result given for a round that is over (taken,
// abandoned or followed by a newer one) is dropped, so a late answer can never be read as the
// answer to a later question.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <optional>

#include "support/win/handle.h"

namespace orvel::engine {

struct HandOverResult {
  uint32_t word = 0;
  uint32_t second = 0;
};

class CHandOver {
 public:
  CHandOver();
  CHandOver(const CHandOver&) = delete;
  CHandOver& operator=(const CHandOver&) = delete;

  bool Valid() const { return static_cast<bool>(m_event); }

  // Starts a new round; a round still open is abandoned. Gives the round's number.
  uint32_t Open();
  // Gives the result of round; false (and nothing given) when round is not the open round or its
  // result was already given.
  bool Give(uint32_t round, HandOverResult result);
  // Gives the result of whatever round is open; false when none waits for one.
  bool GiveOpen(HandOverResult result);
  // Ends round without a result.
  void Abandon(uint32_t round);
  // Waits for round's result. It ends without a value when stop (may be null) is signalled first;
  // the round is then abandoned. With serveSent the wait also serves messages that other threads
  // send to this thread's windows, so that such a sender is never blocked by this wait; posted
  // messages stay queued.
  std::optional<HandOverResult> Wait(uint32_t round, HANDLE stop, bool serveSent);

 private:
  enum class RoundState { Waiting, Given, Over };
  // Takes round's result when it was given; Over when the round ended without one.
  RoundState Take(uint32_t round, HandOverResult& result);

  std::mutex m_lock;
  uint32_t m_round = 0;
  bool m_open = false;
  bool m_given = false;
  HandOverResult m_result;
  // Manual reset: set when the open round's result is given, reset when a round opens.
  win::UniqueKernelHandle m_event;
};

}  // namespace orvel::engine
