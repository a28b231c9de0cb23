// Ambrel's dialog, shell, help and drawing rows in each system mode. Each case looks at what the
// system was handed (a text through the code page, the record of the 95/98 family, an answer
// converted back), so that a row calling the wide function on 95/98 would fail here. Dialogs are
// answered from the test itself: by their hooks, or by a timer that finds the dialog window.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>
// clang-format off
#include <commctrl.h>  // needs windows.h first
#include <cderr.h>
#include <commdlg.h>
#include <oledlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
// clang-format on

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "modes_support.h"

namespace {

using namespace ambrel_modes;

// A window's text as the system holds it, read past Ambrel.
std::wstring SystemText(HWND window) {
  using Fn = int(WINAPI*)(HWND, LPWSTR, int);
  static const auto get = SystemEntry<Fn>("user32.dll", "GetWindowTextW");
  wchar_t text[256] = {};
  get(window, text, 256);
  return text;
}

BOOL CALLBACK AddChildText(HWND child, LPARAM texts) {
  reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(SystemText(child));
  return TRUE;
}
// The texts of a window's descendants as the system holds them.
std::vector<std::wstring> ChildTexts(HWND window) {
  std::vector<std::wstring> texts;
  EnumChildWindows(window, AddChildText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

BOOL CALLBACK TakeVisibleDialog(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof(name));
  if (!IsWindowVisible(window) || std::strcmp(name, "#32770") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text) {
  for (const auto& t : texts) {
    if (t == text) return true;
  }
  return false;
}

// Answers the first dialog that this thread shows while it lives: takes its caption and texts as the
// system holds them and presses the button. A dialog that a hook was to answer and still stands
// after the limit is cancelled, so that a failing case ends; the limit counts as a failure.
class DialogAnswer {
 public:
  static constexpr UINT kPollMs = 20;
  static constexpr UINT kLimitMs = 15000;

  explicit DialogAnswer(int button, bool hookAnswers = false) : m_button(button), m_hookAnswers(hookAnswers) {
    s_current = this;
    m_timer = SetTimer(nullptr, 0, kPollMs, &Tick);
  }
  ~DialogAnswer() {
    KillTimer(nullptr, m_timer);
    s_current = nullptr;
    EXPECT_FALSE(m_timedOut) << "a dialog stood until the test's limit";
  }
  bool Seen() const { return m_dialog != nullptr; }
  const std::wstring& Caption() const { return m_caption; }
  const std::vector<std::wstring>& Texts() const { return m_texts; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogAnswer* self = s_current;
    if (!self) return;
    self->m_elapsed += kPollMs;
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    if (!self->m_hookAnswers && !self->m_dialog) {
      self->m_dialog = dialog;
      self->m_caption = SystemText(dialog);
      self->m_texts = ChildTexts(dialog);
      PostMessageA(dialog, WM_COMMAND, self->m_button, 0);
    } else if (self->m_elapsed >= kLimitMs) {
      self->m_timedOut = true;
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
  }

  static inline DialogAnswer* s_current = nullptr;
  int m_button;
  bool m_hookAnswers;
  UINT_PTR m_timer = 0;
  UINT m_elapsed = 0;
  bool m_timedOut = false;
  HWND m_dialog = nullptr;
  std::wstring m_caption;
  std::vector<std::wstring> m_texts;
};

// --- the open and save dialogs

struct FileDialogSeen {
  DWORD structSize = 0;
  LPARAM custData = 0;
  std::wstring caption;
};
FileDialogSeen g_fileDialog;

// The hook sees the record that the system works on; once the dialog is ready it takes the name
// that the file buffer brought in.
UINT_PTR CALLBACK FileDialogHook(HWND hook, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* record = reinterpret_cast<const OPENFILENAMEA*>(lParam);
    g_fileDialog.structSize = record->lStructSize;
    g_fileDialog.custData = record->lCustData;
  }
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE) {
    g_fileDialog.caption = SystemText(GetParent(hook));
    PostMessageA(GetParent(hook), WM_COMMAND, IDOK, 0);
  }
  return 0;
}

// The 95/98 record is the 76-byte one; its title goes through the code page; the name comes back
// with its offsets counted in wide units (under code page 932 the title's characters are two bytes
// each).
TEST(FileDialogs, The9xRecordAndItsTextsThroughTheCodePage) {
  const std::wstring name = CurrentMode().codePage == 932 ? L"\u4e2d\u6587\u4e2d.txt" : L"caf\u00e9.txt";
  const std::wstring caption = std::wstring(L"Choose ") + kOutside;
  std::wstring folder = TempDir();
  folder.pop_back();
  using DialogFn = BOOL(WINAPI*)(LPOPENFILENAMEW);
  struct Case {
    const char* name;
    DialogFn run;
  };
  const Case kCases[] = {{"open", GetOpenFileNameW}, {"save", GetSaveFileNameW}};
  for (const auto& c : kCases) {
    wchar_t file[MAX_PATH] = {};
    name.copy(file, MAX_PATH - 1);
    wchar_t title[MAX_PATH] = {};
    OPENFILENAMEW info{};
    info.lStructSize = sizeof(info);
    info.lpstrFilter = L"Text \u00e9\0*.txt\0All\0*.*\0";
    info.nFilterIndex = 1;
    info.lpstrFile = file;
    info.nMaxFile = MAX_PATH;
    info.lpstrFileTitle = title;
    info.nMaxFileTitle = MAX_PATH;
    info.lpstrInitialDir = folder.c_str();
    info.lpstrTitle = caption.c_str();
    info.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_NOCHANGEDIR;
    info.lCustData = 0x5eed;
    info.lpfnHook = FileDialogHook;
    g_fileDialog = {};
    {
      DialogAnswer guard(IDCANCEL, true);
      ASSERT_TRUE(c.run(&info)) << c.name << " " << CommDlgExtendedError();
    }
    // The 95/98 record ends before the later systems' reserved fields: 76 bytes in the 32-bit build.
    EXPECT_EQ(g_fileDialog.structSize, Ansi() ? offsetof(OPENFILENAMEA, pvReserved) : sizeof(OPENFILENAMEW))
        << c.name;
    EXPECT_EQ(g_fileDialog.custData, 0x5eed);
    EXPECT_EQ(g_fileDialog.caption, Acp(caption)) << c.name << " " << CurrentMode().name;
    const std::wstring chosen = Acp(name);
    EXPECT_EQ(std::wstring(file), folder + L"\\" + chosen) << c.name;
    EXPECT_EQ(std::wstring(title), chosen) << c.name;
    EXPECT_EQ(info.nFileOffset, folder.size() + 1) << c.name;
    EXPECT_EQ(info.nFileExtension, folder.size() + 1 + chosen.size() - 3) << c.name;
  }
}

// A name of twenty double-byte characters chosen into a file buffer just long enough for the whole
// path comes back whole, its title too; one unit shorter, the dialog refuses it with a size that
// then takes it. The 95/98 path once told the ANSI dialog the caller's units as its bytes.
TEST(FileDialogs, DoubleByteNameInABufferOfItsLength) {
  std::wstring folder = TempDir();
  folder.pop_back();
  const std::wstring name = TwentyCharacters() + L".txt";
  const std::wstring chosen = Acp(name);
  const std::wstring path = folder + L"\\" + chosen;
  const DWORD whole = static_cast<DWORD>(path.size()) + 1;
  auto run = [&](DWORD maxFile, std::wstring* file, std::wstring* title) {
    std::vector<wchar_t> fileBuffer(maxFile + 8, L'#');
    std::vector<wchar_t> titleBuffer(chosen.size() + 8, L'#');
    name.copy(fileBuffer.data(), name.size());
    fileBuffer[name.size()] = 0;
    OPENFILENAMEW info{};
    info.lStructSize = sizeof(info);
    info.lpstrFilter = L"Text\0*.txt\0";
    info.nFilterIndex = 1;
    info.lpstrFile = fileBuffer.data();
    info.nMaxFile = maxFile;
    info.lpstrFileTitle = titleBuffer.data();
    info.nMaxFileTitle = static_cast<DWORD>(chosen.size()) + 1;
    info.lpstrInitialDir = folder.c_str();
    info.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_NOCHANGEDIR;
    info.lpfnHook = FileDialogHook;
    BOOL ok;
    {
      DialogAnswer guard(IDCANCEL, true);
      ok = GetSaveFileNameW(&info);
    }
    *file = std::wstring(fileBuffer.data(),
                         std::find(fileBuffer.begin(), fileBuffer.end(), 0) - fileBuffer.begin());
    *title = titleBuffer.data();
    return ok;
  };
  std::wstring file, title;
  ASSERT_TRUE(run(whole, &file, &title)) << CommDlgExtendedError();
  EXPECT_EQ(file, path) << CurrentMode().name;
  EXPECT_EQ(title, chosen);

  EXPECT_FALSE(run(whole - 1, &file, &title));
  // The wide dialog counts the size it needs in units; the 95/98 path, where the ANSI dialog refuses
  // the name itself, in bytes: never fewer.
  if (!Ansi()) {
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  }
  ASSERT_FALSE(file.empty());
  DWORD needed = file[0];
  EXPECT_GE(needed, whole);
  ASSERT_TRUE(run(needed, &file, &title));
  EXPECT_EQ(file, path);
}

// --- the colour dialog

struct ColorDialogSeen {
  const void* record = nullptr;
  DWORD structSize = 0;
  LPARAM custData = 0;
};
ColorDialogSeen g_colorDialog;

UINT_PTR CALLBACK ColorHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* record = reinterpret_cast<const CHOOSECOLORW*>(lParam);
    g_colorDialog = {record, record->lStructSize, record->lCustData};
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  }
  return 0;
}

