// The send road in the real host with the real plug-in, worked with real input, against the
// scripted engine (tests/mock_engine): one host for all cases, each case a script, a send and
// what the user sees and what the engine was called with.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "interfaces/vantrel_codes.h"
#include "testing/ui_driver.h"
#include "support/u16text.h"
#include "support/win/command_line.h"
#include "support/win/handle.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "ui/app/app_text.h"
#include "ui/app/resource_ids.h"
#include "ui/send/choice_plan.h"
#include "vantrel.h"

namespace {

using namespace orvel::ui;
using namespace orvel::uidriver;
namespace fs = std::filesystem;
namespace engine = orvel::engine;

constexpr wchar_t kView[] = L"Orvel.MorvaneView";
constexpr wchar_t kGate[] = L"OrvelMockEngineGate";

// An engine code as the scripted engine reads and logs it.
std::string Code(engine::HResult code) {
  char text[16] = {};
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

std::wstring Folder() {
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  return folder;
}

std::wstring Text(UINT id) { return LoadLibraryString(Folder() + L"\\Quillet.dll", id); }

// A result message as the plug-in finishes it: trailing blanks gone, one final ".".
std::wstring Finished(std::wstring text) {
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n'))
    text.pop_back();
  if (text.empty() || text.back() != L'.') text += L'.';
  return text;
}

std::wstring Ellipsis(std::wstring text) {
  if (text.size() >= 3 && text.compare(text.size() - 3, 3, L"...") == 0) return text;
  while (!text.empty() && text.back() == L'.') text.pop_back();
  return text + L"...";
}

// The view has opened its document: the send command is enabled.
bool SettingsShown(const CHostProcess& host) {
  HWND toolbar = FindControl(host.Frame(), kToolbarId);
  return toolbar && WaitUntil(Wait::Window, [&] { return ToolbarButtonEnabled(toolbar, kSendCommand); });
}

// Beside the real engine's local server: an in-process server of the class comes first.
const std::wstring kEngineKey =
    L"Software\\Classes\\CLSID\\" + orvel::win::GuidText(CLSID_TerminalManagerExt) + L"\\InprocServer32";

void RemoveScriptedEngine() { orvel::win::DeleteRegTree(HKEY_LOCAL_MACHINE, kEngineKey); }

class SendRoad : public ::testing::Test {
 protected:
  // The scripted engine is registered for the suite's time only, as the in-process server of the
  // engine's class (Wine's class lookup reads the machine's classes only, so the user's key would not
  // be seen); the real engine's own registration stays as it is.
  static void SetUpTestSuite() {
    orvel::win::WriteRegString(HKEY_LOCAL_MACHINE, kEngineKey, nullptr, Folder() + L"\\MockEngine.dll");
    orvel::win::WriteRegString(HKEY_LOCAL_MACHINE, kEngineKey, L"ThreadingModel", L"Apartment");
    g_gate = ::CreateEventW(nullptr, FALSE, FALSE, kGate);
  }
  static void TearDownTestSuite() {
    if (g_host) g_host->Close();
    g_host.reset();
    RemoveScriptedEngine();
    ::CloseHandle(g_gate);
  }

  void SetUp() override {
    if (g_host && g_host->IsRunning()) return;
    StartHost();
  }
  void StartHost() {
    fs::path settings = fs::path(Folder()) / L"send_road.xml";
    std::ofstream out(settings, std::ios::binary);
    const char text[] =
        "<?xml version=\"1.0\"?><Settings><IAPSettings><IAPConnection op=\"create\">"
        "<ConnectionName op=\"create\">Office</ConnectionName>"
        "<PhoneNumber op=\"create\">5550100</PhoneNumber></IAPConnection></IAPSettings></Settings>";
    out << "\xff\xfe";
    for (const char* c = text; *c; ++c) out.put(*c).put('\0');
    out.close();
    orvel::win::DeleteRegValue(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"LastFile");
    HostOptions options;
    options.program = WindowsPath(FENWARP_EXE);
    options.plugins = {kView};
    options.logPath = Folder() + L"\\send_road_host.log";
    options.file = settings.wstring();
    options.environment = {{L"ORVEL_MOCK_ENGINE_SCRIPT", ScriptPath()},
                           {L"ORVEL_MOCK_ENGINE_LOG", LogPath()},
                           {L"ORVEL_MOCK_ENGINE_GATE", kGate},
                           {L"ORVEL_LIMITS", L"Morvane.EngineCheck=100"}};
    Script("");
    g_host = std::make_unique<CHostProcess>();
    ASSERT_TRUE(g_host->Start(options));
    ASSERT_TRUE(g_host->ExpectLog(L"host ready"));
    ASSERT_TRUE(SettingsShown(*g_host));
  }
  void TearDown() override {
    // A failed case leaves nothing open for the next one: the host starts again.
    if (HasFailure() && g_host) g_host.reset();
  }

  static std::wstring ScriptPath() { return Folder() + L"\\send_road_script.txt"; }
  static std::wstring LogPath() { return Folder() + L"\\send_road_engine.log"; }
  // A new script, and the engine's log begins afresh.
  static void Script(const std::string& text) {
    std::ofstream(fs::path(ScriptPath()), std::ios::binary) << text;
    ::DeleteFileW(LogPath().c_str());
  }
  static std::vector<std::string> EngineLog() {
    std::ifstream in{fs::path(LogPath())};
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The index of the first line at or after `from` that starts with `prefix`, once it is there.
  static std::optional<size_t> EngineCall(const std::string& prefix, size_t from = 0) {
    std::optional<size_t> found;
    WaitUntil(Wait::LogLine, [&] {
      std::vector<std::string> lines = EngineLog();
      for (size_t i = from; i < lines.size(); ++i) {
        if (lines[i].rfind(prefix, 0) == 0) {
          found = i;
          return true;
        }
      }
      return false;
    });
    return found;
  }
  static size_t CountCalls(const std::string& prefix) {
    size_t count = 0;
    for (const std::string& line : EngineLog()) count += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
  }
  DWORD Pid() const { return g_host->ProcessId(); }

  HWND OpenSendDialog() {
    g_host->RunCommand(kSendCommand);
    return WaitDialogWithControl(Pid(), kSendButton);
  }
  // The progress dialog, shown or hidden behind a question (a script that asks at once hides it
  // after one tick of the engine, before it may ever have been seen), once it has been made: it
  // hides the send dialog as the last step of its set-up.
  HWND Send(HWND dialog) {
    EXPECT_TRUE(PressButton(dialog, kSendButton));
    HWND progress = nullptr;
    WaitUntil(Wait::Window, [&] {
      for (HWND window : TopLevelWindows(Pid(), L"#32770", true)) {
        if (FindControl(window, kProgressBar)) progress = window;
      }
      return progress != nullptr && !::IsWindowVisible(dialog);
    });
    return progress;
  }
  HWND WaitQuestion() { return WaitDialogWithControl(Pid(), kQuestionLabel); }
  // Presses an answer button of the question, which goes.
  static void Answer(HWND question, int button) {
    EXPECT_TRUE(PressButton(question, button));
    EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(question); }));
  }
  // Closes the send dialog with its Close button; the engine object is let go.
  void CloseSendDialog(HWND dialog) {
    ASSERT_TRUE(
        WaitUntil(Wait::Window, [&] { return ::IsWindowVisible(dialog) && ::IsWindowEnabled(dialog); }));
    EXPECT_TRUE(PressButton(dialog, IDOK));
    EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }));
    EXPECT_TRUE(EngineCall("Release"));
  }
  // The progress dialog ends and the send dialog is back, with no box on the way.
  void ExpectEndWithoutBox(HWND progress, HWND dialog) {
    EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(progress) && ::IsWindowVisible(dialog); }));
    EXPECT_FALSE(FindMessageBox(Pid())) << Utf8(FindMessageBox(Pid())->text);
  }
  static void OpenGate() { ::SetEvent(g_gate); }

  static std::unique_ptr<CHostProcess> g_host;
  static HANDLE g_gate;
};

