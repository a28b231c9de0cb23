// The request/response exchange with the device's settings server.
#include "transport/tolvane_module.h"

namespace orvel::tessmark {

CServerRequest::CServerRequest(IMPSDRC* server, ICommonSink* sink) : m_server(server) {
  HRESULT hr = sink ? sink->QueryInterface(IID_PPV_ARGS(&m_sink)) : E_POINTER;
  if (FAILED(hr)) throw TlvxException{kErrorComObject, static_cast<std::uint32_t>(hr), text::kSinkUnknown};
}

void CServerRequest::Send() {
  HRESULT hr = m_server->SetCommand(0, Command());
  if (FAILED(hr)) throw ComCallError{hr};
  // The VARIANT only points at the payload, which this request owns; it is not cleared
  // (VariantClear refuses VT_BLOB).
  BLOB blob{static_cast<ULONG>(Payload().size()), const_cast<BYTE*>(Payload().data())};
  VARIANT payload;
  ::VariantInit(&payload);
  payload.vt = VT_BLOB;
  payload.byref = &blob;
  hr = m_server->SetPayload(payload);
  if (FAILED(hr)) throw ComCallError{hr};
  hr = m_server->Execute(m_sink.Get());
  if (FAILED(hr)) throw ComCallError{hr};
}

void CTolvaneModule::SetScratch(std::uint32_t code, std::uint32_t exError, const std::u16string& text) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_scratch = TlvxException{code, exError, text};
}

void CTolvaneModule::ReleaseResponse() { ::ReleaseSemaphore(m_responseSemaphore.get(), 1, nullptr); }

HRESULT CTolvaneModule::ProcessResponse(const BYTE* data, ULONG length) {
  if (m_busy.load() != kRunning) return E_FAIL;
  // Taken once: a response after the worker gave up waiting, or a second one, changes nothing.
  std::uint32_t awaiting = 1;
  if (!m_awaitingResponse.compare_exchange_strong(awaiting, 0)) return E_FAIL;
  bool release = true;
  SettingsResponse response = ReadSettingsResponse(data, length);
  try {
    if (response.state == codec::kStateError) SetScratch(response.code, response.exError, response.text);
    m_serverState.store(response.state);
    if (!m_cancel.load()) {
      if (response.state == codec::kStateProgress) {
        FireOnProgress(response.stage, response.tag, response.percent);
      } else if (response.state == codec::kStateQuestion) {
        // While the question is open the response stays taken; Respond (or a cancel) releases it.
        if (FireOnError(static_cast<HRESULT>(response.hError), response.answers, response.tag, response.name))
          release = false;
      }
    }
  } catch (...) {
    // Nothing leaves the sink; the worker sees a failed response.
    m_serverState.store(codec::kStateError);
    response.accepted = false;
  }
  if (release) ReleaseResponse();
  return response.accepted ? S_OK : E_FAIL;
}

void CTolvaneModule::SendRequest(CServerRequest& request) {
  m_serverState.store(0);
  // Armed before the send: the response may arrive before Execute returns.
  m_awaitingResponse.store(1);
  try {
    request.Send();
  } catch (...) {
    m_awaitingResponse.store(0);
    throw;
  }
}

void CTolvaneModule::WaitForResponse(bool waitWhileQuestionOpen) {
  for (;;) {
    DWORD wait = ::WaitForSingleObject(m_responseSemaphore.get(), Milliseconds(Duration::ResponseWait));
    if (wait == WAIT_OBJECT_0) return;
    if (waitWhileQuestionOpen && m_busy.load() == kQuestionOpen) continue;
    std::uint32_t awaiting = 1;
    if (m_awaitingResponse.compare_exchange_strong(awaiting, 0))
      throw TlvxException{kErrorNoResponse, 0, text::kNoResponse};
    // A response was taken just now; its release, or the question's answer, follows.
  }
}

void CTolvaneModule::SendAndWait(CServerRequest& request, std::uint32_t expectedState) {
  // An acknowledgement other than the expected one sends the original request again.
  const CServerRequest original = request;
  for (;;) {
    SendRequest(request);
    WaitForResponse(true);
    HandleCancel(request);
    std::uint32_t state = m_serverState.load();
    if (state == codec::kStateError) {
      std::lock_guard<std::mutex> guard(m_lock);
      throw m_scratch;
    }
    if (state == 0) throw TlvxException{kErrorBadResponse, 0, kUnknownStateText};
    if (state == expectedState) return;
    if (state == codec::kStateProgress) {
      request.SetCommand(codec::kCommandProgressAnswer);
      request.AppendULong(0);
    } else if (state == codec::kStateQuestion) {
      request.SetCommand(codec::kCommandQuestionAnswer);
      request.AppendULong(m_answer.exchange(0));
    } else {
      request = original;
    }
  }
}

void CTolvaneModule::HandleCancel(CServerRequest& request) {
  while (m_cancel.load()) {
    std::uint32_t state = m_serverState.load();
    if (state == codec::kStateProgress) {
      request.SetCommand(codec::kCommandProgressAnswer);
    } else if (state == codec::kStateQuestion) {
      request.SetCommand(codec::kCommandQuestionAnswer);
    } else {
      throw TlvxException{kErrorCancelled, 0, text::kServiceCancelled};
    }
    // The server is never left waiting: its pending progress or question gets the refusal.
    request.AppendULong(codec::kAnswerCancel);
    SendRequest(request);
    WaitForResponse(false);
  }
}

}  // namespace orvel::tessmark
