// clang-format off
#include <windows.h>  // before the tree header, which takes commctrl.h first
#include "ui/app/resource_ids.h"
#include "ui/tree/settings_tree.h"
// clang-format on

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

#include "settings/settings_node.h"
#include "settings/settings_row.h"
#include "settings/settings_schema.h"
#include "settings/settings_validate.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/dialogs/input_dialogs.h"
#include "ui/dialogs/text_dialogs.h"
#include "ui/lists/file_list_dlg.h"
#include "ui/lists/settings_list_dlg.h"
#include "ui/main/main_view.h"
#include "ui/print/print_preview.h"
#include "ui/print/settings_print.h"
#include "ui/tree/tree_logic.h"

namespace orvel::ui {

namespace {

constexpr int kDefaultItemHeight = 23;
constexpr int kIconSize = 16;

constexpr TreeIcon kIcons[] = {
    TreeIcon::Unmarked,       TreeIcon::Marked,       TreeIcon::Pressed,       TreeIcon::UnmarkedInactive,
    TreeIcon::MarkedInactive, TreeIcon::MarkedForced, TreeIcon::PressedForced, TreeIcon::Mixed,
    TreeIcon::Collapsed,      TreeIcon::Expanded,
};

enum class Active { None, Text, Number, Value, Combo, Address };

POINT PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

void DrawLine(HDC dc, int x1, int y1, int x2, int y2) {
  ::MoveToEx(dc, x1, y1, nullptr);
  ::LineTo(dc, x2, y2);
}

}  // namespace

struct CSettingsTree::State {
  // The editors are members of the tree: their messages hold it (and through it the main view).
  explicit State(CSettingsTree& owner) : tree(owner) {
    for (win::CWindowObject* editor :
         std::initializer_list<win::CWindowObject*>{&edit, &number, &value, &combo, &address})
      editor->SetOwner(&owner);
  }

  CSettingsTree& tree;
  CTreeLogic logic;
  std::vector<HTREEITEM> handles;  // by item number - 1
  // By item number - 1: the item's children are in the control. Children go into the control when
  // their parent is first expanded: the control checks every parent it is given against all its
  // items, so filling it with a large document at once would cost the square of its size.
  std::vector<bool> populated;
  // By item number - 1: the item went into the control without children, so the control must be
  // told once children come.
  std::vector<bool> childless;
  std::unordered_map<HTREEITEM, TreeItemId> items;
  HICON icons[std::size(kIcons)] = {};
  HFONT groupFont = nullptr;
  HFONT fieldFont = nullptr;
  int itemHeight = kDefaultItemHeight;
  int width = 0;

  CInplaceEdit edit;
  CInplaceNumberEdit number;
  CInplaceValueEdit value;
  CInplaceCombo combo;
  CIPAddressCtrlEx address;
  Active active = Active::None;
  TreeItemId edited = kNoItem;
  EditorPlan plan;
  bool selecting = false;  // the tree itself moves the control's caret

  HWND Window() const { return tree.Handle(); }
  HWND MessageOwner() const {
    return tree.m_owner && tree.m_owner->Handle() ? tree.m_owner->Handle() : ::GetParent(Window());
  }
  INT_PTR RunDialog(win::CDialog& dialog) const {
    return tree.m_owner ? tree.m_owner->RunModal(dialog) : dialog.DoModal(::GetParent(Window()));
  }

  HICON Icon(TreeIcon icon) const {
    for (size_t i = 0; i < std::size(kIcons); ++i) {
      if (kIcons[i] == icon) return icons[i];
    }
    return nullptr;
  }

  HTREEITEM HandleOf(TreeItemId item) const {
    return item != kNoItem && item <= handles.size() ? handles[item - 1] : nullptr;
  }
  TreeItemId IdOf(HTREEITEM handle) const {
    auto found = items.find(handle);
    return found == items.end() ? kNoItem : found->second;
  }

  // --- the control's items

  bool IsPopulated(TreeItemId item) const {
    return item == kNoItem || (item <= populated.size() && populated[item - 1]);
  }

