// The send dialog: it connects to the engine, shows the connected device, sends the current
// settings document as a configuration with the progress dialog, answers the engine's questions
// through its event window and closes the engine's open client when the operation ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "support/win/com.h"
#include "support/win/dialog.h"
#include "ui/send/engine_client.h"
#include "ui/send/progress_dlg.h"
#include "ui/view/event_wnd.h"

namespace orvel::ui {

class CMorvaneView;

class CSendDlg : public win::CDialog {
 public:
  // view: the view object whose callback the engine calls (null: none is registered); path: the
  // document's file, the description of the send in the engine's audit log.
  CSendDlg(HINSTANCE resources, CMorvaneView* view, std::u16string path);
  ~CSendDlg() override;

  void UpdateDeviceInfo(bool connected);
  void UpdateProgress(int32_t stage, const std::u16string& tag, int32_t percent);
  void ShowDeviceInUse();
  HRESULT Respond(uint32_t answer);
  // Closes the engine's open client and ends the progress dialog.
  void CloseSession();
  void CancelOperation();
  CProgressDlg& Progress() { return m_progress; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnBeforeDestroy() override;

 private:
  void OnSend();
  void OnHelp();
  // Whether the engine still answers: a call that fails tells that its process has gone.
  bool EngineAlive();
  void ShowError(const std::u16string& text);
  // Lets go of the engine and of the view's route to the event window.
  void Disconnect();

  CProgressDlg m_progress;
  win::ComPtr<CMorvaneView> m_view;
  std::u16string m_path;
  EngineConnection m_connection;
  CEventWnd m_events;
  bool m_engineLost = false;
};

}  // namespace orvel::ui
