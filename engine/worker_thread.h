// The engine's worker thread, CPellornThread: a thread of the multithreaded apartment that owns EPOC
// Connect's backup engine object and its sink, and shows the client trust prompt so that the modal
// dialog does not run on the main thread. The main thread hands work over by thread messages and
// blocks until the worker gives the result back.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "econnect.h"
#include "engine/backup_handler.h"
#include "engine/engine_codes.h"
#include "engine/hand_over.h"
#include "engine/packet.h"
#include "engine/trust.h"
#include "support/win/com.h"
#include "support/win/handle.h"

namespace orvel::engine {

// Thread messages of the worker.
inline constexpr UINT WM_WORKER_SECURITYPROMPT = WM_APP + 1;
inline constexpr UINT WM_WORKER_ENGINEREQUEST = WM_APP + 2;

// First item (kind) of a WM_WORKER_ENGINEREQUEST packet.
inline constexpr uint32_t kWorkerConnect = 1;
inline constexpr uint32_t kWorkerDisconnect = 2;
// Then: string device name (empty: the connected device), DWORD number of archives, string drive.
inline constexpr uint32_t kWorkerCallEngine = 3;

class CPellornThread {
 public:
  CPellornThread();
  ~CPellornThread();
  CPellornThread(const CPellornThread&) = delete;
  CPellornThread& operator=(const CPellornThread&) = delete;

  // The one worker of the engine program, or null before Start and after Stop.
  static CPellornThread* Instance();

  // Starts the thread and waits until it takes messages. eventWindow receives the backup sink's
  // packets; null means the engine window at the time of Connect. resources is the module that
  // holds the trust prompt's template and icon (null: the program).
  bool Start(HWND eventWindow = nullptr, HINSTANCE resources = nullptr);
  // Asks the thread to end and waits for it; it releases the backup engine object on its way out.
  void Stop();
  bool Running() const;
  DWORD ThreadId() const { return m_threadId; }

  // Main-thread side; each blocks until the worker has given the result, or has ended. A worker
  // that is not running answers at once: 0x800400A6 for connect and engine calls, S_OK for a
  // disconnect (nothing is held any more).
  HResult PostEngineRequest(CPacket packet);
  // Shows the prompt on the worker and gives its result (S_OK trusted, 0x80040029 refused) and
  // whether "always" was chosen.
  HResult PostSecurityPrompt(bool& always, const PromptTexts& texts);
  // Hands the client's answer bits to the backup question that waits: the one place where they
  // become the backup engine's answer (MapOperationAnswer). False when no question waits.
  bool SetAnswer(uint32_t clientAnswer);
  // Sets the sink's cancel flag: the next event tells the backup engine to stop.
  void RequestCancel();

  CBackupHandler& Handler() { return *m_handler.Get(); }

 private:
  static DWORD WINAPI Run(void* self);
  void Loop();
  void OnSecurityPrompt(uint32_t round, LPARAM lParam);
  void OnEngineRequest(uint32_t round, LPARAM lParam);
  HResult Connect();
  HResult Disconnect();
  HResult CallEngine(const std::u16string& device, uint32_t archives, const std::u16string& drive);
  // Posts message with its payload and waits for the worker's result on handOver; false when the
  // worker is not running or ended without giving one.
  template <class Payload>
  bool Exchange(CHandOver& handOver, UINT message, std::unique_ptr<Payload> payload, HandOverResult& result);

  win::UniqueKernelHandle m_thread;
  DWORD m_threadId = 0;
  win::UniqueKernelHandle m_ready;
  HWND m_eventWindow = nullptr;
  HINSTANCE m_resources = nullptr;
  win::ComPtr<CBackupHandler> m_handler;
  // Worker side: the backup engine object and whether the sink is advised to it.
  win::ComPtr<IECBackupEngine> m_backup;
  bool m_advised = false;
  // One hand-over for each kind of wait of the main thread.
  CHandOver m_requestDone;
  CHandOver m_promptDone;
};

// Has the worker let go of the backup engine (S_OK also without a worker: nothing is held).
HResult DisconnectBackupEngine();

}  // namespace orvel::engine
