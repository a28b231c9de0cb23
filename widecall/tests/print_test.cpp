// Ambrel's printing rows against a real printer: the print service of tools/print-env, whose one
// queue turns each job into a PDF. Runs once per system mode (AMBREL_MODE: default, win98, win95).
// On 95/98 every row takes its ANSI path: there the system's wide functions that Ambrel imports
// are replaced by failing stubs, as the 95/98 family has them, and each case also has an answer
// that the wide function would not give (a text through the code page, a record's size).
#include <gtest/gtest.h>
#include <windows.h>
// clang-format off
#include <commdlg.h>  // needs windows.h first
#include <winspool.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "support/u16text.h"
#include "support/win/handle.h"
#include "testing/printed_job.h"
#include "support/win/wide.h"

namespace {

using orvel::win::kTestPrinterName;

// The service converts a job in well under a second; emulated 32-bit Wine takes longer.
constexpr DWORD kJobLimitMs = 30000;
// How long a dialog may take to show.
constexpr DWORD kDialogLimitMs = 20000;

// 95/98/ME: the exports take their ANSI paths.
bool Ansi() { return (GetVersion() & 0x80000000u) != 0; }

std::wstring ModeName() {
  const char* name = std::getenv("AMBREL_MODE");
  return name ? std::wstring(name, name + std::strlen(name)) : std::wstring(L"default");
}

std::string AnsiOf(const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(bytes, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), bytes, nullptr, nullptr);
  ansi.resize(bytes - 1);
  return ansi;
}

// What a text becomes on the 95/98 paths: the ANSI code page's form of it, widened again. Other
// modes keep it as it is.
std::wstring Acp(const std::wstring& text) {
  if (!Ansi()) return text;
  std::string ansi = AnsiOf(text);
  int units = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring wide(units, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), units);
  wide.resize(units - 1);
  return wide;
}

std::u16string U16(const std::wstring& text) { return orvel::win::FromWide(text); }

// The 95/98 family's wide functions: stubs that fail. Ambrel's own imports of them are replaced
// in the modes that run its ANSI paths, and every call that reaches one is counted.
std::atomic<int> g_wideCalls{0};

template <class Fn>
struct FailingWide;
template <class R, class... Args>
struct FailingWide<R(WINAPI*)(Args...)> {
  static R WINAPI Call(Args...) {
    ++g_wideCalls;
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return R();
  }
};

// Points the module's import of library!name at replacement; false when the module has none.
bool ReplaceImport(HMODULE module, const char* library, const char* name, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
       ++entry) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), library) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
      DWORD protection = 0;
      if (!VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &protection))
        return false;
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), protection, &protection);
      return true;
    }
  }
  return false;
}

#define AMBREL_WIDE_STUB(library, function) \
  { library, #function, reinterpret_cast<void*>(&FailingWide<decltype(&function)>::Call) }
struct WideImport {
  const char* library;
  const char* name;
  void* stub;
};
const WideImport kPrintingWideImports[] = {
    AMBREL_WIDE_STUB("comdlg32.dll", PrintDlgW),
    AMBREL_WIDE_STUB("comdlg32.dll", PageSetupDlgW),
    AMBREL_WIDE_STUB("winspool.drv", DocumentPropertiesW),
    AMBREL_WIDE_STUB("winspool.drv", EnumPortsW),
    AMBREL_WIDE_STUB("winspool.drv", OpenPrinterW),
    AMBREL_WIDE_STUB("winspool.drv", StartDocPrinterW),
    AMBREL_WIDE_STUB("gdi32.dll", CreateDCW),
    AMBREL_WIDE_STUB("gdi32.dll", ResetDCW),
    AMBREL_WIDE_STUB("gdi32.dll", StartDocW),
};
#undef AMBREL_WIDE_STUB

class WideStubsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!Ansi()) return;
    ASSERT_TRUE(orvel::win::SetUpTestPrinterFor95And98());
    HMODULE ambrel = GetModuleHandleA("Ambrel.dll");
    ASSERT_NE(ambrel, nullptr);
    for (const auto& import : kPrintingWideImports)
      ASSERT_TRUE(ReplaceImport(ambrel, import.library, import.name, import.stub)) << import.name;
  }
};
const auto* const g_wideStubs = ::testing::AddGlobalTestEnvironment(new WideStubsEnvironment);

