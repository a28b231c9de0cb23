#include "ui/print/print_lines.h"

#include <algorithm>

#include "settings/settings_host.h"
#include "settings/settings_node.h"
#include "settings/settings_schema.h"
#include "support/u16text.h"

namespace orvel::ui {

namespace {

constexpr size_t kRecordHead = 7;  // style letter and six digits
constexpr int kSecondColumnUnits = 10;

bool IsSpaceOrTab(char16_t c) { return c == u' ' || c == u'\t'; }

bool IsPunctuation(char16_t c) {
  return (c >= u'!' && c <= u'/') || (c >= u':' && c <= u'@') || (c >= u'[' && c <= u'`') ||
         (c >= u'{' && c <= u'~');
}

std::u16string_view TrimTrailingBlanks(std::u16string_view text) {
  while (!text.empty() && IsSpaceOrTab(text.back())) text.remove_suffix(1);
  return text;
}

// The longest prefix of text that fits (at least none); widths grow with the prefix.
size_t FittingLength(std::u16string_view text, int width,
                     const std::function<int(std::u16string_view)>& measure) {
  size_t low = 0, high = text.size();
  while (low < high) {
    size_t middle = low + (high - low + 1) / 2;
    if (measure(text.substr(0, middle)) <= width)
      low = middle;
    else
      high = middle - 1;
  }
  return low;
}

void WrapPiece(std::u16string_view rest, int width, const std::function<int(std::u16string_view)>& measure,
               std::vector<std::u16string>& parts) {
  while (measure(rest) > width) {
    const size_t fits = FittingLength(rest, width, measure);
    size_t cut = 0;
    // At the last blank that leaves a part that fits: the blank itself may lie just after it.
    for (size_t at = std::min(fits, rest.size() - 1); at > 0 && cut == 0; --at) {
      if (IsSpaceOrTab(rest[at]) && !TrimTrailingBlanks(rest.substr(0, at)).empty()) cut = at;
    }
    std::u16string_view part;
    if (cut > 0) {
      part = TrimTrailingBlanks(rest.substr(0, cut));
    } else {
      for (size_t at = fits; at > 0 && cut == 0; --at) {
        if (IsPunctuation(rest[at - 1])) cut = at;
      }
      // Failing both, after the last character that fits; at least one, so that the text ends.
      if (cut == 0) cut = std::max<size_t>(fits, 1);
      part = rest.substr(0, cut);
    }
    parts.emplace_back(part);
    rest.remove_prefix(cut);
    while (!rest.empty() && IsSpaceOrTab(rest.front())) rest.remove_prefix(1);
    if (rest.empty()) return;
  }
  parts.emplace_back(rest);
}

bool IsIncluded(const CTreeLogic& tree, TreeItemId item, PrintRange range);

bool AnyDescendantMarked(const CTreeLogic& tree, TreeItemId item) {
  for (TreeItemId child : tree.ChildrenOf(item)) {
    if (tree.IsMarked(child) || AnyDescendantMarked(tree, child)) return true;
  }
  return false;
}

bool IsIncluded(const CTreeLogic& tree, TreeItemId item, PrintRange range) {
  CSettingsNode* node = tree.NodeOf(item);
  if (!node || node->IsDisabled()) return false;
  switch (range) {
    case PrintRange::All:
      return true;
    case PrintRange::Marked:
      for (TreeItemId at = item; at != kNoItem; at = tree.ParentOf(at)) {
        if (tree.IsMarked(at)) return true;
      }
      return AnyDescendantMarked(tree, item);
    case PrintRange::Created:
      return node->IsCreated();
  }
  return false;
}

std::u16string NameOf(const CSettingsNode& node) {
  std::u16string name;
  node.GetNodeName(name, true);
  return name;
}

std::u16string ValueOf(CSettingsNode* node) {
  if (!node) return {};
  if (node->GetKind() == kKindPassword) return kPrintPasswordMask;
  std::u16string value;
  node->GetDisplayValue(value, true);
  return value;
}

std::u16string ChildValue(const CSettingsNode& node, uint32_t type) {
  return ValueOf(node.FindChildOfType(type));
}

// Writes the lines of one item; the caller walks the children.
class CItemWriter {
 public:
  CItemWriter(const PrintMetrics& metrics, const PrintTexts& texts, ITextMeasure& measure, CPrintLines& lines)
      : m_metrics(metrics), m_texts(texts), m_measure(measure), m_lines(lines) {}

