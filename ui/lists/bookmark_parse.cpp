#include "ui/lists/bookmark_parse.h"

#include <algorithm>

#include "settings/line_ends.h"
#include "settings/settings_file.h"

namespace orvel::ui {

namespace {

constexpr size_t kNone = std::u16string_view::npos;

// The first place of a pattern at or after a position that only grows. The last answer is kept:
// a pattern missing from the rest of the text (the lower-case tags of a file written in upper case)
// is not searched for again at every entry, which would take the square of the file's length.
class CForwardFinder {
 public:
  CForwardFinder(std::u16string_view text, std::u16string_view pattern) : m_text(text), m_pattern(pattern) {}
  size_t From(size_t position) {
    if (!m_searched || (m_next != kNone && m_next < position)) {
      m_next = m_text.find(m_pattern, position);
      m_searched = true;
    }
    return m_next;
  }

 private:
  std::u16string_view m_text;
  std::u16string_view m_pattern;
  size_t m_next = kNone;
  bool m_searched = false;
};

// The lower-case form, or when the rest holds none, the upper-case one.
size_t FindEither(CForwardFinder& lower, CForwardFinder& upper, size_t from) {
  const size_t at = lower.From(from);
  return at != kNone ? at : upper.From(from);
}

bool EndsUnquotedUrl(char16_t c) { return c == u'>' || c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

}  // namespace

std::vector<std::u16string> ParseBookmarkText(std::u16string_view text) {
  static constexpr std::u16string_view kAnchor = u"<a href=";
  std::vector<std::u16string> out;
  CForwardFinder entryLower(text, u"<dt>"), entryUpper(text, u"<DT>");
  CForwardFinder anchorLower(text, kAnchor), anchorUpper(text, u"<A HREF=");
  size_t position = 0;
  while (position < text.size()) {
    const size_t entry = FindEither(entryLower, entryUpper, position);
    if (entry == kNone) break;
    const size_t anchor = FindEither(anchorLower, anchorUpper, entry);
    if (anchor == kNone) break;
    // Every position below is at most text.size(): find and substr never read beyond the text.
    size_t urlStart = anchor + kAnchor.size();
    size_t urlEnd = urlStart;
    if (urlStart < text.size() && text[urlStart] == u'"') {
      ++urlStart;
      // A URL never runs over a line end: the entry's own line feed must be the first one.
      urlEnd = std::min(text.find_first_of(u"\"\n", urlStart), text.size());
    } else {
      while (urlEnd < text.size() && !EndsUnquotedUrl(text[urlEnd])) ++urlEnd;
    }
    std::u16string entryText(text.substr(urlStart, urlEnd - urlStart));
    entryText += u'\n';
    const size_t close = text.find(u'>', urlEnd);
    if (close != kNone) {
      const size_t nameEnd = std::min(text.find(u'<', close + 1), text.size());
      for (char16_t c : text.substr(close + 1, nameEnd - close - 1))
        if (c != u'\n') entryText += c;
    }
    out.push_back(std::move(entryText));
    position = anchor + 1;
  }
  return out;
}

bool ParseBookmarkFile(std::u16string path, std::vector<std::u16string>& out, const AnsiDecoder& ansi) {
  out.clear();
  const size_t semicolon = path.find(u';');
  if (semicolon != std::u16string::npos && semicolon + 1 == path.size()) path.pop_back();
  std::string bytes;
  std::u16string error;
  if (!ReadFileBytes(path, bytes, error)) return false;
  // Read as lines, each ended by a line feed.
  std::u16string text = UnifyLineEnds(DecodeTextFile(bytes, ansi));
  if (!text.empty() && text.back() != u'\n') text += u'\n';
  out = ParseBookmarkText(text);
  return true;
}

void DropUnnamedBookmarks(std::vector<std::u16string>& texts) {
  std::erase_if(texts, [](const std::u16string& text) {
    const size_t feed = text.find(u'\n');
    return feed == std::u16string::npos || feed + 1 == text.size();
  });
}

}  // namespace orvel::ui
