#include <span>

#include "settings/settings_node.h"
#include "settings/settings_schema.h"

namespace orvel {
namespace {

// One child of a default subtree. A nonzero option id gives the value as that element name;
// otherwise the value is `value` (empty when null). `recurse` builds the child's own subtree.
struct DefaultChild {
  uint32_t type;
  uint32_t kind;
  uint32_t optionId = 0;
  const char16_t* value = nullptr;
  bool recurse = false;
};

constexpr bool kRecurse = true;

constexpr DefaultChild kRootChildren[] = {
    {2, 0, 0, nullptr, kRecurse},    {43, 0, 0, nullptr, kRecurse}, {73, 0, 0, nullptr, kRecurse},
    {86, 0, 0, nullptr, kRecurse},   {92, 0, 0, nullptr, kRecurse}, {109, 0, 0, nullptr, kRecurse},
    {142, 24, 0, nullptr, kRecurse},
};
constexpr DefaultChild kIapSettings[] = {{3, 13}, {4, 0, 0, nullptr, kRecurse}};
constexpr DefaultChild kIapConnection[] = {
    {6, 9},
    {7, 6},
    {8, 13, 420},
    {9, 7},
    {10, 8},
    {11, 0, 0, nullptr, kRecurse},
    {20, 0, 0, nullptr, kRecurse},
    {26, 0, 0, nullptr, kRecurse},
    {30, 0, 0, nullptr, kRecurse},
    {33, 0, 0, nullptr, kRecurse},
    {37, 0, 0, nullptr, kRecurse},
};
constexpr DefaultChild kProxies[] = {{12, 13, 288}, {13, 2}, {14, 4, 0, u"0"}, {15, 11}};
constexpr DefaultChild kDataCall[] = {{21, 13, 254}, {22, 13, 246}, {23, 13, 245}, {25, 18}};
constexpr DefaultChild kCallback[] = {{27, 13, 288}, {28, 13, 231}, {29, 6}};
constexpr DefaultChild kOther[] = {{31, 13, 420}, {32, 13, 420}};
constexpr DefaultChild kScriptOptions[] = {{34, 13, 288}, {35, 12}, {36, 13, 288}};
constexpr DefaultChild kAddressOptions[] = {
    {38, 13, 420}, {39, 1, 290}, {40, 13, 420}, {41, 1, 290}, {42, 1, 290}};
constexpr DefaultChild kEmailSettings[] = {{44, 13}, {45, 0, 0, nullptr, kRecurse}};
constexpr DefaultChild kMailbox[] = {
    {48, 10},
    {49, 7},
    {50, 7},
    {51, 8},
    {52, 3},
    {53, 13},
    {54, 0, 0, nullptr, kRecurse},
    {58, 0, 0, nullptr, kRecurse},
    {61, 0, 0, nullptr, kRecurse},
};
constexpr DefaultChild kServers[] = {{55, 13, 190}, {57, 2}, {56, 2}};
constexpr DefaultChild kRetrieveMail[] = {{59, 13, 185}, {60, 5, 182}};
constexpr DefaultChild kAdvanced[] = {
    {62, 13, 166}, {63, 13, 157}, {64, 13, 288}, {65, 12},      {66, 13, 288},
    {67, 13, 420}, {69, 13, 288}, {70, 13, 288}, {71, 13, 288}, {72, 11},
};
constexpr DefaultChild kWapSettings[] = {{75, 0, 0, nullptr, kRecurse}};
constexpr DefaultChild kWapConnection[] = {{76, 9}, {78, 13, 288}, {85, 13, 289}, {84, 1, 290}};
constexpr DefaultChild kSmsSettings[] = {{88, 13}, {87, 0, 0, nullptr, kRecurse}};
constexpr DefaultChild kSmsCentre[] = {{90, 11}, {91, 6}};
constexpr DefaultChild kPersonalData[] = {{93, 6}, {98, 19}, {102, 20}};
constexpr DefaultChild kWwwBookmarks[] = {{99, 0}};
constexpr DefaultChild kWwwBookmark[] = {{100, 7}, {101, 21}};
constexpr DefaultChild kWapBookmarks[] = {{103, 0}};
constexpr DefaultChild kWapBookmark[] = {{104, 7}, {105, 22}, {106, 23}, {107, 7}, {108, 8}};
constexpr DefaultChild kFileTransfer[] = {{111, 15}, {113, 15}, {115, 15}, {117, 15}};
constexpr DefaultChild kFile[] = {{119, 0}, {120, 0}};
constexpr DefaultChild kTerminalSettings[] = {{123, 0, 0, nullptr, kRecurse}};
constexpr DefaultChild kTerminalConnection[] = {{124, 9}, {125, 6}, {126, 0, 0, nullptr, kRecurse}};
constexpr DefaultChild kTerminalAdvanced[] = {
    {127, 13, 359}, {128, 13, 363}, {129, 13, 368}, {130, 13, 288}, {131, 18}};
constexpr DefaultChild kTelnetSettings[] = {{134, 0, 0, nullptr, kRecurse}};
constexpr DefaultChild kTelnetConnection[] = {{135, 9}, {136, 2}, {137, 13}, {138, 0, 0, nullptr, kRecurse}};
constexpr DefaultChild kTelnetAdvanced[] = {{139, 13, 342}, {140, 13, 345}, {141, 13, 349}};

std::span<const DefaultChild> DefaultChildren(uint32_t type) {
  switch (type) {
    case kRootType:
      return kRootChildren;
    case kIapSettingsType:
      return kIapSettings;
    case kIapPlaceholderType:
    case kIapConnectionType:
      return kIapConnection;
    case kProxiesType:
      return kProxies;
    case kDataCallType:
      return kDataCall;
    case kCallbackType:
      return kCallback;
    case kOtherType:
      return kOther;
    case kScriptOptionsType:
      return kScriptOptions;
    case kAddressOptionsType:
      return kAddressOptions;
    case kEmailSettingsType:
      return kEmailSettings;
    case kEmailPlaceholderType:
    case kMailboxType:
      return kMailbox;
    case kServersType:
      return kServers;
    case kRetrieveMailType:
      return kRetrieveMail;
    case kAdvancedType:
      return kAdvanced;
    case kWapSettingsType:
      return kWapSettings;
    case kWapConnectionType:
    case kWapPlaceholderType:
      return kWapConnection;
    case kSmsSettingsType:
      return kSmsSettings;
    case kSmsPlaceholderType:
    case kSmsCentreType:
      return kSmsCentre;
    case kPersonalDataType:
      return kPersonalData;
    case kWwwBookmarksType:
      return kWwwBookmarks;
    case kWwwBookmarkType:
      return kWwwBookmark;
    case kWapBookmarksType:
      return kWapBookmarks;
    case kWapBookmarkType:
      return kWapBookmark;
    case kFileTransferType:
      return kFileTransfer;
    case kFileType:
      return kFile;
    case kTerminalConnectionSettingsType:
      return kTerminalSettings;
    case kTerminalConnectionType:
    case kTerminalPlaceholderType:
      return kTerminalConnection;
    case kTerminalAdvancedSettingsType:
      return kTerminalAdvanced;
    case kTelnetConnectionSettingsType:
      return kTelnetSettings;
    case kTelnetConnectionType:
    case kTelnetPlaceholderType:
      return kTelnetConnection;
    case kTelnetAdvancedSettingsType:
      return kTelnetAdvanced;
    default:
      return {};
  }
}

}  // namespace

void BuildDefaultTree(CSettingsNode& node) {
  for (const DefaultChild& spec : DefaultChildren(node.GetType())) {
    CSettingsNode* child = spec.optionId != 0
                               ? node.AddOption(spec.optionId, spec.kind, spec.type)
                               : node.AddChild(spec.value ? spec.value : u"", spec.kind, spec.type);
    if (spec.recurse) BuildDefaultTree(*child);
  }
}

}  // namespace orvel