// On 95/98 the dialog works on the ANSI copy of the record, not the caller's own; the chosen colour
// comes back into the caller's record.
TEST(ColorDialog, WorksOnTheAnsiCopyAndGivesTheColourBack) {
  COLORREF custom[16] = {};
  CHOOSECOLORW info{};
  info.lStructSize = sizeof(info);
  info.rgbResult = RGB(10, 20, 30);
  info.lpCustColors = custom;
  info.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK;
  info.lCustData = 0x77;
  info.lpfnHook = ColorHook;
  g_colorDialog = {};
  {
    DialogAnswer guard(IDCANCEL, true);
    ASSERT_TRUE(ChooseColorW(&info)) << CommDlgExtendedError();
  }
  EXPECT_EQ(info.rgbResult, RGB(10, 20, 30));
  EXPECT_EQ(g_colorDialog.record == &info, !Ansi()) << CurrentMode().name;
  EXPECT_EQ(g_colorDialog.structSize, sizeof(CHOOSECOLORW));  // 36 bytes in the 32-bit build
  EXPECT_EQ(g_colorDialog.custData, 0x77);
}

// --- the folder browser

struct BrowseState {
  HWND dialog = nullptr;
  LPARAM folder = 0;  // the item list to choose
  bool chosen = false;
  std::vector<std::wstring> texts;
};
BrowseState g_browse;

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM selected, LPARAM folder) {
  if (message == BFFM_INITIALIZED) {
    g_browse.dialog = dialog;
    g_browse.texts = ChildTexts(dialog);
  }
  if (message == BFFM_SELCHANGED) {
    g_browse.chosen =
        ILIsEqual(reinterpret_cast<PCIDLIST_ABSOLUTE>(selected), reinterpret_cast<PCIDLIST_ABSOLUTE>(folder));
  }
  return 0;
}

// Until the folder is the selection it is chosen again (the dialog fills its tree and may choose its
// own first item after it has started); then OK is pressed.
void CALLBACK ChooseTheFolder(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_browse.dialog) return;
  if (g_browse.chosen) {
    PostMessageA(g_browse.dialog, WM_COMMAND, IDOK, 0);
  } else {
    // An item list, not a text: the ANSI message serves every mode.
    SendMessageA(g_browse.dialog, BFFM_SETSELECTIONA, FALSE, g_browse.folder);
  }
}

