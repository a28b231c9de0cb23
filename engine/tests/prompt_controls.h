// What the tests do with a trust prompt that they have found by its caption: read its controls,
// tick "always" and press its buttons as a user would.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

#include "engine/security_dlg_ids.h"

namespace orvel::engine::test {

inline constexpr wchar_t kPromptCaption[] = L"" SECURITY_CAPTION;

// The visible prompt of any thread or process, or null.
inline HWND FindVisiblePrompt() {
  HWND dialog = ::FindWindowW(L"#32770", kPromptCaption);
  return dialog && ::IsWindowVisible(dialog) ? dialog : nullptr;
}

inline std::u16string ItemText(HWND dialog, int id) {
  wchar_t text[2048] = {};
  ::GetDlgItemTextW(dialog, id, text, 2048);
  return std::u16string(text, text + std::wcslen(text));
}

// Posted, as a click arrives: the prompt may end while it is handled.
inline void Click(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// Sent, so that the prompt has reacted (disabled No) when this returns.
inline void Tick(HWND dialog) {
  HWND check = ::GetDlgItem(dialog, IDC_SECURITY_ALWAYS);
  ::SendMessageW(check, BM_SETCHECK, BST_CHECKED, 0);
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SECURITY_ALWAYS, BN_CLICKED),
                 reinterpret_cast<LPARAM>(check));
}

}  // namespace orvel::engine::test
