// The real host with the real plug-in, as an operator meets them: the host loads Morvane from the
// framework's plug-in key, and the test works the result with real input. Without the language
// library beside the plug-in, the user gets the plug-in's box and the host carries on.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "testing/ui_driver.h"
#include "settings/settings_document.h"
#include "settings/settings_node.h"
#include "settings/settings_writer.h"
#include "support/win/handle.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "ui/app/resource_ids.h"

namespace {

using namespace orvel::ui;
using namespace orvel::uidriver;

constexpr wchar_t kView[] = L"Orvel.MorvaneView";
constexpr wchar_t kPlugin[] = L"plugin[Orvel.MorvaneView] ";
constexpr wchar_t kHost[] = L"host[Orvel.MorvaneView] ";
constexpr wchar_t kEngineWindow[] = L"OrvelCorvansetWnd";
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
    options.environment.insert(options.environment.end(), m_environment.begin(), m_environment.end());
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
  std::vector<std::pair<std::wstring, std::wstring>> m_environment;  // more for the host
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
  HWND tree = FindControl(frame, kSettingsTreeControl);
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

TEST_F(MorvaneInHost, TheAboutCommandShowsThePlugInsVersion) {
  Start();
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  m_host->RunCommand(kCommandAbout);
  HWND about = WaitDialogWithControl(m_host->ProcessId(), 10218);
  ASSERT_NE(about, nullptr);
  std::wstring version = WindowText(FindControl(about, 10218));
  std::wstring prefix = LoadLibraryString(Folder() + L"\\Quillet.dll", 101) + L" ";
  EXPECT_EQ(version.rfind(prefix, 0), 0u);
  EXPECT_NE(version, prefix + L"0.00");  // the plug-in's own version resource was read
  EXPECT_TRUE(CaptureWindow(about, L"morvane_about"));
  EXPECT_TRUE(PressButton(about, IDOK));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(about); }));
  std::optional<DWORD> code = m_host->Close();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
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
  EXPECT_EQ(FindControl(m_host->Frame(), kSettingsTreeControl), nullptr);
  EXPECT_TRUE(CaptureWindow(m_host->Frame(), L"morvane_host_without_language"));
  std::optional<DWORD> code = m_host->Close();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
  EXPECT_EQ(Regsvr32(Folder() + L"\\Morvane.dll"), 0u);
}

// --- the main view's file commands

