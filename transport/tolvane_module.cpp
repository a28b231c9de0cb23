#include "transport/tolvane_module.h"

#include <process.h>

#include <bit>
#include <new>
#include <stdexcept>

#include "support/u16text.h"
#include "support/win/wide.h"

namespace orvel::tessmark {

std::uint32_t CForcedErrorList::Append(CForcedError error) {
  try {
    m_entries.push_back(std::move(error));
    return 0;
  } catch (const std::bad_alloc&) {
    return 14;
  }
}

void CResponseSink::Detach() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_owner = nullptr;
}

HRESULT CResponseSink::ProcessResponse(BYTE* data, ULONG length) {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_owner ? m_owner->ProcessResponse(data, length) : E_FAIL;
}

HRESULT CResponseSink::OnProgress(SHORT percent, LONG* cancel) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_owner) {
    if (cancel) *cancel = 1;
    return S_OK;
  }
  return m_owner->OnCopyProgress(percent, cancel);
}

CTolvaneModule::CTolvaneModule() {
  m_responseSemaphore.reset(::CreateSemaphoreW(nullptr, 0, 1, nullptr));
  if (!m_responseSemaphore) throw std::runtime_error("CTolvaneModule: no semaphore");
}

// Only reached once the caller's last reference and the worker's are gone, so nothing waits here.
CTolvaneModule::~CTolvaneModule() = default;

ULONG CTolvaneModule::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_external)); }

ULONG CTolvaneModule::Release() {
  LONG left = ::InterlockedDecrement(&m_external);
  if (left == 0) {
    // The caller is gone: nobody can answer a question or receive OnDone any more.
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_callback = nullptr;
    }
    CancelOperation();
    CComObject::Release();
  }
  return static_cast<ULONG>(left);
}

void CTolvaneModule::CancelOperation() {
  std::lock_guard<std::mutex> guard(m_lock);
  std::uint32_t busy = m_busy.load();
  if (busy == kIdle) {
    m_forcedErrors.Clear();
    return;
  }
  m_cancel.store(1);
  if (busy == kQuestionOpen) {
    // An open question is answered with the refusal, so the worker always ends.
    m_answer.store(codec::kAnswerCancel);
    m_busy.store(kRunning);
    ::ReleaseSemaphore(m_responseSemaphore.get(), 1, nullptr);
  }
}

HRESULT CTolvaneModule::Cancel() {
  CancelOperation();
  return S_OK;
}

HRESULT CTolvaneModule::SendConfiguration(BSTR strBuffer) { return StartOperation(kSendText, strBuffer); }

HRESULT CTolvaneModule::SendConfigurationFile(BSTR strFileName) {
  return StartOperation(kSendFile, strFileName);
}

HRESULT CTolvaneModule::ReadConfiguration(BSTR* strBuffer) {
  if (strBuffer) *strBuffer = nullptr;
  return kReadNotSupported;
}

HRESULT CTolvaneModule::ReadConfigurationFile(BSTR strFileName) {
  return StartOperation(kReadFile, strFileName);
}

HRESULT CTolvaneModule::StartOperation(std::uint32_t kind, BSTR argument) {
  try {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_callback) return kNoCallback;
    if (m_busy.load() != kIdle) return kBusy;
    m_argument = win::FromBstr(argument);
    m_kind.store(kind);
    // Cleared here, not by the worker, so that a Cancel before the worker runs is not lost.
    m_cancel.store(0);
    m_answer.store(0);
    m_lastError = TlvxException{};
    m_busy.store(kRunning);
    // The worker's reference and a hold on this library keep both alive until the worker returns.
    CComObject::AddRef();
    HMODULE self = nullptr;
    if (win::CModule::Instance() != ::GetModuleHandleW(nullptr))
      self = ::LoadLibraryW(win::CModule::Path().c_str());
    struct Start {
      CTolvaneModule* module;
      HMODULE library;
    };
    Start* start = new Start{this, self};
    unsigned id = 0;
    uintptr_t thread = _beginthreadex(nullptr, 0, &OperationThreadProc, start, 0, &id);
    if (!thread) {
      delete start;
      if (self) ::FreeLibrary(self);
      m_busy.store(kIdle);
      m_kind.store(0);
      m_argument.clear();
      CComObject::Release();
      return HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY);
    }
    // Nothing waits for the worker; its handle is not needed.
    ::CloseHandle(reinterpret_cast<HANDLE>(thread));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT CTolvaneModule::Respond(LONG nResponse) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_busy.load() != kQuestionOpen) return kNoQuestion;
  std::uint32_t answer = static_cast<std::uint32_t>(nResponse);
  if (std::popcount(answer & m_answer.load()) != 1) return kBadAnswer;
  m_answer.store(answer);
  if (answer == codec::kAnswerCancel) m_cancel.store(1);
  m_busy.store(kRunning);
  ::ReleaseSemaphore(m_responseSemaphore.get(), 1, nullptr);
  return S_OK;
}

