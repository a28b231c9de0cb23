// A dialog over a list of entries with Add, Edit and Delete buttons (the file list and the settings
// list dialogs): the buttons, a double click (Edit), the Delete key and a change of the selection
// (the buttons' states) reach the dialog's handlers the same way in each.
#pragma once

#include "support/win/dialog.h"

namespace orvel::ui {

class CEntryListDlg : public win::CDialog {
 protected:
  using CDialog::CDialog;

  virtual void OnAdd() = 0;
  virtual void OnEdit() = 0;
  virtual void OnDelete() = 0;
  virtual void UpdateButtons() = 0;

  // Add, Edit and Delete; a dialog with commands of its own handles them after these.
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
};

}  // namespace orvel::ui
