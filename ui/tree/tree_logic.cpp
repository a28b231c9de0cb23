#include "ui/tree/tree_logic.h"

#include <algorithm>
#include <unordered_map>

#include "settings/settings_host.h"
#include "settings/settings_node.h"
#include "settings/settings_schema.h"
#include "settings/settings_validate.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {

namespace {

constexpr char16_t kPasswordMask[] = u"********";

bool CanTake(const CSettingsNode* node) { return node && node->CanTakeCreateFlag(); }

std::u16string DisplayValue(CSettingsNode& node) {
  std::u16string value;
  node.GetDisplayValue(value, true);
  return value;
}

// The file list's entries are edited in their own dialog: a list under the file transfer group
// shows no items for them.
bool ShowsNoChildren(const CSettingsNode& node) {
  return node.GetParent() && node.GetParent()->GetType() == kFileTransferType;
}

std::vector<CSettingsNode*> VisibleChildren(const CSettingsNode& node) {
  std::vector<CSettingsNode*> children;
  node.GetChildren(children, false, false);
  return children;
}

}  // namespace

void TreeChanges::Redraw(TreeItemId item) {
  if (item != kNoItem && std::find(redraw.begin(), redraw.end(), item) == redraw.end())
    redraw.push_back(item);
}

void TreeChanges::Merge(const TreeChanges& other) {
  for (TreeItemId item : other.redraw) Redraw(item);
  inserted.insert(inserted.end(), other.inserted.begin(), other.inserted.end());
  deleted.insert(deleted.end(), other.deleted.begin(), other.deleted.end());
  redrawAll = redrawAll || other.redrawAll;
}

struct CTreeLogic::NodeIndex {
  std::unordered_map<const CSettingsNode*, TreeItemId> items;
};

CTreeLogic::CTreeLogic() : m_byNode(std::make_unique<NodeIndex>()) {}
CTreeLogic::~CTreeLogic() = default;

// --- items

void CTreeLogic::Clear() {
  m_root = nullptr;
  m_items.clear();
  m_top.clear();
  m_byNode->items.clear();
  m_caret = m_anchor = m_pressed = m_pressOrigin = kNoItem;
  m_hasSettings = 0;
}

void CTreeLogic::Build(CSettingsNode* root) {
  Clear();
  m_root = root;
  if (root) InsertNodeItems(root, kNoItem);
}

TreeItemId CTreeLogic::NewItem(CSettingsNode* node, TreeItemId parent, size_t position) {
  auto item = std::make_unique<TreeItem>();
  item->node = node;
  item->parent = parent;
  m_items.push_back(std::move(item));
  const auto id = static_cast<TreeItemId>(m_items.size());
  std::vector<TreeItemId>& siblings = parent == kNoItem ? m_top : Mutable(parent).children;
  siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(std::min(position, siblings.size())), id);
  m_byNode->items[node] = id;
  m_hasSettings = 0;
  return id;
}

std::vector<TreeItemId> CTreeLogic::InsertNodeItems(CSettingsNode* node, TreeItemId parentItem) {
  std::vector<TreeItemId> added;
  if (!node || ShowsNoChildren(*node)) return added;
  for (CSettingsNode* child : VisibleChildren(*node)) {
    TreeItemId item = NewItem(child, parentItem, SIZE_MAX);
    added.push_back(item);
    std::vector<TreeItemId> below = InsertNodeItems(child, item);
    added.insert(added.end(), below.begin(), below.end());
  }
  return added;
}

bool CTreeLogic::SyncChildren(CSettingsNode* node, TreeItemId parentItem, TreeChanges& changes) {
  if (ShowsNoChildren(*node)) return false;
  const std::vector<CSettingsNode*> children = VisibleChildren(*node);
  const std::vector<TreeItemId>& items = ChildrenOf(parentItem);
  for (size_t i = 0; i < children.size(); ++i) {
    if (i < items.size() && Item(items[i]).node == children[i]) continue;
    TreeItemId item = NewItem(children[i], parentItem, i);
    changes.inserted.push_back(item);
    std::vector<TreeItemId> below = InsertNodeItems(children[i], item);
    changes.inserted.insert(changes.inserted.end(), below.begin(), below.end());
    changes.Redraw(parentItem);
    return true;
  }
  for (size_t i = 0; i < children.size(); ++i) {
    // ChildrenOf may have moved: take the item afresh.
    if (SyncChildren(children[i], ChildrenOf(parentItem)[i], changes)) return true;
  }
  return false;
}

