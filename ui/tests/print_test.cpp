// Printing in the real host with the real plug-in on the tests' printer (tools/print-env), worked
// with real input: the print dialog prints the fixture's created settings, and the PDF's text holds
// the golden lines in order; the preview shows its pages, pages on and back, prints and closes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/ui_driver.h"
#include "settings/settings_schema.h"
#include "support/u16text.h"
#include "testing/printed_job.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "ui/app/resource_ids.h"

namespace {

namespace fs = std::filesystem;
using namespace orvel::ui;
using namespace orvel::uidriver;

constexpr wchar_t kView[] = L"Orvel.MorvaneView";
constexpr wchar_t kEngineWindow[] = L"OrvelCorvansetWnd";
constexpr wchar_t kPreviewClass[] = L"Orvel.PrintPreviewFrame";
// The orientation of the system's set-up dialog (rad2 of <dlgs.h>).
constexpr int kLandscapeButton = 1057;
// The preview frame's bar.
constexpr int kPreviewPrint = 0xE303;
constexpr int kPreviewNext = 0xE301;
constexpr int kPreviewPrevious = 0xE302;
constexpr int kPreviewPages = 0xE304;
constexpr int kPreviewZoomIn = 0xE305;
constexpr int kPreviewZoomOut = 0xE306;
constexpr int kPreviewPageText = 0xE307;

std::wstring Folder() {
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  return folder;
}

std::wstring Text(UINT id) { return LoadLibraryString(Folder() + L"\\Quillet.dll", id); }

fs::path SourcePath(const wchar_t* relative) {
  wchar_t source[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"ORVEL_SOURCE_DIR", source, MAX_PATH);
  std::wstring dir(source);
  return fs::path(WindowsPath(std::string(dir.begin(), dir.end()))) / relative;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Words of a text, each punctuation character ending one: the printed lines break at blanks and
// after punctuation, so the words are the same however a printer's widths wrap them.
std::vector<std::u16string> Words(std::u16string_view text) {
  std::vector<std::u16string> words;
  std::u16string word;
  auto flush = [&] {
    if (!word.empty()) words.push_back(word);
    word.clear();
  };
  for (char16_t c : text) {
    if (orvel::IsBlank(c) || c == u'\f') {
      flush();
      continue;
    }
    word += c;
    if (c < 128 && std::ispunct(static_cast<int>(c))) flush();
  }
  flush();
  return words;
}

// The golden is made with the element names as display texts; the plug-in shows the language
// library's text of each name.
std::u16string Localized(std::u16string_view text) {
  const uint32_t id = orvel::FindNameId(text);
  const std::wstring shown = id ? Text(id) : std::wstring();
  return shown.empty() ? std::u16string(text) : orvel::win::FromWide(shown);
}

// The golden's records of one range, by their x: the texts of each column in order.
std::map<int, std::u16string> GoldenColumns(const std::string& golden, const std::string& range) {
  std::map<int, std::u16string> columns;
  size_t at = golden.find("=== " + range + "\n");
  if (at == std::string::npos) return columns;
  size_t end = golden.find("\n=== ", at + 4);
  std::u16string section = orvel::FromUtf8(golden.substr(at, end == std::string::npos ? end : end - at));
  size_t line = 0;
  while (line < section.size()) {
    size_t next = section.find(u'\n', line);
    if (next == std::u16string::npos) next = section.size();
    std::u16string_view slot(section.data() + line, next - line);
    line = next + 1;
    if (slot.rfind(u"===", 0) == 0 || slot.rfind(u"---", 0) == 0) continue;
    while (!slot.empty()) {
      size_t bar = slot.find(u" | ");
      std::u16string_view record = slot.substr(0, bar);
      slot = bar == std::u16string_view::npos ? std::u16string_view() : slot.substr(bar + 3);
      if (record.size() < 7) continue;
      int x = std::stoi(orvel::AsUtf8(record.substr(1, 6)));
      columns[x] += Localized(record.substr(7)) + u"\n";
    }
  }
  return columns;
}

// Whether the words come in the printed text in this order (other words may lie between them).
::testing::AssertionResult InOrder(const std::vector<std::u16string>& words,
                                   const std::vector<std::u16string>& printed) {
  size_t at = 0;
  for (const std::u16string& word : words) {
    while (at < printed.size() && printed[at] != word) ++at;
    if (at == printed.size())
      return ::testing::AssertionFailure() << "missing in order: " << orvel::AsUtf8(word);
    ++at;
  }
  return ::testing::AssertionSuccess();
}

class MorvanePrint : public ::testing::Test {
 protected:
  void SetUp() override {
    if (orvel::win::PrintOutputFolder().empty()) GTEST_SKIP() << "no print service (tools/wine-env start)";
    orvel::win::DeleteRegValue(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"RequestFile");
    orvel::win::DeleteRegValue(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"LastFile");
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_name = orvel::win::AsWide(orvel::FromUtf8(info->name()));
    fs::path folder = fs::path(Folder()) / L"print";
    fs::create_directories(folder);
    // The fixture as a settings file: UTF-16 with its byte-order mark.
    m_file = folder / (m_name + L".xml");
    std::u16string text = orvel::FromUtf8(ReadBytes(SourcePath(L"ui/tests/testdata/print_fixture.xml")));
    std::ofstream out(m_file, std::ios::binary);
    out << "\xff\xfe";
    for (char16_t c : text) out.put(static_cast<char>(c & 0xff)).put(static_cast<char>(c >> 8));
    out.close();
    HostOptions options;
    // ORVEL_PRINT_HOST names a copy of the host that Wine runs as another system (Windows 98).
    wchar_t host[MAX_PATH] = {};
    const DWORD hostLength = ::GetEnvironmentVariableW(L"ORVEL_PRINT_HOST", host, MAX_PATH);
    options.program = hostLength && hostLength < MAX_PATH ? std::wstring(host) : WindowsPath(FENWARP_EXE);
    options.plugins = {kView};
    options.logPath = folder.wstring() + L"\\" + m_name + L".log";
    options.environment = {{L"ORVEL_LIMITS", L"Vantrel.IdleShutdown=3000"}};
    options.file = m_file.wstring();
    m_host = std::make_unique<CHostProcess>();
    ASSERT_TRUE(m_host->Start(options));
    ASSERT_TRUE(m_host->ExpectLog(L"host ready"));
    if (auto earlier = orvel::win::FindPrintedJob(JobTitle())) m_lastJob = earlier->number;
  }
  void TearDown() override {
    if (!m_host) return;
    if (m_host->IsRunning()) ::PostMessageW(m_host->Frame(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(m_host->WaitExit());
    EXPECT_TRUE(WaitUntil(Wait::HostExit, [] { return !::FindWindowW(nullptr, kEngineWindow); }));
  }
  // The job's title: the document's.
  std::u16string JobTitle() const { return orvel::win::FromWide(m_file.filename().wstring()); }

  // The print dialog: its created-settings choice is checked at first; OK prints.
  ::testing::AssertionResult PrintWithTheDialog(const wchar_t* screenshot) {
    HWND dialog = WaitDialogWithControl(m_host->ProcessId(), kPrintCreatedButton);
    if (!dialog) return ::testing::AssertionFailure() << "no print dialog";
    if (!WaitUntil(Wait::Window, [&] {
          return ::SendMessageW(FindControl(dialog, kPrintCreatedButton), BM_GETCHECK, 0, 0) == BST_CHECKED &&
                 ::SendMessageW(FindControl(dialog, kPrintAllButton), BM_GETCHECK, 0, 0) == BST_UNCHECKED;
        }))
      return ::testing::AssertionFailure() << "the created settings are not the first choice";
    if (screenshot) CaptureWindow(dialog, screenshot);
    if (auto pressed = PressButton(dialog, IDOK); !pressed) return pressed;
    if (!WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }))
      return ::testing::AssertionFailure() << "the print dialog stays";
    return ::testing::AssertionSuccess();
  }

  // The job of this test's document printed after the jobs there were when the test began (a job
  // of an earlier run has the same title).
  std::optional<orvel::win::PrintedJob> NewJob() const {
    std::optional<orvel::win::PrintedJob> job;
    // The service converts a job in well under a second; emulated 32-bit Wine takes longer.
    WaitUntil(Wait::HostStart, [&] {
      job = orvel::win::FindPrintedJob(JobTitle());
      return job && job->number > m_lastJob;
    });
    if (!job || job->number <= m_lastJob) return std::nullopt;
    return job;
  }

  HWND PreviewFrame() const {
    std::vector<HWND> frames = TopLevelWindows(m_host->ProcessId(), kPreviewClass);
    return frames.empty() ? nullptr : frames.front();
  }

  std::wstring m_name;
  fs::path m_file;
  std::unique_ptr<CHostProcess> m_host;
  int m_lastJob = 0;
};

TEST_F(MorvanePrint, ThePrintedPdfHoldsTheGoldenLinesInOrder) {
  m_host->RunCommand(kPrintCommand);
  ASSERT_TRUE(PrintWithTheDialog(L"morvane_print_dialog"));
  auto job = NewJob();
  ASSERT_TRUE(job) << "no PDF titled " << orvel::AsUtf8(JobTitle());
  const std::vector<std::u16string> printed = Words(job->text);
  // Every column of the created settings in its order (a reader of the PDF may take the columns one
  // after the other).
  const std::map<int, std::u16string> columns =
      GoldenColumns(ReadBytes(SourcePath(L"ui/tests/testdata/print_lines_golden.txt")), "created");
  ASSERT_GE(columns.size(), 4u);
  for (const auto& [x, text] : columns) EXPECT_TRUE(InOrder(Words(text), printed)) << "column at " << x;
  // Two pages, each with its number, and no password in clear text: the fixture's access point and
  // WAP bookmark hold "hush4711", and both print the mask.
  EXPECT_NE(job->text.find(u"Page 1 of 2"), std::u16string::npos) << orvel::AsUtf8(job->text);
  EXPECT_NE(job->text.find(u"Page 2 of 2"), std::u16string::npos);
  EXPECT_EQ(job->text.find(u"hush4711"), std::u16string::npos) << orvel::AsUtf8(job->text);
  size_t masks = 0;
  for (size_t at = job->text.find(u"********"); at != std::u16string::npos;
       at = job->text.find(u"********", at + 8))
    ++masks;
  EXPECT_EQ(masks, 2u) << orvel::AsUtf8(job->text);
}

TEST_F(MorvanePrint, AllSettingsChosenInTheDialogArePrintedAndTheChoiceIsKept) {
  m_host->RunCommand(kPrintCommand);
  HWND dialog = WaitDialogWithControl(m_host->ProcessId(), kPrintCreatedButton);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(WaitUntil(Wait::Window, [&] {
    return ::SendMessageW(FindControl(dialog, kPrintCreatedButton), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }));
  ASSERT_TRUE(PressButton(dialog, kPrintAllButton));
  ASSERT_TRUE(PressButton(dialog, IDOK));
  ASSERT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }));
  auto job = NewJob();
  ASSERT_TRUE(job);
  // A group without created settings is printed now, with its heading.
  EXPECT_NE(job->text.find(orvel::win::FromWide(Text(140))), std::u16string::npos)
      << orvel::AsUtf8(job->text);
  // The next dialog starts from the last choice.
  m_host->RunCommand(kPrintCommand);
  dialog = WaitDialogWithControl(m_host->ProcessId(), kPrintCreatedButton);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] {
    return ::SendMessageW(FindControl(dialog, kPrintAllButton), BM_GETCHECK, 0, 0) == BST_CHECKED &&
           ::SendMessageW(FindControl(dialog, kPrintCreatedButton), BM_GETCHECK, 0, 0) == BST_UNCHECKED;
  }));
  ASSERT_TRUE(PressButton(dialog, IDCANCEL));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(dialog); }));
  // Printing shows every display value, the connection fields of the placeholders among them; the
  // view repaired those when it showed the file, so printing changes nothing: closing asks nothing.
  ::PostMessageW(m_host->Frame(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(m_host->WaitExit());
  EXPECT_FALSE(FindMessageBox(m_host->ProcessId()));
}

TEST_F(MorvanePrint, ThePreviewPagesOnAndBackPrintsAndCloses) {
  m_host->RunCommand(kPrintPreviewCommand);
  HWND frame = nullptr;
  ASSERT_TRUE(WaitUntil(Wait::Window,
                        [&] { return (frame = PreviewFrame()) != nullptr && ::IsWindowVisible(frame); }));
  EXPECT_EQ(WindowText(frame), Text(kPrintPreviewTitleText));
  // The main view's parent, the host's frame, is disabled while the preview shows.
  EXPECT_FALSE(::IsWindowEnabled(m_host->Frame()));
  HWND pageText = FindControl(frame, kPreviewPageText);
  ASSERT_NE(pageText, nullptr);
  EXPECT_EQ(WindowText(pageText), L"Page 1");
  EXPECT_FALSE(::IsWindowEnabled(FindControl(frame, kPreviewPrevious)));
  EXPECT_TRUE(CaptureWindow(frame, L"morvane_preview_page1"));
  ASSERT_TRUE(Click(FindControl(frame, kPreviewNext)));
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return WindowText(pageText) == L"Page 2"; }))
      << Utf8(WindowText(pageText));
  EXPECT_FALSE(::IsWindowEnabled(FindControl(frame, kPreviewNext)));
  EXPECT_TRUE(CaptureWindow(frame, L"morvane_preview_page2"));
  ASSERT_TRUE(Click(FindControl(frame, kPreviewPrevious)));
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return WindowText(pageText) == L"Page 1"; }));
  ASSERT_TRUE(Click(FindControl(frame, kPreviewPages)));
  EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return WindowText(pageText) == L"Pages 1-2"; }));
  EXPECT_TRUE(CaptureWindow(frame, L"morvane_preview_two_pages"));

  ASSERT_TRUE(Click(FindControl(frame, kPreviewZoomIn)));
  EXPECT_TRUE(
      WaitUntil(Wait::Window, [&] { return ::IsWindowEnabled(FindControl(frame, kPreviewZoomOut)) != 0; }));
  EXPECT_TRUE(CaptureWindow(frame, L"morvane_preview_zoomed"));

  // The preview command is the one command the host may run meanwhile, and it ends the preview:
  // the print command before it did nothing (a print dialog would still be open).
  m_host->RunCommand(kPrintCommand);
  m_host->RunCommand(kPrintPreviewCommand);
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(frame); }));
  EXPECT_EQ(FindDialogWithControl(m_host->ProcessId(), kPrintCreatedButton), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(m_host->Frame()));

  // Print from the preview: the preview ends and the print dialog prints.
  m_host->RunCommand(kPrintPreviewCommand);
  ASSERT_TRUE(WaitUntil(Wait::Window,
                        [&] { return (frame = PreviewFrame()) != nullptr && ::IsWindowVisible(frame); }));
  ASSERT_TRUE(Click(FindControl(frame, kPreviewPrint)));
  EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(frame); }));
  ASSERT_TRUE(PrintWithTheDialog(nullptr));
  auto job = NewJob();
  ASSERT_TRUE(job) << "no PDF titled " << orvel::AsUtf8(JobTitle());
  EXPECT_NE(job->text.find(u"Page 2 of 2"), std::u16string::npos);
  EXPECT_TRUE(::IsWindowEnabled(m_host->Frame()));
}

