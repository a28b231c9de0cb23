#include "ui/main/main_view.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "settings/settings_document.h"
#include "settings/settings_validate.h"
#include "support/path_text.h"
#include "support/u16text.h"
#include "support/win/command_line.h"
#include "support/win/registry.h"
#include "support/win/trace.h"
#include "support/win/wide.h"
#include "ui/app/app_text.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/dialogs/input_dialogs.h"
#include "ui/dialogs/text_dialogs.h"
#include "ui/send/engine_client.h"
#include "ui/send/send_dlg.h"
#include "ui/tree/tree_logic.h"
#include "ui/view/morvane_view.h"

namespace orvel::ui {

namespace {

constexpr UINT_PTR kModalCheckTimer = 1;
constexpr UINT kModalCheckMilliseconds = 100;
constexpr int kHeaderHeight = 32;
constexpr DWORD kPathUnits = 260;

// Strings of the language library.

constexpr wchar_t kRequestFileValue[] = L"RequestFile";
constexpr wchar_t kLastFileValue[] = L"LastFile";

struct PopupSearch {
  HWND parent;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectEnabledPopups(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<PopupSearch*>(lParam);
  if (::GetParent(window) == search->parent && (::GetWindowLongPtrW(window, GWL_STYLE) & WS_POPUP) &&
      ::IsWindowEnabled(window))
    search->windows.push_back(window);
  return TRUE;
}

// A registry text of at most kPathUnits characters; empty when it is missing or longer.
std::u16string ReadPathValue(const wchar_t* name) {
  std::optional<std::wstring> value = win::ReadRegString(HKEY_CURRENT_USER, win::kCorvansetKey, name);
  if (!value || value->size() > kPathUnits) return {};
  return win::FromWide(*value);
}

}  // namespace

CMainViewDlg::CMainViewDlg(CMorvaneView* view)
    : CDialog(view->Resources(), kMainViewTemplate),
      m_view(view),
      m_tree(this),
      m_untitled(App().LoadResString(kUntitledText, true)),
      m_document(App().Document()) {
  m_title = m_untitled;
}

CMainViewDlg::~CMainViewDlg() {
  if (m_normalFont) ::DeleteObject(m_normalFont);
  if (m_boldFont) ::DeleteObject(m_boldFont);
  win::TraceLine(L"main view deleted");
}

void CMainViewDlg::Run(Operation operation) {
  CHold hold(*this);
  Execute(operation);
}

void CMainViewDlg::Release(CMainViewDlg* view) {
  view->m_view = nullptr;
  // The object goes with the window's final message.
  view->DestroyWindow();
}

void CMainViewDlg::Execute(Operation operation) {
  if (!Handle()) return;
  m_tree.CommitEdit();
  switch (operation) {
    case Operation::FileNew:
      OnFileNew();
      break;
    case Operation::FileOpen:
      OnFileOpen();
      break;
    case Operation::FileSave:
      SaveFile();
      break;
    case Operation::FileSaveAs: {
      bool cancelled = false;
      SaveFileAs(cancelled);
      break;
    }
    case Operation::RunSession:
      OnRunSession();
      break;
    case Operation::ShowLog:
      OnShowLog();
      break;
    case Operation::EditCut:
      if (m_tree.ActiveEditorWindow())
        EditCommand(WM_CUT);
      else
        m_tree.DeleteSelectedEntry();
      break;
    case Operation::EditCopy:
      EditCommand(WM_COPY);
      break;
    case Operation::EditPaste:
      EditCommand(WM_PASTE);
      break;
    case Operation::EditUndo:
      EditCommand(EM_UNDO);
      break;
    case Operation::EditDelete:
      EditDelete();
      break;
    case Operation::EditSelectAll:
      EditSelectAll();
      break;
    case Operation::TransferMode1:
      m_transferMode = 1;
      break;
    case Operation::TransferMode2:
      m_transferMode = 2;
      break;
    case Operation::TransferMode3:
      m_transferMode = 3;
      break;
    case Operation::Print:
      OnPrint();
      break;
    case Operation::PrintPreview:
      OnPrintPreview();
      break;
    case Operation::PrintSetup:
      OnPrintSetup();
      break;
    case Operation::None:
      break;
  }
}

ViewState CMainViewDlg::State() {
  ViewState state;
  state.hasSettings = m_tree.HasSettings();
  state.editing = m_tree.IsEditing();
  state.canDelete = m_tree.CanDeleteSelection();
  state.previewActive = m_tree.IsPrintPreviewActive();
  return state;
}

void CMainViewDlg::InitialSetUp() {
  CHold hold(*this);
  win::CWaitCursor wait;
  CombinePath(m_defaultFolder, GetModuleFolder(), u"Configuration Files");
  if (!FileExists(m_defaultFolder)) ::CreateDirectoryW(win::AsWide(m_defaultFolder).c_str(), nullptr);
  m_dialogFolder = m_defaultFolder;
  // A file that the engine was asked to open is used once; otherwise the last file of the last run.
  std::u16string path = ReadPathValue(kRequestFileValue);
  if (!path.empty()) {
    win::DeleteRegValue(HKEY_CURRENT_USER, win::kCorvansetKey, kRequestFileValue);
  } else {
    path = ReadPathValue(kLastFileValue);
  }
  m_tree.Clear();
  m_document.Reset();
  if (!path.empty()) {
    OnFileOpen(&path);
    return;
  }
  ShowDocument();
  SetDocumentModified(false);
}

void CMainViewDlg::ShowDocument() {
  // References are repaired when they are shown; the tree shows an item only when it first comes
  // into view, so they are all repaired now, as part of the document shown, not as a later change.
  if (CSettingsNode* root = m_document.GetRoot()) ResolveReferences(*root);
  m_tree.Rebuild();
  m_tree.SelectFirst();
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void CMainViewDlg::OnFileNew() {
  win::CWaitCursor wait;
  if (IsDocumentModified() && !QuerySaveModified(false)) return;
  m_tree.Clear();
  m_document.Reset();
  m_title = m_untitled;
  m_path.clear();
  ShowDocument();
  SetDocumentModified(false);
}

std::u16string CMainViewDlg::FileFilter() const {
  return App().LoadResString(kSettingsFilesFilterText, true) + u" (*.xml)|*.xml|" +
         App().LoadResString(kAllFilesFilterText, true) + u" (*.*)|*.*||";
}

void CMainViewDlg::OnFileOpen(const std::u16string* given) {
  if (IsDocumentModified() && !QuerySaveModified(false)) return;
  std::u16string path;
  if (!given) {
    win::FileDialogOptions options;
    options.owner = Handle();
    options.filter = FileFilter();
    options.defaultExtension = u"xml";
    options.initialFolder = m_dialogFolder.empty() ? m_defaultFolder : m_dialogFolder;
    std::vector<std::u16string> chosen;
    INT_PTR answer = win::OpenFileDialog(options, chosen);
    if (!Handle() || answer != IDOK || chosen.empty()) return;
    path = chosen.front();
  } else {
    path = *given;
  }
  m_dialogFolder = GetFolderOfPath(path);
  m_tree.Clear();
  m_document.Reset();
  bool loaded = false;
  bool parseFailed = false;
  {
    win::CWaitCursor wait;
    loaded = m_document.LoadFile(path, parseFailed);
  }
  bool repaired = false;
  if (!loaded) {
    std::u16string detail = std::u16string(TrimBlanks(m_document.GetLastError()));
    m_document.Reset();
    // The document is then an untitled one.
    m_path.clear();
    m_title = m_untitled;
    if (parseFailed)
      App().ShowMessage(Handle(), kNotSettingsFileText, MB_ICONEXCLAMATION);
    else
      ShowFileError(kOpenFailedText, detail);
  } else {
    m_path = path;
    SetTitleFromPath();
    CSettingsNode* failing = nullptr;
    if (CSettingsNode* root = m_document.GetRoot(); root && !ValidateSettings(*root, failing, false, true)) {
      repaired = true;
      App().ShowMessage(Handle(), kSettingsCorrectedText, MB_ICONINFORMATION);
    }
  }
  if (!Handle()) return;
  ShowDocument();
  // Corrections made while loading are changes of the document: they are offered for saving.
  SetDocumentModified(repaired);
}

void CMainViewDlg::SetTitleFromPath() { m_title = GetFileNameOfPath(m_path); }

void CMainViewDlg::ShowFileError(uint32_t stringId, const std::u16string& detail) {
  std::u16string text = App().LoadResString(stringId, true);
  if (!detail.empty()) text += u"\r\n" + detail;
  App().ShowMessage(Handle(), text, MB_ICONEXCLAMATION);
}

bool CMainViewDlg::SaveFile() {
  if (m_path.empty()) {
    bool cancelled = false;
    return SaveFileAs(cancelled);
  }
  bool saved = false;
  {
    win::CWaitCursor wait;
    saved = m_document.SaveFile(m_path);
  }
  if (!saved) {
    ShowFileError(kSaveFailedText, std::u16string(TrimBlanks(m_document.GetLastError())));
    return false;
  }
  SetDocumentModified(false);
  return true;
}

bool CMainViewDlg::SaveFileAs(bool& cancelled) {
  win::FileDialogOptions options;
  options.owner = Handle();
  options.filter = FileFilter();
  options.defaultExtension = u"xml";
  options.title = App().LoadResString(kSaveAsTitleText, true);
  options.initialFolder = m_dialogFolder.empty() ? m_defaultFolder : m_dialogFolder;
  options.fileName = m_path.empty() ? std::u16string() : GetFileNameOfPath(m_path);
  options.flags = OFN_OVERWRITEPROMPT;
  std::u16string chosen;
  INT_PTR answer = win::SaveFileDialog(options, chosen);
  if (!Handle() || answer != IDOK || chosen.empty()) {
    cancelled = true;
    return false;
  }
  cancelled = false;
  bool saved = false;
  {
    win::CWaitCursor wait;
    saved = m_document.SaveFile(chosen);
  }
  if (!saved) {
    ShowFileError(kSaveFailedText, std::u16string(TrimBlanks(m_document.GetLastError())));
    return false;
  }
  m_path = chosen;
  m_dialogFolder = GetFolderOfPath(chosen);
  SetTitleFromPath();
  SetDocumentModified(false);
  if (Handle()) ::InvalidateRect(Handle(), nullptr, TRUE);
  return true;
}

bool CMainViewDlg::QuerySaveModified(bool closing) {
  int answer = App().ShowMessage(Handle(), kSaveChangesQuestionText,
                                 (closing ? MB_YESNO : MB_YESNOCANCEL) | MB_ICONQUESTION);
  if (answer == IDCANCEL) return false;
  if (answer == IDNO) return true;
  // An untitled document asks for its name at once; a cancelled name dialog ends the question.
  bool cancelled = false;
  bool saved = m_path.empty() ? SaveFileAs(cancelled) : SaveFile();
  if (saved) return true;
  if (!closing) return false;
  // Closing goes on in any case; a failed write is offered again under another name until it is
  // saved or the user cancels.
  while (!cancelled && Handle()) {
    if (SaveFileAs(cancelled)) return true;
  }
  return true;
}

void CMainViewDlg::OnRunSession() {
  if (!m_tree.HasSettings()) return;
  CSettingsNode* root = m_document.GetRoot();
  if (!root) return;
  CSettingsNode* failing = nullptr;
  if (!ValidateSettings(*root, failing, true, false)) {
    std::u16string name, value;
    if (failing) {
      failing->GetNodeName(name, true);
      failing->GetDisplayValue(value, true);
    }
    App().ShowMessage(Handle(),
                      FormatText(App().LoadResString(kRefusedSettingText, true),
                                 {QuoteForMessage(name), QuoteForMessage(value)}),
                      MB_ICONEXCLAMATION);
    return;
  }
  if (m_transferMode != 1) {
    CNoticeDlg notice(Module());
    RunModal(notice);
    return;
  }
  CSendDlg send(Module(), m_view, m_path);
  RunModal(send);
}

void CMainViewDlg::OnShowLog() {
  win::CWaitCursor wait;
  std::u16string path = EngineAuditLogPath();
  if (!FileExists(path)) {
    App().ShowMessage(Handle(), kNoLogText, MB_OK);
    return;
  }
  std::wstring wide = win::AsWide(path);
  auto opened =
      reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, nullptr, wide.c_str(), nullptr, nullptr, SW_SHOW));
  if (opened > 32) return;
  std::wstring quoted = win::QuotedArgument(wide);
  opened = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, nullptr, L"notepad", quoted.c_str(), nullptr, SW_SHOW));
  if (opened <= 32) App().ShowMessage(Handle(), kNoLogText, MB_OK);
}

