#include "ui/send/send_dlg.h"

#include "interfaces/vantrel_codes.h"
#include "settings/settings_document.h"
#include "settings/settings_writer.h"
#include "support/win/handle.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/send/send_logic.h"
#include "ui/view/morvane_view.h"

namespace orvel::ui {
namespace {

constexpr DWORD kHelpContext = 141235;

}  // namespace

CSendDlg::CSendDlg(HINSTANCE resources, CMorvaneView* view, std::u16string path)
    : CDialog(resources, kSendTemplate),
      m_progress(resources),
      m_view(view),
      m_path(std::move(path)),
      m_events(this, &m_progress) {}

CSendDlg::~CSendDlg() { Disconnect(); }

void CSendDlg::Disconnect() {
  // Callbacks that arrive from now on are not posted; those queued are freed with the window.
  if (m_view && m_view->EventWindow() == m_events.Handle()) m_view->SetEventWindow(nullptr);
  m_events.Destroy();
  ReleaseEngine(m_connection);
}

BOOL CSendDlg::OnInitDialog() {
  m_events.Create();
  if (m_view) m_view->SetEventWindow(m_events.Handle());
  const ConnectResult connected =
      ConnectEngine(m_connection, m_view ? static_cast<ITerminalManagerExtCallback*>(m_view.Get()) : nullptr);
  SetItemText(kSendDeviceNameLabel, App().LoadResString(kNotAvailableText, true));
  if (connected.failedAt != ConnectStep::Done) {
    ShowError(connected.failedAt == ConnectStep::Create ? App().LoadResString(kEngineFailedText, true)
                                                        : CEventWnd::MessageOf(connected.result));
    EndDialog(IDCANCEL);
    return FALSE;
  }
  long state = 0;
  m_connection.engine->GetState(&state);
  UpdateDeviceInfo((state & 1) != 0);
  return TRUE;
}

bool CSendDlg::OnCommand(WORD id, WORD, HWND) {
  switch (id) {
    case kSendButton:
      OnSend();
      return true;
    case kHelpButton:
      OnHelp();
      return true;
    default:
      return false;
  }
}

void CSendDlg::OnBeforeDestroy() { Disconnect(); }

void CSendDlg::UpdateDeviceInfo(bool connected) {
  const std::u16string missing = App().LoadResString(kNotAvailableText, true);
  const int focus = connected && m_connection.engine ? kSendButton : IDOK;
  ::EnableWindow(Item(kSendButton), focus == kSendButton);
  ::SendMessageW(Handle(), DM_SETDEFID, static_cast<WPARAM>(focus), 0);
  // Not while a dialog of the send runs above this one: the focus belongs to it.
  if (::IsWindowEnabled(Handle()))
    ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(focus)), TRUE);
  DeviceFields fields{u" " + missing, u" " + missing, u" " + missing};
  if (focus == kSendButton) {
    win::UniqueBstr info;
    m_connection.engine->GetDeviceInfo(info.out());
    fields = ParseDeviceInfo(info.text(), missing);
  }
  SetItemText(kSendDeviceNameLabel, fields.name);
  SetItemText(kSendImeiLabel, fields.imei);
  SetItemText(kSendPhoneLabel, fields.phone);
}

void CSendDlg::OnSend() {
  if (!m_connection.engine) return;
  ITerminalManagerExt* engine = m_connection.engine.Get();
  {
    win::CWaitCursor wait;
    m_events.ResetSessionState();
    HRESULT hr = engine->Open();
    if (FAILED(hr)) {
      if (engine::LowWord(hr) == engine::LowWord(engine::kOtherClientOpen)) {
        ShowDeviceInUse();
      } else {
        ShowError(CEventWnd::MessageOf(hr));
      }
      return;
    }
    std::u16string text;
    bool refused = false;
    if (CSettingsNode* root = App().Document().GetRoot())
      WriteSettingsDocument(*root, text, false, nullptr, &refused);
    win::UniqueBstr settings(text);
    win::UniqueBstr description(m_path);
    engine->SetLogDescription(description.get());
    hr = refused ? E_FAIL : engine->SendConfiguration(settings.get());
    if (FAILED(hr)) {
      engine->Close();
      ShowError(CEventWnd::MessageOf(hr));
      return;
    }
  }
  m_engineLost = false;
  m_progress.SetOwner(Handle(), [this] { CancelOperation(); });
  m_progress.SetEngineCheck([this] { return EngineAlive(); },
                            [this] {
                              m_engineLost = true;
                              m_events.OnEngineLost();
                            });
  m_progress.DoModal(Handle());
  if (!Handle()) return;
  if (m_engineLost) {
    // The engine's process has gone: its proxy only fails from now on.
    m_connection.cookie = 0;
    m_connection.engine.Reset();
    UpdateDeviceInfo(false);
  }
  ::ShowWindow(Handle(), SW_SHOW);
}

bool CSendDlg::EngineAlive() {
  long state = 0;
  return m_connection.engine && SUCCEEDED(m_connection.engine->GetState(&state));
}

void CSendDlg::ShowDeviceInUse() {
  win::UniqueBstr client;
  if (m_connection.engine) m_connection.engine->GetOpenClient(client.out());
  ShowError(DeviceInUseText(App().LoadResString(kDeviceInUseText, true), client.text()));
}

void CSendDlg::ShowError(const std::u16string& text) {
  App().ShowMessage(Handle(), text, MB_ICONEXCLAMATION);
}

HRESULT CSendDlg::Respond(uint32_t answer) {
  return m_connection.engine ? m_connection.engine->Respond(static_cast<long>(answer)) : E_UNEXPECTED;
}

void CSendDlg::CloseSession() {
  if (m_connection.engine) m_connection.engine->Close();
  if (m_progress.Handle()) m_progress.EndDialog(1);
}

void CSendDlg::CancelOperation() {
  if (m_connection.engine) m_connection.engine->Cancel();
}

void CSendDlg::UpdateProgress(int32_t stage, const std::u16string& tag, int32_t percent) {
  m_progress.SetRange(0, 100);
  m_progress.SetPos(percent);
  const StageText text = ProgressStageText(
      stage, tag, percent, [](uint32_t id) { return App().LoadResString(id, true); },
      [](std::u16string_view name) { return App().LoadResStringByTag(name); });
  if (text.busy) m_progress.SetBusyAnimation(true);
  m_progress.SetText(text.text);
}

void CSendDlg::OnHelp() { App().ShowHelp(Handle(), kHelpContext); }

}  // namespace orvel::ui
