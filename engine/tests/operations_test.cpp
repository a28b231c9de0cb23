// End-to-end tests of file copy, install, backup and restore: the real engine, the progress relay and the
// simulated device with its package installer; clients in this process and in sample-client
// processes.
#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "engine/engine_codes.h"
#include "engine/engine_wnd.h"
#include "engine/tests/engine_test_support.h"
#include "progress/relay_record.h"

namespace orvel::engine::test {
namespace {

namespace fs = std::filesystem;
using win::UniqueBstr;

// A relay window that has not taken a record after 2 s is taken as gone.
const bool kPrepared = (PrepareEnvironment(L"Vantrel.RelaySend=2000"), true);

// The computer's side of the copies.
fs::path PcFolder() { return DeviceRoot().parent_path() / (DeviceRoot().filename().wstring() + L"-pc"); }

void WriteFile(const fs::path& path, const std::string& text) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);  // a read-only one
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string AuditLog() {
  return ReadFile(fs::path(WindowsPath(ORVEL_VANTREL)).parent_path() / "MorvaneLog.csv");
}

// The audit log's records: every line after the header that the engine writes into a new file.
size_t RecordCount(const std::string& log) {
  size_t lines = static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
  return lines > 0 ? lines - 1 : 0;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Runs one operation verb in a sample-client process and gives its OnDone line.
std::string RunInProcess(const std::vector<std::wstring>& verb) {
  std::vector<std::wstring> args = {L"open", L"wait", L"1500"};
  args.insert(args.end(), verb.begin(), verb.end());
  args.insert(args.end(), {L"waitdone", L"30000", L"close"});
  CSampleProcess client(args);
  bool ended = client.WaitExit(40000);
  std::string printed;
  for (const std::string& line : client.Lines()) printed += line + "\n";
  EXPECT_TRUE(ended) << printed;
  return client.WaitLine("OnDone ", 0);
}

class Operations : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(ProgramApartment()));
    ASSERT_TRUE(WaitEngineGone(30000));
  }
  void SetUp() override {
    // A client of this program keeps the engine running between the sample-client processes, so
    // that none of them meets an engine that is just ending.
    m_keeper = std::make_unique<CTestClient>(true, false, L"Keeper");
    ASSERT_EQ(m_keeper->CreateResult(), S_OK);
    SetDeviceState("exists_question", "number");
    for (const char* key : {"install_result", "install_wait", "restore_result", "restore_sink_end",
                            "restore_start_pump", "backup_result.c", "backup_result.d", "backup_question"})
      SetDeviceState(key, "0");
    fs::create_directories(PcFolder());
    fs::create_directories(DeviceRoot() / "c" / "Documents");
    fs::create_directories(DeviceRoot() / "d");
  }
  void Open(CTestClient& client) {
    ASSERT_EQ(client.AdviseResult(), S_OK);
    ASSERT_EQ(client->Open(), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return client.State() & 1; }, 5000));
  }
  HRESULT Copy(CTestClient& client, const fs::path& local, const std::wstring& remote, bool toDevice) {
    UniqueBstr l(local.u16string()), r(std::u16string(remote.begin(), remote.end()));
    return client->CopyFile(l.get(), r.get(), toDevice ? 1 : 0);
  }

  std::unique_ptr<CTestClient> m_keeper;
};

TEST_F(Operations, CopiesBothWaysFromAnotherProcess) {
  WriteFile(PcFolder() / "up.txt", "to the device");
  WriteFile(DeviceRoot() / "c" / "Documents" / "down.txt", "to the computer");
  fs::remove(PcFolder() / "down.txt");
  size_t lines = RecordCount(AuditLog());
  EXPECT_EQ(RunInProcess({L"copy", (PcFolder() / "up.txt").wstring(), L"c:\\Documents\\", L"1"}),
            "OnDone 0x00000000");
  EXPECT_EQ(ReadFile(DeviceRoot() / "c" / "Documents" / "up.txt"), "to the device");
  EXPECT_EQ(RunInProcess({L"copy", (PcFolder() / "down.txt").wstring(), L"c:\\Documents\\down.txt", L"0"}),
            "OnDone 0x00000000");
  EXPECT_EQ(ReadFile(PcFolder() / "down.txt"), "to the computer");
  std::string log = AuditLog();
  EXPECT_EQ(RecordCount(log), lines + 2);
  EXPECT_TRUE(EndsWith(log, ";File copy;0x00000000 Ok;;\r\n")) << log.substr(log.size() - 100);
}