TreeChanges CTreeLogic::SyncNewNodes() {
  TreeChanges changes;
  if (m_root) SyncChildren(m_root, kNoItem, changes);
  return changes;
}

bool CTreeLogic::IsLive(TreeItemId item) const {
  return item != kNoItem && item <= m_items.size() && m_items[item - 1] != nullptr;
}

const TreeItem& CTreeLogic::Item(TreeItemId item) const {
  static const TreeItem kGone;
  return IsLive(item) ? *m_items[item - 1] : kGone;
}

TreeItem& CTreeLogic::Mutable(TreeItemId item) { return *m_items[item - 1]; }

CSettingsNode* CTreeLogic::NodeOf(TreeItemId item) const { return Item(item).node; }

TreeItemId CTreeLogic::ItemOfNode(const CSettingsNode* node) const {
  auto found = m_byNode->items.find(node);
  return found == m_byNode->items.end() ? kNoItem : found->second;
}

const std::vector<TreeItemId>& CTreeLogic::ChildrenOf(TreeItemId item) const {
  return item == kNoItem ? m_top : Item(item).children;
}

TreeItemId CTreeLogic::ParentOf(TreeItemId item) const { return Item(item).parent; }

int CTreeLogic::Level(TreeItemId item) const {
  int level = 0;
  for (TreeItemId at = ParentOf(item); at != kNoItem; at = ParentOf(at)) ++level;
  return level;
}

bool CTreeLogic::IsLastChild(TreeItemId item) const {
  const std::vector<TreeItemId>& siblings = ChildrenOf(ParentOf(item));
  return !siblings.empty() && siblings.back() == item;
}

TreeItemId CTreeLogic::PreviousSibling(TreeItemId item) const {
  const std::vector<TreeItemId>& siblings = ChildrenOf(ParentOf(item));
  auto at = std::find(siblings.begin(), siblings.end(), item);
  return at == siblings.end() || at == siblings.begin() ? kNoItem : *(at - 1);
}

void CTreeLogic::SetExpanded(TreeItemId item, bool expanded) {
  if (IsLive(item)) Mutable(item).expanded = expanded;
}

void CTreeLogic::Visible(const std::vector<TreeItemId>& items, std::vector<TreeItemId>& out) const {
  for (TreeItemId item : items) {
    out.push_back(item);
    if (Item(item).expanded) Visible(Item(item).children, out);
  }
}

std::vector<TreeItemId> CTreeLogic::VisibleOrder() const {
  std::vector<TreeItemId> order;
  Visible(m_top, order);
  return order;
}

TreeItemId CTreeLogic::NextVisible(TreeItemId item) const {
  const std::vector<TreeItemId> order = VisibleOrder();
  auto at = std::find(order.begin(), order.end(), item);
  return at == order.end() || at + 1 == order.end() ? kNoItem : *(at + 1);
}

TreeItemId CTreeLogic::PreviousVisible(TreeItemId item) const {
  const std::vector<TreeItemId> order = VisibleOrder();
  auto at = std::find(order.begin(), order.end(), item);
  return at == order.end() || at == order.begin() ? kNoItem : *(at - 1);
}

std::u16string CTreeLogic::Label(TreeItemId item) const {
  std::u16string name;
  if (CSettingsNode* node = NodeOf(item)) node->GetNodeName(name, true);
  return name;
}

void CTreeLogic::RemoveItems(const std::vector<TreeItemId>& items) {
  std::vector<TreeItemId> parents;
  for (TreeItemId item : items) {
    parents.push_back(ParentOf(item));
    Forget(item);
  }
  // Each list of siblings drops its gone items in one pass.
  std::sort(parents.begin(), parents.end());
  parents.erase(std::unique(parents.begin(), parents.end()), parents.end());
  for (TreeItemId parent : parents) {
    if (parent != kNoItem && !IsLive(parent)) continue;
    std::vector<TreeItemId>& siblings = parent == kNoItem ? m_top : Mutable(parent).children;
    siblings.erase(
        std::remove_if(siblings.begin(), siblings.end(), [&](TreeItemId item) { return !IsLive(item); }),
        siblings.end());
  }
}

