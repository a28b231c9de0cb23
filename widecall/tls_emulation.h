// Thread-local storage beyond the few indexes that systems before Windows 2000 offer.
#pragma once

#include <windows.h>

namespace ambrel {

constexpr DWORD kTlsEmulatedBase = 4096;  // emulated slot s is handed out as 4096 + s
constexpr DWORD kTlsEmulatedSlots = 1024;
constexpr DWORD kTlsSystemKept = 32;  // system indexes below this are kept as they are

bool TlsEmuCreate();
void TlsEmuDestroy();
BOOL TlsEmuThreadAttach();
BOOL TlsEmuThreadDetach();

DWORD TlsEmuAlloc();
BOOL TlsEmuFree(DWORD index);
LPVOID TlsEmuGetValue(DWORD index);
BOOL TlsEmuSetValue(DWORD index, LPVOID value);

}  // namespace ambrel
