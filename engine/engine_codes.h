// The translation of Windows, EPOC Connect and settings-module failures into the engine's result
// codes (interfaces/vantrel_codes.h). Portable.
#pragma once

#include <cstdint>
#include <string>

#include "interfaces/vantrel_codes.h"

namespace orvel::engine {

// Translates a Windows error number, or an HRESULT of any facility but 0, by its low word into an
// engine code; a failure of facility 0 (no error number in it) gives the fallback. A failure whose
// low word the table does not name comes back unchanged; a plain error number that it does not
// name gives the fallback, so that no failure comes back as a positive "success" value.
HResult MapErrorToHResult(uint32_t code, HResult fallback);

HResult MapBackupError(uint32_t code);
HResult MapRestoreError(uint32_t code);
HResult MapCopyEventError(uint32_t code);
HResult MapCopyError(uint32_t code);

// The answer set offered with a question that an EPOC Connect operation raises.
uint32_t MapOperationCode(uint32_t code);

// The client's answer bits as a backup or restore of EPOC Connect takes them: 1 -> 2 (try again),
// 4 -> 0 (stop), 8 -> 1 (skip), 32 -> 4; anything else -> 0. A backup applies it once, in
// CPellornThread::SetAnswer.
uint32_t MapOperationAnswer(uint32_t clientAnswer);

// What the settings module's GetLastError gave for a failure.
struct ModuleLastError {
  bool flag = false;
  uint32_t extended = 0;
};

// Where a module failure asks the client a question of its own, the three values to ask with.
struct ModuleQuestion {
  uint32_t response = 0;
  std::u16string tag;
  std::u16string value;
};

// The engine code of a settings-module failure hr, with the module's last error. Only the
// refused IMAP4 folder path fills the question; otherwise it is left as it was.
HResult MapModuleErrorCode(HResult hr, const ModuleLastError& last, ModuleQuestion& question);

}  // namespace orvel::engine
