#include "ui/lists/list_ctrl.h"

#include <oleauto.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>

#include "support/win/wide.h"

namespace orvel::ui {
namespace {

// What an item's item data stands for while a sort runs.
struct CSortRecord {
  LPARAM data;
  std::u16string text;
};

std::optional<double> ParseUserDate(std::u16string_view text) {
  std::wstring wide = win::AsWide(text);
  DATE date = 0;
  if (FAILED(::VarDateFromStr(wide.data(), LOCALE_USER_DEFAULT, 0, &date))) return std::nullopt;
  return date;
}

int CALLBACK CompareRecords(LPARAM first, LPARAM second, LPARAM parameter) {
  static const DateParser parse = &ParseUserDate;
  const auto* a = reinterpret_cast<const CSortRecord*>(first);
  const auto* b = reinterpret_cast<const CSortRecord*>(second);
  return CompareSortTexts(a->text, b->text, SortTypeOf(parameter), SortAscending(parameter), parse);
}

// The state image index in bits 12 to 15.
UINT StateImageOf(UINT state) { return (state & LVIS_STATEIMAGEMASK) >> 12; }

void FillSolid(HDC dc, const RECT& rect, int colour) { ::FillRect(dc, &rect, ::GetSysColorBrush(colour)); }

void DrawTextIn(HDC dc, std::u16string_view text, RECT rect, UINT format) {
  std::wstring wide = win::AsWide(text);
  ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect, format);
}

}  // namespace

// --- the header

bool CHeaderCtrlEx::EnableDrag(bool enable) { return std::exchange(m_dragEnabled, enable); }

