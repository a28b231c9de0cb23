#include "support/win/dialog.h"

namespace orvel::win {

INT_PTR CDialog::DoModal(HWND parent) {
  return ::DialogBoxParamW(m_module, MAKEINTRESOURCEW(m_templateId), parent, &CDialog::Procedure,
                           reinterpret_cast<LPARAM>(this));
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
