#include <algorithm>
#include <functional>
#include <random>

#include "settings/settings_schema.h"
#include "settings/tests/settings_test_support.h"

namespace orvel {
namespace {

using test::NameOf;
using test::SettingsTest;

std::vector<uint32_t> ChildTypes(const CSettingsNode& node) {
  std::vector<uint32_t> types;
  for (size_t i = 0; i < node.GetChildCount(); ++i) types.push_back(node.GetChild(i)->GetType());
  return types;
}

// Compares shape, values, flags and names, and that no node of `copy` is a node of `source`.
void ExpectSameTree(const CSettingsNode& source, const CSettingsNode& copy) {
  ASSERT_NE(&source, &copy);
  EXPECT_EQ(source.GetType(), copy.GetType());
  EXPECT_EQ(source.GetKind(), copy.GetKind());
  EXPECT_EQ(source.GetValue(), copy.GetValue());
  EXPECT_EQ(source.IsCreated(), copy.IsCreated());
  EXPECT_EQ(source.IsUpdated(), copy.IsUpdated());
  EXPECT_EQ(source.IsEnabled(), copy.IsEnabled());
  EXPECT_EQ(source.GetOwnName(), copy.GetOwnName());
  EXPECT_EQ(source.GetExtra(), copy.GetExtra());
  EXPECT_EQ(source.GetAux(), copy.GetAux());
  ASSERT_EQ(source.GetChildCount(), copy.GetChildCount());
  for (size_t i = 0; i < source.GetChildCount(); ++i) {
    EXPECT_EQ(copy.GetChild(i)->GetParent(), &copy);
    ExpectSameTree(*source.GetChild(i), *copy.GetChild(i));
  }
}

TEST_F(SettingsTest, ConstructorsSetTheGivenFields) {
  CSettingsNode plain;
  EXPECT_EQ(plain.GetType(), 1u);
  EXPECT_EQ(plain.GetKind(), 0u);
  EXPECT_TRUE(plain.IsEnabled());
  EXPECT_FALSE(plain.IsCreated() || plain.IsUpdated());
  EXPECT_EQ(plain.GetParent(), nullptr);

  CSettingsNode parent(u"", 0, 11, nullptr);
  CSettingsNode typed(u"proxy", 2, 13, &parent);
  EXPECT_EQ(typed.GetValue(), u"proxy");
  EXPECT_EQ(typed.GetKind(), 2u);
  EXPECT_EQ(typed.GetType(), 13u);
  EXPECT_EQ(typed.GetParent(), &parent);
  EXPECT_EQ(parent.GetChildCount(), 0u);  // not inserted
}

TEST_F(SettingsTest, EntryGoesRightBeforeThePlaceholder) {
  CSettingsNode group(u"", 0, 2, nullptr);
  group.AddChild(u"", 13, 3);
  group.AddChild(u"", 0, 5);  // an entry into a list without placeholder yet: appended
  group.AddChild(u"", 0, 4);
  group.AddChild(u"", 0, 5);
  EXPECT_EQ(ChildTypes(group), (std::vector<uint32_t>{3, 5, 5, 4}));
}

struct InsertCase {
  uint32_t group, placeholder, entry;
};
const InsertCase kInsertCases[] = {
    {2, 4, 5}, {43, 45, 46}, {73, 75, 74}, {86, 87, 89}, {121, 123, 122}, {132, 134, 133},
};

TEST_F(SettingsTest, EveryListKeepsItsPlaceholderLast) {
  for (const auto& c : kInsertCases) {
    CSettingsNode group(u"", 0, c.group, nullptr);
    group.AddChild(u"", 13, 999);
    group.AddChild(u"", 0, c.placeholder);
    CSettingsNode* first = group.AddChild(u"a", 0, c.entry);
    CSettingsNode* second = group.AddChild(u"b", 0, c.entry);
    ASSERT_EQ(group.GetChildCount(), 4u) << c.group;
    EXPECT_EQ(group.GetChild(1), first);
    EXPECT_EQ(group.GetChild(2), second);
    EXPECT_EQ(group.GetChild(3)->GetType(), c.placeholder);
    EXPECT_EQ(first->GetParent(), &group);
  }
}

TEST_F(SettingsTest, EntryWithoutPlaceholderIsAppendedOnce) {
  CSettingsNode list(u"", 19, 98, nullptr);
  CSettingsNode* a = list.AddChild(u"", 0, 99);
  CSettingsNode* b = list.AddChild(u"", 0, 99);
  CSettingsNode group(u"", 0, 2, nullptr);
  CSettingsNode* preferred = group.AddChild(u"", 13, 3);
  CSettingsNode* entry = group.AddChild(u"", 0, 5);
  ASSERT_EQ(list.GetChildCount(), 2u);
  EXPECT_EQ(list.GetChild(0), a);
  EXPECT_EQ(list.GetChild(1), b);
  ASSERT_EQ(group.GetChildCount(), 2u);
  EXPECT_EQ(group.GetChild(0), preferred);
  EXPECT_EQ(group.GetChild(1), entry);
}

TEST_F(SettingsTest, AddOptionStoresTheElementNameEvenWithALanguageLibrary) {
  UseFakeHost();
  m_host.texts[420] = u"Ja";
  CSettingsNode group(u"", 0, 5, nullptr);
  EXPECT_EQ(group.AddOption(420, 13, 8)->GetValue(), u"Yes");
  EXPECT_EQ(group.AddOption(999, 13, 8)->GetValue(), u"");
}

TEST_F(SettingsTest, FindChildByNameTrimsAndComparesExactly) {
  CSettingsNode& root = NewDocument();
  EXPECT_EQ(root.FindChildByName(u"  IAPSettings\t"), root.FindChildOfType(2));
  EXPECT_EQ(root.FindChildByName(u"   "), nullptr);
  EXPECT_EQ(root.FindChildByName(u""), nullptr);
  EXPECT_EQ(root.FindChildByName(u"iapsettings"), nullptr);
  EXPECT_EQ(root.FindChildByName(u"TelnetConnectionSettings"), nullptr);
  // A placeholder's empty name is never found.
  EXPECT_EQ(root.FindChildOfType(2)->FindChildByName(u""), nullptr);
  // Of two children with the same name the first wins.
  CSettingsNode* advanced = root.FindChildOfType(2)->FindChildOfType(4)->FindChildOfType(20);
  ASSERT_NE(advanced, nullptr);
  EXPECT_EQ(advanced->FindChildByName(u"MaxConnectionSpeed")->GetType(), 23u);
}

TEST_F(SettingsTest, AllowReportRequestsFindsTheFirstOfTwoTypes) {
  CSettingsNode advanced(u"", 0, 61, nullptr);
  BuildDefaultTree(advanced);
  advanced.AddChild(u"", 13, 68);
  EXPECT_EQ(advanced.FindChildByName(u"AllowReportRequests")->GetType(), 67u);
}

TEST_F(SettingsTest, HasAncestorOfTypeSkipsTheNodeItself) {
  CSettingsNode& root = NewDocument();
  CSettingsNode* placeholder = root.FindChildOfType(2)->FindChildOfType(4);
  CSettingsNode* proxyServer = placeholder->FindChildOfType(11)->FindChildOfType(13);
  EXPECT_TRUE(proxyServer->HasAncestorOfType(4));
  EXPECT_TRUE(proxyServer->HasAncestorOfType(0));
  EXPECT_FALSE(proxyServer->HasAncestorOfType(13));
  EXPECT_FALSE(placeholder->HasAncestorOfType(4));
}

TEST_F(SettingsTest, GetChildrenFiltersHiddenAndBookmarkLists) {
  CSettingsNode& root = NewDocument();
  std::vector<CSettingsNode*> list{&root};  // stale content must go
  root.GetChildren(list, false, false);
  EXPECT_EQ(list.size(), 6u);
  for (CSettingsNode* child : list) EXPECT_NE(child->GetType(), 142u);
  root.GetChildren(list, true, false);
  ASSERT_EQ(list.size(), 7u);
  EXPECT_EQ(list.back()->GetType(), 142u);

  CSettingsNode* www = root.FindChildOfType(92)->FindChildOfType(98);
  www->AddChild(u"", 0, 99);
  www->AddChild(u"", 0, 99);
  EXPECT_TRUE(www->GetChildren(list, true, false));
  EXPECT_TRUE(list.empty());  // cleared, not left with the root's children
  www->GetChildren(list, false, true);
  EXPECT_EQ(list.size(), 2u);
}

TEST_F(SettingsTest, DeepCopyOfTheRootSharesNoNode) {
  CSettingsNode& root = NewDocument();
  CSettingsNode* entry = root.FindChildOfType(2)->AddChild(u"", 0, 5);
  BuildDefaultTree(*entry);
  entry->StoreFlags(true, true);
  entry->FindChildOfType(6)->SetDisplayValue(u"Office");
  CSettingsNode* unknown = root.FindChildOfType(2)->AddChild(u"v", 24, 143);
  unknown->SetName(u"Foo");
  unknown->SetExtra(u"x=\"1\"");
  unknown->SetAux(1);
  root.FindChildOfType(43)->SetEnabled(false);

  CSettingsNode copy(root);
  ExpectSameTree(root, copy);
  EXPECT_EQ(copy.GetParent(), nullptr);
}

TEST_F(SettingsTest, CopyFromReplacesChildrenAndKeepsTheSourceParent) {
  CSettingsNode group(u"", 0, 43, nullptr);
  CSettingsNode* target = group.AddChild(u"old", 0, 46);
  target->AddChild(u"gone", 10, 48);
  CSettingsNode other_group(u"", 0, 43, nullptr);
  CSettingsNode source(u"new", 0, 46, &other_group);
  BuildDefaultTree(source);
  target->CopyFrom(source);
  ExpectSameTree(source, *target);
  EXPECT_EQ(target->GetParent(), &other_group);
}

// Copying from itself or a descendant used to delete the source before copying it.
TEST_F(SettingsTest, CopyFromItselfKeepsTheTree) {
  CSettingsNode group(u"", 0, 2, nullptr);
  CSettingsNode* entry = group.AddChild(u"", 0, 5);
  BuildDefaultTree(*entry);
  entry->FindChildOfType(6)->SetDisplayValue(u"Office");
  const CSettingsNode before(*entry);
  entry->CopyFrom(*entry);
  ExpectSameTree(before, *entry);
  EXPECT_EQ(entry->GetParent(), &group);
}

TEST_F(SettingsTest, CopyFromADescendantTakesItsSubtree) {
  CSettingsNode group(u"", 0, 2, nullptr);
  CSettingsNode* entry = group.AddChild(u"", 0, 5);
  BuildDefaultTree(*entry);
  CSettingsNode* proxies = entry->FindChildOfType(11);
  proxies->FindChildOfType(13)->SetDisplayValue(u"proxy.example");
  const CSettingsNode expected(*proxies);

  entry->CopyFrom(*proxies);  // `proxies` is destroyed on the way
  ExpectSameTree(expected, *entry);
  EXPECT_EQ(entry->GetParent(), &group);  // not the old entry, which no longer exists
  EXPECT_EQ(group.GetChild(0), entry);
}

TEST_F(SettingsTest, RemoveChildHandsTheChildOver) {
  CSettingsNode group(u"", 0, 2, nullptr);
  CSettingsNode* a = group.AddChild(u"", 13, 3);
  CSettingsNode other;
  EXPECT_EQ(group.RemoveChild(&other), nullptr);
  std::unique_ptr<CSettingsNode> removed = group.RemoveChild(a);
  EXPECT_EQ(removed.get(), a);
  EXPECT_EQ(group.GetChildCount(), 0u);
  EXPECT_EQ(removed->GetParent(), nullptr);
}

TEST_F(SettingsTest, DestroyingTheCurrentRootClearsIt) {
  NewDocument();
  m_root.reset();
  EXPECT_EQ(GetCurrentDocumentRoot(), nullptr);
}

// A document with access points "AP1", "AP2" and a WAP connection "W1" that uses AP2 and is
// used by a WAP bookmark.
class RemoveEntryTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    CSettingsNode& root = NewDocument();
    m_iap = root.FindChildOfType(2);
    m_ap1 = AddNamedEntry(m_iap, 4, 6, u"AP1");
    m_ap2 = AddNamedEntry(m_iap, 4, 6, u"AP2");
    m_wap = AddNamedEntry(root.FindChildOfType(73), 75, 76, u"W1");
    m_wap->FindChildOfType(85)->SetDisplayValue(u"AP2");
    m_bookmarks = root.FindChildOfType(92)->FindChildOfType(102);
    CSettingsNode* bookmark = m_bookmarks->AddChild(u"", 0, 103);
    BuildDefaultTree(*bookmark);
    bookmark->FindChildOfType(106)->SetDisplayValue(u"W1");
    SetDocumentModified(false);
  }
  // Names the list's placeholder, which turns it into an entry.
  static CSettingsNode* AddNamedEntry(CSettingsNode* group, uint32_t placeholder, uint32_t nameField,
                                      const char16_t* name) {
    CSettingsNode* entry = group->FindChildOfType(placeholder);
    EXPECT_TRUE(entry->FindChildOfType(nameField)->SetDisplayValue(name));
    return entry;
  }
  CSettingsNode* m_iap = nullptr;
  CSettingsNode* m_ap1 = nullptr;
  CSettingsNode* m_ap2 = nullptr;
  CSettingsNode* m_wap = nullptr;
  CSettingsNode* m_bookmarks = nullptr;
};

