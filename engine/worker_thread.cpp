#include "engine/worker_thread.h"

#include <memory>

#include "engine/econnect_objects.h"
#include "engine/engine_limits.h"
#include "engine/engine_wnd.h"
#include "engine/security_dlg.h"

namespace orvel::engine {

namespace {

CPellornThread* g_worker = nullptr;

// Waits for a handle while serving the messages that other threads send to this thread's windows.
void WaitServingSent(HANDLE handle) {
  for (;;) {
    DWORD woken = ::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woken != WAIT_OBJECT_0 + 1) return;
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

// Frees what a thread message carries when nobody handles it.
void FreePayload(const MSG& message) {
  if (message.hwnd) return;
  if (message.message == WM_WORKER_ENGINEREQUEST) delete reinterpret_cast<CPacket*>(message.lParam);
  if (message.message == WM_WORKER_SECURITYPROMPT) delete reinterpret_cast<PromptTexts*>(message.lParam);
}

}  // namespace

CPellornThread::CPellornThread()
    : m_ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_handler(win::MakeCom<CBackupHandler>()) {}

CPellornThread::~CPellornThread() {
  Stop();
  if (g_worker == this) g_worker = nullptr;
}

CPellornThread* CPellornThread::Instance() { return g_worker; }

bool CPellornThread::Start(HWND eventWindow, HINSTANCE resources) {
  if (m_thread) return Running();
  if (!m_ready || !m_handler || !m_requestDone.Valid() || !m_promptDone.Valid()) return false;
  m_eventWindow = eventWindow;
  m_resources = resources ? resources : ::GetModuleHandleW(nullptr);
  m_thread.reset(::CreateThread(nullptr, 0, &CPellornThread::Run, this, 0, &m_threadId));
  if (!m_thread) return false;
  HANDLE handles[2] = {m_ready.get(), m_thread.get()};
  if (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0) return false;
  if (!g_worker) g_worker = this;
  return true;
}

void CPellornThread::Stop() {
  if (g_worker == this) g_worker = nullptr;
  if (!m_thread) return;
  if (Running() && ::PostThreadMessageW(m_threadId, WM_QUIT, 0, 0)) WaitServingSent(m_thread.get());
}

bool CPellornThread::Running() const {
  return m_thread && ::WaitForSingleObject(m_thread.get(), 0) == WAIT_TIMEOUT;
}

DWORD WINAPI CPellornThread::Run(void* arg) {
  auto* self = static_cast<CPellornThread*>(arg);
  HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  MSG message;
  ::PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue exists from here
  ::SetEvent(self->m_ready.get());
  self->Loop();
  // The backup engine object was made in this apartment; it is released here, before the end.
  self->Disconnect();
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) FreePayload(message);
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}

void CPellornThread::Loop() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr) {
      uint32_t round = static_cast<uint32_t>(message.wParam);
      if (message.message == WM_WORKER_SECURITYPROMPT) {
        OnSecurityPrompt(round, message.lParam);
        continue;
      }
      if (message.message == WM_WORKER_ENGINEREQUEST) {
        OnEngineRequest(round, message.lParam);
        continue;
      }
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// ---- main-thread side --------------------------------------------------------------------------

template <class Payload>
bool CPellornThread::Exchange(CHandOver& handOver, UINT message, std::unique_ptr<Payload> payload,
                              HandOverResult& result) {
  uint32_t round = handOver.Open();
  if (!Running() ||
      !::PostThreadMessageW(m_threadId, message, round, reinterpret_cast<LPARAM>(payload.get()))) {
    handOver.Abandon(round);
    return false;
  }
  payload.release();  // the worker frees it, handled or not
  // A worker that ends without answering (it took a quit first) ends the wait too.
  std::optional<HandOverResult> given = handOver.Wait(round, m_thread.get(), true);
  if (!given) return false;
  result = *given;
  return true;
}

HResult CPellornThread::PostEngineRequest(CPacket packet) {
  HResult gone = packet.DwordAt(0) == kWorkerDisconnect ? kOk : kBackupFailed;
  HandOverResult result;
  if (!Exchange(m_requestDone, WM_WORKER_ENGINEREQUEST, std::make_unique<CPacket>(std::move(packet)), result))
    return gone;
  return static_cast<HResult>(result.word);
}

HResult CPellornThread::PostSecurityPrompt(bool& always, const PromptTexts& texts) {
  always = false;
  HandOverResult result;
  if (!Exchange(m_promptDone, WM_WORKER_SECURITYPROMPT, std::make_unique<PromptTexts>(texts), result))
    return kClientNotTrusted;
  always = result.second != 0;
  return static_cast<HResult>(result.word);
}

bool CPellornThread::SetAnswer(uint32_t clientAnswer) {
  return m_handler->SetAnswer(MapOperationAnswer(clientAnswer));
}

void CPellornThread::RequestCancel() { m_handler->RequestCancel(); }

HResult DisconnectBackupEngine() {
  CPellornThread* worker = CPellornThread::Instance();
  if (!worker) return kOk;
  CPacket request;
  request.AddDword(kWorkerDisconnect);
  return worker->PostEngineRequest(std::move(request));
}

// ---- worker side -------------------------------------------------------------------------------

void CPellornThread::OnSecurityPrompt(uint32_t round, LPARAM lParam) {
  std::unique_ptr<PromptTexts> texts(reinterpret_cast<PromptTexts*>(lParam));
  HandOverResult result{static_cast<uint32_t>(kClientNotTrusted), 0};
  try {
    if (texts) {
      CSecurityDlg dialog(m_resources, *texts);
      dialog.DoModal(nullptr);
      result = {static_cast<uint32_t>(dialog.Result()), dialog.Always() ? 1u : 0u};
    }
  } catch (...) {
    result = {static_cast<uint32_t>(kClientNotTrusted), 0};
  }
  m_promptDone.Give(round, result);
}

void CPellornThread::OnEngineRequest(uint32_t round, LPARAM lParam) {
  CPacket packet(std::unique_ptr<CPacket>(reinterpret_cast<CPacket*>(lParam)));
  HResult result = kOk;
  try {
    switch (packet.GetDword()) {
      case kWorkerConnect:
        result = Connect();
        break;
      case kWorkerDisconnect:
        result = Disconnect();
        break;
      case kWorkerCallEngine: {
        std::u16string device = packet.GetString();
        uint32_t archives = packet.GetDword();
        std::u16string drive = packet.GetString();
        result = CallEngine(device, archives, drive);
        break;
      }
      default:
        result = kOk;
        break;
    }
  } catch (const std::bad_alloc&) {
    result = kOutOfMemory;
  } catch (...) {
    result = kBackupFailed;
  }
  m_requestDone.Give(round, {static_cast<uint32_t>(result), 0});
}

HResult CPellornThread::Connect() {
  m_handler->SetOwnerWindow(m_eventWindow ? m_eventWindow : EngineWindow());
  if (!m_backup && !CreateForEngineProcess(CLSID_ECBackupEngine, m_backup)) return kBackupFailed;
  if (!m_advised) {
    if (FAILED(m_backup->Advise(m_handler.Get()))) return kBackupFailed;
    m_advised = true;
    // The backup engine takes a moment after the advise before it accepts work.
    ::Sleep(LimitMilliseconds(Limit::BackupConnectPause));
  }
  return kOk;
}

HResult CPellornThread::Disconnect() {
  if (m_advised) {
    m_advised = false;
    // A question still waiting would block EPOC Connect's thread for good once nothing answers it.
    m_handler->ReleaseQuestion();
  }
  m_backup.Reset();
  return kOk;
}

HResult CPellornThread::CallEngine(const std::u16string& device, uint32_t archives,
                                   const std::u16string& drive) {
  if (!m_backup) return kBackupFailed;
  win::UniqueBstr deviceText(device), driveText(drive);
  return m_backup->StartBackup(deviceText.get(), static_cast<LONG>(archives), nullptr, driveText.get());
}

}  // namespace orvel::engine
