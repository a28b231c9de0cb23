#include "support/path_text.h"

#include <gtest/gtest.h>

#include "support/u16text.h"

namespace orvel {
namespace {

struct SplitCase {
  const char16_t* path;
  const char16_t* folder;
  const char16_t* name;
  const char16_t* extension;
};
const SplitCase kSplitCases[] = {
    {u"C:\\dir.x\\file", u"C:\\dir.x\\", u"file", u""},
    {u"file.tar.gz", u"", u"file.tar", u"gz"},
    {u"C:x.txt", u"C:", u"x", u"txt"},
    {u"a\\b:c.d", u"a\\b:", u"c", u"d"},
    {u"", u"", u"", u""},
    {u"dir\\", u"dir\\", u"", u""},
    {u".profile", u"", u"", u"profile"},
};

TEST(SplitPath, Table) {
  for (const auto& c : kSplitCases) {
    std::u16string folder, name, extension;
    SplitPath(c.path, &folder, &name, &extension);
    EXPECT_EQ(folder, c.folder) << AsUtf8(c.path);
    EXPECT_EQ(name, c.name) << AsUtf8(c.path);
    EXPECT_EQ(extension, c.extension) << AsUtf8(c.path);
    SplitPath(c.path, nullptr, nullptr, nullptr);
  }
  EXPECT_EQ(FolderPart(u"C:\\a\\b.txt"), u"C:\\a\\");
  EXPECT_EQ(FileNamePart(u"C:\\a\\b.txt"), u"b.txt");
  EXPECT_EQ(FileNamePart(u"b.txt"), u"b.txt");
}

struct ResolveCase {
  const char16_t* base;
  const char16_t* path;
  bool ok;
  const char16_t* result;
};
const ResolveCase kResolveCases[] = {
    {u"C:\\a\\b\\", u"..\\..\\c.txt", true, u"C:\\c.txt"},
    {u"C:\\a\\b\\", u"..\\..\\..\\c.txt", false, u""},
    {u"C:\\a\\b", u"..\\c.txt", true, u"C:\\a\\c.txt"},
    {u"C:\\a\\", u"\\\\server\\share\\x", true, u"\\\\server\\share\\x"},
    {u"C:\\a\\", u"D:\\x", true, u"D:\\x"},
    {u"C:\\a\\", u"\\x\\y", true, u"C:\\x\\y"},
    {u"\\\\srv\\a\\", u"\\x", true, u"\\x"},
    {u"C:\\a", u".\\.\\x", true, u"C:\\a\\x"},
    {u"", u"x.txt", true, u"x.txt"},
    {u"C:", u"..\\x", false, u""},
    {u"a:b\\c:d", u"..\\x", false, u""},
    // the plug-in's language library beside it
    {u"C:\\Prog\\Bin\\", u"..\\Quillet.dll", true, u"C:\\Prog\\Quillet.dll"},
    {u"C:\\Prog", u"Quillet.dll", true, u"C:\\Prog\\Quillet.dll"},
    {u"Prog", u"..\\Quillet.dll", false, u""},
    {u"\\", u"..\\x", false, u""},
};

TEST(ResolveRelativePath, Table) {
  for (const auto& c : kResolveCases) {
    std::u16string result = u"old";
    EXPECT_EQ(ResolveRelativePath(result, c.base, c.path), c.ok) << AsUtf8(c.base) << " " << AsUtf8(c.path);
    EXPECT_EQ(result, c.result) << AsUtf8(c.base) << " " << AsUtf8(c.path);
  }
}


}  // namespace
}  // namespace orvel
