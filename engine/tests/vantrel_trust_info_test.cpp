// End-to-end tests of the trust prompt and of the device and manager information: the engine in its
// own process, clients in sample-client processes, a watcher that finds the prompt by its caption,
// reads it and answers it, and the simulated device's state file.
#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/device_info.h"
#include "engine/engine_codes.h"
#include "engine/security_dlg_ids.h"
#include "engine/tests/engine_test_support.h"
#include "engine/tests/prompt_controls.h"
#include "support/u16text.h"
#include "support/win/handle.h"

namespace orvel::engine::test {
namespace {

using win::UniqueBstr;

// The prompt gives up after 5 s here; a refresh of unchanged device information is due after 1.5 s.
const bool kPrepared = (PrepareEnvironment(L"Vantrel.TrustPrompt=5000,Vantrel.DeviceInfoRefresh=1500"), true);

class CComApartment {
 public:
  CComApartment() { ::CoInitialize(nullptr); }
  ~CComApartment() { ::CoUninitialize(); }
};

// ---- the watcher -------------------------------------------------------------------------------

// What the watcher saw of one prompt.
struct SeenPrompt {
  std::u16string message;
  bool checkBox = false;
  std::u16string yes, no;
  bool noEnabledAfterAction = true;
};

using PromptAction = std::function<void(HWND)>;

// Looks for prompts of the engine (a dialog with the prompt's caption in another process) while it
// lives, and answers each one it finds with the action.
class CPromptWatcher {
 public:
  explicit CPromptWatcher(PromptAction action) : m_action(std::move(action)), m_thread([this] { Run(); }) {}
  ~CPromptWatcher() { Stop(); }
  void Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
  }
  std::vector<SeenPrompt> Seen() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_seen;
  }

 private:
  void Run() {
    HWND last = nullptr;
    while (!m_stop) {
      HWND dialog = FindVisiblePrompt();
      if (dialog && dialog != last) {
        last = dialog;
        SeenPrompt seen;
        seen.message = ItemText(dialog, IDC_SECURITY_MESSAGE);
        seen.checkBox = ::GetDlgItem(dialog, IDC_SECURITY_ALWAYS) != nullptr;
        seen.yes = ItemText(dialog, IDC_SECURITY_YES);
        seen.no = ItemText(dialog, IDC_SECURITY_NO);
        if (m_action) m_action(dialog);
        seen.noEnabledAfterAction = ::IsWindowEnabled(::GetDlgItem(dialog, IDC_SECURITY_NO)) != FALSE;
        std::lock_guard<std::mutex> guard(m_lock);
        m_seen.push_back(seen);
      }
      ::Sleep(20);
    }
  }

  PromptAction m_action;
  std::atomic<bool> m_stop{false};
  std::mutex m_lock;
  std::vector<SeenPrompt> m_seen;
  std::thread m_thread;
};

// The results of the "Open" lines of a sample client, in order.
std::vector<std::string> OpenResults(CSampleProcess& process) {
  std::vector<std::string> results;
  for (const std::string& line : process.Lines())
    if (line.rfind("Open ", 0) == 0) results.push_back(line.substr(5));
  return results;
}

std::u16string DefaultMessage(const std::u16string& name) {
  return u"An application \"" + name +
         u"\" has requested to start\r\na service operation to your Orvel Farlink.\r\n"
         u"Do you trust this application and want to allow the operation?";
}

// ---- trust -------------------------------------------------------------------------------------

struct TrustCase {
  const char* what;
  std::vector<std::wstring> args;  // the sample client's command line
  PromptAction action;             // what the watcher does with each prompt
  size_t prompts;                  // how many prompts appear
  std::vector<std::string> opens;  // the results of the client's Open calls
};

const PromptAction kYes = [](HWND d) { Click(d, IDC_SECURITY_YES); };
const PromptAction kNo = [](HWND d) { Click(d, IDC_SECURITY_NO); };
const PromptAction kAlwaysYes = [](HWND d) {
  Tick(d);
  Click(d, IDC_SECURITY_YES);
};
const PromptAction kAlwaysOnly = [](HWND d) { Tick(d); };