void CTreeLogic::Forget(TreeItemId item) {
  for (TreeItemId child : Item(item).children) Forget(child);
  m_byNode->items.erase(Item(item).node);
  for (TreeItemId* kept : {&m_caret, &m_anchor, &m_pressed, &m_pressOrigin}) {
    if (*kept == item) *kept = kNoItem;
  }
  m_items[item - 1].reset();
}

// --- create flags

bool CTreeLogic::AnyCreatedBelow(TreeItemId item) const {
  for (TreeItemId child : ChildrenOf(item)) {
    if (NodeOf(child)->IsCreated() || AnyCreatedBelow(child)) return true;
  }
  return false;
}

bool CTreeLogic::AnyChildCreated(TreeItemId item) const {
  const std::vector<TreeItemId>& children = ChildrenOf(item);
  return std::any_of(children.begin(), children.end(),
                     [&](TreeItemId child) { return NodeOf(child)->IsCreated(); });
}

TreeChanges CTreeLogic::ToggleCreated(TreeItemId item) {
  TreeChanges changes;
  if (!IsLive(item)) return changes;
  m_hasSettings = 0;
  CSettingsNode* node = NodeOf(item);
  const TreeItemId parentItem = ParentOf(item);
  const bool old = node->IsCreated();
  const uint32_t type = node->GetType();
  if (!IsBookmarkListType(type) && !IsFileListType(type)) {
    const bool forced = node->IsNewEntryField();
    if (forced || !CanTake(node) || !CanTake(node->GetParent()) || node->IsDisabled()) {
      if (forced) {
        changes.Redraw(item);
        if (!old && parentItem != kNoItem) changes.Merge(RemarkForcedFields(parentItem));
      }
      return changes;
    }
  }
  // The first created node of a subtree makes its ancestors created, and an entry that becomes
  // created gets its identifying fields.
  if (parentItem != kNoItem && !old && !AnyCreatedBelow(parentItem)) {
    for (TreeItemId at = parentItem; at != kNoItem; at = ParentOf(at)) {
      NodeOf(at)->SetCreated(true, true);
      changes.Redraw(at);
      if (Level(at) == 1) Remark(at, changes);
    }
  }
  const bool value = !old;
  node->SetCreated(value, true);
  if (HasChildItems(item) && !SetChildrenCreated(item, value, true, changes)) node->SetCreated(old, true);
  SetLinked(item, value, changes);
  // An ancestor none of whose children is created any longer is not created either.
  for (TreeItemId at = parentItem; at != kNoItem && !AnyChildCreated(at); at = ParentOf(at)) {
    NodeOf(at)->SetCreated(false, true);
  }
  // Every ancestor's icon may have changed (its flag or whether its children are mixed).
  for (TreeItemId at = parentItem; at != kNoItem; at = ParentOf(at)) changes.Redraw(at);
  changes.Redraw(item);
  return changes;
}

void CTreeLogic::SetLinked(TreeItemId item, bool value, TreeChanges& changes) {
  CSettingsNode* node = NodeOf(item);
  CSettingsNode* parent = node->GetParent();
  if (!parent) return;
  std::vector<uint32_t> linked;
  switch (node->GetType()) {
    case kConnectionTypeType:
    case kRemoteModemTypeType:
    case kMaxConnectionSpeedType:
      linked = {kConnectionTypeType, kRemoteModemTypeType, kMaxConnectionSpeedType};
      break;
    case kIncludeSignatureType:
    case kSignatureType:
      linked = {kIncludeSignatureType, kSignatureType};
      break;
    default:
      return;
  }
  for (uint32_t type : linked) {
    CSettingsNode* sibling = parent->FindChildOfType(type);
    if (!sibling || sibling == node) continue;
    sibling->SetCreated(value, true);
    changes.Redraw(ItemOfNode(sibling));
  }
}

