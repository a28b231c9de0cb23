// Window classes, string resources and text drawing.
#include <cstring>

#include "exports.h"

using namespace ambrel;

// Window classes. The program's own classes are registered through the ANSI function, so that the
// system hands their wide procedures whatever the window exports pass on unconverted.

namespace {

template <class WideClass, class AnsiClass>
void ClassToAnsi(ScratchList& list, const WideClass& wide, AnsiClass& ansi) {
  static_assert(sizeof(WideClass) == sizeof(AnsiClass));
  std::memcpy(&ansi, &wide, sizeof(ansi));
  ansi.lpszMenuName = A(list, wide.lpszMenuName);
  ansi.lpszClassName = A(list, wide.lpszClassName);
}

// The names of a class read in ANSI have no wide form to point at: a number stays, a text becomes
// an empty wide text.
LPCWSTR ClassNameToWide(LPCSTR name) {
  if (IsIntResource(name)) return reinterpret_cast<LPCWSTR>(name);
  return L"";
}

template <class AnsiClass, class WideClass>
void ClassToWide(const AnsiClass& ansi, WideClass& wide) {
  static_assert(sizeof(WideClass) == sizeof(AnsiClass));
  std::memcpy(&wide, &ansi, sizeof(wide));
  wide.lpszMenuName = ClassNameToWide(ansi.lpszMenuName);
  wide.lpszClassName = ClassNameToWide(ansi.lpszClassName);
}

}  // namespace

AMBREL_EXPORT(ATOM) Amb_RegisterClassW(const WNDCLASSW* wide) {
  if (!UseAnsi() || !wide) return RegisterClassW(wide);
  ScratchList list;
  WNDCLASSA ansi;
  ClassToAnsi(list, *wide, ansi);
  return RegisterClassA(&ansi);
}

AMBREL_EXPORT(ATOM) Amb_RegisterClassExW(const WNDCLASSEXW* wide) {
  if (!UseAnsi() || !wide) return RegisterClassExW(wide);
  ScratchList list;
  WNDCLASSEXA ansi;
  ClassToAnsi(list, *wide, ansi);
  return RegisterClassExA(&ansi);
}

AMBREL_EXPORT(BOOL) Amb_GetClassInfoW(HINSTANCE instance, LPCWSTR name, LPWNDCLASSW wide) {
  if (!UseAnsi() || !wide) return GetClassInfoW(instance, name, wide);
  ScratchList list;
  WNDCLASSA ansi{};
  if (!GetClassInfoA(instance, A(list, name), &ansi)) return FALSE;
  ClassToWide(ansi, *wide);
  return TRUE;
}

AMBREL_EXPORT(BOOL) Amb_GetClassInfoExW(HINSTANCE instance, LPCWSTR name, LPWNDCLASSEXW wide) {
  if (!UseAnsi() || !wide) return GetClassInfoExW(instance, name, wide);
  ScratchList list;
  WNDCLASSEXA ansi{};
  ansi.cbSize = wide->cbSize;
  BOOL found = GetClassInfoExA(instance, A(list, name), &ansi);
  if (!found) return FALSE;
  ClassToWide(ansi, *wide);
  return found;  // the class atom
}

namespace {

// A string table entry as it is stored: wide, not terminated. Null when the entry is absent.
const wchar_t* FindStringResource(HINSTANCE instance, UINT id, int* length) {
  *length = 0;
  constexpr WORD kStringTable = 6;  // RT_STRING
  HRSRC block = FindResourceA(instance, MAKEINTRESOURCEA((id >> 4) + 1), MAKEINTRESOURCEA(kStringTable));
  HGLOBAL loaded = block ? LoadResource(instance, block) : nullptr;
  const auto* entry = loaded ? static_cast<const wchar_t*>(LockResource(loaded)) : nullptr;
  if (!entry) return nullptr;
  for (UINT i = 0; i < (id & 15); ++i) entry += *entry + 1;
  *length = *entry;
  return *length ? entry + 1 : nullptr;
}

}  // namespace

AMBREL_EXPORT(int) Amb_LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size) {
  if (!UseAnsi()) return LoadStringW(instance, id, buffer, size);
  if (size == 0) {
    // The wide caller asks for the entry itself, which the resource holds in wide form already.
    if (!buffer) return 0;
    int length = 0;
    const wchar_t* text = FindStringResource(instance, id, &length);
    *reinterpret_cast<const wchar_t**>(buffer) = text;
    return length;
  }
  return ReadText(buffer, size,
                  [&](char* ansi, int bytes) { return LoadStringA(instance, id, ansi, bytes); });
}

// Text drawing: a text with an explicit length is converted with it and drawn with its ANSI length.

AMBREL_EXPORT(int) Amb_DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format) {
  if (!UseAnsi()) return DrawTextW(dc, text, count, rect, format);
  ScratchList list;
  int length = 0;
  char* ansi = WideToAnsiDup(list, text, count < 0 ? -1 : count, &length);
  if (!(format & DT_MODIFYSTRING) || !ansi || IsIntResource(text)) {
    return DrawTextA(dc, ansi, count < 0 ? -1 : length, rect, format);
  }
  // The system may put an ellipsis of up to four characters into the text; the caller's buffer has
  // room for them, the ANSI copy gets it too, and the changed text goes back to the caller.
  int roomUnits = count < 0 ? static_cast<int>(std::wcslen(text)) + 5 : count + 4;
  char* room = static_cast<char*>(list.Alloc(length + 5));
  if (!room) return 0;
  std::memcpy(room, ansi, length);
  int height = DrawTextA(dc, room, count < 0 ? -1 : length, rect, format);
  ConvertTruncated(room, -1, const_cast<LPWSTR>(text), roomUnits);
  return height;
}

AMBREL_EXPORT(LONG)
Amb_TabbedTextOutW(HDC dc, int x, int y, LPCWSTR text, int count, int tabCount, const INT* tabs, int origin) {
  if (!UseAnsi()) return TabbedTextOutW(dc, x, y, text, count, tabCount, tabs, origin);
  ScratchList list;
  int length = 0;
  char* ansi = WideToAnsiDup(list, text, count, &length);
  return TabbedTextOutA(dc, x, y, ansi, length, tabCount, tabs, origin);
}

AMBREL_EXPORT(DWORD)
Amb_GetTabbedTextExtentW(HDC dc, LPCWSTR text, int count, int tabCount, const INT* tabs) {
  if (!UseAnsi()) return GetTabbedTextExtentW(dc, text, count, tabCount, tabs);
  ScratchList list;
  int length = 0;
  char* ansi = WideToAnsiDup(list, text, count, &length);
  return GetTabbedTextExtentA(dc, ansi, length, tabCount, tabs);
}

// Without an output procedure the data is the text itself; with one it is the caller's own value,
// which goes to the procedure as it is.
AMBREL_EXPORT(BOOL)
Amb_GrayStringW(HDC dc, HBRUSH brush, GRAYSTRINGPROC output, LPARAM data, int count, int x, int y, int width,
                int height) {
  if (!UseAnsi()) return GrayStringW(dc, brush, output, data, count, x, y, width, height);
  if (output) return GrayStringA(dc, brush, output, data, count, x, y, width, height);
  ScratchList list;
  int length = 0;
  char* ansi = WideToAnsiDup(list, reinterpret_cast<LPCWSTR>(data), count > 0 ? count : -1, &length);
  return GrayStringA(dc, brush, nullptr, reinterpret_cast<LPARAM>(ansi), length, x, y, width, height);
}
