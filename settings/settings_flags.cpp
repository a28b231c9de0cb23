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
    case 3:
    case 44:
    case 53:
    case 88:
    case 98:
    case 137:
      return HasNoChoices(*this);
    case 10:
      return SiblingValue(*this, 8) == u"Yes";
    case 13:
    case 14:
    case 15:
      return ParentDisabled(*this) || SiblingValue(*this, 12) == u"No";
    case 17:
    case 18:
    case 19:
      return ParentDisabled(*this) || SiblingValue(*this, 16) == u"No";
    case 24:
      return SiblingValue(*this, 21) == u"Normal";
    case 28:
      return SiblingValue(*this, 27) == u"No";
    case 29:
      return SiblingValue(*this, 28) != u"Number" || SiblingValue(*this, 27) == u"No";
    case 35:
    case 36:
      return SiblingValue(*this, 34) == u"No";
    case 39:
      return SiblingValue(*this, 38) == u"Yes";
    case 41:
    case 42:
      return SiblingValue(*this, 40) == u"Yes";
    case 65:
      return SiblingValue(*this, 64) != u"Custom";
    case 70:
      return MailboxTypeOf(m_parent) != u"POP3";
    case 72:
      return MailboxTypeOf(m_parent) != u"IMAP4";
    case 80:
      return SiblingValue(*this, 79) != u"SMS";
    case 83:
      return SiblingValue(*this, 79) != u"DataCall";
    case 81:
    case 82:
    case 84:
      return ParentDisabled(*this);
    case 85:
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
    case 6:
    case 7:
    case 48:
    case 50:
    case 52:
    case 53:
    case 54:
    case 55:
    case 56:
    case 57:
    case 76:
    case 84:
    case 85:
    case 90:
    case 91:
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
    case 3:
    case 44:
    case 88:
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
  if (IsBookmarkListType(m_type) || IsFileListType(m_type) || m_type == 99 || m_type == 103) {
    for (auto& child : m_children) {
      child->SetUpdated(m_updated);
      child->SetCreated(value, markModified);
    }
  }
  store(value);
  return true;
}

}  // namespace orvel
