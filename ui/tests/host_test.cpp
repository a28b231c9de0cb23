// The real host with the real plug-in, as an operator meets them: the host loads Morvane from the
// framework's plug-in key, and the test works the result with real input. Without the language
// library beside the plug-in, the user gets the plug-in's box and the host carries on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "outside/fenwarp/driver/ui_driver.h"
#include "support/win/handle.h"
#include "support/win/registry.h"

namespace {

using namespace orvel::uidriver;

constexpr wchar_t kView[] = L"Orvel.MorvaneView";
constexpr wchar_t kPlugin[] = L"plugin[Orvel.MorvaneView] ";
constexpr wchar_t kHost[] = L"host[Orvel.MorvaneView] ";
constexpr wchar_t kEngineWindow[] = L"OrvelCorvansetWnd";
constexpr int kTreeControl = 10150;
constexpr wchar_t kNoLanguageText[] = L"Cannot load language DLL.\r\nYou need to reinstall the application.";

std::wstring Folder() {
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  return folder;
}

DWORD Regsvr32(const std::wstring& module) {
  return RunProgram(L"regsvr32.exe /s \"" + module + L"\"").value_or(~0u);
}

// The calls into the plug-in, by method name, in the order of the log.
std::vector<std::wstring> CallsIntoThePlugIn(const std::vector<std::wstring>& lines) {
  std::vector<std::wstring> calls;
  for (const std::wstring& line : lines) {
    if (line.rfind(kPlugin, 0) != 0) continue;
    std::wstring rest = line.substr(std::wcslen(kPlugin));
    calls.push_back(rest.substr(0, rest.find_first_of(L"( ")));
  }
  return calls;
}

class MorvaneInHost : public ::testing::Test {
 protected:
  // No file of an earlier run is opened.
  void SetUp() override {
    orvel::win::DeleteRegValue(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"RequestFile");
    orvel::win::DeleteRegValue(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"LastFile");
  }
  void Start() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info->name();
    HostOptions options;
    options.program = WindowsPath(FENWARP_EXE);
    options.plugins = {kView};
    options.logPath = Folder() + L"\\" + std::wstring(name.begin(), name.end()) + L".log";
    // The engine that the plug-in starts early goes again soon after the host has gone.
    options.environment = {{L"ORVEL_LIMITS", L"Vantrel.IdleShutdown=3000"}};
    options.file = m_file;
    m_host = std::make_unique<CHostProcess>();
    ASSERT_TRUE(m_host->Start(options));
  }
  // Starts the host with a file that the engine asked to open, or with none.
  void StartWith(const std::wstring& file) {
    m_file = file;
    Start();
  }
  void TearDown() override {
    // Nothing of the engine is left for the tests that come after.
    EXPECT_TRUE(WaitUntil(Wait::HostExit, [] { return !::FindWindowW(nullptr, kEngineWindow); }));
  }

  std::unique_ptr<CHostProcess> m_host;
  std::wstring m_file;
};

