// End-to-end tests of Vantrel: registration, activation and shut-down, the 21 methods in each
// client state, callbacks to other client processes, dead clients, and the state word against the
// simulated device. The engine runs as its own process, started by COM.
#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

#include "engine/engine_codes.h"
#include "engine/tests/engine_test_support.h"
#include "interfaces/econnect_contract.h"
#include "support/win/handle.h"
#include "support/win/registry.h"

namespace orvel::engine::test {
namespace {

using win::UniqueBstr;

const bool kPrepared = (PrepareEnvironment(), true);
const std::wstring kWaitingText(kWaitingConfiguration,
                                kWaitingConfiguration +
                                    std::char_traits<char16_t>::length(kWaitingConfiguration));

constexpr long kStateFrameworkBit = 2;
constexpr long kStateClientOpenBit = 4;
constexpr long kStateOperationBit = 8;

// Runs a program to its end and gives its exit code.
DWORD RunProgram(const std::wstring& program, const std::wstring& args) {
  std::wstring command = L"\"" + program + L"\" " + args;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
    return 0xFFFFFFFF;
  ::CloseHandle(info.hThread);
  win::UniqueKernelHandle process(info.hProcess);
  ::WaitForSingleObject(process.get(), 60000);
  DWORD code = 0xFFFFFFFF;
  ::GetExitCodeProcess(process.get(), &code);
  return code;
}

// The first callback line from index `from` on that reports a state word with (state & mask) ==
// value; true when it arrives within ms.
bool WaitState(CTestClient& client, long mask, long value, DWORD ms, size_t from = 0) {
  return PumpUntil(
      [&] {
        std::vector<std::string> lines = client.Callback().Lines();
        for (size_t i = from; i < lines.size(); ++i)
          if (lines[i].rfind("OnStateChanged ", 0) == 0 && (std::stol(lines[i].substr(15)) & mask) == value)
            return true;
        return false;
      },
      ms);
}

class EngineServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(ProgramApartment()));
    ASSERT_TRUE(WaitEngineGone(30000)) << "an engine of another program runs";
  }
};

// ---- registration ------------------------------------------------------------------------------

struct KeyCase {
  const wchar_t* key;
  const wchar_t* value;     // null: the default value
  const wchar_t* expected;  // null: the key exists, its value is not looked at
};

const wchar_t kExtClsid[] = L"CLSID\\{4C5419FE-B32C-11D4-AE0B-00D0591C61C2}";
const wchar_t kServerClsid[] = L"CLSID\\{FCCE74A4-D269-11D4-95E9-0008C71B7220}";

const KeyCase kRegistrationKeys[] = {
    {L"AppID\\{4C5419EF-B32C-11D4-AE0B-00D0591C61C2}", nullptr, L"Vantrel"},
    {L"AppID\\Vantrel.EXE", L"AppID", L"{4C5419EF-B32C-11D4-AE0B-00D0591C61C2}"},
    {L"Vantrel.TerminalManagerExt.1", nullptr, L"TerminalManagerExt Class"},
    {L"Vantrel.TerminalManagerExt.1\\CLSID", nullptr, L"{4C5419FE-B32C-11D4-AE0B-00D0591C61C2}"},
    {L"Vantrel.TerminalManagerExt", nullptr, L"TerminalManagerExt Class"},
    {L"Vantrel.TerminalManagerExt\\CLSID", nullptr, L"{4C5419FE-B32C-11D4-AE0B-00D0591C61C2}"},
    {L"Vantrel.TerminalManagerExt\\CurVer", nullptr, L"Vantrel.TerminalManagerExt.1"},
    {kExtClsid, nullptr, L"TerminalManagerExt Class"},
    {kExtClsid, L"AppID", L"{4C5419EF-B32C-11D4-AE0B-00D0591C61C2}"},
    {L"CLSID\\{4C5419FE-B32C-11D4-AE0B-00D0591C61C2}\\ProgID", nullptr, L"Vantrel.TerminalManagerExt.1"},
    {L"CLSID\\{4C5419FE-B32C-11D4-AE0B-00D0591C61C2}\\VersionIndependentProgID", nullptr,
     L"Vantrel.TerminalManagerExt"},
    {L"CLSID\\{4C5419FE-B32C-11D4-AE0B-00D0591C61C2}\\Programmable", nullptr, nullptr},
    {L"CLSID\\{4C5419FE-B32C-11D4-AE0B-00D0591C61C2}\\LocalServer32", nullptr, nullptr},
    {L"CLSID\\{4C5419FE-B32C-11D4-AE0B-00D0591C61C2}\\TypeLib", nullptr,
     L"{4C5419EE-B32C-11D4-AE0B-00D0591C61C2}"},
    {L"Vantrel.TerminalManagerServer.1", nullptr, L"TerminalManagerServer Class"},
    {L"Vantrel.TerminalManagerServer.1\\CLSID", nullptr, L"{FCCE74A4-D269-11D4-95E9-0008C71B7220}"},
    {L"Vantrel.TerminalManagerServer", nullptr, L"TerminalManagerServer Class"},
    {L"Vantrel.TerminalManagerServer\\CurVer", nullptr, L"Vantrel.TerminalManagerServer.1"},
    {kServerClsid, nullptr, L"TerminalManagerServer Class"},
    {kServerClsid, L"AppID", L"{4C5419EF-B32C-11D4-AE0B-00D0591C61C2}"},
    {L"CLSID\\{FCCE74A4-D269-11D4-95E9-0008C71B7220}\\ProgID", nullptr, L"Vantrel.TerminalManagerServer.1"},
    {L"CLSID\\{FCCE74A4-D269-11D4-95E9-0008C71B7220}\\VersionIndependentProgID", nullptr,
     L"Vantrel.TerminalManagerServer"},
    {L"CLSID\\{FCCE74A4-D269-11D4-95E9-0008C71B7220}\\Programmable", nullptr, nullptr},
    {L"CLSID\\{FCCE74A4-D269-11D4-95E9-0008C71B7220}\\LocalServer32", nullptr, nullptr},
    {L"TypeLib\\{4C5419EE-B32C-11D4-AE0B-00D0591C61C2}\\1.0", nullptr, L"TerminalManager 1.0 Type Library"},
    {L"Interface\\{4C5419FD-B32C-11D4-AE0B-00D0591C61C2}", nullptr, nullptr},
    {L"Interface\\{4C5419FC-B32C-11D4-AE0B-00D0591C61C2}", nullptr, nullptr},
    {L"Interface\\{FCCE74A7-D269-11D4-95E9-0008C71B7220}", nullptr, nullptr},
};

