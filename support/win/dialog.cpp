#include "support/win/dialog.h"

namespace orvel::win {

// The 95/98/ME family has the modal dialog function in its ANSI form only, so the wide one is
// found at run time elsewhere; the template is a resource number either way.
INT_PTR CDialog::DoModal(HWND parent) {
  auto param = reinterpret_cast<LPARAM>(this);
  if (::GetVersion() & 0x80000000) {
    return ::DialogBoxParamA(m_module, MAKEINTRESOURCEA(m_templateId), parent, &CDialog::Procedure, param);
  }
  using Fn = INT_PTR(WINAPI*)(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM);
  static const auto wide = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "DialogBoxParamW")));
  if (!wide) return -1;
  return wide(m_module, MAKEINTRESOURCEW(m_templateId), parent, &CDialog::Procedure, param);
}

INT_PTR CALLBACK CDialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->m_hwnd = hwnd;
  } else {
    self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  try {
    if (message == WM_INITDIALOG) return self->OnInitDialog();
    BOOL handled = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) self->m_hwnd = nullptr;
    return handled;
  } catch (...) {
    return FALSE;
  }
}

}  // namespace orvel::win
