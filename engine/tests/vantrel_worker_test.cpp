// The worker thread in this process, as the engine's main thread uses it: drive backups through
// EPOC Connect's stand-in and the backup sink, the hand-overs between the threads, the trust prompt
// with a watcher that reads and clicks it, and the end of the thread.
#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/audit_log.h"
#include "engine/backup_handler.h"
#include "engine/client.h"
#include "engine/engine_limits.h"
#include "engine/engine_wnd.h"
#include "engine/packet.h"
#include "engine/reg_key_ex.h"
#include "engine/secured_clients.h"
#include "engine/security_dlg.h"
#include "engine/security_dlg_ids.h"
#include "engine/settings_context.h"
#include "engine/tests/prompt_controls.h"
#include "engine/trust.h"
#include "engine/worker_thread.h"
#include "support/u16text.h"
#include "support/win/message_window.h"
#include "support/win/module_path.h"
#include "support/win/wide.h"

namespace orvel::engine {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kWaitMs = 20000;

// ---- the simulated device of this test program -------------------------------------------------

fs::path g_root;

void WriteFile(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

void WriteState(const std::string& extra) {
  std::ofstream(g_root / "state.txt", std::ios::trunc) << "connected=1\nname=Farlink\n" << extra;
}

const bool kPrepared = [] {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  g_root = fs::path(temp) / (L"vantrel-worker-test-" + std::to_wstring(::GetCurrentProcessId()));
  fs::remove_all(g_root);
  WriteFile(g_root / "c" / "a.txt", "a");
  WriteFile(g_root / "c" / "Documents" / "b.txt", "b");
  WriteFile(g_root / "d" / "d.txt", "d");
  WriteState("");
  ::SetEnvironmentVariableW(L"ECONNECT_DEVICE_ROOT", g_root.wstring().c_str());
  return true;
}();

// ---- the engine window's part: the backup sink's packets ---------------------------------------

// One WM_APP+5 packet, its items as text: "1 2 1 Backing up drive C:", "2 0", "3 13 text".
class CEventWindow : public win::CMessageWindow {
 public:
  CEventWindow() { Create(L"VantrelWorkerTestEvents", L"", 0, 0, WS_POPUP); }
  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_events;
  }
  void Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_events.clear();
  }
  // Pumps until an event starting with prefix arrives (from index from on).
  bool WaitFor(const std::string& prefix, size_t from = 0) {
    DWORD start = ::GetTickCount();
    for (;;) {
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
      std::vector<std::string> events = Events();
      for (size_t i = from; i < events.size(); ++i)
        if (events[i].rfind(prefix, 0) == 0) return true;
      if (::GetTickCount() - start > kWaitMs) return false;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }

 protected:
  void OnData(UINT message, std::unique_ptr<win::CPosted> data) override {
    if (message != WM_ENGINE_BACKUPEVENT) return;
    CPacket packet = data->Take<CPacket>();
    std::string line;
    switch (uint32_t kind = packet.GetDword()) {
      case kBackupEventProgress: {
        uint32_t sub = packet.GetDword();
        uint32_t number = packet.GetDword();
        line = "1 " + std::to_string(sub) + " " + std::to_string(number) + " " + AsUtf8(packet.GetString());
        break;
      }
      case kBackupEventFinished:
        line = "2 " + std::to_string(packet.GetHresult());
        break;
      case kBackupEventQuestion: {
        uint32_t answers = packet.GetDword();
        line = "3 " + std::to_string(answers) + " " + AsUtf8(packet.GetString());
        break;
      }
      default:
        line = "? " + std::to_string(kind);
        break;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_events.push_back(line);
  }

 private:
  std::mutex m_lock;
  std::vector<std::string> m_events;
};

class WorkerThread : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitialize(nullptr);
    ResetLimits();
    // A prompt that the watcher misses ends in half a minute, not two.
    ApplyLimitOverrides("Vantrel.BackupConnectPause=0,Vantrel.TrustPrompt=30000");
    WriteState("");
    ASSERT_TRUE(m_events.Handle());
    ASSERT_TRUE(m_worker.Start(m_events.Handle()));
  }
  void TearDown() override {
    m_worker.Stop();
    ResetLimits();
    ::CoUninitialize();
  }