bool KeyExists(const wchar_t* key) {
  win::UniqueRegKey handle;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, handle.out()) == ERROR_SUCCESS;
}

TEST_F(EngineServer, RegistrationWritesAndRemovesExactlyItsKeys) {
  const std::wstring vantrel = WindowsPath(ORVEL_VANTREL);
  ASSERT_EQ(RunProgram(vantrel, L"-unregserver"), 0u);
  for (const KeyCase& c : kRegistrationKeys) EXPECT_FALSE(KeyExists(c.key)) << "left behind: " << c.key;
  EXPECT_TRUE(KeyExists(L"AppID"));

  ASSERT_EQ(RunProgram(vantrel, L"/RegServer"), 0u);
  for (const KeyCase& c : kRegistrationKeys) {
    EXPECT_TRUE(KeyExists(c.key)) << c.key;
    if (c.expected) {
      EXPECT_EQ(win::ReadRegString(HKEY_CLASSES_ROOT, c.key, c.value).value_or(L"(none)"), c.expected)
          << c.key;
    }
  }
  std::wstring server =
      win::ReadRegString(HKEY_CLASSES_ROOT, std::wstring(kExtClsid) + L"\\LocalServer32", nullptr)
          .value_or(L"");
  EXPECT_EQ(::lstrcmpiW(server.c_str(), vantrel.c_str()), 0) << server.c_str();

  // The switch is found after "-" or "/" in any case; other switches are passed over.
  EXPECT_EQ(RunProgram(vantrel, L"/Embedding /UNREGSERVER"), 0u);
  EXPECT_FALSE(KeyExists(kExtClsid));
  EXPECT_EQ(RunProgram(vantrel, L"-regSERVER"), 0u);
  EXPECT_TRUE(KeyExists(kExtClsid));
}

// ---- start and stop ----------------------------------------------------------------------------

TEST_F(EngineServer, ActivationStartsTheEngineWhichEndsAfterTheIdleLimit) {
  DWORD first = 0;
  {
    CTestClient client;
    ASSERT_EQ(client.CreateResult(), S_OK);
    EXPECT_EQ(client.AdviseResult(), S_OK);
    first = EngineProcessId();
    ASSERT_NE(first, 0u);
  }
  {
    // A new activation within the idle limit reaches the same process.
    CTestClient client;
    ASSERT_EQ(client.CreateResult(), S_OK);
    EXPECT_EQ(EngineProcessId(), first);
  }
  win::UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, first));
  ASSERT_TRUE(process);
  // Idle limit 1500 ms: the end comes after one to two idle periods and the tear-down pause.
  EXPECT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }, 8000));
}

TEST_F(EngineServer, TheEngineObjectIsNotCreatableFromOutside) {
  CTestClient client;
  ASSERT_EQ(client.CreateResult(), S_OK);
  ComPtr<IUnknown> engine;
  EXPECT_TRUE(FAILED(::CoCreateInstance(CLSID_TerminalManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                        reinterpret_cast<void**>(engine.GetAddressOf()))));
}

