// Morvane's entry points: one class, the view, registered from script 10002 with the type library
// and the framework's plug-in key. Process attach only records the module: the language library and
// the shell are reached at the first use, outside the loader lock.
#include "morvane.h"
#include "support/win/inproc_server.h"
#include "ui/app/morvane_app.h"
#include "ui/view/morvane_view.h"

namespace {

using namespace orvel;

constexpr wchar_t kPlugInKey[] = L"Software\\Orvel\\Fenwarp6\\Framework\\PlugIns\\Orvel.MorvaneView";

const win::ClassEntry kClasses[] = {{&CLSID_Corvanset, &win::CreateComInstance<ui::CMorvaneView>}};

// The framework's plug-in key; it stays when the plug-in is removed.
HRESULT RegisterPlugInKey(bool registering) {
  if (!registering) return S_OK;
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPlugInKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
      ERROR_SUCCESS)
    ::RegCloseKey(key);
  return S_OK;
}

const win::InprocServer kServer = {
    .classes = kClasses,
    .registryScript = 10002,
    .typeLib = &LIBID_MorvaneLib,
    .beforeClassObject = [] { ui::App().InitInstance(); },
    // The framework's own test: no view window may still exist.
    .canUnload =
        [] {
          if (ui::CMorvaneView::Current()) return false;
          ui::App().ExitInstance();
          return true;
        },
    .registerMore = &RegisterPlugInKey,
};

}  // namespace

ORVEL_INPROC_SERVER(kServer)
