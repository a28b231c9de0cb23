// A progress object for the stand-in's tests: it implements the two progress-sink interfaces,
// writes every call into a log that the test reads through the exports below, and answers
// questions from a queue the test fills.
#include <windows.h>

#include <deque>
#include <mutex>
#include <string>

#include "econnect.h"
#include "support/win/inproc_server.h"

using namespace orvel::win;

// {0E5D1A20-2222-4333-8444-555566667777}
extern "C" const CLSID CLSID_FakeProgress = {
    0x0e5d1a20, 0x2222, 0x4333, {0x84, 0x44, 0x55, 0x55, 0x66, 0x66, 0x77, 0x77}};

namespace {

std::mutex g_lock;
std::wstring g_log;
std::deque<LONG> g_answers;
LONG g_cancel = 0;
DWORD g_thread = 0;

void Log(const std::wstring& line) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_log += line + L"\n";
  g_thread = ::GetCurrentThreadId();
}
std::wstring Text(BSTR text) { return text ? std::wstring(text) : std::wstring(L"(null)"); }
LONG NextAnswer() {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_answers.empty()) return 0;
  LONG answer = g_answers.front();
  g_answers.pop_front();
  return answer;
}
LONG Cancel() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_cancel;
}

class CFakeProgress : public CComObject<IRestoreProgressSink, IFileCopyProgressSink> {
 public:
  ORVEL_DISPATCH_FROM_TYPELIB(IRestoreProgressSink)

  HRESULT STDMETHODCALLTYPE OnRestoreInit() override { return Note(L"OnRestoreInit"); }
  HRESULT STDMETHODCALLTYPE OnRestoreStart() override { return Note(L"OnRestoreStart"); }
  HRESULT STDMETHODCALLTYPE OnRestoreReset() override { return Note(L"OnRestoreReset"); }
  HRESULT STDMETHODCALLTYPE OnRestoreProgress(LONG, BSTR text, SHORT value, SHORT number, LONG seconds,
                                              LONG* cancel) override {
    Log(L"OnRestoreProgress " + Text(text) + L"|" + std::to_wstring(value) + L"|" + std::to_wstring(number) +
        L"|" + std::to_wstring(seconds));
    *cancel = Cancel();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRestoreStatus(SHORT status, BSTR text1, BSTR text2, LONG* cancel) override {
    Log(L"OnRestoreStatus " + std::to_wstring(status) + L"|" + Text(text1) + L"|" + Text(text2));
    *cancel = Cancel();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRestoreAskNumber(LONG, LONG number, LONG* answer) override {
    Log(L"OnRestoreAskNumber " + std::to_wstring(number));
    *answer = NextAnswer();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRestoreAskText(BSTR text, LONG, LONG, LONG, LONG, LONG* answer) override {
    Log(L"OnRestoreAskText " + Text(text));
    *answer = NextAnswer();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRestoreFinished(LONG result) override {
    return Note(L"OnRestoreFinished " + std::to_wstring(result));
  }
  HRESULT STDMETHODCALLTYPE OnRestoreClear() override { return Note(L"OnRestoreClear"); }

  HRESULT STDMETHODCALLTYPE OnCopyInit() override { return Note(L"OnCopyInit"); }
  HRESULT STDMETHODCALLTYPE OnCopyReset() override { return Note(L"OnCopyReset"); }
  HRESULT STDMETHODCALLTYPE OnCopyClear() override { return Note(L"OnCopyClear"); }
  HRESULT STDMETHODCALLTYPE OnCopyStart() override { return Note(L"OnCopyStart"); }
  HRESULT STDMETHODCALLTYPE OnCopyProgress(LONG, BSTR text1, LONG, BSTR text2, SHORT value, LONG,
                                           LONG* cancel) override {
    Log(L"OnCopyProgress " + Text(text1) + L"|" + Text(text2) + L"|" + std::to_wstring(value));
    *cancel = Cancel();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnCopyFinished() override { return Note(L"OnCopyFinished"); }
  HRESULT STDMETHODCALLTYPE OnCopyAskExists(BSTR source, BSTR target, LONG, LONG, LONG, LONG, LONG, LONG,
                                            LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG* answer) override {
    Log(L"OnCopyAskExists " + Text(source) + L"|" + Text(target));
    *answer = NextAnswer();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnCopySkipped() override { return Note(L"OnCopySkipped"); }
  HRESULT STDMETHODCALLTYPE OnCopyQueryMode(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG,
                                            LONG* value) override {
    *value = 2;
    return Note(L"OnCopyQueryMode");
  }
  HRESULT STDMETHODCALLTYPE OnCopyAskNumber(LONG, LONG number, LONG* answer) override {
    Log(L"OnCopyAskNumber " + std::to_wstring(number));
    *answer = NextAnswer();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnCopyIdle() override { return Note(L"OnCopyIdle"); }

 private:
  HRESULT Note(const std::wstring& line) {
    Log(line);
    return S_OK;
  }
};

const ClassEntry kClasses[] = {{&CLSID_FakeProgress, &CreateComInstance<CFakeProgress>}};
const InprocServer kServer = {.classes = kClasses};

}  // namespace

ORVEL_INPROC_SERVER(kServer)


extern "C" void __stdcall FakeProgressReset() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_log.clear();
  g_answers.clear();
  g_cancel = 0;
  g_thread = 0;
}
extern "C" void __stdcall FakeProgressAnswer(LONG answer) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_answers.push_back(answer);
}
extern "C" void __stdcall FakeProgressSetCancel(LONG cancel) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_cancel = cancel;
}
// Copies the log into buffer (at most size units with the terminator); returns its length.
extern "C" int __stdcall FakeProgressLog(wchar_t* buffer, int size) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (buffer && size > 0) {
    int n = static_cast<int>(std::min<size_t>(g_log.size(), size - 1));
    g_log.copy(buffer, n);
    buffer[n] = 0;
  }
  return static_cast<int>(g_log.size());
}
extern "C" DWORD __stdcall FakeProgressThread() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_thread;
}