// An activation that meets the end of the server either gets a server that answers, or a failure;
// never an object whose server is already going.
TEST_F(EngineServer, ActivationDuringShutdownGetsAWorkingServerOrACleanFailure) {
  ASSERT_TRUE(WaitEngineGone(10000));
  // Pauses on both sides of the idle limit plus the tear-down pause, so that some activations meet
  // a server that is ending. Under Wine a server's cold start takes about a second, so a shorter
  // idle limit would end a new server before its first activation reaches it.
  SetLimits(L"Vantrel.IdleShutdown=1000,Vantrel.TearDownPause=700");
  std::mt19937 random(7);
  int worked = 0;
  DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < 10000) {
    CTestClient client;
    if (SUCCEEDED(client.CreateResult())) {
      EXPECT_EQ(client.AdviseResult(), S_OK);
      EXPECT_NE(client.State(), -1);
      ++worked;
    }
    client.Release();
    PumpUntil([] { return false; }, std::uniform_int_distribution<DWORD>(800, 2200)(random));
  }
  SetLimits(L"");
  EXPECT_GT(worked, 0);
  EXPECT_TRUE(WaitEngineGone(10000));
}

// ---- the methods in every client state ---------------------------------------------------------

constexpr HRESULT kSkip = 1;  // the method is not called in that state

struct MethodCase {
  const char* name;
  std::function<HRESULT(CTestClient&)> call;
  HRESULT noDetails;                       // no SetClientDetails
  HRESULT noCallback;                      // named, no callback advised
  HRESULT connected;                       // advised, no client open
  HRESULT otherOpen;                       // another client process has the device open
  HRESULT open;                            // this client has the device open
  std::function<void(CTestClient&)> undo;  // after a success in the "open" state
};

HRESULT CallWithText(CTestClient& c, HRESULT (STDMETHODCALLTYPE ITerminalManagerExt::*method)(BSTR*)) {
  UniqueBstr text;
  return (c.Get()->*method)(text.out());
}

// Ends the operation that a case started. Operations run their steps now: one that fails at once
// (a missing file) may end before the cancel arrives, so its own OnDone counts as the end too.
void CancelOperation(CTestClient& c) {
  size_t from = c.Callback().Count();
  HRESULT hr = c->Cancel();
  EXPECT_TRUE(hr == S_OK || hr == kNoOperation) << std::hex << hr;
  EXPECT_TRUE(c.WaitCallback(hr == S_OK ? "OnDone " : "OnStateChanged", 5000, hr == S_OK ? from : 0));
  EXPECT_TRUE(PumpUntil([&] { return (c.State() & kStateOperationBit) == 0; }, 5000));
}

const std::vector<MethodCase>& MethodCases() {
  static const std::vector<MethodCase> cases = {
      {"GetState",
       [](CTestClient& c) {
         long s;
         return c->GetState(&s);
       },
       kNoClientProcess, kNoCallback, S_OK, S_OK, S_OK, nullptr},
      {"GetTerminalManagerInfo",
       [](CTestClient& c) { return CallWithText(c, &ITerminalManagerExt::GetTerminalManagerInfo); },
       kNoClientProcess, kNoCallback, S_OK, S_OK, S_OK, nullptr},
      {"GetDeviceInfo", [](CTestClient& c) { return CallWithText(c, &ITerminalManagerExt::GetDeviceInfo); },
       kNoClientProcess, kNoCallback, S_OK, S_OK, S_OK, nullptr},
      {"GetOpenClient", [](CTestClient& c) { return CallWithText(c, &ITerminalManagerExt::GetOpenClient); },
       kNoClientProcess, kNoCallback, kNotOpenClient, S_OK, S_OK, nullptr},
      {"GetLocalizedPath",
       [](CTestClient& c) {
         UniqueBstr t;
         return c->GetLocalizedPath(0x231, t.out());
       },
       kNoClientProcess, kNoCallback, S_OK, S_OK, S_OK, nullptr},
      {"SetSecurityMessage",
       [](CTestClient& c) {
         UniqueBstr m(u"May I?"), a(u"Always"), y(u"Yes"), n(u"No");
         return c->SetSecurityMessage(m.get(), a.get(), y.get(), n.get());
       },
       kNoClientProcess, kNoCallback, S_OK, S_OK, S_OK, nullptr},
      {"SetLogDescription",
       [](CTestClient& c) {
         UniqueBstr d(u"table test");
         return c->SetLogDescription(d.get());
       },
       kNoClientProcess, kNoCallback, S_OK, S_OK, S_OK, nullptr},
      {"Open", [](CTestClient& c) { return c->Open(); }, kNoClientProcess, kNoCallback, kSkip,
       kOtherClientOpen, kOtherClientOpen, nullptr},
      {"Close", [](CTestClient& c) { return c->Close(); }, kNoClientProcess, kNoCallback, kNotOpenClient,
       kNotOpenClient, S_OK, [](CTestClient& c) { EXPECT_EQ(c->Open(), S_OK); }},
      {"Cancel", [](CTestClient& c) { return c->Cancel(); }, kNoClientProcess, kNoCallback, kNotOpenClient,
       kNotOpenClient, kNoOperation, nullptr},
      {"Respond", [](CTestClient& c) { return c->Respond(1); }, kNoClientProcess, kNoCallback, kNoQuestion,
       kNoQuestion, kNoQuestion, nullptr},
      {"SendConfiguration",
       [](CTestClient& c) {
         UniqueBstr t(kWaitingConfiguration);
         return c->SendConfiguration(t.get());
       },
       kNoClientProcess, kNoCallback, kNotOpenClient, kNotOpenClient, S_OK, CancelOperation},
      {"SendConfigurationFile",
       [](CTestClient& c) {
         UniqueBstr t(u"C:\\settings.xml");
         return c->SendConfigurationFile(t.get());
       },
       kNoClientProcess, kNoCallback, kNotOpenClient, kNotOpenClient, S_OK, CancelOperation},
      {"BackupDevice",
       [](CTestClient& c) {
         UniqueBstr t(u"  c ");
         return c->BackupDevice(t.get(), 1);
       },
       kNoClientProcess, kNoCallback, kNotOpenClient, kNotOpenClient, S_OK, CancelOperation},
      {"RestoreDevice",
       [](CTestClient& c) {
         UniqueBstr d(u""), t(u"C");
         return c->RestoreDevice(d.get(), t.get(), 0);
       },
       kNoClientProcess, kNoCallback, kNotOpenClient, kNotOpenClient, S_OK, CancelOperation},
      {"Install",
       [](CTestClient& c) {
         UniqueBstr t(u"C:\\app.sis");
         return c->Install(t.get());
       },
       kNoClientProcess, kNoCallback, kNotOpenClient, kNotOpenClient, S_OK, CancelOperation},
      {"CopyFile",
       [](CTestClient& c) {
         UniqueBstr l(u"C:\\a.txt"), r(u"c:\\a.txt");
         return c->CopyFile(l.get(), r.get(), 1);
       },
       kNoClientProcess, kNoCallback, kNotOpenClient, kNotOpenClient, S_OK, CancelOperation},
      {"UnAdviseCallback", [](CTestClient& c) { return c->UnAdviseCallback(c.Cookie()); }, kNoClientProcess,
       kNoCallback, kSkip, kSkip, kSkip, nullptr},
  };
  return cases;
}

