// The Fenwarp stand-in with the test plug-in, driven with real input through the driver.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "testing/ui_driver.h"
#include "support/win/handle.h"
#include "support/win/registry.h"
#include "test_plugin_ids.h"

namespace {

using namespace orvel::uidriver;

constexpr wchar_t kFirst[] = L"FenwarpTest.PlugIn";
constexpr wchar_t kSecond[] = L"FenwarpTest.SecondPlugIn";
using orvel::win::kCorvansetKey;

std::wstring Plugin(const wchar_t* progId) { return L"plugin[" + std::wstring(progId) + L"] "; }
std::wstring Host(const wchar_t* progId) { return L"host[" + std::wstring(progId) + L"] "; }
std::wstring Own(const wchar_t* progId) { return L"test[" + std::wstring(progId) + L"] "; }

std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  return folder;
}

// The method names of the calls into one plug-in, in the order the log has them.
std::vector<std::wstring> CallsInto(const std::vector<std::wstring>& lines, const wchar_t* progId) {
  std::vector<std::wstring> calls;
  std::wstring prefix = Plugin(progId);
  for (const std::wstring& line : lines) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::wstring rest = line.substr(prefix.size());
    calls.push_back(rest.substr(0, rest.find_first_of(L"( ")));
  }
  return calls;
}

class FenwarpHost : public ::testing::Test {
 protected:
  // Starts the host with the named plug-ins, each with its behaviour flags.
  void StartHost(std::vector<std::pair<const wchar_t*, std::wstring>> plugins, std::wstring file = {}) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    m_log = CurrentFolder() + L"\\" + std::wstring(name.begin(), name.end()) + L".log";
    HostOptions options;
    options.program = WindowsPath(FENWARP_EXE);
    options.logPath = m_log;
    options.file = std::move(file);
    options.environment = {
        {L"FENWARP_TEST_PLUGIN_LOG", m_log}, {L"FENWARP_TEST_PLUGIN", L""}, {L"FENWARP_TEST_PLUGIN2", L""}};
    for (const auto& [progId, flags] : plugins) {
      options.plugins.push_back(progId);
      options.environment.push_back(
          {progId == std::wstring(kFirst) ? L"FENWARP_TEST_PLUGIN" : L"FENWARP_TEST_PLUGIN2", flags});
    }
    m_host = std::make_unique<CHostProcess>();
    ASSERT_TRUE(m_host->Start(options));
    ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  }

  // Asserts that each text appears in a later line than the one before; the index of the last.
  size_t ExpectInOrder(const std::vector<std::wstring>& texts, size_t from = 0) {
    for (const std::wstring& text : texts) {
      size_t at = 0;
      EXPECT_TRUE(m_host->ExpectLog(text, from, &at));
      from = at + 1;
    }
    return from;
  }

  void CloseCleanly() {
    std::optional<DWORD> code = m_host->Close();
    ASSERT_TRUE(code) << "the host does not end";
    EXPECT_EQ(*code, 0u);
  }

  HWND Toolbar() const { return FindControl(m_host->Frame(), kToolbarId); }
  HWND ViewBar() const { return FindControl(m_host->Frame(), kViewBarId); }

  std::unique_ptr<CHostProcess> m_host = std::make_unique<CHostProcess>();
  std::wstring m_log;
};

