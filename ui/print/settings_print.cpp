#include "ui/print/settings_print.h"

#include <vector>

#include "settings/settings_host.h"
#include "support/win/wide.h"
#include "support/win/window.h"

namespace orvel::ui {

namespace {

constexpr int kPrintPoints = 10;

// The face of a screen font at 10 points on the device.
HFONT PrinterFont(HDC dc, HFONT screen) {
  LOGFONTW face = {};
  if (!screen || !::GetObjectW(screen, sizeof face, &face))
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
  face.lfHeight = -::MulDiv(kPrintPoints, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
  face.lfWidth = 0;
  return ::CreateFontIndirectW(&face);
}

int CharHeight(HDC dc) {
  RECT extent = {0, 0, 0, 0};
  ::DrawTextW(dc, L"A", 1, &extent, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  return extent.bottom - extent.top;
}

}  // namespace

std::u16string TodayText() {
  // The ANSI form: the wide one is not carried on the 95/98 family.
  char date[128] = {};
  int length = ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  if (length <= 1) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  int units = ::MultiByteToWideChar(CP_ACP, 0, date, length - 1, wide.data(), length);
  wide.resize(units > 0 ? static_cast<size_t>(units) : 0);
  return win::FromWide(wide);
}

int CDcMeasure::TextWidth(std::u16string_view text, bool heading) {
  std::wstring wide = win::AsWide(text);
  HGDIOBJ previous = ::SelectObject(m_dc, heading ? m_heading : m_text);
  int width = win::TextWidth(m_dc, wide.c_str(), static_cast<int>(wide.size()));
  ::SelectObject(m_dc, previous);
  return width;
}

bool CSettingsPrinter::PrepareLines(HDC dc, HFONT groupFont, HFONT fieldFont, const PageTexts& texts,
                                    const LineBuilder& build) {
  m_texts = texts;
  m_headingFont.reset(PrinterFont(dc, groupFont));
  m_textFont.reset(PrinterFont(dc, fieldFont));
  HGDIOBJ previous = ::SelectObject(dc, m_textFont.get());
  const int c = CharHeight(dc);
  ::SelectObject(dc, previous);
  m_metrics = ComputePrintMetrics(::GetDeviceCaps(dc, HORZRES), ::GetDeviceCaps(dc, VERTRES), c);
  CDcMeasure measure(dc, m_headingFont.get(), m_textFont.get());
  m_lines = CPrintLines(m_metrics.linesPerPage);
  if (m_metrics.linesPerPage <= 0) return false;
  return build(m_metrics, measure, m_lines);
}

void CSettingsPrinter::DrawText(HDC dc, int x, int y, std::u16string_view text) {
  if (text.empty()) return;
  std::wstring wide = win::AsWide(text);
  ::TabbedTextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()), 0, nullptr, x);
}

void CSettingsPrinter::PrintPage(HDC dc, int page) {
  const PageFrame frame = ComputePageFrame(m_metrics);
  const int saved = ::SaveDC(dc);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  ::SelectObject(dc, m_textFont.get());

  DrawText(dc, frame.textX, frame.titleY, m_texts.title);
  HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ previousPen = ::SelectObject(dc, pen);
  ::MoveToEx(dc, m_metrics.left, frame.topRuleY, nullptr);
  ::LineTo(dc, m_metrics.right, frame.topRuleY);
  ::MoveToEx(dc, m_metrics.left, frame.bottomRuleY, nullptr);
  ::LineTo(dc, m_metrics.right, frame.bottomRuleY);
  ::SelectObject(dc, previousPen);
  ::DeleteObject(pen);
  DrawText(dc, frame.textX, frame.footerY, m_texts.date);
  const std::u16string number = FormatText(m_texts.pageFormat, {DecimalText(page), DecimalText(PageCount())});
  CDcMeasure measure(dc, m_headingFont.get(), m_textFont.get());
  ::SelectObject(dc, m_textFont.get());
  DrawText(dc, m_metrics.right - measure.TextWidth(number, false), frame.footerY, number);

  size_t first = 0, end = 0;
  m_lines.PageSlots(page, first, end);
  for (size_t slot = first; slot < end; ++slot) {
    const int y = m_metrics.top + static_cast<int>(slot - first) * m_metrics.lineHeight;
    for (const LineRecord& record : ParseSlot(m_lines.Slot(slot))) {
      ::SelectObject(dc, record.heading ? m_headingFont.get() : m_textFont.get());
      DrawText(dc, record.x, y, record.text);
    }
  }
  ::RestoreDC(dc, saved);
}

void CSettingsPrinter::EndPrinting() {
  m_headingFont.reset();
  m_textFont.reset();
  m_lines = CPrintLines();
}

CPrinterJob::CPrinterJob(HDC dc, CSettingsPrinter& printer, const std::u16string& name)
    : m_dc(dc), m_printer(printer), m_name(win::AsWide(name)) {}

bool CPrinterJob::StartDocument() {
  DOCINFOW info = {};
  info.cbSize = sizeof info;
  info.lpszDocName = m_name.c_str();
  return ::StartDocW(m_dc, &info) > 0;
}

bool CPrinterJob::StartPage() { return ::StartPage(m_dc) > 0; }
void CPrinterJob::PrintPage(int page) { m_printer.PrintPage(m_dc, page); }
bool CPrinterJob::EndPage() { return ::EndPage(m_dc) > 0; }
void CPrinterJob::EndDocument() { ::EndDoc(m_dc); }
void CPrinterJob::AbortDocument() { ::AbortDoc(m_dc); }

JobResult PrintDocument(HDC dc, CSettingsPrinter& printer, const std::u16string& documentName) {
  CPrinterJob job(dc, printer, documentName);
  return RunPrintJob(job, printer.PageCount());
}

}  // namespace orvel::ui
