#include "engine/client.h"

#include <shellapi.h>

#include <cwctype>

#include "engine/engine_limits.h"
#include "engine/module.h"
#include "engine/request.h"
#include "engine/server.h"
#include "engine/trust.h"
#include "settings/settings_schema.h"
#include "support/u16text.h"
#include "support/win/registry.h"
#include "support/win/wide.h"

namespace orvel::engine {

using win::Guarded;
using win::kCorvansetKey;

namespace {

// The element name that a client's own file copy asks its questions with: "File".
constexpr uint32_t kFileNameId = 559;

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) c = static_cast<char16_t>(std::towupper(c));
  return text;
}

HRESULT GiveBstr(const std::u16string& text, BSTR* out) {
  *out = win::NewBstr(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

CClientSession::CClientSession(CTerminalManagerExt* owner)
    : m_created(std::chrono::steady_clock::now()), m_owner(owner) {}

bool CClientSession::IsAlive() {
  if (!m_owner) return true;
  bool alive;
  if (m_process) {
    DWORD code = 0;
    alive = ::GetExitCodeProcess(m_process.get(), &code) && code == STILL_ACTIVE;
    if (!alive) m_process.reset();
  } else {
    alive = std::chrono::steady_clock::now() - m_created < LimitDuration(Limit::ClientGrace);
  }
  if (!alive) m_dead = true;
  return alive;
}

void CClientSession::DisconnectIfDead() {
  if (!m_dead || !m_owner) return;
  m_dead = false;
  // Cutting the stubs releases the client's references, which ends in the object's final release.
  win::ComPtr<IUnknown> owner(static_cast<ITerminalManagerExt*>(m_owner));
  ::CoDisconnectObject(owner.Get(), 0);
}

namespace {

// Calls a script object's callback methods by name.
class CDispatchCallback : public win::CComObject<ITerminalManagerExtCallback> {
 public:
  CDispatchCallback(win::ComPtr<IDispatch> target, const std::array<DISPID, 4>& ids)
      : m_target(std::move(target)), m_ids(ids) {}

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return m_target->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return m_target->GetTypeInfo(index, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override {
    return m_target->GetIDsOfNames(iid, names, count, lcid, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {
    return m_target->Invoke(id, iid, lcid, flags, params, result, excep, argErr);
  }

  HRESULT STDMETHODCALLTYPE OnStateChanged(long nState) override {
    VARIANT args[1];
    Long(args[0], nState);
    return Call(0, args, 1);
  }
  HRESULT STDMETHODCALLTYPE OnError(long hError, long nResponse, BSTR strTag, BSTR strValue) override {
    VARIANT args[4];  // in reverse order
    Text(args[0], strValue);
    Text(args[1], strTag);
    Long(args[2], nResponse);
    Long(args[3], hError);
    return Call(1, args, 4);
  }
  HRESULT STDMETHODCALLTYPE OnProgress(long nStage, BSTR strTag, long nPercent) override {
    VARIANT args[3];
    Long(args[0], nPercent);
    Text(args[1], strTag);
    Long(args[2], nStage);
    return Call(2, args, 3);
  }
  HRESULT STDMETHODCALLTYPE OnDone(long hError) override {
    VARIANT args[1];
    Long(args[0], hError);
    return Call(3, args, 1);
  }

 private:
  static void Long(VARIANT& v, long value) {
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
  }
  // The caller keeps the text for the call; the argument only borrows it.
  static void Text(VARIANT& v, BSTR value) {
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = value;
  }
  HRESULT Call(size_t method, VARIANT* args, UINT count) {
    DISPPARAMS params = {args, nullptr, count, 0};
    VARIANT result;
    ::VariantInit(&result);
    HRESULT hr = m_target->Invoke(m_ids[method], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  &result, nullptr, nullptr);
    ::VariantClear(&result);
    return hr;
  }

  win::ComPtr<IDispatch> m_target;
  std::array<DISPID, 4> m_ids;
};

}  // namespace

win::ComPtr<ITerminalManagerExtCallback> MakeDispatchCallback(IUnknown* object) {
  win::ComPtr<IDispatch> target;
  if (!object ||
      FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(target.GetAddressOf()))) ||
      !target)
    return nullptr;
  static const wchar_t* const kNames[] = {L"OnStateChanged", L"OnError", L"OnProgress", L"OnDone"};
  std::array<DISPID, 4> ids{};
  for (size_t i = 0; i < ids.size(); ++i) {
    LPOLESTR name = const_cast<LPOLESTR>(kNames[i]);
    if (FAILED(target->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &ids[i]))) return nullptr;
  }
  win::ComPtr<CDispatchCallback> callback = win::MakeCom<CDispatchCallback>(std::move(target), ids);
  return callback ? win::ComPtr<ITerminalManagerExtCallback>(callback.Get()) : nullptr;
}

void CClientCallback::OnStateChanged(uint32_t state) const {
  if (win::ComPtr<ITerminalManagerExtCallback> callback = m_callback)
    callback->OnStateChanged(static_cast<long>(state));
}

void CClientCallback::OnError(HResult error, uint32_t response, const std::u16string& tag,
                              const std::u16string& value) const {
  if (win::ComPtr<ITerminalManagerExtCallback> callback = m_callback) {
    win::UniqueBstr tagText(tag), valueText(value);
    callback->OnError(error, static_cast<long>(response), tagText.get(), valueText.get());
  }
}

void CClientCallback::OnProgress(uint32_t stage, const std::u16string& tag, uint32_t percent) const {
  if (win::ComPtr<ITerminalManagerExtCallback> callback = m_callback) {
    win::UniqueBstr tagText(tag);
    callback->OnProgress(static_cast<long>(stage), tagText.get(), static_cast<long>(percent));
  }
}

void CClientCallback::OnDone(HResult error) const {
  if (win::ComPtr<ITerminalManagerExtCallback> callback = m_callback) callback->OnDone(error);
}

CTerminalManagerExt::CTerminalManagerExt() {
  CExeModule::Lock();
  auto session = std::make_unique<CClientSession>(this);
  m_client = session.get();
  if (CTerminalManagerServer* engine = CTerminalManagerServer::Instance()) {
    engine->AddClient(std::move(session));
  } else {
    m_client = nullptr;
  }
}

CTerminalManagerExt::~CTerminalManagerExt() {
  try {
    if (m_callback) ForcedUnadvise();
  } catch (...) {
  }
  if (m_client) m_client->ClearOwner();
  m_callback.Reset();
  CExeModule::Unlock();
}

HRESULT CTerminalManagerExt::Create(REFIID iid, void** out) {
  if (CExeModule::Stopping() || !CTerminalManagerServer::Instance()) return CO_E_SERVER_STOPPING;
  return win::CreateComInstance<CTerminalManagerExt>(iid, out);
}

HResult CTerminalManagerExt::CheckConnected() {
  if (!m_client || !m_client->HasProcess()) return kNoClientProcess;
  if (!m_client->IsAlive()) {
    if (CTerminalManagerServer* engine = CTerminalManagerServer::Instance()) engine->PostPoll(1);
    return kNoClientProcess;
  }
  if (!m_callback) return kNoCallback;
  return kOk;
}

HResult CTerminalManagerExt::CheckCanStart() {
  HResult hr = CheckConnected();
  if (IsFailure(hr)) return hr;
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  if (engine->OpenClient() != m_client) return kNotOpenClient;
  if (!engine->DeviceConnected()) return kNoDevice;
  if (engine->CurrentRequest()) return kOperationRunning;
  return kOk;
}

HResult CTerminalManagerExt::StartRequest(std::unique_ptr<CRequest> request) {
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  engine->SetCurrentRequest(std::move(request));
  engine->PostPoll(1);
  return kOk;
}

HRESULT CTerminalManagerExt::SetClientDetails(long nProcessId, BSTR strName) {
  return Guarded([&]() -> HRESULT {
    if (!m_client) return kNoClientProcess;
    m_client->SetProcess(nullptr);
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(nProcessId));
    if (!process) return kNoClientProcess;
    m_client->SetProcess(process);
    std::u16string name = std::u16string(TrimBlanks(win::FromBstr(strName)));
    if (name.empty() || name.size() > kMaxClientName) return kInvalidArgument;
    m_client->m_name = name;
    return S_OK;
  });
}

HRESULT CTerminalManagerExt::AdviseCallback(IUnknown* pICallback, long* pnCookie) {
  return Guarded([&]() -> HRESULT {
    if (!pICallback || !pnCookie) return kInvalidArgument;
    if (!m_client || !m_client->HasProcess()) return kNoClientProcess;
    if (m_callback) return kCallbackAdvised;
    win::ComPtr<ITerminalManagerExtCallback> callback;
    if (FAILED(pICallback->QueryInterface(IID_ITerminalManagerExtCallback,
                                          reinterpret_cast<void**>(callback.GetAddressOf()))) ||
        !callback)
      callback = MakeDispatchCallback(pICallback);
    if (!callback) return kNoCallbackInterface;
    win::ComPtr<IUnknown> identity;
    pICallback->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.GetAddressOf()));
    CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
    HResult hr = engine->CanAddClient(identity.Get());
    if (IsFailure(hr)) return hr;
    m_cookie = engine->NewClientCookie();
    *pnCookie = static_cast<long>(m_cookie);
    m_callback.Set(std::move(callback), std::move(identity));
    return S_OK;
  });
}

