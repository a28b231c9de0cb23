// A window of our own class whose messages go to a virtual handler.
#pragma once

#include <windows.h>

namespace orvel::win {

class CWindow {
 public:
  CWindow() = default;
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;
  virtual ~CWindow() { Destroy(); }

  // Registers the class (once per process) and creates the window; false when either fails.
  bool Create(const wchar_t* className, UINT classStyle, DWORD exStyle, DWORD style, const wchar_t* title,
              const RECT& rect, HWND parent = nullptr);
  void Destroy();
  HWND Handle() const { return m_hwnd; }

 protected:
  // The message switch of the derived class; DefaultProc for anything it does not handle. It must
  // not let an exception out (the procedure catches and answers 0).
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hwnd = nullptr;
};

}  // namespace orvel::win
