// Fuzz target of the settings reader. Whatever a text makes of a default tree must write out and
// read back to the same tree; the sanitizers watch every step.
//
// The first input byte picks the form of the rest: even, UTF-16LE units as a file holds them;
// odd, one character per byte after an XML declaration, which reaches the elements sooner.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "settings/settings_reader.h"
#include "settings/settings_schema.h"
#include "settings/settings_writer.h"
#include "settings/settings_xml_test_support.h"

namespace {

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
  orvel::SetCurrentDocumentRoot(nullptr);
  return 0;
}