  HResult Request(uint32_t kind) {
    CPacket packet;
    packet.AddDword(kind);
    return m_worker.PostEngineRequest(std::move(packet));
  }
  HResult Backup(const char16_t* drive) {
    CPacket packet;
    packet.AddDword(kWorkerCallEngine);
    packet.AddString(u"");
    packet.AddDword(1);
    packet.AddString(drive);
    return m_worker.PostEngineRequest(std::move(packet));
  }

  CEventWindow m_events;
  CPellornThread m_worker;
};

// ---- backups -----------------------------------------------------------------------------------

TEST_F(WorkerThread, TwoDrivesReportEachResultThroughTheSink) {
  WriteState("backup_result.d=5\n");
  ASSERT_EQ(Request(kWorkerConnect), kOk);
  EXPECT_EQ(Request(kWorkerConnect), kOk);  // a second connect while advised does nothing

  ASSERT_EQ(Backup(u"C"), kOk);
  ASSERT_TRUE(m_events.WaitFor("2 "));
  std::vector<std::string> c = m_events.Events();
  ASSERT_GE(c.size(), 5u);
  EXPECT_EQ(c[0], "1 1 1 ");
  EXPECT_EQ(c[1], "1 2 1 Backing up drive C:");
  // The first progress value is 0: the time estimate comes first.
  EXPECT_EQ(c[2], "1 3 1 2 seconds to complete");
  EXPECT_EQ(c[3].rfind("1 4 0 C:\\", 0), 0u) << c[3];
  EXPECT_EQ(c.back(), "2 0");
  EXPECT_TRUE(fs::exists(g_root / "backup" / "Farlink" / "c" / "1" / "a.txt"));

  m_events.Clear();
  ASSERT_EQ(Backup(u"D"), kOk);
  ASSERT_TRUE(m_events.WaitFor("2 "));
  std::vector<std::string> d = m_events.Events();
  EXPECT_EQ(d.front(), "1 1 1 ");
  EXPECT_EQ(d.back(), "2 5");
  EXPECT_FALSE(fs::exists(g_root / "backup" / "Farlink" / "d" / "1"));

  // A drive that the device does not have is refused by the call itself.
  EXPECT_TRUE(IsFailure(Backup(u"Q")));
  EXPECT_EQ(Request(kWorkerDisconnect), kOk);
  EXPECT_EQ(Backup(u"C"), kBackupFailed);  // nothing to call after the disconnect
}

struct AnswerCase {
  uint32_t clientAnswer;
  const char* finished;  // the drive's end: the stand-in stops on 0 and goes on otherwise
};

// The client's answer reaches the backup engine mapped exactly once: 8 (skip) becomes 1. Mapped a
// second time it would become 2, "ask again", and the backup would ask for ever.
const AnswerCase kAnswerCases[] = {{4, "2 995"}, {8, "2 0"}, {32, "2 0"}, {64, "2 995"}};

TEST_F(WorkerThread, AQuestionWaitsForTheClientsAnswerMappedOnce) {
  WriteState("backup_question=0x80070158\n");
  ASSERT_EQ(Request(kWorkerConnect), kOk);
  for (const AnswerCase& c : kAnswerCases) {
    m_events.Clear();
    ASSERT_EQ(Backup(u"C"), kOk);
    ASSERT_TRUE(m_events.WaitFor("3 ")) << c.clientAnswer;
    std::vector<std::string> events = m_events.Events();
    EXPECT_EQ(events.back(), "3 " + std::to_string(0x80070158u) + " The backup cannot read a file.\nC:");
    EXPECT_TRUE(m_worker.SetAnswer(c.clientAnswer));
    ASSERT_TRUE(m_events.WaitFor("2 ")) << c.clientAnswer;
    EXPECT_EQ(m_events.Events().back(), c.finished) << c.clientAnswer;
    events = m_events.Events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& e) { return e.rfind("3 ", 0) == 0; }),
              1)
        << c.clientAnswer;
    EXPECT_FALSE(m_worker.SetAnswer(c.clientAnswer)) << "nothing waits any more";
  }
}

TEST_F(WorkerThread, CancelStopsTheDriveAndTheNextDriveStartsUncancelled) {
  ASSERT_EQ(Request(kWorkerConnect), kOk);
  m_worker.RequestCancel();
  ASSERT_EQ(Backup(u"C"), kOk);
  ASSERT_TRUE(m_events.WaitFor("2 "));
  EXPECT_EQ(m_events.Events().back(), "2 995");
  // The finished event cleared the flag.
  m_events.Clear();
  ASSERT_EQ(Backup(u"C"), kOk);
  ASSERT_TRUE(m_events.WaitFor("2 "));
  EXPECT_EQ(m_events.Events().back(), "2 0");
}

