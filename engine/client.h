// The per-client front of the engine: TerminalManagerExt, its client record and its callback.
#pragma once

#include <windows.h>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "engine/engine_codes.h"
#include "support/win/com.h"
#include "support/win/handle.h"
#include "vantrel.h"

namespace orvel::engine {

class CTerminalManagerExt;
class CRequest;

inline constexpr size_t kMaxClientName = 64;
inline constexpr size_t kMaxPromptMessage = 1024;
inline constexpr size_t kMaxLogDescription = 1024;

// One client's record; the engine's client list owns it, and it outlives its object until the
// engine's sweep removes it.
class CClientSession {
 public:
  explicit CClientSession(CTerminalManagerExt* owner);

  CTerminalManagerExt* Owner() const { return m_owner; }
  void ClearOwner() { m_owner = nullptr; }

  // Alive while the process runs; without a process only during the grace after creation. A dead
  // record with an owner is marked for disconnection.
  bool IsAlive();
  // Cuts a dead record's object from its remote client (the sweep calls this).
  void DisconnectIfDead();
  bool HasProcess() const { return static_cast<bool>(m_process); }
  void SetProcess(HANDLE process) { m_process.reset(process); }

  std::u16string m_name;
  std::u16string m_logDescription;
  // Message, always, yes, no.
  std::array<std::u16string, 4> m_promptTexts;
  std::chrono::steady_clock::time_point m_created;
  std::optional<std::chrono::steady_clock::time_point> m_stamp;
  // Close after the running operation ends. Kept here, not in the object, so that a client
  // released or killed during an operation is still closed when it ends.
  bool m_closePending = false;
  bool m_dead = false;

 private:
  CTerminalManagerExt* m_owner;
  win::UniqueKernelHandle m_process;
};

// The client's callback; each call does nothing when none is advised, and results are not looked at.
class CClientCallback {
 public:
  // identity is the IUnknown of the object the client advised, by which a second advise of the
  // same object is recognised.
  void Set(win::ComPtr<ITerminalManagerExtCallback> callback, win::ComPtr<IUnknown> identity) {
    m_callback = std::move(callback);
    m_identity = std::move(identity);
  }
  void Reset() {
    m_callback.Reset();
    m_identity.Reset();
  }
  ITerminalManagerExtCallback* Get() const { return m_callback.Get(); }
  IUnknown* Identity() const { return m_identity.Get(); }
  explicit operator bool() const { return m_callback != nullptr; }

  void OnStateChanged(uint32_t state) const;
  void OnError(HResult error, uint32_t response, const std::u16string& tag, const std::u16string& value) const;
  void OnProgress(uint32_t stage, const std::u16string& tag, uint32_t percent) const;
  void OnDone(HResult error) const;

 private:
  win::ComPtr<ITerminalManagerExtCallback> m_callback;
  win::ComPtr<IUnknown> m_identity;
};

// The callback of a client that can only be reached by name (a script's object): an object that
// answers IDispatch with the four callback methods by name. Null when it lacks any of them.
win::ComPtr<ITerminalManagerExtCallback> MakeDispatchCallback(IUnknown* object);

class CTerminalManagerExt : public win::CComObject<ITerminalManagerExt> {
 public:
  CTerminalManagerExt();
  ~CTerminalManagerExt() override;

  // The class object's creator: refuses while the server is stopping.
  static HRESULT Create(REFIID iid, void** out);

  const CClientCallback& Callback() const { return m_callback; }
  uint32_t Cookie() const { return m_cookie; }
  CClientSession* Session() const { return m_client; }

  ORVEL_DISPATCH_FROM_TYPELIB(ITerminalManagerExt)

  HRESULT STDMETHODCALLTYPE SetClientDetails(long nProcessId, BSTR strName) override;
  HRESULT STDMETHODCALLTYPE AdviseCallback(IUnknown* pICallback, long* pnCookie) override;
  HRESULT STDMETHODCALLTYPE UnAdviseCallback(long nCookie) override;
  HRESULT STDMETHODCALLTYPE GetState(long* pnState) override;
  HRESULT STDMETHODCALLTYPE GetTerminalManagerInfo(BSTR* pstrInfo) override;
  HRESULT STDMETHODCALLTYPE GetDeviceInfo(BSTR* pstrInfo) override;
  HRESULT STDMETHODCALLTYPE GetOpenClient(BSTR* pstrClient) override;
  HRESULT STDMETHODCALLTYPE GetLocalizedPath(long nPathId, BSTR* pstrPath) override;
  HRESULT STDMETHODCALLTYPE SetSecurityMessage(BSTR strMessage, BSTR strAlways, BSTR strYes, BSTR strNo) override;
  HRESULT STDMETHODCALLTYPE SetLogDescription(BSTR strLogDescription) override;
  HRESULT STDMETHODCALLTYPE OpenTerminalManager(BSTR strConfigFile) override;
  HRESULT STDMETHODCALLTYPE Open() override;
  HRESULT STDMETHODCALLTYPE Close() override;
  HRESULT STDMETHODCALLTYPE Cancel() override;
  HRESULT STDMETHODCALLTYPE Respond(long nResponse) override;
  HRESULT STDMETHODCALLTYPE SendConfiguration(BSTR strBuffer) override;
  HRESULT STDMETHODCALLTYPE SendConfigurationFile(BSTR strFile) override;
  HRESULT STDMETHODCALLTYPE BackupDevice(BSTR strDriveLetters, long nArchives) override;
  HRESULT STDMETHODCALLTYPE RestoreDevice(BSTR strDevice, BSTR strDriveLetters, long bFormat) override;
  HRESULT STDMETHODCALLTYPE Install(BSTR strSISFile) override;
  HRESULT STDMETHODCALLTYPE CopyFile(BSTR strLocal, BSTR strRemote, long bToDevice) override;

 private:
  HResult CheckConnected();
  HResult CheckCanStart();
  HResult CloseOpen(bool forced);
  void ForcedUnadvise();
  HResult StartRequest(std::unique_ptr<CRequest> request);

  CClientSession* m_client = nullptr;
  CClientCallback m_callback;
  uint32_t m_cookie = 0;
};

}  // namespace orvel::engine
