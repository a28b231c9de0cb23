// Drives every object of the stand-in through the calls the system makes, against a temporary
// device root, and checks the device folders, the settings store and the events.
#include "econnect.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <thread>

#include "interfaces/econnect_contract.h"
#include "outside/econnect/settings_server.h"
#include "outside/econnect/standin.h"
#include "support/u16text.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "transport/codec/codec.h"

namespace orvel::econnect {
namespace {

namespace fs = std::filesystem;
using win::CComObject;
using win::MakeCom;
using win::UniqueBstr;

// Safety limit of every wait for an event; the stand-in answers in far less.
constexpr DWORD kWaitLimitMs = 20000;

const CLSID kFakeProgress = {0x0e5d1a20, 0x2222, 0x4333, {0x84, 0x44, 0x55, 0x55, 0x66, 0x66, 0x77, 0x77}};
const wchar_t kFakeProgId[] = L"EconnectTest.Progress";

fs::path TestFolder() { return fs::path(win::CModule::Path()).parent_path(); }

// The fake progress object's log, read through the exports of its library.
struct FakeProgress {
  HMODULE module = nullptr;
  void(__stdcall* reset)() = nullptr;
  void(__stdcall* answer)(LONG) = nullptr;
  void(__stdcall* setCancel)(LONG) = nullptr;
  int(__stdcall* log)(wchar_t*, int) = nullptr;
  DWORD(__stdcall* thread)() = nullptr;

  std::wstring Log() const {
    std::wstring text(log(nullptr, 0) + 1, L'\0');
    text.resize(log(text.data(), static_cast<int>(text.size())));
    return text;
  }
};
FakeProgress g_fake;

class Environment : public ::testing::Environment {
 public:
  void SetUp() override {
    fs::path dll = TestFolder() / L"econnect_fake_progress.dll";
    win::InprocServerInfo info{&kFakeProgress, L"Test progress object", kFakeProgId, L"", L"Apartment",
                               nullptr};
    ASSERT_EQ(win::RegisterInprocServer(info, HKEY_CLASSES_ROOT, dll.wstring()), S_OK);
    g_fake.module = ::LoadLibraryW(dll.c_str());
    ASSERT_NE(g_fake.module, nullptr);
    auto get = [](const char* name) {
      return reinterpret_cast<void*>(::GetProcAddress(g_fake.module, name));
    };
    g_fake.reset = reinterpret_cast<decltype(g_fake.reset)>(get("FakeProgressReset"));
    g_fake.answer = reinterpret_cast<decltype(g_fake.answer)>(get("FakeProgressAnswer"));
    g_fake.setCancel = reinterpret_cast<decltype(g_fake.setCancel)>(get("FakeProgressSetCancel"));
    g_fake.log = reinterpret_cast<decltype(g_fake.log)>(get("FakeProgressLog"));
    g_fake.thread = reinterpret_cast<decltype(g_fake.thread)>(get("FakeProgressThread"));
    ASSERT_TRUE(g_fake.reset && g_fake.answer && g_fake.setCancel && g_fake.log && g_fake.thread);
  }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new Environment);

// Handles this thread's messages (calls marshaled into the test's apartment) until done.
bool PumpUntil(const std::function<bool()>& done) {
  DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > kWaitLimitMs) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    PumpPending();
  }
  return true;
}

void WriteFile(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}
std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class StandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    m_root = fs::temp_directory_path() /
             (L"econnect-" +
              win::AsWide(FromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name())) + L"-" +
              std::to_wstring(::GetCurrentProcessId()));
    fs::remove_all(m_root);
    fs::create_directories(m_root / L"c");
    fs::create_directories(m_root / L"d");
    fs::copy_file(TestFolder() / L"default_state.txt", m_root / kStateFileName);
    ::SetEnvironmentVariableW(kDeviceRootVariable, m_root.c_str());
    g_fake.reset();
  }
  void TearDown() override {
    ::SetEnvironmentVariableW(kDeviceRootVariable, nullptr);
    std::error_code error;
    fs::remove_all(m_root, error);
    ::CoUninitialize();
  }
  void Set(const std::string& key, const std::string& value) {
    ASSERT_TRUE(UpdateStateValue(m_root, key, value));
  }
  template <class I>
  ComPtr<I> Create(REFCLSID clsid) {
    ComPtr<I> object;
    EXPECT_EQ(::CoCreateInstance(clsid, nullptr, win::kAnyContext, __uuidof(I),
                                 reinterpret_cast<void**>(object.GetAddressOf())),
              S_OK);
    return object;
  }
  fs::path m_root;
};

ECLocation Location(USHORT kind, const std::wstring& path) {
  ECLocation location;
  EXPECT_TRUE(MakeLocation(location, kind, path));
  return location;
}

// ---- registration ----

