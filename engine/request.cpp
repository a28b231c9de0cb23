#include "engine/request.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "engine/audit_log.h"
#include "engine/configure.h"
#include "engine/engine_limits.h"
#include "engine/engine_wnd.h"
#include "engine/server.h"
#include "engine/settings_context.h"
#include "engine/settings_module.h"
#include "engine/worker_thread.h"

namespace orvel::engine {

namespace {

// Keeps a step that runs a nested message loop from being entered again by a poll inside it.
int g_dispatchDepth = 0;
// Events that arrived while a step ran, in arrival order.
std::vector<std::pair<UINT, CPacket>> g_deferred;

class CDispatchGuard {
 public:
  CDispatchGuard() { ++g_dispatchDepth; }
  ~CDispatchGuard() {
    if (--g_dispatchDepth > 0) return;
    std::vector<std::pair<UINT, CPacket>> deferred = std::move(g_deferred);
    g_deferred.clear();
    for (auto& [message, packet] : deferred) PostEngineMessage(message, std::move(packet));
  }

 private:
  CBusyLock m_busy;
};

struct KindSteps {
  uint32_t kind;
  uint32_t lastStep;
};

constexpr KindSteps kKindSteps[] = {{1, 5}, {2, 4}, {3, 3}, {4, 2}, {5, 2}, {6, 3}, {7, 3}, {8, 1}, {9, 2}};

}  // namespace

uint32_t LastStep(uint32_t kind) {
  for (const KindSteps& k : kKindSteps)
    if (k.kind == kind) return k.lastStep;
  return 0;
}

StepHandler FindStepHandler(uint32_t kind, uint32_t step) {
  struct KindStep {
    uint32_t kind;
    uint32_t step;
    StepHandler handler;
  };
  static constexpr KindStep kHandlers[] = {
      {kRequestConfigure, 1, &CRequest::ConfigureLoad},
      {kRequestConfigure, 2, &CRequest::ConfigureAfterTransfer},
      {kRequestConfigure, 3, &CRequest::ConfigureFiles},
      {kRequestConfigure, 4, &CRequest::ConfigureEnd},
      {kRequestConfigure, 5, &CRequest::ConfigureRefused},
      {kRequestSettingsTransfer, 1, &CRequest::TransferSend},
      {kRequestSettingsTransfer, 2, &CRequest::TransferWait},
      {kRequestSettingsTransfer, 3, &CRequest::TransferRespond},
      {kRequestSettingsTransfer, 4, &CRequest::TransferFail},
      {kRequestFileCopy, 1, &CRequest::CopyStart},
      {kRequestFileCopy, 2, &CRequest::CopyWait},
      {kRequestFileCopy, 3, &CRequest::CopyFinish},
      {kRequestInstall, 1, &CRequest::InstallStart},
      {kRequestInstall, 2, &CRequest::InstallFinish},
      {kRequestBackup, 1, &CRequest::BackupSplit},
      {kRequestBackup, 2, &CRequest::BackupFinish},
      {kRequestDriveBackup, 1, &CRequest::DriveBackupStart},
      {kRequestDriveBackup, 2, &CRequest::DriveBackupWait},
      {kRequestDriveBackup, 3, &CRequest::DriveBackupFinish},
      {kRequestRestore, 1, &CRequest::RestoreStart},
      {kRequestRestore, 2, &CRequest::RestoreWait},
      {kRequestRestore, 3, &CRequest::RestoreFinish},
      {kRequestProcessWait, 1, &CRequest::WaitProcess},
      {kRequestQuestion, 1, &CRequest::AskClient},
      {kRequestQuestion, 2, &CRequest::WaitClientAnswer},
  };
  for (const KindStep& k : kHandlers)
    if (k.kind == kind && k.step == step) return k.handler;
  return nullptr;
}

CRequest::CRequest(CRequest* parent, uint32_t kind)
    : m_kind(kind),
      m_parent(parent),
      m_cancelRequested(parent ? parent->m_cancelRequested : 0),
      m_cancelling(parent ? parent->m_cancelling : 0) {}

CRequest::~CRequest() = default;

void CRequest::AddChild(std::unique_ptr<CRequest> child) { m_children.push_back(std::move(child)); }

uint32_t CRequest::NextStep(int delta) {
  m_step = static_cast<uint32_t>(static_cast<int>(m_step) + delta);
  return 1;
}

CRequest* CRequest::GetActiveLeaf() {
  CRequest* leaf = this;
  while (!leaf->m_children.empty()) leaf = leaf->m_children.front().get();
  return leaf;
}

const char16_t* CRequest::GetKindName() const {
  switch (m_kind) {
    case kRequestConfigure:
      return u"Configure";
    case kRequestFileCopy:
      return u"File copy";
    case kRequestInstall:
      return u"Install";
    case kRequestBackup:
      return u"Backup";
    case kRequestRestore:
      return u"Restore";
    default:
      return u"";
  }
}

uint32_t CRequest::Dispatch() {
  CRequest* leaf = GetActiveLeaf();
  if (g_dispatchDepth >= 1) return 0;
  CDispatchGuard guard;
  if (leaf->m_cancelRequested) return leaf->Cancel();
  uint32_t last = LastStep(leaf->m_kind);
  if (last == 0) return 0;
  if (leaf->m_step == last + 1) return leaf->Complete(kOk);
  if (StepHandler handler = FindStepHandler(leaf->m_kind, leaf->m_step)) return handler(*leaf);
  return 0;
}

uint32_t CRequest::Complete(HResult result) {
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  // A relay window is never used after the copy or restore that it served has ended: the next
  // one announces its own.
  if (engine && (m_kind == kRequestFileCopy || m_kind == kRequestRestore)) engine->ForgetProgressWindow();
  if (IsRoot()) {
    if (m_kind == kRequestConfigure) SettingsContext().Document().DeleteRoot();
    if (engine) {
      switch (m_kind) {
        case kRequestConfigure:
        case kRequestFileCopy:
        case kRequestInstall:
        case kRequestBackup:
        case kRequestRestore:
          engine->PostDone(result);
          WriteLogLine(GetKindName(), result);
          break;
        default:
          break;
      }
      // Removing the current request destroys this one when the local owner goes.
      if (engine->CurrentRequest() == this) {
        std::unique_ptr<CRequest> self = engine->TakeCurrentRequest();
        return 1;
      }
    }
    return 1;
  }
  CRequest* parent = m_parent;
  CRequestArray& siblings = parent->m_children;
  if (IsFailure(result)) {
    // Every later sibling fails with the same result, in order, before the parent sees it.
    auto self =
        std::find_if(siblings.begin(), siblings.end(), [this](const auto& c) { return c.get() == this; });
    if (self != siblings.end() && self + 1 != siblings.end()) (self + 1)->get()->Complete(result);
  }
  parent->m_childResult = result;
  auto self =
      std::find_if(siblings.begin(), siblings.end(), [this](const auto& c) { return c.get() == this; });
  if (self != siblings.end()) {
    std::unique_ptr<CRequest> owned = std::move(*self);
    siblings.erase(self);
  }
  return 1;
}

HResult CRequest::Respond(uint32_t response) {
  if (m_kind != kRequestQuestion) return kNoQuestion;
  uint32_t offered = response & m_parameters.DwordAt(1);
  if (offered == 0) return kAnswerNotOffered;
  // The transport module takes only an answer that leaves one bit after masking; anything else
  // would leave its question open for good, so it is refused here and the client may answer again.
  if (m_parent && m_parent->m_kind == kRequestSettingsTransfer) {
    if (std::popcount(offered) != 1) return kAnswerNotOffered;
    response = offered;
  }
  Complete(static_cast<HResult>(response));
  if (CTerminalManagerServer* engine = CTerminalManagerServer::Instance()) engine->PostPoll(1);
  return kOk;
}

uint32_t CRequest::Refuse() {
  // The engine's own refusal ends the question even when the asker did not offer answer 4.
  Complete(static_cast<HResult>(kAnswerRefuse));
  if (CTerminalManagerServer* engine = CTerminalManagerServer::Instance()) engine->PostPoll(1);
  return 1;
}

HResult CRequest::RequestCancel() {
  CRequest* request = this;
  uint32_t previous = 0;
  for (;;) {
    previous = request->m_cancelRequested;
    if (!request->m_cancelling) request->m_cancelRequested = 1;
    if (request->m_children.empty()) break;
    request = request->m_children.front().get();
  }
  return request->m_cancelling || previous ? kAlreadyCancelling : kOk;
}

uint32_t CRequest::Cancel() {
  m_cancelRequested = 0;
  m_cancelling = 1;
  CBusyLock busy;
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  switch (m_kind) {
    case kRequestSettingsTransfer:
      // The module is told to stop; the wait step ends the request once the grace has passed.
      if (ITolvaneModule* module = SettingsModule()) module->Cancel();
      return 1;
    case kRequestFileCopy:
      if (engine) {
        engine->SendRelayRecord(relay::kFileCopy, relay::kFileCopyCancel, 0);
        if (IECFileCopy* copy = engine->FileCopyObject()) copy->Cancel(1, 1);
        engine->PostPoll(1);
      }
      // Also before the copy object exists: nothing else would end the request.
      return Complete(kCancelled);
    case kRequestBackup:
      // The worker lets go of the backup engine as at the backup's normal end.
      DisconnectBackupEngine();
      return Complete(kCancelled);
    case kRequestDriveBackup:
      // The sink tells the backup engine to stop at its next event; the finished event then ends
      // the request.
      if (CPellornThread* worker = CPellornThread::Instance()) worker->RequestCancel();
      return 1;
    case kRequestRestore:
      if (engine) {
        engine->SendRelayRecord(relay::kRestore, relay::kRestoreCancel, 0);
        if (IECRestore* restore = engine->RestoreObject()) restore->Cancel();
      }
      return Complete(kCancelled);
    case kRequestQuestion:
      return Refuse();
    default:
      return Complete(kCancelled);
  }
}

uint32_t CRequest::AskClient(CRequest& request) {
  request.NextStep(1);
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  if (!engine || !engine->OpenClient()) return request.Refuse();
  const CPacket& p = request.m_parameters;
  engine->PostQuestion(p.HresultAt(0), p.DwordAt(1), p.StringAt(2), p.StringAt(3));
  return 0;
}

uint32_t CRequest::WaitClientAnswer(CRequest& request) {
  auto now = std::chrono::steady_clock::now();
  if (!request.m_stamp) request.m_stamp = now;
  if (now - *request.m_stamp >= LimitDuration(Limit::QuestionTimeout)) return request.Refuse();
  return 0;
}

void CRequest::HandleEvent(UINT message, CPacket packet) {
  if (g_dispatchDepth >= 1) {
    g_deferred.emplace_back(message, std::move(packet));
    return;
  }
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  if (!engine || !engine->CurrentRequest()) return;
  uint32_t poll = 0;
  {
    CDispatchGuard guard;
    CRequest* leaf = engine->CurrentRequest()->GetActiveLeaf();
    if (message == WM_ENGINE_MODULEEVENT && leaf->m_kind == kRequestSettingsTransfer) {
      switch (packet.GetDword()) {
        case 1:
          poll = leaf->OnModuleDone(packet.GetHresult());
          break;
        case 2: {
          uint32_t stage = packet.GetDword();
          std::u16string tag = packet.GetString();
          poll = leaf->OnModuleProgress(stage, tag, packet.GetDword());
          break;
        }
        case 3: {
          HResult error = packet.GetHresult();
          uint32_t answers = packet.GetDword();
          std::u16string tag = packet.GetString();
          poll = leaf->OnModuleError(error, answers, tag, packet.GetString());
          break;
        }
        default:
          break;
      }
    } else if (message == WM_ENGINE_COPYRELAY && leaf->m_kind == kRequestFileCopy) {
      poll = leaf->OnCopyRelay(std::move(packet));
    } else if (message == WM_ENGINE_COPYEVENT && leaf->m_kind == kRequestFileCopy) {
      poll = leaf->OnCopyEvent(std::move(packet));
    } else if (message == WM_ENGINE_BACKUPEVENT && leaf->m_kind == kRequestDriveBackup) {
      poll = leaf->OnBackupEvent(std::move(packet));
    } else if (message == WM_ENGINE_RESTORERELAY && leaf->m_kind == kRequestRestore) {
      poll = leaf->OnRestoreRelay(std::move(packet));
    }
  }
  engine->PostPoll(poll);
}

std::unique_ptr<CRequest> CRequest::MakeQuestion(CRequest* parent, HResult error, uint32_t answers,
                                                 std::u16string tag, std::u16string value) {
  auto question = std::make_unique<CRequest>(parent, kRequestQuestion);
  question->m_parameters.AddHresult(error);
  question->m_parameters.AddDword(answers);
  question->m_parameters.AddString(std::move(tag));
  question->m_parameters.AddString(std::move(value));
  return question;
}

}  // namespace orvel::engine
