#include "settings/settings_schema.h"
#include "settings/tests/settings_test_support.h"

namespace orvel {
namespace {

using test::SettingsTest;

std::string Joined(const std::vector<std::u16string>& items) {
  std::string out;
  for (const auto& item : items) {
    if (!out.empty()) out += '|';
    out += AsUtf8(item);
  }
  return out;
}

std::string ChoicesOf(const CSettingsNode& node, bool withDisplayText = false) {
  std::vector<std::u16string> choices{u"stale"};
  node.GetChoices(choices, withDisplayText);
  return Joined(choices);
}

std::u16string Shown(CSettingsNode& node) {
  std::u16string out;
  node.GetDisplayValue(out, true);
  return out;
}

// A default document with helpers to name list entries and reach fields.
class DisplayTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    NewDocument();
  }
};

struct ChoiceCase {
  uint32_t type;
  const char* choices;
};
const ChoiceCase kOptionChoices[] = {
    {8, "Yes|No"},
    {12, "Yes|No"},
    {16, "Yes|No"},
    {24, "Yes|No"},
    {27, "Yes|No"},
    {31, "Yes|No"},
    {32, "Yes|No"},
    {34, "Yes|No"},
    {36, "Yes|No"},
    {38, "Yes|No"},
    {40, "Yes|No"},
    {66, "Yes|No"},
    {67, "Yes|No"},
    {68, "Yes|No"},
    {69, "Yes|No"},
    {70, "Yes|No"},
    {71, "Yes|No"},
    {78, "Yes|No"},
    {96, "Yes|No"},
    {130, "Yes|No"},
    {21, "Normal|HighSpeed"},
    {22, "Analog|ISDNV.110|ISDNV.120"},
    {28, "ServerNumber|ServerNumberIETF|Number"},
    {55, "POP3|IMAP4"},
    {62, "TextNoMIME|Text|HTML"},
    {63, "Immediately|Connection|Request"},
    {64, "No|Card|Custom"},
    {77, "Continuous|Temporary"},
    {79, "SMS|DataCall"},
    {127, "Backspace|Delete"},
    {139, "Backspace|Delete"},
    {128, "CR|LF|CRLF"},
    {140, "CR|LF|CRLF"},
    {129, "On|Off"},
    {141, "On|Off"},
    {59, "Headers|Attachments"},  // without a mailbox above it, not IMAP4
    {7, ""},
    {35, ""},
    {60, ""},
    {106, ""},
    {143, ""},
};

TEST_F(SettingsTest, OptionFieldsOfferTheirChoices) {
  for (const auto& c : kOptionChoices) {
    CSettingsNode node(u"", 13, c.type, nullptr);
    EXPECT_EQ(ChoicesOf(node), c.choices) << c.type;
  }
}

TEST_F(SettingsTest, ChoicesWithDisplayTextCarryTheLanguageText) {
  UseFakeHost();
  m_host.texts[420] = u"Ja";
  CSettingsNode yesNo(u"", 13, 8, nullptr);
  EXPECT_EQ(ChoicesOf(yesNo, true), "Yes\nJa|No\n<288>");
  CSettingsNode signature(u"", 13, 64, nullptr);
  EXPECT_EQ(ChoicesOf(signature, true), "No\n<163>|Card\n<161>|Custom\n<162>");
}

struct SpeedCase {
  const char16_t* connectionType;
  const char16_t* modemType;
  const char* choices;
};
const SpeedCase kSpeedCases[] = {
    {u"Normal", u"Analog", "Auto|9600|14400"},
    {u"Normal", u"ISDNV.110", "9600|14400"},
    {u"Normal", u"ISDNV.120", "9600|14400"},
    {u"HighSpeed", u"Analog", "9600|14400|19200|28800"},
    {u"HighSpeed", u"ISDNV.110", "9600|14400|19200|28800|38400"},
    {u"HighSpeed", u"ISDNV.120", "9600|14400|19200|28800|43200"},
    {u"normal", u"Analog", "9600|14400"},  // stored values compare exactly
    {u"", u"", "9600|14400"},
};