bool CTreeLogic::SetChildrenCreated(TreeItemId item, bool value, bool top, TreeChanges& changes) {
  bool any = false;
  m_hasSettings = 0;
  for (TreeItemId child : ChildrenOf(item)) {
    CSettingsNode* node = NodeOf(child);
    if (node->IsDisabled()) {
      if (!value && node->IsCreated()) {
        node->SetCreated(false, true);
        changes.Redraw(child);
        any = true;
      }
    } else if (CanTake(node) && CanTake(node->GetParent())) {
      const uint32_t type = node->GetType();
      // A group switched off directly keeps its mailbox type and servers.
      if (!(top && !value && (type == kMailboxTypeType || type == kInServerType || type == kOutServerType))) {
        node->SetCreated(value, true);
        changes.Redraw(child);
        any = true;
      }
    }
    if (SetChildrenCreated(child, value, false, changes)) any = true;
  }
  return any;
}

bool CTreeLogic::HasMixedChildren(CSettingsNode* node) const {
  bool created = false, notCreated = false;
  for (size_t i = 0; i < node->GetChildCount(); ++i) {
    CSettingsNode* child = node->GetChild(i);
    if (child->IsDisabled()) continue;
    if (!child->CanTakeCreateFlag()) return false;
    (child->IsCreated() ? created : notCreated) = true;
    if ((created && notCreated) || HasMixedChildren(child)) return true;
  }
  return false;
}

bool CTreeLogic::Remark(TreeItemId item, TreeChanges& changes) {
  bool found = false;
  for (TreeItemId child : ChildrenOf(item)) {
    CSettingsNode* node = NodeOf(child);
    const bool forced = !node->IsDisabled() && node->IsNewEntryField();
    if (forced) {
      node->SetCreated(true, true);
      changes.Redraw(child);
      changes.Redraw(item);
      found = true;
    }
    if (HasChildItems(child)) {
      const bool below = Remark(child, changes);
      // A group on the way to a forced field is created with it.
      if (!forced && below && !node->IsCreated()) {
        node->SetCreated(true, true);
        changes.Redraw(child);
      }
      found = found || below;
    }
  }
  return found;
}

TreeChanges CTreeLogic::RemarkForcedFields(TreeItemId item) {
  TreeChanges changes;
  m_hasSettings = 0;
  if (IsLive(item)) Remark(item, changes);
  return changes;
}

TreeChanges CTreeLogic::MarkCreatedIfChanged(TreeItemId item, const std::u16string& oldValue) {
  CSettingsNode* node = NodeOf(item);
  if (!node || node->IsCreated() || DisplayValue(*node) == oldValue) return {};
  return ToggleCreated(item);
}

bool CTreeLogic::HasSettings() {
  if (m_hasSettings == 0) {
    bool any = false;
    std::vector<const CSettingsNode*> pending;
    if (m_root) pending.push_back(m_root);
    while (!pending.empty() && !any) {
      const CSettingsNode* node = pending.back();
      pending.pop_back();
      any = node->IsCreated();
      for (size_t i = 0; i < node->GetChildCount(); ++i) pending.push_back(node->GetChild(i));
    }
    m_hasSettings = any ? 1 : 2;
  }
  return m_hasSettings == 1;
}

// --- caret and marks

void CTreeLogic::SetCaret(TreeItemId item) { m_caret = IsLive(item) ? item : kNoItem; }

bool CTreeLogic::IsMarked(TreeItemId item) const { return Item(item).marked; }

std::vector<TreeItemId> CTreeLogic::MarkedItems() const {
  std::vector<TreeItemId> marked;
  for (TreeItemId item : VisibleOrder()) {
    if (IsMarked(item)) marked.push_back(item);
  }
  return marked;
}

void CTreeLogic::SetMark(TreeItemId item, bool marked, TreeChanges& changes) {
  if (!IsLive(item) || Item(item).marked == marked) return;
  Mutable(item).marked = marked;
  changes.Redraw(item);
}

void CTreeLogic::ClearMarks(TreeChanges& changes) {
  for (size_t i = 0; i < m_items.size(); ++i) {
    if (m_items[i] && m_items[i]->marked) SetMark(static_cast<TreeItemId>(i + 1), false, changes);
  }
}

void CTreeLogic::MarkRange(TreeItemId from, TreeItemId to, TreeChanges& changes) {
  const std::vector<TreeItemId> order = VisibleOrder();
  auto a = std::find(order.begin(), order.end(), from);
  auto b = std::find(order.begin(), order.end(), to);
  if (a == order.end()) a = b;
  if (a > b) std::swap(a, b);
  ClearMarks(changes);
  if (b == order.end()) return;
  for (auto at = a; at <= b; ++at) SetMark(*at, true, changes);
}

