// The settings tree's logic on real settings documents: the items it mirrors, the create-flag rules
// of the state icon, the marks, the deletion of entries, the icons and value texts, the choice of
// editor and how an edit is stored.
#include "ui/tree/tree_logic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "settings/settings_document.h"
#include "settings/settings_row.h"
#include "settings/tests/settings_test_support.h"
#include "support/u16text.h"

namespace orvel::ui {
namespace {

using test::NameOf;

class TreeLogicTest : public test::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    UseFakeHost();
    NewDocument();
  }
  void Build() { m_tree.Build(m_root.get()); }
  TreeItemId ItemOf(CSettingsNode& node) const { return m_tree.ItemOfNode(&node); }
  TreeItemId ItemAt(std::initializer_list<uint32_t> path) { return m_tree.ItemOfNode(&Field(*m_root, path)); }
  void ExpandAll(TreeItemId item) {
    m_tree.SetExpanded(item, true);
    for (TreeItemId child : m_tree.ChildrenOf(item)) ExpandAll(child);
  }
  std::set<TreeItemId> Marked() const {
    std::vector<TreeItemId> marked = m_tree.MarkedItems();
    return {marked.begin(), marked.end()};
  }

  CTreeLogic m_tree;
};

TEST_F(TreeLogicTest, BuildMirrorsTheVisibleChildrenAndNoFileEntries) {
  // A file in a file list, bookmarks in a bookmark list: neither shows as items.
  Field(*m_root, {109, 111}).AddChild(u"ring.wav", 0, 112);
  Field(*m_root, {92, 98}).AddChild(u"", 0, 99);
  Build();
  std::vector<uint32_t> top;
  for (TreeItemId item : m_tree.TopItems()) top.push_back(m_tree.NodeOf(item)->GetType());
  EXPECT_EQ(top, (std::vector<uint32_t>{2, 43, 73, 86, 92, 109}));  // BIOMessages is hidden
  EXPECT_FALSE(m_tree.HasChildItems(ItemAt({109, 111})));
  EXPECT_FALSE(m_tree.HasChildItems(ItemAt({92, 98})));
  EXPECT_EQ(m_tree.ChildrenOf(ItemAt({109})).size(), 4u);
  // The placeholder entry has its full set of fields below it.
  EXPECT_EQ(m_tree.Level(ItemAt({2, 4, 20, 21})), 3);
  EXPECT_EQ(m_tree.ParentOf(ItemAt({2, 4, 20})), ItemAt({2, 4}));
  EXPECT_EQ(m_tree.Label(ItemAt({2})), u"<279>");
}

TEST_F(TreeLogicTest, SyncNewNodesInsertsTheNewPlaceholderOnce) {
  Build();
  TreeItemId named = ItemAt({2, 4});
  TreeChanges edit;
  EXPECT_EQ(m_tree.StoreText(ItemAt({2, 4, 6}), u"Home", edit), StoreResult::Stored);
  // The old placeholder's item is now the entry's; the new placeholder has none yet.
  EXPECT_EQ(m_tree.NodeOf(named)->GetType(), 5u);
  EXPECT_EQ(m_tree.Label(named), u"Home");
  TreeChanges sync = m_tree.SyncNewNodes();
  ASSERT_FALSE(sync.inserted.empty());
  TreeItemId placeholder = sync.inserted.front();
  EXPECT_EQ(m_tree.NodeOf(placeholder)->GetType(), 4u);
  EXPECT_EQ(m_tree.ParentOf(placeholder), ItemAt({2}));
  EXPECT_EQ(m_tree.PreviousSibling(placeholder), named);
  EXPECT_TRUE(m_tree.IsLastChild(placeholder));
  // Its whole subtree came with it, parents before children.
  size_t below = 0;
  for (TreeItemId item : sync.inserted) below += m_tree.ParentOf(item) == placeholder ? 1 : 0;
  EXPECT_EQ(below, 11u);  // the entry's fields and groups
  EXPECT_TRUE(m_tree.SyncNewNodes().inserted.empty());
}

