#include "ui/print/print_preview.h"

#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/main/main_view.h"
#include "ui/print/custom_print.h"
#include "ui/tree/settings_tree.h"

namespace orvel::ui {

namespace {}  // namespace

CViewPrintPreview::CViewPrintPreview(CSettingsTree& tree, CMainViewDlg* view) : m_tree(tree), m_view(view) {}

CViewPrintPreview::~CViewPrintPreview() { Close(); }

bool CViewPrintPreview::Open(const CPrinterSettings& printer) {
  HWND owner = m_view ? m_view->Handle() : nullptr;
  m_printer = CreatePrinterDC(printer);
  if (!m_printer) {
    App().ShowMessage(owner, kNoPrinterText, MB_ICONEXCLAMATION);
    return false;
  }
  // The preview shows the created settings, whatever the last print took.
  m_printing = true;
  if (!m_tree.PrepareLines(m_printer, PrintRange::Created)) {
    Close();
    App().ShowMessage(owner, kPageTooSmallText, MB_ICONEXCLAMATION);
    return false;
  }
  if (!m_icon) {
    m_icon.reset(static_cast<HICON>(::LoadImageW(App().ResourceHandle(), MAKEINTRESOURCEW(kProductIcon),
                                                 IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
  }
  const std::wstring title = win::AsWide(App().LoadResString(kPrintPreviewTitleText, true));
  if (owner) {
    m_disabled = ::GetParent(owner);
    m_previousMain = App().MainWindow() ? App().MainWindow() : ::GetAncestor(owner, GA_ROOT);
  }
  if (m_disabled) ::EnableWindow(m_disabled, FALSE);
  if (!m_frame.Open(*this, m_printer, title, m_icon.get())) {
    Close();
    return false;
  }
  App().SetMainWindow(m_frame.Handle());
  return true;
}

void CViewPrintPreview::Close() {
  if (m_printing) m_tree.EndPrinting();
  m_printing = false;
  if (m_disabled) ::EnableWindow(m_disabled, TRUE);
  m_disabled = nullptr;
  if (m_previousMain) {
    // The main view may have gone while the preview showed.
    const bool alive = ::IsWindow(m_previousMain) != FALSE;
    App().SetMainWindow(alive ? m_previousMain : nullptr);
    if (alive) {
      ::ShowWindow(m_previousMain, SW_SHOW);
      ::SetForegroundWindow(::GetAncestor(m_previousMain, GA_ROOT));
    }
  }
  m_previousMain = nullptr;
  m_frame.Destroy();
  m_icon.reset();
  if (m_printer) ::DeleteDC(m_printer);
  m_printer = nullptr;
}

int CViewPrintPreview::PreviewPageCount() { return m_tree.PrintPageCount(); }

void CViewPrintPreview::DrawPreviewPage(HDC dc, int page) {
  m_tree.PrintPage(dc, page);
  m_frame.UpdateBar();
}

void CViewPrintPreview::OnPreviewPrint() {
  // The preview ends first; the main view's print command runs from its message loop.
  HWND view = m_view ? m_view->Handle() : nullptr;
  m_tree.EndPrintPreview();  // this object is gone
  if (view) ::PostMessageW(view, CMainViewDlg::kPrintFromPreview, 0, 0);
}

void CViewPrintPreview::OnPreviewClose() {
  m_tree.EndPrintPreview();  // this object is gone
}

void CViewPrintPreview::OnPreviewHelp() { App().ShowHelp(m_frame.Handle(), kHelpContext); }

}  // namespace orvel::ui
