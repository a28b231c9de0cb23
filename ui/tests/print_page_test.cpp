// The printed page played into enhanced metafiles of a reference device: every page of a three-page
// list carries the header, the footer and its "Page x of y", and its lines at their places.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/settings_host.h"
#include "testing/printed_job.h"
#include "support/win/wide.h"
#include "ui/print/settings_print.h"

namespace orvel::ui {
namespace {

struct TextRecord {
  int x;
  int y;
  std::u16string text;
};

struct PageRecords {
  std::vector<TextRecord> texts;
  std::vector<POINT> moves;  // where the rules start
};

int CALLBACK CollectRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
  auto* page = reinterpret_cast<PageRecords*>(data);
  if (record->iType == EMR_EXTTEXTOUTW) {
    const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
    const auto* chars =
        reinterpret_cast<const char16_t*>(reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
    page->texts.push_back({text->emrtext.ptlReference.x, text->emrtext.ptlReference.y,
                           std::u16string(chars, text->emrtext.nChars)});
  } else if (record->iType == EMR_MOVETOEX) {
    page->moves.push_back({reinterpret_cast<const EMRMOVETOEX*>(record)->ptl.x,
                           reinterpret_cast<const EMRMOVETOEX*>(record)->ptl.y});
  }
  return 1;
}

const TextRecord* FindText(const PageRecords& page, const std::u16string& text) {
  for (const TextRecord& record : page.texts) {
    if (record.text == text) return &record;
  }
  return nullptr;
}

class PrintPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_reference = ::CreateCompatibleDC(nullptr);
    ASSERT_NE(m_reference, nullptr);
    m_font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  }
  void TearDown() override {
    m_printer.EndPrinting();
    ::DeleteDC(m_reference);
  }
  // The page as the records of a metafile made on the reference device.
  PageRecords Play(int page) {
    HDC dc = ::CreateEnhMetaFileW(m_reference, nullptr, nullptr, nullptr);
    EXPECT_NE(dc, nullptr);
    m_printer.PrintPage(dc, page);
    HENHMETAFILE metafile = ::CloseEnhMetaFile(dc);
    PageRecords records;
    ::EnumEnhMetaFile(nullptr, metafile, &CollectRecord, &records, nullptr);
    ::DeleteEnhMetaFile(metafile);
    return records;
  }

  HDC m_reference = nullptr;
  HFONT m_font = nullptr;
  CSettingsPrinter m_printer;
  const PageTexts m_texts{u"Orvel Corvanset", u"11/12/2026", u"Page %d of %d"};
};

TEST_F(PrintPageTest, EveryPageHasItsHeaderFooterAndLines) {
  int perPage = 0;
  ASSERT_TRUE(m_printer.PrepareLines(
      m_reference, m_font, m_font, m_texts,
      [&](const PrintMetrics& metrics, ITextMeasure& measure, CPrintLines& lines) {
        perPage = metrics.linesPerPage;
        // Two and a half pages of lines.
        for (int i = 0; i < perPage * 5 / 2; ++i)
          lines.AddLine(u"line " + DecimalText(i), -1, i % 7 == 0, metrics.left + (i % 3) * metrics.indent,
                        metrics.right, measure);
        return true;
      }));
  ASSERT_GT(perPage, 4);
  ASSERT_EQ(m_printer.PageCount(), 3);
  const PrintMetrics& metrics = m_printer.Metrics();
  const PageFrame frame = ComputePageFrame(metrics);
  CDcMeasure measure(m_reference, m_printer.HeadingFont(), m_printer.TextFont());
  size_t seen = 0;
  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const PageRecords records = Play(page);
    const TextRecord* title = FindText(records, m_texts.title);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->x, frame.textX);
    EXPECT_EQ(title->y, frame.titleY);
    const TextRecord* date = FindText(records, m_texts.date);
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->x, frame.textX);
    EXPECT_EQ(date->y, frame.footerY);
    const std::u16string number = u"Page " + DecimalText(page) + u" of 3";
    const TextRecord* footer = FindText(records, number);
    ASSERT_NE(footer, nullptr);
    EXPECT_EQ(footer->x, metrics.right - measure.TextWidth(number, false));
    EXPECT_EQ(footer->y, frame.footerY);
    // The two rules, across the page from the left margin.
    ASSERT_EQ(records.moves.size(), 2u);
    EXPECT_EQ(records.moves[0].y, frame.topRuleY);
    EXPECT_EQ(records.moves[1].y, frame.bottomRuleY);
    EXPECT_EQ(records.moves[0].x, metrics.left);
    // The page's lines, one line height apart from the top, each at its own x.
    int row = 0;
    for (const TextRecord& record : records.texts) {
      if (record.text.rfind(u"line ", 0) != 0) continue;
      const size_t index = seen + row;
      EXPECT_EQ(record.text, u"line " + DecimalText(index));
      EXPECT_EQ(record.y, metrics.top + row * metrics.lineHeight);
      EXPECT_EQ(record.x, metrics.left + static_cast<int>(index % 3) * metrics.indent);
      ++row;
    }
    EXPECT_EQ(row, std::min(perPage, perPage * 5 / 2 - (page - 1) * perPage));
    seen += row;
  }
  EXPECT_EQ(seen, static_cast<size_t>(perPage * 5 / 2));
}

