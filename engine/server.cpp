#include "engine/server.h"

#include <algorithm>
#include <cstdlib>

#include "engine/econnect_objects.h"
#include "engine/engine_limits.h"
#include "engine/engine_wnd.h"
#include "engine/settings_module.h"
#include "engine/worker_thread.h"
#include "interfaces/econnect_contract.h"
#include "support/win/handle.h"
#include "support/win/registry.h"
#include "support/win/wide.h"

namespace orvel::engine {

namespace {

CTerminalManagerServer* g_engine = nullptr;

constexpr HResult kServerLostCall = MakeCode(0x80010105);

// The ProgID from which EPOC Connect's file-copy and restore objects make their progress objects.
constexpr char16_t kProgressProgId[] = u"Vantrelix.Progress";

}  // namespace

template <class I, class Sink>
HResult CTerminalManagerServer::CreateProgressObject(REFCLSID clsid, win::ComPtr<I>& object, bool& advised,
                                                     Sink* sink, HResult failure) {
  if (!object && !CreateForEngineProcess(clsid, object)) return failure;
  if (!advised) {
    win::UniqueBstr progId(kProgressProgId);
    if (FAILED(object->Advise(sink, progId.get()))) return failure;
    AddRef();
    advised = true;
  }
  return kOk;
}

template <class I>
void CTerminalManagerServer::ReleaseAdvised(win::ComPtr<I>& object, bool& advised) {
  if (advised) {
    advised = false;
    Release();
  }
  object.Reset();
}

CTerminalManagerServer::CTerminalManagerServer() {
  m_connectProgram = win::ReadRegString(HKEY_LOCAL_MACHINE, econnect::kAppPathsKey, nullptr).value_or(L"");
  ReadManagerInfo();
  m_trusted.Load();
}

CTerminalManagerServer::~CTerminalManagerServer() {
  if (g_engine == this) g_engine = nullptr;
}

CTerminalManagerServer* CTerminalManagerServer::Instance() { return g_engine; }

bool CTerminalManagerServer::CreateInstance() {
  if (g_engine) return true;
  try {
    g_engine = new CTerminalManagerServer();
  } catch (...) {
    g_engine = nullptr;
  }
  return g_engine != nullptr;
}

void CTerminalManagerServer::DestroyInstance() {
  CTerminalManagerServer* engine = g_engine;
  if (!engine) return;
  engine->m_current.reset();
  engine->m_openClient = nullptr;
  engine->Disconnect();
  engine->m_clients.clear();
  // Handlers and busy locks see no engine from here on.
  g_engine = nullptr;
  engine->Release();
}

// ---- connection --------------------------------------------------------------------------------

HResult CTerminalManagerServer::CreateDeviceObject() {
  if (!m_device && !CreateForEngineProcess(CLSID_ECDevice, m_device)) return kDeviceObjectFailed;
  if (!m_deviceAdvised) {
    m_deviceCookie = 0;
    if (FAILED(m_device->Advise(static_cast<IECDeviceSink*>(this), &m_deviceCookie)))
      return kDeviceObjectFailed;
    AddRef();
    m_deviceAdvised = true;
  }
  return kOk;
}

HResult CTerminalManagerServer::ReleaseDeviceObject() {
  HResult result = kOk;
  if (m_deviceAdvised) {
    if (m_device && FAILED(m_device->Unadvise(m_deviceCookie))) result = kDeviceObjectFailed;
    m_deviceCookie = 0;
    m_deviceAdvised = false;
    Release();
  }
  m_device.Reset();
  return result;
}

HResult CTerminalManagerServer::CreateTransferObjects() {
  if (!m_transfer &&
      FAILED(::CoCreateInstance(CLSID_ECTransfer, nullptr, CLSCTX_INPROC_SERVER, IID_IECTransfer,
                                reinterpret_cast<void**>(m_transfer.GetAddressOf()))))
    return kTransferUnavailable;
  if (!m_transferAdvised) {
    if (FAILED(m_transfer->Advise(static_cast<IECTransferEvents*>(this)))) return kTransferUnavailable;
    AddRef();
    m_transferAdvised = true;
  }
  if (!m_ecEngine && FAILED(::CoCreateInstance(CLSID_ECEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IECEngine,
                                               reinterpret_cast<void**>(m_ecEngine.GetAddressOf()))))
    return kTransferUnavailable;
  if (!m_ecEngineAdvised) {
    if (FAILED(m_ecEngine->Advise(static_cast<IDispatch*>(static_cast<ITerminalManager*>(this)))))
      return kTransferUnavailable;
    AddRef();
    m_ecEngineAdvised = true;
  }
  return kOk;
}

void CTerminalManagerServer::ReleaseTransferObjects() {
  ReleaseAdvised(m_transfer, m_transferAdvised);
  ReleaseAdvised(m_ecEngine, m_ecEngineAdvised);
}

HResult CTerminalManagerServer::CreateFileCopyObject() {
  return CreateProgressObject(CLSID_ECFileCopy, m_fileCopy, m_fileCopyAdvised,
                              static_cast<IECFileCopyEvents*>(this), kCopyFailed);
}

void CTerminalManagerServer::ReleaseFileCopyObject() { ReleaseAdvised(m_fileCopy, m_fileCopyAdvised); }

HResult CTerminalManagerServer::CreateRestoreObject() {
  return CreateProgressObject(CLSID_ECRestore, m_restore, m_restoreAdvised,
                              static_cast<IECRestoreEvents*>(this), kRestoreFailed);
}

void CTerminalManagerServer::ReleaseRestoreObject() { ReleaseAdvised(m_restore, m_restoreAdvised); }

void CTerminalManagerServer::ReleaseProgressObjects() {
  ReleaseRestoreObject();
  ReleaseFileCopyObject();
}

HResult CTerminalManagerServer::Connect() {
  if (m_connectionState == kConnecting || m_connectionState == kConnected) return kOk;
  if (m_connectionState == kDisconnecting) return kCancelled;
  m_connectionState = kConnecting;
  CBusyLock busy;
  HResult hr = CreateDeviceObject();
  if (!IsFailure(hr)) hr = CreateTransferObjects();
  if (IsFailure(hr)) {
    ReleaseTransferObjects();
    ReleaseDeviceObject();
    m_connectionState = kDisconnected;
    return hr;
  }
  m_connectionState = kConnected;
  return kOk;
}

HResult CTerminalManagerServer::Disconnect() {
  if (m_connectionState == kConnecting) return kCancelled;
  if (m_connectionState != kConnected) return kOk;
  m_connectionState = kDisconnecting;
  CBusyLock busy;
  HResult result = kOk;
  // The device-information object, the progress objects, the settings module and the worker's
  // backup engine go first, then the device object.
  m_deviceInfo.Reset();
  ReleaseProgressObjects();
  ReleaseSettingsModule();
  HResult backup = DisconnectBackupEngine();
  if (IsFailure(backup)) result = backup;
  HResult device = ReleaseDeviceObject();
  if (IsFailure(device)) result = device;
  ReleaseTransferObjects();
  m_deviceConnected = 0;
  m_deviceName.clear();
  m_connectionState = kDisconnected;
  return result;
}

// ---- poll --------------------------------------------------------------------------------------

void CTerminalManagerServer::Poll() {
  if (m_connectionState != kConnected) {
    if (m_clients.empty()) return;
    if (IsFailure(Connect())) {
      SweepClients();
      return;
    }
  }
  CheckDevice();
  CheckFramework();
  DispatchCurrent();
  SweepClients();
}

void CTerminalManagerServer::CheckDevice() {
  if (m_connectionState != kConnected || !m_device) return;
  CBusyLock busy;
  win::UniqueBstr name;
  HRESULT hr = m_device->GetDeviceName(name.out());
  bool answered = SUCCEEDED(hr);
  uint32_t low = hr == kServerLostCall ? 1722 : static_cast<uint32_t>(hr) & 0xFFFF;
  if (low == 1722 || low == 0xFFFF) {
    // The EPOC Connect server is gone: the device object is made again in place.
    ReleaseDeviceObject();
    CreateDeviceObject();
  }
  bool connected = answered && low != 1722 && low != 0xFFFF && name.size() > 0;
  std::u16string deviceName = connected ? name.text() : std::u16string();
  bool changed = (connected ? 1u : 0u) != m_deviceConnected || deviceName != m_deviceName;
  m_deviceConnected = connected ? 1 : 0;
  m_deviceName = deviceName;
  bool refresh;
  if (changed) {
    PostStateChanged();
    // A change while a request runs cannot refresh now: the information becomes due so that the
    // first poll after the request refreshes it.
    m_deviceInfoDue.reset();
    refresh = true;
  } else {
    refresh = !m_deviceInfoDue || std::chrono::steady_clock::now() > *m_deviceInfoDue;
  }
  if (refresh && !m_current) PostEngineMessage(WM_ENGINE_DEVICEINFO);
}

void CTerminalManagerServer::CheckFramework() {
  uint32_t present = ::FindWindowW(kFrameworkWindowClass, nullptr) ? 1 : 0;
  if (present != m_frameworkPresent) {
    m_frameworkPresent = present;
    PostStateChanged();
  }
}

void CTerminalManagerServer::DispatchCurrent() {
  if (m_current) PostPoll(m_current->Dispatch());
}

void CTerminalManagerServer::SweepClients() {
  for (size_t i = 0; i < m_clients.size();) {
    m_hadClients = 1;
    CClientSession* client = m_clients[i].get();
    client->IsAlive();
    // Disconnecting may release the object at once; the record stays until the check below.
    client->DisconnectIfDead();
    if (client->Owner() == nullptr && client != m_openClient) {
      m_clients.erase(m_clients.begin() + static_cast<ptrdiff_t>(i));
      continue;
    }
    ++i;
  }
  if (m_clients.empty() && m_hadClients && !m_frameworkPresent) Disconnect();
}

void CTerminalManagerServer::PostPoll(uint32_t flag) {
  if (flag) PostEngineMessage(WM_ENGINE_POLL);
}

void CTerminalManagerServer::PostStateChanged() {
  CPacket packet;
  packet.AddDword(kNotifyStateChanged);
  PostEngineMessage(WM_ENGINE_NOTIFY, std::move(packet));
}

uint32_t CTerminalManagerServer::GetStatusFlags() const {
  uint32_t state = 0;
  if (m_deviceConnected) state |= kStateDeviceConnected;
  if (m_frameworkPresent) state |= kStateFramework;
  if (m_openClient) state |= kStateClientOpen;
  if (m_current) state |= kStateOperation;
  return state;
}

// ---- requests ----------------------------------------------------------------------------------

void CTerminalManagerServer::SetCurrentRequest(std::unique_ptr<CRequest> request) {
  bool changed = request.get() != m_current.get();
  m_current = std::move(request);
  if (changed) PostStateChanged();
}

std::unique_ptr<CRequest> CTerminalManagerServer::TakeCurrentRequest() {
  std::unique_ptr<CRequest> request = std::move(m_current);
  if (request) PostStateChanged();
  return request;
}

HResult CTerminalManagerServer::RespondToRequest(uint32_t response) {
  if (!m_current) return kNoQuestion;
  return m_current->GetActiveLeaf()->Respond(response);
}

HResult CTerminalManagerServer::CancelRequest() {
  HResult hr = m_current ? m_current->RequestCancel() : kNoOperation;
  PostPoll(1);
  return hr;
}

void CTerminalManagerServer::PostQuestion(HResult error, uint32_t answers, const std::u16string& tag,
                                          const std::u16string& value) {
  CPacket packet;
  packet.AddDword(kNotifyQuestion);
  packet.AddHresult(error);
  packet.AddDword(answers);
  packet.AddString(tag);
  packet.AddString(value);
  PostEngineMessage(WM_ENGINE_NOTIFY, std::move(packet));
}

void CTerminalManagerServer::PostDone(HResult result) {
  CPacket packet;
  packet.AddDword(kNotifyDone);
  packet.AddHresult(result);
  PostEngineMessage(WM_ENGINE_NOTIFY, std::move(packet));
}

CRequest* CTerminalManagerServer::ActiveLeafOfKind(uint32_t kind) const {
  if (!m_current) return nullptr;
  CRequest* leaf = m_current->GetActiveLeaf();
  return leaf->Kind() == kind ? leaf : nullptr;
}

// ---- clients -----------------------------------------------------------------------------------

void CTerminalManagerServer::AddClient(std::unique_ptr<CClientSession> client) {
  if (m_connectionState != kConnected) Connect();
  m_clients.push_back(std::move(client));
}

HResult CTerminalManagerServer::CanAddClient(IUnknown* callbackIdentity) {
  if (FindClientByCallback(callbackIdentity)) return kCallbackAdvised;
  if (m_clients.size() >= kMaxClients) return kClientTableFull;
  if (m_connectionState != kConnected) {
    HResult hr = Connect();
    if (IsFailure(hr)) return hr;
  }
  return kOk;
}

uint32_t CTerminalManagerServer::NewClientCookie() const {
  for (;;) {
    uint32_t cookie =
        (static_cast<uint32_t>(std::rand() & 0xFFFF) << 16) | static_cast<uint32_t>(std::rand() & 0xFFFF);
    if (cookie != 0 && !FindClientByCookie(cookie)) return cookie;
  }
}

CClientSession* CTerminalManagerServer::FindClientByCallback(IUnknown* callbackIdentity,
                                                             size_t* index) const {
  if (!callbackIdentity) return nullptr;
  for (size_t i = 0; i < m_clients.size(); ++i) {
    CTerminalManagerExt* owner = m_clients[i]->Owner();
    if (owner && owner->Callback().Identity() == callbackIdentity) {
      if (index) *index = i;
      return m_clients[i].get();
    }
  }
  return nullptr;
}

CClientSession* CTerminalManagerServer::FindClientByCookie(uint32_t cookie, size_t* index) const {
  if (cookie == 0) return nullptr;
  for (size_t i = 0; i < m_clients.size(); ++i) {
    CTerminalManagerExt* owner = m_clients[i]->Owner();
    if (owner && owner->Cookie() == cookie) {
      if (index) *index = i;
      return m_clients[i].get();
    }
  }
  return nullptr;
}

HResult CTerminalManagerServer::CheckTrust(CClientSession& client) {
  CBusyLock busy;
  return CheckClientTrust(m_trusted, client, CPellornThread::Instance());
}

void CTerminalManagerServer::SetOpenClient(CClientSession* client) {
  m_openClient = client;
  PostStateChanged();
}

void CTerminalManagerServer::CloseClient(CClientSession* client) {
  if (!client || client != m_openClient) return;
  client->m_closePending = false;
  m_openClient = nullptr;
  PostStateChanged();
}

// The device and manager information are in server_info.cpp.

// ---- relay records -----------------------------------------------------------------------------

LRESULT CTerminalManagerServer::SendRelayRecord(uint32_t message, uint32_t code, uint32_t value) {
  if (!m_progressWindow) return 0;
  relay::RelayRecord record = relay::MakeRelayRecord(
      static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(EngineWindow())), message, code, value);
  COPYDATASTRUCT data = {0, sizeof(record), &record};
  DWORD_PTR reply = 0;
  // The ANSI form: WM_COPYDATA carries bytes, converted by neither, and the wide one is a stub on
  // the 95/98/ME family.
  if (!::SendMessageTimeoutA(m_progressWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(EngineWindow()),
                             reinterpret_cast<LPARAM>(&data), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                             LimitMilliseconds(Limit::RelaySend), &reply)) {
    // A relay that does not take the record in time (or is gone) would hold the engine, and with
    // it every client: it no longer serves this operation.
    m_progressWindow = nullptr;
    return 0;
  }
  return static_cast<LRESULT>(reply);
}

