// The file copy to the device and the package install that a Configure operation starts for the
// files and packages its settings name (kinds 3, 4 and 8).
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "engine/configure.h"
#include "engine/engine_paths.h"
#include "engine/engine_wnd.h"
#include "engine/request.h"
#include "engine/server.h"
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

// Relay record codes of a copy.
constexpr uint32_t kRelayFinished = 1;
constexpr uint32_t kRelayProgress = 3;
constexpr uint32_t kRelayAskNumber = 4;
constexpr uint32_t kRelayAskText = 5;
constexpr uint32_t kRelayAnswer = 6;

constexpr uint32_t kAnswersOfCopy = 45;  // 1, 4, 8 and 32
constexpr uint32_t kAnswerSkip = 8;
constexpr uint32_t kAnswerOverwrite = 32;

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

bool FileExists(const std::u16string& path) {
  DWORD attributes = ::GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The answer of the client as the copy object takes it.
uint32_t CopyAnswer(uint32_t answer) {
  if (answer == 1) return 2;
  if (answer == kAnswerSkip) return 1;
  return 0;
}

}  // namespace

uint32_t CRequest::CopyStart(CRequest& request) {
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
    engine->SendRelayRecord(kRelayFileCopy, kRelayAnswer,
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
    case kRelayFinished: {
      auto answer = static_cast<uint32_t>(m_childResult);
      m_childResult = 0;
      if (answer == kAnswerRefuse) return Complete(kCancelled);
      if (answer == kAnswerSkip) return Complete(kOk);
      if (answer == kAnswerOverwrite) {
        m_parameters.SetDwordAt(kCopyOverwrite, 1);
        return NextStep(-1);
      }
      return Complete(value == 0 ? kOk : MapCopyEventError(value));
    }
    case kRelayProgress: {
      size_t line = text.find(u'\n');
      if (line != std::u16string::npos)
        m_parameters.SetStringAt(kCopyCurrentFile, FileNamePart(text.substr(0, line)));
      ProgressToClient(value, text, value2);
      return 0;
    }
    case kRelayAskNumber: {
      uint32_t answers = MapOperationCode(value);
      if (answers == 0) {
        if (CTerminalManagerServer* engine = CTerminalManagerServer::Instance())
          engine->SendRelayRecord(kRelayFileCopy, kRelayAnswer, 0);
        return Complete(static_cast<HResult>(value));
      }
      AddChild(MakeQuestion(this, static_cast<HResult>(value), answers, m_parameters.StringAt(kCopyElement),
                            shown));
      return NextStep(1);
    }
    case kRelayAskText:
      AddChild(MakeQuestion(this, kFileExists, kAnswersOfCopy, m_parameters.StringAt(kCopyElement), shown));
      return NextStep(1);
    default:
      return 0;
  }
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
  if (::GetExitCodeProcess(request.m_process.get(), &code) && code == STILL_ACTIVE) return 0;
  return request.Complete(kOk);
}

}  // namespace orvel::engine