void CTreeLogic::OpenRange() {
  if (m_anchor == kNoItem) m_anchor = m_caret;
}

TreeChanges CTreeLogic::ClickRow(TreeItemId item, bool ctrl, bool shift) {
  TreeChanges changes;
  if (!IsLive(item)) return changes;
  changes.Redraw(m_caret);
  changes.Redraw(item);
  if (ctrl) {
    m_anchor = item;
    SetMark(item, !IsMarked(item), changes);
  } else if (shift) {
    if (m_anchor == kNoItem) m_anchor = m_caret != kNoItem ? m_caret : item;
    MarkRange(m_anchor, item, changes);
  } else {
    ClearMarks(changes);
    m_anchor = kNoItem;
    SetMark(item, true, changes);
  }
  m_caret = item;
  return changes;
}

TreeChanges CTreeLogic::MoveCaret(TreeItemId item, bool ctrl, bool shift) {
  if (!IsLive(item)) return {};
  if (!ctrl) return ClickRow(item, false, shift);
  TreeChanges changes;
  changes.Redraw(m_caret);
  changes.Redraw(item);
  m_caret = item;
  return changes;
}

TreeChanges CTreeLogic::ToggleCaretMark() {
  TreeChanges changes;
  if (m_caret == kNoItem) return changes;
  if (m_anchor == kNoItem) m_anchor = m_caret;
  SetMark(m_caret, !IsMarked(m_caret), changes);
  return changes;
}

TreeChanges CTreeLogic::FocusItem(TreeItemId item) { return ClickRow(item, false, false); }

TreeChanges CTreeLogic::MarkAllVisible() {
  TreeChanges changes;
  for (TreeItemId item : VisibleOrder()) SetMark(item, true, changes);
  if (m_anchor == kNoItem)
    m_anchor = m_caret != kNoItem ? m_caret : (m_top.empty() ? kNoItem : m_top.front());
  return changes;
}

// --- the pressed state icon

bool CTreeLogic::BeginPress(TreeItemId item) {
  if (!IsLive(item) || NodeOf(item)->IsDisabled()) return false;
  m_pressed = m_pressOrigin = item;
  return true;
}

bool CTreeLogic::TrackPress(TreeItemId under) {
  if (m_pressOrigin == kNoItem) return false;
  const TreeItemId pressed = under == m_pressOrigin ? m_pressOrigin : kNoItem;
  const bool changed = pressed != m_pressed;
  m_pressed = pressed;
  return changed;
}

TreeChanges CTreeLogic::EndPress(bool toggle) {
  TreeChanges changes;
  const TreeItemId origin = m_pressOrigin;
  const bool over = origin != kNoItem && m_pressed == origin;
  m_pressed = m_pressOrigin = kNoItem;
  changes.Redraw(origin);
  if (toggle && over) changes.Merge(ToggleCreated(origin));
  return changes;
}

// --- deletion

bool CTreeLogic::CanDeleteSelection() const {
  for (TreeItemId item : MarkedItems()) {
    if (IsListEntryType(NodeOf(item)->GetType())) return true;
  }
  return false;
}

CTreeLogic::DeleteResult CTreeLogic::DeleteSelectedEntry() {
  DeleteResult result;
  const std::vector<TreeItemId> order = VisibleOrder();
  const std::vector<TreeItemId> marked = MarkedItems();
  const auto caretAt = std::find(order.begin(), order.end(), m_caret);
  const bool haveAbove = caretAt != order.end() && caretAt != order.begin();
  // From the last marked entry up; the walk stops at an entry in use.
  std::vector<TreeItemId> entries;
  std::vector<CSettingsNode*> nodes;
  for (auto at = marked.rbegin(); at != marked.rend(); ++at) {
    if (!IsLive(*at) || !IsListEntryType(NodeOf(*at)->GetType())) continue;
    entries.push_back(*at);
    nodes.push_back(NodeOf(*at));
  }
  result.removed = CSettingsNode::RemoveEntries(nodes);
  if (result.removed.size() < nodes.size()) result.refusal = GetLastReadError();
  entries.resize(result.removed.size());
  for (TreeItemId entry : entries) {
    result.changes.Redraw(ParentOf(entry));  // its create flag may have gone
    result.changes.deleted.push_back(entry);
  }
  RemoveItems(entries);
  if (result.removed.empty()) return result;
  m_hasSettings = 0;
  // References to a deleted access point are repaired when shown: every row may change.
  result.changes.redrawAll = true;
  // The caret goes below the item that stood above it. That item may have gone with an entry (it
  // was the entry or one of its fields): the nearest surviving item above it takes its place.
  if (haveAbove) {
    for (auto above = std::make_reverse_iterator(caretAt); above != order.rend(); ++above) {
      if (!IsLive(*above)) continue;
      TreeItemId below = NextVisible(*above);
      result.caret = below != kNoItem ? below : *above;
      break;
    }
  }
  if (result.caret == kNoItem && IsLive(m_caret)) result.caret = m_caret;
  if (result.caret != kNoItem) result.changes.Merge(ClickRow(result.caret, false, false));
  return result;
}

