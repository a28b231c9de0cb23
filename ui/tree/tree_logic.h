// The settings tree apart from any window: a mirror of the tree control's items (node, parent, child
// items, the operator's mark, expanded), the caret, the anchor of a mark range and the pressed state
// icon; the create-flag rules of the state icon, the marks, the deletion of list entries, the help
// context, the choice of editor for a value kind and how an edit is stored. Every operation that
// changes something answers which items the window has to redraw, insert or delete.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvel {
class CSettingsNode;
}

namespace orvel::ui {

// Items are numbered from 1 in the order they are made; a number is never reused until the next
// Build or Clear, so a number kept across a deletion is recognised as gone (IsLive).
using TreeItemId = uint32_t;
inline constexpr TreeItemId kNoItem = 0;

struct TreeItem {
  CSettingsNode* node = nullptr;
  TreeItemId parent = kNoItem;
  std::vector<TreeItemId> children;
  bool marked = false;
  bool expanded = false;
};

// What an operation changed. The window redraws `redraw` (or everything), inserts `inserted` (each
// after its parent, in order) and deletes `deleted` (the tops of deleted subtrees).
struct TreeChanges {
  std::vector<TreeItemId> redraw;
  std::vector<TreeItemId> inserted;
  std::vector<TreeItemId> deleted;
  bool redrawAll = false;
  void Redraw(TreeItemId item);
  void Merge(const TreeChanges& other);
};

// The icon resources of the state and expand icons.
enum class TreeIcon : uint32_t {
  None = 0,
  Unmarked = 10240,
  Marked = 10236,
  Pressed = 10258,
  UnmarkedInactive = 10248,
  MarkedInactive = 10244,
  MarkedForced = 10253,
  PressedForced = 10259,
  Mixed = 10257,
  Collapsed = 10214,
  Expanded = 10223,
};

// Which editor or dialog a value kind opens, and with what.
enum class EditorKind { None, Text, Number, Value, Combo, IpAddress, LongText, FileList, BookmarkList };
// The text editor's modes (the in-place text editor's own numbering).
enum class TextMode : uint16_t { Email = 0, Plain = 1, ConfirmPassword = 2, Password = 3 };

// The file list dialog's set-up by the list's node type: filter ("Name (*.x)|*.x|...||") and the
// entry types; all empty/0 for a type without one.
struct FileListSetup {
  std::u16string filter;
  uint32_t entryType = 0;
  uint32_t localType = 0;
  uint32_t remoteType = 0;
};

struct EditorPlan {
  EditorKind editor = EditorKind::None;
  uint32_t nodeType = 0;
  TextMode mode = TextMode::Plain;      // text editor
  bool passwordEcho = false;            // text editor: echo "*" and start empty
  size_t limit = 0;                     // text, number and value editors
  std::u16string text;                  // what the editor or dialog starts with
  bool freeText = false;                // combo box with an edit field (kind 14)
  std::vector<std::u16string> choices;  // combo box: "stored\nshown" or one text for both
  int fieldLow[4] = {0, 0, 0, 0};       // IP address control
  int fieldHigh[4] = {255, 255, 255, 255};
  bool clamp = false;  // number editor: the stored number is kept within clampLow..clampHigh
  uint32_t clampLow = 0;
  uint32_t clampHigh = 0;
  uint16_t dialogMode =
      0;  // long text: 0 the signature (500 characters), 1 others; bookmark list: 0 WWW, 1 WAP
  FileListSetup fileList;
};

// How a stored edit ended.
enum class StoreResult {
  Stored,     // the value was applied (it may equal the old one)
  Unchanged,  // nothing to store (an empty entry name or password)
  Refused,    // the model refused the value (a name already used, the placeholder's name)
  Invalid,    // kInvalidValueText: the value is not acceptable
};

// The main view's operations that keys of the tree run.
enum class TreeKeyCommand { None, Send, NewFile, Print };

// The row's parts that a click can meet.
enum class RowPart { Row, StateIcon, ExpandIcon };

class CTreeLogic {
 public:
  CTreeLogic();
  ~CTreeLogic();
  CTreeLogic(const CTreeLogic&) = delete;
  CTreeLogic& operator=(const CTreeLogic&) = delete;

  // --- items
  // Drops every item (marks, caret, anchor and press too).
  void Clear();
  // Clears, then mirrors the root's subtree: the root's visible children are the top-level items.
  void Build(CSettingsNode* root);
  // Inserts the node's visible children under parentItem, recursively; a file list (a child of the
  // file transfer group) gets no items for its entries. The new items, parents first.
  std::vector<TreeItemId> InsertNodeItems(CSettingsNode* node, TreeItemId parentItem);
  // After an edit: the first node that has no item yet gets one (with its subtree), at its place.
  TreeChanges SyncNewNodes();

