// Entries of kernel32 that the static runtime (threads, clocks) imports although Windows 95 does
// not have them: a program importing one of them does not load there. Linked ahead of kernel32,
// these take their places: each calls the system's entry when the system has it, and otherwise
// does what the runtime needs of it.
#include "win95_compat.h"

namespace ambrel {
namespace {

// The system's entry of that name, looked up once; null when the system lacks it. Two threads may
// look it up at once and find the same answer, so no lock is needed.
FARPROC KernelEntry(FARPROC volatile& cache, volatile LONG& known, const char* name) {
  if (!known) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    cache = kernel ? GetProcAddress(kernel, name) : nullptr;
    InterlockedExchange(&known, 1);
  }
  return cache;
}

template <class Fn>
Fn As(FARPROC entry) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(entry));
}

#define AMBREL_SYSTEM_ENTRY(name)          \
  static FARPROC volatile cache = nullptr; \
  static volatile LONG known = 0;          \
  FARPROC entry = KernelEntry(cache, known, name)

volatile LONG g_tickLock = 0;
DWORD g_lastTick = 0;
DWORD g_tickWraps = 0;

}  // namespace

ULONGLONG TickCount64Fallback() {
  while (InterlockedExchange(&g_tickLock, 1)) Sleep(0);
  DWORD now = GetTickCount();
  if (now < g_lastTick) ++g_tickWraps;
  g_lastTick = now;
  ULONGLONG ticks = (static_cast<ULONGLONG>(g_tickWraps) << 32) | now;
  InterlockedExchange(&g_tickLock, 0);
  return ticks;
}

BOOL HandleInformationFallback(HANDLE handle, LPDWORD flags) {
  // A handle that can be duplicated is open; the 95/98/ME family keeps no flags on handles.
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return FALSE;
  }
  CloseHandle(copy);
  if (flags) *flags = 0;
  return TRUE;
}

}  // namespace ambrel

using namespace ambrel;

extern "C" {

ULONGLONG WINAPI AmbCompat_GetTickCount64() {
  AMBREL_SYSTEM_ENTRY("GetTickCount64");
  return entry ? As<ULONGLONG(WINAPI*)()>(entry)() : TickCount64Fallback();
}

BOOL WINAPI AmbCompat_IsDebuggerPresent() {
  AMBREL_SYSTEM_ENTRY("IsDebuggerPresent");
  return entry ? As<BOOL(WINAPI*)()>(entry)() : FALSE;
}

// Without vectored handlers the runtime goes without its own (it checks for null).
PVOID WINAPI AmbCompat_AddVectoredExceptionHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
  AMBREL_SYSTEM_ENTRY("AddVectoredExceptionHandler");
  if (entry) return As<PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER)>(entry)(first, handler);
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return nullptr;
}

ULONG WINAPI AmbCompat_RemoveVectoredExceptionHandler(PVOID handler) {
  AMBREL_SYSTEM_ENTRY("RemoveVectoredExceptionHandler");
  return entry ? As<ULONG(WINAPI*)(PVOID)>(entry)(handler) : 0;
}

BOOL WINAPI AmbCompat_GetHandleInformation(HANDLE handle, LPDWORD flags) {
  AMBREL_SYSTEM_ENTRY("GetHandleInformation");
  return entry ? As<BOOL(WINAPI*)(HANDLE, LPDWORD)>(entry)(handle, flags)
               : HandleInformationFallback(handle, flags);
}

// The runtime tries a lock only to wait for it in a loop or to find a lock busy while it is
// being destroyed; taking it outright serves both.
BOOL WINAPI AmbCompat_TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  AMBREL_SYSTEM_ENTRY("TryEnterCriticalSection");
  if (entry) return As<BOOL(WINAPI*)(LPCRITICAL_SECTION)>(entry)(section);
  EnterCriticalSection(section);
  return TRUE;
}

}  // extern "C"

// The import-table names of the entries above, as the import library of kernel32 would give them:
// a pointer for calls through the import table and a jump for direct calls.
#ifdef _WIN64
#define AMBREL_COMPAT(name, bytes)                                               \
  asm(".section .rdata,\"dr\"\n.globl __imp_" #name "\n.p2align 3\n__imp_" #name \
      ":\n  .quad AmbCompat_" #name "\n.text\n.globl " #name "\n" #name          \
      ":\n  jmp "                                                                \
      "*__imp_" #name "(%rip)\n")
#else
#define AMBREL_COMPAT(name, bytes)                                                                          \
  asm(".section .rdata,\"dr\"\n.globl __imp__" #name "@" #bytes "\n.p2align 2\n__imp__" #name "@" #bytes    \
      ":\n  .long _AmbCompat_" #name "@" #bytes "\n.text\n.globl _" #name "@" #bytes "\n_" #name "@" #bytes \
      ":\n  jmp *__imp__" #name "@" #bytes "\n")
#endif
AMBREL_COMPAT(GetTickCount64, 0);
AMBREL_COMPAT(IsDebuggerPresent, 0);
AMBREL_COMPAT(AddVectoredExceptionHandler, 8);
AMBREL_COMPAT(RemoveVectoredExceptionHandler, 4);
AMBREL_COMPAT(GetHandleInformation, 8);
AMBREL_COMPAT(TryEnterCriticalSection, 4);
