// Dialogs from templates of a given module (for the user interface, the language library), modal or
// modeless, the stack of running modal dialogs, and the common file dialogs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/win/window.h"

namespace orvel::win {

class CDialog : public CWindowObject {
 public:
  CDialog(HINSTANCE module, UINT templateId) : m_module(module), m_templateId(templateId) {}
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;
  // A dialog still open is first cut loose from the object (OnBeforeDestroy does not run: a class
  // that takes texts there destroys first); a modeless one is then destroyed.
  ~CDialog() override;

  // Runs the dialog modally, on the modal stack; its EndDialog value, or -1 when the dialog cannot be
  // made.
  INT_PTR DoModal(HWND parent = nullptr);
  // Creates the dialog modeless; false when it cannot be made.
  bool Create(HWND parent);
  void DestroyWindow();
  HWND Handle() const { return m_hwnd; }
  HINSTANCE Module() const { return m_module; }
  bool IsModal() const { return m_modal; }
  // Ends a modal dialog (its modal loop returns the result); destroys a modeless one.
  void EndDialog(INT_PTR result);

  HWND Item(int id) const { return ::GetDlgItem(m_hwnd, id); }
  std::u16string ItemText(int id) const;
  void SetItemText(int id, std::u16string_view text) const;
  LRESULT SendItem(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendDlgItemMessageW(m_hwnd, id, message, wParam, lParam);
  }

 protected:
  // WM_INITDIALOG; TRUE lets the system set the focus.
  virtual BOOL OnInitDialog() { return TRUE; }
  // Any message first; TRUE when handled (the answer, where a message has one, through SetResult),
  // FALSE for the handlers below and then the dialog manager. It must not let an exception out (the
  // procedure catches and answers FALSE). Notifications of children bound to a CReflectionTarget
  // reach those before this.
  virtual BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) { return FALSE; }
  // WM_COMMAND; true when handled. Unhandled, IDOK and IDCANCEL end a modal dialog with their id.
  virtual bool OnCommand(WORD id, WORD code, HWND control) { return false; }
  // WM_NOTIFY; true when handled, with the answer in `result`.
  virtual bool OnNotify(NMHDR* header, LRESULT& result) { return false; }
  virtual void OnTimer(UINT_PTR id) {}
  // WM_DESTROY: the window and its controls still exist (texts are taken here).
  virtual void OnBeforeDestroy() {}
  // The answer of a message handled in HandleMessage.
  void SetResult(LRESULT result) const { ::SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, result); }

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR RunDialogBox(HINSTANCE module, UINT templateId, HWND parent, LPARAM param);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE m_module;
  UINT m_templateId;
  HWND m_hwnd = nullptr;
  bool m_modal = false;
  size_t m_stackIndex = 0;
};

// The modal dialogs running on the user-interface thread, outermost first. Every modal dialog of
// the layer runs on it (CDialog::DoModal, the file dialogs, RunModalWindow), so that closing a view
// can end all of them, innermost first, and a check can keep the innermost one modal while the host
// runs its own message loop.
class CModalStack {
 public:
  enum class Kind { Dialog, CommonDialog, Other };
  struct Entry {
    Kind kind;
    HWND window;  // null until the dialog's window exists
    std::function<void(INT_PTR)> end;
  };

  // The thread's stack, made on first use; Find answers null while no modal dialog runs.
  static CModalStack& Current();
  static CModalStack* Find();

  bool Empty() const { return m_entries.empty(); }
  size_t Depth() const { return m_entries.size(); }
  // The innermost running dialog, or null.
  const Entry* Innermost() const { return m_entries.empty() ? nullptr : &m_entries.back(); }
  // Ends every running modal dialog, innermost first; each modal loop returns as soon as those inside
  // it have returned. A common dialog ends as if cancelled.
  void EndAll(INT_PTR result);

  // Used by the layer: a dialog is pushed for the time of its modal loop.
  size_t Push(Kind kind, std::function<void(INT_PTR)> end);
  void SetWindow(size_t index, HWND window);
  void SetEnd(size_t index, std::function<void(INT_PTR)> end);
  const Entry* At(size_t index) const;
  void Pop(size_t index);

 private:
  std::vector<Entry> m_entries;
};

// Runs a modal loop of something else (a message box, a print dialog) on the modal stack: `run`
// makes and runs it; `end` ends it early.
INT_PTR RunModalWindow(const std::function<INT_PTR()>& run, std::function<void(INT_PTR)> end);

// A message box on the modal stack (closing a view ends it with IDCANCEL, or IDNO/IDOK for boxes
// without a Cancel button); the system's answer.
int MessageBoxModal(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type);

// The hook that a common dialog's record names (lpfnHook, lpfnPrintHook, lpfnSetupHook): the
// layer's own, which learns the dialog's window for the modal stack.
using CommonDialogHook = UINT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
// The caller's part of the hook: every message of the hook's window (WM_INITDIALOG included); its
// answer is the hook's (0: the system's handling).
using CommonDialogHandler = std::function<UINT_PTR(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;
// Runs a common dialog of the system on the modal stack (closing a view ends it as if cancelled):
// `show` puts the hook into its record (with the flag that enables it) and calls the system's
// function, whose answer this is. Every common dialog of the plug-in runs through here.
BOOL RunCommonDialog(const std::function<BOOL(CommonDialogHook hook)>& show,
                     CommonDialogHandler handler = {});

// The common open and save dialogs, always in the Explorer style, on the modal stack.
struct FileDialogOptions {
  HWND owner = nullptr;
  std::u16string filter;  // "Name (*.xml)|*.xml|All files (*.*)|*.*||"
  std::u16string defaultExtension;
  std::u16string initialFolder;
  std::u16string title;     // empty: the system's title
  std::u16string fileName;  // the name shown at first
  DWORD flags = 0;          // more OFN_ flags, e.g. OFN_ALLOWMULTISELECT, OFN_OVERWRITEPROMPT
};
// IDOK with the chosen files (several with OFN_ALLOWMULTISELECT), IDCANCEL when cancelled or failed.
INT_PTR OpenFileDialog(const FileDialogOptions& options, std::vector<std::u16string>& paths);
INT_PTR SaveFileDialog(const FileDialogOptions& options, std::u16string& path);

}  // namespace orvel::win