void RunColumn(CTestClient& client, HRESULT MethodCase::*column, const char* state) {
  for (const MethodCase& c : MethodCases()) {
    HRESULT expected = c.*column;
    if (expected == kSkip) continue;
    SCOPED_TRACE(std::string(c.name) + " when " + state);
    HRESULT got = c.call(client);
    EXPECT_EQ(got, expected);
    if (SUCCEEDED(got) && c.undo && column == &MethodCase::open) c.undo(client);
  }
}

TEST_F(EngineServer, MethodsOfAClientThatHasNotNamedItself) {
  CTestClient client(false, false);
  ASSERT_EQ(client.CreateResult(), S_OK);
  RunColumn(client, &MethodCase::noDetails, "not named");
  ComPtr<sampleclient::CClientCallback> callback = win::MakeCom<sampleclient::CClientCallback>();
  long cookie = 0;
  EXPECT_EQ(client->AdviseCallback(static_cast<ITerminalManagerExtCallback*>(callback.Get()), &cookie),
            kNoClientProcess);
}

TEST_F(EngineServer, MethodsOfAClientWithoutCallback) {
  CTestClient client(true, false);
  ASSERT_EQ(client.CreateResult(), S_OK);
  RunColumn(client, &MethodCase::noCallback, "not advised");
}

TEST_F(EngineServer, MethodsOfAConnectedClient) {
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  // The first device-information refresh follows the first poll.
  UniqueBstr info;
  EXPECT_TRUE(PumpUntil([&] { return client->GetDeviceInfo(info.out()) == S_OK; }, 5000));
  RunColumn(client, &MethodCase::connected, "connected");
  EXPECT_EQ(client->UnAdviseCallback(client.Cookie()), S_OK);
  long state;
  EXPECT_EQ(client->GetState(&state), kNoCallback);
}

TEST_F(EngineServer, MethodsWhileAnotherClientHasTheDeviceOpen) {
  CSampleProcess other({L"--name", L"Other Client", L"open", L"ready", L"wait", L"30000"});
  ASSERT_FALSE(other.WaitLine("READY", 20000).empty());
  EXPECT_EQ(other.WaitLine("Open ", 0), "Open 0x00000000");
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  // The other client may have started the engine just now: its first refresh may still be queued.
  UniqueBstr info;
  EXPECT_TRUE(PumpUntil([&] { return client->GetDeviceInfo(info.out()) == S_OK; }, 5000));
  RunColumn(client, &MethodCase::otherOpen, "another client is open");
  UniqueBstr name;
  EXPECT_EQ(client->GetOpenClient(name.out()), S_OK);
  EXPECT_EQ(name.text(), u"Other Client");
  // The next test opens: the other client's open must be gone first (the next poll drops it).
  other.Kill();
  EXPECT_TRUE(PumpUntil([&] { return client->GetOpenClient(name.out()) == kNotOpenClient; }, 5000));
}

