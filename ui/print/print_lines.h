// The printed form of the settings apart from any window: the page metrics of a printer page, the
// line list (one slot per printed line, each slot holding the records drawn on that line), word
// wrapping, the lines of the tree's items for each print range with the column layouts of bookmark
// and file lists, and the loop of a print job. Text widths come from the caller (the printer's
// fonts, or a fixed measure in the tests).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/tree/tree_logic.h"

namespace orvel::ui {

// A printer page in device pixels.
struct PrintMetrics {
  int width = 0;       // page width W
  int height = 0;      // page height H
  int charHeight = 0;  // height of "A" in the text font
  int left = 0;        // W/30
  int right = 0;       // (W/30) * 29
  int top = 0;         // 6c
  int bottom = 0;      // H - 8c
  int lineHeight = 0;  // c + c/5
  int indent = 0;      // W/30
  int valueX = 0;      // (W/30) * 18, where a field's value starts
  int linesPerPage = 0;
};
PrintMetrics ComputePrintMetrics(int width, int height, int charHeight);

// Where the header and footer go on a page.
struct PageFrame {
  int textX = 0;        // the title and the date
  int titleY = 0;       // 4c/3
  int topRuleY = 0;     // 4c
  int bottomRuleY = 0;  // H - 4c
  int footerY = 0;      // H - 2 * (4c/3): the date, and the page number right-aligned to the right edge
};
PageFrame ComputePageFrame(const PrintMetrics& metrics);

// Widths of text in the heading font or the text font.
class ITextMeasure {
 public:
  virtual ~ITextMeasure() = default;
  virtual int TextWidth(std::u16string_view text, bool heading) = 0;
};

// One record of a slot: "b" (heading font) or "n" (text font), x as six digits, the text, "\n".
struct LineRecord {
  bool heading = false;
  int x = 0;
  std::u16string text;
};
std::u16string MakeLineRecord(bool heading, int x, std::u16string_view text);
std::vector<LineRecord> ParseSlot(std::u16string_view slot);
// A slot whose text after its first record's style and position is blank.
bool IsEmptySlot(std::u16string_view slot);

// Carriage returns removed, each tab as eight spaces.
std::u16string ExpandPrintText(std::u16string_view text);
// Breaks text (already expanded) into parts that each fit `width` (measure gives a part's width):
// at the last space or tab that leaves a part that fits, else after the last punctuation character
// that fits, else after the last character that fits (at least one); blanks at the start of the
// next part are dropped; line feeds break as well. Empty text is one empty part.
std::vector<std::u16string> WrapText(std::u16string_view text, int width,
                                     const std::function<int(std::u16string_view)>& measure);

class CPrintLines {
 public:
  CPrintLines() = default;
  explicit CPrintLines(int linesPerPage) : m_linesPerPage(linesPerPage) {}

  // Wraps text between x and right and stores its lines as records: the first in slot `at` (a new
  // slot at the end when at < 0), the following ones in the following slots, added as needed. An
  // appended heading never starts on the last two lines of a page; on a page of two lines or fewer
  // that cannot hold, and headings go where they fall. The index of the first slot.
  int AddLine(std::u16string_view text, int at, bool heading, int x, int right, ITextMeasure& measure);
  // An empty line at the end.
  void AddEmptyLine(int x);
  // Empty lines at the end go.
  void RemoveTrailingEmpty();
  void Clear() { m_slots.clear(); }

  size_t Count() const { return m_slots.size(); }
  const std::u16string& Slot(size_t index) const { return m_slots[index]; }
  int LinesPerPage() const { return m_linesPerPage; }
  // ceiling(count / lines per page); 0 lines give 0 pages.
  int PageCount() const;
  // The slots of a page (from 1): [first, end).
  void PageSlots(int page, size_t& first, size_t& end) const;

 private:
  std::vector<std::u16string> m_slots;
  int m_linesPerPage = 0;
};

// Which settings a print takes: all, the marked items (with their ancestors and descendants), or
// the created settings.
enum class PrintRange { All = 0, Marked = 1, Created = 2 };

// The range the print dialog's answers give: all pages 0, selection 1, created-only 2, the last
// that holds.
PrintRange ChooseRange(bool allPages, bool selection, bool createdOnly);

// The texts of the bookmark rows (the language library's 618 to 620).
struct PrintTexts {
  std::u16string connection;
  std::u16string userName;
  std::u16string password;
};

inline constexpr char16_t kPrintPasswordMask[] = u"********";

// Appends the lines of one item and its children.
void AddItemLines(const CTreeLogic& tree, TreeItemId item, PrintRange range, const PrintMetrics& metrics,
                  const PrintTexts& texts, ITextMeasure& measure, CPrintLines& lines);

// The lines of every top-level item; trailing empty lines removed. False (and no lines) when the
// page has no room for a single line.
bool BuildPrintLines(const CTreeLogic& tree, PrintRange range, const PrintMetrics& metrics,
                     const PrintTexts& texts, ITextMeasure& measure, CPrintLines& lines);

// The pages a job prints and the preview shows: a list without lines still gives one page with the
// header and the footer (the page range's maximum is raised to its minimum).
int JobPageCount(const CPrintLines& lines);

// The steps of a print job on a device.
class IPrintJobDevice {
 public:
  virtual ~IPrintJobDevice() = default;
  virtual bool StartDocument() = 0;
  virtual bool StartPage() = 0;
  virtual void PrintPage(int page) = 0;
  virtual bool EndPage() = 0;
  virtual void EndDocument() = 0;
  virtual void AbortDocument() = 0;
};
enum class JobResult { Printed, NotStarted, Aborted };
// Starts the document, prints pages 1..pageCount, and ends it; a page that cannot be started or
// ended aborts the document and nothing further is printed.
JobResult RunPrintJob(IPrintJobDevice& device, int pageCount);

// The line list as text for comparisons: "--- page N" before each page, then one line per slot with
// its records as "b000123text" joined by " | ".
std::u16string DescribeLines(const CPrintLines& lines);

}  // namespace orvel::ui
