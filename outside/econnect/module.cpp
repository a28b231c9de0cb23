// Entry points of the stand-in's in-process server "ecobjects.dll".
#include "outside/econnect/standin.h"
#include "support/win/inproc_server.h"

namespace orvel::econnect {
namespace {

const GUID kTypeLib = LIBID_ECONNECTLib;

const win::ClassEntry kClasses[] = {
    {&CLSID_ECDevice, &CreateDevice},         {&CLSID_ECTransfer, &CreateTransfer},
    {&CLSID_ECEngine, &CreateEngine},         {&CLSID_ECFileCopy, &CreateFileCopy},
    {&CLSID_ECRestore, &CreateRestore},       {&CLSID_ECBackupEngine, &CreateBackupEngine},
    {&CLSID_ECDeviceInfo, &CreateDeviceInfo}, {&CLSID_MPSDRC, &CreateMpsdrc},
};

const win::InprocServerInfo kRegistrations[] = {
    {&CLSID_ECDevice, L"ECDevice Class", L"Econnect.ECDevice", L"", L"Both", &kTypeLib},
    {&CLSID_ECTransfer, L"ECTransfer Class", L"Econnect.ECTransfer", L"", L"Both", &kTypeLib},
    {&CLSID_ECEngine, L"ECEngine Class", L"Econnect.ECEngine", L"", L"Both", &kTypeLib},
    {&CLSID_ECFileCopy, L"ECFileCopy Class", L"Econnect.ECFileCopy", L"", L"Both", &kTypeLib},
    {&CLSID_ECRestore, L"ECRestore Class", L"Econnect.ECRestore", L"", L"Both", &kTypeLib},
    {&CLSID_ECBackupEngine, L"ECBackupEngine Class", L"Econnect.ECBackupEngine", L"", L"Both", &kTypeLib},
    {&CLSID_ECDeviceInfo, L"ECDeviceInfo Class", L"Econnect.ECDeviceInfo", L"", L"Both", &kTypeLib},
    {&CLSID_MPSDRC, L"MPSDRC Class", L"Econnect.MPSDRC", L"", L"Both", &kTypeLib},
};

const win::InprocServer kServer = {.classes = kClasses, .rows = kRegistrations, .typeLib = &kTypeLib};

}  // namespace
}  // namespace orvel::econnect

ORVEL_INPROC_SERVER(orvel::econnect::kServer)