  // Inserts the items whose parents show their children; the others wait for their parent's first
  // expansion, which only needs to know that there are children.
  void Insert(const std::vector<TreeItemId>& added) {
    for (TreeItemId item : added) {
      const TreeItemId parent = logic.ParentOf(item);
      if (parent != kNoItem && (!IsPopulated(parent) || !HandleOf(parent))) {
        ShowHasChildren(parent);
        continue;
      }
      std::wstring label = win::AsWide(logic.Label(item));
      TVINSERTSTRUCTW insert = {};
      insert.hParent = parent == kNoItem ? TVI_ROOT : HandleOf(parent);
      TreeItemId previous = logic.PreviousSibling(item);
      insert.hInsertAfter = previous == kNoItem ? TVI_FIRST : HandleOf(previous);
      if (!insert.hInsertAfter) insert.hInsertAfter = TVI_LAST;
      insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
      insert.item.pszText = label.data();
      insert.item.lParam = reinterpret_cast<LPARAM>(logic.NodeOf(item));
      const bool hasChildren = logic.HasChildItems(item);
      insert.item.cChildren = hasChildren ? 1 : 0;
      HTREEITEM handle = TreeView_InsertItem(Window(), &insert);
      if (handles.size() < item) handles.resize(item, nullptr);
      handles[item - 1] = handle;
      if (childless.size() < item) childless.resize(item, false);
      childless[item - 1] = !hasChildren;
      if (handle) items[handle] = item;
      if (parent != kNoItem) ShowHasChildren(parent);
    }
  }

  void ShowHasChildren(TreeItemId item) {
    HTREEITEM handle = HandleOf(item);
    if (!handle || item > childless.size() || !childless[item - 1]) return;
    childless[item - 1] = false;
    TVITEMW change = {};
    change.mask = TVIF_CHILDREN;
    change.hItem = handle;
    change.cChildren = 1;
    TreeView_SetItem(Window(), &change);
  }

  // Puts the item's children into the control before it expands for the first time.
  void Populate(TreeItemId item) {
    if (item == kNoItem || IsPopulated(item) || !HandleOf(item)) return;
    if (populated.size() < item) populated.resize(item, false);
    populated[item - 1] = true;
    const std::vector<TreeItemId> children = logic.ChildrenOf(item);
    Insert(children);
  }

  void Relabel(TreeItemId item) {
    HTREEITEM handle = HandleOf(item);
    if (!handle) return;
    std::wstring label = win::AsWide(logic.Label(item));
    TVITEMW change = {};
    change.mask = TVIF_TEXT;
    change.hItem = handle;
    change.pszText = label.data();
    TreeView_SetItem(Window(), &change);
  }

  // The handles of items that the logic dropped (a deleted entry's fields went with it).
  void ForgetDeleted() {
    for (size_t i = 0; i < handles.size(); ++i) {
      if (handles[i] && !logic.IsLive(static_cast<TreeItemId>(i + 1))) {
        items.erase(handles[i]);
        handles[i] = nullptr;
      }
    }
  }

  void Redraw(TreeItemId item) const {
    RECT row;
    HTREEITEM handle = HandleOf(item);
    if (handle && TreeView_GetItemRect(Window(), handle, &row, FALSE)) ::InvalidateRect(Window(), &row, TRUE);
  }

  void Apply(const TreeChanges& changes) {
    if (!changes.inserted.empty()) Insert(changes.inserted);
    for (TreeItemId item : changes.deleted) {
      if (HTREEITEM handle = HandleOf(item)) TreeView_DeleteItem(Window(), handle);
    }
    if (!changes.deleted.empty()) ForgetDeleted();
    if (changes.redrawAll || !changes.inserted.empty() || !changes.deleted.empty()) {
      ::InvalidateRect(Window(), nullptr, TRUE);
    } else {
      for (TreeItemId item : changes.redraw) Redraw(item);
    }
  }

  // Moves the control's caret without the marks changing on its notification.
  void SelectInControl(TreeItemId item) {
    HTREEITEM handle = HandleOf(item);
    if (!handle) return;
    selecting = true;
    TreeView_SelectItem(Window(), handle);
    selecting = false;
    TreeView_EnsureVisible(Window(), handle);
  }

  void ToggleExpansion(TreeItemId item) {
    HTREEITEM handle = HandleOf(item);
    if (!handle) return;
    Populate(item);
    // The control tells its parent only of the expansions the operator makes itself.
    TreeView_Expand(Window(), handle, TVE_TOGGLE);
    logic.SetExpanded(item, (TreeView_GetItemState(Window(), handle, TVIS_EXPANDED) & TVIS_EXPANDED) != 0);
    ::InvalidateRect(Window(), nullptr, TRUE);
  }

  // --- geometry

  int Indent() const { return static_cast<int>(TreeView_GetIndent(Window())); }

