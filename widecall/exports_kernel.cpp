// Kernel exports: files, processes and modules, profiles, atoms, locale and system data.
#include <cstdlib>
#include <cstring>

#include "exports.h"

using namespace ambrel;

namespace {

// The find data of the 95/98/ME family, converted into the caller's wide form.
void FindDataAToW(const WIN32_FIND_DATAA& a, WIN32_FIND_DATAW* w) {
  w->dwFileAttributes = a.dwFileAttributes;
  w->ftCreationTime = a.ftCreationTime;
  w->ftLastAccessTime = a.ftLastAccessTime;
  w->ftLastWriteTime = a.ftLastWriteTime;
  w->nFileSizeHigh = a.nFileSizeHigh;
  w->nFileSizeLow = a.nFileSizeLow;
  w->dwReserved0 = a.dwReserved0;
  w->dwReserved1 = a.dwReserved1;
  CopyAnsiToWide(a.cFileName, w->cFileName, MAX_PATH, true);
  CopyAnsiToWide(a.cAlternateFileName, w->cAlternateFileName, 14, true);
}

}  // namespace

AMBREL_EXPORT(BOOL)
Amb_CreateProcessW(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processSa,
                   LPSECURITY_ATTRIBUTES threadSa, BOOL inherit, DWORD flags, LPVOID environment,
                   LPCWSTR directory, LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info) {
  if (!UseAnsi()) {
    return CreateProcessW(application, commandLine, processSa, threadSa, inherit, flags, environment,
                          directory, startup, info);
  }
  ScratchList list;
  STARTUPINFOA a{};
  if (startup) {
    static_assert(sizeof(STARTUPINFOA) == sizeof(STARTUPINFOW));
    std::memcpy(&a, startup, sizeof(a));
    a.cb = sizeof(a);
    a.lpReserved = nullptr;
    a.lpDesktop = WideToAnsiDup(list, startup->lpDesktop);
    a.lpTitle = WideToAnsiDup(list, startup->lpTitle);
  }
  char* env = static_cast<char*>(environment);
  if (environment && (flags & CREATE_UNICODE_ENVIRONMENT)) {
    // A wide block ends with an empty string; the ANSI system takes only ANSI blocks.
    const wchar_t* w = static_cast<const wchar_t*>(environment);
    const wchar_t* end = w;
    while (*end) end += std::wcslen(end) + 1;
    int units = static_cast<int>(end - w) + 1;
    int bytes = WideToAnsi(w, units, nullptr, 0);
    env = static_cast<char*>(list.Alloc(bytes + 2));
    if (env) WideToAnsi(w, units, env, bytes);
    flags &= ~CREATE_UNICODE_ENVIRONMENT;
  }
  return CreateProcessA(A(list, application), WideToAnsiDup(list, commandLine), processSa, threadSa, inherit,
                        flags, env, A(list, directory), startup ? &a : nullptr, info);
}

AMBREL_EXPORT(HANDLE) Amb_FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  if (!UseAnsi()) return FindFirstFileW(pattern, data);
  ScratchList list;
  WIN32_FIND_DATAA a{};
  HANDLE find = FindFirstFileA(A(list, pattern), &a);
  if (find != INVALID_HANDLE_VALUE && data) FindDataAToW(a, data);
  return find;
}

AMBREL_EXPORT(BOOL) Amb_FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) {
  if (!UseAnsi()) return FindNextFileW(find, data);
  WIN32_FIND_DATAA a{};
  BOOL ok = FindNextFileA(find, &a);
  if (ok && data) FindDataAToW(a, data);
  return ok;
}

AMBREL_EXPORT(BOOL) Amb_GetComputerNameW(LPWSTR buffer, LPDWORD size) {
  if (!UseAnsi()) return GetComputerNameW(buffer, size);
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  char name[MAX_COMPUTERNAME_LENGTH * 2 + 2] = {};
  DWORD bytes = sizeof(name);
  if (!GetComputerNameA(name, &bytes)) return FALSE;
  ScratchList list;
  int units = 0;
  const wchar_t* wide = AnsiToWideDup(list, name, -1, &units);
  if (!wide || !CopyWide(wide, units, buffer, *size)) {
    *size = units + 1;
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return FALSE;
  }
  *size = units;
  return TRUE;
}

