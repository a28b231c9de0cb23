#include "settings/settings_schema.h"

#include <set>

#include "settings/tests/settings_test_support.h"

namespace orvel {
namespace {

using test::NameOf;
using test::SettingsTest;

TEST(ElementNameTable, HoldsTheGivenPairsInAscendingOrder) {
  const ElementName* table = GetElementNameTable();
  std::multiset<uint32_t> ids;
  size_t empty = 0;
  for (size_t i = 0; i < kElementNameCount; ++i) {
    ids.insert(table[i].id);
    if (i > 0) {
      EXPECT_LE(table[i - 1].id, table[i].id);
    }
    if (std::u16string_view(table[i].text).empty()) ++empty;
  }
  EXPECT_EQ(ids.count(462), 2u);
  EXPECT_EQ(std::set<uint32_t>(ids.begin(), ids.end()).size(), kElementNameCount - 1);
  EXPECT_EQ(empty, 7u);
  for (uint32_t id : {205u, 221u, 278u, 328u, 355u, 372u, 417u}) EXPECT_EQ(ids.count(id), 1u) << id;
}

struct NameCase {
  uint32_t id;
  const char16_t* text;
};
const NameCase kNameCases[] = {
    {279, u"IAPSettings"},
    {462, u"BIOMessages"},
    {172, u"ConfirmPassword"},
    {176, u"NoConnectionsDefined"},
    {443, u"NoConnectionsDefined"},
    {250, u"ISDNV.110"},
    {290, u"0.0.0.0"},
    {182, u"10"},
    {551, u"OperatorLogo"},
    {463, u"Extra"},
    {384, u"FaxMailbox"},
    {391, u"MainConnectionSettings"},
    {291, u"OK"},
    {204, u"MailInfoText"},
    {237, u"ConfirmPassword"},
    {163, u"No"},
    {288, u"No"},
    {612, u"URL"},
    {221, u""},
    {484, u""},  // not in the table
    {0, u""},
    {999, u""},
};

TEST(ElementNameTable, FindsNamesById) {
  for (const auto& c : kNameCases) EXPECT_EQ(FindElementName(c.id), c.text) << c.id;
}

struct IdCase {
  const char16_t* name;
  uint32_t id;
};
const IdCase kIdCases[] = {
    {u"No", 163},  // two ids carry "No": the lower one answers
    {u"ConnectionName", 238},
    {u"NoConnectionsDefined", 176},
    {u"Backspace", 342},
    {u"BIOMessages", 462},
    {u"ROOT", 0},
    {u"", 0},
    {u"iapsettings", 0},  // case matters
};

TEST(ElementNameTable, FindsTheLowestIdOfAName) {
  for (const auto& c : kIdCases) EXPECT_EQ(FindNameId(c.name), c.id) << AsUtf8(c.name);
}

TEST(NodeTypeTable, EveryNamedTypeFindsItsNameInTheTable) {
  for (uint32_t type = 2; type < kUnknownElementType; ++type) {
    const NodeTypeInfo* info = GetNodeTypeInfo(type);
    ASSERT_NE(info, nullptr);
    if (type == 47 || type == 110) {
      EXPECT_EQ(info->nameId, 0u);
      continue;
    }
    bool found = false;
    for (size_t i = 0; i < kElementNameCount; ++i) found |= GetElementNameTable()[i].id == info->nameId;
    EXPECT_TRUE(found) << type;
  }
  EXPECT_EQ(GetNodeTypeInfo(144), nullptr);
}

struct NodeNameCase {
  uint32_t type;
  const char16_t* name;
};
const NodeNameCase kNodeNameCases[] = {
    {0, u"ROOT"},
    {1, u""},
    {2, u"IAPSettings"},
    {4, u""},
    {5, u"IAPConnection"},
    {23, u"MaxConnectionSpeed"},
    {47, u""},
    {67, u"AllowReportRequests"},
    {68, u"AllowReportRequests"},
    {110, u""},
    {131, u"ModemInitialization"},
    {142, u"BIOMessages"},
    {144, u""},
    {500, u""},
};

TEST_F(SettingsTest, GetNodeNameGivesTheElementNameOfEachType) {
  for (const auto& c : kNodeNameCases) {
    CSettingsNode node(u"", 0, c.type, nullptr);
    EXPECT_EQ(NameOf(node), c.name) << c.type;
  }
}

TEST_F(SettingsTest, GetNodeNameLocalizedAsksTheHostAndNamesEntriesByTheirName) {
  UseFakeHost();
  m_host.texts[279] = u"Access points";
  CSettingsNode group(u"", 0, 2, nullptr);
  EXPECT_EQ(NameOf(group, true), u"Access points");
  EXPECT_EQ(NameOf(group, false), u"IAPSettings");

  CSettingsNode placeholder(u"", 0, 4, nullptr);
  EXPECT_EQ(NameOf(placeholder, true), u"<278>");
  EXPECT_EQ(NameOf(placeholder, false), u"");

  CSettingsNode entry(u"", 0, 5, nullptr);
  entry.AddChild(u"Office", 9, 6);
  EXPECT_EQ(NameOf(entry, true), u"Office");
  EXPECT_EQ(NameOf(entry, false), u"IAPConnection");

  CSettingsNode own(u"", 24, 143, nullptr);
  own.SetName(u"Foo");
  EXPECT_EQ(NameOf(own, true), u"Foo");
  EXPECT_EQ(NameOf(own, false), u"Foo");
}

// Without an installed host (the engine) display texts are the element names.
TEST_F(SettingsTest, DefaultHostAnswersFromTheTable) {
  EXPECT_EQ(LoadResString(443, true), u"NoConnectionsDefined");
  EXPECT_EQ(LoadResString(443, false), u"NoConnectionsDefined");
  EXPECT_EQ(LoadResString(596, true), u"");
  UseFakeHost();
  EXPECT_EQ(LoadResString(443, true), u"<443>");
  SetSettingsHost(nullptr);
  EXPECT_EQ(LoadResString(420, true), u"Yes");
  CSettingsNode entry(u"", 0, 5, nullptr);
  EXPECT_EQ(NameOf(entry, true), u"");  // an entry without a name field shows no name
}

// The named types against the rows they stand for: a row moved or renumbered breaks its name here
// rather than silently in the rules that switch over the names.
struct NamedTypeCase {
  NodeType type;
  const char16_t* elementName;
  int32_t parentType;
};
const NamedTypeCase kNamedTypeCases[] = {
    {kRootType, u"", -1},
    {kIapSettingsType, u"IAPSettings", kRootType},
    {kPreferredConnectionType, u"PreferredConnection", kIapSettingsType},
    {kIapPlaceholderType, u"", kIapSettingsType},
    {kIapConnectionType, u"IAPConnection", kIapSettingsType},
    {kIapConnectionNameType, u"ConnectionName", kIapConnectionType},
    {kIapPhoneNumberType, u"PhoneNumber", kIapConnectionType},
    {kPromptPasswordType, u"PromptPassword", kIapConnectionType},
    {kIapUsernameType, u"Username", kIapConnectionType},
    {kIapPasswordType, u"Password", kIapConnectionType},
    {kProxiesType, u"Proxies", kIapConnectionType},
    {kHttpUseProxyType, u"HTTPUseProxy", kProxiesType},
    {kHttpProxyServerType, u"HTTPProxyServer", kProxiesType},
    {kHttpPortNumberType, u"HTTPPortNumber", kProxiesType},
    {kHttpNoProxyForType, u"HTTPNoProxyFor", kProxiesType},
    {kHttpsUseProxyType, u"HTTPSUseProxy", kProxiesType},
    {kHttpsProxyServerType, u"HTTPSProxyServer", kProxiesType},
    {kHttpsPortNumberType, u"HTTPSPortNumber", kProxiesType},
    {kHttpsNoProxyForType, u"HTTPSNoProxyFor", kProxiesType},
    {kDataCallType, u"DataCall", kIapConnectionType},
    {kConnectionTypeType, u"ConnectionType", kDataCallType},
    {kRemoteModemTypeType, u"RemoteModemType", kDataCallType},
    {kMaxConnectionSpeedType, u"MaxConnectionSpeed", kDataCallType},
    {kSpeedChangingType, u"SpeedChanging", kDataCallType},
    {kModemInitStringType, u"ModemInitString", kDataCallType},
    {kCallbackType, u"Callback", kIapConnectionType},
    {kUseCallbackType, u"UseCallback", kCallbackType},
    {kCallbackTypeType, u"CallbackType", kCallbackType},
    {kCallbackNumberType, u"CallbackNumber", kCallbackType},
    {kOtherType, u"Other", kIapConnectionType},
    {kAllowPlaintextPppLoginType, u"AllowPlaintextPPPLogin", kOtherType},
    {kUsePppCompressionType, u"UsePPPCompression", kOtherType},
    {kScriptOptionsType, u"ScriptOptions", kIapConnectionType},
    {kUseLoginScriptType, u"UseLoginScript", kScriptOptionsType},
    {kScriptType, u"Script", kScriptOptionsType},
    {kDisplayTerminalWindowType, u"DisplayTerminalWindow", kScriptOptionsType},
    {kAddressOptionsType, u"AddressOptions", kIapConnectionType},
    {kRetrieveIpType, u"RetrieveIP", kAddressOptionsType},
    {kIpAddressType, u"IPAddress", kAddressOptionsType},
    {kRetrieveDnsAddressType, u"RetrieveDNSAddress", kAddressOptionsType},
    {kPrimaryDnsType, u"PrimaryDNS", kAddressOptionsType},
    {kSecondaryDnsType, u"SecondaryDNS", kAddressOptionsType},
    {kEmailSettingsType, u"EMailSettings", kRootType},
    {kPreferredMailboxType, u"PreferredMailbox", kEmailSettingsType},
    {kEmailPlaceholderType, u"", kEmailSettingsType},
    {kMailboxType, u"Mailbox", kEmailSettingsType},
    {kMailboxNameType, u"MailboxName", kMailboxType},
    {kMailboxRealNameType, u"Name", kMailboxType},
    {kMailboxUsernameType, u"Username", kMailboxType},
    {kMailboxPasswordType, u"Password", kMailboxType},
    {kEmailAddressType, u"EMailAddress", kMailboxType},
    {kMailboxUseConnectionType, u"UseConnection", kMailboxType},
    {kServersType, u"Servers", kMailboxType},
    {kMailboxTypeType, u"MailboxType", kServersType},
    {kInServerType, u"InServer", kServersType},
    {kOutServerType, u"OutServer", kServersType},
    {kRetrieveMailType, u"RetrieveMail", kMailboxType},
    {kRetrieveType, u"Retrieve", kRetrieveMailType},
    {kMessageMaxSizeType, u"MessageMaxSize", kRetrieveMailType},
    {kAdvancedType, u"Advanced", kMailboxType},
    {kDefaultMailTypeType, u"DefaultMailType", kAdvancedType},
    {kDefaultSendingOptionType, u"DefaultSendingOption", kAdvancedType},
    {kIncludeSignatureType, u"IncludeSignature", kAdvancedType},
    {kSignatureType, u"Signature", kAdvancedType},
    {kRequestReadReportType, u"RequestReadReport", kAdvancedType},
    {kAllowReportRequestsType, u"AllowReportRequests", kAdvancedType},
    {kAllowReportRequests2Type, u"AllowReportRequests", kAdvancedType},
    {kCopyToMyMailAddressType, u"CopyToMyMailAddress", kAdvancedType},
    {kUseApopType, u"UseAPOP", kAdvancedType},
    {kUseSslType, u"UseSSL", kAdvancedType},
    {kImap4FolderPathType, u"IMAP4FolderPath", kAdvancedType},
    {kWapSettingsType, u"WAPSettings", kRootType},
    {kWapConnectionType, u"WAPConnection", kWapSettingsType},
    {kWapPlaceholderType, u"", kWapSettingsType},
    {kWapConnectionNameType, u"ConnectionName", kWapConnectionType},
    {kWapTypeType, u"Type", kWapConnectionType},
    {kUseSecureConnectionType, u"UseSecureConnection", kWapConnectionType},
    {kBearerEitherSmsOrDataCallType, u"BearerEitherSMSOrDataCall", kWapConnectionType},
    {kSmsSettingsForBearerType, u"SMSSettingsForBearer", kWapConnectionType},
    {kSmsCentreNumberType, u"SMSCentreNumber", kSmsSettingsForBearerType},
    {kServiceNumberType, u"ServiceNumber", kSmsSettingsForBearerType},
    {kDataSettingsForBearerType, u"DataSettingsForBearer", kWapConnectionType},
    {kServiceAddressType, u"ServiceAddress", kWapConnectionType},
    {kWapUseConnectionType, u"UseConnection", kWapConnectionType},
    {kSmsSettingsType, u"SMSSettings", kRootType},
    {kSmsPlaceholderType, u"", kSmsSettingsType},
    {kPreferredCentreType, u"PreferredCentre", kSmsSettingsType},
    {kSmsCentreType, u"SMSCentre", kSmsSettingsType},
    {kCentreNameType, u"CentreName", kSmsCentreType},
    {kCentrePhoneNumberType, u"PhoneNumber", kSmsCentreType},
    {kPersonalDataType, u"PersonalData", kRootType},
    {kDefaultVoiceMailboxType, u"DefaultVoiceMailbox", kPersonalDataType},
    {kContactsAndCalendarType, u"ContactsAndCalendar", kRootType},
    {kContactsType, u"Contacts", kContactsAndCalendarType},
    {kTransferContactImagesType, u"TransferContactImages", kContactsAndCalendarType},
    {kCalendarType, u"Calendar", kContactsAndCalendarType},
    {kWwwBookmarksType, u"WWWBookmarks", kPersonalDataType},
    {kWwwBookmarkType, u"WWWBookmark", kWwwBookmarksType},
    {kWwwBookmarkNameType, u"Name", kWwwBookmarkType},
    {kWwwBookmarkUrlType, u"URL", kWwwBookmarkType},
    {kWapBookmarksType, u"WAPBookmarks", kPersonalDataType},
    {kWapBookmarkType, u"WAPBookmark", kWapBookmarksType},
    {kWapBookmarkNameType, u"Name", kWapBookmarkType},
    {kWapBookmarkUrlType, u"URL", kWapBookmarkType},
    {kWapBookmarkUseConnectionType, u"UseConnection", kWapBookmarkType},
    {kWapBookmarkUsernameType, u"Username", kWapBookmarkType},
    {kWapBookmarkPasswordType, u"Password", kWapBookmarkType},
    {kFileTransferType, u"FileTransfer", kRootType},
    {kNamelessFileListType, u"", -1},
    {kRingingTonesType, u"RingingTones", kFileTransferType},
    {kRingingToneType, u"RingingTone", kRingingTonesType},
    {kBackgroundImagesType, u"BackgroundImages", kFileTransferType},
    {kBackgroundImageType, u"BackgroundImage", kBackgroundImagesType},
    {kSisFilesType, u"SISFiles", kFileTransferType},
    {kSisFileType, u"SISFile", kSisFilesType},
    {kFilesType, u"Files", kFileTransferType},
    {kFileType, u"File", kFilesType},
    {kFileLocalType, u"Local", kFileType},
    {kFileRemoteType, u"Remote", kFileType},
    {kTerminalConnectionSettingsType, u"TerminalConnectionSettings", kRootType},
    {kTerminalConnectionType, u"TerminalConnection", kTerminalConnectionSettingsType},
    {kTerminalPlaceholderType, u"", kTerminalConnectionSettingsType},
    {kTerminalConnectionNameType, u"ConnectionName", kTerminalConnectionType},
    {kTerminalPhoneNumberType, u"PhoneNumber", kTerminalConnectionType},
    {kTerminalAdvancedSettingsType, u"AdvancedSettings", kTerminalConnectionType},
    {kTerminalBackspaceKeySendsType, u"BackspaceKeySends", kTerminalAdvancedSettingsType},
    {kTerminalEnterKeySendsType, u"EnterKeySends", kTerminalAdvancedSettingsType},
    {kTerminalLocalEchoType, u"LocalEcho", kTerminalAdvancedSettingsType},
    {kStartInCharModeType, u"StartInCharMode", kTerminalAdvancedSettingsType},
    {kModemInitializationType, u"ModemInitialization", kTerminalAdvancedSettingsType},
    {kTelnetConnectionSettingsType, u"TelnetConnectionSettings", kRootType},
    {kTelnetConnectionType, u"TelnetConnection", kTelnetConnectionSettingsType},
    {kTelnetPlaceholderType, u"", kTelnetConnectionSettingsType},
    {kTelnetConnectionNameType, u"ConnectionName", kTelnetConnectionType},
    {kHostnameType, u"Hostname", kTelnetConnectionType},
    {kTelnetAccessPointType, u"AccessPoint", kTelnetConnectionType},
    {kTelnetAdvancedSettingsType, u"AdvancedSettings", kTelnetConnectionType},
    {kTelnetBackspaceKeySendsType, u"BackspaceKeySends", kTelnetAdvancedSettingsType},
    {kTelnetEnterKeySendsType, u"EnterKeySends", kTelnetAdvancedSettingsType},
    {kTelnetLocalEchoType, u"LocalEcho", kTelnetAdvancedSettingsType},
    {kBioMessagesType, u"BIOMessages", kRootType},
    {kUnknownElementType, u"", -1},
};

TEST(NodeTypeTable, EachNamedTypeIsTheRowOfItsElementInItsPlace) {
  for (const auto& c : kNamedTypeCases) {
    const NodeTypeInfo* info = GetNodeTypeInfo(c.type);
    ASSERT_NE(info, nullptr) << c.type;
    EXPECT_EQ(FindElementName(info->nameId), c.elementName) << c.type;
    EXPECT_EQ(info->parentType, c.parentType) << c.type;
  }
}

TEST(ListGroups, FindEachRole) {
  EXPECT_EQ(FindListGroupByGroup(86)->placeholderType, 87u);
  EXPECT_EQ(FindListGroupByEntry(46)->placeholderType, 45u);
  EXPECT_EQ(FindListGroupByPlaceholder(134)->entryType, 133u);
  EXPECT_EQ(FindListGroupByNameField(124)->groupType, 121u);
  EXPECT_EQ(FindListGroupByGroup(98), nullptr);
}

TEST(FormatText, FillsConversionsInOrder) {
  EXPECT_EQ(FormatText(u"%s uses it", {u"WAP 1"}), u"WAP 1 uses it");
  EXPECT_EQ(FormatText(u"%d of %ls, 100%%", {u"3", u"x"}), u"3 of x, 100%");
  EXPECT_EQ(FormatText(u"none %s", {}), u"none ");
  EXPECT_EQ(FormatText(u"%5d|%-3s|", {u"1", u"a"}), u"1|a|");
  EXPECT_EQ(FormatText(u"ends with %", {}), u"ends with %");
  EXPECT_EQ(DecimalText(0), u"0");
  EXPECT_EQ(DecimalText(4294967296ull), u"4294967296");
}

}  // namespace
}  // namespace orvel
