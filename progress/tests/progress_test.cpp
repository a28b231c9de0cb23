// The relay object under test between a stand-in engine and a stand-in EPOC Connect, both in this
// process: the engine owns a hidden window titled "OrvelCorvansetWnd" that records every record it
// receives and answers questions from a thread of its own; EPOC Connect is a thread that creates the
// object by its ProgID and calls the sink methods in the order of a file copy or a restore.
#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>
#include <wrl/client.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "econnect.h"
#include "progress/relay_record.h"
#include "support/win/handle.h"
#include "vantrelix.h"

using Microsoft::WRL::ComPtr;
using orvel::win::UniqueBstr;
using orvel::win::UniqueKernelHandle;
namespace relay = orvel::relay;

namespace {

const CLSID kProgressClsid = {0x598AD803, 0x0666, 0x11D5, {0xAE, 0x0B, 0x00, 0xD0, 0x59, 0x1C, 0x61, 0xC2}};
const GUID kTypeLibId = {0x280773E3, 0x0BBC, 0x11D5, {0x96, 0x0B, 0x00, 0x08, 0xC7, 0x1B, 0x72, 0x20}};

std::wstring WindowTitle(HWND window) {
  wchar_t title[300] = {};
  ::InternalGetWindowText(window, title, 300);
  return title;
}

// ---- the record as the engine reads it, from the offsets alone

using Bytes = std::vector<uint8_t>;

Bytes Layout(HWND sender, uint32_t id, uint32_t code, uint32_t value, uint32_t value2,
             std::u16string_view text) {
  Bytes bytes(540, 0);
  auto put = [&](size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(0, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(sender)));
  put(4, id);
  put(8, code);
  put(12, value);
  put(16, value2);
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[20 + 2 * i] = static_cast<uint8_t>(text[i]);
    bytes[21 + 2 * i] = static_cast<uint8_t>(text[i] >> 8);
  }
  return bytes;
}

struct Received {
  HWND from;               // wParam
  std::wstring fromTitle;  // read when the record arrived
  ULONG_PTR dwData;
  DWORD size;
  Bytes bytes;
};

struct Expected {
  uint32_t code;
  uint32_t value;
  uint32_t value2;
  std::u16string text;
};

void ExpectRecords(const std::vector<Received>& got, uint32_t id, const std::vector<Expected>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(got[i].size, 540u);
    EXPECT_EQ(got[i].dwData, 0u);
    EXPECT_EQ(got[i].from, got[0].from);
    EXPECT_EQ(got[i].fromTitle, L"OrvelCorvansetWndEx");
    Bytes expected = Layout(got[i].from, id, want[i].code, want[i].value, want[i].value2, want[i].text);
    ASSERT_EQ(got[i].bytes.size(), expected.size());
    for (size_t at = 0; at < expected.size(); ++at) {
      if (got[i].bytes[at] != expected[at]) {
        ADD_FAILURE() << "byte " << at << " is " << int(got[i].bytes[at]) << ", expected "
                      << int(expected[at]);
        break;
      }
    }
  }
}

// Sends a record, or the first size bytes of a larger zero-filled payload; SendMessage's result.
LRESULT SendRecord(HWND to, HWND from, uint32_t id, uint32_t code, uint32_t value, DWORD size = 540) {
  Bytes data(size < 540 ? 540 : size, 0);
  relay::RelayRecord record =
      relay::MakeRelayRecord(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(from)), id, code, value);
  std::memcpy(data.data(), &record, sizeof(record));
  COPYDATASTRUCT copy = {0, size, data.data()};
  return ::SendMessageW(to, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&copy));
}

// Runs tasks in order on a thread of its own.
class CWorker {
 public:
  CWorker() : m_thread([this] { Run(); }) {}
  ~CWorker() {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
  }
  void Post(std::function<void()> task) {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_tasks.push_back(std::move(task));
    }
    m_wake.notify_all();
  }

 private:
  void Run() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock<std::mutex> guard(m_lock);
        m_wake.wait(guard, [this] { return m_stop || !m_tasks.empty(); });
        if (m_tasks.empty()) return;
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
      }
      task();
    }
  }

  std::mutex m_lock;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_tasks;
  bool m_stop = false;
  std::thread m_thread;
};

