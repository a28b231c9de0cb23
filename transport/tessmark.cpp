// Tessmark's entry points: the class object of TolvaneModule, its registration and type library.
#include "tessmark.h"

#include "support/win/inproc_server.h"
#include "transport/tolvane_module.h"

namespace {

using namespace orvel;

const win::ClassEntry kClasses[] = {{&CLSID_TolvaneModule, &win::CreateComInstance<tessmark::CTolvaneModule>}};

const win::InprocServerInfo kRows[] = {{
    &CLSID_TolvaneModule, L"TolvaneModule Class", L"Tessmark.TolvaneModule", L"Tessmark.TolvaneModule.1",
    L"Apartment", &LIBID_TESSMARKLib,
}};

const win::InprocServer kServer = {.classes = kClasses, .rows = kRows, .typeLib = &LIBID_TESSMARKLib};

}  // namespace

ORVEL_INPROC_SERVER(kServer)
