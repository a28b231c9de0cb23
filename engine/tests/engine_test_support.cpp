#include "engine/tests/engine_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

#include "engine/engine_limits.h"
#include "engine/engine_wnd.h"
#include "engine/secured_clients.h"
#include "engine/trust.h"
#include "support/u16text.h"
#include "support/win/command_line.h"
#include "support/win/wide.h"
#include "transport/durations.h"

namespace orvel::engine::test {

namespace fs = std::filesystem;

namespace {

fs::path g_root;

// One apartment for the whole program, entered on the main thread before any test. An apartment
// torn down between tests while the engine still releases the last test's callback into it can
// deadlock Wine's COM (the release that ends the old apartment waits on the new one's marshalling).
const HRESULT g_apartment = ::CoInitialize(nullptr);

}  // namespace

void SetLimits(const std::wstring& moreLimits) {
  std::wstring limits = kShortLimits;
  if (!moreLimits.empty()) limits += L"," + moreLimits;
  // Every entry must name a limit of the engine or of Tessmark: a misspelt one would leave a test
  // waiting for the built-in limit while it believes it shortened.
  std::string text = AsUtf8(win::FromWide(limits));
  CLimitTable tessmark(tessmark::kLimitsDeliverable, tessmark::kDurations);
  std::string ignored = ApplyLimitOverrides(text) + tessmark.Apply(text);
  ResetLimits();
  for (std::string_view rest = text; !rest.empty();) {
    std::string_view entry = rest.substr(0, rest.find(','));
    rest.remove_prefix(std::min(rest.size(), entry.size() + 1));
    std::string_view owner = entry.substr(0, entry.find('.'));
    if (owner != kLimitsDeliverable && owner != tessmark::kLimitsDeliverable) ignored += std::string(entry);
  }
  if (!ignored.empty()) {
    std::fprintf(stderr, "limits that no deliverable knows: %s\n", ignored.c_str());
    std::abort();
  }
  ::SetEnvironmentVariableW(L"ORVEL_LIMITS", limits.c_str());
}

void PrepareEnvironment(const wchar_t* moreLimits) {
  SetLimits(moreLimits ? moreLimits : L"");
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  g_root = fs::path(temp) / (L"vantrel-test-" + std::to_wstring(::GetCurrentProcessId()));
  // Wine gives a test program the same process id again in the next run: its root starts empty.
  std::error_code error;
  fs::remove_all(g_root, error);
  fs::create_directories(g_root / "c");
  fs::create_directories(g_root / "d");
  std::ofstream(g_root / "state.txt") << "connected=1\nname=TestFarlink\nimei=350123456789012\n";
  ::SetEnvironmentVariableW(L"ECONNECT_DEVICE_ROOT", g_root.wstring().c_str());
  SetTrustedClients({u"Test Client", u"Sample Client", u"Other Client", u"Opener", u"Sender"});
}

void SetTrustedClients(const std::vector<std::u16string>& names) {
  win::UniqueRegKey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kSecuredClientsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.out(), nullptr) != ERROR_SUCCESS)
    return;
  if (names.empty()) {
    ::RegDeleteValueW(key.get(), kSecuredClientsValue);
    return;
  }
  Bytes data = SerializeSecuredClients(names);
  ::RegSetValueExW(key.get(), kSecuredClientsValue, 0, REG_BINARY, data.data(),
                   static_cast<DWORD>(data.size()));
}

std::optional<std::vector<std::u16string>> ReadTrustedClients() {
  win::UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kSecuredClientsKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.get(), kSecuredClientsValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_BINARY)
    return std::nullopt;
  Bytes data(size);
  if (::RegQueryValueExW(key.get(), kSecuredClientsValue, nullptr, &type, data.data(), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  data.resize(size);
  return ParseSecuredClients(data);
}

HRESULT ProgramApartment() { return g_apartment; }

fs::path DeviceRoot() { return g_root; }

void SetDeviceState(const std::string& key, const std::string& value) {
  std::ifstream in(g_root / "state.txt");
  std::string line, text;
  bool found = false;
  while (std::getline(in, line)) {
    if (line.rfind(key + "=", 0) == 0) {
      line = key + "=" + value;
      found = true;
    }
    text += line + "\n";
  }
  in.close();
  if (!found) text += key + "=" + value + "\n";
  std::ofstream(g_root / "state.txt", std::ios::trunc) << text;
}

DWORD EngineProcessId() {
  HWND window = ::FindWindowW(kEngineWindowClass, kEngineWindowName);
  DWORD pid = 0;
  if (window) ::GetWindowThreadProcessId(window, &pid);
  return pid;
}

bool WaitEngineGone(DWORD ms) {
  DWORD pid = EngineProcessId();
  if (!pid) return true;
  win::UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  if (!process) return EngineProcessId() == 0;
  return PumpUntil([&] { return ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }, ms);
}

std::wstring WindowsPath(const std::string& unixPath) {
  std::wstring path = L"Z:";
  for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) { return sampleclient::PumpMessages(ms, done); }

CSampleProcess::CSampleProcess(const std::vector<std::wstring>& args)
    : CSampleProcess(WindowsPath(ORVEL_SAMPLECLIENT), args) {}

CSampleProcess::CSampleProcess(const std::wstring& program, const std::vector<std::wstring>& args) {
  std::wstring command = win::QuotedArgument(program);
  for (const std::wstring& arg : args) command += L" " + win::QuotedArgument(arg);
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!::CreatePipe(&read, &write, &inherit, 0)) return;
  ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  m_output.reset(read);
  win::UniqueKernelHandle writeEnd(write);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = write;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
    return;
  ::CloseHandle(info.hThread);
  m_process.reset(info.hProcess);
  m_pid = info.dwProcessId;
  writeEnd.reset();
  m_reader = std::thread([this] { ReadOutput(); });
}

