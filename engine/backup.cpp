// The backup of device drives (kind 5), one drive-backup child (kind 6) per drive letter. Each drive
// runs on the worker thread's backup engine; its sink's events come back as WM_APP+5 packets and
// drive the child's steps.
#include <windows.h>

#include "engine/backup_handler.h"
#include "engine/configure.h"
#include "engine/request.h"
#include "engine/server.h"
#include "engine/worker_thread.h"

namespace orvel::engine {

namespace {

// Items of a backup request.
constexpr size_t kBackupDrives = 0;
constexpr size_t kBackupArchives = 1;
// Items of a drive-backup request: the letter, the number of archives, and the stage and value of
// the last progress sent to the client.
constexpr size_t kDriveLetter = 0;
constexpr size_t kDriveArchives = 1;
constexpr size_t kDriveLastStage = 2;
constexpr size_t kDriveLastValue = 3;

constexpr uint32_t kAnswersOfBackup = 45;  // 1, 4, 8 and 32

// The client's progress stage of a sink progress packet.
uint32_t BackupStage(uint32_t subCode) {
  switch (subCode) {
    case kBackupProgressState:
      return 5;
    case kBackupProgressText:
      return 6;
    case kBackupProgressValue:
      return 3;
    default:
      return 7;
  }
}

HResult PostToWorker(CPacket packet) {
  CPellornThread* worker = CPellornThread::Instance();
  if (!worker) return kBackupFailed;
  return worker->PostEngineRequest(std::move(packet));
}

}  // namespace

uint32_t CRequest::BackupSplit(CRequest& request) {
  std::u16string drives = request.m_parameters.StringAt(kBackupDrives);
  uint32_t archives = request.m_parameters.DwordAt(kBackupArchives);
  for (char16_t letter : drives) {
    auto drive = std::make_unique<CRequest>(&request, kRequestDriveBackup);
    drive->m_parameters.AddString(std::u16string(1, letter));
    drive->m_parameters.AddDword(archives);
    drive->m_parameters.AddDword(0);
    drive->m_parameters.AddDword(0);
    request.AddChild(std::move(drive));
  }
  return request.NextStep(1);
}

uint32_t CRequest::BackupFinish(CRequest& request) {
  DisconnectBackupEngine();
  return request.Complete(request.ChildResult());
}

uint32_t CRequest::DriveBackupStart(CRequest& request) {
  // A drive whose backup was cancelled before it began is not started at all.
  if (request.m_cancelling) return request.Complete(kCancelled);
  // A cancel that came after the last backup had already finished must not stop this one.
  if (CPellornThread* worker = CPellornThread::Instance()) worker->Handler().ClearCancel();
  std::u16string letter = request.m_parameters.StringAt(kDriveLetter);
  ProgressToClient(1, letter, 0);
  CPacket connect;
  connect.AddDword(kWorkerConnect);
  HResult hr = PostToWorker(std::move(connect));
  if (IsFailure(hr)) return request.Complete(hr);
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  CPacket call;
  call.AddDword(kWorkerCallEngine);
  call.AddString(engine ? engine->DeviceName() : u"");
  call.AddDword(request.m_parameters.DwordAt(kDriveArchives));
  call.AddString(letter);
  hr = PostToWorker(std::move(call));
  if (IsFailure(hr)) return request.Complete(MapBackupError(static_cast<uint32_t>(hr)));
  return request.NextStep(1);
}

uint32_t CRequest::DriveBackupWait(CRequest&) { return 0; }

uint32_t CRequest::DriveBackupFinish(CRequest& request) {
  // The client's answer bits go to the worker as they are; it gives the backup engine its own.
  if (CPellornThread* worker = CPellornThread::Instance())
    worker->SetAnswer(static_cast<uint32_t>(request.ChildResult()));
  return request.NextStep(-1);
}

uint32_t CRequest::OnBackupEvent(CPacket packet) {
  uint32_t type = packet.GetDword();
  if (m_step != 2) {
    // Only a waiting drive backup takes events; a question nobody takes must not block the sink.
    if (type == kBackupEventQuestion)
      if (CPellornThread* worker = CPellornThread::Instance()) worker->Handler().ReleaseQuestion();
    return 0;
  }
  switch (type) {
    case kBackupEventProgress: {
      uint32_t stage = BackupStage(packet.GetDword());
      uint32_t value = packet.GetDword();
      std::u16string text = packet.GetString();
      if (stage == m_parameters.DwordAt(kDriveLastStage) && value == m_parameters.DwordAt(kDriveLastValue))
        return 0;
      ProgressToClient(stage, text, value);
      m_parameters.SetDwordAt(kDriveLastStage, stage);
      m_parameters.SetDwordAt(kDriveLastValue, value);
      return 0;
    }
    case kBackupEventQuestion: {
      HResult error = MapBackupError(packet.GetDword());
      std::u16string text = packet.GetString();
      uint32_t answers = MapOperationCode(static_cast<uint32_t>(error)) == 13 ? 13 : kAnswersOfBackup;
      AddChild(MakeQuestion(this, error, answers, u"", std::move(text)));
      return NextStep(1);
    }
    case kBackupEventFinished: {
      HResult result = MapBackupError(static_cast<uint32_t>(packet.GetHresult()));
      if (!IsFailure(result) && m_cancelling) result = kCancelled;
      return Complete(result);
    }
    default:
      return 0;
  }
}

}  // namespace orvel::engine