struct ExistsCase {
  const char* name;
  const char* mode;  // how the device asks: with the number, or with its "exists" question
  bool toDevice;
  bool readOnly;
  long answer;
  const char* done;
  const char* content;  // of the target afterwards
};

const ExistsCase kExistsCases[] = {
    {"overwrite on the device", "number", true, false, 32, "OnDone 0x00000000", "new"},
    {"overwrite a read-only device file", "exists", true, true, 32, "OnDone 0x00000000", "new"},
    {"overwrite on the computer", "exists", false, false, 32, "OnDone 0x00000000", "new"},
    {"skip", "number", true, false, 8, "OnDone 0x00000000", "old"},
    {"cancel", "exists", true, false, 4, "OnDone 0x80040101", "old"},
};

TEST_F(Operations, AnExistingTargetIsAskedAbout) {
  CTestClient client;
  Open(client);
  for (const ExistsCase& c : kExistsCases) {
    SCOPED_TRACE(c.name);
    SetDeviceState("exists_question", c.mode);
    fs::path deviceFile = DeviceRoot() / "c" / "Documents" / "t.txt", pcFile = PcFolder() / "t.txt";
    WriteFile(c.toDevice ? PcFolder() / "t.txt" : deviceFile, "new");
    fs::path target = c.toDevice ? deviceFile : pcFile;
    WriteFile(target, "old");
    if (c.readOnly) fs::permissions(target, fs::perms::all, fs::perm_options::remove);
    size_t from = client.Callback().Count();
    ASSERT_EQ(Copy(client, pcFile, L"c:\\Documents\\t.txt", c.toDevice), S_OK);
    std::string shown = c.toDevice ? "c:\\Documents\\t.txt" : pcFile.string();
    // A copy of the client's own asks with the element name "File".
    ASSERT_TRUE(client.WaitCallback("OnError 0x80040203 45 File " + shown, 10000, from));
    EXPECT_EQ(client->Respond(c.answer), S_OK);
    EXPECT_TRUE(client.WaitCallback(c.done, 10000, from));
    EXPECT_EQ(ReadFile(target), c.content);
    EXPECT_TRUE(PumpUntil([&] { return (client.State() & 8) == 0; }, 5000));
  }
  EXPECT_EQ(client->Close(), S_OK);
}

// A window whose thread takes no message until the object goes: a relay window that hangs.
class CHungWindow {
 public:
  CHungWindow() : m_release(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    win::UniqueKernelHandle made(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_thread = std::thread([this, made = made.get()] {
      m_window =
          ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
      ::SetEvent(made);
      ::WaitForSingleObject(m_release.get(), 20000);
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
      ::DestroyWindow(m_window);
    });
    ::WaitForSingleObject(made.get(), 10000);
  }
  ~CHungWindow() {
    ::SetEvent(m_release.get());
    m_thread.join();
  }
  HWND Handle() const { return m_window; }

 private:
  win::UniqueKernelHandle m_release;
  HWND m_window = nullptr;
  std::thread m_thread;
};

// A relay record of this test's own to a window of the engine or of the relay.
LRESULT SendRecord(HWND to, HWND sender, uint32_t code, uint32_t value) {
  relay::RelayRecord record = relay::MakeRelayRecord(
      static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(sender)), relay::kFileCopy, code, value);
  COPYDATASTRUCT data = {0, sizeof(record), &record};
  return ::SendMessageW(to, WM_COPYDATA, reinterpret_cast<WPARAM>(sender), reinterpret_cast<LPARAM>(&data));
}