std::unique_ptr<CHostProcess> SendRoad::g_host;
HANDLE SendRoad::g_gate = nullptr;

TEST_F(SendRoad, AnEngineThatCannotBeCreatedIsToldAndTheDialogEnds) {
  Script("create 0x80040154\n");
  g_host->RunCommand(kSendCommand);
  EXPECT_TRUE(AnswerMessageBox(Pid(), Text(kEngineFailedText), IDOK));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !FindDialogWithControl(Pid(), kSendButton); }));
}

TEST_F(SendRoad, TheDeviceIsShownAndOpenFailingForAnotherClientNamesIt) {
  struct InUseCase {
    const char* client;
    std::wstring shown;
  };
  const std::wstring format = Text(kDeviceInUseText);
  const size_t at = format.find(L"(%s)");
  ASSERT_NE(at, std::wstring::npos);
  std::wstring before = format.substr(0, at), after = format.substr(at + 4);
  while (!before.empty() && before.back() == L' ') before.pop_back();
  while (!after.empty() && after.front() == L' ') after.erase(0, 1);
  const InUseCase cases[] = {
      {"  Backup Tool ", FormatString(format, {L"Backup Tool"})},
      {"   ", before + L" " + after},
  };
  for (const auto& c : cases) {
    Script(std::string("deviceinfo <EPOCName>  Farlink 9 </EPOCName><PhoneNumber>5550100</PhoneNumber>\n"
                       "fail Open ") +
           Code(engine::kOtherClientOpen) + "\nclient " + c.client + "\n");
    HWND dialog = OpenSendDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(FindControl(dialog, kSendDeviceNameLabel)), L" Farlink 9");
    EXPECT_EQ(WindowText(FindControl(dialog, kSendPhoneLabel)), L" 5550100");
    EXPECT_EQ(WindowText(FindControl(dialog, kSendImeiLabel)), L" " + Text(kNotAvailableText));
    EXPECT_TRUE(::IsWindowEnabled(FindControl(dialog, kSendButton)));
    if (&c == &cases[0]) {
      EXPECT_TRUE(CaptureWindow(dialog, L"morvane_send_dialog"));
    }
    EXPECT_TRUE(PressButton(dialog, kSendButton));
    EXPECT_TRUE(AnswerMessageBox(Pid(), c.shown, IDOK)) << c.client;
    EXPECT_EQ(CountCalls("SendConfiguration"), 0u);
    CloseSendDialog(dialog);
  }
}