  CSettingsNode* Root() const { return m_root; }
  bool IsLive(TreeItemId item) const;
  const TreeItem& Item(TreeItemId item) const;
  CSettingsNode* NodeOf(TreeItemId item) const;
  TreeItemId ItemOfNode(const CSettingsNode* node) const;
  const std::vector<TreeItemId>& TopItems() const { return m_top; }
  const std::vector<TreeItemId>& ChildrenOf(TreeItemId item) const;
  TreeItemId ParentOf(TreeItemId item) const;
  bool HasChildItems(TreeItemId item) const { return !ChildrenOf(item).empty(); }
  // 0 for a top-level item.
  int Level(TreeItemId item) const;
  // Whether the item is the last child item of its parent (or the last top-level item).
  bool IsLastChild(TreeItemId item) const;
  // The item that comes before `item` among its siblings; kNoItem for the first.
  TreeItemId PreviousSibling(TreeItemId item) const;
  void SetExpanded(TreeItemId item, bool expanded);
  // Every item whose ancestors are all expanded, in display order.
  std::vector<TreeItemId> VisibleOrder() const;
  TreeItemId NextVisible(TreeItemId item) const;
  TreeItemId PreviousVisible(TreeItemId item) const;
  // The item's label: the node's localized element name.
  std::u16string Label(TreeItemId item) const;

  // --- create flags
  TreeChanges ToggleCreated(TreeItemId item);
  // Marks the node created (through ToggleCreated) when its display value differs from oldValue
  // and it is not created yet.
  TreeChanges MarkCreatedIfChanged(TreeItemId item, const std::u16string& oldValue);
  // Pushes value down to the child items; whether any child was set.
  bool SetChildrenCreated(TreeItemId item, bool value, bool top, TreeChanges& changes);
  // Over the node's children, skipping inactive ones: false as soon as one cannot take the flag;
  // true when created and not-created children were both seen or some child's children are mixed.
  bool HasMixedChildren(CSettingsNode* node) const;
  // Every active identifying field of a new entry below the item is set created.
  TreeChanges RemarkForcedFields(TreeItemId item);
  // Some node of the document is marked created; cached until the content or the flags change.
  bool HasSettings();
  void InvalidateHasSettings() { m_hasSettings = 0; }

  // --- caret and marks
  TreeItemId Caret() const { return m_caret; }
  // Moves the caret without touching the marks (the control moved it).
  void SetCaret(TreeItemId item);
  TreeItemId Anchor() const { return m_anchor; }
  bool RangeOpen() const { return m_anchor != kNoItem; }
  bool IsMarked(TreeItemId item) const;
  std::vector<TreeItemId> MarkedItems() const;  // in visible order
  // Shift pressed: a range opens at the caret unless one is open.
  void OpenRange();
  // A click on the row: Ctrl toggles the item's mark and keeps the others; Shift marks the anchor's
  // range to it; plain clears the marks and marks the item. The item becomes the caret.
  TreeChanges ClickRow(TreeItemId item, bool ctrl, bool shift);
  // An arrow key to `item`: Ctrl keeps the marks and leaves the new caret unmarked; Shift marks the
  // range from the anchor; plain clears the marks and marks the new caret.
  TreeChanges MoveCaret(TreeItemId item, bool ctrl, bool shift);
  // Ctrl+Space: a range opens at the caret and the caret's mark flips.
  TreeChanges ToggleCaretMark();
  // Before an edit: every mark cleared, the item the caret and marked, the range closed.
  TreeChanges FocusItem(TreeItemId item);
  // Marks every visible item (a range is open then).
  TreeChanges MarkAllVisible();

  // --- the pressed state icon
  // The press begins on an active item; false for an inactive one.
  bool BeginPress(TreeItemId item);
  TreeItemId Pressed() const { return m_pressed; }
  TreeItemId PressOrigin() const { return m_pressOrigin; }
  // The pointer moved: the pressed state follows whether it is over the origin. Whether it changed.
  bool TrackPress(TreeItemId under);
  // The press ends; ToggleCreated runs when it ended over its origin.
  TreeChanges EndPress(bool toggle);

  // --- deletion
  struct DeleteResult {
    TreeChanges changes;
    // The removed nodes: the caller destroys them once the control's items are gone.
    std::vector<std::unique_ptr<CSettingsNode>> removed;
    // The message of an entry that could not go (in use); the walk stopped there.
    std::u16string refusal;
    // The new caret, kNoItem to leave it where the control puts it.
    TreeItemId caret = kNoItem;
  };
  DeleteResult DeleteSelectedEntry();
  bool CanDeleteSelection() const;