// The engine's answer goes to a relay window that hangs: after the limit the engine takes that
// relay as gone and serves its clients again.
TEST_F(Operations, ARelayWindowThatHangsDoesNotHangTheEngine) {
  WriteFile(PcFolder() / "t.txt", "new");
  WriteFile(DeviceRoot() / "c" / "Documents" / "t.txt", "old");
  CTestClient client;
  Open(client);
  size_t from = client.Callback().Count();
  ASSERT_EQ(Copy(client, PcFolder() / "t.txt", L"c:\\Documents\\t.txt", true), S_OK);
  ASSERT_TRUE(client.WaitCallback("OnError 0x80040203 ", 10000, from));
  HWND relay = ::FindWindowW(nullptr, relay::kRelayWindowName);
  ASSERT_TRUE(relay);
  {
    CHungWindow hung;
    ASSERT_TRUE(hung.Handle());
    // This window announces itself as the relay, so the engine's answer goes to it.
    ASSERT_EQ(
        SendRecord(::FindWindowW(kEngineWindowClass, kEngineWindowName), hung.Handle(), relay::kStart, 0),
        TRUE);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(client->Respond(8), S_OK);
    // The engine is busy with the hung window for the limit, then answers again.
    auto start = std::chrono::steady_clock::now();
    PumpUntil([] { return false; }, 500);
    EXPECT_NE(client.State(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000 + 3000));
  }
  // The real relay, still waiting for its answer, gets the skip from here and the copy ends.
  EXPECT_EQ(SendRecord(relay, nullptr, relay::kFileCopyAnswer, 1), TRUE);
  EXPECT_TRUE(client.WaitCallback("OnDone 0x00000000", 10000, from));
  EXPECT_EQ(ReadFile(DeviceRoot() / "c" / "Documents" / "t.txt"), "old");
  EXPECT_TRUE(PumpUntil([&] { return (client.State() & 8) == 0; }, 5000));
  EXPECT_EQ(client->Close(), S_OK);
}

struct CopyFailureCase {
  const char* name;
  const char* local;  // under the computer's folder
  const wchar_t* remote;
  bool toDevice;
  const char* done;
};

const CopyFailureCase kCopyFailureCases[] = {
    {"missing source", "none.txt", L"c:\\Documents\\", true, "OnDone 0x80040152"},
    {"missing device folder", "up.txt", L"c:\\No folder\\up.txt", true, "OnDone 0x80040156"},
    {"device folder is a file", "up.txt", L"c:\\Documents\\up.txt\\x.txt", true, "OnDone 0x80040156"},
    {"missing computer folder", "no folder/x.txt", L"c:\\Documents\\up.txt", false, "OnDone 0x80040156"},
};

TEST_F(Operations, CopyFailuresEndWithTheirCodes) {
  WriteFile(PcFolder() / "up.txt", "up");
  WriteFile(DeviceRoot() / "c" / "Documents" / "up.txt", "up");
  CTestClient client;
  Open(client);
  for (const CopyFailureCase& c : kCopyFailureCases) {
    SCOPED_TRACE(c.name);
    size_t from = client.Callback().Count();
    ASSERT_EQ(Copy(client, PcFolder() / c.local, c.remote, c.toDevice), S_OK);
    EXPECT_TRUE(client.WaitCallback(c.done, 10000, from));
    EXPECT_TRUE(PumpUntil([&] { return (client.State() & 8) == 0; }, 5000));
  }
  EXPECT_FALSE(fs::exists(DeviceRoot() / "c" / "No folder"));
  EXPECT_EQ(client->Close(), S_OK);
}

struct InstallCase {
  const char* name;
  const char* file;    // under the computer's folder
  const char* result;  // of the stand-in installer
  const char* done;
  bool installed;
};

