#include "progress/progress.h"

#include <cstdio>
#include <cwchar>

#include "progress/durations.h"
#include "support/win/wide.h"

namespace orvel::vantrelix {

namespace {

constexpr wchar_t kWindowClass[] = L"VantrelixProgressWnd";
constexpr UINT kWindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_NOCLOSE;  // 0x0203

bool SameTextNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.empty() || b.empty()) return a.empty() && b.empty();
  return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, reinterpret_cast<const wchar_t*>(a.data()),
                          static_cast<int>(a.size()), reinterpret_cast<const wchar_t*>(b.data()),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::u16string SecondsToComplete(LONG seconds) {
  char text[48];
  std::snprintf(text, sizeof(text), "%ld seconds to complete", static_cast<long>(seconds));
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

// Reads titles without sending WM_GETTEXT, so that a window of this process whose thread is busy
// cannot stall the search.
BOOL CALLBACK FindEngineWindowProc(HWND window, LPARAM found) {
  wchar_t title[261] = {};
  ::InternalGetWindowText(window, title, 261);
  if (std::wcscmp(title, relay::kEngineWindowName) != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

uint32_t WindowWord(HWND window) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)); }

// A 16-bit value as the 32-bit field of a record keeps its sign.
uint32_t Widen(SHORT value) { return static_cast<uint32_t>(static_cast<int32_t>(value)); }

}  // namespace

// ---- CProgressWnd

bool CProgressWnd::Create() {
  m_loopStarted.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!m_loopStarted) return false;
  return win::CWindow::Create(kWindowClass, kWindowClassStyle, WS_EX_TOPMOST, WS_POPUP,
                              relay::kRelayWindowName, RECT{0, 0, 10, 10});
}

// The module stays loaded while an abandoned window waits for its final message.
CProgressWnd::~CProgressWnd() {
  if (m_abandoned) win::CModule::Unlock();
}

void CProgressWnd::Abandon() {
  {
    std::lock_guard<std::recursive_mutex> lock(m_ownerLock);
    m_owner = nullptr;
  }
  win::CModule::Lock();
  m_abandoned = true;
  HWND window = Handle();
  if (!window) {
    if (MessageDepth() == 0) delete this;
    return;
  }
  // Only the owning thread may destroy a window; another one asks that thread to close it.
  if (::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) {
    Destroy();
  } else if (!::PostMessageW(window, WM_CLOSE, 0, 0)) {
    // The window's thread has gone (and with it the window): nothing will come.
    delete this;
  }
}

void CProgressWnd::OnFinalMessage() {
  if (m_abandoned) delete this;
}

void CProgressWnd::UnregisterWindowClass() { ::UnregisterClassW(kWindowClass, win::CModule::Instance()); }

void CProgressWnd::PrepareModal() {
  m_ended = false;
  m_result = 0;
  if (m_loopStarted) ::ResetEvent(m_loopStarted.get());
  m_waitingThread = ::GetCurrentThreadId();
}

LONG CProgressWnd::RunModalLoop() {
  LONG result = 0;
  for (;;) {
    // An end that came before the loop began (an abort on this thread, or an answer that arrived
    // while the question was being sent) still ends it.
    if (m_ended) {
      result = m_result;
      break;
    }
    if (m_loopStarted) ::SetEvent(m_loopStarted.get());
    MSG message;
    BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      if (got == 0) ::PostQuitMessage(static_cast<int>(message.wParam));
      result = -1;
      break;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  m_waitingThread = 0;
  return result;
}

void CProgressWnd::EndModalLoop(LONG value) {
  DWORD waiting = m_waitingThread;
  if (waiting != 0 && waiting != ::GetCurrentThreadId()) {
    if (m_loopStarted) ::WaitForSingleObject(m_loopStarted.get(), DurationMs(Duration::AnswerLoopStart));
    ::Sleep(DurationMs(Duration::AfterLoopStart));
  }
  m_result = value;
  m_ended = true;
  // The answer is dispatched inside GetMessage, which waits on for a posted message.
  if (waiting != 0) ::PostThreadMessageW(waiting, WM_NULL, 0, 0);
}

LRESULT CProgressWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) return OnCopyData(wParam, lParam);
  return DefaultProc(message, wParam, lParam);
}

