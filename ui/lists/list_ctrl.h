// The report-view list of the plug-in's list dialogs: owner drawing that highlights the label, all
// columns or the whole row; sorting by a header click with a sort type per column; columns that
// can be dragged to a new place; auto-sized columns; check boxes of the state images toggled by a
// click; and a nested switch for redrawing. Attach it to a list-view control a template made.
#pragma once

// clang-format off
#include <windows.h>
// after windows.h
#include <commctrl.h>
// clang-format on

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/win/window.h"
#include "ui/lists/list_sort.h"

namespace orvel::ui {

class CListCtrlEx;

// The list's header: draws the drop marker while a column is dragged and asks the list to move the
// column; a double click near a divider auto-sizes that column.
class CHeaderCtrlEx : public win::CControl {
 public:
  explicit CHeaderCtrlEx(CListCtrlEx& list) : m_list(list) {}

  // Dragging is off until turned on; the previous setting.
  bool EnableDrag(bool enable);
  bool IsDragging() const { return m_dragging; }

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  int ItemAt(POINT point) const;
  void DrawMarker(int column);
  void EraseMarker();
  void EndDrag();

  CListCtrlEx& m_list;
  bool m_dragEnabled = false;
  bool m_pending = false;
  bool m_dragging = false;
  std::vector<int> m_widths;  // noted when a drag starts
  int m_source = -1;
  int m_target = -1;
  RECT m_marker = {0, 0, 0, 0};  // empty when none is drawn
};

class CListCtrlEx : public win::CControl {
 public:
  CListCtrlEx() : m_header(*this) {}

  // --- the operations of the list
  // 0 only the label of column 0, 1 all columns, 2 the whole row to the window's right edge; types
  // above 2 are ignored. A type above 0 makes the list owner-drawn. The previous type.
  int SetHighlightType(int type);
  int HighlightType() const { return m_highlight; }
  // Whether a header click sorts; the previous setting.
  bool EnableSort(bool enable);
  // One sort type (0 to 6, list_sort.h) per column; a value above 6 clears the types and fails.
  bool SetColumnTypes(const uint8_t* types, size_t count);
  // Sorts the items by the column: mode 0 toggles the direction when the column is the one sorted
  // last (ascending otherwise), 1 ascending, 2 descending. Item data is kept.
  void SortColumn(int column, int mode);
  int SortedColumn() const { return m_sortColumn; }
  bool SortedAscending() const { return m_ascending; }
  // Nested: drawing goes off at the first "off" and on again when every "off" has had its "on".
  // The count is this list's own, so that lists used one after another cannot hold each other.
  void SetRedraw(bool on);
  // The last column gets the width that fills the header; any other the width of its widest text.
  void AutoSizeColumn(int column);
  void AutoSizeAllColumns();
  void StretchLastColumn();
  // Clears the item's selected and focused states, updates the window and deletes the item.
  bool DeleteItemEx(int item);
  void DeleteAllColumns();
  // Whether the operator may drag columns to a new place (off at first); the previous setting.
  bool EnableColumnDrag(bool enable) { return m_header.EnableDrag(enable); }
  // Moves a column with its texts to the place of column `to`.
  void MoveColumn(int from, int to);
  CHeaderCtrlEx& Header() { return m_header; }
  const CHeaderCtrlEx& Header() const { return m_header; }

  // --- thin helpers over the list-view messages
  int ColumnCount() const;
  int ItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
  int InsertColumn(int column, std::u16string_view heading, int width, int format = LVCFMT_LEFT);
  // The new item's index, -1 when it failed.
  int InsertItem(int item, std::u16string_view text, LPARAM data);
  bool SetItemText(int item, int column, std::u16string_view text);
  std::u16string ItemText(int item, int column) const;
  LPARAM ItemData(int item) const;
  bool SetItemData(int item, LPARAM data);
  UINT ItemState(int item, UINT mask) const { return static_cast<UINT>(Send(LVM_GETITEMSTATE, item, mask)); }
  bool SetItemState(int item, UINT state, UINT mask);
  // The next item after `item` (-1: from the start) with the LVNI_ flags; -1 when none.
  int NextItem(int item, UINT flags) const { return static_cast<int>(Send(LVM_GETNEXTITEM, item, flags)); }
  int SelectedCount() const { return static_cast<int>(Send(LVM_GETSELECTEDCOUNT)); }
  bool EnsureVisible(int item) { return Send(LVM_ENSUREVISIBLE, item, FALSE) != 0; }
  bool DeleteItem(int item) { return Send(LVM_DELETEITEM, item) != 0; }
  int ColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, column)); }
  bool SetColumnWidth(int column, int width) { return Send(LVM_SETCOLUMNWIDTH, column, width) != 0; }
  std::u16string ColumnHeading(int column) const;

 protected:
  void OnAttached() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Draws one item (owner draw, report view).
  virtual void DrawItem(const DRAWITEMSTRUCT& item);

 private:
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(Handle(), message, wParam, lParam);
  }
  bool IsReport() const;
  void OnPaint();
  void OnFocusChange(HWND other);
  void OnButtonDown(LPARAM lParam);
  int TextWidthOf(std::u16string_view text) const;

  CColumnSortTypes m_sortTypes;
  int m_highlight = 0;
  bool m_sortEnabled = false;
  int m_sortColumn = -1;
  bool m_ascending = true;
  int m_redrawCount = 0;
  CHeaderCtrlEx m_header;
};

}  // namespace orvel::ui