HRESULT CTolvaneModule::DebugForceError(HRESULT hError, LONG nResponse, BSTR strTag, BSTR strName) {
  try {
    CForcedError error{hError, static_cast<std::uint32_t>(nResponse), win::FromBstr(strTag),
                       win::FromBstr(strName)};
    std::lock_guard<std::mutex> guard(m_lock);
    return m_forcedErrors.Append(std::move(error)) ? kOutOfMemory : S_OK;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
}

HRESULT CTolvaneModule::AdviseCallback(ITolvaneCallback* pITolvaneCallback, LONG* pCookie) {
  if (!pITolvaneCallback || !pCookie) return E_POINTER;
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_callback) return kAlreadyAdvised;
  m_callback = pITolvaneCallback;
  *pCookie = static_cast<LONG>(reinterpret_cast<std::uintptr_t>(pITolvaneCallback));
  return S_OK;
}

HRESULT CTolvaneModule::UnAdviseCallback(LONG nCookie) {
  ITolvaneCallback* removed = nullptr;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (nCookie == 0 || !m_callback ||
        static_cast<LONG>(reinterpret_cast<std::uintptr_t>(m_callback)) != nCookie)
      return kNoCallback;
    removed = m_callback;
    m_callback = nullptr;
  }
  removed->Release();
  return S_OK;
}

HRESULT CTolvaneModule::GetLastError(LONG* pError, LONG* pExError, BSTR* pErrorStr) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (pError) *pError = static_cast<LONG>(m_lastError.code);
  if (pExError) *pExError = static_cast<LONG>(m_lastError.exError);
  if (pErrorStr) {
    *pErrorStr = win::NewBstr(m_lastError.text);
    if (!*pErrorStr) return E_OUTOFMEMORY;
  }
  return S_OK;
}

ComPtr<ITolvaneCallback> CTolvaneModule::TakeCallback() {
  // Queried under the lock, so that an UnAdviseCallback cannot release it in between.
  ComPtr<ITolvaneCallback> callback;
  if (m_callback) m_callback->QueryInterface(IID_PPV_ARGS(&callback));
  return callback;
}

ComPtr<ITolvaneCallback> CTolvaneModule::CallbackOrCancel(std::unique_lock<std::mutex>& guard) {
  ComPtr<ITolvaneCallback> callback = TakeCallback();
  if (!callback) {
    // Nobody listens any more: the operation stops (outside the lock, which the cancel takes).
    guard.unlock();
    CancelOperation();
  }
  return callback;
}

bool CTolvaneModule::FireOnError(HRESULT hError, std::uint32_t nResponse, const std::u16string& strTag,
                                 const std::u16string& strName) {
  ComPtr<ITolvaneCallback> callback;
  {
    std::unique_lock<std::mutex> guard(m_lock);
    callback = CallbackOrCancel(guard);
    if (!callback) return false;
    // A question that a cancel has overtaken is not asked: nobody would answer it.
    if (m_busy.load() != kRunning || m_cancel.load()) return false;
    m_answer.store(nResponse);
    m_busy.store(kQuestionOpen);
  }
  win::UniqueBstr tag(strTag), name(strName);
  callback->OnError(hError ? hError | static_cast<HRESULT>(0x80040000) : 0, static_cast<LONG>(nResponse),
                    tag.get(), name.get());
  return true;
}

void CTolvaneModule::FireOnProgress(std::uint32_t nStage, const std::u16string& strTag,
                                    std::uint32_t nPercent) {
  ComPtr<ITolvaneCallback> callback;
  {
    std::unique_lock<std::mutex> guard(m_lock);
    callback = CallbackOrCancel(guard);
    if (!callback) return;
    if (m_busy.load() != kRunning) return;
  }
  win::UniqueBstr tag(strTag);
  callback->OnProgress(static_cast<LONG>(nStage), tag.get(), static_cast<LONG>(nPercent));
}