TEST_F(SendRoad, AFailedSendClosesTheClientFirstThenTellsOnce) {
  Script("fail SendConfiguration " + Code(engine::kOperationRunning) + "\n");
  HWND dialog = OpenSendDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(PressButton(dialog, kSendButton));
  std::optional<MessageBoxInfo> box = WaitMessageBox(Pid());
  ASSERT_TRUE(box);
  // The client is closed before the box is shown.
  std::optional<size_t> sent = EngineCall("SendConfiguration");
  ASSERT_TRUE(sent);
  EXPECT_TRUE(EngineCall("Close -> 0x00000000", *sent));
  EXPECT_EQ(box->text, Finished(Text(kEngineFailedText)));
  EXPECT_TRUE(PressButton(box->window, IDOK));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !FindMessageBox(Pid()); }));
  EXPECT_FALSE(FindDialogWithControl(Pid(), kProgressBar));
  EXPECT_TRUE(EngineCall("SetLogDescription "));
  CloseSendDialog(dialog);
}

TEST_F(SendRoad, EveryStageShowsItsTextAndEnterDoesNotEndTheProgress) {
  const std::wstring wideFile = L"C:\\T\u00f6ne\\\u0429\u4e2d.wav";
  Script("progress 1 0\ngate\nprogress 2 50 IAPSettings\ngate\nprogress 3 60 " + Utf8(wideFile) +
         "\ngate\nprogress 4 70 C:\\apps\\game.sis\ngate\nprogress 9 80\ngate\ndone 0\n");
  const std::wstring expected[] = {
      Ellipsis(Text(kPreparingText)),
      Ellipsis(FormatString(Text(kApplyingText), {Text(279)})),
      Ellipsis(FormatString(Text(kCopyingText), {L"\u0429\u4e2d.wav"})),
      Ellipsis(FormatString(Text(kInstallingText), {L"game.sis"})),
      Ellipsis(Text(kPleaseWaitText)),
  };
  const int positions[] = {0, 50, 60, 70, 80};
  HWND dialog = OpenSendDialog();
  ASSERT_NE(dialog, nullptr);
  HWND progress = Send(dialog);
  ASSERT_NE(progress, nullptr);
  EXPECT_FALSE(::IsWindowVisible(dialog));
  for (size_t i = 0; i < std::size(expected); ++i) {
    HWND text = FindControl(progress, kProgressTextLabel);
    EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return WindowText(text) == expected[i]; }))
        << i << ": " << Utf8(WindowText(text));
    if (i > 0) {
      EXPECT_EQ(::SendMessageW(FindControl(progress, kProgressBar), PBM_GETPOS, 0, 0), positions[i]);
    }
    if (i == 1) {
      EXPECT_TRUE(CaptureWindow(progress, L"morvane_send_progress"));
      // Enter does not end the dialog in the middle of the send.
      ASSERT_TRUE(BringToFront(progress));
      PressKey(VK_RETURN);
    }
    OpenGate();
  }
  EXPECT_TRUE(EngineCall("play done 0x00000000"));
  ExpectEndWithoutBox(progress, dialog);
  // The progress dialog lived until the end: every stage was played after the Enter.
  EXPECT_TRUE(EngineCall("play progress 9"));
  std::optional<size_t> done = EngineCall("play done");
  ASSERT_TRUE(done);
  EXPECT_TRUE(EngineCall("Close -> 0x00000000", *done));
  CloseSendDialog(dialog);
}

TEST_F(SendRoad, ApplyToAllHoldsPerCategoryWithinOneSendOnly) {
  const std::string file = "ask " + Code(engine::kFileExists) + " 45 RingingTones C:\\tones\\";
  const std::string setting = "ask " + Code(engine::kModuleStatus128) + " 45 IAPSettings ";
  Script(file + "a.wav\n" + file + "b.wav\n" + setting + "x\n" + setting + "y\n" + setting + "z\n" + file +
         "c.wav\ndone 0\n");
  HWND dialog = OpenSendDialog();
  ASSERT_NE(dialog, nullptr);
  HWND progress = Send(dialog);
  ASSERT_NE(progress, nullptr);
  // A file question: the file name only, the files' label; answered for all files.
  HWND question = WaitQuestion();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(WindowText(FindControl(question, kQuestionLabel)),
            FormatString(Text(kAlreadyOnDeviceQuestionText), {Text(552), L"a.wav"}));
  EXPECT_EQ(WindowText(FindControl(question, kApplyToAllButton)), Text(kSameForAllFilesText));
  EXPECT_FALSE(::IsWindowVisible(progress));
  EXPECT_TRUE(CaptureWindow(question, L"morvane_send_question"));
  EXPECT_TRUE(PressButton(question, kApplyToAllButton));
  Answer(question, kAnswer32Button);
  EXPECT_TRUE(EngineCall("Respond 32 -> 0x00000000"));
  // The second file is answered alike without a question; the settings question is asked.
  question = WaitQuestion();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(WindowText(FindControl(question, kQuestionLabel)),
            FormatString(Text(kAlreadyOnDeviceQuestionText), {Text(279), L"x"}));
  EXPECT_EQ(WindowText(FindControl(question, kApplyToAllButton)), Text(kSameForAllSettingsText));
  EXPECT_EQ(CountCalls("Respond 32 -> 0x00000000"), 2u);
  Answer(question, 273);
  question = WaitQuestion();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(WindowText(FindControl(question, kQuestionLabel)),
            FormatString(Text(kAlreadyOnDeviceQuestionText), {Text(279), L"y"}));
  EXPECT_TRUE(PressButton(question, kApplyToAllButton));
  Answer(question, 273);
  // z is answered as y; c as the files.
  EXPECT_TRUE(EngineCall("play done"));
  ExpectEndWithoutBox(progress, dialog);
  EXPECT_EQ(CountCalls("Respond 8 -> 0x00000000"), 3u);
  EXPECT_EQ(CountCalls("Respond 32 -> 0x00000000"), 3u);

  // The next send asks again.
  Script(file + "a.wav\ndone 0\n");
  progress = Send(dialog);
  ASSERT_NE(progress, nullptr);
  question = WaitQuestion();
  ASSERT_NE(question, nullptr);
  Answer(question, 273);
  EXPECT_TRUE(EngineCall("Respond 8 -> 0x00000000"));
  ExpectEndWithoutBox(progress, dialog);
  CloseSendDialog(dialog);
}

