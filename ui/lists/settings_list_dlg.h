// The bookmark list dialog that the settings tree opens on a web or WAP bookmark list, and the
// dialogs of one entry: name and URL for a web bookmark, and name, URL, connection, user name and
// password for a WAP bookmark. The list dialog works on rows copied from the list node and writes
// them back only on OK.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_node.h"
#include "settings/settings_row.h"
#include "support/win/dialog.h"
#include "ui/app/resource_ids.h"
#include "ui/lists/bookmark_rows.h"
#include "ui/lists/entry_list_dlg.h"
#include "ui/lists/list_ctrl.h"

namespace orvel::ui {

// The bookmark lists' help topic.
inline constexpr uint32_t kBookmarkHelpContext = 460;

class CSettingsListDlg : public CEntryListDlg {
 public:
  // The list node is borrowed: it must outlive the dialog. The modal run ends with IDOK after the
  // node's entries were rebuilt from the rows, or with IDCANCEL and the node as it was.
  CSettingsListDlg(HINSTANCE resources, CSettingsNode& listNode, BookmarkMode mode)
      : CEntryListDlg(resources, kSettingsListTemplate), m_listNode(listNode), m_mode(mode) {}

  const std::vector<CSettingsRow>& Rows() const { return m_rows; }
  CListCtrlEx& List() { return m_list; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnAdd() override;
  void OnEdit() override;
  void OnDelete() override;
  void UpdateButtons() override;

 private:
  void AddItem(size_t row);
  // The item gets the selection and the focus alone and is scrolled into view.
  void SelectOnly(int item);
  void OnImport();

  std::vector<CSettingsRow> m_rows;
  CListCtrlEx m_list;
  CSettingsNode& m_listNode;
  BookmarkMode m_mode;
};

// The entry dialogs share the live check: every change re-checks the entry and enables OK only when
// it passes; OK checks once more and shows the message of the failed check.
class CEntryDlgBase : public win::CDialog {
 public:
  // The texts shown at the start; after IDOK the texts entered.
  void SetEntry(CSettingsRow entry) { m_entry = std::move(entry); }
  const CSettingsRow& Entry() const { return m_entry; }

 protected:
  CEntryDlgBase(HINSTANCE resources, UINT templateId, BookmarkMode mode,
                const std::vector<CSettingsRow>& rows, int editedIndex)
      : CDialog(resources, templateId), m_mode(mode), m_rows(rows), m_editedIndex(editedIndex) {}

  bool OnCommand(WORD id, WORD code, HWND control) override;
  // The entry as the controls hold it.
  virtual CSettingsRow ReadControls() const;
  virtual std::u16string NoConnection() const { return {}; }
  // The message of the first failed check, 0 when the entry passes; enables OK by it.
  uint32_t Check();
  void LimitEdits();

  CSettingsRow m_entry;

 private:
  BookmarkMode m_mode;
  const std::vector<CSettingsRow>& m_rows;
  int m_editedIndex;
};

class CNameUrlDlg : public CEntryDlgBase {
 public:
  // `editedIndex` is the row being edited, -1 for a new entry.
  CNameUrlDlg(HINSTANCE resources, const std::vector<CSettingsRow>& rows, int editedIndex)
      : CEntryDlgBase(resources, kNameUrlTemplate, BookmarkMode::Web, rows, editedIndex) {}

 protected:
  BOOL OnInitDialog() override;
};

class CSettingsEntryDlg : public CEntryDlgBase {
 public:
  // The list node gives the connection choices; `editedIndex` is the row being edited, -1 for a new
  // entry.
  CSettingsEntryDlg(HINSTANCE resources, const CSettingsNode& listNode, const std::vector<CSettingsRow>& rows,
                    int editedIndex)
      : CEntryDlgBase(resources, kSettingsEntryTemplate, BookmarkMode::Wap, rows, editedIndex),
        m_listNode(listNode) {}

 protected:
  BOOL OnInitDialog() override;
  CSettingsRow ReadControls() const override;
  std::u16string NoConnection() const override { return m_noConnection; }

 private:
  const CSettingsNode& m_listNode;
  std::u16string m_noConnection;
};

}  // namespace orvel::ui