TEST_F(WorkerThread, DisconnectReleasesAWaitingQuestion) {
  WriteState("backup_question=0x80070158\n");
  ASSERT_EQ(Request(kWorkerConnect), kOk);
  ASSERT_EQ(Backup(u"C"), kOk);
  ASSERT_TRUE(m_events.WaitFor("3 "));
  EXPECT_EQ(Request(kWorkerDisconnect), kOk);
  // The question got "stop": the stand-in's thread is not left waiting.
  ASSERT_TRUE(m_events.WaitFor("2 "));
  EXPECT_EQ(m_events.Events().back(), "2 995");
}

// ---- the trust prompt --------------------------------------------------------------------------

// Finds the prompt by its caption on another thread, looks at it and answers it.
struct PromptView {
  bool found = false;
  std::u16string message;
  bool hasCheckBox = false;
  std::u16string checkText, yesText, noText;
  bool scrollBar = false;
};

using PromptAction = std::function<void(HWND dialog)>;

using test::Click;
using test::ItemText;
using test::Tick;

HWND FindPrompt(DWORD ms) {
  DWORD start = ::GetTickCount();
  for (;;) {
    if (HWND dialog = test::FindVisiblePrompt()) return dialog;
    if (::GetTickCount() - start > ms) return nullptr;
    ::Sleep(20);
  }
}

// Runs the prompt on the worker while a watcher looks at it and acts.
HResult RunPrompt(CPellornThread& worker, const PromptTexts& texts, const PromptAction& action,
                  PromptView& view, bool& always) {
  std::thread watcher([&] {
    HWND dialog = FindPrompt(kWaitMs);
    if (!dialog) return;
    view.found = true;
    view.message = ItemText(dialog, IDC_SECURITY_MESSAGE);
    HWND check = ::GetDlgItem(dialog, IDC_SECURITY_ALWAYS);
    view.hasCheckBox = check != nullptr;
    if (check) view.checkText = ItemText(dialog, IDC_SECURITY_ALWAYS);
    view.yesText = ItemText(dialog, IDC_SECURITY_YES);
    view.noText = ItemText(dialog, IDC_SECURITY_NO);
    view.scrollBar =
        (::GetWindowLongW(::GetDlgItem(dialog, IDC_SECURITY_MESSAGE), GWL_STYLE) & WS_VSCROLL) != 0;
    action(dialog);
  });
  HResult result = worker.PostSecurityPrompt(always, texts);
  watcher.join();
  return result;
}

const PromptTexts kDefaultTexts = MakePromptTexts(u"Backup Tool", {});

struct PromptCase {
  const char* what;
  PromptTexts texts;
  PromptAction action;
  HResult result;
  bool always;
};

const std::vector<PromptCase>& PromptCases() {
  static const std::vector<PromptCase> cases = {
      {"yes", kDefaultTexts, [](HWND d) { Click(d, IDC_SECURITY_YES); }, kOk, false},
      {"no", kDefaultTexts, [](HWND d) { Click(d, IDC_SECURITY_NO); }, kClientNotTrusted, false},
      {"always and yes", kDefaultTexts,
       [](HWND d) {
         Tick(d);
         Click(d, IDC_SECURITY_YES);
       },
       kOk, true},
      // With "always" ticked No is disabled, and Enter (its command) answers nothing.
      {"always, no refused, yes", kDefaultTexts,
       [](HWND d) {
         Tick(d);
         Click(d, IDC_SECURITY_NO);
         Click(d, IDOK);
         Click(d, IDC_SECURITY_YES);
       },
       kOk, true},
      {"close box", kDefaultTexts, [](HWND d) { ::PostMessageW(d, WM_CLOSE, 0, 0); }, kClientNotTrusted,
       false},
      // Nobody answers: refused, and a ticked "always" is not remembered.
      {"time-out with always ticked", kDefaultTexts, [](HWND d) { Tick(d); }, kClientNotTrusted, false},
      {"own texts without always",
       {u"May the tool start?", u"", u"Go", u"Stop"},
       [](HWND d) { Click(d, IDC_SECURITY_YES); },
       kOk,
       false},
  };
  return cases;
}