// Closing the host ends every modal dialog with IDCANCEL, 2, which is also one of the engine's
// answers: a question ended so is a stop, answered 4 where 4 is offered and else cancelled, and
// nothing is remembered although apply-to-all is ticked.
TEST_F(SendRoad, AQuestionEndedByClosingTheHostStopsTheOperation) {
  struct CloseCase {
    uint32_t allowed;
    const char* stop;
  };
  const CloseCase cases[] = {{2 | 4 | 8, "Respond 4 -> 0x00000000"}, {1 | 2 | 16, "Cancel -> 0x00000000"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.allowed);
    if (!g_host || !g_host->IsRunning()) {
      ASSERT_NO_FATAL_FAILURE(StartHost());
    }
    const std::string ask =
        "ask " + Code(engine::kModuleStatus128) + " " + std::to_string(c.allowed) + " IAPSettings ";
    Script(ask + "x\n" + ask + "y\ndone 0\n");
    HWND dialog = OpenSendDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(Send(dialog), nullptr);
    HWND question = WaitQuestion();
    ASSERT_NE(question, nullptr);
    EXPECT_TRUE(PressButton(question, kApplyToAllButton));
    ASSERT_TRUE(g_host->Close());
    g_host.reset();
    EXPECT_TRUE(EngineCall(c.stop));
    EXPECT_TRUE(EngineCall("Release"));
    EXPECT_EQ(CountCalls("Respond "), (c.allowed & 4) ? 1u : 0u);
    EXPECT_EQ(CountCalls("Respond 2 "), 0u);
  }
}

TEST_F(SendRoad, QuestionsWithEveryAnswerMaskAreAnsweredThroughTheDialog) {
  // The engine's masks (the copies' 1, 4, 8 and 32, the transport's 16) and others of up to four
  // answers, as many as the dialog has buttons.
  const uint32_t masks[] = {4 | 8, 1 | 2 | 16, 16, 4 | 8 | 32 | 64, 1 | 4 | 8 | 32, 2 | 64};
  std::string script;
  for (uint32_t mask : masks) {
    for (const auto& button : orvel::ui::PlanChoiceButtons(mask)) {
      if (button.answer)
        script += "ask " + Code(engine::kModuleStatus128) + " " + std::to_string(mask) + " IAPSettings v\n";
    }
  }
  Script(script + "done 0\n");
  HWND dialog = OpenSendDialog();
  ASSERT_NE(dialog, nullptr);
  HWND progress = Send(dialog);
  ASSERT_NE(progress, nullptr);
  for (uint32_t mask : masks) {
    for (const auto& button : orvel::ui::PlanChoiceButtons(mask)) {
      if (!button.answer) continue;
      HWND question = WaitQuestion();
      ASSERT_NE(question, nullptr) << mask;
      // Every planned button is there, the others are gone.
      for (const auto& other : orvel::ui::PlanChoiceButtons(mask))
        EXPECT_EQ(FindControl(question, other.control) != nullptr, other.answer != 0)
            << mask << " " << other.control;
      if (!(mask & 4)) {
        // Escape cannot refuse where refusing is not offered: the question stays.
        ASSERT_TRUE(BringToFront(question));
        PressKey(VK_ESCAPE);
      }
      const size_t before = EngineLog().size();
      Answer(question, button.control);
      EXPECT_TRUE(EngineCall("Respond " + std::to_string(button.answer) + " -> 0x00000000", before))
          << mask << " " << button.answer;
    }
  }
  ExpectEndWithoutBox(progress, dialog);
  EXPECT_EQ(CountCalls("Respond 4 -> 0x00000000"), 3u);  // only where 4 has its button
  for (const std::string& line : EngineLog()) {
    if (line.rfind("Respond", 0) == 0) {
      EXPECT_NE(line.find("-> 0x00000000"), std::string::npos) << line;
    }
  }
  CloseSendDialog(dialog);
}