// ---- window message handlers -------------------------------------------------------------------

void CTerminalManagerServer::OnNotify(CPacket packet) {
  switch (packet.GetDword()) {
    case kNotifyStateChanged: {
      uint32_t state = GetStatusFlags();
      // Each call may let other calls in (a client may go away meanwhile): the callbacks are
      // taken first, in registration order, and held while they are called.
      std::vector<win::ComPtr<ITerminalManagerExtCallback>> callbacks;
      for (const auto& client : m_clients)
        if (CTerminalManagerExt* owner = client->Owner())
          if (owner->Callback()) callbacks.emplace_back(owner->Callback().Get());
      for (const auto& callback : callbacks) callback->OnStateChanged(static_cast<long>(state));
      break;
    }
    case kNotifyQuestion: {
      HResult code = packet.GetHresult();
      uint32_t answers = packet.GetDword();
      std::u16string tag = packet.GetString();
      std::u16string value = packet.GetString();
      if (m_openClient && m_openClient->Owner()) {
        CClientCallback callback = m_openClient->Owner()->Callback();
        callback.OnError(code, answers, tag, value);
      }
      break;
    }
    case kNotifyDone: {
      HResult result = packet.GetHresult();
      CClientSession* open = m_openClient;
      if (!open) break;
      if (open->Owner()) {
        CClientCallback callback = open->Owner()->Callback();
        callback.OnDone(result);
      }
      // A client that asked to be closed, or whose object is gone, is closed once its operation
      // has ended; the open client may have changed during the callback.
      if (open == m_openClient && (open->m_closePending || !open->Owner())) CloseClient(open);
      break;
    }
    default:
      break;
  }
}