namespace fs = std::filesystem;

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
    m_testdata = fs::path(WindowsPath(std::string(sourceDir.begin(), sourceDir.end()))) / L"settings" /
                 L"tests" / L"testdata";
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
    // Typed once the name field has the focus; the name it may hold already is replaced.
    HWND field = nullptr;
    WaitUntil(Wait::Window, [&] {
      field = FocusOf(dialog);
      return field && ::IsChild(dialog, field) && ClassName(field) == L"Edit";
    });
    if (!field) return ::testing::AssertionFailure() << "the file name field never gets the focus";
    PressKey(VK_END);
    PressKeys({VK_SHIFT, VK_HOME});
    TypeText(path.wstring());
    if (!WaitUntil(Wait::Text, [&] { return WindowText(field) == path.wstring(); }))
      return ::testing::AssertionFailure() << "the file name field shows " << Utf8(WindowText(field));
    PressKey(VK_RETURN);
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
      EXPECT_TRUE(AnswerMessageBox(m_host->ProcessId(), Text(kSaveChangesQuestionText), *button));
    }
    std::optional<DWORD> code = m_host->WaitExit();
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 0u);
  }

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
  EXPECT_EQ(box->text.rfind(Text(kOpenFailedText) + L"\r\n", 0), 0u) << Utf8(box->text);
  EXPECT_TRUE(PressButton(box->window, IDOK));
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  // Untitled: saving asks for a name.
  m_host->RunCommand(kSaveCommand);
  HWND saveAs = WaitDialog(m_host->ProcessId(), Text(kSaveAsTitleText));
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

  m_host->RunCommand(kOpenCommand);
  ASSERT_TRUE(ChooseFile(L"Open", broken));
  EXPECT_TRUE(AnswerMessageBox(m_host->ProcessId(), Text(kNotSettingsFileText), IDOK));

  m_host->RunCommand(kOpenCommand);
  ASSERT_TRUE(ChooseFile(L"Open", good));
  // A good file opens without a word; saving it again writes the same file.
  m_host->RunCommand(kSaveCommand);
  EXPECT_TRUE(m_host->ExpectLog(std::wstring(kPlugin) + L"ExecuteCommand(29051)"));

  // Save As cancelled: nothing happens.
  m_host->RunCommand(kSaveAsCommand);
  HWND dialog = WaitDialog(m_host->ProcessId(), Text(kSaveAsTitleText));
  ASSERT_NE(dialog, nullptr);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }));
  EXPECT_FALSE(FindMessageBox(m_host->ProcessId()));

  // Save As over a file that cannot be written (this test holds it open, sharing nothing): the user
  // is told, and the old file stays.
  orvel::win::UniqueFile hold(
      ::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_NE(hold.get(), INVALID_HANDLE_VALUE);
  m_host->RunCommand(kSaveAsCommand);
  ASSERT_TRUE(ChooseFile(Text(kSaveAsTitleText), locked, false));
  // The dialog's own question about replacing the file comes first.
  std::optional<MessageBoxInfo> replace = WaitMessageBox(m_host->ProcessId());
  ASSERT_TRUE(replace);
  ASSERT_NE(FindControl(replace->window, IDYES), nullptr) << Utf8(replace->text);
  EXPECT_TRUE(PressButton(replace->window, IDYES));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(replace->window); }));
  replace = WaitMessageBox(m_host->ProcessId());
  ASSERT_TRUE(replace);
  EXPECT_EQ(replace->text.rfind(Text(kSaveFailedText), 0), 0u) << Utf8(replace->text);
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
  EXPECT_TRUE(AnswerMessageBox(m_host->ProcessId(), Text(kSettingsCorrectedText), IDOK));
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));

  // New asks first, with Cancel: cancelled, the document stays.
  m_host->RunCommand(kNewCommand);
  std::optional<MessageBoxInfo> box = WaitMessageBox(m_host->ProcessId());
  ASSERT_TRUE(box);
  EXPECT_NE(FindControl(box->window, IDCANCEL), nullptr);
  EXPECT_TRUE(AnswerMessageBox(m_host->ProcessId(), Text(kSaveChangesQuestionText), IDCANCEL));
  EXPECT_EQ(Bytes(repaired), before);

  // Closing asks Yes or No; Yes writes the corrections into the file.
  CloseAnswering(IDYES);
  EXPECT_NE(Bytes(repaired), before);
  EXPECT_EQ(LastFile(), repaired.wstring());
}

// A settings text written as the product's files are: UTF-16 with its byte-order mark.
void WriteSettingsFile(const fs::path& path, const char* text) {
  std::ofstream out(path, std::ios::binary);
  out << "\xff\xfe";
  for (const char* c = text; *c; ++c) out.put(*c).put('\0');
}

TEST_F(MorvaneFiles, SendChecksTheMarkedSettingsAndOtherTransferModesOnlyTellTheUser) {
  // A mailbox to be created without its user name: valid while the file is opened, refused before
  // a send.
  fs::path mailbox = m_folder / L"mailbox.xml";
  WriteSettingsFile(mailbox,
                    "<?xml version=\"1.0\"?><Settings><EMailSettings><Mailbox op=\"create\">"
                    "<MailboxName op=\"create\">Work</MailboxName><Username op=\"create\"></Username>"
                    "</Mailbox></EMailSettings></Settings>");
  fs::path office = m_folder / L"office.xml";
  WriteSettingsFile(
      office,
      "<?xml version=\"1.0\"?><Settings><IAPSettings><IAPConnection op=\"create\">"
      "<ConnectionName op=\"create\">Office</ConnectionName>"
      "<PhoneNumber op=\"create\">5550100</PhoneNumber></IAPConnection></IAPSettings></Settings>");
  StartWith(mailbox.wstring());
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  m_host->RunCommand(29053);
  std::optional<MessageBoxInfo> box = WaitMessageBox(m_host->ProcessId());
  ASSERT_TRUE(box);
  // The whole text: the failing setting's name (the mailbox's user name, 178) and its empty value.
  std::wstring refused = Text(kRefusedSettingText);
  for (const std::wstring& part : {Text(178), std::wstring()}) {
    const size_t at = refused.find(L"%s");
    ASSERT_NE(at, std::wstring::npos);
    refused.replace(at, 2, part);
  }
  EXPECT_EQ(box->text, refused) << Utf8(box->text);
  EXPECT_TRUE(PressButton(box->window, IDOK));

  // A valid document in transfer mode 2: the notice, and nothing is sent.
  m_host->RunCommand(kOpenCommand);
  ASSERT_TRUE(ChooseFile(L"Open", office));
  m_host->RunCommand(10282);
  m_host->RunCommand(29053);
  HWND notice = WaitDialog(m_host->ProcessId(), L"Send Settings");
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(CaptureWindow(notice, L"morvane_notice"));
  EXPECT_TRUE(PressButton(notice, IDOK));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(notice); }));
  CloseAnswering(std::nullopt);
}

