// Tessmark's entry points: the class object of TolvaneModule and its registration.
#include "tessmark.h"

#include <windows.h>

#include "support/win/com.h"
#include "support/win/registry.h"
#include "transport/tolvane_module.h"

namespace {

using namespace orvel;

HRESULT CreateModule(REFIID iid, void** out) {
  return win::CreateComInstance<tessmark::CTolvaneModule>(iid, out);
}

const win::ClassEntry kClasses[] = {{&CLSID_TolvaneModule, &CreateModule}};

const win::InprocServerInfo kServer = {
    &CLSID_TolvaneModule,        L"TolvaneModule Class", L"Tessmark.TolvaneModule",
    L"Tessmark.TolvaneModule.1", L"Apartment",           &LIBID_TESSMARKLib,
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    win::CModule::SetInstance(instance);
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return win::CModule::CanUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return win::GetClassObject(kClasses, clsid, iid, out);
}

STDAPI DllRegisterServer() {
  HRESULT hr = win::RegisterInprocServer(kServer);
  return SUCCEEDED(hr) ? win::RegisterModuleTypeLib() : hr;
}

STDAPI DllUnregisterServer() {
  HRESULT hr = win::UnregisterInprocServer(kServer);
  HRESULT lib = win::UnregisterModuleTypeLib(LIBID_TESSMARKLib, 1, 0);
  return FAILED(hr) ? hr : lib;
}