  // The item under a point of the client area, and the point's height within its row.
  TreeItemId ItemAt(POINT point, int& yInRow) const {
    for (HTREEITEM handle = TreeView_GetFirstVisible(Window()); handle;
         handle = TreeView_GetNextVisible(Window(), handle)) {
      RECT row;
      if (!TreeView_GetItemRect(Window(), handle, &row, FALSE)) break;
      if (row.top > point.y) break;
      if (point.y < row.bottom) {
        yInRow = point.y - row.top;
        return IdOf(handle);
      }
    }
    return kNoItem;
  }

  RECT ValueRect(TreeItemId item) const {
    RECT row = {};
    if (HTREEITEM handle = HandleOf(item)) TreeView_GetItemRect(Window(), handle, &row, FALSE);
    RowGeometry geometry = RowLayout(logic.Level(item), logic.HasChildItems(item), Indent(), width);
    return {geometry.valueLeft, row.top, geometry.valueRight, row.bottom};
  }

  // --- drawing

  void DrawItem(HDC dc, const RECT& row, TreeItemId item) {
    CSettingsNode* node = logic.NodeOf(item);
    if (!node) return;
    const int indent = Indent();
    const int level = logic.Level(item);
    const bool children = logic.HasChildItems(item);
    const RowGeometry geometry = RowLayout(level, children, indent, width);
    const int top = row.top, bottom = row.bottom, middle = (row.top + row.bottom) / 2;
    const int h = bottom - top;
    ::FillRect(dc, &row, ::GetSysColorBrush(COLOR_WINDOW));

    // Tree lines: the ancestors' levels that go on below this row, then the item's own.
    HPEN pen = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNFACE));
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    TreeItemId ancestor = logic.ParentOf(item);
    for (int at = level - 1; at >= 0 && ancestor != kNoItem; --at, ancestor = logic.ParentOf(ancestor)) {
      const int x = row.left + at * indent + indent / 2;
      if (!logic.IsLastChild(ancestor)) DrawLine(dc, x, top, x, bottom);
    }
    const int x = row.left + level * indent + indent / 2;
    if (node->GetType() == kIapSettingsType)
      DrawLine(dc, x, middle, x, logic.IsLastChild(item) ? middle : bottom);
    else
      DrawLine(dc, x, top, x, logic.IsLastChild(item) ? middle + 1 : bottom);
    DrawLine(dc, x, middle, row.left + (level + 2) * indent, middle);
    if (children && logic.Item(item).expanded) {
      const int down = row.left + (level + 1) * indent + indent / 2;
      DrawLine(dc, down, middle, down, bottom);
    }
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);

    const int iconTop = top + (h - kIconSize) / 2;
    auto drawIcon = [&](int column, TreeIcon icon) {
      const int left = row.left + column + (indent - kIconSize) / 2;
      RECT square = {left + 1, iconTop + 1, left + 15, iconTop + 15};
      ::FillRect(dc, &square, ::GetSysColorBrush(COLOR_WINDOW));
      if (HICON handle = Icon(icon))
        ::DrawIconEx(dc, left, iconTop, handle, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
    };
    drawIcon(geometry.stateX, logic.StateIcon(item));
    if (children) drawIcon(geometry.expandX, logic.ExpandIcon(item));

    const bool focus = ::GetFocus() == Window();
    const bool marked = logic.IsMarked(item);
    const bool inactive = node->IsDisabled();
    HGDIOBJ oldFont = ::SelectObject(dc, children ? GroupFont() : FieldFont());
    ::SetBkMode(dc, TRANSPARENT);
    std::wstring label = win::AsWide(logic.Label(item));
    RECT labelRect = {row.left + geometry.labelX, top, row.left + geometry.labelRight, bottom};
    RECT extent = labelRect;
    ::DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &extent,
                DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    RECT back = {labelRect.left - 2, top + 1, std::min(extent.right, labelRect.right) + 2, bottom - 1};
    if (marked) ::FillRect(dc, &back, ::GetSysColorBrush(focus ? COLOR_HIGHLIGHT : COLOR_MENU));
    ::SetTextColor(dc, ::GetSysColor(inactive          ? COLOR_GRAYTEXT
                                     : marked && focus ? COLOR_HIGHLIGHTTEXT
                                                       : COLOR_WINDOWTEXT));
    ::DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &labelRect,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);

    bool ellipsis = true;
    std::wstring text = win::AsWide(logic.ValueText(item, ellipsis));
    if (!text.empty()) {
      ::SelectObject(dc, FieldFont());
      ::SetTextColor(dc, ::GetSysColor(inactive ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
      RECT valueRect = {row.left + geometry.valueLeft, top, row.left + geometry.valueRight, bottom};
      ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &valueRect,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (ellipsis ? DT_END_ELLIPSIS : 0));
    }
    ::SelectObject(dc, oldFont);
    if (focus && item == logic.Caret()) ::DrawFocusRect(dc, &back);
  }

  HFONT FieldFont() const {
    return fieldFont ? fieldFont : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  }
  HFONT GroupFont() const { return groupFont ? groupFont : FieldFont(); }

  LRESULT OnCustomDraw(NMTVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
      case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
      case CDDS_ITEMPREPAINT: {
        auto handle = reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec);
        RECT row;
        if (!TreeView_GetItemRect(Window(), handle, &row, FALSE)) row = draw.nmcd.rc;
        DrawItem(draw.nmcd.hdc, row, IdOf(handle));
        return CDRF_SKIPDEFAULT;
      }
      default:
        return CDRF_DODEFAULT;
    }
  }

  // --- editors

  CInplaceEditor* Editor(Active which) {
    switch (which) {
      case Active::Text:
        return &edit;
      case Active::Number:
        return &number;
      case Active::Value:
        return &value;
      case Active::Combo:
        return &combo;
      case Active::Address:
        return &address;
      default:
        return nullptr;
    }
  }

  // Destroys the editor's window; the tree takes the focus back when the editor had it.
  void CloseEditor(CInplaceEditor& editor) {
    HWND focus = ::GetFocus();
    const bool hadFocus =
        editor.Handle() && focus && (focus == editor.Handle() || ::IsChild(editor.Handle(), focus));
    editor.ClearCancelled();
    editor.Close();
    if (hadFocus && Window()) ::SetFocus(Window());
  }

  // A running edit ends without storing anything.
  void DropEdit() {
    Active which = std::exchange(active, Active::None);
    edited = kNoItem;
    if (CInplaceEditor* editor = Editor(which)) CloseEditor(*editor);
  }

  void Message(uint32_t id) const { App().ShowMessage(MessageOwner(), id); }

  // The password is stored only once the operator confirms it; leaving or mistyping keeps the old.
  void ConfirmPassword(TreeItemId item, const std::u16string& text, TreeChanges& changes) {
    if (text.empty()) return;
    CTextInputDlg confirm(App().ResourceHandle());
    confirm.SetMaxLength(static_cast<int>(GetMaxValueLength(*logic.NodeOf(item))));
    INT_PTR answer = RunDialog(confirm);
    if (!Window() || !logic.IsLive(item) || answer != IDOK) return;
    if (confirm.Text() != text) {
      Message(kPasswordMismatchText);
      return;
    }
    logic.StorePassword(item, text, changes);
  }

  bool OpenLongText(TreeItemId item) {
    CTextViewDlg dialog(App().ResourceHandle());
    dialog.SetMode(plan.dialogMode);
    dialog.SetText(plan.text);
    INT_PTR answer = RunDialog(dialog);
    if (Window() && logic.IsLive(item) && answer == IDOK) {
      TreeChanges changes;
      logic.StoreLongText(item, dialog.GetText(), changes);
      changes.redrawAll = true;
      Apply(changes);
    }
    return true;
  }

  bool OpenFileList(TreeItemId item) {
    CFileListDlg dialog(App().ResourceHandle());
    dialog.SetListNode(logic.NodeOf(item));
    dialog.SetFilter(plan.fileList.filter);
    dialog.SetTypes(plan.fileList.entryType, plan.fileList.localType, plan.fileList.remoteType);
    const std::u16string old = plan.text;
    if (RunDialog(dialog) == IDOK && Window() && logic.IsLive(item)) {
      TreeChanges changes;
      logic.StoreListEdit(item, old, dialog.EntriesChanged(), changes);
      changes.redrawAll = true;
      Apply(changes);
    }
    return true;
  }

  bool OpenBookmarkList(TreeItemId item) {
    CSettingsNode* node = logic.NodeOf(item);
    if (!node) return false;
    const std::u16string before = plan.text;
    std::vector<CSettingsRow> rowsBefore, rowsAfter;
    NodeToRows(*node, rowsBefore);
    CSettingsListDlg dialog(App().ResourceHandle(), *node, static_cast<BookmarkMode>(plan.dialogMode));
    if (RunDialog(dialog) == IDOK && Window() && logic.IsLive(item)) {
      NodeToRows(*node, rowsAfter);
      TreeChanges changes;
      logic.StoreListEdit(item, before, rowsAfter != rowsBefore, changes);
      changes.redrawAll = true;
      Apply(changes);
    }
    return true;
  }

  void MoveEditor() {
    CInplaceEditor* editor = Editor(active);
    if (!editor || !editor->Handle()) return;
    RECT rect = ValueRect(edited);
    if (active == Active::Combo) {
      RECT box;
      ::GetWindowRect(editor->Handle(), &box);
      rect.left = std::max(rect.left, rect.right - (box.right - box.left));
    }
    ::SetWindowPos(editor->Handle(), nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | (active == Active::Combo ? SWP_NOSIZE : 0));
  }

  // --- input

  void OnButtonDown(POINT point, WPARAM keys, bool doubleClick) {
    tree.CommitEdit();
    if (::GetFocus() != Window()) ::SetFocus(Window());
    int y = 0;
    TreeItemId item = ItemAt(point, y);
    if (item == kNoItem) return;
    const bool active = !logic.NodeOf(item)->IsDisabled();
    const bool ctrl = keys & MK_CONTROL, shift = keys & MK_SHIFT;
    const RowPart part =
        HitRow(point.x, y, logic.Level(item), logic.HasChildItems(item), Indent(), itemHeight);
    if (active && part == RowPart::ExpandIcon) {
      Apply(logic.ClickRow(item, false, false));
      SelectInControl(item);
      ToggleExpansion(item);
    } else if (active && part == RowPart::StateIcon) {
      // A quick second click on the icon is a press of its own.
      logic.BeginPress(item);
      ::SetCapture(Window());
      Redraw(logic.Caret());
      logic.SetCaret(item);
      SelectInControl(item);
      Redraw(item);
    } else if (doubleClick) {
      if (!active || ctrl || shift) return;
      if (logic.HasChildItems(item))
        ToggleExpansion(item);
      else
        tree.EditSelectedValue(HandleOf(item));
    } else {
      Apply(logic.ClickRow(item, ctrl, shift));
      SelectInControl(item);
    }
  }

  bool OnKeyDown(WPARAM key) {
    tree.CommitEdit();
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    const TreeItemId caret = logic.Caret();
    const bool active = caret != kNoItem && !logic.NodeOf(caret)->IsDisabled();
    switch (key) {
      case VK_SHIFT:
        logic.OpenRange();
        return false;
      case VK_CONTROL:
        return false;
      case VK_SPACE:
        if (ctrl) {
          Apply(logic.ToggleCaretMark());
        } else if (active && logic.PressOrigin() == kNoItem && logic.BeginPress(caret)) {
          Redraw(caret);
        }
        return true;
      case VK_RETURN:
        if (active && logic.HasChildItems(caret))
          ToggleExpansion(caret);
        else
          tree.EditSelectedValue(HandleOf(caret));
        return true;
      case VK_F2:
        tree.EditSelectedValue(HandleOf(caret));
        return true;
      case VK_UP:
      case VK_DOWN: {
        TreeItemId target = caret == kNoItem ? (logic.TopItems().empty() ? kNoItem : logic.TopItems().front())
                            : key == VK_DOWN ? logic.NextVisible(caret)
                                             : logic.PreviousVisible(caret);
        if (target != kNoItem) {
          Apply(logic.MoveCaret(target, ctrl, shift));
          SelectInControl(target);
        }
        return true;
      }
      case VK_RIGHT:
        return caret != kNoItem && !active;  // an inactive group does not open
      default:
        break;
    }
    Operation operation = Operation::None;
    switch (KeyCommand(static_cast<uint32_t>(key), ctrl)) {
      case TreeKeyCommand::Send:
        operation = Operation::RunSession;
        break;
      case TreeKeyCommand::NewFile:
        operation = Operation::FileNew;
        break;
      case TreeKeyCommand::Print:
        operation = Operation::Print;
        break;
      case TreeKeyCommand::None:
        return false;
    }
    if (tree.m_owner) tree.m_owner->Run(operation);
    return true;
  }

  void OnKeyUp(WPARAM key) {
    if (key == VK_SPACE && logic.PressOrigin() != kNoItem) Apply(logic.EndPress(true));
  }

  void OnChar(WPARAM ch, LPARAM flags) {
    const TreeItemId caret = logic.Caret();
    if (caret == kNoItem || ch == L' ' || ch > 0xFFFF) return;
    if (!CharOpensEditor(logic.NodeOf(caret)->GetKind(), static_cast<char16_t>(ch))) return;
    if (!tree.EditSelectedValue(HandleOf(caret))) return;
    // The character goes on to the editor as if it had been typed there.
    HWND focus = ::GetFocus();
    if (focus && focus != Window()) ::SendMessageW(focus, WM_CHAR, ch, flags);
  }

  void OnSelectionChanged(const NMTREEVIEWW& change) {
    TreeItemId item = IdOf(change.itemNew.hItem);
    if (item == kNoItem) return;
    // A move of the control's own (Home, End, Left to the parent, a collapse) is a plain move.
    if (selecting)
      logic.SetCaret(item);
    else
      Apply(logic.MoveCaret(item, false, false));
  }
};