TEST_F(FenwarpHost, CallOrderFromStartToClose) {
  StartHost({{kFirst, L""}});
  std::vector<std::wstring> expected = {L"create",           L"SetHost",          L"Initialize",
                                        L"GetModulePath",    L"GetTitleStringId", L"GetBitmapId",
                                        L"CreateViewWindow", L"Activate"};
  std::vector<std::wstring> calls = CallsInto(m_host->LogLines(), kFirst);
  calls.resize(std::min(calls.size(), expected.size()));
  EXPECT_EQ(calls, expected);
  ExpectInOrder({Plugin(kFirst) + L"Initialize(0, 0) -> 0x00000000 flags 1 1 1",
                 Plugin(kFirst) + L"GetModulePath(0) -> 0x00000000 flags 1 1 path",
                 Plugin(kFirst) + L"GetTitleStringId() -> 0x00000000 id 1",
                 Host(kFirst) + L"BeginToolbar() -> 0x00000000 id 1",
                 Host(kFirst) + L"AddToolbarBitmap(1, 5, 201) -> 0x00000000",
                 Host(kFirst) + L"AddToolbarButton(1, 4, 29054, 4, 0) -> 0x00000000",
                 Host(kFirst) + L"EndToolbar(1) -> 0x00000000",
                 Host(kFirst) + L"ActivateToolbar(1, \"Test View\") -> 0x00000000",
                 Plugin(kFirst) + L"Activate()"});
  EXPECT_EQ(ListViewTexts(ViewBar()), std::vector<std::wstring>{L"Test View"});
  EXPECT_EQ(WindowText(m_host->Frame()), L"Test View - Fenwarp");
  for (int command : {29050, 29052, 29051, 29053, 29054})
    EXPECT_TRUE(ToolbarHasButton(Toolbar(), command)) << command;

  size_t closing = m_host->LogLines().size();
  CloseCleanly();
  ExpectInOrder(
      {Plugin(kFirst) + L"QueryClose(1) -> 0x00000000 answer 1", Plugin(kFirst) + L"OnClose() -> 0x00000000",
       Own(kFirst) + L"destroyed", Plugin(kFirst) + L"Release() -> 0",
       Host(kFirst) + L"host object released, 0 references left", L"host frame destroyed", L"host exit 0"},
      closing);
}

struct RefusalCase {
  const wchar_t* flags;
  const wchar_t* initializeLine;
  bool withSecond;
};
const RefusalCase kRefusals[] = {
    {L"fail-init", L"Initialize(0, 0) -> 0x00000001 flags 2 0 0", true},
    {L"flag2-init", L"Initialize(0, 0) -> 0x00000000 flags 2 0 0", true},
    {L"fail-init", L"Initialize(0, 0) -> 0x00000001 flags 2 0 0", false},
};

TEST_F(FenwarpHost, RefusedInitializeLeavesThePlugInOut) {
  for (const RefusalCase& c : kRefusals) {
    SCOPED_TRACE(::testing::Message() << "second plug-in: " << c.withSecond);
    std::vector<std::pair<const wchar_t*, std::wstring>> plugins = {{kFirst, c.flags}};
    if (c.withSecond) plugins.push_back({kSecond, L""});
    StartHost(plugins);
    ExpectInOrder({Plugin(kFirst) + c.initializeLine, L"host plug-in \"FenwarpTest.PlugIn\" left out",
                   Plugin(kFirst) + L"Release() -> 0",
                   Host(kFirst) + L"host object released, 0 references left"});
    EXPECT_EQ(CallsInto(m_host->LogLines(), kFirst),
              (std::vector<std::wstring>{L"create", L"SetHost", L"Initialize", L"Release"}));
    // The frame goes on: with the second plug-in as its view, or with none.
    m_host->RunCommand(31020);
    if (c.withSecond) {
      EXPECT_EQ(ListViewTexts(ViewBar()), std::vector<std::wstring>{L"Second Test View"});
      EXPECT_TRUE(m_host->ExpectLog(Plugin(kSecond) + L"ExecuteCommand(31020) -> 0x00000000"));
    } else {
      EXPECT_TRUE(ListViewTexts(ViewBar()).empty());
    }
    CloseCleanly();
    EXPECT_TRUE(m_host->LogLinesWith(Plugin(kFirst) + L"QueryClose").empty());
  }
}

TEST_F(FenwarpHost, ShowViewDuringInitializeRunsAfterIt) {
  StartHost({{kFirst, L""}, {kSecond, L"showview-init"}});
  ExpectInOrder({Host(kSecond) + L"IsViewShown(\"FenwarpTest.SecondPlugIn.1\") -> 0x00000000 shown 0",
                 Host(kSecond) + L"ShowView(\"FenwarpTest.SecondPlugIn.1\") -> 0x00000000 deferred",
                 Plugin(kSecond) + L"Initialize(0, 0) -> 0x00000000", Plugin(kFirst) + L"Activate()",
                 L"host ShowView(\"FenwarpTest.SecondPlugIn.1\") carried out",
                 Plugin(kFirst) + L"Deactivate()", Plugin(kSecond) + L"CreateViewWindow(",
                 Plugin(kSecond) + L"Activate()"});
  EXPECT_TRUE(
      WaitUntil(Wait::Text, [&] { return WindowText(m_host->Frame()) == L"Second Test View - Fenwarp"; }));
  CloseCleanly();
}

