#include "ui/lists/settings_list_dlg.h"

#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/lists/bookmark_import.h"

namespace orvel::ui {
namespace {}  // namespace

// --- the list

BOOL CSettingsListDlg::OnInitDialog() {
  const bool web = m_mode == BookmarkMode::Web;
  ::SetWindowTextW(Handle(), win::AsWide(App().LoadResString(
                                             web ? kWebBookmarksCaptionText : kWapBookmarksCaptionText, true))
                                 .c_str());
  if (!web) {
    if (HWND import = Item(kImportButton)) ::DestroyWindow(import);
  }
  m_list.AttachItem(Handle(), kListControl);
  RECT client = {};
  ::GetClientRect(m_list.Handle(), &client);
  const int half = (client.right - client.left) / 2;
  m_list.InsertColumn(0, App().LoadResString(kBookmarkNameHeadingText, true), half);
  m_list.InsertColumn(1, App().LoadResString(kBookmarkUrlHeadingText, true), half);
  m_list.SetHighlightType(1);
  m_list.EnableSort(true);
  const uint8_t types[] = {kSortTextNoCase, kSortTextNoCase};
  m_list.SetColumnTypes(types, std::size(types));

  NodeToRows(m_listNode, m_rows);
  ::EnableWindow(Item(kEditButton), FALSE);
  ::EnableWindow(Item(kDeleteButton), FALSE);

  m_list.SetRedraw(false);
  for (size_t row = 0; row < m_rows.size(); ++row) AddItem(row);
  m_list.SetColumnWidth(0, half);
  m_list.StretchLastColumn();
  m_list.SortColumn(0, 1);
  m_list.SetRedraw(true);
  return TRUE;
}

void CSettingsListDlg::AddItem(size_t row) {
  const int item = m_list.InsertItem(m_list.ItemCount(), m_rows[row].m_name, static_cast<LPARAM>(row));
  if (item >= 0) m_list.SetItemText(item, 1, m_rows[row].m_url);
}

void CSettingsListDlg::UpdateButtons() {
  const BOOL any = m_list.SelectedCount() > 0;
  ::EnableWindow(Item(kEditButton), any);
  ::EnableWindow(Item(kDeleteButton), any);
}

void CSettingsListDlg::SelectOnly(int item) {
  m_list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  m_list.SetItemState(item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  m_list.EnsureVisible(item);
}

bool CSettingsListDlg::OnCommand(WORD id, WORD code, HWND control) {
  if (CEntryListDlg::OnCommand(id, code, control)) return true;
  switch (id) {
    case kImportButton:
      if (m_mode == BookmarkMode::Web) OnImport();
      return true;
    case kHelpButton:
      App().ShowHelp(Handle(), kBookmarkHelpContext);
      return true;
    case IDOK:
      RowsToNode(m_listNode, m_rows);
      m_rows.clear();
      EndDialog(IDOK);
      return true;
    case IDCANCEL:
      m_rows.clear();
      EndDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

void CSettingsListDlg::OnAdd() {
  bool added = false;
  if (m_mode == BookmarkMode::Wap) {
    CSettingsEntryDlg entry(Module(), m_listNode, m_rows, -1);
    if (entry.DoModal(Handle()) == IDOK) {
      m_rows.push_back(entry.Entry());
      added = true;
    }
  } else {
    CNameUrlDlg entry(Module(), m_rows, -1);
    if (entry.DoModal(Handle()) == IDOK && !entry.Entry().m_name.empty() && !entry.Entry().m_url.empty()) {
      m_rows.emplace_back(entry.Entry().m_name, entry.Entry().m_url, u"", u"", u"");
      added = true;
    }
  }
  if (added) {
    AddItem(m_rows.size() - 1);
    SelectOnly(m_list.ItemCount() - 1);
  }
  m_list.SortColumn(0, 1);
}

void CSettingsListDlg::OnEdit() {
  int item = -1;
  for (int at = m_list.NextItem(-1, LVNI_SELECTED); at >= 0; at = m_list.NextItem(at, LVNI_SELECTED)) {
    if (m_list.ItemState(at, LVIS_FOCUSED) & LVIS_FOCUSED) {
      item = at;
      break;
    }
  }
  if (item >= 0) {
    const LPARAM index = m_list.ItemData(item);
    if (index >= 0 && static_cast<size_t>(index) < m_rows.size()) {
      CSettingsRow row = m_rows[static_cast<size_t>(index)];
      INT_PTR answer = IDCANCEL;
      CSettingsRow edited;
      if (m_mode == BookmarkMode::Wap) {
        CSettingsEntryDlg entry(Module(), m_listNode, m_rows, static_cast<int>(index));
        entry.SetEntry(row);
        answer = entry.DoModal(Handle());
        edited = entry.Entry();
      } else {
        CNameUrlDlg entry(Module(), m_rows, static_cast<int>(index));
        entry.SetEntry(row);
        answer = entry.DoModal(Handle());
        edited = CSettingsRow(entry.Entry().m_name, entry.Entry().m_url, u"", u"", u"");
      }
      if (answer == IDOK) {
        row = edited;
        m_list.SetItemText(item, 0, row.m_name);
        m_list.SetItemText(item, 1, row.m_url);
        m_list.SetItemData(item, index);
        m_rows[static_cast<size_t>(index)] = row;
      }
    }
    SelectOnly(item);
  }
  m_list.SortColumn(0, 1);
}

void CSettingsListDlg::OnDelete() {
  if (m_list.SelectedCount() == 0) return;
  win::CWaitCursor wait;
  m_list.SetRedraw(false);
  // One pass finds the selected items and their rows; the rows go in one erase and the items left
  // are renumbered once, so that item data stays the index of its row.
  std::vector<int> removed;
  std::vector<bool> gone(m_rows.size(), false);
  for (int item = m_list.NextItem(-1, LVNI_SELECTED); item >= 0;
       item = m_list.NextItem(item, LVNI_SELECTED)) {
    const LPARAM index = m_list.ItemData(item);
    if (index < 0 || static_cast<size_t>(index) >= m_rows.size() || gone[static_cast<size_t>(index)])
      continue;
    gone[static_cast<size_t>(index)] = true;
    removed.push_back(item);
  }
  std::vector<LPARAM> renumbered(m_rows.size());
  size_t kept = 0;
  for (size_t row = 0; row < m_rows.size(); ++row) {
    renumbered[row] = static_cast<LPARAM>(kept);
    if (gone[row]) continue;
    if (kept != row) m_rows[kept] = std::move(m_rows[row]);
    ++kept;
  }
  m_rows.resize(kept);
  for (auto it = removed.rbegin(); it != removed.rend(); ++it) m_list.DeleteItem(*it);
  for (int item = 0; item < m_list.ItemCount(); ++item) {
    const LPARAM data = m_list.ItemData(item);
    if (data >= 0 && static_cast<size_t>(data) < renumbered.size() &&
        renumbered[static_cast<size_t>(data)] != data)
      m_list.SetItemData(item, renumbered[static_cast<size_t>(data)]);
  }
  m_list.SetRedraw(true);
}

void CSettingsListDlg::OnImport() {
  std::vector<std::u16string> texts;
  RunBookmarkImport(Handle(), Module(), texts);
  const size_t first = MergeImportedBookmarks(texts, m_rows);
  m_list.SetRedraw(false);
  for (size_t row = first; row < m_rows.size(); ++row) AddItem(row);
  m_list.SetRedraw(true);
  m_list.SortColumn(0, 1);
}

// --- the entry dialogs

CSettingsRow CEntryDlgBase::ReadControls() const {
  return CSettingsRow(ItemText(kEntryNameEdit), ItemText(kEntryUrlEdit), u"", u"", u"");
}

uint32_t CEntryDlgBase::Check() {
  const uint32_t message = CheckEntry(m_mode, ReadControls(), m_rows, m_editedIndex, NoConnection());
  ::EnableWindow(Item(IDOK), message == 0);
  return message;
}

void CEntryDlgBase::LimitEdits() {
  const EntryLimits limits = LimitsOf(m_mode);
  SendItem(kEntryNameEdit, EM_LIMITTEXT, limits.name);
  SendItem(kEntryUrlEdit, EM_LIMITTEXT, limits.url);
}

bool CEntryDlgBase::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case IDOK:
      if (const uint32_t message = Check()) {
        App().ShowMessage(Handle(), message, MB_ICONEXCLAMATION);
        return true;
      }
      m_entry = ReadControls();
      EndDialog(IDOK);
      return true;
    case kHelpButton:
      App().ShowHelp(Handle(), kBookmarkHelpContext);
      return true;
    default:
      if (code == EN_CHANGE || (id == kEntryConnectionCombo && code == CBN_SELCHANGE)) {
        Check();
        return true;
      }
      return false;
  }
}

BOOL CNameUrlDlg::OnInitDialog() {
  LimitEdits();
  SetItemText(kEntryNameEdit, m_entry.m_name);
  SetItemText(kEntryUrlEdit, m_entry.m_url);
  Check();
  return TRUE;
}

BOOL CSettingsEntryDlg::OnInitDialog() {
  m_noConnection = NoConnectionText();
  std::vector<std::u16string> choices;
  m_listNode.GetChoices(choices, true);
  for (const std::u16string& choice : choices) {
    SendItem(kEntryConnectionCombo, CB_ADDSTRING, 0,
             reinterpret_cast<LPARAM>(win::AsWide(ChoiceShownText(choice)).c_str()));
  }
  // The entry equal to the connection (exactly: the box's own search ignores case), or the first.
  int selected = m_entry.m_connection.empty() ? 0 : -1;
  for (size_t i = 0; selected < 0 && i < choices.size(); ++i) {
    if (ChoiceShownText(choices[i]) == m_entry.m_connection) selected = static_cast<int>(i);
  }
  SendItem(kEntryConnectionCombo, CB_SETCURSEL, static_cast<WPARAM>(selected));
  LimitEdits();
  const EntryLimits limits = LimitsOf(BookmarkMode::Wap);
  SendItem(kEntryUserEdit, EM_LIMITTEXT, limits.userName);
  SendItem(kEntryPasswordEdit, EM_LIMITTEXT, limits.password);
  SetItemText(kEntryNameEdit, m_entry.m_name);
  SetItemText(kEntryUrlEdit, m_entry.m_url);
  SetItemText(kEntryUserEdit, m_entry.m_userName);
  SetItemText(kEntryPasswordEdit, m_entry.m_password);
  Check();
  return TRUE;
}

CSettingsRow CSettingsEntryDlg::ReadControls() const {
  return CSettingsRow(ItemText(kEntryNameEdit), ItemText(kEntryUrlEdit), ItemText(kEntryConnectionCombo),
                      ItemText(kEntryUserEdit), ItemText(kEntryPasswordEdit));
}

}  // namespace orvel::ui