CSettingsTree::CSettingsTree(CMainViewDlg* owner) : m_owner(owner), m_state(new State(*this)) {
  // A member of the main view: the view lives until the tree's messages have returned.
  SetOwner(owner);
}

CSettingsTree::~CSettingsTree() {
  EndPrintPreview();
  EndPrinting();
  m_state->DropEdit();
  for (HICON icon : m_state->icons) {
    if (icon) ::DestroyIcon(icon);
  }
  Detach();
  delete m_state;
}

bool CSettingsTree::AttachTree(HWND control) {
  if (!Attach(control)) return false;
  HINSTANCE resources = App().ResourceHandle();
  for (size_t i = 0; i < std::size(kIcons); ++i) {
    if (!m_state->icons[i])
      m_state->icons[i] =
          static_cast<HICON>(::LoadImageW(resources, MAKEINTRESOURCEW(static_cast<UINT>(kIcons[i])),
                                          IMAGE_ICON, kIconSize, kIconSize, LR_DEFAULTCOLOR));
  }
  RECT client;
  ::GetClientRect(control, &client);
  m_state->width = client.right;
  TreeView_SetItemHeight(control, m_state->itemHeight);
  return true;
}

void CSettingsTree::SetFonts(HFONT normal, HFONT bold) {
  m_state->fieldFont = normal;
  m_state->groupFont = bold;
  if (Handle()) ::InvalidateRect(Handle(), nullptr, TRUE);
}

