#include "support/win/window.h"

#include "support/win/com.h"

namespace orvel::win {

bool CWindow::Create(const wchar_t* className, UINT classStyle, DWORD exStyle, DWORD style, const wchar_t* title,
                     const RECT& rect, HWND parent) {
  HINSTANCE instance = CModule::Instance();
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof(existing);
  if (!::GetClassInfoExW(instance, className, &existing)) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = &CWindow::Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    if (!::RegisterClassExW(&windowClass)) return false;
  }
  HWND hwnd = ::CreateWindowExW(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, nullptr, instance, this);
  return hwnd != nullptr;
}

void CWindow::Destroy() {
  if (m_hwnd) ::DestroyWindow(m_hwnd);
}

LRESULT CALLBACK CWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindow* self = reinterpret_cast<CWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    self = static_cast<CWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->m_hwnd = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  try {
    result = self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    result = 0;
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->m_hwnd = nullptr;
  }
  return result;
}

}  // namespace orvel::win
