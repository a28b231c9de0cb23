// The modal dialog that asks one of the engine's questions: the question text, a button for each
// allowed answer and the apply-to-all box. The modal result is the answer given.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "support/win/dialog.h"
#include "ui/app/resource_ids.h"
#include "ui/send/choice_plan.h"

namespace orvel::ui {

class CChoiceDlg : public win::CDialog {
 public:
  static constexpr uint32_t kStop = 4;

  explicit CChoiceDlg(HINSTANCE resources) : CDialog(resources, kChoiceTemplate) {}

  void SetAllowed(uint32_t allowed) { m_allowed = allowed; }
  // Kept until the window exists; the box's label names files or settings.
  void SetText(const std::u16string& text, bool fileQuestion);
  // The apply-to-all box as the window went.
  bool IsApplyToAll() const { return m_applyToAll; }
  // The answer the operator gave (a button, or Escape and the close box where refusing is
  // offered); 0 when the dialog was ended otherwise: by the end of the operation, or by closing the
  // view, which ends every modal dialog with a value that is no answer.
  uint32_t Answer() const { return m_answer; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnBeforeDestroy() override;

 private:
  uint32_t m_allowed = 0;
  bool m_applyToAll = false;
  uint32_t m_answer = 0;
  std::u16string m_text;
  bool m_fileQuestion = false;
  std::array<ChoiceButton, 4> m_buttons{};
};

}  // namespace orvel::ui