AMBREL_EXPORT(DWORD) Amb_GetCurrentDirectoryW(DWORD size, LPWSTR buffer) {
  if (!UseAnsi()) return GetCurrentDirectoryW(size, buffer);
  return SizedAnsiCall(buffer, size, [](char* a, DWORD n) { return GetCurrentDirectoryA(n, a); });
}

AMBREL_EXPORT(BOOL)
Amb_GetDiskFreeSpaceExW(LPCWSTR root, PULARGE_INTEGER available, PULARGE_INTEGER total,
                        PULARGE_INTEGER totalFree) {
  // Windows 95 before OSR2 lacks the entry, so it is found at run time.
  if (UseAnsi()) {
    using Fn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto fn = kernel ? ProcAs<Fn>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")) : nullptr;
    if (!fn) {
      SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return FALSE;
    }
    ScratchList list;
    return fn(A(list, root), available, total, totalFree);
  }
  using Fn = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  HMODULE kernel = GetModuleHandleA("Kernel32.dll");
  auto fn = kernel ? ProcAs<Fn>(GetProcAddress(kernel, "GetDiskFreeSpaceExW")) : nullptr;
  if (!fn) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return fn(root, available, total, totalFree);
}

AMBREL_EXPORT(DWORD) Amb_GetFullPathNameW(LPCWSTR name, DWORD size, LPWSTR buffer, LPWSTR* filePart) {
  if (!UseAnsi()) return GetFullPathNameW(name, size, buffer, filePart);
  ScratchList list;
  const char* ansiName = A(list, name);
  DWORD result = SizedAnsiCall(
      buffer, size, [ansiName](char* a, DWORD n) { return GetFullPathNameA(ansiName, n, a, nullptr); });
  if (filePart) {
    *filePart = nullptr;
    if (result > 0 && result < size && buffer) {
      wchar_t* slash = std::wcsrchr(buffer, L'\\');
      wchar_t* part = slash ? slash + 1 : buffer;
      if (*part) *filePart = part;
    }
  }
  return result;
}

AMBREL_EXPORT(int) Amb_GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR buffer, int size) {
  if (!UseAnsi()) return GetLocaleInfoW(locale, type, buffer, size);
  // A number asked for as one is the value itself, no text: the ANSI function counts its size in
  // bytes, the wide one in units.
  if (type & LOCALE_RETURN_NUMBER) {
    int bytes = GetLocaleInfoA(locale, type, reinterpret_cast<LPSTR>(buffer),
                               size * static_cast<int>(sizeof(wchar_t)));
    return bytes / static_cast<int>(sizeof(wchar_t));
  }
  int bytes = GetLocaleInfoA(locale, type, nullptr, 0);
  if (bytes <= 0) return 0;
  ScratchList list;
  char* ansi = static_cast<char*>(list.Alloc(bytes + 1));
  if (!ansi || GetLocaleInfoA(locale, type, ansi, bytes) <= 0) return 0;
  // The ANSI function answers in the locale's own code page unless asked for the system's: a
  // Hebrew or Russian text read through the system's code page would come back as other letters.
  UINT codePage = CP_ACP;
  char number[8] = {};
  if (!(type & LOCALE_USE_CP_ACP) &&
      GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, number, sizeof(number)) > 0 &&
      std::atoi(number) > 0)
    codePage = static_cast<UINT>(std::atoi(number));
  int units = MultiByteToWideChar(codePage, 0, ansi, -1, nullptr, 0) - 1;
  auto* wide = units >= 0 ? static_cast<wchar_t*>(list.Alloc((units + 1) * sizeof(wchar_t))) : nullptr;
  if (!wide || MultiByteToWideChar(codePage, 0, ansi, -1, wide, units + 1) <= 0) return 0;
  // The count includes the terminator, as the system's does.
  if (size == 0) return units + 1;
  if (!CopyWide(wide, units, buffer, size)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return units + 1;
}

