#include "engine/engine_codes.h"

namespace orvel::engine {

namespace {

constexpr uint32_t kFacilityItf = 4;

constexpr uint32_t Facility(uint32_t code) { return (code >> 16) & 0x1FFF; }
constexpr bool IsFailureCode(uint32_t code) { return (code & 0x80000000u) != 0; }

// The engine code of a Windows error number; 0 for a number the engine does not name.
HResult WindowsErrorCode(uint32_t error) {
  switch (error) {
    case 2:
      return kFileNotFound;
    case 3:
    case 15:
    case 123:
      return kInvalidPath;
    case 5:
    case 19:
    case 32:
    case 33:
      return kAccessDenied;
    case 14:
      return kOutOfMemory;
    case 39:
    case 112:
      return kDiskFull;
    case 80:
    case 183:
      return kFileExists;
    case 995:
      return kCancelled;
    case 1722:
      return kTransferUnavailable;
    case 2250:
      return kNoDevice;
    default:
      return 0;
  }
}

}  // namespace

HResult MapErrorToHResult(uint32_t code, HResult fallback) {
  // A failure without an error number in it (facility 0) gives the fallback.
  if (IsFailureCode(code) && Facility(code) == 0) return fallback;
  // Otherwise the low word decides, so that a plain Windows error number and the same error
  // wrapped in an HRESULT of any facility give the same result.
  uint32_t error = code & 0xFFFF;
  if (!IsFailureCode(code) && error == 0) return kOk;
  HResult mapped = WindowsErrorCode(error);
  if (mapped != 0) return mapped;
  // A failure the table does not name keeps its meaning; a plain error number the table does not
  // name is still a failure.
  return IsFailureCode(code) ? static_cast<HResult>(code) : fallback;
}

HResult MapBackupError(uint32_t code) { return MapErrorToHResult(code, kBackupFailed); }

HResult MapRestoreError(uint32_t code) { return MapErrorToHResult(code, kRestoreFailed); }

HResult MapCopyEventError(uint32_t code) { return MapErrorToHResult(code, kTransferUnavailable); }

HResult MapCopyError(uint32_t code) {
  return code == 21 ? kInvalidPath : MapErrorToHResult(code, kCopyFailed);
}

uint32_t MapOperationCode(uint32_t code) {
  if (!IsFailureCode(code)) return 0;
  switch (code & 0xFFFF) {
    case 344:
    case 529:
      return 13;
    case 515:
      return 45;
    default:
      return 0;
  }
}

HResult MapModuleErrorCode(HResult hr, const ModuleLastError& last, ModuleQuestion& question) {
  if (!IsFailure(hr)) return kOk;
  uint32_t extended = last.extended;
  // The extended error is the device settings server's number; a COM failure kept there is no
  // server number.
  if (last.flag && !IsFailureCode(extended)) {
    uint32_t e = extended & 0xFFFF;
    if (e == 300 || e == 317 || (e >= 532 && e <= 535)) return kModuleFailed;
    if ((e >= 301 && e <= 316) || (e >= 401 && e <= 404) || (e >= 504 && e <= 505) ||
        (e >= 510 && e <= 516) || (e >= 518 && e <= 524) || (e >= 526 && e <= 528) || e == 536)
      return kInvalidSetting;
    if (e == 400 || e == 500) return kCancelled;
    if (e == 508) return kModuleError508;
    if (e == 517) return kModuleError517;
    if (e == 530) return kModuleError530;
    if (e == 531) return kModuleError531;
    if (e == 537) {
      question.response = 4;
      question.tag = u"IMAP4FolderPath";
      question.value.clear();
      return kInvalidSetting;
    }
  }
  uint32_t code = static_cast<uint32_t>(hr);
  // The module's own codes are facility ITF; the low word of any other HRESULT is no module code.
  if (Facility(code) == kFacilityItf) {
    switch (code & 0xFFFF) {
      case 1:
        return kCancelled;
      case 2:
      case 3:
        return kFileUnreadable;
      case 4:
      case 5:
        return kInvalidSetting;
      case 6:
      case 7:
      case 9:
      case 10:
      case 11:
      case 12:
      case 13:
      case 64:
        return kModuleFailed;
      case 8:
        return kOutOfMemory;
      case 32:
        return kModuleStatus32;
      case 33:
        return kModuleStatus33;
      case 34:
      case 35:
        return kModuleStatus34;
      case 128:
        return kModuleStatus128;
      case 129:
        return kModuleStatus129;
      default:
        break;
    }
  }
  return MapErrorToHResult(code, kModuleFailed);
}

uint32_t MapOperationAnswer(uint32_t clientAnswer) {
  switch (clientAnswer) {
    case 1:
      return 2;
    case 8:
      return 1;
    case 32:
      return 4;
    default:
      return 0;  // 4, the refusal, and anything not offered stop the operation
  }
}

}  // namespace orvel::engine
