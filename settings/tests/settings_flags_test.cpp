#include "settings/settings_schema.h"
#include "settings/tests/settings_test_support.h"

namespace orvel {
namespace {

using test::SettingsTest;

// A default document with a named access point "AP" and a named mailbox "Box".
class FlagsTest : public SettingsTest {
 public:
  // The case table's functions reach the document through these.
  using SettingsTest::Field;
  using SettingsTest::Group;
  void SetUp() override {
    SettingsTest::SetUp();
    NewDocument();
    m_ap = &NameEntry(2, u"AP");
    m_mailbox = &NameEntry(43, u"Box");
    SetDocumentModified(false);
  }
  CSettingsNode* m_ap = nullptr;
  CSettingsNode* m_mailbox = nullptr;
};

// One rule: set the controlling field, ask the field whose rule it is.
struct DisabledCase {
  std::vector<uint32_t> entryPath;  // from the access point (5) or mailbox (46), see `mailbox`
  bool mailbox;
  uint32_t controlType;  // a sibling of the field, or (UseAPOP/IMAP4FolderPath) MailboxType
  const char16_t* controlValue;
  uint32_t fieldType;
  bool disabled;
};
const DisabledCase kDisabledCases[] = {
    {{}, false, 8, u"Yes", 10, true},
    {{}, false, 8, u"No", 10, false},
    {{11}, false, 12, u"No", 13, true},
    {{11}, false, 12, u"No", 14, true},
    {{11}, false, 12, u"No", 15, true},
    {{11}, false, 12, u"Yes", 15, false},
    {{26}, false, 27, u"No", 28, true},
    {{26}, false, 27, u"Yes", 28, false},
    {{26}, false, 28, u"Number", 29, false},  // UseCallback was left "Yes"
    {{26}, false, 28, u"ServerNumber", 29, true},
    {{33}, false, 34, u"No", 35, true},
    {{33}, false, 34, u"No", 36, true},
    {{33}, false, 34, u"Yes", 35, false},
    {{37}, false, 38, u"Yes", 39, true},
    {{37}, false, 38, u"No", 39, false},
    {{37}, false, 40, u"Yes", 41, true},
    {{37}, false, 40, u"Yes", 42, true},
    {{37}, false, 40, u"No", 42, false},
    {{61}, true, 64, u"No", 65, true},
    {{61}, true, 64, u"Card", 65, true},
    {{61}, true, 64, u"Custom", 65, false},
    {{61}, true, 55, u"POP3", 70, false},
    {{61}, true, 55, u"IMAP4", 70, true},
    {{61}, true, 55, u"IMAP4", 72, false},
    {{61}, true, 55, u"POP3", 72, true},
    {{20}, false, 21, u"Normal", 23, false},  // no rule of its own
};

TEST_F(FlagsTest, FieldsFollowTheirControllingValues) {
  for (const auto& c : kDisabledCases) {
    CSettingsNode* group = c.mailbox ? m_mailbox : m_ap;
    for (uint32_t type : c.entryPath) group = group->FindChildOfType(type);
    CSettingsNode& control =
        c.controlType == 55 ? Field(*m_mailbox, {54, 55}) : Field(*group, {c.controlType});
    control.SetDisplayValue(c.controlValue);
    EXPECT_EQ(Field(*group, {c.fieldType}).IsDisabled(), c.disabled)
        << c.fieldType << " with " << AsUtf8(c.controlValue);
  }
}

TEST_F(FlagsTest, NodesNothingCreatesFollowTheirRules) {
  CSettingsNode& proxies = Field(*m_ap, {11});
  CSettingsNode* httpsUse = proxies.AddOption(288, 13, 16);
  CSettingsNode* httpsServer = proxies.AddChild(u"", 2, 17);
  EXPECT_TRUE(httpsServer->IsDisabled());
  httpsUse->SetDisplayValue(u"Yes");
  EXPECT_FALSE(httpsServer->IsDisabled());

  CSettingsNode& dataCall = Field(*m_ap, {20});
  CSettingsNode* speedChanging = dataCall.AddOption(288, 13, 24);
  EXPECT_TRUE(speedChanging->IsDisabled());
  Field(dataCall, {21}).SetDisplayValue(u"HighSpeed");
  EXPECT_FALSE(speedChanging->IsDisabled());

  CSettingsNode& wap = NameEntry(73, u"W");
  CSettingsNode* bearer = wap.AddOption(394, 13, 79);
  CSettingsNode* sms = wap.AddChild(u"", 0, 80);
  CSettingsNode* centreNumber = sms->AddChild(u"", 6, 81);
  CSettingsNode* data = wap.AddChild(u"", 0, 83);
  EXPECT_FALSE(sms->IsDisabled());
  EXPECT_TRUE(data->IsDisabled());
  EXPECT_FALSE(centreNumber->IsDisabled());
  bearer->SetDisplayValue(u"DataCall");
  EXPECT_TRUE(sms->IsDisabled());
  EXPECT_TRUE(centreNumber->IsDisabled());
  EXPECT_FALSE(data->IsDisabled());
}

TEST_F(FlagsTest, ReferencesAreDisabledWithoutEntriesToName) {
  EXPECT_FALSE(Field(Group(2), {3}).IsDisabled());
  EXPECT_FALSE(Field(Group(43), {44}).IsDisabled());
  EXPECT_TRUE(Field(Group(86), {88}).IsDisabled());
  EXPECT_FALSE(Field(*m_mailbox, {53}).IsDisabled());
  // The WWW bookmark list always has a choice ("NoConnectionsDefined" stands in for none).
  EXPECT_FALSE(Field(Group(92), {98}).IsDisabled());

  Field(*m_mailbox, {53}).SetDisplayValue(u"");  // a mailbox that uses the access point keeps it
  std::unique_ptr<CSettingsNode> removed = m_ap->RemoveEntry();
  ASSERT_TRUE(removed);
  EXPECT_TRUE(Field(Group(2), {3}).IsDisabled());
  EXPECT_TRUE(Field(*m_mailbox, {53}).IsDisabled());
  EXPECT_FALSE(Field(Group(92), {98}).IsDisabled());
  CSettingsNode& wap = NameEntry(73, u"W");
  EXPECT_TRUE(Field(wap, {85}).IsDisabled());
}

TEST_F(FlagsTest, PlaceholderFieldsAreDisabledExceptTheName) {
  const ListGroupInfo* list = FindListGroupByGroup(2);
  CSettingsNode& placeholder = *Group(2).FindChildOfType(list->placeholderType);
  std::vector<CSettingsNode*> stack{&placeholder};
  size_t fields = 0;
  while (!stack.empty()) {
    CSettingsNode* node = stack.back();
    stack.pop_back();
    for (size_t i = 0; i < node->GetChildCount(); ++i) stack.push_back(node->GetChild(i));
    if (node == &placeholder) continue;
    ++fields;
    EXPECT_EQ(node->IsDisabled(), node->GetType() != 6) << node->GetType();
  }
  EXPECT_EQ(fields, 32u);
  EXPECT_FALSE(placeholder.IsDisabled());

  // Once named the fields follow their own rules.
  Field(placeholder, {6}).SetDisplayValue(u"AP2");
  EXPECT_FALSE(Field(placeholder, {7}).IsDisabled());
  EXPECT_TRUE(Field(placeholder, {10}).IsDisabled());  // PromptPassword "Yes"
}

TEST_F(FlagsTest, DisabledNodeLosesItsCreateFlag) {
  CSettingsNode& password = Field(*m_ap, {10});
  password.SetCreated(true, false);
  EXPECT_TRUE(password.IsCreated());
  EXPECT_TRUE(password.IsDisabled());
  EXPECT_FALSE(password.IsCreated());
  EXPECT_TRUE(IsDocumentModified());
}

TEST_F(FlagsTest, NewEntryFieldsAreTheIdentifyingFieldsOfACreatedEntry) {
  const uint32_t identifying[] = {6, 7, 48, 50, 52, 53, 54, 55, 56, 57, 76, 84, 85, 90, 91};
  for (uint32_t type = 0; type < kNodeTypeCount; ++type) {
    CSettingsNode node(u"", 0, type, nullptr);
    const bool expected =
        std::find(std::begin(identifying), std::end(identifying), type) != std::end(identifying);
    EXPECT_EQ(node.IsIdentifyingField(), expected) << type;
  }
  CSettingsNode& name = Field(*m_ap, {6});
  CSettingsNode& user = Field(*m_ap, {9});
  EXPECT_FALSE(name.IsNewEntryField());
  m_ap->SetCreated(true, true);
  EXPECT_TRUE(name.IsNewEntryField());
  EXPECT_FALSE(user.IsNewEntryField());
  EXPECT_FALSE(name.IsCreated());  // the entry's flag does not reach its fields
}

struct CreateCase {
  const char* what;
  std::function<CSettingsNode&(FlagsTest&)> node;
  bool result;
  bool flagAfter;
};

TEST_F(FlagsTest, SetCreatedFollowsTheRulesOfEachType) {
  const CreateCase cases[] = {
      {"empty PreferredMailbox",
       [](FlagsTest& t) -> CSettingsNode& {
         CSettingsNode& n = t.Field(t.Group(43), {44});
         n.SetDisplayValue(u"");
         return n;
       },
       false, false},
      {"named PreferredMailbox",
       [](FlagsTest& t) -> CSettingsNode& {
         CSettingsNode& n = t.Field(t.Group(43), {44});
         n.SetDisplayValue(u"Box");
         return n;
       },
       true, true},
      {"PreferredConnection", [](FlagsTest& t) -> CSettingsNode& { return t.Field(t.Group(2), {3}); }, true,
       true},
      {"empty PreferredCentre", [](FlagsTest& t) -> CSettingsNode& { return t.Field(t.Group(86), {88}); },
       false, false},
      {"placeholder", [](FlagsTest& t) -> CSettingsNode& { return t.Field(t.Group(2), {4}); }, false, false},
      {"empty file list", [](FlagsTest& t) -> CSettingsNode& { return t.Field(t.Group(109), {115}); }, false,
       false},
      {"empty bookmark list", [](FlagsTest& t) -> CSettingsNode& { return t.Field(t.Group(92), {102}); },
       false, false},
      {"access point", [](FlagsTest& t) -> CSettingsNode& { return *t.m_ap; }, true, true},
      {"group", [](FlagsTest& t) -> CSettingsNode& { return t.Group(73); }, true, true},
  };
  for (const auto& c : cases) {
    CSettingsNode& node = c.node(*this);
    const bool probe = node.CanTakeCreateFlag();
    SetDocumentModified(false);
    EXPECT_EQ(node.SetCreated(true, true), c.result) << c.what;
    EXPECT_EQ(probe, c.result) << c.what;
    EXPECT_EQ(node.IsCreated(), c.flagAfter) << c.what;
    EXPECT_EQ(IsDocumentModified(), c.flagAfter) << c.what;
  }
}

TEST_F(FlagsTest, SetCreatedForcesTheFlagOffAndRaisesOnlyOnChange) {
  CSettingsNode& preferred = Field(Group(43), {44});
  preferred.StoreFlags(true, false);  // as read from a file
  EXPECT_FALSE(preferred.SetCreated(true, false));
  EXPECT_FALSE(preferred.IsCreated());
  EXPECT_FALSE(IsDocumentModified());  // not asked to raise

  preferred.StoreFlags(true, false);
  EXPECT_FALSE(preferred.SetCreated(true, true));
  EXPECT_TRUE(IsDocumentModified());

  CSettingsNode& group = Group(86);
  group.SetCreated(true, true);
  SetDocumentModified(false);
  group.SetCreated(true, true);
  EXPECT_FALSE(IsDocumentModified());  // no change
}

TEST_F(FlagsTest, BookmarkListPassesFlagsDownToEveryField) {
  CSettingsNode& list = Field(Group(92), {98});
  for (int i = 0; i < 2; ++i) BuildDefaultTree(*list.AddChild(u"", 0, 99));
  list.SetUpdated(true);
  CSettingsNode& second = *list.GetChild(1);
  second.SetUpdated(false);
  EXPECT_TRUE(list.CanTakeCreateFlag());
  EXPECT_TRUE(list.SetCreated(true, true));
  EXPECT_TRUE(list.IsCreated());
  for (size_t i = 0; i < list.GetChildCount(); ++i) {
    CSettingsNode& bookmark = *list.GetChild(i);
    EXPECT_TRUE(bookmark.IsCreated());
    EXPECT_TRUE(bookmark.IsUpdated());  // the list's update flag
    for (size_t j = 0; j < bookmark.GetChildCount(); ++j) {
      EXPECT_TRUE(bookmark.GetChild(j)->IsCreated());
      EXPECT_TRUE(bookmark.GetChild(j)->IsUpdated());  // the bookmark's, which it got from the list
    }
  }
  list.SetUpdated(false);
  EXPECT_TRUE(list.SetCreated(false, true));
  EXPECT_FALSE(second.IsCreated() || second.IsUpdated());
  EXPECT_FALSE(second.GetChild(0)->IsCreated() || second.GetChild(0)->IsUpdated());
}

// The probe beside SetCreated must change nothing, even where SetCreated passes flags down.
TEST_F(FlagsTest, CanTakeCreateFlagChangesNothing) {
  CSettingsNode& list = Field(Group(92), {98});
  BuildDefaultTree(*list.AddChild(u"", 0, 99));
  list.SetUpdated(true);
  CSettingsNode& preferred = Field(Group(43), {44});
  preferred.SetDisplayValue(u"");
  preferred.StoreFlags(true, false);
  SetDocumentModified(false);

  EXPECT_TRUE(list.CanTakeCreateFlag());
  EXPECT_FALSE(preferred.CanTakeCreateFlag());
  EXPECT_FALSE(list.GetChild(0)->IsUpdated());
  EXPECT_FALSE(list.GetChild(0)->IsCreated());
  EXPECT_TRUE(preferred.IsCreated());
  EXPECT_FALSE(IsDocumentModified());
}

TEST_F(FlagsTest, FileListsPassTheirFlagToTheirFiles) {
  CSettingsNode& files = Field(Group(109), {111});
  CSettingsNode* tone = files.AddChild(u"ring.wav", 0, 112);
  EXPECT_TRUE(files.SetCreated(true, true));
  EXPECT_TRUE(tone->IsCreated());
}

TEST_F(FlagsTest, RemovingTheLastCreatedEntryClearsTheGroup) {
  CSettingsNode& group = Group(43);
  CSettingsNode& second = NameEntry(43, u"Box2");
  group.SetCreated(true, true);
  second.SetCreated(true, true);
  std::unique_ptr<CSettingsNode> removed = m_mailbox->RemoveEntry();
  EXPECT_TRUE(group.IsCreated());
  removed = second.RemoveEntry();
  EXPECT_FALSE(group.IsCreated());
}

}  // namespace
}  // namespace orvel