bool CMainViewDlg::HavePrinter() {
  std::wstring name;
  if (!m_printer.Empty() || GetDefaultPrinterName(name)) return true;
  // The system's dialogs would tell only in their own words, or not at all.
  App().ShowMessage(Handle(), kNoPrinterText, MB_ICONEXCLAMATION);
  return false;
}

void CMainViewDlg::OnPrint() {
  if (!HavePrinter()) return;
  CCustomPrint dialog(false, PD_DISABLEPRINTTOFILE, Handle());
  dialog.SetPrinter(m_printer);
  dialog.SetSelectionMode(m_printStyle);
  if (RunModal(dialog) != IDOK) return;
  dialog.TakePrinter(m_printer);
  m_printStyle = dialog.SelectionMode();
  win::CWaitCursor wait;
  for (int copy = 0; copy < dialog.Copies(); ++copy) {
    if (!m_tree.Print(dialog, m_printer, m_title)) break;
  }
}

void CMainViewDlg::OnFilePrint() {
  m_printStyle = CCustomPrint::kCreatedSettings;
  Run(Operation::Print);
}

void CMainViewDlg::OnPrintPreview() {
  // The preview command is the one command while the preview shows: there it ends it.
  if (m_tree.IsPrintPreviewActive()) {
    m_tree.EndPrintPreview();
    return;
  }
  if (!HavePrinter()) return;
  m_tree.PrintPreview(m_printer);
}

