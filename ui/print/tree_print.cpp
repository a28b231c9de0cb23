// The settings tree's printing and print preview: the lines of its items on the printer's page,
// one job per copy, and the preview frame on the same lines.
// clang-format off
#include <windows.h>  // before the tree header, which takes commctrl.h first
#include "ui/app/resource_ids.h"
#include "ui/tree/settings_tree.h"
// clang-format on

#include "settings/settings_host.h"
#include "ui/app/morvane_app.h"
#include "ui/main/main_view.h"
#include "ui/print/custom_print.h"
#include "ui/print/print_preview.h"
#include "ui/print/settings_print.h"

namespace orvel::ui {

namespace {}  // namespace

bool CSettingsTree::PrepareLines(HDC dc, PrintRange range) {
  EndPrinting();
  m_printing = std::make_unique<CSettingsPrinter>();
  PageTexts page{App().GetProductTitle(), TodayText(), App().LoadResString(kPageNumberText, true)};
  PrintTexts texts{App().LoadResString(kPrintConnectionText, true),
                   App().LoadResString(kPrintUserNameText, true),
                   App().LoadResString(kPrintPasswordText, true)};
  const CTreeLogic& tree = Logic();
  return m_printing->PrepareLines(
      dc, ScreenFont(true), ScreenFont(false), page,
      [&](const PrintMetrics& metrics, ITextMeasure& measure, CPrintLines& lines) {
        return BuildPrintLines(tree, range, metrics, texts, measure, lines);
      });
}

void CSettingsTree::PrintPage(HDC dc, int page) {
  if (m_printing) m_printing->PrintPage(dc, page);
}

int CSettingsTree::PrintPageCount() const { return m_printing ? m_printing->PageCount() : 0; }

void CSettingsTree::EndPrinting() {
  if (!m_printing) return;
  m_printing->EndPrinting();
  m_printing.reset();
}

bool CSettingsTree::Print(const CCustomPrint& dialog, const CPrinterSettings& printer,
                          const std::u16string& jobName) {
  HWND owner = m_owner ? m_owner->Handle() : nullptr;
  HDC dc = CreatePrinterDC(printer);
  if (!dc) {
    App().ShowMessage(owner, kNoPrinterText, MB_ICONEXCLAMATION);
    return false;
  }
  // The dialog's radio buttons: all settings, the marked items, the created settings.
  const int mode = dialog.SelectionMode();
  const PrintRange range = ChooseRange(mode == CCustomPrint::kAllSettings, mode == CCustomPrint::kMarkedItems,
                                       dialog.IsCreatedOnly());
  bool printed = false;
  if (!PrepareLines(dc, range)) {
    App().ShowMessage(owner, kPageTooSmallText, MB_ICONEXCLAMATION);
  } else {
    const std::u16string name = jobName.empty() ? App().LoadResString(kPrintDocumentNameText, true) : jobName;
    printed = PrintDocument(dc, *m_printing, name) == JobResult::Printed;
  }
  EndPrinting();
  ::DeleteDC(dc);
  return printed;
}

void CSettingsTree::PrintPreview(const CPrinterSettings& printer) {
  if (m_preview) {
    ::SetForegroundWindow(m_preview->Frame());
    ::SetFocus(m_preview->Frame());
    return;
  }
  win::CWaitCursor wait;
  m_preview = std::make_unique<CViewPrintPreview>(*this, m_owner);
  if (!m_preview->Open(printer)) m_preview.reset();
}

void CSettingsTree::EndPrintPreview() {
  if (!m_preview) return;
  // Gone from the tree before it goes, so that nothing reaches it while it closes.
  std::unique_ptr<CViewPrintPreview> preview = std::move(m_preview);
  preview.reset();
}

}  // namespace orvel::ui
