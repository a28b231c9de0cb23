#include "ui/lists/entry_list_dlg.h"

#include <commctrl.h>

#include "ui/app/resource_ids.h"

namespace orvel::ui {

bool CEntryListDlg::OnCommand(WORD id, WORD, HWND) {
  switch (id) {
    case kAddButton:
      OnAdd();
      return true;
    case kEditButton:
      OnEdit();
      return true;
    case kDeleteButton:
      OnDelete();
      return true;
    default:
      return false;
  }
}

bool CEntryListDlg::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != kListControl) return false;
  result = 0;
  switch (header->code) {
    case NM_CLICK:
    case LVN_ITEMCHANGED:
      UpdateButtons();
      return header->code == LVN_ITEMCHANGED;
    case NM_DBLCLK:
      OnEdit();
      return true;
    case LVN_KEYDOWN:
      if (reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) OnDelete();
      return true;
    default:
      return false;
  }
}

}  // namespace orvel::ui