TEST_F(FenwarpHost, ShowViewDuringDeactivateRunsAfterIt) {
  StartHost({{kFirst, L"showview-deactivate"}, {kSecond, L""}});
  ASSERT_TRUE(ClickListViewItem(ViewBar(), 1));

  ExpectInOrder({L"host view bar selects \"FenwarpTest.SecondPlugIn\"",
                 Host(kFirst) + L"ShowView(\"FenwarpTest.PlugIn.1\") -> 0x00000000 deferred",
                 Plugin(kFirst) + L"Deactivate()", Plugin(kSecond) + L"CreateViewWindow(",
                 Plugin(kSecond) + L"Activate()", L"host ShowView(\"FenwarpTest.PlugIn.1\") carried out",
                 Plugin(kSecond) + L"Deactivate()", Plugin(kFirst) + L"MoveViewWindow(0, ",
                 Plugin(kFirst) + L"Activate()"});
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return WindowText(m_host->Frame()) == L"Test View - Fenwarp"; }));
  CloseCleanly();
}

TEST_F(FenwarpHost, PlugInThatOverReleasesTheHostKeepsWorking) {
  StartHost({{kFirst, L"over-release"}});
  ExpectInOrder({Own(kFirst) + L"SetHost -> 0x00000000", Host(kFirst) + L"BeginToolbar() -> 0x00000000 id 1",
                 Host(kFirst) + L"ActivateToolbar(1, \"Test View\") -> 0x00000000"});
  m_host->RunCommand(29050);
  ASSERT_TRUE(m_host->ExpectLog(Plugin(kFirst) + L"ExecuteCommand(29050) -> 0x00000000"));
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return ToolbarButtonEnabled(Toolbar(), 29053); }));
  CloseCleanly();
  ExpectInOrder(
      {Plugin(kFirst) + L"Release() -> 0", Host(kFirst) + L"host object released, 0 references left"});
}