// --- the settings tree worked with real input, then saved

constexpr char kTreeFixture[] =
    "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Settings>\r\n<IAPSettings>\r\n"
    "<IAPConnection><ConnectionName>Office</ConnectionName><PhoneNumber>5550100</PhoneNumber>"
    "<PromptPassword>No</PromptPassword><Username>me</Username>"
    "<Proxies><HTTPUseProxy>Yes</HTTPUseProxy><HTTPProxyServer>proxy.example</HTTPProxyServer>"
    "<HTTPPortNumber>8080</HTTPPortNumber></Proxies>"
    "<AddressOptions><RetrieveIP>No</RetrieveIP><IPAddress>10.0.0.1</IPAddress></AddressOptions>"
    "</IAPConnection>\r\n"
    "<IAPConnection><ConnectionName>Spare1</ConnectionName></IAPConnection>\r\n"
    "<IAPConnection><ConnectionName>Spare2</ConnectionName></IAPConnection>\r\n"
    "<IAPConnection><ConnectionName>Spare3</ConnectionName></IAPConnection>\r\n"
    "</IAPSettings>\r\n</Settings>\r\n";

// The file as the settings library saves it with a fixed password key: two files that hold the
// same settings compare equal although each save scrambles its passwords afresh.
std::string Canonical(const fs::path& path, const fs::path& scratch) {
  orvel::CSettingsDocument document;
  document.Reset();
  bool parseFailed = false;
  if (!document.LoadFile(orvel::win::FromWide(path.wstring()), parseFailed)) return "unreadable";
  orvel::SetPasswordSeed(1);
  bool saved = document.SaveFile(orvel::win::FromWide(scratch.wstring()));
  orvel::SetPasswordSeed(std::nullopt);
  return saved ? Bytes(scratch) : "unsaved";
}

class MorvaneTree : public MorvaneFiles {
 protected:
  // The item of the path, its ancestors expanded on the way (a plain click and Enter on each).
  HTREEITEM Item(std::initializer_list<std::wstring_view> path) {
    std::vector<std::wstring_view> parts(path);
    HTREEITEM item = nullptr;
    for (size_t depth = 1; depth <= parts.size(); ++depth) {
      auto prefix = std::vector<std::wstring_view>(parts.begin(), parts.begin() + depth);
      WaitUntil(Wait::Text, [&] { return (item = Find(prefix)) != nullptr; });
      if (!item) return nullptr;
      if (depth < parts.size() && !(TreeView_GetItemState(m_tree, item, TVIS_EXPANDED) & TVIS_EXPANDED)) {
        ClickRow(item);
        PressKey(VK_RETURN);
      }
    }
    return item;
  }
  HTREEITEM Find(const std::vector<std::wstring_view>& path) { return FindTreeItem(m_tree, path); }
  POINT RowPoint(HTREEITEM item, bool stateIcon) {
    std::optional<RECT> row = TreeItemRect(m_tree, item);
    EXPECT_TRUE(row);
    if (!row) return {};
    int level = 0;
    for (HTREEITEM up = TreeView_GetParent(m_tree, item); up; up = TreeView_GetParent(m_tree, up)) ++level;
    int indent = static_cast<int>(TreeView_GetIndent(m_tree));
    int y = (row->top + row->bottom) / 2;
    return stateIcon ? POINT{(level + 1) * indent + indent / 2, y} : POINT{(row->left + row->right) / 2, y};
  }
  // A click on the row, with the keys held until the click has moved the caret there. The frame
  // comes to the front first: gaining the focus takes the keyboard's state afresh from the display,
  // which would drop keys pressed before it.
  void ClickRow(HTREEITEM item, std::initializer_list<WORD> held = {}) {
    POINT at = RowPoint(item, false);
    EXPECT_TRUE(BringToFront(m_host->Frame()));
    for (WORD key : held) SendKey(key, false);
    EXPECT_TRUE(ClickAt(m_tree, at));
    EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return TreeView_GetSelection(m_tree) == item; }));
    for (WORD key : held) SendKey(key, true);
  }
  HWND Focus() const { return FocusOf(m_tree); }
  // Waits until the tree has the focus again (an editor or dialog has gone).
  bool TreeFocused() {
    return WaitUntil(Wait::Text, [&] { return Focus() == m_tree; });
  }
  HWND Editor() {
    HWND found = nullptr;
    WaitUntil(Wait::Text, [&] {
      HWND focus = Focus();
      found = focus && focus != m_tree && ::IsChild(m_tree, focus) ? focus : nullptr;
      return found != nullptr;
    });
    return found;
  }

  HWND m_tree = nullptr;
};