LRESULT CProgressWnd::OnCopyData(WPARAM wParam, LPARAM lParam) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  relay::RelayRecord record;
  if (!data || !relay::ReadRelayRecord(data->lpData, data->cbData, record))
    return DefaultProc(WM_COPYDATA, wParam, lParam);
  std::lock_guard<std::recursive_mutex> lock(m_ownerLock);
  if (m_owner) m_owner->OnRelayAnswer(record);
  return TRUE;
}

// ---- CProgress

CProgress::CProgress() : m_window(new CProgressWnd(*this)) { m_window->Create(); }

CProgress::~CProgress() { m_window->Abandon(); }

void CProgress::ResetRelayState() {
  m_cancelled = 0;
  m_lastText.clear();
  m_lastValue = 0;
}

bool CProgress::StartRelay(uint32_t id) {
  HWND found = nullptr;
  ::EnumWindows(&FindEngineWindowProc, reinterpret_cast<LPARAM>(&found));
  if (!found) {
    AbortWait();
    return false;
  }
  m_engineWindow = found;
  return SendRelayRecord(id, relay::kStart, 0);
}

bool CProgress::SendRelayRecord(uint32_t id, uint32_t code, uint32_t value, std::u16string_view text,
                                uint32_t value2) {
  HWND own = m_window->Handle();
  if (!m_engineWindow || !own) {
    AbortWait();
    return false;
  }
  relay::RelayRecord record = relay::MakeRelayRecord(WindowWord(own), id, code, value, value2);
  relay::SetRelayText(record, text);
  COPYDATASTRUCT data = {0, sizeof(record), &record};
  LRESULT reply = ::SendMessageW(m_engineWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(own),
                                 reinterpret_cast<LPARAM>(&data));
  if (reply == 0) {
    AbortWait();
    return false;
  }
  return true;
}

void CProgress::AbortWait() {
  m_cancelled = 1;
  m_window->EndModalLoop(0);
}

bool CProgress::IsNewProgress(std::u16string_view text, SHORT value) {
  if (value == m_lastValue && SameTextNoCase(text, m_lastText)) return false;
  m_lastText.assign(text);
  m_lastValue = value;
  return true;
}

HRESULT CProgress::Ask(uint32_t id, uint32_t code, uint32_t value, std::u16string_view text, LONG* answer) {
  if (!answer) return E_POINTER;
  *answer = 0;
  if (m_cancelled) return S_OK;
  try {
    m_window->PrepareModal();
    SendRelayRecord(id, code, value, text);
    *answer = m_window->RunModalLoop();
  } catch (...) {
    *answer = 0;
  }
  return S_OK;
}

void CProgress::OnRelayAnswer(const relay::RelayRecord& record) {
  uint32_t cancelCode = 0, answerCode = 0;
  if (record.id == relay::kRestore) {
    cancelCode = relay::kRestoreCancel;
    answerCode = relay::kRestoreAnswer;
  } else if (record.id == relay::kFileCopy) {
    cancelCode = relay::kFileCopyCancel;
    answerCode = relay::kFileCopyAnswer;
  } else {
    return;
  }
  if (record.code == cancelCode) {
    AbortWait();
  } else if (record.code == answerCode) {
    m_window->EndModalLoop(static_cast<LONG>(record.value));
  }
}

// ---- IRestoreProgressSink

HRESULT CProgress::OnRestoreInit() {
  ResetRelayState();
  return S_OK;
}

HRESULT CProgress::OnRestoreStart() {
  // Reset first: a start that finds no engine window must leave the relay cancelled.
  ResetRelayState();
  try {
    StartRelay(relay::kRestore);
  } catch (...) {
  }
  return S_OK;
}

HRESULT CProgress::OnRestoreReset() {
  ResetRelayState();
  return S_OK;
}

HRESULT CProgress::OnRestoreProgress(LONG, BSTR text, SHORT value, SHORT number, LONG seconds, LONG* cancel) {
  if (!cancel) return E_POINTER;
  *cancel = 0;
  if (m_cancelled) {
    *cancel = 1;
    return S_OK;
  }
  try {
    std::u16string relayed = win::FromBstr(text);
    if (!IsNewProgress(relayed, value)) return S_OK;
    if (value == 0)
      SendRelayRecord(relay::kRestore, relay::kProgress, relay::kTimeEstimate, SecondsToComplete(seconds),
                      Widen(number));
    SendRelayRecord(relay::kRestore, relay::kProgress, relay::kProgressText, relayed, Widen(value));
  } catch (...) {
  }
  return S_OK;
}

