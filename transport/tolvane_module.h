// TolvaneModule: the settings transport module object. One object carries one settings transfer
// at a time on a worker thread of its own and reports through the advised ITolvaneCallback.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "econnect.h"
#include "support/win/com.h"
#include "support/win/handle.h"
#include "tessmark.h"
#include "transport/codec/codec.h"
#include "transport/durations.h"
#include "transport/tlvx_exception.h"

namespace orvel::tessmark {

using win::ComPtr;

// Creates the EPOC Connect objects; CoCreateInstance in process unless a test puts in its own.
using ObjectCreator = HRESULT (*)(REFCLSID clsid, REFIID iid, void** out);
void SetObjectCreator(ObjectCreator creator);  // null restores CoCreateInstance

struct CForcedError {
  HRESULT hError;
  std::uint32_t nResponse;
  std::u16string strTag;
  std::u16string strName;
};

// The errors that DebugForceError queued; the debug simulation asks them in order.
class CForcedErrorList {
 public:
  // 0, or 14 when out of memory.
  std::uint32_t Append(CForcedError error);
  void Clear() { m_entries.clear(); }
  bool Empty() const { return m_entries.empty(); }
  void Rewind() { m_cursor = 0; }
  // The entry at the cursor, or null at the end; the cursor moves on.
  const CForcedError* Next() { return m_cursor < m_entries.size() ? &m_entries[m_cursor++] : nullptr; }

 private:
  std::vector<CForcedError> m_entries;
  std::size_t m_cursor = 0;
};

class CTolvaneModule;

// The response sink and copy-progress sink of one operation. It forwards to the module while the
// operation runs; once detached, late calls from EPOC Connect are refused.
class CResponseSink : public win::CComObject<ICommonSink, ITransferProgressSink> {
 public:
  explicit CResponseSink(CTolvaneModule* owner) : m_owner(owner) {}
  void Detach();

  HRESULT STDMETHODCALLTYPE ProcessResponse(BYTE* data, ULONG length) override;
  HRESULT STDMETHODCALLTYPE OnProgress(SHORT percent, LONG* cancel) override;
  HRESULT STDMETHODCALLTYPE OnBegin(BSTR, BSTR) override { return 50; }
  HRESULT STDMETHODCALLTYPE OnEnd(LONG) override { return 50; }

 private:
  std::mutex m_lock;
  CTolvaneModule* m_owner;
};

// A request to the settings server on the server object; the send hands the command, the payload
// and the response sink over.
class CServerRequest : public CEncodeRequest {
 public:
  // Throws TlvxException 64 when the sink gives no IUnknown.
  CServerRequest(IMPSDRC* server, ICommonSink* sink);
  // Throws ComCallError for a failing call.
  void Send();

 private:
  ComPtr<IMPSDRC> m_server;
  ComPtr<IUnknown> m_sink;
};

class CTolvaneModule : public win::CComObject<ITolvaneModule> {
 public:
  CTolvaneModule();
  ~CTolvaneModule() override;

  // The caller's references; the last one cancels the running operation (an open question is
  // answered with 4). The worker keeps the object alive with a reference of its own until it ends.
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ITolvaneModule
  HRESULT STDMETHODCALLTYPE Cancel() override;
  HRESULT STDMETHODCALLTYPE SendConfiguration(BSTR strBuffer) override;
  HRESULT STDMETHODCALLTYPE SendConfigurationFile(BSTR strFileName) override;
  HRESULT STDMETHODCALLTYPE ReadConfiguration(BSTR* strBuffer) override;
  HRESULT STDMETHODCALLTYPE ReadConfigurationFile(BSTR strFileName) override;
  HRESULT STDMETHODCALLTYPE Respond(LONG nResponse) override;
  HRESULT STDMETHODCALLTYPE DebugForceError(HRESULT hError, LONG nResponse, BSTR strTag,
                                            BSTR strName) override;
  HRESULT STDMETHODCALLTYPE AdviseCallback(ITolvaneCallback* pITolvaneCallback, LONG* pCookie) override;
  HRESULT STDMETHODCALLTYPE UnAdviseCallback(LONG nCookie) override;
  HRESULT STDMETHODCALLTYPE GetLastError(LONG* pError, LONG* pExError, BSTR* pErrorStr) override;