TEST_F(EngineServer, MethodsOfTheOpenClient) {
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  UniqueBstr info;
  EXPECT_TRUE(PumpUntil([&] { return client->GetDeviceInfo(info.out()) == S_OK; }, 5000));
  ASSERT_EQ(client->Open(), S_OK);
  RunColumn(client, &MethodCase::open, "open");
  UniqueBstr name;
  EXPECT_EQ(client->GetOpenClient(name.out()), S_OK);
  EXPECT_EQ(name.text(), u"Test Client");
  EXPECT_EQ(client->Close(), S_OK);
}

// ---- arguments ---------------------------------------------------------------------------------

TEST_F(EngineServer, ArgumentChecks) {
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  ASSERT_TRUE(client.WaitDevice(10000));
  ASSERT_EQ(client->Open(), S_OK);
  long pid = static_cast<long>(::GetCurrentProcessId());
  struct NameCase {
    std::u16string name;
    HRESULT expected;
  };
  const NameCase names[] = {{u"", kInvalidArgument},
                            {u"   ", kInvalidArgument},
                            {std::u16string(65, u'n'), kInvalidArgument},
                            {std::u16string(64, u'n'), S_OK},
                            {u"  Trimmed Name \t", S_OK}};
  for (const NameCase& c : names) {
    UniqueBstr name(c.name);
    EXPECT_EQ(client->SetClientDetails(pid, name.get()), c.expected) << c.name.size();
  }
  UniqueBstr open;
  EXPECT_EQ(client->GetOpenClient(open.out()), S_OK);
  EXPECT_EQ(open.text(), u"Trimmed Name");

  long cookie = 0;
  EXPECT_EQ(client->AdviseCallback(nullptr, &cookie), kInvalidArgument);
  EXPECT_EQ(client->AdviseCallback(static_cast<ITerminalManagerExtCallback*>(&client.Callback()), &cookie),
            kCallbackAdvised);
  {
    // The same callback object through a second object of this process.
    CTestClient second(true, false);
    EXPECT_EQ(second->AdviseCallback(static_cast<ITerminalManagerExtCallback*>(&client.Callback()), &cookie),
              kCallbackAdvised);
    // An object that is no callback at all.
    ComPtr<IStream> stream;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf()), S_OK);
    EXPECT_EQ(second->AdviseCallback(stream.Get(), &cookie), kNoCallbackInterface);
  }
  EXPECT_EQ(client->UnAdviseCallback(client.Cookie() + 1), kInvalidArgument);

  UniqueBstr path;
  EXPECT_EQ(client->GetLocalizedPath(0x999, path.out()), kInvalidArgument);
  EXPECT_EQ(client->GetLocalizedPath(0x231, path.out()), S_OK);
  EXPECT_EQ(path.text(), u"Documents\\Templates\\Fax\\");

  UniqueBstr empty(u""), message1024(std::u16string(1024, u'm')), message1025(std::u16string(1025, u'm'));
  EXPECT_EQ(client->SetSecurityMessage(empty.get(), empty.get(), empty.get(), empty.get()), kInvalidArgument);
  EXPECT_EQ(client->SetSecurityMessage(message1024.get(), empty.get(), empty.get(), empty.get()), S_OK);
  EXPECT_EQ(client->SetSecurityMessage(message1025.get(), empty.get(), empty.get(), empty.get()),
            kInvalidArgument);
  EXPECT_EQ(client->SetLogDescription(message1025.get()), kInvalidArgument);
  EXPECT_EQ(client->SetLogDescription(message1024.get()), S_OK);
  EXPECT_EQ(client->SetLogDescription(empty.get()), S_OK);

  UniqueBstr blank(u"  "), drive(u"C");
  EXPECT_EQ(client->SendConfiguration(nullptr), kInvalidArgument);
  EXPECT_EQ(client->SendConfigurationFile(nullptr), kInvalidArgument);
  EXPECT_EQ(client->BackupDevice(drive.get(), 0), kInvalidArgument);
  EXPECT_EQ(client->BackupDevice(drive.get(), -1), kInvalidArgument);
  EXPECT_EQ(client->BackupDevice(blank.get(), 1), kInvalidArgument);
  EXPECT_EQ(client->RestoreDevice(empty.get(), blank.get(), 0), kInvalidArgument);
  EXPECT_EQ(client->CopyFile(nullptr, drive.get(), 1), kInvalidArgument);
  EXPECT_EQ(client->CopyFile(drive.get(), nullptr, 0), kInvalidArgument);
  EXPECT_EQ(client->Respond(0), kNoQuestion);

  // A process that cannot be opened leaves the client without one.
  UniqueBstr name(u"Gone");
  EXPECT_EQ(client->SetClientDetails(0x7FFFFFF0, name.get()), kNoClientProcess);
  long state;
  EXPECT_EQ(client->GetState(&state), kNoClientProcess);
  UniqueBstr again(u"Back");
  EXPECT_EQ(client->SetClientDetails(pid, again.get()), S_OK);
  EXPECT_EQ(client->Close(), S_OK);
}

