#include "ui/send/progress_dlg.h"

#include <commctrl.h>

#include "support/limits.h"
#include "support/win/limits.h"
#include "support/win/wide.h"
#include "support/win/window.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {
namespace {

constexpr LimitEntry kLimits[] = {{"EngineCheck", 1000}};

}  // namespace

uint32_t EngineCheckPeriod() {
  static CLimitTable table = [] {
    CLimitTable limits("Morvane", kLimits);
    limits.Apply(win::LimitsOverrideText());
    return limits;
  }();
  return table.Milliseconds(0);
}

// Centres window on the module's main window (the main view, or the print preview while it shows),
// else on its parent; where neither is there it stays where it is.
void CentreOnMainView(HWND window) {
  HWND main = App().MainWindow();
  if (!main || !::IsWindow(main)) main = ::GetParent(window);
  RECT outer{}, own{};
  if (!main || !::GetWindowRect(main, &outer) || !::GetWindowRect(window, &own)) return;
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  ::SetWindowPos(window, nullptr, outer.left + (outer.right - outer.left - width) / 2,
                 outer.top + (outer.bottom - outer.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CProgressDlg::SetOwner(HWND owner, std::function<void()> cancelOperation) {
  m_owner = owner;
  m_cancelOperation = std::move(cancelOperation);
}

void CProgressDlg::SetEngineCheck(std::function<bool()> alive, std::function<void()> lost) {
  m_engineAlive = std::move(alive);
  m_engineLost = std::move(lost);
}

void CProgressDlg::SetRange(int lower, int upper) {
  SendItem(kProgressBar, PBM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
}

void CProgressDlg::SetPos(int position) {
  SendItem(kProgressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  m_busy = false;
}

void CProgressDlg::SetText(const std::u16string& text) { SetItemText(kProgressTextLabel, text); }

void CProgressDlg::EnableCancel(bool enable) { ::EnableWindow(Item(IDCANCEL), enable ? TRUE : FALSE); }

BOOL CProgressDlg::OnInitDialog() {
  CentreOnMainView(Handle());
  SetText(App().LoadResString(kPreparingText, true));
  m_busy = true;
  ::SetTimer(Handle(), kBusyTimer, kBusyPeriod, nullptr);
  if (m_engineAlive) ::SetTimer(Handle(), kEngineTimer, EngineCheckPeriod(), nullptr);
  ::SetFocus(Handle());
  if (m_owner) ::ShowWindow(m_owner, SW_HIDE);
  return FALSE;  // the focus is set
}

bool CProgressDlg::OnCommand(WORD id, WORD, HWND) {
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  // Enter would end the dialog in the middle of the operation: it does nothing.
  return id == IDOK;
}

void CProgressDlg::OnCancel() {
  win::CWaitCursor wait;
  if (m_cancelOperation) m_cancelOperation();
  EnableCancel(false);
  SetText(App().LoadResString(kCancellingText, true));
  SetPos(0);
  m_busy = true;
}

void CProgressDlg::OnBeforeDestroy() {
  ::KillTimer(Handle(), kBusyTimer);
  ::KillTimer(Handle(), kEngineTimer);
}

void CProgressDlg::OnTimer(UINT_PTR id) {
  if (id == kEngineTimer) {
    if (!m_engineAlive || m_engineAlive()) return;
    // Once: the handler of the loss shows a box, whose loop would run this timer again.
    ::KillTimer(Handle(), kEngineTimer);
    if (m_engineLost) m_engineLost();
    return;
  }
  if (id != kBusyTimer || !m_busy) return;
  PBRANGE range{};
  SendItem(kProgressBar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  const auto position = static_cast<int>(SendItem(kProgressBar, PBM_GETPOS, 0, 0));
  SendItem(kProgressBar, PBM_SETPOS,
           static_cast<WPARAM>(position > range.iLow ? 0 : range.iLow + (range.iHigh - range.iLow) / 40), 0);
}

}  // namespace orvel::ui
