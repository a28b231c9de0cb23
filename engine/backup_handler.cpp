#include "engine/backup_handler.h"

#include <string>

#include "engine/engine_wnd.h"
#include "engine/packet.h"
#include "support/u16text.h"
#include "support/win/com.h"
#include "support/win/message_window.h"
#include "support/win/wide.h"

namespace orvel::engine {

namespace {

// The sink's 16-bit numbers travel as unsigned words.
uint32_t Word(SHORT value) { return static_cast<uint16_t>(value); }

// A sink method reports nothing to EPOC Connect but S_OK; what could not be posted is lost.
template <class F>
HRESULT AlwaysOk(F&& body) noexcept {
  win::Guarded([&] {
    body();
    return S_OK;
  });
  return S_OK;
}

}  // namespace

bool CBackupHandler::SetAnswer(uint32_t backupAnswer) { return m_answer.GiveOpen({backupAnswer, 0}); }

void CBackupHandler::ReleaseQuestion() { m_answer.GiveOpen({0, 0}); }

HRESULT CBackupHandler::OnArchiveOpened(BSTR) { return S_OK; }

HRESULT CBackupHandler::OnArchiveClosed(BSTR) { return S_OK; }

void CBackupHandler::PostProgress(uint32_t subCode, uint32_t number, const std::u16string& text) {
  CPacket packet;
  packet.AddDword(kBackupEventProgress);
  packet.AddDword(subCode);
  packet.AddDword(number);
  packet.AddString(text);
  win::CMessageWindow::PostData(OwnerWindow(), WM_ENGINE_BACKUPEVENT, std::move(packet));
}

void CBackupHandler::ReportCancel(LONG* cancel) const {
  if (cancel && CancelRequested()) *cancel = 1;
}

HRESULT CBackupHandler::OnStateEvent(SHORT value, LONG* cancel) {
  return AlwaysOk([&] {
    PostProgress(kBackupProgressState, Word(value), u"");
    ReportCancel(cancel);
  });
}

HRESULT CBackupHandler::OnTextEvent(BSTR text, SHORT number, LONG* cancel) {
  return AlwaysOk([&] {
    PostProgress(kBackupProgressText, Word(number), win::FromBstr(text));
    ReportCancel(cancel);
  });
}

HRESULT CBackupHandler::OnProgressEvent(BSTR text, SHORT, SHORT value, SHORT number, LONG seconds,
                                        LONG* cancel) {
  return AlwaysOk([&] {
    if (value == 0) {
      std::string estimate = std::to_string(seconds) + " seconds to complete";
      PostProgress(kBackupProgressEstimate, Word(number), std::u16string(estimate.begin(), estimate.end()));
    }
    PostProgress(kBackupProgressValue, Word(value), win::FromBstr(text));
    ReportCancel(cancel);
  });
}

HRESULT CBackupHandler::OnQuestionEvent(BSTR text1, BSTR text2, LONG, LONG answerSet, LONG* answer) {
  // Without an answer the backup stops: that is the answer whenever none can be had.
  if (answer) *answer = 0;
  return AlwaysOk([&] {
    std::u16string text = win::FromBstr(text1) + u"\n" + win::FromBstr(text2);
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
    // The round opens before the question is posted, so that an answer cannot come before it.
    uint32_t round = m_answer.Open();
    CPacket packet;
    packet.AddDword(kBackupEventQuestion);
    packet.AddDword(static_cast<uint32_t>(answerSet));
    packet.AddString(text);
    if (!win::CMessageWindow::PostData(OwnerWindow(), WM_ENGINE_BACKUPEVENT, std::move(packet)) ||
        CancelRequested()) {
      m_answer.Abandon(round);
      return;
    }
    std::optional<HandOverResult> given = m_answer.Wait(round, nullptr, false);
    if (answer && given) *answer = static_cast<LONG>(given->word);
  });
}

HRESULT CBackupHandler::OnFinishedEvent(LONG result) {
  return AlwaysOk([&] {
    CPacket packet;
    packet.AddDword(kBackupEventFinished);
    packet.AddHresult(result);
    win::CMessageWindow::PostData(OwnerWindow(), WM_ENGINE_BACKUPEVENT, std::move(packet));
    m_cancel.store(0);
  });
}

}  // namespace orvel::engine
