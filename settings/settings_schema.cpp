#include "settings/settings_schema.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace orvel {
namespace {

// {name id, parent type, placeholder parent, kind, default value}, indexed by node type. Types that
// nothing creates by type get the kind their value would need: Yes/No and option fields choice,
// servers host, ports port, exceptions the kind of the HTTP ones, bearer numbers phone, contacts
// and calendar long text, groups none.
constexpr NodeTypeInfo kNodeTypes[kNodeTypeCount] = {
    {0, -1, -1, 0, nullptr},           // 0 ROOT
    {0, -1, -1, 0, nullptr},           // 1 (none)
    {279, 0, -1, 0, u""},              // 2 IAPSettings
    {277, 2, -1, 13, u""},             // 3 PreferredConnection
    {278, 2, -1, 0, u""},              // 4
    {421, 2, -1, 0, nullptr},          // 5 IAPConnection
    {238, 5, 4, 9, u""},               // 6 ConnectionName
    {262, 5, 4, 6, u""},               // 7 PhoneNumber
    {263, 5, 4, 13, u"Yes"},           // 8 PromptPassword
    {276, 5, 4, 7, u""},               // 9 Username
    {261, 5, 4, 8, u""},               // 10 Password
    {449, 5, 4, 0, u""},               // 11 Proxies
    {453, 11, -1, 13, u"No"},          // 12 HTTPUseProxy
    {452, 11, -1, 2, u""},             // 13 HTTPProxyServer
    {451, 11, -1, 4, u"0"},            // 14 HTTPPortNumber
    {450, 11, -1, 11, u""},            // 15 HTTPNoProxyFor
    {457, 11, -1, 13, nullptr},        // 16 HTTPSUseProxy
    {456, 11, -1, 2, nullptr},         // 17 HTTPSProxyServer
    {455, 11, -1, 4, nullptr},         // 18 HTTPSPortNumber
    {454, 11, -1, 11, nullptr},        // 19 HTTPSNoProxyFor
    {239, 5, 4, 0, u""},               // 20 DataCall
    {256, 20, -1, 13, u"Normal"},      // 21 ConnectionType
    {253, 20, -1, 13, u"Analog"},      // 22 RemoteModemType
    {252, 20, -1, 13, u"9600"},        // 23 MaxConnectionSpeed
    {255, 20, -1, 13, nullptr},        // 24 SpeedChanging
    {249, 20, -1, 18, u""},            // 25 ModemInitString
    {230, 5, 4, 0, u""},               // 26 Callback
    {236, 26, -1, 13, u"No"},          // 27 UseCallback
    {235, 26, -1, 13, u"Number"},      // 28 CallbackType
    {233, 26, -1, 6, u""},             // 29 CallbackNumber
    {258, 5, 4, 0, u""},               // 30 Other
    {260, 30, -1, 13, u"Yes"},         // 31 AllowPlaintextPPPLogin
    {259, 30, -1, 13, u"Yes"},         // 32 UsePPPCompression
    {272, 5, 4, 0, u""},               // 33 ScriptOptions
    {275, 33, -1, 13, u"No"},          // 34 UseLoginScript
    {274, 33, -1, 12, u""},            // 35 Script
    {273, 33, -1, 13, u"No"},          // 36 DisplayTerminalWindow
    {224, 5, 4, 0, u""},               // 37 AddressOptions
    {226, 37, -1, 13, u"Yes"},         // 38 RetrieveIP
    {227, 37, -1, 1, u"0.0.0.0"},      // 39 IPAddress
    {225, 37, -1, 13, u"Yes"},         // 40 RetrieveDNSAddress
    {228, 37, -1, 1, u"0.0.0.0"},      // 41 PrimaryDNS
    {229, 37, -1, 1, u"0.0.0.0"},      // 42 SecondaryDNS
    {140, 0, -1, 0, u""},              // 43 EMailSettings
    {192, 43, -1, 13, u""},            // 44 PreferredMailbox
    {205, 43, -1, 0, u""},             // 45
    {422, 43, -1, 0, nullptr},         // 46 Mailbox
    {0, -1, -1, 0, nullptr},           // 47 (none)
    {175, 46, 45, 10, u""},            // 48 MailboxName
    {465, 46, 45, 7, u""},             // 49 Name
    {178, 46, 45, 7, u""},             // 50 Username
    {177, 46, 45, 8, u""},             // 51 Password
    {171, 46, 45, 3, u""},             // 52 EMailAddress
    {173, 46, 45, 13, u""},            // 53 UseConnection
    {186, 46, 45, 0, u""},             // 54 Servers
    {191, 54, -1, 13, u"POP3"},        // 55 MailboxType
    {188, 54, -1, 2, u""},             // 56 InServer
    {189, 54, -1, 2, u""},             // 57 OutServer
    {179, 46, 45, 0, u""},             // 58 RetrieveMail
    {180, 58, -1, 13, u"Headers"},     // 59 Retrieve
    {181, 58, -1, 5, u"10"},           // 60 MessageMaxSize
    {151, 46, 45, 0, u""},             // 61 Advanced
    {165, 61, -1, 13, u"HTML"},        // 62 DefaultMailType
    {155, 61, -1, 13, u"Connection"},  // 63 DefaultSendingOption
    {160, 61, -1, 13, u"No"},          // 64 IncludeSignature
    {473, 61, -1, 12, u""},            // 65 Signature
    {159, 61, -1, 13, u"No"},          // 66 RequestReadReport
    {498, 61, -1, 13, u"Yes"},         // 67 AllowReportRequests
    {152, 61, -1, 13, nullptr},        // 68 AllowReportRequests
    {153, 61, -1, 13, u"No"},          // 69 CopyToMyMailAddress
    {169, 61, -1, 13, u"No"},          // 70 UseAPOP
    {164, 61, -1, 13, u"No"},          // 71 UseSSL
    {154, 61, -1, 11, u""},            // 72 IMAP4FolderPath
    {388, 0, -1, 0, u""},              // 73 WAPSettings
    {423, 73, -1, 0, nullptr},         // 74 WAPConnection
    {417, 73, -1, 0, u""},             // 75
    {395, 74, 75, 9, u""},             // 76 ConnectionName
    {403, 74, -1, 13, nullptr},        // 77 Type
    {406, 74, 75, 13, u"No"},          // 78 UseSecureConnection
    {392, 74, -1, 13, nullptr},        // 79 BearerEitherSMSOrDataCall
    {400, 74, -1, 0, nullptr},         // 80 SMSSettingsForBearer
    {401, 80, -1, 6, nullptr},         // 81 SMSCentreNumber
    {402, 80, -1, 6, nullptr},         // 82 ServiceNumber
    {396, 74, -1, 0, nullptr},         // 83 DataSettingsForBearer
    {397, 74, 75, 1, u"0.0.0.0"},      // 84 ServiceAddress
    {398, 74, 75, 13, u"None"},        // 85 UseConnection
    {323, 0, -1, 0, u""},              // 86 SMSSettings
    {328, 86, -1, 0, u""},             // 87
    {464, 86, -1, 13, u""},            // 88 PreferredCentre
    {429, 86, -1, 0, nullptr},         // 89 SMSCentre
    {329, 89, 87, 11, u""},            // 90 CentreName
    {330, 89, 87, 6, u""},             // 91 PhoneNumber
    {460, 0, -1, 0, u""},              // 92 PersonalData
    {385, 92, -1, 6, u""},             // 93 DefaultVoiceMailbox
    {128, 0, -1, 0, nullptr},          // 94 ContactsAndCalendar
    {129, 94, -1, 12, nullptr},        // 95 Contacts
    {135, 94, -1, 13, nullptr},        // 96 TransferContactImages
    {119, 94, -1, 12, nullptr},        // 97 Calendar
    {419, 92, -1, 19, u""},            // 98 WWWBookmarks
    {564, 98, -1, 0, u""},             // 99 WWWBookmark
    {606, 99, -1, 7, u""},             // 100 Name
    {607, 99, -1, 21, u""},            // 101 URL
    {390, 92, -1, 20, u""},            // 102 WAPBookmarks
    {568, 102, -1, 0, u""},            // 103 WAPBookmark
    {611, 103, -1, 7, u""},            // 104 Name
    {612, 103, -1, 22, u""},           // 105 URL
    {610, 103, -1, 23, u""},           // 106 UseConnection
    {609, 103, -1, 7, u""},            // 107 Username
    {608, 103, -1, 8, u""},            // 108 Password
    {550, 0, -1, 0, u""},              // 109 FileTransfer
    {0, -1, -1, 0, nullptr},           // 110 (none)
    {552, 109, -1, 15, u""},           // 111 RingingTones
    {553, 111, -1, 0, nullptr},        // 112 RingingTone
    {556, 109, -1, 15, u""},           // 113 BackgroundImages
    {557, 113, -1, 0, nullptr},        // 114 BackgroundImage
    {554, 109, -1, 15, u""},           // 115 SISFiles
    {555, 115, -1, 0, nullptr},        // 116 SISFile
    {558, 109, -1, 15, u""},           // 117 Files
    {559, 117, -1, 0, nullptr},        // 118 File
    {560, 118, -1, 0, u""},            // 119 Local
    {561, 118, -1, 0, u""},            // 120 Remote
    {356, 0, -1, 0, nullptr},          // 121 TerminalConnectionSettings
    {425, 121, -1, 0, nullptr},        // 122 TerminalConnection
    {372, 121, -1, 0, u""},            // 123
    {370, 122, 123, 9, u""},           // 124 ConnectionName
    {371, 122, 123, 6, u""},           // 125 PhoneNumber
    {357, 122, 123, 0, u""},           // 126 AdvancedSettings
    {358, 126, -1, 13, u"Backspace"},  // 127 BackspaceKeySends
    {362, 126, -1, 13, u"CR"},         // 128 EnterKeySends
    {367, 126, -1, 13, u"Off"},        // 129 LocalEcho
    {361, 126, -1, 13, u"No"},         // 130 StartInCharMode
    {366, 126, -1, 18, u""},           // 131 ModemInitialization
    {339, 0, -1, 0, nullptr},          // 132 TelnetConnectionSettings
    {426, 132, -1, 0, nullptr},        // 133 TelnetConnection
    {355, 132, -1, 0, u""},            // 134
    {354, 133, 134, 9, u""},           // 135 ConnectionName
    {353, 133, 134, 2, u""},           // 136 Hostname
    {351, 133, 134, 13, u""},          // 137 AccessPoint
    {340, 133, 134, 0, u""},           // 138 AdvancedSettings
    {341, 138, -1, 13, u"Backspace"},  // 139 BackspaceKeySends
    {344, 138, -1, 13, u"CR"},         // 140 EnterKeySends
    {348, 138, -1, 13, u"Off"},        // 141 LocalEcho
    {462, 0, -1, 24, u""},             // 142 BIOMessages
    {0, -1, -1, 24, nullptr},          // 143 (none)
};

constexpr ElementName kElementNames[kElementNameCount] = {
    {119, u"Calendar"},
    {128, u"ContactsAndCalendar"},
    {129, u"Contacts"},
    {135, u"TransferContactImages"},
    {140, u"EMailSettings"},
    {151, u"Advanced"},
    {152, u"AllowReportRequests"},
    {153, u"CopyToMyMailAddress"},
    {154, u"IMAP4FolderPath"},
    {155, u"DefaultSendingOption"},
    {156, u"Immediately"},
    {157, u"Connection"},
    {158, u"Request"},
    {159, u"RequestReadReport"},
    {160, u"IncludeSignature"},
    {161, u"Card"},
    {162, u"Custom"},
    {163, u"No"},
    {164, u"UseSSL"},
    {165, u"DefaultMailType"},
    {166, u"HTML"},
    {167, u"Text"},
    {168, u"TextNoMIME"},
    {169, u"UseAPOP"},
    {171, u"EMailAddress"},
    {172, u"ConfirmPassword"},
    {173, u"UseConnection"},
    {175, u"MailboxName"},
    {176, u"NoConnectionsDefined"},
    {177, u"Password"},
    {178, u"Username"},
    {179, u"RetrieveMail"},
    {180, u"Retrieve"},
    {181, u"MessageMaxSize"},
    {182, u"10"},
    {183, u"Messages"},
    {184, u"Attachments"},
    {185, u"Headers"},
    {186, u"Servers"},
    {187, u"IMAP4"},
    {188, u"InServer"},
    {189, u"OutServer"},
    {190, u"POP3"},
    {191, u"MailboxType"},
    {192, u"PreferredMailbox"},
    {204, u"MailInfoText"},
    {205, u""},
    {221, u""},
    {224, u"AddressOptions"},
    {225, u"RetrieveDNSAddress"},
    {226, u"RetrieveIP"},
    {227, u"IPAddress"},
    {228, u"PrimaryDNS"},
    {229, u"SecondaryDNS"},
    {230, u"Callback"},
    {231, u"Number"},
    {232, u"ServerNumberIETF"},
    {233, u"CallbackNumber"},
    {234, u"ServerNumber"},
    {235, u"CallbackType"},
    {236, u"UseCallback"},
    {237, u"ConfirmPassword"},
    {238, u"ConnectionName"},
    {239, u"DataCall"},
    {240, u"14400"},
    {241, u"19200"},
    {242, u"28800"},
    {243, u"38400"},
    {244, u"43200"},
    {245, u"9600"},
    {246, u"Analog"},
    {247, u"Auto"},
    {248, u"HighSpeed"},
    {249, u"ModemInitString"},
    {250, u"ISDNV.110"},
    {251, u"ISDNV.120"},
    {252, u"MaxConnectionSpeed"},
    {253, u"RemoteModemType"},
    {254, u"Normal"},
    {255, u"SpeedChanging"},
    {256, u"ConnectionType"},
    {258, u"Other"},
    {259, u"UsePPPCompression"},
    {260, u"AllowPlaintextPPPLogin"},
    {261, u"Password"},
    {262, u"PhoneNumber"},
    {263, u"PromptPassword"},
    {272, u"ScriptOptions"},
    {273, u"DisplayTerminalWindow"},
    {274, u"Script"},
    {275, u"UseLoginScript"},
    {276, u"Username"},
    {277, u"PreferredConnection"},
    {278, u""},
    {279, u"IAPSettings"},
    {288, u"No"},
    {289, u"None"},
    {290, u"0.0.0.0"},
    {291, u"OK"},
    {323, u"SMSSettings"},
    {328, u""},
    {329, u"CentreName"},
    {330, u"PhoneNumber"},
    {339, u"TelnetConnectionSettings"},
    {340, u"AdvancedSettings"},
    {341, u"BackspaceKeySends"},
    {342, u"Backspace"},
    {343, u"Delete"},
    {344, u"EnterKeySends"},
    {345, u"CR"},
    {346, u"CRLF"},
    {347, u"LF"},
    {348, u"LocalEcho"},
    {349, u"Off"},
    {350, u"On"},
    {351, u"AccessPoint"},
    {352, u"NoConnectionsDefined"},
    {353, u"Hostname"},
    {354, u"ConnectionName"},
    {355, u""},
    {356, u"TerminalConnectionSettings"},
    {357, u"AdvancedSettings"},
    {358, u"BackspaceKeySends"},
    {359, u"Backspace"},
    {360, u"Delete"},
    {361, u"StartInCharMode"},
    {362, u"EnterKeySends"},
    {363, u"CR"},
    {364, u"CRLF"},
    {365, u"LF"},
    {366, u"ModemInitialization"},
    {367, u"LocalEcho"},
    {368, u"Off"},
    {369, u"On"},
    {370, u"ConnectionName"},
    {371, u"PhoneNumber"},
    {372, u""},
    {384, u"FaxMailbox"},
    {385, u"DefaultVoiceMailbox"},
    {388, u"WAPSettings"},
    {390, u"WAPBookmarks"},
    {391, u"MainConnectionSettings"},
    {392, u"BearerEitherSMSOrDataCall"},
    {393, u"DataCall"},
    {394, u"SMS"},
    {395, u"ConnectionName"},
    {396, u"DataSettingsForBearer"},
    {397, u"ServiceAddress"},
    {398, u"UseConnection"},
    {399, u"NoConnectionsDefined"},
    {400, u"SMSSettingsForBearer"},
    {401, u"SMSCentreNumber"},
    {402, u"ServiceNumber"},
    {403, u"Type"},
    {404, u"Continuous"},
    {405, u"Temporary"},
    {406, u"UseSecureConnection"},
    {417, u""},
    {419, u"WWWBookmarks"},
    {420, u"Yes"},
    {421, u"IAPConnection"},
    {422, u"Mailbox"},
    {423, u"WAPConnection"},
    {425, u"TerminalConnection"},
    {426, u"TelnetConnection"},
    {429, u"SMSCentre"},
    {443, u"NoConnectionsDefined"},
    {449, u"Proxies"},
    {450, u"HTTPNoProxyFor"},
    {451, u"HTTPPortNumber"},
    {452, u"HTTPProxyServer"},
    {453, u"HTTPUseProxy"},
    {454, u"HTTPSNoProxyFor"},
    {455, u"HTTPSPortNumber"},
    {456, u"HTTPSProxyServer"},
    {457, u"HTTPSUseProxy"},
    {460, u"PersonalData"},
    {462, u"BIOMessages"},
    {462, u"BIOMessages"},
    {463, u"Extra"},
    {464, u"PreferredCentre"},
    {465, u"Name"},
    {473, u"Signature"},
    {498, u"AllowReportRequests"},
    {550, u"FileTransfer"},
    {551, u"OperatorLogo"},
    {552, u"RingingTones"},
    {553, u"RingingTone"},
    {554, u"SISFiles"},
    {555, u"SISFile"},
    {556, u"BackgroundImages"},
    {557, u"BackgroundImage"},
    {558, u"Files"},
    {559, u"File"},
    {560, u"Local"},
    {561, u"Remote"},
    {564, u"WWWBookmark"},
    {568, u"WAPBookmark"},
    {606, u"Name"},
    {607, u"URL"},
    {608, u"Password"},
    {609, u"Username"},
    {610, u"UseConnection"},
    {611, u"Name"},
    {612, u"URL"},
};

constexpr ListGroupInfo kListGroups[kListGroupCount] = {
    {kIapSettingsType, kIapPlaceholderType, kIapConnectionType, kIapConnectionNameType},
    {kEmailSettingsType, kEmailPlaceholderType, kMailboxType, kMailboxNameType},
    {kWapSettingsType, kWapPlaceholderType, kWapConnectionType, kWapConnectionNameType},
    {kSmsSettingsType, kSmsPlaceholderType, kSmsCentreType, kCentreNameType},
    {kTerminalConnectionSettingsType, kTerminalPlaceholderType, kTerminalConnectionType,
     kTerminalConnectionNameType},
    {kTelnetConnectionSettingsType, kTelnetPlaceholderType, kTelnetConnectionType, kTelnetConnectionNameType},
};

template <uint32_t ListGroupInfo::*Field>
const ListGroupInfo* FindListGroup(uint32_t type) {
  for (const auto& group : kListGroups) {
    if (group.*Field == type) return &group;
  }
  return nullptr;
}

}  // namespace

