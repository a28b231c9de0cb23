// An in-process COM server described once: its classes, its registration and the module's own
// steps. ORVEL_INPROC_SERVER(description) defines the DLL's entry points from the description, so
// that each module file holds only what is its own. No entry point lets an exception out.
#pragma once

#include <windows.h>

#include <span>

#include "support/win/com.h"
#include "support/win/registry.h"

namespace orvel::win {

struct InprocServer {
  std::span<const ClassEntry> classes;
  // Registered from the registration script resource of this number (its %MODULE% this module's
  // file), or from these rows; then the module's type library when `typeLib` names it (1.0).
  UINT registryScript = 0;
  std::span<const InprocServerInfo> rows = {};
  const GUID* typeLib = nullptr;
  // The module's own steps, each optional: before a class object is handed out; an unload
  // condition of its own (true lets the module go, after it has let go of what it holds); more
  // registration after the rows or script (and its removal before them); when the module is freed
  // (not at process exit).
  void (*beforeClassObject)() = nullptr;
  bool (*canUnload)() = nullptr;
  HRESULT (*registerMore)(bool registering) = nullptr;
  void (*onUnload)() = nullptr;
};

BOOL ServerDllMain(const InprocServer& server, HINSTANCE instance, DWORD reason, LPVOID reserved);
HRESULT ServerCanUnloadNow(const InprocServer& server);
HRESULT ServerGetClassObject(const InprocServer& server, REFCLSID clsid, REFIID iid, void** out);
// DllRegisterServer (registering) or DllUnregisterServer: removal goes on past a failure and gives
// the first one.
HRESULT ServerRegister(const InprocServer& server, bool registering);

}  // namespace orvel::win

#define ORVEL_INPROC_SERVER(server)                                                   \
  extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) { \
    return ::orvel::win::ServerDllMain(server, instance, reason, reserved);           \
  }                                                                                   \
  STDAPI DllCanUnloadNow() { return ::orvel::win::ServerCanUnloadNow(server); }       \
  STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {                 \
    return ::orvel::win::ServerGetClassObject(server, clsid, iid, out);               \
  }                                                                                   \
  STDAPI DllRegisterServer() { return ::orvel::win::ServerRegister(server, true); }   \
  STDAPI DllUnregisterServer() { return ::orvel::win::ServerRegister(server, false); }
