#include "ui/lists/bookmark_import.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <commdlg.h>
#include <intshcut.h>
#include <isguids.h>
#include <shlobj.h>

#include "support/win/com.h"
#include "support/win/handle.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/dialogs/text_dialogs.h"
#include "ui/lists/bookmark_import_dlg.h"
#include "ui/lists/bookmark_parse.h"

namespace orvel::ui {

namespace {

constexpr uint32_t kHelpContext = 460;

constexpr wchar_t kNetscapeKey[] = L"SOFTWARE\\Netscape\\Netscape Navigator\\Bookmark List";
constexpr wchar_t kNetscapeAppKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe";
// The other browser kept these values in buffers of 260 bytes; a longer value is no value.
constexpr DWORD kRegistryValueBytes = 260;
// Folders of favourites nest this deep at most (a guard against a folder that contains itself).
constexpr size_t kFavoritesDepth = 32;

bool KeyExists(HKEY root, const wchar_t* subKey) {
  win::UniqueRegKey key;
  return ::RegOpenKeyExW(root, subKey, 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

std::u16string ReadValue(HKEY root, const wchar_t* subKey, const wchar_t* name) {
  return win::FromWide(win::ReadRegString(root, subKey, name, kRegistryValueBytes).value_or(L""));
}

// A display name of a folder's item; the shell's allocator frees a name it allocated.
std::u16string DisplayName(IShellFolder* folder, IMalloc* allocator, LPCITEMIDLIST item, SHGDNF flags) {
  STRRET name = {};
  if (FAILED(folder->GetDisplayNameOf(item, flags, &name))) return {};
  switch (name.uType) {
    case STRRET_WSTR: {
      std::u16string text = win::FromWide(name.pOleStr);
      allocator->Free(name.pOleStr);
      return text;
    }
    case STRRET_OFFSET:
      return SystemAnsiText(reinterpret_cast<const char*>(item) + name.uOffset);
    case STRRET_CSTR:
      return SystemAnsiText(name.cStr);
    default:
      return {};
  }
}

// The URL of an Internet shortcut file, read through the shell's Internet-shortcut object; empty
// when it has none or cannot be read.
std::u16string ShortcutUrl(const std::u16string& path, IMalloc* allocator) {
  win::ComPtr<IUniformResourceLocatorW> locator;
  if (FAILED(::CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IUniformResourceLocatorW,
                                reinterpret_cast<void**>(locator.GetAddressOf()))))
    return {};
  win::ComPtr<IPersistFile> file;
  if (FAILED(locator.As(&file)) || FAILED(file->Load(win::AsWide(path).c_str(), STGM_READ))) return {};
  LPWSTR url = nullptr;
  if (locator->GetURL(&url) != S_OK || !url) return {};
  std::u16string text = win::FromWide(url);
  allocator->Free(url);
  return text;
}

void SearchFolder(const std::wstring& folder, size_t depth, const BookmarkSearchLimits& limits,
                  size_t& searched, std::vector<std::u16string>& found) {
  if (searched >= limits.folders) return;
  ++searched;
  WIN32_FIND_DATAW data = {};
  win::UniqueFind find(::FindFirstFileW((folder + L"*.*").c_str(), &data));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name != L"." && name != L".." && depth < limits.depth)
        SearchFolder(folder + name + L"\\", depth + 1, limits, searched, found);
    } else if (name == L"bookmark.htm") {
      found.push_back(win::FromWide(folder + name));
    }
  } while (::FindNextFileW(find.get(), &data));
}

}  // namespace

// ---- source dialog ------------------------------------------------------------------------------

BOOL CImportSourceDlg::OnInitDialog() {
  ::CheckRadioButton(Handle(), kSourceFavoritesButton, kSourceNetscapeButton, kSourceFavoritesButton);
  UpdateControls();
  return TRUE;
}

void CImportSourceDlg::UpdateControls() {
  const bool file = ::IsDlgButtonChecked(Handle(), kSourceFileButton) == BST_CHECKED;
  ::EnableWindow(Item(kLoadOrBrowseButton), file);
  ::EnableWindow(Item(kTextEdit), file);
  ::EnableWindow(Item(IDOK), !file || ::GetWindowTextLengthW(Item(kTextEdit)) > 0);
}

