#include "engine/hand_over.h"

namespace orvel::engine {

CHandOver::CHandOver() : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

uint32_t CHandOver::Open() {
  std::lock_guard<std::mutex> guard(m_lock);
  ++m_round;
  if (m_round == 0) ++m_round;  // 0 is never a round
  m_open = true;
  m_given = false;
  m_result = {};
  ::ResetEvent(m_event.get());
  return m_round;
}

bool CHandOver::Give(uint32_t round, HandOverResult result) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_open || m_given || round != m_round) return false;
  m_result = result;
  m_given = true;
  ::SetEvent(m_event.get());
  return true;
}

bool CHandOver::GiveOpen(HandOverResult result) {
  uint32_t round;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    round = m_round;
  }
  return Give(round, result);
}

void CHandOver::Abandon(uint32_t round) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (round == m_round) m_open = false;
}

CHandOver::RoundState CHandOver::Take(uint32_t round, HandOverResult& result) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (round != m_round || !m_open) return RoundState::Over;
  if (!m_given) return RoundState::Waiting;
  m_open = false;
  result = m_result;
  return RoundState::Given;
}

std::optional<HandOverResult> CHandOver::Wait(uint32_t round, HANDLE stop, bool serveSent) {
  HANDLE handles[2] = {m_event.get(), stop};
  DWORD count = stop ? 2 : 1;
  HandOverResult result;
  for (;;) {
    DWORD woken = serveSent ? ::MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_SENDMESSAGE)
                            : ::WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0 + count && serveSent) {
      // Serves the sent messages only; PM_NOREMOVE leaves every posted one where it is.
      MSG message;
      ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      continue;
    }
    RoundState state = Take(round, result);
    if (state == RoundState::Given) return result;
    if (state == RoundState::Over) return std::nullopt;
    // Still waiting: only the stop handle or a failed wait ends the round here.
    if (woken != WAIT_OBJECT_0) {
      Abandon(round);
      return std::nullopt;
    }
  }
}

}  // namespace orvel::engine