TEST_F(TreeLogicTest, ClickingAGroupMarksItsChildrenItsAncestorsAndTheEntrysIdentifyingFields) {
  CSettingsNode& entry = NameEntry(2, u"Home");
  Build();
  CSettingsNode& dataCall = Field(entry, {20});
  TreeChanges changes = m_tree.ToggleCreated(ItemOf(dataCall));
  EXPECT_TRUE(dataCall.IsCreated());
  for (uint32_t type : {21, 22, 23, 25}) EXPECT_TRUE(Field(dataCall, {type}).IsCreated()) << type;
  EXPECT_TRUE(entry.IsCreated());
  EXPECT_TRUE(Group(2).IsCreated());
  EXPECT_TRUE(Field(entry, {6}).IsCreated());   // ConnectionName
  EXPECT_TRUE(Field(entry, {7}).IsCreated());   // PhoneNumber
  EXPECT_FALSE(Field(entry, {9}).IsCreated());  // Username is no identifying field
  EXPECT_FALSE(Field(entry, {11}).IsCreated());
  for (TreeItemId item : {ItemOf(dataCall), ItemOf(entry), ItemAt({2}), ItemOf(Field(dataCall, {21}))})
    EXPECT_NE(std::find(changes.redraw.begin(), changes.redraw.end(), item), changes.redraw.end());
  // Off again: the children follow; the entry keeps its flag (its identifying fields are created).
  m_tree.ToggleCreated(ItemOf(dataCall));
  EXPECT_FALSE(dataCall.IsCreated());
  EXPECT_FALSE(Field(dataCall, {21}).IsCreated());
  EXPECT_TRUE(entry.IsCreated());
}

TEST_F(TreeLogicTest, TheFirstMarkedChildMarksTheGroupAndTheLastUnmarkedOneClearsIt) {
  Build();
  CSettingsNode& mailbox = Field(*m_root, {92, 93});
  m_tree.ToggleCreated(ItemOf(mailbox));
  EXPECT_TRUE(mailbox.IsCreated());
  EXPECT_TRUE(Group(92).IsCreated());
  EXPECT_TRUE(m_tree.HasSettings());
  m_tree.ToggleCreated(ItemOf(mailbox));
  EXPECT_FALSE(mailbox.IsCreated());
  EXPECT_FALSE(Group(92).IsCreated());
  EXPECT_FALSE(m_tree.HasSettings());
}

TEST_F(TreeLogicTest, NodesThatCannotBeToggled) {
  CSettingsNode& entry = NameEntry(2, u"Home");
  Build();
  // Password is inactive while PromptPassword is "Yes"; the placeholder's fields wait for a name;
  // an empty file list cannot take the flag and leaves its group as it was.
  for (CSettingsNode* node : {&Field(entry, {10}), &Field(Group(2), {4, 9}), &Field(*m_root, {109, 113})}) {
    m_tree.ToggleCreated(ItemOf(*node));
    EXPECT_FALSE(node->IsCreated()) << AsUtf8(NameOf(*node));
    EXPECT_FALSE(node->GetParent()->IsCreated()) << AsUtf8(NameOf(*node));
  }
  // A new entry's identifying field stays created, and is marked again when it lost its flag.
  m_tree.ToggleCreated(ItemOf(Field(entry, {9})));
  CSettingsNode& name = Field(entry, {6});
  ASSERT_TRUE(name.IsNewEntryField());
  m_tree.ToggleCreated(ItemOf(name));
  EXPECT_TRUE(name.IsCreated());
  name.StoreFlags(false, false);
  m_tree.ToggleCreated(ItemOf(name));
  EXPECT_TRUE(name.IsCreated());
}

TEST_F(TreeLogicTest, LinkedFieldsFollowEachOther) {
  CSettingsNode& entry = NameEntry(2, u"Home");
  Build();
  m_tree.ToggleCreated(ItemOf(Field(entry, {20, 22})));
  for (uint32_t type : {21, 22, 23}) EXPECT_TRUE(Field(entry, {20, type}).IsCreated()) << type;
  EXPECT_FALSE(Field(entry, {20, 25}).IsCreated());
  CSettingsNode& mailbox = NameEntry(43, u"Mail");
  m_tree.Build(m_root.get());
  m_tree.ToggleCreated(ItemOf(Field(mailbox, {61, 64})));
  EXPECT_TRUE(Field(mailbox, {61, 65}).IsCreated());
}

