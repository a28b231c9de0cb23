// A modal dialog that asks for one line of text; the settings tree uses it to confirm a password,
// so its edit hides what is typed. The text is taken as the window goes, whichever button ended it.
#pragma once

#include <string>

#include "support/win/dialog.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {

class CTextInputDlg : public win::CDialog {
 public:
  explicit CTextInputDlg(HINSTANCE resources) : CDialog(resources, kTextInputTemplate) {}

  void SetMaxLength(int length) { m_maxLength = length; }
  // What the edit held when the dialog closed.
  const std::u16string& Text() const { return m_text; }

 protected:
  BOOL OnInitDialog() override {
    SendItem(kTextEdit, EM_LIMITTEXT, static_cast<WPARAM>(m_maxLength));
    SetItemText(kTextEdit, u"");
    return TRUE;
  }
  void OnBeforeDestroy() override { m_text = ItemText(kTextEdit); }

 private:
  int m_maxLength = 1024;
  std::u16string m_text;
};

// The plain dialog that the send command shows instead of the send dialog when the transfer mode
// is not 1: the template's fixed text, ended with OK or Cancel.
class CNoticeDlg : public win::CDialog {
 public:
  explicit CNoticeDlg(HINSTANCE resources) : CDialog(resources, kNoticeTemplate) {}
};

}  // namespace orvel::ui