void CTerminalManagerServer::OnModuleEvent(CPacket packet) {
  CRequest::HandleEvent(WM_ENGINE_MODULEEVENT, std::move(packet));
}

void CTerminalManagerServer::OnBackupEvent(CPacket packet) {
  // The drive-backup steps take these events once the backup operation exists. A question that no
  // drive backup can take is answered "stop" at once, so that EPOC Connect's thread is not left
  // waiting for an answer that never comes.
  if (!ActiveLeafOfKind(kRequestDriveBackup)) {
    if (packet.DwordAt(0) == kBackupEventQuestion)
      if (CPellornThread* worker = CPellornThread::Instance()) worker->Handler().ReleaseQuestion();
    return;
  }
  CRequest::HandleEvent(WM_ENGINE_BACKUPEVENT, std::move(packet));
}

void CTerminalManagerServer::OnRestoreRelay(CPacket packet) {
  uint32_t code = packet.DwordAt(0);
  uint32_t sender = packet.DwordAt(1);
  if (code == relay::kStart) m_progressWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(sender));
  CRequest::HandleEvent(WM_ENGINE_RESTORERELAY, std::move(packet));
}

void CTerminalManagerServer::OnCopyEvent(CPacket packet) {
  CRequest::HandleEvent(WM_ENGINE_COPYEVENT, std::move(packet));
}