// ---- the stand-in engine

class CTestEngine;

struct EngineBehaviour {
  // On the answer thread, or inside the window procedure when answerInline.
  std::function<void(CTestEngine&, const relay::RelayRecord&)> onQuestion;
  bool answerInline = false;
  LRESULT questionReply = 1;  // the window's result for a question record
};

class CTestEngine {
 public:
  using Behaviour = EngineBehaviour;

  explicit CTestEngine(Behaviour behaviour = Behaviour()) : m_behaviour(std::move(behaviour)) {
    UniqueKernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_thread = std::thread([this, &ready] {
      m_window = ::CreateWindowExW(WS_EX_TOPMOST, ClassName(), relay::kEngineWindowName, WS_POPUP, 0, 0, 10,
                                   10, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
      ::SetEvent(ready.get());
      MSG message;
      while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    });
    ::WaitForSingleObject(ready.get(), INFINITE);
  }
  ~CTestEngine() {
    m_answers.reset();  // finishes what is queued first
    if (m_window) ::PostMessageW(m_window, WM_CLOSE, 0, 0);
    m_thread.join();
  }

  HWND Window() const { return m_window; }
  std::vector<Received> Records() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_records;
  }
  LRESULT Send(const relay::RelayRecord& to, uint32_t id, uint32_t code, uint32_t value, DWORD size = 540) {
    return SendRecord(reinterpret_cast<HWND>(static_cast<uintptr_t>(to.sender)), m_window, id, code, value,
                      size);
  }

 private:
  static const wchar_t* ClassName() {
    static const ATOM atom = [] {
      WNDCLASSEXW windowClass = {};
      windowClass.cbSize = sizeof(windowClass);
      windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_NOCLOSE;
      windowClass.lpfnWndProc = &CTestEngine::WindowProc;
      windowClass.hInstance = ::GetModuleHandleW(nullptr);
      windowClass.lpszClassName = L"VantrelixTestEngine";
      return ::RegisterClassExW(&windowClass);
    }();
    return atom ? L"VantrelixTestEngine" : nullptr;
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      ::SetWindowLongPtrW(
          window, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<CTestEngine*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    if (self && message == WM_COPYDATA) return self->OnCopyData(wParam, lParam);
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  LRESULT OnCopyData(WPARAM wParam, LPARAM lParam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    const auto* bytes = static_cast<const uint8_t*>(data->lpData);
    {
      std::lock_guard<std::mutex> guard(m_lock);
      HWND from = reinterpret_cast<HWND>(wParam);
      m_records.push_back(
          {from, WindowTitle(from), data->dwData, data->cbData, Bytes(bytes, bytes + data->cbData)});
    }
    relay::RelayRecord record;
    if (!relay::ReadRelayRecord(data->lpData, data->cbData, record)) return 0;
    if (record.code != relay::kAskNumber && record.code != relay::kAskText) return 1;
    if (m_behaviour.onQuestion) {
      if (m_behaviour.answerInline) {
        m_behaviour.onQuestion(*this, record);
      } else {
        m_answers->Post([this, record] { m_behaviour.onQuestion(*this, record); });
      }
    }
    return m_behaviour.questionReply;
  }

  Behaviour m_behaviour;
  std::unique_ptr<CWorker> m_answers = std::make_unique<CWorker>();
  std::mutex m_lock;
  std::vector<Received> m_records;
  HWND m_window = nullptr;
  std::thread m_thread;
};

uint32_t AnswerCode(uint32_t id) {
  return id == relay::kRestore ? relay::kRestoreAnswer : relay::kFileCopyAnswer;
}
uint32_t CancelCode(uint32_t id) {
  return id == relay::kRestore ? relay::kRestoreCancel : relay::kFileCopyCancel;
}

// An engine that answers every question with answerFor(question).
CTestEngine::Behaviour Answering(std::function<uint32_t(const relay::RelayRecord&)> answerFor,
                                 bool answerInline = false) {
  CTestEngine::Behaviour behaviour;
  behaviour.answerInline = answerInline;
  behaviour.onQuestion = [answerFor](CTestEngine& engine, const relay::RelayRecord& question) {
    EXPECT_EQ(engine.Send(question, question.id, AnswerCode(question.id), answerFor(question)), 1);
  };
  return behaviour;
}

// ---- the stand-in EPOC Connect

struct Relay {
  ComPtr<IRestoreProgressSink> restore;
  ComPtr<IFileCopyProgressSink> copy;

  static Relay Create() {
    Relay relay;
    CLSID clsid = {};
    EXPECT_EQ(::CLSIDFromProgID(L"Vantrelix.Progress", &clsid), S_OK);
    EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&relay.restore)), S_OK);
    if (relay.restore) {
      EXPECT_EQ(relay.restore.As(&relay.copy), S_OK);
    }
    return relay;
  }
};