int CHeaderCtrlEx::ItemAt(POINT point) const {
  HDHITTESTINFO hit = {};
  hit.pt = point;
  const int item = static_cast<int>(::SendMessageW(Handle(), HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  return (hit.flags & HHT_ONHEADER) || (hit.flags & HHT_ONDIVIDER) ? item : -1;
}

void CHeaderCtrlEx::DrawMarker(int column) {
  RECT client;
  ::GetClientRect(Handle(), &client);
  const int height = client.bottom - client.top;
  int x = 0;
  for (int i = 0; i < column && i < static_cast<int>(m_widths.size()); ++i)
    x += m_widths[static_cast<size_t>(i)];
  const int half = height / 4;
  POINT triangle[] = {{x - half, 0}, {x + half, 0}, {x, height / 2}};
  HDC dc = ::GetDC(Handle());
  if (!dc) return;
  HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(BLACK_BRUSH));
  HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
  ::Polygon(dc, triangle, 3);
  ::SelectObject(dc, oldPen);
  ::SelectObject(dc, oldBrush);
  ::ReleaseDC(Handle(), dc);
  m_marker = {x - half - 1, 0, x + half + 2, height / 2 + 2};
}

void CHeaderCtrlEx::EraseMarker() {
  if (::IsRectEmpty(&m_marker)) return;
  ::InvalidateRect(Handle(), &m_marker, TRUE);
  ::UpdateWindow(Handle());
  m_marker = {0, 0, 0, 0};
}

void CHeaderCtrlEx::EndDrag() {
  m_widths.clear();
  m_dragging = false;
  m_marker = {0, 0, 0, 0};
  if (::GetCapture() == Handle()) ::ReleaseCapture();
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

bool CHeaderCtrlEx::HandleMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  switch (message) {
    case WM_LBUTTONDOWN:
      if (m_dragEnabled) {
        m_source = ItemAt(point);
        m_pending = m_source >= 0;
      }
      return false;
    case WM_MOUSEMOVE:
      if (m_pending && !m_dragging) {
        m_pending = false;
        m_dragging = true;
        ::SetCapture(Handle());
        m_widths.clear();
        for (int i = 0; i < m_list.ColumnCount(); ++i) m_widths.push_back(m_list.ColumnWidth(i));
        m_target = m_source;
      }
      if (!m_dragging) return false;
      if (const int target = DropColumnAt(m_widths, point.x);
          target != m_target || ::IsRectEmpty(&m_marker)) {
        EraseMarker();
        m_target = target;
        DrawMarker(target);
      }
      result = 0;
      return true;
    case WM_LBUTTONUP: {
      m_pending = false;
      if (!m_dragging) return false;
      const int source = m_source, target = m_target;
      EndDrag();
      if (source >= 0 && target >= 0 && DropMovesColumn(source, target)) m_list.MoveColumn(source, target);
      result = 0;
      return true;
    }
    case WM_CAPTURECHANGED:
      if (m_dragging && reinterpret_cast<HWND>(lParam) != Handle()) EndDrag();
      return false;
    case WM_LBUTTONDBLCLK: {
      std::vector<int> rights;
      const int count = static_cast<int>(::SendMessageW(Handle(), HDM_GETITEMCOUNT, 0, 0));
      for (int i = 0; i < count; ++i) {
        RECT item = {};
        ::SendMessageW(Handle(), HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        rights.push_back(item.right);
      }
      const int column = DividerToAutoSize(rights, point.x);
      if (column < 0) return false;
      m_list.AutoSizeColumn(column);
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

// --- the list

void CListCtrlEx::OnAttached() { m_header.Attach(reinterpret_cast<HWND>(Send(LVM_GETHEADER))); }

int CListCtrlEx::SetHighlightType(int type) {
  if (type < 0 || type > 2) return m_highlight;
  const int previous = std::exchange(m_highlight, type);
  if (type > 0 && Handle()) {
    const LONG_PTR style = ::GetWindowLongPtrW(Handle(), GWL_STYLE);
    if (!(style & LVS_OWNERDRAWFIXED)) ::SetWindowLongPtrW(Handle(), GWL_STYLE, style | LVS_OWNERDRAWFIXED);
  }
  if (Handle()) ::InvalidateRect(Handle(), nullptr, TRUE);
  return previous;
}

bool CListCtrlEx::EnableSort(bool enable) { return std::exchange(m_sortEnabled, enable); }

bool CListCtrlEx::SetColumnTypes(const uint8_t* types, size_t count) { return m_sortTypes.Set(types, count); }

void CListCtrlEx::SortColumn(int column, int mode) {
  m_ascending = NextSortAscending(mode, column, m_sortColumn, m_ascending);
  m_sortColumn = column;
  if (!Handle()) return;
  const int count = ItemCount();
  std::vector<std::unique_ptr<CSortRecord>> records;
  records.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    records.push_back(std::make_unique<CSortRecord>(CSortRecord{ItemData(i), ItemText(i, column)}));
    SetItemData(i, reinterpret_cast<LPARAM>(records.back().get()));
  }
  Send(LVM_SORTITEMS, static_cast<WPARAM>(SortParameter(m_ascending, m_sortTypes.Of(column))),
       reinterpret_cast<LPARAM>(&CompareRecords));
  for (int i = 0; i < count; ++i) {
    SetItemData(i, reinterpret_cast<const CSortRecord*>(ItemData(i))->data);
  }
}

void CListCtrlEx::SetRedraw(bool on) {
  if (!on) {
    if (m_redrawCount++ == 0) Send(WM_SETREDRAW, FALSE);
    return;
  }
  if (m_redrawCount == 0) return;
  if (--m_redrawCount == 0) {
    Send(WM_SETREDRAW, TRUE);
    ::InvalidateRect(Handle(), nullptr, TRUE);
  }
}

int CListCtrlEx::TextWidthOf(std::u16string_view text) const {
  std::wstring wide = win::AsWide(text);
  return static_cast<int>(Send(LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

void CListCtrlEx::AutoSizeColumn(int column) {
  const int count = ColumnCount();
  if (column < 0 || column >= count) return;
  if (column == count - 1) {
    SetColumnWidth(column, LVSCW_AUTOSIZE_USEHEADER);
    return;
  }
  int widest = TextWidthOf(ColumnHeading(column));
  for (int i = 0; i < ItemCount(); ++i) widest = std::max(widest, TextWidthOf(ItemText(i, column)));
  // The drawing keeps a margin of two blanks on each side of a text.
  const int margin = 2 * TextWidthOf(u" ");
  SetColumnWidth(column, widest + 2 * margin);
}

void CListCtrlEx::AutoSizeAllColumns() {
  for (int i = 0; i < ColumnCount(); ++i) AutoSizeColumn(i);
}

void CListCtrlEx::StretchLastColumn() {
  if (const int count = ColumnCount(); count > 0) SetColumnWidth(count - 1, LVSCW_AUTOSIZE_USEHEADER);
}

bool CListCtrlEx::DeleteItemEx(int item) {
  SetItemState(item, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ::UpdateWindow(Handle());
  return DeleteItem(item);
}

void CListCtrlEx::DeleteAllColumns() {
  while (Send(LVM_DELETECOLUMN, 0)) {
  }
}

void CListCtrlEx::MoveColumn(int from, int to) {
  const int columns = ColumnCount();
  if (from < 0 || from >= columns || to < 0 || to > columns || from == to) return;
  wchar_t heading[256] = {};
  LVCOLUMNW source = {};
  source.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  source.pszText = heading;
  source.cchTextMax = static_cast<int>(std::size(heading));
  if (!Send(LVM_GETCOLUMNW, static_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&source))) return;
  if (Send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(to), reinterpret_cast<LPARAM>(&source)) < 0) return;
  if (from > to) ++from;
  const int items = ItemCount();
  // A column put in front of column 0 leaves the items' own texts in place: they go to column 1.
  if (to == 0) {
    for (int i = 0; i < items; ++i) SetItemText(i, 1, ItemText(i, 0));
  }
  for (int i = 0; i < items; ++i) SetItemText(i, to, ItemText(i, from));
  if (from == 0) {
    wchar_t nextHeading[256] = {};
    LVCOLUMNW next = {};
    next.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    next.pszText = nextHeading;
    next.cchTextMax = static_cast<int>(std::size(nextHeading));
    Send(LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&next));
    next.mask |= LVCF_SUBITEM;
    next.iSubItem = 0;
    Send(LVM_SETCOLUMNW, 0, reinterpret_cast<LPARAM>(&next));
    for (int i = 0; i < items; ++i) SetItemText(i, 0, ItemText(i, 1));
    Send(LVM_DELETECOLUMN, 1);
  } else {
    Send(LVM_DELETECOLUMN, static_cast<WPARAM>(from));
  }
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

int CListCtrlEx::ColumnCount() const {
  HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
  return header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListCtrlEx::InsertColumn(int column, std::u16string_view heading, int width, int format) {
  std::wstring text = win::AsWide(heading);
  LVCOLUMNW item = {};
  item.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  item.fmt = format;
  item.cx = width;
  item.pszText = text.data();
  item.iSubItem = column;
  return static_cast<int>(
      Send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)));
}

int CListCtrlEx::InsertItem(int index, std::u16string_view text, LPARAM data) {
  std::wstring wide = win::AsWide(text);
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = wide.data();
  item.lParam = data;
  return static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrlEx::SetItemText(int index, int column, std::u16string_view text) {
  std::wstring wide = win::AsWide(text);
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = wide.data();
  return Send(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

std::u16string CListCtrlEx::ItemText(int index, int column) const {
  // The message answers the length it copied; a text that fills the buffer may be longer.
  for (size_t size = 256;; size *= 4) {
    std::wstring buffer(size, L'\0');
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(size);
    const auto length = static_cast<size_t>(
        Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < size || size >= 0x100000)
      return win::FromWide(std::wstring_view(buffer.c_str(), length));
  }
}

LPARAM CListCtrlEx::ItemData(int index) const {
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  return Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

bool CListCtrlEx::SetItemData(int index, LPARAM data) {
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  item.lParam = data;
  return Send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CListCtrlEx::SetItemState(int index, UINT state, UINT mask) {
  LVITEMW item = {};
  item.state = state;
  item.stateMask = mask;
  return Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

std::u16string CListCtrlEx::ColumnHeading(int column) const {
  wchar_t heading[256] = {};
  LVCOLUMNW item = {};
  item.mask = LVCF_TEXT;
  item.pszText = heading;
  item.cchTextMax = static_cast<int>(std::size(heading));
  if (!Send(LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item))) return {};
  return win::FromWide(heading);
}

bool CListCtrlEx::IsReport() const {
  return (::GetWindowLongPtrW(Handle(), GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT;
}

bool CListCtrlEx::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT:
      if (m_highlight == 2) OnPaint();
      return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      result = CallControl(message, wParam, lParam);
      OnFocusChange(reinterpret_cast<HWND>(wParam));
      return true;
    case WM_LBUTTONDOWN:
      OnButtonDown(lParam);
      return false;
    case WM_KEYDOWN:
      if (wParam == VK_ADD && (::GetKeyState(VK_CONTROL) & 0x8000)) {
        AutoSizeAllColumns();
        result = 0;
        return true;
      }
      return false;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHEADERW*>(lParam);
      if (header && header->hdr.hwndFrom == m_header.Handle() &&
          (header->hdr.code == HDN_ITEMCLICKW || header->hdr.code == HDN_ITEMCLICKA) &&
          header->iButton == 0 && m_sortEnabled) {
        SortColumn(header->iItem, 0);
      }
      return false;  // the list still tells its parent of the column click
    }
    default:
      return false;
  }
}

bool CListCtrlEx::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_DRAWITEM || !lParam) return false;
  const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (item.CtlType != ODT_LISTVIEW) return false;
  if (IsReport()) DrawItem(item);
  result = TRUE;
  return true;
}

void CListCtrlEx::OnPaint() {
  RECT first = {};
  first.left = LVIR_BOUNDS;
  if (!IsReport() || !Send(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first))) return;
  RECT client;
  ::GetClientRect(Handle(), &client);
  if (first.right >= client.right) return;
  RECT update;
  if (!::GetUpdateRect(Handle(), &update, FALSE)) return;
  // Row highlights reach the window's edge: the part right of the columns is painted too.
  if (first.right - 1 < update.left) update.left = first.right - 1;
  update.right = client.right;
  ::InvalidateRect(Handle(), &update, FALSE);
}

void CListCtrlEx::OnFocusChange(HWND other) {
  if ((other && (other == Handle() || ::IsChild(Handle(), other))) || !IsReport()) return;
  RECT client;
  ::GetClientRect(Handle(), &client);
  auto invalidateRow = [&](int item) {
    RECT row = {};
    row.left = LVIR_BOUNDS;
    if (!Send(LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row))) return;
    row.right = client.right;
    ::InvalidateRect(Handle(), &row, FALSE);
  };
  if (const int focused = NextItem(-1, LVNI_FOCUSED); focused >= 0) invalidateRow(focused);
  if (!(::GetWindowLongPtrW(Handle(), GWL_STYLE) & LVS_SHOWSELALWAYS)) {
    for (int item = NextItem(-1, LVNI_SELECTED); item >= 0; item = NextItem(item, LVNI_SELECTED)) {
      invalidateRow(item);
    }
  }
  ::UpdateWindow(Handle());
}

void CListCtrlEx::OnButtonDown(LPARAM lParam) {
  LVHITTESTINFO hit = {};
  hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  const int item = static_cast<int>(Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (item < 0 || !(hit.flags & LVHT_ONITEMSTATEICON)) return;
  const UINT image = StateImageOf(ItemState(item, LVIS_STATEIMAGEMASK));
  SetItemState(item, INDEXTOSTATEIMAGEMASK(image == 2 ? 1 : 2), LVIS_STATEIMAGEMASK);
}

void CListCtrlEx::DrawItem(const DRAWITEMSTRUCT& draw) {
  HDC dc = draw.hDC;
  const int index = static_cast<int>(draw.itemID);
  const bool focus = ::GetFocus() == Handle();
  const COLORREF window = ::GetSysColor(COLOR_WINDOW);
  const int highlightIndex = focus ? COLOR_HIGHLIGHT : COLOR_BTNFACE;
  const COLORREF highlight = ::GetSysColor(highlightIndex);
  const LONG_PTR style = ::GetWindowLongPtrW(Handle(), GWL_STYLE);

  LVITEMW item = {};
  item.mask = LVIF_IMAGE | LVIF_STATE;
  item.iItem = index;
  item.stateMask = 0xFFFF;
  Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  const bool highlighted = (item.state & LVIS_DROPHILITED) ||
                           ((item.state & LVIS_SELECTED) && (focus || (style & LVS_SHOWSELALWAYS)));

  RECT bounds = {}, label = {}, icon = {};
  bounds.left = LVIR_BOUNDS;
  label.left = LVIR_LABEL;
  icon.left = LVIR_ICON;
  Send(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&bounds));
  Send(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&label));
  Send(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&icon));
  const std::u16string text = ItemText(index, 0);
  const int margin = 2 * TextWidthOf(u" ");
  RECT client;
  ::GetClientRect(Handle(), &client);

  RECT mark = label;
  switch (m_highlight) {
    case 0:
      mark.right = std::min(label.right, label.left + TextWidthOf(text) + margin);
      break;
    case 1:
      mark.right = bounds.right;
      break;
    case 2:
      mark.right = client.right;
      break;
    default:
      break;
  }

  if (!highlighted) {
    FillSolid(dc, mark, COLOR_WINDOW);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, window);
  } else if (!focus) {
    FillSolid(dc, mark, highlightIndex);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::SetBkColor(dc, highlight);
  } else {
    FillSolid(dc, mark, highlightIndex);
    ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
    ::SetBkColor(dc, highlight);
  }

  const int saved = ::SaveDC(dc);
  RECT column = bounds;
  column.right = bounds.left + ColumnWidth(0);
  ::IntersectClipRect(dc, column.left, column.top, column.right, column.bottom);
  if (const UINT stateImage = StateImageOf(item.state)) {
    if (auto states = reinterpret_cast<HIMAGELIST>(Send(LVM_GETIMAGELIST, LVSIL_STATE))) {
      ::ImageList_Draw(states, static_cast<int>(stateImage) - 1, dc, column.left, column.top,
                       ILD_TRANSPARENT);
    }
  }
  if (auto images = reinterpret_cast<HIMAGELIST>(Send(LVM_GETIMAGELIST, LVSIL_SMALL))) {
    ::ImageList_Draw(images, item.iImage, dc, icon.left, icon.top,
                     ILD_TRANSPARENT | (item.state & LVIS_OVERLAYMASK) | (highlighted ? ILD_BLEND50 : 0));
  }
  constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  RECT textRect = label;
  textRect.left += margin / 2;
  textRect.right -= margin;
  DrawTextIn(dc, text, textRect, kTextFormat | DT_NOCLIP);
  ::RestoreDC(dc, saved);

  if (m_highlight == 0) {
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, window);
  }
  if (mark.right > bounds.right) bounds.right = mark.right;
  const int clip = ::SaveDC(dc);
  ::IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  const int columns = ColumnCount();
  RECT cell = column;
  for (int c = 1; c < columns; ++c) {
    cell.left = cell.right;
    cell.right = cell.left + ColumnWidth(c);
    if (m_highlight == 0) FillSolid(dc, cell, COLOR_WINDOW);
    const std::u16string sub = ItemText(index, c);
    if (sub.empty()) continue;
    LVCOLUMNW format = {};
    format.mask = LVCF_FMT;
    Send(LVM_GETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&format));
    UINT align = DT_LEFT;
    if ((format.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT) align = DT_RIGHT;
    if ((format.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER) align = DT_CENTER;
    RECT inner = cell;
    inner.left += margin;
    inner.right -= margin;
    DrawTextIn(dc, sub, inner, kTextFormat | align);
  }
  ::RestoreDC(dc, clip);

  if ((item.state & LVIS_FOCUSED) && focus) ::DrawFocusRect(dc, &mark);
}

}  // namespace orvel::ui
