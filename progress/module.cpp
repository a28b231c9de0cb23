// Vantrelix's entry points: one class, Progress, registered from script 102 with the type library;
// the window class goes with the module.
#include "progress/progress.h"
#include "support/win/inproc_server.h"
#include "vantrelix.h"

namespace {

using namespace orvel;

const win::ClassEntry kClasses[] = {{&CLSID_Progress, &win::CreateComInstance<vantrelix::CProgress>}};

const win::InprocServer kServer = {
    .classes = kClasses,
    .registryScript = 102,
    .typeLib = &LIBID_VANTRELIXLib,
    .onUnload = [] { vantrelix::CProgressWnd::UnregisterWindowClass(); },
};

}  // namespace

ORVEL_INPROC_SERVER(kServer)
