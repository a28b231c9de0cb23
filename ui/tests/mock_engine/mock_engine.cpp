// A scripted engine for the user-interface tests: an in-process server of the engine's class that
// logs every call and, once a configuration is sent, plays a script of callbacks from a timer on
// the caller's thread. Registered only for the tests that use it.
//
// ORVEL_MOCK_ENGINE_SCRIPT names the script (UTF-8, read afresh for every object and every send),
// one command a line; ORVEL_MOCK_ENGINE_LOG names the log, one line per call appended.
//   create <code>             creating the object fails with the code
//   fail <Method> <code>      the method answers the code
//   state <n>                 what GetState answers (1 by default)
//   deviceinfo <text>         what GetDeviceInfo answers
//   client <text>             what GetOpenClient answers (the rest of the line, blanks kept)
//   late                      after UnAdviseCallback the callback is kept and called once more
// and the steps played one a tick after a successful SendConfiguration:
//   progress <stage> <percent> [tag]
//   statechanged <n>
//   ask <code> <answers> <tag> [value]  OnError, then wait for an offered answer (Cancel gives 4)
//   tell <code> <answers> <tag> [value]  OnError without waiting for the answer
//   gate                      wait until the test sets the event named by ORVEL_MOCK_ENGINE_GATE
//   hold                      wait for Cancel
//   done <code>               OnDone; the play ends
//   die                       every call fails from now on as if the server's process had gone
#include <windows.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "interfaces/vantrel_codes.h"
#include "support/u16text.h"
#include "support/win/com.h"
#include "support/win/handle.h"
#include "support/win/wide.h"
#include "vantrel.h"

using namespace orvel;

namespace {

constexpr UINT kTick = 20;
constexpr HRESULT kServerGone = static_cast<HRESULT>(0x800706BA);  // RPC_S_SERVER_UNAVAILABLE
constexpr long kStopAnswer = 4;

std::string Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
  return length && length < MAX_PATH ? AsUtf8(win::FromWide(value)) : std::string();
}

void Log(const std::string& line) {
  const std::string path = Environment(L"ORVEL_MOCK_ENGINE_LOG");
  if (path.empty()) return;
  HANDLE file = ::CreateFileW(win::AsWide(FromUtf8(path)).c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(hr));
  return text;
}

HRESULT ParseCode(const std::string& text) { return static_cast<HRESULT>(std::stoul(text, nullptr, 0)); }

std::string Narrow(BSTR text) { return AsUtf8(win::FromBstr(text)); }

struct Script {
  HRESULT create = S_OK;
  std::map<std::string, HRESULT> failures;
  long state = 1;
  std::string deviceInfo;
  std::string client;
  bool late = false;
  std::vector<std::vector<std::string>> steps;  // words; the last word of ask and progress is the rest
};

// The rest of a line after `words` words and the blank behind them.
std::string Rest(const std::string& line, size_t words) {
  size_t at = 0;
  for (size_t i = 0; i < words; ++i) {
    at = line.find(' ', at);
    if (at == std::string::npos) return {};
    ++at;
  }
  return line.substr(at);
}

Script ReadScript() {
  Script script;
  const std::string path = Environment(L"ORVEL_MOCK_ENGINE_SCRIPT");
  if (path.empty()) return script;
  HANDLE file = ::CreateFileW(win::AsWide(FromUtf8(path)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return script;
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read) text.append(buffer, read);
  ::CloseHandle(file);
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command.empty() || command[0] == '#') continue;
    if (command == "create") {
      std::string code;
      in >> code;
      script.create = ParseCode(code);
    } else if (command == "fail") {
      std::string method, code;
      in >> method >> code;
      script.failures[method] = ParseCode(code);
    } else if (command == "state") {
      in >> script.state;
    } else if (command == "deviceinfo") {
      script.deviceInfo = Rest(line, 1);
    } else if (command == "client") {
      script.client = Rest(line, 1);
    } else if (command == "late") {
      script.late = true;
    } else {
      std::vector<std::string> step{command};
      std::string word;
      if (command == "progress" || command == "ask" || command == "tell") {
        // Two numbers, then the rest of the line: the tag (and for a question its value).
        for (size_t i = 0; i < 2 && in >> word; ++i) step.push_back(word);
        step.push_back(Rest(line, 3));
      } else if (in >> word) {
        step.push_back(word);
      }
      script.steps.push_back(std::move(step));
    }
  }
  return script;
}

class CMockEngine;
std::map<UINT_PTR, CMockEngine*>& Timers() {
  static std::map<UINT_PTR, CMockEngine*> timers;
  return timers;
}

class CMockEngine : public win::CComObject<ITerminalManagerExt> {
 public:
  explicit CMockEngine(Script script) : m_script(std::move(script)) {}
  ~CMockEngine() override {
    Stop();
    Log("Release");
  }

  ORVEL_DISPATCH_BY_VTABLE_ONLY

