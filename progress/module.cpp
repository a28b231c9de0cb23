// Vantrelix's entry points: one class, Progress, registered from script 102 with the type library.
#include <windows.h>

#include "progress/progress.h"
#include "support/win/com.h"
#include "support/win/registrar.h"
#include "support/win/registry.h"
#include "vantrelix.h"

using namespace orvel;

namespace {

constexpr UINT kRegistryScript = 102;

const win::ClassEntry kClasses[] = {{&CLSID_Progress, &win::CreateComInstance<vantrelix::CProgress>}};

HRESULT RunScript(bool doRegister) {
  std::wstring module = win::CModule::Path();
  const win::ScriptReplacement replacements[] = {{L"MODULE", module}};
  return win::RunRegistrationResource(win::CModule::Instance(), kRegistryScript, doRegister, replacements);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    win::CModule::SetInstance(instance);
    ::DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    vantrelix::CProgressWnd::UnregisterWindowClass();
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return win::CModule::CanUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  try {
    return win::GetClassObject(kClasses, clsid, iid, out);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDAPI DllRegisterServer() {
  try {
    HRESULT hr = RunScript(true);
    return FAILED(hr) ? hr : win::RegisterModuleTypeLib();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDAPI DllUnregisterServer() {
  try {
    HRESULT typeLib = win::UnregisterModuleTypeLib(LIBID_VANTRELIXLib, 1, 0);
    HRESULT script = RunScript(false);
    return FAILED(script) ? script : typeLib;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}