TEST_F(MorvaneTree, EditsMadeWithRealInputAreSavedAndNothingElse) {
  fs::path file = m_folder / L"tree.xml";
  WriteSettingsFile(file, kTreeFixture);
  StartWith(file.wstring());
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  m_tree = FindControl(m_host->Frame(), kSettingsTreeControl);
  ASSERT_NE(m_tree, nullptr);
  const std::wstring iap = Text(279), office = L"Office";

  // A click on the state icon marks the user name to be created.
  HTREEITEM user = Item({iap, office, Text(276)});
  ASSERT_NE(user, nullptr);
  EXPECT_TRUE(ClickAt(m_tree, RowPoint(user, true)));
  // Space on the phone number does the same.
  HTREEITEM phone = Item({iap, office, Text(262)});
  ASSERT_NE(phone, nullptr);
  ClickRow(phone);
  PressKey(VK_SPACE);

  // A digit on the port opens the number editor with it.
  HTREEITEM port = Item({iap, office, Text(449), Text(451)});
  ASSERT_NE(port, nullptr);
  ClickRow(port);
  TypeText(L"9");
  ASSERT_NE(Editor(), nullptr);
  TypeText(L"090\n");
  EXPECT_TRUE(TreeFocused());

  // F2 and Enter store; F2 and Esc leave the old value.
  ClickRow(user);
  PressKey(VK_F2);
  ASSERT_NE(Editor(), nullptr);
  TypeText(L"operator\n");
  EXPECT_TRUE(TreeFocused());
  ClickRow(phone);
  PressKey(VK_F2);
  ASSERT_NE(Editor(), nullptr);
  TypeText(L"123");
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(TreeFocused());

  // The IP address typed field by field, with a 255 in it.
  HTREEITEM ip = Item({iap, office, Text(224), Text(227)});
  ASSERT_NE(ip, nullptr);
  ClickRow(ip);
  PressKey(VK_F2);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_TRUE(CaptureWindow(m_host->Frame(), L"morvane_tree_ip_editor"));
  TypeText(L"192.168.255.7\n");
  EXPECT_TRUE(TreeFocused());

  // A password, confirmed.
  HTREEITEM password = Item({iap, office, Text(261)});
  ASSERT_NE(password, nullptr);
  ClickRow(password);
  PressKey(VK_F2);
  ASSERT_NE(Editor(), nullptr);
  TypeText(L"secret\n");
  HWND confirm = WaitDialogWithControl(m_host->ProcessId(), 10153);
  ASSERT_NE(confirm, nullptr);
  ASSERT_TRUE(WaitUntil(Wait::Window, [&] { return FocusOf(confirm) == FindControl(confirm, 10153); }));
  TypeText(L"secret\n");
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(confirm); }));
  EXPECT_TRUE(TreeFocused());

  // Marks: Spare1 to Spare3 by Shift, Spare2 unmarked by Ctrl; Delete takes the two marked entries.
  // Office folded, so that the other entries are in sight.
  HTREEITEM officeItem = Item({iap, office});
  ASSERT_NE(officeItem, nullptr);
  ClickRow(officeItem);
  PressKey(VK_RETURN);
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] {
    return !(TreeView_GetItemState(m_tree, officeItem, TVIS_EXPANDED) & TVIS_EXPANDED);
  }));
  HTREEITEM spare1 = Item({iap, L"Spare1"}), spare2 = Item({iap, L"Spare2"}), spare3 = Item({iap, L"Spare3"});
  ASSERT_TRUE(spare1 && spare2 && spare3);
  ClickRow(spare1);
  ClickRow(spare3, {VK_SHIFT});
  ClickRow(spare2, {VK_CONTROL});
  EXPECT_TRUE(CaptureWindow(m_host->Frame(), L"morvane_tree_marks"));
  m_host->RunCommand(kHostDeleteCommand);
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return !Find({iap, L"Spare3"}); }));
  EXPECT_FALSE(Find({iap, L"Spare1"}));
  EXPECT_TRUE(Find({iap, L"Spare2"}));

  m_host->RunCommand(kSaveCommand);
  EXPECT_TRUE(m_host->ExpectLog(std::wstring(kPlugin) + L"ExecuteCommand(29051)"));
  CloseAnswering(std::nullopt);

  // The golden is the fixture as the library saves it with exactly these changes: Office's user name
  // "operator", its phone number, port 9090, address 192.168.255.7 and password "secret" marked for
  // creation with their groups, Spare1 and Spare3 gone (the default access point, which named
  // Spare3, names the remaining Spare2).
  fs::path golden = m_testdata.parent_path().parent_path().parent_path() / L"ui" / L"tests" / L"testdata" /
                    L"tree_edits_golden.xml";
  std::string saved = Canonical(file, m_folder / L"canonical.xml");
  EXPECT_TRUE(saved == Bytes(golden))
      << "compare " << Utf8((m_folder / L"canonical.xml").wstring()) << " with " << Utf8(golden.wstring());
}

