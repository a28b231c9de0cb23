// Morvane's entry points: one class, the view, registered from script 10002 with the type library
// and the framework's plug-in key. Process attach only records the module: the language library and
// the shell are reached at the first use, outside the loader lock.
#include <windows.h>

#include "morvane.h"
#include "support/win/com.h"
#include "support/win/registrar.h"
#include "support/win/registry.h"
#include "ui/app/morvane_app.h"
#include "ui/view/morvane_view.h"

using namespace orvel;

namespace {

constexpr UINT kRegistryScript = 10002;
constexpr wchar_t kPlugInKey[] = L"Software\\Orvel\\Fenwarp6\\Framework\\PlugIns\\Orvel.MorvaneView";

const win::ClassEntry kClasses[] = {{&CLSID_Corvanset, &win::CreateComInstance<ui::CMorvaneView>}};

HRESULT RunScript(bool doRegister) {
  std::wstring module = win::CModule::Path();
  const win::ScriptReplacement replacements[] = {{L"MODULE", module}};
  return win::RunRegistrationResource(win::CModule::Instance(), kRegistryScript, doRegister, replacements);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    win::CModule::SetInstance(instance);
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

// The framework's own test: no view window may still exist.
STDAPI DllCanUnloadNow() {
  if (win::CModule::CanUnloadNow() != S_OK || ui::CMorvaneView::Current()) return S_FALSE;
  ui::App().ExitInstance();
  return S_OK;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  return win::Guarded([&]() -> HRESULT {
    ui::App().InitInstance();
    return win::GetClassObject(kClasses, clsid, iid, out);
  });
}

STDAPI DllRegisterServer() {
  return win::Guarded([&]() -> HRESULT {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPlugInKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS)
      ::RegCloseKey(key);
    HRESULT hr = RunScript(true);
    return FAILED(hr) ? hr : win::RegisterModuleTypeLib();
  });
}

// The framework's plug-in key stays.
STDAPI DllUnregisterServer() {
  return win::Guarded([&]() -> HRESULT {
    HRESULT typeLib = win::UnregisterModuleTypeLib(LIBID_MorvaneLib, 1, 0);
    HRESULT script = RunScript(false);
    return FAILED(script) ? script : typeLib;
  });
}
