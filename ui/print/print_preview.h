// The print preview of the settings: the created settings as they would print on the main view's
// printer, in a preview frame of their own. While it shows, the main view's parent is disabled and
// the frame is the application's main window.
#pragma once

#include <windows.h>

#include "support/win/handle.h"
#include "support/win/preview_frame.h"

namespace orvel::ui {

class CMainViewDlg;
class CPrinterSettings;
class CSettingsTree;

class CViewPrintPreview : public win::IPreviewDocument {
 public:
  static constexpr DWORD kHelpContext = 762;

  CViewPrintPreview(CSettingsTree& tree, CMainViewDlg* view);
  ~CViewPrintPreview() override;
  CViewPrintPreview(const CViewPrintPreview&) = delete;
  CViewPrintPreview& operator=(const CViewPrintPreview&) = delete;

  // Makes the printer's device context and the lines, and shows the frame; false (after telling the
  // user) when there is no printer or its page has no room.
  bool Open(const CPrinterSettings& printer);
  // Ends the preview: the printing state goes, the main view's parent is enabled again and the
  // previous main window comes back.
  void Close();
  HWND Frame() const { return m_frame.Handle(); }

  int PreviewPageCount() override;
  void DrawPreviewPage(HDC dc, int page) override;
  void OnPreviewPrint() override;
  void OnPreviewClose() override;
  void OnPreviewHelp() override;

 private:
  CSettingsTree& m_tree;
  CMainViewDlg* m_view;
  HDC m_printer = nullptr;
  HWND m_disabled = nullptr;      // the main view's parent while the preview shows
  HWND m_previousMain = nullptr;  // the application's main window before the preview
  bool m_printing = false;        // the lines are made
  win::UniqueIcon m_icon;         // the frame's, until the frame has gone
  win::CPreviewFrame m_frame;
};

}  // namespace orvel::ui
