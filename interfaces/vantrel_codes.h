// The engine's result codes, as its clients receive them from the interfaces of vantrel.idl.
// Portable: the codes are plain 32-bit HRESULT values.
#pragma once

#include <cstdint>

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

// The low word of a code: what the plug-in compares, whatever facility a code comes back with.
constexpr uint32_t LowWord(HResult code) { return static_cast<uint32_t>(code) & 0xFFFFu; }

}  // namespace orvel::engine
