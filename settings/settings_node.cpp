#include "settings/settings_node.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

#include "settings/settings_host.h"
#include "settings/settings_schema.h"
#include "support/u16text.h"

namespace orvel {
namespace {

CSettingsNode* g_currentRoot = nullptr;
std::u16string g_lastReadError;
bool g_documentModified = false;

// Text of the message that refuses to remove an entry another entry uses.
constexpr uint32_t kEntryInUseMessageId = 596;

// The entries that name another entry in one of their fields: WAP connections and mailboxes name
// access points, WAP bookmarks name WAP connections.
struct EntryUser {
  uint32_t usedType;      // the entry that is named
  uint32_t usedNameType;  // its name field
  uint32_t groupType;     // the top group of the users, and the list below it (0: the group itself)
  uint32_t listType;
  uint32_t userType;
  uint32_t referenceType;
};
constexpr EntryUser kEntryUsers[] = {
    {kIapConnectionType, kIapConnectionNameType, kWapSettingsType, 0, kWapConnectionType,
     kWapUseConnectionType},
    {kIapConnectionType, kIapConnectionNameType, kEmailSettingsType, 0, kMailboxType,
     kMailboxUseConnectionType},
    {kWapConnectionType, kWapConnectionNameType, kPersonalDataType, kWapBookmarksType, kWapBookmarkType,
     kWapBookmarkUseConnectionType},
};

// The list that holds the rule's users; null when the document has none.
const CSettingsNode* UserList(const CSettingsNode& root, const EntryUser& rule) {
  const CSettingsNode* list = root.FindChildOfType(rule.groupType);
  if (list && rule.listType != 0) list = list->FindChildOfType(rule.listType);
  return list;
}

// The first entry that names `entry` in one of its fields; null when no entry uses it.
const CSettingsNode* FindEntryUser(const CSettingsNode& entry) {
  const CSettingsNode* root = GetCurrentDocumentRoot();
  if (!root) return nullptr;
  for (const EntryUser& rule : kEntryUsers) {
    if (entry.GetType() != rule.usedType) continue;
    const std::u16string& name = ChildValue(&entry, rule.usedNameType);
    const CSettingsNode* list = UserList(*root, rule);
    if (!list) continue;
    for (size_t i = 0; i < list->GetChildCount(); ++i) {
      const CSettingsNode* user = list->GetChild(i);
      if (user->GetType() != rule.userType) continue;
      const CSettingsNode* reference = user->FindChildOfType(rule.referenceType);
      if (reference && reference->GetValue() == name) return user;
    }
  }
  return nullptr;
}

}  // namespace

// For each child of the list, the value of its first child of `nameType`, counted: the names a new
// entry name must not take. A test against it is one look-up where a pass over the list made
// reading a file of many entries quadratic.
struct CSettingsNode::CEntryNameIndex {
  explicit CEntryNameIndex(uint32_t type) : nameType(type) {}
  void Count(const CSettingsNode* name, int delta) {
    if (!name) return;
    if (delta > 0) {
      ++counts[name->m_value];
      return;
    }
    const auto found = counts.find(name->m_value);
    if (found != counts.end() && --found->second == 0) counts.erase(found);
  }
  uint32_t nameType;
  std::unordered_map<std::u16string, size_t> counts;
};

CSettingsNode::CEntryNameIndex* CSettingsNode::IndexAbove() const {
  return m_parent ? m_parent->m_nameIndex.get() : nullptr;
}

void CSettingsNode::DropNameIndexes() {
  // This node as a list, an entry of a list and a name field of an entry.
  m_nameIndex.reset();
  if (!m_parent) return;
  m_parent->m_nameIndex.reset();
  if (m_parent->m_parent) m_parent->m_parent->m_nameIndex.reset();
}

bool CSettingsNode::IsEntryNameTaken(uint32_t nameType, const std::u16string& name) const {
  if (!m_nameIndex || m_nameIndex->nameType != nameType) {
    m_nameIndex = std::make_unique<CEntryNameIndex>(nameType);
    for (const auto& entry : m_children) m_nameIndex->Count(entry->FindChildOfType(nameType), 1);
  }
  return m_nameIndex->counts.count(name) != 0;
}

void CSettingsNode::SetEntryNameValue(const std::u16string& text) {
  CEntryNameIndex* index = m_parent ? m_parent->IndexAbove() : nullptr;
  const bool counted = index && index->nameType == m_type && m_parent->FindChildOfType(m_type) == this;
  if (counted) index->Count(this, -1);
  m_value = text;
  if (counted) index->Count(this, 1);
}

CSettingsNode::CSettingsNode() = default;

CSettingsNode::CSettingsNode(std::u16string value, uint32_t kind, uint32_t type, CSettingsNode* parent)
    : m_kind(kind), m_type(type), m_value(std::move(value)), m_parent(parent) {}

CSettingsNode::CSettingsNode(const CSettingsNode& other) { CopyFrom(other); }

CSettingsNode::~CSettingsNode() {
  if (g_currentRoot == this) g_currentRoot = nullptr;
}

void CSettingsNode::SetType(uint32_t type) {
  if (type != m_type) DropNameIndexes();
  m_type = type;
}

void CSettingsNode::CopyFrom(const CSettingsNode& other) {
  DropNameIndexes();  // the copy changes names and children below and perhaps this node's name
  // Copy the source's children before the own ones go: the source may be this node or lie
  // among its descendants.
  std::vector<std::unique_ptr<CSettingsNode>> copies;
  copies.reserve(other.m_children.size());
  for (const auto& child : other.m_children) copies.push_back(std::make_unique<CSettingsNode>(*child));

  const bool sourceInOwnSubtree = &other == this || other.HasAncestor(this);
  m_enabled = other.m_enabled;
  m_created = other.m_created;
  m_updated = other.m_updated;
  m_type = other.m_type;
  m_kind = other.m_kind;
  m_value = other.m_value;
  m_name = other.m_name;
  m_extra = other.m_extra;
  m_aux = other.m_aux;
  if (!sourceInOwnSubtree) m_parent = other.m_parent;

  m_children.swap(copies);  // the old children (perhaps holding the source) go with `copies`
  for (auto& child : m_children) child->m_parent = this;
}

bool CSettingsNode::HasAncestor(const CSettingsNode* node) const {
  for (const CSettingsNode* p = m_parent; p; p = p->m_parent) {
    if (p == node) return true;
  }
  return false;
}

CSettingsNode* CSettingsNode::FindChildOfType(uint32_t type) const {
  for (const auto& child : m_children) {
    if (child->m_type == type) return child.get();
  }
  return nullptr;
}

CSettingsNode* CSettingsNode::FindChildByName(std::u16string_view text) const {
  const std::u16string_view name = TrimBlanks(text);
  if (name.empty()) return nullptr;
  for (const auto& child : m_children) {
    if (child->GetElementName() == name) return child.get();
  }
  return nullptr;
}

bool CSettingsNode::HasAncestorOfType(uint32_t type) const {
  for (const CSettingsNode* p = m_parent; p; p = p->m_parent) {
    if (p->m_type == type) return true;
  }
  return false;
}

bool CSettingsNode::GetChildren(std::vector<CSettingsNode*>& list, bool includeHidden,
                                bool includeBookmarkLists) const {
  list.clear();
  if (IsBookmarkListType(m_type) && !includeBookmarkLists) return true;
  for (const auto& child : m_children) {
    if (child->m_kind == kKindHidden && !includeHidden) continue;
    list.push_back(child.get());
  }
  return true;
}

CSettingsNode* CSettingsNode::InsertChild(std::unique_ptr<CSettingsNode> child) {
  CEntryNameIndex* above = IndexAbove();
  const CSettingsNode* nameBefore = above ? FindChildOfType(above->nameType) : nullptr;
  CSettingsNode* inserted = child.get();
  child->m_parent = this;
  auto position = m_children.end();
  if (const ListGroupInfo* group = FindListGroupByEntry(child->m_type)) {
    // The placeholder is the list's last entry, so the search from the end stops at once even
    // in a long list.
    auto last = std::find_if(m_children.rbegin(), m_children.rend(),
                             [&](const auto& c) { return c->m_type == group->placeholderType; });
    if (last != m_children.rend()) position = std::prev(last.base());
  }
  m_children.insert(position, std::move(child));
  if (m_nameIndex) m_nameIndex->Count(inserted->FindChildOfType(m_nameIndex->nameType), 1);
  if (above) {
    const CSettingsNode* nameAfter = FindChildOfType(above->nameType);
    if (nameAfter != nameBefore) {
      above->Count(nameBefore, -1);
      above->Count(nameAfter, 1);
    }
  }
  return inserted;
}

CSettingsNode* CSettingsNode::AddChild(std::u16string value, uint32_t kind, uint32_t type) {
  return InsertChild(std::make_unique<CSettingsNode>(std::move(value), kind, type, this));
}

CSettingsNode* CSettingsNode::AddOption(uint32_t nameId, uint32_t kind, uint32_t type) {
  return AddChild(FindElementName(nameId), kind, type);
}

std::unique_ptr<CSettingsNode> CSettingsNode::RemoveChild(CSettingsNode* child) {
  auto found =
      std::find_if(m_children.begin(), m_children.end(), [&](const auto& c) { return c.get() == child; });
  if (found == m_children.end()) return nullptr;
  CEntryNameIndex* above = IndexAbove();
  const CSettingsNode* nameBefore = above ? FindChildOfType(above->nameType) : nullptr;
  if (m_nameIndex) m_nameIndex->Count(child->FindChildOfType(m_nameIndex->nameType), -1);
  std::unique_ptr<CSettingsNode> removed = std::move(*found);
  m_children.erase(found);
  removed->m_parent = nullptr;
  if (above && nameBefore == child) {
    above->Count(nameBefore, -1);
    above->Count(FindChildOfType(above->nameType), 1);
  }
  return removed;
}

void CSettingsNode::DeleteAllChildren() {
  if (m_nameIndex) m_nameIndex->counts.clear();
  if (CEntryNameIndex* above = IndexAbove()) above->Count(FindChildOfType(above->nameType), -1);
  m_children.clear();
}

std::unique_ptr<CSettingsNode> CSettingsNode::RemoveEntry() {
  CSettingsNode* parent = m_parent;
  if (!parent) return nullptr;
  if (const CSettingsNode* user = FindEntryUser(*this)) {
    std::u16string userName;
    user->GetNodeName(userName, true);
    SetLastReadError(FormatText(LoadResString(kEntryInUseMessageId, true), {userName}));
    return nullptr;
  }
  std::unique_ptr<CSettingsNode> self = parent->RemoveChild(this);
  SetDocumentModified(true);
  const bool anyCreated = std::any_of(parent->m_children.begin(), parent->m_children.end(),
                                      [](const auto& c) { return c->IsCreated() && !c->IsDisabled(); });
  if (!anyCreated) parent->SetCreated(false, true);
  return self;
}

std::vector<std::unique_ptr<CSettingsNode>> CSettingsNode::RemoveEntries(
    const std::vector<CSettingsNode*>& entries) {
  // For each rule whose used entries are among those asked for: how many of its users name each
  // entry, counted once; a user that goes is counted off.
  struct Users {
    const CSettingsNode* list = nullptr;
    std::unordered_map<std::u16string, size_t> names;
  };
  Users users[std::size(kEntryUsers)];
  if (const CSettingsNode* root = GetCurrentDocumentRoot()) {
    for (size_t r = 0; r < std::size(kEntryUsers); ++r) {
      const EntryUser& rule = kEntryUsers[r];
      if (std::none_of(entries.begin(), entries.end(),
                       [&](const CSettingsNode* entry) { return entry->GetType() == rule.usedType; }))
        continue;
      users[r].list = UserList(*root, rule);
      if (!users[r].list) continue;
      for (const auto& user : users[r].list->m_children) {
        if (user->GetType() != rule.userType) continue;
        if (const CSettingsNode* reference = user->FindChildOfType(rule.referenceType))
          ++users[r].names[reference->m_value];
      }
    }
  }
  auto used = [&](const CSettingsNode& entry) {
    for (size_t r = 0; r < std::size(kEntryUsers); ++r) {
      if (!users[r].list || entry.GetType() != kEntryUsers[r].usedType) continue;
      const auto found = users[r].names.find(ChildValue(&entry, kEntryUsers[r].usedNameType));
      if (found != users[r].names.end() && found->second > 0) return true;
    }
    return false;
  };

  // The walk decides which go; the nodes are unlinked afterwards, each parent's children in one pass.
  std::vector<CSettingsNode*> going;
  std::unordered_set<const CSettingsNode*> goingSet;
  const CSettingsNode* refused = nullptr;
  for (CSettingsNode* entry : entries) {
    if (!entry->m_parent || goingSet.count(entry) != 0) break;  // not in the document (any more)
    if (used(*entry)) {
      refused = entry;
      break;
    }
    going.push_back(entry);
    goingSet.insert(entry);
    for (size_t r = 0; r < std::size(kEntryUsers); ++r) {
      const EntryUser& rule = kEntryUsers[r];
      if (entry->m_parent != users[r].list || entry->GetType() != rule.userType) continue;
      if (const CSettingsNode* reference = entry->FindChildOfType(rule.referenceType)) {
        const auto found = users[r].names.find(reference->m_value);
        if (found != users[r].names.end() && found->second > 0) --found->second;
      }
    }
  }

  std::vector<CSettingsNode*> parents;
  std::unordered_set<const CSettingsNode*> parentSet;
  for (CSettingsNode* entry : going) {
    if (parentSet.insert(entry->m_parent).second) parents.push_back(entry->m_parent);
  }
  std::unordered_map<const CSettingsNode*, std::unique_ptr<CSettingsNode>> unlinked;
  for (CSettingsNode* parent : parents) {
    CEntryNameIndex* above = parent->IndexAbove();
    const CSettingsNode* nameBefore = above ? parent->FindChildOfType(above->nameType) : nullptr;
    auto kept = parent->m_children.begin();
    for (auto child = parent->m_children.begin(); child != parent->m_children.end(); ++child) {
      if (goingSet.count(child->get()) == 0) {
        if (kept != child) *kept = std::move(*child);
        ++kept;
        continue;
      }
      if (parent->m_nameIndex)
        parent->m_nameIndex->Count((*child)->FindChildOfType(parent->m_nameIndex->nameType), -1);
      (*child)->m_parent = nullptr;
      CSettingsNode* node = child->get();
      unlinked[node] = std::move(*child);
    }
    parent->m_children.erase(kept, parent->m_children.end());
    if (above) {
      const CSettingsNode* nameAfter = parent->FindChildOfType(above->nameType);
      if (nameAfter != nameBefore) {
        above->Count(nameBefore, -1);
        above->Count(nameAfter, 1);
      }
    }
  }
  if (!going.empty()) SetDocumentModified(true);
  for (CSettingsNode* parent : parents) {
    const bool anyCreated = std::any_of(parent->m_children.begin(), parent->m_children.end(),
                                        [](const auto& c) { return c->IsCreated() && !c->IsDisabled(); });
    if (!anyCreated) parent->SetCreated(false, true);
  }
  if (const CSettingsNode* user = refused ? FindEntryUser(*refused) : nullptr) {
    std::u16string userName;
    user->GetNodeName(userName, true);
    SetLastReadError(FormatText(LoadResString(kEntryInUseMessageId, true), {userName}));
  }

  std::vector<std::unique_ptr<CSettingsNode>> removed;
  removed.reserve(going.size());
  for (CSettingsNode* entry : going) removed.push_back(std::move(unlinked[entry]));
  return removed;
}

void CSettingsNode::GetNodeName(std::u16string& out, bool localized) const {
  if (!localized || m_type == kUnknownElementType || m_type == kRootType) {
    out.assign(GetElementName());
    return;
  }
  out.clear();
  if (const ListGroupInfo* group = FindListGroupByEntry(m_type)) {
    out = ChildValue(this, group->nameFieldType);
    return;
  }
  const NodeTypeInfo* info = GetNodeTypeInfo(m_type);
  if (info && info->nameId != 0) out = LoadResString(info->nameId, true);
}

std::u16string_view CSettingsNode::GetElementName() const {
  // Element names are the table's texts, whichever host answers the display texts.
  if (m_type == kUnknownElementType) return m_name;
  if (m_type == kRootType) return u"ROOT";
  const NodeTypeInfo* info = GetNodeTypeInfo(m_type);
  return info && info->nameId != 0 ? std::u16string_view(FindElementName(info->nameId))
                                   : std::u16string_view();
}

void SetCurrentDocumentRoot(CSettingsNode* root) { g_currentRoot = root; }
CSettingsNode* GetCurrentDocumentRoot() { return g_currentRoot; }

void SetLastReadError(std::u16string text) { g_lastReadError = std::move(text); }
const std::u16string& GetLastReadError() { return g_lastReadError; }

bool IsDocumentModified() { return g_documentModified; }
void SetDocumentModified(bool modified) { g_documentModified = modified; }

const std::u16string& ChildValue(const CSettingsNode* node, uint32_t type) {
  static const std::u16string kEmpty;
  const CSettingsNode* child = node ? node->FindChildOfType(type) : nullptr;
  return child ? child->GetValue() : kEmpty;
}

const std::u16string& SiblingValue(const CSettingsNode& node, uint32_t type) {
  return ChildValue(node.GetParent(), type);
}

const std::u16string& MailboxTypeOf(const CSettingsNode* group) {
  const CSettingsNode* mailbox = group ? group->GetParent() : nullptr;
  return ChildValue(mailbox ? mailbox->FindChildOfType(kServersType) : nullptr, kMailboxTypeType);
}

}  // namespace orvel
