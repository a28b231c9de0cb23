#include "engine/request.h"

#include <algorithm>

#include "engine/engine_limits.h"
#include "engine/engine_wnd.h"
#include "engine/server.h"

namespace orvel::engine {

namespace {

// Keeps a step that runs a nested message loop from being entered again by a poll inside it.
int g_dispatchDepth = 0;

class CDispatchGuard {
 public:
  CDispatchGuard() { ++g_dispatchDepth; }
  ~CDispatchGuard() { --g_dispatchDepth; }

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
  if (kind == kRequestQuestion && step == 1) return &CRequest::AskClient;
  if (kind == kRequestQuestion && step == 2) return &CRequest::WaitClientAnswer;
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
    case kRequestConfigure: return u"Configure";
    case kRequestFileCopy: return u"File copy";
    case kRequestInstall: return u"Install";
    case kRequestBackup: return u"Backup";
    case kRequestRestore: return u"Restore";
    default: return u"";
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
  if (IsRoot()) {
    if (engine) {
      switch (m_kind) {
        case kRequestConfigure:
        case kRequestFileCopy:
        case kRequestInstall:
        case kRequestBackup:
        case kRequestRestore: engine->PostDone(result); break;
        default: break;
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
    auto self = std::find_if(siblings.begin(), siblings.end(), [this](const auto& c) { return c.get() == this; });
    if (self != siblings.end() && self + 1 != siblings.end()) (self + 1)->get()->Complete(result);
  }
  parent->m_childResult = result;
  auto self = std::find_if(siblings.begin(), siblings.end(), [this](const auto& c) { return c.get() == this; });
  if (self != siblings.end()) {
    std::unique_ptr<CRequest> owned = std::move(*self);
    siblings.erase(self);
  }
  return 1;
}

HResult CRequest::Respond(uint32_t response) {
  if (m_kind != kRequestQuestion) return kNoQuestion;
  if ((response & m_parameters.DwordAt(1)) == 0) return kAnswerNotOffered;
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
      // The transfer's own steps stop the settings module and end the request.
      return 1;
    case kRequestFileCopy:
      if (engine) {
        engine->SendRelayRecord(kRelayFileCopy, 5, 0);
        if (IECFileCopy* copy = engine->FileCopyObject()) copy->Cancel(1, 1);
        engine->PostPoll(1);
      }
      // Also before the copy object exists: nothing else would end the request.
      return Complete(kCancelled);
    case kRequestDriveBackup:
      // The worker thread's backup sink ends the request when the backup stops.
      return 1;
    case kRequestRestore:
      if (engine) {
        engine->SendRelayRecord(kRelayRestore, 6, 0);
        if (IECRestore* restore = engine->RestoreObject()) restore->Cancel();
      }
      return Complete(kCancelled);
    case kRequestQuestion: return Refuse();
    default: return Complete(kCancelled);
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

std::unique_ptr<CRequest> CRequest::MakeQuestion(CRequest* parent, HResult error, uint32_t answers, std::u16string tag,
                                                 std::u16string value) {
  auto question = std::make_unique<CRequest>(parent, kRequestQuestion);
  question->m_parameters.AddHresult(error);
  question->m_parameters.AddDword(answers);
  question->m_parameters.AddString(std::move(tag));
  question->m_parameters.AddString(std::move(value));
  return question;
}

}  // namespace orvel::engine
