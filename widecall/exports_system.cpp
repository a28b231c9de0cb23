// Library start, thread-local storage, late-bound entry points, storage and version resources.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "exports.h"
#include "tls_emulation.h"

using namespace ambrel;

namespace {

// Sets the switch flag before the entry point's attach work.
const bool g_ansiFlagSet = InitUseAnsiFlag();

HMODULE g_pin = nullptr;  // the library's own extra load, which keeps it loaded

void Pin(HINSTANCE self) {
  char path[512] = {};
  DWORD length = GetModuleFileNameA(self, path, sizeof(path));
  if (length > 0 && length < sizeof(path)) g_pin = LoadLibraryA(path);
}

// Late-bound wide entry of a library that is loaded for the call and freed after it.
class LateBound {
 public:
  LateBound(const char* library, const char* entry) : m_module(LoadLibraryA(library)) {
    if (m_module) m_entry = GetProcAddress(m_module, entry);
  }
  ~LateBound() {
    if (m_module) FreeLibrary(m_module);
  }
  LateBound(const LateBound&) = delete;
  LateBound& operator=(const LateBound&) = delete;
  template <class Fn>
  Fn get() const {
    return ProcAs<Fn>(m_entry);
  }

 private:
  HMODULE m_module;
  FARPROC m_entry = nullptr;
};

template <class Result, class... Args>
Result CallShell(const char* entry, Result failure, Args... args) {
  LateBound bound("Shell32.dll", entry);
  auto fn = bound.get<Result(WINAPI*)(Args...)>();
  if (!fn) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return failure;
  }
  return fn(args...);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      if (!DetectOsLevel() || !TlsEmuCreate() || !TlsEmuThreadAttach()) return FALSE;
      Pin(instance);
      return TRUE;
    case DLL_THREAD_ATTACH:
      TlsEmuThreadAttach();
      return TRUE;
    case DLL_THREAD_DETACH:
      TlsEmuThreadDetach();
      return TRUE;
    case DLL_PROCESS_DETACH:
      TlsEmuThreadDetach();
      TlsEmuDestroy();
      return TRUE;
  }
  return TRUE;
}

AMBREL_EXPORT(HRESULT) Amb_DllRegisterServer() { return S_OK; }

AMBREL_EXPORT(HRESULT) Amb_DllUnregisterServer() {
  if (g_pin) {
    HMODULE pin = g_pin;
    g_pin = nullptr;
    FreeLibrary(pin);
  }
  return S_OK;
}

AMBREL_EXPORT(DWORD) Amb_TlsAlloc() {
  if (IsWindows2000OrLater()) return TlsAlloc();
  return TlsEmuAlloc();
}

AMBREL_EXPORT(BOOL) Amb_TlsFree(DWORD index) {
  if (IsWindows2000OrLater()) return TlsFree(index);
  return TlsEmuFree(index);
}

AMBREL_EXPORT(LPVOID) Amb_TlsGetValue(DWORD index) {
  if (IsWindows2000OrLater()) return TlsGetValue(index);
  return TlsEmuGetValue(index);
}

AMBREL_EXPORT(BOOL) Amb_TlsSetValue(DWORD index, LPVOID value) {
  if (IsWindows2000OrLater()) return TlsSetValue(index, value);
  return TlsEmuSetValue(index, value);
}

AMBREL_EXPORT(FARPROC) Amb_GetProcAddress(HMODULE module, LPCSTR name) {
  // Windows 98 and ME answer for these entries although they cannot serve a wide caller.
  if (IsWin98OrLater() && !IsIntResource(name) &&
      (std::strcmp(name, "GetMonitorInfoW") == 0 || std::strcmp(name, "MonitorFromWindow") == 0)) {
    return nullptr;
  }
  return GetProcAddress(module, name);
}