TEST_F(WorkerThread, PromptAnswers) {
  ApplyLimitOverrides("Vantrel.TrustPrompt=1500");
  for (const PromptCase& c : PromptCases()) {
    SCOPED_TRACE(c.what);
    PromptView view;
    bool always = !c.always;
    EXPECT_EQ(RunPrompt(m_worker, c.texts, c.action, view, always), c.result);
    EXPECT_EQ(always, c.always);
    EXPECT_TRUE(view.found);
  }
}

TEST_F(WorkerThread, PromptShowsItsTexts) {
  PromptView view;
  bool always = true;
  bool noEnabledAfterTick = true;
  PromptAction tickAndYes = [&](HWND d) {
    Tick(d);
    noEnabledAfterTick = ::IsWindowEnabled(::GetDlgItem(d, IDC_SECURITY_NO)) != FALSE;
    Click(d, IDC_SECURITY_YES);
  };
  RunPrompt(m_worker, kDefaultTexts, tickAndYes, view, always);
  ASSERT_TRUE(view.found);
  EXPECT_EQ(view.message,
            u"An application \"Backup Tool\" has requested to start\r\na service operation to your Orvel "
            u"Farlink.\r\n"
            u"Do you trust this application and want to allow the operation?");
  EXPECT_TRUE(view.hasCheckBox);
  EXPECT_EQ(view.checkText, u"&Always trust this application.");
  EXPECT_EQ(view.yesText, u"&Yes");
  EXPECT_EQ(view.noText, u"&No");
  EXPECT_FALSE(noEnabledAfterTick);
  EXPECT_FALSE(view.scrollBar);  // three lines need no scrolling

  // A client's own texts: no check box without an "always" text, a line feed breaks the line, and
  // a long message keeps its scroll bar.
  std::u16string longMessage;
  for (int i = 0; i < 40; ++i) longMessage += u"line " + FromUtf8(std::to_string(i)) + u"\n";
  PromptView own;
  RunPrompt(
      m_worker, {longMessage, u"", u"Go", u"Stop"}, [](HWND d) { Click(d, IDC_SECURITY_NO); }, own, always);
  ASSERT_TRUE(own.found);
  EXPECT_FALSE(own.hasCheckBox);
  EXPECT_EQ(own.yesText, u"Go");
  EXPECT_EQ(own.noText, u"Stop");
  EXPECT_EQ(own.message.substr(0, 14), u"line 0\r\nline 1");
  EXPECT_TRUE(own.scrollBar);
}

// The fault this guards against: with one signal for every hand-over, a backup question that was
// answered "stop" at once because a cancel was under way left the client's later answer (4, which
// the backup engine reads as 0) as a pending signal with the result 0; the next trust prompt took
// that 0 for S_OK and let the client in without asking.
TEST_F(WorkerThread, AnAnswerLeftFromACancelledBackupQuestionIsNotAPromptsYes) {
  ASSERT_EQ(Request(kWorkerConnect), kOk);
  m_worker.RequestCancel();
  // The question arrives on EPOC Connect's thread while the cancel flag is set: it answers 0 at
  // once, without waiting.
  LONG answer = -1;
  std::thread reporter([&] {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    win::UniqueBstr text1(u"The backup cannot read a file."), text2(u"C:");
    m_worker.Handler().OnQuestionEvent(text1.get(), text2.get(), 0, 13, &answer);
    ::CoUninitialize();
  });
  reporter.join();
  EXPECT_EQ(answer, 0);
  ASSERT_TRUE(m_events.WaitFor("3 13 "));
  // The client answers the question it was shown: "stop". Nothing waits for it any more.
  EXPECT_FALSE(m_worker.SetAnswer(4));
  // The next prompt still asks, and its answer is the user's.
  PromptView view;
  bool always = true;
  HResult result = RunPrompt(
      m_worker, kDefaultTexts, [](HWND d) { Click(d, IDC_SECURITY_NO); }, view, always);
  EXPECT_TRUE(view.found);
  EXPECT_EQ(result, kClientNotTrusted);
  EXPECT_FALSE(always);
}

// ---- the trust check ---------------------------------------------------------------------------

