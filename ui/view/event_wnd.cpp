#include "ui/view/event_wnd.h"

#include "support/win/registry.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/send/engine_client.h"

namespace orvel::ui {

namespace {

constexpr wchar_t kClassName[] = L"Orvel.Morvane.EventWnd";
constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_NOCLOSE;

// Keeps the module loaded while the start-up thread runs, and lets it go as the thread ends.
DWORD WINAPI PrestartThread(void* module) {
  PrestartEngineThread(nullptr);
  ::FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
  return 0;
}

}  // namespace

bool CEventWnd::Create() {
  return CWindow::Create(kClassName, kClassStyle, WS_EX_TOPMOST, WS_POPUP, L"", RECT{0, 0, 10, 10});
}

void CEventWnd::RunStartup() {
  auto* window = new CEventWnd;
  if (!window->Create()) {
    delete window;
    return;
  }
  window->m_ownsItself = true;
  ::SendMessageW(window->Handle(), WM_PLUGIN_STARTUP, 0, 0);
}

LRESULT CEventWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PLUGIN_STARTUP:
      OnStartup();
      return 0;
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

void CEventWnd::OnStartup() {
  // A file that the engine asked the user interface to open: show this view. The value stays for
  // the main view's set-up, which reads and deletes it.
  std::optional<std::wstring> file =
      win::ReadRegString(HKEY_CURRENT_USER, win::kCorvansetKey, L"RequestFile");
  if (file && !file->empty()) App().ShowOwnView();
  std::wstring module = win::AsWide(GetModulePath());
  if (HMODULE self = ::LoadLibraryW(module.c_str())) {
    HANDLE thread = ::CreateThread(nullptr, 0, &PrestartThread, self, 0, nullptr);
    if (thread) {
      ::CloseHandle(thread);
    } else {
      ::FreeLibrary(self);
    }
  }
  Destroy();
}

void CEventWnd::OnFinalMessage() {
  if (m_ownsItself) delete this;
}

}  // namespace orvel::ui