const std::vector<TrustCase>& TrustCases() {
  static const std::vector<TrustCase> cases = {
      {"the user interface's own name",
       {L"--name", L"Corvanset User Interface", L"open", L"close"},
       kNo,
       0,
       {"0x00000000"}},
      {"yes", {L"--name", L"Tool Yes", L"open", L"close"}, kYes, 1, {"0x00000000"}},
      {"no", {L"--name", L"Tool No", L"open"}, kNo, 1, {"0x80040029"}},
      // The same client again within 10 s: refused at once, without a prompt.
      {"a second try within 10 s",
       {L"--name", L"Tool Twice", L"open", L"open"},
       kNo,
       1,
       {"0x80040029", "0x80040029"}},
      {"remember and yes", {L"--name", L"Tool Always", L"open", L"close"}, kAlwaysYes, 1, {"0x00000000"}},
      {"remembered", {L"--name", L"Tool Always", L"open", L"close"}, kNo, 0, {"0x00000000"}},
      // Names are compared as they are written.
      {"another case of a remembered name", {L"--name", L"tool always", L"open"}, kNo, 1, {"0x80040029"}},
      // Nobody answers: refused after the limit, and the ticked box stores nothing.
      {"time-out", {L"--name", L"Tool Slow", L"open"}, kAlwaysOnly, 1, {"0x80040029"}},
      {"the client's own texts",
       {L"--name", L"Tool Texts", L"security", L"Let Tool Texts in?", L"", L"Sure", L"Never", L"open",
        L"close"},
       kYes,
       1,
       {"0x00000000"}},
  };
  return cases;
}

class EngineTrust : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(WaitEngineGone(30000)) << "an engine of another program runs"; }
  CComApartment m_com;
};

void RunTrustCase(const TrustCase& c, std::vector<SeenPrompt>& seen) {
  CPromptWatcher watcher(c.action);
  CSampleProcess client(c.args);
  ASSERT_TRUE(client.Started());
  bool ended = client.WaitExit(30000);
  std::string lines;
  for (const std::string& line : client.Lines()) lines += "  " + line + "\n";
  EXPECT_TRUE(ended) << "the client printed:\n" << lines;
  watcher.Stop();
  seen = watcher.Seen();
  EXPECT_EQ(seen.size(), c.prompts);
  EXPECT_EQ(OpenResults(client), c.opens);
}

TEST_F(EngineTrust, TableOfClientsFromAnotherProcess) {
  SetTrustedClients({});
  // This client keeps the engine up between the cases and starts it with this program's limits.
  auto keeper = std::make_unique<CTestClient>();
  ASSERT_EQ(keeper->AdviseResult(), S_OK);
  for (const TrustCase& c : TrustCases()) {
    SCOPED_TRACE(c.what);
    std::vector<SeenPrompt> seen;
    RunTrustCase(c, seen);
    // Without texts of its own the client is named in the engine's message.
    bool ownTexts = std::find(c.args.begin(), c.args.end(), L"security") != c.args.end();
    for (const SeenPrompt& prompt : seen) {
      if (ownTexts) {
        EXPECT_EQ(prompt.message, u"Let Tool Texts in?");
      } else {
        EXPECT_EQ(prompt.message, DefaultMessage(std::u16string(c.args[1].begin(), c.args[1].end())));
      }
    }
  }
  // What the user chose to remember is stored, and only that.
  std::optional<std::vector<std::u16string>> stored = ReadTrustedClients();
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(*stored, std::vector<std::u16string>{u"Tool Always"});

  // The next start of the engine reads the stored names: the remembered client is not asked.
  keeper.reset();
  ASSERT_TRUE(WaitEngineGone(30000));
  keeper = std::make_unique<CTestClient>();
  ASSERT_EQ(keeper->AdviseResult(), S_OK);
  std::vector<SeenPrompt> seen;
  RunTrustCase({"after a new start", {L"--name", L"Tool Always", L"open", L"close"}, kNo, 0, {"0x00000000"}},
               seen);
  RunTrustCase({"not remembered", {L"--name", L"Tool Yes", L"open"}, kNo, 1, {"0x80040029"}}, seen);
  keeper.reset();
  SetTrustedClients({u"Test Client", u"Sample Client", u"Other Client", u"Opener"});
}

