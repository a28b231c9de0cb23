// What the Windows 95 stand-ins of the runtime's kernel32 entries do when the system lacks them.
#pragma once

#include <windows.h>

namespace ambrel {

// The tick count in 64 bits, from the 32-bit one and the number of times it has wrapped since
// the first call.
ULONGLONG TickCount64Fallback();
// TRUE for an open handle (flags 0); FALSE for one that is not.
BOOL HandleInformationFallback(HANDLE handle, LPDWORD flags);

}  // namespace ambrel