// Runs body on a new single-threaded-apartment thread. A relay that does not return in time gets
// WM_QUIT (its modal loop then gives up) and the test fails.
void RunAsEpocConnect(const std::function<void()>& body) {
  UniqueKernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::atomic<DWORD> threadId{0};
  std::thread thread([&] {
    threadId = ::GetCurrentThreadId();
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    body();
    ::CoUninitialize();
    ::SetEvent(done.get());
  });
  if (::WaitForSingleObject(done.get(), 30000) == WAIT_TIMEOUT) {
    ADD_FAILURE() << "a sink method did not return";
    while (::WaitForSingleObject(done.get(), 500) == WAIT_TIMEOUT)
      ::PostThreadMessageW(threadId, WM_QUIT, 0, 0);
  }
  thread.join();
}

UniqueBstr Bstr(std::u16string_view text) { return UniqueBstr(text); }

LONG AskExists(IFileCopyProgressSink* copy) {
  UniqueBstr source = Bstr(u"C:\\a.txt"), target = Bstr(u"D:\\a.txt");
  LONG answer = -1;
  EXPECT_EQ(
      copy->OnCopyAskExists(source.get(), target.get(), 1, 0, 2, 0, 3, 0, 4, 0, 0x20, 0x20, 0, 1, 0, &answer),
      S_OK);
  return answer;
}
LONG AskCopyNumber(IFileCopyProgressSink* copy, LONG number) {
  LONG answer = -1;
  EXPECT_EQ(copy->OnCopyAskNumber(0, number, &answer), S_OK);
  return answer;
}
LONG AskRestoreNumber(IRestoreProgressSink* restore, LONG number) {
  LONG answer = -1;
  EXPECT_EQ(restore->OnRestoreAskNumber(0, number, &answer), S_OK);
  return answer;
}
LONG AskRestoreText(IRestoreProgressSink* restore, std::u16string_view text) {
  UniqueBstr question = Bstr(text);
  LONG answer = -1;
  EXPECT_EQ(restore->OnRestoreAskText(question.get(), 1, 2, 3, 4, &answer), S_OK);
  return answer;
}
LONG CopyProgress(IFileCopyProgressSink* copy, std::u16string_view text1, std::u16string_view text2,
                  SHORT value) {
  UniqueBstr one = Bstr(text1), two = Bstr(text2);
  LONG cancel = -1;
  EXPECT_EQ(copy->OnCopyProgress(0, one.get(), 0, two.get(), value, 0, &cancel), S_OK);
  return cancel;
}
LONG RestoreProgress(IRestoreProgressSink* restore, std::u16string_view text, SHORT value, SHORT number = 0,
                     LONG seconds = 0) {
  UniqueBstr relayed = Bstr(text);
  LONG cancel = -1;
  EXPECT_EQ(restore->OnRestoreProgress(0, relayed.get(), value, number, seconds, &cancel), S_OK);
  return cancel;
}
LONG RestoreStatus(IRestoreProgressSink* restore, SHORT status) {
  UniqueBstr one = Bstr(u"one"), two = Bstr(u"two");
  LONG cancel = -1;
  EXPECT_EQ(restore->OnRestoreStatus(status, one.get(), two.get(), &cancel), S_OK);
  return cancel;
}
LONG QueryMode(IFileCopyProgressSink* copy) {
  LONG value = -1;
  EXPECT_EQ(copy->OnCopyQueryMode(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, &value), S_OK);
  return value;
}

// ---- registration and the object

