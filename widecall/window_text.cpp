#include "window_text.h"

#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <new>

#include "ambrel_core.h"

namespace ambrel {
namespace {

SubclassMap g_subclasses;

// User messages renumbered for wide callers: 0x0467 goes as 0x0464 with its text in ANSI, 0x0850
// as 0x0467 unchanged.
constexpr UINT kWideTextMessage = 0x0467;
constexpr UINT kAnsiTextMessage = 0x0464;
constexpr UINT kRenumberedMessage = 0x0850;
// The wide list-view messages are their ANSI forms plus this.
constexpr UINT kListViewWideOffset = 70;

// The IP address control's range message is 0x0467 with a packed number; none of its messages
// carries text, so they reach it unchanged.
bool IsIpAddressControl(HWND window) {
  char name[64] = {};
  return GetClassNameA(window, name, sizeof(name)) > 0 && lstrcmpiA(name, WC_IPADDRESSA) == 0;
}

// An owner-drawn list without the has-strings style keeps a number per item, not a text.
bool ListHoldsStrings(HWND window, bool combo) {
  LONG style = GetWindowLongA(window, GWL_STYLE);
  LONG ownerDraw =
      combo ? (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE) : (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE);
  LONG hasStrings = combo ? CBS_HASSTRINGS : LBS_HASSTRINGS;
  return !(style & ownerDraw) || (style & hasStrings);
}

// A record's text in ANSI; the text-callback marker keeps its meaning.
char* RecordText(ScratchList& list, const wchar_t* text) {
  if (text == LPSTR_TEXTCALLBACKW) return LPSTR_TEXTCALLBACKA;
  return WideToAnsiDup(list, text);
}

LRESULT SendText(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ScratchList list;
  return SendMessageA(
      window, message, wParam,
      reinterpret_cast<LPARAM>(WideToAnsiDup(list, reinterpret_cast<const wchar_t*>(lParam))));
}

// WM_GETTEXT and WM_GETTEXTLENGTH: the text is read in ANSI, the answer counts wide units.
LRESULT GetWindowTextWide(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  if (length < 0) length = 0;
  ScratchList list;
  char* ansi = static_cast<char*>(list.Alloc(length + 1));
  if (!ansi) return 0;
  // The whole text in bytes (a character may take two), cut to the caller's units once it is wide.
  // Never more than the length read, even when the window's text grew since.
  SendMessageA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(ansi));
  ansi[length] = 0;
  if (message == WM_GETTEXTLENGTH) {
    int units = AnsiToWide(ansi, -1, nullptr, 0);
    return units > 0 ? units - 1 : 0;
  }
  auto* out = reinterpret_cast<wchar_t*>(lParam);
  int written = ConvertTruncated(ansi, -1, out, static_cast<int>(std::min<WPARAM>(wParam, length + 1)));
  return written > 0 ? written - 1 : 0;
}

// LB_GETTEXT, LB_GETTEXTLEN, CB_GETLBTEXT and CB_GETLBTEXTLEN: an item's text read in ANSI, the
// answer in wide units. The caller's buffer holds the text the length message announced.
LRESULT GetItemTextWide(HWND window, UINT lengthMessage, UINT textMessage, bool wantText, WPARAM index,
                        LPARAM lParam) {
  LRESULT length = SendMessageA(window, lengthMessage, index, 0);
  if (length < 0) return length;  // LB_ERR, CB_ERR: no such item
  ScratchList list;
  char* ansi = static_cast<char*>(list.Alloc(length + 1));
  if (!ansi) return LB_ERRSPACE;
  LRESULT got = SendMessageA(window, textMessage, index, reinterpret_cast<LPARAM>(ansi));
  if (got < 0) return got;
  ansi[length] = 0;
  int units = AnsiToWide(ansi, -1, nullptr, 0);
  if (units <= 0) return 0;
  if (wantText && lParam) AnsiToWide(ansi, -1, reinterpret_cast<wchar_t*>(lParam), units);
  return units - 1;
}

// The list-view and header records of the 95/98/ME family: the fields every version has, and
// the image, indent and order fields that version 4.70 added. The later systems' further fields
// are not there, so their mask bits are dropped (the control would read past the record).
struct AnsiListViewItem {
  UINT mask;
  int item, subItem;
  UINT state, stateMask;
  LPSTR text;
  int textMax;
  int image;
  LPARAM param;
  int indent;
};
struct AnsiListViewColumn {
  UINT mask;
  int format, width;
  LPSTR text;
  int textMax, subItem;
  int image, order;
};
struct AnsiHeaderItem {
  UINT mask;
  int width;
  LPSTR text;
  HBITMAP bitmap;
  int textMax, format;
  LPARAM param;
  int image, order;
};
static_assert(offsetof(AnsiListViewItem, indent) == offsetof(LVITEMA, iIndent));
static_assert(offsetof(AnsiListViewColumn, order) == offsetof(LVCOLUMNA, iOrder));
static_assert(offsetof(AnsiHeaderItem, order) == offsetof(HDITEMA, iOrder));
#ifndef _WIN64
static_assert(offsetof(AnsiListViewItem, indent) == 36 && sizeof(AnsiListViewItem) == 40);
static_assert(offsetof(AnsiListViewColumn, image) == 24 && sizeof(AnsiListViewColumn) == 32);
static_assert(offsetof(AnsiHeaderItem, image) == 28 && sizeof(AnsiHeaderItem) == 36);
#endif
constexpr UINT kListViewItemMask =
    LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE | LVIF_INDENT | LVIF_NORECOMPUTE | LVIF_DI_SETITEM;
constexpr UINT kListViewColumnMask =
    LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM | LVCF_IMAGE | LVCF_ORDER;
constexpr UINT kHeaderItemMask =
    HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_LPARAM | HDI_BITMAP | HDI_IMAGE | HDI_DI_SETITEM | HDI_ORDER;

// The copies take each later field only when the mask says the caller's record carries it.
LRESULT SendListViewItem(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  UINT ansiMessage = message - kListViewWideOffset;
  const auto* w = reinterpret_cast<const LVITEMW*>(lParam);
  if (!w) return SendMessageA(window, ansiMessage, wParam, 0);
  ScratchList list;
  AnsiListViewItem a{};
  a.mask = w->mask & kListViewItemMask;
  a.item = w->iItem;
  a.subItem = w->iSubItem;
  a.state = w->state;
  a.stateMask = w->stateMask;
  bool text = (w->mask & LVIF_TEXT) || message == LVM_SETITEMTEXTW;
  a.text = text ? RecordText(list, w->pszText) : reinterpret_cast<LPSTR>(w->pszText);
  a.textMax = w->cchTextMax;
  a.image = w->iImage;
  a.param = w->lParam;
  if (w->mask & LVIF_INDENT) a.indent = w->iIndent;
  return SendMessageA(window, ansiMessage, wParam, reinterpret_cast<LPARAM>(&a));
}

LRESULT SendListViewColumn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  UINT ansiMessage = message - kListViewWideOffset;
  const auto* w = reinterpret_cast<const LVCOLUMNW*>(lParam);
  if (!w) return SendMessageA(window, ansiMessage, wParam, 0);
  ScratchList list;
  AnsiListViewColumn a{};
  a.mask = w->mask & kListViewColumnMask;
  a.format = w->fmt;
  a.width = w->cx;
  a.text = (w->mask & LVCF_TEXT) ? RecordText(list, w->pszText) : reinterpret_cast<LPSTR>(w->pszText);
  a.textMax = w->cchTextMax;
  a.subItem = w->iSubItem;
  if (w->mask & LVCF_IMAGE) a.image = w->iImage;
  if (w->mask & LVCF_ORDER) a.order = w->iOrder;
  return SendMessageA(window, ansiMessage, wParam, reinterpret_cast<LPARAM>(&a));
}

