#include "settings/settings_row.h"

#include "settings/tests/settings_test_support.h"

namespace orvel {
namespace {

using test::SettingsTest;

class RowsTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    NewDocument();
    m_www = m_root->FindChildOfType(92)->FindChildOfType(98);
    m_wap = m_root->FindChildOfType(92)->FindChildOfType(102);
  }
  static std::vector<std::u16string> Names(const std::vector<CSettingsRow>& rows) {
    std::vector<std::u16string> names;
    for (const auto& row : rows) names.push_back(row.m_name);
    return names;
  }
  CSettingsNode* m_www = nullptr;
  CSettingsNode* m_wap = nullptr;
};

struct SortCase {
  std::vector<std::u16string> names;
  std::vector<std::u16string> sorted;
};
const SortCase kSortCases[] = {
    {{u"beta", u"Alpha", u"alpha"}, {u"Alpha", u"alpha", u"beta"}},
    {{u"b", u"B", u"a", u"A"}, {u"a", u"A", u"b", u"B"}},  // equal names keep their order
    {{u"", u"z", u"_x", u"1"}, {u"", u"1", u"_x", u"z"}},
    {{u"only"}, {u"only"}},
    {{}, {}},
};

TEST_F(RowsTest, RowsAreSortedByNameIgnoringCase) {
  for (const auto& c : kSortCases) {
    std::vector<CSettingsRow> rows;
    for (const auto& name : c.names) rows.emplace_back(name, u"http://x", u"", u"", u"");
    ASSERT_TRUE(RowsToNode(*m_www, rows));
    EXPECT_EQ(Names(rows), c.sorted);  // sorted in place
    std::vector<CSettingsRow> back;
    NodeToRows(*m_www, back);
    EXPECT_EQ(Names(back), c.sorted);
  }
}

TEST_F(RowsTest, WapBookmarksRoundTripAllFiveFields) {
  std::vector<CSettingsRow> rows = {
      {u"News", u"wap.news.example", u"W1", u"me", u"secret"},
      {u"Bank", u"https://bank.example/", u"W2", u"", u"pin"},
  };
  ASSERT_TRUE(RowsToNode(*m_wap, rows));
  ASSERT_EQ(m_wap->GetChildCount(), 2u);
  const CSettingsNode& first = *m_wap->GetChild(0);
  EXPECT_EQ(first.GetType(), 103u);
  EXPECT_EQ(first.GetChildCount(), 5u);  // a full default entry
  EXPECT_EQ(first.FindChildOfType(108)->GetValue(), u"pin");
  EXPECT_EQ(first.FindChildOfType(106)->GetKind(), 23u);

  std::vector<CSettingsRow> back{{u"kept", u"", u"", u"", u""}};
  NodeToRows(*m_wap, back);  // appends
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0].m_name, u"kept");
  EXPECT_EQ(back[1], CSettingsRow(u"Bank", u"https://bank.example/", u"W2", u"", u"pin"));
  EXPECT_EQ(back[2], CSettingsRow(u"News", u"wap.news.example", u"W1", u"me", u"secret"));
}

TEST_F(RowsTest, WwwBookmarkIgnoresConnectionUserAndPassword) {
  std::vector<CSettingsRow> rows = {{u"Home", u"http://home.example", u"W1", u"me", u"pw"}};
  ASSERT_TRUE(RowsToNode(*m_www, rows));
  const CSettingsNode& entry = *m_www->GetChild(0);
  EXPECT_EQ(entry.GetType(), 99u);
  EXPECT_EQ(entry.GetChildCount(), 2u);
  std::vector<CSettingsRow> back;
  NodeToRows(*m_www, back);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0], CSettingsRow(u"Home", u"http://home.example", u"", u"", u""));
}

TEST_F(RowsTest, EmptyRowsLeaveNoEntries) {
  std::vector<CSettingsRow> rows = {{u"a", u"", u"", u"", u""}};
  RowsToNode(*m_www, rows);
  rows.clear();
  ASSERT_TRUE(RowsToNode(*m_www, rows));
  EXPECT_EQ(m_www->GetChildCount(), 0u);
}

TEST_F(RowsTest, NewEntriesCarryTheListsCreateFlag) {
  for (bool created : {false, true}) {
    std::vector<CSettingsRow> rows = {{u"a", u"x", u"", u"", u""}};
    RowsToNode(*m_www, rows);
    m_www->SetCreated(created, true);
    std::vector<CSettingsRow> edited;
    NodeToRows(*m_www, edited);
    edited.emplace_back(u"b", u"y", u"", u"", u"");
    ASSERT_TRUE(RowsToNode(*m_www, edited));
    ASSERT_EQ(m_www->GetChildCount(), 2u);
    for (size_t i = 0; i < 2; ++i) {
      const CSettingsNode& entry = *m_www->GetChild(i);
      EXPECT_EQ(entry.IsCreated(), created) << i;
      EXPECT_EQ(entry.FindChildOfType(100)->IsCreated(), created) << i;
      EXPECT_EQ(entry.GetParent(), m_www);
    }
  }
}

}  // namespace
}  // namespace orvel