TEST(Registration, ProgIdsClassAndTypeLibrary) {
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  for (const wchar_t* progId : {L"Vantrelix.Progress", L"Vantrelix.Progress.1"}) {
    CLSID clsid = {};
    EXPECT_EQ(::CLSIDFromProgID(progId, &clsid), S_OK) << progId;
    EXPECT_TRUE(IsEqualCLSID(clsid, kProgressClsid)) << progId;
  }
  auto read = [](const wchar_t* key, const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    ::RegGetValueW(HKEY_CLASSES_ROOT, key, name, RRF_RT_REG_SZ, nullptr, value, &size);
    return std::wstring(value);
  };
  const wchar_t* classKey = L"CLSID\\{598AD803-0666-11D5-AE0B-00D0591C61C2}";
  EXPECT_EQ(read(L"Vantrelix.Progress\\CurVer", nullptr), L"Vantrelix.Progress.1");
  EXPECT_EQ(read((std::wstring(classKey) + L"\\ProgID").c_str(), nullptr), L"Vantrelix.Progress.1");
  EXPECT_EQ(read((std::wstring(classKey) + L"\\VersionIndependentProgID").c_str(), nullptr),
            L"Vantrelix.Progress");
  EXPECT_EQ(read((std::wstring(classKey) + L"\\InprocServer32").c_str(), L"ThreadingModel"), L"Apartment");
  std::wstring server = read((std::wstring(classKey) + L"\\InprocServer32").c_str(), nullptr);
  EXPECT_GT(server.size(), 14u);
  EXPECT_EQ(::GetFileAttributesW(server.c_str()) != INVALID_FILE_ATTRIBUTES, true) << server;
  EXPECT_EQ(read((std::wstring(classKey) + L"\\TypeLib").c_str(), nullptr),
            L"{280773E3-0BBC-11D5-960B-0008C71B7220}");

  ComPtr<ITypeLib> library;
  ASSERT_EQ(::LoadRegTypeLib(kTypeLibId, 1, 0, LOCALE_NEUTRAL, &library), S_OK);
  BSTR name = nullptr, help = nullptr;
  ASSERT_EQ(library->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
  UniqueBstr ownedName = UniqueBstr::Adopt(name), ownedHelp = UniqueBstr::Adopt(help);
  EXPECT_EQ(ownedName.text(), u"VANTRELIXLib");
  EXPECT_EQ(ownedHelp.text(), u"Vantrelix 1.0 Type Library");
  ::CoUninitialize();
}

TEST(Object, InterfacesShareOneIdentityAndDispatchIsIProgress) {
  RunAsEpocConnect([] {
    ComPtr<IUnknown> object;
    ASSERT_EQ(::CoCreateInstance(kProgressClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)), S_OK);
    ComPtr<IProgress> progress;
    ComPtr<IDispatch> dispatch;
    ComPtr<IRestoreProgressSink> restore;
    ComPtr<IFileCopyProgressSink> copy;
    ASSERT_EQ(object.As(&progress), S_OK);
    ASSERT_EQ(object.As(&dispatch), S_OK);
    ASSERT_EQ(object.As(&restore), S_OK);
    ASSERT_EQ(object.As(&copy), S_OK);
    EXPECT_EQ(static_cast<IDispatch*>(progress.Get()), dispatch.Get());
    for (IUnknown* face : {static_cast<IUnknown*>(restore.Get()), static_cast<IUnknown*>(copy.Get())}) {
      ComPtr<IUnknown> identity;
      face->QueryInterface(IID_PPV_ARGS(&identity));
      EXPECT_EQ(identity.Get(), object.Get());
    }
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, LOCALE_NEUTRAL, &info), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualIID(attributes->guid, IID_IProgress));
    info->ReleaseTypeAttr(attributes);

    HMODULE module = ::GetModuleHandleW(L"Vantrelix.dll");
    ASSERT_NE(module, nullptr);
    // Through a plain function pointer type: a direct cast from FARPROC warns where FARPROC's result
    // is wider than HRESULT (64-bit).
    auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);
    object.Reset();
    progress.Reset();
    dispatch.Reset();
    restore.Reset();
    copy.Reset();
    info.Reset();
    EXPECT_EQ(canUnload(), S_OK);
  });
}