TEST_F(MorvaneInHost, LoadsThePlugInInItsOrderAndClosesItCleanly) {
  Start();
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  // The start-up thread has started the engine early (it stays a few seconds with no client).
  EXPECT_TRUE(WaitUntil(Wait::Window, [] { return ::FindWindowW(nullptr, kEngineWindow) != nullptr; }));
  ASSERT_TRUE(m_host->ExpectLog(std::wstring(kPlugin) + L"Initialize(0, 0) -> 0x00000000 flags 1 1 1"));
  // The host's order: create, SetHost, Initialize, CreateViewWindow, Activate (its other questions
  // in between).
  std::vector<std::wstring> order;
  for (const std::wstring& call : CallsIntoThePlugIn(m_host->LogLines())) {
    for (const wchar_t* step : {L"create", L"SetHost", L"Initialize", L"CreateViewWindow", L"Activate"})
      if (call == step && (order.empty() || order.back() != call)) order.push_back(call);
  }
  ASSERT_GE(order.size(), 5u);
  EXPECT_EQ(
      std::vector<std::wstring>(order.begin(), order.begin() + 5),
      (std::vector<std::wstring>{L"create", L"SetHost", L"Initialize", L"CreateViewWindow", L"Activate"}));
  // The toolbar of the first activation, built through the host.
  for (const wchar_t* call : {L"BeginToolbar()", L"AddToolbarBitmap(", L"EndToolbar(", L"ActivateToolbar("})
    EXPECT_FALSE(m_host->LogLinesWith(std::wstring(kHost) + call).empty()) << call;
  EXPECT_TRUE(m_host->ExpectLog(L"\"Orvel Corvanset\""));
  EXPECT_EQ(m_host->LogLinesWith(std::wstring(kHost) + L"AddToolbarButton(").size(), 5u);

  HWND frame = m_host->Frame();
  HWND toolbar = FindControl(frame, kToolbarId);
  ASSERT_NE(toolbar, nullptr);
  for (int command : {29050, 29052, 29051, 29053, 29054})
    EXPECT_TRUE(ToolbarHasButton(toolbar, command)) << command;
  EXPECT_TRUE(
      WaitUntil(Wait::Window, [&] { return !ToolbarButtonEnabled(toolbar, 29053); }));  // no settings yet
  EXPECT_TRUE(ToolbarButtonEnabled(toolbar, 29050));
  HWND tree = FindControl(frame, kTreeControl);
  ASSERT_NE(tree, nullptr);
  EXPECT_TRUE(::IsWindowVisible(tree));
  EXPECT_TRUE(CaptureWindow(frame, L"morvane_host_empty_view"));

  // A click on New reaches the plug-in through the host.
  EXPECT_TRUE(ClickToolbarButton(toolbar, 29050));
  EXPECT_TRUE(m_host->ExpectLog(std::wstring(kPlugin) + L"ExecuteCommand(29050)"));

  std::optional<DWORD> code = m_host->Close();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
  size_t close = 0;
  ASSERT_TRUE(m_host->ExpectLog(std::wstring(kPlugin) + L"QueryClose(1)", 0, &close));
  ASSERT_TRUE(m_host->ExpectLog(std::wstring(kPlugin) + L"OnClose()", close + 1, &close));
  ASSERT_TRUE(m_host->ExpectLog(std::wstring(kPlugin) + L"Release()", close + 1));
  // The plug-in let go of the host object it had kept.
  EXPECT_TRUE(m_host->ExpectLog(std::wstring(kHost) + L"host object released, 0 references left"));
}

TEST_F(MorvaneInHost, WithoutTheLanguageLibraryTheUserIsToldAndTheHostCarriesOn) {
  // A copy of the plug-in in a folder without Quillet.dll, registered in its place for this test.
  std::wstring lonely = Folder() + L"\\without_language\\Morvane.dll";
  ASSERT_EQ(Regsvr32(lonely), 0u);
  Start();
  std::wstring quillet = Folder() + L"\\Quillet.dll";
  std::optional<MessageBoxInfo> box = WaitMessageBox(m_host->ProcessId());
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, L"Orvel Corvanset");
  EXPECT_TRUE(AnswerMessageBox(m_host->ProcessId(), kNoLanguageText, IDOK));
  EXPECT_TRUE(m_host->ExpectLog(std::wstring(kPlugin) + L"Initialize(0, 0) -> 0x00000001 flags 2 0 0"));
  EXPECT_TRUE(m_host->ExpectLog(L"host ready"));
  EXPECT_TRUE(m_host->LogLinesWith(std::wstring(kPlugin) + L"CreateViewWindow").empty());
  EXPECT_EQ(FindControl(m_host->Frame(), kTreeControl), nullptr);
  EXPECT_TRUE(CaptureWindow(m_host->Frame(), L"morvane_host_without_language"));
  std::optional<DWORD> code = m_host->Close();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
  EXPECT_EQ(Regsvr32(Folder() + L"\\Morvane.dll"), 0u);
}

// --- the main view's file commands

namespace fs = std::filesystem;

