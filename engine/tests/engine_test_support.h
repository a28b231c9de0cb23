// Helpers of the engine's end-to-end tests: the engine process, sample-client processes, a test
// client with its recording callback, and the simulated device's state file.
#pragma once

#include <windows.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "outside/sampleclient/client_callback.h"
#include "support/win/com.h"
#include "support/win/handle.h"
#include "vantrel.h"

namespace orvel::engine::test {

using win::ComPtr;

// The program's one COM apartment, entered on the main thread at start-up; tests assert it.
HRESULT ProgramApartment();

// The engine's limits that every test shortens (ORVEL_LIMITS entries).
inline constexpr wchar_t kShortLimits[] =
    L"Vantrel.IdleShutdown=1500,Vantrel.TearDownPause=100,Vantrel.PollTimer=200,Vantrel.ClientGrace=3000";

// Sets ORVEL_LIMITS to the shortened limits and any further entries ("Vantrel.Name=ms,..."), for
// the engines that start from now on. An entry that names no limit of the engine or Tessmark ends
// the program.
void SetLimits(const std::wstring& moreLimits);

// Sets the shortened limits (and any further ones) and a device root of this test program before
// anything starts the engine; call once from a static initialiser of the program.
void PrepareEnvironment(const wchar_t* moreLimits = nullptr);

// A configuration whose bad value makes the engine ask the open client, so that the operation
// waits until it is answered or cancelled.
inline constexpr char16_t kWaitingConfiguration[] =
    u"<?xml version=\"1.0\"?><Settings><IAPSettings><PreferredConnection op=\"update\"></PreferredConnection>"
    u"</IAPSettings></Settings>";
std::filesystem::path DeviceRoot();
// Rewrites one key of the simulated device's state file.
void SetDeviceState(const std::string& key, const std::string& value);

// The engine's stored list of always-trusted client names ("Secured Clients"); an empty list
// removes the value. The engine reads it when it starts. PrepareEnvironment trusts the names that
// the tests open with, so that no prompt waits for an answer in tests that are not about trust.
void SetTrustedClients(const std::vector<std::u16string>& names);
std::optional<std::vector<std::u16string>> ReadTrustedClients();

// The running engine's process id (0 when none), and waiting for it to end.
DWORD EngineProcessId();
bool WaitEngineGone(DWORD ms);

// A Windows path of a file built beside the tests (CMake gives Unix paths).
std::wstring WindowsPath(const std::string& unixPath);

// Pumps this thread's messages until done() or ms.
bool PumpUntil(const std::function<bool()>& done, DWORD ms);

// One sample-client process (or another program) and the lines it prints.
class CSampleProcess {
 public:
  explicit CSampleProcess(const std::vector<std::wstring>& args);
  CSampleProcess(const std::wstring& program, const std::vector<std::wstring>& args);
  ~CSampleProcess();
  bool Started() const { return static_cast<bool>(m_process); }
  DWORD ProcessId() const { return m_pid; }
  // Waits (pumping) for a line that starts with prefix; gives the line or "" on timeout.
  std::string WaitLine(const std::string& prefix, DWORD ms);
  bool WaitExit(DWORD ms);
  void Kill();
  std::vector<std::string> Lines();

 private:
  void ReadOutput();

  win::UniqueKernelHandle m_process;
  win::UniqueKernelHandle m_output;
  DWORD m_pid = 0;
  std::thread m_reader;
  std::mutex m_lock;
  std::vector<std::string> m_lines;
};

// Listens, as a debugger's output window does, to the texts that programs pass to
// OutputDebugString while it lives.
class CDebugOutput {
 public:
  CDebugOutput();
  ~CDebugOutput();
  bool Listening() const { return m_listening; }
  // Waits for a text that holds part; gives it, or "" after ms.
  std::string WaitText(const std::string& part, DWORD ms);

 private:
  void Listen();

  win::UniqueKernelHandle m_bufferReady, m_dataReady, m_mapping, m_stop;
  void* m_view = nullptr;
  bool m_listening = false;
  std::thread m_thread;
  std::mutex m_lock;
  std::vector<std::string> m_texts;
};

// A client in this process: one TerminalManagerExt with a recording callback.
class CTestClient {
 public:
  // With details the client names itself with this process; with advise it registers the callback.
  explicit CTestClient(bool details = true, bool advise = true, const wchar_t* name = L"Test Client");
  ITerminalManagerExt* operator->() const { return m_manager.Get(); }
  ITerminalManagerExt* Get() const { return m_manager.Get(); }
  HRESULT CreateResult() const { return m_create; }
  HRESULT AdviseResult() const { return m_advise; }
  long Cookie() const { return m_cookie; }
  sampleclient::CClientCallback& Callback() const { return *m_callback.Get(); }
  // Waits for a callback line that starts with prefix, after the first `from` lines.
  bool WaitCallback(const std::string& prefix, DWORD ms, size_t from = 0);
  // The state word, or -1 on failure.
  long State();
  // Waits (pumping) until the engine reports the device connected: a newly started engine connects
  // on its first polls.
  bool WaitDevice(DWORD ms);
  void Release() { m_manager.Reset(); }

 private:
  ComPtr<ITerminalManagerExt> m_manager;
  ComPtr<sampleclient::CClientCallback> m_callback;
  HRESULT m_create = E_FAIL;
  HRESULT m_advise = E_FAIL;
  long m_cookie = 0;
};

}  // namespace orvel::engine::test