TEST_F(DisplayTest, MaxConnectionSpeedFollowsConnectionAndModemType) {
  CSettingsNode& dataCall = Field(Group(2), {4, 20});
  for (const auto& c : kSpeedCases) {
    Field(dataCall, {21}).SetDisplayValue(c.connectionType);
    Field(dataCall, {22}).SetDisplayValue(c.modemType);
    EXPECT_EQ(ChoicesOf(Field(dataCall, {23})), c.choices)
        << AsUtf8(c.connectionType) << " " << AsUtf8(c.modemType);
  }
}

struct SpeedRepairCase {
  const char16_t* connectionType;
  const char16_t* modemType;
  const char16_t* speed;
  uint32_t changedType;
  const char16_t* newValue;
  const char16_t* speedAfter;
};
const SpeedRepairCase kSpeedRepairCases[] = {
    {u"Normal", u"Analog", u"Auto", 22, u"ISDNV.110", u"9600"},
    {u"HighSpeed", u"ISDNV.120", u"43200", 22, u"ISDNV.110", u"9600"},
    {u"HighSpeed", u"Analog", u"28800", 21, u"Normal", u"9600"},
    {u"Normal", u"Analog", u"14400", 22, u"ISDNV.120", u"14400"},
    {u"HighSpeed", u"ISDNV.110", u"38400", 21, u"HighSpeed", u"38400"},
    {u"Normal", u"ISDNV.110", u"9600", 21, u"HighSpeed", u"9600"},
};

TEST_F(DisplayTest, ChangingConnectionOrModemTypeKeepsTheSpeedValid) {
  CSettingsNode& dataCall = Field(Group(2), {4, 20});
  for (const auto& c : kSpeedRepairCases) {
    Field(dataCall, {21}).SetDisplayValue(c.connectionType);
    Field(dataCall, {22}).SetDisplayValue(c.modemType);
    Field(dataCall, {23}).SetDisplayValue(c.speed);
    EXPECT_TRUE(Field(dataCall, {c.changedType}).SetDisplayValue(c.newValue));
    EXPECT_EQ(Field(dataCall, {c.changedType}).GetValue(), c.newValue);
    EXPECT_EQ(Field(dataCall, {23}).GetValue(), c.speedAfter) << AsUtf8(c.speed);
  }
}

struct RetrieveCase {
  const char16_t* mailboxTypeBefore;
  const char16_t* retrieve;
  const char16_t* mailboxTypeAfter;
  const char16_t* retrieveAfter;
};
const RetrieveCase kRetrieveCases[] = {
    {u"IMAP4", u"Messages", u"POP3", u"Headers"},
    {u"IMAP4", u"Attachments", u"POP3", u"Attachments"},
    {u"IMAP4", u"Messages", u"IMAP4", u"Messages"},
    {u"POP3", u"Messages", u"POP3", u"Headers"},
};

TEST_F(DisplayTest, Pop3MailboxLeavesImap4OnlyRetrieval) {
  CSettingsNode& mailbox = NameEntry(43, u"Home");
  CSettingsNode& type = Field(mailbox, {54, 55});
  CSettingsNode& retrieve = Field(mailbox, {58, 59});
  for (const auto& c : kRetrieveCases) {
    type.SetDisplayValue(c.mailboxTypeBefore);
    retrieve.SetDisplayValue(c.retrieve);
    type.SetDisplayValue(c.mailboxTypeAfter);
    EXPECT_EQ(retrieve.GetValue(), c.retrieveAfter) << AsUtf8(c.retrieve);
  }
  type.SetDisplayValue(u"IMAP4");
  EXPECT_EQ(ChoicesOf(retrieve), "Headers|Messages|Attachments");
  type.SetDisplayValue(u"POP3");
  EXPECT_EQ(ChoicesOf(retrieve), "Headers|Attachments");
}