void CTerminalManagerExt::ForcedUnadvise() {
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  if (engine && m_client && engine->OpenClient() == m_client) CloseOpen(true);
  m_callback.Reset();
  m_cookie = 0;
}

HRESULT CTerminalManagerExt::UnAdviseCallback(long nCookie) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    if (static_cast<uint32_t>(nCookie) != m_cookie) return kInvalidArgument;
    ForcedUnadvise();
    return S_OK;
  });
}

HRESULT CTerminalManagerExt::GetState(long* pnState) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    if (!pnState) return kInvalidArgument;
    *pnState = static_cast<long>(CTerminalManagerServer::Instance()->GetStatusFlags());
    return S_OK;
  });
}

HRESULT CTerminalManagerExt::GetTerminalManagerInfo(BSTR* pstrInfo) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    if (!pstrInfo) return kInvalidArgument;
    return GiveBstr(CTerminalManagerServer::Instance()->ManagerInfoText(), pstrInfo);
  });
}

HRESULT CTerminalManagerExt::GetDeviceInfo(BSTR* pstrInfo) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    if (!pstrInfo) return kInvalidArgument;
    CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
    if (!engine->DeviceConnected()) return kNoDevice;
    HRESULT made = GiveBstr(engine->DeviceInfoText(), pstrInfo);
    if (FAILED(made)) return made;
    return engine->DeviceInfoAvailable() ? S_OK : kNoDeviceInfo;
  });
}