LRESULT SendHeaderItem(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  UINT ansiMessage = message == HDM_INSERTITEMW ? HDM_INSERTITEMA : HDM_SETITEMA;
  const auto* w = reinterpret_cast<const HDITEMW*>(lParam);
  if (!w) return SendMessageA(window, ansiMessage, wParam, 0);
  ScratchList list;
  AnsiHeaderItem a{};
  a.mask = w->mask & kHeaderItemMask;
  a.width = w->cxy;
  a.text = (w->mask & HDI_TEXT) ? RecordText(list, w->pszText) : reinterpret_cast<LPSTR>(w->pszText);
  a.bitmap = w->hbm;
  a.textMax = w->cchTextMax;
  a.format = w->fmt;
  a.param = w->lParam;
  if (w->mask & HDI_IMAGE) a.image = w->iImage;
  if (w->mask & HDI_ORDER) a.order = w->iOrder;
  return SendMessageA(window, ansiMessage, wParam, reinterpret_cast<LPARAM>(&a));
}

}  // namespace

void SubclassMap::UpdateLocked(HWND window, WNDPROC procedure) {
  auto entry = m_entries.find(window);
  if (entry == m_entries.end()) {
    try {
      m_entries.emplace(window, procedure);
    } catch (const std::bad_alloc&) {
      // Called from window exports: nothing may leave them. The window then counts as unsubclassed.
    }
  } else if (entry->second == procedure) {
    m_entries.erase(entry);
  }
}