// The title shown and the chosen folder's display name go through the code page.
TEST(FolderBrowser, TitleAndDisplayNameThroughTheCodePage) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  using CreateFn = BOOL(WINAPI*)(LPCWSTR, LPSECURITY_ATTRIBUTES);
  using RemoveFn = BOOL(WINAPI*)(LPCWSTR);
  const std::wstring name =
      CurrentModeName() + (DiskTakesNamesOutsideAscii() ? std::wstring(L"_b") + kOutside : L"_b");
  // The dialog's tree starts at a folder of this mode's own: the modes running side by side change
  // the temporary folder, and the tree there would be refilled under the test.
  const std::wstring root = TempDir() + L"ambrel_browse_" + CurrentModeName();
  const std::wstring path = root + L"\\" + name;
  auto create = SystemEntry<CreateFn>("kernel32.dll", "CreateDirectoryW");
  ASSERT_TRUE(create(root.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(create(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  // The shell is told of the new folders, as a program that made them would: its view of the
  // temporary folder may be older than they are.
  SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW | SHCNF_FLUSH, root.c_str(), nullptr);
  SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
  auto itemList = [](std::wstring text) {
    PIDLIST_ABSOLUTE list = nullptr;
    IShellFolder* desktop = nullptr;
    if (SHGetDesktopFolder(&desktop) != S_OK) return list;
    desktop->ParseDisplayName(nullptr, nullptr, text.data(), nullptr,
                              reinterpret_cast<PIDLIST_RELATIVE*>(&list), nullptr);
    desktop->Release();
    return list;
  };
  PIDLIST_ABSOLUTE top = itemList(root), folder = itemList(path);
  ASSERT_TRUE(top && folder);

  const std::wstring title = std::wstring(L"Pick ") + kOutside;
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.pszDisplayName = display;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.pidlRoot = top;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(folder);
  g_browse = {nullptr, reinterpret_cast<LPARAM>(folder), false, {}};
  PIDLIST_ABSOLUTE chosen = nullptr;
  {
    DialogAnswer guard(IDCANCEL, true);
    UINT_PTR timer = SetTimer(nullptr, 0, DialogAnswer::kPollMs, ChooseTheFolder);
    chosen = SHBrowseForFolderW(&info);
    KillTimer(nullptr, timer);
  }
  ASSERT_NE(chosen, nullptr);
  EXPECT_TRUE(Contains(g_browse.texts, Acp(title))) << CurrentMode().name;
  // Wine names a folder outside the root by its whole path.
  const std::wstring shown = display;
  EXPECT_TRUE(shown == Acp(name) || shown == Acp(path)) << CurrentMode().name << " " << AnsiOf(shown);
  CoTaskMemFree(chosen);
  CoTaskMemFree(folder);
  CoTaskMemFree(top);
  SystemEntry<RemoveFn>("kernel32.dll", "RemoveDirectoryW")(path.c_str());
  SystemEntry<RemoveFn>("kernel32.dll", "RemoveDirectoryW")(root.c_str());
  CoUninitialize();
}

}  // namespace

namespace {

using namespace ambrel_modes;

// --- the OLE dialogs

// The insert-object and paste-special dialogs show their captions through the code page; the
// caller's record keeps its own text pointers. Wine's wide insert-object dialog is a stub, so that
// dialog is looked at on 95/98 only.
TEST(OleDialogs, CaptionsThroughTheCodePageAndTheCallersPointersKept) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  const std::wstring caption = std::wstring(L"Insert ") + kOutside;
  if (Ansi()) {
    wchar_t file[MAX_PATH] = L"f\u00e9.txt";
    OLEUIINSERTOBJECTW info{};
    info.cbStruct = sizeof(info);
    info.dwFlags = IOF_SELECTCREATENEW;
    info.lpszCaption = caption.c_str();
    info.lpszFile = file;
    info.cchFile = MAX_PATH;
    DialogAnswer answer(IDCANCEL);
    OleUIInsertObjectW(&info);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(answer.Caption(), Acp(caption)) << CurrentMode().name;
    EXPECT_EQ(info.lpszCaption, caption.c_str());
    EXPECT_EQ(info.lpszFile, file);
    EXPECT_EQ(std::wstring(file), Acp(L"f\u00e9.txt"));
  }
  // Paste special offers the clipboard's text.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(text), "abc", 4);
  GlobalUnlock(text);
  SetClipboardData(CF_TEXT, text);
  CloseClipboard();
  OLEUIPASTEENTRYW entry{};
  entry.fmtetc = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  entry.lpstrFormatName = L"Text \u00e9";
  entry.lpstrResultText = L"as text \u00e9";
  entry.dwFlags = OLEUIPASTE_PASTEONLY;
  OLEUIPASTESPECIALW info{};
  info.cbStruct = sizeof(info);
  info.lpszCaption = caption.c_str();
  info.arrPasteEntries = &entry;
  info.cPasteEntries = 1;
  ASSERT_EQ(OleGetClipboard(&info.lpSrcDataObj), S_OK);
  {
    DialogAnswer answer(IDCANCEL);
    EXPECT_EQ(OleUIPasteSpecialW(&info), static_cast<UINT>(OLEUI_CANCEL));
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(answer.Caption(), Acp(caption)) << CurrentMode().name;
  }
  EXPECT_EQ(info.lpszCaption, caption.c_str());
  EXPECT_EQ(info.arrPasteEntries, &entry);
  info.lpSrcDataObj->Release();
  OleUninitialize();
}

// --- property sheets

LPARAM g_pageParam = 0;
INT_PTR CALLBACK SheetPage(HWND, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) g_pageParam = reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam;
  return FALSE;
}

// The tab texts of a sheet as the system holds them.
std::vector<std::wstring> TabTexts(HWND sheet) {
  using SendFn = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
  static const auto send = SystemEntry<SendFn>("user32.dll", "SendMessageW");
  HWND tabs = FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr);
  std::vector<std::wstring> texts;
  for (int i = 0; tabs && i < send(tabs, TCM_GETITEMCOUNT, 0, 0); ++i) {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    send(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    texts.push_back(text);
  }
  return texts;
}

struct EmptyPageTemplate {
  DLGTEMPLATE dialog;
  WORD menu, windowClass, title;
};
const EmptyPageTemplate kPageTemplate = {{WS_CHILD, 0, 0, 0, 0, 100, 50}, 0, 0, 0};

PROPSHEETPAGEW Page(const wchar_t* title, LPARAM param) {
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof(page);
  page.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
  page.pResource = &kPageTemplate.dialog;
  page.pszTitle = title;
  page.pfnDlgProc = SheetPage;
  page.lParam = param;
  return page;
}

// Page titles and the sheet's caption go through the code page, for a page made beforehand and for
// pages given in the sheet's record, one after another, each its own size long.
TEST(PropertySheets, TitlesThroughTheCodePage) {
  const std::wstring first = std::wstring(L"One ") + kOutside, second = L"Two \u00e9";
  const std::wstring caption = std::wstring(L"Sheet ") + kOutside;
  PROPSHEETPAGEW made = Page(first.c_str(), 41);
  HPROPSHEETPAGE handle = CreatePropertySheetPageW(&made);
  ASSERT_NE(handle, nullptr);
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_MODELESS;
  header.pszCaption = caption.c_str();
  header.nPages = 1;
  header.phpage = &handle;
  g_pageParam = 0;
  auto sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(g_pageParam, 41);
  EXPECT_EQ(TabTexts(sheet), std::vector<std::wstring>{Acp(first)}) << CurrentMode().name;
  EXPECT_EQ(SystemText(sheet), Acp(caption)) << CurrentMode().name;
  DestroyWindow(sheet);

  // The first page in the short record of the oldest systems, the second in the full one.
  PROPSHEETPAGEW pages[2] = {Page(first.c_str(), 51), Page(second.c_str(), 52)};
  pages[0].dwSize = PROPSHEETPAGEW_V1_SIZE;
  std::vector<BYTE> records(PROPSHEETPAGEW_V1_SIZE + sizeof(PROPSHEETPAGEW));
  std::memcpy(records.data(), &pages[0], PROPSHEETPAGEW_V1_SIZE);
  std::memcpy(records.data() + PROPSHEETPAGEW_V1_SIZE, &pages[1], sizeof(PROPSHEETPAGEW));
  header.dwFlags = PSH_MODELESS | PSH_PROPSHEETPAGE;
  header.nPages = 2;
  header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEW>(records.data());
  g_pageParam = 0;
  sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(g_pageParam, 51);
  EXPECT_EQ(TabTexts(sheet), (std::vector<std::wstring>{Acp(first), Acp(second)})) << CurrentMode().name;
  DestroyWindow(sheet);
}

// --- starting programs

// A command interpreter's test that tells the texts it was given: "x" and the letter outside the
// code page equal "x?" only where the letter went through the code page. The exit code says which.
std::wstring ComparingCommand(const std::wstring& tail) {
  return std::wstring(L"/c if \"x") + kOutside + L"\"==\"x?\" (" + tail + L"3) else (" + tail + L"4)";
}
// The longest a started interpreter may take, for a case that fails to end.
constexpr DWORD kProgramLimitMs = 10000;

DWORD ExpectedComparison() { return Acp(std::wstring(L"x") + kOutside) == L"x?" ? 3 : 4; }

