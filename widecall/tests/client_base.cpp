#include <windows.h>

// Two static libraries deep: its imports must still resolve through Ambrel.
UINT BaseAttributes(const wchar_t* path) { return GetDriveTypeW(path); }
