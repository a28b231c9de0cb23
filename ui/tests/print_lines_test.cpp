// The printed form of the settings: metrics, records, wrapping, the heading rule at the foot of a
// page (and pages too small for it), the lines of a fixture document in each range against a golden
// text, and the job loop.
#include "ui/print/print_lines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/settings_document.h"
#include "settings/settings_node.h"
#include "settings/tests/settings_test_support.h"
#include "support/u16text.h"

namespace orvel::ui {
namespace {

// Every character 10 pixels wide in the text font, 12 in the heading font.
class CFixedMeasure : public ITextMeasure {
 public:
  int TextWidth(std::u16string_view text, bool heading) override {
    return static_cast<int>(text.size()) * (heading ? 12 : 10);
  }
};

int Width10(std::u16string_view text) { return static_cast<int>(text.size()) * 10; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string SourcePath(const char* relative) {
  const char* source = std::getenv("ORVEL_SOURCE_DIR");
  return std::string(source ? source : ".") + "/" + relative;
}

TEST(PrintMetrics, FromThePage) {
  PrintMetrics m = ComputePrintMetrics(2400, 3000, 50);
  EXPECT_EQ(m.left, 80);
  EXPECT_EQ(m.right, 2320);
  EXPECT_EQ(m.indent, 80);
  EXPECT_EQ(m.valueX, 1440);
  EXPECT_EQ(m.top, 300);
  EXPECT_EQ(m.bottom, 2600);
  EXPECT_EQ(m.lineHeight, 60);
  EXPECT_EQ(m.linesPerPage, 38);
  PageFrame f = ComputePageFrame(m);
  EXPECT_EQ(f.textX, 160);
  EXPECT_EQ(f.titleY, 66);
  EXPECT_EQ(f.topRuleY, 200);
  EXPECT_EQ(f.bottomRuleY, 2800);
  EXPECT_EQ(f.footerY, 2868);
  // A page whose header and footer leave no room: no lines, not a negative count.
  EXPECT_EQ(ComputePrintMetrics(2400, 600, 50).linesPerPage, 0);
  EXPECT_EQ(ComputePrintMetrics(2400, 0, 0).linesPerPage, 0);
}

TEST(PrintRecords, MadeAndReadBack) {
  EXPECT_EQ(MakeLineRecord(true, 80, u"Name"), u"b000080Name\n");
  EXPECT_EQ(MakeLineRecord(false, 1440, u""), u"n001440\n");
  std::vector<LineRecord> records = ParseSlot(u"b000080Name\nn001440Value with 7 digits\n");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_TRUE(records[0].heading);
  EXPECT_EQ(records[0].x, 80);
  EXPECT_EQ(records[1].text, u"Value with 7 digits");
  EXPECT_FALSE(records[1].heading);
  EXPECT_EQ(records[1].x, 1440);
  EXPECT_TRUE(IsEmptySlot(u"n000080   \n"));
  EXPECT_FALSE(IsEmptySlot(u"n000080\nn001440x\n"));
}

struct WrapCase {
  const char16_t* text;
  int width;
  std::vector<std::u16string> parts;
};
const WrapCase kWrapCases[] = {
    {u"short", 100, {u"short"}},
    {u"", 100, {u""}},
    {u"one two three four", 90, {u"one two", u"three", u"four"}},
    // The blank just after a part that fits is a break too; blanks before the next part go.
    {u"abcdefghi   jk", 90, {u"abcdefghi", u"jk"}},
    // No blank: after the last punctuation character that fits.
    {u"http://example.com/path", 100, {u"http://", u"example.", u"com/path"}},
    // Neither: a very long word is cut at the last character that fits.
    {u"abcdefghijklmnopqrstuvwxyz", 100, {u"abcdefghij", u"klmnopqrst", u"uvwxyz"}},
    // Line feeds break as well; each piece is wrapped on its own.
    {u"ab\ncd ef gh", 50, {u"ab", u"cd ef", u"gh"}},
    // Nothing fits: one character a line, and the text still ends.
    {u"abc", 5, {u"a", u"b", u"c"}},
};

TEST(PrintWrap, Table) {
  for (const WrapCase& c : kWrapCases)
    EXPECT_EQ(WrapText(c.text, c.width, &Width10), c.parts) << AsUtf8(c.text);
}

TEST(PrintWrap, TabsBecomeEightSpacesAndCarriageReturnsGo) {
  EXPECT_EQ(ExpandPrintText(u"a\tb\r\nc"), u"a        b\nc");
  CFixedMeasure measure;
  CPrintLines lines(10);
  lines.AddLine(u"WAIT\t\"OK\"\r\nSEND", -1, false, 0, 1000, measure);
  ASSERT_EQ(lines.Count(), 2u);
  EXPECT_EQ(lines.Slot(0), u"n000000WAIT        \"OK\"\n");
  EXPECT_EQ(lines.Slot(1), u"n000000SEND\n");
}

TEST(PrintLinesTest, ASecondColumnGoesIntoTheSameSlots) {
  CFixedMeasure measure;
  CPrintLines lines(10);
  lines.AddLine(u"first", -1, false, 0, 1000, measure);
  int at = lines.AddLine(u"name", -1, false, 0, 100, measure);
  EXPECT_EQ(at, 1);
  lines.AddLine(u"a value that wraps", at, false, 200, 300, measure);
  ASSERT_EQ(lines.Count(), 3u);
  EXPECT_EQ(lines.Slot(1), u"n000000name\nn000200a value\n");
  EXPECT_EQ(lines.Slot(2), u"n000200that wraps\n");
}

// Where headings land after `filled` text lines, for a page size.
struct HeadingCase {
  int linesPerPage;
  int filled;
  size_t headingSlot;
};
const HeadingCase kHeadingCases[] = {
    {10, 7, 7},   // the third line from the foot still takes a heading
    {10, 8, 10},  // the second to last: the heading starts the next page
    {10, 9, 10},  // the last
    {10, 10, 10},
    {3, 1, 3},
    // Pages of two lines or one: no place satisfies the rule, which then never ended; the heading
    // goes where it falls.
    {2, 1, 1},
    {2, 2, 2},
    {1, 0, 0},
    {1, 5, 5},
};

TEST(PrintLinesTest, HeadingsStayOffTheFootOfAPage) {
  CFixedMeasure measure;
  for (const HeadingCase& c : kHeadingCases) {
    CPrintLines lines(c.linesPerPage);
    for (int i = 0; i < c.filled; ++i) lines.AddLine(u"text", -1, false, 0, 1000, measure);
    EXPECT_EQ(static_cast<size_t>(lines.AddLine(u"Heading", -1, true, 0, 1000, measure)), c.headingSlot)
        << c.linesPerPage << " lines a page, " << c.filled << " filled";
    // Text lines follow the heading at once.
    EXPECT_EQ(static_cast<size_t>(lines.AddLine(u"text", -1, false, 0, 1000, measure)), c.headingSlot + 1);
  }
}

TEST(PrintLinesTest, PagesOfTheList) {
  CFixedMeasure measure;
  CPrintLines lines(4);
  EXPECT_EQ(lines.PageCount(), 0);
  EXPECT_EQ(JobPageCount(lines), 1);  // the header and the footer alone
  for (int i = 0; i < 9; ++i) lines.AddLine(u"text", -1, false, 0, 1000, measure);
  lines.AddEmptyLine(0);
  lines.AddEmptyLine(0);
  lines.AddEmptyLine(0);
  EXPECT_EQ(lines.PageCount(), 3);
  lines.RemoveTrailingEmpty();
  EXPECT_EQ(lines.Count(), 9u);
  EXPECT_EQ(lines.PageCount(), 3);
  size_t first = 0, end = 0;
  lines.PageSlots(3, first, end);
  EXPECT_EQ(first, 8u);
  EXPECT_EQ(end, 9u);
  lines.PageSlots(4, first, end);
  EXPECT_EQ(first, end);
}

TEST(PrintRangeChoice, TheLastThatHoldsWins) {
  EXPECT_EQ(ChooseRange(true, false, false), PrintRange::All);
  EXPECT_EQ(ChooseRange(false, true, false), PrintRange::Marked);
  EXPECT_EQ(ChooseRange(true, true, true), PrintRange::Created);
  EXPECT_EQ(ChooseRange(false, true, true), PrintRange::Created);
}

// The job loop on a device whose page `failAt` cannot be ended.
class CScriptedDevice : public IPrintJobDevice {
 public:
  explicit CScriptedDevice(int failAt) : m_failAt(failAt) {}
  bool StartDocument() override { return m_log += "start ", true; }
  bool StartPage() override { return true; }
  void PrintPage(int page) override { m_log += std::to_string(page) + " "; }
  bool EndPage() override { return ++m_ended != m_failAt; }
  void EndDocument() override { m_log += "end"; }
  void AbortDocument() override { m_log += "abort"; }
  std::string m_log;

 private:
  int m_failAt;
  int m_ended = 0;
};

TEST(PrintJob, AFailingPageAbortsTheDocument) {
  CScriptedDevice good(0);
  EXPECT_EQ(RunPrintJob(good, 3), JobResult::Printed);
  EXPECT_EQ(good.m_log, "start 1 2 3 end");
  CScriptedDevice failing(2);
  EXPECT_EQ(RunPrintJob(failing, 3), JobResult::Aborted);
  EXPECT_EQ(failing.m_log, "start 1 2 abort");
}

class PrintFixtureTest : public test::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    std::string fixture = ReadFile(SourcePath("ui/tests/testdata/print_fixture.xml"));
    ASSERT_FALSE(fixture.empty());
    m_document.Reset();
    SetCurrentDocumentRoot(m_document.GetRoot());
    ASSERT_TRUE(m_document.LoadText(FromUtf8(fixture)));
    SetCurrentDocumentRoot(m_document.GetRoot());
    m_tree.Build(m_document.GetRoot());
  }
  std::u16string Lines(PrintRange range, const PrintMetrics& metrics) {
    CPrintLines lines;
    EXPECT_TRUE(BuildPrintLines(m_tree, range, metrics, m_texts, m_measure, lines));
    return DescribeLines(lines);
  }
  TreeItemId ItemAt(std::initializer_list<uint32_t> path) {
    return m_tree.ItemOfNode(&Field(*m_document.GetRoot(), path));
  }