// A client refused by the prompt is refused again without asking until the retry limit has passed;
// then it is asked again.
TEST_F(WorkerThread, ARefusedClientIsAskedAgainOnlyAfterTheRetryLimit) {
  ApplyLimitOverrides("Vantrel.TrustRetry=1000");
  CTrustedClients trusted;
  CClientSession client(nullptr);
  client.m_name = u"Retry Tool";
  std::atomic<int> prompts{0};
  std::atomic<bool> stop{false};
  std::thread watcher([&] {
    HWND last = nullptr;
    while (!stop) {
      HWND dialog = test::FindVisiblePrompt();
      if (dialog && dialog != last) {
        last = dialog;
        ++prompts;
        Click(dialog, IDC_SECURITY_NO);
      }
      ::Sleep(20);
    }
  });
  EXPECT_EQ(CheckClientTrust(trusted, client, &m_worker), kClientNotTrusted);
  EXPECT_EQ(prompts, 1);
  EXPECT_EQ(CheckClientTrust(trusted, client, &m_worker), kClientNotTrusted);
  EXPECT_EQ(prompts, 1);
  // The prompt's own closing takes longer than the limit here; the stamp is set when it ends.
  ::Sleep(1100);
  EXPECT_EQ(CheckClientTrust(trusted, client, &m_worker), kClientNotTrusted);
  EXPECT_EQ(prompts, 2);
  // The own user interface is never asked, whatever the list holds.
  CClientSession own(nullptr);
  own.m_name = kOwnUserInterface;
  EXPECT_EQ(CheckClientTrust(trusted, own, nullptr), kOk);
  // Without a worker nobody else is let in.
  CClientSession other(nullptr);
  other.m_name = u"Other Tool";
  EXPECT_EQ(CheckClientTrust(trusted, other, nullptr), kClientNotTrusted);
  stop = true;
  watcher.join();
  EXPECT_TRUE(trusted.Names().empty());
}

// Keeps the stored list of trusted names as it was before the test.
class CStoredListKeeper {
 public:
  CStoredListKeeper() {
    if (m_key.Create(HKEY_CURRENT_USER, kSecuredClientsKey) == ERROR_SUCCESS)
      m_saved = m_key.ReadArchive(kSecuredClientsValue);
  }
  ~CStoredListKeeper() {
    if (m_saved) {
      m_key.WriteArchive(kSecuredClientsValue, *m_saved);
    } else {
      Write(REG_NONE, {});
    }
  }
  // Writes the value with any type; REG_NONE removes it.
  void Write(DWORD type, const std::vector<uint8_t>& data) {
    win::UniqueRegKey key;
    ::RegOpenKeyExW(HKEY_CURRENT_USER, kSecuredClientsKey, 0, KEY_ALL_ACCESS, key.out());
    if (type == REG_NONE) {
      ::RegDeleteValueW(key.get(), kSecuredClientsValue);
    } else {
      ::RegSetValueExW(key.get(), kSecuredClientsValue, 0, type, data.data(),
                       static_cast<DWORD>(data.size()));
    }
  }
  CRegKeyEx& Key() { return m_key; }

 private:
  CRegKeyEx m_key;
  std::optional<std::vector<uint8_t>> m_saved;
};

struct StoredCase {
  const char* what;
  DWORD type;
  std::vector<uint8_t> data;
  std::vector<std::u16string> names;
};

const StoredCase kStoredCases[] = {
    {"missing", REG_NONE, {}, {}},
    {"two names", REG_BINARY, SerializeSecuredClients({u"A Tool", u"B Tool"}), {u"A Tool", u"B Tool"}},
    {"length past the data", REG_BINARY, {1, 0, 0xFF, 0xFE, 0xFF, 5, 'A', 0}, {}},
    {"count past the data", REG_BINARY, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, {}},
    {"a text, not an archive", REG_SZ, {'A', 0, 0, 0}, {}},
    {"larger than any list", REG_BINARY, std::vector<uint8_t>(CRegKeyEx::kMaxBinarySize + 1, 0), {}},
};

TEST(TrustedClients, TheStoredListIsReadWholeOrNotAtAll) {
  CStoredListKeeper keeper;
  for (const StoredCase& c : kStoredCases) {
    keeper.Write(c.type, c.data);
    CTrustedClients trusted;
    trusted.Load();
    EXPECT_EQ(trusted.Names(), c.names) << c.what;
  }
  keeper.Write(REG_BINARY, SerializeSecuredClients({u"A Tool"}));
  CTrustedClients trusted;
  trusted.Load();
  EXPECT_TRUE(trusted.Contains(u"A Tool"));
  EXPECT_FALSE(trusted.Contains(u"a tool"));
  trusted.Add(u"C Tool");
  std::optional<std::vector<uint8_t>> stored = keeper.Key().ReadArchive(kSecuredClientsValue);
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(ParseSecuredClients(*stored), (std::vector<std::u16string>{u"A Tool", u"C Tool"}));
  EXPECT_EQ(keeper.Key().ValueType(), static_cast<DWORD>(REG_BINARY));
}

