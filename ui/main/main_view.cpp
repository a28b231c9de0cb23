#include "ui/main/main_view.h"

#include <vector>

#include "ui/view/morvane_view.h"

namespace orvel::ui {

namespace {

constexpr UINT_PTR kModalCheckTimer = 1;
constexpr UINT kModalCheckMilliseconds = 100;
constexpr int kHeaderHeight = 32;

struct PopupSearch {
  HWND parent;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectEnabledPopups(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<PopupSearch*>(lParam);
  if (::GetParent(window) == search->parent && (::GetWindowLongPtrW(window, GWL_STYLE) & WS_POPUP) &&
      ::IsWindowEnabled(window))
    search->windows.push_back(window);
  return TRUE;
}

}  // namespace

CMainViewDlg::CMainViewDlg(CMorvaneView* view) : CDialog(view->Resources(), kTemplate), m_view(view) {}

void CMainViewDlg::Run(CMainViewDlg* view, Operation operation) {
  ++view->m_busy;
  view->Execute(operation);
  --view->m_busy;
  if (view->m_busy == 0 && view->m_windowGone) delete view;
}

void CMainViewDlg::Release(CMainViewDlg* view) {
  view->m_view = nullptr;
  // The window's last message deletes the object, or the operation that runs when it returns.
  view->DestroyWindow();
}

void CMainViewDlg::Execute(Operation operation) {
  // The operations of the file, print and edit commands and the send road come with the settings
  // tree; until then a command runs nothing.
  (void)operation;
}

INT_PTR CMainViewDlg::RunModal(win::CDialog& dialog) {
  if (!Handle()) return -1;
  ++m_busy;
  INT_PTR result = dialog.DoModal(Handle());
  --m_busy;
  return m_windowGone ? -1 : result;
}

void CMainViewDlg::CheckModalDialog() {
  const win::CModalStack* stack = win::CModalStack::Find();
  const win::CModalStack::Entry* running = stack ? stack->Innermost() : nullptr;
  if (!running || !running->window || !::IsWindow(running->window)) return;
  HWND dialog = running->window;
  HWND parent = ::GetParent(dialog);
  if (!parent) return;
  bool focusOnView = ::GetFocus() == Handle();
  bool parentEnabled = ::IsWindowEnabled(parent);
  if (parentEnabled) {
    PopupSearch search{parent, {}};
    ::EnumWindows(&CollectEnabledPopups, reinterpret_cast<LPARAM>(&search));
    ::EnableWindow(parent, FALSE);
    for (HWND window : search.windows) ::EnableWindow(window, TRUE);
    ::EnableWindow(dialog, TRUE);
  }
  if (focusOnView) {
    ::EnableWindow(dialog, TRUE);
    ::SetFocus(dialog);
  }
}

void CMainViewDlg::OnClose() {
  if (m_secondClose) {
    CheckModalDialog();
    m_secondClose = false;
  }
  if (m_firstClose) {
    // Every running modal dialog ends, innermost first: nested progress and question loops too.
    if (win::CModalStack* stack = win::CModalStack::Find()) stack->EndAll(IDCANCEL);
  }
}

BOOL CMainViewDlg::OnInitDialog() {
  ::SetTimer(Handle(), kModalCheckTimer, kModalCheckMilliseconds, nullptr);
  Layout();
  return FALSE;
}

void CMainViewDlg::Layout() {
  RECT client;
  ::GetClientRect(Handle(), &client);
  if (HWND tree = Item(kTreeControl))
    ::SetWindowPos(tree, nullptr, 0, kHeaderHeight, client.right,
                   std::max<LONG>(0, client.bottom - kHeaderHeight), SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CMainViewDlg::HandleMessage(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return TRUE;
    case kInitialUpdate:
      return TRUE;
    default:
      return FALSE;
  }
}

void CMainViewDlg::OnTimer(UINT_PTR id) {
  if (id == kModalCheckTimer) CheckModalDialog();
}

void CMainViewDlg::OnFinalMessage() {
  m_windowGone = true;
  if (m_view) m_view->MainViewDestroyed();
  m_view = nullptr;
  if (m_busy == 0) delete this;
}

}  // namespace orvel::ui