constexpr UINT kNew = 29050;
constexpr UINT kOpen = 29052;
constexpr UINT kSave = 29051;
constexpr UINT kSaveAs = 31022;

std::wstring Text(UINT id) { return LoadLibraryString(Folder() + L"\\Quillet.dll", id); }

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder of this test with copies of the settings library's fixtures.
class MorvaneFiles : public MorvaneInHost {
 protected:
  void SetUp() override {
    MorvaneInHost::SetUp();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_folder = fs::path(Folder()) / L"files" / info->name();
    if (fs::exists(m_folder)) {
      for (const auto& entry : fs::directory_iterator(m_folder))
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    wchar_t source[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"ORVEL_SOURCE_DIR", source, MAX_PATH);
    std::wstring sourceDir(source);
    m_testdata =
        fs::path(WindowsPath(std::string(sourceDir.begin(), sourceDir.end()))) / L"settings" / L"testdata";
  }
  fs::path Fixture(const wchar_t* name, const wchar_t* as) {
    fs::path to = m_folder / as;
    fs::copy_file(m_testdata / name, to, fs::copy_options::overwrite_existing);
    return to;
  }
  static std::optional<std::wstring> LastFile() {
    return orvel::win::ReadRegString(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"LastFile");
  }
  // The open or save dialog of the plug-in: the file name is typed where the focus starts.
  ::testing::AssertionResult ChooseFile(std::wstring_view title, const fs::path& path, bool closes = true) {
    HWND dialog = WaitDialog(m_host->ProcessId(), title);
    if (!dialog) return ::testing::AssertionFailure() << "no dialog " << Utf8(std::wstring(title));
    if (auto front = BringToFront(dialog); !front) return front;
    // The name field may hold a name already: it is replaced.
    PressKey(VK_END);
    PressKeys({VK_SHIFT, VK_HOME});
    TypeText(path.wstring() + L"\n");
    if (closes && !WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }))
      return ::testing::AssertionFailure() << "the file dialog stays";
    return ::testing::AssertionSuccess();
  }
  // Closes the host, answering the save question (when one is asked) with the button.
  void CloseAnswering(std::optional<int> button) {
    ::PostMessageW(m_host->Frame(), WM_CLOSE, 0, 0);
    if (button) {
      std::optional<MessageBoxInfo> box = WaitMessageBox(m_host->ProcessId());
      ASSERT_TRUE(box);
      // Closing asks Yes or No only.
      EXPECT_EQ(FindControl(box->window, IDCANCEL), nullptr);
      EXPECT_TRUE(AnswerMessageBox(m_host->ProcessId(), Text(387), *button));
    }
    std::optional<DWORD> code = m_host->WaitExit();
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 0u);
  }
  static std::string Utf8(const std::wstring& text) { return std::string(text.begin(), text.end()); }

  fs::path m_folder;
  fs::path m_testdata;
};

TEST_F(MorvaneFiles, TheRequestedFileIsUsedOnceAndTheLastFileComesBack) {
  fs::path office = Fixture(L"new_document.xml", L"office.xml");
  StartWith(office.wstring());
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  // Used once: the request is gone as soon as the view has taken it.
  EXPECT_TRUE(WaitUntil(Wait::Window, [] {
    return !orvel::win::ReadRegString(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"RequestFile");
  }));
  CloseAnswering(std::nullopt);
  EXPECT_EQ(LastFile(), office.wstring());

  // The next start opens the last file: saving writes it without asking for a name.
  fs::remove(office);
  StartWith(L"");
  // The file is gone: the user is told, and the document is an untitled one.
  std::optional<MessageBoxInfo> box = WaitMessageBox(m_host->ProcessId());
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text.rfind(Text(597) + L"\r\n", 0), 0u) << Utf8(box->text);
  EXPECT_TRUE(PressButton(box->window, IDOK));
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  // Untitled: saving asks for a name.
  m_host->RunCommand(kSave);
  HWND saveAs = WaitDialog(m_host->ProcessId(), Text(61441));
  ASSERT_NE(saveAs, nullptr);
  EXPECT_TRUE(CaptureWindow(saveAs, L"morvane_save_as"));
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(saveAs); }));
  CloseAnswering(std::nullopt);
  // Closing an untitled document leaves no last file.
  EXPECT_EQ(LastFile(), L"");
}

