// TEMPORARY stand-in of the long-text dialog (ui/dialogs/text_dialogs.h) for the settings tree's
// own build and tests; the tree includes the real header once it is merged. Delete this file then.
#pragma once

#include <cstdint>
#include <string>

#include "support/win/dialog.h"

namespace orvel::ui {

class CTextViewDlg : public win::CDialog {
 public:
  explicit CTextViewDlg(HINSTANCE resources) : CDialog(resources, 446) {}
  void SetMode(uint16_t mode) { m_mode = mode; }
  void SetText(std::u16string text) { m_text = std::move(text); }
  const std::u16string& GetText() const { return m_text; }

 protected:
  BOOL OnInitDialog() override {
    SetItemText(10153, m_text);
    return TRUE;
  }
  BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) m_text = ItemText(10153);
    return FALSE;
  }

 private:
  uint16_t m_mode = 1;
  std::u16string m_text;
};

}  // namespace orvel::ui