TEST(Shell, ExecuteExHandsOnItsTextsAndGivesTheProcessBack) {
  const std::wstring parameters = ComparingCommand(L"exit ");
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = L"cmd.exe";
  info.lpParameters = parameters.c_str();
  info.lpDirectory = TempDir().c_str();
  info.nShow = SW_HIDE;
  ASSERT_TRUE(ShellExecuteExW(&info)) << GetLastError();
  ASSERT_NE(info.hProcess, nullptr);
  EXPECT_GT(reinterpret_cast<INT_PTR>(info.hInstApp), 32);
  ASSERT_EQ(WaitForSingleObject(info.hProcess, kProgramLimitMs), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  EXPECT_EQ(code, ExpectedComparison()) << CurrentMode().name;
  CloseHandle(info.hProcess);

  SHELLEXECUTEINFOW missing{};
  missing.cbSize = sizeof(missing);
  missing.fMask = SEE_MASK_FLAG_NO_UI;
  missing.lpFile = L"C:\\ambrel_missing_program.exe";
  EXPECT_FALSE(ShellExecuteExW(&missing));
  EXPECT_LE(reinterpret_cast<INT_PTR>(missing.hInstApp), 32);
}

// The plain entry gives no process: the interpreter leaves a file of the answer's name.
TEST(Shell, ExecuteHandsOnItsTexts) {
  const std::wstring folder = TempDir() + L"ambrel_" + CurrentModeName() + L"_execute";
  CreateDirectoryW(folder.c_str(), nullptr);
  for (const wchar_t* answer : {L"\\3", L"\\4"}) DeleteFileW((folder + answer).c_str());
  const std::wstring parameters = ComparingCommand(L"type nul > ");
  // The tail names the answer's file in the working folder: "type nul > 3".
  HINSTANCE started =
      ShellExecuteW(nullptr, L"open", L"cmd.exe", parameters.c_str(), folder.c_str(), SW_HIDE);
  EXPECT_GT(reinterpret_cast<INT_PTR>(started), 32);
  const std::wstring expected = folder + L"\\" + std::to_wstring(ExpectedComparison());
  // Woken by each change of the folder's names, until the file is there or the limit has passed.
  HANDLE change = FindFirstChangeNotificationA(AnsiOf(folder).c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
  ASSERT_NE(change, INVALID_HANDLE_VALUE);
  const DWORD deadline = GetTickCount() + kProgramLimitMs;
  while (GetFileAttributesW(expected.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() < deadline) {
    WaitForSingleObject(change, static_cast<DWORD>(deadline - GetTickCount()));
    FindNextChangeNotification(change);
  }
  FindCloseChangeNotification(change);
  EXPECT_NE(GetFileAttributesW(expected.c_str()), INVALID_FILE_ATTRIBUTES) << CurrentMode().name;
  for (const wchar_t* answer : {L"\\3", L"\\4"}) DeleteFileW((folder + answer).c_str());
  RemoveDirectoryW(folder.c_str());
}

// --- the notification area and help: stand-ins of the shell's tray and of the help program in this
// process receive what the system sends them

struct Received {
  ULONG_PTR kind = 0;
  std::vector<BYTE> data;
};
std::vector<Received> g_received;

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    const auto* bytes = static_cast<const BYTE*>(copy->lpData);
    g_received.push_back({copy->dwData, std::vector<BYTE>(bytes, bytes + copy->cbData)});
    return TRUE;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The modes run side by side: one program at a time has stand-in windows, which the system finds by
// their class names.
class StandInTurn {
 public:
  StandInTurn() : m_lock(CreateMutexA(nullptr, FALSE, "AmbrelStandInWindows")) {
    WaitForSingleObject(m_lock, INFINITE);
  }
  ~StandInTurn() {
    ReleaseMutex(m_lock);
    CloseHandle(m_lock);
  }

 private:
  HANDLE m_lock;
};

HWND StandIn(const wchar_t* className) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = StandInProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = className;
  RegisterClassW(&windowClass);
  return CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The tip reaches the tray through the code page, and no longer than the 95/98 record holds (63
// characters); the system hands it on as wide text after the window, id, flags and message.
TEST(Shell, NotifyIconTipThroughTheCodePage) {
  StandInTurn turn;
  HWND tray = StandIn(L"Shell_TrayWnd");
  ASSERT_NE(tray, nullptr);
  if (FindWindowA("Shell_TrayWnd", nullptr) != tray) {
    DestroyWindow(tray);
    GTEST_SKIP() << "another tray comes first";
  }
  const std::wstring shortTip = std::wstring(L"Tip \u00e9 ") + kOutside;
  const std::wstring longTip(100, L'w');
  for (const std::wstring& tip : {shortTip, longTip}) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = tray;
    data.uID = 7;
    data.uFlags = NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = WM_APP + 1;
    tip.copy(data.szTip, 127);
    g_received.clear();
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].kind, static_cast<ULONG_PTR>(NIM_ADD));
    ASSERT_GE(g_received[0].data.size(), 16u + 128u * 2u);
    UINT id = 0;
    std::memcpy(&id, g_received[0].data.data() + 4, 4);
    EXPECT_EQ(id, 7u);
    const auto* shown = reinterpret_cast<const wchar_t*>(g_received[0].data.data() + 16);
    std::wstring expected = Acp(tip);
    if (Ansi()) expected.resize(std::min<size_t>(expected.size(), 63));
    EXPECT_EQ(std::wstring(shown, wcsnlen(shown, 128)), expected) << CurrentMode().name;
  }
  DestroyWindow(tray);
}

// What the help program is sent: a header (its size, the command, two numbers, the offsets of the
// file name and of the data), then the ANSI file name and the command's data.
struct HelpRequest {
  WORD size, command;
  LONG data, reserved;
  WORD fileOffset, dataOffset;
};
static_assert(sizeof(HelpRequest) == 16);

TEST(Help, FileNamesAndDataReachTheHelpProgramInAnsiForm) {
  StandInTurn turn;
  HWND help = StandIn(L"MS_WINHELP");
  ASSERT_NE(help, nullptr);
  const std::wstring file = L"C:\\Hilfe\\caf\u00e9.hlp";
  const std::wstring key = std::wstring(L"Schl\u00fcssel ") + kOutside;
  auto request = [](size_t i) {
    HelpRequest header{};
    std::memcpy(&header, g_received.at(i).data.data(), sizeof(header));
    return header;
  };
  auto fileOf = [&](size_t i) {
    return std::string(reinterpret_cast<const char*>(g_received.at(i).data.data()) + request(i).fileOffset);
  };
  auto dataOf = [&](size_t i) { return g_received.at(i).data.data() + request(i).dataOffset; };
  g_received.clear();
  EXPECT_TRUE(WinHelpW(help, file.c_str(), HELP_KEY, reinterpret_cast<ULONG_PTR>(key.c_str())));
  ASSERT_EQ(g_received.size(), 1u);
  EXPECT_EQ(request(0).command, HELP_KEY);
  EXPECT_EQ(fileOf(0), AnsiOf(file));
  // Wine's own wide entry hands the wide key on as it is: the key is checked where Ambrel converts it.
  if (Ansi()) {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dataOf(0))), AnsiOf(key)) << CurrentMode().name;

    // A key list: its size, the list character, the key text.
    std::vector<BYTE> wide(sizeof(MULTIKEYHELPW) + key.size() * 2);
    auto* multi = reinterpret_cast<MULTIKEYHELPW*>(wide.data());
    multi->mkSize = static_cast<DWORD>(wide.size());
    multi->mkKeylist = L'K';
    std::memcpy(multi->szKeyphrase, key.c_str(), (key.size() + 1) * 2);
    EXPECT_TRUE(WinHelpW(help, file.c_str(), HELP_MULTIKEY, reinterpret_cast<ULONG_PTR>(multi)));
    ASSERT_EQ(g_received.size(), 2u);
    const auto* ansiMulti = reinterpret_cast<const MULTIKEYHELPA*>(dataOf(1));
    EXPECT_EQ(ansiMulti->mkSize, AnsiOf(key).size() + 8);
    EXPECT_EQ(ansiMulti->mkKeylist, 'K');
    EXPECT_EQ(std::string(ansiMulti->szKeyphrase), AnsiOf(key));

    // A window position: its size, the five numbers, the window's name.
    const std::wstring member = L"m\u00e9in";
    std::vector<BYTE> place(sizeof(HELPWININFOW) + member.size() * 2);
    auto* position = reinterpret_cast<HELPWININFOW*>(place.data());
    position->wStructSize = static_cast<int>(place.size());
    *position = {position->wStructSize, 10, 20, 300, 400, SW_SHOW, {0}};
    std::memcpy(position->rgchMember, member.c_str(), (member.size() + 1) * 2);
    EXPECT_TRUE(WinHelpW(help, file.c_str(), HELP_SETWINPOS, reinterpret_cast<ULONG_PTR>(position)));
    ASSERT_EQ(g_received.size(), 3u);
    const auto* ansiPosition = reinterpret_cast<const HELPWININFOA*>(dataOf(2));
    EXPECT_EQ(ansiPosition->wStructSize, static_cast<int>(AnsiOf(member).size() + 28));
    EXPECT_EQ(ansiPosition->x, 10);
    EXPECT_EQ(ansiPosition->dy, 400);
    EXPECT_EQ(ansiPosition->wMax, SW_SHOW);
    EXPECT_EQ(std::string(ansiPosition->rgchMember), AnsiOf(member));
  }
  DestroyWindow(help);
}