void CMainViewDlg::OnPrintSetup() {
  if (!HavePrinter()) return;
  CCustomPrint dialog(true, PD_DISABLEPRINTTOFILE, Handle());
  dialog.SetPrinter(m_printer);
  if (RunModal(dialog) != IDOK) return;
  dialog.TakePrinter(m_printer);
}

void CMainViewDlg::EditCommand(UINT message) {
  if (HWND editor = m_tree.ActiveEditorWindow()) ::SendMessageW(editor, message, 0, 0);
}

void CMainViewDlg::EditDelete() {
  HWND editor = m_tree.ActiveEditorWindow();
  if (!editor) {
    m_tree.DeleteSelectedEntry();
    return;
  }
  // At least the character behind the caret goes when nothing is selected.
  DWORD start = 0, end = 0;
  ::SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start == end) ::SendMessageW(editor, EM_SETSEL, start, start + 1);
  ::SendMessageW(editor, WM_CLEAR, 0, 0);
}

void CMainViewDlg::EditSelectAll() {
  if (HWND editor = m_tree.ActiveEditorWindow())
    ::SendMessageW(editor, EM_SETSEL, 0, -1);
  else
    m_tree.SelectAllItems();
}

void CMainViewDlg::OnAbout() {
  CHold hold(*this);
  CAboutDlg about(Module());
  RunModal(about);
}