// --- drawing

TreeIcon CTreeLogic::StateIcon(TreeItemId item) const {
  CSettingsNode* node = NodeOf(item);
  if (!node) return TreeIcon::None;
  const bool inactive = node->IsDisabled();  // first: it clears the flag of an inactive node
  const bool forced = node->IsNewEntryField();
  const bool pressed = m_pressed == item;
  if (pressed && !inactive) return forced ? TreeIcon::PressedForced : TreeIcon::Pressed;
  if (!pressed && HasChildItems(item) && HasMixedChildren(node)) return TreeIcon::Mixed;
  if (inactive) return node->IsCreated() ? TreeIcon::MarkedInactive : TreeIcon::UnmarkedInactive;
  if (node->IsCreated()) return forced ? TreeIcon::MarkedForced : TreeIcon::Marked;
  return TreeIcon::Unmarked;
}

TreeIcon CTreeLogic::ExpandIcon(TreeItemId item) const {
  if (!HasChildItems(item)) return TreeIcon::None;
  return Item(item).expanded ? TreeIcon::Expanded : TreeIcon::Collapsed;
}

std::u16string CTreeLogic::ValueText(TreeItemId item, bool& ellipsis) const {
  ellipsis = true;
  CSettingsNode* node = NodeOf(item);
  if (!node) return {};
  if (node->GetKind() == kKindPassword) return node->GetValue().empty() ? u"" : kPasswordMask;
  if (node->GetType() == kMessageMaxSizeType) {
    ellipsis = false;
    return DisplayValue(*node) + u" kB";
  }
  return DisplayValue(*node);
}

// --- editing

EditorPlan CTreeLogic::PlanEdit(TreeItemId item) const {
  EditorPlan plan;
  CSettingsNode* node = NodeOf(item);
  if (!node || node->IsDisabled()) return plan;
  plan.nodeType = node->GetType();
  plan.limit = GetMaxValueLength(*node);
  switch (node->GetKind()) {
    case kKindIpAddress: {
      plan.editor = EditorKind::IpAddress;
      plan.text = DisplayValue(*node);
      // Every part takes 0 to 255: "0.0.0.0" is the default of every address field and 255 is a
      // valid part anywhere but at the end of a host address, which the field cannot know.
      for (int i = 0; i < 4; ++i) {
        plan.fieldLow[i] = 0;
        plan.fieldHigh[i] = 255;
      }
      break;
    }
    case kKindHost:
    case kKindEmail:
    case kKindText:
    case kKindEntryName:
    case kKindMailboxName:
    case kKindCentreName:
    case kKindModemInit:
      plan.editor = EditorKind::Text;
      plan.mode = node->GetKind() == kKindEmail ? TextMode::Email : TextMode::Plain;
      plan.text = DisplayValue(*node);
      break;
    case kKindPort:
    case kKindNumber:
      plan.editor = EditorKind::Number;
      plan.text = DisplayValue(*node);
      if (node->GetKind() == kKindPort) {
        plan.clamp = true;
        plan.clampLow = 0;
        plan.clampHigh = 65535;
      } else if (plan.nodeType == kMessageMaxSizeType) {
        plan.clamp = true;
        plan.clampLow = 1;
        plan.clampHigh = 1000;
      }
      break;
    case kKindPhone:
      plan.editor = EditorKind::Value;
      plan.text = DisplayValue(*node);
      break;
    case kKindPassword:
      // No node type is a confirmation field, so every password edits in the password mode.
      plan.editor = EditorKind::Text;
      plan.mode = TextMode::Password;
      plan.passwordEcho = true;
      break;
    case kKindLongText:
      // The stored text: the display value of a script or a signature is only a placeholder.
      plan.editor = EditorKind::LongText;
      node->GetDisplayValue(plan.text, false);
      plan.dialogMode = plan.nodeType == kSignatureType ? 0 : 1;
      break;
    case kKindChoice:
    case 14:
      plan.editor = EditorKind::Combo;
      plan.freeText = node->GetKind() == 14;
      node->GetChoices(plan.choices, true);
      plan.text = DisplayValue(*node);
      break;
    case kKindFileList:
      plan.editor = EditorKind::FileList;
      plan.fileList = FileListFor(plan.nodeType);
      plan.text = DisplayValue(*node);
      break;
    case kKindWwwBookmarks:
    case kKindWapBookmarks:
      plan.editor = EditorKind::BookmarkList;
      plan.dialogMode = node->GetKind() == kKindWwwBookmarks ? 0 : 1;
      plan.text = DisplayValue(*node);
      break;
    default:
      break;
  }
  return plan;
}