TEST_F(PrintPageTest, AListWithoutLinesPrintsOnePageOfHeaderAndFooter) {
  ASSERT_TRUE(m_printer.PrepareLines(m_reference, m_font, m_font, m_texts,
                                     [](const PrintMetrics&, ITextMeasure&, CPrintLines&) { return true; }));
  EXPECT_EQ(m_printer.PageCount(), 1);
  const PageRecords records = Play(1);
  EXPECT_NE(FindText(records, u"Page 1 of 1"), nullptr);
  EXPECT_NE(FindText(records, m_texts.title), nullptr);
  EXPECT_EQ(records.texts.size(), 3u);
}

// A job on the tests' printer whose second page the printer refuses to end.
class CFailingSecondPage : public CPrinterJob {
 public:
  using CPrinterJob::CPrinterJob;
  bool EndPage() override { return ++m_ended != 2 && CPrinterJob::EndPage(); }
  void AbortDocument() override {
    m_aborted = true;
    CPrinterJob::AbortDocument();
  }
  int m_ended = 0;
  bool m_aborted = false;
};

constexpr DWORD kJobLimitMs = 30000;

TEST(PrintJobOnThePrinter, AFailingPageAbortsTheDocumentAndTheNextJobPrints) {
  if (orvel::win::PrintOutputFolder().empty()) GTEST_SKIP() << "no print service (tools/wine-env start)";
  HDC dc = ::CreateDCW(L"WINSPOOL", orvel::win::kTestPrinterName, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  CSettingsPrinter printer;
  const PageTexts texts{u"Orvel Corvanset", u"11/12/2026", u"Page %d of %d"};
  HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  ASSERT_TRUE(printer.PrepareLines(
      dc, font, font, texts, [](const PrintMetrics& metrics, ITextMeasure& measure, CPrintLines& lines) {
        for (int i = 0; i < metrics.linesPerPage * 3; ++i)
          lines.AddLine(u"aborted line " + DecimalText(i), -1, false, metrics.left, metrics.right, measure);
        return true;
      }));
  ASSERT_EQ(printer.PageCount(), 3);
  CFailingSecondPage failing(dc, printer, u"Aborted settings job");
  EXPECT_EQ(RunPrintJob(failing, printer.PageCount()), JobResult::Aborted);
  EXPECT_TRUE(failing.m_aborted);
  EXPECT_EQ(failing.m_ended, 2);  // the third page was not started
  // The queue takes jobs in order: once the next one is there, the aborted one would be too.
  ::DeleteDC(dc);
  dc = ::CreateDCW(L"WINSPOOL", orvel::win::kTestPrinterName, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(PrintDocument(dc, printer, u"Job after the aborted one"), JobResult::Printed);
  auto next = orvel::win::WaitForPrintedJob(u"Job after the aborted one", kJobLimitMs);
  ASSERT_TRUE(next);
  EXPECT_NE(next->text.find(u"aborted line 0"), std::u16string::npos);
  EXPECT_FALSE(orvel::win::FindPrintedJob(u"Aborted settings job"));
  printer.EndPrinting();
  ::DeleteDC(dc);
}

}  // namespace
}  // namespace orvel::ui
