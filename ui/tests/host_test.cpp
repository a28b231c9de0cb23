// The real host with the real plug-in, as an operator meets them: the host loads Morvane from the
// framework's plug-in key, and the test works the result with real input. Without the language
// library beside the plug-in, the user gets the plug-in's box and the host carries on.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "outside/fenwarp/driver/ui_driver.h"
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
  void Start() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info->name();
    HostOptions options;
    options.program = WindowsPath(FENWARP_EXE);
    options.plugins = {kView};
    options.logPath = Folder() + L"\\" + std::wstring(name.begin(), name.end()) + L".log";
    // The engine that the plug-in starts early goes again soon after the host has gone.
    options.environment = {{L"ORVEL_LIMITS", L"Vantrel.IdleShutdown=3000"}};
    m_host = std::make_unique<CHostProcess>();
    ASSERT_TRUE(m_host->Start(options));
  }
  void TearDown() override {
    // Nothing of the engine is left for the tests that come after.
    EXPECT_TRUE(WaitUntil(Wait::HostExit, [] { return !::FindWindowW(nullptr, kEngineWindow); }));
  }

  std::unique_ptr<CHostProcess> m_host;
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

}  // namespace
