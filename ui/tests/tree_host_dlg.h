// The main view's template holding nothing but the settings tree, for tests of the tree and of the
// dialogs it opens.
#pragma once

#include <windows.h>

#include "support/win/dialog.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/main/main_view.h"
#include "ui/tree/settings_tree.h"

namespace orvel::uitest {

class CTreeHostDlg : public win::CDialog {
 public:
  explicit CTreeHostDlg(ui::CSettingsTree& tree)
      : CDialog(ui::App().ResourceHandle(), ui::kMainViewTemplate), m_tree(tree) {}

 protected:
  BOOL OnInitDialog() override {
    m_tree.AttachTree(Item(ui::kSettingsTreeControl));
    return TRUE;
  }

 private:
  ui::CSettingsTree& m_tree;
};

}  // namespace orvel::uitest