TEST(Object, RequiredOutPointersAndQueryMode) {
  CTestEngine engine;
  RunAsEpocConnect([] {
    Relay relay = Relay::Create();
    ASSERT_TRUE(relay.copy);
    UniqueBstr text = Bstr(u"x");
    EXPECT_EQ(relay.copy->OnCopyProgress(0, text.get(), 0, text.get(), 1, 0, nullptr), E_POINTER);
    EXPECT_EQ(relay.copy->OnCopyQueryMode(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr), E_POINTER);
    EXPECT_EQ(relay.copy->OnCopyAskNumber(0, 1, nullptr), E_POINTER);
    EXPECT_EQ(relay.restore->OnRestoreProgress(0, text.get(), 1, 0, 0, nullptr), E_POINTER);
    EXPECT_EQ(relay.restore->OnRestoreStatus(0, text.get(), text.get(), nullptr), E_POINTER);
    EXPECT_EQ(relay.restore->OnRestoreAskText(text.get(), 0, 0, 0, 0, nullptr), E_POINTER);
    EXPECT_EQ(QueryMode(relay.copy.Get()), 2);
  });
  EXPECT_TRUE(engine.Records().empty());
}

// ---- file copy and restore as EPOC Connect runs them

TEST(FileCopy, RelaysEveryCallInOrder) {
  CTestEngine engine(
      Answering([](const relay::RelayRecord& question) { return question.value == 183 ? 1u : 2u; }));
  RunAsEpocConnect([] {
    Relay relay = Relay::Create();
    ASSERT_TRUE(relay.copy);
    IFileCopyProgressSink* copy = relay.copy.Get();
    EXPECT_EQ(copy->OnCopyInit(), S_OK);
    EXPECT_EQ(copy->OnCopyReset(), S_OK);
    EXPECT_EQ(copy->OnCopyClear(), S_OK);
    EXPECT_EQ(copy->OnCopyStart(), S_OK);
    EXPECT_EQ(CopyProgress(copy, u"Copying a.txt", u"C:\\Data", 5), 0);
    EXPECT_EQ(CopyProgress(copy, u"COPYING A.TXT", u"c:\\data", 5), 0);  // same in another case: not sent
    EXPECT_EQ(CopyProgress(copy, u"Copying a.txt", u"C:\\Data", 6), 0);
    EXPECT_EQ(AskExists(copy), 1);
    EXPECT_EQ(copy->OnCopySkipped(), S_OK);
    EXPECT_EQ(QueryMode(copy), 2);
    EXPECT_EQ(AskCopyNumber(copy, 77), 2);
    EXPECT_EQ(copy->OnCopyIdle(), S_OK);
    EXPECT_EQ(copy->OnCopyFinished(), S_OK);
  });
  ExpectRecords(engine.Records(), relay::kFileCopy,
                {{relay::kStart, 0, 0, u""},
                 {relay::kProgress, relay::kProgressText, 5, u"Copying a.txt\nC:\\Data"},
                 {relay::kProgress, relay::kProgressText, 6, u"Copying a.txt\nC:\\Data"},
                 {relay::kAskNumber, 183, 0, u""},
                 {relay::kAskNumber, 77, 0, u""}});
}

TEST(Restore, RelaysEveryCallInOrder) {
  CTestEngine engine(Answering(
      [](const relay::RelayRecord& question) { return question.code == relay::kAskText ? 8u : 3u; }));
  RunAsEpocConnect([] {
    Relay relay = Relay::Create();
    ASSERT_TRUE(relay.restore);
    IRestoreProgressSink* restore = relay.restore.Get();
    EXPECT_EQ(restore->OnRestoreInit(), S_OK);
    EXPECT_EQ(restore->OnRestoreStart(), S_OK);
    EXPECT_EQ(restore->OnRestoreReset(), S_OK);
    EXPECT_EQ(RestoreProgress(restore, u"Restoring C:", 0, 9, 42), 0);  // value 0: the estimate first
    EXPECT_EQ(RestoreProgress(restore, u"restoring c:", 0, 9, 41), 0);  // same in another case: not sent
    EXPECT_EQ(RestoreProgress(restore, u"Restoring C:", 10, 9, 40), 0);
    EXPECT_EQ(RestoreStatus(restore, 1), 0);
    EXPECT_EQ(AskRestoreNumber(restore, 5), 3);
    EXPECT_EQ(AskRestoreText(restore, u"Replace the newer file?"), 8);
    EXPECT_EQ(restore->OnRestoreFinished(7), S_OK);
    EXPECT_EQ(restore->OnRestoreClear(), S_OK);
  });
  ExpectRecords(engine.Records(), relay::kRestore,
                {{relay::kStart, 0, 0, u""},
                 {relay::kProgress, relay::kTimeEstimate, 9, u"42 seconds to complete"},
                 {relay::kProgress, relay::kProgressText, 0, u"Restoring C:"},
                 {relay::kProgress, relay::kProgressText, 10, u"Restoring C:"},
                 {relay::kProgress, relay::kRestoreStep2, 0, u"one"},
                 {relay::kAskNumber, 5, 0, u""},
                 {relay::kAskText, 0, 0, u"Replace the newer file?"},
                 {relay::kFinished, 7, 0, u""}});
}