AMBREL_EXPORT(DWORD) Amb_GetLogicalDriveStringsW(DWORD size, LPWSTR buffer) {
  if (!UseAnsi()) return GetLogicalDriveStringsW(size, buffer);
  return SizedAnsiCall(buffer, size, [](char* a, DWORD n) { return GetLogicalDriveStringsA(n, a); });
}

AMBREL_EXPORT(DWORD) Amb_GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  if (!UseAnsi()) return GetModuleFileNameW(module, buffer, size);
  char path[MAX_PATH * 2 + 2] = {};
  DWORD bytes = GetModuleFileNameA(module, path, sizeof(path));
  if (bytes == 0) return 0;
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  int needed = AnsiToWide(path, -1, nullptr, 0);
  if (needed <= 0) return 0;
  ConvertTruncated(path, -1, buffer, static_cast<int>(size));
  if (static_cast<DWORD>(needed) > size) {
    // Cut to the buffer and terminated, as later systems do.
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  return needed - 1;
}

AMBREL_EXPORT(DWORD)
Amb_GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR fallback, LPWSTR buffer, DWORD size,
                             LPCWSTR file) {
  if (!UseAnsi()) return GetPrivateProfileStringW(section, key, fallback, buffer, size, file);
  if (!buffer || size == 0) return 0;
  ScratchList list;
  DWORD bytes = size * 2 + 2;
  char* ansi = static_cast<char*>(list.Alloc(bytes));
  if (!ansi) return 0;
  DWORD result =
      GetPrivateProfileStringA(A(list, section), A(list, key), A(list, fallback), ansi, bytes, A(list, file));
  bool list_form = !section || !key;  // names, each terminated, the list ended by an extra one
  int units = 0;
  const wchar_t* wide = AnsiToWideDup(list, ansi, static_cast<int>(result), &units);
  if (!wide) return 0;
  DWORD keep = static_cast<DWORD>(units);
  DWORD room = list_form ? (size >= 2 ? size - 2 : 0) : size - 1;
  if (keep > room) keep = room;
  wmemcpy(buffer, wide, keep);
  buffer[keep] = 0;
  if (list_form && keep + 1 < size) buffer[keep + 1] = 0;
  return keep;
}

AMBREL_EXPORT(DWORD) Amb_GetShortPathNameW(LPCWSTR longPath, LPWSTR buffer, DWORD size) {
  if (!UseAnsi()) return GetShortPathNameW(longPath, buffer, size);
  ScratchList list;
  const char* ansiLong = A(list, longPath);
  return SizedAnsiCall(buffer, size,
                       [ansiLong](char* a, DWORD n) { return GetShortPathNameA(ansiLong, a, n); });
}

AMBREL_EXPORT(void) Amb_GetStartupInfoW(LPSTARTUPINFOW info) {
  if (!UseAnsi()) return GetStartupInfoW(info);
  if (!info) return;
  STARTUPINFOA a{};
  a.cb = sizeof(a);
  GetStartupInfoA(&a);
  std::memcpy(info, &a, sizeof(a));
  info->cb = sizeof(*info);
  info->lpReserved = nullptr;
  // New wide copies that live as long as the process, as the system's texts do.
  info->lpDesktop = AnsiToWideNew(a.lpDesktop);
  info->lpTitle = AnsiToWideNew(a.lpTitle);
}

namespace {

// One type entry per UTF-16 unit: each unit is classified through its own ANSI form.
BOOL StringTypePerUnit(LCID locale, DWORD type, LPCWSTR text, int count, LPWORD types) {
  if (!text || !types) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (count == -1) count = static_cast<int>(std::wcslen(text)) + 1;
  for (int i = 0; i < count; ++i) {
    char bytes[4] = {};
    int n = WideToAnsi(text + i, 1, bytes, sizeof(bytes));
    WORD entries[4] = {};
    if (n <= 0 || !GetStringTypeExA(locale, type, bytes, n, entries)) return FALSE;
    types[i] = entries[0];
  }
  return TRUE;
}

}  // namespace