StoreResult CTreeLogic::StoreText(TreeItemId item, const std::u16string& text, TreeChanges& changes) {
  CSettingsNode* node = NodeOf(item);
  if (!node) return StoreResult::Unchanged;
  const uint32_t kind = node->GetKind();
  if ((kind == kKindEntryName || kind == kKindMailboxName) && text.empty()) return StoreResult::Unchanged;
  if (node->GetType() == kDefaultVoiceMailboxType && text.size() == 1) return StoreResult::Invalid;
  const std::u16string old = DisplayValue(*node);
  m_hasSettings = 0;
  if (!node->SetDisplayValue(text)) return StoreResult::Refused;
  changes.Merge(MarkCreatedIfChanged(item, old));
  changes.Redraw(item);
  return StoreResult::Stored;
}

StoreResult CTreeLogic::StorePassword(TreeItemId item, const std::u16string& text, TreeChanges& changes) {
  if (text.empty()) return StoreResult::Unchanged;
  return StoreText(item, text, changes);
}

StoreResult CTreeLogic::StoreChoice(TreeItemId item, const std::u16string& stored, TreeChanges& changes) {
  StoreResult result = StoreText(item, stored, changes);
  CSettingsNode* node = NodeOf(item);
  if (result == StoreResult::Stored && node->GetType() == kIncludeSignatureType && node->IsCreated()) {
    if (CSettingsNode* signature = node->GetParent()->FindChildOfType(kSignatureType)) {
      signature->SetCreated(true, true);
      changes.Redraw(ItemOfNode(signature));
    }
  }
  return result;
}

StoreResult CTreeLogic::StoreLongText(TreeItemId item, const std::u16string& text, TreeChanges& changes) {
  CSettingsNode* node = NodeOf(item);
  if (!node) return StoreResult::Unchanged;
  const std::u16string old = node->GetValue();
  m_hasSettings = 0;
  if (!node->SetDisplayValue(text)) return StoreResult::Refused;
  // Compared as stored: the shown text of a script or signature stays the same placeholder.
  if (node->GetValue() != old && !node->IsCreated()) changes.Merge(ToggleCreated(item));
  changes.Redraw(item);
  return StoreResult::Stored;
}

void CTreeLogic::StoreListEdit(TreeItemId item, const std::u16string& oldValue, bool entriesChanged,
                               TreeChanges& changes) {
  CSettingsNode* node = NodeOf(item);
  if (!node) return;
  m_hasSettings = 0;
  const bool wasModified = IsDocumentModified();
  const bool wasCreated = node->IsCreated();
  const bool changed = entriesChanged || DisplayValue(*node) != oldValue;
  // The flag is set to the opposite and then toggled, so that the toggle's rules (ancestors,
  // entries) apply.
  node->SetCreated(node->GetChildCount() == 0, false);
  changes.Merge(ToggleCreated(item));
  // The toggle marks the document whenever it moves the flag; an OK that changed nothing leaves
  // the document as it was.
  SetDocumentModified(wasModified || changed || node->IsCreated() != wasCreated);
  changes.Redraw(item);
}

// --- help

