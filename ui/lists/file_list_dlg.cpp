#include "ui/lists/file_list_dlg.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <commdlg.h>

#include "settings/settings_node.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/lists/file_list_logic.h"

namespace orvel::ui {

namespace {

constexpr uint32_t kAllFilesText = 503;
constexpr uint32_t kDeviceLanguageText = 622;
// Posted after a selection change in the folder box: its new text can be read only then.
constexpr UINT kSelectionTaken = WM_APP + 1;

}  // namespace

// ---- device path dialog ---------------------------------------------------------------------------

BOOL CDevicePathDlg::OnInitDialog() {
  const int32_t language = DeviceLanguageFromText(App().LoadResString(kDeviceLanguageText, true));
  for (const std::u16string& folder : DeviceFolderChoices(language)) {
    const std::wstring text = win::AsWide(folder);
    SendItem(kDeviceFolder, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  if (!m_pcPath.empty()) SetItemText(kPcFile, m_pcPath);
  if (!m_deviceFolder.empty()) SetItemText(kDeviceFolder, m_deviceFolder);
  UpdateOk();
  return TRUE;
}

void CDevicePathDlg::UpdateOk() {
  const std::u16string folder = ItemText(kDeviceFolder);
  ::EnableWindow(Item(IDOK), !ItemText(kPcFile).empty() && IsAcceptableDeviceFolder(folder));
}

bool CDevicePathDlg::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case kDeviceFolder:
      if (code == CBN_EDITCHANGE) UpdateOk();
      if (code == CBN_SELCHANGE) ::PostMessageW(Handle(), kSelectionTaken, 0, 0);
      return true;
    case kBrowse: {
      win::FileDialogOptions options;
      options.owner = Handle();
      options.filter = App().LoadResString(kAllFilesText, true) + u" (*.*)|*.*||";
      options.fileName = ItemText(kPcFile);
      options.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
      std::vector<std::u16string> paths;
      if (win::OpenFileDialog(options, paths) == IDOK) SetItemText(kPcFile, paths.front());
      UpdateOk();
      return true;
    }
    case IDOK: {
      const std::u16string pcPath = ItemText(kPcFile);
      const std::u16string folder = ItemText(kDeviceFolder);
      if (!IsAcceptableDeviceFolder(folder)) {
        App().ShowMessage(Handle(), kInvalidFolderMessage);
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

constexpr uint32_t kFileNameHeading = 217;
constexpr uint32_t kPcFolderHeading = 219;
constexpr uint32_t kDeviceFolderHeading = 591;
constexpr uint32_t kFileListHelp = 550;

void InsertColumn(HWND list, int index, const std::u16string& heading, int width) {
  std::wstring text = win::AsWide(heading);
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = text.data();
  column.cx = width;
  column.iSubItem = index;
  ListView_InsertColumn(list, index, &column);
}

void SetCell(HWND list, int item, int column, const std::u16string& text) {
  std::wstring wide = win::AsWide(text);
  ListView_SetItemText(list, item, column, wide.data());
}

}  // namespace

CFileListDlg::CFileListDlg(HINSTANCE resources) : CDialog(resources, kTemplate) {}

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
  SetItemText(kListName, name);
  const bool device = m_model->HasDeviceColumn();
  if (!device) {
    // Delete takes the place of Edit, which only general files have.
    RECT edit = {};
    ::GetWindowRect(Item(kEdit), &edit);
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&edit), 2);
    ::DestroyWindow(Item(kEdit));
    ::SetWindowPos(Item(kDelete), nullptr, edit.left, edit.top, edit.right - edit.left,
                   edit.bottom - edit.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HWND list = Item(kList);
  RECT client = {};
  ::GetClientRect(list, &client);
  const int width = (client.right - client.left) / (device ? 3 : 2);
  InsertColumn(list, 0, App().LoadResString(kFileNameHeading, true), width);
  InsertColumn(list, 1, App().LoadResString(kPcFolderHeading, true), width);
  if (device) InsertColumn(list, 2, App().LoadResString(kDeviceFolderHeading, true), width);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  Fill();
  return TRUE;
}

void CFileListDlg::OnFinalMessage() { m_model.reset(); }

void CFileListDlg::Fill() {
  HWND list = Item(kList);
  ListView_DeleteAllItems(list);
  const bool device = m_model->HasDeviceColumn();
  int index = 0;
  for (const FileListRow& row : m_model->Rows()) {
    std::wstring name = win::AsWide(row.name);
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = name.data();
    item.lParam = reinterpret_cast<LPARAM>(row.entry);
    const int at = ListView_InsertItem(list, &item);
    SetCell(list, at, 1, row.folder);
    if (device) SetCell(list, at, 2, row.device);
    ++index;
  }
  const int columns = device ? 3 : 2;
  for (int column = 0; column < columns; ++column)
    ListView_SetColumnWidth(list, column, column + 1 == columns ? LVSCW_AUTOSIZE_USEHEADER : LVSCW_AUTOSIZE);
  UpdateButtons();
}

void CFileListDlg::UpdateButtons() {
  const bool selected = ListView_GetSelectedCount(Item(kList)) > 0;
  ::EnableWindow(Item(kDelete), selected);
  if (HWND edit = Item(kEdit)) ::EnableWindow(edit, selected);
}

void CFileListDlg::AddFiles() {
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

void CFileListDlg::EditEntry() {
  if (!m_model->HasDeviceColumn()) return;
  HWND list = Item(kList);
  const int item = ListView_GetNextItem(list, -1, LVNI_SELECTED | LVNI_FOCUSED);
  if (item < 0) return;
  LVITEMW data = {};
  data.mask = LVIF_PARAM;
  data.iItem = item;
  if (!ListView_GetItem(list, &data)) return;
  auto* entry = reinterpret_cast<CSettingsNode*>(data.lParam);
  CDevicePathDlg path(Module());
  path.SetPcPath(m_model->PcPath(*entry));
  path.SetDeviceFolder(m_model->DeviceFolder(*entry));
  if (path.DoModal(Handle()) != IDOK) return;
  m_model->EditEntry(entry, path.PcPath(), path.DeviceFolder());
  Fill();
}

void CFileListDlg::DeleteEntries() {
  HWND list = Item(kList);
  if (ListView_GetSelectedCount(list) == 0) return;
  win::CWaitCursor wait;
  std::vector<CSettingsNode*> entries;
  for (int item = ListView_GetNextItem(list, -1, LVNI_SELECTED); item >= 0;
       item = ListView_GetNextItem(list, item, LVNI_SELECTED)) {
    LVITEMW data = {};
    data.mask = LVIF_PARAM;
    data.iItem = item;
    if (ListView_GetItem(list, &data)) entries.push_back(reinterpret_cast<CSettingsNode*>(data.lParam));
  }
  // The items go before their nodes: no item may name a destroyed entry.
  ListView_DeleteAllItems(list);
  m_model->DeleteEntries(entries);
  Fill();
}

bool CFileListDlg::OnCommand(WORD id, WORD, HWND) {
  switch (id) {
    case kAdd:
      AddFiles();
      return true;
    case kEdit:
      EditEntry();
      return true;
    case kDelete:
      DeleteEntries();
      return true;
    case kHelp:
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

bool CFileListDlg::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != kList) return false;
  result = 0;
  switch (header->code) {
    case NM_CLICK:
    case LVN_ITEMCHANGED:
      UpdateButtons();
      return header->code == LVN_ITEMCHANGED;
    case NM_DBLCLK:
      EditEntry();
      return true;
    case LVN_KEYDOWN:
      if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) DeleteEntries();
      return true;
    default:
      return false;
  }
}

}  // namespace orvel::ui