// Checks after each test that no call reached a wide stub.
class PrintRow : public ::testing::Test {
 protected:
  void SetUp() override { g_wideCalls = 0; }
  void TearDown() override { EXPECT_EQ(g_wideCalls, 0) << "a row called the system's wide function"; }
};

// A dialog of this thread, found from another one, and what the test saw of it.
struct DialogSeen {
  bool shown = false;
  bool unicode = false;
  std::wstring title;
};

BOOL CALLBACK FindShownDialog(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof(name));
  if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Runs dialog (a modal dialog call on this thread) while a second thread waits for the dialog's
// window, notes the first one it finds and sends it command (OK, or Cancel) until the call returns
// (a window found before it takes commands gets the command again).
template <class Run>
DialogSeen WithDialogAnswered(Run dialog, WORD command = IDOK) {
  DialogSeen seen;
  std::atomic<bool> done{false};
  DWORD owner = GetCurrentThreadId();
  std::thread presser([&] {
    DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < kDialogLimitMs) {
      HWND found = nullptr;
      EnumThreadWindows(owner, FindShownDialog, reinterpret_cast<LPARAM>(&found));
      if (found && !seen.shown) {
        seen.shown = true;
        seen.unicode = IsWindowUnicode(found) != FALSE;
        wchar_t title[128] = {};
        GetWindowTextW(found, title, 128);
        seen.title = title;
      }
      if (found) PostMessageW(found, WM_COMMAND, command, 0);
      Sleep(20);  // polls for the window
    }
  });
  dialog();
  done = true;
  presser.join();
  return seen;
}

// A global memory block, locked while this lives.
template <class T>
class Locked {
 public:
  explicit Locked(HGLOBAL block) : m_block(block), m_data(static_cast<T*>(GlobalLock(block))) {}
  ~Locked() {
    if (m_data) GlobalUnlock(m_block);
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  T* operator->() const { return m_data; }
  T* get() const { return m_data; }

 private:
  HGLOBAL m_block;
  T* m_data;
};

// A device-mode block holds its public part and the driver's data that it announces.
void ExpectWholeDevMode(HGLOBAL block) {
  Locked<DEVMODEW> mode(block);
  ASSERT_NE(mode.get(), nullptr);
  EXPECT_GE(GlobalSize(block), static_cast<SIZE_T>(mode->dmSize) + mode->dmDriverExtra)
      << mode->dmSize << " + " << mode->dmDriverExtra;
}

// The wide device mode that the rows hand back: Ambrel's 212-byte form on 95/98, the system's own
// on the others.
WORD WideDevModeSize() { return Ansi() ? 212 : sizeof(DEVMODEW); }

// The device named in a wide device-names block, whose driver text follows the four offsets and
// the flag at once.
std::wstring DeviceOf(HGLOBAL names) {
  Locked<DEVNAMES> block(names);
  if (!block.get()) return {};
  EXPECT_EQ(block->wDriverOffset, sizeof(DEVNAMES) / sizeof(wchar_t));
  return reinterpret_cast<const wchar_t*>(block.get()) + block->wDeviceOffset;
}

// A character that code page 1252 writes as its plain near form: a name with it reaches the plain
// name only through the ANSI path.
std::wstring NearForm(const std::wstring& plain) {
  std::wstring text = plain;
  if (!text.empty() && text[0] == L'O') text[0] = L'\u014C';
  return text;
}

// A title of this mode's own: the modes print side by side into one queue.
std::wstring Title(const wchar_t* what) { return std::wstring(what) + L" (" + ModeName() + L")"; }

TEST_F(PrintRow, TestPrinterIsListed) {
  ASSERT_FALSE(orvel::win::PrintOutputFolder().empty()) << "no print service (tools/wine-env start)";
  if (Ansi()) {
    ASSERT_EQ(Acp(NearForm(kTestPrinterName)), kTestPrinterName);  // the near-form cases can fail
  }
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count));
  const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
  bool found = false;
  for (DWORD i = 0; i < count; ++i) found |= std::string(printers[i].pPrinterName) == "Orvel_PDF";
  EXPECT_TRUE(found);
}