// A WAP bookmark added in the list dialog that F2 opens on the tree's WAP bookmark list reaches the
// saved file with the first connection and the list marked for creation.
TEST_F(MorvaneTree, AWapBookmarkAddedInItsListDialogIsSaved) {
  fs::path file = m_folder / L"bookmarks.xml";
  WriteSettingsFile(file,
                    "<?xml version=\"1.0\"?><Settings><WAPSettings>"
                    "<WAPConnection><ConnectionName>Portal</ConnectionName></WAPConnection>"
                    "</WAPSettings><PersonalData><WAPBookmarks></WAPBookmarks></PersonalData></Settings>");
  StartWith(file.wstring());
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  m_tree = FindControl(m_host->Frame(), kSettingsTreeControl);
  ASSERT_NE(m_tree, nullptr);
  HTREEITEM list = Item({Text(460), Text(390)});
  ASSERT_NE(list, nullptr);
  ClickRow(list);
  PressKey(VK_F2);
  HWND dialog = WaitDialogWithControl(m_host->ProcessId(), 10161);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(dialog), Text(kWapBookmarksCaptionText));
  ASSERT_TRUE(PressButton(dialog, 10139));
  HWND entry = WaitDialogWithControl(m_host->ProcessId(), 10192);
  ASSERT_NE(entry, nullptr);
  for (auto [id, text] : {std::pair<int, std::wstring>{10192, L"Work"}, {10195, L"http://w.example/"}}) {
    HWND edit = FindControl(entry, id);
    ASSERT_TRUE(Click(edit));
    ASSERT_TRUE(WaitUntil(Wait::Window, [&] { return FocusOf(entry) == edit; }));
    TypeText(text);
    ASSERT_TRUE(WaitUntil(Wait::Text, [&] { return WindowText(edit) == text; }));
  }
  ASSERT_TRUE(PressButton(entry, IDOK));
  ASSERT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(entry); }));
  EXPECT_EQ(ListViewTexts(FindControl(dialog, 10161)), (std::vector<std::wstring>{L"Work"}));
  EXPECT_TRUE(CaptureWindow(dialog, L"morvane_wap_bookmarks"));
  ASSERT_TRUE(PressButton(dialog, IDOK));
  ASSERT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }));
  m_host->RunCommand(kSaveCommand);
  EXPECT_TRUE(m_host->ExpectLog(std::wstring(kPlugin) + L"ExecuteCommand(29051)"));
  CloseAnswering(std::nullopt);

  orvel::CSettingsDocument saved;
  saved.Reset();
  bool parseFailed = false;
  ASSERT_TRUE(saved.LoadFile(orvel::win::FromWide(file.wstring()), parseFailed));
  const orvel::CSettingsNode* bookmarks = saved.GetRoot()->FindChildOfType(92)->FindChildOfType(102);
  ASSERT_EQ(bookmarks->GetChildCount(), 1u);
  const orvel::CSettingsNode* bookmark = bookmarks->GetChild(0);
  EXPECT_EQ(orvel::ChildValue(bookmark, 104), u"Work");
  EXPECT_EQ(orvel::ChildValue(bookmark, 105), u"http://w.example/");
  EXPECT_EQ(orvel::ChildValue(bookmark, 106), u"Portal");
  EXPECT_TRUE(bookmarks->IsCreated());
  EXPECT_TRUE(bookmark->IsCreated());
}