  void Write(const CTreeLogic& tree, TreeItemId item) {
    CSettingsNode& node = *tree.NodeOf(item);
    const int level = tree.Level(item);
    const int d = m_metrics.left + level * m_metrics.indent;
    const bool children = tree.HasChildItems(item);
    const uint32_t type = node.GetType();
    if (type == kScriptType || type == kSignatureType) {  // the value as a paragraph below the name
      m_lines.AddLine(NameOf(node), -1, children, d, m_metrics.right, m_measure);
      m_lines.AddLine(node.GetValue(), -1, false, d + m_metrics.indent, m_metrics.right, m_measure);
      return;
    }
    if (IsBookmarkListType(type) || IsFileListType(type)) {
      m_lines.AddLine(NameOf(node), -1, true, d, m_metrics.right, m_measure);
      for (size_t i = 0; i < node.GetChildCount(); ++i) {
        const CSettingsNode& entry = *node.GetChild(i);
        if (type == kWwwBookmarksType) {
          Row(d, ChildValue(entry, kWwwBookmarkNameType), ChildValue(entry, kWwwBookmarkUrlType));
        } else if (type == kWapBookmarksType) {
          Row(d, ChildValue(entry, kWapBookmarkNameType), ChildValue(entry, kWapBookmarkUrlType));
          Row(d, m_texts.connection, ChildValue(entry, kWapBookmarkUseConnectionType));
          Row(d, m_texts.userName, ChildValue(entry, kWapBookmarkUsernameType));
          Row(d, m_texts.password, kPrintPasswordMask);
        } else if (type == kFilesType) {
          Row(d, ChildValue(entry, kFileLocalType), ChildValue(entry, kFileRemoteType));
        } else {
          m_lines.AddLine(ValueOf(node.GetChild(i)), -1, false, d + m_metrics.indent, m_metrics.right,
                          m_measure);
        }
      }
      m_lines.AddEmptyLine(m_metrics.left);
      return;
    }
    const int at = m_lines.AddLine(NameOf(node), -1, children, d, m_metrics.right, m_measure);
    const std::u16string value = ValueOf(&node);
    if (!value.empty()) m_lines.AddLine(value, at, false, m_metrics.valueX, m_metrics.right, m_measure);
    if (level == 0) m_lines.AddEmptyLine(m_metrics.left);
  }

 private:
  // Two columns: the second one's text goes into the same slots as the first one's.
  void Row(int d, const std::u16string& first, const std::u16string& second) {
    const int secondX = d + kSecondColumnUnits * m_metrics.indent;
    const int firstRight = secondX - m_measure.TextWidth(u"  ", false);
    const int at = m_lines.AddLine(first, -1, false, d + m_metrics.indent, firstRight, m_measure);
    m_lines.AddLine(second, at, false, secondX, m_metrics.right, m_measure);
  }

  const PrintMetrics& m_metrics;
  const PrintTexts& m_texts;
  ITextMeasure& m_measure;
  CPrintLines& m_lines;
};

}  // namespace

PrintMetrics ComputePrintMetrics(int width, int height, int charHeight) {
  PrintMetrics m;
  m.width = width;
  m.height = height;
  m.charHeight = charHeight;
  m.left = width / 30;
  m.right = (width / 30) * 29;
  m.top = 6 * charHeight;
  m.bottom = height - 8 * charHeight;
  m.lineHeight = charHeight + charHeight / 5;
  m.indent = width / 30;
  m.valueX = (width / 30) * 18;
  m.linesPerPage = m.lineHeight > 0 && m.bottom > m.top ? (m.bottom - m.top) / m.lineHeight : 0;
  return m;
}

PageFrame ComputePageFrame(const PrintMetrics& metrics) {
  const int c = metrics.charHeight;
  PageFrame frame;
  frame.textX = metrics.left + metrics.indent;
  frame.titleY = 4 * c / 3;
  frame.topRuleY = 4 * c;
  frame.bottomRuleY = metrics.height - 4 * c;
  frame.footerY = metrics.height - 2 * (4 * c / 3);
  return frame;
}

std::u16string MakeLineRecord(bool heading, int x, std::u16string_view text) {
  std::u16string digits = DecimalText(static_cast<uint64_t>(std::clamp(x, 0, 999999)));
  std::u16string record(heading ? u"b" : u"n");
  record.append(6 - digits.size(), u'0');
  record += digits;
  record += text;
  record += u'\n';
  return record;
}

std::vector<LineRecord> ParseSlot(std::u16string_view slot) {
  std::vector<LineRecord> records;
  while (!slot.empty()) {
    size_t end = slot.find(u'\n');
    std::u16string_view record = slot.substr(0, end);
    slot.remove_prefix(end == std::u16string_view::npos ? slot.size() : end + 1);
    if (record.size() < kRecordHead) continue;
    LineRecord parsed;
    parsed.heading = record[0] == u'b';
    for (size_t i = 1; i < kRecordHead; ++i) {
      if (record[i] >= u'0' && record[i] <= u'9') parsed.x = parsed.x * 10 + (record[i] - u'0');
    }
    parsed.text = std::u16string(record.substr(kRecordHead));
    records.push_back(std::move(parsed));
  }
  return records;
}

bool IsEmptySlot(std::u16string_view slot) {
  if (slot.size() <= kRecordHead) return true;
  return TrimBlanks(slot.substr(kRecordHead)).empty();
}

std::u16string ExpandPrintText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c == u'\r') continue;
    if (c == u'\t')
      out.append(8, u' ');
    else
      out += c;
  }
  return out;
}

