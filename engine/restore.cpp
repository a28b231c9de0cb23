// The restore of device drives from their backups (kind 7): EPOC Connect's restore object does
// the work and reports through the progress relay; the relay's records drive the steps.
#include <windows.h>

#include "engine/configure.h"
#include "engine/engine_limits.h"
#include "engine/engine_wnd.h"
#include "engine/request.h"
#include "engine/server.h"
#include "support/win/handle.h"

namespace orvel::engine {

namespace {

// Items of a restore request; the last is the request's own: 1 once a relay has announced itself.
constexpr size_t kRestoreDevice = 0;
constexpr size_t kRestoreDrives = 1;
constexpr size_t kRestoreFormat = 2;
constexpr size_t kRestoreRelaySeen = 3;

constexpr uint32_t kAnswersOfRestore = 45;  // 1, 4, 8 and 32

}  // namespace

uint32_t CRequest::RestoreStart(CRequest& request) {
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  if (!engine) return request.Complete(kNoDevice);
  CPacket& p = request.Parameters();
  std::u16string device = p.StringAt(kRestoreDevice);
  if (device.empty()) device = engine->DeviceName();
  p.AddDword(0);
  HResult hr = engine->CreateRestoreObject();
  if (IsFailure(hr)) return request.Complete(hr);
  IECRestore* restore = engine->RestoreObject();
  // EPOC Connect's restore object takes each setting only after a short pause.
  ::Sleep(LimitMilliseconds(Limit::RestorePause));
  win::UniqueBstr name(device), drives(p.StringAt(kRestoreDrives));
  HRESULT result = restore->SetDevice(name.get());
  if (SUCCEEDED(result)) {
    ::Sleep(LimitMilliseconds(Limit::RestorePause));
    result = restore->StartRestore(0, drives.get(), p.DwordAt(kRestoreFormat) ? -1 : 0, 3);
  }
  if (FAILED(result)) return request.Complete(MapRestoreError(static_cast<uint32_t>(result)));
  ProgressToClient(1, u"", 0);
  return request.NextStep(1);
}

uint32_t CRequest::RestoreWait(CRequest&) { return 0; }

uint32_t CRequest::RestoreFinish(CRequest& request) {
  if (CTerminalManagerServer* engine = CTerminalManagerServer::Instance())
    engine->SendRelayRecord(relay::kRestore, relay::kRestoreAnswer,
                            MapOperationAnswer(static_cast<uint32_t>(request.ChildResult())));
  return request.NextStep(-1);
}

uint32_t CRequest::OnRestoreRelay(CPacket packet) {
  uint32_t code = packet.GetDword();
  uint32_t sender = packet.GetDword();
  uint32_t value = packet.GetDword();
  uint32_t value2 = packet.GetDword();
  std::u16string text = packet.GetString();
  if (m_step != 2) return 0;
  switch (code) {
    case relay::kFinished: {
      // The restore object's own sink (sender 0) may report its end before the relay does, and
      // with less: only a restore that no relay serves takes it.
      if (sender == 0 && m_parameters.DwordAt(kRestoreRelaySeen)) return 0;
      HResult result = MapRestoreError(value);
      if (!IsFailure(result) && m_cancelling) result = kCancelled;
      if (CTerminalManagerServer* engine = CTerminalManagerServer::Instance()) engine->ReleaseRestoreObject();
      return Complete(result);
    }
    case relay::kStart:
      m_parameters.SetDwordAt(kRestoreRelaySeen, 1);
      return 0;
    case relay::kProgress:
      ProgressToClient(value, text, value2);
      return 0;
    case relay::kAskNumber: {
      HResult error = MapRestoreError(value);
      uint32_t answers = MapOperationCode(static_cast<uint32_t>(error)) == 13 ? 13 : kAnswersOfRestore;
      AddChild(MakeQuestion(this, error, answers, u"", text));
      return NextStep(1);
    }
    case relay::kAskText:
      AddChild(MakeQuestion(this, kFileExists, kAnswersOfRestore, u"", text));
      return NextStep(1);
    default:
      return 0;
  }
}

}  // namespace orvel::engine
