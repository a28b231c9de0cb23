// The modal dialog that shows the running send: a bar, a stage text, Cancel and a busy animation
// while no percentage is known. Cancel only asks the engine to cancel; the dialog stays until the
// send dialog ends it when the engine reports the end. Enter does nothing. While it runs it asks the
// engine something cheap now and then, so that an engine that has gone ends the wait.
#pragma once

#include <functional>
#include <string>

#include "support/win/dialog.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {

// Centres window on its parent, the plug-in's main view, when it has one.
void CentreOnMainView(HWND window);

class CProgressDlg : public win::CDialog {
 public:
  static constexpr UINT_PTR kBusyTimer = 1;
  static constexpr UINT kBusyPeriod = 1000;
  static constexpr UINT_PTR kEngineTimer = 2;

  explicit CProgressDlg(HINSTANCE resources) : CDialog(resources, kProgressTemplate) {}

  // The send dialog's window, hidden while this dialog runs, and its engine cancel.
  void SetOwner(HWND owner, std::function<void()> cancelOperation);
  void SetRange(int lower, int upper);
  void SetPos(int position);
  void SetText(const std::u16string& text);
  void SetBusyAnimation(bool busy) { m_busy = busy; }
  bool BusyAnimation() const { return m_busy; }
  void EnableCancel(bool enable);
  // `alive` is asked every engine-check period (the limit "Morvane.EngineCheck") while the dialog
  // runs; once it answers false the checks stop and `lost` runs.
  void SetEngineCheck(std::function<bool()> alive, std::function<void()> lost);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnTimer(UINT_PTR id) override;
  void OnBeforeDestroy() override;
  void OnCancel();

 private:
  HWND m_owner = nullptr;
  std::function<void()> m_cancelOperation;
  bool m_busy = false;
  std::function<bool()> m_engineAlive;
  std::function<void()> m_engineLost;
};

// How often the progress dialog asks whether the engine is still there.
uint32_t EngineCheckPeriod();

}  // namespace orvel::ui
