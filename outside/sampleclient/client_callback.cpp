#include "outside/sampleclient/client_callback.h"

#include <cstdio>

namespace orvel::sampleclient {

std::string HexCode(long code) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

std::string Utf8(BSTR text) {
  if (!text) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(::SysStringLen(text)), nullptr, 0, nullptr,
                                nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(::SysStringLen(text)), out.data(), n, nullptr,
                        nullptr);
  return out;
}

bool PumpMessages(DWORD ms, const std::function<bool()>& done) {
  DWORD start = ::GetTickCount();
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    if (done && done()) return true;
    DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= ms) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed < 50 ? ms - elapsed : 50, QS_ALLINPUT);
  }
}

std::vector<std::string> CClientCallback::Lines() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_lines;
}

size_t CClientCallback::Count() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_lines.size();
}

void CClientCallback::Record(std::string line) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lines.push_back(line);
  }
  if (m_listener) m_listener(line);
}

HRESULT CClientCallback::OnStateChanged(long nState) {
  Record("OnStateChanged " + std::to_string(nState));
  return S_OK;
}

HRESULT CClientCallback::OnError(long hError, long nResponse, BSTR strTag, BSTR strValue) {
  Record("OnError " + HexCode(hError) + " " + std::to_string(nResponse) + " " + Utf8(strTag) + " " +
         Utf8(strValue));
  return S_OK;
}

HRESULT CClientCallback::OnProgress(long nStage, BSTR strTag, long nPercent) {
  Record("OnProgress " + std::to_string(nStage) + " " + Utf8(strTag) + " " + std::to_string(nPercent));
  return S_OK;
}

HRESULT CClientCallback::OnDone(long hError) {
  Record("OnDone " + HexCode(hError));
  return S_OK;
}

}  // namespace orvel::sampleclient