  HRESULT STDMETHODCALLTYPE SetClientDetails(long process, BSTR name) override {
    return Call("SetClientDetails", std::to_string(process) + " " + Narrow(name));
  }
  HRESULT STDMETHODCALLTYPE AdviseCallback(IUnknown* callback, long* cookie) override {
    HRESULT hr = Call("AdviseCallback");
    if (FAILED(hr)) return hr;
    if (!callback || !cookie) return E_POINTER;
    callback->QueryInterface(IID_ITerminalManagerExtCallback,
                             reinterpret_cast<void**>(m_callback.ReleaseAndGetAddressOf()));
    *cookie = 7;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE UnAdviseCallback(long cookie) override {
    HRESULT hr = Call("UnAdviseCallback", std::to_string(cookie));
    if (m_script.late && m_callback) {
      // A misbehaving engine: it calls the callback once more after letting it go.
      m_late = true;
      StartTimer();
    } else {
      Stop();
      m_callback.Reset();
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetState(long* state) override {
    HRESULT hr = Call("GetState", {}, false);
    if (SUCCEEDED(hr) && state) *state = m_script.state;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetTerminalManagerInfo(BSTR* info) override {
    *info = nullptr;
    return Call("GetTerminalManagerInfo");
  }
  HRESULT STDMETHODCALLTYPE GetDeviceInfo(BSTR* info) override {
    HRESULT hr = Call("GetDeviceInfo", {}, false);
    *info = SUCCEEDED(hr) ? win::UniqueBstr(FromUtf8(m_script.deviceInfo)).release() : nullptr;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetOpenClient(BSTR* client) override {
    HRESULT hr = Call("GetOpenClient");
    *client = SUCCEEDED(hr) ? win::UniqueBstr(FromUtf8(m_script.client)).release() : nullptr;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetLocalizedPath(long, BSTR* path) override {
    *path = nullptr;
    return Call("GetLocalizedPath");
  }
  HRESULT STDMETHODCALLTYPE SetSecurityMessage(BSTR, BSTR, BSTR, BSTR) override {
    return Call("SetSecurityMessage");
  }
  HRESULT STDMETHODCALLTYPE SetLogDescription(BSTR text) override {
    return Call("SetLogDescription", Narrow(text));
  }
  HRESULT STDMETHODCALLTYPE OpenTerminalManager(BSTR file) override {
    return Call("OpenTerminalManager", Narrow(file));
  }
  HRESULT STDMETHODCALLTYPE Open() override { return Call("Open"); }
  HRESULT STDMETHODCALLTYPE Close() override { return Call("Close"); }
  HRESULT STDMETHODCALLTYPE Cancel() override {
    HRESULT hr = Call("Cancel");
    if (FAILED(hr)) return hr;
    if (!m_playing) return engine::kNoOperation;
    if (m_asking) {
      m_asking = false;
      Log("question answered 4 by the cancel");
    }
    // The operation ends as cancelled at the next tick.
    m_steps.assign(1, {"done", Hex(engine::kCancelled)});
    m_next = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Respond(long answer) override {
    HRESULT hr = Call("Respond", std::to_string(answer), false);
    if (SUCCEEDED(hr)) {
      if (!m_asking) {
        hr = engine::kNoQuestion;
      } else if ((static_cast<uint32_t>(answer) & m_allowed) == 0) {
        hr = engine::kAnswerNotOffered;
      } else {
        m_asking = false;
      }
    }
    Log("Respond " + std::to_string(answer) + " -> " + Hex(hr));
    return hr;
  }
  HRESULT STDMETHODCALLTYPE SendConfiguration(BSTR settings) override {
    m_script = ReadScript();
    HRESULT hr = Call("SendConfiguration", std::to_string(::SysStringLen(settings)));
    if (SUCCEEDED(hr)) {
      m_steps = m_script.steps;
      m_next = 0;
      m_playing = true;
      StartTimer();
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE SendConfigurationFile(BSTR) override { return Call("SendConfigurationFile"); }
  HRESULT STDMETHODCALLTYPE BackupDevice(BSTR, long) override { return Call("BackupDevice"); }
  HRESULT STDMETHODCALLTYPE RestoreDevice(BSTR, BSTR, long) override { return Call("RestoreDevice"); }
  HRESULT STDMETHODCALLTYPE Install(BSTR) override { return Call("Install"); }
  HRESULT STDMETHODCALLTYPE CopyFile(BSTR, BSTR, long) override { return Call("CopyFile"); }

  void Tick() {
    if (m_late) {
      PlayLate();
      return;
    }
    if (!m_playing || m_asking || !m_callback) return;
    if (m_next >= m_steps.size()) {
      m_playing = false;
      Stop();
      return;
    }
    const std::vector<std::string> step = m_steps[m_next];
    const std::string& command = step[0];
    if (command == "hold") return;  // until Cancel replaces the steps
    if (command == "gate" && !GateOpen()) return;
    ++m_next;
    auto word = [&](size_t i) { return i < step.size() ? step[i] : std::string(); };
    // The callback may run a modal loop (a box, a question) that ticks again: the step is taken
    // before the call.
    win::ComPtr<ITerminalManagerExtCallback> callback = m_callback;
    if (command == "progress") {
      win::UniqueBstr tag(FromUtf8(word(3)));
      Log("play progress " + word(1) + " " + word(2) + " " + word(3));
      callback->OnProgress(std::stol(word(1)), tag.get(), std::stol(word(2)));
    } else if (command == "statechanged") {
      m_script.state = std::stol(word(1));
      Log("play statechanged " + word(1));
      callback->OnStateChanged(m_script.state);
    } else if (command == "ask" || command == "tell") {
      const std::string rest = word(3);
      const size_t blank = rest.find(' ');
      win::UniqueBstr tag(FromUtf8(rest.substr(0, blank)));
      win::UniqueBstr value(FromUtf8(blank == std::string::npos ? std::string() : rest.substr(blank + 1)));
      m_allowed = static_cast<uint32_t>(std::stoul(word(2), nullptr, 0));
      m_asking = command == "ask";
      Log("play " + command + " " + word(1) + " " + word(2) + " " + rest);
      callback->OnError(ParseCode(word(1)), static_cast<long>(m_allowed), tag.get(), value.get());
    } else if (command == "done") {
      m_playing = false;
      Stop();
      Log("play done " + Hex(ParseCode(word(1))));
      callback->OnDone(ParseCode(word(1)));
    } else if (command == "die") {
      m_dead = true;
      m_playing = false;
      Stop();
      Log("play die");
    }
  }

 private:
  HRESULT Call(const std::string& method, const std::string& arguments = {}, bool log = true) {
    HRESULT hr = S_OK;
    if (m_dead) {
      hr = kServerGone;
    } else if (auto failure = m_script.failures.find(method); failure != m_script.failures.end()) {
      hr = failure->second;
    }
    if (log) Log(method + (arguments.empty() ? "" : " " + arguments) + " -> " + Hex(hr));
    return hr;
  }
  static bool GateOpen() {
    const std::string name = Environment(L"ORVEL_MOCK_ENGINE_GATE");
    HANDLE gate =
        name.empty() ? nullptr : ::OpenEventW(SYNCHRONIZE, FALSE, win::AsWide(FromUtf8(name)).c_str());
    if (!gate) return true;
    const bool open = ::WaitForSingleObject(gate, 0) == WAIT_OBJECT_0;
    ::CloseHandle(gate);
    return open;
  }
  void StartTimer() {
    if (m_timer) return;
    m_timer = ::SetTimer(nullptr, 0, kTick, &TimerProc);
    if (!m_timer) return;
    Timers()[m_timer] = this;
    AddRef();  // the play keeps the object
  }
  void Stop() {
    if (!m_timer) return;
    ::KillTimer(nullptr, m_timer);
    Timers().erase(m_timer);
    m_timer = 0;
    Release();
  }
  void PlayLate() {
    m_late = false;
    win::ComPtr<ITerminalManagerExtCallback> callback = std::move(m_callback);
    Stop();
    if (!callback) return;
    win::UniqueBstr tag(u"C:\\late.wav");
    callback->OnStateChanged(1);
    callback->OnProgress(3, tag.get(), 5);
    callback->OnError(engine::kFileExists, 45, tag.get(), tag.get());
    callback->OnDone(engine::kCancelled);
    Log("late callbacks delivered");
  }
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = Timers().find(id);
    if (found == Timers().end()) return;
    win::ComPtr<CMockEngine> keep(found->second);
    keep->Tick();
  }

  Script m_script;
  win::ComPtr<ITerminalManagerExtCallback> m_callback;
  std::vector<std::vector<std::string>> m_steps;
  size_t m_next = 0;
  bool m_playing = false;
  bool m_asking = false;
  uint32_t m_allowed = 0;
  bool m_dead = false;
  bool m_late = false;
  UINT_PTR m_timer = 0;
};

class CMockEngineFactory : public win::CComObject<IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return win::Guarded([&]() -> HRESULT {
      Script script = ReadScript();
      if (FAILED(script.create)) {
        Log("create -> " + Hex(script.create));
        return script.create;
      }
      Log("create -> 0x00000000");
      win::ComPtr<CMockEngine> engine = win::MakeCom<CMockEngine>(std::move(script));
      return engine ? engine->QueryInterface(iid, out) : E_OUTOFMEMORY;
    });
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      win::CModule::Lock();
    } else {
      win::CModule::Unlock();
    }
    return S_OK;
  }
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    win::CModule::SetInstance(instance);
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return win::CModule::CanUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != CLSID_TerminalManagerExt) return CLASS_E_CLASSNOTAVAILABLE;
  win::ComPtr<CMockEngineFactory> factory = win::MakeCom<CMockEngineFactory>();
  return factory ? factory->QueryInterface(iid, out) : E_OUTOFMEMORY;
}