// A file as the plug-in saves it after an access point was added: the entry and its name created, no
// mailbox and no WAP connection. The placeholders the reader adds for those have connection fields
// that name no connection until they are shown; shown later (here the new mailbox's, revealed and
// painted), the repair must not count as a change: closing asks nothing.
TEST_F(MorvaneTree, AFileWithACreatedAccessPointIsUnchangedWhenJustOpenedAndLookedAt) {
  fs::path file = m_folder / L"added.xml";
  {
    orvel::CSettingsDocument document;
    orvel::CSettingsNode* root = document.Reset();
    orvel::CSettingsNode* points = root->FindChildOfType(2);
    orvel::CSettingsNode* entry = points->FindChildOfType(4);
    ASSERT_TRUE(entry->FindChildOfType(6)->SetDisplayValue(u"Office"));
    ASSERT_EQ(entry->GetType(), 5u);
    entry->FindChildOfType(6)->SetCreated(true, true);
    entry->SetCreated(true, true);
    points->SetCreated(true, true);
    ASSERT_TRUE(document.SaveFile(orvel::win::FromWide(file.wstring())));
  }
  StartWith(file.wstring());
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  m_tree = FindControl(m_host->Frame(), kSettingsTreeControl);
  ASSERT_NE(m_tree, nullptr);
  ASSERT_NE(Item({Text(140), Text(205), Text(173)}), nullptr);
  EXPECT_TRUE(CaptureWindow(m_host->Frame(), L"morvane_opened_file"));
  ::PostMessageW(m_host->Frame(), WM_CLOSE, 0, 0);
  std::optional<DWORD> code = m_host->WaitExit();
  if (!code) {
    // Asked all the same: the question is answered so that the host ends.
    std::optional<MessageBoxInfo> box = FindMessageBox(m_host->ProcessId());
    ADD_FAILURE() << "closing asks: " << (box ? Utf8(box->text) : std::string("(no box)"));
    if (box) PressButton(box->window, IDNO);
    code = m_host->WaitExit();
  }
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
  EXPECT_EQ(LastFile(), file.wstring());
}