TEST_F(MorvaneFiles, OpenTellsABrokenFileFromAGoodOneAndSaveAsKeepsTheOldFileWhenTheWriteFails) {
  fs::path broken = m_folder / L"notes.xml";
  std::ofstream(broken) << "just some notes";
  fs::path good = Fixture(L"new_document.xml", L"good.xml");
  fs::path locked = Fixture(L"rich.xml", L"locked.xml");
  const std::string lockedBytes = Bytes(locked);
  Start();
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));

  m_host->RunCommand(kOpen);
  ASSERT_TRUE(ChooseFile(L"Open", broken));
  EXPECT_TRUE(AnswerMessageBox(m_host->ProcessId(), Text(598), IDOK));

  m_host->RunCommand(kOpen);
  ASSERT_TRUE(ChooseFile(L"Open", good));
  // A good file opens without a word; saving it again writes the same file.
  m_host->RunCommand(kSave);
  EXPECT_TRUE(m_host->ExpectLog(std::wstring(kPlugin) + L"ExecuteCommand(29051)"));

  // Save As cancelled: nothing happens.
  m_host->RunCommand(kSaveAs);
  HWND dialog = WaitDialog(m_host->ProcessId(), Text(61441));
  ASSERT_NE(dialog, nullptr);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }));
  EXPECT_FALSE(FindMessageBox(m_host->ProcessId()));

  // Save As over a file that cannot be written (this test holds it open, sharing nothing): the user
  // is told, and the old file stays.
  orvel::win::UniqueFile hold(
      ::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_NE(hold.get(), INVALID_HANDLE_VALUE);
  m_host->RunCommand(kSaveAs);
  ASSERT_TRUE(ChooseFile(Text(61441), locked, false));
  // The dialog's own question about replacing the file comes first.
  std::optional<MessageBoxInfo> replace = WaitMessageBox(m_host->ProcessId());
  ASSERT_TRUE(replace);
  ASSERT_NE(FindControl(replace->window, IDYES), nullptr) << Utf8(replace->text);
  EXPECT_TRUE(PressButton(replace->window, IDYES));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(replace->window); }));
  replace = WaitMessageBox(m_host->ProcessId());
  ASSERT_TRUE(replace);
  EXPECT_EQ(replace->text.rfind(Text(599), 0), 0u) << Utf8(replace->text);
  EXPECT_TRUE(PressButton(replace->window, IDOK));
  hold.reset();
  EXPECT_EQ(Bytes(locked), lockedBytes);
  CloseAnswering(std::nullopt);
  // The document stayed the good file.
  EXPECT_EQ(LastFile(), good.wstring());
}

TEST_F(MorvaneFiles, ARepairedFileIsAChangedDocument) {
  fs::path repaired = Fixture(L"validate_repair_fixture.xml", L"repaired.xml");
  const std::string before = Bytes(repaired);
  StartWith(repaired.wstring());
  // The corrections are told while the view opens the file.
  EXPECT_TRUE(AnswerMessageBox(m_host->ProcessId(), Text(600), IDOK));
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));

  // New asks first, with Cancel: cancelled, the document stays.
  m_host->RunCommand(kNew);
  std::optional<MessageBoxInfo> box = WaitMessageBox(m_host->ProcessId());
  ASSERT_TRUE(box);
  EXPECT_NE(FindControl(box->window, IDCANCEL), nullptr);
  EXPECT_TRUE(AnswerMessageBox(m_host->ProcessId(), Text(387), IDCANCEL));
  EXPECT_EQ(Bytes(repaired), before);

  // Closing asks Yes or No; Yes writes the corrections into the file.
  CloseAnswering(IDYES);
  EXPECT_NE(Bytes(repaired), before);
  EXPECT_EQ(LastFile(), repaired.wstring());
}

}  // namespace
