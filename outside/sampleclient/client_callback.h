// A client's ITerminalManagerExtCallback that records every call it receives, in order, as one
// line of text, and can print each line as it arrives.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "support/win/com.h"
#include "vantrel.h"

namespace orvel::sampleclient {

class CClientCallback : public win::CComObject<ITerminalManagerExtCallback> {
 public:
  // Lines look like "OnStateChanged 5", "OnError 0x80040204 13 tag value", "OnProgress 2 tag 50",
  // "OnDone 0x80040101".
  using Listener = std::function<void(const std::string& line)>;
  explicit CClientCallback(Listener listener = {}) : m_listener(std::move(listener)) {}

  std::vector<std::string> Lines() const;
  size_t Count() const;

  // Callbacks are reached through the vtable only; the type library marshals them.
  ORVEL_DISPATCH_BY_VTABLE_ONLY

  HRESULT STDMETHODCALLTYPE OnStateChanged(long nState) override;
  HRESULT STDMETHODCALLTYPE OnError(long hError, long nResponse, BSTR strTag, BSTR strValue) override;
  HRESULT STDMETHODCALLTYPE OnProgress(long nStage, BSTR strTag, long nPercent) override;
  HRESULT STDMETHODCALLTYPE OnDone(long hError) override;

 private:
  void Record(std::string line);

  Listener m_listener;
  mutable std::mutex m_lock;
  std::vector<std::string> m_lines;
};

// "0x%08X".
std::string HexCode(long code);
// UTF-8 of a BSTR (null is empty).
std::string Utf8(BSTR text);

// Runs the thread's messages for up to ms milliseconds, or until done() is true; true when it was.
// done() is called once per pass, so it may have effects (a call that succeeds only once).
bool PumpMessages(DWORD ms, const std::function<bool()>& done = {});

}  // namespace orvel::sampleclient