TEST_F(SendRoad, AnErrorIsToldOnceAndAFailingEndAddsNoSecondBox) {
  const std::wstring wideFile = L"C:\\T\u00f6ne\\\u0429\u4e2d.wav";
  struct ErrorCase {
    std::string script;
    std::wstring text;
    std::string response;  // the engine's answer to the plug-in's Respond(4)
  };
  const std::wstring refused = Finished(FormatString(Text(kRefusedSettingText), {Text(279), L"02x"}));
  const std::string invalid = Code(engine::kInvalidSetting), unreadable = Code(engine::kFileUnreadable);
  const ErrorCase cases[] = {
      // A refused setting, with its display name and value.
      {"ask " + invalid + " 4 IAPSettings 02x\ndone " + invalid + "\n", refused, "Respond 4 -> 0x00000000"},
      // A file that cannot be read after a stage-3 report: the file's name, wide as it is, follows.
      {"progress 3 10 " + Utf8(wideFile) + "\nask " + unreadable + " 4 RingingTones x\ndone " + unreadable +
           "\n",
       Finished(Text(kFileUnreadableText)) + L"\r\n" + wideFile, "Respond 4 -> 0x00000000"},
      // An error that does not offer 4: the refused answer cancels, and nothing waits.
      {"ask " + invalid + " 8 IAPSettings 02x\ndone " + invalid + "\n", refused,
       "Respond 4 -> " + Code(engine::kAnswerNotOffered)},
  };
  for (const auto& c : cases) {
    Script(c.script);
    HWND dialog = OpenSendDialog();
    ASSERT_NE(dialog, nullptr);
    HWND progress = Send(dialog);
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(AnswerMessageBox(Pid(), c.text, IDOK)) << c.script;
    EXPECT_TRUE(EngineCall(c.response)) << c.script;
    ExpectEndWithoutBox(progress, dialog);
    EXPECT_TRUE(EngineCall("Close -> 0x00000000"));
    CloseSendDialog(dialog);
  }
  EXPECT_TRUE(EngineCall("Cancel -> 0x00000000"));  // the last case ended by the cancel
}

TEST_F(SendRoad, CancelShowsNoBoxUnlessAQuestionWasOpen) {
  Script("progress 1 0\nhold\n");
  HWND dialog = OpenSendDialog();
  ASSERT_NE(dialog, nullptr);
  HWND progress = Send(dialog);
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(EngineCall("play progress 1"));
  EXPECT_TRUE(PressButton(progress, IDCANCEL));
  EXPECT_TRUE(EngineCall("Cancel -> 0x00000000"));
  EXPECT_TRUE(EngineCall("play done " + Code(engine::kCancelled)));
  ExpectEndWithoutBox(progress, dialog);

  // The operation ends as cancelled while a question is open: the question goes, the box tells.
  Script("tell " + Code(engine::kFileExists) + " 45 RingingTones C:\\tones\\a.wav\ngate\ndone " +
         Code(engine::kCancelled) + "\n");
  progress = Send(dialog);
  ASSERT_NE(progress, nullptr);
  HWND question = WaitQuestion();
  ASSERT_NE(question, nullptr);
  OpenGate();
  EXPECT_TRUE(AnswerMessageBox(Pid(), Finished(Text(kCancelledText)), IDOK));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(question); }));
  ExpectEndWithoutBox(progress, dialog);
  EXPECT_EQ(CountCalls("Respond"), 0u);
  CloseSendDialog(dialog);
}

TEST_F(SendRoad, AnEngineThatGoesDuringASendEndsTheProgressWithABox) {
  Script("progress 1 0\ndie\n");
  HWND dialog = OpenSendDialog();
  ASSERT_NE(dialog, nullptr);
  HWND progress = Send(dialog);
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(AnswerMessageBox(Pid(), Text(kEngineFailedText), IDOK));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(progress) && ::IsWindowVisible(dialog); }));
  // Nothing more can be sent through the engine that went.
  EXPECT_FALSE(::IsWindowEnabled(FindControl(dialog, kSendButton)));
  EXPECT_EQ(WindowText(FindControl(dialog, kSendDeviceNameLabel)), L" " + Text(kNotAvailableText));
  EXPECT_TRUE(PressButton(dialog, IDOK));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }));
  EXPECT_TRUE(EngineCall("Release"));
}

TEST_F(SendRoad, CallbacksAfterTheDialogHasClosedReachNothing) {
  Script("late\nprogress 1 0\ndone 0\n");
  HWND dialog = OpenSendDialog();
  ASSERT_NE(dialog, nullptr);
  HWND progress = Send(dialog);
  ASSERT_NE(progress, nullptr);
  ExpectEndWithoutBox(progress, dialog);
  EXPECT_TRUE(PressButton(dialog, IDOK));
  EXPECT_TRUE(EngineCall("late callbacks delivered"));
  EXPECT_TRUE(EngineCall("Release"));
  // The host lives on without a box, and the next send dialog works.
  EXPECT_TRUE(g_host->IsRunning());
  EXPECT_FALSE(FindMessageBox(Pid()));
  Script("");
  dialog = OpenSendDialog();
  ASSERT_NE(dialog, nullptr);
  CloseSendDialog(dialog);
}

// --- the real engine, Tessmark and the simulated device

constexpr wchar_t kEngineWindow[] = L"OrvelCorvansetWnd";