TEST_F(TreeLogicTest, AGroupSwitchedOffDirectlyKeepsTheMailboxTypeAndServers) {
  CSettingsNode& mailbox = NameEntry(43, u"Mail");
  CSettingsNode& servers = Field(mailbox, {54});
  for (uint32_t type : {55, 56, 57}) Field(servers, {type}).StoreFlags(true, false);
  servers.StoreFlags(true, false);
  Build();
  m_tree.ToggleCreated(ItemOf(servers));
  for (uint32_t type : {55, 56, 57}) EXPECT_TRUE(Field(servers, {type}).IsCreated()) << type;
  // No child changed, so the group keeps its flag too.
  EXPECT_TRUE(servers.IsCreated());
  // Switched off from above they go.
  mailbox.StoreFlags(true, false);
  Group(43).StoreFlags(true, false);
  m_tree.ToggleCreated(ItemAt({43}));
  for (uint32_t type : {55, 56, 57}) EXPECT_FALSE(Field(servers, {type}).IsCreated()) << type;
}

TEST_F(TreeLogicTest, MixedChildren) {
  CSettingsNode& entry = NameEntry(2, u"Home");
  Build();
  CSettingsNode& proxies = Field(entry, {11});
  EXPECT_FALSE(m_tree.HasMixedChildren(&proxies));
  Field(proxies, {12}).StoreFlags(true, false);
  // HTTPProxyServer, port and exceptions are inactive while HTTPUseProxy is "No": skipped.
  EXPECT_FALSE(m_tree.HasMixedChildren(&proxies));
  ASSERT_TRUE(Field(proxies, {12}).SetDisplayValue(u"Yes"));
  EXPECT_TRUE(m_tree.HasMixedChildren(&proxies));
  EXPECT_TRUE(m_tree.HasMixedChildren(&entry));  // through the group
  EXPECT_EQ(m_tree.StateIcon(ItemOf(entry)), TreeIcon::Mixed);
  for (uint32_t type : {13, 14, 15}) Field(proxies, {type}).StoreFlags(true, false);
  EXPECT_FALSE(m_tree.HasMixedChildren(&proxies));
  // A child that cannot take the flag ends the search: the placeholder before a mixed entry.
  CSettingsNode& group = Group(2);
  std::unique_ptr<CSettingsNode> moved = group.RemoveChild(&entry);
  group.AddChild(u"", 0, 30)->StoreFlags(true, false);  // a created child, so far mixed with none
  EXPECT_FALSE(m_tree.HasMixedChildren(&group));
  group.InsertChild(std::move(moved));
}

TEST_F(TreeLogicTest, StateAndExpandIcons) {
  CSettingsNode& entry = NameEntry(2, u"Home");
  Build();
  TreeItemId user = ItemOf(Field(entry, {9}));
  TreeItemId name = ItemOf(Field(entry, {6}));
  TreeItemId password = ItemOf(Field(entry, {10}));
  EXPECT_EQ(m_tree.StateIcon(user), TreeIcon::Unmarked);
  EXPECT_EQ(m_tree.StateIcon(password), TreeIcon::UnmarkedInactive);
  ASSERT_TRUE(m_tree.BeginPress(user));
  EXPECT_EQ(m_tree.StateIcon(user), TreeIcon::Pressed);
  EXPECT_TRUE(m_tree.TrackPress(name));  // the pointer left the origin
  EXPECT_EQ(m_tree.StateIcon(user), TreeIcon::Unmarked);
  m_tree.TrackPress(user);
  m_tree.EndPress(true);
  EXPECT_EQ(m_tree.StateIcon(user), TreeIcon::Marked);
  EXPECT_EQ(m_tree.StateIcon(name), TreeIcon::MarkedForced);
  m_tree.BeginPress(name);
  EXPECT_EQ(m_tree.StateIcon(name), TreeIcon::PressedForced);
  m_tree.TrackPress(user);
  m_tree.EndPress(true);  // released elsewhere: nothing toggles
  EXPECT_TRUE(Field(entry, {6}).IsCreated());
  EXPECT_FALSE(m_tree.BeginPress(password));
  EXPECT_EQ(m_tree.ExpandIcon(ItemOf(entry)), TreeIcon::Collapsed);
  m_tree.SetExpanded(ItemOf(entry), true);
  EXPECT_EQ(m_tree.ExpandIcon(ItemOf(entry)), TreeIcon::Expanded);
  EXPECT_EQ(m_tree.ExpandIcon(user), TreeIcon::None);
}