HRESULT CTerminalManagerExt::GetOpenClient(BSTR* pstrClient) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    if (!pstrClient) return kInvalidArgument;
    CClientSession* open = CTerminalManagerServer::Instance()->OpenClient();
    if (!open) return kNotOpenClient;
    return GiveBstr(open->m_name, pstrClient);
  });
}

HRESULT CTerminalManagerExt::GetLocalizedPath(long nPathId, BSTR* pstrPath) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    if (!pstrPath) return kInvalidArgument;
    std::u16string path;
    hr = CTerminalManagerServer::Instance()->DeviceFolderPath(static_cast<uint32_t>(nPathId), path);
    if (IsFailure(hr)) return hr;
    HRESULT made = GiveBstr(path, pstrPath);
    return FAILED(made) ? made : hr;
  });
}

HRESULT CTerminalManagerExt::SetSecurityMessage(BSTR strMessage, BSTR strAlways, BSTR strYes, BSTR strNo) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    std::u16string message = win::FromBstr(strMessage);
    if (message.empty() || message.size() > kMaxPromptMessage) return kInvalidArgument;
    m_client->m_promptTexts = {message, win::FromBstr(strAlways), win::FromBstr(strYes),
                               win::FromBstr(strNo)};
    return S_OK;
  });
}

HRESULT CTerminalManagerExt::SetLogDescription(BSTR strLogDescription) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    std::u16string description = win::FromBstr(strLogDescription);
    if (description.size() > kMaxLogDescription) return kInvalidArgument;
    m_client->m_logDescription = description;
    return S_OK;
  });
}

HRESULT CTerminalManagerExt::OpenTerminalManager(BSTR strConfigFile) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    const std::wstring& program = CTerminalManagerServer::Instance()->ConnectProgramPath();
    if (program.empty()) return kNoConnectProgram;
    std::u16string file = win::FromBstr(strConfigFile);
    bool wroteRequest = false;
    if (!file.empty()) {
      if (win::WriteRegString(HKEY_CURRENT_USER, kCorvansetKey, L"RequestFile", win::AsWide(file)) !=
          ERROR_SUCCESS)
        return kNoConnectProgram;
      wroteRequest = true;
    }
    std::wstring folder = program.substr(0, program.find_last_of(L"\\/") + 1);
    HINSTANCE started = ::ShellExecuteW(nullptr, nullptr, program.c_str(), nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), SW_SHOW);
    // ShellExecute reports failure with a value of 32 or less.
    if (reinterpret_cast<INT_PTR>(started) <= 32) {
      if (wroteRequest) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kCorvansetKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
          ::RegDeleteValueW(key, L"RequestFile");
          ::RegCloseKey(key);
        }
      }
      return kNoConnectProgram;
    }
    ::Sleep(LimitMilliseconds(Limit::ManagerStartPause));
    return S_OK;
  });
}

HRESULT CTerminalManagerExt::Open() {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
    if (engine->OpenClient()) return kOtherClientOpen;
    hr = engine->CheckTrust(*m_client);
    if (IsFailure(hr)) return hr;
    // The trust prompt may let other calls in; the device may have been opened meanwhile.
    if (engine->OpenClient()) return kOtherClientOpen;
    engine->SetOpenClient(m_client);
    return S_OK;
  });
}