// A job through the wide rows: the printer's DC, the document, a line of text, the end. The
// device's name and the document's title go through the code page on 95/98.
TEST_F(PrintRow, JobThroughADcBecomesAPdfWithItsText) {
  std::wstring device = Ansi() ? NearForm(kTestPrinterName) : kTestPrinterName;
  DEVMODEW mode{};
  mode.dmSize = sizeof(mode);
  mode.dmFields = DM_ORIENTATION;
  mode.dmOrientation = DMORIENT_LANDSCAPE;
  HDC dc = CreateDCW(L"WINSPOOL", device.c_str(), nullptr, &mode);
  ASSERT_NE(dc, nullptr);
  EXPECT_GT(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES));  // the device mode reached it
  std::wstring title = Title(L"Ambrel job \u0150");
  DOCINFOW document{};
  document.cbSize = sizeof(document);
  document.lpszDocName = title.c_str();
  ASSERT_GT(StartDocW(dc, &document), 0);
  ASSERT_GT(StartPage(dc), 0);
  const wchar_t words[] = L"Words printed through Ambrel";
  TabbedTextOutW(dc, 300, 300, words, static_cast<int>(std::wcslen(words)), 0, nullptr, 0);
  ASSERT_GT(EndPage(dc), 0);
  ASSERT_GT(EndDoc(dc), 0);
  DeleteDC(dc);
  auto job = orvel::win::WaitForPrintedJob(U16(Acp(title)), kJobLimitMs);
  ASSERT_TRUE(job) << "no PDF titled " << orvel::AsUtf8(U16(Acp(title)));
  EXPECT_NE(job->text.find(u"Words printed through Ambrel"), std::u16string::npos)
      << orvel::AsUtf8(job->text);
  EXPECT_EQ(GetFileAttributesW(job->pdf.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

// A DC reset to another device mode takes its orientation.
TEST_F(PrintRow, ResetDcTurnsThePage) {
  HDC dc = CreateDCW(L"WINSPOOL", kTestPrinterName, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  int width = GetDeviceCaps(dc, HORZRES), height = GetDeviceCaps(dc, VERTRES);
  ASSERT_LT(width, height);
  DEVMODEW mode{};
  mode.dmSize = sizeof(mode);
  mode.dmFields = DM_ORIENTATION;
  mode.dmOrientation = DMORIENT_LANDSCAPE;
  EXPECT_EQ(ResetDCW(dc, &mode), dc);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), height);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), width);
  DeleteDC(dc);
}

// A raw job: the printer opened by name, a level-1 document of PostScript written as it is.
TEST_F(PrintRow, RawJobThroughThePrinter) {
  std::wstring name = Ansi() ? NearForm(kTestPrinterName) : kTestPrinterName;
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));
  std::wstring title = Title(L"Ambrel raw \u0150");
  wchar_t datatype[] = L"RAW";
  DOC_INFO_1W document{title.data(), nullptr, datatype};
  ASSERT_NE(StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&document)), 0u);
  const char page[] =
      "%!PS\n/Helvetica findfont 20 scalefont setfont 72 700 moveto (Raw words) show showpage\n";
  DWORD written = 0;
  EXPECT_TRUE(WritePrinter(printer, const_cast<char*>(page), sizeof(page) - 1, &written));
  EXPECT_EQ(written, sizeof(page) - 1);
  EXPECT_TRUE(EndDocPrinter(printer));
  ClosePrinter(printer);
  auto job = orvel::win::WaitForPrintedJob(U16(Acp(title)), kJobLimitMs);
  ASSERT_TRUE(job) << "no PDF titled " << orvel::AsUtf8(U16(Acp(title)));
  EXPECT_NE(job->text.find(u"Raw words"), std::u16string::npos) << orvel::AsUtf8(job->text);

  // Defaults are carried too; a name that is not a printer's opens nothing.
  wchar_t raw[] = L"RAW";
  PRINTER_DEFAULTSW defaults{raw, nullptr, PRINTER_ACCESS_USE};
  ASSERT_TRUE(OpenPrinterW(name.data(), &printer, &defaults));
  ClosePrinter(printer);
  std::wstring missing = std::wstring(kTestPrinterName) + L"x";
  EXPECT_FALSE(OpenPrinterW(missing.data(), &printer, nullptr));
}

