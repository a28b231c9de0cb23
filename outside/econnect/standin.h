// Shared pieces of the EPOC Connect stand-in's objects: the device root, locations, copies with
// progress, sinks held for other threads, and the pumping worker threads.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "econnect.h"
#include "outside/econnect/device.h"
#include "support/win/com.h"
#include "support/win/handle.h"

namespace orvel::econnect {

using win::ComPtr;
using win::Guarded;
using win::NewBstr;

// Where the device root comes from: the environment variable, else the value that the
// registration command wrote, else "device" beside this module.
inline constexpr wchar_t kDeviceRootVariable[] = L"ECONNECT_DEVICE_ROOT";
inline constexpr wchar_t kStandInKey[] = L"Software\\Orvel\\EPOC Connect Stand-in";
inline constexpr wchar_t kDeviceRootValue[] = L"DeviceRoot";
std::filesystem::path DeviceRoot();

// The state file of the device root, read afresh at every call so that edits take effect at once.
CDeviceState State();
bool DeviceConnected();
// Takes one unit of the "server_lost" knob: true when this call is to report a lost server.
bool TakeServerLoss();

// Error numbers that the stand-in reports.
inline constexpr LONG kErrorNotConnected = ERROR_NOT_CONNECTED;     // 2250
inline constexpr LONG kErrorServerLost = RPC_S_SERVER_UNAVAILABLE;  // 1722
inline constexpr LONG kErrorAborted = ERROR_OPERATION_ABORTED;      // 995
inline HRESULT AsHresult(LONG error) { return error == 0 ? S_OK : HRESULT_FROM_WIN32(error); }

// A computer path as given, or a device path under the device root; no value for a bad location.
// Device locations need a connected device: error is then kErrorNotConnected.
std::optional<std::filesystem::path> ResolveLocation(LONG kind, std::wstring_view path, LONG* error);
std::optional<std::filesystem::path> ResolveLocation(const ECLocation& location, LONG* error);

// Copies one file the way the device link does: in parts with a report after each (percent;
// false stops the copy, which then gives kErrorAborted), keeping the last-write time.
// Without overwrite an existing target gives ERROR_FILE_EXISTS.
LONG CopyWithProgress(const std::filesystem::path& source, const std::filesystem::path& target,
                      bool overwrite, const std::function<bool(int)>& progress);
// Copies a folder tree (files overwrite); false on a file error.
bool CopyTree(const std::filesystem::path& from, const std::filesystem::path& to);

// Handles messages that wait for this thread (answers sent to a progress object's window).
void PumpPending();

// A sink pointer kept in the global interface table, so that any thread can call it in the
// apartment that handed it over.
template <class I>
class CHeldSink {
 public:
  CHeldSink() = default;
  CHeldSink(const CHeldSink&) = delete;
  CHeldSink& operator=(const CHeldSink&) = delete;
  ~CHeldSink() { Reset(); }

  HRESULT Set(I* sink) {
    Reset();
    if (!sink) return S_OK;
    ComPtr<IGlobalInterfaceTable> table;
    HRESULT hr = Table(table);
    DWORD cookie = 0;
    if (SUCCEEDED(hr)) hr = table->RegisterInterfaceInGlobal(sink, __uuidof(I), &cookie);
    std::lock_guard<std::mutex> guard(m_lock);
    m_cookie = cookie;
    return hr;
  }
  // The sink for the calling thread's apartment, or null.
  ComPtr<I> Get() const {
    ComPtr<I> sink;
    ComPtr<IGlobalInterfaceTable> table;
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_cookie && SUCCEEDED(Table(table)))
      table->GetInterfaceFromGlobal(m_cookie, __uuidof(I), reinterpret_cast<void**>(sink.GetAddressOf()));
    return sink;
  }
  void Reset() {
    DWORD cookie = 0;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      cookie = std::exchange(m_cookie, 0);
    }
    ComPtr<IGlobalInterfaceTable> table;
    if (cookie && SUCCEEDED(Table(table))) table->RevokeInterfaceFromGlobal(cookie);
  }

 private:
  static HRESULT Table(ComPtr<IGlobalInterfaceTable>& table) {
    return ::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&table));
  }
  mutable std::mutex m_lock;
  DWORD m_cookie = 0;
};

// A thread of an object that runs its tasks one after another and handles its messages in
// between. It keeps the module loaded while it runs and ends by itself after Quit, so the object
// that owns it never waits for it.
class CWorker {
 public:
  explicit CWorker(bool apartment);
  CWorker(const CWorker&) = delete;
  CWorker& operator=(const CWorker&) = delete;
  ~CWorker() { Quit(); }

  bool Started() const { return m_started; }
  void Post(std::function<void()> task);
  // The last task runs cleanup on the thread (release what was created there), then it ends.
  void Quit(std::function<void()> cleanup = {});

 private:
  struct Queue {
    std::mutex lock;
    std::deque<std::function<void()>> tasks;
    bool quit = false;
    win::UniqueKernelHandle wake;
  };
  struct Start {
    std::shared_ptr<Queue> queue;
    bool apartment;
    HMODULE module;  // a reference on this module that the thread gives back as its very last step
  };
  static unsigned __stdcall Run(void* arg);

  std::shared_ptr<Queue> m_queue;
  bool m_started = false;
  bool m_quit = false;
};

// A new BSTR for an out parameter; null when out of memory.

// Class creators of the server's objects.
HRESULT CreateDevice(REFIID iid, void** out);
HRESULT CreateTransfer(REFIID iid, void** out);
HRESULT CreateEngine(REFIID iid, void** out);
HRESULT CreateFileCopy(REFIID iid, void** out);
HRESULT CreateRestore(REFIID iid, void** out);
HRESULT CreateBackupEngine(REFIID iid, void** out);
HRESULT CreateDeviceInfo(REFIID iid, void** out);
HRESULT CreateMpsdrc(REFIID iid, void** out);

// Every advised transfer object's sink, for the events of the file-copy object's copies.
void ForEachTransferSink(const std::function<void(IECTransferEvents*)>& call);

}  // namespace orvel::econnect
