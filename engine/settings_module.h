// The settings transport module of the running transfer, and the engine's callback through which
// it reports. The callback runs on the module's worker thread and only posts the events to the
// engine window; everything else here runs on the main thread.
#pragma once

#include <string>

#include "engine/engine_codes.h"
#include "tessmark.h"

namespace orvel::engine {

// Makes the module and advises the callback when not yet done; 0x800400A1 on failure.
HResult CreateSettingsModule();
// Unadvises and releases the module; never waits for its worker.
HResult ReleaseSettingsModule();
// The module, or null when none is held.
ITolvaneModule* SettingsModule();
// The engine code of a module failure, with the module's last error; the question values are
// filled only where the failure asks a question of its own.
HResult MapModuleError(HResult hr, ModuleQuestion& question);

}  // namespace orvel::engine
