// The modal dialog that asks the user whether a client may act on the device.
#pragma once

#include <windows.h>

#include <chrono>

#include "engine/engine_codes.h"
#include "engine/security_dlg_ids.h"
#include "engine/worker_thread.h"
#include "support/win/dialog.h"

namespace orvel::engine {

inline constexpr wchar_t kSecurityCaption[] = L"" SECURITY_CAPTION;

class CSecurityDlg : public win::CDialog {
 public:
  CSecurityDlg(HINSTANCE module, const PromptTexts& texts);

  // S_OK trusted; 0x80040029 refused or timed out; 0x800400A1 when the dialog could not be shown.
  HResult Result() const { return m_result; }
  // Only a Yes returns it set: No, a time-out and closing the dialog clear it.
  bool Always() const { return m_always; }

 protected:
  BOOL OnInitDialog() override;
  BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnTimer();
  void End(HResult result, bool keepAlways);
  void HideUnneededScrollBar();

  PromptTexts m_texts;
  HResult m_result = kModuleFailed;
  bool m_always = false;
  std::chrono::steady_clock::time_point m_start;
};

}  // namespace orvel::engine
