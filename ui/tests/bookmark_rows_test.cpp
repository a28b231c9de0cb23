// The entry checks of the bookmark dialogs, the no-connection choice, and the import merge.
#include "ui/lists/bookmark_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "settings/tests/settings_test_support.h"
#include "settings/settings_validate.h"
#include "ui/app/resource_ids.h"

using namespace orvel;
using namespace orvel::ui;

namespace {

std::u16string Repeat(char16_t c, size_t count) { return std::u16string(count, c); }
std::u16string Url(size_t length) {
  std::u16string url = u"http://a.example/";
  return url + Repeat(u'x', length - url.size());
}

const std::vector<CSettingsRow> kRows = {
    {u"Alpha", u"http://alpha.example/", u"WAP1", u"", u""},
    {u"Beta", u"http://beta.example/", u"WAP1", u"", u""},
};

struct EntryCase {
  const char* name;
  BookmarkMode mode;
  CSettingsRow entry;
  int editedIndex;
  uint32_t message;
};

const EntryCase kEntryCases[] = {
    {"new web entry", BookmarkMode::Web, {u"Gamma", u"http://g.example/", u"", u"", u""}, -1, 0},
    {"empty name", BookmarkMode::Web, {u"", u"http://g.example/", u"", u"", u""}, -1, kBadBookmarkNameText},
    {"name of another row",
     BookmarkMode::Web,
     {u"Beta", u"http://g.example/", u"", u"", u""},
     0,
     kBadBookmarkNameText},
    {"own name kept", BookmarkMode::Web, {u"Beta", u"http://g.example/", u"", u"", u""}, 1, 0},
    {"name differing in case", BookmarkMode::Web, {u"beta", u"http://g.example/", u"", u"", u""}, -1, 0},
    {"web name of 256", BookmarkMode::Web, {Repeat(u'n', 256), u"http://g.example/", u"", u"", u""}, -1, 0},
    {"web name of 257",
     BookmarkMode::Web,
     {Repeat(u'n', 257), u"http://g.example/", u"", u"", u""},
     -1,
     kBadBookmarkNameText},
    {"web URL of 264", BookmarkMode::Web, {u"G", Url(264), u"", u"", u""}, -1, 0},
    {"web URL of 265", BookmarkMode::Web, {u"G", Url(265), u"", u"", u""}, -1, kBadBookmarkUrlText},
    {"empty URL", BookmarkMode::Web, {u"G", u"", u"", u"", u""}, -1, kBadBookmarkUrlText},
    {"bad URL", BookmarkMode::Web, {u"G", u"http://a b/", u"", u"", u""}, -1, kBadBookmarkUrlText},
    {"web ignores the WAP fields",
     BookmarkMode::Web,
     {u"G", u"http://g.example/", u"", Repeat(u'u', 60), u""},
     -1,
     0},
    {"new WAP entry", BookmarkMode::Wap, {u"G", u"http://g.example/", u"WAP1", u"me", u"pw"}, -1, 0},
    {"WAP name of 51",
     BookmarkMode::Wap,
     {Repeat(u'n', 51), u"http://g.example/", u"WAP1", u"", u""},
     -1,
     kBadBookmarkNameText},
    {"WAP URL of 255", BookmarkMode::Wap, {u"G", Url(255), u"WAP1", u"", u""}, -1, 0},
    {"WAP URL of 256", BookmarkMode::Wap, {u"G", Url(256), u"WAP1", u"", u""}, -1, kBadBookmarkUrlText},
    {"user name of 50",
     BookmarkMode::Wap,
     {u"G", u"http://g.example/", u"WAP1", Repeat(u'u', 50), u""},
     -1,
     0},
    {"user name of 51",
     BookmarkMode::Wap,
     {u"G", u"http://g.example/", u"WAP1", Repeat(u'u', 51), u""},
     -1,
     kBadBookmarkUserNameText},
    {"password of 21",
     BookmarkMode::Wap,
     {u"G", u"http://g.example/", u"WAP1", u"", Repeat(u'p', 21)},
     -1,
     kBadBookmarkPasswordText},
    {"no connection",
     BookmarkMode::Wap,
     {u"G", u"http://g.example/", u"", u"", u""},
     -1,
     kBadBookmarkConnectionText},
    {"the no-connection choice",
     BookmarkMode::Wap,
     {u"G", u"http://g.example/", u"(none)", u"", u""},
     -1,
     kBadBookmarkConnectionText},
    {"first failure wins", BookmarkMode::Wap, {u"Alpha", u"", u"", u"", u""}, -1, kBadBookmarkNameText},
};

TEST(CheckEntry, Table) {
  for (const auto& c : kEntryCases) {
    EXPECT_EQ(CheckEntry(c.mode, c.entry, kRows, c.editedIndex, u"(none)"), c.message) << c.name;
  }
}

TEST(ChoiceShownText, AfterTheFirstLineFeed) {
  EXPECT_EQ(ChoiceShownText(u"NoConnectionsDefined\nNo connections"), u"No connections");
  EXPECT_EQ(ChoiceShownText(u"a\nb\nc"), u"b\nc");
  EXPECT_EQ(ChoiceShownText(u"WAP1"), u"WAP1");
}

// Without WAP connections the choice list of a WAP bookmark list shows one entry; the connection
// check refuses exactly that text, even where the language's text 399 reads differently.
class NoConnectionTest : public test::SettingsTest {};

TEST_F(NoConnectionTest, TheCheckRefusesWhatTheChoiceListShows) {
  UseFakeHost();
  m_host.texts[399] = u"No connections";
  m_host.texts[kNoConnectionsDefinedText] = u"(no WAP connection)";
  CSettingsNode& root = NewDocument();
  std::vector<std::u16string> choices;
  Field(root, {92, 102}).GetChoices(choices, true);
  ASSERT_EQ(choices.size(), 1u);
  const std::u16string shown = ChoiceShownText(choices[0]);
  EXPECT_EQ(shown, NoConnectionText());
  const CSettingsRow entry(u"G", u"http://g.example/", shown, u"", u"");
  EXPECT_EQ(CheckEntry(BookmarkMode::Wap, entry, {}, -1, NoConnectionText()), kBadBookmarkConnectionText);
  const CSettingsRow named(u"G", u"http://g.example/", u"No connections", u"", u"");
  EXPECT_EQ(CheckEntry(BookmarkMode::Wap, named, {}, -1, NoConnectionText()), 0u);
}

struct MergeCase {
  const char* name;
  std::vector<std::u16string> texts;
  std::vector<CSettingsRow> added;
};

const std::u16string kLongUrl = Url(300);
const std::u16string kLongName = Repeat(u'n', 300);

const MergeCase kMergeCases[] = {
    {"URL, line feed, name", {u"http://a.example/\nA"}, {{u"A", u"http://a.example/", u"", u"", u""}}},
    {"name of an existing row", {u"http://a.example/\nAlpha"}, {}},
    {"name differing in case",
     {u"http://a.example/\nalpha"},
     {{u"alpha", u"http://a.example/", u"", u"", u""}}},
    {"no line feed", {u"http://a.example/"}, {}},
    {"empty name", {u"http://a.example/\n"}, {}},
    {"empty URL", {u"\nA"}, {}},
    {"bad URL", {u"http://a b/\nA"}, {}},
    {"later duplicate of the same import",
     {u"http://a.example/\nA", u"http://b.example/\nA"},
     {{u"A", u"http://a.example/", u"", u"", u""}}},
    {"only the first line feed splits",
     {u"http://a.example/\nA\nB"},
     {{u"A\nB", u"http://a.example/", u"", u"", u""}}},
    {"long texts are cut",
     {kLongUrl + u"\n" + kLongName},
     {{Repeat(u'n', 256), kLongUrl.substr(0, 264), u"", u"", u""}}},
    {"order kept",
     {u"http://b.example/\nB2", u"http://a.example/\nA2"},
     {{u"B2", u"http://b.example/", u"", u"", u""}, {u"A2", u"http://a.example/", u"", u"", u""}}},
};

TEST(MergeImportedBookmarks, Table) {
  for (const auto& c : kMergeCases) {
    std::vector<CSettingsRow> rows = kRows;
    const size_t first = MergeImportedBookmarks(c.texts, rows);
    EXPECT_EQ(first, kRows.size()) << c.name;
    const std::vector<CSettingsRow> added(rows.begin() + static_cast<std::ptrdiff_t>(kRows.size()),
                                          rows.end());
    EXPECT_EQ(added, c.added) << c.name;
    // Whatever is added passes the entry check of the web bookmark dialog.
    for (size_t i = kRows.size(); i < rows.size(); ++i) {
      EXPECT_EQ(CheckEntry(BookmarkMode::Web, rows[i], rows, static_cast<int>(i), u""), 0u) << c.name;
    }
  }
}

// The merge as it was, a pass over the rows for each text: the reference of the test below.
size_t MergeByScanning(const std::vector<std::u16string>& texts, std::vector<CSettingsRow>& rows) {
  const size_t first = rows.size();
  for (const std::u16string& text : texts) {
    const size_t feed = text.find(u'\n');
    std::u16string url, name;
    if (feed != std::u16string::npos) {
      url = text.substr(0, std::min<size_t>(feed, 264));
      name = text.substr(feed + 1, 256);
    } else {
      name = text.substr(0, 256);
    }
    const bool taken =
        std::any_of(rows.begin(), rows.end(), [&](const CSettingsRow& row) { return row.m_name == name; });
    if (name.empty() || url.empty() || taken || !IsValidUrl(url)) continue;
    rows.emplace_back(std::move(name), std::move(url), u"", u"", u"");
  }
  return first;
}

// Rows that already share names, and texts drawn from few names and URLs that differ in case,
// length and validity: the merge adds exactly what a pass over the rows per text added.
TEST(MergeImportedBookmarks, SameRowsAsAPassOverTheRowsPerText) {
  const std::u16string names[] = {u"a", u"A", u"b", u"a ", u"", Repeat(u'n', 256), Repeat(u'n', 257)};
  const std::u16string urls[] = {u"http://a.example/", u"", u"http://a b/", Url(264), Url(265)};
  std::mt19937 random(30);
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  for (int round = 0; round < 500; ++round) {
    std::vector<CSettingsRow> rows;
    for (size_t i = 0, n = pick(5); i < n; ++i)
      rows.emplace_back(names[pick(std::size(names))], urls[0], u"WAP1", u"", u"");
    std::vector<std::u16string> texts;
    for (size_t i = 0, n = pick(8); i < n; ++i) {
      const std::u16string& url = urls[pick(std::size(urls))];
      texts.push_back(pick(6) == 0 ? url : url + u"\n" + names[pick(std::size(names))]);
    }
    std::vector<CSettingsRow> expected = rows;
    const size_t expectedFirst = MergeByScanning(texts, expected);
    EXPECT_EQ(MergeImportedBookmarks(texts, rows), expectedFirst) << round;
    EXPECT_EQ(rows, expected) << round;
  }
}

}  // namespace