void CTolvaneModule::FireOnDone(HRESULT hError) {
  ComPtr<ITolvaneCallback> callback;
  {
    // The operation ends here whatever state a late question left, so there is exactly one OnDone.
    std::lock_guard<std::mutex> guard(m_lock);
    callback = TakeCallback();
    m_busy.store(kIdle);
    m_kind.store(0);
  }
  if (callback) callback->OnDone(hError);
}

unsigned __stdcall CTolvaneModule::OperationThreadProc(void* param) {
  struct Start {
    CTolvaneModule* module;
    HMODULE library;
  };
  Start start = *static_cast<Start*>(param);
  delete static_cast<Start*>(param);
  start.module->RunOperation();
  start.module->CComObject::Release();
  if (start.library) ::FreeLibraryAndExitThread(start.library, 0);
  return 0;
}

void CTolvaneModule::RunOperation() {
  ::CoInitialize(nullptr);
  bool debug;
  std::u16string argument;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    debug = !m_forcedErrors.Empty();
    argument = m_argument;
  }
  std::uint32_t result = 0;
  try {
    try {
      if (m_cancel.load()) throw TlvxException{kErrorCancelled, 0, text::kServiceCancelled};
      switch (m_kind.load()) {
        case kSendText:
        case kSendFile:
          if (debug) {
            SimulateSend();
            std::lock_guard<std::mutex> guard(m_lock);
            m_forcedErrors.Clear();
          } else if (m_kind.load() == kSendText) {
            SendSettingsText(argument);
          } else {
            DoSendConfig(win::AsWide(argument));
          }
          break;
        default:
          if (debug) throw TlvxException{kErrorNoDebugMode, 0, text::kNoDebugMode};
          throw TlvxException{kErrorNotSupported, 0, text::kReadNotSupported};
      }
    } catch (const std::bad_alloc&) {
      throw TlvxException{kErrorOutOfMemory, 0, text::kEncodeOutOfMemory};
    } catch (const CodecError& e) {
      throw TlvxException{e.code(), 0, FromUtf8(e.what())};
    }
  } catch (const TlvxException& e) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_cancel.load()) {
      m_lastError = TlvxException{kErrorCancelled, 0, text::kServiceCancelled};
    } else {
      m_lastError = e;
    }
    result = m_lastError.code;
  } catch (...) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lastError = TlvxException{kErrorOutOfMemory, 0, text::kEncodeOutOfMemory};
    result = m_lastError.code;
  }
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_argument.clear();
  }
  Disconnect();
  FireOnDone(ModuleResult(result));
  ::CoUninitialize();
}

void CTolvaneModule::SimulateProgress(std::uint32_t stage, const std::u16string& tag, int from, int step,
                                      Duration pause) {
  for (int percent = from; percent < 100; percent += step) {
    if (m_cancel.load()) return;
    FireOnProgress(stage, tag, static_cast<std::uint32_t>(percent));
    ::Sleep(Milliseconds(pause));
  }
  FireOnProgress(stage, tag, 100);
}

void CTolvaneModule::SimulateSend() {
  ::Sleep(Milliseconds(Duration::SimulationStart));
  SimulateProgress(2, u"", 10, 10, Duration::SimulationCopyStep);
  if (m_cancel.load()) return;
  SimulateProgress(3, u"", 5, 5, Duration::SimulationApplyStep);
  if (m_cancel.load()) return;
  std::vector<CForcedError> errors;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_forcedErrors.Rewind();
    while (const CForcedError* error = m_forcedErrors.Next()) errors.push_back(*error);
  }
  for (const CForcedError& error : errors) {
    if (m_cancel.load() || !SimulateResponse(error)) return;
  }
}

bool CTolvaneModule::SimulateResponse(const CForcedError& error) {
  for (;;) {
    // Only a question that was really asked is waited for; without a callback the module cancels
    // itself and nothing would ever answer.
    if (!FireOnError(error.hError, error.nResponse, error.strTag, error.strName)) return false;
    ::WaitForSingleObject(m_responseSemaphore.get(), INFINITE);
    switch (m_answer.load()) {
      case 1:
        ::Sleep(Milliseconds(Duration::SimulationRetry));
        continue;
      case codec::kAnswerCancel:
        m_cancel.store(1);
        return false;
      case 16:
      case 32:
      case 64:
        SimulateProgress(4, error.strTag, 10, 10, Duration::SimulationElement);
        return !m_cancel.load();
      default:
        return true;
    }
  }
}

}  // namespace orvel::tessmark