CSampleProcess::~CSampleProcess() {
  if (m_process && ::WaitForSingleObject(m_process.get(), 0) != WAIT_OBJECT_0) Kill();
  if (m_reader.joinable()) m_reader.join();
}

void CSampleProcess::ReadOutput() {
  std::string pending;
  char buffer[512];
  DWORD got = 0;
  while (::ReadFile(m_output.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending.erase(0, end + 1);
      std::lock_guard<std::mutex> guard(m_lock);
      m_lines.push_back(line);
    }
  }
}

std::vector<std::string> CSampleProcess::Lines() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_lines;
}

std::string CSampleProcess::WaitLine(const std::string& prefix, DWORD ms) {
  std::string found;
  PumpUntil(
      [&] {
        for (const std::string& line : Lines())
          if (line.rfind(prefix, 0) == 0) {
            found = line;
            return true;
          }
        return false;
      },
      ms);
  return found;
}

bool CSampleProcess::WaitExit(DWORD ms) {
  return PumpUntil([&] { return !m_process || ::WaitForSingleObject(m_process.get(), 0) == WAIT_OBJECT_0; },
                   ms);
}

void CSampleProcess::Kill() {
  if (m_process) {
    ::TerminateProcess(m_process.get(), 9);
    ::WaitForSingleObject(m_process.get(), 10000);
  }
}

CDebugOutput::CDebugOutput() {
  m_bufferReady.reset(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"));
  m_dataReady.reset(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
  m_mapping.reset(
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER"));
  m_stop.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (m_mapping) m_view = ::MapViewOfFile(m_mapping.get(), FILE_MAP_READ, 0, 0, 4096);
  m_listening = m_bufferReady && m_dataReady && m_stop && m_view;
  if (m_listening) m_thread = std::thread([this] { Listen(); });
}

CDebugOutput::~CDebugOutput() {
  if (m_stop) ::SetEvent(m_stop.get());
  if (m_thread.joinable()) m_thread.join();
  if (m_view) ::UnmapViewOfFile(m_view);
}

void CDebugOutput::Listen() {
  // The buffer holds the writer's process id and then its text.
  HANDLE waits[] = {m_dataReady.get(), m_stop.get()};
  ::SetEvent(m_bufferReady.get());
  while (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
    const char* text = static_cast<const char*>(m_view) + sizeof(DWORD);
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_texts.emplace_back(text, strnlen(text, 4096 - sizeof(DWORD)));
    }
    ::SetEvent(m_bufferReady.get());
  }
}

std::string CDebugOutput::WaitText(const std::string& part, DWORD ms) {
  std::string found;
  PumpUntil(
      [&] {
        std::lock_guard<std::mutex> guard(m_lock);
        for (const std::string& text : m_texts)
          if (text.find(part) != std::string::npos) {
            found = text;
            return true;
          }
        return false;
      },
      ms);
  return found;
}

CTestClient::CTestClient(bool details, bool advise, const wchar_t* name) {
  m_create = ::CoCreateInstance(CLSID_TerminalManagerExt, nullptr, CLSCTX_LOCAL_SERVER,
                                IID_ITerminalManagerExt, reinterpret_cast<void**>(m_manager.GetAddressOf()));
  m_callback = win::MakeCom<sampleclient::CClientCallback>();
  if (FAILED(m_create)) return;
  if (details) {
    win::UniqueBstr text(std::u16string(name, name + wcslen(name)));
    m_manager->SetClientDetails(static_cast<long>(::GetCurrentProcessId()), text.get());
  }
  if (advise)
    m_advise =
        m_manager->AdviseCallback(static_cast<ITerminalManagerExtCallback*>(m_callback.Get()), &m_cookie);
}

bool CTestClient::WaitCallback(const std::string& prefix, DWORD ms, size_t from) {
  return PumpUntil(
      [&] {
        std::vector<std::string> lines = m_callback->Lines();
        for (size_t i = from; i < lines.size(); ++i)
          if (lines[i].rfind(prefix, 0) == 0) return true;
        return false;
      },
      ms);
}

long CTestClient::State() {
  long state = -1;
  if (!m_manager || FAILED(m_manager->GetState(&state))) return -1;
  return state;
}

bool CTestClient::WaitDevice(DWORD ms) {
  return PumpUntil([&] { return State() != -1 && (State() & 1) != 0; }, ms);
}

}  // namespace orvel::engine::test