void CSettingsTree::Clear() {
  m_state->DropEdit();
  if (Handle()) {
    m_state->selecting = true;
    TreeView_DeleteAllItems(Handle());
    m_state->selecting = false;
  }
  m_state->handles.clear();
  m_state->populated.clear();
  m_state->childless.clear();
  m_state->items.clear();
  m_state->logic.Clear();
}

void CSettingsTree::Rebuild() {
  if (!Handle()) {
    Clear();
    return;
  }
  // Nothing is drawn between the old items going and the new ones coming.
  ::SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  Clear();
  m_state->logic.Build(App().Document().GetRoot());
  // The top level only: the others go into the control when their parent first expands.
  m_state->Insert(m_state->logic.TopItems());
  TreeView_SetItemHeight(Handle(), m_state->itemHeight);
  ::SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void CSettingsTree::SelectFirst() {
  const std::vector<TreeItemId>& top = m_state->logic.TopItems();
  if (top.empty()) return;
  m_state->Apply(m_state->logic.ClickRow(top.front(), false, false));
  m_state->SelectInControl(top.front());
}

void CSettingsTree::CommitEdit() {
  State& s = *m_state;
  // Cleared first: closing the editor, a message box or the confirmation dialog moves the focus,
  // and the editor's focus loss comes back here.
  const Active which = std::exchange(s.active, Active::None);
  const TreeItemId item = std::exchange(s.edited, kNoItem);
  if (which == Active::None) return;
  const bool live = s.logic.IsLive(item);
  const uint32_t kind = live ? s.logic.NodeOf(item)->GetKind() : 0;
  TreeChanges changes;
  bool textEdit = false;
  bool modal = false;
  switch (which) {
    case Active::Text: {
      const bool cancelled = s.edit.Cancelled();
      const std::u16string text = s.edit.Text();
      const bool valid = (kind != kKindHost && kind != kKindEmail) || s.edit.CheckText(text);
      s.CloseEditor(s.edit);
      if (cancelled || !live) break;
      textEdit = true;
      modal = !valid || (kind == kKindPassword && !text.empty());
      if (!valid)
        s.Message(kInvalidValueText);
      else if (kind == kKindPassword)
        s.ConfirmPassword(item, text, changes);
      else
        s.logic.StoreText(item, text, changes);
      break;
    }
    case Active::Value: {
      const bool cancelled = s.value.Cancelled();
      const std::u16string text = s.value.Text();
      s.CloseEditor(s.value);
      if (cancelled || !live) break;
      textEdit = true;
      if (s.logic.StoreText(item, text, changes) == StoreResult::Invalid) {
        modal = true;
        s.Message(kInvalidValueText);
      }
      break;
    }
    case Active::Number: {
      const bool cancelled = s.number.Cancelled();
      const std::u16string text =
          s.plan.clamp ? s.number.Clamp(s.plan.clampLow, s.plan.clampHigh) : s.number.Text();
      s.CloseEditor(s.number);
      if (cancelled || !live) break;
      textEdit = true;
      s.logic.StoreText(item, text, changes);
      break;
    }
    case Active::Combo: {
      const bool cancelled = s.combo.Cancelled();
      std::u16string stored;
      const bool named = s.combo.StoredChoice(stored);
      s.CloseEditor(s.combo);
      if (!cancelled && live && named) s.logic.StoreChoice(item, stored, changes);
      break;
    }
    case Active::Address: {
      const bool cancelled = s.address.Cancelled();
      const std::u16string text = s.address.AddressText();
      s.CloseEditor(s.address);
      if (Handle()) ::SetFocus(Handle());
      if (!cancelled && live) s.logic.StoreText(item, text, changes);
      break;
    }
    case Active::None:
      break;
  }
  if (!Handle()) return;
  // A message box or the confirmation dialog took the focus; the operator goes on in the tree.
  if (modal) ::SetFocus(Handle());
  if (textEdit) {
    changes.Merge(s.logic.SyncNewNodes());
    // A named placeholder is an entry now, shown by its name.
    if (s.logic.IsLive(item)) s.Relabel(s.logic.ParentOf(item));
  }
  changes.redrawAll = true;
  s.Apply(changes);
}

bool CSettingsTree::EditSelectedValue(HTREEITEM handle) {
  State& s = *m_state;
  CommitEdit();
  const TreeItemId item = s.IdOf(handle);
  if (item == kNoItem || !Handle()) return false;
  s.Apply(s.logic.FocusItem(item));
  s.SelectInControl(item);
  s.plan = s.logic.PlanEdit(item);
  const RECT rect = s.ValueRect(item);
  const EditorPlan& plan = s.plan;
  Active opened = Active::None;
  switch (plan.editor) {
    case EditorKind::Text:
      if (s.edit.Open(Handle(), rect, static_cast<CInplaceEdit::Mode>(plan.mode), plan.nodeType, plan.limit,
                      plan.passwordEcho ? std::u16string() : plan.text))
        opened = Active::Text;
      break;
    case EditorKind::Number:
      if (s.number.Open(Handle(), rect, plan.limit, plan.text)) opened = Active::Number;
      break;
    case EditorKind::Value:
      if (s.value.Open(Handle(), rect, plan.nodeType, plan.limit, plan.text)) opened = Active::Value;
      break;
    case EditorKind::Combo:
      if (s.combo.Open(Handle(), rect, plan.choices, plan.text, plan.freeText)) opened = Active::Combo;
      break;
    case EditorKind::IpAddress:
      if (s.address.Open(Handle(), rect, plan.text)) {
        for (int field = 0; field < 4; ++field)
          s.address.SetFieldRange(field, plan.fieldLow[field], plan.fieldHigh[field]);
        opened = Active::Address;
      }
      break;
    case EditorKind::LongText:
      return s.OpenLongText(item);
    case EditorKind::FileList:
      return plan.fileList.entryType != 0 && s.OpenFileList(item);
    case EditorKind::BookmarkList:
      return s.OpenBookmarkList(item);
    case EditorKind::None:
      return false;
  }
  if (opened == Active::None) return false;
  s.active = opened;
  s.edited = item;
  return true;
}

void CSettingsTree::DeleteSelectedEntry() {
  State& s = *m_state;
  CommitEdit();
  if (!Handle()) return;
  CTreeLogic::DeleteResult result = s.logic.DeleteSelectedEntry();
  // The control's items go first, while their nodes still exist; the control's own choice of a
  // new caret is not taken as a move of the operator's.
  s.selecting = true;
  for (TreeItemId item : result.changes.deleted) {
    if (HTREEITEM handle = s.HandleOf(item)) TreeView_DeleteItem(Handle(), handle);
  }
  s.selecting = false;
  s.ForgetDeleted();
  result.removed.clear();
  result.changes.deleted.clear();
  if (result.caret != kNoItem) {
    s.SelectInControl(result.caret);
  } else if (TreeItemId caret = s.IdOf(TreeView_GetSelection(Handle()));
             caret != kNoItem && caret != s.logic.Caret()) {
    result.changes.Merge(s.logic.ClickRow(caret, false, false));
  }
  result.changes.redrawAll = true;
  s.Apply(result.changes);
  if (!result.refusal.empty()) App().ShowMessage(s.MessageOwner(), result.refusal);
}

void CSettingsTree::SelectAllItems() { m_state->Apply(m_state->logic.MarkAllVisible()); }

const CTreeLogic& CSettingsTree::Logic() const { return m_state->logic; }

HFONT CSettingsTree::ScreenFont(bool group) const {
  return group ? m_state->GroupFont() : m_state->FieldFont();
}

DWORD CSettingsTree::GetHelpContext() const { return m_state->logic.GetHelpContext(IsPrintPreviewActive()); }

bool CSettingsTree::IsEditing() const {
  const Active active = m_state->active;
  return active == Active::Text || active == Active::Number || active == Active::Value ||
         active == Active::Address;
}

bool CSettingsTree::CanDeleteSelection() const { return m_state->logic.CanDeleteSelection(); }

bool CSettingsTree::HasSettings() { return m_state->logic.HasSettings(); }

HWND CSettingsTree::ActiveEditorWindow() const {
  CInplaceEditor* editor = m_state->Editor(m_state->active);
  return editor ? editor->Handle() : nullptr;
}

bool CSettingsTree::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  State& s = *m_state;
  result = 0;
  switch (message) {
    case kCommitEditMessage:
      CommitEdit();
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      s.OnButtonDown(PointOf(lParam), wParam, message == WM_LBUTTONDBLCLK);
      return true;
    case WM_MOUSEMOVE:
      if (s.logic.PressOrigin() != kNoItem) {
        int y = 0;
        if (s.logic.TrackPress(s.ItemAt(PointOf(lParam), y))) s.Redraw(s.logic.PressOrigin());
      }
      return false;
    case WM_LBUTTONUP:
      if (s.logic.PressOrigin() != kNoItem) {
        // The press ends before the capture goes: losing the capture cancels a press.
        TreeChanges changes = s.logic.EndPress(true);
        if (::GetCapture() == Handle()) ::ReleaseCapture();
        s.Apply(changes);
      }
      return true;
    case WM_CAPTURECHANGED:
      if (s.logic.PressOrigin() != kNoItem && !(::GetKeyState(VK_SPACE) < 0))
        s.Apply(s.logic.EndPress(false));
      return false;
    case WM_KEYDOWN:
      return s.OnKeyDown(wParam);
    case WM_KEYUP:
      s.OnKeyUp(wParam);
      return false;
    case WM_CHAR:
      s.OnChar(wParam, lParam);
      return true;  // no incremental search by letters
    case WM_GETDLGCODE:
      // Enter reaches the tree (it opens an editor or a group), not the dialog's default button.
      result = CallControl(message, wParam, lParam) | DLGC_WANTCHARS;
      if (lParam && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
          reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN)
        result |= DLGC_WANTMESSAGE;
      return true;
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
      CommitEdit();
      return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      for (TreeItemId item : s.logic.MarkedItems()) s.Redraw(item);
      s.Redraw(s.logic.Caret());
      return false;
    case WM_SIZE:
      s.width = LOWORD(lParam);
      ::InvalidateRect(Handle(), nullptr, TRUE);
      s.MoveEditor();
      return false;
    case WM_DESTROY:
      s.DropEdit();
      return false;
    default:
      return false;
  }
}