// The engine's settings context is the settings host from the program's start: the nodes of its
// document name it, and it answers display texts from the element-name table.
TEST(SettingsContext, IsTheHostOfTheEnginesDocumentFromTheStart) {
  EXPECT_EQ(&GetSettingsHost(), static_cast<ISettingsHost*>(&SettingsContext()));
  CSettingsNode* root = SettingsContext().Document().Reset();
  ASSERT_TRUE(root && root->GetChildCount() > 0);
  std::u16string name, shown;
  root->GetChild(0)->GetNodeName(name, false);
  root->GetChild(0)->GetNodeName(shown, true);
  EXPECT_EQ(shown, name);
  EXPECT_FALSE(name.empty());
  SettingsContext().Document().DeleteRoot();
}

// A module loaded through the short (8.3) form of its folder's name is found in the long form.
TEST(ModuleDirectory, AShortNameComesBackInItsLongForm) {
  wchar_t own[MAX_PATH] = {};
  ASSERT_NE(::GetModuleFileNameW(nullptr, own, MAX_PATH), 0u);
  fs::path folder = fs::temp_directory_path() / L"A folder with a long name";
  fs::create_directories(folder);
  fs::copy_file(fs::path(own).parent_path() / L"Ambrel.dll", folder / L"Ambrel.dll",
                fs::copy_options::overwrite_existing);
  wchar_t shortFolder[MAX_PATH] = {};
  ASSERT_NE(::GetShortPathNameW(folder.c_str(), shortFolder, MAX_PATH), 0u);
  ASSERT_NE(std::wstring(shortFolder), folder.wstring());
  HMODULE module = ::LoadLibraryW((std::wstring(shortFolder) + L"\\Ambrel.dll").c_str());
  ASSERT_TRUE(module);
  wchar_t raw[MAX_PATH] = {};
  ::GetModuleFileNameW(module, raw, MAX_PATH);
  std::u16string directory;
  EXPECT_TRUE(win::GetModuleDirectory(directory, module));
  EXPECT_TRUE(EqualsNoCase(directory, win::FromWide(folder.wstring() + L"\\")))
      << AsUtf8(directory) << " (the system gave " << AsUtf8(win::FromWide(raw)) << ")";
  ::FreeLibrary(module);
  EXPECT_TRUE(win::GetModuleDirectory(directory, nullptr));
  EXPECT_TRUE(EqualsNoCase(directory, win::FromWide(fs::path(own).parent_path().wstring() + L"\\")))
      << AsUtf8(directory);
}

TEST(RegKeyEx, ValuesOfEachKind) {
  CRegKeyEx key;
  const std::wstring path = L"Software\\Orvel\\Corvanset\\Test " + std::to_wstring(::GetCurrentProcessId());
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path), ERROR_SUCCESS);
  EXPECT_EQ(key.Path(), path);
  EXPECT_EQ(key.WriteDword(L"Number", 0x12345678), ERROR_SUCCESS);
  EXPECT_EQ(key.ReadDword(L"Number"), std::optional<DWORD>(0x12345678));
  EXPECT_FALSE(key.ReadString(L"Number").has_value());  // of another type
  EXPECT_EQ(key.LastResult(), ERROR_INVALID_DATA);
  EXPECT_FALSE(key.ReadDword(L"Missing").has_value());
  EXPECT_EQ(key.LastResult(), ERROR_FILE_NOT_FOUND);
  const wchar_t text[] = L"C:\\request.xml";
  win::UniqueRegKey raw;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, raw.out()), ERROR_SUCCESS);
  // A text stored without its terminator is read whole.
  ::RegSetValueExW(raw.get(), L"Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   sizeof(text) - sizeof(wchar_t));
  EXPECT_EQ(key.ReadString(L"Text"), std::optional<std::wstring>(text));
  EXPECT_EQ(key.WriteArchive(L"Data", {1, 2, 3}), ERROR_SUCCESS);
  EXPECT_EQ(key.ReadArchive(L"Data"), (std::optional<std::vector<uint8_t>>(std::vector<uint8_t>{1, 2, 3})));
  EXPECT_EQ(key.ValueSize(), 3u);
  key.Close();
  EXPECT_FALSE(key.ReadArchive(L"Data").has_value());
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, path), ERROR_SUCCESS);
  EXPECT_TRUE(key.ReadArchive(L"Data").has_value());
  key.Close();
  ::RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
}

