// The engine's result codes and the translation of Windows, EPOC Connect and settings-module
// failures into them. Portable: the codes are plain 32-bit HRESULT values.
#pragma once

#include <cstdint>
#include <string>

namespace orvel::engine {

using HResult = int32_t;

constexpr HResult MakeCode(uint32_t value) { return static_cast<HResult>(value); }

inline constexpr HResult kOk = 0;
inline constexpr HResult kNoClientProcess = MakeCode(0x80040001);
inline constexpr HResult kNoCallbackInterface = MakeCode(0x80040002);
inline constexpr HResult kCallbackAdvised = MakeCode(0x80040003);
inline constexpr HResult kNoCallback = MakeCode(0x80040004);
inline constexpr HResult kInvalidArgument = MakeCode(0x80040005);
inline constexpr HResult kClientTableFull = MakeCode(0x80040006);
inline constexpr HResult kNoDevice = MakeCode(0x80040011);
inline constexpr HResult kNoDeviceInfo = MakeCode(0x80040012);
inline constexpr HResult kOperationRunning = MakeCode(0x80040021);
inline constexpr HResult kNotOpenClient = MakeCode(0x80040022);
inline constexpr HResult kOtherClientOpen = MakeCode(0x80040023);
inline constexpr HResult kNoQuestion = MakeCode(0x80040024);
inline constexpr HResult kAnswerNotOffered = MakeCode(0x80040025);
inline constexpr HResult kNoOperation = MakeCode(0x80040026);
inline constexpr HResult kAlreadyCancelling = MakeCode(0x80040027);
inline constexpr HResult kNoConnectProgram = MakeCode(0x80040028);
inline constexpr HResult kClientNotTrusted = MakeCode(0x80040029);
inline constexpr HResult kModuleFailed = MakeCode(0x800400A1);
inline constexpr HResult kDeviceInfoFailed = MakeCode(0x800400A3);
inline constexpr HResult kTransferUnavailable = MakeCode(0x800400A4);
inline constexpr HResult kDeviceObjectFailed = MakeCode(0x800400A5);
inline constexpr HResult kBackupFailed = MakeCode(0x800400A6);
inline constexpr HResult kRestoreFailed = MakeCode(0x800400A7);
inline constexpr HResult kCopyFailed = MakeCode(0x800400A8);
inline constexpr HResult kCancelled = MakeCode(0x80040101);
inline constexpr HResult kOutOfMemory = MakeCode(0x80040102);
inline constexpr HResult kFileUnreadable = MakeCode(0x80040151);
inline constexpr HResult kFileNotFound = MakeCode(0x80040152);
inline constexpr HResult kPackageRefused = MakeCode(0x80040153);
inline constexpr HResult kInvalidPath = MakeCode(0x80040156);
inline constexpr HResult kDiskFull = MakeCode(0x80040157);
inline constexpr HResult kModuleStatus34 = MakeCode(0x80040181);
inline constexpr HResult kModuleStatus32 = MakeCode(0x80040182);
inline constexpr HResult kModuleStatus33 = MakeCode(0x80040186);
inline constexpr HResult kModuleError508 = MakeCode(0x80040191);
inline constexpr HResult kModuleError530 = MakeCode(0x80040192);
inline constexpr HResult kModuleError531 = MakeCode(0x80040193);
inline constexpr HResult kModuleError517 = MakeCode(0x80040194);
inline constexpr HResult kModuleStatus128 = MakeCode(0x80040201);
inline constexpr HResult kModuleStatus129 = MakeCode(0x80040202);
inline constexpr HResult kFileExists = MakeCode(0x80040203);
inline constexpr HResult kInvalidSetting = MakeCode(0x80040204);
inline constexpr HResult kAccessDenied = MakeCode(0x80040211);

constexpr bool IsFailure(HResult code) { return code < 0; }

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
