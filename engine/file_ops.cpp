// The file copy to the device and the package install that a Configure operation starts for the
// files and packages its settings name (kinds 3, 4 and 8).
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>
#include <iterator>
#include <optional>

#include "engine/configure.h"
#include "support/path_text.h"
#include "engine/engine_wnd.h"
#include "engine/request.h"
#include "engine/server.h"
#include "interfaces/econnect_contract.h"
#include "support/u16text.h"
#include "support/win/handle.h"

namespace orvel::engine {

namespace {

// Items of a file-copy request.
constexpr size_t kCopyElement = 0;
constexpr size_t kCopyLocal = 1;
constexpr size_t kCopyRemote = 2;
constexpr size_t kCopyToDevice = 3;
constexpr size_t kCopyOverwrite = 4;
constexpr size_t kCopyCurrentFile = 5;

// Events of the copy object (WM_ENGINE_COPYEVENT).
constexpr uint32_t kCopyEventError = 1;
constexpr uint32_t kCopyEventProgress = 2;

constexpr uint32_t kAnswersOfCopy = 45;  // 1, 4, 8 and 32
constexpr uint32_t kAnswerSkip = 8;
constexpr uint32_t kAnswerOverwrite = 32;

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

bool FileExists(const std::u16string& path) {
  DWORD attributes = ::GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

constexpr uint32_t kAttributeReadOnly = FILE_ATTRIBUTE_READONLY;
constexpr uint32_t kAttributeFolder = FILE_ATTRIBUTE_DIRECTORY;

// The attributes of a path on its side, looked up through EPOC Connect; nothing when it is not
// there or cannot be looked up.
std::optional<uint32_t> LookupAttributes(IECEngine* device, USHORT kind, const std::u16string& path) {
  ECLocation location;
  if (!device || !econnect::MakeLocation(location, kind, path)) return std::nullopt;
  win::ComPtr<IECEntry> entry;
  if (device->LookupEntry(&location, entry.GetAddressOf()) != 0 || !entry) return std::nullopt;
  ECEntryInfo info = {};
  if (entry->GetInfo(&info) != 0) return std::nullopt;
  return info.Attributes;
}

// Whether the folder that is to hold target exists on its side; a drive root ("c:\") is taken
// as present.
bool TargetFolderExists(IECEngine* device, USHORT kind, const std::u16string& target) {
  std::u16string folder = FolderPart(target);
  if (folder.size() <= 3) return folder.size() == 3;
  if (folder.back() == u'\\') folder.pop_back();
  std::optional<uint32_t> attributes = LookupAttributes(device, kind, folder);
  return attributes && (*attributes & kAttributeFolder) != 0;
}

// The answer of the client as the copy object takes it.
uint32_t CopyAnswer(uint32_t answer) {
  if (answer == 1) return 2;
  if (answer == kAnswerSkip) return 1;
  return 0;
}

}  // namespace

uint32_t CRequest::CopyStart(CRequest& request) {
  // A copy that starts again after the answer 32 may meanwhile have been cancelled.
  if (request.Cancelling()) return request.Complete(kCancelled);
  ProgressToClient(3, u"", 0);
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  const CPacket& p = request.Parameters();
  bool toDevice = p.DwordAt(kCopyToDevice) != 0;
  std::u16string local = p.StringAt(kCopyLocal), remote = p.StringAt(kCopyRemote);
  std::u16string source = toDevice ? local : remote, target = toDevice ? remote : local;
  if (toDevice && !FileExists(local)) return request.Complete(kFileNotFound);
  // A target folder takes the source file's name.
  if (!target.empty() && target.back() == u'\\') target += FileNamePart(source);
  if (!engine) return request.Complete(kNoDevice);
  auto targetKind = static_cast<USHORT>(toDevice ? EC_LOCATION_DEVICE : EC_LOCATION_COMPUTER);
  IECEngine* deviceEngine = engine->DeviceEngine();
  if (p.DwordAt(kCopyOverwrite)) {
    // An overwrite must not stop at a read-only target.
    std::optional<uint32_t> attributes = LookupAttributes(deviceEngine, targetKind, target);
    ECLocation location;
    if (attributes && (*attributes & kAttributeReadOnly) &&
        econnect::MakeLocation(location, targetKind, target))
      deviceEngine->SetAttributes(&location, *attributes & ~kAttributeReadOnly);
  }
  if (!TargetFolderExists(deviceEngine, targetKind, target)) return request.Complete(kInvalidPath);
  HResult hr = engine->CreateFileCopyObject();
  if (IsFailure(hr)) return request.Complete(hr);
  win::UniqueBstr device(engine->DeviceName());
  HRESULT set = engine->FileCopyObject()->SetDevice(device.get());
  if (FAILED(set) && (static_cast<uint32_t>(set) & 0xFFFF) == 1722) {
    // The EPOC Connect server was restarted: the object is made again and asked once more.
    engine->ReleaseFileCopyObject();
    hr = engine->CreateFileCopyObject();
    if (IsFailure(hr)) return request.Complete(hr);
    set = engine->FileCopyObject()->SetDevice(device.get());
  }
  if (FAILED(set)) return request.Complete(MapCopyError(static_cast<uint32_t>(set)));
  win::UniqueBstr from(source), to(target);
  LONG options = 0x100 | (p.DwordAt(kCopyOverwrite) ? 1 : 0);
  HRESULT started = engine->FileCopyObject()->StartCopy(1, toDevice ? 1 : 2, from.get(), toDevice ? 2 : 1,
                                                        to.get(), options);
  if (FAILED(started)) return request.Complete(MapCopyError(static_cast<uint32_t>(started)));
  return request.NextStep(1);
}

uint32_t CRequest::CopyWait(CRequest&) { return 0; }

uint32_t CRequest::CopyFinish(CRequest& request) {
  if (CTerminalManagerServer* engine = CTerminalManagerServer::Instance())
    engine->SendRelayRecord(relay::kFileCopy, relay::kFileCopyAnswer,
                            CopyAnswer(static_cast<uint32_t>(request.ChildResult())));
  return request.NextStep(-1);
}

uint32_t CRequest::OnCopyRelay(CPacket packet) {
  if (m_step != 2) return 0;
  uint32_t code = packet.GetDword();
  packet.GetDword();  // sender
  uint32_t value = packet.GetDword();
  uint32_t value2 = packet.GetDword();
  std::u16string text = packet.GetString();
  bool toDevice = m_parameters.DwordAt(kCopyToDevice) != 0;
  std::u16string shown = m_parameters.StringAt(kCopyCurrentFile);
  if (shown.empty()) shown = m_parameters.StringAt(toDevice ? kCopyRemote : kCopyLocal);
  switch (code) {
    case relay::kFinished: {
      auto answer = static_cast<uint32_t>(m_childResult);
      m_childResult = 0;
      if (answer == kAnswerRefuse || m_cancelling) return Complete(kCancelled);
      if (answer == kAnswerSkip) return Complete(kOk);
      if (answer == kAnswerOverwrite) {
        m_parameters.SetDwordAt(kCopyOverwrite, 1);
        return NextStep(-1);
      }
      return Complete(MapCopyError(value));
    }
    case relay::kProgress: {
      size_t line = text.find(u'\n');
      if (line != std::u16string::npos)
        m_parameters.SetStringAt(kCopyCurrentFile, FileNamePart(text.substr(0, line)));
      ProgressToClient(value, text, value2);
      return 0;
    }
    case relay::kAskNumber: {
      // The relay's "exists" number (183) becomes the engine's code of an existing target.
      HResult error = MapCopyError(value);
      uint32_t answers = MapOperationCode(static_cast<uint32_t>(error));
      if (answers == 0) {
        if (CTerminalManagerServer* engine = CTerminalManagerServer::Instance())
          engine->SendRelayRecord(relay::kFileCopy, relay::kFileCopyAnswer, 0);
        return Complete(error);
      }
      AddChild(MakeQuestion(this, error, answers, m_parameters.StringAt(kCopyElement), shown));
      return NextStep(1);
    }
    case relay::kAskText:
      AddChild(MakeQuestion(this, kFileExists, kAnswersOfCopy, m_parameters.StringAt(kCopyElement), shown));
      return NextStep(1);
    default:
      return 0;
  }
}

uint32_t CRequest::OnCopyEvent(CPacket packet) {
  if (m_step != 2) return 0;
  uint32_t event = packet.GetDword();
  uint32_t value = packet.GetDword();
  if (event == kCopyEventProgress) {
    ProgressToClient(3, u"", value);
    return 0;
  }
  if (event != kCopyEventError) return 0;
  HResult error = MapErrorToHResult(value, kCopyFailed);
  if (error != kFileExists) return Complete(error);
  bool toDevice = m_parameters.DwordAt(kCopyToDevice) != 0;
  AddChild(MakeQuestion(this, kFileExists, kAnswersOfCopy, m_parameters.StringAt(kCopyElement),
                        m_parameters.StringAt(toDevice ? kCopyRemote : kCopyLocal)));
  return NextStep(1);
}

uint32_t CRequest::InstallStart(CRequest& request) {
  std::u16string package = request.Parameters().StringAt(0);
  if (!FileExists(package)) return request.Complete(kFileNotFound);
  std::u16string extension;
  SplitPath(package, nullptr, nullptr, &extension);
  if (AsciiLower(extension) != u"sis") return request.Complete(kPackageRefused);
  ProgressToClient(4, package, 0);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = Wide(package);
  info.nShow = SW_SHOW;
  if (!::ShellExecuteExW(&info)) {
    DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      return request.Complete(kFileNotFound);
    if (error == ERROR_NOT_ENOUGH_MEMORY) return request.Complete(kOutOfMemory);
    return request.Complete(kFileUnreadable);
  }
  if (!info.hProcess) return request.Complete(kNoClientProcess);
  auto wait = std::make_unique<CRequest>(&request, kRequestProcessWait);
  wait->SetProcess(info.hProcess);
  request.AddChild(std::move(wait));
  return request.NextStep(1);
}

uint32_t CRequest::InstallFinish(CRequest& request) {
  return request.Complete(IsFailure(request.ChildResult()) ? request.ChildResult() : kOk);
}

uint32_t CRequest::WaitProcess(CRequest& request) {
  DWORD code = 0;
  if (!::GetExitCodeProcess(request.m_process.get(), &code)) return request.Complete(kOk);
  if (code == STILL_ACTIVE) return 0;
  // An installer that ends with an error has not installed the package.
  return request.Complete(code == 0 ? kOk : kPackageRefused);
}

}  // namespace orvel::engine