// --- drawing and fonts

// A memory picture with its font, white, and its pixels.
class Picture {
 public:
  Picture() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
    std::fill(m_bits, m_bits + kWidth * kHeight, 0xFFFFFFu);
    // Past Ambrel, so that the font does not depend on the mode.
    m_font = CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
    m_oldFont = SelectObject(m_dc, m_font);
  }
  ~Picture() {
    SelectObject(m_dc, m_oldFont);
    SelectObject(m_dc, m_oldBitmap);
    DeleteObject(m_font);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  HDC dc() const { return m_dc; }
  std::vector<DWORD> Pixels() const { return std::vector<DWORD>(m_bits, m_bits + kWidth * kHeight); }
  // The text drawn by the system's wide function at (5, 5).
  static std::vector<DWORD> SystemDrawing(const std::wstring& text) {
    using DrawFn = int(WINAPI*)(HDC, LPCWSTR, int, LPRECT, UINT);
    Picture picture;
    RECT place{5, 5, kWidth, kHeight};
    SystemEntry<DrawFn>("user32.dll", "DrawTextW")(picture.dc(), text.c_str(), static_cast<int>(text.size()),
                                                   &place, DT_NOCLIP | DT_NOPREFIX | DT_SINGLELINE);
    return picture.Pixels();
  }

  static constexpr int kWidth = 160, kHeight = 32;

 private:
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  DWORD* m_bits = nullptr;
  HFONT m_font = nullptr;
  HGDIOBJ m_oldBitmap = nullptr, m_oldFont = nullptr;
};

// What an ANSI drawing function draws of a wide text on 95/98: its ANSI bytes, read in the code page of
// the font's character set (under code page 932 the font here is a western one).
std::wstring AsTheFontReads(HDC dc, const std::wstring& text) {
  if (!Ansi()) return text;
  CHARSETINFO charset{};
  UINT codePage = CP_ACP;
  if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(GetTextCharset(dc))), &charset,
                           TCI_SRCCHARSET))
    codePage = charset.ciACP;
  const std::string bytes = AnsiOf(text);
  std::wstring read(bytes.size(), L'\0');
  read.resize(MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), read.data(),
                                  static_cast<int>(read.size())));
  return read;
}

// A text drawn as a state is the text through the code page, its explicit length counted in wide
// units (three units are five bytes under code page 932).
TEST(Drawing, StateTextThroughTheCodePage) {
  const std::wstring text = L"A\u03a9\u0416B";  // Greek and Cyrillic: outside code page 1252, in 932
  struct Case {
    WPARAM length;  // 0: up to the terminator
    std::wstring drawn;
  };
  const Case kCases[] = {{0, text}, {3, text.substr(0, 3)}};
  for (const auto& c : kCases) {
    Picture picture;
    ASSERT_TRUE(DrawStateW(picture.dc(), nullptr, nullptr, reinterpret_cast<LPARAM>(text.c_str()), c.length,
                           5, 5, 0, 0, DST_TEXT));
    std::vector<DWORD> expected = Picture::SystemDrawing(AsTheFontReads(picture.dc(), c.drawn));
    EXPECT_NE(expected, Picture().Pixels());  // something is drawn
    EXPECT_TRUE(picture.Pixels() == expected) << CurrentMode().name << " length " << c.length;
    if (AsTheFontReads(picture.dc(), c.drawn) != c.drawn) {
      EXPECT_NE(expected, Picture::SystemDrawing(c.drawn));  // the case has something to lose
    }
  }
}

// On 95/98 the pairs are the ANSI function's, their characters widened through the font's code page;
// elsewhere the system's wide answer. The font holds pairs of characters outside the code page, so
// a call of the wide function on 95/98 would give more.
TEST(Drawing, KerningPairsAsTheSystemAnswers) {
  using PairsFn = DWORD(WINAPI*)(HDC, DWORD, LPKERNINGPAIR);
  Picture picture;
  HDC dc = picture.dc();
  std::vector<KERNINGPAIR> expected;
  if (Ansi()) {
    CHARSETINFO charset{};
    ASSERT_TRUE(TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(GetTextCharset(dc))),
                                     &charset, TCI_SRCCHARSET));
    expected.resize(GetKerningPairsA(dc, 0, nullptr));
    expected.resize(GetKerningPairsA(dc, static_cast<DWORD>(expected.size()), expected.data()));
    auto widen = [&](WORD code) {
      char byte = static_cast<char>(code);
      wchar_t wide = 0;
      MultiByteToWideChar(charset.ciACP, 0, &byte, 1, &wide, 1);
      return static_cast<WORD>(wide);
    };
    for (auto& pair : expected) pair = {widen(pair.wFirst), widen(pair.wSecond), pair.iKernAmount};
    ASSERT_LT(expected.size(), SystemEntry<PairsFn>("gdi32.dll", "GetKerningPairsW")(dc, 0, nullptr));
  } else {
    auto system = SystemEntry<PairsFn>("gdi32.dll", "GetKerningPairsW");
    expected.resize(system(dc, 0, nullptr));
    expected.resize(system(dc, static_cast<DWORD>(expected.size()), expected.data()));
  }
  ASSERT_GT(expected.size(), 100u);
  EXPECT_EQ(GetKerningPairsW(dc, 0, nullptr), expected.size());
  std::vector<KERNINGPAIR> ours(expected.size() + 1);
  ASSERT_EQ(GetKerningPairsW(dc, static_cast<DWORD>(ours.size()), ours.data()), expected.size());
  size_t differing = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (ours[i].wFirst != expected[i].wFirst || ours[i].wSecond != expected[i].wSecond ||
        ours[i].iKernAmount != expected[i].iKernAmount)
      ++differing;
  }
  EXPECT_EQ(differing, 0u) << CurrentMode().name;
}