TEST_F(DisplayTest, ReferencesOfferTheEntryNamesOfTheirList) {
  CSettingsNode& mailbox = NameEntry(43, u"Home");
  NameEntry(2, u"AP1");
  NameEntry(2, u"AP2");
  NameEntry(73, u"W1");
  NameEntry(86, u"C1");
  NameEntry(43, u"Work");
  CSettingsNode& telnet = *m_root->AddChild(u"", 0, 132);
  BuildDefaultTree(telnet);
  const std::pair<CSettingsNode*, const char*> cases[] = {
      {&Field(Group(2), {3}), "AP1|AP2"},       {&Field(mailbox, {53}), "AP1|AP2"},
      {&Field(Group(73), {74, 85}), "AP1|AP2"}, {&Field(telnet, {134, 137}), "AP1|AP2"},
      {&Field(Group(92), {98}), "AP1|AP2"},     {&Field(Group(92), {102}), "W1"},
      {&Field(Group(86), {88}), "C1"},          {&Field(Group(43), {44}), "Home|Work"},
  };
  for (auto [node, expected] : cases) {
    EXPECT_EQ(ChoicesOf(*node, false), expected) << node->GetType();
    EXPECT_EQ(ChoicesOf(*node, true), expected) << node->GetType();  // names have no display part
  }
}

struct NoEntryCase {
  uint32_t group;
  uint32_t type;
  const char* plain;
  const char* withDisplayText;
};
const NoEntryCase kNoEntryCases[] = {
    {2, 3, "", "NoConnectionsDefined\n<443>"},
    {92, 98, "NoConnectionsDefined", "NoConnectionsDefined\n<443>"},
    {92, 102, "NoConnectionsDefined", "NoConnectionsDefined\n<443>"},
    {86, 88, "", "NoConnectionsDefined\n<443>"},
    {43, 44, "", "\n<484>"},
};

TEST_F(DisplayTest, ReferencesWithoutEntries) {
  UseFakeHost();
  for (const auto& c : kNoEntryCases) {
    CSettingsNode& node = Field(Group(c.group), {c.type});
    EXPECT_EQ(ChoicesOf(node, false), c.plain) << c.type;
    EXPECT_EQ(ChoicesOf(node, true), c.withDisplayText) << c.type;
  }
  CSettingsNode& mailbox = NameEntry(43, u"Home");
  EXPECT_EQ(ChoicesOf(Field(mailbox, {53}), true), "NoConnectionsDefined\n<443>");
}

TEST_F(DisplayTest, ReferenceToADeletedEntryShowsAndHoldsTheLastEntry) {
  NameEntry(2, u"AP1");
  CSettingsNode& ap2 = NameEntry(2, u"AP2");
  CSettingsNode& preferred = Field(Group(2), {3});
  preferred.SetDisplayValue(u"AP2");
  SetDocumentModified(false);

  EXPECT_EQ(Shown(preferred), u"AP2");
  EXPECT_FALSE(IsDocumentModified());  // a valid reference is shown as it is

  ASSERT_NE(ap2.RemoveEntry(), nullptr);
  SetDocumentModified(false);
  std::u16string stored;
  preferred.GetDisplayValue(stored, false);
  EXPECT_EQ(stored, u"AP2");  // no repair for the stored value
  EXPECT_EQ(Shown(preferred), u"AP1");
  EXPECT_EQ(preferred.GetValue(), u"AP1");
  EXPECT_TRUE(IsDocumentModified());
  EXPECT_FALSE(preferred.IsCreated());  // not a field of a new entry
}

TEST_F(DisplayTest, ReferenceWithNoEntryLeftIsCleared) {
  UseFakeHost();
  m_host.texts[443] = u"(no connections)";
  CSettingsNode& ap = NameEntry(2, u"AP1");
  CSettingsNode& preferred = Field(Group(2), {3});
  preferred.SetDisplayValue(u"AP1");
  preferred.SetCreated(true, false);
  std::unique_ptr<CSettingsNode> removed = ap.RemoveEntry();
  EXPECT_EQ(Shown(preferred), u"(no connections)");
  EXPECT_EQ(preferred.GetValue(), u"");
  EXPECT_FALSE(preferred.IsCreated());
}

