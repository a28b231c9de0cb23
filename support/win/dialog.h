// A modal dialog from a template of a given module, whose messages go to a virtual handler.
#pragma once

#include <windows.h>

namespace orvel::win {

class CDialog {
 public:
  CDialog(HINSTANCE module, UINT templateId) : m_module(module), m_templateId(templateId) {}
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;
  virtual ~CDialog() = default;

  // Runs the dialog; its EndDialog value, or -1 when the dialog cannot be made.
  INT_PTR DoModal(HWND parent = nullptr);
  HWND Handle() const { return m_hwnd; }
  HINSTANCE Module() const { return m_module; }

 protected:
  // WM_INITDIALOG; TRUE lets the system set the focus.
  virtual BOOL OnInitDialog() { return TRUE; }
  // Every other message; TRUE when handled, FALSE for the dialog manager's default handling. It
  // must not let an exception out (the procedure catches and answers FALSE).
  virtual BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) { return FALSE; }
  void EndDialog(INT_PTR result) { ::EndDialog(m_hwnd, result); }
  HWND Item(int id) const { return ::GetDlgItem(m_hwnd, id); }

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE m_module;
  UINT m_templateId;
  HWND m_hwnd = nullptr;
};

}  // namespace orvel::win
