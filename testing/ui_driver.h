// The user-interface test driver: GoogleTest programs use it to run the Fenwarp host with a real
// plug-in in the Wine prefix and to work it as a person would, with real mouse and keyboard input.
//
// Waits poll their condition and give up after a limit from one table (Wait); none sleeps for its
// limit. On a slow machine the environment variable ORVEL_UI_WAIT_PERCENT (100 to 10000) scales
// every limit, for example ORVEL_UI_WAIT_PERCENT=300 for three times as long.
//
// The texts of list views, tree views and toolbars live in the host's memory: the driver reads
// them through a buffer in the host process, which works when the test and the host have the same
// pointer size (both builds of this project do).
#pragma once

// clang-format off
#include <windows.h>
// after windows.h
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "outside/fenwarp/frame_ids.h"

namespace orvel::uidriver {

enum class Wait {
  HostStart,  // the host's frame appears after the process starts: 30 s
  HostExit,   // the host ends after WM_CLOSE: 20 s
  Window,     // a dialog, a message box or the foreground change after a click: 10 s
  LogLine,    // a line appears in the host's log: 10 s
  Text,       // a control shows a text after typing: 5 s
};
DWORD WaitMs(Wait wait);
// Polls done until it holds (true) or the limit has passed (false), handling the calling
// thread's messages in between.
bool WaitUntil(Wait limit, const std::function<bool()>& done);

// A path of the build machine as the Windows programs see it: "/a/b" is "Z:\a\b" (Wine's drive of
// the root); any other path only has its slashes turned.
std::wstring WindowsPath(std::string_view path);

// The host's frame class, its own command ids and its children's control ids.
using fenwarp::kCommandAbout;
using fenwarp::kCommandExit;
using fenwarp::kCommandHelp;
using fenwarp::kFrameClass;
using fenwarp::kToolbarId;
using fenwarp::kViewBarId;

struct HostOptions {
  std::wstring program;               // fenwarp.exe (WindowsPath of the target file)
  std::vector<std::wstring> plugins;  // one /plugin each, in this order; empty: every registered one
  std::wstring logPath;               // /log; the file is deleted before the start
  std::wstring file;                  // the optional file argument ("RequestFile")
  // Variables set (or, with an empty value, removed) for the host process only.
  std::vector<std::pair<std::wstring, std::wstring>> environment;
};

// One run of the host. The destructor ends a host that is still running (a failed test).
class CHostProcess {
 public:
  CHostProcess() = default;
  CHostProcess(const CHostProcess&) = delete;
  CHostProcess& operator=(const CHostProcess&) = delete;
  ~CHostProcess();

  // Starts the host and waits for its frame window.
  ::testing::AssertionResult Start(const HostOptions& options);
  HWND Frame() const { return m_frame; }
  DWORD ProcessId() const { return m_processId; }
  bool IsRunning() const;

  // The log's lines so far (the file is read afresh each time).
  std::vector<std::wstring> LogLines() const;
  // The index of the first line at or after from that contains text, once it is there.
  std::optional<size_t> WaitLog(std::wstring_view text, size_t from = 0) const;
  // WaitLog as an assertion whose failure message shows the log.
  ::testing::AssertionResult ExpectLog(std::wstring_view text, size_t from = 0, size_t* at = nullptr) const;
  // Every line that contains text, in order.
  std::vector<std::wstring> LogLinesWith(std::wstring_view text) const;

  // Posts WM_COMMAND with the id to the frame, which hands it to the active plug-in's
  // ExecuteCommand (or runs its own help, about and exit commands).
  void RunCommand(UINT id) const;
  // Posts WM_CLOSE and waits for the process to end; its exit code.
  std::optional<DWORD> Close();
  std::optional<DWORD> WaitExit();

