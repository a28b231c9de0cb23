#include "ui/send/choice_dlg.h"

#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/send/progress_dlg.h"

namespace orvel::ui {
namespace {}  // namespace

void CChoiceDlg::SetText(const std::u16string& text, bool fileQuestion) {
  m_text = text;
  m_fileQuestion = fileQuestion;
  if (!Handle()) return;
  SetItemText(kQuestionLabel, m_text);
  SetItemText(kApplyToAllButton,
              App().LoadResString(m_fileQuestion ? kSameForAllFilesText : kSameForAllSettingsText, true));
}

BOOL CChoiceDlg::OnInitDialog() {
  SetText(m_text, m_fileQuestion);
  m_buttons = PlanChoiceButtons(m_allowed);
  size_t generic = 0;
  for (const auto& button : m_buttons) generic += button.generic ? 1 : 0;
  for (const auto& button : m_buttons) {
    if (button.answer == 0) {
      ::DestroyWindow(Item(button.control));
    } else if (button.generic) {
      // An answer without a button of its own: the generic label, with the answer when several
      // buttons carry it.
      std::u16string label = App().LoadResString(kOkAnswerText, true);
      if (generic > 1) {
        const std::string number = std::to_string(button.answer);
        label += u" (" + std::u16string(number.begin(), number.end()) + u")";
      }
      SetItemText(button.control, label);
    }
  }
  CentreOnMainView(Handle());
  return TRUE;
}

bool CChoiceDlg::OnCommand(WORD id, WORD, HWND) {
  for (const auto& button : m_buttons) {
    if (button.answer != 0 && id == button.control) {
      m_answer = button.answer;
      EndDialog(static_cast<INT_PTR>(m_answer));
      return true;
    }
  }
  // Escape and the close box refuse, where refusing is allowed; otherwise an answer button must be
  // used, since the engine would refuse the refusal and leave the question open. Enter does nothing.
  if (id == IDCANCEL && (m_allowed & kStop)) {
    m_answer = kStop;
    EndDialog(kStop);
  }
  return id == IDCANCEL || id == IDOK;
}

void CChoiceDlg::OnBeforeDestroy() { m_applyToAll = SendItem(kApplyToAllButton, BM_GETCHECK) == BST_CHECKED; }

}  // namespace orvel::ui