uint32_t CTreeLogic::GetHelpContext(bool printPreview) const {
  if (printPreview) return 506;
  const CSettingsNode* node = NodeOf(m_caret);
  if (!node) return 0;
  while (node->GetParent() && node->GetParent()->GetType() != kRootType) node = node->GetParent();
  switch (node->GetType()) {
    case kIapSettingsType:
      return 279;
    case kEmailSettingsType:
      return 140;
    case kWapSettingsType:
      return 388;
    case kSmsSettingsType:
      return 323;
    case kPersonalDataType:
      return 460;
    case kFileTransferType:
      return 550;
    default:
      return 0;
  }
}

// --- tables

bool CharOpensEditor(uint32_t kind, char16_t ch) {
  const bool digit = ch >= u'0' && ch <= u'9';
  switch (kind) {
    case kKindIpAddress:
    case kKindPort:
    case kKindNumber:
      return digit;
    case kKindPhone:
      return digit || std::u16string_view(u"+(),pw-/*#.\b").find(ch) != std::u16string_view::npos;
    case kKindHost:
    case kKindEmail:
    case kKindText:
    case kKindPassword:
    case kKindEntryName:
    case kKindMailboxName:
    case kKindCentreName:
    case kKindModemInit:
      // Space is the state icon's key, never typed into a field from the tree.
      return (ch > 32 && ch <= 126) || (ch >= 128 && ch <= 255);
    default:
      return false;
  }
}

TreeKeyCommand KeyCommand(uint32_t virtualKey, bool ctrl) {
  constexpr uint32_t kF5 = 0x74;
  if (virtualKey == kF5) return TreeKeyCommand::Send;
  // The letters' own codes: the keypad's decimal key (0x6E) and F1 (0x70) are their lower cases.
  if (ctrl && virtualKey == 'N') return TreeKeyCommand::NewFile;
  if (ctrl && virtualKey == 'P') return TreeKeyCommand::Print;
  return TreeKeyCommand::None;
}

bool HelpContextHasTopic(uint32_t context) {
  return context == 279 || context == 140 || context == 388 || context == 323;
}

FileListSetup FileListFor(uint32_t listType) {
  FileListSetup setup;
  const std::u16string all = LoadResString(kAllFilesFilterText, true) + u" (*.*)|*.*||";
  switch (listType) {
    case kNamelessFileListType:
      setup.filter = all;
      setup.entryType = kNamelessFileListType;
      break;
    case kRingingTonesType:
      setup.filter = all;
      setup.entryType = kRingingToneType;
      break;
    case kBackgroundImagesType:
      setup.filter =
          LoadResString(kImagesFilterText, true) + u" (*.jpg;*.bmp;*.gif)|*.jpg;*.bmp;*.gif|" + all;
      setup.entryType = kBackgroundImageType;
      break;
    case kSisFilesType:
      setup.filter = LoadResString(kSoftwarePackagesFilterText, true) + u" (*.sis)|*.sis|" + all;
      setup.entryType = kSisFileType;
      break;
    case kFilesType:
      setup.filter = all;
      setup.entryType = kFileType;
      setup.localType = kFileLocalType;
      setup.remoteType = kFileRemoteType;
      break;
    default:
      break;
  }
  return setup;
}

RowGeometry RowLayout(int level, bool hasChildren, int indent, int width) {
  RowGeometry row;
  row.stateX = (level + 1) * indent;
  row.expandX = (level + 2) * indent;
  row.labelX = (level + (hasChildren ? 3 : 2)) * indent + 3;
  row.valueLeft = width / 3 * 2;
  row.valueRight = width / 20 * 19;
  row.labelRight = hasChildren ? row.valueRight : row.valueLeft - 4;
  return row;
}

RowPart HitRow(int x, int y, int level, bool hasChildren, int indent, int itemHeight) {
  const int top = (itemHeight - 16) / 2;
  if (hasChildren) {
    // The expand icon answers in the square from its centre to its lower right corner.
    const int left = (level + 2) * indent + (indent - 16) / 2;
    if (x >= left + 8 && x < left + 16 && y >= top + 8 && y < top + 16) return RowPart::ExpandIcon;
  }
  const int left = (level + 1) * indent + (indent - 16) / 2;
  if (x >= left && x < left + 16 && y >= top && y < top + 16) return RowPart::StateIcon;
  return RowPart::Row;
}

}  // namespace orvel::ui
