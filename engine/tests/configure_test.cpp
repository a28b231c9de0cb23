// End-to-end tests of the Configure operation: the real engine, Tessmark and the simulated device
// with its settings server; clients in this process and in sample-client processes.
#include <gtest/gtest.h>
#include <objbase.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/engine_codes.h"
#include "engine/tests/engine_test_support.h"
#include "support/u16text.h"
#include "support/win/wide.h"

namespace orvel::engine::test {
namespace {

namespace fs = std::filesystem;
using win::UniqueBstr;

// Tessmark inside the engine waits for the device's settings server at a shortened limit that is
// longer than the engine's cancel grace: a silent server keeps a cancelled transfer going until the
// grace ends it.
const bool kPrepared =
    (PrepareEnvironment(
         L"Vantrel.TransferCancelGrace=1500,Tessmark.ResponseWait=4000,Tessmark.DisconnectPause=20"),
     true);

// A configuration with one access point, a voice mailbox number, and a ring tone and a picture
// beside the file.
constexpr char kConfiguration[] =
    "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<Settings>\n  <IAPSettings>\n"
    "    <PreferredConnection op=\"update\">Home</PreferredConnection>\n    <IAPConnection op=\"create\">\n"
    "      <ConnectionName op=\"create\">Home</ConnectionName>\n"
    "      <PhoneNumber op=\"update\">%PHONE%</PhoneNumber>\n    </IAPConnection>\n  </IAPSettings>\n"
    "  <PersonalData>\n    <DefaultVoiceMailbox op=\"update\">0209876</DefaultVoiceMailbox>\n  "
    "</PersonalData>\n"
    "  <FileTransfer>\n    <RingingTones op=\"update\">\n      <RingingTone "
    "op=\"create\">ring.wav</RingingTone>\n"
    "    </RingingTones>\n    <BackgroundImages op=\"update\">\n"
    "      <BackgroundImage op=\"create\">pictures\\back.mbm</BackgroundImage>\n    </BackgroundImages>\n"
    "  </FileTransfer>\n</Settings>\n";

std::string Configuration(const std::string& phone) {
  std::string text = kConfiguration;
  text.replace(text.find("%PHONE%"), 7, phone);
  return text;
}

// Writes the configuration as a settings file (UTF-16LE, byte-order mark, CR LF) with its files.
fs::path WriteSettingsFile(const std::string& phone) {
  fs::path folder = DeviceRoot().parent_path() / (DeviceRoot().filename().wstring() + L"-pc");
  fs::create_directories(folder / "pictures");
  std::ofstream(folder / "ring.wav") << "tone";
  std::ofstream(folder / "pictures" / "back.mbm") << "picture";
  std::string bytes = "\xFF\xFE";
  for (char c : Configuration(phone)) {
    if (c == '\n') bytes += std::string("\r\0", 2);
    bytes += c;
    bytes += '\0';
  }
  std::ofstream(folder / "config.xml", std::ios::binary) << bytes;
  return folder / "config.xml";
}

std::string AuditLog() {
  std::ifstream in(fs::path(WindowsPath(ORVEL_VANTREL)).parent_path() / "MorvaneLog.csv", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class ConfigureOperation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(ProgramApartment()));
    ASSERT_TRUE(WaitEngineGone(30000));
  }
  void SetUp() override {
    for (const char* key : {"settings_question", "settings_error"}) SetDeviceState(key, "");
    SetDeviceState("settings_silent", "0");
    fs::remove_all(DeviceRoot() / "store");
    fs::create_directories(DeviceRoot() / "c" / "Documents" / "Tones");
    fs::create_directories(DeviceRoot() / "c" / "Documents" / "Photo gallery");
    fs::create_directories(DeviceRoot() / "c" / L"Dokumente" / L"T\u00f6ne");
    fs::create_directories(DeviceRoot() / "c" / L"Dokumente" / L"Fotogalerie");
  }
  // Opens the client once the engine sees the device.
  void Open(CTestClient& client) {
    ASSERT_EQ(client.AdviseResult(), S_OK);
    ASSERT_EQ(client->Open(), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return client.State() & 1; }, 5000));
  }
  // Sends the configuration as text, without its files (a text has no folder to find them in).
  void Send(CTestClient& client, const std::string& phone) {
    std::string text = Configuration(phone);
    size_t files = text.find("  <FileTransfer>");
    text.erase(files, text.find("</Settings>") - files);
    UniqueBstr buffer(std::u16string(text.begin(), text.end()));
    ASSERT_EQ(client->SendConfiguration(buffer.get()), S_OK);
  }
};

