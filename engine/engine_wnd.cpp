#include "engine/engine_wnd.h"

#include <cstring>

#include "engine/engine_limits.h"
#include "engine/server.h"

namespace orvel::engine {

namespace {

constexpr UINT_PTR kPollTimer = 1;
CEngineWnd* g_window = nullptr;

}  // namespace

HWND EngineWindow() { return g_window ? g_window->Handle() : nullptr; }

CEngineWnd* EngineWindowObject() { return g_window; }

bool PostEngineMessage(UINT message) {
  HWND window = EngineWindow();
  return window && ::PostMessageW(window, message, 0, 0);
}

bool PostEngineMessage(UINT message, CPacket packet) {
  return win::CMessageWindow::PostData(EngineWindow(), message, std::move(packet));
}

bool CEngineWnd::Create() {
  if (!CMessageWindow::Create(kEngineWindowClass, kEngineWindowName, CS_VREDRAW | CS_HREDRAW | CS_NOCLOSE,
                              WS_EX_TOPMOST, WS_POPUP))
    return false;
  g_window = this;
  ::SetTimer(Handle(), kPollTimer, LimitMilliseconds(Limit::PollTimer), nullptr);
  return true;
}

LRESULT CEngineWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  switch (message) {
    case WM_TIMER: {
      LRESULT result = DefaultProc(message, wParam, lParam);
      if (wParam == kPollTimer && engine && m_busy == 0) engine->Poll();
      return result;
    }
    case WM_ENGINE_POLL:
      if (engine) engine->Poll();
      return 0;
    case WM_ENGINE_DEVICEINFO:
      if (engine) engine->UpdateDeviceInfo();
      return 0;
    case WM_COPYDATA:
      return OnCopyData(wParam, lParam);
    case WM_DESTROY:
      ::KillTimer(Handle(), kPollTimer);
      if (g_window == this) g_window = nullptr;
      return DefaultProc(message, wParam, lParam);
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

void CEngineWnd::OnData(UINT message, std::unique_ptr<win::CPosted> data) {
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  if (!engine) return;
  CPacket packet = data->Take<CPacket>();
  if (message == WM_ENGINE_NOTIFY) engine->OnNotify(std::move(packet));
  if (message == WM_ENGINE_MODULEEVENT) engine->OnModuleEvent(std::move(packet));
  if (message == WM_ENGINE_BACKUPEVENT) engine->OnBackupEvent(std::move(packet));
  if (message == WM_ENGINE_RESTORERELAY) engine->OnRestoreRelay(std::move(packet));
  if (message == WM_ENGINE_COPYEVENT) engine->OnCopyEvent(std::move(packet));
  if (message == WM_ENGINE_COPYRELAY) engine->OnCopyRelay(std::move(packet));
}

LRESULT CEngineWnd::OnCopyData(WPARAM wParam, LPARAM lParam) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  relay::RelayRecord record;
  if (!data || !relay::ReadRelayRecord(data->lpData, data->cbData, record))
    return DefaultProc(WM_COPYDATA, wParam, lParam);
  if (record.id == relay::kRestore || record.id == relay::kFileCopy) {
    CPacket packet;
    packet.AddDword(record.code);
    packet.AddDword(record.sender);
    packet.AddDword(record.value);
    packet.AddDword(record.value2);
    packet.AddString(std::u16string(relay::RelayText(record)));
    PostData(Handle(), record.id, std::move(packet));
  }
  return TRUE;
}

CBusyLock::CBusyLock() {
  if (CTerminalManagerServer::Instance() && g_window) {
    g_window->EnterBusy();
    m_held = true;
  }
}

CBusyLock::~CBusyLock() {
  if (m_held && CTerminalManagerServer::Instance() && g_window) g_window->LeaveBusy();
}

}  // namespace orvel::engine