TEST_F(TreeLogicTest, MarksFollowCtrlShiftAndPlainActions) {
  Build();
  const std::vector<TreeItemId> top = m_tree.TopItems();  // six collapsed groups
  m_tree.ClickRow(top[1], false, false);
  EXPECT_EQ(Marked(), (std::set<TreeItemId>{top[1]}));
  m_tree.ClickRow(top[3], true, false);
  EXPECT_EQ(Marked(), (std::set<TreeItemId>{top[1], top[3]}));
  EXPECT_EQ(m_tree.Caret(), top[3]);
  m_tree.ClickRow(top[5], false, true);  // from the Ctrl-clicked item
  EXPECT_EQ(Marked(), (std::set<TreeItemId>{top[3], top[4], top[5]}));
  m_tree.MoveCaret(top[2], true, false);  // Ctrl+Up: marks stay, the caret is not marked
  EXPECT_EQ(Marked(), (std::set<TreeItemId>{top[3], top[4], top[5]}));
  m_tree.ToggleCaretMark();
  EXPECT_EQ(Marked(), (std::set<TreeItemId>{top[2], top[3], top[4], top[5]}));
  m_tree.MoveCaret(top[0], false, false);  // a plain move clears the range
  EXPECT_EQ(Marked(), (std::set<TreeItemId>{top[0]}));
  EXPECT_FALSE(m_tree.RangeOpen());
  m_tree.OpenRange();  // Shift down at top[0]
  m_tree.MoveCaret(top[1], false, true);
  m_tree.MoveCaret(top[2], false, true);
  EXPECT_EQ(Marked(), (std::set<TreeItemId>{top[0], top[1], top[2]}));
  m_tree.MoveCaret(top[1], false, true);  // back up: the range shrinks
  EXPECT_EQ(Marked(), (std::set<TreeItemId>{top[0], top[1]}));
  m_tree.FocusItem(top[4]);
  EXPECT_EQ(Marked(), (std::set<TreeItemId>{top[4]}));
}

TEST_F(TreeLogicTest, DeletingNeverUsesTheRememberedItemOnceItIsGone) {
  NameEntry(2, u"One");
  NameEntry(2, u"Two");
  CSettingsNode& three = NameEntry(2, u"Three");
  Build();
  TreeItemId group = ItemAt({2});
  m_tree.SetExpanded(group, true);
  const std::vector<TreeItemId> entries =
      m_tree.ChildrenOf(group);  // Preferred, One, Two, Three, placeholder
  ExpandAll(entries[1]);         // the item above Two is the last field of One
  m_tree.ClickRow(entries[1], false, false);
  m_tree.ClickRow(entries[2], true, false);
  TreeItemId above = m_tree.PreviousVisible(entries[2]);
  ASSERT_NE(above, entries[1]);
  ASSERT_EQ(m_tree.Level(above), 3);  // a field inside One
  CTreeLogic::DeleteResult result = m_tree.DeleteSelectedEntry();
  EXPECT_EQ(result.removed.size(), 2u);
  EXPECT_TRUE(result.refusal.empty());
  EXPECT_FALSE(m_tree.IsLive(entries[1]));
  EXPECT_FALSE(m_tree.IsLive(entries[2]));
  // The caret goes below the nearest item that is left above: PreferredConnection.
  EXPECT_EQ(result.caret, ItemOf(three));
  EXPECT_EQ(m_tree.Caret(), ItemOf(three));
  EXPECT_EQ(Marked(), (std::set<TreeItemId>{ItemOf(three)}));
  EXPECT_EQ(Group(2).GetChildCount(), 3u);
}