INT_PTR CMainViewDlg::RunModal(win::CDialog& dialog) {
  return RunBusy([&] { return dialog.DoModal(Handle()); });
}

INT_PTR CMainViewDlg::RunModal(CCustomPrint& dialog) {
  return RunBusy([&] { return dialog.DoModal(); });
}

void CMainViewDlg::CheckModalDialog() {
  const win::CModalStack* stack = win::CModalStack::Find();
  const win::CModalStack::Entry* running = stack ? stack->Innermost() : nullptr;
  if (!running || !running->window || !::IsWindow(running->window)) return;
  HWND dialog = running->window;
  HWND parent = ::GetParent(dialog);
  if (!parent) return;
  bool focusOnView = ::GetFocus() == Handle();
  bool parentEnabled = ::IsWindowEnabled(parent);
  if (parentEnabled) {
    PopupSearch search{parent, {}};
    ::EnumWindows(&CollectEnabledPopups, reinterpret_cast<LPARAM>(&search));
    ::EnableWindow(parent, FALSE);
    for (HWND window : search.windows) ::EnableWindow(window, TRUE);
    ::EnableWindow(dialog, TRUE);
  }
  if (focusOnView) {
    ::EnableWindow(dialog, TRUE);
    ::SetFocus(dialog);
  }
}

