// The engine's hidden window: the poll timer, the private messages that bring work from other
// threads and outside objects onto the main thread, and the relay records of the progress relay.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/packet.h"
#include "progress/relay_record.h"
#include "support/win/message_window.h"

namespace orvel::engine {

inline constexpr UINT WM_ENGINE_POLL = WM_APP + 1;
inline constexpr UINT WM_ENGINE_DEVICEINFO = WM_APP + 2;
inline constexpr UINT WM_ENGINE_NOTIFY = WM_APP + 3;
inline constexpr UINT WM_ENGINE_MODULEEVENT = WM_APP + 4;
inline constexpr UINT WM_ENGINE_BACKUPEVENT = WM_APP + 5;
inline constexpr UINT WM_ENGINE_RESTORERELAY = WM_APP + 6;
inline constexpr UINT WM_ENGINE_COPYEVENT = WM_APP + 7;
inline constexpr UINT WM_ENGINE_COPYRELAY = WM_APP + 8;

// First items of WM_ENGINE_NOTIFY.
inline constexpr uint32_t kNotifyStateChanged = 1;
inline constexpr uint32_t kNotifyQuestion = 2;
inline constexpr uint32_t kNotifyDone = 3;

using relay::kEngineWindowName;
inline constexpr wchar_t kEngineWindowClass[] = L"VantrelEngineWnd";

class CEngineWnd : public win::CMessageWindow {
 public:
  // Creates the window "OrvelCorvansetWnd" and its poll timer; false when the window cannot be made.
  bool Create();

  int32_t BusyCount() const { return m_busy; }
  void EnterBusy() { ++m_busy; }
  void LeaveBusy() {
    if (m_busy > 0) --m_busy;
  }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The packets of the WM_ENGINE_* messages that carry one.
  void OnData(UINT message, std::unique_ptr<win::CPosted> data) override;

 private:
  LRESULT OnCopyData(WPARAM wParam, LPARAM lParam);

  int32_t m_busy = 0;
};

// The engine window's handle, for threads and objects that have no window object; null before the
// window exists and after it is gone.
HWND EngineWindow();
CEngineWnd* EngineWindowObject();

// Posts a private message to the engine window, without or with its packet; a packet that cannot
// be posted is freed.
bool PostEngineMessage(UINT message);
bool PostEngineMessage(UINT message, CPacket packet);

// Keeps the timer from polling while a step or a call into EPOC Connect may run a nested message
// loop.
class CBusyLock {
 public:
  CBusyLock();
  ~CBusyLock();
  CBusyLock(const CBusyLock&) = delete;
  CBusyLock& operator=(const CBusyLock&) = delete;

 private:
  bool m_held = false;
};

}  // namespace orvel::engine