namespace {

const IID kIStorage = {0x0000000B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace

AMBREL_EXPORT(HRESULT)
Amb_StgCreateDocfile(const WCHAR* name, DWORD mode, DWORD reserved, IStorage** storage) {
  if (!IsWindows2000OrLater()) return StgCreateDocfile(name, mode, reserved, storage);
  using Fn = HRESULT(WINAPI*)(const WCHAR*, DWORD, DWORD, DWORD, void*, void*, REFIID, void**);
  LateBound bound("ole32.dll", "StgCreateStorageEx");
  auto fn = bound.get<Fn>();
  if (!fn) return E_NOTIMPL;
  return fn(name, mode, 5, 0, nullptr, nullptr, kIStorage, reinterpret_cast<void**>(storage));
}

AMBREL_EXPORT(HRESULT)
Amb_StgOpenStorage(const WCHAR* name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                   IStorage** storage) {
  if (!IsWindows2000OrLater()) {
    return StgOpenStorage(name, priority, mode, exclude, reserved, storage);
  }
  using Fn = HRESULT(WINAPI*)(const WCHAR*, DWORD, DWORD, DWORD, void*, void*, REFIID, void**);
  LateBound bound("ole32.dll", "StgOpenStorageEx");
  auto fn = bound.get<Fn>();
  if (!fn) return E_NOTIMPL;
  return fn(name, mode, 5, 0, nullptr, nullptr, kIStorage, reinterpret_cast<void**>(storage));
}

AMBREL_EXPORT(LSTATUS) Amb_SHDeleteKeyW(HKEY key, LPCWSTR subKey) {
  LateBound bound("shlwapi.dll", UseAnsi() ? "SHDeleteKeyA" : "SHDeleteKeyW");
  if (UseAnsi()) {
    auto fn = bound.get<LSTATUS(WINAPI*)(HKEY, LPCSTR)>();
    if (!fn) return ERROR_CALL_NOT_IMPLEMENTED;
    ScratchList list;
    return fn(key, WideToAnsiDup(list, subKey));
  }
  auto fn = bound.get<LSTATUS(WINAPI*)(HKEY, LPCWSTR)>();
  if (!fn) return ERROR_CALL_NOT_IMPLEMENTED;
  return fn(key, subKey);
}

// Shell. On the 95/98/ME family each entry takes its ANSI form; elsewhere the entries that older
// systems may lack are bound per call.

namespace {

#ifndef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOA) == 60 && sizeof(BROWSEINFOA) == 32 && sizeof(SHFILEINFOA) == 352);
#endif

// The notify-icon record of the 95/98/ME family: the fixed fields and a tip of 64 characters.
struct AnsiNotifyIconData {
  DWORD size;
  HWND window;
  UINT id;
  UINT flags;
  UINT callbackMessage;
  HICON icon;
  CHAR tip[64];
};
static_assert(offsetof(AnsiNotifyIconData, tip) == offsetof(NOTIFYICONDATAA, szTip));
#ifndef _WIN64
static_assert(sizeof(AnsiNotifyIconData) == 88 && offsetof(AnsiNotifyIconData, tip) == 24);
#endif

}  // namespace

AMBREL_EXPORT(UINT) Amb_ExtractIconExW(LPCWSTR file, int index, HICON* large, HICON* small, UINT icons) {
  if (UseAnsi()) {
    ScratchList list;
    return ExtractIconExA(A(list, file), index, large, small, icons);
  }
  return CallShell<UINT>("ExtractIconExW", 0, file, index, large, small, icons);
}

AMBREL_EXPORT(BOOL) Amb_ShellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (!UseAnsi()) return CallShell<BOOL>("ShellExecuteExW", FALSE, info);
  if (!info) return ShellExecuteExA(nullptr);
  ScratchList list;
  SHELLEXECUTEINFOA ansi{};
  ansi.cbSize = sizeof(ansi);
  ansi.fMask = info->fMask;
  ansi.hwnd = info->hwnd;
  ansi.lpVerb = A(list, info->lpVerb);
  ansi.lpFile = A(list, info->lpFile);
  ansi.lpParameters = A(list, info->lpParameters);
  ansi.lpDirectory = A(list, info->lpDirectory);
  ansi.nShow = info->nShow;
  ansi.hInstApp = info->hInstApp;
  if (info->fMask & SEE_MASK_IDLIST) ansi.lpIDList = info->lpIDList;
  if (info->fMask & SEE_MASK_CLASSNAME) ansi.lpClass = A(list, info->lpClass);
  ansi.hkeyClass = info->hkeyClass;
  ansi.dwHotKey = info->dwHotKey;
  ansi.hIcon = info->hIcon;
  BOOL ok = ShellExecuteExA(&ansi);
  info->hProcess = ansi.hProcess;
  info->hInstApp = ansi.hInstApp;  // the error of a failed start, as the wide function reports it
  return ok;
}

AMBREL_EXPORT(PIDLIST_ABSOLUTE) Amb_SHBrowseForFolderW(LPBROWSEINFOW info) {
  if (!UseAnsi()) return CallShell<PIDLIST_ABSOLUTE>("SHBrowseForFolderW", nullptr, info);
  if (!info) return SHBrowseForFolderA(nullptr);
  ScratchList list;
  char name[MAX_PATH] = {};
  BROWSEINFOA ansi{};
  ansi.hwndOwner = info->hwndOwner;
  ansi.pidlRoot = info->pidlRoot;
  ansi.pszDisplayName = name;
  ansi.lpszTitle = A(list, info->lpszTitle);
  ansi.ulFlags = info->ulFlags;
  ansi.lpfn = info->lpfn;
  ansi.lParam = info->lParam;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&ansi);
  info->iImage = ansi.iImage;
  if (info->pszDisplayName) CopyAnsiToWide(name, info->pszDisplayName, MAX_PATH, true);
  return chosen;
}