TEST_F(MorvanePrint, TheHostClosesWithThePreviewOpen) {
  m_host->RunCommand(kPrintPreviewCommand);
  HWND frame = nullptr;
  ASSERT_TRUE(WaitUntil(Wait::Window,
                        [&] { return (frame = PreviewFrame()) != nullptr && ::IsWindowVisible(frame); }));
  ::PostMessageW(m_host->Frame(), WM_CLOSE, 0, 0);
  std::optional<DWORD> code = m_host->WaitExit();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
}

// The colour the screen shows at a point of a window's client area.
COLORREF ScreenColour(HWND window, POINT client) {
  ::ClientToScreen(window, &client);
  HDC screen = ::GetDC(nullptr);
  COLORREF colour = ::GetPixel(screen, client.x, client.y);
  ::ReleaseDC(nullptr, screen);
  return colour;
}

// A point of the preview that lies on a landscape page but beside a portrait one: three quarters
// across, in the page's top margin.
POINT BesideAPortraitPage(HWND frame) {
  RECT client = {};
  ::GetClientRect(frame, &client);
  return {client.right * 3 / 4, 34 + 16 + 12};
}

TEST_F(MorvanePrint, ThePreviewShowsThePageOfThePrinterSetUp) {
  HWND frame = nullptr;
  auto openPreview = [&] {
    m_host->RunCommand(kPrintPreviewCommand);
    return WaitUntil(Wait::Window,
                     [&] { return (frame = PreviewFrame()) != nullptr && ::IsWindowVisible(frame); });
  };
  auto closePreview = [&] {
    m_host->RunCommand(kPrintPreviewCommand);
    return WaitUntil(Wait::Window, [&] { return !::IsWindow(frame); });
  };
  // The default printer's portrait page leaves the right of the frame grey.
  ASSERT_TRUE(openPreview());
  const COLORREF grey = ::GetSysColor(COLOR_APPWORKSPACE);
  EXPECT_TRUE(
      WaitUntil(Wait::Window, [&] { return ScreenColour(frame, BesideAPortraitPage(frame)) == grey; }));
  ASSERT_TRUE(closePreview());
  // Landscape in the printer set-up, which the main view keeps: the preview's page turns with it.
  m_host->RunCommand(kPrintSetupCommand);
  HWND setup = WaitDialogWithControl(m_host->ProcessId(), kLandscapeButton);
  ASSERT_NE(setup, nullptr);
  EXPECT_TRUE(CaptureWindow(setup, L"morvane_print_setup"));
  ASSERT_TRUE(PressButton(setup, kLandscapeButton));
  ASSERT_TRUE(PressButton(setup, IDOK));
  ASSERT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(setup); }));
  ASSERT_TRUE(openPreview());
  EXPECT_TRUE(WaitUntil(
      Wait::Window, [&] { return ScreenColour(frame, BesideAPortraitPage(frame)) == RGB(255, 255, 255); }));
  EXPECT_TRUE(CaptureWindow(frame, L"morvane_preview_landscape"));
  ASSERT_TRUE(closePreview());
}