TEST_F(DisplayTest, RepairedConnectionOfANewEntryIsMarkedCreated) {
  NameEntry(2, u"AP1");
  CSettingsNode& mailbox = NameEntry(43, u"Home");
  mailbox.SetCreated(true, false);
  CSettingsNode& connection = Field(mailbox, {53});
  connection.SetDisplayValue(u"Gone");
  EXPECT_EQ(Shown(connection), u"AP1");
  EXPECT_TRUE(connection.IsCreated());
}

TEST_F(DisplayTest, PreferredMailboxAndCentreUseTheirOwnNoneTexts) {
  UseFakeHost();
  CSettingsNode& mailbox = Field(Group(43), {44});
  CSettingsNode& centre = Field(Group(86), {88});
  mailbox.SetDisplayValue(u"Old");
  centre.SetDisplayValue(u"Old");
  EXPECT_EQ(Shown(mailbox), u"<484>");
  EXPECT_EQ(Shown(centre), u"<485>");
  EXPECT_EQ(mailbox.GetValue(), u"");
  EXPECT_EQ(centre.GetValue(), u"");

  NameEntry(86, u"C1");
  NameEntry(86, u"C2");
  centre.SetDisplayValue(u"Old");
  centre.SetCreated(false, false);
  NameEntry(43, u"Home").SetCreated(true, false);
  mailbox.SetDisplayValue(u"Old");
  EXPECT_EQ(Shown(centre), u"C2");
  EXPECT_EQ(Shown(mailbox), u"Home");
  EXPECT_FALSE(centre.IsCreated());
  EXPECT_FALSE(mailbox.IsCreated());
}

TEST_F(DisplayTest, CountsAndPlaceholderTexts) {
  UseFakeHost();
  m_host.texts[480] = u"%d files";
  m_host.texts[481] = u"no files";
  m_host.texts[584] = u"%d bookmarks";
  m_host.texts[604] = u"no bookmarks, 100%%";
  m_host.texts[547] = u"%d contacts";
  m_host.texts[548] = u"%d entries";
  CSettingsNode& files = Field(Group(109), {113});
  CSettingsNode& bookmarks = Field(Group(92), {98});
  EXPECT_EQ(Shown(files), u"no files");
  EXPECT_EQ(Shown(bookmarks), u"no bookmarks, 100%");
  files.AddChild(u"a.jpg", 0, 114);
  files.AddChild(u"b.jpg", 0, 114);
  bookmarks.AddChild(u"", 0, 99);
  EXPECT_EQ(Shown(files), u"2 files");
  EXPECT_EQ(Shown(bookmarks), u"1 bookmarks");

  CSettingsNode& script = Field(Group(2), {4, 33, 35});
  script.SetDisplayValue(u"SEND ATZ");
  EXPECT_EQ(Shown(script), u"<482>");
  CSettingsNode signature(u"Regards", 12, 65, nullptr);
  EXPECT_EQ(Shown(signature), u"<497>");

  const std::pair<const char16_t*, const char16_t*> records[] = {
      {u"BEGIN:VCARD\r\nEND:VCARD\r\nBEGIN:VCARD\nEND:VCARD", u"2 contacts"},
      {u"xBEGIN:VCARD", u"0 contacts"},
      {u"NOTE:a\rBEGIN:", u"1 contacts"},
      {u"", u"0 contacts"},
  };
  for (auto [value, shown] : records) {
    CSettingsNode contacts(value, 12, 95, nullptr);
    EXPECT_EQ(Shown(contacts), shown) << AsUtf8(value);
  }
  CSettingsNode calendar(u"BEGIN:VEVENT", 12, 97, nullptr);
  EXPECT_EQ(Shown(calendar), u"1 entries");
}

