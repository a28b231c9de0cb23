#include "support/win/local_server.h"

namespace orvel::win {

HRESULT CLocalClassObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT CLocalClassObject::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return m_create(iid, out);
}

HRESULT CLocalClassObject::LockServer(BOOL lock) {
  if (lock) {
    m_lock.lock();
  } else {
    m_lock.unlock();
  }
  return S_OK;
}

CLocalServerClasses::CLocalServerClasses(std::span<const ClassEntry> classes, ServerLock serverLock) {
  m_objects.reserve(classes.size());
  for (const ClassEntry& entry : classes) {
    m_clsids.push_back(entry.clsid);
    m_objects.emplace_back(entry.create, serverLock);
  }
}

HRESULT CLocalServerClasses::Register() {
  for (size_t i = 0; i < m_objects.size(); ++i) {
    DWORD cookie = 0;
    HRESULT hr = ::CoRegisterClassObject(*m_clsids[i], &m_objects[i], CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                         &cookie);
    if (FAILED(hr)) {
      Revoke();
      return hr;
    }
    m_cookies.push_back(cookie);
  }
  return S_OK;
}

void CLocalServerClasses::Revoke() {
  for (DWORD cookie : m_cookies) ::CoRevokeClassObject(cookie);
  m_cookies.clear();
}

}  // namespace orvel::win