bool CImportSourceDlg::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case kSourceFavoritesButton:
    case kSourceNetscapeButton:
    case kSourceFileButton:
      if (code == BN_CLICKED) UpdateControls();
      return true;
    case kTextEdit:
      if (code == EN_CHANGE) UpdateControls();
      return true;
    case kLoadOrBrowseButton: {
      win::FileDialogOptions options;
      options.owner = Handle();
      options.filter = App().LoadResString(kBookmarkFilesFilterText, true) +
                       u" (*.htm;*.html)|*.htm;*.html|" + App().LoadResString(kAllFilesFilterText, true) +
                       u" (*.*)|*.*||";
      options.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
      std::vector<std::u16string> paths;
      if (win::OpenFileDialog(options, paths) == IDOK) SetItemText(kTextEdit, paths.front());
      return true;
    }
    case kHelpButton:
      App().ShowHelp(Handle(), kHelpContext);
      return true;
    case IDOK:
      m_favorites = ::IsDlgButtonChecked(Handle(), kSourceFavoritesButton) == BST_CHECKED;
      m_netscape = ::IsDlgButtonChecked(Handle(), kSourceNetscapeButton) == BST_CHECKED;
      m_file = ::IsDlgButtonChecked(Handle(), kSourceFileButton) == BST_CHECKED;
      m_path = ItemText(kTextEdit);
      EndDialog(IDOK);
      return true;
    default:
      return false;
  }
}

// ---- bookmark file list -------------------------------------------------------------------------

BOOL CBookmarkListDlg::OnInitDialog() {
  m_list.AttachItem(Handle(), kBookmarkFilesList);
  RECT client = {};
  ::GetClientRect(m_list.Handle(), &client);
  m_list.InsertColumn(0, App().LoadResString(kBookmarkFileHeadingText, true), client.right - client.left);
  for (const std::u16string& file : m_files) m_list.InsertItem(m_list.ItemCount(), file, 0);
  m_list.SetColumnWidth(0, LVSCW_AUTOSIZE);
  ::EnableWindow(Item(IDOK), FALSE);
  return TRUE;
}

bool CBookmarkListDlg::TakeSelection() {
  const int selected = m_list.NextItem(-1, LVNI_SELECTED);
  if (selected < 0) return false;
  m_chosen = m_list.ItemText(selected, 0);
  return true;
}

bool CBookmarkListDlg::OnCommand(WORD id, WORD, HWND) {
  if (id != IDOK) return false;
  if (TakeSelection()) EndDialog(IDOK);
  return true;
}

bool CBookmarkListDlg::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != kBookmarkFilesList) return false;
  result = 0;
  if (header->code == LVN_ITEMCHANGED) {
    ::EnableWindow(Item(IDOK), m_list.SelectedCount() > 0);
    return true;
  }
  if (header->code == NM_DBLCLK) {
    if (TakeSelection()) EndDialog(IDOK);
    return true;
  }
  return false;
}

// ---- the sources --------------------------------------------------------------------------------

std::vector<std::u16string> SearchBookmarkFiles(const std::u16string& folder,
                                                const BookmarkSearchLimits& limits, size_t* searched) {
  std::vector<std::u16string> found;
  size_t count = 0;
  std::wstring start = win::AsWide(folder);
  if (!start.empty()) {
    // "C:\Program Files\Netscape" is the folder, not a pattern "Netscape*.*" beside it.
    if (start.back() != L'\\') start += L'\\';
    SearchFolder(start, 0, limits, count, found);
  }
  if (searched) *searched = count;
  return found;
}