// --- directory lists in a combo box

// A folder's files listed into a combo box and one chosen back: names as the 95/98 path finds them
// through the code page, the pattern left in the caller's buffer; a folder entry answers TRUE.
TEST(DialogLists, FilesOfAFolderInAComboBox) {
  if (!DiskTakesNamesOutsideAscii()) return;
  using CreateFn = BOOL(WINAPI*)(LPCWSTR, LPSECURITY_ATTRIBUTES);
  using RemoveFn = BOOL(WINAPI*)(LPCWSTR);
  using CreateFileFn = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
  using DeleteFn = BOOL(WINAPI*)(LPCWSTR);
  auto createFolder = SystemEntry<CreateFn>("kernel32.dll", "CreateDirectoryW");
  auto removeFolder = SystemEntry<RemoveFn>("kernel32.dll", "RemoveDirectoryW");
  const std::wstring folder = TempDir() + CurrentModeName() + L"_combo";
  const std::wstring sub = folder + L"\\d_s\u00fcb";
  ASSERT_TRUE(createFolder(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(createFolder(sub.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  const std::wstring kNames[] = {L"a_caf\u00e9.txt", std::wstring(L"b_") + kOutside + L".txt"};
  auto createFile = SystemEntry<CreateFileFn>("kernel32.dll", "CreateFileW");
  for (const auto& name : kNames) {
    CloseHandle(
        createFile((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  HWND parent =
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 100, 100,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(100)), nullptr, nullptr);
  ASSERT_NE(combo, nullptr);
  wchar_t pattern[MAX_PATH] = {};
  lstrcpynW(pattern, (folder + L"\\*.txt").c_str(), MAX_PATH);
  EXPECT_TRUE(DlgDirListComboBoxW(parent, pattern, 100, 0, DDL_READWRITE | DDL_DIRECTORY));
  EXPECT_EQ(lstrcmpiW(pattern, L"*.txt"), 0) << pattern;
  // The files and the folders, "[..]" and the subfolder, sorted.
  const std::vector<std::wstring> expected = {L"[..]", L"[" + Acp(L"d_s\u00fcb") + L"]", Acp(kNames[0]),
                                              Acp(kNames[1])};
  std::vector<std::wstring> lines;
  for (int i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
    wchar_t line[MAX_PATH] = {};
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(line));
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, expected) << CurrentMode().name;
  struct Choice {
    std::wstring line;
    std::wstring text;
    BOOL folder;
  };
  const Choice kChoices[] = {{Acp(kNames[1]), Acp(kNames[1]), FALSE},
                             {L"[" + Acp(L"d_s\u00fcb") + L"]", Acp(L"d_s\u00fcb") + L"\\", TRUE}};
  for (const auto& c : kChoices) {
    // By its index: Wine keeps the names of the list in wide form, where a text search through the
    // code page does not find them.
    for (int i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
      wchar_t line[MAX_PATH] = {};
      SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(line));
      if (line == c.line) SendMessageW(combo, CB_SETCURSEL, i, 0);
    }
    wchar_t chosen[MAX_PATH] = {};
    EXPECT_EQ(DlgDirSelectComboBoxExW(parent, chosen, MAX_PATH, 100), c.folder) << AnsiOf(c.line);
    EXPECT_EQ(std::wstring(chosen), c.text) << CurrentMode().name;
  }
  // A folder whose name the code page does not hold cannot be listed on 95/98.
  const std::wstring outside = folder + L"\\e_" + kOutside;
  ASSERT_TRUE(createFolder(outside.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  lstrcpynW(pattern, (outside + L"\\*.txt").c_str(), MAX_PATH);
  EXPECT_EQ(DlgDirListComboBoxW(parent, pattern, 100, 0, DDL_READWRITE) != 0, !Ansi()) << CurrentMode().name;
  // The same for a list box (Wine keeps the names of both lists in wide form, so that their lines
  // read back through the code page alike either way; the folder's name tells the paths apart).
  CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD, 0, 0, 100, 100, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(101)), nullptr, nullptr);
  lstrcpynW(pattern, (outside + L"\\*.txt").c_str(), MAX_PATH);
  EXPECT_EQ(DlgDirListW(parent, pattern, 101, 0, DDL_READWRITE) != 0, !Ansi()) << CurrentMode().name;
  DestroyWindow(parent);
  SetCurrentDirectoryW(current);
  auto remove = SystemEntry<DeleteFn>("kernel32.dll", "DeleteFileW");
  for (const auto& name : kNames) remove((folder + L"\\" + name).c_str());
  removeFolder(outside.c_str());
  removeFolder(sub.c_str());
  removeFolder(folder.c_str());
}

// --- names of kernel objects, profile entries, keys and files; programs and dialogs

// An object made through Ambrel is found by the system under the name's code-page form: the
// 95/98 path made it under that name.
TEST(Names, KernelObjectsUnderTheCodePageForm) {
  using OpenFn = HANDLE(WINAPI*)(DWORD, BOOL, LPCWSTR);
  struct Kind {
    const char* name;
    HANDLE (*create)(const wchar_t*);
    HANDLE(WINAPI* open)(DWORD, BOOL, LPCWSTR);
    const char* systemOpen;
    DWORD access;
  };
  const Kind kKinds[] = {
      {"event", [](const wchar_t* n) { return CreateEventW(nullptr, TRUE, FALSE, n); }, OpenEventW,
       "OpenEventW", SYNCHRONIZE},
      {"mutex", [](const wchar_t* n) { return CreateMutexW(nullptr, FALSE, n); }, OpenMutexW, "OpenMutexW",
       SYNCHRONIZE},
      {"semaphore", [](const wchar_t* n) { return CreateSemaphoreW(nullptr, 0, 1, n); }, OpenSemaphoreW,
       "OpenSemaphoreW", SYNCHRONIZE},
      {"mapping",
       [](const wchar_t* n) {
         return CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, n);
       },
       OpenFileMappingW, "OpenFileMappingW", FILE_MAP_READ},
  };
  for (const auto& kind : kKinds) {
    const std::wstring name = L"Ambrel_" + CurrentModeName() + L"_" +
                              std::wstring(kind.name, kind.name + std::strlen(kind.name)) + L"_" + kOutside;
    HANDLE made = kind.create(name.c_str());
    ASSERT_NE(made, nullptr) << kind.name;
    HANDLE bySystem =
        SystemEntry<OpenFn>("kernel32.dll", kind.systemOpen)(kind.access, FALSE, Acp(name).c_str());
    EXPECT_NE(bySystem, nullptr) << kind.name << " " << CurrentMode().name;
    HANDLE byAmbrel = kind.open(kind.access, FALSE, name.c_str());
    EXPECT_NE(byAmbrel, nullptr) << kind.name;
    for (HANDLE h : {made, bySystem, byAmbrel})
      if (h) CloseHandle(h);
  }
}

// Two entries, one under the wide name and one under its code-page form ("k?"): the 95/98 path
// reads the second; a value written through Ambrel is stored as the code page holds it.
TEST(Names, ProfileEntriesUnderTheCodePageForm) {
  using WriteFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR);
  using ReadFn = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, LPWSTR, DWORD, LPCWSTR);
  auto write = SystemEntry<WriteFn>("kernel32.dll", "WritePrivateProfileStringW");
  auto read = SystemEntry<ReadFn>("kernel32.dll", "GetPrivateProfileStringW");
  const std::wstring file = TempDir() + L"ambrel_" + CurrentModeName() + L".ini";
  const std::wstring section = L"Ambrel" + CurrentModeName();
  // Wine keeps a profile file in ANSI form unless it begins as a wide one.
  using CreateFileFn = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
  HANDLE created = SystemEntry<CreateFileFn>("kernel32.dll", "CreateFileW")(
      file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(created, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(created, "\xff\xfe", 2, &written, nullptr);
  CloseHandle(created);
  const std::wstring key = std::wstring(L"k") + kOutside;
  ASSERT_TRUE(write(section.c_str(), key.c_str(), L"7", file.c_str()));
  ASSERT_TRUE(write(section.c_str(), L"k?", L"42", file.c_str()));
  const UINT expected = Ansi() ? 42 : 7;
  EXPECT_EQ(GetPrivateProfileIntW(section.c_str(), key.c_str(), 0, file.c_str()), expected)
      << CurrentMode().name;
  wchar_t text[16] = {};
  EXPECT_EQ(GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", text, 16, file.c_str()),
            Ansi() ? 2u : 1u);
  EXPECT_EQ(std::wstring(text), std::to_wstring(expected));
  const std::wstring value = std::wstring(L"v\u00e9 ") + kOutside;
  ASSERT_TRUE(WritePrivateProfileStringW(section.c_str(), L"w", value.c_str(), file.c_str()));
  read(section.c_str(), L"w", L"", text, 16, file.c_str());
  EXPECT_EQ(std::wstring(text), Acp(value)) << CurrentMode().name;
  DeleteFileW(file.c_str());
}

// A key made through Ambrel is found by the system under its code-page name, and listed so.
TEST(Names, RegistryKeysUnderTheCodePageForm) {
  using OpenFn = LSTATUS(WINAPI*)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
  const std::wstring parent = L"Software\\Orvel\\AmbrelKeys_" + CurrentModeName();
  const std::wstring child = std::wstring(L"k") + kOutside;
  SHDeleteKeyW(HKEY_CURRENT_USER, parent.c_str());
  HKEY made = nullptr;
  ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, (parent + L"\\" + child).c_str(), &made), ERROR_SUCCESS);
  RegCloseKey(made);
  HKEY found = nullptr;
  EXPECT_EQ(SystemEntry<OpenFn>("advapi32.dll", "RegOpenKeyExW")(
                HKEY_CURRENT_USER, (parent + L"\\" + Acp(child)).c_str(), 0, KEY_READ, &found),
            ERROR_SUCCESS)
      << CurrentMode().name;
  if (found) RegCloseKey(found);
  found = nullptr;
  EXPECT_EQ(RegOpenKeyW(HKEY_CURRENT_USER, (parent + L"\\" + child).c_str(), &found), ERROR_SUCCESS);
  if (found) RegCloseKey(found);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyW(HKEY_CURRENT_USER, parent.c_str(), &key), ERROR_SUCCESS);
  wchar_t name[32] = {};
  EXPECT_EQ(RegEnumKeyW(key, 0, name, 32), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(name), Acp(child));
  EXPECT_EQ(RegEnumKeyW(key, 1, name, 32), ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
  EXPECT_EQ(SHDeleteKeyW(HKEY_CURRENT_USER, parent.c_str()), ERROR_SUCCESS);
}

// File rows with a name outside the code page: the 95/98 path cannot reach the file.
TEST(Names, FilesOutsideTheCodePageAreNotReached) {
  if (!DiskTakesNamesOutsideAscii()) return;
  using CreateFileFn = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
  using CopyFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, BOOL);
  using DeleteFn = BOOL(WINAPI*)(LPCWSTR);
  auto remove = SystemEntry<DeleteFn>("kernel32.dll", "DeleteFileW");
  const std::wstring outside = TempDir() + CurrentModeName() + L"_n" + kOutside + L".dll";
  const std::wstring plain = TempDir() + CurrentModeName() + L"_plain.txt";
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_TRUE(SystemEntry<CopyFn>("kernel32.dll", "CopyFileW")(
      (std::wstring(system) + L"\\shell32.dll").c_str(), outside.c_str(), FALSE));
  CloseHandle(SystemEntry<CreateFileFn>("kernel32.dll", "CreateFileW")(plain.c_str(), GENERIC_WRITE, 0,
                                                                       nullptr, CREATE_ALWAYS, 0, nullptr));
  const bool reached = !Ansi();
  EXPECT_EQ(SetFileAttributesW(outside.c_str(), FILE_ATTRIBUTE_NORMAL) != 0, reached);
  wchar_t shortPath[MAX_PATH] = {};
  EXPECT_EQ(GetShortPathNameW(outside.c_str(), shortPath, MAX_PATH) != 0, reached);
  DWORD needed = 0;
  GetFileSecurityW(outside.c_str(), OWNER_SECURITY_INFORMATION, nullptr, 0, &needed);
  EXPECT_EQ(needed != 0, reached);
  // The plain file's own owner, set on the other file.
  using SecurityFn = BOOL(WINAPI*)(LPCWSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
  auto security = SystemEntry<SecurityFn>("advapi32.dll", "GetFileSecurityW");
  std::vector<BYTE> descriptor(1024);
  ASSERT_TRUE(security(plain.c_str(), OWNER_SECURITY_INFORMATION, descriptor.data(),
                       static_cast<DWORD>(descriptor.size()), &needed));
  EXPECT_EQ(SetFileSecurityW(outside.c_str(), OWNER_SECURITY_INFORMATION, descriptor.data()) != 0, reached);
  HMODULE module = LoadLibraryExW(outside.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EXPECT_EQ(module != nullptr, reached);
  if (module) FreeLibrary(module);
  const std::wstring moved = TempDir() + CurrentModeName() + L"_m" + kOutside + L".txt";
  EXPECT_EQ(MoveFileW(plain.c_str(), moved.c_str()) != 0, reached) << CurrentMode().name;
  for (const auto& path : {outside, plain, moved}) remove(path.c_str());
}

// The command line reaches the program through the code page.
TEST(Names, ProcessCommandLineThroughTheCodePage) {
  std::wstring command = L"cmd.exe " + ComparingCommand(L"exit ");
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             nullptr, &startup, &process));
  ASSERT_EQ(WaitForSingleObject(process.hProcess, kProgramLimitMs), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, ExpectedComparison()) << CurrentMode().name;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

INT_PTR CALLBACK EmptyDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A dialog made from its template on 95/98 is an ANSI window, as the system's own controls are.
TEST(Names, DialogFromATemplateIsAnAnsiWindowOn9x) {
  const EmptyPageTemplate popup = {{WS_POPUP, 0, 0, 0, 0, 100, 50}, 0, 0, 0};
  HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &popup.dialog, nullptr, EmptyDialog, 0);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(IsWindowUnicode(dialog) != 0, !Ansi()) << CurrentMode().name;
  DestroyWindow(dialog);
}