TEST(Registration, ServerAppPathsAndVersions) {
  std::wstring clsid = L"CLSID\\" + win::GuidText(CLSID_ECEngine) + L"\\InprocServer32";
  EXPECT_EQ(win::ReadRegString(HKEY_CLASSES_ROOT, clsid, L"ThreadingModel"), L"Both");
  const wchar_t* appPaths = kAppPathsKey;
  auto program = win::ReadRegString(HKEY_LOCAL_MACHINE, appPaths, nullptr);
  auto folder = win::ReadRegString(HKEY_LOCAL_MACHINE, appPaths, L"Path");
  ASSERT_TRUE(program && folder);
  EXPECT_EQ(fs::path(*program).filename(), L"econnect.exe");
  EXPECT_TRUE(fs::exists(*program));
  for (const wchar_t* companion : {L"xmldom.dll", L"domgenerator.dll", L"tlvxsvr.dll", L"gencserv.rsy"})
    EXPECT_TRUE(fs::exists(fs::path(*folder) / companion)) << companion;

  struct VersionCase {
    const wchar_t* file;
    const wchar_t* fileVersion;
  };
  for (VersionCase c : {VersionCase{L"econnect.exe", L"0"}, VersionCase{L"ecce.exe", L"112"}}) {
    std::wstring path = (fs::path(*folder) / c.file).wstring();
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u) << c.file;
    std::vector<char> data(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00050000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000002u);
    wchar_t* text = nullptr;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\StringFileInfo\\040904b0\\FileVersion",
                                 reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, c.fileVersion);
  }
}

TEST_F(StandIn, EveryClassIsCreatedWithItsInterface) {
  EXPECT_TRUE(Create<IECDevice>(CLSID_ECDevice));
  EXPECT_TRUE(Create<IECTransfer>(CLSID_ECTransfer));
  EXPECT_TRUE(Create<IECEngine>(CLSID_ECEngine));
  EXPECT_TRUE(Create<IECFileCopy>(CLSID_ECFileCopy));
  EXPECT_TRUE(Create<IECRestore>(CLSID_ECRestore));
  EXPECT_TRUE(Create<IECBackupEngine>(CLSID_ECBackupEngine));
  EXPECT_TRUE(Create<IECDeviceInfo>(CLSID_ECDeviceInfo));
  EXPECT_TRUE(Create<IMPSDRC>(CLSID_MPSDRC));
  // The dual interfaces answer IDispatch from the type library.
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(Create<IECDevice>(CLSID_ECDevice).As(&dispatch), S_OK);
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(L"GetDeviceName");
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
}

// ---- device object ----

class CDeviceSink : public CComObject<IECDeviceSink> {
 public:
  ORVEL_DISPATCH_BY_VTABLE_ONLY
  HRESULT STDMETHODCALLTYPE OnDeviceChanged(LONG connected, BSTR name) override {
    m_events.push_back(std::to_wstring(connected) + L" " + (name ? name : L""));
    return S_OK;
  }
  std::vector<std::wstring> m_events;
};

TEST_F(StandIn, DeviceNameFollowsTheConnectionAndReportsServerLoss) {
  ComPtr<IECDevice> device = Create<IECDevice>(CLSID_ECDevice);
  ASSERT_EQ(device->SetClientProcess(static_cast<LONG>(::GetCurrentProcessId())), S_OK);
  ComPtr<CDeviceSink> sink = MakeCom<CDeviceSink>();
  LONG cookie = 0;
  ASSERT_EQ(device->Advise(sink.Get(), &cookie), S_OK);
  EXPECT_NE(cookie, 0);

  struct NameCase {
    const char* connected;
    const char* name;
    bool succeeds;
    const wchar_t* expected;
  };
  const NameCase cases[] = {
      {"1", "Farlink", true, L"Farlink"},
      {"0", "Farlink", false, nullptr},
      {"1", "", true, L""},  // succeeds, but an empty name is no device
      {"1", "farlink", true, L"farlink"},
  };
  for (const auto& c : cases) {
    Set("connected", c.connected);
    Set("name", c.name);
    UniqueBstr name;
    HRESULT hr = device->GetDeviceName(name.out());
    EXPECT_EQ(SUCCEEDED(hr), c.succeeds) << c.connected << c.name;
    if (c.succeeds) {
      EXPECT_EQ(win::AsWide(name.text()), c.expected);
    } else {
      EXPECT_EQ(name.get(), nullptr);
      EXPECT_EQ(HRESULT_CODE(hr), 2250);
    }
  }
  EXPECT_EQ(sink->m_events, (std::vector<std::wstring>{L"1 Farlink", L"0 ", L"1 farlink"}));

  Set("server_lost", "1");
  UniqueBstr name;
  HRESULT lost = device->GetDeviceName(name.out());
  EXPECT_EQ(lost & 0xFFFF, 1722);
  EXPECT_TRUE(FAILED(lost));
  EXPECT_EQ(device->GetDeviceName(name.out()), S_OK);  // the loss is reported once
  EXPECT_EQ(CDeviceState::Load(m_root).Number("server_lost"), 0);

  EXPECT_EQ(device->Unadvise(cookie), S_OK);
  EXPECT_NE(device->Unadvise(cookie), S_OK);
}

