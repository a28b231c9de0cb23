#include "engine/module.h"

#include <objbase.h>

#include <array>
#include <string>

#include "engine/client.h"
#include "engine/engine_limits.h"
#include "engine/engine_wnd.h"
#include "engine/server.h"
#include "engine/worker_thread.h"
#include "support/win/com.h"
#include "support/win/handle.h"
#include "support/win/limits.h"
#include "support/win/local_server.h"
#include "support/win/registrar.h"
#include "support/win/registry.h"
#include "vantrel.h"

namespace orvel::engine {

namespace {

LONG g_locks = 0;
volatile LONG g_activity = 0;
volatile LONG g_stopping = 0;
DWORD g_mainThread = 0;
HANDLE g_shutdownEvent = nullptr;

// Registration scripts among the program's resources.
constexpr UINT kAppIdScript = 100;
constexpr UINT kTerminalManagerExtScript = 101;
constexpr UINT kTerminalManagerServerScript = 102;

// The engine object is not handed out: its class object exists, but creating it from outside is
// refused, so that no client holds the engine object past the server's life.
HRESULT CreateEngineObject(REFIID, void** out) {
  if (out) *out = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

const std::array<win::ClassEntry, 2> kObjectMap = {{
    {&CLSID_TerminalManagerExt, &CTerminalManagerExt::Create},
    {&CLSID_TerminalManager, &CreateEngineObject},
}};

void LockFromFactory() { CExeModule::Lock(); }
void UnlockFromFactory() { CExeModule::Unlock(); }

std::wstring ModulePath() { return win::CModule::Path(); }

bool SameNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

LONG CExeModule::Lock() { return ::InterlockedIncrement(&g_locks); }

LONG CExeModule::Unlock() {
  LONG left = ::InterlockedDecrement(&g_locks);
  if (left == 0) {
    ::InterlockedExchange(&g_activity, 1);
    if (g_shutdownEvent) ::SetEvent(g_shutdownEvent);
  }
  return left;
}

LONG CExeModule::LockCount() { return ::InterlockedCompareExchange(&g_locks, 0, 0); }

bool CExeModule::Stopping() { return ::InterlockedCompareExchange(&g_stopping, 0, 0) != 0; }

bool CExeModule::StartMonitor() {
  g_shutdownEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!g_shutdownEvent) return false;
  DWORD id = 0;
  HANDLE thread = ::CreateThread(nullptr, 0, &CExeModule::MonitorShutdown, nullptr, 0, &id);
  if (!thread) return false;
  ::CloseHandle(thread);
  return true;
}

DWORD WINAPI CExeModule::MonitorShutdown(void*) {
  for (;;) {
    ::WaitForSingleObject(g_shutdownEvent, INFINITE);
    DWORD wait;
    do {
      ::InterlockedExchange(&g_activity, 0);
      wait = ::WaitForSingleObject(g_shutdownEvent, LimitMilliseconds(Limit::IdleShutdown));
    } while (wait == WAIT_OBJECT_0);
    if (::InterlockedCompareExchange(&g_activity, 0, 0) == 0 && LockCount() <= 0) {
      // The main thread checks again before it ends: an activation may arrive after this post.
      ::PostThreadMessageW(g_mainThread, WM_QUIT, 0, 0);
    }
  }
}

size_t FindOneOf(std::wstring_view text, std::wstring_view characters) {
  size_t at = text.find_first_of(characters);
  return at == std::wstring_view::npos ? std::wstring_view::npos : at + 1;
}

int FindRegistrationSwitch(std::wstring_view commandLine) {
  std::wstring_view rest = commandLine;
  for (;;) {
    size_t at = FindOneOf(rest, L"-/");
    if (at == std::wstring_view::npos) return 0;
    rest = rest.substr(at);
    // The switch runs to the end of the command line, as the comparison covers all of it.
    std::wstring_view word = rest;
    while (!word.empty() && (word.back() == L' ' || word.back() == L'\t' || word.back() == L'"'))
      word.remove_suffix(1);
    if (SameNoCase(word, L"UnregServer")) return -1;
    if (SameNoCase(word, L"RegServer")) return 1;
  }
}

HRESULT RegisterServer() {
  std::wstring module = ModulePath();
  const win::ScriptReplacement replacements[] = {{L"MODULE", module}};
  HINSTANCE instance = win::CModule::Instance();
  HRESULT hr = win::RunRegistrationResource(instance, kAppIdScript, true, replacements);
  if (SUCCEEDED(hr))
    hr = win::RunRegistrationResource(instance, kTerminalManagerExtScript, true, replacements);
  if (SUCCEEDED(hr))
    hr = win::RunRegistrationResource(instance, kTerminalManagerServerScript, true, replacements);
  if (SUCCEEDED(hr)) hr = win::RegisterModuleTypeLib();
  return hr;
}

HRESULT UnregisterServer() {
  std::wstring module = ModulePath();
  const win::ScriptReplacement replacements[] = {{L"MODULE", module}};
  HINSTANCE instance = win::CModule::Instance();
  HRESULT result = win::RunRegistrationResource(instance, kAppIdScript, false, replacements);
  for (UINT script : {kTerminalManagerExtScript, kTerminalManagerServerScript}) {
    HRESULT hr = win::RunRegistrationResource(instance, script, false, replacements);
    if (SUCCEEDED(result)) result = hr;
  }
  HRESULT hr = win::UnregisterModuleTypeLib(LIBID_TerminalManagerExtLib, 1, 0);
  return SUCCEEDED(result) ? hr : result;
}

// The command line in its ANSI form, which every system has; the switches read from it are plain
// letters.
std::wstring CommandLine() {
  const char* ansi = ::GetCommandLineA();
  int units = ::MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
  if (units <= 0) return {};
  std::wstring text(static_cast<size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi, -1, text.data(), units);
  text.resize(static_cast<size_t>(units) - 1);
  return text;
}

int RunVantrel() {
  std::wstring line = CommandLine();
  std::wstring_view commandLine = line;
  HRESULT hr = ::CoInitialize(nullptr);
  if (FAILED(hr)) return hr;
  g_mainThread = ::GetCurrentThreadId();
  ApplyLimitOverrides(win::LimitsOverrideText());

  int registration = FindRegistrationSwitch(commandLine);
  if (registration != 0) {
    hr = registration > 0 ? RegisterServer() : UnregisterServer();
    ::CoUninitialize();
    return hr;
  }

  int result = 0;
  {
    CEngineWnd window;
    CPellornThread worker;
    win::CLocalServerClasses classes(kObjectMap, {&LockFromFactory, &UnlockFromFactory});
    if (!CTerminalManagerServer::CreateInstance() || !worker.Start() || !window.Create() ||
        !CExeModule::StartMonitor()) {
      result = E_FAIL;
    } else if (FAILED(hr = classes.Register())) {
      result = hr;
    } else {
      // Nothing holds the server until the activation that started it has made its object; an
      // idle period then ends a server that nobody uses.
      if (CExeModule::LockCount() == 0 && g_shutdownEvent) ::SetEvent(g_shutdownEvent);
      MSG message;
      for (;;) {
        BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
          // The monitor's quit: an activation that came in after its decision keeps the server.
          if (CExeModule::LockCount() > 0) continue;
          ::InterlockedExchange(&g_stopping, 1);
          // Revoked at once, so that no activation reaches a server that is going away.
          classes.Revoke();
          break;
        }
        ::DispatchMessageW(&message);
      }
    }
    classes.Revoke();
    ::InterlockedExchange(&g_stopping, 1);
    // The worker lets go of the backup engine as it ends; the engine's disconnect below then finds
    // it gone and does not wait for it.
    worker.Stop();
    window.Destroy();
    CTerminalManagerServer::DestroyInstance();
    ::Sleep(LimitMilliseconds(Limit::TearDownPause));
  }
  ::CoUninitialize();
  return result;
}

}  // namespace orvel::engine