TEST_F(EngineTrust, ThePromptShowsTheClientsTexts) {
  SetTrustedClients({});
  CTestClient keeper;
  ASSERT_EQ(keeper.AdviseResult(), S_OK);
  std::vector<SeenPrompt> seen;
  RunTrustCase({"defaults", {L"--name", L"Tool Defaults", L"open"}, kAlwaysOnly, 1, {"0x80040029"}}, seen);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, DefaultMessage(u"Tool Defaults"));
  EXPECT_TRUE(seen[0].checkBox);
  EXPECT_EQ(seen[0].yes, u"&Yes");
  EXPECT_EQ(seen[0].no, u"&No");
  EXPECT_FALSE(seen[0].noEnabledAfterAction);  // ticking "always" disables No

  RunTrustCase({"own texts",
                {L"--name", L"Tool Own", L"security", L"Let Tool Own in?", L"", L"Sure", L"Never", L"open"},
                kNo,
                1,
                {"0x80040029"}},
               seen);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, u"Let Tool Own in?");
  EXPECT_FALSE(seen[0].checkBox);  // no "always" text, no check box
  EXPECT_EQ(seen[0].yes, u"Sure");
  EXPECT_EQ(seen[0].no, u"Never");
  EXPECT_FALSE(ReadTrustedClients().has_value());
  SetTrustedClients({u"Test Client", u"Sample Client", u"Other Client", u"Opener"});
}

// ---- device and manager information -----------------------------------------------------------

// One key of the device information and what it must read for the state file below.
struct InfoField {
  const char16_t* key;
  const char16_t* english;  // the first state
  const char16_t* german;   // after the device changed
};

const InfoField kInfoFields[] = {
    {u"EPOCName", u"Farlink <One> & Co", u"Farlink Zwei"},
    {u"IMEI", u"350123/45/678901/2", u"35012345678901"},
    {u"UserName", u"Ada Lovelace", u"Ada Augusta King"},
    {u"PhoneNumber", u"+44 20 7946 0000", u"0711 123456"},
    {u"Language", u"English", u"German"},
    {u"ROMVersion", u"1.05", u"2.10"},
    {u"ROMBuild", u"231", u"1002"},
    {u"ROMReprogrammable", u"Yes", u"No"},
    {u"ROMTotal", u"16777216", u"33554432"},
    {u"RAMTotal", u"16777216", u"33554432"},
    {u"RAMMaxFree", u"8388608", u"1048576"},
    {u"RAMFree", u"7340032", u"2097152"},
    {u"RAMDisk", u"4194304", u"524288"},
    {u"RAMRegistry", u"65536", u"32768"},
    {u"BatteryMain", u"Good", u"Dead"},
    {u"BatteryBackup", u"VeryLow", u"Unknown (7)"},
    {u"ExternalPower", u"Yes", u"No"},
};

const std::pair<const char*, const char*> kEnglishState[] = {
    {"imei", "350123456789012"},
    {"language", "1"},
    {"rom_version", "1.05"},
    {"rom_build", "231"},
    {"rom_reprogrammable", "1"},
    {"rom_total", "16777216"},
    {"ram_total", "16777216"},
    {"ram_max_free", "8388608"},
    {"ram_free", "7340032"},
    {"ram_disk", "4194304"},
    {"ram_registry", "65536"},
    {"battery_main", "3"},
    {"battery_backup", "1"},
    {"external_power", "1"},
    {"card.3", "Ada"},
    {"card.4", ""},
    {"card.5", "Lovelace"},
    {"card.67", ""},
    {"card.68", "+44 20 7946 0000"},
    {"name", "Farlink <One> & Co"},
};

// The name comes last: its change is what the engine notices.
const std::pair<const char*, const char*> kGermanState[] = {
    {"imei", "35012345678901"},
    {"language", "3"},
    {"rom_version", "2.10"},
    {"rom_build", "1002"},
    {"rom_reprogrammable", "0"},
    {"rom_total", "33554432"},
    {"ram_total", "33554432"},
    {"ram_max_free", "1048576"},
    {"ram_free", "2097152"},
    {"ram_disk", "524288"},
    {"ram_registry", "32768"},
    {"battery_main", "0"},
    {"battery_backup", "7"},
    {"external_power", "0"},
    {"card.3", "Ada"},
    {"card.4", "Augusta"},
    {"card.5", "King"},
    {"card.67", "0711 123456"},
    {"card.68", ""},
    {"name", "Farlink Zwei"},
};

template <size_t N>
void WriteState(const std::pair<const char*, const char*> (&state)[N]) {
  for (const auto& [key, value] : state) SetDeviceState(key, value);
}

// The fields that differ from the expected column, as "key: got (expected)"; empty when all match.
std::string Mismatches(const std::u16string& info, const char16_t* InfoField::*column) {
  std::string out;
  for (const InfoField& field : kInfoFields) {
    std::u16string got = ReadXmlValue(info, field.key).value_or(u"(missing)");
    if (got != field.*column)
      out += AsUtf8(field.key) + ": " + AsUtf8(got) + " (" + AsUtf8(field.*column) + ")\n";
  }
  return out;
}

