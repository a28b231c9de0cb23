// The transport module's failures: TlvxException with the module's error codes and texts, and the
// results of the module's methods.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace orvel::tessmark {

// The module's error codes: the code of TlvxException, of the last error and the low word of
// OnDone's result.
enum : std::uint32_t {
  kErrorCancelled = 1,
  kErrorLocalFile = 2,
  kErrorTemporaryFile = 3,
  kErrorOutOfMemory = 8,
  kErrorBadResponse = 9,
  kErrorNoDebugMode = 11,
  kErrorServerStart = 13,
  kErrorReadPastEnd = 24,
  kErrorDeviceFile = 33,
  kErrorConnection = 34,
  kErrorNoResponse = 35,
  kErrorComObject = 64,
  kErrorNotSupported = 96,
};

// The texts that go with the codes; the class or function first, then the failure.
namespace text {
inline constexpr char16_t kServiceCancelled[] = u"Service Cancelled";
inline constexpr char16_t kUniqueFilename[] = u"Failed to create unique filename";
inline constexpr char16_t kWriteError[] = u"Write error";
inline constexpr char16_t kDeleteTemporary[] = u"Failed to delete temporary file";
inline constexpr char16_t kCopyToDevice[] = u"Failed to copy file to device";
inline constexpr char16_t kRegistryKey[] = u"InstallRemoteFiles::Failed to open registry key.";
inline constexpr char16_t kFileError[] = u"CopyIfDifferent::File Error.";
inline constexpr char16_t kTimeStamp[] = u"CopyIfDifferent::Time Stamp Conversion Error.";
inline constexpr char16_t kCreateTemporary[] = u"DoSendConfig::Failed to create temporary file";
inline constexpr char16_t kEncodeOutOfMemory[] = u"CEncodeRequest::Out Of Memory";
inline constexpr char16_t kDecodeOutOfMemory[] = u"CDecodeResponse::Out Of Memory";
// The texts of unusable responses are the codec's (kErrorInBufferText, kUnknownStateText).
inline constexpr char16_t kNoDebugMode[] = u"Service does no support debug mode";
inline constexpr char16_t kServerStart[] = u"ConnectGenericServer::Problem starting the remote server";
inline constexpr char16_t kDeleteDeviceCopy[] = u"DoSendConfig::Failed to delete temporary file";
inline constexpr char16_t kConnectDevice[] = u"ConnectGenericServer::Failed to connect to device";
inline constexpr char16_t kConnectionFailure[] = u"DoSendConfig::Connection failure";
inline constexpr char16_t kNoResponse[] = u"No response from settings server";
inline constexpr char16_t kEngineObject[] =
    u"ConnectGenericServer::Failed to instantiate ECEngine COM object";
inline constexpr char16_t kServerObject[] = u"ConnectGenericServer::Failed to instantiate MPSDRC COM object";
inline constexpr char16_t kSinkUnknown[] = u"Failed to get IUnknown from ICommonSink";
inline constexpr char16_t kReadNotSupported[] = u"DoReadConfig::Operation not supported";
}  // namespace text

// The module's only exception type, thrown inside an operation and caught at the top of the
// worker thread.
struct TlvxException {
  std::uint32_t code = 0;
  std::uint32_t exError = 0;  // the failing call's result, where there is one
  std::u16string text;
};

// A failing call on the server object; the send turns it into a connection failure.
struct ComCallError {
  HRESULT hr;
};

// Results of ITolvaneModule's methods.
inline constexpr HRESULT kReadNotSupported = static_cast<HRESULT>(0x80040060);
inline constexpr HRESULT kNoCallback = static_cast<HRESULT>(0x80040061);
inline constexpr HRESULT kBusy = static_cast<HRESULT>(0x80040062);
inline constexpr HRESULT kNoQuestion = static_cast<HRESULT>(0x80040063);
inline constexpr HRESULT kBadAnswer = static_cast<HRESULT>(0x80040064);
inline constexpr HRESULT kAlreadyAdvised = static_cast<HRESULT>(0x8004000C);
inline constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x8004000E);

// OnDone's and OnError's form of a code: 0 stays 0, any other code is put in FACILITY_ITF.
inline HRESULT ModuleResult(std::uint32_t code) {
  return code ? static_cast<HRESULT>(code | 0x80040000u) : S_OK;
}

}  // namespace orvel::tessmark