TEST_F(ConfigureOperation, ASettingsFileFromAnotherProcessReachesTheDevice) {
  fs::path file = WriteSettingsFile("0201234");
  std::string description = "office; \"new\"\nline";
  CSampleProcess client({L"--name", L"Sender", L"open", L"wait", L"1500", L"logdesc",
                         std::wstring(description.begin(), description.end()), L"sendfile", file.wstring(),
                         L"waitdone", L"30000", L"close"});
  ASSERT_TRUE(client.WaitExit(40000));
  std::vector<std::string> lines = client.Lines();
  bool stage1 = false;
  std::vector<int> stage2;
  for (const std::string& line : lines) {
    if (line.rfind("OnProgress 1 ", 0) == 0) stage1 = true;
    if (line.rfind("OnProgress 2 ", 0) == 0) stage2.push_back(std::stoi(line.substr(line.rfind(' ') + 1)));
  }
  EXPECT_TRUE(stage1);
  // The device reports each applied element as done: the client sees the share of the elements
  // done so far, one report per element.
  ASSERT_GE(stage2.size(), 2u);
  for (size_t i = 0; i < stage2.size(); ++i)
    EXPECT_EQ(stage2[i], static_cast<int>((i + 1) * 100.0 / static_cast<double>(stage2.size()) + 0.5)) << i;
  EXPECT_FALSE(client.WaitLine("OnDone 0x00000000", 0).empty());
  EXPECT_TRUE(fs::exists(DeviceRoot() / "store" / "IAPSettings.xml"));
  EXPECT_TRUE(fs::exists(DeviceRoot() / "c" / "Documents" / "Tones" / "ring.wav"));
  EXPECT_TRUE(fs::exists(DeviceRoot() / "c" / "Documents" / "Photo gallery" / "back.mbm"));
  EXPECT_FALSE(fs::exists(DeviceRoot() / "c" / "~epoc_settings.xml"));
  // The description's separator, quotes and line end stay inside its one field.
  std::string log = AuditLog();
  EXPECT_TRUE(
      EndsWith(log, ";TestFarlink;';Sender;Configure;0x00000000 Ok;\"office; \"\"new\"\"\nline\";\r\n"))
      << log.substr(log.size() > 200 ? log.size() - 200 : 0);
}

// The tone and the picture go to the device's own folder names: German here.
TEST_F(ConfigureOperation, FilesGoToTheLocalizedFoldersOfAGermanDevice) {
  fs::remove(DeviceRoot() / "c" / "Documents" / "Tones" / "ring.wav");
  SetDeviceState("language", "3");
  SetDeviceState("name", "TestFarlinkDE");  // the name's change makes the engine read the rest again
  {
    CTestClient client;
    ASSERT_TRUE(client.WaitDevice(10000));
    UniqueBstr info;
    EXPECT_TRUE(PumpUntil(
        [&] {
          return client->GetDeviceInfo(info.out()) == S_OK &&
                 info.text().find(u"<Language>German</Language>") != std::u16string::npos;
        },
        10000));
    CSampleProcess sender({L"--name", L"Sender", L"open", L"wait", L"1500", L"sendfile",
                           WriteSettingsFile("0201234").wstring(), L"waitdone", L"30000", L"close"});
    ASSERT_TRUE(sender.WaitExit(40000));
    EXPECT_FALSE(sender.WaitLine("OnDone 0x00000000", 0).empty()) << ::testing::PrintToString(sender.Lines());
  }
  EXPECT_TRUE(fs::exists(DeviceRoot() / "c" / L"Dokumente" / L"T\u00f6ne" / "ring.wav"));
  EXPECT_TRUE(fs::exists(DeviceRoot() / "c" / L"Dokumente" / L"Fotogalerie" / "back.mbm"));
  EXPECT_FALSE(fs::exists(DeviceRoot() / "c" / "Documents" / "Tones" / "ring.wav"));
  SetDeviceState("language", "1");
  SetDeviceState("name", "TestFarlink");
}

TEST_F(ConfigureOperation, ABadValueIsAskedAndRefusesTheSend) {
  CTestClient client;
  Open(client);
  size_t from = client.Callback().Count();
  Send(client, "02x");
  ASSERT_TRUE(client.WaitCallback("OnError 0x80040204 4 PhoneNumber 02x", 5000, from));
  EXPECT_EQ(client->Respond(2), kAnswerNotOffered);
  EXPECT_EQ(client->Respond(4), S_OK);
  EXPECT_TRUE(client.WaitCallback("OnDone 0x80040204", 5000, from));
  EXPECT_FALSE(fs::exists(DeviceRoot() / "store"));
  EXPECT_TRUE(EndsWith(AuditLog(), ";Test Client;Configure;0x80040204;;\r\n"));
  EXPECT_EQ(client->Close(), S_OK);
}

