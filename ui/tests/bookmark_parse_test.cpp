// The bookmark file's entries: the table of texts the parser meets, the file read, and the texts
// without a name that the import drops.
#include "ui/lists/bookmark_parse.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "support/u16text.h"

namespace orvel::ui {
namespace {

using Texts = std::vector<std::u16string>;

struct ParseCase {
  const char* name;
  const char16_t* text;
  Texts entries;
};

const ParseCase kParseCases[] = {
    {"an entry with further attributes",
     u"<DL><p>\n<DT><A HREF=\"http://x.example/a\" ADD_DATE=\"1\" LAST_VISIT=\"2\">X</A>\n</DL>",
     {u"http://x.example/a\nX"}},
    {"lower case", u"<dt><a href=\"http://low.example/\">Low</a>", {u"http://low.example/\nLow"}},
    // The lower-case form is searched first: an upper-case entry before a lower-case one is passed.
    {"upper case before lower case",
     u"<DT><A HREF=\"http://up.example/\">Up</A>\n<dt><a href=\"http://low.example/\">Low</a>\n",
     {u"http://low.example/\nLow"}},
    {"lower case before upper case",
     u"<dt><a href=\"http://low.example/\">Low</a>\n<DT><A HREF=\"http://up.example/\">Up</A>\n",
     {u"http://low.example/\nLow", u"http://up.example/\nUp"}},
    {"a name over several lines",
     u"<DT><A HREF=\"http://a.example/\">Long\nwinded\nname</A>",
     {u"http://a.example/\nLongwindedname"}},
    {"folder headers",
     u"<DT><H3 FOLDED ADD_DATE=\"3\">News</H3>\n<DL><p>\n<DT><A HREF=\"http://n.example/\">N</A>\n</DL><p>\n"
     u"<DT><H3>Empty</H3>\n<DL><p>\n</DL><p>\n<DT><A HREF=\"http://m.example/\">M</A>\n",
     {u"http://n.example/\nN", u"http://m.example/\nM"}},
    {"an unquoted URL keeps its first character",
     u"<DT><A HREF=http://plain.example/ ADD_DATE=1>Plain</A>",
     {u"http://plain.example/\nPlain"}},
    {"an unquoted URL up to the tag's end",
     u"<DT><A HREF=http://p.example/>P</A>",
     {u"http://p.example/\nP"}},
    {"a truncated anchor", u"<DT><A HREF=\"http://cut.exa", {u"http://cut.exa\n"}},
    {"a quoted URL ends at its line's end",
     u"<DT><A HREF=\"http://cut.example/\n<DT><A HREF=\"http://b.example/\">B</A>",
     {u"http://cut.example/\n", u"http://b.example/\nB"}},
    {"no end of the tag", u"<DT><A HREF=\"http://a.example/\"", {u"http://a.example/\n"}},
    {"no tag after the name", u"<DT><A HREF=\"http://a.example/\">Na", {u"http://a.example/\nNa"}},
    {"an anchor ending at the text's end", u"<DT><A HREF=", {u"\n"}},
    {"an opening quotation mark ending the text", u"<DT><A HREF=\"", {u"\n"}},
    {"a file of only an anchor", u"<A HREF=", {}},
    {"no entry", u"<DT><H3>Only a folder</H3>", {}},
    {"empty", u"", {}},
};

TEST(ParseBookmarkText, Table) {
  for (const auto& c : kParseCases) EXPECT_EQ(ParseBookmarkText(c.text), c.entries) << c.name;
}

// A large file written in upper case only: the lower-case forms, searched first, are looked for
// once, not again at every entry (the square of this file's length would take minutes).
TEST(ParseBookmarkText, ALargeUpperCaseFileInLinearTime) {
  std::u16string text;
  const std::u16string entry =
      u"<DT><A HREF=\"http://a.example/" + std::u16string(200, u'p') + u"\">Name</A>\n";
  for (int i = 0; i < 20000; ++i) text += entry;
  EXPECT_EQ(ParseBookmarkText(text).size(), 20000u);
}

// Stands in for the system's ANSI code page: each byte is the character of that number.
std::u16string Latin1(std::string_view bytes) {
  std::u16string text;
  for (char b : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(b));
  return text;
}

class BookmarkFile : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path =
        (std::filesystem::temp_directory_path() /
         ("bookmark_parse_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".htm"))
            .u16string();
  }
  void TearDown() override { std::filesystem::remove(std::filesystem::path(m_path)); }
  void Write(const std::string& bytes) {
    std::u16string error;
    ASSERT_TRUE(ReplaceFileBytes(m_path, bytes, error)) << AsUtf8(error);
  }
  std::u16string m_path;
};

TEST_F(BookmarkFile, LinesOfTheFileAndAPathEndingInASemicolon) {
  Write(
      "<DT><A HREF=\"http://a.example/\">Caf\xe9\r\n au lait</A>\r\n<DT><A HREF=\"http://b.example/\">B</A>");
  Texts out = {u"old"};
  ASSERT_TRUE(ParseBookmarkFile(m_path + u";", out, Latin1));
  EXPECT_EQ(out, (Texts{u"http://a.example/\nCaf\u00e9 au lait", u"http://b.example/\nB"}));
  ASSERT_TRUE(ParseBookmarkFile(m_path, out, Latin1));
  EXPECT_EQ(out.size(), 2u);
}

TEST_F(BookmarkFile, AFileThatCannotBeOpened) {
  Texts out = {u"old"};
  EXPECT_FALSE(ParseBookmarkFile(m_path, out, Latin1));  // not written
  EXPECT_TRUE(out.empty());
  // Only a last ";" that is the first one goes: "a;b;" names a file of that name.
  Write("<DT><A HREF=\"http://a.example/\">A</A>");
  EXPECT_FALSE(ParseBookmarkFile(m_path + u";;", out, Latin1));
}

TEST(DropUnnamedBookmarks, OnlyTextsWithANameStay) {
  Texts texts = {u"http://a.example/\nA", u"http://b.example/\n", u"http://c.example/", u"\nD", u"u\n "};
  DropUnnamedBookmarks(texts);
  EXPECT_EQ(texts, (Texts{u"http://a.example/\nA", u"\nD", u"u\n "}));
}

}  // namespace
}  // namespace orvel::ui