TEST_F(EngineServer, OperationsNeedADeviceAndOneOperationAtATime) {
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  ASSERT_TRUE(client.WaitDevice(10000));
  ASSERT_EQ(client->Open(), S_OK);
  UniqueBstr text(kWaitingConfiguration), drive(u"C");
  ASSERT_EQ(client->SendConfiguration(text.get()), S_OK);
  EXPECT_TRUE(PumpUntil([&] { return client.State() & kStateOperationBit; }, 3000));
  EXPECT_EQ(client->BackupDevice(drive.get(), 1), kOperationRunning);
  EXPECT_EQ(client->SendConfiguration(text.get()), kOperationRunning);
  // A second cancel is tested with the settings transfer, which cannot end between the two calls.
  size_t from = client.Callback().Count();
  EXPECT_EQ(client->Cancel(), S_OK);
  EXPECT_TRUE(client.WaitCallback("OnDone 0x80040101", 5000, from));
  EXPECT_TRUE(PumpUntil([&] { return (client.State() & kStateOperationBit) == 0; }, 3000));

  SetDeviceState("connected", "0");
  EXPECT_TRUE(PumpUntil([&] { return (client.State() & 1) == 0; }, 5000));
  EXPECT_EQ(client->SendConfiguration(text.get()), kNoDevice);
  UniqueBstr info;
  EXPECT_EQ(client->GetDeviceInfo(info.out()), kNoDevice);
  SetDeviceState("connected", "1");
  EXPECT_TRUE(PumpUntil([&] { return (client.State() & 1) == 1; }, 5000));
  EXPECT_EQ(client->Close(), S_OK);
}

// Nobody answers the question: the engine refuses it itself once the limit has passed, not before.
TEST_F(EngineServer, AnUnansweredQuestionIsRefusedAtTheLimit) {
  ASSERT_TRUE(WaitEngineGone(10000));
  SetLimits(L"Vantrel.QuestionTimeout=2500");
  {
    CTestClient client;
    ASSERT_EQ(client.AdviseResult(), S_OK);
    ASSERT_TRUE(client.WaitDevice(10000));
    ASSERT_EQ(client->Open(), S_OK);
    size_t from = client.Callback().Count();
    UniqueBstr text(kWaitingConfiguration);
    ASSERT_EQ(client->SendConfiguration(text.get()), S_OK);
    ASSERT_TRUE(client.WaitCallback("OnError 0x80040204 4 ", 5000, from));
    EXPECT_FALSE(client.WaitCallback("OnDone ", 1500, from));
    EXPECT_TRUE(client.WaitCallback("OnDone 0x80040204", 5000, from));
    EXPECT_EQ(client->Close(), S_OK);
  }
  SetLimits(L"");
  EXPECT_TRUE(WaitEngineGone(10000));
}

// Close during an operation answers at once; the client stays open until OnDone has been delivered.
TEST_F(EngineServer, CloseDuringAnOperationClosesAfterOnDone) {
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  ASSERT_TRUE(client.WaitDevice(10000));
  ASSERT_EQ(client->Open(), S_OK);
  UniqueBstr text(kWaitingConfiguration);
  ASSERT_EQ(client->SendConfiguration(text.get()), S_OK);
  size_t from = client.Callback().Count();
  EXPECT_EQ(client->Close(), S_OK);
  // OnDone goes only to the open client, so its arrival shows the client stayed open until then (a
  // query right after Close may already come after the cancelled operation's end).
  UniqueBstr name;
  EXPECT_TRUE(client.WaitCallback("OnDone 0x80040101", 5000, from));
  EXPECT_TRUE(PumpUntil([&] { return client->GetOpenClient(name.out()) == kNotOpenClient; }, 3000));
}

// ---- other clients -----------------------------------------------------------------------------

TEST_F(EngineServer, AnotherClientSeesTheStateChangeWhenOneOpens) {
  CTestClient observer;
  ASSERT_EQ(observer.AdviseResult(), S_OK);
  size_t from = observer.Callback().Count();
  CSampleProcess opener({L"--name", L"Opener", L"open", L"wait", L"500", L"close"});
  EXPECT_TRUE(WaitState(observer, kStateClientOpenBit, kStateClientOpenBit, 10000, from));
  EXPECT_TRUE(WaitState(observer, kStateClientOpenBit, 0, 10000, from + 1));
  EXPECT_TRUE(opener.WaitExit(10000));
  EXPECT_FALSE(opener.WaitLine("OnStateChanged", 0).empty());  // the opener is told as well
}

struct DeadClientCase {
  const char* what;
  std::vector<std::wstring> args;
  bool kill;
};