TEST_F(TreeLogicTest, DeletingStopsAtAnEntryInUseAndSkipsGroups) {
  NameEntry(2, u"Used");
  NameEntry(2, u"Free");
  CSettingsNode& wap = NameEntry(73, u"Portal");
  ASSERT_TRUE(Field(wap, {85}).SetDisplayValue(u"Used"));
  Build();
  TreeItemId group = ItemAt({2});
  m_tree.SetExpanded(group, true);
  const std::vector<TreeItemId> items = m_tree.ChildrenOf(group);
  m_tree.ClickRow(group, false, false);
  m_tree.ClickRow(items[1], true, false);
  m_tree.ClickRow(items[2], true, false);
  EXPECT_TRUE(m_tree.CanDeleteSelection());
  CTreeLogic::DeleteResult result = m_tree.DeleteSelectedEntry();
  // From the last: Free goes, Used is refused with message 596, the group is no entry.
  EXPECT_FALSE(m_tree.IsLive(items[2]));
  EXPECT_TRUE(m_tree.IsLive(items[1]));
  EXPECT_TRUE(m_tree.IsLive(group));
  EXPECT_EQ(result.removed.size(), 1u);
  EXPECT_NE(result.refusal.find(u"<596>"), std::u16string::npos);
  m_tree.FocusItem(group);
  EXPECT_FALSE(m_tree.CanDeleteSelection());
}

TEST_F(TreeLogicTest, ValueTexts) {
  CSettingsNode& entry = NameEntry(2, u"Home");
  CSettingsNode& mailbox = NameEntry(43, u"Mail");
  Build();
  struct Case {
    CSettingsNode* node;
    const char16_t* value;
    const char16_t* shown;
    bool ellipsis;
  };
  const Case cases[] = {
      {&Field(entry, {10}), u"x", u"********", true},
      {&Field(entry, {10}), u"a much longer password", u"********", true},
      {&Field(entry, {10}), u"", u"", true},
      {&Field(mailbox, {58, 60}), u"25", u"25 kB", false},
      {&Field(entry, {9}), u"me", u"me", true},
      {&Field(entry, {33, 35}), u"ATZ", u"<482>", true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.node->SetDisplayValue(c.value));
    bool ellipsis = true;
    EXPECT_EQ(m_tree.ValueText(ItemOf(*c.node), ellipsis), c.shown) << AsUtf8(c.value);
    EXPECT_EQ(ellipsis, c.ellipsis) << AsUtf8(c.value);
  }
}

