#include "support/win/window.h"

#include "support/win/com.h"

namespace orvel::win {

namespace {

// The window property that names the object bound to a window.
constexpr wchar_t kTargetProperty[] = L"Orvel.ReflectionTarget";

CReflectionTarget* BoundTarget(HWND window) {
  return window ? static_cast<CReflectionTarget*>(::GetPropW(window, kTargetProperty)) : nullptr;
}

HWND NotificationSender(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY:
      return lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
    case WM_DRAWITEM:  // control id 0 is a menu
      return wParam && lParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_COMMAND:  // lParam is the control for a control's notification
      return reinterpret_cast<HWND>(lParam);
    default:
      return nullptr;
  }
}

}  // namespace

void CReflectionTarget::Bind(HWND window) { ::SetPropW(window, kTargetProperty, static_cast<HANDLE>(this)); }

void CReflectionTarget::Unbind(HWND window) { ::RemovePropW(window, kTargetProperty); }

void CWindowObject::Enter() {
  ++m_depth;
  if (m_owner) m_owner->Enter();
}

void CWindowObject::Leave() {
  // The final message may delete this object, and the owner's may delete the owner.
  CWindowObject* owner = m_owner;
  if (--m_depth == 0 && m_windowGone) {
    m_windowGone = false;
    OnFinalMessage();
  }
  if (owner) owner->Leave();
}

bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  CReflectionTarget* target = BoundTarget(NotificationSender(message, wParam, lParam));
  return target && target->OnReflected(message, wParam, lParam, result);
}

bool CWindow::Create(const wchar_t* className, UINT classStyle, DWORD exStyle, DWORD style,
                     const wchar_t* title, const RECT& rect, HWND parent) {
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

CWindow::~CWindow() {
  HWND hwnd = m_hwnd;
  if (!hwnd) return;
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  Unbind(hwnd);
  m_hwnd = nullptr;
  // Only the window's own thread can destroy it; another one asks that thread to close it.
  if (::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId())
    ::DestroyWindow(hwnd);
  else
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
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
    self->Bind(hwnd);
  }
  if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  CHold hold(*self);
  LRESULT result = 0;
  try {
    if (!ReflectToChild(message, wParam, lParam, result))
      result = self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    result = 0;
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    Unbind(hwnd);
    self->m_hwnd = nullptr;
    self->MarkWindowGone();
  }
  return result;  // the hold ends last: the final message may delete the object
}

CControl::~CControl() { Detach(); }

bool CControl::Attach(HWND control) {
  if (!control || m_hwnd || BoundTarget(control)) return false;
  m_hwnd = control;
  Bind(control);
  m_base = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CControl::Procedure)));
  if (!m_base) {
    Unbind(control);
    m_hwnd = nullptr;
    return false;
  }
  OnAttached();
  return true;
}

bool CControl::Create(const wchar_t* className, DWORD style, DWORD exStyle, const RECT& rect, HWND parent,
                      int id, const wchar_t* text) {
  HWND control = ::CreateWindowExW(
      exStyle, className, text, style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), CModule::Instance(), nullptr);
  if (Attach(control)) return true;
  if (control) ::DestroyWindow(control);
  return false;
}

void CControl::Detach() {
  if (!m_hwnd) return;
  ::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_base));
  Unbind(m_hwnd);
  m_hwnd = nullptr;
}

LRESULT CALLBACK CControl::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CControl*>(BoundTarget(hwnd));
  if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  CHold hold(*self);
  LRESULT result = 0;
  bool handled = false;
  try {
    handled = ReflectToChild(message, wParam, lParam, result) ||
              self->HandleMessage(message, wParam, lParam, result);
  } catch (...) {
    handled = false;
  }
  // The object may have detached itself while handling the message.
  WNDPROC base = self->m_base;
  if (!handled) result = ::CallWindowProcW(base, hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY && self->m_hwnd == hwnd) {
    self->Detach();
    self->MarkWindowGone();
  }
  return result;  // the hold ends last: the final message may delete the object
}

int TextWidth(HDC dc, const wchar_t* text, int length) {
  RECT extent = {0, 0, 0, 0};
  ::DrawTextW(dc, text, length, &extent, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  return extent.right - extent.left;
}

}  // namespace orvel::win
