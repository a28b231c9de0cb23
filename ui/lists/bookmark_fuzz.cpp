// Fuzz target of the bookmark file parser, with the sanitizers watching every read: whatever the
// text, each entry is a URL, a line feed and a name without line feeds, the URL is a piece of the
// text, and there are no more entries than entry tags.
//
// The first input byte picks the form of the rest: even, UTF-16LE units; odd, one character per
// byte, which reaches the tags sooner.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/u16text.h"
#include "ui/lists/bookmark_parse.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::u16string& text) {
  std::fprintf(stderr, "%s: %s\n", what, orvel::AsUtf8(text).c_str());
  std::abort();
}

size_t Count(const std::u16string& text, std::u16string_view tag) {
  size_t count = 0;
  for (size_t at = text.find(tag); at != std::u16string::npos; at = text.find(tag, at + 1)) ++count;
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::u16string text;
  if (data[0] & 1) {
    for (size_t i = 1; i < size; ++i) text += static_cast<char16_t>(data[i]);
  } else {
    for (size_t i = 1; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  }
  const std::vector<std::u16string> entries = orvel::ui::ParseBookmarkText(text);
  if (entries.size() > Count(text, u"<dt>") + Count(text, u"<DT>")) Fail("more entries than tags", text);
  for (const std::u16string& entry : entries) {
    const size_t feed = entry.find(u'\n');
    if (feed == std::u16string::npos) Fail("entry without a line feed", entry);
    if (entry.find(u'\n', feed + 1) != std::u16string::npos) Fail("name with a line feed", entry);
    if (text.find(entry.substr(0, feed)) == std::u16string::npos) Fail("URL not from the text", entry);
  }
  return 0;
}