TEST_F(RemoveEntryTest, UsedAccessPointIsRefusedWithTheUsersName) {
  UseFakeHost();
  m_host.texts[596] = u"In use by %s.";
  EXPECT_EQ(m_ap2->RemoveEntry(), nullptr);
  EXPECT_EQ(GetLastReadError(), u"In use by W1.");
  EXPECT_EQ(m_ap2->GetParent(), m_iap);
  EXPECT_FALSE(IsDocumentModified());
}

TEST_F(RemoveEntryTest, UsedWapConnectionIsRefusedNamingTheBookmark) {
  UseFakeHost();
  m_host.texts[596] = u"In use by %s.";
  m_host.texts[568] = u"WAP bookmark";
  EXPECT_EQ(m_wap->RemoveEntry(), nullptr);
  EXPECT_EQ(GetLastReadError(), u"In use by WAP bookmark.");
}

TEST_F(RemoveEntryTest, AccessPointOfAMailboxIsRefusedNamingTheMailbox) {
  // Removed, the mailbox's connection would be cleared or moved to another access point unseen.
  UseFakeHost();
  m_host.texts[596] = u"In use by %s.";
  CSettingsNode* mailbox = AddNamedEntry(m_root->FindChildOfType(43), 45, 48, u"Home");
  mailbox->FindChildOfType(53)->SetDisplayValue(u"AP1");
  SetDocumentModified(false);
  EXPECT_EQ(m_ap1->RemoveEntry(), nullptr);
  EXPECT_EQ(GetLastReadError(), u"In use by Home.");
  EXPECT_EQ(m_ap1->GetParent(), m_iap);
  EXPECT_EQ(mailbox->FindChildOfType(53)->GetValue(), u"AP1");
  EXPECT_FALSE(IsDocumentModified());

  mailbox->FindChildOfType(53)->SetDisplayValue(u"AP2");
  EXPECT_NE(m_ap1->RemoveEntry(), nullptr);
}

