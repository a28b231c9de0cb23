// Compile-time check that the generated header keeps the layouts and method positions that the
// callers rely on.
#include <stddef.h>

#include "econnect.h"

#define SLOT(vtbl, method) (offsetof(vtbl, method) / sizeof(void*))

_Static_assert(sizeof(ECLocation) == 524, "location record is 524 bytes");
_Static_assert(offsetof(ECLocation, Path) == 2, "location path at offset 2");
_Static_assert(offsetof(ECEntryInfo, Attributes) == 2, "entry attributes at offset 2");
_Static_assert(offsetof(ECEntryInfo, LastWrite) == 6, "entry time at offset 6");
_Static_assert(offsetof(ECEntryInfo, Size) == 14, "entry size at offset 14");

_Static_assert(SLOT(IECDeviceVtbl, SetClientProcess) == 7, "device 7");
_Static_assert(SLOT(IECDeviceVtbl, Advise) == 8, "device 8");
_Static_assert(SLOT(IECDeviceVtbl, Unadvise) == 9, "device 9");
_Static_assert(SLOT(IECDeviceVtbl, GetDeviceName) == 13, "device 13");
_Static_assert(SLOT(IECTransferVtbl, Advise) == 3, "transfer 3");
_Static_assert(SLOT(IECEngineVtbl, Advise) == 3, "engine 3");
_Static_assert(SLOT(IECEngineVtbl, GetInfoObject) == 25, "engine 25");
_Static_assert(SLOT(IECMachineInfoVtbl, GetInfo) == 3, "machine information 3");
_Static_assert(SLOT(IECFileCopyVtbl, SetClientProcess) == 8, "file copy 8");
_Static_assert(SLOT(IECFileCopyVtbl, Advise) == 9, "file copy 9");
_Static_assert(SLOT(IECFileCopyVtbl, SetDevice) == 10, "file copy 10");
_Static_assert(SLOT(IECFileCopyVtbl, StartCopy) == 33, "file copy 33");
_Static_assert(SLOT(IECRestoreVtbl, SetClientProcess) == 8, "restore 8");
_Static_assert(SLOT(IECRestoreVtbl, Advise) == 9, "restore 9");
_Static_assert(SLOT(IECBackupEngineVtbl, SetClientProcess) == 8, "backup 8");
_Static_assert(SLOT(IECBackupEngineVtbl, Advise) == 9, "backup 9");
_Static_assert(SLOT(IECBackupEngineVtbl, StartBackup) == 11, "backup 11");
_Static_assert(SLOT(IECBackupSinkVtbl, OnStateEvent) == 9, "backup sink 9");
_Static_assert(SLOT(IECBackupSinkVtbl, OnFinishedEvent) == 13, "backup sink 13");
_Static_assert(SLOT(IRestoreProgressSinkVtbl, OnRestoreInit) == 7, "restore sink 7");
_Static_assert(SLOT(IRestoreProgressSinkVtbl, OnRestoreClear) == 15, "restore sink 15");
_Static_assert(SLOT(IFileCopyProgressSinkVtbl, OnCopyInit) == 7, "copy sink 7");
_Static_assert(SLOT(IFileCopyProgressSinkVtbl, OnCopyIdle) == 17, "copy sink 17");
_Static_assert(SLOT(ITransferProgressSinkVtbl, OnProgress) == 3, "transfer progress 3");