// ---- ECEngine ----

class CTransferProgress : public CComObject<ITransferProgressSink> {
 public:
  HRESULT STDMETHODCALLTYPE OnProgress(SHORT percent, LONG* cancel) override {
    m_percents.push_back(percent);
    *cancel = m_cancel;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnBegin(BSTR, BSTR) override { return 50; }
  HRESULT STDMETHODCALLTYPE OnEnd(LONG) override { return 50; }
  std::vector<int> m_percents;
  LONG m_cancel = 0;
};

TEST_F(StandIn, EngineLooksUpCopiesAndChangesDeviceFiles) {
  ComPtr<IECEngine> engine = Create<IECEngine>(CLSID_ECEngine);
  ComPtr<CTransferProgress> progress = MakeCom<CTransferProgress>();
  ASSERT_EQ(engine->Advise(progress.Get()), S_OK);
  LONG connected = 1;
  ASSERT_EQ(engine->IsConnected(&connected), S_OK);
  EXPECT_EQ(connected, 0);
  ASSERT_EQ(engine->Connect(0), 0);
  engine->IsConnected(&connected);
  EXPECT_EQ(connected, 1);

  fs::path local = m_root / L"pc" / L"xmldom.dll";
  WriteFile(local, "component bytes");
  ECLocation source = Location(EC_LOCATION_COMPUTER, local.wstring());
  ECLocation libs = Location(EC_LOCATION_DEVICE, L"c:\\System\\Libs\\");
  ECLocation target = Location(EC_LOCATION_DEVICE, L"c:\\System\\Libs\\xmldom.dll");

  ComPtr<IECEntry> entry;
  EXPECT_EQ(engine->LookupEntry(&target, &entry), EC_ERROR_NOT_FOUND);
  EXPECT_EQ(engine->MakeDirectory(&libs), 0);
  ASSERT_EQ(engine->Copy(&source, &target, 1), 0);
  EXPECT_EQ(ReadFile(m_root / L"c" / L"System" / L"Libs" / L"xmldom.dll"), "component bytes");
  ASSERT_FALSE(progress->m_percents.empty());
  EXPECT_EQ(progress->m_percents.back(), 100);

  ECEntryInfo sourceInfo = {}, targetInfo = {};
  ASSERT_EQ(engine->LookupEntry(&source, &entry), 0);
  entry->GetInfo(&sourceInfo);
  ASSERT_EQ(engine->LookupEntry(&target, &entry), 0);
  entry->GetInfo(&targetInfo);
  EXPECT_EQ(targetInfo.Size, 15u);
  EXPECT_EQ(CompareFileTime(&targetInfo.LastWrite, &sourceInfo.LastWrite), 0);  // the copy keeps the time
  EXPECT_EQ(targetInfo.Attributes & FILE_ATTRIBUTE_READONLY, 0u);

  ASSERT_EQ(engine->SetAttributes(&target, FILE_ATTRIBUTE_READONLY), 0);
  engine->LookupEntry(&target, &entry);
  entry->GetInfo(&targetInfo);
  EXPECT_EQ(targetInfo.Attributes & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
  EXPECT_NE(engine->Copy(&source, &target, 1), 0);  // a read-only target is not overwritten
  ASSERT_EQ(engine->SetAttributes(&target, targetInfo.Attributes & ~FILE_ATTRIBUTE_READONLY), 0);
  EXPECT_EQ(engine->Copy(&source, &target, 0), ERROR_FILE_EXISTS);

  progress->m_cancel = 1;
  ECLocation other = Location(EC_LOCATION_DEVICE, L"c:\\other.dll");
  EXPECT_EQ(engine->Copy(&source, &other, 1), ERROR_OPERATION_ABORTED);
  EXPECT_FALSE(fs::exists(m_root / L"c" / L"other.dll"));
  progress->m_cancel = 0;

  Set("copy_error", "39");
  EXPECT_EQ(engine->Copy(&source, &other, 1), 39);
  Set("copy_error", "0");

  EXPECT_EQ(engine->Delete(&target), 0);
  EXPECT_FALSE(fs::exists(m_root / L"c" / L"System" / L"Libs" / L"xmldom.dll"));
  ECLocation escape = Location(EC_LOCATION_DEVICE, L"c:\\..\\state.txt");
  EXPECT_NE(engine->LookupEntry(&escape, &entry), 0);

  Set("connected", "0");
  EXPECT_EQ(engine->LookupEntry(&target, &entry), ERROR_NOT_CONNECTED);
  EXPECT_EQ(engine->LookupEntry(&source, &entry), 0);  // the computer side needs no device
  engine->IsConnected(&connected);
  EXPECT_EQ(connected, 0);
  EXPECT_EQ(engine->Connect(0), ERROR_NOT_CONNECTED);
}

TEST_F(StandIn, MachineAndOwnerInformationMatchTheStateFile) {
  Set("language", "3");
  Set("rom_version", "2.07");
  Set("battery_main", "1");
  Set("cardnum.27", "42");
  ComPtr<IECEngine> engine = Create<IECEngine>(CLSID_ECEngine);
  ComPtr<IUnknown> object;
  ASSERT_EQ(engine->GetInfoObject(EC_MACHINE_INFO, &object), S_OK);
  ComPtr<IECMachineInfo> machine;
  ASSERT_EQ(object.As(&machine), S_OK);
  ECMachineInfo info = {};
  ASSERT_EQ(machine->GetInfo(&info), S_OK);
  EXPECT_STREQ(info.Identity, L"350123456789012");
  EXPECT_EQ(info.Language, 3);
  EXPECT_EQ(info.RomMajor, 2);
  EXPECT_EQ(info.RomMinor, 7);
  EXPECT_EQ(info.RomBuild, 231);
  EXPECT_EQ(info.RamFree, 7340032);
  EXPECT_EQ(info.BatteryMain, 1);
  EXPECT_EQ(info.ExternalPower, 1);

  ComPtr<IECDeviceInfo> card = Create<IECDeviceInfo>(CLSID_ECDeviceInfo);
  ASSERT_EQ(card->ReadOwnerCard(), S_OK);
  LONG count = 0;
  card->GetFieldCount(&count);
  std::map<LONG, std::wstring> texts;
  std::map<LONG, LONG> numbers;
  for (LONG i = 0; i < count; ++i) {
    LONG type = 0;
    VARIANT value;
    ASSERT_EQ(card->GetField(i, &type, &value), S_OK);
    if (value.vt == VT_BSTR) texts[type] = value.bstrVal;
    if (value.vt == VT_I4) numbers[type] = value.lVal;
    ::VariantClear(&value);
  }
  EXPECT_EQ(texts, (std::map<LONG, std::wstring>{{3, L"Ada"}, {5, L"Lovelace"}, {68, L"+44 20 7946 0000"}}));
  EXPECT_EQ(numbers, (std::map<LONG, LONG>{{27, 42}}));

  Set("connected", "0");
  EXPECT_TRUE(FAILED(engine->GetInfoObject(EC_MACHINE_INFO, &object)));
  EXPECT_TRUE(FAILED(card->ReadOwnerCard()));
}

// ---- file-copy object ----

class CCopyEvents : public CComObject<IECFileCopyEvents, IECTransferEvents> {
 public:
  HRESULT STDMETHODCALLTYPE OnCopyBegin(BSTR, BSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnCopyComplete(LONG, BSTR, LONG, BSTR, LONG copied, LONG result) override {
    m_thread = ::GetCurrentThreadId();
    m_copied = copied;
    m_result = result;
    ++m_completed;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnTransferBegin(BSTR, BSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnTransferError(LONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnTransferProgress(LONG percent, LONG* cancel) override {
    m_lastPercent = percent;
    *cancel = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnTransferEnd(LONG) override {
    ++m_transferEnds;
    return S_OK;
  }
  int m_completed = 0, m_transferEnds = 0;
  LONG m_copied = -1, m_result = -1, m_lastPercent = -1;
  DWORD m_thread = 0;
};

class FileCopy : public StandIn {
 protected:
  void SetUp() override {
    StandIn::SetUp();
    m_copy = Create<IECFileCopy>(CLSID_ECFileCopy);
    m_events = MakeCom<CCopyEvents>();
    m_copy->SetClientProcess(static_cast<LONG>(::GetCurrentProcessId()));
    UniqueBstr progId(win::FromWide(kFakeProgId));
    ASSERT_EQ(m_copy->Advise(m_events.Get(), progId.get()), S_OK);
    m_transfer = Create<IECTransfer>(CLSID_ECTransfer);
    ASSERT_EQ(m_transfer->Advise(m_events.Get()), S_OK);
    UniqueBstr device(u"Farlink");
    ASSERT_EQ(m_copy->SetDevice(device.get()), S_OK);
    m_local = m_root / L"pc" / L"a.txt";
    WriteFile(m_local, "new text");
  }
  void TearDown() override {
    m_copy.Reset();
    m_transfer.Reset();
    m_events.Reset();
    StandIn::TearDown();
  }
  // Copies to the device and waits for the end.
  void CopyToDevice(const std::wstring& target, LONG options) {
    int before = m_events->m_completed;
    UniqueBstr source(win::FromWide(m_local.wstring())), remote(win::FromWide(target));
    ASSERT_EQ(
        m_copy->StartCopy(1, EC_LOCATION_COMPUTER, source.get(), EC_LOCATION_DEVICE, remote.get(), options),
        S_OK);
    ASSERT_TRUE(PumpUntil([&] { return m_events->m_completed > before; }));
  }
  ComPtr<IECFileCopy> m_copy;
  ComPtr<IECTransfer> m_transfer;
  ComPtr<CCopyEvents> m_events;
  fs::path m_local;
};

TEST_F(FileCopy, CopiesWithProgressOnAPumpingThreadOfItsOwn) {
  fs::create_directories(m_root / L"c" / L"Documents");
  CopyToDevice(L"c:\\Documents\\", EC_COPY_PROGRESS);
  EXPECT_EQ(m_events->m_result, 0);
  EXPECT_EQ(m_events->m_copied, 1);
  EXPECT_EQ(m_events->m_thread, ::GetCurrentThreadId());  // the sink is called in its own apartment
  EXPECT_EQ(ReadFile(m_root / L"c" / L"Documents" / L"a.txt"), "new text");
  EXPECT_EQ(m_events->m_lastPercent, 100);
  EXPECT_EQ(m_events->m_transferEnds, 1);
  std::wstring log = g_fake.Log();
  EXPECT_EQ(log.find(L"OnCopyReset\nOnCopyStart\n"), 0u) << log;
  EXPECT_NE(log.find(L"OnCopyProgress a.txt|c:\\Documents\\|100\n"), std::wstring::npos) << log;
  EXPECT_NE(log.find(L"OnCopyFinished\n"), std::wstring::npos) << log;
  EXPECT_NE(g_fake.thread(), ::GetCurrentThreadId());

  // From the device back to the computer.
  fs::path back = m_root / L"pc" / L"back.txt";
  UniqueBstr source(u"c:\\Documents\\a.txt"), target(win::FromWide(back.wstring()));
  ASSERT_EQ(m_copy->StartCopy(1, EC_LOCATION_DEVICE, source.get(), EC_LOCATION_COMPUTER, target.get(), 0x100),
            S_OK);
  ASSERT_TRUE(PumpUntil([&] { return m_events->m_completed == 2; }));
  EXPECT_EQ(m_events->m_result, 0);
  EXPECT_EQ(ReadFile(back), "new text");
}

struct ExistsCase {
  const char* mode;
  std::vector<LONG> answers;
  LONG result, copied;
  const wchar_t* question;
  size_t questions;
};

TEST_F(FileCopy, ExistingTargetAsksTheProgressObject) {
  const ExistsCase cases[] = {
      {"number", {1}, 0, 0, L"OnCopyAskNumber -2147220989", 1},      // skip
      {"number", {0}, ERROR_FILE_EXISTS, 0, L"OnCopyAskNumber", 1},  // overwrite or cancel: the caller
                                                                     // decides
      {"number", {2, 1}, 0, 0, L"OnCopyAskNumber", 2},               // try again, then skip
      {"exists", {1}, 0, 0, L"OnCopyAskExists", 1},
  };
  fs::path onDevice = m_root / L"c" / L"a.txt";
  for (const auto& c : cases) {
    WriteFile(onDevice, "old text");
    Set("exists_question", c.mode);
    g_fake.reset();
    for (LONG answer : c.answers) g_fake.answer(answer);
    CopyToDevice(L"c:\\a.txt", EC_COPY_PROGRESS);
    EXPECT_EQ(m_events->m_result, c.result) << c.mode << c.answers[0];
    EXPECT_EQ(m_events->m_copied, c.copied) << c.mode << c.answers[0];
    EXPECT_EQ(ReadFile(onDevice), "old text");
    std::wstring log = g_fake.Log();
    size_t asked = 0;
    for (size_t at = log.find(c.question); at != std::wstring::npos; at = log.find(c.question, at + 1))
      ++asked;
    EXPECT_EQ(asked, c.questions) << log;
  }
  CopyToDevice(L"c:\\a.txt", EC_COPY_PROGRESS | EC_COPY_OVERWRITE);
  EXPECT_EQ(m_events->m_result, 0);
  EXPECT_EQ(ReadFile(onDevice), "new text");
}

TEST_F(FileCopy, FailuresEndTheCopyWithTheirNumber) {
  Set("copy_error", "112");
  CopyToDevice(L"c:\\a.txt", 0x100);
  EXPECT_EQ(m_events->m_result, 112);
  Set("copy_error", "0");
  CopyToDevice(L"c:\\Missing\\a.txt", 0x100);
  EXPECT_EQ(m_events->m_result, ERROR_PATH_NOT_FOUND);
  g_fake.setCancel(1);
  CopyToDevice(L"c:\\a.txt", 0x100);
  EXPECT_EQ(m_events->m_result, ERROR_OPERATION_ABORTED);
  EXPECT_FALSE(fs::exists(m_root / L"c" / L"a.txt"));
  g_fake.setCancel(0);
  Set("connected", "0");
  CopyToDevice(L"c:\\a.txt", 0x100);
  EXPECT_EQ(m_events->m_result, ERROR_NOT_CONNECTED);
  UniqueBstr device(u"Farlink");
  EXPECT_EQ(HRESULT_CODE(m_copy->SetDevice(device.get())), ERROR_NOT_CONNECTED);
  Set("connected", "1");
  Set("server_lost", "1");
  EXPECT_EQ(m_copy->SetDevice(device.get()) & 0xFFFF, 1722);
  EXPECT_EQ(m_copy->SetDevice(device.get()), S_OK);
}

// ---- backup engine and restore object ----

class CBackupSink : public CComObject<IECBackupSink> {
 public:
  ORVEL_DISPATCH_BY_VTABLE_ONLY
  HRESULT STDMETHODCALLTYPE OnArchiveOpened(BSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnArchiveClosed(BSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnStateEvent(SHORT value, LONG* cancel) override {
    return Note(L"state " + std::to_wstring(value), cancel);
  }
  HRESULT STDMETHODCALLTYPE OnTextEvent(BSTR text, SHORT number, LONG* cancel) override {
    return Note(L"text " + std::wstring(text) + L"|" + std::to_wstring(number), cancel);
  }
  HRESULT STDMETHODCALLTYPE OnProgressEvent(BSTR text, SHORT, SHORT value, SHORT number, LONG,
                                            LONG* cancel) override {
    return Note(
        L"progress " + std::wstring(text) + L"|" + std::to_wstring(value) + L"|" + std::to_wstring(number),
        cancel);
  }
  HRESULT STDMETHODCALLTYPE OnQuestionEvent(BSTR, BSTR, LONG, LONG answerSet, LONG* answer) override {
    Note(L"question " + std::to_wstring(answerSet), nullptr);
    *answer = m_answer;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnFinishedEvent(LONG result) override {
    std::lock_guard<std::mutex> guard(m_lock);
    m_result = result;
    m_finishedThread = ::GetCurrentThreadId();
    ::SetEvent(m_finished.get());
    return S_OK;
  }
  bool Wait() { return ::WaitForSingleObject(m_finished.get(), kWaitLimitMs) == WAIT_OBJECT_0; }
  std::vector<std::wstring> Events() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_events;
  }

  win::UniqueKernelHandle m_finished{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  std::mutex m_lock;
  std::vector<std::wstring> m_events;
  LONG m_result = -1, m_cancel = 0, m_answer = 1;
  DWORD m_finishedThread = 0;

 private:
  HRESULT Note(const std::wstring& line, LONG* cancel) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_events.push_back(line);
    if (cancel) *cancel = m_cancel;
    return S_OK;
  }
};

// Runs a drive backup the way the engine's worker does: from a multithreaded apartment.
LONG BackupFromWorker(CBackupSink* sink, const wchar_t* drive, LONG archives, HRESULT* started) {
  LONG result = -1;
  std::thread worker([&] {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
      ComPtr<IECBackupEngine> backup;
      ::CoCreateInstance(CLSID_ECBackupEngine, nullptr, win::kAnyContext, IID_PPV_ARGS(&backup));
      backup->SetClientProcess(static_cast<LONG>(::GetCurrentProcessId()));
      backup->Advise(sink);
      UniqueBstr name(u"Farlink"), letter(win::FromWide(drive));
      *started = backup->StartBackup(name.get(), archives, nullptr, letter.get());
      if (SUCCEEDED(*started) && sink->Wait()) result = sink->m_result;
    }
    ::CoUninitialize();
  });
  worker.join();
  return result;
}

class CRestoreEvents : public CComObject<IECRestoreEvents> {
 public:
  HRESULT STDMETHODCALLTYPE OnRestoreState(BSTR, LONG state) override {
    m_states.push_back(state);
    return S_OK;
  }
  std::vector<LONG> m_states;
};

TEST_F(StandIn, BackupAndRestoreOfADrive) {
  WriteFile(m_root / L"d" / L"Documents" / L"note.txt", "kept");
  WriteFile(m_root / L"d" / L"photo.jpg", "jpeg");
  ComPtr<CBackupSink> sink = MakeCom<CBackupSink>();
  HRESULT started = E_FAIL;
  EXPECT_EQ(BackupFromWorker(sink.Get(), L"D", 2, &started), 0);
  EXPECT_EQ(started, S_OK);
  EXPECT_NE(sink->m_finishedThread, 0u);
  std::vector<std::wstring> events = sink->Events();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events[0], L"state 1");
  EXPECT_EQ(events[1], L"text Backing up drive D:|1");
  EXPECT_EQ(events[2].substr(events[2].size() - 4), L"|0|1");  // the first progress value is 0
  fs::path archive = m_root / kBackupFolderName / L"Farlink" / L"d";
  EXPECT_EQ(ReadFile(archive / L"1" / L"Documents" / L"note.txt"), "kept");

  // A second backup moves the first to archive 2.
  WriteFile(m_root / L"d" / L"Documents" / L"note.txt", "changed");
  ComPtr<CBackupSink> second = MakeCom<CBackupSink>();
  EXPECT_EQ(BackupFromWorker(second.Get(), L"D", 2, &started), 0);
  EXPECT_EQ(ReadFile(archive / L"2" / L"Documents" / L"note.txt"), "kept");
  EXPECT_EQ(ReadFile(archive / L"1" / L"Documents" / L"note.txt"), "changed");

  // Restore with format: the drive becomes the newest archive exactly.
  fs::remove(m_root / L"d" / L"photo.jpg");
  WriteFile(m_root / L"d" / L"extra.txt", "not in the backup");
  ComPtr<IECRestore> restore = Create<IECRestore>(CLSID_ECRestore);
  ComPtr<CRestoreEvents> restoreEvents = MakeCom<CRestoreEvents>();
  UniqueBstr progId(win::FromWide(kFakeProgId)), empty(u""), drives(u"D");
  ASSERT_EQ(restore->SetClientProcess(static_cast<LONG>(::GetCurrentProcessId())), S_OK);
  ASSERT_EQ(restore->Advise(restoreEvents.Get(), progId.get()), S_OK);
  ASSERT_EQ(restore->SetDevice(empty.get()), S_OK);  // the connected device's backups
  ASSERT_EQ(restore->StartRestore(0, drives.get(), -1, 3), S_OK);
  ASSERT_TRUE(PumpUntil([] { return g_fake.Log().find(L"OnRestoreFinished") != std::wstring::npos; }));
  std::wstring log = g_fake.Log();
  EXPECT_EQ(log.find(L"OnRestoreInit\nOnRestoreStart\n"), 0u) << log;
  EXPECT_NE(log.find(L"OnRestoreStatus 1|Formatting D:|"), std::wstring::npos) << log;
  EXPECT_NE(log.find(L"|0|1|"), std::wstring::npos) << log;  // first progress value 0, number 1
  EXPECT_NE(log.find(L"OnRestoreFinished 0\n"), std::wstring::npos) << log;
  EXPECT_EQ(ReadFile(m_root / L"d" / L"photo.jpg"), "jpeg");
  EXPECT_EQ(ReadFile(m_root / L"d" / L"Documents" / L"note.txt"), "changed");
  EXPECT_FALSE(fs::exists(m_root / L"d" / L"extra.txt"));
  ASSERT_TRUE(PumpUntil([&] { return !restoreEvents->m_states.empty(); }));
  EXPECT_EQ(restoreEvents->m_states, std::vector<LONG>{0});  // the progress object reported the end

  // A forced result, and a restore without a progress object whose end reaches the sink.
  Set("restore_result", "5");
  g_fake.reset();
  ASSERT_EQ(restore->StartRestore(0, drives.get(), 0, 3), S_OK);
  ASSERT_TRUE(PumpUntil([] { return g_fake.Log().find(L"OnRestoreFinished") != std::wstring::npos; }));
  EXPECT_NE(g_fake.Log().find(L"OnRestoreFinished 5\n"), std::wstring::npos);
  ComPtr<IECRestore> bare = Create<IECRestore>(CLSID_ECRestore);
  ComPtr<CRestoreEvents> bareEvents = MakeCom<CRestoreEvents>();
  ASSERT_EQ(bare->Advise(bareEvents.Get(), nullptr), S_OK);
  ASSERT_EQ(bare->StartRestore(0, drives.get(), 0, 3), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return bareEvents->m_states.size() == 2; }));
  EXPECT_EQ(bareEvents->m_states, (std::vector<LONG>{0, 2}));
}

TEST_F(StandIn, BackupQuestionCancelAndRefusals) {
  WriteFile(m_root / L"c" / L"a.txt", "a");
  Set("backup_question", "0x80070158");
  ComPtr<CBackupSink> asked = MakeCom<CBackupSink>();
  asked->m_answer = 0;  // the client refused
  HRESULT started = E_FAIL;
  EXPECT_EQ(BackupFromWorker(asked.Get(), L"C", 1, &started), ERROR_OPERATION_ABORTED);
  EXPECT_EQ(asked->Events().back(), L"question " + std::to_wstring(static_cast<LONG>(0x80070158)));
  Set("backup_question", "0");

  ComPtr<CBackupSink> cancelled = MakeCom<CBackupSink>();
  cancelled->m_cancel = 1;
  EXPECT_EQ(BackupFromWorker(cancelled.Get(), L"C", 1, &started), ERROR_OPERATION_ABORTED);

  Set("backup_result", "31");
  ComPtr<CBackupSink> forced = MakeCom<CBackupSink>();
  EXPECT_EQ(BackupFromWorker(forced.Get(), L"C", 1, &started), 31);
  // A drive's own knob wins over the common one, for that drive alone.
  Set("backup_result.c", "0");
  ComPtr<CBackupSink> ownKnob = MakeCom<CBackupSink>();
  EXPECT_EQ(BackupFromWorker(ownKnob.Get(), L"C", 1, &started), 0);
  Set("backup_result", "0");
  Set("backup_result.c", "5");
  ComPtr<CBackupSink> oneDrive = MakeCom<CBackupSink>();
  EXPECT_EQ(BackupFromWorker(oneDrive.Get(), L"C", 1, &started), 5);
  Set("backup_result.c", "");

  ComPtr<CBackupSink> refused = MakeCom<CBackupSink>();
  BackupFromWorker(refused.Get(), L"Q", 1, &started);  // no such drive
  EXPECT_EQ(HRESULT_CODE(started), ERROR_INVALID_DRIVE);
  Set("connected", "0");
  BackupFromWorker(refused.Get(), L"C", 1, &started);
  EXPECT_EQ(HRESULT_CODE(started), ERROR_NOT_CONNECTED);
}

// ---- MPSDRC and the device's settings server ----

class CResponses : public CComObject<ICommonSink> {
 public:
  HRESULT STDMETHODCALLTYPE ProcessResponse(BYTE* data, ULONG length) override {
    m_responses.emplace_back(data, data + length);
    return S_OK;
  }
  std::vector<codec::Bytes> m_responses;
};

HRESULT Send(IMPSDRC* server, ICommonSink* sink, BYTE command, const codec::Bytes& payload) {
  HRESULT hr = server->SetCommand(0, command);
  BLOB blob{static_cast<ULONG>(payload.size()), const_cast<BYTE*>(payload.data())};
  VARIANT value;
  value.vt = VT_BLOB;
  value.byref = &blob;
  if (SUCCEEDED(hr)) hr = server->SetPayload(value);
  ComPtr<IUnknown> unknown;
  sink->QueryInterface(IID_PPV_ARGS(&unknown));
  if (SUCCEEDED(hr)) hr = server->Execute(unknown.Get());
  return hr;
}

std::uint32_t State(const codec::Bytes& response) {
  CDecodeResponse decoded(response.data(), response.size());
  return decoded.IsError() ? 0 : decoded.ReadULong();
}

TEST_F(StandIn, SettingsServerAnswersThroughMpsdrc) {
  ComPtr<IMPSDRC> server = Create<IMPSDRC>(CLSID_MPSDRC);
  ComPtr<CResponses> sink = MakeCom<CResponses>();
  UniqueBstr library(u"c:\\System\\Libs\\tlvxsvr.dll");
  EXPECT_EQ(Send(server.Get(), sink.Get(), 2, {}), E_UNEXPECTED);  // not started
  EXPECT_EQ(HRESULT_CODE(server->StartServer(library.get())), ERROR_FILE_NOT_FOUND);
  WriteFile(m_root / L"c" / L"System" / L"Libs" / L"tlvxsvr.dll", "server");
  ASSERT_EQ(server->StartServer(library.get()), S_OK);

  std::u16string xml = u"<Settings><IAPSettings op=\"create\">x</IAPSettings></Settings>";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : xml) bytes += {static_cast<char>(c), static_cast<char>(c >> 8)};
  WriteFile(m_root / L"c" / L"~epoc_settings.xml", bytes);
  codec::Bytes path, go, cancel;
  codec::AppendString(path, u"c:\\~epoc_settings.xml");
  codec::AppendU32(go, 0);

  ASSERT_EQ(Send(server.Get(), sink.Get(), 1, path), S_OK);
  ASSERT_EQ(Send(server.Get(), sink.Get(), 4, go), S_OK);
  ASSERT_EQ(Send(server.Get(), sink.Get(), 4, go), S_OK);
  ASSERT_EQ(Send(server.Get(), sink.Get(), 2, {}), S_OK);
  ASSERT_EQ(sink->m_responses.size(), 4u);
  std::vector<std::uint32_t> states;
  for (const auto& r : sink->m_responses) states.push_back(State(r));
  EXPECT_EQ(states, (std::vector<std::uint32_t>{5, 5, 2, 3}));
  EXPECT_EQ(ReadFile(StoreFile(m_root, u"IAPSettings")), "<IAPSettings op=\"create\">x</IAPSettings>");

  // A short payload gets an error response; silence gets none.
  ASSERT_EQ(Send(server.Get(), sink.Get(), 1, {1, 0}), S_OK);
  ASSERT_EQ(sink->m_responses.size(), 5u);
  EXPECT_TRUE(CDecodeResponse(sink->m_responses.back().data(), sink->m_responses.back().size()).IsError());
  Set("settings_silent", "1");
  ASSERT_EQ(Send(server.Get(), sink.Get(), 1, path), S_OK);
  EXPECT_EQ(sink->m_responses.size(), 5u);

  VARIANT text;
  text.vt = VT_I4;
  text.lVal = 1;
  EXPECT_EQ(server->SetPayload(text), DISP_E_TYPEMISMATCH);
  Set("connected", "0");
  EXPECT_EQ(HRESULT_CODE(Send(server.Get(), sink.Get(), 2, {})), ERROR_NOT_CONNECTED);
}

}  // namespace
}  // namespace orvel::econnect
