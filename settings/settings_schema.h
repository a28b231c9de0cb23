// The fixed schema of the settings tree: node types, value kinds, the element-name table and the
// list groups. The numbers never appear in a settings file (it carries element names), but every
// rule of the settings code switches over them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvel {

// Node types run from 0 (the root, "ROOT") to 143 (an element the schema does not define, which
// carries its own element name). Each type is named after its row's element name; a name that
// stands in more than one place gets the place in front (kIapPasswordType, kMailboxPasswordType).
// Types 1 and 47 have no element and no use, and are not named.
enum NodeType : uint32_t {
  kRootType = 0,
  kIapSettingsType = 2,
  kPreferredConnectionType = 3,
  kIapPlaceholderType = 4,  // the placeholder entries of the lists have no element name
  kIapConnectionType = 5,
  kIapConnectionNameType = 6,
  kIapPhoneNumberType = 7,
  kPromptPasswordType = 8,
  kIapUsernameType = 9,
  kIapPasswordType = 10,
  kProxiesType = 11,
  kHttpUseProxyType = 12,
  kHttpProxyServerType = 13,
  kHttpPortNumberType = 14,
  kHttpNoProxyForType = 15,
  kHttpsUseProxyType = 16,
  kHttpsProxyServerType = 17,
  kHttpsPortNumberType = 18,
  kHttpsNoProxyForType = 19,
  kDataCallType = 20,
  kConnectionTypeType = 21,
  kRemoteModemTypeType = 22,
  kMaxConnectionSpeedType = 23,
  kSpeedChangingType = 24,
  kModemInitStringType = 25,
  kCallbackType = 26,
  kUseCallbackType = 27,
  kCallbackTypeType = 28,
  kCallbackNumberType = 29,
  kOtherType = 30,
  kAllowPlaintextPppLoginType = 31,
  kUsePppCompressionType = 32,
  kScriptOptionsType = 33,
  kUseLoginScriptType = 34,
  kScriptType = 35,
  kDisplayTerminalWindowType = 36,
  kAddressOptionsType = 37,
  kRetrieveIpType = 38,
  kIpAddressType = 39,
  kRetrieveDnsAddressType = 40,
  kPrimaryDnsType = 41,
  kSecondaryDnsType = 42,
  kEmailSettingsType = 43,
  kPreferredMailboxType = 44,
  kEmailPlaceholderType = 45,
  kMailboxType = 46,
  kMailboxNameType = 48,
  kMailboxRealNameType = 49,  // Name: the user's own name, beside the login Username
  kMailboxUsernameType = 50,
  kMailboxPasswordType = 51,
  kEmailAddressType = 52,
  kMailboxUseConnectionType = 53,
  kServersType = 54,
  kMailboxTypeType = 55,
  kInServerType = 56,
  kOutServerType = 57,
  kRetrieveMailType = 58,
  kRetrieveType = 59,
  kMessageMaxSizeType = 60,
  kAdvancedType = 61,
  kDefaultMailTypeType = 62,
  kDefaultSendingOptionType = 63,
  kIncludeSignatureType = 64,
  kSignatureType = 65,
  kRequestReadReportType = 66,
  kAllowReportRequestsType = 67,
  kAllowReportRequests2Type = 68,  // a second row of the same element name; not in the default tree
  kCopyToMyMailAddressType = 69,
  kUseApopType = 70,
  kUseSslType = 71,
  kImap4FolderPathType = 72,
  kWapSettingsType = 73,
  kWapConnectionType = 74,
  kWapPlaceholderType = 75,
  kWapConnectionNameType = 76,
  kWapTypeType = 77,
  kUseSecureConnectionType = 78,
  kBearerEitherSmsOrDataCallType = 79,
  kSmsSettingsForBearerType = 80,
  kSmsCentreNumberType = 81,
  kServiceNumberType = 82,
  kDataSettingsForBearerType = 83,
  kServiceAddressType = 84,
  kWapUseConnectionType = 85,
  kSmsSettingsType = 86,
  kSmsPlaceholderType = 87,
  kPreferredCentreType = 88,
  kSmsCentreType = 89,
  kCentreNameType = 90,
  kCentrePhoneNumberType = 91,
  kPersonalDataType = 92,
  kDefaultVoiceMailboxType = 93,
  kContactsAndCalendarType = 94,
  kContactsType = 95,
  kTransferContactImagesType = 96,
  kCalendarType = 97,
  kWwwBookmarksType = 98,
  kWwwBookmarkType = 99,
  kWwwBookmarkNameType = 100,
  kWwwBookmarkUrlType = 101,
  kWapBookmarksType = 102,
  kWapBookmarkType = 103,
  kWapBookmarkNameType = 104,
  kWapBookmarkUrlType = 105,
  kWapBookmarkUseConnectionType = 106,
  kWapBookmarkUsernameType = 107,
  kWapBookmarkPasswordType = 108,
  kFileTransferType = 109,
  kNamelessFileListType = 110,  // no element; the file rules take it as a file list that is its own entry
  kRingingTonesType = 111,
  kRingingToneType = 112,
  kBackgroundImagesType = 113,
  kBackgroundImageType = 114,
  kSisFilesType = 115,
  kSisFileType = 116,
  kFilesType = 117,
  kFileType = 118,
  kFileLocalType = 119,
  kFileRemoteType = 120,
  kTerminalConnectionSettingsType = 121,
  kTerminalConnectionType = 122,
  kTerminalPlaceholderType = 123,
  kTerminalConnectionNameType = 124,
  kTerminalPhoneNumberType = 125,
  kTerminalAdvancedSettingsType = 126,
  kTerminalBackspaceKeySendsType = 127,
  kTerminalEnterKeySendsType = 128,
  kTerminalLocalEchoType = 129,
  kStartInCharModeType = 130,
  kModemInitializationType = 131,
  kTelnetConnectionSettingsType = 132,
  kTelnetConnectionType = 133,
  kTelnetPlaceholderType = 134,
  kTelnetConnectionNameType = 135,
  kHostnameType = 136,
  kTelnetAccessPointType = 137,
  kTelnetAdvancedSettingsType = 138,
  kTelnetBackspaceKeySendsType = 139,
  kTelnetEnterKeySendsType = 140,
  kTelnetLocalEchoType = 141,
  kBioMessagesType = 142,
  kUnknownElementType = 143,
};
inline constexpr uint32_t kNodeTypeCount = 144;

