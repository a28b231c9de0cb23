#include "support/win/message_window.h"

namespace orvel::win {

namespace {

// The one message that carries posted data: wParam is the message given to PostData, lParam the
// holder. Registered, so that no message of a derived class can be taken for it.
UINT DataMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"Orvel.PostedData");
  return message;
}

}  // namespace

bool CMessageWindow::Create(const wchar_t* className, const wchar_t* title, UINT classStyle, DWORD exStyle,
                            DWORD style) {
  return CWindow::Create(className, classStyle, exStyle, style & ~WS_VISIBLE, title, RECT{0, 0, 10, 10});
}

bool CMessageWindow::PostHolder(HWND window, UINT message, std::unique_ptr<CPosted> posted) {
  // A pointer means nothing in another process.
  DWORD process = 0;
  const UINT data = DataMessage();
  if (!data || !window || !::GetWindowThreadProcessId(window, &process) || process != ::GetCurrentProcessId())
    return false;
  if (!::PostMessageW(window, data, message, reinterpret_cast<LPARAM>(posted.get()))) return false;
  posted.release();  // the window frees it, handled or not
  return true;
}

LRESULT CMessageWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == DataMessage() && message != 0) {
    OnData(static_cast<UINT>(wParam), std::unique_ptr<CPosted>(reinterpret_cast<CPosted*>(lParam)));
    return 0;
  }
  // The window's last message: nothing queued for it is dispatched any more.
  if (message == WM_NCDESTROY) FreeQueuedData();
  return OnMessage(message, wParam, lParam);
}

void CMessageWindow::FreeQueuedData() {
  const UINT data = DataMessage();
  MSG message;
  // Posted messages only: no message sent from another thread runs inside the window's end.
  while (::PeekMessageW(&message, Handle(), data, data, PM_REMOVE | PM_QS_POSTMESSAGE))
    delete reinterpret_cast<CPosted*>(message.lParam);
}

}  // namespace orvel::win
