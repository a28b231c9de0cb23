#include "ui/tests/fake_engine.h"

#include <chrono>
#include <thread>

#include "support/u16text.h"
#include "support/win/com.h"
#include "support/win/wide.h"
#include "vantrel.h"

namespace orvel::ui::test {

namespace {

std::string Narrow(BSTR text) { return AsUtf8(win::FromBstr(text)); }

class CFakeEngine : public win::CComObject<ITerminalManagerExt> {
 public:
  explicit CFakeEngine(CFakeEngineRegistration* log) : m_log(log) {}
  ~CFakeEngine() override { m_log->Record("Release"); }

  ORVEL_DISPATCH_BY_VTABLE_ONLY

  HRESULT STDMETHODCALLTYPE SetClientDetails(long process, BSTR name) override {
    return Record("SetClientDetails " + std::to_string(process) + " " + Narrow(name));
  }
  HRESULT STDMETHODCALLTYPE AdviseCallback(IUnknown*, long* cookie) override {
    *cookie = 1;
    return Record("AdviseCallback");
  }
  HRESULT STDMETHODCALLTYPE UnAdviseCallback(long cookie) override {
    return Record("UnAdviseCallback " + std::to_string(cookie));
  }
  HRESULT STDMETHODCALLTYPE GetState(long* state) override {
    *state = 1;
    return Record("GetState");
  }
  HRESULT STDMETHODCALLTYPE GetTerminalManagerInfo(BSTR*) override {
    return Record("GetTerminalManagerInfo");
  }
  HRESULT STDMETHODCALLTYPE GetDeviceInfo(BSTR* info) override {
    *info = nullptr;
    return Record("GetDeviceInfo");
  }
  HRESULT STDMETHODCALLTYPE GetOpenClient(BSTR* client) override {
    *client = nullptr;
    return Record("GetOpenClient");
  }
  HRESULT STDMETHODCALLTYPE GetLocalizedPath(long, BSTR*) override { return Record("GetLocalizedPath"); }
  HRESULT STDMETHODCALLTYPE SetSecurityMessage(BSTR, BSTR, BSTR, BSTR) override {
    return Record("SetSecurityMessage");
  }
  HRESULT STDMETHODCALLTYPE SetLogDescription(BSTR text) override {
    return Record("SetLogDescription " + Narrow(text));
  }
  HRESULT STDMETHODCALLTYPE OpenTerminalManager(BSTR) override { return Record("OpenTerminalManager"); }
  HRESULT STDMETHODCALLTYPE Open() override { return Record("Open"); }
  HRESULT STDMETHODCALLTYPE Close() override { return Record("Close"); }
  HRESULT STDMETHODCALLTYPE Cancel() override { return Record("Cancel"); }
  HRESULT STDMETHODCALLTYPE Respond(long answer) override {
    return Record("Respond " + std::to_string(answer));
  }
  HRESULT STDMETHODCALLTYPE SendConfiguration(BSTR) override { return Record("SendConfiguration"); }
  HRESULT STDMETHODCALLTYPE SendConfigurationFile(BSTR) override { return Record("SendConfigurationFile"); }
  HRESULT STDMETHODCALLTYPE BackupDevice(BSTR, long) override { return Record("BackupDevice"); }
  HRESULT STDMETHODCALLTYPE RestoreDevice(BSTR, BSTR, long) override { return Record("RestoreDevice"); }
  HRESULT STDMETHODCALLTYPE Install(BSTR) override { return Record("Install"); }
  HRESULT STDMETHODCALLTYPE CopyFile(BSTR, BSTR, long) override { return Record("CopyFile"); }

 private:
  HRESULT Record(std::string call) {
    m_log->Record(std::move(call));
    return S_OK;
  }
  CFakeEngineRegistration* m_log;
};

class CFakeEngineFactory : public win::CComObject<IClassFactory> {
 public:
  explicit CFakeEngineFactory(CFakeEngineRegistration* log) : m_log(log) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    win::ComPtr<CFakeEngine> engine = win::MakeCom<CFakeEngine>(m_log);
    return engine ? engine->QueryInterface(iid, out) : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  CFakeEngineRegistration* m_log;
};

}  // namespace

CFakeEngineRegistration::CFakeEngineRegistration()
    : m_ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  m_thread = ::CreateThread(nullptr, 0, &Apartment, this, 0, nullptr);
  ::WaitForSingleObject(m_ready, 10000);
}

CFakeEngineRegistration::~CFakeEngineRegistration() {
  ::SetEvent(m_stop);
  ::WaitForSingleObject(m_thread, 10000);
  ::CloseHandle(m_thread);
  ::CloseHandle(m_stop);
  ::CloseHandle(m_ready);
}

DWORD WINAPI CFakeEngineRegistration::Apartment(void* parameter) {
  auto* self = static_cast<CFakeEngineRegistration*>(parameter);
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  DWORD cookie = 0;
  {
    win::ComPtr<CFakeEngineFactory> factory = win::MakeCom<CFakeEngineFactory>(self);
    // In-process only: registered for other contexts it would serve the engine's clients in every
    // other process of the prefix too.
    self->m_registered = SUCCEEDED(::CoRegisterClassObject(CLSID_TerminalManagerExt, factory.Get(),
                                                           CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie));
  }
  ::SetEvent(self->m_ready);
  ::WaitForSingleObject(self->m_stop, INFINITE);
  if (self->m_registered) ::CoRevokeClassObject(cookie);
  ::CoUninitialize();
  return 0;
}

void CFakeEngineRegistration::Record(std::string call) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_calls.push_back(std::move(call));
}

std::vector<std::string> CFakeEngineRegistration::Calls() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls;
}

bool CFakeEngineRegistration::WaitFor(const std::string& prefix, DWORD milliseconds) const {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    for (const auto& call : Calls()) {
      if (call.rfind(prefix, 0) == 0) return true;
    }
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace orvel::ui::test
