// Choice lists, display values and the side effects of applying a value.
#include <algorithm>

#include "settings/settings_host.h"
#include "settings/settings_node.h"
#include "settings/settings_schema.h"
#include "support/u16text.h"

namespace orvel {
namespace {

// Name ids of the texts shown when a reference has nothing to name, and of the count and
// placeholder texts.
constexpr uint32_t kNoConnectionsDefinedId = 443;
constexpr uint32_t kNoMailboxId = 484;
constexpr uint32_t kNoCentreId = 485;
constexpr uint32_t kFileCountId = 480;
constexpr uint32_t kNoFilesId = 481;
constexpr uint32_t kScriptTextId = 482;
constexpr uint32_t kSignatureTextId = 497;
constexpr uint32_t kContactCountId = 547;
constexpr uint32_t kCalendarCountId = 548;
constexpr uint32_t kBookmarkCountId = 584;
constexpr uint32_t kNoBookmarksId = 604;

constexpr uint32_t kYes = 420;
constexpr uint32_t kNo = 288;

// The top group of the current document of the given type.
const CSettingsNode* CurrentGroup(uint32_t type) {
  const CSettingsNode* root = GetCurrentDocumentRoot();
  return root ? root->FindChildOfType(type) : nullptr;
}

// The name of every entry of `entryType` under `list`, in list order.
void AddEntryNames(std::vector<std::u16string>& out, const CSettingsNode* list, uint32_t entryType,
                   uint32_t nameType) {
  if (!list) return;
  for (size_t i = 0; i < list->GetChildCount(); ++i) {
    const CSettingsNode* entry = list->GetChild(i);
    if (entry->GetType() == entryType) out.push_back(ChildValue(entry, nameType));
  }
}

void AddOptionItem(std::vector<std::u16string>& out, uint32_t id, bool withDisplayText) {
  std::u16string item = FindElementName(id);
  if (withDisplayText) {
    item += u'\n';
    item += LoadResString(id, true);
  }
  out.push_back(std::move(item));
}

void AddOptions(std::vector<std::u16string>& out, std::initializer_list<uint32_t> ids, bool withDisplayText) {
  for (uint32_t id : ids) AddOptionItem(out, id, withDisplayText);
}

bool IsYesNoType(uint32_t type) {
  switch (type) {
    case kPromptPasswordType:
    case kHttpUseProxyType:
    case kHttpsUseProxyType:
    case kSpeedChangingType:
    case kUseCallbackType:
    case kAllowPlaintextPppLoginType:
    case kUsePppCompressionType:
    case kUseLoginScriptType:
    case kDisplayTerminalWindowType:
    case kRetrieveIpType:
    case kRetrieveDnsAddressType:
    case kRequestReadReportType:
    case kAllowReportRequestsType:
    case kAllowReportRequests2Type:
    case kCopyToMyMailAddressType:
    case kUseApopType:
    case kUseSslType:
    case kUseSecureConnectionType:
    case kTransferContactImagesType:
    case kStartInCharModeType:
      return true;
    default:
      return false;
  }
}

std::u16string_view ValuePart(std::u16string_view item) { return item.substr(0, item.find(u'\n')); }

// Occurrences of "BEGIN:" at the start of the text or right after a line end.
size_t CountRecords(std::u16string_view text) {
  static constexpr std::u16string_view kBegin = u"BEGIN:";
  size_t count = 0;
  for (size_t at = text.find(kBegin); at != std::u16string_view::npos; at = text.find(kBegin, at + 1)) {
    if (at == 0 || text[at - 1] == u'\r' || text[at - 1] == u'\n') ++count;
  }
  return count;
}

bool Contains(const std::vector<std::u16string>& items, const std::u16string& value) {
  return std::find(items.begin(), items.end(), value) != items.end();
}

}  // namespace

void CSettingsNode::GetChoices(std::vector<std::u16string>& out, bool withDisplayText) const {
  out.clear();
  switch (m_type) {
    case kPreferredConnectionType:
    case kMailboxUseConnectionType:
    case kWapUseConnectionType:
    case kTelnetAccessPointType:
      AddEntryNames(out, CurrentGroup(kIapSettingsType), kIapConnectionType, kIapConnectionNameType);
      if (out.empty() && withDisplayText) AddOptionItem(out, kNoConnectionsDefinedId, true);
      return;
    case kWwwBookmarksType:
      AddEntryNames(out, CurrentGroup(kIapSettingsType), kIapConnectionType, kIapConnectionNameType);
      if (out.empty()) AddOptionItem(out, kNoConnectionsDefinedId, withDisplayText);
      return;
    case kWapBookmarksType:
      AddEntryNames(out, CurrentGroup(kWapSettingsType), kWapConnectionType, kWapConnectionNameType);
      if (out.empty()) AddOptionItem(out, kNoConnectionsDefinedId, withDisplayText);
      return;
    case kPreferredCentreType:
      AddEntryNames(out, CurrentGroup(kSmsSettingsType), kSmsCentreType, kCentreNameType);
      if (out.empty() && withDisplayText) AddOptionItem(out, kNoConnectionsDefinedId, true);
      return;
    case kPreferredMailboxType:
      AddEntryNames(out, m_parent, kMailboxType, kMailboxNameType);
      if (out.empty() && withDisplayText) AddOptionItem(out, kNoMailboxId, true);
      return;
    case kConnectionTypeType:
      AddOptions(out, {254, 248}, withDisplayText);
      return;
    case kRemoteModemTypeType:
      AddOptions(out, {246, 250, 251}, withDisplayText);
      return;
    case kMaxConnectionSpeedType: {
      const std::u16string& connectionType = SiblingValue(*this, kConnectionTypeType);
      const std::u16string& modemType = SiblingValue(*this, kRemoteModemTypeType);
      if (connectionType == u"Normal" && modemType == u"Analog") AddOptionItem(out, 247, withDisplayText);
      AddOptions(out, {245, 240}, withDisplayText);
      if (connectionType == u"HighSpeed") {
        AddOptions(out, {241, 242}, withDisplayText);
        if (modemType == u"ISDNV.110") AddOptionItem(out, 243, withDisplayText);
        if (modemType == u"ISDNV.120") AddOptionItem(out, 244, withDisplayText);
      }
      return;
    }
    case kCallbackTypeType:
      AddOptions(out, {234, 232, 231}, withDisplayText);
      return;
    case kMailboxTypeType:
      AddOptions(out, {190, 187}, withDisplayText);
      return;
    case kRetrieveType:
      AddOptionItem(out, 185, withDisplayText);
      if (MailboxTypeOf(m_parent) == u"IMAP4") AddOptionItem(out, 183, withDisplayText);
      AddOptionItem(out, 184, withDisplayText);
      return;
    case kDefaultMailTypeType:
      AddOptions(out, {168, 167, 166}, withDisplayText);
      return;
    case kDefaultSendingOptionType:
      AddOptions(out, {156, 157, 158}, withDisplayText);
      return;
    case kIncludeSignatureType:
      AddOptions(out, {163, 161, 162}, withDisplayText);
      return;
    case kWapTypeType:
      AddOptions(out, {404, 405}, withDisplayText);
      return;
    case kBearerEitherSmsOrDataCallType:
      AddOptions(out, {394, 393}, withDisplayText);
      return;
    case kTerminalBackspaceKeySendsType:
      AddOptions(out, {359, 360}, withDisplayText);
      return;
    case kTelnetBackspaceKeySendsType:
      AddOptions(out, {342, 343}, withDisplayText);
      return;
    case kTerminalEnterKeySendsType:
      AddOptions(out, {363, 365, 364}, withDisplayText);
      return;
    case kTelnetEnterKeySendsType:
      AddOptions(out, {345, 347, 346}, withDisplayText);
      return;
    case kTerminalLocalEchoType:
      AddOptions(out, {369, 368}, withDisplayText);
      return;
    case kTelnetLocalEchoType:
      AddOptions(out, {350, 349}, withDisplayText);
      return;
    default:
      if (IsYesNoType(m_type)) AddOptions(out, {kYes, kNo}, withDisplayText);
      return;
  }
}

// A reference shows its entry's name. When nothing can be named the value is cleared and the
// "none" text shown; a value that names no existing entry becomes the last entry's name.
void CSettingsNode::RepairReference(std::u16string& out, uint32_t noneTextId, bool withCreateFlag) {
  std::vector<std::u16string> choices;
  GetChoices(choices, false);
  if (choices.empty()) {
    m_value.clear();
    SetCreated(false, true);
    out = LoadResString(noneTextId, true);
    return;
  }
  if (!m_value.empty() && Contains(choices, m_value)) {
    out = m_value;
    return;
  }
  m_value = choices.back();
  if (withCreateFlag && IsNewEntryField()) SetCreated(true, true);
  SetDocumentModified(true);
  out = m_value;
}

void CSettingsNode::GetDisplayValue(std::u16string& out, bool forDisplay) {
  if (!forDisplay) {
    out = m_value;
    return;
  }
  switch (m_type) {
    case kPreferredConnectionType:
    case kMailboxUseConnectionType:
    case kWapUseConnectionType:
    case kTelnetAccessPointType:
      RepairReference(out, kNoConnectionsDefinedId, true);
      return;
    case kPreferredMailboxType:
      RepairReference(out, kNoMailboxId, false);
      return;
    case kPreferredCentreType:
      RepairReference(out, kNoCentreId, false);
      return;
    case kNamelessFileListType:
    case kRingingTonesType:
    case kBackgroundImagesType:
    case kSisFilesType:
    case kFilesType:
      out = m_children.empty()
                ? LoadResString(kNoFilesId, true)
                : FormatText(LoadResString(kFileCountId, true), {DecimalText(m_children.size())});
      return;
    case kWwwBookmarksType:
    case kWapBookmarksType:
      out = m_children.empty()
                ? FormatText(LoadResString(kNoBookmarksId, true), {})
                : FormatText(LoadResString(kBookmarkCountId, true), {DecimalText(m_children.size())});
      return;
    case kScriptType:
      out = LoadResString(kScriptTextId, true);
      return;
    case kSignatureType:
      out = LoadResString(kSignatureTextId, true);
      return;
    case kContactsType:
    case kCalendarType:
      out = FormatText(LoadResString(m_type == kContactsType ? kContactCountId : kCalendarCountId, true),
                       {DecimalText(CountRecords(m_value))});
      return;
    default:
      break;
  }
  out = m_value;
  std::vector<std::u16string> choices;
  GetChoices(choices, true);
  for (const std::u16string& item : choices) {
    if (ValuePart(item) != m_value) continue;
    const size_t lineFeed = item.find(u'\n');
    if (lineFeed != std::u16string::npos) out = item.substr(lineFeed + 1);
    return;
  }
}

// A name field: refused when it is the placeholder's name or already names an entry of the list;
// a name given to the placeholder turns it into an entry and adds a fresh placeholder.
bool CSettingsNode::SetEntryName(const std::u16string& text) {
  const ListGroupInfo* group = FindListGroupByNameField(m_type);
  const NodeTypeInfo* placeholderInfo = GetNodeTypeInfo(group->placeholderType);
  if (EqualsNoCase(text, FindElementName(placeholderInfo->nameId)) ||
      EqualsNoCase(text, LoadResString(placeholderInfo->nameId, true))) {
    return false;
  }
  const CSettingsNode* list = CurrentGroup(group->groupType);
  if (!list && m_parent) list = m_parent->m_parent;
  if (list && list->IsEntryNameTaken(m_type, text)) return false;
  SetEntryNameValue(text);
  CSettingsNode* entry = m_parent;
  if (!entry || entry->m_type != group->placeholderType) return true;

  entry->m_type = group->entryType;
  if (CSettingsNode* owner = entry->m_parent) {
    BuildDefaultTree(*owner->AddChild(u"", kKindNone, group->placeholderType));
  }
  if (m_type == kIapConnectionNameType || m_type == kWapConnectionNameType) {
    CSettingsNode* root = GetCurrentDocumentRoot();
    if (!root) {
      root = this;
      while (root->m_parent) root = root->m_parent;
    }
    ResolveReferences(*root);
  }
  return true;
}

bool CSettingsNode::SetDisplayValue(const std::u16string& text) {
  SetDocumentModified(true);
  switch (m_type) {
    case kWwwBookmarksType:
    case kWapBookmarksType:
      return false;
    case kIapConnectionNameType:
    case kMailboxNameType:
    case kWapConnectionNameType:
    case kCentreNameType:
    case kTerminalConnectionNameType:
    case kTelnetConnectionNameType:
      return SetEntryName(text);
    case kConnectionTypeType:
    case kRemoteModemTypeType: {
      m_value = text;
      CSettingsNode* speed = m_parent ? m_parent->FindChildOfType(kMaxConnectionSpeedType) : nullptr;
      if (speed) {
        std::vector<std::u16string> choices;
        speed->GetChoices(choices, false);
        if (!choices.empty() && !Contains(choices, speed->m_value)) speed->SetDisplayValue(u"9600");
      }
      return true;
    }
    case kMailboxTypeType: {
      m_value = text;
      const CSettingsNode* mailbox = m_parent ? m_parent->m_parent : nullptr;
      const CSettingsNode* retrieveMail = mailbox ? mailbox->FindChildOfType(kRetrieveMailType) : nullptr;
      CSettingsNode* retrieve = retrieveMail ? retrieveMail->FindChildOfType(kRetrieveType) : nullptr;
      if (text == u"POP3" && retrieve && retrieve->m_value == u"Messages") {
        retrieve->SetDisplayValue(u"Headers");
      }
      return true;
    }
    default:
      m_value = text;
      return true;
  }
}

void ResolveReferences(CSettingsNode& node) {
  switch (node.GetType()) {
    case kPreferredConnectionType:
    case kPreferredMailboxType:
    case kMailboxUseConnectionType:
    case kWapUseConnectionType:
    case kPreferredCentreType:
    case kTelnetAccessPointType: {
      std::u16string shown;
      node.GetDisplayValue(shown, true);
      break;
    }
    default:
      break;
  }
  for (size_t i = 0; i < node.GetChildCount(); ++i) ResolveReferences(*node.GetChild(i));
}

}  // namespace orvel