AMBREL_EXPORT(DWORD_PTR)
Amb_SHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT size, UINT flags) {
  if (!UseAnsi()) return CallShell<DWORD_PTR>("SHGetFileInfoW", 0, path, attributes, info, size, flags);
  ScratchList list;
  // With SHGFI_PIDL the path is an item list, not a text.
  LPCSTR ansiPath = (flags & SHGFI_PIDL) ? reinterpret_cast<LPCSTR>(path) : A(list, path);
  SHFILEINFOA ansi{};
  bool filled = info && size >= sizeof(SHFILEINFOW);
  DWORD_PTR result =
      SHGetFileInfoA(ansiPath, attributes, filled ? &ansi : nullptr, filled ? sizeof(ansi) : 0, flags);
  if (filled) {
    info->hIcon = ansi.hIcon;
    info->iIcon = ansi.iIcon;
    info->dwAttributes = ansi.dwAttributes;
    CopyAnsiToWide(ansi.szDisplayName, info->szDisplayName, MAX_PATH, true);
    CopyAnsiToWide(ansi.szTypeName, info->szTypeName, 80, true);
  }
  return result;
}

AMBREL_EXPORT(BOOL) Amb_SHGetPathFromIDListW(PCIDLIST_ABSOLUTE items, LPWSTR path) {
  if (!UseAnsi()) return CallShell<BOOL>("SHGetPathFromIDListW", FALSE, items, path);
  char ansi[MAX_PATH] = {};
  BOOL ok = SHGetPathFromIDListA(items, ansi);
  if (path) CopyAnsiToWide(ansi, path, MAX_PATH, true);
  return ok;
}

AMBREL_EXPORT(BOOL) Amb_Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data) {
  if (!UseAnsi()) return CallShell<BOOL>("Shell_NotifyIconW", FALSE, message, data);
  if (!data) return Shell_NotifyIconA(message, nullptr);
  AnsiNotifyIconData ansi{};
  std::memcpy(&ansi, data, offsetof(AnsiNotifyIconData, tip));
  ansi.size = sizeof(ansi);
  if (data->uFlags & NIF_TIP) {
    int length = static_cast<int>(wcsnlen(data->szTip, 64));
    WideToAnsiCut(data->szTip, length, ansi.tip, sizeof(ansi.tip) - 1);
  }
  return Shell_NotifyIconA(message, reinterpret_cast<PNOTIFYICONDATAA>(&ansi));
}

AMBREL_EXPORT(UINT) Amb_DragQueryFileW(HDROP drop, UINT index, LPWSTR buffer, UINT size) {
  if (!UseAnsi()) return DragQueryFileW(drop, index, buffer, size);
  if (index == 0xFFFFFFFF) return DragQueryFileA(drop, index, nullptr, 0);
  UINT bytes = DragQueryFileA(drop, index, nullptr, 0);
  if (bytes == 0) return 0;
  ScratchList list;
  char* ansi = static_cast<char*>(list.Alloc(bytes + 1));
  if (!ansi || DragQueryFileA(drop, index, ansi, bytes + 1) == 0) return 0;
  int units = 0;
  const wchar_t* wide = AnsiToWideDup(list, ansi, -1, &units);
  if (!wide) return 0;
  if (!buffer) return units;
  if (size == 0) return 0;
  UINT keep = static_cast<UINT>(units) < size ? units : size - 1;
  wmemcpy(buffer, wide, keep);
  buffer[keep] = 0;
  return keep;
}

AMBREL_EXPORT(BOOL) Amb_GetDefaultPrinterW(LPWSTR buffer, LPDWORD size) {
  if (IsWindows2000OrLater()) {
    LateBound bound("winspool.drv", "GetDefaultPrinterW");
    auto fn = bound.get<BOOL(WINAPI*)(LPWSTR, LPDWORD)>();
    if (!fn) {
      SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
      return FALSE;
    }
    return fn(buffer, size);
  }
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  char device[512] = {};
  GetProfileStringA("windows", "device", "", device, sizeof(device));
  if (char* comma = std::strchr(device, ',')) *comma = 0;
  if (!device[0]) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  int needed = AnsiToWide(device, -1, nullptr, 0);
  if (buffer && needed <= static_cast<int>(*size)) {
    CopyAnsiToWide(device, buffer, static_cast<int>(*size), false);
    *size = needed;
    return TRUE;
  }
  *size = needed;
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return FALSE;
}

namespace {

// Wide copies of version texts handed to callers; they live as long as the process.
std::mutex g_versionTextsLock;
std::vector<std::unique_ptr<wchar_t[]>>& VersionTexts() {
  static std::vector<std::unique_ptr<wchar_t[]>> texts;
  return texts;
}

}  // namespace

AMBREL_EXPORT(BOOL) Amb_VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* value, PUINT length) {
  if (!UseAnsi()) return VerQueryValueW(block, subBlock, value, length);
  ScratchList list;
  LPVOID found = nullptr;
  UINT foundLength = 0;
  if (!VerQueryValueA(block, WideToAnsiDup(list, subBlock), &found, &foundLength)) return FALSE;
  if (subBlock && std::wcslen(subBlock) >= 16 && _wcsnicmp(subBlock, L"\\StringFileInfo\\", 16) == 0) {
    wchar_t* text = AnsiToWideNew(static_cast<const char*>(found));
    if (!text) return FALSE;
    {
      std::lock_guard<std::mutex> lock(g_versionTextsLock);
      VersionTexts().emplace_back(text);
    }
    found = text;
    foundLength = static_cast<UINT>(std::wcslen(text));
  }
  if (value) *value = found;
  if (length) *length = foundLength;
  return TRUE;
}
