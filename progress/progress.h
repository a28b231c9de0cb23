// The progress relay object: EPOC Connect's restore and file-copy progress sinks, relayed to the
// engine window as relay records; a question waits in a modal loop for the engine's answer.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "econnect.h"
#include "progress/relay_record.h"
#include "support/win/com.h"
#include "support/win/handle.h"
#include "support/win/window.h"
#include "vantrelix.h"

namespace orvel::vantrelix {

class CProgress;

// The hidden window "OrvelCorvansetWndEx" that receives the engine's answers, and the modal loop in
// which a question waits for one. Made on the heap by its relay object and let go by Abandon, on
// any thread: it then no longer reaches the object and deletes itself with its window's final
// message, on its own thread once any message of it has returned.
class CProgressWnd : public win::CWindow {
 public:
  explicit CProgressWnd(CProgress& owner) : m_owner(&owner) {}

  // The relay object goes: after this no message of the window reaches it (one that runs now has
  // returned first), and the window goes on its own thread. The caller must not use the object again.
  void Abandon();

  // The hidden window "OrvelCorvansetWndEx"; never shown.
  bool Create();

  // Before a question is sent: this thread waits, and no earlier end of a loop counts.
  void PrepareModal();
  // Pumps this thread's messages until EndModalLoop; its value, or -1 on WM_QUIT.
  LONG RunModalLoop();
  // Ends the loop of the waiting thread, also when that loop has not begun yet.
  void EndModalLoop(LONG value);

  // When the module unloads: a later load must not find the class with this load's procedure.
  static void UnregisterWindowClass();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage() override;

 private:
  ~CProgressWnd() override;
  LRESULT OnCopyData(WPARAM wParam, LPARAM lParam);

  // Held while a message reaches the relay object and while it is let go (recursive: the object
  // may be let go from inside a message of its own window).
  std::recursive_mutex m_ownerLock;
  CProgress* m_owner;
  std::atomic<bool> m_abandoned{false};
  std::atomic<DWORD> m_waitingThread{0};
  win::UniqueKernelHandle m_loopStarted;
  std::atomic<bool> m_ended{false};
  std::atomic<LONG> m_result{0};
};

class CProgress : public win::CComObject<IProgress, IRestoreProgressSink, IFileCopyProgressSink> {
 public:
  CProgress();
  ~CProgress() override;

  ORVEL_DISPATCH_FROM_TYPELIB(IProgress)

  // IRestoreProgressSink
  HRESULT STDMETHODCALLTYPE OnRestoreInit() override;
  HRESULT STDMETHODCALLTYPE OnRestoreStart() override;
  HRESULT STDMETHODCALLTYPE OnRestoreReset() override;
  HRESULT STDMETHODCALLTYPE OnRestoreProgress(LONG unused, BSTR text, SHORT value, SHORT number, LONG seconds,
                                              LONG* cancel) override;
  HRESULT STDMETHODCALLTYPE OnRestoreStatus(SHORT status, BSTR text1, BSTR text2, LONG* cancel) override;
  HRESULT STDMETHODCALLTYPE OnRestoreAskNumber(LONG unused, LONG number, LONG* answer) override;
  HRESULT STDMETHODCALLTYPE OnRestoreAskText(BSTR text, LONG, LONG, LONG, LONG, LONG* answer) override;
  HRESULT STDMETHODCALLTYPE OnRestoreFinished(LONG result) override;
  HRESULT STDMETHODCALLTYPE OnRestoreClear() override;

  // IFileCopyProgressSink; the first three all reset the relay state.
  HRESULT STDMETHODCALLTYPE OnCopyInit() override;
  HRESULT STDMETHODCALLTYPE OnCopyReset() override;
  HRESULT STDMETHODCALLTYPE OnCopyClear() override;
  HRESULT STDMETHODCALLTYPE OnCopyStart() override;
  HRESULT STDMETHODCALLTYPE OnCopyProgress(LONG, BSTR text1, LONG, BSTR text2, SHORT value, LONG,
                                           LONG* cancel) override;
  HRESULT STDMETHODCALLTYPE OnCopyFinished() override;
  HRESULT STDMETHODCALLTYPE OnCopyAskExists(BSTR, BSTR, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG,
                                            LONG, LONG, LONG, LONG, LONG* answer) override;
  HRESULT STDMETHODCALLTYPE OnCopySkipped() override;
  HRESULT STDMETHODCALLTYPE OnCopyQueryMode(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG,
                                            LONG* value) override;
  HRESULT STDMETHODCALLTYPE OnCopyAskNumber(LONG unused, LONG number, LONG* answer) override;
  HRESULT STDMETHODCALLTYPE OnCopyIdle() override;

  // A 540-byte record that arrived at the hidden window.
  void OnRelayAnswer(const relay::RelayRecord& record);

 private:
  void ResetRelayState();
  bool StartRelay(uint32_t id);
  bool SendRelayRecord(uint32_t id, uint32_t code, uint32_t value, std::u16string_view text = {},
                       uint32_t value2 = 0);
  void AbortWait();
  void ForgetEngineWindow() { m_engineWindow = nullptr; }
  // The change filter; true when the text and value are new and have been remembered.
  bool IsNewProgress(std::u16string_view text, SHORT value);
  HRESULT Ask(uint32_t id, uint32_t code, uint32_t value, std::u16string_view text, LONG* answer);

  CProgressWnd* m_window;  // lets itself go (see Abandon)
  HWND m_engineWindow = nullptr;
  // Set from the hidden window's thread as well as the calling one.
  std::atomic<ULONG> m_cancelled{0};
  // Shared by both sinks.
  std::u16string m_lastText;
  SHORT m_lastValue = 0;
};

}  // namespace orvel::vantrelix