// The document's device mode: the caller's changes in, the whole mode out in the wide form.
TEST_F(PrintRow, DocumentPropertiesMergeIntoTheWideForm) {
  HANDLE printer = nullptr;
  std::wstring name = kTestPrinterName;
  ASSERT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));
  LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
  ASSERT_GE(size, static_cast<LONG>(WideDevModeSize()));
  if (Ansi()) {
    EXPECT_EQ(
        size,
        DocumentPropertiesA(nullptr, printer, const_cast<char*>("Orvel_PDF"), nullptr, nullptr, 0) + 64);
  }
  DEVMODEW in{};
  in.dmSize = sizeof(in);
  in.dmFields = DM_ORIENTATION | DM_COPIES;
  in.dmOrientation = DMORIENT_LANDSCAPE;
  in.dmCopies = 3;
  std::vector<BYTE> block(size);
  auto* out = reinterpret_cast<DEVMODEW*>(block.data());
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer, name.data(), out, &in, DM_IN_BUFFER | DM_OUT_BUFFER), IDOK);
  EXPECT_EQ(out->dmSize, WideDevModeSize());
  EXPECT_LE(out->dmSize + out->dmDriverExtra, size);
  EXPECT_EQ(std::wstring(out->dmDeviceName), kTestPrinterName);
  EXPECT_EQ(out->dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(out->dmCopies, 3);
  // Wine keeps a merged input as the printer's mode for the rest of the process: put it back.
  in.dmOrientation = DMORIENT_PORTRAIT;
  in.dmCopies = 1;
  DocumentPropertiesW(nullptr, printer, name.data(), out, &in, DM_IN_BUFFER | DM_OUT_BUFFER);
  ClosePrinter(printer);
}

// A port with a name outside the code page, added to the prefix's list of ports for the test: on
// 95/98 the list holds its ANSI form.
TEST_F(PrintRow, PortNamesThroughTheCodePage) {
  using SetValue = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
  using DeleteValue = LONG(WINAPI*)(HKEY, LPCWSTR);
  HMODULE advapi = GetModuleHandleA("advapi32.dll");
  auto setValue =
      reinterpret_cast<SetValue>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegSetValueExW")));
  auto deleteValue =
      reinterpret_cast<DeleteValue>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegDeleteValueW")));
  ASSERT_TRUE(setValue && deleteValue);
  HKEY ports = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports", 0,
                          KEY_SET_VALUE, &ports),
            ERROR_SUCCESS);
  std::wstring port = L"AMBREL\u0150 " + ModeName() + L":";
  ASSERT_EQ(setValue(ports, port.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t)),
            ERROR_SUCCESS);
  for (DWORD level : {1u, 2u}) {
    DWORD needed = 0, count = 0;
    EnumPortsW(nullptr, level, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    bool found = false;
    EXPECT_TRUE(EnumPortsW(nullptr, level, buffer.data(), needed, &needed, &count)) << level;
    for (DWORD i = 0; i < count; ++i) {
      LPCWSTR name = level == 1 ? reinterpret_cast<PORT_INFO_1W*>(buffer.data())[i].pName
                                : reinterpret_cast<PORT_INFO_2W*>(buffer.data())[i].pPortName;
      found |= name == Acp(port);
    }
    EXPECT_TRUE(found) << level;
  }
  deleteValue(ports, port.c_str());
  RegCloseKey(ports);
}