// A client that dies or lets go while it has the device open (during an operation, too) is closed,
// and another client can then open.
TEST_F(EngineServer, ADeadOrReleasedOpenClientIsDroppedAndItsOpenReleased) {
  const DeadClientCase cases[] = {
      {"killed", {L"open", L"ready", L"wait", L"60000"}, true},
      {"killed during an operation", {L"open", L"send", kWaitingText, L"ready", L"wait", L"60000"}, true},
      // It lets go a moment after READY, so that the first Open below meets it still open.
      {"released during an operation", {L"open", L"send", kWaitingText, L"ready", L"wait", L"2000"}, false},
  };
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  ASSERT_TRUE(client.WaitDevice(10000));
  for (const DeadClientCase& c : cases) {
    CSampleProcess other(c.args);
    ASSERT_FALSE(other.WaitLine("READY", 20000).empty()) << c.what;
    EXPECT_EQ(client->Open(), kOtherClientOpen) << c.what;
    if (c.kill) {
      other.Kill();
    } else {
      EXPECT_TRUE(other.WaitExit(10000));
    }
    EXPECT_TRUE(PumpUntil([&] { return client->Open() == S_OK; }, 10000)) << c.what;
    EXPECT_TRUE(PumpUntil([&] { return (client.State() & kStateOperationBit) == 0; }, 3000)) << c.what;
    EXPECT_EQ(client->Close(), S_OK) << c.what;
  }
}

// A client we did not write: the system's script host drives the engine through IDispatch, with a
// plain script object as its callback.
TEST_F(EngineServer, AScriptClientDrivesTheEngineThroughIDispatch) {
  CSampleProcess host(L"cscript.exe", {L"//nologo", WindowsPath(ORVEL_SCRIPT_CLIENT),
                                       std::to_wstring(::GetCurrentProcessId())});
  ASSERT_TRUE(host.Started());
  EXPECT_TRUE(host.WaitExit(30000));
  std::string cookie = host.WaitLine("Cookie ", 0), state = host.WaitLine("State ", 0);
  EXPECT_GT(std::atol(cookie.c_str() + 7), 0) << cookie;
  EXPECT_GE(std::atol(state.c_str() + 6), 0) << state;
  EXPECT_NE(state, "State ");
  EXPECT_NE(host.WaitLine("Info <", 0), "") << ::testing::PrintToString(host.Lines());
  EXPECT_EQ(host.WaitLine("Done", 0), "Done") << ::testing::PrintToString(host.Lines());
}

// ---- the state word and the simulated device ---------------------------------------------------

TEST_F(EngineServer, DeviceConnectionTogglesTheDeviceBit) {
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  EXPECT_TRUE(PumpUntil([&] { return (client.State() & 1) == 1; }, 5000));
  size_t from = client.Callback().Count();
  SetDeviceState("connected", "0");
  EXPECT_TRUE(WaitState(client, 1, 0, 5000, from));
  from = client.Callback().Count();
  SetDeviceState("connected", "1");
  EXPECT_TRUE(WaitState(client, 1, 1, 5000, from));
  EXPECT_EQ(client.State() & 1, 1);
}

class CFrameworkWindow {
 public:
  CFrameworkWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Orvel.Fenwarp6.FRAMEW.GLOBALCLASS";
    ::RegisterClassW(&windowClass);
    m_window = ::CreateWindowExW(0, windowClass.lpszClassName, L"Framework", WS_OVERLAPPED, 0, 0, 10, 10,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
  }
  ~CFrameworkWindow() {
    if (m_window) ::DestroyWindow(m_window);
  }
  HWND m_window;
};

TEST_F(EngineServer, FrameworkWindowSetsItsBit) {
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  size_t from = client.Callback().Count();
  {
    CFrameworkWindow framework;
    ASSERT_TRUE(framework.m_window);
    EXPECT_TRUE(WaitState(client, kStateFrameworkBit, kStateFrameworkBit, 5000, from));
    EXPECT_EQ(client.State() & kStateFrameworkBit, kStateFrameworkBit);
    from = client.Callback().Count();
  }
  EXPECT_TRUE(WaitState(client, kStateFrameworkBit, 0, 5000, from));
}

// A device that changes while an operation runs is read again as soon as the operation has ended.
TEST_F(EngineServer, DeviceChangeDuringAnOperationMakesTheInformationDue) {
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  ASSERT_TRUE(client.WaitDevice(10000));
  UniqueBstr info;
  ASSERT_TRUE(PumpUntil([&] { return client->GetDeviceInfo(info.out()) == S_OK; }, 5000));
  ASSERT_EQ(client->Open(), S_OK);
  UniqueBstr text(kWaitingConfiguration);
  ASSERT_EQ(client->SendConfiguration(text.get()), S_OK);
  SetDeviceState("name", "Renamed");
  EXPECT_TRUE(PumpUntil([&] { return client->GetDeviceInfo(info.out()) == kNoDeviceInfo; }, 5000));
  CancelOperation(client);
  EXPECT_TRUE(PumpUntil(
      [&] {
        return client->GetDeviceInfo(info.out()) == S_OK &&
               info.text().find(u"<EPOCName>Renamed</EPOCName>") != std::u16string::npos;
      },
      5000));
  SetDeviceState("name", "TestFarlink");
  EXPECT_EQ(client->Close(), S_OK);
}

// ---- the connectivity manager program ----------------------------------------------------------

using econnect::kAppPathsKey;
using win::kCorvansetKey;

void DeleteRequestFile() {
  win::UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kCorvansetKey, 0, KEY_SET_VALUE, key.out()) == ERROR_SUCCESS)
    ::RegDeleteValueW(key.get(), L"RequestFile");
}

