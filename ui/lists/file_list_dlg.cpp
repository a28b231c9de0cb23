#include "ui/lists/file_list_dlg.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <commdlg.h>

#include "settings/settings_node.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/lists/file_list_logic.h"

namespace orvel::ui {

namespace {

// Posted after a selection change in the folder box: its new text can be read only then.
constexpr UINT kSelectionTaken = WM_APP + 1;

}  // namespace

// ---- device path dialog ---------------------------------------------------------------------------

BOOL CDevicePathDlg::OnInitDialog() {
  const int32_t language = DeviceLanguageFromText(App().LoadResString(kDeviceLanguageText, true));
  for (const std::u16string& folder : DeviceFolderChoices(language)) {
    const std::wstring text = win::AsWide(folder);
    SendItem(kDeviceFolderEdit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  if (!m_pcPath.empty()) SetItemText(kDevicePcFileEdit, m_pcPath);
  if (!m_deviceFolder.empty()) SetItemText(kDeviceFolderEdit, m_deviceFolder);
  UpdateOk();
  return TRUE;
}

void CDevicePathDlg::UpdateOk() {
  const std::u16string folder = ItemText(kDeviceFolderEdit);
  ::EnableWindow(Item(IDOK), !ItemText(kDevicePcFileEdit).empty() && IsAcceptableDeviceFolder(folder));
}

bool CDevicePathDlg::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case kDeviceFolderEdit:
      if (code == CBN_EDITCHANGE) UpdateOk();
      if (code == CBN_SELCHANGE) ::PostMessageW(Handle(), kSelectionTaken, 0, 0);
      return true;
    case kDeviceBrowseButton: {
      win::FileDialogOptions options;
      options.owner = Handle();
      options.filter = App().LoadResString(kAllFilesFilterText, true) + u" (*.*)|*.*||";
      options.fileName = ItemText(kDevicePcFileEdit);
      options.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
      std::vector<std::u16string> paths;
      if (win::OpenFileDialog(options, paths) == IDOK) SetItemText(kDevicePcFileEdit, paths.front());
      UpdateOk();
      return true;
    }
    case IDOK: {
      const std::u16string pcPath = ItemText(kDevicePcFileEdit);
      const std::u16string folder = ItemText(kDeviceFolderEdit);
      if (!IsAcceptableDeviceFolder(folder)) {
        App().ShowMessage(Handle(), kInvalidDeviceFolderText);
        return true;
      }
      m_pcPath = pcPath;
      m_deviceFolder = WithTrailingBackslash(folder);
      EndDialog(IDOK);
      return true;
    }
    default:
      return false;
  }
}

BOOL CDevicePathDlg::HandleMessage(UINT message, WPARAM, LPARAM) {
  if (message != kSelectionTaken) return FALSE;
  UpdateOk();
  return TRUE;
}

// ---- file list dialog ---------------------------------------------------------------------------

namespace {

constexpr uint32_t kFileListHelp = 550;

}  // namespace

CFileListDlg::CFileListDlg(HINSTANCE resources) : CEntryListDlg(resources, kFileListTemplate) {}

CFileListDlg::~CFileListDlg() = default;

void CFileListDlg::SetTypes(uint32_t entryType, uint32_t, uint32_t) {
  // A general file's parts are always of the types 119 and 120 (file_list_logic.h).
  m_entryType = entryType;
}

BOOL CFileListDlg::OnInitDialog() {
  if (!m_listNode) {
    EndDialog(IDCANCEL);
    return TRUE;
  }
  m_model = std::make_unique<CFileListModel>(*m_listNode, m_entryType);
  std::u16string name;
  m_listNode->GetNodeName(name, true);
  ::SetWindowTextW(Handle(), win::AsWide(name).c_str());
  SetItemText(kFileListNameEdit, name);
  const bool device = m_model->HasDeviceColumn();
  if (!device) {
    // Delete takes the place of Edit, which only general files have.
    RECT edit = {};
    ::GetWindowRect(Item(kEditButton), &edit);
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&edit), 2);
    ::DestroyWindow(Item(kEditButton));
    ::SetWindowPos(Item(kDeleteButton), nullptr, edit.left, edit.top, edit.right - edit.left,
                   edit.bottom - edit.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  m_list.AttachItem(Handle(), kListControl);
  RECT client = {};
  ::GetClientRect(m_list.Handle(), &client);
  const int width = (client.right - client.left) / (device ? 3 : 2);
  m_list.InsertColumn(0, App().LoadResString(kFileNameHeadingText, true), width);
  m_list.InsertColumn(1, App().LoadResString(kPcFolderHeadingText, true), width);
  if (device) m_list.InsertColumn(2, App().LoadResString(kDeviceFolderHeadingText, true), width);
  m_list.SetHighlightType(1);
  m_list.EnableSort(true);
  Fill();
  return TRUE;
}

void CFileListDlg::OnFinalMessage() { m_model.reset(); }

void CFileListDlg::Fill() {
  ListView_DeleteAllItems(m_list.Handle());
  const bool device = m_model->HasDeviceColumn();
  for (const FileListRow& row : m_model->Rows()) {
    const int item = m_list.InsertItem(m_list.ItemCount(), row.name, reinterpret_cast<LPARAM>(row.entry));
    m_list.SetItemText(item, 1, row.folder);
    if (device) m_list.SetItemText(item, 2, row.device);
  }
  m_list.AutoSizeAllColumns();
  UpdateButtons();
}

void CFileListDlg::UpdateButtons() {
  const bool selected = m_list.SelectedCount() > 0;
  ::EnableWindow(Item(kDeleteButton), selected);
  if (HWND edit = Item(kEditButton)) ::EnableWindow(edit, selected);
}

CSettingsNode* CFileListDlg::EntryOf(int item) const {
  return reinterpret_cast<CSettingsNode*>(m_list.ItemData(item));
}

void CFileListDlg::OnAdd() {
  if (m_model->HasDeviceColumn()) {
    CDevicePathDlg path(Module());
    if (path.DoModal(Handle()) != IDOK) return;
    m_model->AddFileWithFolder(path.PcPath(), path.DeviceFolder());
  } else {
    win::FileDialogOptions options;
    options.owner = Handle();
    options.filter = m_filter;
    options.flags = OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    std::vector<std::u16string> paths;
    if (win::OpenFileDialog(options, paths) != IDOK) return;
    m_model->AddFiles(paths);
  }
  Fill();
}

void CFileListDlg::OnEdit() {
  if (!m_model->HasDeviceColumn()) return;
  const int item = m_list.NextItem(-1, LVNI_SELECTED | LVNI_FOCUSED);
  if (item < 0) return;
  CSettingsNode* entry = EntryOf(item);
  CDevicePathDlg path(Module());
  path.SetPcPath(m_model->PcPath(*entry));
  path.SetDeviceFolder(m_model->DeviceFolder(*entry));
  if (path.DoModal(Handle()) != IDOK) return;
  m_model->EditEntry(entry, path.PcPath(), path.DeviceFolder());
  Fill();
}

void CFileListDlg::OnDelete() {
  m_list.SetRedraw(false);
  if (m_list.SelectedCount() > 0) {
    win::CWaitCursor wait;
    std::vector<CSettingsNode*> entries;
    for (int item = m_list.NextItem(-1, LVNI_SELECTED); item >= 0;
         item = m_list.NextItem(item, LVNI_SELECTED))
      entries.push_back(EntryOf(item));
    // The items go before their nodes: no item may name a destroyed entry.
    for (size_t i = entries.size(); i-- > 0;) m_list.DeleteItemEx(m_list.NextItem(-1, LVNI_SELECTED));
    m_model->DeleteEntries(entries);
  }
  m_list.SetRedraw(true);
  Fill();
}

bool CFileListDlg::OnCommand(WORD id, WORD code, HWND control) {
  if (CEntryListDlg::OnCommand(id, code, control)) return true;
  switch (id) {
    case kHelpButton:
      App().ShowHelp(Handle(), kFileListHelp);
      return true;
    case IDOK:
      m_changed = !m_model->SameEntries(*m_listNode);
      m_model->CommitTo(*m_listNode);
      EndDialog(IDOK);
      return true;
    default:
      return false;
  }
}

}  // namespace orvel::ui