TEST_F(FenwarpHost, ResizeMovesTheViewToTheNewArea) {
  StartHost({{kFirst, L""}});
  size_t from = m_host->LogLines().size();
  ASSERT_TRUE(::SetWindowPos(m_host->Frame(), nullptr, 20, 20, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE));
  size_t at = 0;
  ASSERT_TRUE(m_host->ExpectLog(Plugin(kFirst) + L"MoveViewWindow(0, ", from, &at));
  int x = 0, y = 0, width = 0, height = 0;
  ASSERT_EQ(swscanf(m_host->LogLines()[at].c_str(),
                    L"plugin[FenwarpTest.PlugIn] MoveViewWindow(0, %d, %d, %d, %d)", &x, &y, &width, &height),
            4);
  RECT client = {};
  ::GetClientRect(m_host->Frame(), &client);
  EXPECT_EQ(x + width, client.right);
  EXPECT_EQ(y + height, client.bottom);
  EXPECT_GT(x, 0);  // right of the view bar
  EXPECT_GT(y, 0);  // below the toolbar
  // The view is where the call put it.
  HWND view = FindControlByClass(m_host->Frame(), L"FenwarpTestView");
  ASSERT_TRUE(view);
  RECT placed = {};
  ::GetWindowRect(view, &placed);
  ::MapWindowPoints(nullptr, m_host->Frame(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, x);
  EXPECT_EQ(placed.top, y);
  EXPECT_EQ(placed.right - placed.left, width);
  EXPECT_EQ(placed.bottom - placed.top, height);
  CloseCleanly();
}

TEST_F(FenwarpHost, MenuStatesComeFromQueryCommandStatus) {
  StartHost({{kFirst, L""}});
  ASSERT_TRUE(BringToFront(m_host->Frame()));
  size_t from = m_host->LogLines().size();
  PressKeys({VK_MENU, 'E'});
  from = ExpectInOrder({Own(kFirst) + L"PrepareMenu items 9", Plugin(kFirst) + L"PrepareMenu(0x",
                        Plugin(kFirst) + L"QueryCommandStatus(31014) -> 0x00000000 state 1",
                        Plugin(kFirst) + L"QueryCommandStatus(31020) -> 0x00000000 state 2"},
                       from);
  // Cut is grayed: its key runs nothing. Select All runs.
  PressKey('T');
  PressKey(VK_ESCAPE);
  PressKey(VK_ESCAPE);
  // The menu is open again (prepared anew) before its key is typed: a key that comes first is lost.
  size_t reopened = m_host->LogLines().size();
  PressKeys({VK_MENU, 'E'});
  ASSERT_TRUE(m_host->ExpectLog(Plugin(kFirst) + L"QueryCommandStatus(31020)", reopened));
  PressKey('A');
  ASSERT_TRUE(m_host->ExpectLog(Plugin(kFirst) + L"ExecuteCommand(31020) -> 0x00000000", from));
  EXPECT_TRUE(m_host->LogLinesWith(L"ExecuteCommand(31014)").empty());
  CloseCleanly();
}

TEST_F(FenwarpHost, MenuAcceleratorAndPostedCommandsReachThePlugIn) {
  StartHost({{kFirst, L""}});
  ASSERT_TRUE(BringToFront(m_host->Frame()));
  size_t from = m_host->LogLines().size();
  // F5 is "send", grayed until there is content; File > New makes content.
  PressKey(VK_F5);
  ASSERT_TRUE(m_host->ExpectLog(Plugin(kFirst) + L"QueryCommandStatus(10276) -> 0x00000000 state 1", from));
  PressKeys({VK_MENU, 'F'});
  PressKey('N');
  from = ExpectInOrder({Plugin(kFirst) + L"ExecuteCommand(10279) -> 0x00000000"}, from);
  EXPECT_TRUE(m_host->LogLinesWith(L"ExecuteCommand(10276)").empty());
  PressKey(VK_F5);
  from = ExpectInOrder({Plugin(kFirst) + L"ExecuteCommand(10276) -> 0x00000000"}, from);

  struct PostedCase {
    UINT command;
    std::wstring line;
  };
  const PostedCase kPosted[] = {
      {31022, Plugin(kFirst) + L"ExecuteCommand(31022) -> 0x00000000"},
      {12345, Plugin(kFirst) + L"ExecuteCommand(12345) -> 0x00000000"},
      {kCommandHelp, Plugin(kFirst) + L"ShowHelp() -> 0x00000000"},
  };
  for (const PostedCase& c : kPosted) {
    m_host->RunCommand(c.command);
    from = ExpectInOrder({c.line}, from);
  }
  CloseCleanly();
}

TEST_F(FenwarpHost, ToolbarClicksFollowTheCommandStates) {
  StartHost({{kFirst, L""}});
  HWND toolbar = Toolbar();
  ASSERT_TRUE(WaitUntil(Wait::Text, [&] { return ToolbarHasButton(toolbar, 29053); }));
  EXPECT_FALSE(ToolbarButtonEnabled(toolbar, 29053));
  ASSERT_TRUE(ClickToolbarButton(toolbar, 29053));  // disabled: nothing
  ASSERT_TRUE(ClickToolbarButton(toolbar, 29050));
  ASSERT_TRUE(m_host->ExpectLog(Plugin(kFirst) + L"ExecuteCommand(29050) -> 0x00000000"));
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return ToolbarButtonEnabled(toolbar, 29053); }));
  ASSERT_TRUE(ClickToolbarButton(toolbar, 29053));
  ASSERT_TRUE(m_host->ExpectLog(Plugin(kFirst) + L"ExecuteCommand(29053) -> 0x00000000"));
  EXPECT_EQ(m_host->LogLinesWith(L"ExecuteCommand(29053)").size(), 1u);
  CloseCleanly();
}

TEST_F(FenwarpHost, KeysReachTheViewAndFocusComesBack) {
  StartHost({{kFirst, L""}, {kSecond, L""}});
  HWND frame = m_host->Frame();
  HWND tree = FindControl(frame, TEST_PLUGIN_TREE);
  HWND edit = FindControl(frame, TEST_PLUGIN_EDIT);
  ASSERT_TRUE(tree && edit);
  EXPECT_EQ(TreeTexts(tree).size(), 4u);
  EXPECT_EQ(TreeTexts(tree)[1].text, L"Access points");
  EXPECT_EQ(TreeTexts(tree)[1].depth, 1);
  EXPECT_EQ(ListViewTexts(ViewBar()), (std::vector<std::wstring>{L"Test View", L"Second Test View"}));

  // No dialog navigation in the host's loop: Tab and Enter reach the edit, arrows the tree.
  ASSERT_TRUE(Click(edit));
  TypeText(L"Hello\tWorld\r\nAgain");
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return WindowText(edit) == L"Hello\tWorld\r\nAgain"; }));
  ASSERT_TRUE(Click(tree));
  PressKey(VK_HOME);
  PressKey(VK_DOWN);
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return TreeSelectionText(tree) == L"Access points"; }));

  // Another window takes the foreground and gives it back: the tree has the keys again.
  size_t from = m_host->LogLines().size();
  HWND other = ::CreateWindowExW(0, L"STATIC", L"Other", WS_POPUP | WS_VISIBLE, 700, 600, 100, 60, nullptr,
                                 nullptr, nullptr, nullptr);
  ASSERT_TRUE(BringToFront(other));
  from = ExpectInOrder({Plugin(kFirst) + L"OnFocusEvent(4) -> 0x00000000 result 0"}, from);
  ASSERT_TRUE(BringToFront(frame));
  ExpectInOrder({Plugin(kFirst) + L"OnFocusEvent(5) -> 0x00000000 result 0"}, from);
  ::DestroyWindow(other);
  PressKey(VK_DOWN);
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return TreeSelectionText(tree) == L"E-mail"; }));
  CloseCleanly();
}

