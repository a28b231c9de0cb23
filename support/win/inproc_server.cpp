#include "support/win/inproc_server.h"

#include "support/win/registrar.h"

namespace orvel::win {

namespace {

HRESULT RunScript(const InprocServer& server, bool registering) {
  std::wstring module = CModule::Path();
  const ScriptReplacement replacements[] = {{L"MODULE", module}};
  return RunRegistrationResource(CModule::Instance(), server.registryScript, registering, replacements);
}

// The first failure of a removal that goes on past failures.
void Keep(HRESULT& first, HRESULT hr) {
  if (FAILED(hr) && SUCCEEDED(first)) first = hr;
}

}  // namespace

BOOL ServerDllMain(const InprocServer& server, HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    CModule::SetInstance(instance);
    ::DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && !reserved && server.onUnload) {
    server.onUnload();
  }
  return TRUE;
}

HRESULT ServerCanUnloadNow(const InprocServer& server) {
  if (CModule::CanUnloadNow() != S_OK) return S_FALSE;
  return Guarded([&]() -> HRESULT { return !server.canUnload || server.canUnload() ? S_OK : S_FALSE; });
}

HRESULT ServerGetClassObject(const InprocServer& server, REFCLSID clsid, REFIID iid, void** out) {
  return Guarded([&]() -> HRESULT {
    if (server.beforeClassObject) server.beforeClassObject();
    return GetClassObject(server.classes, clsid, iid, out);
  });
}

HRESULT ServerRegister(const InprocServer& server, bool registering) {
  return Guarded([&]() -> HRESULT {
    if (registering) {
      HRESULT hr = server.registryScript ? RunScript(server, true) : S_OK;
      for (const InprocServerInfo& row : server.rows) {
        if (FAILED(hr)) break;
        hr = RegisterInprocServer(row);
      }
      if (SUCCEEDED(hr) && server.registerMore) hr = server.registerMore(true);
      if (SUCCEEDED(hr) && server.typeLib) hr = RegisterModuleTypeLib();
      return hr;
    }
    HRESULT first = S_OK;
    if (server.typeLib) Keep(first, UnregisterModuleTypeLib(*server.typeLib, 1, 0));
    if (server.registerMore) Keep(first, server.registerMore(false));
    for (const InprocServerInfo& row : server.rows) Keep(first, UnregisterInprocServer(row));
    if (server.registryScript) Keep(first, RunScript(server, false));
    return first;
  });
}

}  // namespace orvel::win
