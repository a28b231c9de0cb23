#include "tls_emulation.h"

#include <cstring>
#include <map>
#include <new>

namespace ambrel {
namespace {

struct TlsEmulation {
  unsigned char slotInUse[kTlsEmulatedSlots] = {};
  std::map<DWORD, LPVOID*> threads;  // thread identifier -> its kTlsEmulatedSlots values
};

TlsEmulation* g_state = nullptr;
HANDLE g_lock = nullptr;  // created at first use, owned by its creator

// Holds the process-wide mutex for one operation; the mutex is re-entrant for its owner.
class LockGuard {
 public:
  LockGuard() {
    HANDLE lock = static_cast<HANDLE>(InterlockedCompareExchangePointer(&g_lock, nullptr, nullptr));
    if (!lock) {
      HANDLE created = CreateMutexA(nullptr, TRUE, nullptr);
      if (!created) return;
      HANDLE previous = InterlockedCompareExchangePointer(&g_lock, created, nullptr);
      if (!previous) {
        m_held = true;
        return;
      }
      CloseHandle(created);  // another thread made it first
      lock = previous;
    }
    m_held = WaitForSingleObject(lock, INFINITE) == WAIT_OBJECT_0;
  }
  ~LockGuard() {
    if (m_held) ReleaseMutex(g_lock);
  }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;
  bool held() const { return m_held; }

 private:
  bool m_held = false;
};

// The calling thread's values, registering the thread when it is new; null when memory is short.
LPVOID* ThreadValues() {
  DWORD id = GetCurrentThreadId();
  auto found = g_state->threads.find(id);
  if (found != g_state->threads.end()) return found->second;
  LPVOID* values = new (std::nothrow) LPVOID[kTlsEmulatedSlots]();
  if (!values) return nullptr;
  try {
    g_state->threads.emplace(id, values);
  } catch (...) {
    delete[] values;
    return nullptr;
  }
  return values;
}

void ClearSlot(DWORD slot) {
  for (auto& entry : g_state->threads) entry.second[slot] = nullptr;
}

bool SlotInUse(DWORD index) {
  DWORD slot = index - kTlsEmulatedBase;
  return slot < kTlsEmulatedSlots && g_state->slotInUse[slot];
}

}  // namespace

bool TlsEmuCreate() {
  LockGuard lock;
  if (!lock.held()) return false;
  if (!g_state) g_state = new (std::nothrow) TlsEmulation;
  return g_state != nullptr;
}

void TlsEmuDestroy() {
  LockGuard lock;
  if (!lock.held() || !g_state) return;
  for (auto& entry : g_state->threads) delete[] entry.second;
  delete g_state;
  g_state = nullptr;
}

BOOL TlsEmuThreadAttach() {
  LockGuard lock;
  if (!lock.held() || !g_state) return FALSE;
  if (g_state->threads.count(GetCurrentThreadId())) return FALSE;
  return ThreadValues() != nullptr;
}

BOOL TlsEmuThreadDetach() {
  LockGuard lock;
  if (!lock.held() || !g_state) return FALSE;
  auto found = g_state->threads.find(GetCurrentThreadId());
  if (found == g_state->threads.end()) return FALSE;
  delete[] found->second;
  g_state->threads.erase(found);
  return TRUE;
}

DWORD TlsEmuAlloc() {
  DWORD system = ::TlsAlloc();
  if (system < kTlsSystemKept) return system;
  if (system != TLS_OUT_OF_INDEXES) ::TlsFree(system);
  LockGuard lock;
  if (!lock.held() || !g_state) return TLS_OUT_OF_INDEXES;
  for (DWORD slot = 0; slot < kTlsEmulatedSlots; ++slot) {
    if (!g_state->slotInUse[slot]) {
      g_state->slotInUse[slot] = 1;
      ClearSlot(slot);
      return kTlsEmulatedBase + slot;
    }
  }
  return TLS_OUT_OF_INDEXES;
}

BOOL TlsEmuFree(DWORD index) {
  if (index < kTlsEmulatedBase) return ::TlsFree(index);
  LockGuard lock;
  if (!lock.held() || !g_state || !SlotInUse(index)) return FALSE;
  DWORD slot = index - kTlsEmulatedBase;
  g_state->slotInUse[slot] = 0;
  ClearSlot(slot);
  return TRUE;
}

LPVOID TlsEmuGetValue(DWORD index) {
  if (index < kTlsEmulatedBase) return ::TlsGetValue(index);
  LockGuard lock;
  if (!lock.held() || !g_state) return nullptr;
  LPVOID* values = ThreadValues();
  if (!SlotInUse(index)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!values) return nullptr;
  // As the system does: a stored null is told from a failure by a cleared last error.
  SetLastError(ERROR_SUCCESS);
  return values[index - kTlsEmulatedBase];
}

BOOL TlsEmuSetValue(DWORD index, LPVOID value) {
  if (index < kTlsEmulatedBase) return ::TlsSetValue(index, value);
  LockGuard lock;
  if (!lock.held() || !g_state) return FALSE;
  LPVOID* values = ThreadValues();
  if (!SlotInUse(index)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!values) return FALSE;
  values[index - kTlsEmulatedBase] = value;
  return TRUE;
}

}  // namespace ambrel