// The print dialog, shown and confirmed: on 95/98 it is the system's ANSI dialog, and its device
// mode comes back in Ambrel's wide form. The second dialog starts from the first one's device
// mode with the caller's change.
TEST_F(PrintRow, PrintDialogKeepsTheDeviceModeBetweenCalls) {
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS;
  BOOL result = FALSE;
  DialogSeen seen = WithDialogAnswered([&] { result = PrintDlgW(&dialog); });
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.unicode, !Ansi());
  ASSERT_TRUE(result) << CommDlgExtendedError();
  ASSERT_NE(dialog.hDC, nullptr);
  bool wasLandscape = GetDeviceCaps(dialog.hDC, HORZRES) > GetDeviceCaps(dialog.hDC, VERTRES);
  DeleteDC(dialog.hDC);
  EXPECT_EQ(DeviceOf(dialog.hDevNames), kTestPrinterName);
  short turned = wasLandscape ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
  {
    Locked<DEVMODEW> mode(dialog.hDevMode);
    ASSERT_NE(mode.get(), nullptr);
    EXPECT_EQ(mode->dmSize, WideDevModeSize());
    EXPECT_EQ(std::wstring(mode->dmDeviceName), kTestPrinterName);
    EXPECT_EQ(mode->dmOrientation, wasLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
    mode->dmFields |= DM_ORIENTATION;
    mode->dmOrientation = turned;
  }
  ExpectWholeDevMode(dialog.hDevMode);
  HGLOBAL firstMode = dialog.hDevMode;
  seen = WithDialogAnswered([&] { result = PrintDlgW(&dialog); });
  ASSERT_TRUE(seen.shown);
  ASSERT_TRUE(result) << CommDlgExtendedError();
  ASSERT_NE(dialog.hDC, nullptr);
  EXPECT_EQ(GetDeviceCaps(dialog.hDC, HORZRES) > GetDeviceCaps(dialog.hDC, VERTRES), !wasLandscape);
  DeleteDC(dialog.hDC);
  if (Ansi()) {
    EXPECT_EQ(dialog.hDevMode, firstMode);  // the pair's one wide block
  }
  Locked<DEVMODEW> mode(dialog.hDevMode);
  EXPECT_EQ(mode->dmOrientation, turned);
  // A DC from the dialog's answer, as a program makes its own: the names record and the mode.
  Locked<DEVNAMES> names(dialog.hDevNames);
  const auto* texts = reinterpret_cast<const wchar_t*>(names.get());
  HDC dc = CreateDCW(texts + names->wDriverOffset, texts + names->wDeviceOffset, nullptr, mode.get());
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES) > GetDeviceCaps(dc, VERTRES), !wasLandscape);
  DeleteDC(dc);
}

// A cancelled dialog answers FALSE with no error and leaves the caller's record as it was. The
// dialog is bound by name from Ambrel, as the user interface binds it.
TEST_F(PrintRow, CancelledPrintDialogLeavesTheRecord) {
  auto printDialog = reinterpret_cast<decltype(&PrintDlgW)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("Ambrel.dll"), "PrintDlgW")));
  ASSERT_NE(printDialog, nullptr);
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS;
  PRINTDLGW before = dialog;
  BOOL result = TRUE;
  DialogSeen seen = WithDialogAnswered([&] { result = printDialog(&dialog); }, IDCANCEL);
  ASSERT_TRUE(seen.shown);
  EXPECT_FALSE(result);
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_EQ(std::memcmp(&dialog, &before, sizeof(dialog)), 0);
}