const InstallCase kInstallCases[] = {
    {"package", "game.sis", "0", "OnDone 0x00000000", true},
    {"failing installer", "broken.sis", "5", "OnDone 0x80040153", false},
    {"not a package", "readme.txt", "0", "OnDone 0x80040153", false},
    {"missing package", "missing.sis", "0", "OnDone 0x80040152", false},
};

TEST_F(Operations, InstallRunsTheInstallerAndReportsItsFailure) {
  for (const InstallCase& c : kInstallCases) {
    SCOPED_TRACE(c.name);
    SetDeviceState("install_result", c.result);
    if (std::string(c.file) != "missing.sis") WriteFile(PcFolder() / c.file, "package");
    EXPECT_EQ(RunInProcess({L"install", (PcFolder() / c.file).wstring()}), c.done);
    EXPECT_EQ(fs::exists(DeviceRoot() / "c" / "System" / "Install" / c.file), c.installed);
    std::string log = AuditLog();
    EXPECT_TRUE(
        EndsWith(log, ";Install;" + std::string(c.done).substr(7) + (c.installed ? " Ok;;\r\n" : ";;\r\n")))
        << log.substr(log.size() - 100);
  }
}

struct BackupCase {
  const char* name;
  const char16_t* drives;
  const char* failD;     // forced result of drive D's backup
  const char* question;  // the device asks about each drive with this code
  long answer;
  const char* done;
  bool cBackedUp;
};

const BackupCase kBackupCases[] = {
    {"two drives", u"cd", "0", "0", 0, "OnDone 0x00000000", true},
    {"a question answered with skip", u"C", "0", "0x80070158", 8, "OnDone 0x00000000", true},
    {"the second drive fails", u"CD", "5", "0", 0, "OnDone 0x80040211", true},
    // A failed drive fails the drives after it without starting their backup.
    {"the first drive fails", u"DC", "5", "0", 0, "OnDone 0x80040211", false},
};

TEST_F(Operations, BackupRunsEachDriveInOrderAndEndsAtAFailure) {
  fs::path archives = DeviceRoot() / "backup" / "TestFarlink";
  // 300 files give each percentage three times over; the client sees each once.
  for (int i = 0; i < 300; ++i) WriteFile(DeviceRoot() / "c" / ("f" + std::to_string(i) + ".txt"), "x");
  WriteFile(DeviceRoot() / "d" / "note.txt", "on d");
  CTestClient client;
  Open(client);
  for (const BackupCase& c : kBackupCases) {
    SCOPED_TRACE(c.name);
    SetDeviceState("backup_result.d", c.failD);
    SetDeviceState("backup_question", c.question);
    fs::remove_all(archives);
    size_t from = client.Callback().Count();
    size_t lines = RecordCount(AuditLog());
    UniqueBstr drives(c.drives);
    ASSERT_EQ(client->BackupDevice(drives.get(), 2), S_OK);
    if (c.answer) {
      ASSERT_TRUE(
          client.WaitCallback("OnError 0x80070158 13  The backup cannot read a file.\nC:", 10000, from));
      EXPECT_EQ(client->Respond(c.answer), S_OK);
    }
    ASSERT_TRUE(client.WaitCallback(c.done, 30000, from));
    EXPECT_TRUE(PumpUntil([&] { return (client.State() & 8) == 0; }, 5000));
    EXPECT_EQ(fs::exists(archives / "c" / "1" / "f299.txt"), c.cBackedUp);
    EXPECT_EQ(fs::exists(archives / "d" / "1" / "note.txt"), std::string(c.failD) == "0" && c.drives[1] != 0);
    std::vector<std::string> events = client.Callback().Lines();
    events.erase(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(from));
    auto count = [&](const std::string& prefix, const std::string& end) {
      return std::count_if(events.begin(), events.end(),
                           [&](const std::string& e) { return e.starts_with(prefix) && EndsWith(e, end); });
    };
    EXPECT_EQ(count("OnProgress 1 C 0", ""), c.cBackedUp ? 1 : 0);
    if (c.cBackedUp) {
      EXPECT_EQ(count("OnProgress 3 C:\\", " 1"), 1);
    }
    std::string log = AuditLog();
    EXPECT_EQ(RecordCount(log), lines + 1);
    EXPECT_TRUE(EndsWith(log, ";Backup;" + std::string(c.done).substr(7) +
                                  (std::string(c.done) == "OnDone 0x00000000" ? " Ok;;\r\n" : ";;\r\n")))
        << log.substr(log.size() - 100);
  }
  EXPECT_EQ(client->Close(), S_OK);

  // The same from a client process: the second drive fails, the first is backed up.
  SetDeviceState("backup_result.d", "5");
  SetDeviceState("backup_question", "0");
  fs::remove_all(archives);
  EXPECT_EQ(RunInProcess({L"backup", L"CD", L"1"}), "OnDone 0x80040211");
  EXPECT_TRUE(fs::exists(archives / "c" / "1" / "f299.txt"));
  EXPECT_FALSE(fs::exists(archives / "d" / "1"));
}

