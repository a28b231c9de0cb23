#include "engine/security_dlg.h"

#include <algorithm>

#include "engine/engine_limits.h"
#include "engine/security_dlg_ids.h"
#include "support/win/wide.h"

namespace orvel::engine {

namespace {

constexpr UINT_PTR kFlashTimer = 1;

// The caption flashes at the caret's blink rate; a system without blinking (INFINITE) or with a
// very slow one would let the two-minute limit pass unchecked, so the period is kept within bounds.
UINT FlashPeriod() {
  UINT blink = ::GetCaretBlinkTime();
  if (blink == 0 || blink > 1000) return 500;
  return std::max<UINT>(blink, 100);
}

// A multi-line edit control breaks lines only at CR LF.
std::wstring WithCrLf(const std::u16string& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out += L'\r';
    out += static_cast<wchar_t>(text[i]);
  }
  return out;
}

}  // namespace

CSecurityDlg::CSecurityDlg(HINSTANCE module, const PromptTexts& texts)
    : CDialog(module, IDD_SECURITY), m_texts(texts) {}

BOOL CSecurityDlg::OnInitDialog() {
  HWND dialog = Handle();
  if (HICON icon = ::LoadIconW(Module(), MAKEINTRESOURCEW(IDI_SECURITY)))
    ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  ::SetDlgItemTextW(dialog, IDC_SECURITY_MESSAGE, WithCrLf(m_texts[0]).c_str());
  ::SetDlgItemTextW(dialog, IDC_SECURITY_YES, win::AsWide(m_texts[2]).c_str());
  ::SetDlgItemTextW(dialog, IDC_SECURITY_NO, win::AsWide(m_texts[3]).c_str());
  if (m_texts[1].empty()) {
    ::DestroyWindow(Item(IDC_SECURITY_ALWAYS));
  } else {
    ::SetDlgItemTextW(dialog, IDC_SECURITY_ALWAYS, win::AsWide(m_texts[1]).c_str());
  }
  HideUnneededScrollBar();
  ::SetTimer(dialog, kFlashTimer, FlashPeriod(), nullptr);
  ::BringWindowToTop(dialog);
  ::SetForegroundWindow(dialog);
  m_start = std::chrono::steady_clock::now();
  // The focus goes to No, the default button, not into the message.
  ::SetFocus(Item(IDC_SECURITY_NO));
  return FALSE;
}

void CSecurityDlg::HideUnneededScrollBar() {
  HWND edit = Item(IDC_SECURITY_MESSAGE);
  RECT client = {};
  ::GetClientRect(edit, &client);
  HDC dc = ::GetDC(edit);
  if (!dc) return;
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(edit, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics = {};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(edit, dc);
  LONG lineHeight = std::max<LONG>(metrics.tmHeight, 1);
  LONG visible = (client.bottom - client.top) / lineHeight;
  LRESULT lines = ::SendMessageW(edit, EM_GETLINECOUNT, 0, 0);
  if (lines <= visible) ::ShowScrollBar(edit, SB_VERT, FALSE);
}

void CSecurityDlg::End(HResult result, bool keepAlways) {
  HWND check = Item(IDC_SECURITY_ALWAYS);
  m_always = keepAlways && check && ::SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
  m_result = result;
  ::KillTimer(Handle(), kFlashTimer);
  EndDialog(result == kOk ? IDOK : IDCANCEL);
}

void CSecurityDlg::OnTimer() {
  ::FlashWindow(Handle(), TRUE);
  if (std::chrono::steady_clock::now() - m_start >= LimitDuration(Limit::TrustPrompt)) {
    // Nobody answered: a ticked "always" is not an answer, so nothing is remembered.
    End(kClientNotTrusted, false);
  }
}

BOOL CSecurityDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_TIMER:
      if (wParam != kFlashTimer) return FALSE;
      OnTimer();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SECURITY_ALWAYS:
          if (HIWORD(wParam) == BN_CLICKED) {
            bool ticked = ::SendMessageW(Item(IDC_SECURITY_ALWAYS), BM_GETCHECK, 0, 0) == BST_CHECKED;
            ::EnableWindow(Item(IDC_SECURITY_NO), !ticked);
          }
          return TRUE;
        case IDC_SECURITY_YES:
          End(kOk, true);
          return TRUE;
        case IDC_SECURITY_NO:
          // Enter reaches the default button also while it is disabled.
          if (::IsWindowEnabled(Item(IDC_SECURITY_NO))) End(kClientNotTrusted, false);
          return TRUE;
        case IDCANCEL:  // Escape or the close box: a refusal, like No
          End(kClientNotTrusted, false);
          return TRUE;
        case IDOK:  // Enter without a default button answers nothing
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace orvel::engine