  // ICommonSink and ITransferProgressSink, reached through the operation's CResponseSink.
  HRESULT ProcessResponse(const BYTE* data, ULONG length);
  HRESULT OnCopyProgress(SHORT percent, LONG* cancel);

 private:
  enum : std::uint32_t { kIdle = 0, kRunning = 1, kQuestionOpen = 2 };
  enum : std::uint32_t { kSendText = 1, kSendFile = 2, kReadFile = 4 };

  HRESULT StartOperation(std::uint32_t kind, BSTR argument);
  static unsigned __stdcall OperationThreadProc(void* self);
  void RunOperation();
  void CancelOperation();

  // Callbacks, called on the worker thread.
  bool FireOnError(HRESULT hError, std::uint32_t nResponse, const std::u16string& strTag,
                   const std::u16string& strName);
  void FireOnProgress(std::uint32_t nStage, const std::u16string& strTag, std::uint32_t nPercent);
  void FireOnDone(HRESULT hError);
  ComPtr<ITolvaneCallback> TakeCallback();
  // The callback of a running operation, taken under the lock that guard holds; without one the
  // operation is cancelled and null is given (the lock then let go).
  ComPtr<ITolvaneCallback> CallbackOrCancel(std::unique_lock<std::mutex>& guard);

  // Debug mode.
  void SimulateSend();
  bool SimulateResponse(const CForcedError& error);
  void SimulateProgress(std::uint32_t stage, const std::u16string& tag, int from, int step, Duration pause);

  // The transfer (transfer.cpp).
  void SendSettingsText(const std::u16string& text);
  void WriteSettingsFile(const std::u16string& text, const std::wstring& path);
  void DoSendConfig(const std::wstring& path);
  void ConnectGenericServer();
  void InstallRemoteFiles();
  void CopyIfDifferent(const std::wstring& source, const std::wstring& target, bool required);
  void DeleteDeviceCopy();
  void Disconnect();

  // The exchange with the settings server (exchange.cpp).
  void SendAndWait(CServerRequest& request, std::uint32_t expectedState);
  void HandleCancel(CServerRequest& request);
  void SendRequest(CServerRequest& request);
  void WaitForResponse(bool waitWhileQuestionOpen);
  void SetScratch(std::uint32_t code, std::uint32_t exError, const std::u16string& text);
  void ReleaseResponse();

  // Guards the callback, the forced errors, the last error and the error scratch, and every change
  // of busy that a question's answer depends on. Never held during a callback.
  std::mutex m_lock;
  ITolvaneCallback* m_callback = nullptr;  // no reference is added at advise
  CForcedErrorList m_forcedErrors;
  std::u16string m_argument;
  std::atomic<std::uint32_t> m_busy{kIdle};
  std::atomic<std::uint32_t> m_serverState{0};
  std::atomic<std::uint32_t> m_kind{0};
  std::atomic<std::uint32_t> m_answer{0};
  std::atomic<std::uint32_t> m_fileStage{0};
  std::atomic<std::uint32_t> m_cancel{0};
  // 1 while a request waits for its response: a response is taken by exactly one of
  // ProcessResponse and the worker's time-out.
  std::atomic<std::uint32_t> m_awaitingResponse{0};
  win::UniqueKernelHandle m_responseSemaphore;
  TlvxException m_scratch;
  TlvxException m_lastError;
  LONG m_external = 1;

  // EPOC Connect objects while a transfer runs; the worker thread's only.
  ComPtr<IECEngine> m_engine;
  ComPtr<IMPSDRC> m_server;
  ComPtr<CResponseSink> m_sink;
};

}  // namespace orvel::tessmark