struct RestoreCase {
  const char* name;
  const wchar_t* format;
  const char* result;   // forced result of the device's restore
  const char* sinkEnd;  // the restore object's sink reports its end first, with this state
  const char* done;
  bool extraKept;
};

const RestoreCase kRestoreCases[] = {
    {"without format", L"0", "0", "0", "OnDone 0x00000000", true},
    {"with format", L"1", "0", "0", "OnDone 0x00000000", false},
    // The sink's early "finished" must not turn the failure into success.
    {"failure after the sink's early end", L"0", "5", "1", "OnDone 0x80040211", true},
};

TEST_F(Operations, RestoreBringsBackTheNewestArchive) {
  fs::path archive = DeviceRoot() / "backup" / "TestFarlink" / "d" / "1";
  for (const RestoreCase& c : kRestoreCases) {
    SCOPED_TRACE(c.name);
    SetDeviceState("restore_result", c.result);
    SetDeviceState("restore_sink_end", c.sinkEnd);
    WriteFile(archive / "Documents" / "note.txt", "backed up");
    fs::remove_all(DeviceRoot() / "d");
    WriteFile(DeviceRoot() / "d" / "extra.txt", "extra");
    // An empty device name restores the connected device's backups.
    EXPECT_EQ(RunInProcess({L"restore", L"", L"d", c.format}), c.done);
    bool restored = std::string(c.result) == "0";
    EXPECT_EQ(ReadFile(DeviceRoot() / "d" / "Documents" / "note.txt"), restored ? "backed up" : "");
    EXPECT_EQ(fs::exists(DeviceRoot() / "d" / "extra.txt"), c.extraKept);
    EXPECT_TRUE(EndsWith(AuditLog(),
                         ";Restore;" + std::string(c.done).substr(7) + (restored ? " Ok;;\r\n" : ";;\r\n")));
  }
}

// Relay records that arrive while a step runs a nested message loop are taken after the step, not
// inside it: here EPOC Connect's restore object runs the whole restore while its start call waits
// in such a loop.
TEST_F(Operations, EventsDuringANestedMessageLoopAreTakenAfterTheStep) {
  fs::path archive = DeviceRoot() / "backup" / "TestFarlink" / "d" / "1";
  WriteFile(archive / "Documents" / "note.txt", "backed up");
  fs::remove_all(DeviceRoot() / "d");
  fs::create_directories(DeviceRoot() / "d");
  SetDeviceState("restore_start_pump", "1500");
  CTestClient client;
  Open(client);
  size_t from = client.Callback().Count();
  UniqueBstr device(u""), drives(u"D");
  ASSERT_EQ(client->RestoreDevice(device.get(), drives.get(), 0), S_OK);
  EXPECT_TRUE(client.WaitCallback("OnDone 0x00000000", 10000, from));
  EXPECT_EQ(ReadFile(DeviceRoot() / "d" / "Documents" / "note.txt"), "backed up");
  EXPECT_TRUE(PumpUntil([&] { return (client.State() & 8) == 0; }, 5000));
  EXPECT_EQ(client->Close(), S_OK);
}

