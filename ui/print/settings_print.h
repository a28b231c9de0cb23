// The settings printed on a device context: the printer fonts, the page metrics and the line list
// of one job or preview, the header and footer, and the job loop on a printer.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "support/win/handle.h"
#include "ui/print/print_lines.h"

namespace orvel::ui {

// The texts of a page's header and footer.
struct PageTexts {
  std::u16string title;       // the product title
  std::u16string date;        // today, in the user's short format
  std::u16string pageFormat;  // "Page %d of %d"
};

// Today's date in the user's default short format.
std::u16string TodayText();

// Measures in the two fonts on a device context.
class CDcMeasure : public ITextMeasure {
 public:
  CDcMeasure(HDC dc, HFONT heading, HFONT text) : m_dc(dc), m_heading(heading), m_text(text) {}
  int TextWidth(std::u16string_view text, bool heading) override;

 private:
  HDC m_dc;
  HFONT m_heading;
  HFONT m_text;
};

class CSettingsPrinter {
 public:
  // Makes the lines on a printer page.
  using LineBuilder = std::function<bool(const PrintMetrics&, ITextMeasure&, CPrintLines&)>;

  // Makes the printer fonts (the faces of the two screen fonts at 10 points on this device), the
  // metrics and the lines; false when the page has no room for a line.
  bool PrepareLines(HDC dc, HFONT groupFont, HFONT fieldFont, const PageTexts& texts,
                    const LineBuilder& build);
  // The pages of the job (at least one: the header and footer alone).
  int PageCount() const { return JobPageCount(m_lines); }
  // Draws the header, the footer and the page's lines (page from 1).
  void PrintPage(HDC dc, int page);
  // Deletes the printer fonts and empties the line list.
  void EndPrinting();

  const PrintMetrics& Metrics() const { return m_metrics; }
  HFONT HeadingFont() const { return m_headingFont.get(); }
  HFONT TextFont() const { return m_textFont.get(); }

 private:
  void DrawText(HDC dc, int x, int y, std::u16string_view text);

  win::UniqueFont m_headingFont;
  win::UniqueFont m_textFont;
  PrintMetrics m_metrics;
  CPrintLines m_lines;
  PageTexts m_texts;
};

// The steps of a job on a printer's device context.
class CPrinterJob : public IPrintJobDevice {
 public:
  CPrinterJob(HDC dc, CSettingsPrinter& printer, const std::u16string& name);
  ~CPrinterJob() override = default;
  bool StartDocument() override;
  bool StartPage() override;
  void PrintPage(int page) override;
  bool EndPage() override;
  void EndDocument() override;
  void AbortDocument() override;

 private:
  HDC m_dc;
  CSettingsPrinter& m_printer;
  std::wstring m_name;
};

// Prints every page on the printer as one document; the result of the job loop.
JobResult PrintDocument(HDC dc, CSettingsPrinter& printer, const std::u16string& documentName);

}  // namespace orvel::ui
