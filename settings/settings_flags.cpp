// Applicability of fields and the create flag rules.
#include "settings/settings_node.h"
#include "settings/settings_schema.h"

namespace orvel {
namespace {

bool ParentDisabled(const CSettingsNode& node) { return node.GetParent() && node.GetParent()->IsDisabled(); }

bool HasNoChoices(const CSettingsNode& node) {
  std::vector<std::u16string> choices;
  node.GetChoices(choices, false);
  return choices.empty();
}

}  // namespace

bool CSettingsNode::IsDisabledByOwnRule() {
  switch (m_type) {
    case kPreferredConnectionType:
    case kPreferredMailboxType:
    case kMailboxUseConnectionType:
    case kPreferredCentreType:
    case kWwwBookmarksType:
    case kTelnetAccessPointType:
      return HasNoChoices(*this);
    case kIapPasswordType:
      return SiblingValue(*this, kPromptPasswordType) == u"Yes";
    case kHttpProxyServerType:
    case kHttpPortNumberType:
    case kHttpNoProxyForType:
      return ParentDisabled(*this) || SiblingValue(*this, kHttpUseProxyType) == u"No";
    case kHttpsProxyServerType:
    case kHttpsPortNumberType:
    case kHttpsNoProxyForType:
      return ParentDisabled(*this) || SiblingValue(*this, kHttpsUseProxyType) == u"No";
    case kSpeedChangingType:
      return SiblingValue(*this, kConnectionTypeType) == u"Normal";
    case kCallbackTypeType:
      return SiblingValue(*this, kUseCallbackType) == u"No";
    case kCallbackNumberType:
      return SiblingValue(*this, kCallbackTypeType) != u"Number" ||
             SiblingValue(*this, kUseCallbackType) == u"No";
    case kScriptType:
    case kDisplayTerminalWindowType:
      return SiblingValue(*this, kUseLoginScriptType) == u"No";
    case kIpAddressType:
      return SiblingValue(*this, kRetrieveIpType) == u"Yes";
    case kPrimaryDnsType:
    case kSecondaryDnsType:
      return SiblingValue(*this, kRetrieveDnsAddressType) == u"Yes";
    case kSignatureType:
      return SiblingValue(*this, kIncludeSignatureType) != u"Custom";
    case kUseApopType:
      return MailboxTypeOf(m_parent) != u"POP3";
    case kImap4FolderPathType:
      return MailboxTypeOf(m_parent) != u"IMAP4";
    case kSmsSettingsForBearerType:
      return SiblingValue(*this, kBearerEitherSmsOrDataCallType) != u"SMS";
    case kDataSettingsForBearerType:
      return SiblingValue(*this, kBearerEitherSmsOrDataCallType) != u"DataCall";
    case kSmsCentreNumberType:
    case kServiceNumberType:
    case kServiceAddressType:
      return ParentDisabled(*this);
    case kWapUseConnectionType:
      return ParentDisabled(*this) || HasNoChoices(*this);
    default:
      return false;
  }
}

bool CSettingsNode::IsDisabled() {
  bool disabled = IsDisabledByOwnRule();
  // Every field of a placeholder entry except its name waits until the entry is named.
  if (!disabled && !IsEntryNameFieldType(m_type)) {
    const CSettingsNode* root = GetCurrentDocumentRoot();
    for (const CSettingsNode* p = m_parent; p && p != root; p = p->m_parent) {
      if (IsPlaceholderType(p->m_type)) {
        disabled = true;
        break;
      }
    }
  }
  if (disabled && m_created) SetCreated(false, true);
  return disabled;
}

bool CSettingsNode::IsIdentifyingField() const {
  switch (m_type) {
    case kIapConnectionNameType:
    case kIapPhoneNumberType:
    case kMailboxNameType:
    case kMailboxUsernameType:
    case kEmailAddressType:
    case kMailboxUseConnectionType:
    case kServersType:
    case kMailboxTypeType:
    case kInServerType:
    case kOutServerType:
    case kWapConnectionNameType:
    case kServiceAddressType:
    case kWapUseConnectionType:
    case kCentreNameType:
    case kCentrePhoneNumberType:
      return true;
    default:
      return false;
  }
}

bool CSettingsNode::IsNewEntryField() const {
  return IsIdentifyingField() && m_parent && m_parent->m_created;
}

bool CSettingsNode::CanTakeCreateFlag() const {
  switch (m_type) {
    case kPreferredConnectionType:
    case kPreferredMailboxType:
    case kPreferredCentreType:
      return !m_value.empty();
    default:
      if (IsPlaceholderType(m_type)) return false;
      if (IsBookmarkListType(m_type) || IsFileListType(m_type)) return !m_children.empty();
      return true;
  }
}

bool CSettingsNode::SetCreated(bool value, bool markModified) {
  auto store = [&](bool flag) {
    if (markModified && m_created != flag) SetDocumentModified(true);
    m_created = flag;
  };
  if (IsPlaceholderType(m_type)) return false;
  if (!CanTakeCreateFlag()) {
    store(false);
    return false;
  }
  if (IsBookmarkListType(m_type) || IsFileListType(m_type) || m_type == kWwwBookmarkType ||
      m_type == kWapBookmarkType) {
    for (auto& child : m_children) {
      child->SetUpdated(m_updated);
      child->SetCreated(value, markModified);
    }
  }
  store(value);
  return true;
}

}  // namespace orvel
