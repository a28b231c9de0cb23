// The plug-in's main view: a modeless child dialog of the host's window that holds the settings
// tree and carries out the host's commands on the one settings document: new, open, save, save as,
// send, the log, the edit commands and the transfer modes. Every modal dialog it opens runs through
// RunModal, on the modal stack, so that closing the host ends them and the timer's check keeps them
// modal inside the host's own message loop.
#pragma once

#include <windows.h>

#include <string>

#include "support/win/dialog.h"
#include "ui/print/custom_print.h"
#include "ui/tree/settings_tree.h"
#include "ui/view/commands.h"

namespace orvel {
class CSettingsDocument;
}

namespace orvel::ui {

class CMorvaneView;

class CMainViewDlg : public win::CDialog {
 public:
  // Posted once the view window exists (the host's first sizing is done by then).
  static constexpr UINT kInitialUpdate = 0x0364;
  // Posted by the print preview's Print button once the preview has ended.
  static constexpr UINT kPrintFromPreview = WM_APP + 40;

  explicit CMainViewDlg(CMorvaneView* view);
  ~CMainViewDlg() override;

  // Creates the window as a child of the host's window.
  bool Create(HWND parent) { return CDialog::Create(parent); }

  // The calls from outside the view's own messages (the host's commands, its activation, About and
  // close, the tree's keys) each hold the object while they run: the host may close the view inside
  // a modal loop of theirs, and the object then goes once the outermost of them returns. The caller
  // must not touch the object after such a call.
  // Runs one operation of the command table.
  void Run(Operation operation);
  // The view object is going (it holds the view while the window lives): the window is destroyed
  // now, the object once no call or message of it runs.
  static void Release(CMainViewDlg* view);

  // Runs a modal dialog of the view (a template dialog or the print dialog); -1 when the view's
  // window is gone (before or after). A caller holds the view (a message of it or of its tree, or one
  // of the calls above).
  INT_PTR RunModal(win::CDialog& dialog);
  INT_PTR RunModal(CCustomPrint& dialog);
  // Keeps a running modal dialog modal although the host runs its own message loop.
  void CheckModalDialog();

  // The first activation: the request of the engine or the last file, else an empty document.
  void InitialSetUp();
  void OnClose();
  void OnAbout();
  ViewState State();
  DWORD GetHelpContext() const { return m_tree.GetHelpContext(); }
  bool IsModalRunning() const { return win::CModalStack::Find() != nullptr; }

  // The file commands; a path opens that file without asking.
  void OnFileNew();
  void OnFileOpen(const std::u16string* path = nullptr);
  bool SaveFile();
  bool SaveFileAs(bool& cancelled);
  // Asks whether to save a modified document; true goes on. While closing, a failed save offers Save
  // As until it saves or is cancelled, and the close goes on either way.
  bool QuerySaveModified(bool closing);
  void OnRunSession();
  void OnShowLog();

  // The print commands: the print dialog on the kept printer settings and print style (the print
  // command of the host's file menu sets the style to the created settings first), the preview on
  // or off, and the printer set-up.
  void OnPrint();
  void OnFilePrint();
  void OnPrintPreview();
  void OnPrintSetup();

  const std::u16string& Path() const { return m_path; }
  const std::u16string& Title() const { return m_title; }
  int TransferMode() const { return m_transferMode; }
  CSettingsTree& Tree() { return m_tree; }

  // Set by the view's QueryClose: reason 1 asks for the close, reasons 2 and 3 for the modal check.
  bool m_firstClose = false;
  bool m_secondClose = false;

 protected:
  BOOL OnInitDialog() override;
  BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnTimer(UINT_PTR id) override;
  void OnFinalMessage() override;

 private:
  // Runs a modal loop of the view; -1 when the view's window went meanwhile.
  template <class Loop>
  INT_PTR RunBusy(Loop loop) {
    if (!Handle()) return -1;
    INT_PTR result = loop();
    return Handle() ? result : -1;
  }
  void Execute(Operation operation);
  void Layout();
  void PaintHeader();
  // The tree shows the document afresh, the first item the caret.
  void ShowDocument();
  void SetTitleFromPath();
  void ShowFileError(uint32_t stringId, const std::u16string& detail);
  std::u16string FileFilter() const;
  void EditCommand(UINT message);
  void EditDelete();
  void EditSelectAll();
  // The kept printer settings, or the default printer's; false (after telling the user) when no
  // printer is installed.
  bool HavePrinter();

  CMorvaneView* m_view;
  CSettingsTree m_tree;
  HFONT m_normalFont = nullptr;
  HFONT m_boldFont = nullptr;
  std::u16string m_title;
  std::u16string m_path;
  std::u16string m_defaultFolder;
  std::u16string m_dialogFolder;
  std::u16string m_untitled;
  CSettingsDocument& m_document;
  int m_transferMode = 1;
  CPrinterSettings m_printer;  // the kept printer settings, for printing and the preview
  int m_printStyle = CCustomPrint::kCreatedSettings;
};

}  // namespace orvel::ui
