// The common open and save dialogs on the modal stack. A hook learns the dialog's window, so that
// the stack can end it; the Explorer style is always asked for, so the hook's window is a child of
// the visible dialog.
#include <windows.h>

#include <commdlg.h>  // needs windows.h first

#include <algorithm>

#include "support/file_dialog_text.h"
#include "support/win/dialog.h"
#include "support/win/wide.h"

namespace orvel::win {

namespace {

// Room for many names of a multiple selection.
constexpr size_t kAnswerUnits = 32768;

UINT_PTR CALLBACK FileDialogHook(HWND child, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* dialog = reinterpret_cast<const OPENFILENAMEW*>(lParam);
    CModalStack::Current().SetWindow(static_cast<size_t>(dialog->lCustData), ::GetParent(child));
  }
  return 0;
}

INT_PTR RunFileDialog(const FileDialogOptions& options, bool save, std::vector<std::u16string>& paths) {
  std::wstring filter = AsWide(FileDialogFilter(options.filter));
  std::wstring extension = AsWide(options.defaultExtension);
  std::wstring folder = AsWide(options.initialFolder);
  std::wstring title = AsWide(options.title);
  std::wstring answer(kAnswerUnits, L'\0');
  std::wstring first = AsWide(options.fileName);
  first.copy(answer.data(), std::min(first.size(), kAnswerUnits - 2));

  CModalStack& stack = CModalStack::Current();
  size_t index = stack.Push(CModalStack::Kind::CommonDialog, nullptr);
  OPENFILENAMEW dialog = {};
  // The size that every system of the family knows (without the newer trailing members).
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  dialog.hwndOwner = options.owner;
  dialog.lpstrFilter = options.filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = answer.data();
  dialog.nMaxFile = static_cast<DWORD>(answer.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = options.flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
  dialog.lpfnHook = &FileDialogHook;
  dialog.lCustData = static_cast<LPARAM>(index);
  BOOL chosen = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
  stack.Pop(index);
  if (!chosen) return IDCANCEL;
  paths = SplitFileDialogAnswer(FromWide(std::wstring_view(answer.data(), answer.size())));
  return paths.empty() ? IDCANCEL : IDOK;
}

}  // namespace

INT_PTR OpenFileDialog(const FileDialogOptions& options, std::vector<std::u16string>& paths) {
  return RunFileDialog(options, false, paths);
}

INT_PTR SaveFileDialog(const FileDialogOptions& options, std::u16string& path) {
  std::vector<std::u16string> paths;
  FileDialogOptions single = options;
  single.flags &= ~static_cast<DWORD>(OFN_ALLOWMULTISELECT);
  INT_PTR result = RunFileDialog(single, true, paths);
  if (result == IDOK) path = paths.front();
  return result;
}

}  // namespace orvel::win
