// Tessmark end to end under Wine: the test plays the engine, creates the registered module by its
// ProgID and sends settings to the EPOC Connect stand-in's simulated device.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

#include "support/u16text.h"
#include "support/win/handle.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "tessmark.h"
#include "transport/tests/test_client.h"

namespace orvel::tessmark::test {
namespace {

using win::ComPtr;
using win::UniqueBstr;

constexpr HRESULT kCancelled = static_cast<HRESULT>(0x80040001);
constexpr HRESULT kNoResponse = static_cast<HRESULT>(0x80040023);
const std::u16string kCancelledText = u"Service Cancelled";

struct LastError {
  LONG code = -1;
  LONG exError = -1;
  std::u16string text;
};

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitialize(nullptr);
    CLSID clsid{};
    ASSERT_EQ(::CLSIDFromProgID(L"Tessmark.TolvaneModule", &clsid), S_OK);
    ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_module)), S_OK);
    m_callback = win::MakeCom<CTestCallback>();
    ASSERT_EQ(m_module->AdviseCallback(m_callback.Get(), &m_cookie), S_OK);
    // As the engine does: the module releases one reference at UnAdviseCallback.
    m_callback->AddRef();
  }
  void TearDown() override {
    if (m_module && m_cookie) m_module->UnAdviseCallback(m_cookie);
    m_module.Reset();
    m_callback.Reset();
    ::CoUninitialize();
  }

  CTestDevice Device(const std::string& knobs = "") {
    return CTestDevice(::testing::UnitTest::GetInstance()->current_test_info()->name(), knobs);
  }
  HRESULT Send(const char16_t* text = kSettingsText) {
    UniqueBstr buffer(text);
    return m_module->SendConfiguration(buffer.get());
  }
  LastError GetLast() {
    LastError last;
    UniqueBstr text;
    EXPECT_EQ(m_module->GetLastError(&last.code, &last.exError, text.out()), S_OK);
    last.text = text.text();
    return last;
  }
  int Stored(const CTestDevice& device) {
    int n = 0;
    for (const auto& element : kSettingsElements) n += fs::exists(device.StoreFile(element));
    return n;
  }
  // Settings with passwords are never left behind, whatever the outcome.
  void ExpectNoSettingsCopies(const CTestDevice& device) {
    EXPECT_FALSE(fs::exists(device.DeviceFile(L"c:\\~epoc_settings.xml")));
    EXPECT_TRUE(device.TemporaryFolderEmpty());
  }

  ComPtr<ITolvaneModule> m_module;
  ComPtr<CTestCallback> m_callback;
  LONG m_cookie = 0;
};

void WriteBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