struct StatusCase {
  SHORT status;
  bool sent;
  uint32_t subCode;
  const char16_t* text;
};
const StatusCase kStatusCases[] = {
    {0, true, relay::kRestoreStep1, u""},
    {1, true, relay::kRestoreStep2, u"one"},
    {2, true, relay::kRestoreStep3, u"one"},
    {3, true, relay::kRestoreStep4, u"one"},
    {4, true, relay::kProgressText, u"two"},
    {5, true, relay::kRestoreStep3, u"one"},
    {6, false, 0, u""},
    {-1, false, 0, u""},
};

TEST(Restore, StatusMapsToProgressSubCodes) {
  CTestEngine engine;
  RunAsEpocConnect([] {
    Relay relay = Relay::Create();
    ASSERT_TRUE(relay.restore);
    EXPECT_EQ(relay.restore->OnRestoreStart(), S_OK);
    for (const auto& c : kStatusCases) EXPECT_EQ(RestoreStatus(relay.restore.Get(), c.status), 0) << c.status;
  });
  std::vector<Expected> want = {{relay::kStart, 0, 0, u""}};
  for (const auto& c : kStatusCases) {
    if (c.sent) want.push_back({relay::kProgress, c.subCode, 0, c.text});
  }
  ExpectRecords(engine.Records(), relay::kRestore, want);
}

TEST(Restore, TextIsCutSoThatItsTerminatorFits) {
  CTestEngine engine;
  const size_t kLengths[] = {258, 259, 260, 300};
  RunAsEpocConnect([&] {
    Relay relay = Relay::Create();
    ASSERT_TRUE(relay.restore);
    EXPECT_EQ(relay.restore->OnRestoreStart(), S_OK);
    SHORT value = 1;
    for (size_t length : kLengths)
      RestoreProgress(relay.restore.Get(), std::u16string(length, u'r'), value++);
  });
  std::vector<Expected> want = {{relay::kStart, 0, 0, u""}};
  uint32_t value = 1;
  for (size_t length : kLengths)
    want.push_back(
        {relay::kProgress, relay::kProgressText, value++, std::u16string(length < 259 ? length : 259, u'r')});
  ExpectRecords(engine.Records(), relay::kRestore, want);
}

// ---- cancel, a missing engine and failed sends