// A record shorter than the dialog's own reaches the dialog with its own size, which the dialog
// refuses; nothing past the caller's bytes is touched.
TEST_F(PrintRow, ShortPrintDialogRecordIsRefused) {
  struct {
    PRINTDLGW dialog;
    char guard[8];
  } block{};
  std::memset(&block, 0x5A, sizeof(block));
  block.dialog.lStructSize = offsetof(PRINTDLGW, nFromPage);
  block.dialog.hwndOwner = nullptr;
  block.dialog.hDevMode = nullptr;
  block.dialog.hDevNames = nullptr;
  block.dialog.Flags = PD_NOSELECTION | PD_NOPAGENUMS;
  auto before = block;
  BOOL result = TRUE;
  DialogSeen seen = WithDialogAnswered([&] { result = PrintDlgW(&block.dialog); });
  EXPECT_FALSE(seen.shown);
  EXPECT_FALSE(result);
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
  EXPECT_EQ(std::memcmp(&block, &before, sizeof(block)), 0);
}

// Templates of the program's own. A name in wide text reaches the dialog through the code page on
// 95/98; a template handle does not pass there (the dialog shows its own template), and the
// caller's record keeps its names, handles and flags either way.
TEST_F(PrintRow, PrintDialogTemplates) {
  HRSRC found = FindResourceA(nullptr, "ORVELPRINT", MAKEINTRESOURCEA(5));  // RT_DIALOG
  ASSERT_NE(found, nullptr);
  HGLOBAL handle = LoadResource(nullptr, found);
  std::wstring printName = Ansi() ? NearForm(L"ORVELPRINT") : L"ORVELPRINT";
  std::wstring setupName = Ansi() ? NearForm(L"ORVELPRINTSETUP") : L"ORVELPRINTSETUP";
  struct Case {
    DWORD flags;
    const wchar_t* printName;
    const wchar_t* setupName;
    HGLOBAL printHandle;
    bool ours;  // our template's title is expected
  };
  const Case cases[] = {
      {PD_ENABLEPRINTTEMPLATE, printName.c_str(), nullptr, nullptr, true},
      {PD_PRINTSETUP | PD_ENABLESETUPTEMPLATE, nullptr, setupName.c_str(), nullptr, true},
      {PD_ENABLEPRINTTEMPLATEHANDLE, nullptr, nullptr, handle, !Ansi()},
  };
  for (const auto& c : cases) {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hInstance = GetModuleHandleW(nullptr);
    dialog.Flags = c.flags | PD_NOSELECTION | PD_NOPAGENUMS;
    dialog.lpPrintTemplateName = c.printName;
    dialog.lpSetupTemplateName = c.setupName;
    dialog.hPrintTemplate = c.printHandle;
    BOOL result = FALSE;
    DialogSeen seen = WithDialogAnswered([&] { result = PrintDlgW(&dialog); });
    ASSERT_TRUE(seen.shown) << c.flags << " " << CommDlgExtendedError();
    EXPECT_EQ(seen.title == L"Orvel print template", c.ours) << c.flags;
    EXPECT_TRUE(result) << c.flags << " " << CommDlgExtendedError();
    EXPECT_EQ(dialog.lpPrintTemplateName, c.printName);  // the caller's pointers, not converted ones
    EXPECT_EQ(dialog.lpSetupTemplateName, c.setupName);
    EXPECT_EQ(dialog.hPrintTemplate, c.printHandle);
    EXPECT_EQ(dialog.Flags & c.flags, c.flags);
  }
}