HRESULT CProgress::OnRestoreStatus(SHORT status, BSTR text1, BSTR text2, LONG* cancel) {
  if (!cancel) return E_POINTER;
  *cancel = 0;
  if (m_cancelled) {
    *cancel = 1;
    return S_OK;
  }
  try {
    switch (status) {
      case 0:
        SendRelayRecord(relay::kRestore, relay::kProgress, relay::kRestoreStep1);
        break;
      case 1:
        SendRelayRecord(relay::kRestore, relay::kProgress, relay::kRestoreStep2, win::FromBstr(text1));
        break;
      case 2:
      case 5:
        SendRelayRecord(relay::kRestore, relay::kProgress, relay::kRestoreStep3, win::FromBstr(text1));
        break;
      case 3:
        SendRelayRecord(relay::kRestore, relay::kProgress, relay::kRestoreStep4, win::FromBstr(text1));
        break;
      case 4:
        SendRelayRecord(relay::kRestore, relay::kProgress, relay::kProgressText, win::FromBstr(text2));
        break;
      default:
        break;
    }
  } catch (...) {
  }
  return S_OK;
}

HRESULT CProgress::OnRestoreAskNumber(LONG, LONG number, LONG* answer) {
  return Ask(relay::kRestore, relay::kAskNumber, static_cast<uint32_t>(number), {}, answer);
}

HRESULT CProgress::OnRestoreAskText(BSTR text, LONG, LONG, LONG, LONG, LONG* answer) {
  try {
    return Ask(relay::kRestore, relay::kAskText, 0, win::FromBstr(text), answer);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CProgress::OnRestoreFinished(LONG result) {
  try {
    SendRelayRecord(relay::kRestore, relay::kFinished, static_cast<uint32_t>(result));
  } catch (...) {
  }
  ForgetEngineWindow();
  ResetRelayState();
  return S_OK;
}

HRESULT CProgress::OnRestoreClear() {
  ForgetEngineWindow();
  ResetRelayState();
  return S_OK;
}

// ---- IFileCopyProgressSink

HRESULT CProgress::OnCopyInit() {
  ResetRelayState();
  return S_OK;
}

HRESULT CProgress::OnCopyReset() {
  ResetRelayState();
  return S_OK;
}

HRESULT CProgress::OnCopyClear() {
  ResetRelayState();
  return S_OK;
}

HRESULT CProgress::OnCopyStart() {
  // Reset first: a start that finds no engine window must leave the relay cancelled.
  ResetRelayState();
  try {
    StartRelay(relay::kFileCopy);
  } catch (...) {
  }
  return S_OK;
}

HRESULT CProgress::OnCopyProgress(LONG, BSTR text1, LONG, BSTR text2, SHORT value, LONG, LONG* cancel) {
  if (!cancel) return E_POINTER;
  *cancel = 0;
  if (m_cancelled) {
    *cancel = 1;
    return S_OK;
  }
  try {
    std::u16string relayed = win::FromBstr(text1) + u"\n" + win::FromBstr(text2);
    if (IsNewProgress(relayed, value))
      SendRelayRecord(relay::kFileCopy, relay::kProgress, relay::kProgressText, relayed, Widen(value));
  } catch (...) {
  }
  return S_OK;
}

HRESULT CProgress::OnCopyFinished() {
  ForgetEngineWindow();
  ResetRelayState();
  return S_OK;
}

HRESULT CProgress::OnCopyAskExists(BSTR, BSTR, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG,
                                   LONG, LONG, LONG, LONG* answer) {
  return Ask(relay::kFileCopy, relay::kAskNumber, relay::kCopyExistsNumber, {}, answer);
}

HRESULT CProgress::OnCopySkipped() { return S_OK; }

HRESULT CProgress::OnCopyQueryMode(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG* value) {
  if (!value) return E_POINTER;
  *value = 2;
  return S_OK;
}

HRESULT CProgress::OnCopyAskNumber(LONG, LONG number, LONG* answer) {
  return Ask(relay::kFileCopy, relay::kAskNumber, static_cast<uint32_t>(number), {}, answer);
}

HRESULT CProgress::OnCopyIdle() { return S_OK; }

}  // namespace orvel::vantrelix
