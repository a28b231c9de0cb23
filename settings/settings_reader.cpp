#include "settings/settings_reader.h"

#include <algorithm>
#include <unordered_set>

#include "settings/line_ends.h"
#include "settings/settings_file.h"
#include "settings/settings_host.h"
#include "settings/settings_schema.h"
#include "settings/settings_text.h"
#include "settings/settings_writer.h"
#include "support/u16text.h"

namespace orvel {
namespace {

constexpr size_t npos = std::u16string_view::npos;

CXmlReader g_reader;

bool StartsWithCdata(std::u16string_view text) {
  return text.size() >= kCdataOpen.size() + kCdataClose.size() &&
         text.substr(0, kCdataOpen.size()) == kCdataOpen &&
         text.substr(text.size() - kCdataClose.size()) == kCdataClose;
}

// White space as XML has it: it ends a tag's name and separates its attributes.
bool IsXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

bool IsQuote(char16_t c) { return c == u'"' || c == u'\''; }

bool StartsWithBlanks(std::u16string_view text, size_t count) {
  return text.size() >= count && text.find_first_not_of(u' ') >= count;
}

// A value that spans lines, or that precedes child elements, the writer puts on lines of its own:
// a line feed, the value with the element's indent after each of its line feeds, a line feed, and
// the indent of what follows (the end tag's or the first child's). Text of exactly that shape loses
// the indent the writer added; any other text, such as another program wrote, stays as it is.
std::u16string RemoveOwnIndent(std::u16string_view content, size_t indent, size_t tailIndent) {
  const size_t last = content.rfind(u'\n');
  if (content.empty() || content.front() != u'\n' || last == 0 ||
      content.substr(last + 1) != std::u16string(tailIndent, u' ')) {
    return std::u16string(content);
  }
  const std::u16string_view body = content.substr(1, last - 1);
  for (size_t at = body.find(u'\n'); at != npos; at = body.find(u'\n', at + 1)) {
    if (!StartsWithBlanks(body.substr(at + 1), indent)) return std::u16string(content);
  }
  std::u16string out;
  out.reserve(body.size());
  for (size_t i = 0; i < body.size(); ++i) {
    out += body[i];
    if (body[i] == u'\n') i += indent;
  }
  return out;
}

// Where the child elements of an element's content begin, or npos when the content is the
// element's text: it holds no "<", or it is CDATA with no tag behind it. Text or CDATA before the
// first child is the element's value.
size_t FindChildElements(std::u16string_view content) {
  const size_t lt = content.find(u'<');
  if (lt == npos) return npos;
  if (!TrimBlanks(content.substr(0, lt)).empty() || !content.substr(lt).starts_with(kCdataOpen)) return lt;
  size_t end = lt;
  for (;;) {
    const size_t close = content.find(kCdataClose, end + kCdataOpen.size());
    if (close == npos) return npos;
    end = close + kCdataClose.size();
    size_t next = end;
    while (next < content.size() && IsBlank(content[next])) ++next;
    if (!content.substr(next).starts_with(kCdataOpen)) break;
    end = next;
  }
  const size_t child = content.find(u'<', end);
  return child == npos ? npos : end;
}

// An element that makes a new entry under a list node of `listType`.
struct EntryElementRule {
  uint32_t listType;
  const char16_t* entryName;
  uint32_t entryType;
};
constexpr EntryElementRule kListEntries[] = {
    {2, u"IAPConnection", 5},
    {43, u"Mailbox", 46},
    {73, u"WAPConnection", 74},
    {86, u"SMSCentre", 89},
    {98, u"WWWBookmark", 99},
    {102, u"WAPBookmark", 103},
    {117, u"File", 118},
    {121, u"TerminalConnection", 122},
    {132, u"TelnetConnection", 133},
};

// The file lists, whose entries are elements without children.
constexpr EntryElementRule kFileLists[] = {
    {111, u"RingingTone", 112},
    {113, u"BackgroundImage", 114},
    {115, u"SISFile", 116},
};

bool IsFileEntryList(uint32_t type) {
  return std::any_of(std::begin(kFileLists), std::end(kFileLists),
                     [type](const EntryElementRule& rule) { return rule.listType == type; });
}

CSettingsNode* AddUnknownElement(CSettingsNode& parent, std::u16string_view name) {
  CSettingsNode* node = parent.AddChild(u"", kKindHidden, kUnknownElementType);
  node->SetName(std::u16string(name));
  return node;
}

// The value of an element as stored: the writer's own indentation removed outside CDATA, entities
// replaced, a password unscrambled. A CDATA value of a field that is written as escaped text is
// trimmed, since that form cannot keep outer white space. `tailIndent` is the indent of what
// follows the value in the writer's layout.
bool ReadValue(const CSettingsNode& node, std::u16string_view content, uint32_t level, size_t tailIndent,
               std::u16string& value) {
  const std::u16string_view trimmed = TrimBlanks(content);
  value = StartsWithCdata(trimmed) ? std::u16string(trimmed)
                                   : RemoveOwnIndent(content, 2 * size_t{level}, tailIndent);
  const bool cdata = XmlToValue(node, value);
  if (cdata && node.GetKind() != kKindPassword && !IsCdataType(node.GetType()) &&
      node.GetType() != kUnknownElementType) {
    value = std::u16string(TrimBlanks(value));
  }
  return cdata;
}

}  // namespace

// --- sections

bool RemoveMarkedSections(std::u16string& text, std::u16string_view open, std::u16string_view close) {
  // The text is compacted in place: what is kept moves only towards the front, behind the
  // position the scan reads from, so no second copy of a large text is made. One pass tries the
  // four markers at each position, in the order open, close, CDATA open, CDATA close.
  const std::u16string_view view(text);
  size_t written = 0;
  auto keep = [&](size_t from, size_t to) {
    std::char_traits<char16_t>::move(text.data() + written, text.data() + from, to - from);
    written += to - from;
  };
  size_t pos = 0, copied = 0, pending = npos;
  bool removed = false;
  while (pos < view.size()) {
    // Outside a section only a "<" can start something; inside one, also the close marker. Every
    // other stop of the order above moves over characters that hold no such start.
    pos = pending == npos ? FindChar(view, pos, u'<') : FindEither(view, pos, u'<', close.front());
    if (pos == npos) break;
    const std::u16string_view rest = view.substr(pos);
    if (rest.starts_with(open)) {
      if (pending == npos) pending = pos;
      pos += open.size();
    } else if (rest.starts_with(close)) {
      pos += close.size();
      if (pending != npos) {
        keep(copied, pending);
        copied = pos;
        pending = npos;
        removed = true;
      }
    } else if (rest.starts_with(kCdataOpen)) {
      // Inside CDATA only its end counts; a section that never ends ends the CDATA here.
      pos += kCdataOpen.size();
      const size_t end = view.find(kCdataClose, pos);
      if (end != npos) pos = end + kCdataClose.size();
    } else if (rest.starts_with(kCdataClose)) {
      pos += kCdataClose.size();
    } else {
      ++pos;
    }
  }
  if (removed) {
    keep(copied, text.size());
    text.resize(written);
  }
  return removed;
}

// --- scanner

size_t CXmlTagScanner::CNextMatch::From(std::u16string_view range, size_t pos, size_t limit) {
  size_t start = pos;
  if (searched && pos >= from) {
    if (at != npos && at >= pos) return at < limit ? at : npos;
    if (at == npos && limit <= to) return npos;
    // Nothing lies before `to`; only the rest up to the new limit is read.
    if (at == npos) start = std::max(pos, to);
  }
  at = FindChar(range.substr(0, limit), start, mark);
  from = pos;
  to = limit;
  searched = true;
  return at;
}

CXmlTagScanner::CXmlTagScanner(std::u16string_view text, size_t begin, size_t length)
    : m_range(text.substr(0, std::min(text.size(), begin + length))), m_cursor(begin) {}

std::u16string_view CXmlTagScanner::Span(ptrdiff_t first, ptrdiff_t last) const {
  if (first < 0 || last < first) return {};
  return m_range.substr(static_cast<size_t>(first), static_cast<size_t>(last - first + 1));
}

bool CXmlTagScanner::FindNextTag() {
  m_tagStart = m_tagEnd = m_endTagStart = m_endTagEnd = static_cast<ptrdiff_t>(m_cursor);
  m_nameStart = m_nameEnd = m_attributesStart = m_attributesEnd = m_contentStart = m_contentEnd = -1;
  if (m_cursor >= m_range.size()) return false;
  const size_t lt = m_lt.From(m_range, m_cursor, m_range.size());
  if (lt == npos) return false;
  const size_t gt = m_gt.From(m_range, lt, m_range.size());
  if (gt == npos) return false;
  m_tagStart = static_cast<ptrdiff_t>(lt);
  m_tagEnd = static_cast<ptrdiff_t>(gt);

  const bool emptyElement = gt > lt + 1 && m_range[gt - 1] == u'/';
  m_nameStart = static_cast<ptrdiff_t>(lt + 1);
  m_nameEnd = static_cast<ptrdiff_t>(emptyElement ? gt - 2 : gt - 1);
  for (ptrdiff_t i = m_nameStart; i <= m_nameEnd; ++i) {
    if (IsXmlSpace(m_range[static_cast<size_t>(i)])) {
      m_nameEnd = i - 1;
      break;
    }
  }
  const ptrdiff_t nameLength = m_nameEnd >= m_nameStart ? m_nameEnd - m_nameStart + 1 : 0;
  const ptrdiff_t tagLength = m_tagEnd - m_tagStart + 1;
  if (tagLength - nameLength >= 4) {
    m_attributesStart = m_nameStart + nameLength + 1;
    m_attributesEnd = m_tagEnd - (emptyElement ? 2 : 1);
  }

  if (emptyElement) {
    m_cursor = gt + 1;
    m_endTagStart = m_endTagEnd = static_cast<ptrdiff_t>(m_cursor);
    return true;
  }

  // The matching end tag: one pass from the start tag on, trying at each "<" and "]" the start of a
  // CDATA section, a nested start tag of the same name, an end tag of the name and the end of a
  // CDATA section, in that order.
  const std::u16string_view name = Name();
  size_t pos = gt + 1;
  int nesting = 0;
  size_t match = npos;
  while (match == npos) {
    pos = FindEither(m_range, pos, u'<', u']');
    if (pos == npos) return false;
    const std::u16string_view rest = m_range.substr(pos);
    if (rest.starts_with(kCdataOpen)) {
      // Inside CDATA only its end counts; a section that never ends ends the CDATA here.
      pos += kCdataOpen.size();
      const size_t end = m_range.find(kCdataClose, pos);
      if (end != npos) pos = end + kCdataClose.size();
    } else if (rest[0] == u'<' && rest.substr(1, name.size()) == name) {
      // A nested start tag of the same name nests with or without attributes ("<A>", "<A x=\"1\">");
      // "<A/>", "<A x=\"1\"/>" and "<AB>" do not. Counting only the bare form let the inner element's
      // end tag end the outer one, and the rest of the outer element was lost.
      pos += 1 + name.size();
      const char16_t next = pos < m_range.size() ? m_range[pos] : u'\0';
      if (next == u'>') {
        ++nesting;
      } else if (IsXmlSpace(next)) {
        const size_t tagEnd = m_gt.From(m_range, pos, m_range.size());
        if (tagEnd == npos) return false;
        if (m_range[tagEnd - 1] != u'/') ++nesting;
        pos = tagEnd + 1;
      }
    } else if (rest.starts_with(u"</") && rest.substr(2, name.size()) == name) {
      // "</Name", white space, ">"; "</NameX>" is another element's end tag.
      size_t end = pos + 2 + name.size();
      while (end < m_range.size() && IsXmlSpace(m_range[end])) ++end;
      pos = end;
      if (end == m_range.size() || m_range[end] != u'>') continue;
      pos = end + 1;
      if (nesting == 0) {
        match = static_cast<size_t>(rest.data() - m_range.data());
        m_endTagEnd = static_cast<ptrdiff_t>(pos);
      } else {
        --nesting;
      }
    } else if (rest.starts_with(kCdataClose)) {
      pos += kCdataClose.size();
    } else {
      ++pos;
    }
  }
  m_endTagStart = static_cast<ptrdiff_t>(match);
  m_contentStart = m_tagEnd + 1;
  m_contentEnd = m_endTagStart - 1;
  const size_t next = m_lt.From(m_range, static_cast<size_t>(m_endTagEnd), m_range.size());
  m_cursor = next != npos ? next : static_cast<size_t>(m_endTagEnd);
  return true;
}

// --- reader

namespace {

// Letters (any beyond ASCII too), digits, "_", "-", "." and ":", not starting with a digit, "-" or ".".
bool IsElementName(std::u16string_view name) {
  if (name.empty()) return false;
  auto letter = [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' || c > 0x7F;
  };
  if (!letter(name.front())) return false;
  for (char16_t c : name)
    if (!letter(c) && !(c >= u'0' && c <= u'9') && c != u'-' && c != u'.') return false;
  return true;
}

}  // namespace

CXmlReader& GetXmlReader() { return g_reader; }

bool CXmlReader::Parse(std::u16string buffer) {
  m_tooDeep = false;
  if (buffer.empty()) return false;
  m_text = std::move(buffer);
  CXmlTagScanner scanner(m_text, 0, m_text.size());
  const bool result = ParseElements(scanner, 0);
  m_text.clear();
  m_text.shrink_to_fit();
  return result;
}

bool CXmlReader::ParseElements(CXmlTagScanner& scanner, uint32_t level) {
  while (scanner.FindNextTag()) {
    const std::u16string_view name = scanner.Name();
    const std::u16string_view attributes = scanner.Attributes();
    const std::u16string_view content = scanner.Content();
    // Only a well-formed name makes an element. A comment or declaration that was never closed
    // ("<!-- c -/>") or a name holding "<" would be written back as something else (a comment, a
    // broken tag) and the element would be gone on the next read.
    if (!IsElementName(name)) continue;
    const size_t childStart = FindChildElements(content);
    if (childStart == npos) {
      OnText(name, content, attributes, level);
      continue;
    }
    // A file list holds only its file entries, which have no children.
    if (m_current && IsFileEntryList(m_current->GetType())) continue;
    if (level + 1 > kMaxNestingDepth) {
      m_tooDeep = true;
      return false;
    }
    const bool entered = OnElementStart(name, attributes);
    // The writer puts a value before the children of a node that has both.
    if (entered && !TrimBlanks(content.substr(0, childStart)).empty()) {
      OnSettingsElementValue(*m_current, content.substr(0, childStart), level);
    }
    CXmlTagScanner nested(m_text, static_cast<size_t>(scanner.ContentStart()) + childStart,
                          content.size() - childStart);
    if (!ParseElements(nested, level + 1)) return false;
    if (entered) OnElementEnd(name);
  }
  return true;
}

bool CXmlReader::OnElementStart(std::u16string_view name, std::u16string_view attributes) {
  if (!m_current || name.empty()) return false;
  return OnSettingsElementStart(m_current, name, attributes);
}

void CXmlReader::OnText(std::u16string_view name, std::u16string_view content, std::u16string_view attributes,
                        uint32_t level) {
  if (!m_current || name.empty()) return;
  OnSettingsElementText(*m_current, name, content, attributes, level);
}

void CXmlReader::OnElementEnd(std::u16string_view /*name*/) {
  if (m_current) OnSettingsElementEnd(m_current);
}

// --- settings callbacks

bool OnSettingsElementStart(CSettingsNode*& current, std::u16string_view name,
                            std::u16string_view attributes) {
  if (name == u"Settings") return false;
  bool create = false, update = false;
  std::u16string extra;
  ParseAttributes(attributes, create, update, extra);

  CSettingsNode* node = nullptr;
  for (const EntryElementRule& rule : kListEntries) {
    if (current->GetType() == rule.listType && name == rule.entryName) {
      node = current->AddChild(u"", kKindNone, rule.entryType);
      BuildDefaultTree(*node);
      break;
    }
  }
  if (!node) node = current->FindChildByName(name);
  // An element kept by its own name keeps its op attribute too, as a known one does.
  if (!node) node = AddUnknownElement(*current, name);
  node->StoreFlags(create, update);
  node->SetExtra(std::move(extra));
  current = node;
  return true;
}

void OnSettingsElementText(CSettingsNode& current, std::u16string_view name, std::u16string_view content,
                           std::u16string_view attributes, uint32_t level) {
  bool create = false, update = false;
  std::u16string extra, value;
  ParseAttributes(attributes, create, update, extra);

  for (const EntryElementRule& rule : kFileLists) {
    if (current.GetType() != rule.listType) continue;
    if (name != rule.entryName) return;  // nothing else belongs in a file list
    CSettingsNode* entry = current.AddChild(u"", kKindNone, rule.entryType);
    ReadValue(*entry, content, level, 2 * size_t{level}, value);
    entry->SetDisplayValue(value);
    entry->SetCreated(create, true);
    entry->SetUpdated(update);
    return;
  }

  // A list entry without child elements ("<IAPConnection/>") is an entry with every default; it has
  // no value of its own. Taken by name instead, it would land on an earlier entry or become an
  // element that the next read takes for that entry, and be lost.
  for (const EntryElementRule& rule : kListEntries) {
    if (current.GetType() == rule.listType && name == rule.entryName) {
      CSettingsNode* entry = current.AddChild(u"", kKindNone, rule.entryType);
      BuildDefaultTree(*entry);
      entry->StoreFlags(create, update);
      entry->SetExtra(std::move(extra));
      return;
    }
  }

  CSettingsNode* node = current.FindChildByName(name);
  if (node) {
    ReadValue(*node, content, level, 2 * size_t{level}, value);
  } else {
    node = AddUnknownElement(current, name);
    node->SetAux(ReadValue(*node, content, level, 2 * size_t{level}, value) ? 1 : 0);
  }
  node->SetDisplayValue(value);
  node->StoreFlags(create, update);
  node->SetExtra(std::move(extra));
}

void OnSettingsElementValue(CSettingsNode& current, std::u16string_view content, uint32_t level) {
  std::u16string value;
  const bool cdata = ReadValue(current, content, level, 2 * (size_t{level} + 1), value);
  if (current.GetType() == kUnknownElementType) current.SetAux(cdata ? 1 : 0);
  current.SetDisplayValue(value);
}

void OnSettingsElementEnd(CSettingsNode*& current) {
  if (current->GetType() != kRootType && current->GetParent()) current = current->GetParent();
}

// --- values and attributes

bool XmlToValue(const CSettingsNode& node, std::u16string& text) {
  const std::u16string_view trimmed = TrimBlanks(text);
  const size_t start = static_cast<size_t>(trimmed.data() - text.data());
  text.erase(start + trimmed.size());
  text.erase(0, start);
  bool cdata = false;
  if (StartsWithCdata(text)) {
    const std::u16string_view inner = std::u16string_view(text).substr(
        kCdataOpen.size(), text.size() - kCdataOpen.size() - kCdataClose.size());
    // Join split sections: "]]>", optional white space, "<![CDATA[" go.
    std::u16string joined;
    size_t from = 0;
    for (size_t at; (at = inner.find(kCdataClose, from)) != npos;) {
      size_t next = at + kCdataClose.size();
      while (next < inner.size() && IsBlank(inner[next])) ++next;
      if (inner.substr(next).starts_with(kCdataOpen)) {
        joined.append(inner.substr(from, at - from));
        from = next + kCdataOpen.size();
      } else {
        joined.append(inner.substr(from, at + kCdataClose.size() - from));
        from = at + kCdataClose.size();
      }
    }
    joined.append(inner.substr(from));
    text.swap(joined);
    cdata = true;
  } else if (FindChar(text, 0, u'&') != npos) {
    ReplaceAll(text, u"&lt;", u"<");
    ReplaceAll(text, u"&gt;", u">");
    ReplaceAll(text, u"&amp;", u"&");
  }
  if (node.GetKind() == kKindPassword) text = DecodePassword(text);
  return cdata;
}

void ParseAttributes(std::u16string_view text, bool& create, bool& update, std::u16string& extra) {
  extra.clear();
  // The names read so far: a tag holds a few, kept in a short list; only a tag with many more
  // takes a set, so a long one is not read in quadratic time.
  constexpr size_t kFew = 8;
  std::u16string_view few[kFew];
  size_t fewCount = 0;
  std::unordered_set<std::u16string_view> many;
  auto firstOfName = [&](std::u16string_view name) {
    if (std::find(few, few + fewCount, name) != few + fewCount || many.count(name) != 0) return false;
    if (fewCount < kFew) {
      few[fewCount++] = name;
    } else {
      many.insert(name);
    }
    return true;
  };
  std::u16string_view rest = text;
  while (!TrimBlanks(rest).empty()) {
    const size_t eq = rest.find(u'=');
    if (eq == npos) break;
    size_t nameEnd = eq;
    while (nameEnd > 0 && IsBlank(rest[nameEnd - 1])) --nameEnd;  // 'a = "1"' names a
    size_t nameStart = nameEnd;
    while (nameStart > 0 && !IsBlank(rest[nameStart - 1]) && !IsQuote(rest[nameStart - 1])) --nameStart;
    const std::u16string_view name = rest.substr(nameStart, nameEnd - nameStart);

    // A value in double or single quotes runs to the same quote, blanks inside the quotes included;
    // one without quotes to a blank or a quote.
    size_t p = eq + 1;
    while (p < rest.size() && IsBlank(rest[p])) ++p;
    const char16_t quote = p < rest.size() && IsQuote(rest[p]) ? rest[p] : u'\0';
    if (quote) ++p;
    size_t valueEnd = p;
    while (valueEnd < rest.size() &&
           (quote ? rest[valueEnd] != quote : !IsQuote(rest[valueEnd]) && !IsBlank(rest[valueEnd])))
      ++valueEnd;
    const std::u16string_view value = rest.substr(p, valueEnd - p);
    p = valueEnd;
    if (p < rest.size() && IsQuote(rest[p])) ++p;
    while (p < rest.size() && IsBlank(rest[p])) ++p;
    rest = rest.substr(p);  // p lies behind the "=", so every round moves on

    // The first of a name counts. "op" is one name in any case: a second "OP" would give a node both
    // flags, or an op the writer writes twice, and neither reads back the same.
    const bool op = EqualsNoCase(name, u"op");
    if (name.empty() || !firstOfName(op ? std::u16string_view(u"op") : name)) continue;
    // A "<" is never part of a well-formed attribute; one read from a broken tag ("<a x=\"<b/>") and
    // written back would start a tag of its own on the next read.
    if (value.find(u'<') != npos || name.find(u'<') != npos) continue;
    // The op keywords count with blanks around them too; every other value is kept as written.
    if (op && EqualsNoCase(TrimBlanks(value), u"create")) {
      create = true;
    } else if (op && EqualsNoCase(TrimBlanks(value), u"update")) {
      update = true;
    } else {
      // Kept in double quotes, or in single ones when the value holds a double quote.
      const char16_t keptQuote = value.find(u'"') == npos ? u'"' : u'\'';
      extra += u' ';
      extra += name;
      extra += u'=';
      extra += keptQuote;
      extra += value;
      extra += keptQuote;
    }
  }
  extra = std::u16string(TrimBlanks(extra));
}

// --- texts and files

bool ParseSettingsText(CSettingsNode* root, std::u16string_view text) {
  SetNestingDepth(0);
  std::u16string work = UnifyLineEnds(text);
  RemoveMarkedSections(work, u"<!--", u"-->");
  if (!RemoveMarkedSections(work, u"<?", u"?>")) return false;
  // The texts of this system end with a line end, which carries nothing.
  if (!work.empty() && work.back() == u'\n') work.pop_back();
  CXmlReader& reader = GetXmlReader();
  reader.SetCurrentNode(root);
  reader.Parse(std::move(work));
  reader.SetCurrentNode(nullptr);
  if (reader.TooDeep()) {
    SetLastReadError(u"The settings text nests elements more than " + DecimalText(kMaxNestingDepth) +
                     u" levels deep; the rest of it was not read.");
    return false;
  }
  return true;
}

bool LoadSettingsFile(CSettingsNode* root, const std::u16string& path, bool& parseFailed) {
  parseFailed = false;
  std::string bytes;
  std::u16string error;
  if (!ReadFileBytes(path, bytes, error)) {
    SetLastReadError(std::move(error));
    return false;
  }
  std::u16string text;
  text.reserve(bytes.size() / 2 + 1);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  // Read line by line, each line ends with a line feed, the last one too.
  if (!text.empty() && text.back() != u'\n') text += u'\n';
  if (!text.empty() && text.front() == u'\uFEFF') text.erase(0, 1);
  if (!ParseSettingsText(root, text)) {
    parseFailed = true;
    return false;
  }
  return true;
}

}  // namespace orvel
