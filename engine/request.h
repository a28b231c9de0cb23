// Requests: the tree of steps in which an operation runs on the engine's main thread. This holds
// the machine itself (creation, dispatch, completion, questions, cancel); the steps of each
// operation are added by the operations that own them.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine_codes.h"
#include "engine/packet.h"
#include "support/win/handle.h"

namespace orvel::engine {

enum RequestKind : uint32_t {
  kRequestConfigure = 1,
  kRequestSettingsTransfer = 2,
  kRequestFileCopy = 3,
  kRequestInstall = 4,
  kRequestBackup = 5,
  kRequestDriveBackup = 6,
  kRequestRestore = 7,
  kRequestProcessWait = 8,
  kRequestQuestion = 9,
};

// Answer bits of a question; 4 is the refusal the engine gives itself.
inline constexpr uint32_t kAnswerRefuse = 4;

class CRequest;
using CRequestArray = std::vector<std::unique_ptr<CRequest>>;
// A step handler: 1 to poll again, 0 to wait for an event.
using StepHandler = uint32_t (*)(CRequest& request);

class CRequest {
 public:
  CRequest(CRequest* parent, uint32_t kind);
  ~CRequest();
  CRequest(const CRequest&) = delete;
  CRequest& operator=(const CRequest&) = delete;

  uint32_t Kind() const { return m_kind; }
  uint32_t Step() const { return m_step; }
  CRequest* Parent() const { return m_parent; }
  CRequestArray& Children() { return m_children; }
  CPacket& Parameters() { return m_parameters; }
  bool CancelRequested() const { return m_cancelRequested != 0; }
  bool Cancelling() const { return m_cancelling != 0; }
  HResult ChildResult() const { return m_childResult; }
  std::optional<std::chrono::steady_clock::time_point>& Stamp() { return m_stamp; }

  void AddChild(std::unique_ptr<CRequest> child);
  uint32_t NextStep(int delta);
  bool IsRoot() const { return m_parent == nullptr; }
  CRequest* GetActiveLeaf();
  const char16_t* GetKindName() const;

  // Runs one step of the active leaf; 1 when another poll is wanted.
  uint32_t Dispatch();
  // Finishes the request, removes and destroys it; returns 1. Nothing of the request may be used
  // after the call.
  uint32_t Complete(HResult result);
  // Answers the question that this request is.
  HResult Respond(uint32_t response);
  // The engine's own answer 4 to this question; returns 1.
  uint32_t Refuse();
  // Marks the chain down to the active leaf for cancelling.
  HResult RequestCancel();
  // The cancel run of the dispatcher; returns 1.
  uint32_t Cancel();

  // Question steps.
  static uint32_t AskClient(CRequest& request);
  static uint32_t WaitClientAnswer(CRequest& request);

  // Configure steps (kind 1).
  static uint32_t ConfigureLoad(CRequest& request);
  static uint32_t ConfigureAfterTransfer(CRequest& request);
  static uint32_t ConfigureFiles(CRequest& request);
  static uint32_t ConfigureEnd(CRequest& request);
  static uint32_t ConfigureRefused(CRequest& request);
  // Settings-transfer steps (kind 2) and the module's events.
  static uint32_t TransferSend(CRequest& request);
  static uint32_t TransferWait(CRequest& request);
  static uint32_t TransferRespond(CRequest& request);
  static uint32_t TransferFail(CRequest& request);
  uint32_t OnModuleDone(HResult error);
  uint32_t OnModuleProgress(uint32_t stage, const std::u16string& tag, uint32_t percent);
  uint32_t OnModuleError(HResult error, uint32_t answers, const std::u16string& tag,
                         const std::u16string& name);
  // File copy (kind 3), install (kind 4) and the wait for the installer (kind 8).
  static uint32_t CopyStart(CRequest& request);
  static uint32_t CopyWait(CRequest& request);
  static uint32_t CopyFinish(CRequest& request);
  uint32_t OnCopyRelay(CPacket packet);
  uint32_t OnCopyEvent(CPacket packet);
  static uint32_t InstallStart(CRequest& request);
  static uint32_t InstallFinish(CRequest& request);
  static uint32_t WaitProcess(CRequest& request);
  void SetProcess(HANDLE process) { m_process.reset(process); }
  // Backup (kind 5) and the backup of one drive (kind 6).
  static uint32_t BackupSplit(CRequest& request);
  static uint32_t BackupFinish(CRequest& request);
  static uint32_t DriveBackupStart(CRequest& request);
  static uint32_t DriveBackupWait(CRequest& request);
  static uint32_t DriveBackupFinish(CRequest& request);
  uint32_t OnBackupEvent(CPacket packet);
  // Restore (kind 7).
  static uint32_t RestoreStart(CRequest& request);
  static uint32_t RestoreWait(CRequest& request);
  static uint32_t RestoreFinish(CRequest& request);
  uint32_t OnRestoreRelay(CPacket packet);

  // Brings an event of an outside object to the active request. While a step or another event
  // runs (an outgoing call pumps messages) it goes back to the end of the queue once that
  // returns, so no handler removes a request that is still running.
  static void HandleEvent(UINT message, CPacket packet);

  // A question child of parent with its four parameters.
  static std::unique_ptr<CRequest> MakeQuestion(CRequest* parent, HResult error, uint32_t answers,
                                                std::u16string tag, std::u16string value);

 private:
  uint32_t m_kind;
  uint32_t m_step = 1;
  CRequest* m_parent;
  CRequestArray m_children;
  CPacket m_parameters;
  uint32_t m_cancelRequested = 0;
  uint32_t m_cancelling = 0;
  HResult m_childResult = 0;
  std::optional<std::chrono::steady_clock::time_point> m_stamp;
  // The installer process that a kind-8 request waits for.
  win::UniqueKernelHandle m_process;
};

// The last step of each kind (0 for an unknown kind) and its step handlers; kinds whose steps an
// operation has not added yet have none, and such a request waits until it is cancelled.
uint32_t LastStep(uint32_t kind);
StepHandler FindStepHandler(uint32_t kind, uint32_t step);

}  // namespace orvel::engine