TEST_F(SettingsTest, ChoiceValuesShowTheirDisplayText) {
  UseFakeHost();
  m_host.texts[420] = u"Ja";
  m_host.texts[254] = u"Normal call";
  const std::tuple<uint32_t, const char16_t*, const char16_t*> cases[] = {
      {8, u"Yes", u"Ja"},     {21, u"Normal", u"Normal call"},
      {21, u"Fast", u"Fast"},  // matches no choice: shown as stored
      {7, u"+123", u"+123"},   // no choices at all
      {64, u"No", u"<163>"},
  };
  for (auto [type, value, shown] : cases) {
    CSettingsNode node(value, 13, type, nullptr);
    EXPECT_EQ(Shown(node), shown) << type;
  }
}

TEST_F(DisplayTest, NamingThePlaceholderCreatesAnEntryAndANewPlaceholder) {
  CSettingsNode& iap = Group(2);
  CSettingsNode* placeholder = iap.FindChildOfType(4);
  Field(*placeholder, {37, 39}).SetDisplayValue(u"10.0.0.1");
  SetDocumentModified(false);
  EXPECT_TRUE(Field(*placeholder, {6}).SetDisplayValue(u"Office"));
  EXPECT_TRUE(IsDocumentModified());
  EXPECT_EQ(placeholder->GetType(), 5u);
  ASSERT_EQ(iap.GetChildCount(), 3u);
  EXPECT_EQ(iap.GetChild(1), placeholder);
  CSettingsNode* fresh = iap.GetChild(2);
  EXPECT_EQ(fresh->GetType(), 4u);
  EXPECT_EQ(fresh->GetChildCount(), placeholder->GetChildCount());
  EXPECT_EQ(Field(*fresh, {37, 39}).GetValue(), u"0.0.0.0");  // a fresh default subtree
  EXPECT_EQ(Field(*placeholder, {37, 39}).GetValue(), u"10.0.0.1");
  // References over the whole document were resolved: the empty preferred connection now
  // names the new access point.
  EXPECT_EQ(Field(iap, {3}).GetValue(), u"Office");
}

TEST_F(DisplayTest, NamingAnEntryAgainDoesNotAddAPlaceholder) {
  CSettingsNode& entry = NameEntry(86, u"C1");
  EXPECT_TRUE(Field(entry, {90}).SetDisplayValue(u"C2"));
  EXPECT_EQ(Group(86).GetChildCount(), 3u);  // PreferredCentre, C2, placeholder
}

struct NameCase {
  uint32_t group;
  const char16_t* name;
  bool taken;
};
const NameCase kNameCases[] = {
    {2, u"AP1", false},               // used by the existing entry
    {2, u"ap1", true},                // names are compared exactly
    {2, u"", false},                  // the placeholder's element name
    {2, u"New access point", false},  // its display name
    {2, u"new ACCESS point", false},  // ignoring case
    {43, u"Box", true},
    {73, u"W", true},
    {86, u"C", true},
};

TEST_F(DisplayTest, NameFieldsRefuseThePlaceholderNameAndDuplicates) {
  UseFakeHost();
  m_host.texts[278] = u"New access point";
  NameEntry(2, u"AP1");
  for (const auto& c : kNameCases) {
    const ListGroupInfo* list = FindListGroupByGroup(c.group);
    CSettingsNode& placeholder = *Group(c.group).FindChildOfType(list->placeholderType);
    CSettingsNode& name = Field(placeholder, {list->nameFieldType});
    SetDocumentModified(false);
    EXPECT_EQ(name.SetDisplayValue(c.name), c.taken) << AsUtf8(c.name);
    EXPECT_TRUE(IsDocumentModified());  // set on every call
    if (!c.taken) {
      EXPECT_EQ(placeholder.GetType(), list->placeholderType);
      EXPECT_EQ(name.GetValue(), u"");
    }
  }
}

TEST_F(DisplayTest, AnotherEntryCannotTakeAUsedName) {
  NameEntry(2, u"AP1");
  CSettingsNode& second = NameEntry(2, u"AP2");
  EXPECT_FALSE(Field(second, {6}).SetDisplayValue(u"AP1"));
  EXPECT_EQ(Field(second, {6}).GetValue(), u"AP2");
}

