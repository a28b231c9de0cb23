// Window text on the ANSI path: which windows take wide text, and messages sent by wide callers.
#pragma once

#include <windows.h>

#include <map>
#include <mutex>

namespace ambrel {

// System-class windows that a wide caller has subclassed, each with the procedure it ran before
// its first subclassing (its base). Such a window's subclass procedure is wide and gets wide text;
// only its base procedure gets text in ANSI.
class SubclassMap {
 public:
  // Nothing for an application-class window; otherwise a window without an entry gets one with
  // this procedure, an entry with this procedure goes, an entry with another stays.
  void Update(HWND window, WNDPROC procedure);
  // The window's procedure was changed from previous to procedure: putting its recorded base back
  // removes the entry, any other change records previous (the base, on the first subclassing).
  // A failed change (previous null) records nothing.
  void ProcedureSet(HWND window, WNDPROC previous, WNDPROC procedure);
  // The recorded base, or null.
  WNDPROC Recorded(HWND window) const;
  // The base of a window that is still subclassed. An entry whose window is gone or runs its base
  // procedure again is stale (its handle may already name a new window) and is dropped.
  WNDPROC BaseOf(HWND window);

 private:
  void UpdateLocked(HWND window, WNDPROC procedure);

  mutable std::mutex m_lock;  // windows of several user-interface threads may be subclassed
  std::map<HWND, WNDPROC> m_entries;
};

// The process's map.
SubclassMap& Subclasses();

// True when the window's procedure reads text in wide form: an application-class window, or a
// subclassed system-class window.
bool TakesWideText(HWND window);

// SendMessageW on the ANSI path: texts converted, text-reading messages answered in wide units and
// the wide messages of list views and headers sent as their ANSI forms.
LRESULT TranslateSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ambrel