void CopyTime(const fs::path& from, const fs::path& to) {
  win::UniqueFile source(::CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  win::UniqueFile target(::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  FILETIME written{};
  ASSERT_TRUE(::GetFileTime(source.get(), nullptr, nullptr, &written));
  ASSERT_TRUE(::SetFileTime(target.get(), nullptr, nullptr, &written));
}

std::size_t FirstOfStage(const std::vector<Event>& events, LONG stage) {
  for (std::size_t i = 0; i < events.size(); ++i)
    if (events[i].kind == Event::Progress && events[i].number == stage) return i;
  return events.size();
}

TEST_F(ModuleTest, RegisteredAsTheClassOfTheTypeLibrary) {
  CLSID versioned{}, independent{};
  ASSERT_EQ(::CLSIDFromProgID(L"Tessmark.TolvaneModule.1", &versioned), S_OK);
  ASSERT_EQ(::CLSIDFromProgID(L"Tessmark.TolvaneModule", &independent), S_OK);
  EXPECT_EQ(versioned, CLSID_TolvaneModule);
  EXPECT_EQ(independent, CLSID_TolvaneModule);
  std::wstring key = L"CLSID\\" + win::GuidText(CLSID_TolvaneModule);
  EXPECT_EQ(win::ReadRegString(HKEY_CLASSES_ROOT, key, nullptr).value_or(L""), L"TolvaneModule Class");
  EXPECT_EQ(win::ReadRegString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel").value_or(L""),
            L"Apartment");
  EXPECT_EQ(win::ReadRegString(HKEY_CLASSES_ROOT, L"Tessmark.TolvaneModule\\CurVer", nullptr).value_or(L""),
            L"Tessmark.TolvaneModule.1");
  ComPtr<ITypeLib> library;
  ASSERT_EQ(::LoadRegTypeLib(LIBID_TESSMARKLib, 1, 0, 0, &library), S_OK);
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(library->GetTypeInfoOfGuid(IID_ITolvaneModule, &info), S_OK);
}

TEST_F(ModuleTest, SendsEveryElementAndCopiesOnlyMissingOrOutdatedCompanionFiles) {
  CTestDevice device = Device();
  fs::path companions = CTestDevice::CompanionFolder();
  ASSERT_TRUE(fs::exists(companions / "xmldom.dll")) << companions;
  // xmldom.dll is up to date (same size and minute, other bytes: a copy would show); gencserv.rsy
  // is outdated and read-only; the others are missing.
  fs::path libs = device.DeviceFile(L"c:\\System\\Libs\\");
  std::string xmldom = device.Read(companions / "xmldom.dll");
  WriteBytes(libs / "xmldom.dll", std::string(xmldom.size(), 'u'));
  CopyTime(companions / "xmldom.dll", libs / "xmldom.dll");
  WriteBytes(libs / "gencserv.rsy", "old");
  fs::permissions(libs / "gencserv.rsy", fs::perms::owner_write, fs::perm_options::remove);

  ASSERT_EQ(Send(), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), S_OK);
  std::vector<Event> events = m_callback->Events();
  EXPECT_EQ(CTestCallback::Count(events, Event::Done), 1);
  EXPECT_EQ(CTestCallback::Count(events, Event::Error), 0);

  EXPECT_EQ(device.Read(libs / "xmldom.dll"), std::string(xmldom.size(), 'u'));
  for (const char* name : {"domgenerator.dll", "tlvxsvr.dll", "gencserv.rsy"})
    EXPECT_EQ(device.Read(libs / name), device.Read(companions / name)) << name;

  // Companion files first, then the settings file, then the server applies each element in order.
  std::size_t install = FirstOfStage(events, 1), copy = FirstOfStage(events, 2), apply = FirstOfStage(events, 3);
  EXPECT_LT(install, copy);
  EXPECT_LT(copy, apply);
  std::vector<std::u16string> applied;
  for (const Event& e : events)
    if (e.kind == Event::Progress && e.number == 4) applied.push_back(e.tag);
  EXPECT_EQ(applied, kSettingsElements);
  for (const auto& element : kSettingsElements) EXPECT_TRUE(fs::exists(device.StoreFile(element))) << AsUtf8(element);
  EXPECT_NE(device.Read(device.StoreFile(u"EMailSettings")).find(AsUtf8(u"<Password>s\u00e9cret</Password>")),
            std::string::npos);
  ExpectNoSettingsCopies(device);

  // A second send finds every companion file up to date.
  m_callback->react = nullptr;
  ComPtr<CTestCallback> second = win::MakeCom<CTestCallback>();
  ASSERT_EQ(m_module->UnAdviseCallback(m_cookie), S_OK);
  ASSERT_EQ(m_module->AdviseCallback(second.Get(), &m_cookie), S_OK);
  second->AddRef();
  m_callback = second;
  ASSERT_EQ(Send(), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), S_OK);
  EXPECT_EQ(FirstOfStage(m_callback->Events(), 1), m_callback->Events().size());
}

TEST_F(ModuleTest, QuestionIsAnsweredWithOneAllowedBitAndTheExchangeGoesOn) {
  CTestDevice device = Device("settings_question=0x204,45,EMailSettings,Mailbox exists\n");
  ASSERT_EQ(Send(), S_OK);
  ASSERT_TRUE(m_callback->WaitForQuestion());
  Event question = m_callback->Events().back();
  EXPECT_EQ(question.hr, static_cast<HRESULT>(0x80040204));
  EXPECT_EQ(question.number, 45);
  EXPECT_EQ(question.tag, u"EMailSettings");
  EXPECT_EQ(question.name, u"Mailbox exists");

  // Answers that leave no bit or two bits of 1|4|8|32 are refused and the question stays open.
  for (LONG refused : {0, 2, 16, 5, 45, -1}) EXPECT_EQ(m_module->Respond(refused), static_cast<HRESULT>(0x80040064)) << refused;
  // With the question open, far more than the response wait passes without a failure (40 s
  // scaled like the limits).
  ::Sleep(40000 * kTimePercent / 100);
  EXPECT_EQ(CTestCallback::Count(m_callback->Events(), Event::Done), 0);
  EXPECT_EQ(m_module->Respond(32 | 2), S_OK);
  EXPECT_EQ(m_module->Respond(32), static_cast<HRESULT>(0x80040063));  // no question open any more

  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), S_OK);
  EXPECT_EQ(Stored(device), static_cast<int>(kSettingsElements.size()));
  ExpectNoSettingsCopies(device);
}