  // --- drawing
  TreeIcon StateIcon(TreeItemId item) const;
  TreeIcon ExpandIcon(TreeItemId item) const;
  // The value column's text; `ellipsis` false where the text is drawn whole.
  std::u16string ValueText(TreeItemId item, bool& ellipsis) const;

  // --- editing
  // The editor or dialog of the item's node (None for an inactive node).
  EditorPlan PlanEdit(TreeItemId item) const;
  // Storing an edit's text: SetDisplayValue, then MarkCreatedIfChanged. Entry names (kinds 9, 10)
  // stay when the text is empty; DefaultVoiceMailbox refuses a one-character number.
  StoreResult StoreText(TreeItemId item, const std::u16string& text, TreeChanges& changes);
  // A confirmed password (an empty one stores nothing).
  StoreResult StorePassword(TreeItemId item, const std::u16string& text, TreeChanges& changes);
  // A choice's stored part; IncludeSignature created makes its Signature created.
  StoreResult StoreChoice(TreeItemId item, const std::u16string& stored, TreeChanges& changes);
  // The long-text dialog's text; the node is marked when its stored value changed.
  StoreResult StoreLongText(TreeItemId item, const std::u16string& text, TreeChanges& changes);
  // After a list dialog (file list or bookmark list) ended with OK: the document is modified when
  // the list's display value (oldValue before) or its entries changed, and the list is created
  // exactly when it has entries, through ToggleCreated so that its ancestors follow.
  void StoreListEdit(TreeItemId item, const std::u16string& oldValue, bool entriesChanged,
                     TreeChanges& changes);

  // --- help
  // The caret's top-level group's context; 506 while the print preview shows.
  uint32_t GetHelpContext(bool printPreview) const;

 private:
  TreeItemId NewItem(CSettingsNode* node, TreeItemId parent, size_t position);
  TreeItem& Mutable(TreeItemId item);
  void Visible(const std::vector<TreeItemId>& items, std::vector<TreeItemId>& out) const;
  bool AnyCreatedBelow(TreeItemId item) const;
  bool AnyChildCreated(TreeItemId item) const;
  bool Remark(TreeItemId item, TreeChanges& changes);
  void SetLinked(TreeItemId item, bool value, TreeChanges& changes);
  // Drops the items with their subtrees.
  void RemoveItems(const std::vector<TreeItemId>& items);
  // Drops the item and its subtree without taking it out of its parent's children.
  void Forget(TreeItemId item);
  void ClearMarks(TreeChanges& changes);
  void SetMark(TreeItemId item, bool marked, TreeChanges& changes);
  void MarkRange(TreeItemId from, TreeItemId to, TreeChanges& changes);
  bool SyncChildren(CSettingsNode* node, TreeItemId parentItem, TreeChanges& changes);

  CSettingsNode* m_root = nullptr;
  std::vector<std::unique_ptr<TreeItem>> m_items;  // by number - 1; null once deleted
  std::vector<TreeItemId> m_top;
  struct NodeIndex;
  std::unique_ptr<NodeIndex> m_byNode;
  TreeItemId m_caret = kNoItem;
  TreeItemId m_anchor = kNoItem;
  TreeItemId m_pressed = kNoItem;
  TreeItemId m_pressOrigin = kNoItem;
  int m_hasSettings = 0;  // 0 not computed, 1 some node created, 2 none
};

// --- tables

// Which editor a typed character opens on a node of the value kind: digits for numbers, ports and
// IP addresses; digits and + ( ) , p w - / * # . and backspace for phone numbers; printable
// characters (32 to 126, 128 to 255) for the text kinds.
bool CharOpensEditor(uint32_t kind, char16_t ch);
// The key of a key-down (virtual-key code) with Ctrl down or not: F5 sends, Ctrl+N and Ctrl+P.
TreeKeyCommand KeyCommand(uint32_t virtualKey, bool ctrl);
// Whether F1 opens the topic of the context (279, 140, 388, 323) rather than the help index.
bool HelpContextHasTopic(uint32_t context);
FileListSetup FileListFor(uint32_t listType);

// Row geometry, in pixels from the row's left edge: the columns of the state icon, the expand
// icon and the label, and the value column of a client width.
struct RowGeometry {
  int stateX;   // left of the state icon's column
  int expandX;  // left of the expand icon's column (items with child items)
  int labelX;
  int labelRight;  // for fields; groups run to the value column's right
  int valueLeft;
  int valueRight;
};
RowGeometry RowLayout(int level, bool hasChildren, int indent, int width);
// Which part of a row the point (x, y within the row) meets.
RowPart HitRow(int x, int y, int level, bool hasChildren, int indent, int itemHeight);

}  // namespace orvel::ui