TEST_F(TreeLogicTest, EditorPlansByValueKind) {
  CSettingsNode& entry = NameEntry(2, u"Home");
  CSettingsNode& mailbox = NameEntry(43, u"Mail");
  ASSERT_TRUE(Field(entry, {33, 34}).SetDisplayValue(u"Yes"));
  ASSERT_TRUE(Field(entry, {33, 35}).SetDisplayValue(u"ATZ"));
  ASSERT_TRUE(Field(entry, {8}).SetDisplayValue(u"No"));
  ASSERT_TRUE(Field(entry, {10}).SetDisplayValue(u"secret"));
  Build();
  struct Case {
    CSettingsNode* node;
    EditorKind editor;
    const char16_t* text;
  };
  const Case cases[] = {
      {&Field(entry, {37, 39}), EditorKind::None, u""},  // inactive: RetrieveIP is "Yes"
      {&Field(entry, {37, 41}), EditorKind::None, u""},
      {&Field(entry, {11, 14}), EditorKind::None, u""},  // port inactive without a proxy
      {&Field(entry, {6}), EditorKind::Text, u"Home"},
      {&Field(entry, {7}), EditorKind::Value, u""},
      {&Field(entry, {10}), EditorKind::Text, u""},  // a password starts empty
      {&Field(entry, {8}), EditorKind::Combo, u"<288>"},
      {&Field(entry, {33, 35}), EditorKind::LongText, u"ATZ"},  // the stored script, not "<482>"
      {&Field(mailbox, {52}), EditorKind::Text, u""},
      {&Field(mailbox, {58, 60}), EditorKind::Number, u"10"},
      {&Field(*m_root, {109, 115}), EditorKind::FileList, u"<481>"},
      {&Field(*m_root, {92, 102}), EditorKind::BookmarkList, u"<604>"},
      {&Group(2), EditorKind::None, u""},
  };
  for (const Case& c : cases) {
    EditorPlan plan = m_tree.PlanEdit(ItemOf(*c.node));
    EXPECT_EQ(plan.editor, c.editor) << AsUtf8(NameOf(*c.node));
    EXPECT_EQ(plan.text, c.text) << AsUtf8(NameOf(*c.node));
  }
  EditorPlan password = m_tree.PlanEdit(ItemOf(Field(entry, {10})));
  EXPECT_EQ(password.mode, TextMode::Password);
  EXPECT_TRUE(password.passwordEcho);
  EXPECT_EQ(m_tree.PlanEdit(ItemOf(Field(mailbox, {52}))).mode, TextMode::Email);
  EXPECT_EQ(m_tree.PlanEdit(ItemOf(Field(entry, {6}))).mode, TextMode::Plain);
  EXPECT_EQ(m_tree.PlanEdit(ItemOf(Field(mailbox, {61, 65}))).editor,
            EditorKind::None);  // IncludeSignature "No"
  ASSERT_TRUE(Field(mailbox, {61, 64}).SetDisplayValue(u"Custom"));
  EditorPlan signature = m_tree.PlanEdit(ItemOf(Field(mailbox, {61, 65})));
  EXPECT_EQ(signature.editor, EditorKind::LongText);
  EXPECT_EQ(signature.dialogMode, 0);
  EXPECT_EQ(m_tree.PlanEdit(ItemOf(Field(entry, {33, 35}))).dialogMode, 1);
  EditorPlan size = m_tree.PlanEdit(ItemOf(Field(mailbox, {58, 60})));
  EXPECT_TRUE(size.clamp);
  EXPECT_EQ(size.clampLow, 1u);
  EXPECT_EQ(size.clampHigh, 1000u);
  ASSERT_TRUE(Field(entry, {11, 12}).SetDisplayValue(u"Yes"));
  EditorPlan port = m_tree.PlanEdit(ItemOf(Field(entry, {11, 14})));
  EXPECT_EQ(port.editor, EditorKind::Number);
  EXPECT_EQ(port.clampHigh, 65535u);
  ASSERT_TRUE(Field(entry, {37, 38}).SetDisplayValue(u"No"));
  EditorPlan address = m_tree.PlanEdit(ItemOf(Field(entry, {37, 39})));
  EXPECT_EQ(address.editor, EditorKind::IpAddress);
  EXPECT_EQ(address.text, u"0.0.0.0");
  // The default address and a 255 in a middle part are accepted as they are.
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(address.fieldLow[i], 0);
    EXPECT_EQ(address.fieldHigh[i], 255);
  }
  EXPECT_EQ(m_tree.PlanEdit(ItemOf(Field(*m_root, {92, 98}))).dialogMode, 0);
  EXPECT_EQ(m_tree.PlanEdit(ItemOf(Field(*m_root, {92, 102}))).dialogMode, 1);
  EditorPlan choice = m_tree.PlanEdit(ItemOf(Field(entry, {8})));
  EXPECT_EQ(choice.choices, (std::vector<std::u16string>{u"Yes\n<420>", u"No\n<288>"}));
}

TEST_F(TreeLogicTest, StoringEdits) {
  CSettingsNode& entry = NameEntry(2, u"Home");
  CSettingsNode& mailbox = NameEntry(43, u"Mail");
  ASSERT_TRUE(Field(entry, {8}).SetDisplayValue(u"No"));
  Build();
  TreeChanges changes;
  CSettingsNode& name = Field(entry, {6});
  EXPECT_EQ(m_tree.StoreText(ItemOf(name), u"", changes), StoreResult::Unchanged);
  EXPECT_EQ(name.GetValue(), u"Home");
  EXPECT_EQ(m_tree.StoreText(ItemOf(Field(mailbox, {48})), u"", changes), StoreResult::Unchanged);
  CSettingsNode& voice = Field(*m_root, {92, 93});
  EXPECT_EQ(m_tree.StoreText(ItemOf(voice), u"5", changes), StoreResult::Invalid);
  EXPECT_EQ(voice.GetValue(), u"");
  EXPECT_EQ(m_tree.StoreText(ItemOf(voice), u"55", changes), StoreResult::Stored);
  EXPECT_TRUE(voice.IsCreated());  // changed, so marked
  // The name of another entry of the list is refused.
  NameEntry(2, u"Work");
  EXPECT_EQ(m_tree.StoreText(ItemOf(name), u"Work", changes), StoreResult::Refused);
  // A password: empty stores nothing; a confirmed one is stored and marks the node.
  CSettingsNode& password = Field(entry, {10});
  ASSERT_TRUE(password.SetDisplayValue(u"old"));
  EXPECT_EQ(m_tree.StorePassword(ItemOf(password), u"", changes), StoreResult::Unchanged);
  EXPECT_EQ(password.GetValue(), u"old");
  EXPECT_EQ(m_tree.StorePassword(ItemOf(password), u"new", changes), StoreResult::Stored);
  EXPECT_EQ(password.GetValue(), u"new");
  EXPECT_TRUE(password.IsCreated());
  // IncludeSignature created makes its Signature created.
  CSettingsNode& include = Field(mailbox, {61, 64});
  EXPECT_EQ(m_tree.StoreChoice(ItemOf(include), u"Custom", changes), StoreResult::Stored);
  EXPECT_TRUE(include.IsCreated());
  EXPECT_TRUE(Field(mailbox, {61, 65}).IsCreated());
}

