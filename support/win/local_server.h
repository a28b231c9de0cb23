// Class objects of a local (out-of-process) server. They live as long as their registration and
// hold no reference on the server: only objects handed to clients and LockServer keep it running.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "support/win/com.h"

namespace orvel::win {

// What keeps a local server alive: called by IClassFactory::LockServer.
struct ServerLock {
  void (*lock)();
  void (*unlock)();
};

class CLocalClassObject : public IClassFactory {
 public:
  CLocalClassObject(ComCreator create, ServerLock serverLock) : m_create(create), m_lock(serverLock) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ComCreator m_create;
  ServerLock m_lock;
};

// The class objects of one server, registered with CoRegisterClassObject and revoked together.
class CLocalServerClasses {
 public:
  CLocalServerClasses(std::span<const ClassEntry> classes, ServerLock serverLock);
  ~CLocalServerClasses() { Revoke(); }
  CLocalServerClasses(const CLocalServerClasses&) = delete;
  CLocalServerClasses& operator=(const CLocalServerClasses&) = delete;

  // CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE; on a failure the ones registered are revoked.
  HRESULT Register();
  void Revoke();

 private:
  std::vector<const CLSID*> m_clsids;
  std::vector<CLocalClassObject> m_objects;
  std::vector<DWORD> m_cookies;
};

}  // namespace orvel::win