// The stand-in's device root as its registration names it.
fs::path RegisteredDeviceRoot() {
  return orvel::win::ReadRegString(HKEY_LOCAL_MACHINE, L"Software\\Orvel\\EPOC Connect Stand-in",
                                   L"DeviceRoot")
      .value_or(L"");
}

class SendToTheDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = RegisteredDeviceRoot();
    ASSERT_FALSE(m_root.empty());
    std::ifstream in(m_root / "state.txt", std::ios::binary);
    m_state.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ASSERT_FALSE(m_state.empty());
    fs::remove_all(m_root / "store");
    orvel::win::DeleteRegValue(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"LastFile");
  }
  void TearDown() override {
    if (m_host) m_host->Close();
    m_host.reset();
    std::ofstream(m_root / "state.txt", std::ios::binary) << m_state;
    // Nothing of the engine is left for the tests that come after.
    EXPECT_TRUE(WaitUntil(Wait::HostExit, [] { return !::FindWindowW(nullptr, kEngineWindow); }));
  }
  // The stand-in reads its state file at every call: the knobs take effect at once.
  void SetDeviceState(const std::string& knobs) {
    std::ofstream(m_root / "state.txt", std::ios::binary) << m_state << "\n" << knobs << "\n";
  }
  // Starts the host, with a file as its request (an empty path: none).
  void StartWith(const fs::path& file) {
    HostOptions options;
    options.program = WindowsPath(FENWARP_EXE);
    options.plugins = {kView};
    options.logPath = Folder() + L"\\send_to_the_device_host.log";
    options.file = file.wstring();
    options.environment = {{L"ORVEL_LIMITS", L"Vantrel.IdleShutdown=3000,Morvane.EngineCheck=200"}};
    m_host = std::make_unique<CHostProcess>();
    ASSERT_TRUE(m_host->Start(options));
    ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
    ASSERT_TRUE(SettingsShown(*m_host));
  }
  // The settings file of an access point "Office" to be created, as the product writes it.
  fs::path SettingsFile() {
    fs::path file = fs::path(Folder()) / L"office_to_send.xml";
    std::ofstream out(file, std::ios::binary);
    const char text[] =
        "<?xml version=\"1.0\"?><Settings><IAPSettings><IAPConnection op=\"create\">"
        "<ConnectionName op=\"create\">Office</ConnectionName>"
        "<PhoneNumber op=\"create\">5550100</PhoneNumber></IAPConnection></IAPSettings></Settings>";
    out << "\xff\xfe";
    for (const char* c = text; *c; ++c) out.put(*c).put('\0');
    return file;
  }
  static std::vector<std::wstring> AuditLines() {
    std::wstring folder;
    if (auto command = orvel::win::ReadRegString(
            HKEY_CLASSES_ROOT,
            L"CLSID\\" + orvel::win::GuidText(CLSID_TerminalManagerExt) + L"\\LocalServer32", nullptr)) {
      std::wstring program =
          orvel::win::AsWide(orvel::ui::ProgramOfCommandLine(orvel::win::FromWide(*command)));
      folder = program.substr(0, program.find_last_of(L'\\') + 1);
    }
    std::ifstream in(fs::path(folder) / L"MorvaneLog.csv", std::ios::binary);
    std::vector<std::wstring> lines;
    for (std::string line; std::getline(in, line);)
      lines.push_back(orvel::win::AsWide(orvel::FromUtf8(line)));
    return lines;
  }

  fs::path m_root;
  std::string m_state;
  std::unique_ptr<CHostProcess> m_host;
};

TEST_F(SendToTheDevice, ARequestedFileIsSentWithTheDevicesQuestionAnsweredInTheDialog) {
  // The device's settings server asks before it applies the access points; only 16 is offered.
  SetDeviceState("settings_question=0x80040080,16,IAPSettings,Office");
  const fs::path file = SettingsFile();
  const size_t auditBefore = std::max<size_t>(AuditLines().size(), 1);  // a new log starts with a header
  StartWith(file);
  m_host->RunCommand(kSendCommand);
  HWND dialog = WaitDialogWithControl(m_host->ProcessId(), kSendButton);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] {
    return WindowText(FindControl(dialog, kSendDeviceNameLabel)) == L" Farlink";
  })) << Utf8(WindowText(FindControl(dialog, kSendDeviceNameLabel)));
  ASSERT_TRUE(WaitUntil(Wait::Window, [&] { return ::IsWindowEnabled(FindControl(dialog, kSendButton)); }));
  EXPECT_TRUE(PressButton(dialog, kSendButton));
  HWND question = WaitDialogWithControl(m_host->ProcessId(), kQuestionLabel);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(WindowText(FindControl(question, kQuestionLabel)),
            FormatString(Text(kAlreadyOnDeviceQuestionText), {Text(279), L"Office"}));
  const auto plan = orvel::ui::PlanChoiceButtons(16);
  ASSERT_EQ(plan[0].answer, 16u);
  EXPECT_TRUE(PressButton(question, plan[0].control));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(question); }));
  // The end: no box, the send dialog again.
  EXPECT_TRUE(WaitUntil(Wait::HostStart, [&] {
    return ::IsWindowVisible(dialog) && !FindDialogWithControl(m_host->ProcessId(), kProgressBar);
  }));
  EXPECT_FALSE(FindMessageBox(m_host->ProcessId()));
  EXPECT_TRUE(fs::exists(m_root / "store" / "IAPSettings.xml"));
  std::ifstream stored(m_root / "store" / "IAPSettings.xml");
  std::string text((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Office"), std::string::npos) << text;
  // One audit line: the operation, its result and the file it came from.
  std::vector<std::wstring> audit = AuditLines();
  ASSERT_EQ(audit.size(), auditBefore + 1);
  EXPECT_NE(audit.back().find(L";Corvanset User Interface;Configure;0x00000000 Ok;" + file.wstring() + L";"),
            std::wstring::npos)
      << Utf8(audit.back());

  // The client was closed: a second send opens the device again, and now nothing is asked.
  SetDeviceState("");
  EXPECT_TRUE(PressButton(dialog, kSendButton));
  EXPECT_TRUE(WaitUntil(Wait::HostStart, [&] { return AuditLines().size() == auditBefore + 2; }));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] {
    return ::IsWindowVisible(dialog) && !FindDialogWithControl(m_host->ProcessId(), kProgressBar);
  }));
  EXPECT_FALSE(FindMessageBox(m_host->ProcessId()));
  EXPECT_NE(AuditLines().back().find(L";Configure;0x00000000 Ok;"), std::wstring::npos);
  EXPECT_TRUE(PressButton(dialog, IDOK));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }));
}