// The page-setup dialog, shown and confirmed: the paper of the printer's device mode in the
// record, the device mode in its wide form, and a template named in wide text. The second dialog
// starts from the first one's device mode with the caller's change: the paper turns. (Wine's
// ANSI page-setup dialog is a wide window itself, so its window tells nothing here.)
TEST_F(PrintRow, PageSetupDialogKeepsTheDeviceModeBetweenCalls) {
  std::wstring name = Ansi() ? NearForm(L"ORVELSETUP") : L"ORVELSETUP";
  PAGESETUPDLGW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hInstance = GetModuleHandleW(nullptr);
  dialog.Flags = PSD_INHUNDREDTHSOFMILLIMETERS | PSD_ENABLEPAGESETUPTEMPLATE;
  dialog.lpPageSetupTemplateName = name.c_str();
  BOOL result = FALSE;
  DialogSeen seen = WithDialogAnswered([&] { result = PageSetupDlgW(&dialog); });
  ASSERT_TRUE(seen.shown) << CommDlgExtendedError();
  EXPECT_EQ(seen.title, L"Orvel page setup template");
  ASSERT_TRUE(result) << CommDlgExtendedError();
  EXPECT_EQ(dialog.lpPageSetupTemplateName, name.c_str());
  // A4, the queue's paper, in either orientation (to a tenth of a millimetre).
  POINT paper = dialog.ptPaperSize;
  EXPECT_NEAR(std::min(paper.x, paper.y), 21000, 10);
  EXPECT_NEAR(std::max(paper.x, paper.y), 29700, 10);
  EXPECT_EQ(DeviceOf(dialog.hDevNames), kTestPrinterName);
  {
    Locked<DEVMODEW> mode(dialog.hDevMode);
    ASSERT_NE(mode.get(), nullptr);
    EXPECT_EQ(mode->dmSize, WideDevModeSize());
    EXPECT_EQ(std::wstring(mode->dmDeviceName), kTestPrinterName);
    mode->dmFields |= DM_ORIENTATION;
    mode->dmOrientation = paper.x < paper.y ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  }
  ExpectWholeDevMode(dialog.hDevMode);
  seen = WithDialogAnswered([&] { result = PageSetupDlgW(&dialog); });
  ASSERT_TRUE(seen.shown);
  ASSERT_TRUE(result) << CommDlgExtendedError();
  EXPECT_EQ(dialog.ptPaperSize.x, paper.y);
  EXPECT_EQ(dialog.ptPaperSize.y, paper.x);
}

// A job written to a file of the caller's instead of the printer, through the DC and through the
// spooler: the file's name goes through the code page on 95/98.
TEST_F(PrintRow, JobsIntoAnOutputFile) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  const char postscript[] = "%!PS\nshowpage\n";
  for (bool throughDc : {true, false}) {
    std::wstring file = std::wstring(folder, folder + std::strlen(folder)) + L"ambrel \u0150 " +
                        (throughDc ? L"dc " : L"spooler ") + ModeName() + L".prn";
    std::wstring written = Acp(file);
    DeleteFileW(written.c_str());
    std::wstring title = Title(throughDc ? L"Ambrel file dc" : L"Ambrel file spooler");
    if (throughDc) {
      HDC dc = CreateDCW(L"WINSPOOL", kTestPrinterName, nullptr, nullptr);
      ASSERT_NE(dc, nullptr);
      DOCINFOW document{};
      document.cbSize = sizeof(document);
      document.lpszDocName = title.c_str();
      document.lpszOutput = file.c_str();
      ASSERT_GT(StartDocW(dc, &document), 0);
      StartPage(dc);
      EndPage(dc);
      EXPECT_GT(EndDoc(dc), 0);
      DeleteDC(dc);
    } else {
      HANDLE printer = nullptr;
      std::wstring name = kTestPrinterName;
      ASSERT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));
      wchar_t raw[] = L"RAW";
      DOC_INFO_1W document{title.data(), file.data(), raw};
      ASSERT_NE(StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&document)), 0u);
      DWORD count = 0;
      WritePrinter(printer, const_cast<char*>(postscript), sizeof(postscript) - 1, &count);
      EXPECT_TRUE(EndDocPrinter(printer));
      ClosePrinter(printer);
    }
    orvel::win::UniqueFile output(
        CreateFileW(written.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(output) << orvel::AsUtf8(U16(written));
    char start[4] = {};
    DWORD read = 0;
    ReadFile(output.get(), start, sizeof(start), &read, nullptr);
    output.reset();
    EXPECT_EQ(std::string(start, read), "%!PS") << orvel::AsUtf8(U16(written));
    DeleteFileW(written.c_str());
  }
}

}  // namespace