TEST_F(FenwarpHost, FileArgumentBecomesRequestFileBeforeThePlugInsStart) {
  orvel::win::UniqueRegKey key;
  ::RegOpenKeyExW(HKEY_CURRENT_USER, kCorvansetKey, 0, KEY_SET_VALUE, key.out());
  if (key) ::RegDeleteValueW(key.get(), L"RequestFile");
  wchar_t full[MAX_PATH] = {};
  ::GetFullPathNameW(L"request.xml", MAX_PATH, full, nullptr);
  StartHost({{kFirst, L""}}, L"request.xml");
  std::wstring quoted = L"\"" + std::wstring(full) + L"\"";
  ExpectInOrder(
      {L"host RequestFile " + quoted + L" -> 0", Own(kFirst) + L"Initialize 0: RequestFile " + quoted});
  EXPECT_EQ(orvel::win::ReadRegString(HKEY_CURRENT_USER, kCorvansetKey, L"RequestFile"), std::wstring(full));
  CloseCleanly();
  orvel::win::UniqueRegKey after;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kCorvansetKey, 0, KEY_SET_VALUE, after.out()) == ERROR_SUCCESS)
    ::RegDeleteValueW(after.get(), L"RequestFile");
}

TEST_F(FenwarpHost, CloseDuringAModalBoxReleasesAfterTheCallReturns) {
  StartHost({{kFirst, L""}});
  m_host->RunCommand(kCommandAbout);
  std::optional<MessageBoxInfo> box = WaitMessageBox(m_host->ProcessId());
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, L"Test View");
  std::wstring expected = FormatString(
      LoadLibraryString(WindowsPath(FENWARP_TEST_PLUGIN), TEST_PLUGIN_ABOUT_TEXT), {L"Test View"});
  EXPECT_EQ(expected, L"This is Test View, a view for the host's tests.");

  // The plug-in hears of the close at once; its release waits until ShowAbout has returned.
  ::PostMessageW(m_host->Frame(), WM_CLOSE, 0, 0);
  size_t from = ExpectInOrder({Plugin(kFirst) + L"QueryClose(1)", Plugin(kFirst) + L"OnClose()",
                               L"host release waits for the call in progress"});
  EXPECT_TRUE(m_host->IsRunning());
  EXPECT_TRUE(m_host->LogLinesWith(Plugin(kFirst) + L"Release()").empty());
  ASSERT_TRUE(AnswerMessageBox(m_host->ProcessId(), expected, IDOK));
  ExpectInOrder({Own(kFirst) + L"ShowAbout done", Plugin(kFirst) + L"ShowAbout() -> 0x00000000",
                 Plugin(kFirst) + L"Release() -> 0", L"host exit 0"},
                from - 1);
  std::optional<DWORD> code = m_host->WaitExit();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
}

TEST_F(FenwarpHost, Screenshot) {
  StartHost({{kFirst, L""}, {kSecond, L""}});
  m_host->RunCommand(29050);  // content: every toolbar button enabled
  ASSERT_TRUE(m_host->ExpectLog(Plugin(kFirst) + L"QueryCommandStatus(29053) -> 0x00000000 state 2"));
  ASSERT_TRUE(BringToFront(m_host->Frame()));
  std::optional<std::wstring> path = CaptureWindow(m_host->Frame(), L"fenwarp_host_test_plugins");
  ASSERT_TRUE(path);
  EXPECT_NE(::GetFileAttributesW(path->c_str()), INVALID_FILE_ATTRIBUTES);
  CloseCleanly();
}

}  // namespace
