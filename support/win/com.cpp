#include "support/win/com.h"

#include <map>
#include <mutex>
#include <string>

namespace orvel::win {

namespace {

LONG g_locks = 0;
HINSTANCE g_instance = nullptr;

}  // namespace

void CModule::SetInstance(HINSTANCE instance) { g_instance = instance; }

HINSTANCE CModule::Instance() { return g_instance ? g_instance : ::GetModuleHandleW(nullptr); }

std::wstring CModule::Path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(Instance(), path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void CModule::Lock() { ::InterlockedIncrement(&g_locks); }

void CModule::Unlock() { ::InterlockedDecrement(&g_locks); }

LONG CModule::LockCount() { return ::InterlockedCompareExchange(&g_locks, 0, 0); }

HRESULT GetModuleTypeInfo(REFIID iid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  static std::mutex lock;
  static ComPtr<ITypeLib> library;
  static std::map<GUID, ComPtr<ITypeInfo>, bool (*)(const GUID&, const GUID&)> cache(
      [](const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) < 0; });
  std::lock_guard<std::mutex> guard(lock);
  auto found = cache.find(iid);
  if (found == cache.end()) {
    if (!library) {
      HRESULT hr = ::LoadTypeLibEx(CModule::Path().c_str(), REGKIND_NONE, &library);
      if (FAILED(hr)) return hr;
    }
    ComPtr<ITypeInfo> typeInfo;
    HRESULT hr = library->GetTypeInfoOfGuid(iid, &typeInfo);
    if (FAILED(hr)) return hr;
    found = cache.emplace(iid, typeInfo).first;
  }
  return found->second.CopyTo(info);
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return m_create(iid, out);
}

HRESULT CClassFactory::LockServer(BOOL lock) {
  if (lock) {
    CModule::Lock();
  } else {
    CModule::Unlock();
  }
  return S_OK;
}

HRESULT GetClassObject(std::span<const ClassEntry> classes, REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const ClassEntry& entry : classes) {
    if (*entry.clsid != clsid) continue;
    ComPtr<CClassFactory> factory = MakeCom<CClassFactory>(entry.create);
    return factory ? factory->QueryInterface(iid, out) : E_OUTOFMEMORY;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace orvel::win