HResult CTerminalManagerExt::CloseOpen(bool forced) {
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  if (!forced) {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
  }
  if (!engine || !m_client || engine->OpenClient() != m_client) return forced ? kOk : kNotOpenClient;
  if (engine->CurrentRequest()) {
    m_client->m_closePending = true;
    engine->CancelRequest();
    return kOk;
  }
  m_client->m_closePending = false;
  engine->CloseClient(m_client);
  return kOk;
}

HRESULT CTerminalManagerExt::Close() {
  return Guarded([&]() -> HRESULT { return CloseOpen(false); });
}

HRESULT CTerminalManagerExt::Cancel() {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
    if (engine->OpenClient() != m_client) return kNotOpenClient;
    return engine->CancelRequest();
  });
}

HRESULT CTerminalManagerExt::Respond(long nResponse) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckConnected();
    if (IsFailure(hr)) return hr;
    return CTerminalManagerServer::Instance()->RespondToRequest(static_cast<uint32_t>(nResponse));
  });
}

HRESULT CTerminalManagerExt::SendConfiguration(BSTR strBuffer) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckCanStart();
    if (IsFailure(hr)) return hr;
    if (!strBuffer) return kInvalidArgument;
    auto request = std::make_unique<CRequest>(nullptr, kRequestConfigure);
    request->Parameters().AddDword(0);
    // Only the own user interface describes a text by the settings file it came from, whose folder
    // holds the files that the text names.
    request->Parameters().AddString(m_client->m_name == kOwnUserInterface ? m_client->m_logDescription
                                                                          : std::u16string());
    request->Parameters().AddString(win::FromBstr(strBuffer));
    return StartRequest(std::move(request));
  });
}

HRESULT CTerminalManagerExt::SendConfigurationFile(BSTR strFile) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckCanStart();
    if (IsFailure(hr)) return hr;
    if (!strFile) return kInvalidArgument;
    auto request = std::make_unique<CRequest>(nullptr, kRequestConfigure);
    request->Parameters().AddDword(1);
    request->Parameters().AddString(win::FromBstr(strFile));
    request->Parameters().AddString(u"");
    return StartRequest(std::move(request));
  });
}

HRESULT CTerminalManagerExt::BackupDevice(BSTR strDriveLetters, long nArchives) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckCanStart();
    if (IsFailure(hr)) return hr;
    std::u16string drives = Upper(std::u16string(TrimBlanks(win::FromBstr(strDriveLetters))));
    if (nArchives <= 0 || drives.empty()) return kInvalidArgument;
    auto request = std::make_unique<CRequest>(nullptr, kRequestBackup);
    request->Parameters().AddString(drives);
    request->Parameters().AddDword(static_cast<uint32_t>(nArchives));
    return StartRequest(std::move(request));
  });
}

HRESULT CTerminalManagerExt::RestoreDevice(BSTR strDevice, BSTR strDriveLetters, long bFormat) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckCanStart();
    if (IsFailure(hr)) return hr;
    std::u16string drives = Upper(std::u16string(TrimBlanks(win::FromBstr(strDriveLetters))));
    if (drives.empty()) return kInvalidArgument;
    auto request = std::make_unique<CRequest>(nullptr, kRequestRestore);
    request->Parameters().AddString(win::FromBstr(strDevice));
    request->Parameters().AddString(drives);
    request->Parameters().AddDword(static_cast<uint32_t>(bFormat));
    return StartRequest(std::move(request));
  });
}

HRESULT CTerminalManagerExt::Install(BSTR strSISFile) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckCanStart();
    if (IsFailure(hr)) return hr;
    auto request = std::make_unique<CRequest>(nullptr, kRequestInstall);
    request->Parameters().AddString(win::FromBstr(strSISFile));
    return StartRequest(std::move(request));
  });
}

HRESULT CTerminalManagerExt::CopyFile(BSTR strLocal, BSTR strRemote, long bToDevice) {
  return Guarded([&]() -> HRESULT {
    HResult hr = CheckCanStart();
    if (IsFailure(hr)) return hr;
    if (!strLocal || !strRemote) return kInvalidArgument;
    // Items as the file-copy steps read them: the fifth and sixth belong to those steps.
    auto request = std::make_unique<CRequest>(nullptr, kRequestFileCopy);
    request->Parameters().AddString(FindElementName(kFileNameId));
    request->Parameters().AddString(win::FromBstr(strLocal));
    request->Parameters().AddString(win::FromBstr(strRemote));
    request->Parameters().AddDword(bToDevice ? 1 : 0);
    request->Parameters().AddDword(0);
    request->Parameters().AddString(u"");
    return StartRequest(std::move(request));
  });
}

}  // namespace orvel::engine