TEST_F(RemoveEntryTest, UnusedEntryIsUnlinkedAndTheGroupLosesItsCreateFlag) {
  m_iap->SetCreated(true, false);
  m_ap2->SetCreated(true, false);
  std::unique_ptr<CSettingsNode> removed = m_ap1->RemoveEntry();
  ASSERT_EQ(removed.get(), m_ap1);
  EXPECT_TRUE(IsDocumentModified());
  EXPECT_TRUE(m_iap->IsCreated());  // AP2 is still created and applies

  m_wap->FindChildOfType(85)->SetDisplayValue(u"");  // nobody uses AP2 now
  removed = m_ap2->RemoveEntry();
  ASSERT_EQ(removed.get(), m_ap2);
  EXPECT_FALSE(m_iap->IsCreated());
  EXPECT_EQ(ChildTypes(*m_iap), (std::vector<uint32_t>{3, 4}));
}

TEST_F(RemoveEntryTest, UsersRemovedFirstFreeWhatTheyUsed) {
  CSettingsNode* bookmark = m_bookmarks->GetChild(m_bookmarks->GetChildCount() - 1);
  std::vector<std::unique_ptr<CSettingsNode>> removed =
      CSettingsNode::RemoveEntries({bookmark, m_wap, m_ap2});
  ASSERT_EQ(removed.size(), 3u);
  EXPECT_EQ(removed[2].get(), m_ap2);
  EXPECT_EQ(m_ap2->GetParent(), nullptr);
}