// The editing and checking class of a node's value (the node's `kind`).
enum ValueKind : uint32_t {
  kKindNone = 0,       // group, list, entry, placeholder; also the file entries of file lists
  kKindIpAddress = 1,  // dotted, four parts
  kKindHost = 2,
  kKindEmail = 3,
  kKindPort = 4,    // 0 to 65535
  kKindNumber = 5,  // digits only
  kKindPhone = 6,
  kKindText = 7,
  kKindPassword = 8,   // scrambled in the settings file
  kKindEntryName = 9,  // name of an access point, WAP, terminal or telnet connection
  kKindMailboxName = 10,
  kKindCentreName = 11,  // also proxy exceptions and the IMAP4 folder path
  kKindLongText = 12,    // written as CDATA
  kKindChoice = 13,
  kKindFileList = 15,
  kKindModemInit = 18,
  kKindWwwBookmarks = 19,
  kKindWapBookmarks = 20,
  kKindUrl = 21,
  kKindWapUrl = 22,
  kKindConnectionRef = 23,  // connection reference of a WAP bookmark
  kKindHidden = 24,         // not listed unless asked for, not written in the device form
};

// One row of the node-type table.
struct NodeTypeInfo {
  uint32_t nameId;               // element-name id; 0 for types 0, 1, 47, 110 and 143
  int32_t parentType;            // where the node stands; -1 when nowhere fixed
  int32_t placeholderParent;     // for entry fields: the list's placeholder, which holds them too; else -1
  uint32_t kind;                 // the value kind a node of this type gets
  const char16_t* defaultValue;  // value in the default tree; null when not part of the default tree
};

// The row of a node type, or null for a number above 143.
const NodeTypeInfo* GetNodeTypeInfo(uint32_t type);

// One pair of the element-name table.
struct ElementName {
  uint32_t id;
  const char16_t* text;
};

// The 205 pairs of the element-name table, in ascending id order (id 462 stands twice).
inline constexpr size_t kElementNameCount = 205;
const ElementName* GetElementNameTable();

// The element name of an id, the first pair that matches; empty when the id is not in the table.
// The text lives as long as the program.
const std::u16string& FindElementName(uint32_t id);

// The id of the first pair (in ascending id order) whose text equals `name` exactly; 0 when none,
// and 0 for the empty text (it names no element).
uint32_t FindNameId(std::u16string_view name);

// A list group with a placeholder entry, which the user fills in to create a new entry.
struct ListGroupInfo {
  uint32_t groupType;
  uint32_t placeholderType;
  uint32_t entryType;
  uint32_t nameFieldType;  // the entry's name field
};

// The six list groups with placeholders: IAPSettings, EMailSettings, WAPSettings, SMSSettings,
// TerminalConnectionSettings and TelnetConnectionSettings.
inline constexpr size_t kListGroupCount = 6;
const ListGroupInfo* GetListGroupTable();

// The list group that `type` belongs to as group, placeholder, entry or entry name field; null
// when it is none of these.
const ListGroupInfo* FindListGroupByGroup(uint32_t type);
const ListGroupInfo* FindListGroupByPlaceholder(uint32_t type);
const ListGroupInfo* FindListGroupByEntry(uint32_t type);
const ListGroupInfo* FindListGroupByNameField(uint32_t type);

inline bool IsPlaceholderType(uint32_t type) { return FindListGroupByPlaceholder(type) != nullptr; }
inline bool IsListEntryType(uint32_t type) { return FindListGroupByEntry(type) != nullptr; }
inline bool IsEntryNameFieldType(uint32_t type) { return FindListGroupByNameField(type) != nullptr; }

inline bool IsBookmarkListType(uint32_t type) {
  return type == kWwwBookmarksType || type == kWapBookmarksType;
}
inline bool IsFileListType(uint32_t type) {
  return type == kRingingTonesType || type == kBackgroundImagesType || type == kSisFilesType ||
         type == kFilesType;
}

}  // namespace orvel