// Reads the device information until it matches the column; gives what did not match at the end.
std::string WaitForInfo(CTestClient& client, const char16_t* InfoField::*column, DWORD ms) {
  std::string last = "no information";
  PumpUntil(
      [&] {
        UniqueBstr info;
        if (client->GetDeviceInfo(info.out()) != S_OK) return false;
        last = Mismatches(info.text(), column);
        return last.empty();
      },
      ms);
  return last;
}

class EngineInformation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(WaitEngineGone(30000)) << "an engine of another program runs"; }
  CComApartment m_com;
};

TEST_F(EngineInformation, DeviceInformationFollowsTheDeviceInTwoLanguages) {
  WriteState(kEnglishState);
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  EXPECT_EQ(WaitForInfo(client, &InfoField::english, 10000), "");
  UniqueBstr info, path;
  ASSERT_EQ(client->GetDeviceInfo(info.out()), S_OK);
  // The name's markup is escaped on its line, so it cannot end the line or forge a key.
  EXPECT_NE(info.text().find(u"<EPOCName>Farlink &lt;One&gt; &amp; Co</EPOCName>\r\n"), std::u16string::npos);
  EXPECT_EQ(client->GetLocalizedPath(0x240, path.out()), S_OK);
  EXPECT_EQ(path.text(), u"Documents\\Tones\\");

  // The device changes: the next read after the engine has noticed shows the new values.
  WriteState(kGermanState);
  EXPECT_EQ(WaitForInfo(client, &InfoField::german, 10000), "");
  EXPECT_EQ(client->GetLocalizedPath(0x240, path.out()), S_OK);
  EXPECT_EQ(path.text(), u"Dokumente\\Töne\\");
  EXPECT_EQ(client->GetLocalizedPath(0x232, path.out()), S_OK);
  EXPECT_EQ(path.text(), u"Dokumente\\Vorlagen\\Tabellen\\");

  // A change that leaves the name as it was shows once the information is due again.
  SetDeviceState("battery_main", "2");
  EXPECT_TRUE(PumpUntil(
      [&] {
        return client->GetDeviceInfo(info.out()) == S_OK &&
               ReadXmlValue(info.text(), u"BatteryMain").value_or(u"") == u"Low";
      },
      10000));

  // A language without folder names has no localized paths.
  SetDeviceState("language", "22");
  SetDeviceState("name", "Farlink Drei");
  EXPECT_TRUE(PumpUntil(
      [&] {
        return client->GetDeviceInfo(info.out()) == S_OK &&
               ReadXmlValue(info.text(), u"Language").value_or(u"") == u"Unknown (22)";
      },
      10000));
  EXPECT_EQ(client->GetLocalizedPath(0x240, path.out()), kModuleFailed);
  WriteState(kEnglishState);
  SetDeviceState("name", "TestFarlink");
}

TEST_F(EngineInformation, ManagerInformation) {
  CTestClient client;
  ASSERT_EQ(client.AdviseResult(), S_OK);
  UniqueBstr info;
  ASSERT_EQ(client->GetTerminalManagerInfo(info.out()), S_OK);
  std::u16string text = info.text();
  EXPECT_EQ(ReadXmlValue(text, u"Name").value_or(u""), u"Corvanset");
  EXPECT_EQ(ReadXmlValue(text, u"Device").value_or(u""), u"Orvel Farlink");
  // Vantrel's version resource: 1.0.0.1 with the private build 1.
  EXPECT_EQ(ReadXmlValue(text, u"Version").value_or(u""), u"1.01 (1)");
  // The stand-in "econnect.exe" is 5.02 without a build; "ecce.exe" beside it carries 112.
  EXPECT_EQ(ReadXmlValue(text, u"EPOCConnectVersion").value_or(u""), u"5.02 (112)");
  std::wstring vantrel = WindowsPath(ORVEL_VANTREL);
  std::wstring log = vantrel.substr(0, vantrel.find_last_of(L'\\') + 1) + L"MorvaneLog.csv";
  std::u16string logFile = ReadXmlValue(text, u"LogFile").value_or(u"");
  EXPECT_EQ(::lstrcmpiW(std::wstring(logFile.begin(), logFile.end()).c_str(), log.c_str()), 0)
      << AsUtf8(logFile);
  // Five keys, one line each, in order.
  EXPECT_EQ(text.find(u"<Name>"), 0u);
  EXPECT_LT(text.find(u"<Device>"), text.find(u"<Version>"));
  EXPECT_LT(text.find(u"<EPOCConnectVersion>"), text.find(u"<LogFile>"));
}

}  // namespace
}  // namespace orvel::engine::test