void CMainViewDlg::OnClose() {
  CHold hold(*this);
  if (m_secondClose) {
    CheckModalDialog();
    m_secondClose = false;
  }
  if (!m_firstClose) return;
  // Every running modal dialog ends, innermost first: nested progress and question loops too.
  if (win::CModalStack* stack = win::CModalStack::Find()) stack->EndAll(IDCANCEL);
  m_tree.CommitEdit();
  m_tree.EndPrintPreview();
  if (Handle() && IsDocumentModified()) QuerySaveModified(true);
  if (m_title == m_untitled) {
    m_path.clear();
    m_title.clear();
  }
  win::WriteRegString(HKEY_CURRENT_USER, win::kCorvansetKey, kLastFileValue, win::AsWide(m_path));
}

BOOL CMainViewDlg::OnInitDialog() {
  // The header's fonts come from the dialog's own font; the tree takes the same two.
  HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0));
  LOGFONTW face{};
  if (!dialogFont || !::GetObjectW(dialogFont, sizeof face, &face))
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
  m_normalFont = ::CreateFontIndirectW(&face);
  face.lfWeight = FW_BOLD;
  m_boldFont = ::CreateFontIndirectW(&face);
  m_tree.AttachTree(Item(kSettingsTreeControl));
  m_tree.SetFonts(m_normalFont, m_boldFont);
  ::SetTimer(Handle(), kModalCheckTimer, kModalCheckMilliseconds, nullptr);
  Layout();
  return FALSE;
}

void CMainViewDlg::Layout() {
  RECT client;
  ::GetClientRect(Handle(), &client);
  if (HWND tree = Item(kSettingsTreeControl))
    ::SetWindowPos(tree, nullptr, 0, kHeaderHeight, client.right,
                   std::max<LONG>(0, client.bottom - kHeaderHeight), SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void CMainViewDlg::PaintHeader() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(Handle(), &paint);
  RECT band;
  ::GetClientRect(Handle(), &band);
  band.bottom = kHeaderHeight;
  ::FillRect(dc, &band, ::GetSysColorBrush(COLOR_BTNFACE));
  RECT edge = band;
  ::DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  std::wstring label = win::AsWide(App().LoadResString(kSettingsFileHeaderText, true)) + L" ";
  std::wstring title = win::AsWide(HeaderTitle(m_title));
  RECT text = band;
  text.left += 8;
  HGDIOBJ previous = ::SelectObject(dc, m_normalFont);
  ::DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  text.left += win::TextWidth(dc, label.c_str(), static_cast<int>(label.size()));
  ::SelectObject(dc, m_boldFont);
  ::DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  ::SelectObject(dc, previous);
  ::EndPaint(Handle(), &paint);
}

BOOL CMainViewDlg::HandleMessage(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return TRUE;
    case WM_PAINT:
      PaintHeader();
      return TRUE;
    case kInitialUpdate:
      return TRUE;
    case kPrintFromPreview:
      // The preview's Print: the print command of the file menu.
      OnFilePrint();
      return TRUE;
    case WM_NCDESTROY:
      // The view object no longer has a main view; this object goes once its last call returns.
      if (m_view) m_view->MainViewDestroyed();
      m_view = nullptr;
      return FALSE;
    case WM_HELP: {
      // F1 in the tree: the topic of the caret's group where the help file has one, else the index.
      DWORD context = m_tree.GetHelpContext();
      App().ShowHelp(Handle(), HelpContextHasTopic(context) ? context : 0);
      SetResult(TRUE);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void CMainViewDlg::OnTimer(UINT_PTR id) {
  if (id == kModalCheckTimer) CheckModalDialog();
}

void CMainViewDlg::OnFinalMessage() { delete this; }

}  // namespace orvel::ui
