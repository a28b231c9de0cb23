#include "settings/settings_validate.h"

#include <stdexcept>

#include "settings/settings_schema.h"
#include "settings/tests/settings_test_support.h"

namespace orvel {
namespace {

using test::SettingsTest;

std::u16string Repeat(char16_t c, size_t count) { return std::u16string(count, c); }

// --- value checks

struct TextCase {
  std::u16string text;
  bool valid;
};

void ExpectTable(bool (*check)(std::u16string_view), std::initializer_list<TextCase> cases,
                 const char* name) {
  for (const auto& c : cases) EXPECT_EQ(check(c.text), c.valid) << name << " \"" << AsUtf8(c.text) << "\"";
}

TEST(ValueChecks, Port) {
  ExpectTable(IsValidPort,
              {
                  {u"80", true},
                  {u"0", true},
                  {u"65535", true},
                  {u"65536", false},
                  {u"4294967376", false},  // must not wrap to 80
                  {u"18446744073709551696", false},
                  {u"99999999999999999999999999", false},
                  {u"", true},  // no digits count as 0; empty ports are judged by the node rule
              },
              "IsValidPort");
  EXPECT_TRUE(IsPortInRange(65535));
  EXPECT_FALSE(IsPortInRange(65536));
  EXPECT_FALSE(IsPortInRange(4294967376ull));
}

TEST(ValueChecks, LeadingDecimalValueSaturates) {
  EXPECT_EQ(LeadingDecimalValue(u"123abc"), 123u);
  EXPECT_EQ(LeadingDecimalValue(u"abc"), 0u);
  EXPECT_EQ(LeadingDecimalValue(u"4294967297"), 4294967297ull);
  EXPECT_EQ(LeadingDecimalValue(u"18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(LeadingDecimalValue(u"18446744073709551616"), UINT64_MAX);
  EXPECT_EQ(LeadingDecimalValue(u"184467440737095516170"), UINT64_MAX);
}

TEST(ValueChecks, IpAddress) {
  ExpectTable(IsValidIpAddress,
              {
                  {u"192.168.0.1", true},
                  {u"0.0.0.0", true},
                  {u"255.255.255.255", true},
                  {u"256.0.0.1", false},
                  {u"1.2.3.256", false},
                  {u"1.2.3", false},
                  {u"1.2.3.4.5", false},
                  {u"...", true},                // parts without digits count as 0
                  {u"4294967297.0.0.1", false},  // must not wrap to 1
                  {u"1.2.3.18446744073709551617", false},
                  {u"", false},
              },
              "IsValidIpAddress");
}

TEST(ValueChecks, HostName) {
  ExpectTable(IsValidHostName,
              {
                  {u"mail.example.com", true},
                  {u"localhost", true},
                  {u"my-host.a1", true},
                  {u"", false},
                  {u".example.com", false},
                  {u"example.", false},
                  {u"mail_host.com", false},
                  {u"ftp://host", false},
                  {u"host name", false},
                  {u"h\u00e9te.com", false},
              },
              "IsValidHostName");
}

TEST(ValueChecks, EmailAddress) {
  ExpectTable(IsValidEmailAddress,
              {
                  {u"first.last_1-x@mail.example.com", true},
                  {u"a@b", true},
                  {u"", false},
                  {u"nobody", false},
                  {u"a b@c.com", false},
                  {u"a@.com", false},
                  {u"a@b@c", false},  // "@" is not a host-name character
                  {u"a+b@c.com", false},
              },
              "IsValidEmailAddress");
}

TEST(ValueChecks, Url) {
  ExpectTable(IsValidUrl,
              {
                  {u"http://www.example.com/index.html?a=1&b=2", true},
                  {u"https://secure.example.com/", true},
                  {u"  wap.example.com", true},
                  {u"example", true},
                  {u"https://host/a b", false},
                  {u"http://host/<x>", false},
                  {u"http://host/\"q\"", false},
                  {u"ftp://host", false},
                  {u"HTTP://host", false},  // the scheme is matched as written
                  {u"http://", false},
                  {u"http://host:8080/", false},
                  {u"", false},
              },
              "IsValidUrl");
}

TEST(ValueChecks, FileNameAndDigits) {
  ExpectTable(IsValidFileName,
              {
                  {u"C:\\Tones\\ring.wav", true},
                  {u"", true},
                  {u"a\"b", false},
                  {u"a*b", false},
                  {u"a/b", false},
                  {u"a<b", false},
                  {u"a>b", false},
                  {u"a?b", false},
                  {u"a|b", false},
              },
              "IsValidFileName");
  ExpectTable(IsDigits, {{u"0123456789", true}, {u"", true}, {u"12a", false}, {u"-1", false}, {u" 1", false}},
              "IsDigits");
}

struct CharsetCase {
  uint32_t type;
  std::u16string text;
  bool valid;
};

TEST(ValueChecks, PhoneCharsets) {
  const CharsetCase cases[] = {
      {7, u"+358 (9) 123-45/6.pPwW*#", true},
      {7, u"12a", false},
      {29, u"w123", true},
      {91, u"+358401234567", true},
      {91, u"040 123", false},
      {91, u"p1", false},
      {93, u"+1*#", true},
      {93, u"1+", false},
      {93, u"++1", false},
      {93, u"1-2", false},
      {125, u"(09)", true},
      {125, u"", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsInCharset(c.text, c.type), c.valid) << c.type << " " << AsUtf8(c.text);
  EXPECT_EQ(GetPhoneCharset(7), u"0123456789pPwW+*#-()/ .");
  EXPECT_EQ(GetPhoneCharset(29), GetPhoneCharset(7));
  EXPECT_EQ(GetPhoneCharset(91), u"0123456789+");
  EXPECT_EQ(GetPhoneCharset(93), u"0123456789+*#");
  EXPECT_EQ(GetPhoneCharset(125), GetPhoneCharset(7));
}

TEST(ValueChecks, MaxValueLengths) {
  const std::pair<uint32_t, size_t> cases[] = {
      {14, 10},   {18, 10},  {60, 10},    {10, 20},   {108, 20},   {91, 21},  {44, 25},   {48, 25},
      {49, 25},   {51, 25},  {88, 25},    {90, 25},   {93, 30},    {7, 32},   {29, 32},   {3, 50},
      {6, 50},    {9, 50},   {25, 50},    {53, 50},   {76, 50},    {85, 50},  {104, 50},  {106, 50},
      {107, 50},  {50, 100}, {52, 100},   {56, 100},  {57, 100},   {72, 100}, {105, 255}, {100, 256},
      {101, 264}, {65, 500}, {35, 10000}, {13, 1024}, {125, 1024}, {0, 1024},
  };
  for (const auto& [type, maximum] : cases) {
    CSettingsNode node(u"", 0, type, nullptr);
    EXPECT_EQ(GetMaxValueLength(node), maximum) << type;
  }
}

// --- the rule of each value kind, on one node

struct NodeCase {
  uint32_t type;
  std::u16string value;
  bool flagged;
  bool strictValid;
  bool tolerantValid;
};

// A default document with one access point "AP" as the current root, so that connection
// references have a choice.
class ValidateTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    NewDocument();
    m_ap = &NameEntry(2, u"AP");
    SetDocumentModified(false);
  }
  static void Set(CSettingsNode& node, const std::u16string& value, bool updated = false) {
    EXPECT_TRUE(node.SetDisplayValue(value)) << node.GetType();
    node.StoreFlags(node.IsCreated(), updated);
  }
  // Strict validation over flagged nodes, as before a send.
  static CSettingsNode* StrictFailure(CSettingsNode& node) {
    CSettingsNode* failing = &node;
    const bool valid = ValidateSettings(node, failing, true, false);
    EXPECT_EQ(valid, failing == nullptr);
    return failing;
  }
  CSettingsNode* m_ap = nullptr;
};

bool ValidateOne(uint32_t type, const std::u16string& value, bool flagged, bool tolerant) {
  CSettingsNode node(value, GetNodeTypeInfo(type)->kind, type, nullptr);
  node.StoreFlags(false, flagged);
  CSettingsNode* failing = nullptr;
  const bool valid = ValidateSettings(node, failing, false, tolerant);
  EXPECT_EQ(failing, valid ? nullptr : &node);
  return valid;
}

TEST_F(ValidateTest, EachValueKind) {
  const NodeCase cases[] = {
      // 0: file entries take file names, other groups anything
      {112, u"Tones\\ring.wav", false, true, true},
      {116, u"a?.sis", false, false, false},
      {119, u"C:\\x.txt", false, true, true},
      {120, u"C:\\Docs\\x|y", false, false, false},
      {5, u"a?b", false, true, true},
      // 1: IP address
      {39, u"10.0.0.1", false, true, true},
      {39, u"", false, true, true},
      {39, u"10.0.0.256", false, false, false},
      {39, u"10.0.0", false, false, false},
      {39, u"4294967306.0.0.1", false, false, false},
      {84, u"", false, false, true},
      {84, u"1.2.3.4", false, true, true},
      // 2: host
      {56, u"", false, false, true},
      {57, u"", false, false, true},
      {56, u"mail.example.com", false, true, true},
      {56, Repeat(u'a', 100), false, true, true},
      {57, Repeat(u'a', 101), false, false, false},
      {13, u"", false, true, true},
      {13, u".proxy", false, false, false},
      {13, Repeat(u'a', 300), false, true, true},
      // 3: e-mail
      {52, u"", false, false, true},
      {52, u"me@example.com", false, true, true},
      {52, Repeat(u'a', 88) + u"@example.com", false, true, true},  // 100
      {52, Repeat(u'a', 89) + u"@example.com", false, false, false},
      {52, u"me at example.com", false, false, false},
      // 4: port
      {14, u"8080", false, true, true},
      {14, u"65535", true, true, true},
      {14, u"65536", false, false, false},
      {14, u"4294967376", true, false, false},  // not port 80
      {14, u"", false, true, true},
      {14, u"", true, false, false},
      // 5: number
      {60, u"1", false, true, true},
      {60, u"1000", false, true, true},
      {60, u"0", false, false, false},
      {60, u"1001", false, false, false},
      {60, u"4294967297", false, false, false},  // not a size of 1
      {60, u"18446744073709551617", false, false, false},
      {60, u"", false, true, true},
      {60, u"10k", false, false, false},
      // 6: phone
      {7, u"", false, false, true},
      {7, u"+358 9 123", false, true, true},
      {7, Repeat(u'1', 32), false, true, true},
      {7, Repeat(u'1', 33), false, false, false},
      {7, u"12a", false, false, false},
      {91, u"", false, false, true},
      {91, u"+3584", false, true, true},
      {91, Repeat(u'1', 22), false, false, false},
      {93, u"1+", false, true, true},  // not flagged: not sent
      {93, u"+1", true, true, true},
      {93, u"1+", true, false, false},
      {93, u"1", true, false, false},
      {93, Repeat(u'1', 31), true, false, false},
      {29, u"", false, true, true},
      {29, u"12x", false, false, true},  // applies only with a callback number
      // 7, 8, 9, 10, 11, 18, 23: texts, passwords, names
      {49, u"Jo", false, true, true},
      {49, u"<Jo>", false, false, false},
      {49, Repeat(u'a', 26), false, false, false},
      {50, u"", false, false, true},
      {50, u"me", false, true, true},
      {9, Repeat(u'a', 50), false, true, true},
      {9, Repeat(u'a', 51), false, false, false},
      {51, Repeat(u'a', 25), false, true, true},
      {51, Repeat(u'a', 26), false, false, false},
      {108, Repeat(u'a', 21), false, false, false},
      {6, u"", false, false, false},
      {76, u"", false, false, false},
      {124, u"", false, true, true},
      {48, u"", false, false, false},
      {90, u"", false, false, false},
      {90, u"Centre", false, true, true},
      {100, u"", false, false, false},
      {104, Repeat(u'a', 51), false, false, false},
      {106, u"", false, false, false},
      {106, u"Wap", false, true, true},
      {72, Repeat(u'a', 101), false, false, true},  // applies only to IMAP4
      {15, Repeat(u'a', 1024), false, true, true},
      {15, Repeat(u'a', 1025), false, false, false},
      {25, Repeat(u'a', 51), false, false, false},
      // 12: long text
      {35, Repeat(u'a', 10000), false, true, true},
      {35, Repeat(u'a', 10001), false, false, false},
      {65, Repeat(u'a', 501), false, false, true},  // applies only to a custom signature
      // 13: choices
      {21, u"HighSpeed", false, true, true},
      {21, u"highspeed", false, false, false},
      {8, u"", false, false, false},
      {3, u"", false, true, true},
      {3, u"", true, false, false},
      {3, Repeat(u'a', 51), false, false, false},
      {44, Repeat(u'a', 26), false, false, true},  // no mailboxes: does not apply
      {88, u"", true, false, true},                // no centres: does not apply
      {53, u"", false, false, false},
      {53, u"AP", false, true, true},
      {85, u"AP", false, true, true},
      {85, u"None", false, false, true},  // names no access point: never sent as it stands
      {85, u"Gone", true, false, true},
      {85, Repeat(u'a', 51), false, false, false},
      // 21, 22: URLs
      {101, u"", false, false, false},
      {101, u"www.example.com", false, true, true},
      {101, Repeat(u'a', 264), false, true, true},
      {101, Repeat(u'a', 265), false, false, false},
      {105, u"", false, false, false},
      {105, Repeat(u'a', 255), false, true, true},
      {105, Repeat(u'a', 256), false, false, false},
      {105, u"http://wap.example.com/a b", false, false, false},
      // 24: hidden
      {142, u"<anything>", false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " \"" << AsUtf8(c.value) << "\" flagged "
                                    << c.flagged);
    EXPECT_EQ(ValidateOne(c.type, c.value, c.flagged, false), c.strictValid);
    EXPECT_EQ(ValidateOne(c.type, c.value, c.flagged, true), c.tolerantValid);
  }
}

// --- names

TEST_F(ValidateTest, DuplicateConnectionNamesCollideCaseSensitively) {
  // SetDisplayValue refuses a name the document's list uses; a list outside the document (as a
  // file may carry it) can hold two equal names.
  CSettingsNode list(u"", 0, 2, nullptr);
  auto addEntry = [&](const char16_t* name) -> CSettingsNode& {
    CSettingsNode& entry = *list.AddChild(u"", 0, 5);
    BuildDefaultTree(entry);
    Set(Field(entry, {6}), name);
    Set(Field(entry, {7}), u"123");
    return entry;
  };
  CSettingsNode& first = addEntry(u"Same");
  CSettingsNode& second = addEntry(u"Same");
  CSettingsNode& other = addEntry(u"same");
  EXPECT_TRUE(HasDuplicateName(Field(first, {6})));
  EXPECT_TRUE(HasDuplicateName(Field(second, {6})));
  EXPECT_FALSE(HasDuplicateName(Field(other, {6})));  // names differing in case do not collide
  EXPECT_FALSE(HasDuplicateName(Field(first, {7})));  // not a name field

  CSettingsNode* failing = nullptr;
  EXPECT_FALSE(ValidateSettings(list, failing, false, false));
  EXPECT_EQ(failing, &Field(first, {6}));  // strict stops at the first of the two
  EXPECT_FALSE(ValidateSettings(list, failing, false, true));
  EXPECT_EQ(failing, &Field(second, {6}));  // tolerant goes on to the last
}

// Bookmarks of the document's WAP list with the given names, each created unless its name is in
// `unflagged`; every other value valid.
std::vector<CSettingsNode*> AddBookmarks(CSettingsNode& root, std::initializer_list<const char16_t*> names,
                                         std::initializer_list<size_t> unflagged = {}) {
  CSettingsNode& list = *root.FindChildOfType(92)->FindChildOfType(102);
  std::vector<CSettingsNode*> bookmarks;
  for (const char16_t* name : names) {
    CSettingsNode& bookmark = *list.AddChild(u"", 0, 103);
    BuildDefaultTree(bookmark);
    bookmark.FindChildOfType(104)->SetDisplayValue(name);
    bookmark.FindChildOfType(105)->SetDisplayValue(u"wap.example");
    bookmark.FindChildOfType(106)->SetDisplayValue(u"Gate");
    const bool flagged = std::find(unflagged.begin(), unflagged.end(), bookmarks.size()) == unflagged.end();
    bookmark.SetCreated(flagged, false);
    bookmarks.push_back(&bookmark);
  }
  list.StoreFlags(true, false);
  return bookmarks;
}

// The walk counts each list's names once; it must answer as a pass over the list for every name
// would, in walk order, whichever entries it visits and whatever it repairs on the way.
TEST_F(ValidateTest, DuplicateNamesInTheWalk) {
  Set(Field(*m_ap, {7}), u"0401234567");
  auto b = AddBookmarks(*m_root, {u"X", u"Y", u"X"});
  EXPECT_EQ(StrictFailure(*m_root), &Field(*b[0], {104}));  // the first of the two, not the second

  NewDocument();
  b = AddBookmarks(*m_root, {u"X", u"Y", u"X"}, {2});  // the second X is not sent, but still taken
  EXPECT_EQ(StrictFailure(*m_root), &Field(*b[0], {104}));

  NewDocument();
  b = AddBookmarks(*m_root, {u"X", u"Y", u"X"});
  Field(*b[1], {105}).SetDisplayValue(u"bad host");  // invalid, but after the first X
  EXPECT_EQ(StrictFailure(*m_root), &Field(*b[0], {104}));
  Field(*b[0], {104}).SetDisplayValue(u"Z");
  EXPECT_EQ(StrictFailure(*m_root), &Field(*b[1], {105}));
  Field(*b[1], {105}).SetDisplayValue(u"wap.example");
  EXPECT_EQ(StrictFailure(*m_root), nullptr);

  // Tolerant: the first X is reset, so the second collides only with the third, and the third,
  // the last one left, keeps its name.
  NewDocument();
  b = AddBookmarks(*m_root, {u"X", u"X", u"X"});
  CSettingsNode* failing = nullptr;
  EXPECT_FALSE(ValidateSettings(*m_root, failing, false, true));
  EXPECT_EQ(failing, &Field(*b[1], {104}));
  EXPECT_EQ(Field(*b[0], {104}).GetValue(), u"");
  EXPECT_EQ(Field(*b[1], {104}).GetValue(), u"");
  EXPECT_EQ(Field(*b[2], {104}).GetValue(), u"X");
}

TEST_F(ValidateTest, FindMailboxFolderPath) {
  CSettingsNode& imap = NameEntry(43, u"Imap");
  NameEntry(43, u"Pop");
  Set(Field(imap, {61, 72}), u"INBOX/Work");
  EXPECT_EQ(FindMailboxFolderPath(*m_root, u"Imap"), u"INBOX/Work");
  EXPECT_EQ(FindMailboxFolderPath(*m_root, u"imap"), u"");
  EXPECT_EQ(FindMailboxFolderPath(*m_root, u"Pop"), u"");
  EXPECT_EQ(FindMailboxFolderPath(*m_root, u"Nobody"), u"");
  imap.FindChildOfType(61)->DeleteAllChildren();
  EXPECT_EQ(FindMailboxFolderPath(*m_root, u"Imap"), u"");
  CSettingsNode empty(u"", 0, 0, nullptr);
  EXPECT_EQ(FindMailboxFolderPath(empty, u"Imap"), u"");
}

// --- the walk

TEST_F(ValidateTest, DefaultDocumentPassesBothModes) {
  Set(Field(*m_ap, {7}), u"0401234567");
  CSettingsNode* failing = nullptr;
  EXPECT_TRUE(ValidateSettings(*m_root, failing, true, false));
  EXPECT_TRUE(ValidateSettings(*m_root, failing, false, true));
  EXPECT_EQ(failing, nullptr);
}

TEST_F(ValidateTest, OnlyFlaggedSkipsSubtreesWithoutFlags) {
  CSettingsNode& mailbox = NameEntry(43, u"Box");
  Set(Field(mailbox, {58, 60}), u"0");  // invalid, but nothing in EMailSettings is flagged
  EXPECT_EQ(StrictFailure(*m_root), nullptr);
  CSettingsNode* failing = nullptr;
  EXPECT_FALSE(ValidateSettings(*m_root, failing, false, false));
}

TEST_F(ValidateTest, OnlyFlaggedReachesAFlaggedNodeUnderUnflaggedGroups) {
  Set(Field(*m_ap, {7}), u"0401234567");
  CSettingsNode& port = Field(*m_ap, {11, 14});
  Set(port, u"4294967376", true);  // IAPSettings, the entry and Proxies carry no flag
  EXPECT_EQ(StrictFailure(*m_root), &port);
  Set(port, u"80", true);
  EXPECT_EQ(StrictFailure(*m_root), nullptr);
}

TEST_F(ValidateTest, StrictStopsAtTheFirstInvalidNodeInWalkOrder) {
  Set(Field(*m_ap, {7}), u"", true);
  Set(Field(*m_ap, {11, 14}), u"70000", true);
  m_ap->StoreFlags(true, false);
  EXPECT_EQ(StrictFailure(*m_root), &Field(*m_ap, {7}));
}

TEST_F(ValidateTest, DataCallFieldsAreSentTogether) {
  Set(Field(*m_ap, {7}), u"0401234567");
  CSettingsNode& type = Field(*m_ap, {20, 21});
  CSettingsNode& modem = Field(*m_ap, {20, 22});
  CSettingsNode& speed = Field(*m_ap, {20, 23});
  type.StoreFlags(false, true);
  EXPECT_EQ(StrictFailure(*m_root), &type);
  modem.StoreFlags(false, true);
  EXPECT_EQ(StrictFailure(*m_root), &type);
  speed.StoreFlags(true, false);
  EXPECT_EQ(StrictFailure(*m_root), nullptr);
  m_ap->FindChildOfType(20)->RemoveChild(&speed);
  EXPECT_EQ(StrictFailure(*m_root), &type);  // two of three are not all three
}

TEST_F(ValidateTest, TolerantRepairKeepsAValidValueThatFailsOnlyTheDataCallRule) {
  Set(Field(*m_ap, {7}), u"0401234567");
  CSettingsNode& type = Field(*m_ap, {20, 21});
  CSettingsNode& speed = Field(*m_ap, {20, 23});
  Set(type, u"HighSpeed", true);
  Set(speed, u"19200");
  CSettingsNode* failing = nullptr;
  EXPECT_FALSE(ValidateSettings(*m_root, failing, false, true));
  EXPECT_EQ(failing, &type);
  EXPECT_EQ(type.GetValue(), u"HighSpeed");
  EXPECT_EQ(speed.GetValue(), u"19200");
  EXPECT_FALSE(type.IsUpdated());
  EXPECT_TRUE(ValidateSettings(*m_root, failing, false, true));  // repaired for good
}

TEST_F(ValidateTest, TolerantRepairResetsABadChoiceAndClearsItsFlags) {
  Set(Field(*m_ap, {7}), u"0401234567");
  CSettingsNode& useProxy = Field(*m_ap, {11, 12});
  CSettingsNode& port = Field(*m_ap, {11, 14});
  Set(useProxy, u"Maybe", true);
  useProxy.StoreFlags(true, true);
  Set(port, u"99999", true);
  CSettingsNode& proxy = Field(*m_ap, {11, 13});
  Set(proxy, u"proxy.example.com", true);
  SetDocumentModified(false);
  CSettingsNode* failing = nullptr;
  EXPECT_FALSE(ValidateSettings(*m_root, failing, false, true));
  EXPECT_EQ(failing, &port);  // the last invalid node
  EXPECT_EQ(useProxy.GetValue(), u"Yes");
  EXPECT_FALSE(useProxy.IsCreated());
  EXPECT_FALSE(useProxy.IsUpdated());
  EXPECT_EQ(port.GetValue(), u"");
  EXPECT_EQ(proxy.GetValue(), u"proxy.example.com");
  EXPECT_TRUE(proxy.IsUpdated());
  EXPECT_TRUE(IsDocumentModified());
}

TEST_F(ValidateTest, TolerantLeavesDisabledNodesAndStrictStillFailsThem) {
  Set(Field(*m_ap, {7}), u"0401234567");
  CSettingsNode& password = Field(*m_ap, {10});  // disabled while PromptPassword is "Yes"
  Set(password, Repeat(u'x', 21));
  password.StoreFlags(true, false);
  CSettingsNode* failing = nullptr;
  EXPECT_TRUE(ValidateSettings(*m_root, failing, false, true));
  EXPECT_EQ(password.GetValue(), Repeat(u'x', 21));
  EXPECT_FALSE(password.IsCreated());  // asking IsDisabled cleared it
  password.StoreFlags(false, true);
  EXPECT_EQ(StrictFailure(*m_root), &password);
}

TEST_F(ValidateTest, TolerantRepairKeepsTheFlagsOfANewEntrysIdentifyingField) {
  CSettingsNode& wap = NameEntry(73, u"Wap");
  wap.StoreFlags(true, false);
  CSettingsNode& address = Field(wap, {84});
  Set(address, u"1.2.3.999");
  address.StoreFlags(true, false);
  CSettingsNode* failing = nullptr;
  EXPECT_FALSE(ValidateSettings(wap, failing, false, true));
  EXPECT_EQ(failing, &address);
  EXPECT_EQ(address.GetValue(), u"");
  EXPECT_TRUE(address.IsCreated());
}

TEST_F(ValidateTest, WapConnectionWithTheDefaultNoneConnectionIsNotSent) {
  Set(Field(*m_ap, {7}), u"0401234567");
  // As the reader builds an entry: a default subtree, then the values of the text.
  CSettingsNode& wap = *Group(73).AddChild(u"", 0, 74);
  BuildDefaultTree(wap);
  Set(Field(wap, {76}), u"Wap");
  wap.StoreFlags(true, false);
  CSettingsNode& connection = Field(wap, {85});
  ASSERT_EQ(connection.GetValue(), u"None");
  EXPECT_EQ(StrictFailure(*m_root), &connection);
  Set(connection, u"AP");
  EXPECT_EQ(StrictFailure(*m_root), nullptr);
}

TEST_F(ValidateTest, PlaceholdersAreNotValidated) {
  CSettingsNode& placeholder = *Group(2).FindChildOfType(4);
  Set(Field(placeholder, {11, 14}), u"70000", true);
  placeholder.StoreFlags(false, true);
  CSettingsNode* failing = nullptr;
  EXPECT_TRUE(ValidateSettings(placeholder, failing, false, false));
  EXPECT_EQ(Field(placeholder, {11, 14}).GetValue(), u"70000");
}

}  // namespace
}  // namespace orvel