AMBREL_EXPORT(BOOL) Amb_GetStringTypeExW(LCID locale, DWORD type, LPCWSTR text, int count, LPWORD types) {
  if (!UseAnsi()) return GetStringTypeExW(locale, type, text, count, types);
  return StringTypePerUnit(locale, type, text, count, types);
}

AMBREL_EXPORT(BOOL) Amb_GetStringTypeW(DWORD type, LPCWSTR text, int count, LPWORD types) {
  if (!UseAnsi()) return GetStringTypeW(type, text, count, types);
  return StringTypePerUnit(LOCALE_SYSTEM_DEFAULT, type, text, count, types);
}

AMBREL_EXPORT(UINT) Amb_GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  if (!UseAnsi()) return GetSystemDirectoryW(buffer, size);
  return SizedAnsiCall(buffer, size, [](char* a, DWORD n) { return GetSystemDirectoryA(a, n); });
}

AMBREL_EXPORT(UINT) Amb_GetTempFileNameW(LPCWSTR path, LPCWSTR prefix, UINT unique, LPWSTR name) {
  if (!UseAnsi()) return GetTempFileNameW(path, prefix, unique, name);
  ScratchList list;
  char ansi[MAX_PATH * 2] = {};
  UINT result = GetTempFileNameA(A(list, path), A(list, prefix), unique, ansi);
  if (result != 0 && name) CopyAnsiToWide(ansi, name, MAX_PATH, true);
  return result;
}

AMBREL_EXPORT(DWORD) Amb_GetTempPathW(DWORD size, LPWSTR buffer) {
  if (!UseAnsi()) return GetTempPathW(size, buffer);
  return SizedAnsiCall(buffer, size, [](char* a, DWORD n) { return GetTempPathA(n, a); });
}

AMBREL_EXPORT(BOOL) Amb_GetVersionExW(LPOSVERSIONINFOW info) {
  if (!UseAnsi()) return GetVersionExW(info);
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  OSVERSIONINFOA a{};
  static_assert(sizeof(OSVERSIONINFOA) == 148 && sizeof(OSVERSIONINFOW) == 276);
  a.dwOSVersionInfoSize = sizeof(a);
  if (!GetVersionExA(&a)) return FALSE;
  info->dwMajorVersion = a.dwMajorVersion;
  info->dwMinorVersion = a.dwMinorVersion;
  info->dwBuildNumber = a.dwBuildNumber;
  info->dwPlatformId = a.dwPlatformId;
  CopyAnsiToWide(a.szCSDVersion, info->szCSDVersion, 128, true);
  return TRUE;
}

AMBREL_EXPORT(BOOL)
Amb_GetVolumeInformationW(LPCWSTR root, LPWSTR volume, DWORD volumeSize, LPDWORD serial, LPDWORD maxComponent,
                          LPDWORD flags, LPWSTR fileSystem, DWORD fileSystemSize) {
  if (!UseAnsi()) {
    return GetVolumeInformationW(root, volume, volumeSize, serial, maxComponent, flags, fileSystem,
                                 fileSystemSize);
  }
  // Both names are read whole (neither is longer than MAX_PATH characters) and measured in units:
  // a name longer than the caller's buffer fails the call, as the wide function fails it.
  ScratchList list;
  int bytes = AnsiBytesFor(MAX_PATH + 1);
  char* volumeName = volume && volumeSize ? static_cast<char*>(list.Alloc(bytes)) : nullptr;
  char* systemName = fileSystem && fileSystemSize ? static_cast<char*>(list.Alloc(bytes)) : nullptr;
  BOOL ok = GetVolumeInformationA(A(list, root), volumeName, volumeName ? bytes : 0, serial, maxComponent,
                                  flags, systemName, systemName ? bytes : 0);
  if (!ok) return FALSE;
  if ((volumeName && AnsiToWide(volumeName, -1, nullptr, 0) > static_cast<int>(volumeSize)) ||
      (systemName && AnsiToWide(systemName, -1, nullptr, 0) > static_cast<int>(fileSystemSize))) {
    SetLastError(ERROR_BAD_LENGTH);
    return FALSE;
  }
  if (volumeName) CopyAnsiToWide(volumeName, volume, static_cast<int>(volumeSize), true);
  if (systemName) CopyAnsiToWide(systemName, fileSystem, static_cast<int>(fileSystemSize), true);
  return TRUE;
}

