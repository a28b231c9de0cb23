// The sink that the worker thread advises to EPOC Connect's backup engine: each event becomes a
// WM_APP+5 packet to the engine window, and a question waits for the client's answer.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "econnect.h"
#include "engine/hand_over.h"
#include "support/win/com.h"

namespace orvel::engine {

// First items of WM_ENGINE_BACKUPEVENT.
inline constexpr uint32_t kBackupEventProgress = 1;
inline constexpr uint32_t kBackupEventFinished = 2;
inline constexpr uint32_t kBackupEventQuestion = 3;
// Second items of a progress packet.
inline constexpr uint32_t kBackupProgressState = 1;
inline constexpr uint32_t kBackupProgressText = 2;
inline constexpr uint32_t kBackupProgressEstimate = 3;
inline constexpr uint32_t kBackupProgressValue = 4;

// Events arrive on EPOC Connect's threads; the owner window and the cancel flag are set on the main
// thread and the worker; the question waits on its own hand-over, never on the worker's.
class CBackupHandler : public win::CComObject<IECBackupSink> {
 public:
  void SetOwnerWindow(HWND window) { m_owner.store(window); }
  HWND OwnerWindow() const { return m_owner.load(); }
  void RequestCancel() { m_cancel.store(1); }
  void ClearCancel() { m_cancel.store(0); }
  bool CancelRequested() const { return m_cancel.load() != 0; }
  // Hands the backup engine's answer to the question that waits; false when none waits.
  bool SetAnswer(uint32_t backupAnswer);
  // Ends a waiting question with the answer 0 (stop), so that no reporting thread stays blocked
  // once the engine lets go of the backup engine.
  void ReleaseQuestion();

  // Nothing is reached by name.
  ORVEL_DISPATCH_BY_VTABLE_ONLY

  HRESULT STDMETHODCALLTYPE OnArchiveOpened(BSTR archive) override;
  HRESULT STDMETHODCALLTYPE OnArchiveClosed(BSTR archive) override;
  HRESULT STDMETHODCALLTYPE OnStateEvent(SHORT value, LONG* cancel) override;
  HRESULT STDMETHODCALLTYPE OnTextEvent(BSTR text, SHORT number, LONG* cancel) override;
  HRESULT STDMETHODCALLTYPE OnProgressEvent(BSTR text, SHORT unused, SHORT value, SHORT number, LONG seconds,
                                            LONG* cancel) override;
  HRESULT STDMETHODCALLTYPE OnQuestionEvent(BSTR text1, BSTR text2, LONG unused, LONG answerSet,
                                            LONG* answer) override;
  HRESULT STDMETHODCALLTYPE OnFinishedEvent(LONG result) override;

 private:
  void PostProgress(uint32_t subCode, uint32_t number, const std::u16string& text);
  void ReportCancel(LONG* cancel) const;

  std::atomic<HWND> m_owner{nullptr};
  std::atomic<uint32_t> m_cancel{0};
  CHandOver m_answer;
};

}  // namespace orvel::engine