void CTerminalManagerServer::OnCopyRelay(CPacket packet) {
  uint32_t code = packet.DwordAt(0);
  uint32_t sender = packet.DwordAt(1);
  if (code == relay::kStart) m_progressWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(sender));
  CRequest::HandleEvent(WM_ENGINE_COPYRELAY, std::move(packet));
}

// ---- COM: IDispatch and the EPOC Connect sinks --------------------------------------------------

HRESULT CTerminalManagerServer::OnDeviceChanged(LONG, BSTR) { return S_OK; }

HRESULT CTerminalManagerServer::OnRestoreState(BSTR, LONG state) {
  if (state == 1 || state == 2) {
    // Sender 0 marks the sink's report, which the restore takes only when no relay serves it; a
    // failed end stays a failure.
    CPacket packet;
    packet.AddDword(1);
    packet.AddDword(0);
    packet.AddDword(state == 2 ? static_cast<uint32_t>(kRestoreFailed) : 0);
    packet.AddDword(0);
    packet.AddString(u"");
    PostEngineMessage(WM_ENGINE_RESTORERELAY, std::move(packet));
  }
  return S_OK;
}

HRESULT CTerminalManagerServer::OnCopyBegin(BSTR, BSTR) { return S_OK; }

HRESULT CTerminalManagerServer::OnCopyComplete(LONG, BSTR, LONG, BSTR, LONG, LONG result) {
  CPacket packet;
  packet.AddDword(1);
  packet.AddDword(0);
  packet.AddDword(static_cast<uint32_t>(result));
  packet.AddDword(0);
  packet.AddString(u"");
  PostEngineMessage(WM_ENGINE_COPYRELAY, std::move(packet));
  return S_OK;
}

HRESULT CTerminalManagerServer::OnTransferBegin(BSTR, BSTR) {
  PostEngineMessage(WM_ENGINE_POLL);
  return S_OK;
}

HRESULT CTerminalManagerServer::OnTransferError(LONG error) {
  CPacket packet;
  packet.AddDword(1);
  packet.AddDword(static_cast<uint32_t>(error));
  PostEngineMessage(WM_ENGINE_COPYEVENT, std::move(packet));
  return S_OK;
}

HRESULT CTerminalManagerServer::OnTransferProgress(LONG percent, LONG* cancel) {
  CPacket packet;
  packet.AddDword(2);
  packet.AddDword(static_cast<uint32_t>(percent));
  PostEngineMessage(WM_ENGINE_COPYEVENT, std::move(packet));
  // Called on the main thread: the request may be read here.
  if (cancel) {
    CRequest* leaf = ActiveLeafOfKind(kRequestFileCopy);
    *cancel = leaf && leaf->Cancelling() ? 1 : 0;
  }
  return S_OK;
}

HRESULT CTerminalManagerServer::OnTransferEnd(LONG) {
  PostEngineMessage(WM_ENGINE_POLL);
  return S_OK;
}

}  // namespace orvel::engine
