// The hidden window of the plug-in's events. One is made per send dialog to turn the engine's
// posted callbacks into dialog updates on the user-interface thread; one without owner runs the
// start-up when the host initialises the view, and deletes itself.
#pragma once

#include <windows.h>

#include "support/win/window.h"

namespace orvel::ui {

inline constexpr UINT WM_ENGINE_DONE = WM_USER + 300;
inline constexpr UINT WM_ENGINE_ERROR = WM_USER + 302;
inline constexpr UINT WM_ENGINE_STATE = WM_USER + 303;
inline constexpr UINT WM_ENGINE_PROGRESS = WM_USER + 304;
inline constexpr UINT WM_PLUGIN_STARTUP = WM_USER + 311;

class CEventWnd : public win::CWindow {
 public:
  CEventWnd() = default;
  bool Create();

  // Makes a start-up window on the heap and runs the start-up; the window deletes itself.
  static void RunStartup();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage() override;

 private:
  void OnStartup();

  bool m_ownsItself = false;
};

}  // namespace orvel::ui