const NodeTypeInfo* GetNodeTypeInfo(uint32_t type) {
  return type < kNodeTypeCount ? &kNodeTypes[type] : nullptr;
}

const ElementName* GetElementNameTable() { return kElementNames; }

const std::u16string& FindElementName(uint32_t id) {
  // The texts as strings, made once: a reader asks for the names of many nodes per element it reads.
  static const std::vector<std::u16string> texts = [] {
    std::vector<std::u16string> out;
    for (const ElementName& pair : kElementNames) out.emplace_back(pair.text);
    return out;
  }();
  static const std::u16string empty;
  // The table is in ascending id order: the first pair of the id is the lower bound.
  const auto found = std::lower_bound(std::begin(kElementNames), std::end(kElementNames), id,
                                      [](const ElementName& pair, uint32_t key) { return pair.id < key; });
  if (found == std::end(kElementNames) || found->id != id) return empty;
  return texts[static_cast<size_t>(found - std::begin(kElementNames))];
}

uint32_t FindNameId(std::u16string_view name) {
  if (name.empty()) return 0;
  for (const auto& pair : kElementNames) {
    if (name == pair.text) return pair.id;
  }
  return 0;
}

const ListGroupInfo* GetListGroupTable() { return kListGroups; }

const ListGroupInfo* FindListGroupByGroup(uint32_t type) {
  return FindListGroup<&ListGroupInfo::groupType>(type);
}
const ListGroupInfo* FindListGroupByPlaceholder(uint32_t type) {
  return FindListGroup<&ListGroupInfo::placeholderType>(type);
}
const ListGroupInfo* FindListGroupByEntry(uint32_t type) {
  return FindListGroup<&ListGroupInfo::entryType>(type);
}
const ListGroupInfo* FindListGroupByNameField(uint32_t type) {
  return FindListGroup<&ListGroupInfo::nameFieldType>(type);
}

}  // namespace orvel