TEST_F(ModuleTest, SilenceWithoutQuestionFailsWithCode35) {
  CTestDevice device = Device("settings_silent=1\n");
  ASSERT_EQ(Send(), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), kNoResponse);
  LastError last = GetLast();
  EXPECT_EQ(last.code, 35);
  EXPECT_EQ(last.text, u"No response from settings server");
  ExpectNoSettingsCopies(device);
}

TEST_F(ModuleTest, ServerErrorEndsWithTheServersCode) {
  CTestDevice device = Device("settings_error=317,5,Bad, very bad\n");
  ASSERT_EQ(Send(), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), static_cast<HRESULT>(0x80040000 | 317));
  LastError last = GetLast();
  EXPECT_EQ(last.code, 317);
  EXPECT_EQ(last.exError, 5);
  EXPECT_EQ(last.text, u"Bad, very bad");
  ExpectNoSettingsCopies(device);
}

TEST_F(ModuleTest, CancelDuringProgressAnswersTheServerWith4) {
  CTestDevice device = Device();
  ITolvaneModule* module = m_module.Get();
  m_callback->react = [module](const Event& e) {
    if (e.kind == Event::Progress && e.number == 4) module->Cancel();
  };
  ASSERT_EQ(Send(), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), kCancelled);
  EXPECT_EQ(GetLast().text, kCancelledText);
  // The server applied the first element and then took the refusal: nothing more is stored.
  EXPECT_EQ(Stored(device), 1);
  ExpectNoSettingsCopies(device);
}

TEST_F(ModuleTest, CancelDuringQuestionAnswersTheServerWith4) {
  CTestDevice device = Device("settings_question=0x204,45,EMailSettings,Mailbox exists\n");
  ASSERT_EQ(Send(), S_OK);
  ASSERT_TRUE(m_callback->WaitForQuestion());
  EXPECT_EQ(m_module->Cancel(), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), kCancelled);
  EXPECT_EQ(CTestCallback::Count(m_callback->Events(), Event::Done), 1);
  EXPECT_FALSE(fs::exists(device.StoreFile(u"EMailSettings")));
  EXPECT_EQ(m_module->Respond(1), static_cast<HRESULT>(0x80040063));
  ExpectNoSettingsCopies(device);
}

TEST_F(ModuleTest, RefusalAnswerEndsAsCancelled) {
  CTestDevice device = Device("settings_question=0x204,45,EMailSettings,Mailbox exists\n");
  ASSERT_EQ(Send(), S_OK);
  ASSERT_TRUE(m_callback->WaitForQuestion());
  EXPECT_EQ(m_module->Respond(4), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), kCancelled);
  ExpectNoSettingsCopies(device);
}

TEST_F(ModuleTest, CancelRightAfterTheStartIsNotLost) {
  CTestDevice device = Device();
  ASSERT_EQ(Send(), S_OK);
  EXPECT_EQ(m_module->Cancel(), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), kCancelled);
  EXPECT_EQ(Stored(device), 0);
  ExpectNoSettingsCopies(device);
}

TEST_F(ModuleTest, ReleaseWithAQuestionOpenEndsTheWorker) {
  CTestDevice device = Device("settings_question=0x204,45,EMailSettings,Mailbox exists\n");
  ASSERT_EQ(Send(), S_OK);
  ASSERT_TRUE(m_callback->WaitForQuestion());
  ASSERT_EQ(m_module->UnAdviseCallback(m_cookie), S_OK);
  m_cookie = 0;
  m_module.Reset();  // returns at once; the open question is answered with 4
  // The worker ends: it refuses the question to the server and removes the device copy.
  fs::path copy = device.DeviceFile(L"c:\\~epoc_settings.xml");
  for (int i = 0; i < 3000 && fs::exists(copy); ++i) ::Sleep(10);
  ExpectNoSettingsCopies(device);
  EXPECT_FALSE(fs::exists(device.StoreFile(u"EMailSettings")));
  EXPECT_EQ(CTestCallback::Count(m_callback->Events(), Event::Done), 0);
}

TEST_F(ModuleTest, DisconnectedDeviceFailsWithCode34) {
  CTestDevice device = Device("connected=0\n");
  ASSERT_EQ(Send(), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), static_cast<HRESULT>(0x80040022));
  EXPECT_EQ(GetLast().text, u"ConnectGenericServer::Failed to connect to device");
  ExpectNoSettingsCopies(device);
}