void CBookmarkImport::EnumerateFolder(IShellFolder* folder, IMalloc* allocator,
                                      std::vector<std::u16string>& out, size_t depth) {
  win::ComPtr<IEnumIDList> items;
  if (folder->EnumObjects(m_parent, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.GetAddressOf()) != S_OK ||
      !items)
    return;
  LPITEMIDLIST item = nullptr;
  while (items->Next(1, &item, nullptr) == S_OK) {
    const std::u16string name = DisplayName(folder, allocator, item, SHGDN_NORMAL);
    const std::u16string path = DisplayName(folder, allocator, item, SHGDN_FORPARSING);
    SHFILEINFOW info = {};
    ::SHGetFileInfoW(win::AsWide(path).c_str(), 0, &info, sizeof(info), SHGFI_ATTRIBUTES | SHGFI_TYPENAME);
    if (info.dwAttributes & SFGAO_FOLDER) {
      win::ComPtr<IShellFolder> inner;
      if (std::wstring_view(info.szTypeName) != L"Channel Shortcut" && depth < kFavoritesDepth &&
          SUCCEEDED(folder->BindToObject(item, nullptr, IID_IShellFolder,
                                         reinterpret_cast<void**>(inner.GetAddressOf()))))
        EnumerateFolder(inner.Get(), allocator, out, depth + 1);
    } else if (path.find(u".url") != std::u16string::npos) {
      const std::u16string url = ShortcutUrl(path, allocator);
      if (!url.empty()) out.push_back(url + u"\n" + name);
    }
    allocator->Free(item);
  }
}

void CBookmarkImport::ImportFavorites(std::vector<std::u16string>& out) {
  win::ComPtr<IMalloc> allocator;
  if (FAILED(::SHGetMalloc(allocator.GetAddressOf())) || !allocator) return;
  out.clear();
  LPITEMIDLIST favorites = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(m_parent, CSIDL_FAVORITES, &favorites)) || !favorites) return;
  win::ComPtr<IShellFolder> desktop, folder;
  if (SUCCEEDED(::SHGetDesktopFolder(desktop.GetAddressOf())) &&
      SUCCEEDED(desktop->BindToObject(favorites, nullptr, IID_IShellFolder,
                                      reinterpret_cast<void**>(folder.GetAddressOf()))))
    EnumerateFolder(folder.Get(), allocator.Get(), out, 0);
  allocator->Free(favorites);
}

bool CBookmarkImport::ImportNetscape(std::vector<std::u16string>& out) {
  out.clear();
  std::u16string file;
  if (KeyExists(HKEY_CURRENT_USER, kNetscapeKey)) {
    file = ReadValue(HKEY_CURRENT_USER, kNetscapeKey, L"File Location");
  } else {
    if (!KeyExists(HKEY_LOCAL_MACHINE, kNetscapeAppKey)) return false;
    std::u16string location = ReadValue(HKEY_LOCAL_MACHINE, kNetscapeAppKey, L"Path");
    const size_t program = location.find(u"Communicator");
    if (program != std::u16string::npos) location.resize(program);
    std::vector<std::u16string> found = SearchBookmarkFiles(location);
    if (!found.empty()) {
      CBookmarkListDlg list(m_resources);
      list.SetFiles(std::move(found));
      if (list.DoModal(m_parent) == IDOK) file = list.ChosenPath();
    }
  }
  if (file.empty()) return false;
  // An unreadable file found this way gives no entries and no message.
  ParseBookmarkFile(file, out, SystemAnsiText);
  return true;
}

bool CBookmarkImport::ImportFile(const std::u16string& path, std::vector<std::u16string>& out) {
  return ParseBookmarkFile(path, out, SystemAnsiText);
}

bool RunBookmarkImport(HWND parent, HINSTANCE resources, std::vector<std::u16string>& texts) {
  texts.clear();
  CImportSourceDlg source(resources);
  if (source.DoModal(parent) != IDOK) return false;
  CBookmarkImport import(parent, resources);
  bool read = true;
  {
    win::CWaitCursor wait;
    if (source.Favorites()) {
      import.ImportFavorites(texts);
    } else if (source.Netscape()) {
      read = import.ImportNetscape(texts);
    } else {
      read = import.ImportFile(source.Path(), texts);
    }
  }
  if (!read)
    App().ShowMessage(parent, source.Netscape() ? kNoNetscapeBookmarksText : kBookmarkFileUnreadableText);
  DropUnnamedBookmarks(texts);
  return true;
}

}  // namespace orvel::ui