// The current user's default printer, gone for the life of the object (the system's print dialog
// then finds no printer) and put back after.
class CNoDefaultPrinter {
 public:
  CNoDefaultPrinter() : m_device(orvel::win::ReadRegString(HKEY_CURRENT_USER, kWindowsKey, L"Device")) {
    orvel::win::DeleteRegValue(HKEY_CURRENT_USER, kWindowsKey, L"Device");
  }
  ~CNoDefaultPrinter() {
    if (m_device) orvel::win::WriteRegString(HKEY_CURRENT_USER, kWindowsKey, L"Device", *m_device);
  }
  bool HadOne() const { return m_device.has_value(); }

 private:
  static constexpr wchar_t kWindowsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
  std::optional<std::wstring> m_device;
};

TEST_F(MorvanePrint, WithoutAPrinterPrintAndPreviewOnlyTellTheUser) {
  // The host's print spooler has read the printers already; from now on there is no default one.
  CNoDefaultPrinter none;
  ASSERT_TRUE(none.HadOne());
  for (UINT command : {kPrintCommand, kPrintPreviewCommand}) {
    SCOPED_TRACE(command);
    m_host->RunCommand(command);
    std::optional<MessageBoxInfo> box = WaitMessageBox(m_host->ProcessId());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, Text(kNoPrinterText));
    EXPECT_TRUE(PressButton(box->window, IDOK));
    EXPECT_TRUE(WaitUntil(Wait::Window, [&] { return !::IsWindow(box->window); }));
    // Nothing else: no print dialog of the system, no preview, the host's frame works on.
    EXPECT_EQ(FindDialogWithControl(m_host->ProcessId(), kPrintCreatedButton), nullptr);
    EXPECT_FALSE(FindMessageBox(m_host->ProcessId()));
    EXPECT_EQ(PreviewFrame(), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(m_host->Frame()));
  }
}

}  // namespace