  CSettingsDocument m_document;
  CTreeLogic m_tree;
  CFixedMeasure m_measure;
  PrintTexts m_texts{u"Connection:", u"User name:", u"Password:"};
};

TEST_F(PrintFixtureTest, EveryRangeMatchesTheGolden) {
  const PrintMetrics metrics = ComputePrintMetrics(2400, 3000, 50);
  // The marked Proxies group: it, its fields, and its ancestors; not its siblings.
  m_tree.ClickRow(ItemAt({2, 5, 11}), false, false);
  std::u16string text = u"=== all\n" + Lines(PrintRange::All, metrics) + u"=== marked\n" +
                        Lines(PrintRange::Marked, metrics) + u"=== created\n" +
                        Lines(PrintRange::Created, metrics);
  const std::string actual = AsUtf8(text);
  const std::string golden = ReadFile(SourcePath("ui/tests/testdata/print_lines_golden.txt"));
  if (actual != golden) std::ofstream("print_lines_actual.txt", std::ios::binary) << actual;
  EXPECT_EQ(actual, golden) << "the lines made are in print_lines_actual.txt";
}

TEST_F(PrintFixtureTest, NothingMarkedPrintsNoLinesButOnePage) {
  CPrintLines lines;
  ASSERT_TRUE(BuildPrintLines(m_tree, PrintRange::Marked, ComputePrintMetrics(2400, 3000, 50), m_texts,
                              m_measure, lines));
  EXPECT_EQ(lines.Count(), 0u);
  EXPECT_EQ(lines.PageCount(), 0);
  EXPECT_EQ(JobPageCount(lines), 1);
}

TEST_F(PrintFixtureTest, SmallPagesEndAndAPageWithoutRoomIsRefused) {
  // Pages of one and two lines: the list is made (the heading rule used to loop for ever there).
  for (int height : {50 * 14 + 60, 50 * 14 + 120}) {
    PrintMetrics metrics = ComputePrintMetrics(2400, height, 50);
    ASSERT_GE(metrics.linesPerPage, 1);
    ASSERT_LE(metrics.linesPerPage, 2);
    CPrintLines lines;
    EXPECT_TRUE(BuildPrintLines(m_tree, PrintRange::Created, metrics, m_texts, m_measure, lines));
    EXPECT_GT(lines.PageCount(), 10);
  }
  // No room at all: refused, where the rule divided by zero.
  CPrintLines lines;
  EXPECT_FALSE(BuildPrintLines(m_tree, PrintRange::Created, ComputePrintMetrics(2400, 50 * 14, 50), m_texts,
                               m_measure, lines));
  EXPECT_EQ(lines.Count(), 0u);
}

}  // namespace
}  // namespace orvel::ui
