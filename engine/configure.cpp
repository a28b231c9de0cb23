#include "engine/configure.h"

#include "engine/element_progress.h"
#include "engine/engine_limits.h"
#include "support/path_text.h"
#include "engine/request.h"
#include "engine/server.h"
#include "engine/settings_context.h"
#include "engine/settings_module.h"
#include "settings/settings_schema.h"
#include "settings/settings_validate.h"
#include "settings/settings_writer.h"
#include "support/win/handle.h"

namespace orvel::engine {

namespace {

// Items of a Configure request.
constexpr size_t kConfigureForm = 0;
constexpr size_t kConfigureSource = 1;  // description (text form) or file path (file form)
constexpr size_t kConfigureText = 2;
// Items of a settings-transfer request.
constexpr size_t kTransferText = 0;
constexpr size_t kTransferNames = 1;
constexpr size_t kTransferPosition = 2;  // the element the device applies
constexpr size_t kTransferOverall = 3;   // the overall percentage last reported
constexpr size_t kTransferItem = 4;      // the item of the module's last question
constexpr size_t kTransferElementPercent = 5;

// Node types of the file lists.
constexpr uint32_t kFileTransfer = 109;
constexpr uint32_t kToneFiles = 111;
constexpr uint32_t kPictureFiles = 113;
constexpr uint32_t kPackages = 115;
constexpr uint32_t kOtherFiles = 117;
constexpr uint32_t kOtherLocal = 119;
constexpr uint32_t kOtherRemote = 120;
constexpr uint32_t kTonesFolder = 0x240;
constexpr uint32_t kPicturesFolder = 0x220;

bool IsFlagged(const CSettingsNode& node) { return node.IsCreated() || node.IsUpdated(); }

std::u16string ResolvedLocal(const std::u16string& base, const std::u16string& value) {
  std::u16string path;
  ResolveRelativePath(path, base, value);
  return path;
}

std::unique_ptr<CRequest> MakeCopy(CRequest* parent, const CSettingsNode& entry, std::u16string local,
                                   std::u16string remote) {
  auto copy = std::make_unique<CRequest>(parent, kRequestFileCopy);
  std::u16string name;
  entry.GetNodeName(name, false);
  copy->Parameters().AddString(name);
  copy->Parameters().AddString(std::move(local));
  copy->Parameters().AddString(std::move(remote));
  copy->Parameters().AddDword(1);
  copy->Parameters().AddDword(entry.IsUpdated() ? 1 : 0);
  copy->Parameters().AddString(u"");
  return copy;
}

}  // namespace

void ProgressToClient(uint32_t stage, const std::u16string& tag, uint32_t percent) {
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  CClientSession* client = engine ? engine->OpenClient() : nullptr;
  if (client && client->Owner()) {
    CClientCallback callback = client->Owner()->Callback();
    callback.OnProgress(stage, tag, percent);
  }
}

// ---- Configure ---------------------------------------------------------------------------------

uint32_t CRequest::ConfigureLoad(CRequest& request) {
  ProgressToClient(1, u"", 0);
  CSettingsDocument& document = SettingsContext().Document();
  document.Reset();
  const CPacket& p = request.Parameters();
  if (p.DwordAt(kConfigureForm) == 0) {
    if (!document.LoadText(p.StringAt(kConfigureText))) return request.Complete(kInvalidSetting);
  } else {
    bool parseFailed = false;
    if (!document.LoadFile(p.StringAt(kConfigureSource), parseFailed))
      return request.Complete(parseFailed ? kInvalidSetting : kFileUnreadable);
  }
  CSettingsNode* root = document.GetRoot();
  CSettingsNode* failing = nullptr;
  if (!ValidateSettings(*root, failing, true, false) && failing) {
    std::u16string name, value;
    failing->GetNodeName(name, false);
    failing->GetDisplayValue(value, true);
    request.AddChild(MakeQuestion(&request, kInvalidSetting, kAnswerRefuse, name, value));
    return request.NextStep(5 - static_cast<int>(request.Step()));
  }
  std::u16string text;
  auto names = std::make_unique<StringArray>();
  bool refused = false;
  WriteSettingsDocument(*root, text, true, names.get(), &refused);
  // A document that cannot be written faithfully is not sent in part.
  if (refused) return request.Complete(kInvalidSetting);
  auto transfer = std::make_unique<CRequest>(&request, kRequestSettingsTransfer);
  CPacket& t = transfer->Parameters();
  t.AddString(std::move(text));
  t.AddPointer(std::move(names));
  t.AddDword(0);
  t.AddDword(0);
  t.AddString(u"");
  t.AddDword(0);
  request.AddChild(std::move(transfer));
  return request.NextStep(1);
}

uint32_t CRequest::ConfigureAfterTransfer(CRequest& request) {
  if (IsFailure(request.ChildResult())) return request.Complete(request.ChildResult());
  return request.NextStep(1);
}

uint32_t CRequest::ConfigureFiles(CRequest& request) {
  CSettingsNode* root = SettingsContext().Document().GetRoot();
  CSettingsNode* files = root ? root->FindChildOfType(kFileTransfer) : nullptr;
  if (!files) return request.NextStep(1);
  std::u16string base = FolderPart(request.Parameters().StringAt(kConfigureSource));
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  for (uint32_t type : {kToneFiles, kPictureFiles, kOtherFiles, kPackages}) {
    CSettingsNode* group = files->FindChildOfType(type);
    if (!group || !IsFlagged(*group)) continue;
    std::u16string folder;
    if (type == kToneFiles || type == kPictureFiles) {
      HResult hr = engine
                       ? engine->DeviceFolderPath(type == kToneFiles ? kTonesFolder : kPicturesFolder, folder)
                       : kNoDevice;
      if (IsFailure(hr)) {
        request.Children().clear();
        return request.Complete(hr);
      }
      folder = u"C:\\" + folder;
    }
    for (size_t i = 0; i < group->GetChildCount(); ++i) {
      CSettingsNode* entry = group->GetChild(i);
      if (IsPlaceholderType(entry->GetType()) || !IsFlagged(*entry)) continue;
      if (type == kToneFiles || type == kPictureFiles) {
        request.AddChild(MakeCopy(&request, *entry, ResolvedLocal(base, entry->GetValue()), folder));
      } else if (type == kOtherFiles) {
        CSettingsNode* local = entry->FindChildOfType(kOtherLocal);
        CSettingsNode* remote = entry->FindChildOfType(kOtherRemote);
        request.AddChild(MakeCopy(
            &request, *entry, ResolvedLocal(base, local ? local->GetValue() : u""),
            engine ? engine->DevicePathForDevice(remote ? remote->GetValue() : u"") : std::u16string()));
      } else {
        auto install = std::make_unique<CRequest>(&request, kRequestInstall);
        install->Parameters().AddString(ResolvedLocal(base, entry->GetValue()));
        request.AddChild(std::move(install));
      }
    }
  }
  return request.NextStep(1);
}

uint32_t CRequest::ConfigureEnd(CRequest& request) {
  return request.Complete(IsFailure(request.ChildResult()) ? request.ChildResult() : kOk);
}

uint32_t CRequest::ConfigureRefused(CRequest& request) { return request.Complete(kInvalidSetting); }

// ---- settings transfer -------------------------------------------------------------------------

uint32_t CRequest::TransferSend(CRequest& request) {
  std::u16string text = request.Parameters().StringAt(kTransferText);
  if (text.empty()) return request.Complete(kOk);
  HResult hr = CreateSettingsModule();
  if (IsFailure(hr)) {
    ReleaseSettingsModule();
    return request.Complete(hr);
  }
  win::UniqueBstr buffer(text);
  HRESULT sent = SettingsModule()->SendConfiguration(buffer.get());
  if (FAILED(sent)) {
    ModuleQuestion question;
    HResult mapped = MapModuleError(sent, question);
    ReleaseSettingsModule();
    return request.Complete(mapped);
  }
  return request.NextStep(1);
}

uint32_t CRequest::TransferWait(CRequest& request) {
  if (!request.Cancelling()) return 0;
  auto now = std::chrono::steady_clock::now();
  if (!request.m_stamp) request.m_stamp = now;
  if (now - *request.m_stamp < LimitDuration(Limit::TransferCancelGrace)) return 0;
  ReleaseSettingsModule();
  return request.Complete(kCancelled);
}

uint32_t CRequest::TransferRespond(CRequest& request) {
  request.NextStep(-1);
  ITolvaneModule* module = SettingsModule();
  if (!module) return 1;
  auto answer = static_cast<uint32_t>(request.ChildResult());
  if (answer == kAnswerRefuse) {
    // The refusal stops the module whatever answers its question offered; the wait step ends
    // the request if the module does not end within the grace.
    module->Cancel();
    request.m_cancelling = 1;
    return 1;
  }
  HRESULT hr = module->Respond(static_cast<LONG>(answer));
  if (SUCCEEDED(hr)) return 1;
  // The module kept its question: it is stopped, and its refusal is the result.
  module->Cancel();
  ModuleQuestion question;
  HResult refusal = MapModuleErrorCode(hr, {}, question);
  ReleaseSettingsModule();
  return request.Complete(refusal);
}

uint32_t CRequest::TransferFail(CRequest& request) {
  ReleaseSettingsModule();
  return request.Complete(kInvalidSetting);
}

uint32_t CRequest::OnModuleError(HResult error, uint32_t answers, const std::u16string& tag,
                                 const std::u16string& name) {
  ModuleQuestion question;
  question.response = answers;
  HResult mapped = MapModuleError(error, question);
  m_parameters.SetStringAt(kTransferItem, name);
  AddChild(MakeQuestion(this, mapped, question.response, tag, name));
  return NextStep(1);
}

uint32_t CRequest::OnModuleProgress(uint32_t stage, const std::u16string& tag, uint32_t percent) {
  if (stage == 3) {
    ProgressToClient(1, u"", percent);
  } else if (stage == 4) {
    static const StringArray kNoNames;
    const StringArray* names = m_parameters.PointerAt(kTransferNames);
    ElementProgress state{m_parameters.DwordAt(kTransferPosition),
                          m_parameters.DwordAt(kTransferElementPercent),
                          m_parameters.DwordAt(kTransferOverall)};
    uint32_t overall = AdvanceElementProgress(names ? *names : kNoNames, tag, percent, state);
    m_parameters.SetDwordAt(kTransferPosition, state.position);
    m_parameters.SetDwordAt(kTransferElementPercent, state.elementPercent);
    m_parameters.SetDwordAt(kTransferOverall, state.overall);
    ProgressToClient(2, tag, overall);
  }
  return 0;
}

uint32_t CRequest::OnModuleDone(HResult error) {
  ModuleQuestion question;
  HResult mapped = MapModuleError(error, question);
  if (mapped == kInvalidSetting && question.response != 0) {
    CSettingsNode* root = SettingsContext().Document().GetRoot();
    std::u16string value = root ? FindMailboxFolderPath(*root, m_parameters.StringAt(kTransferItem)) : u"";
    AddChild(MakeQuestion(this, kInvalidSetting, question.response, question.tag, value));
    return NextStep(4 - static_cast<int>(m_step));
  }
  ReleaseSettingsModule();
  return Complete(mapped);
}

}  // namespace orvel::engine