TEST_F(SendToTheDevice, AClientsOpenTerminalManagerBringsUpTheViewOnItsFile) {
  const fs::path file = SettingsFile();
  orvel::win::DeleteRegValue(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"RequestFile");
  // A client of the engine asks for the file. The engine's server that its call starts takes the
  // client's environment: it ends soon after its last client, before the next case.
  ::SetEnvironmentVariableW(L"ORVEL_LIMITS", L"Vantrel.IdleShutdown=3000");
  std::optional<DWORD> client =
      RunProgram(WindowsPath(SAMPLECLIENT_EXE) + L" --name \"Send Test\" openmanager " +
                 orvel::win::QuotedArgument(file.wstring()));
  ::SetEnvironmentVariableW(L"ORVEL_LIMITS", nullptr);
  ASSERT_TRUE(client);
  EXPECT_EQ(*client, 0u);
  EXPECT_EQ(orvel::win::ReadRegString(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"RequestFile"),
            file.wstring());
  // The connectivity manager starts the host: the view opens the requested file, once.
  StartWith(L"");
  EXPECT_TRUE(WaitUntil(Wait::Window, [] {
    return !orvel::win::ReadRegString(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"RequestFile");
  }));
  ASSERT_TRUE(m_host->Close());
  m_host.reset();
  EXPECT_EQ(orvel::win::ReadRegString(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"LastFile"),
            file.wstring());
}