// A locale's own name of its language comes back as the system gives it: the ANSI function answers
// in the locale's own code page (1255 here), not the system's. With LOCALE_USE_CP_ACP it answers in
// the system's code page, which does not hold the letters.
TEST(Names, LocaleTextInTheLocalesCodePage) {
  using InfoFn = int(WINAPI*)(LCID, LCTYPE, LPWSTR, int);
  const LCID hebrew = MAKELCID(MAKELANGID(LANG_HEBREW, SUBLANG_DEFAULT), SORT_DEFAULT);
  wchar_t theirs[64] = {}, ours[64] = {};
  ASSERT_GT(SystemEntry<InfoFn>("kernel32.dll", "GetLocaleInfoW")(hebrew, LOCALE_SNATIVELANGNAME, theirs, 64),
            0);
  ASSERT_NE(AnsiOf(theirs).find('?'), std::string::npos)
      << "the name has letters outside the system's code page";
  const int units = static_cast<int>(std::wcslen(theirs));
  EXPECT_EQ(GetLocaleInfoW(hebrew, LOCALE_SNATIVELANGNAME, nullptr, 0), units + 1);
  EXPECT_EQ(GetLocaleInfoW(hebrew, LOCALE_SNATIVELANGNAME, ours, 64), units + 1);
  EXPECT_EQ(std::wstring(ours), theirs) << CurrentMode().name;
  EXPECT_EQ(GetLocaleInfoW(hebrew, LOCALE_SNATIVELANGNAME | LOCALE_USE_CP_ACP, ours, 64), units + 1);
  EXPECT_EQ(std::wstring(ours), Acp(theirs)) << CurrentMode().name;
  // A number asked for as one: the value itself, two units long.
  DWORD codePage = 0;
  EXPECT_EQ(GetLocaleInfoW(hebrew, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                           reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(wchar_t)),
            2);
  EXPECT_EQ(codePage, 1255u) << CurrentMode().name;
}

