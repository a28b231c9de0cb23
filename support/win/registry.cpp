#include "support/win/registry.h"

#include <oleauto.h>
#include <shlwapi.h>

#include <algorithm>

#include "support/win/com.h"
#include "support/win/handle.h"

namespace orvel::win {

namespace {

HRESULT FromStatus(LSTATUS status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

}  // namespace

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

LSTATUS WriteRegString(HKEY root, std::wstring_view subKey, const wchar_t* name, std::wstring_view value) {
  UniqueRegKey key;
  std::wstring path(subKey);
  LSTATUS status =
      ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.out(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  std::wstring data(value);
  return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

LSTATUS WriteRegDword(HKEY root, std::wstring_view subKey, const wchar_t* name, DWORD value) {
  UniqueRegKey key;
  std::wstring path(subKey);
  LSTATUS status =
      ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.out(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  return ::RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}

std::optional<std::wstring> ReadRegString(HKEY root, std::wstring_view subKey, const wchar_t* name,
                                          DWORD limitBytes) {
  UniqueRegKey key;
  std::wstring path(subKey);
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  value.resize(size / sizeof(wchar_t));
  // The text ends at its first terminator; a value stored without one ends with its last unit.
  value.resize(std::min(value.find(L'\0'), value.size()));
  if (limitBytes != 0 && value.size() * sizeof(wchar_t) > limitBytes) return std::nullopt;
  return value;
}

LSTATUS DeleteRegTree(HKEY root, std::wstring_view subKey) {
  std::wstring path(subKey);
  LSTATUS status = ::SHDeleteKeyW(root, path.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

LSTATUS DeleteRegValue(HKEY root, std::wstring_view subKey, const wchar_t* name) {
  HKEY key = nullptr;
  LSTATUS status = ::RegOpenKeyExW(root, std::wstring(subKey).c_str(), 0, KEY_SET_VALUE, &key);
  if (status == ERROR_SUCCESS) {
    status = ::RegDeleteValueW(key, name);
    ::RegCloseKey(key);
  }
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

HRESULT RegisterInprocServer(const InprocServerInfo& info, HKEY classesRoot, std::wstring_view modulePath) {
  std::wstring module = modulePath.empty() ? CModule::Path() : std::wstring(modulePath);
  std::wstring clsid = GuidText(*info.clsid);
  std::wstring key = L"CLSID\\" + clsid;
  LSTATUS status = WriteRegString(classesRoot, key, nullptr, info.description);
  if (status == ERROR_SUCCESS)
    status = WriteRegString(classesRoot, key + L"\\InprocServer32", nullptr, module);
  if (status == ERROR_SUCCESS)
    status = WriteRegString(classesRoot, key + L"\\InprocServer32", L"ThreadingModel", info.threadingModel);
  std::wstring_view mainProgId = info.versionedProgId.empty() ? info.progId : info.versionedProgId;
  if (status == ERROR_SUCCESS && !mainProgId.empty())
    status = WriteRegString(classesRoot, key + L"\\ProgID", nullptr, mainProgId);
  if (status == ERROR_SUCCESS && !info.progId.empty() && !info.versionedProgId.empty())
    status = WriteRegString(classesRoot, key + L"\\VersionIndependentProgID", nullptr, info.progId);
  if (status == ERROR_SUCCESS && info.typeLib)
    status = WriteRegString(classesRoot, key + L"\\TypeLib", nullptr, GuidText(*info.typeLib));
  for (std::wstring_view progId : {info.progId, info.versionedProgId}) {
    if (status != ERROR_SUCCESS || progId.empty()) continue;
    std::wstring progKey(progId);
    status = WriteRegString(classesRoot, progKey, nullptr, info.description);
    if (status == ERROR_SUCCESS) status = WriteRegString(classesRoot, progKey + L"\\CLSID", nullptr, clsid);
    if (status == ERROR_SUCCESS && progId == info.progId && !info.versionedProgId.empty())
      status = WriteRegString(classesRoot, progKey + L"\\CurVer", nullptr, info.versionedProgId);
  }
  return FromStatus(status);
}

HRESULT UnregisterInprocServer(const InprocServerInfo& info, HKEY classesRoot) {
  LSTATUS status = DeleteRegTree(classesRoot, L"CLSID\\" + GuidText(*info.clsid));
  for (std::wstring_view progId : {info.progId, info.versionedProgId}) {
    if (progId.empty()) continue;
    LSTATUS one = DeleteRegTree(classesRoot, progId);
    if (status == ERROR_SUCCESS) status = one;
  }
  return FromStatus(status);
}

HRESULT RegisterModuleTypeLib() {
  ComPtr<ITypeLib> library;
  std::wstring path = CModule::Path();
  HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  return ::RegisterTypeLib(library.Get(), path.data(), nullptr);
}

HRESULT UnregisterModuleTypeLib(REFGUID libId, WORD major, WORD minor) {
  // A library is registered under the system kind of the module that registered it.
  constexpr SYSKIND kOwnKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  HRESULT hr = ::UnRegisterTypeLib(libId, major, minor, LOCALE_NEUTRAL, kOwnKind);
  return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED ? S_OK : hr;
}

}  // namespace orvel::win