TEST_F(TreeLogicTest, ALongTextEditMarksTheNodeAlthoughItsShownTextStaysThePlaceholder) {
  CSettingsNode& entry = NameEntry(2, u"Home");
  ASSERT_TRUE(Field(entry, {33, 34}).SetDisplayValue(u"Yes"));
  Build();
  CSettingsNode& script = Field(entry, {33, 35});
  TreeChanges changes;
  EXPECT_EQ(m_tree.StoreLongText(ItemOf(script), u"ATZ\nOK", changes), StoreResult::Stored);
  EXPECT_EQ(script.GetValue(), u"ATZ\nOK");
  EXPECT_TRUE(script.IsCreated());
  EXPECT_EQ(m_tree.PlanEdit(ItemOf(script)).text, u"ATZ\nOK");
}

TEST_F(TreeLogicTest, HelpContexts) {
  CSettingsNode& entry = NameEntry(2, u"Home");
  Build();
  struct Case {
    CSettingsNode* caret;
    uint32_t context;
    bool topic;
  };
  const Case cases[] = {
      {&Field(entry, {20, 21}), 279, true},
      {&Group(43), 140, true},
      {&Group(73), 388, true},
      {&Field(*m_root, {86, 88}), 323, true},
      {&Field(*m_root, {92, 93}), 460, false},
      {&Field(*m_root, {109, 117}), 550, false},
  };
  for (const Case& c : cases) {
    m_tree.SetCaret(ItemOf(*c.caret));
    EXPECT_EQ(m_tree.GetHelpContext(false), c.context) << AsUtf8(NameOf(*c.caret));
    EXPECT_EQ(HelpContextHasTopic(c.context), c.topic);
  }
  EXPECT_EQ(m_tree.GetHelpContext(true), 506u);
  m_tree.Clear();
  EXPECT_EQ(m_tree.GetHelpContext(false), 0u);
}

struct CharCase {
  uint32_t kind;
  char16_t ch;
  bool opens;
};
const CharCase kCharCases[] = {
    {4, u'7', true},  {4, u'a', false},  {5, u'0', true},   {1, u'9', true},  {1, u'.', false},
    {6, u'+', true},  {6, u'#', true},   {6, u'p', true},   {6, u'\b', true}, {6, u'x', false},
    {7, u'x', true},  {8, u'~', true},   {2, 0xE9, true},   {3, 0x7F, false}, {9, 0x100, false},
    {7, u' ', false}, {13, u'a', false}, {12, u'a', false}, {0, u'1', false}, {15, u'1', false},
};
TEST(TreeTables, TypedCharacters) {
  for (const CharCase& c : kCharCases)
    EXPECT_EQ(CharOpensEditor(c.kind, c.ch), c.opens) << c.kind << " " << static_cast<int>(c.ch);
}

TEST(TreeTables, KeyCommands) {
  struct Case {
    uint32_t key;
    bool ctrl;
    TreeKeyCommand command;
  };
  const Case cases[] = {
      {0x74, false, TreeKeyCommand::Send}, {'N', true, TreeKeyCommand::NewFile},
      {'N', false, TreeKeyCommand::None},  {0x6E, true, TreeKeyCommand::None},  // keypad decimal
      {'P', true, TreeKeyCommand::Print},  {0x70, true, TreeKeyCommand::None},  // F1
  };
  for (const Case& c : cases) EXPECT_EQ(KeyCommand(c.key, c.ctrl), c.command) << c.key;
}