TEST_F(RemoveEntryTest, NodeWithoutParentIsNotRemoved) {
  CSettingsNode lone(u"", 0, 5, nullptr);
  EXPECT_EQ(lone.RemoveEntry(), nullptr);
}

// Entries of every kind that can be in use or use another, named, partly created, with references
// drawn from a seed: the same seed builds the same document.
struct RemovalDocument {
  std::unique_ptr<CSettingsNode> root;
  std::vector<CSettingsNode*> entries;
};

RemovalDocument BuildRemovalDocument(uint32_t seed) {
  std::mt19937 random(seed);
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  RemovalDocument document;
  document.root = std::make_unique<CSettingsNode>(u"", 0, 0, nullptr);
  CSettingsNode& root = *document.root;
  SetCurrentDocumentRoot(&root);
  BuildDefaultTree(root);
  auto add = [&](uint32_t group, const std::u16string& name) -> CSettingsNode& {
    const ListGroupInfo* list = FindListGroupByGroup(group);
    CSettingsNode& entry = *root.FindChildOfType(group)->FindChildOfType(list->placeholderType);
    EXPECT_TRUE(entry.FindChildOfType(list->nameFieldType)->SetDisplayValue(name));
    if (pick(2) == 0) entry.SetCreated(true, false);
    document.entries.push_back(&entry);
    return entry;
  };
  auto reference = [&](const std::vector<std::u16string>& names) {
    return names.empty() || pick(2) == 0 ? std::u16string() : names[pick(names.size())];
  };
  std::vector<std::u16string> points, connections;
  for (size_t i = 0, n = pick(7); i < n; ++i) {
    points.push_back(u"AP" + DecimalText(i));
    add(2, points.back());
  }
  for (size_t i = 0, n = pick(5); i < n; ++i) {
    connections.push_back(u"W" + DecimalText(i));
    add(73, connections.back()).FindChildOfType(85)->SetDisplayValue(reference(points));
  }
  for (size_t i = 0, n = pick(4); i < n; ++i)
    add(43, u"Mail" + DecimalText(i)).FindChildOfType(53)->SetDisplayValue(reference(points));
  CSettingsNode& bookmarks = *root.FindChildOfType(92)->FindChildOfType(102);
  for (size_t i = 0, n = pick(4); i < n; ++i) {
    CSettingsNode& bookmark = *bookmarks.AddChild(u"", 0, 103);
    BuildDefaultTree(bookmark);
    bookmark.FindChildOfType(106)->SetDisplayValue(reference(connections));
    if (pick(2) == 0) bookmark.SetCreated(true, false);
    document.entries.push_back(&bookmark);
  }
  for (uint32_t group : {2u, 43u, 73u}) root.FindChildOfType(group)->SetCreated(pick(2) == 0, false);
  // The entries asked for: some of them, in any order, now and then one twice.
  std::shuffle(document.entries.begin(), document.entries.end(), random);
  document.entries.resize(document.entries.empty() ? 0 : pick(document.entries.size() + 1));
  if (!document.entries.empty() && pick(8) == 0) document.entries.push_back(document.entries[0]);
  SetDocumentModified(false);
  SetLastReadError(u"");
  return document;
}