// The wide function copies as many units of the name as the buffer holds, terminated only when
// there is room, and answers the units copied.
AMBREL_EXPORT(UINT) Amb_GlobalGetAtomNameW(ATOM atom, LPWSTR buffer, int size) {
  if (!UseAnsi()) return GlobalGetAtomNameW(atom, buffer, size);
  if (!buffer || size <= 0) return GlobalGetAtomNameA(atom, nullptr, 0);
  char name[512] = {};  // an atom's name is at most 255 bytes
  UINT bytes = GlobalGetAtomNameA(atom, name, sizeof(name));
  if (bytes == 0) return 0;
  ScratchList list;
  int units = 0;
  const wchar_t* wide = AnsiToWideDup(list, name, static_cast<int>(bytes), &units);
  if (!wide) return 0;
  if (units > size) units = size;
  wmemcpy(buffer, wide, units);
  if (units < size) buffer[units] = 0;
  return units;
}

AMBREL_EXPORT(BOOL) Amb_IsBadStringPtrW(LPCWSTR text, UINT_PTR count) {
  if (!UseAnsi()) return IsBadStringPtrW(text, count);
  if (count != static_cast<UINT_PTR>(-1)) return IsBadReadPtr(text, count * 2);
  for (const wchar_t* p = text;; ++p) {
    if (IsBadReadPtr(p, sizeof(wchar_t))) return TRUE;
    if (*p == 0) return FALSE;
  }
}

AMBREL_EXPORT(int)
Amb_LCMapStringW(LCID locale, DWORD flags, LPCWSTR source, int count, LPWSTR target, int size) {
  if (!UseAnsi()) return LCMapStringW(locale, flags, source, count, target, size);
  ScratchList list;
  int length = 0;
  const char* ansi = WideToAnsiDup(list, source, count, &length);
  if (!ansi) return 0;
  int ansiCount = count == -1 ? -1 : length;
  if (flags & LCMAP_SORTKEY) {
    // A sort key is bytes in both forms.
    return LCMapStringA(locale, flags, ansi, ansiCount, reinterpret_cast<char*>(target), size);
  }
  int bytes = LCMapStringA(locale, flags, ansi, ansiCount, nullptr, 0);
  if (bytes <= 0) return 0;
  char* mapped = static_cast<char*>(list.Alloc(bytes + 1));
  if (!mapped || LCMapStringA(locale, flags, ansi, ansiCount, mapped, bytes) <= 0) return 0;
  int units = AnsiToWide(mapped, bytes, nullptr, 0);
  if (size == 0) return units;
  if (!target || units > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return AnsiToWide(mapped, bytes, target, size);
}

AMBREL_EXPORT(int)
Amb_CompareStringW(LCID locale, DWORD flags, LPCWSTR first, int firstCount, LPCWSTR second, int secondCount) {
  if (!UseAnsi()) return CompareStringW(locale, flags, first, firstCount, second, secondCount);
  ScratchList list;
  int firstLength = 0;
  int secondLength = 0;
  const char* a = WideToAnsiDup(list, first, firstCount, &firstLength);
  const char* b = WideToAnsiDup(list, second, secondCount, &secondLength);
  return CompareStringA(locale, flags, a, firstCount < 0 ? -1 : firstLength, b,
                        secondCount < 0 ? -1 : secondLength);
}