TEST_F(TreeLogicTest, FileListFilters) {
  m_host.texts = {{501, u"Packages"}, {502, u"Images"}, {503, u"All"}};
  struct Case {
    uint32_t type;
    const char16_t* filter;
    uint32_t entry, local, remote;
  };
  const Case cases[] = {
      {110, u"All (*.*)|*.*||", 110, 0, 0},
      {111, u"All (*.*)|*.*||", 112, 0, 0},
      {113, u"Images (*.jpg;*.bmp;*.gif)|*.jpg;*.bmp;*.gif|All (*.*)|*.*||", 114, 0, 0},
      {115, u"Packages (*.sis)|*.sis|All (*.*)|*.*||", 116, 0, 0},
      {117, u"All (*.*)|*.*||", 118, 119, 120},
      {98, u"", 0, 0, 0},
  };
  for (const Case& c : cases) {
    FileListSetup setup = FileListFor(c.type);
    EXPECT_EQ(setup.filter, c.filter) << c.type;
    EXPECT_EQ(setup.entryType, c.entry) << c.type;
    EXPECT_EQ(setup.localType, c.local) << c.type;
    EXPECT_EQ(setup.remoteType, c.remote) << c.type;
  }
}

TEST(TreeTables, RowGeometryAndHits) {
  RowGeometry row = RowLayout(1, true, 19, 600);
  EXPECT_EQ(row.stateX, 38);
  EXPECT_EQ(row.expandX, 57);
  EXPECT_EQ(row.labelX, 79);
  EXPECT_EQ(row.valueLeft, 400);
  EXPECT_EQ(row.valueRight, 570);
  EXPECT_EQ(RowLayout(1, false, 19, 601).labelRight, 396);
  struct Case {
    int x, y;
    bool children;
    RowPart part;
  };
  // Level 0, indent 19, height 23: the state icon at 20..35 x 3..18, the expand icon's square at
  // 47..54 x 11..18.
  const Case cases[] = {
      {20, 3, false, RowPart::StateIcon},  {35, 18, true, RowPart::StateIcon},  {36, 10, false, RowPart::Row},
      {47, 11, true, RowPart::ExpandIcon}, {54, 18, true, RowPart::ExpandIcon}, {46, 11, true, RowPart::Row},
      {50, 11, false, RowPart::Row},       {20, 19, false, RowPart::Row},
  };
  for (const Case& c : cases) EXPECT_EQ(HitRow(c.x, c.y, 0, c.children, 19, 23), c.part) << c.x << "," << c.y;
}

}  // namespace
}  // namespace orvel::ui

namespace orvel::ui {
namespace {

class ListEditTest : public test::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    UseFakeHost();
    NewDocument();
    m_tree.Build(m_root.get());
  }
  CTreeLogic m_tree;
};

TEST_F(ListEditTest, TheListIsCreatedExactlyWhenItHasEntries) {
  CSettingsNode& list = Field(*m_root, {92, 102});
  CSettingsNode& group = Field(*m_root, {92});
  const TreeItemId item = m_tree.ItemOfNode(&list);
  std::u16string before;
  list.GetDisplayValue(before, true);
  std::vector<CSettingsRow> rows = {{u"Home", u"http://h.example/", u"", u"", u""}};
  RowsToNode(list, rows);
  SetDocumentModified(false);
  TreeChanges changes;
  m_tree.StoreListEdit(item, before, true, changes);
  EXPECT_TRUE(IsDocumentModified());
  EXPECT_TRUE(list.IsCreated());
  EXPECT_TRUE(group.IsCreated());  // the ancestors follow
  EXPECT_TRUE(list.GetChild(0)->IsCreated());
  EXPECT_NE(std::find(changes.redraw.begin(), changes.redraw.end(), item), changes.redraw.end());

  // Every entry deleted, OK: the list and the group it alone made created are not created now.
  list.GetDisplayValue(before, true);
  rows.clear();
  RowsToNode(list, rows);
  SetDocumentModified(false);
  changes = {};
  m_tree.StoreListEdit(item, before, true, changes);
  EXPECT_TRUE(IsDocumentModified());  // deleting every entry is a change too
  EXPECT_FALSE(list.IsCreated());
  EXPECT_FALSE(group.IsCreated());
}

}  // namespace
}  // namespace orvel::ui