// The main road as an operator takes it: a settings file opened through the open dialog, two values
// changed in the tree, the file saved, and the configuration sent to the device. It runs in the
// ordinary mode and once more with the host, the engine and this program in Windows 98 mode
// (morvane_send_win98), where the plug-in reaches the system through Ambrel's ANSI paths: there a
// letter outside the code page, typed into the tree's editor, is kept as "?".
TEST_F(SendToTheDevice, AFileOpenedChangedInTheTreeAndSavedReachesTheDevice) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(::GetVersionExA(&version));
  const bool ninetyEight = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  std::printf("running as %s\n", ninetyEight ? "Windows 98" : "Windows NT");
  const fs::path file = fs::path(Folder()) / L"main_road.xml";
  {
    std::ofstream out(file, std::ios::binary);
    const char text[] =
        "<?xml version=\"1.0\"?><Settings><IAPSettings><IAPConnection op=\"create\">"
        "<ConnectionName op=\"create\">Office</ConnectionName>"
        "<PhoneNumber op=\"create\">5550100</PhoneNumber><Username op=\"create\">me</Username>"
        "</IAPConnection></IAPSettings></Settings>";
    out << "\xff\xfe";
    for (const char* c = text; *c; ++c) out.put(*c).put('\0');
  }
  const size_t auditBefore = std::max<size_t>(AuditLines().size(), 1);  // a new log starts with a header
  HostOptions options;
  options.program = WindowsPath(FENWARP_EXE);
  options.plugins = {kView};
  options.logPath = Folder() + L"\\main_road_host.log";
  options.environment = {{L"ORVEL_LIMITS", L"Vantrel.IdleShutdown=3000,Morvane.EngineCheck=200"}};
  m_host = std::make_unique<CHostProcess>();
  ASSERT_TRUE(m_host->Start(options));
  ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
  const DWORD pid = m_host->ProcessId();

  // Open: the name typed into the dialog's name field once it has the focus.
  m_host->RunCommand(29052);
  HWND open = WaitDialog(pid, L"Open");
  ASSERT_NE(open, nullptr);
  ASSERT_TRUE(BringToFront(open));
  HWND field = nullptr;
  ASSERT_TRUE(WaitUntil(Wait::Window, [&] {
    field = FocusOf(open);
    return field && ::IsChild(open, field) && ClassName(field) == L"Edit";
  }));
  TypeText(file.wstring());
  ASSERT_TRUE(WaitUntil(Wait::Text, [&] { return WindowText(field) == file.wstring(); }))
      << Utf8(WindowText(field));
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(open); }));
  ASSERT_TRUE(SettingsShown(*m_host));

  // Two values changed in the tree: F2 on the item, the new text and Enter.
  HWND tree = FindControl(m_host->Frame(), 10150);
  ASSERT_NE(tree, nullptr);
  auto item = [&](std::vector<std::wstring_view> path) {
    HTREEITEM found = nullptr;
    for (size_t depth = 1; depth <= path.size(); ++depth) {
      std::vector<std::wstring_view> prefix(path.begin(), path.begin() + depth);
      WaitUntil(Wait::Text, [&] { return (found = FindTreeItem(tree, prefix)) != nullptr; });
      if (!found) return found;
      if (depth < path.size() && !(TreeView_GetItemState(tree, found, TVIS_EXPANDED) & TVIS_EXPANDED))
        TreeView_Expand(tree, found, TVE_EXPAND);
    }
    return found;
  };
  auto edit = [&](HTREEITEM at, std::wstring_view text) {
    std::optional<RECT> row = TreeItemRect(tree, at);
    ASSERT_TRUE(row);
    ASSERT_TRUE(BringToFront(m_host->Frame()));
    ASSERT_TRUE(ClickAt(tree, {(row->left + row->right) / 2, (row->top + row->bottom) / 2}));
    ASSERT_TRUE(WaitUntil(Wait::Text, [&] { return TreeView_GetSelection(tree) == at; }));
    PressKey(VK_F2);
    ASSERT_TRUE(WaitUntil(Wait::Text, [&] {
      HWND focus = FocusOf(tree);
      return focus && focus != tree && ::IsChild(tree, focus);
    }));
    TypeText(std::wstring(text) + L"\n");
    ASSERT_TRUE(WaitUntil(Wait::Text, [&] { return FocusOf(tree) == tree; }));
  };
  const std::wstring iap = Text(279);
  HTREEITEM phone = item({iap, L"Office", Text(262)});
  ASSERT_NE(phone, nullptr);
  edit(phone, L"5550199");
  HTREEITEM user = item({iap, L"Office", Text(276)});
  ASSERT_NE(user, nullptr);
  edit(user, L"op\u00e9rator \u05d0");

  m_host->RunCommand(29051);
  ASSERT_TRUE(m_host->ExpectLog(L"ExecuteCommand(29051)"));

  // Sent through the send dialog: no question, no box, the send dialog again.
  m_host->RunCommand(kSendCommand);
  HWND dialog = WaitDialogWithControl(pid, kSendButton);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] {
    return WindowText(FindControl(dialog, kSendDeviceNameLabel)) == L" Farlink";
  })) << Utf8(WindowText(FindControl(dialog, kSendDeviceNameLabel)));
  ASSERT_TRUE(WaitUntil(Wait::Window, [&] { return ::IsWindowEnabled(FindControl(dialog, kSendButton)); }));
  EXPECT_TRUE(PressButton(dialog, kSendButton));
  EXPECT_TRUE(WaitUntil(Wait::HostStart, [&] { return AuditLines().size() == auditBefore + 1; }));
  EXPECT_TRUE(WaitUntil(
      Wait::Window, [&] { return ::IsWindowVisible(dialog) && !FindDialogWithControl(pid, kProgressBar); }));
  EXPECT_FALSE(FindMessageBox(pid)) << Utf8(FindMessageBox(pid)->text);
  std::vector<std::wstring> audit = AuditLines();
  ASSERT_EQ(audit.size(), auditBefore + 1);
  EXPECT_NE(audit.back().find(L";Corvanset User Interface;Configure;0x00000000 Ok;" + file.wstring() + L";"),
            std::wstring::npos)
      << Utf8(audit.back());
  EXPECT_TRUE(PressButton(dialog, IDOK));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }));
  std::optional<DWORD> code = m_host->Close();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
  m_host.reset();

  // The device has the new phone number; the saved file has both values, the user name as the
  // mode's code page holds it.
  std::ifstream stored(m_root / "store" / "IAPSettings.xml", std::ios::binary);
  std::string received((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>());
  EXPECT_NE(received.find(">5550199<"), std::string::npos) << received;
  EXPECT_EQ(received.find("5550100"), std::string::npos) << received;
  std::ifstream saved(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 2u);
  std::wstring savedText(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  EXPECT_NE(savedText.find(L">5550199<"), std::wstring::npos) << Utf8(savedText);
  const std::wstring userName = ninetyEight ? L">op\u00e9rator ?<" : L">op\u00e9rator \u05d0<";
  EXPECT_NE(savedText.find(userName), std::wstring::npos) << Utf8(savedText);
}

// Run alone as the suite's clean-up fixture: the scripted engine never stays registered, even when
// the suite's process did not reach its end.
TEST(MockEngineRegistration, Removed) {
  RemoveScriptedEngine();
  EXPECT_FALSE(orvel::win::ReadRegString(HKEY_LOCAL_MACHINE, kEngineKey, nullptr));
  EXPECT_TRUE(orvel::win::ReadRegString(
      HKEY_CLASSES_ROOT, L"CLSID\\" + orvel::win::GuidText(CLSID_TerminalManagerExt) + L"\\LocalServer32",
      nullptr));
}

}  // namespace
