#include "support/file_dialog_text.h"

#include <gtest/gtest.h>

#include "support/u16text.h"

namespace orvel {
namespace {

using namespace std::string_literals;

struct FilterCase {
  std::u16string written;
  std::u16string expected;
};

TEST(FileDialogFilter, BarsBecomeNulsAndTheEndIsDoubled) {
  const FilterCase cases[] = {
      {u"Settings (*.xml)|*.xml|All (*.*)|*.*||", u"Settings (*.xml)\0*.xml\0All (*.*)\0*.*\0\0"s},
      {u"Settings (*.xml)|*.xml", u"Settings (*.xml)\0*.xml\0\0"s},  // no trailing bars
      {u"", u"\0\0"s},
  };
  for (const auto& c : cases) EXPECT_EQ(FileDialogFilter(c.written), c.expected) << AsUtf8(c.written);
}

struct AnswerCase {
  std::u16string answer;
  std::vector<std::u16string> paths;
};

TEST(SplitFileDialogAnswer, OneOrSeveralFiles) {
  const AnswerCase cases[] = {
      {u"C:\\Data\\a.xml\0\0"s, {u"C:\\Data\\a.xml"}},
      {u"C:\\Data\0a.wav\0b c.wav\0\0"s, {u"C:\\Data\\a.wav", u"C:\\Data\\b c.wav"}},
      {u"C:\\\0a.wav\0b.wav\0\0"s, {u"C:\\a.wav", u"C:\\b.wav"}},  // a root already ends with "\"
      {u"\\\\server\\share\0x.mbm\0\0"s, {u"\\\\server\\share\\x.mbm"}},
      {u"C:\\Data\0a.wav\0D:\\Other\\b.wav\0\0"s, {u"C:\\Data\\a.wav", u"D:\\Other\\b.wav"}},
      {u"\0"s, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitFileDialogAnswer(c.answer), c.paths) << AsUtf8(c.answer);
}

}  // namespace
}  // namespace orvel