TEST_F(Operations, CancelEndsEachOperation) {
  CTestClient client;
  Open(client);
  size_t lines = RecordCount(AuditLog());
  auto cancelled = [&](const std::string& waitFor, const std::function<HRESULT()>& start) {
    size_t from = client.Callback().Count();
    ASSERT_EQ(start(), S_OK);
    if (!waitFor.empty()) {
      ASSERT_TRUE(client.WaitCallback(waitFor, 10000, from));
    }
    EXPECT_EQ(client->Cancel(), S_OK);
    EXPECT_TRUE(client.WaitCallback("OnDone 0x80040101", 10000, from));
    EXPECT_TRUE(PumpUntil([&] { return (client.State() & 8) == 0; }, 5000));
  };
  {
    SCOPED_TRACE("copy while its question waits");
    WriteFile(PcFolder() / "t.txt", "new");
    WriteFile(DeviceRoot() / "c" / "Documents" / "t.txt", "old");
    cancelled("OnError ", [&] { return Copy(client, PcFolder() / "t.txt", L"c:\\Documents\\t.txt", true); });
  }
  {
    SCOPED_TRACE("copy at once");
    cancelled("", [&] { return Copy(client, PcFolder() / "t.txt", L"c:\\Documents\\t.txt", true); });
  }
  {
    SCOPED_TRACE("install while the installer runs");
    SetDeviceState("install_wait", "3000");
    SetDeviceState("install_result", "1");
    WriteFile(PcFolder() / "slow.sis", "package");
    UniqueBstr package((PcFolder() / "slow.sis").u16string());
    cancelled("OnProgress 4 ", [&] { return client->Install(package.get()); });
  }
  {
    SCOPED_TRACE("backup while its question waits");
    SetDeviceState("backup_question", "0x80070158");
    UniqueBstr drives(u"C");
    cancelled("OnError ", [&] { return client->BackupDevice(drives.get(), 1); });
    SetDeviceState("backup_question", "0");
  }
  {
    SCOPED_TRACE("backup while a drive is backed up");
    for (int i = 0; i < 300; ++i) WriteFile(DeviceRoot() / "c" / ("f" + std::to_string(i) + ".txt"), "x");
    UniqueBstr drives(u"CD");
    cancelled("OnProgress 3 ", [&] { return client->BackupDevice(drives.get(), 1); });
    // Whenever the backup engine saw the cancel, the next backup runs uncancelled.
    UniqueBstr d(u"D");
    size_t from = client.Callback().Count();
    ASSERT_EQ(client->BackupDevice(d.get(), 1), S_OK);
    EXPECT_TRUE(client.WaitCallback("OnDone 0x00000000", 10000, from));
    EXPECT_TRUE(PumpUntil([&] { return (client.State() & 8) == 0; }, 5000));
  }
  {
    SCOPED_TRACE("restore");
    fs::path archive = DeviceRoot() / "backup" / "TestFarlink" / "c" / "1";
    for (int i = 0; i < 300; ++i) WriteFile(archive / ("f" + std::to_string(i) + ".txt"), "x");
    UniqueBstr device(u""), drives(u"C");
    cancelled("", [&] { return client->RestoreDevice(device.get(), drives.get(), 0); });
  }
  std::string log = AuditLog();
  EXPECT_EQ(RecordCount(log), lines + 7);
  EXPECT_TRUE(EndsWith(log, ";Restore;0x80040101 Cancelled;;\r\n")) << log.substr(log.size() - 100);
  EXPECT_EQ(client->Close(), S_OK);
}

}  // namespace
}  // namespace orvel::engine::test
