// Menu items and their texts.
#include <algorithm>
#include <cstring>

#include "exports.h"

using namespace ambrel;

namespace {

// Item flags under which the item's data is a bitmap or the owner's value, not a text.
constexpr UINT kNotText = MF_BITMAP | MF_OWNERDRAW;
static_assert(kNotText == (MFT_BITMAP | MFT_OWNERDRAW));

const char* ItemText(ScratchList& list, UINT flags, LPCWSTR item) {
  if (flags & kNotText) return reinterpret_cast<const char*>(item);
  return A(list, item);
}

// Whether a record's type data is a text. MIIM_STRING names the text alone; under MIIM_TYPE the
// type says whether it is one.
bool RecordHasText(const MENUITEMINFOW& item) {
  if (item.fMask & MIIM_TYPE) return !(item.fType & kNotText);
  return (item.fMask & MIIM_STRING) != 0;
}

// The fields of the caller's record that its size covers; false for a size larger than the
// record has ever been.
bool CopyRecord(const MENUITEMINFOW& wide, MENUITEMINFOA& ansi) {
  static_assert(sizeof(MENUITEMINFOW) == sizeof(MENUITEMINFOA));
  ansi = {};
  if (wide.cbSize > sizeof(ansi)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::memcpy(&ansi, &wide, wide.cbSize);
  return true;
}

// The record in ANSI form, its type data converted when it is a text.
template <class Call>
BOOL SetItemRecord(const MENUITEMINFOW* wide, Call call) {
  ScratchList list;
  MENUITEMINFOA ansi;
  if (!CopyRecord(*wide, ansi)) return FALSE;
  if (RecordHasText(*wide)) ansi.dwTypeData = const_cast<LPSTR>(A(list, wide->dwTypeData));
  return call(&ansi);
}

}  // namespace

AMBREL_EXPORT(BOOL) Amb_AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR item) {
  if (!UseAnsi()) return AppendMenuW(menu, flags, id, item);
  ScratchList list;
  return AppendMenuA(menu, flags, id, ItemText(list, flags, item));
}

AMBREL_EXPORT(BOOL) Amb_InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCWSTR item) {
  if (!UseAnsi()) return InsertMenuW(menu, position, flags, id, item);
  ScratchList list;
  return InsertMenuA(menu, position, flags, id, ItemText(list, flags, item));
}

AMBREL_EXPORT(BOOL) Amb_ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCWSTR item) {
  if (!UseAnsi()) return ModifyMenuW(menu, position, flags, id, item);
  ScratchList list;
  return ModifyMenuA(menu, position, flags, id, ItemText(list, flags, item));
}

AMBREL_EXPORT(BOOL) Amb_InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW record) {
  if (!UseAnsi() || !record) return InsertMenuItemW(menu, item, byPosition, record);
  return SetItemRecord(record,
                       [&](MENUITEMINFOA* ansi) { return InsertMenuItemA(menu, item, byPosition, ansi); });
}

AMBREL_EXPORT(BOOL) Amb_SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW record) {
  if (!UseAnsi() || !record) return SetMenuItemInfoW(menu, item, byPosition, record);
  return SetItemRecord(record,
                       [&](MENUITEMINFOA* ansi) { return SetMenuItemInfoA(menu, item, byPosition, ansi); });
}

// The item is read once for its text's length and once more for the text, which then goes into
// the caller's buffer as the wide function writes it: cut to the buffer and terminated, the count
// the units written. Without a buffer the count is the text's wide length.
AMBREL_EXPORT(BOOL) Amb_GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW record) {
  if (!UseAnsi() || !record) return GetMenuItemInfoW(menu, item, byPosition, record);
  ScratchList list;
  MENUITEMINFOA ansi;
  if (!CopyRecord(*record, ansi)) return FALSE;
  LPWSTR buffer = record->dwTypeData;
  UINT size = record->cch;
  bool wantsText = (record->fMask & (MIIM_TYPE | MIIM_STRING)) != 0;
  if (wantsText) {
    ansi.dwTypeData = nullptr;
    ansi.cch = 0;
  }
  if (!GetMenuItemInfoA(menu, item, byPosition, &ansi)) return FALSE;
  // A bitmap or owner-drawn item's type data is its handle or value: it goes back as read.
  bool text = wantsText && !((record->fMask & MIIM_TYPE) && (ansi.fType & kNotText));
  int units = 0;
  if (text && ansi.cch > 0) {
    UINT length = ansi.cch;
    ansi.cch = length + 1;
    ansi.dwTypeData = static_cast<LPSTR>(list.Alloc(length + 1));
    if (!ansi.dwTypeData || !GetMenuItemInfoA(menu, item, byPosition, &ansi)) return FALSE;
    ansi.dwTypeData[length] = 0;
    units = AnsiToWide(ansi.dwTypeData, -1, nullptr, 0) - 1;
    if (units < 0) units = 0;
    if (buffer && size > 0) units = CopyAnsiToWide(ansi.dwTypeData, buffer, static_cast<int>(size), true);
  } else if (text && buffer && size > 0) {
    buffer[0] = 0;
  }
  std::memcpy(record, &ansi, std::min<UINT>(record->cbSize, sizeof(ansi)));
  if (text) {
    record->dwTypeData = buffer;
    record->cch = static_cast<UINT>(units);
  }
  return TRUE;
}

// With no buffer the answer is the text's wide length, as the wide function gives it.
AMBREL_EXPORT(int) Amb_GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int size, UINT flags) {
  if (!UseAnsi()) return GetMenuStringW(menu, item, buffer, size, flags);
  if (buffer && size > 0) {
    return ReadText(buffer, size,
                    [&](char* ansi, int bytes) { return GetMenuStringA(menu, item, ansi, bytes, flags); });
  }
  int length = GetMenuStringA(menu, item, nullptr, 0, flags);
  if (length <= 0) return 0;
  ScratchList list;
  auto* ansi = static_cast<char*>(list.Alloc(length + 1));
  if (!ansi) return 0;
  GetMenuStringA(menu, item, ansi, length + 1, flags);
  int units = AnsiToWide(ansi, -1, nullptr, 0);
  return units > 0 ? units - 1 : 0;
}