TEST_F(EngineServer, OpenTerminalManagerStartsTheProgramAndLeavesTheRequestFile) {
  DeleteRequestFile();
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  UniqueBstr file(u"C:\\request.xml");
  EXPECT_EQ(client->OpenTerminalManager(file.get()), S_OK);
  EXPECT_EQ(win::ReadRegString(HKEY_CURRENT_USER, kCorvansetKey, L"RequestFile").value_or(L""),
            L"C:\\request.xml");
  DeleteRequestFile();
}

// Runs alone: it points the machine-wide program entry at a missing program for a moment.
TEST(EngineProgramEntry, OpenTerminalManagerFailsWhenTheProgramCannotStart) {
  ASSERT_TRUE(SUCCEEDED(ProgramApartment()));
  std::optional<std::wstring> saved = win::ReadRegString(HKEY_LOCAL_MACHINE, kAppPathsKey, nullptr);
  ASSERT_TRUE(saved.has_value());
  ASSERT_TRUE(WaitEngineGone(30000));
  ASSERT_EQ(win::WriteRegString(HKEY_LOCAL_MACHINE, kAppPathsKey, nullptr, L"C:\\missing\\econnect.exe"),
            ERROR_SUCCESS);
  DeleteRequestFile();
  {
    CTestClient client;
    EXPECT_EQ(client.AdviseResult(), S_OK);
    UniqueBstr file(u"C:\\request.xml");
    EXPECT_EQ(client->OpenTerminalManager(file.get()), kNoConnectProgram);
    EXPECT_FALSE(win::ReadRegString(HKEY_CURRENT_USER, kCorvansetKey, L"RequestFile").has_value());
  }
  EXPECT_EQ(win::WriteRegString(HKEY_LOCAL_MACHINE, kAppPathsKey, nullptr, *saved), ERROR_SUCCESS);
  EXPECT_TRUE(WaitEngineGone(30000));
}

// Runs alone: the engine is registered from a copy in a folder whose name holds "&" for a moment.
// The log goes beside that copy; a device name with markup is logged as it is; a log that cannot
// be written is reported to whoever listens to the program's debug output.
TEST(EngineProgramEntry, AuditLogBesideAnEngineInAFolderWithAnAmpersand) {
  namespace fs = std::filesystem;
  ASSERT_TRUE(SUCCEEDED(ProgramApartment()));
  ASSERT_TRUE(WaitEngineGone(30000));
  fs::path original = WindowsPath(ORVEL_VANTREL);
  fs::path folder = fs::temp_directory_path() / L"Vantrel & Co";
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (const wchar_t* file : {L"Vantrel.exe", L"Ambrel.dll"})
    fs::copy_file(original.parent_path() / file, folder / file);
  ASSERT_EQ(RunProgram((folder / L"Vantrel.exe").wstring(), L"/RegServer"), 0u);
  struct CRestore {
    fs::path program, copies;
    ~CRestore() {
      WaitEngineGone(30000);
      RunProgram(program.wstring(), L"/RegServer");
      SetDeviceState("name", "TestFarlink");
      std::error_code error;
      fs::remove_all(copies, error);
    }
  } restore{original, folder};
  SetDeviceState("name", "Bob's <A&B>");
  fs::path log = folder / L"MorvaneLog.csv";
  fs::create_directories(log);  // a log that cannot be written
  {
    CDebugOutput debug;
    ASSERT_TRUE(debug.Listening());
    CTestClient client;
    ASSERT_EQ(client.AdviseResult(), S_OK);
    UniqueBstr info;
    ASSERT_TRUE(PumpUntil(
        [&] {
          return client->GetDeviceInfo(info.out()) == S_OK &&
                 info.text().find(u"<EPOCName>Bob's &lt;A&amp;B&gt;</EPOCName>") != std::u16string::npos;
        },
        10000));
    ASSERT_EQ(client->Open(), S_OK);
    UniqueBstr package(u"C:\\missing.sis");
    for (bool writable : {false, true}) {
      SCOPED_TRACE(writable ? "writable log" : "log that cannot be written");
      if (writable) fs::remove(log);
      size_t from = client.Callback().Count();
      ASSERT_EQ(client->Install(package.get()), S_OK);
      EXPECT_TRUE(client.WaitCallback("OnDone 0x80040152", 10000, from));
      EXPECT_TRUE(PumpUntil([&] { return (client.State() & kStateOperationBit) == 0; }, 5000));
    }
    std::string reported = debug.WaitText("MorvaneLog.csv", 5000);
    EXPECT_NE(reported.find("Vantrel & Co"), std::string::npos) << reported;
    EXPECT_NE(reported.find(";Bob's <A&B>;"), std::string::npos) << reported;
    EXPECT_EQ(client->Close(), S_OK);
  }
  std::string text;
  {
    std::ifstream in(log, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_NE(text.find(";'350123/45/678901/2;Bob's <A&B>;';Test Client;Install;0x80040152;;\r\n"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace orvel::engine::test