// ---- the audit log's file ----------------------------------------------------------------------

std::string FileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(AuditLog, ALogInAMissingFolderIsNotWritten) {
  AuditRecord record{u"d", u"1", u"Dev", u"2", u"C", u"Backup", kOk, u""};
  fs::path file = fs::temp_directory_path() / "no such folder" / "log.csv";
  EXPECT_FALSE(AppendAuditRecord(win::FromWide(file.wstring()), record));
}

// The mark and the header start a new file and an empty one, and only those.
TEST(AuditLog, NewFileGetsMarkAndHeaderOnce) {
  fs::path file = fs::temp_directory_path() / L"audit log \u00e9 test.csv";
  std::u16string name = win::FromWide(file.wstring());
  fs::remove(file);
  AuditRecord record{u"d", u"1", u"Dev", u"2", u"C", u"Backup", kCancelled, u"\u00e9"};
  ASSERT_TRUE(AppendAuditRecord(name, record));
  ASSERT_TRUE(AppendAuditRecord(name, record));
  std::string line = "d;'1;Dev;'2;C;Backup;0x80040101 Cancelled;\xC3\xA9;\r\n";
  EXPECT_EQ(FileBytes(file), std::string(kUtf8Mark) + kAuditHeader + line + line);
  std::ofstream(file, std::ios::trunc).close();
  ASSERT_TRUE(AppendAuditRecord(name, record));
  EXPECT_EQ(FileBytes(file), std::string(kUtf8Mark) + kAuditHeader + line);
  fs::remove(file);
}

// ---- the end of the thread ---------------------------------------------------------------------

// Calls f on another thread and gives its result, or no value when it has not returned in time.
template <class F>
std::optional<HResult> Within(DWORD ms, F f) {
  auto task = std::make_shared<std::packaged_task<HResult()>>(f);
  std::future<HResult> done = task->get_future();
  std::thread([task] { (*task)(); }).detach();
  if (done.wait_for(std::chrono::milliseconds(ms)) != std::future_status::ready) return std::nullopt;
  return done.get();
}

TEST_F(WorkerThread, RequestsToAWorkerThatHasQuitNeverWait) {
  ASSERT_EQ(Request(kWorkerConnect), kOk);
  // The quit comes first in the worker's queue, the disconnect behind it: the worker ends without
  // answering, and the wait ends with it.
  ASSERT_TRUE(::PostThreadMessageW(m_worker.ThreadId(), WM_QUIT, 0, 0));
  std::optional<HResult> disconnect = Within(kWaitMs, [&] { return Request(kWorkerDisconnect); });
  ASSERT_TRUE(disconnect.has_value()) << "the disconnect waited on a worker that had quit";
  EXPECT_EQ(*disconnect, kOk);
  EXPECT_FALSE(m_worker.Running());
  // Once it has ended, every hand-over answers at once.
  EXPECT_EQ(Within(kWaitMs, [&] { return Request(kWorkerDisconnect); }), std::optional<HResult>(kOk));
  EXPECT_EQ(Within(kWaitMs, [&] { return Request(kWorkerConnect); }), std::optional<HResult>(kBackupFailed));
  bool always = true;
  EXPECT_EQ(Within(kWaitMs, [&] { return m_worker.PostSecurityPrompt(always, kDefaultTexts); }),
            std::optional<HResult>(kClientNotTrusted));
  EXPECT_FALSE(always);
}

TEST_F(WorkerThread, StopEndsTheThreadAndReleasesTheBackupEngine) {
  ASSERT_EQ(Request(kWorkerConnect), kOk);
  m_worker.Stop();
  EXPECT_FALSE(m_worker.Running());
  EXPECT_EQ(CPellornThread::Instance(), nullptr);
  EXPECT_EQ(Request(kWorkerDisconnect), kOk);
}

}  // namespace
}  // namespace orvel::engine