TEST(Cancel, EveryLaterCallReportsCancelAndQuestionsAnswerZeroUntilReset) {
  for (uint32_t id : {relay::kRestore, relay::kFileCopy}) {
    SCOPED_TRACE(id);
    CTestEngine::Behaviour cancelling;
    cancelling.onQuestion = [](CTestEngine& engine, const relay::RelayRecord& question) {
      engine.Send(question, question.id, CancelCode(question.id), 0);
    };
    CTestEngine engine(cancelling);
    RunAsEpocConnect([id] {
      Relay relay = Relay::Create();
      ASSERT_TRUE(relay.copy);
      IRestoreProgressSink* restore = relay.restore.Get();
      IFileCopyProgressSink* copy = relay.copy.Get();
      if (id == relay::kRestore) {
        EXPECT_EQ(restore->OnRestoreStart(), S_OK);
        EXPECT_EQ(AskRestoreNumber(restore, 5), 0);  // cancelled while it waits
        EXPECT_EQ(RestoreProgress(restore, u"p", 1), 1);
        EXPECT_EQ(RestoreStatus(restore, 1), 1);
        EXPECT_EQ(AskRestoreNumber(restore, 6), 0);
        EXPECT_EQ(AskRestoreText(restore, u"q"), 0);
        EXPECT_EQ(restore->OnRestoreReset(), S_OK);
        EXPECT_EQ(RestoreProgress(restore, u"after", 3), 0);
      } else {
        EXPECT_EQ(copy->OnCopyStart(), S_OK);
        EXPECT_EQ(AskExists(copy), 0);
        EXPECT_EQ(CopyProgress(copy, u"a", u"b", 1), 1);
        EXPECT_EQ(AskExists(copy), 0);
        EXPECT_EQ(AskCopyNumber(copy, 6), 0);
        EXPECT_EQ(QueryMode(copy), 2);
        EXPECT_EQ(copy->OnCopyReset(), S_OK);
        EXPECT_EQ(CopyProgress(copy, u"after", u"b", 3), 0);
      }
    });
    std::u16string after = id == relay::kRestore ? u"after" : u"after\nb";
    ExpectRecords(engine.Records(), id,
                  {{relay::kStart, 0, 0, u""},
                   {relay::kAskNumber, id == relay::kRestore ? 5u : 183u, 0, u""},
                   {relay::kProgress, relay::kProgressText, 3, after}});
  }
}

TEST(Cancel, StartWithoutEngineWindowLeavesTheRelayCancelled) {
  ASSERT_EQ(::FindWindowW(nullptr, relay::kEngineWindowName), nullptr);
  RunAsEpocConnect([] {
    Relay relay = Relay::Create();
    ASSERT_TRUE(relay.copy);
    EXPECT_EQ(relay.restore->OnRestoreInit(), S_OK);
    EXPECT_EQ(relay.restore->OnRestoreStart(), S_OK);
    EXPECT_EQ(RestoreProgress(relay.restore.Get(), u"p", 0), 1);
    EXPECT_EQ(RestoreStatus(relay.restore.Get(), 0), 1);
    EXPECT_EQ(AskRestoreNumber(relay.restore.Get(), 5), 0);
    EXPECT_EQ(AskRestoreText(relay.restore.Get(), u"q"), 0);
    EXPECT_EQ(relay.copy->OnCopyStart(), S_OK);
    EXPECT_EQ(CopyProgress(relay.copy.Get(), u"a", u"b", 1), 1);
    EXPECT_EQ(AskExists(relay.copy.Get()), 0);
    EXPECT_EQ(AskCopyNumber(relay.copy.Get(), 5), 0);
  });
}

TEST(Cancel, QuestionWhoseSendFailsAnswersZeroAndCancels) {
  // The engine refuses the question record, then the engine is gone altogether.
  CTestEngine::Behaviour refusing;
  refusing.questionReply = 0;
  auto engine = std::make_unique<CTestEngine>(refusing);
  std::atomic<bool> engineGone{false};
  RunAsEpocConnect([&] {
    Relay relay = Relay::Create();
    ASSERT_TRUE(relay.copy);
    EXPECT_EQ(relay.copy->OnCopyStart(), S_OK);
    EXPECT_EQ(AskCopyNumber(relay.copy.Get(), 4), 0);
    EXPECT_EQ(CopyProgress(relay.copy.Get(), u"a", u"b", 1), 1);

    EXPECT_EQ(relay.restore->OnRestoreStart(), S_OK);  // a new start clears the cancel
    EXPECT_EQ(RestoreProgress(relay.restore.Get(), u"p", 1), 0);
    engine.reset();
    EXPECT_EQ(AskRestoreNumber(relay.restore.Get(), 5), 0);
    EXPECT_EQ(RestoreProgress(relay.restore.Get(), u"p2", 2), 1);
  });
}

// ---- answers