// The names in use are counted once and then followed through every change of the list; each step
// checks that the count still answers as a look at the list would.
TEST_F(DisplayTest, UsedNamesFollowRenamesRemovalsAndCopies) {
  CSettingsNode& a = NameEntry(2, u"A");
  CSettingsNode& b = NameEntry(2, u"B");
  CSettingsNode& name = Field(b, {6});
  EXPECT_FALSE(name.SetDisplayValue(u"A"));

  ASSERT_TRUE(Field(a, {6}).SetDisplayValue(u"A2"));  // renamed: "A" is free, "A2" taken
  EXPECT_FALSE(name.SetDisplayValue(u"A2"));
  ASSERT_TRUE(name.SetDisplayValue(u"A"));
  ASSERT_TRUE(name.SetDisplayValue(u"B"));

  std::unique_ptr<CSettingsNode> removed = a.RemoveEntry();  // removed with its entry
  ASSERT_NE(removed, nullptr);
  ASSERT_TRUE(name.SetDisplayValue(u"A2"));
  ASSERT_TRUE(name.SetDisplayValue(u"B"));

  CSettingsNode& c = NameEntry(2, u"C");
  std::unique_ptr<CSettingsNode> field = c.RemoveChild(&Field(c, {6}));  // the entry lost its name field
  ASSERT_TRUE(name.SetDisplayValue(u"C"));
  c.InsertChild(std::move(field));  // back as the entry's name field: "C" is c's again
  ASSERT_TRUE(name.SetDisplayValue(u"B"));
  EXPECT_FALSE(name.SetDisplayValue(u"C"));

  c.CopyFrom(b);  // both entries are named "B" now; "C" is free
  EXPECT_TRUE(Field(NameEntry(2, u"C"), {6}).SetDisplayValue(u"D"));
  EXPECT_FALSE(Field(c, {6}).SetDisplayValue(u"D"));

  Field(c, {6}).SetType(9);  // no longer a name field of its entry: only b holds "B"
  ASSERT_TRUE(name.SetDisplayValue(u"E"));
  EXPECT_TRUE(Field(NameEntry(2, u"B"), {6}).SetDisplayValue(u"F"));

  Group(2).DeleteAllChildren();  // nothing is left to collide with
  CSettingsNode& entry = *Group(2).AddChild(u"", kKindNone, 5);
  BuildDefaultTree(entry);
  EXPECT_TRUE(Field(entry, {6}).SetDisplayValue(u"E"));
}

TEST_F(DisplayTest, BookmarkListsTakeNoValue) {
  CSettingsNode& list = Field(Group(92), {102});
  EXPECT_FALSE(list.SetDisplayValue(u"x"));
  EXPECT_EQ(list.GetValue(), u"");
  EXPECT_TRUE(IsDocumentModified());
}

TEST_F(DisplayTest, ResolveReferencesRepairsEveryReferenceBelow) {
  NameEntry(2, u"AP1");
  CSettingsNode& mailbox = NameEntry(43, u"Home");
  Field(Group(43), {44}).SetDisplayValue(u"Gone");
  Field(mailbox, {53}).SetDisplayValue(u"Gone");
  Field(Group(2), {3}).SetDisplayValue(u"Gone");
  Field(Group(86), {88}).SetDisplayValue(u"Gone");
  Field(Group(73), {75, 85}).SetDisplayValue(u"Gone");
  ResolveReferences(Group(43));
  EXPECT_EQ(Field(Group(43), {44}).GetValue(), u"Home");
  EXPECT_EQ(Field(mailbox, {53}).GetValue(), u"AP1");
  EXPECT_EQ(Field(Group(2), {3}).GetValue(), u"Gone");  // outside the subtree
  ResolveReferences(*m_root);
  EXPECT_EQ(Field(Group(2), {3}).GetValue(), u"AP1");
  EXPECT_EQ(Field(Group(86), {88}).GetValue(), u"");
  EXPECT_EQ(Field(Group(73), {75, 85}).GetValue(), u"AP1");
}

}  // namespace
}  // namespace orvel
