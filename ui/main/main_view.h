// The plug-in's main view: a modeless child dialog of the host's window that will hold the settings
// tree and carry out the host's commands. Every modal dialog it opens runs through RunModal, on the
// modal stack, so that closing the host ends them and the timer's check keeps them modal inside the
// host's own message loop.
#pragma once

#include <windows.h>

#include "support/win/dialog.h"
#include "ui/view/commands.h"

namespace orvel::ui {

class CMorvaneView;

class CMainViewDlg : public win::CDialog {
 public:
  static constexpr UINT kTemplate = 10136;
  static constexpr int kTreeControl = 10150;
  // Posted once the view window exists (the host's first sizing is done by then).
  static constexpr UINT kInitialUpdate = 0x0364;

  explicit CMainViewDlg(CMorvaneView* view);

  // Creates the window as a child of the host's window.
  bool Create(HWND parent) { return CDialog::Create(parent); }

  // Runs one operation of the command table. The object outlives a window destroyed meanwhile (the
  // host may close inside a modal loop of the operation) and is deleted when the operation returns.
  static void Run(CMainViewDlg* view, Operation operation);
  // The view object is going (it holds the view while the window lives): the window is destroyed
  // now, the object once no operation runs.
  static void Release(CMainViewDlg* view);

  // Runs a modal dialog of the view; -1 when the view's window is gone.
  INT_PTR RunModal(win::CDialog& dialog);
  // Keeps a running modal dialog modal although the host runs its own message loop.
  void CheckModalDialog();

  void InitialSetUp() {}
  void OnClose();
  void OnAbout() {}
  ViewState State() const { return {}; }
  DWORD GetHelpContext() const { return 0; }
  bool IsModalRunning() const { return win::CModalStack::Find() != nullptr; }

  // Set by the view's QueryClose: reason 1 asks for the close, reasons 2 and 3 for the modal check.
  bool m_firstClose = false;
  bool m_secondClose = false;

 protected:
  BOOL OnInitDialog() override;
  BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnTimer(UINT_PTR id) override;
  void OnFinalMessage() override;

 private:
  void Execute(Operation operation);
  void Layout();

  CMorvaneView* m_view;
  int m_busy = 0;             // operations running (each may run modal loops)
  bool m_windowGone = false;  // the window's last message arrived
};

}  // namespace orvel::ui