TEST(Answer, AnswerThatArrivesWhileTheQuestionIsSentIsKept) {
  // The engine answers from inside its window procedure, before the modal loop can begin.
  CTestEngine engine(Answering([](const relay::RelayRecord& question) { return question.value + 1; }, true));
  RunAsEpocConnect([] {
    Relay relay = Relay::Create();
    ASSERT_TRUE(relay.copy);
    EXPECT_EQ(relay.copy->OnCopyStart(), S_OK);
    EXPECT_EQ(AskExists(relay.copy.Get()), 184);
    EXPECT_EQ(AskCopyNumber(relay.copy.Get(), 9), 10);
    EXPECT_EQ(relay.restore->OnRestoreStart(), S_OK);
    EXPECT_EQ(AskRestoreNumber(relay.restore.Get(), 20), 21);
    EXPECT_EQ(AskRestoreText(relay.restore.Get(), u"q"), 1);
  });
}

TEST(Answer, AnswerToTheWindowOfAnotherThreadEndsTheWaitingLoop) {
  // The object and its window belong to one thread, the sink is called on another: the answer
  // reaches the window's thread and ends the caller's loop, also when it comes before that loop
  // begins (then the end waits for the loop, at most the shortened limit).
  for (bool answerInline : {false, true}) {
    SCOPED_TRACE(answerInline);
    CTestEngine engine(
        Answering([](const relay::RelayRecord& question) { return question.value * 2; }, answerInline));
    UniqueKernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueKernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    IFileCopyProgressSink* shared = nullptr;
    std::thread owner([&] {
      ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      {
        Relay relay = Relay::Create();
        shared = relay.copy.Get();
        ::SetEvent(ready.get());
        HANDLE wait = done.get();
        while (::MsgWaitForMultipleObjects(1, &wait, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
          MSG message;
          while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        }
      }
      ::CoUninitialize();
    });
    ::WaitForSingleObject(ready.get(), INFINITE);
    RunAsEpocConnect([&] {
      ASSERT_NE(shared, nullptr);
      EXPECT_EQ(shared->OnCopyStart(), S_OK);
      EXPECT_EQ(AskCopyNumber(shared, 21), 42);
      EXPECT_EQ(AskExists(shared), 366);
    });
    ::SetEvent(done.get());
    owner.join();
    EXPECT_EQ(engine.Records().size(), 3u);
  }
}

TEST(Answer, RecordsOfAnotherSizeOrWithTheOtherIdsCodesAreIgnored) {
  for (uint32_t id : {relay::kRestore, relay::kFileCopy}) {
    SCOPED_TRACE(id);
    CTestEngine::Behaviour behaviour;
    behaviour.onQuestion = [](CTestEngine& engine, const relay::RelayRecord& question) {
      uint32_t answer = AnswerCode(question.id);
      EXPECT_EQ(engine.Send(question, question.id, answer, 9, 539), 0);  // default processing
      EXPECT_EQ(engine.Send(question, question.id, answer, 9, 541), 0);
      // The other id's answer and cancel codes under this id, and an unknown id.
      uint32_t other = question.id == relay::kRestore ? relay::kFileCopy : relay::kRestore;
      for (uint32_t code : {AnswerCode(other), CancelCode(other)}) {
        if (code != answer && code != CancelCode(question.id)) {
          EXPECT_EQ(engine.Send(question, question.id, code, 9), 1);
        }
      }
      EXPECT_EQ(engine.Send(question, 0x8007, answer, 9), 1);
      EXPECT_EQ(engine.Send(question, question.id, answer, 2), 1);
    };
    CTestEngine engine(behaviour);
    RunAsEpocConnect([id] {
      Relay relay = Relay::Create();
      ASSERT_TRUE(relay.copy);
      if (id == relay::kRestore) {
        EXPECT_EQ(relay.restore->OnRestoreStart(), S_OK);
        EXPECT_EQ(AskRestoreNumber(relay.restore.Get(), 5), 2);
        EXPECT_EQ(RestoreProgress(relay.restore.Get(), u"p", 1), 0);  // not cancelled
      } else {
        EXPECT_EQ(relay.copy->OnCopyStart(), S_OK);
        EXPECT_EQ(AskCopyNumber(relay.copy.Get(), 5), 2);
        EXPECT_EQ(CopyProgress(relay.copy.Get(), u"a", u"b", 1), 0);
      }
    });
    EXPECT_EQ(engine.Records().size(), 3u);
  }
}

}  // namespace
