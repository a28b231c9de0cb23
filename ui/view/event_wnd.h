// The hidden window of the plug-in's events. One is made per send dialog to turn the engine's
// posted callbacks into dialog updates on the user-interface thread; one without owner runs the
// start-up when the host initialises the view, and deletes itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "support/win/message_window.h"
#include "ui/send/arg_array.h"
#include "ui/send/error_text.h"
#include "ui/send/send_logic.h"

namespace orvel::ui {

inline constexpr UINT WM_ENGINE_DONE = WM_USER + 300;
inline constexpr UINT WM_ENGINE_ERROR = WM_USER + 302;
inline constexpr UINT WM_ENGINE_STATE = WM_USER + 303;
inline constexpr UINT WM_ENGINE_PROGRESS = WM_USER + 304;
inline constexpr UINT WM_PLUGIN_STARTUP = WM_USER + 311;

class CChoiceDlg;
class CProgressDlg;
class CSendDlg;

class CEventWnd : public win::CMessageWindow {
 public:
  CEventWnd() { LastProgress() = {}; }
  // The window of a send dialog; its boxes and questions are owned by the progress dialog.
  CEventWnd(CSendDlg* owner, CProgressDlg* progress) : CEventWnd() {
    m_owner = owner;
    m_progress = progress;
  }
  bool Create();

  // Makes a start-up window on the heap and runs the start-up; the window deletes itself.
  static void RunStartup();

  // A send begins: no error told, nothing remembered.
  void ResetSessionState();
  // The engine has gone during an operation: the user is told and the progress dialog ends.
  void OnEngineLost();
  void SetProgressDialog(CProgressDlg* progress) { m_progress = progress; }
  bool QuestionOpen() const { return m_question != nullptr; }
  // Ends an open question without an answer (the operation has ended or the engine has gone).
  void EndQuestion();
  // The message of a result code with the language library's strings and the last progress.
  static std::u16string MessageOf(int32_t code, std::u16string_view tag = {}, std::u16string_view value = {});

  // The stage and item of the last progress report of the running operation.
  static ProgressMemory& LastProgress();

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The arguments of WM_ENGINE_ERROR and WM_ENGINE_PROGRESS.
  void OnData(UINT message, std::unique_ptr<win::CPosted> data) override;
  void OnFinalMessage() override;

 private:
  void OnStartup();
  void OnEngineStateChanged(uint32_t state);
  void OnEngineProgress(CArgArray args);
  void OnEngineError(CArgArray args);
  void OnEngineQuestion(const std::u16string& tag, const std::u16string& value, uint32_t allowed);
  void OnEngineDone(int32_t result);
  // A box owned by the progress dialog.
  void ShowBox(const std::u16string& text, UINT type);
  // Answers the engine; an answer it refuses cancels the operation, so that nothing waits for an
  // answer that cannot be given.
  void Answer(uint32_t answer);

  bool m_ownsItself = false;
  CSendDlg* m_owner = nullptr;
  CChoiceDlg* m_question = nullptr;
  bool m_errorShown = false;
  bool m_sessionEnded = false;  // the running operation has ended (or its engine has gone)
  CAnswerMemory m_answers;
  CProgressDlg* m_progress = nullptr;
};

}  // namespace orvel::ui