TEST_F(ModuleTest, MethodResults) {
  CTestDevice device = Device("settings_silent=1\n");
  EXPECT_EQ(m_module->Respond(1), static_cast<HRESULT>(0x80040063));
  UniqueBstr none;
  EXPECT_EQ(m_module->ReadConfiguration(none.out()), static_cast<HRESULT>(0x80040060));
  ComPtr<CTestCallback> other = win::MakeCom<CTestCallback>();
  LONG cookie = 0;
  EXPECT_EQ(m_module->AdviseCallback(other.Get(), &cookie), static_cast<HRESULT>(0x8004000C));
  EXPECT_EQ(m_module->UnAdviseCallback(0), static_cast<HRESULT>(0x80040061));
  EXPECT_EQ(m_module->UnAdviseCallback(m_cookie + 4), static_cast<HRESULT>(0x80040061));

  ASSERT_EQ(Send(), S_OK);
  EXPECT_EQ(Send(), static_cast<HRESULT>(0x80040062));
  ASSERT_TRUE(m_callback->WaitForDone());

  // Reading a settings file ends with code 96.
  ComPtr<CTestCallback> reader = win::MakeCom<CTestCallback>();
  ASSERT_EQ(m_module->UnAdviseCallback(m_cookie), S_OK);
  UniqueBstr file(u"c:\\x.xml");
  m_cookie = 0;
  EXPECT_EQ(m_module->ReadConfigurationFile(file.get()), static_cast<HRESULT>(0x80040061));
  ASSERT_EQ(m_module->AdviseCallback(reader.Get(), &m_cookie), S_OK);
  reader->AddRef();
  ASSERT_EQ(m_module->ReadConfigurationFile(file.get()), S_OK);
  ASSERT_TRUE(reader->WaitForDone());
  EXPECT_EQ(reader->DoneResult(), static_cast<HRESULT>(0x80040060));
  EXPECT_EQ(GetLast().text, u"DoReadConfig::Operation not supported");
}

TEST_F(ModuleTest, DebugSimulationAsksTheForcedErrors) {
  UniqueBstr tag(u"Mail"), name(u"Inbox");
  ASSERT_EQ(m_module->DebugForceError(0x204, 4 | 16, tag.get(), name.get()), S_OK);
  ASSERT_EQ(Send(u"<Settings/>"), S_OK);
  ASSERT_TRUE(m_callback->WaitForQuestion());
  std::vector<Event> events = m_callback->Events();
  EXPECT_EQ(events.back().hr, static_cast<HRESULT>(0x80040204));
  EXPECT_EQ(events.back().tag, u"Mail");
  EXPECT_LT(FirstOfStage(events, 2), FirstOfStage(events, 3));
  EXPECT_EQ(m_module->Respond(16), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), S_OK);
  events = m_callback->Events();
  ASSERT_LT(FirstOfStage(events, 4), events.size());
  EXPECT_EQ(events[FirstOfStage(events, 4)].tag, u"Mail");
}

TEST_F(ModuleTest, DebugSimulationWithoutCallbackDoesNotWaitForever) {
  UniqueBstr tag(u"Mail"), name(u"Inbox");
  ASSERT_EQ(m_module->DebugForceError(0x204, 4 | 16, tag.get(), name.get()), S_OK);
  // The callback goes away just before the question would be asked.
  ITolvaneModule* module = m_module.Get();
  LONG cookie = m_cookie;
  // The worker's own thread handle, taken while it runs the callback, tells when the worker has ended.
  HANDLE worker = nullptr;
  m_callback->react = [module, cookie, &worker](const Event& e) {
    if (e.kind == Event::Progress && e.number == 3 && e.percent == 100) {
      ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &worker, SYNCHRONIZE,
                        FALSE, 0);
      module->UnAdviseCallback(cookie);
    }
  };
  m_cookie = 0;
  ASSERT_EQ(Send(u"<Settings/>"), S_OK);
  ASSERT_TRUE(m_callback->WaitFor([](const auto& e) { return !e.empty() && e.back().percent == 100 && e.back().number == 3; }));
  // Without a callback the module cancels itself instead of waiting for an answer; its worker ends.
  ASSERT_NE(worker, nullptr);
  DWORD waited = ::WaitForSingleObject(worker, 30000);
  ::CloseHandle(worker);
  ASSERT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(CTestCallback::Count(m_callback->Events(), Event::Error), 0);
  // It is idle again: the next operation starts.
  ComPtr<CTestCallback> next = win::MakeCom<CTestCallback>();
  ASSERT_EQ(m_module->AdviseCallback(next.Get(), &m_cookie), S_OK);
  next->AddRef();
  UniqueBstr file(u"c:\\x.xml");
  ASSERT_EQ(m_module->ReadConfigurationFile(file.get()), S_OK);
  ASSERT_TRUE(next->WaitForDone());
  // The forced errors were dropped with the simulation, so this is not debug mode (code 11).
  EXPECT_EQ(next->DoneResult(), static_cast<HRESULT>(0x80040060));
}

}  // namespace
}  // namespace orvel::tessmark::test