TEST_F(SettingsTest, RemovingEntriesTogetherEndsAsRemovingThemOneByOne) {
  UseFakeHost();
  m_host.texts[596] = u"In use by %s.";
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    SCOPED_TRACE(seed);
    RemovalDocument single = BuildRemovalDocument(seed);
    std::vector<std::unique_ptr<CSettingsNode>> removedSingly;
    for (CSettingsNode* entry : single.entries) {
      std::unique_ptr<CSettingsNode> removed = entry->RemoveEntry();
      if (!removed) break;
      removedSingly.push_back(std::move(removed));
    }
    const std::u16string singleError = GetLastReadError();
    const bool singleModified = IsDocumentModified();

    RemovalDocument together = BuildRemovalDocument(seed);
    std::vector<std::unique_ptr<CSettingsNode>> removed = CSettingsNode::RemoveEntries(together.entries);
    EXPECT_EQ(GetLastReadError(), singleError);
    EXPECT_EQ(IsDocumentModified(), singleModified);
    ASSERT_EQ(removed.size(), removedSingly.size());
    for (size_t i = 0; i < removed.size(); ++i) {
      EXPECT_EQ(removed[i].get(), together.entries[i]);
      EXPECT_EQ(removed[i]->GetParent(), nullptr);
      ExpectSameTree(*removedSingly[i], *removed[i]);
    }
    ExpectSameTree(*single.root, *together.root);
    SetCurrentDocumentRoot(nullptr);
  }
}

}  // namespace
}  // namespace orvel
