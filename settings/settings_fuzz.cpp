// Fuzz target of the settings reader. Two properties, with the sanitizers watching every step:
// whatever a text makes of a default tree must write out and read back to the same tree; and that
// written text, in the form another program could have written it (other white space inside the
// tags, single quotes around attribute values, blanks inside the quotes), must read to the same
// tree as well, with the blanks kept in the attribute values.
//
// The first input byte picks the form of the rest: even, UTF-16LE units as a file holds them;
// odd, one character per byte after an XML declaration, which reaches the elements sooner.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "settings/settings_reader.h"
#include "settings/settings_schema.h"
#include "settings/settings_writer.h"
#include "settings/tests/settings_xml_test_support.h"

namespace {

// A small generator for the choices of the other writer's form, seeded from the input.
class CChoices {
 public:
  CChoices(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) m_state = (m_state ^ data[i]) * 1099511628211ull;
  }
  size_t Below(size_t n) {
    m_state ^= m_state << 13;
    m_state ^= m_state >> 7;
    m_state ^= m_state << 17;
    return static_cast<size_t>(m_state % n);
  }
  std::u16string Space(size_t least, size_t most) {
    static constexpr char16_t kSpace[] = u" \t\n\r";
    std::u16string out;
    for (size_t n = least + Below(most - least + 1); n > 0; --n) out += kSpace[Below(4)];
    return out;
  }

 private:
  uint64_t m_state = 14695981039346656037ull;
};

bool IsNameChar(char16_t c) { return c != u'>' && c != u'/' && c != u' '; }

// What the other writer puts inside the quotes before and after each attribute value.
constexpr std::u16string_view kValuePad = u"  ";

// The attribute text a node keeps ('name="value"' pairs separated by blanks) with kValuePad around
// each value: what reading the other writer's form must keep.
std::u16string PadValues(std::u16string_view extra) {
  std::u16string out;
  size_t i = 0;
  while (i < extra.size()) {
    const size_t eq = extra.find(u'=', i);
    const size_t close = eq == std::u16string_view::npos || eq + 1 >= extra.size()
                             ? std::u16string_view::npos
                             : extra.find(extra[eq + 1], eq + 2);
    if (close == std::u16string_view::npos) {
      out.append(extra.substr(i));
      break;
    }
    out.append(extra.substr(i, eq + 2 - i));
    out += kValuePad;
    out.append(extra.substr(eq + 2, close - eq - 2));
    out += kValuePad;
    out += extra[close];
    i = close + 1;
  }
  return out;
}

void PadAllValues(orvel::CSettingsNode& node) {
  node.SetExtra(PadValues(node.GetExtra()));
  for (size_t i = 0; i < node.GetChildCount(); ++i) PadAllValues(*node.GetChild(i));
}

// The text with other white space and quoting inside its tags. The writer's tags are
// '<Name( name="value")*>' and '</Name>'; comments, declarations and CDATA sections stay as they are.
std::u16string OtherWriterForm(std::u16string_view text, CChoices& choices) {
  std::u16string out;
  size_t i = 0;
  auto copyThrough = [&](std::u16string_view close) {
    const size_t end = text.find(close, i);
    const size_t stop = end == std::u16string_view::npos ? text.size() : end + close.size();
    out.append(text.substr(i, stop - i));
    i = stop;
  };
  while (i < text.size()) {
    if (text[i] != u'<') {
      out += text[i++];
    } else if (text.substr(i, 2) == u"<?") {
      copyThrough(u"?>");
    } else if (text.substr(i, 4) == u"<!--") {
      copyThrough(u"-->");
    } else if (text.substr(i, 9) == u"<![CDATA[") {
      copyThrough(u"]]>");
    } else {
      const bool end = text.substr(i, 2) == u"</";
      const size_t nameStart = i + (end ? 2 : 1);
      size_t p = nameStart;
      while (p < text.size() && IsNameChar(text[p])) ++p;
      out.append(text.substr(i, p - i));
      // Attributes: ' name="value"' or ' name=\'value\''.
      while (p < text.size() && text[p] == u' ') {
        const size_t eq = text.find(u'=', p);
        if (eq == std::u16string_view::npos || eq + 1 >= text.size()) break;
        const char16_t quote = text[eq + 1];
        const size_t close = text.find(quote, eq + 2);
        if (close == std::u16string_view::npos) break;
        const std::u16string_view value = text.substr(eq + 2, close - eq - 2);
        const char16_t other = quote == u'"' ? u'\'' : u'"';
        const char16_t newQuote =
            value.find(other) == std::u16string_view::npos && choices.Below(2) ? other : quote;
        out += choices.Space(1, 3);
        out.append(text.substr(p + 1, eq - p - 1));
        out += choices.Space(0, 2) + u"=" + choices.Space(0, 2);
        out += newQuote;
        out += kValuePad;
        out.append(value);
        out += kValuePad;
        out += newQuote;
        p = close + 1;
      }
      if (p < text.size() && text[p] == u'>') out += choices.Space(0, 2);
      i = p;
    }
  }
  return out;
}

std::unique_ptr<orvel::CSettingsNode> NewTree() {
  auto root = std::make_unique<orvel::CSettingsNode>(u"", orvel::kKindNone, orvel::kRootType, nullptr);
  orvel::SetCurrentDocumentRoot(root.get());
  orvel::BuildDefaultTree(*root);
  return root;
}

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::u16string text;
  if (data[0] & 1) {
    text = u"<?xml version=\"1.0\"?>\n";
    for (size_t i = 1; i < size; ++i) text += static_cast<char16_t>(data[i]);
  } else {
    for (size_t i = 1; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  }
  orvel::SetPasswordSeed(1);

  auto first = NewTree();
  orvel::ParseSettingsText(first.get(), text);
  std::u16string device;
  std::vector<std::u16string> names;
  orvel::WriteSettingsDocument(*first, device, true, &names);

  std::u16string written;
  bool refused = false;
  orvel::SetCurrentDocumentRoot(first.get());
  const bool any = orvel::WriteSettingsDocument(*first, written, false, nullptr, &refused);
  if (refused) {
    if (orvel::GetLastReadError().empty()) Fail("refused without a message", "");
    return 0;  // a password too long for its field or a tree too deep: a clean refusal
  }
  if (!any) Fail("a default tree wrote nothing", "");

  auto second = NewTree();
  if (!orvel::ParseSettingsText(second.get(), written)) Fail("own text not read", orvel::AsUtf8(written));
  const std::string difference = orvel::test::TreeDifference(*first, *second);
  if (!difference.empty()) Fail("tree changed by write and read", difference + "\n" + orvel::AsUtf8(written));

  CChoices choices(data, size);
  const std::u16string other = OtherWriterForm(written, choices);
  auto third = NewTree();
  if (!orvel::ParseSettingsText(third.get(), other))
    Fail("other writer's form not read", orvel::AsUtf8(other));
  orvel::CSettingsNode padded(*second);
  PadAllValues(padded);
  const std::string otherDifference = orvel::test::TreeDifference(padded, *third);
  if (!otherDifference.empty()) {
    Fail("other writer's form read to another tree", otherDifference + "\n" + orvel::AsUtf8(other));
  }
  orvel::SetCurrentDocumentRoot(nullptr);
  return 0;
}
