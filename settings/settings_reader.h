// The settings reader: a small scanner of its own that finds one tag at a time in UTF-16 text and
// matches it with its end tag, and the callbacks that merge the elements into a settings tree.
// Reading runs on a freshly reset document, whose default tree already holds every fixed node:
// most elements find their node by name; list entries and unknown elements create nodes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings_node.h"

namespace orvel {

// Removes every section from `open` through the next `close` (comments, processing
// instructions). Markers inside CDATA sections are text. True when a section was removed; an open
// marker without a close leaves the rest of the text as it is. Made for those two kinds: `open`
// begins with "<", and `close` holds no "<" and begins with neither "]" nor ">".
bool RemoveMarkedSections(std::u16string& text, std::u16string_view open, std::u16string_view close);

// One nesting level of a parse: finds the next tag in its range and the end tag that matches it.
class CXmlTagScanner {
 public:
  // Scans [begin, begin + length) of `text`, which must outlive the scanner.
  CXmlTagScanner(std::u16string_view text, size_t begin, size_t length);

  // Finds the next element from the cursor: its name, attribute text and content, and moves the
  // cursor behind it. False when there is no further complete element.
  bool FindNextTag();

  std::u16string_view Name() const { return Span(m_nameStart, m_nameEnd); }
  std::u16string_view Attributes() const { return Span(m_attributesStart, m_attributesEnd); }
  std::u16string_view Content() const { return Span(m_contentStart, m_contentEnd); }
  // Index of the first content character (meaningful when the content is not empty).
  ptrdiff_t ContentStart() const { return m_contentStart; }

 private:
  // A search for one character that remembers what it has read, so each level of a parse reads its
  // range about once: no match lies in [from, to) before `at`, and `at` is a match (or none was
  // found before `to`).
  struct CNextMatch {
    explicit CNextMatch(char16_t c) : mark(c) {}
    char16_t mark;
    size_t at = 0, from = 0, to = 0;
    bool searched = false;
    // The first match at or after `pos` and before `limit`; npos when there is none.
    size_t From(std::u16string_view range, size_t pos, size_t limit);
  };

  std::u16string_view Span(ptrdiff_t first, ptrdiff_t last) const;

  std::u16string_view m_range;  // the whole text up to the end of this scanner's range
  size_t m_cursor;
  ptrdiff_t m_tagStart = -1, m_tagEnd = -1, m_endTagStart = -1, m_endTagEnd = -1;
  ptrdiff_t m_nameStart = -1, m_nameEnd = -1;
  ptrdiff_t m_attributesStart = -1, m_attributesEnd = -1;
  ptrdiff_t m_contentStart = -1, m_contentEnd = -1;
  CNextMatch m_lt{u'<'}, m_gt{u'>'};
};

// The reader behind the scanner; one process-wide instance (GetXmlReader).
class CXmlReader {
 public:
  virtual ~CXmlReader() = default;

  // Parses the buffer, which the reader keeps while it reads, into the tree below the current
  // node. False for an empty buffer and when the elements nest deeper than kMaxNestingDepth
  // (TooDeep then answers true).
  bool Parse(std::u16string buffer);
  bool ParseElements(CXmlTagScanner& scanner, uint32_t level);

  // The node under which the next element is placed; null when nothing is being read.
  CSettingsNode* GetCurrentNode() const { return m_current; }
  void SetCurrentNode(CSettingsNode* node) { m_current = node; }
  bool TooDeep() const { return m_tooDeep; }

 private:
  bool OnElementStart(std::u16string_view name, std::u16string_view attributes);
  void OnText(std::u16string_view name, std::u16string_view content, std::u16string_view attributes,
              uint32_t level);
  void OnElementEnd(std::u16string_view name);

  std::u16string m_text;
  CSettingsNode* m_current = nullptr;
  bool m_tooDeep = false;
};

CXmlReader& GetXmlReader();

// The settings callbacks. Start answers whether it made a node current (the matching end then
// returns to its parent). `level` is the element's nesting level (the document element 0); a value
// laid out as the writer lays out a multi-line value at that level loses the indentation the
// writer added, and any other value keeps its white space (but at its ends).
bool OnSettingsElementStart(CSettingsNode*& current, std::u16string_view name,
                            std::u16string_view attributes);
void OnSettingsElementText(CSettingsNode& current, std::u16string_view name, std::u16string_view content,
                           std::u16string_view attributes, uint32_t level);
// The text before the first child of an element that has children: the value of the node that
// OnSettingsElementStart made current.
void OnSettingsElementValue(CSettingsNode& current, std::u16string_view content, uint32_t level);
void OnSettingsElementEnd(CSettingsNode*& current);

// Turns element text into the stored value: a CDATA section (split sections joined) or text with
// its entities replaced; a password is then unscrambled. True when the text was CDATA.
bool XmlToValue(const CSettingsNode& node, std::u16string& text);

// Reads the op attribute into the flags and keeps every other attribute in `extra`, as
// name="value" pairs separated by blanks (name='value' when the value holds a double quote).
// Values may stand in double or single quotes and are kept as written, blanks inside the quotes
// included (the op keywords count with blanks around them too); a repeated attribute name is
// dropped.
void ParseAttributes(std::u16string_view text, bool& create, bool& update, std::u16string& extra);

// Parses settings text into the tree below `root` (or into nothing when it is null). False when
// the text carries no processing instruction (such as the XML declaration) and is not parsed,
// and when it nests too deep (with a message in the last read error); the tree keeps what was
// read.
bool ParseSettingsText(CSettingsNode* root, std::u16string_view text);

// Reads a settings file (UTF-16LE, with or without byte-order mark) and parses it. False with
// `parseFailed` false when the file cannot be read (the system's message is in the last read
// error); false with `parseFailed` true when it holds no settings text.
bool LoadSettingsFile(CSettingsNode* root, const std::u16string& path, bool& parseFailed);

}  // namespace orvel