TEST_F(MorvaneTree, ClosingAChangedUntitledDocumentGoesOnWhenItsSaveAsIsCancelled) {
  Start();
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  m_tree = FindControl(m_host->Frame(), kSettingsTreeControl);
  ASSERT_NE(m_tree, nullptr);
  HTREEITEM field = Item({Text(460), Text(385)});
  ASSERT_NE(field, nullptr);
  EXPECT_TRUE(ClickAt(m_tree, RowPoint(field, true)));
  // The change shows as the send command's state.
  HWND toolbar = FindControl(m_host->Frame(), kToolbarId);
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return ToolbarButtonEnabled(toolbar, 29053); }));
  ::PostMessageW(m_host->Frame(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(AnswerMessageBox(m_host->ProcessId(), Text(kSaveChangesQuestionText), IDYES));
  HWND saveAs = WaitDialog(m_host->ProcessId(), Text(kSaveAsTitleText));
  ASSERT_NE(saveAs, nullptr);
  ASSERT_TRUE(BringToFront(saveAs));
  PressKey(VK_ESCAPE);
  std::optional<DWORD> code = m_host->WaitExit();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
  EXPECT_EQ(LastFile(), L"");
}

// The host closed while a dialog of the view is up, the dialog reached in each of the ways a view
// runs one: a key that the tree turns into a command (its window procedure is on the stack), the
// first activation's error box, the host's About command and a dialog of the tree. The host ends
// cleanly, and the plug-in's trace shows the main view deleted exactly once.
class MorvaneClosing : public MorvaneTree {
 protected:
  void SetUp() override {
    MorvaneTree::SetUp();
    m_trace = m_folder / L"trace.log";
    m_environment = {{L"ORVEL_TRACE", m_trace.wstring()}};
  }
  HWND WaitAnyDialog() {
    HWND found = nullptr;
    WaitUntil(Wait::Window, [&] {
      for (HWND window : TopLevelWindows(m_host->ProcessId(), L"#32770")) {
        if (::IsWindowVisible(window)) found = window;
      }
      return found != nullptr;
    });
    return found;
  }
  // Closes the host with the dialog up; a question that the close asks is answered No (or OK).
  void CloseWhileUp(const char* what) {
    HWND dialog = WaitAnyDialog();
    ASSERT_NE(dialog, nullptr) << what;
    EXPECT_TRUE(CaptureWindow(m_host->Frame(),
                              L"morvane_close_with_" + std::wstring(what, what + std::strlen(what))));
    ::PostMessageW(m_host->Frame(), WM_CLOSE, 0, 0);
    for (int round = 0; round < 10 && m_host->IsRunning(); ++round) {
      std::optional<MessageBoxInfo> box;
      WaitUntil(Wait::Window,
                [&] { return !m_host->IsRunning() || (box = FindMessageBox(m_host->ProcessId())); });
      if (box) PressButton(box->window, FindControl(box->window, IDNO) ? IDNO : IDOK);
    }
    std::optional<DWORD> code = m_host->WaitExit();
    ASSERT_TRUE(code) << what;
    EXPECT_EQ(*code, 0u) << what;
    std::ifstream in(m_trace);
    std::vector<std::string> deleted;
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("main view deleted", 0) == 0) deleted.push_back(line);
    }
    std::printf("%s: the main view was deleted %zu time(s)\n", what, deleted.size());
    EXPECT_EQ(deleted.size(), 1u) << what;
  }
  // A changed document (a field marked for creation), the tree focused.
  void ChangeTheDocument() {
    HTREEITEM field = Item({Text(460), Text(385)});
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(ClickAt(m_tree, RowPoint(field, true)));
    HWND toolbar = FindControl(m_host->Frame(), kToolbarId);
    EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return ToolbarButtonEnabled(toolbar, 29053); }));
    ClickRow(field);
  }
  void StartTheTree() {
    Start();
    ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
    m_tree = FindControl(m_host->Frame(), kSettingsTreeControl);
    ASSERT_NE(m_tree, nullptr);
  }

  fs::path m_trace;
};

TEST_F(MorvaneClosing, WhileTheDialogOfATreeKeyIsUp) {
  struct Case {
    const char* name;
    std::initializer_list<WORD> keys;
    bool changed;
  };
  // F5 sends (in transfer mode 2 only the notice shows), Ctrl+N asks to save the changed document,
  // Ctrl+P opens the print dialog.
  const Case cases[] = {
      {"f5", {VK_F5}, true}, {"ctrl_n", {VK_CONTROL, 'N'}, true}, {"ctrl_p", {VK_CONTROL, 'P'}, false}};
  for (const Case& c : cases) {
    fs::remove(m_trace);
    StartTheTree();
    m_host->RunCommand(10282);
    if (c.changed) {
      ChangeTheDocument();
    } else {
      HTREEITEM group = Item({Text(460)});
      ASSERT_NE(group, nullptr);
      ClickRow(group);
    }
    PressKeys(c.keys);
    CloseWhileUp(c.name);
  }
}

TEST_F(MorvaneClosing, WhileTheFirstActivationsErrorBoxIsUp) {
  StartWith((m_folder / L"missing.xml").wstring());
  CloseWhileUp("open_error");
}

TEST_F(MorvaneClosing, WhileAboutIsUp) {
  StartTheTree();
  m_host->RunCommand(kCommandAbout);
  CloseWhileUp("about");
}

TEST_F(MorvaneClosing, WhileADialogOfTheTreeIsUp) {
  StartTheTree();
  HTREEITEM list = Item({Text(460), Text(390)});
  ASSERT_NE(list, nullptr);
  ClickRow(list);
  PressKey(VK_F2);
  CloseWhileUp("tree_dialog");
}

}  // namespace
