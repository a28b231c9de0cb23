#include "ui/view/event_wnd.h"

#include "interfaces/vantrel_codes.h"
#include "settings/settings_document.h"
#include "settings/settings_host.h"
#include "support/path_text.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/send/choice_dlg.h"
#include "ui/send/engine_client.h"
#include "ui/send/progress_dlg.h"
#include "ui/send/send_dlg.h"

namespace orvel::ui {

namespace {

constexpr wchar_t kClassName[] = L"Orvel.Morvane.EventWnd";
constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_NOCLOSE;
constexpr uint32_t kStopAnswer = 4;

// Keeps the module loaded while the start-up thread runs, and lets it go as the thread ends.
DWORD WINAPI PrestartThread(void* module) {
  PrestartEngineThread(nullptr);
  ::FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
  return 0;
}

}  // namespace

bool CEventWnd::Create() {
  return CMessageWindow::Create(kClassName, L"", kClassStyle, WS_EX_TOPMOST, WS_POPUP);
}

void CEventWnd::RunStartup() {
  auto* window = new CEventWnd;
  if (!window->Create()) {
    delete window;
    return;
  }
  window->m_ownsItself = true;
  ::SendMessageW(window->Handle(), WM_PLUGIN_STARTUP, 0, 0);
}

ProgressMemory& CEventWnd::LastProgress() {
  static ProgressMemory last;
  return last;
}

std::u16string CEventWnd::MessageOf(int32_t code, std::u16string_view tag, std::u16string_view value) {
  return ErrorCodeToMessage(
      code, tag, value, [](uint32_t id) { return App().LoadResString(id, true); }, LastProgress());
}

void CEventWnd::ResetSessionState() {
  m_errorShown = false;
  m_sessionEnded = false;
  m_answers.Reset();
}

LRESULT CEventWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PLUGIN_STARTUP:
      OnStartup();
      return 0;
    case WM_ENGINE_STATE:
      OnEngineStateChanged(static_cast<uint32_t>(wParam));
      return 0;
    case WM_ENGINE_DONE:
      OnEngineDone(static_cast<int32_t>(static_cast<uint32_t>(wParam)));
      return 0;
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

void CEventWnd::OnData(UINT message, std::unique_ptr<win::CPosted> data) {
  if (message == WM_ENGINE_PROGRESS) OnEngineProgress(data->Take<CArgArray>());
  if (message == WM_ENGINE_ERROR) OnEngineError(data->Take<CArgArray>());
}

void CEventWnd::OnStartup() {
  // A file that the engine asked the user interface to open: show this view. The value stays for
  // the main view's set-up, which reads and deletes it.
  std::optional<std::wstring> file =
      win::ReadRegString(HKEY_CURRENT_USER, win::kCorvansetKey, L"RequestFile");
  if (file && !file->empty()) App().ShowOwnView();
  std::wstring module = win::AsWide(GetModulePath());
  if (HMODULE self = ::LoadLibraryW(module.c_str())) {
    HANDLE thread = ::CreateThread(nullptr, 0, &PrestartThread, self, 0, nullptr);
    if (thread) {
      ::CloseHandle(thread);
    } else {
      ::FreeLibrary(self);
    }
  }
  Destroy();
}

void CEventWnd::OnEngineStateChanged(uint32_t state) {
  if (m_owner) m_owner->UpdateDeviceInfo((state & 1) != 0);
}

void CEventWnd::OnEngineProgress(CArgArray args) {
  const int32_t stage = args.PopLong();
  std::u16string tag = args.PopString();
  const int32_t percent = args.PopLong();
  if (m_owner) m_owner->UpdateProgress(stage, tag, percent);
  LastProgress().stage = static_cast<uint32_t>(stage);
  LastProgress().tag = std::move(tag);
}

void CEventWnd::OnEngineError(CArgArray args) {
  const auto code = static_cast<int32_t>(args.PopDword());
  const uint32_t allowed = args.PopDword();
  const std::u16string tag = args.PopString();
  const std::u16string value = args.PopString();
  if (!m_owner) return;
  if (IsQuestionCode(code)) {
    OnEngineQuestion(tag, value, allowed);
    return;
  }
  m_errorShown = true;
  ShowBox(MessageOf(code, App().LoadResStringByTag(tag), value), MB_ICONEXCLAMATION);
  Answer(kStopAnswer);
}

void CEventWnd::OnEngineQuestion(const std::u16string& tag, const std::u16string& value, uint32_t allowed) {
  const bool fileQuestion = IsFileQuestion(App().Document().GetRoot(), tag);
  std::optional<uint32_t> answer = m_answers.Answer(fileQuestion, allowed);
  if (!answer) {
    const std::u16string shown = fileQuestion ? GetFileNameOfPath(value) : value;
    CChoiceDlg dialog(App().ResourceHandle());
    dialog.SetAllowed(allowed);
    dialog.SetText(FormatText(App().LoadResString(kAlreadyOnDeviceQuestionText, true),
                              {App().LoadResStringByTag(tag), shown}),
                   fileQuestion);
    ::SetFocus(Handle());
    HWND progress = m_progress ? m_progress->Handle() : nullptr;
    if (progress) ::ShowWindow(progress, SW_HIDE);
    m_question = &dialog;
    dialog.DoModal(progress ? progress : m_owner->Handle());
    m_question = nullptr;
    // The operation has ended meanwhile: its progress dialog is going, and nothing is answered.
    if (m_sessionEnded) return;
    if (dialog.Answer() == 0) {
      // Ended without the operator's answer (the view is closing): the operation stops. The value
      // that ended the dialog is no answer, and nothing is remembered.
      if (allowed & kStopAnswer) {
        Answer(kStopAnswer);
      } else if (m_owner) {
        m_owner->CancelOperation();
      }
      return;
    }
    if (progress && ::IsWindow(progress)) {
      ::ShowWindow(progress, SW_SHOW);
      ::SetFocus(progress);
    }
    answer = dialog.Answer();
    if (dialog.IsApplyToAll()) m_answers.Remember(fileQuestion, *answer);
  }
  if (!m_sessionEnded) Answer(*answer);
}

void CEventWnd::Answer(uint32_t answer) {
  if (!m_owner) return;
  if (const HRESULT hr = m_owner->Respond(answer);
      FAILED(hr) && engine::LowWord(hr) == engine::LowWord(engine::kAnswerNotOffered))
    m_owner->CancelOperation();
}

void CEventWnd::EndQuestion() {
  if (m_question) m_question->EndDialog(0);
}

void CEventWnd::OnEngineDone(int32_t result) {
  const bool questionOpen = m_question != nullptr;
  EndQuestion();
  m_sessionEnded = true;
  if (ShowsFinalBox(result, questionOpen, m_errorShown))
    ShowBox(MessageOf(result), MB_ICONEXCLAMATION | MB_SETFOREGROUND);
  if (m_owner) m_owner->CloseSession();
  LastProgress() = {};
}

void CEventWnd::OnEngineLost() {
  EndQuestion();
  m_sessionEnded = true;
  ShowBox(App().LoadResString(kEngineFailedText, true), MB_ICONEXCLAMATION | MB_SETFOREGROUND);
  if (m_progress) m_progress->EndDialog(1);
  LastProgress() = {};
}

void CEventWnd::ShowBox(const std::u16string& text, UINT type) {
  HWND owner =
      m_progress && m_progress->Handle() ? m_progress->Handle() : (m_owner ? m_owner->Handle() : nullptr);
  App().ShowMessage(owner, text, type);
}

void CEventWnd::OnFinalMessage() {
  if (m_ownsItself) delete this;
}

}  // namespace orvel::ui