// A character outside the code page is typed as the '?' that the 95/98 path makes of it.
TEST(Names, StringTypesOfACharacterOutsideTheCodePage) {
  using TypeFn = BOOL(WINAPI*)(LCID, DWORD, LPCWSTR, int, LPWORD);
  auto system = SystemEntry<TypeFn>("kernel32.dll", "GetStringTypeExW");
  WORD ours[2] = {0xBEEF, 0xBEEF}, theirs[2] = {};
  ASSERT_TRUE(GetStringTypeExW(LOCALE_SYSTEM_DEFAULT, CT_CTYPE1, kOutside, 1, ours));
  ASSERT_TRUE(system(LOCALE_SYSTEM_DEFAULT, CT_CTYPE1, Acp(kOutside).c_str(), 1, theirs));
  EXPECT_EQ(ours[0], theirs[0]) << CurrentMode().name;
  EXPECT_EQ(ours[1], 0xBEEF);
  EXPECT_EQ((ours[0] & C1_ALPHA) != 0, !Ansi());  // the letter, or the '?' it became
}

// The system's own profile entry under the code-page form of a name ("k?"); the wide name finds
// it on 95/98 only. The entry is one of win.ini's, which the modes share: the default printer's
// lock keeps them to one program at a time.
TEST(Names, ProfileNumberUnderTheCodePageForm) {
  HANDLE lock = CreateMutexA(nullptr, FALSE, "AmbrelDefaultPrinterEntry");
  WaitForSingleObject(lock, INFINITE);
  using WriteProfileFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR);
  auto writeProfile = SystemEntry<WriteProfileFn>("kernel32.dll", "WriteProfileStringW");
  const std::wstring section = L"Ambrel" + CurrentModeName();
  EXPECT_TRUE(writeProfile(section.c_str(), L"k?", L"42"));
  EXPECT_EQ(GetProfileIntW(section.c_str(), (std::wstring(L"k") + kOutside).c_str(), 5), Ansi() ? 42u : 5u)
      << CurrentMode().name;
  writeProfile(section.c_str(), nullptr, nullptr);
  ReleaseMutex(lock);
  CloseHandle(lock);
}

// Rows whose texts the code page always holds here (drive roots, the machine's name, the system's
// own volume and desktop names): the answers are the system's.
TEST(Names, SystemTextsAsTheSystemGivesThem) {
  using NameFn = BOOL(WINAPI*)(LPWSTR, LPDWORD);
  using DrivesFn = DWORD(WINAPI*)(DWORD, LPWSTR);
  using VolumeFn = BOOL(WINAPI*)(LPCWSTR, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD);
  using StartupFn = void(WINAPI*)(LPSTARTUPINFOW);
  wchar_t ours[64] = {}, theirs[64] = {};
  DWORD ourSize = 64, theirSize = 64;
  ASSERT_TRUE(GetComputerNameW(ours, &ourSize));
  ASSERT_TRUE(SystemEntry<NameFn>("kernel32.dll", "GetComputerNameW")(theirs, &theirSize));
  EXPECT_EQ(std::wstring(ours), theirs);
  EXPECT_EQ(ourSize, theirSize);
  DWORD small = 1;
  EXPECT_FALSE(GetComputerNameW(ours, &small));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));

  wchar_t drives[128] = {}, systemDrives[128] = {};
  DWORD length = GetLogicalDriveStringsW(128, drives);
  EXPECT_EQ(length, SystemEntry<DrivesFn>("kernel32.dll", "GetLogicalDriveStringsW")(128, systemDrives));
  EXPECT_EQ(std::wstring(drives, length), std::wstring(systemDrives, length));
  EXPECT_EQ(GetDriveTypeW(L"C:\\"), static_cast<UINT>(DRIVE_FIXED));
  DWORD sectors = 0, bytes = 0, free = 0, clusters = 0;
  EXPECT_TRUE(GetDiskFreeSpaceW(L"C:\\", &sectors, &bytes, &free, &clusters));
  EXPECT_GT(bytes, 0u);

  wchar_t volume[64] = {}, fileSystem[64] = {}, systemVolume[64] = {}, systemFileSystem[64] = {};
  DWORD serial = 0, systemSerial = 0;
  ASSERT_TRUE(GetVolumeInformationW(L"C:\\", volume, 64, &serial, nullptr, nullptr, fileSystem, 64));
  ASSERT_TRUE(SystemEntry<VolumeFn>("kernel32.dll", "GetVolumeInformationW")(
      L"C:\\", systemVolume, 64, &systemSerial, nullptr, nullptr, systemFileSystem, 64));
  EXPECT_EQ(std::wstring(volume), systemVolume);
  EXPECT_EQ(std::wstring(fileSystem), systemFileSystem);
  EXPECT_EQ(serial, systemSerial);

  STARTUPINFOW startup{}, systemStartup{};
  GetStartupInfoW(&startup);
  SystemEntry<StartupFn>("kernel32.dll", "GetStartupInfoW")(&systemStartup);
  EXPECT_EQ(startup.cb, sizeof(STARTUPINFOW));
  EXPECT_EQ(std::wstring(startup.lpDesktop ? startup.lpDesktop : L""),
            systemStartup.lpDesktop ? systemStartup.lpDesktop : L"");
  EXPECT_EQ(startup.dwFlags, systemStartup.dwFlags);
}

}  // namespace