TEST_F(ConfigureOperation, TheDeviceServersQuestionIsAnsweredThroughRespond) {
  // Answers 16 and 32: an answer with both is refused before it reaches the module.
  SetDeviceState("settings_question", "0x80040210,48,IAPSettings,Home");
  CTestClient client;
  Open(client);
  size_t from = client.Callback().Count();
  Send(client, "0201234");
  ASSERT_TRUE(client.WaitCallback("OnError ", 10000, from));
  EXPECT_EQ(client->Respond(48), kAnswerNotOffered);
  EXPECT_EQ(client->Respond(16 | 1), S_OK);
  EXPECT_TRUE(client.WaitCallback("OnDone 0x00000000", 10000, from));
  EXPECT_TRUE(fs::exists(DeviceRoot() / "store" / "IAPSettings.xml"));
  EXPECT_EQ(client->Close(), S_OK);
}

struct BaseCase {
  const wchar_t* client;
  const char* done;
  bool copied;
};

// The log description of a text is the folder of its relative file names only when the open
// client is the own user interface, which describes a text by the file it came from.
const BaseCase kBaseCases[] = {
    {L"Corvanset User Interface", "OnDone 0x00000000", true},
    {L"Test Client", "OnDone 0x80040152", false},
};

TEST_F(ConfigureOperation, OnlyTheOwnUserInterfaceDescribesTheFolderOfATextsFiles) {
  fs::path file = WriteSettingsFile("0201234");
  fs::path tone = DeviceRoot() / "c" / "Documents" / "Tones" / "ring.wav";
  fs::path picture = DeviceRoot() / "c" / "Documents" / "Photo gallery" / "back.mbm";
  std::string text = Configuration("0201234");
  UniqueBstr buffer(std::u16string(text.begin(), text.end())), description(file.u16string());
  for (const BaseCase& c : kBaseCases) {
    SCOPED_TRACE(AsUtf8(win::FromWide(c.client)));
    fs::remove(tone);
    fs::remove(picture);
    CTestClient client(true, true, c.client);
    Open(client);
    size_t from = client.Callback().Count();
    ASSERT_EQ(client->SetLogDescription(description.get()), S_OK);
    ASSERT_EQ(client->SendConfiguration(buffer.get()), S_OK);
    EXPECT_TRUE(client.WaitCallback(c.done, 15000, from));
    EXPECT_EQ(fs::exists(tone), c.copied);
    EXPECT_TRUE(PumpUntil([&] { return (client.State() & 8) == 0; }, 5000));
    EXPECT_EQ(client->Close(), S_OK);
  }
}

struct EndCase {
  const char* name;
  const char* silent;
  const char* question;  // a device question without the refusal among its answers
  bool cancel;
  // A second cancel right after the first: the silent server keeps the transfer going for the
  // whole grace, so the operation cannot end between the two calls.
  bool cancelTwice;
  const char* done;
};

const EndCase kEndCases[] = {
    {"cancel while the device server is silent", "1", "", true, true, "OnDone 0x80040101"},
    {"cancel while a question without answer 4 waits", "0", "0x80040210,16,,x", true, false,
     "OnDone 0x80040101"},
    {"silent device server", "1", "", false, false, "OnDone 0x80040181"},
};

TEST_F(ConfigureOperation, CancelAndSilenceEndTheSend) {
  for (const EndCase& c : kEndCases) {
    SCOPED_TRACE(c.name);
    SetDeviceState("settings_silent", c.silent);
    SetDeviceState("settings_question", c.question);
    CTestClient client;
    Open(client);
    size_t from = client.Callback().Count();
    Send(client, "0201234");
    ASSERT_TRUE(client.WaitCallback(*c.question ? "OnError " : "OnProgress 1", 10000, from));
    auto start = std::chrono::steady_clock::now();
    if (c.cancel) {
      EXPECT_EQ(client->Cancel(), S_OK);
    }
    if (c.cancelTwice) {
      // The operation is still there: an engine that forgot it while the transfer runs answers
      // "no operation".
      EXPECT_EQ(client->Cancel(), kAlreadyCancelling);
    }
    EXPECT_TRUE(client.WaitCallback(c.done, 10000, from));
    if (c.cancel) {
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500 + 2000));
    }
    EXPECT_EQ(client->Close(), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return (client.State() & 8) == 0; }, 5000));
  }
}

}  // namespace
}  // namespace orvel::engine::test