 private:
  std::wstring m_logPath;
  HANDLE m_process = nullptr;
  DWORD m_processId = 0;
  HWND m_frame = nullptr;
};

// Runs a program (a whole command line) and waits for its end; its exit code, none when it did not
// start or end within the limit.
std::optional<DWORD> RunProgram(std::wstring commandLine, Wait limit = Wait::HostExit);

// The visible top-level windows of a process, with `hiddenToo` the hidden ones as well.
std::vector<HWND> TopLevelWindows(DWORD processId, std::wstring_view className = {}, bool hiddenToo = false);
// A visible dialog (class "#32770") of the process with that title, or holding a control with the id.
HWND FindDialog(DWORD processId, std::wstring_view title);
HWND FindDialogWithControl(DWORD processId, int controlId);
HWND WaitDialog(DWORD processId, std::wstring_view title);
HWND WaitDialogWithControl(DWORD processId, int controlId);
// The first descendant with that id, or of that class; null when none.
HWND FindControl(HWND parent, int id);
HWND FindControlByClass(HWND parent, std::wstring_view className);

// A wide text as UTF-8, for messages of the tests.
std::string Utf8(std::wstring_view text);

// Texts. WM_GETTEXT, list boxes and combo boxes work across processes as they are.
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
std::vector<std::wstring> ListBoxTexts(HWND listBox);
std::vector<std::wstring> ComboBoxTexts(HWND comboBox);
std::vector<std::wstring> ListViewTexts(HWND listView, int column = 0);
struct TreeText {
  int depth;  // 0 for a root item
  std::wstring text;
};
// Every item, depth first, collapsed ones included.
std::vector<TreeText> TreeTexts(HWND tree);
std::wstring TreeSelectionText(HWND tree);
std::wstring TreeItemText(HWND tree, HTREEITEM item);
// The item reached from the top level by the texts of each level in turn; null when one is missing
// (children of a collapsed item may not be in the control yet).
HTREEITEM FindTreeItem(HWND tree, const std::vector<std::wstring_view>& path);
// The item's whole row in the tree's client coordinates; none when it is not shown.
std::optional<RECT> TreeItemRect(HWND tree, HTREEITEM item);

// Real input. A click brings the control's top-level window to the foreground, moves the cursor
// to the point and presses and releases the left button there.
::testing::AssertionResult Click(HWND control);
::testing::AssertionResult ClickAt(HWND window, POINT client);
::testing::AssertionResult ClickListViewItem(HWND listView, int index);
::testing::AssertionResult ClickToolbarButton(HWND toolbar, int commandId);
bool ToolbarButtonEnabled(HWND toolbar, int commandId);
bool ToolbarHasButton(HWND toolbar, int commandId);
// Types text into whatever has the keyboard focus: characters as Unicode input, "\t" as the Tab
// key and "\r\n" or "\n" as the Enter key.
void TypeText(std::wstring_view text);
// One key, pressed and released (VK_RETURN, VK_ESCAPE, VK_TAB, VK_F5, ...).
void PressKey(WORD virtualKey);
// One key pressed (up false) or released (up true) alone, for a modifier held around a click.
void SendKey(WORD virtualKey, bool up);
// Keys pressed in order and released in reverse, e.g. {VK_MENU, 'E'} for Alt+E.
void PressKeys(std::initializer_list<WORD> virtualKeys);
// The window with the keyboard focus in the thread that owns the window; null when none.
HWND FocusOf(HWND window);
// Brings a top-level window to the foreground and waits until it is there.
::testing::AssertionResult BringToFront(HWND window);

// Message boxes: a dialog of the process with the text control 0xFFFF.
inline constexpr int kMessageBoxTextId = 0xFFFF;
struct MessageBoxInfo {
  HWND window;
  std::wstring caption;
  std::wstring text;
};
std::optional<MessageBoxInfo> FindMessageBox(DWORD processId);
std::optional<MessageBoxInfo> WaitMessageBox(DWORD processId);
// A string of a resource file (loaded as data), e.g. of the Quillet.dll the plug-in uses; empty
// when the file or the string is missing.
std::wstring LoadLibraryString(const std::wstring& file, UINT id);
// Fills "%1".."%9" with the arguments by number and each "%s" (or "%ls") with the next one.
std::wstring FormatString(std::wstring_view pattern, std::initializer_list<std::wstring_view> args);
// Presses a dialog's button with a real click.
::testing::AssertionResult PressButton(HWND dialog, int buttonId);
// Waits for a message box, compares its text with expected, and presses the button.
::testing::AssertionResult AnswerMessageBox(DWORD processId, std::wstring_view expected, int buttonId);

// Screenshots: the window as it is on the screen, as "<name>.png" in the folder named by
// ORVEL_SCREENSHOT_DIR (a build-machine path is taken through WindowsPath). The file's path.
std::optional<std::wstring> CaptureWindow(HWND window, std::wstring_view name);

}  // namespace orvel::uidriver
