#include <sstream>

#include "settings/tests/settings_test_support.h"

namespace orvel {
namespace {

using test::NameOf;
using test::SettingsTest;

// The default document, one node a line: indent (one blank a level below ROOT), type, element
// name ("-" for the empty name of a placeholder), kind, and the default value after "=" when it
// is not empty.
constexpr char kDefaultDocument[] = R"(0 ROOT 0
 2 IAPSettings 0
  3 PreferredConnection 13
  4 - 0
   6 ConnectionName 9
   7 PhoneNumber 6
   8 PromptPassword 13 =Yes
   9 Username 7
   10 Password 8
   11 Proxies 0
    12 HTTPUseProxy 13 =No
    13 HTTPProxyServer 2
    14 HTTPPortNumber 4 =0
    15 HTTPNoProxyFor 11
   20 DataCall 0
    21 ConnectionType 13 =Normal
    22 RemoteModemType 13 =Analog
    23 MaxConnectionSpeed 13 =9600
    25 ModemInitString 18
   26 Callback 0
    27 UseCallback 13 =No
    28 CallbackType 13 =Number
    29 CallbackNumber 6
   30 Other 0
    31 AllowPlaintextPPPLogin 13 =Yes
    32 UsePPPCompression 13 =Yes
   33 ScriptOptions 0
    34 UseLoginScript 13 =No
    35 Script 12
    36 DisplayTerminalWindow 13 =No
   37 AddressOptions 0
    38 RetrieveIP 13 =Yes
    39 IPAddress 1 =0.0.0.0
    40 RetrieveDNSAddress 13 =Yes
    41 PrimaryDNS 1 =0.0.0.0
    42 SecondaryDNS 1 =0.0.0.0
 43 EMailSettings 0
  44 PreferredMailbox 13
  45 - 0
   48 MailboxName 10
   49 Name 7
   50 Username 7
   51 Password 8
   52 EMailAddress 3
   53 UseConnection 13
   54 Servers 0
    55 MailboxType 13 =POP3
    57 OutServer 2
    56 InServer 2
   58 RetrieveMail 0
    59 Retrieve 13 =Headers
    60 MessageMaxSize 5 =10
   61 Advanced 0
    62 DefaultMailType 13 =HTML
    63 DefaultSendingOption 13 =Connection
    64 IncludeSignature 13 =No
    65 Signature 12
    66 RequestReadReport 13 =No
    67 AllowReportRequests 13 =Yes
    69 CopyToMyMailAddress 13 =No
    70 UseAPOP 13 =No
    71 UseSSL 13 =No
    72 IMAP4FolderPath 11
 73 WAPSettings 0
  75 - 0
   76 ConnectionName 9
   78 UseSecureConnection 13 =No
   85 UseConnection 13 =None
   84 ServiceAddress 1 =0.0.0.0
 86 SMSSettings 0
  88 PreferredCentre 13
  87 - 0
   90 CentreName 11
   91 PhoneNumber 6
 92 PersonalData 0
  93 DefaultVoiceMailbox 6
  98 WWWBookmarks 19
  102 WAPBookmarks 20
 109 FileTransfer 0
  111 RingingTones 15
  113 BackgroundImages 15
  115 SISFiles 15
  117 Files 15
 142 BIOMessages 24
)";

void Outline(const CSettingsNode& node, int depth, std::ostringstream& out) {
  const std::u16string name = NameOf(node);
  out << std::string(depth, ' ') << node.GetType() << ' ' << (name.empty() ? "-" : AsUtf8(name)) << ' '
      << node.GetKind();
  if (!node.GetValue().empty()) out << " =" << AsUtf8(node.GetValue());
  out << '\n';
  for (size_t i = 0; i < node.GetChildCount(); ++i) Outline(*node.GetChild(i), depth + 1, out);
}

std::string OutlineOf(const CSettingsNode& node) {
  std::ostringstream out;
  Outline(node, 0, out);
  return out.str();
}

TEST_F(SettingsTest, NewDocumentHasTheDefaultTree) {
  CSettingsNode& root = NewDocument();
  EXPECT_EQ(OutlineOf(root), kDefaultDocument);
}

TEST_F(SettingsTest, NewDocumentNodesCarryNoFlagsAndKnowTheirParent) {
  CSettingsNode& root = NewDocument();
  std::function<void(const CSettingsNode&)> check = [&](const CSettingsNode& node) {
    EXPECT_FALSE(node.IsCreated() || node.IsUpdated()) << node.GetType();
    EXPECT_TRUE(node.IsEnabled());
    for (size_t i = 0; i < node.GetChildCount(); ++i) {
      EXPECT_EQ(node.GetChild(i)->GetParent(), &node);
      check(*node.GetChild(i));
    }
  };
  check(root);
}

// Subtrees the root does not build, each given to a fresh node of its type.
struct SubtreeCase {
  uint32_t type;
  const char* outline;
};
const SubtreeCase kSubtreeCases[] = {
    {99, "99 WWWBookmark 0\n 100 Name 7\n 101 URL 21\n"},
    {103,
     "103 WAPBookmark 0\n 104 Name 7\n 105 URL 22\n 106 UseConnection 23\n 107 Username 7\n"
     " 108 Password 8\n"},
    {98, "98 WWWBookmarks 0\n 99 WWWBookmark 0\n"},  // the entry gets no fields of its own
    {102, "102 WAPBookmarks 0\n 103 WAPBookmark 0\n"},
    {118, "118 File 0\n 119 Local 0\n 120 Remote 0\n"},
    {121,
     "121 TerminalConnectionSettings 0\n 123 - 0\n  124 ConnectionName 9\n  125 PhoneNumber 6\n"
     "  126 AdvancedSettings 0\n   127 BackspaceKeySends 13 =Backspace\n"
     "   128 EnterKeySends 13 =CR\n   129 LocalEcho 13 =Off\n   130 StartInCharMode 13 =No\n"
     "   131 ModemInitialization 18\n"},
    {132,
     "132 TelnetConnectionSettings 0\n 134 - 0\n  135 ConnectionName 9\n  136 Hostname 2\n"
     "  137 AccessPoint 13\n  138 AdvancedSettings 0\n   139 BackspaceKeySends 13 =Backspace\n"
     "   140 EnterKeySends 13 =CR\n   141 LocalEcho 13 =Off\n"},
    {89, "89 SMSCentre 0\n 90 CentreName 11\n 91 PhoneNumber 6\n"},
    {74,
     "74 WAPConnection 0\n 76 ConnectionName 9\n 78 UseSecureConnection 13 =No\n"
     " 85 UseConnection 13 =None\n 84 ServiceAddress 1 =0.0.0.0\n"},
    {111, "111 RingingTones 0\n"},
    {94, "94 ContactsAndCalendar 0\n"},
    {139, "139 BackspaceKeySends 0\n"},
    {142, "142 BIOMessages 0\n"},
};

TEST_F(SettingsTest, EachTypeBuildsItsOwnSubtree) {
  for (const auto& c : kSubtreeCases) {
    CSettingsNode node(u"", 0, c.type, nullptr);
    BuildDefaultTree(node);
    EXPECT_EQ(OutlineOf(node), c.outline) << c.type;
  }
}

TEST_F(SettingsTest, EntriesCarryTheSameFieldsAsTheirPlaceholder) {
  const std::pair<uint32_t, uint32_t> pairs[] = {{4, 5},   {45, 46},   {75, 74},
                                                 {87, 89}, {123, 122}, {134, 133}};
  for (auto [placeholderType, entryType] : pairs) {
    CSettingsNode placeholder(u"", 0, placeholderType, nullptr);
    CSettingsNode entry(u"", 0, entryType, nullptr);
    BuildDefaultTree(placeholder);
    BuildDefaultTree(entry);
    std::string p = OutlineOf(placeholder), e = OutlineOf(entry);
    EXPECT_EQ(p.substr(p.find('\n')), e.substr(e.find('\n'))) << entryType;
  }
}

TEST_F(SettingsTest, BuildingTwiceAddsASecondSet) {
  CSettingsNode node(u"", 0, 58, nullptr);
  BuildDefaultTree(node);
  BuildDefaultTree(node);
  EXPECT_EQ(OutlineOf(node),
            "58 RetrieveMail 0\n 59 Retrieve 13 =Headers\n 60 MessageMaxSize 5 =10\n"
            " 59 Retrieve 13 =Headers\n 60 MessageMaxSize 5 =10\n");
}

}  // namespace
}  // namespace orvel
