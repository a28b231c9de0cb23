// The about box and the long-text dialog in this process with the language library beside the
// test, worked with real input from a second thread while the dialog runs modally: the version
// line, the signature's limit of 500 characters for typing and pasting, the long text's limit,
// the line breaks stored, Cancel, and loading files through the open dialog.
#include "ui/dialogs/text_dialogs.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "testing/ui_driver.h"
#include "settings/settings_file.h"
#include "support/u16text.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/dialogs/text_logic.h"

using namespace orvel;
using namespace orvel::ui;
namespace driver = orvel::uidriver;

namespace {

// The plug-in's file version from ui/morvane_version.rc (the build passes it) as the about box
// writes it.
std::u16string ExpectedVersion() {
  const unsigned fields[] = {MORVANE_FILE_VERSION};
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u%u", (fields[0] & 0xFF) * 10 + (fields[1] & 0xFF), fields[2] & 0xFF,
                fields[3] & 0xFF);
  return FromUtf8(text);
}

std::u16string FolderOfTest() { return GetModuleFolder(); }

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App().InitInstance();
    ASSERT_TRUE(App().LanguageLoaded());
  }

  // Runs the dialog modally while `drive` works it from a second thread, given the dialog's window
  // once a dialog of this process holds `controlId`. A dialog still open when drive returns is
  // cancelled, so that a failed step cannot hang the test.
  static INT_PTR RunDriven(win::CDialog& dialog, int controlId, const std::function<void(HWND)>& drive) {
    std::thread driverThread([&] {
      HWND window = driver::WaitDialogWithControl(::GetCurrentProcessId(), controlId);
      if (!window) return;
      drive(window);
      // The click that ends the dialog is still in the input queue: a posted Cancel would come first.
      driver::WaitUntil(driver::Wait::Window, [&] { return !::IsWindow(window); });
      if (::IsWindow(window)) ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    INT_PTR result = dialog.DoModal();
    driverThread.join();
    return result;
  }
};

TEST_F(DialogTest, AboutBoxShowsThePlugInsVersion) {
  const std::u16string expected = App().LoadResString(kVersionLabelText, true) + u" " + ExpectedVersion();
  CAboutDlg about(App().ResourceHandle());
  std::wstring shown;
  ::testing::AssertionResult closed = ::testing::AssertionFailure();
  EXPECT_EQ(RunDriven(about, kAboutVersionLabel,
                      [&](HWND window) {
                        shown = driver::WindowText(driver::FindControl(window, kAboutVersionLabel));
                        driver::CaptureWindow(window, L"about");
                        closed = driver::PressButton(window, IDOK);
                      }),
            IDOK);
  EXPECT_TRUE(closed);
  EXPECT_EQ(win::FromWide(shown), expected);
}

TEST(FileVersionText, ThePlugInsFileAndFilesWithoutAVersion) {
  const std::u16string folder = FolderOfTest();
  EXPECT_EQ(FileVersionText(folder + u"Morvane.dll"), ExpectedVersion());
  EXPECT_EQ(FileVersionText(folder + u"Quillet.dll"), kNoVersionText);  // no version resource
  EXPECT_EQ(FileVersionText(folder + u"no such file.dll"), kNoVersionText);
}

void PutOnClipboard(const std::wstring& text) {
  if (!::OpenClipboard(nullptr)) return;
  ::EmptyClipboard();
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  if (memory) {
    auto* target = static_cast<wchar_t*>(::GlobalLock(memory));
    text.copy(target, text.size());
    target[text.size()] = L'\0';
    ::GlobalUnlock(memory);
    if (!::SetClipboardData(CF_UNICODETEXT, memory)) ::GlobalFree(memory);
  }
  ::CloseClipboard();
}

std::wstring Repeat(wchar_t c, size_t count) { return std::wstring(count, c); }

// Typing and pasting at the end of the given text, then OK or Cancel.
struct EditCase {
  const char* name;
  uint16_t mode;
  std::wstring start;  // given with line feeds
  size_t paste;        // this many 'p' pasted first
  std::wstring typed;  // "\n" is the Enter key
  std::wstring shown;  // what the edit holds after typing (CR LF breaks)
  int button;
  std::wstring stored;  // GetText afterwards
};

const EditCase kEditCases[] = {
    {"pasting 600 keeps 500", 0, L"", 600, L"", Repeat(L'p', 500), IDOK, Repeat(L'p', 500)},
    {"typing beyond 500 keeps 500", 0, Repeat(L'a', 498), 0, L"xyz", Repeat(L'a', 498) + L"xy", IDOK,
     Repeat(L'a', 498) + L"xy"},
    {"499 and a line break are 500", 0, Repeat(L'a', 499), 0, L"\nb", Repeat(L'a', 499) + L"\r\n", IDOK,
     Repeat(L'a', 499) + L"\n"},
    {"mode 1 stops at 10000", 1, Repeat(L'a', 9998), 0, L"xyz", Repeat(L'a', 9998) + L"xy", IDOK,
     Repeat(L'a', 9998) + L"xy"},
    {"OK stores line feeds", 1, L"one\ntwo", 0, L"\nthree", L"one\r\ntwo\r\nthree", IDOK, L"one\ntwo\nthree"},
    {"Cancel stores nothing", 1, L"keep", 0, L" more", L"keep more", IDCANCEL, L"keep"},
};

TEST_F(DialogTest, TypingPastingAndTheButtons) {
  for (const auto& c : kEditCases) {
    SCOPED_TRACE(c.name);
    CTextViewDlg dialog(App().ResourceHandle());
    dialog.SetMode(c.mode);
    dialog.SetText(win::FromWide(c.start));
    std::wstring caption, shown;
    bool selectedOnOpening = true;
    ::testing::AssertionResult pressed = ::testing::AssertionFailure();
    const INT_PTR result = RunDriven(dialog, kTextEdit, [&](HWND window) {
      caption = driver::WindowText(window);
      HWND edit = driver::FindControl(window, kTextEdit);
      DWORD from = 0, to = 0;
      ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
      selectedOnOpening = from != to;
      if (!driver::BringToFront(window)) return;
      driver::PressKeys({VK_CONTROL, VK_END});
      if (c.paste) {
        PutOnClipboard(Repeat(L'p', c.paste));
        driver::PressKeys({VK_CONTROL, 'V'});
      }
      driver::TypeText(c.typed);
      driver::WaitUntil(driver::Wait::Text, [&] { return driver::WindowText(edit) == c.shown; });
      shown = driver::WindowText(edit);
      pressed = driver::PressButton(window, c.button);
    });
    EXPECT_TRUE(pressed);
    EXPECT_EQ(result, c.button);
    EXPECT_EQ(win::FromWide(caption),
              App().LoadResString(c.mode == 0 ? kSignatureCaptionText : kLoginScriptCaptionText, true));
    EXPECT_FALSE(selectedOnOpening);
    EXPECT_EQ(shown.size(), c.shown.size());
    EXPECT_TRUE(shown == c.shown);  // the texts are long: their sizes say more
    EXPECT_TRUE(dialog.GetText() == win::FromWide(c.stored));
  }
}

TEST_F(DialogTest, TheEditHasItsOwnFont) {
  CTextViewDlg dialog(App().ResourceHandle());
  LOGFONTW font{};
  RunDriven(dialog, kTextEdit, [&](HWND window) {
    auto handle =
        reinterpret_cast<HFONT>(::SendMessageW(driver::FindControl(window, kTextEdit), WM_GETFONT, 0, 0));
    if (handle) ::GetObjectW(handle, sizeof font, &font);
    ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_STREQ(font.lfFaceName, L"Courier New");
  EXPECT_EQ(font.lfHeight, 14);
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
}

// Loads `path` with the Load button and the open dialog (the path put into its file name box), then
// ends the text dialog with OK; what the edit showed after the load.
struct LoadRun {
  std::wstring shown;
  std::wstring box;  // the text of a message box that appeared, answered with OK
  std::u16string stored;
  bool steps = false;
};

// The open dialog's file name box (edt1).
constexpr int kFileNameEdit = 0x480;

LoadRun LoadThroughTheDialog(const std::wstring& path, uint16_t mode, bool expectBox) {
  LoadRun run;
  CTextViewDlg dialog(App().ResourceHandle());
  dialog.SetMode(mode);
  dialog.SetText(u"old");
  const DWORD process = ::GetCurrentProcessId();
  std::thread driverThread([&] {
    HWND window = driver::WaitDialogWithControl(process, kTextEdit);
    if (!window) return;
    HWND edit = driver::FindControl(window, kTextEdit);
    if (driver::PressButton(window, kLoadOrBrowseButton)) {
      HWND name = nullptr;
      HWND open = nullptr;
      driver::WaitUntil(driver::Wait::Window, [&] {
        if ((open = driver::FindDialogWithControl(process, kFileNameEdit)) != nullptr) {
          name = driver::FindControl(open, kFileNameEdit);
        }
        return name != nullptr;
      });
      if (name) {
        ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        // The Open button itself: the file list inside the dialog has the id 1 too.
        if (driver::Click(::GetDlgItem(open, IDOK))) {
          if (expectBox) {
            if (auto box = driver::WaitMessageBox(process)) {
              run.box = box->text;
              driver::PressButton(box->window, IDOK);
              driver::WaitUntil(driver::Wait::Window, [&] { return !::IsWindow(box->window); });
            }
          } else {
            driver::WaitUntil(driver::Wait::Text, [&] { return driver::WindowText(edit) != L"old"; });
          }
          run.shown = driver::WindowText(edit);
          run.steps = static_cast<bool>(driver::PressButton(window, IDOK));
        }
      }
    }
    driver::WaitUntil(driver::Wait::Window, [&] { return !::IsWindow(window); });
    // After a failed step: the open dialog first, then the text dialog.
    if (HWND open = driver::FindDialogWithControl(process, kFileNameEdit))
      ::PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
    if (::IsWindow(window)) ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  });
  dialog.DoModal();
  driverThread.join();
  run.stored = dialog.GetText();
  return run;
}

bool WriteFile(const std::u16string& path, const std::string& bytes) {
  std::u16string error;
  return ReplaceFileBytes(path, bytes, error);
}

TEST_F(DialogTest, LoadingAUtf16AndAnAnsiFileWithTheSameWords) {
  const std::wstring words = L"Caf\u00e9 au lait\r\nzweite Zeile\rdritte";
  std::string utf16 = "\xFF\xFE";
  for (wchar_t c : words) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>(c >> 8);
  }
  char ansi[128] = {};
  const int ansiLength = ::WideCharToMultiByte(CP_ACP, 0, words.c_str(), static_cast<int>(words.size()), ansi,
                                               sizeof ansi, nullptr, nullptr);
  ASSERT_GT(ansiLength, 0);
  const std::u16string folder = FolderOfTest();
  ASSERT_TRUE(WriteFile(folder + u"text_utf16.txt", utf16));
  ASSERT_TRUE(WriteFile(folder + u"text_ansi.txt", std::string(ansi, static_cast<size_t>(ansiLength))));

  const LoadRun fromUtf16 = LoadThroughTheDialog(win::AsWide(folder + u"text_utf16.txt"), 1, false);
  const LoadRun fromAnsi = LoadThroughTheDialog(win::AsWide(folder + u"text_ansi.txt"), 1, false);
  EXPECT_TRUE(fromUtf16.steps);
  EXPECT_TRUE(fromAnsi.steps);
  EXPECT_EQ(fromUtf16.shown, L"Caf\u00e9 au lait\r\nzweite Zeile\r\ndritte");
  EXPECT_EQ(fromAnsi.shown, fromUtf16.shown);
  EXPECT_EQ(fromUtf16.stored, u"Caf\u00e9 au lait\nzweite Zeile\ndritte");
  EXPECT_EQ(fromAnsi.stored, fromUtf16.stored);
}

TEST_F(DialogTest, AMissingFileIsReportedAndTheTextStays) {
  const std::u16string path = FolderOfTest() + u"no such text.txt";
  std::string bytes;
  std::u16string error;
  ASSERT_FALSE(ReadFileBytes(path, bytes, error));
  const LoadRun run = LoadThroughTheDialog(win::AsWide(path), 0, true);
  EXPECT_TRUE(run.steps);
  EXPECT_EQ(win::FromWide(run.box), error);  // the system's text for a missing file
  EXPECT_EQ(run.shown, L"old");
  EXPECT_EQ(run.stored, u"old");
}

}  // namespace