bool CSettingsTree::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_NOTIFY || !lParam) return false;
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  switch (header->code) {
    case NM_CUSTOMDRAW:
      result = m_state->OnCustomDraw(*reinterpret_cast<NMTVCUSTOMDRAW*>(lParam));
      return true;
    case TVN_SELCHANGEDW:
    case TVN_SELCHANGEDA:
      m_state->OnSelectionChanged(*reinterpret_cast<NMTREEVIEWW*>(lParam));
      result = 0;
      return true;
    case TVN_ITEMEXPANDINGW:
    case TVN_ITEMEXPANDINGA: {
      const auto& change = *reinterpret_cast<NMTREEVIEWW*>(lParam);
      if (change.action & TVE_EXPAND) m_state->Populate(m_state->IdOf(change.itemNew.hItem));
      result = FALSE;
      return true;
    }
    case TVN_ITEMEXPANDEDW:
    case TVN_ITEMEXPANDEDA: {
      const auto& change = *reinterpret_cast<NMTREEVIEWW*>(lParam);
      const UINT state = TreeView_GetItemState(Handle(), change.itemNew.hItem, TVIS_EXPANDED);
      m_state->logic.SetExpanded(m_state->IdOf(change.itemNew.hItem), (state & TVIS_EXPANDED) != 0);
      ::InvalidateRect(Handle(), nullptr, TRUE);
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace orvel::ui