std::vector<std::u16string> WrapText(std::u16string_view text, int width,
                                     const std::function<int(std::u16string_view)>& measure) {
  std::vector<std::u16string> parts;
  for (;;) {
    size_t end = text.find(u'\n');
    WrapPiece(text.substr(0, end), width, measure, parts);
    if (end == std::u16string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return parts;
}

int CPrintLines::AddLine(std::u16string_view text, int at, bool heading, int x, int right,
                         ITextMeasure& measure) {
  const std::u16string expanded = ExpandPrintText(text);
  const std::vector<std::u16string> parts = WrapText(
      expanded, right - x, [&](std::u16string_view part) { return measure.TextWidth(part, heading); });
  if (at < 0) {
    // A heading starts no lower than the third line from the foot of a page; a page of two lines
    // or fewer has no such place, and there the rule would never end.
    if (heading && m_linesPerPage > 2) {
      while (static_cast<int>(m_slots.size() % m_linesPerPage) >= m_linesPerPage - 2) AddEmptyLine(x);
    }
    at = static_cast<int>(m_slots.size());
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    const size_t slot = static_cast<size_t>(at) + i;
    if (slot >= m_slots.size()) m_slots.resize(slot + 1);
    m_slots[slot] += MakeLineRecord(heading, x, parts[i]);
  }
  return at;
}

void CPrintLines::AddEmptyLine(int x) { m_slots.push_back(MakeLineRecord(false, x, u"")); }

void CPrintLines::RemoveTrailingEmpty() {
  while (!m_slots.empty() && IsEmptySlot(m_slots.back())) m_slots.pop_back();
}

int CPrintLines::PageCount() const {
  if (m_linesPerPage <= 0) return 0;
  return static_cast<int>((m_slots.size() + m_linesPerPage - 1) / m_linesPerPage);
}

void CPrintLines::PageSlots(int page, size_t& first, size_t& end) const {
  first = end = 0;
  if (page < 1 || m_linesPerPage <= 0) return;
  first = std::min(m_slots.size(), static_cast<size_t>(page - 1) * m_linesPerPage);
  end = std::min(m_slots.size(), static_cast<size_t>(page) * m_linesPerPage);
}

PrintRange ChooseRange(bool allPages, bool selection, bool createdOnly) {
  PrintRange range = PrintRange::All;
  if (allPages) range = PrintRange::All;
  if (selection) range = PrintRange::Marked;
  if (createdOnly) range = PrintRange::Created;
  return range;
}

void AddItemLines(const CTreeLogic& tree, TreeItemId item, PrintRange range, const PrintMetrics& metrics,
                  const PrintTexts& texts, ITextMeasure& measure, CPrintLines& lines) {
  CSettingsNode* node = tree.NodeOf(item);
  if (!node || IsPlaceholderType(node->GetType())) return;
  const bool included = IsIncluded(tree, item, range);
  if (included) CItemWriter(metrics, texts, measure, lines).Write(tree, item);
  for (TreeItemId child : tree.ChildrenOf(item))
    AddItemLines(tree, child, range, metrics, texts, measure, lines);
  if (included && tree.Level(item) == 0) lines.AddEmptyLine(metrics.left);
}

bool BuildPrintLines(const CTreeLogic& tree, PrintRange range, const PrintMetrics& metrics,
                     const PrintTexts& texts, ITextMeasure& measure, CPrintLines& lines) {
  lines = CPrintLines(metrics.linesPerPage);
  if (metrics.linesPerPage <= 0) return false;
  for (TreeItemId item : tree.TopItems()) AddItemLines(tree, item, range, metrics, texts, measure, lines);
  lines.RemoveTrailingEmpty();
  return true;
}

int JobPageCount(const CPrintLines& lines) { return std::max(1, lines.PageCount()); }

JobResult RunPrintJob(IPrintJobDevice& device, int pageCount) {
  if (!device.StartDocument()) return JobResult::NotStarted;
  for (int page = 1; page <= pageCount; ++page) {
    if (!device.StartPage()) {
      device.AbortDocument();
      return JobResult::Aborted;
    }
    device.PrintPage(page);
    if (!device.EndPage()) {
      device.AbortDocument();
      return JobResult::Aborted;
    }
  }
  device.EndDocument();
  return JobResult::Printed;
}

std::u16string DescribeLines(const CPrintLines& lines) {
  std::u16string out;
  const int perPage = std::max(1, lines.LinesPerPage());
  for (size_t i = 0; i < lines.Count(); ++i) {
    if (i % perPage == 0) out += u"--- page " + DecimalText(i / perPage + 1) + u"\n";
    std::u16string_view slot = lines.Slot(i);
    if (!slot.empty() && slot.back() == u'\n') slot.remove_suffix(1);
    std::u16string line(slot);
    for (size_t at = line.find(u'\n'); at != std::u16string::npos; at = line.find(u'\n', at + 3))
      line.replace(at, 1, u" | ");
    out += line + u"\n";
  }
  return out;
}

}  // namespace orvel::ui
