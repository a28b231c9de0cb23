#include "outside/econnect/device.h"

#include <gtest/gtest.h>

#include <fstream>

#include "outside/econnect/settings_server.h"
#include "support/u16text.h"
#include "transport/codec/codec.h"

namespace orvel::econnect {
namespace {

namespace fs = std::filesystem;
using codec::Bytes;

class TempRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() /
             ("econnect-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_root);
    fs::create_directories(m_root / "c");
  }
  void TearDown() override { fs::remove_all(m_root); }
  void WriteState(const std::string& text) {
    std::ofstream(m_root / kStateFileName, std::ios::binary) << text;
  }
  void WriteSettings(const std::u16string& text) {
    std::ofstream out(m_root / "c" / "~epoc_settings.xml", std::ios::binary);
    out << '\xFF' << '\xFE';
    for (char16_t c : text) out << static_cast<char>(c & 0xFF) << static_cast<char>(c >> 8);
  }
  std::string Store(const std::string& name) {
    std::ifstream in(StoreFile(m_root, FromUtf8(name)), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  fs::path m_root;
};

struct Reply {
  bool silent = false;
  bool error = false;
  std::uint32_t state = 0;
  std::vector<std::uint32_t> numbers;
  std::vector<std::u16string> texts;
};

// Sends one request and reads the reply by its state's layout.
Reply Send(CSettingsServer& server, std::uint8_t command, const Bytes& payload) {
  Reply reply;
  std::optional<Bytes> data = server.Handle(command, payload.data(), payload.size());
  if (!data) {
    reply.silent = true;
    return reply;
  }
  CDecodeResponse response(data->data(), data->size());
  reply.error = response.IsError();
  reply.state = response.ReadULong();
  auto u = [&] { reply.numbers.push_back(response.ReadULong()); };
  auto s = [&] { reply.texts.push_back(response.ReadString()); };
  switch (reply.state) {
    case 1:
      u(), u(), s();
      break;
    case 5:
      u(), s(), u();
      break;
    case 6:
      u(), u(), s(), s();
      break;
  }
  EXPECT_EQ(response.Position(), response.BodyLength()) << "state " << reply.state;
  return reply;
}

Bytes PathPayload(std::u16string_view path = u"c:\\~epoc_settings.xml") {
  Bytes b;
  codec::AppendString(b, path);
  return b;
}
Bytes Answer(std::uint32_t value) {
  Bytes b;
  codec::AppendU32(b, value);
  return b;
}

const std::u16string kSettings =
    u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<!-- Corvanset Configuration File -->\n\n<Settings>\n"
    u"<IAPSettings>\n<IAPConnection op=\"create\">\n<ConnectionName>Net</ConnectionName>\n</IAPConnection>\n"
    u"</IAPSettings>\n<EMailSettings><Mailbox op=\"create\"><Script><![CDATA[a</b>]]></Script></Mailbox>"
    u"</EMailSettings>\n<PersonalData>\n<DefaultVoiceMailbox op=\"update\">123</DefaultVoiceMailbox>\n"
    u"<Ringing op=\"update\">Loud</Ringing>\n</PersonalData>\n</Settings>\n";

TEST_F(TempRoot, ScriptedExchangeAppliesEveryElement) {
  WriteSettings(kSettings);
  CSettingsServer server(m_root);
  Reply r = Send(server, 1, PathPayload());
  ASSERT_EQ(r.state, 5u);
  EXPECT_EQ(r.numbers, (std::vector<std::uint32_t>{3, 0}));
  const char16_t* names[] = {u"IAPSettings", u"EMailSettings", u"DefaultVoiceMailbox", u"Ringing"};
  for (int i = 0; i < 4; ++i) {
    r = Send(server, 4, Answer(0));
    ASSERT_EQ(r.state, 5u) << i;
    // The percentage is that of the element named, which is applied in full.
    EXPECT_EQ(r.numbers, (std::vector<std::uint32_t>{4, 100}));
    EXPECT_EQ(r.texts[0], names[i]);
  }
  EXPECT_EQ(Send(server, 4, Answer(0)).state, 2u);
  EXPECT_EQ(Send(server, 2, {}).state, 3u);
  EXPECT_EQ(
      Store("EMailSettings"),
      "<EMailSettings><Mailbox op=\"create\"><Script><![CDATA[a</b>]]></Script></Mailbox></EMailSettings>");
  EXPECT_EQ(Store("Ringing"), "<Ringing op=\"update\">Loud</Ringing>");
}

TEST_F(TempRoot, QuestionWaitsForTheAnswerAndCancelStops) {
  WriteSettings(kSettings);
  WriteState("settings_question=0x80040204,45,EMailSettings,Mailbox exists\n");
  CSettingsServer server(m_root);
  Send(server, 1, PathPayload());
  EXPECT_EQ(Send(server, 4, Answer(0)).state, 5u);  // IAPSettings
  Reply q = Send(server, 4, Answer(0));
  ASSERT_EQ(q.state, 6u);
  EXPECT_EQ(q.numbers, (std::vector<std::uint32_t>{0x80040204u, 45}));
  EXPECT_EQ(q.texts, (std::vector<std::u16string>{u"EMailSettings", u"Mailbox exists"}));
  EXPECT_EQ(Send(server, 4, Answer(0)).state, 1u);  // a progress answer does not answer a question
  Reply next = Send(server, 5, Answer(32));
  ASSERT_EQ(next.state, 5u);
  EXPECT_EQ(next.texts[0], u"EMailSettings");
  EXPECT_EQ(Send(server, 4, Answer(4)).state, 4u);  // cancel is acknowledged
  EXPECT_EQ(Store("DefaultVoiceMailbox"), "");      // nothing after the cancel
  EXPECT_EQ(Send(server, 2, {}).state, 3u);
}

TEST_F(TempRoot, ServerErrorAndSilenceFollowTheStateFile) {
  WriteSettings(kSettings);
  WriteState("settings_error=317,5,Bad, very bad\n");
  CSettingsServer server(m_root);
  Reply e = Send(server, 1, PathPayload());
  ASSERT_EQ(e.state, 1u);
  EXPECT_FALSE(e.error);
  EXPECT_EQ(e.numbers, (std::vector<std::uint32_t>{317, 5}));
  EXPECT_EQ(e.texts[0], u"Bad, very bad");

  WriteState("settings_silent=1\n");
  EXPECT_TRUE(Send(server, 1, PathPayload()).silent);
  EXPECT_TRUE(Send(server, 2, {}).silent);
}

TEST_F(TempRoot, MissingOrInvalidSettingsFileFails) {
  CSettingsServer server(m_root);
  EXPECT_EQ(Send(server, 1, PathPayload()).numbers[0], kServerFileError);
  WriteSettings(u"<Settings><IAPSettings></Settings>");
  EXPECT_EQ(Send(server, 1, PathPayload()).numbers[0], kServerInvalidFile);
  EXPECT_EQ(Send(server, 1, PathPayload(u"c:\\..\\state.txt")).numbers[0], kServerFileError);
}

struct MalformedCase {
  const char* what;
  std::uint8_t command;
  Bytes payload;
};

TEST_F(TempRoot, MalformedRequestsGetAnErrorResponse) {
  WriteSettings(kSettings);
  Bytes countPastEnd = {10, 0, 0, 0, 'c', 0};
  Bytes hugeCount = {0xFF, 0xFF, 0xFF, 0xFF, 'c', 0};
  const MalformedCase cases[] = {
      {"empty apply", 1, {}},
      {"short count", 1, {1, 0}},
      {"count past the end", 1, countPastEnd},
      {"huge count", 1, hugeCount},
      {"short progress answer", 4, {0, 0, 0}},
      {"empty question answer", 5, {}},
      {"unknown command", 3, {}},
      {"unknown command 255", 255, {1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    CSettingsServer server(m_root);
    if (c.command == 4) Send(server, 1, PathPayload());
    Reply r = Send(server, c.command, c.payload);
    EXPECT_TRUE(r.error) << c.what;
    EXPECT_EQ(r.state, 1u) << c.what;
    EXPECT_EQ(r.numbers[0], kServerMalformedRequest) << c.what;
  }
}

struct PathCase {
  const char16_t* device;
  const char* file;  // relative to the root, empty: refused
};

TEST(DeviceFile, MapsDrivesAndRefusesEscapes) {
  const PathCase cases[] = {
      {u"c:\\System\\Libs\\tlvxsvr.dll", "c/System/Libs/tlvxsvr.dll"},
      {u"D:\\a.txt", "d/a.txt"},
      {u"c:\\", "c"},
      {u"c:\\a\\..\\b", ""},
      {u"c:\\a\\.\\b", "c/a/b"},
      {u"\\a.txt", ""},
      {u"1:\\a", ""},
      {u"c:\\a:b", ""},
      {u"", ""},
  };
  fs::path root = "root";
  for (const auto& c : cases) {
    std::optional<fs::path> file = DeviceFile(root, c.device);
    if (std::string(c.file).empty()) {
      EXPECT_FALSE(file) << AsUtf8(c.device);
    } else {
      ASSERT_TRUE(file) << AsUtf8(c.device);
      EXPECT_EQ(file->lexically_normal(), (root / c.file).lexically_normal()) << AsUtf8(c.device);
    }
  }
}

TEST_F(TempRoot, StateFileValuesAndUpdateKeepsOtherLines) {
  WriteState("# device\nname = Farlink 7\nserver_lost=2\nbattery_main=0x3\nbad=12x\n");
  CDeviceState state = CDeviceState::Load(m_root);
  EXPECT_EQ(state.Text("name"), "Farlink 7");
  EXPECT_EQ(state.Number("battery_main"), 3);
  EXPECT_EQ(state.Number("bad", -1), -1);
  EXPECT_TRUE(state.Connected());  // connected unless the file says otherwise
  ASSERT_TRUE(UpdateStateValue(m_root, "server_lost", "1"));
  ASSERT_TRUE(UpdateStateValue(m_root, "connected", "0"));
  state = CDeviceState::Load(m_root);
  EXPECT_EQ(state.Number("server_lost"), 1);
  EXPECT_FALSE(state.Connected());
  EXPECT_EQ(state.Text("name"), "Farlink 7");
  std::ifstream in(m_root / kStateFileName, std::ios::binary);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "# device\r");
}

}  // namespace
}  // namespace orvel::econnect
