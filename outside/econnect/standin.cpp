#include "outside/econnect/standin.h"

#include <process.h>

#include <fstream>
#include <vector>

#include "support/win/registry.h"
#include "support/win/wide.h"

namespace orvel::econnect {

namespace fs = std::filesystem;

fs::path DeviceRoot() {
  wchar_t buffer[MAX_PATH * 2] = {};
  DWORD n = ::GetEnvironmentVariableW(kDeviceRootVariable, buffer, MAX_PATH * 2);
  if (n > 0 && n < MAX_PATH * 2) return fs::path(buffer);
  if (auto value = win::ReadRegString(HKEY_LOCAL_MACHINE, kStandInKey, kDeviceRootValue);
      value && !value->empty())
    return fs::path(*value);
  return fs::path(win::CModule::Path()).parent_path() / L"device";
}

CDeviceState State() { return CDeviceState::Load(DeviceRoot()); }

bool DeviceConnected() { return State().Connected(); }

bool TakeServerLoss() {
  // The knob is shared by every object of every process, so it is read and written under one
  // named mutex.
  win::UniqueKernelHandle mutex(::CreateMutexW(nullptr, FALSE, L"Local\\EconnectStandInState"));
  if (mutex) ::WaitForSingleObject(mutex.get(), 5000);
  fs::path root = DeviceRoot();
  std::int64_t left = CDeviceState::Load(root).Number("server_lost");
  if (left > 0) UpdateStateValue(root, "server_lost", std::to_string(left - 1));
  if (mutex) ::ReleaseMutex(mutex.get());
  return left > 0;
}

std::optional<fs::path> ResolveLocation(LONG kind, std::wstring_view path, LONG* error) {
  *error = 0;
  if (path.empty()) {
    *error = ERROR_INVALID_NAME;
    return std::nullopt;
  }
  if (kind == EC_LOCATION_COMPUTER) return fs::path(path);
  if (kind != EC_LOCATION_DEVICE) {
    *error = ERROR_INVALID_PARAMETER;
    return std::nullopt;
  }
  if (!DeviceConnected()) {
    *error = kErrorNotConnected;
    return std::nullopt;
  }
  std::optional<fs::path> file = DeviceFile(DeviceRoot(), win::FromWide(path));
  if (!file) *error = ERROR_INVALID_NAME;
  return file;
}

std::optional<fs::path> ResolveLocation(const ECLocation& location, LONG* error) {
  std::wstring path(location.Path, wcsnlen(location.Path, 261));
  return ResolveLocation(location.Kind, path, error);
}

LONG CopyWithProgress(const fs::path& source, const fs::path& target, bool overwrite,
                      const std::function<bool(int)>& progress) {
  win::UniqueFile in(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in) return static_cast<LONG>(::GetLastError());
  DWORD sourceAttributes = ::GetFileAttributesW(source.c_str());
  if (sourceAttributes & FILE_ATTRIBUTE_DIRECTORY) return ERROR_ACCESS_DENIED;
  DWORD targetAttributes = ::GetFileAttributesW(target.c_str());
  if (targetAttributes != INVALID_FILE_ATTRIBUTES) {
    if (!overwrite) return ERROR_FILE_EXISTS;
    // The device refuses to replace a read-only file, whoever runs the stand-in.
    if (targetAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return ERROR_ACCESS_DENIED;
  }
  FILETIME written = {};
  ::GetFileTime(in.get(), nullptr, nullptr, &written);
  LARGE_INTEGER size = {};
  ::GetFileSizeEx(in.get(), &size);
  if (size.HighPart != 0) return ERROR_FILE_TOO_LARGE;

  win::UniqueFile out(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return static_cast<LONG>(::GetLastError());
  // Four parts, so that every copy reports progress a few times.
  const DWORD total = size.LowPart;
  const DWORD part = total / 4 + 1;
  std::vector<char> buffer(part);
  DWORD done = 0;
  LONG result = 0;
  do {
    DWORD read = 0, wrote = 0;
    if (!::ReadFile(in.get(), buffer.data(), part, &read, nullptr) ||
        !::WriteFile(out.get(), buffer.data(), read, &wrote, nullptr) || wrote != read) {
      result = static_cast<LONG>(::GetLastError());
      break;
    }
    done += read;
    if (!progress(total ? static_cast<int>(std::uint64_t(done) * 100 / total) : 100)) {
      result = kErrorAborted;
      break;
    }
    if (read == 0) break;
  } while (done < total);
  if (result == 0) ::SetFileTime(out.get(), nullptr, nullptr, &written);
  out.reset();
  if (result != 0) {
    ::DeleteFileW(target.c_str());
    return result;
  }
  ::SetFileAttributesW(target.c_str(), sourceAttributes);
  return 0;
}

bool CopyTree(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::create_directories(to, error);
  if (error) return false;
  for (auto it = fs::recursive_directory_iterator(from, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    fs::path target = to / fs::relative(it->path(), from, error);
    if (error) return false;
    if (it->is_directory()) {
      fs::create_directories(target, error);
    } else if (!::CopyFileW(it->path().c_str(), target.c_str(), FALSE)) {
      return false;
    }
  }
  return !error;
}

void PumpPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

CWorker::CWorker(bool apartment) : m_queue(std::make_shared<Queue>()) {
  m_queue->wake.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!m_queue->wake) return;
  // The thread's last CoUninitialize may end the apartment that loaded this module, which unloads
  // it: the thread holds a reference of its own and gives it back with FreeLibraryAndExitThread.
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&CWorker::Run),
                            &module))
    return;
  auto* start = new Start{m_queue, apartment, module};
  win::CModule::Lock();
  uintptr_t thread = _beginthreadex(nullptr, 0, &CWorker::Run, start, 0, nullptr);
  if (!thread) {
    win::CModule::Unlock();
    ::FreeLibrary(module);
    delete start;
    return;
  }
  ::CloseHandle(reinterpret_cast<HANDLE>(thread));
  m_started = true;
}

void CWorker::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> guard(m_queue->lock);
    m_queue->tasks.push_back(std::move(task));
  }
  ::SetEvent(m_queue->wake.get());
}

void CWorker::Quit(std::function<void()> cleanup) {
  if (m_quit || !m_started) return;
  m_quit = true;
  if (cleanup) Post(std::move(cleanup));
  {
    std::lock_guard<std::mutex> guard(m_queue->lock);
    m_queue->quit = true;
  }
  ::SetEvent(m_queue->wake.get());
}

unsigned __stdcall CWorker::Run(void* arg) {
  std::unique_ptr<Start> start(static_cast<Start*>(arg));
  std::shared_ptr<Queue> queue = start->queue;
  HMODULE module = start->module;
  ::CoInitializeEx(nullptr, start->apartment ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
  MSG msg;
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's message queue exists from here on
  for (;;) {
    std::function<void()> task;
    bool quit = false;
    {
      std::lock_guard<std::mutex> guard(queue->lock);
      if (!queue->tasks.empty()) {
        task = std::move(queue->tasks.front());
        queue->tasks.pop_front();
      } else {
        quit = queue->quit;
      }
    }
    if (task) {
      try {
        task();
      } catch (...) {
        // A task that fails has already reported what it could; the thread goes on.
      }
      continue;
    }
    if (quit) break;
    HANDLE wake = queue->wake.get();
    ::MsgWaitForMultipleObjects(1, &wake, FALSE, INFINITE, QS_ALLINPUT);
    PumpPending();
  }
  queue.reset();
  start.reset();
  ::CoUninitialize();
  win::CModule::Unlock();
  ::FreeLibraryAndExitThread(module, 0);
}

}  // namespace orvel::econnect
