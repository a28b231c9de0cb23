#include <windows.h>

UINT BaseAttributes(const wchar_t* path);

// Reached through a static library that names the system libraries itself.
int HelperTextLength(const wchar_t* text) {
  return lstrlenW(text) + (BaseAttributes(L"C:\\") == DRIVE_UNKNOWN ? 1 : 0);
}