void SubclassMap::Update(HWND window, WNDPROC procedure) {
  if (IsApplicationClassWindow(window)) return;
  std::lock_guard<std::mutex> lock(m_lock);
  UpdateLocked(window, procedure);
}

void SubclassMap::ProcedureSet(HWND window, WNDPROC previous, WNDPROC procedure) {
  if (!previous || IsApplicationClassWindow(window)) return;
  std::lock_guard<std::mutex> lock(m_lock);
  auto entry = m_entries.find(window);
  bool baseBack = entry != m_entries.end() && entry->second == procedure;
  UpdateLocked(window, baseBack ? procedure : previous);
}

WNDPROC SubclassMap::Recorded(HWND window) const {
  std::lock_guard<std::mutex> lock(m_lock);
  auto entry = m_entries.find(window);
  return entry == m_entries.end() ? nullptr : entry->second;
}

WNDPROC SubclassMap::BaseOf(HWND window) {
  std::lock_guard<std::mutex> lock(m_lock);
  auto entry = m_entries.find(window);
  if (entry == m_entries.end()) return nullptr;
  WNDPROC base = entry->second;
  if (!IsWindow(window) || reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == base) {
    m_entries.erase(entry);
    return nullptr;
  }
  return base;
}

SubclassMap& Subclasses() { return g_subclasses; }

bool TakesWideText(HWND window) {
  return IsApplicationClassWindow(window) || Subclasses().BaseOf(window) != nullptr;
}

LRESULT TranslateSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
      // As SetWindowTextW: a wide procedure gets the caller's text as it is.
      if (TakesWideText(window)) return SendMessageA(window, message, wParam, lParam);
      return SendText(window, message, wParam, lParam);
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
      if (!ListHoldsStrings(window, false)) break;
      return SendText(window, message, wParam, lParam);
    case CB_ADDSTRING:
    case CB_INSERTSTRING:
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      if (!ListHoldsStrings(window, true)) break;
      return SendText(window, message, wParam, lParam);
    case PSM_SETTITLEW:
      // The ANSI property sheet reads its title in ANSI only under the ANSI message number.
      return SendText(window, PSM_SETTITLEA, wParam, lParam);
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      return GetWindowTextWide(window, message, wParam, lParam);
    case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN:
      if (!ListHoldsStrings(window, true)) break;
      return GetItemTextWide(window, CB_GETLBTEXTLEN, CB_GETLBTEXT, message == CB_GETLBTEXT, wParam, lParam);
    case LB_GETTEXT:
    case LB_GETTEXTLEN:
      if (!ListHoldsStrings(window, false)) break;
      return GetItemTextWide(window, LB_GETTEXTLEN, LB_GETTEXT, message == LB_GETTEXT, wParam, lParam);
    case kWideTextMessage:
      if (IsIpAddressControl(window)) break;
      return SendText(window, kAnsiTextMessage, wParam, lParam);
    case kRenumberedMessage:
      if (IsIpAddressControl(window)) break;
      return SendMessageA(window, kWideTextMessage, wParam, lParam);
    case LVM_SETITEMW:
    case LVM_INSERTITEMW:
    case LVM_SETITEMTEXTW:
      return SendListViewItem(window, message, wParam, lParam);
    case LVM_SETCOLUMNW:
    case LVM_INSERTCOLUMNW:
      return SendListViewColumn(window, message, wParam, lParam);
    case HDM_INSERTITEMW:
    case HDM_SETITEMW:
      return SendHeaderItem(window, message, wParam, lParam);
  }
  return SendMessageA(window, message, wParam, lParam);
}

}  // namespace ambrel
