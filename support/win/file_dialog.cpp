// The common open and save dialogs on the modal stack, through the layer's common-dialog run; the
// Explorer style is always asked for.
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

INT_PTR RunFileDialog(const FileDialogOptions& options, bool save, std::vector<std::u16string>& paths) {
  std::wstring filter = AsWide(FileDialogFilter(options.filter));
  std::wstring extension = AsWide(options.defaultExtension);
  std::wstring folder = AsWide(options.initialFolder);
  std::wstring title = AsWide(options.title);
  std::wstring answer(kAnswerUnits, L'\0');
  std::wstring first = AsWide(options.fileName);
  first.copy(answer.data(), std::min(first.size(), kAnswerUnits - 2));

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
  BOOL chosen = RunCommonDialog([&](CommonDialogHook hook) {
    dialog.lpfnHook = hook;
    return save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
  });
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
