// The shared ANSI-path pieces, the formatter and the thread-local storage emulation.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdarg>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ambrel_core.h"
#include "formatter.h"
#include "print_records.h"
#include "tls_emulation.h"
#include "win95_compat.h"
#include "window_text.h"

using namespace ambrel;

struct LevelCase {
  DWORD platform, major, minor, level;
};
const LevelCase kLevelCases[] = {
    {VER_PLATFORM_WIN32_WINDOWS, 4, 0, kLevelWin95},  {VER_PLATFORM_WIN32_WINDOWS, 4, 10, kLevelWin98},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 90, kLevelWin98}, {VER_PLATFORM_WIN32_NT, 4, 0, kLevelNt4},
    {VER_PLATFORM_WIN32_NT, 3, 51, kLevelNt4},        {VER_PLATFORM_WIN32_NT, 5, 0, kLevelWin2000},
    {VER_PLATFORM_WIN32_NT, 10, 0, kLevelWin2000},
};
TEST(OsLevel, FromVersion) {
  for (const auto& c : kLevelCases) {
    EXPECT_EQ(OsLevelFromVersion(c.platform, c.major, c.minor), c.level)
        << c.platform << " " << c.major << "." << c.minor;
  }
}

TEST(ScratchList, KeepsAndFreesEveryBlock) {
  ScratchList list;
  std::vector<char*> blocks;
  for (int i = 0; i < 4; ++i) {
    blocks.push_back(static_cast<char*>(list.Alloc(16)));
    ASSERT_NE(blocks.back(), nullptr);
    std::memset(blocks.back(), 'a' + i, 16);  // a block lost by the list would be overwritten
  }
  EXPECT_EQ(list.count(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(blocks[i][15], 'a' + i);
}

TEST(Conversion, NumbersAndNullPassUnchanged) {
  ScratchList list;
  EXPECT_EQ(WideToAnsiDup(list, nullptr), nullptr);
  EXPECT_EQ(WideToAnsiDup(list, reinterpret_cast<const wchar_t*>(1)), reinterpret_cast<char*>(1));
  EXPECT_EQ(AnsiToWideNew(reinterpret_cast<const char*>(0xFFFF)), reinterpret_cast<wchar_t*>(0xFFFF));
  EXPECT_EQ(list.count(), 0u);
}

TEST(CopyAnsiToWide, OneUnitShortWithoutTruncation) {
  wchar_t buffer[4] = {L'x', L'x', L'x', L'x'};
  EXPECT_EQ(CopyAnsiToWide("abcd", buffer, 4, false), 5);
  EXPECT_EQ(buffer[0], L'x');
  EXPECT_EQ(buffer[3], L'x');
}

TEST(CopyAnsiToWide, TruncationLeavesTheBufferTerminated) {
  wchar_t buffer[4] = {L'x', L'x', L'x', L'x'};
  EXPECT_EQ(CopyAnsiToWide("abcdef", buffer, 4, true), 3);
  EXPECT_EQ(std::wstring(buffer), L"abc");
  EXPECT_EQ(CopyAnsiToWide("ab", buffer, 4, true), 2);
  EXPECT_EQ(std::wstring(buffer), L"ab");
}

TEST(AnsiOutBuffer, SizeZeroGivesNoBuffer) {
  ScratchList list;
  wchar_t wide[1];
  AnsiOutBuffer none(list, wide, 0);
  EXPECT_EQ(none.ansi(), nullptr);
  AnsiOutBuffer null(list, nullptr, 10);
  EXPECT_EQ(null.ansi(), nullptr);
  EXPECT_EQ(null.CopyBack(-1), 0);
}

TEST(AnsiOutBuffer, CopyBackCountsAndTerminates) {
  ScratchList list;
  wchar_t wide[5] = {};
  AnsiOutBuffer out(list, wide, 5);
  ASSERT_NE(out.ansi(), nullptr);
  ASSERT_GE(out.capacity(), 6);
  std::strcpy(out.ansi(), "abcde");
  EXPECT_EQ(out.CopyBack(3), 3);
  EXPECT_EQ(std::wstring(wide), L"abc");
  EXPECT_EQ(out.CopyBack(0), 0);
  EXPECT_EQ(std::wstring(wide), L"");
  EXPECT_EQ(out.CopyBack(out.capacity() + 1), 0);  // a size asked for, not a text copied
  EXPECT_EQ(out.CopyBack(-1), 4);                  // cut to the caller's size, terminated
  EXPECT_EQ(std::wstring(wide), L"abcd");
  EXPECT_EQ(out.Units(), 5);
}

TEST(AnsiOutBuffer, PreloadCarriesTheCallersText) {
  ScratchList list;
  wchar_t wide[8] = L"pre";
  AnsiOutBuffer out(list, wide, 8, -1);
  EXPECT_STREQ(out.ansi(), "pre");
  // The buffer holds as many characters of the code page's longest form as the caller's units.
  EXPECT_EQ(out.capacity(), AnsiBytesFor(8) + 1);
  EXPECT_EQ(AnsiBytesFor(8), 8 * AnsiMaxCharBytes());
}

TEST(WidenInPlace, RegistryText) {
  char buffer[16] = "abc";
  DWORD length = 4;
  WidenInPlace(buffer, &length, sizeof(buffer));
  EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(buffer)), L"abc");
  char small[6] = "abcde";
  WidenInPlace(small, nullptr, sizeof(small));  // three units of room, no terminator
  EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(small), 3), L"abc");
}

// Formats with the own formatter or the system's.
std::wstring Format(bool own, const wchar_t* format, ...) {
  std::vector<wchar_t> out(kFormatLimit + 64, L'#');
  va_list args;
  va_start(args, format);
  int n = own ? AnsiWvsprintf(out.data(), format, args) : wvsprintfW(out.data(), format, args);
  va_end(args);
  std::wstring text(out.data());
  // The count is checked for the own formatter only: Wine's answers 1024 for a cut output.
  if (own) {
    EXPECT_EQ(static_cast<size_t>(n), text.size());
  }
  return text;
}

struct FormatCase {
  const wchar_t* format;
  DWORD value;
  const wchar_t* expected;
};
const FormatCase kFormatCases[] = {
    {L"%5d", 42, L"   42"},
    {L"%-5d|", 42, L"42   |"},
    {L"%05d", static_cast<DWORD>(-42), L"-0042"},
    {L"%#x", 255, L"0xff"},
    {L"%#X", 255, L"0XFF"},
    {L"%.4x", 255, L"00ff"},
    {L"%d", 0x80000000u, L"-2147483648"},
    {L"%u", 0xFFFFFFFFu, L"4294967295"},
    {L"%x", 0, L"0"},
    {L"%c", L'Z', L"Z"},
    {L"%hc", 'q', L"q"},
    {L"100%%", 0, L"100%"},
    {L"%08X", 0xBEEF, L"0000BEEF"},
    {L"%ld", 7, L"7"},
};
TEST(Formatter, MatchesTheSystemFormatter) {
  for (const auto& c : kFormatCases) {
    EXPECT_EQ(Format(true, c.format, c.value), c.expected) << c.format;
    EXPECT_EQ(Format(false, c.format, c.value), c.expected) << c.format;
  }
}

TEST(Formatter, Texts) {
  EXPECT_EQ(Format(true, L"%.3s", L"abcdef"), L"abc");
  EXPECT_EQ(Format(true, L"%.0s", L"abcdef"), L"abcdef");
  EXPECT_EQ(Format(true, L"%S", "abc"), L"abc");
  EXPECT_EQ(Format(true, L"%hs|%ls", "ab", L"cd"), L"ab|cd");
  EXPECT_EQ(Format(true, L"[%-4s]", L"ab"), L"[ab  ]");
  EXPECT_EQ(Format(true, L"[%4s]", L"ab"), L"[  ab]");
  EXPECT_EQ(Format(false, L"%S", "abc"), L"abc");
}

TEST(Formatter, ShortUnsignedTakesTheLow16Bits) { EXPECT_EQ(Format(true, L"%hu", 0x12345), L"9029"); }

TEST(Formatter, UnsupportedConversionEndsWithQuestionMark) {
  EXPECT_EQ(Format(true, L"ab%qcd", 1), L"ab?");
  EXPECT_EQ(Format(true, L"ab%hxcd", 1), L"ab?");
}

TEST(Formatter, StopsAtTheSystemLimit) {
  std::wstring longText(3000, L'w');
  std::wstring own = Format(true, L"%s", longText.c_str());
  EXPECT_EQ(own.size(), static_cast<size_t>(kFormatLimit - 1));
  EXPECT_EQ(own, Format(false, L"%s", longText.c_str()));
  std::wstring padded = Format(true, L"x%2000d", 5);
  EXPECT_EQ(padded.size(), static_cast<size_t>(kFormatLimit - 1));
}

class TlsEmulationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TlsEmuCreate());
    TlsEmuThreadAttach();
  }
  void TearDown() override {
    for (DWORD index : m_taken) TlsEmuFree(index);
  }
  DWORD Take() {
    DWORD index = TlsEmuAlloc();
    if (index != TLS_OUT_OF_INDEXES) m_taken.push_back(index);
    return index;
  }
  std::vector<DWORD> m_taken;
};

TEST_F(TlsEmulationTest, SystemIndexesFirstThenEmulatedUpToTheLimit) {
  DWORD index = 0;
  while ((index = Take()) < kTlsSystemKept) {
  }
  EXPECT_EQ(index, kTlsEmulatedBase);
  EXPECT_EQ(Take(), kTlsEmulatedBase + 1);
  for (DWORD i = 2; i < kTlsEmulatedSlots; ++i) ASSERT_EQ(Take(), kTlsEmulatedBase + i);
  EXPECT_EQ(Take(), TLS_OUT_OF_INDEXES);
  EXPECT_FALSE(TlsEmuFree(kTlsEmulatedBase + kTlsEmulatedSlots));
}

TEST_F(TlsEmulationTest, ValuesPerThreadAndClearedOnReuse) {
  DWORD index = 0;
  while ((index = Take()) < kTlsSystemKept) {
  }
  ASSERT_EQ(index, kTlsEmulatedBase);
  int here = 0;
  int there = 0;
  ASSERT_TRUE(TlsEmuSetValue(index, &here));
  std::thread other([&] {
    SetLastError(5);
    EXPECT_EQ(TlsEmuGetValue(index), nullptr);  // registers the thread, values start at 0
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_TRUE(TlsEmuSetValue(index, &there));
    EXPECT_EQ(TlsEmuGetValue(index), &there);
    TlsEmuThreadDetach();
  });
  other.join();
  SetLastError(5);
  EXPECT_EQ(TlsEmuGetValue(index), &here);
  EXPECT_EQ(GetLastError(), 0u);
  ASSERT_TRUE(TlsEmuFree(index));
  EXPECT_FALSE(TlsEmuFree(index));
  EXPECT_EQ(TlsEmuGetValue(index), nullptr);
  EXPECT_FALSE(TlsEmuSetValue(index, &here));
  m_taken.pop_back();
  EXPECT_EQ(Take(), index);
  EXPECT_EQ(TlsEmuGetValue(index), nullptr);
}

TEST(WindowClass, OwnClassesAreApplicationClasses) {
  WNDCLASSA own{};
  own.lpfnWndProc = DefWindowProcA;
  own.hInstance = GetModuleHandleA(nullptr);
  own.lpszClassName = "AmbrelCoreTestClass";
  ASSERT_NE(RegisterClassA(&own), 0);
  HWND mine =
      CreateWindowA("AmbrelCoreTestClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, own.hInstance, nullptr);
  HWND edit = CreateWindowA("EDIT", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(mine, nullptr);
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(IsApplicationClassWindow(mine));
  EXPECT_FALSE(IsApplicationClassWindow(edit));
  EXPECT_FALSE(IsApplicationClassWindow(nullptr));  // no name can be read
  DestroyWindow(edit);
  DestroyWindow(mine);
  UnregisterClassA("AmbrelCoreTestClass", own.hInstance);
}

// A subclass procedure; the map only compares procedures, so it is never called.
LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
LRESULT CALLBACK OtherSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
WNDPROC SetProcedure(HWND window, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

class SubclassMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_edit = CreateWindowA("EDIT", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(m_edit, nullptr);
  }
  void TearDown() override { DestroyWindow(m_edit); }
  // Subclasses the edit control as SetWindowLongW does on the ANSI path.
  WNDPROC Subclass(WNDPROC procedure) {
    WNDPROC previous = SetProcedure(m_edit, procedure);
    m_map.ProcedureSet(m_edit, previous, procedure);
    return previous;
  }
  SubclassMap m_map;
  HWND m_edit = nullptr;
};

TEST_F(SubclassMapTest, FirstSubclassingRecordsTheBaseUntilItIsPutBack) {
  WNDPROC base = Subclass(::Subclass);
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(m_map.BaseOf(m_edit), base);
  Subclass(OtherSubclass);  // a second subclass keeps the first base
  EXPECT_EQ(m_map.BaseOf(m_edit), base);
  Subclass(base);
  EXPECT_EQ(m_map.Recorded(m_edit), nullptr);
}

TEST_F(SubclassMapTest, UpdateRules) {
  WNDPROC base = SetProcedure(m_edit, ::Subclass);
  m_map.Update(m_edit, base);
  EXPECT_EQ(m_map.Recorded(m_edit), base);
  m_map.Update(m_edit, OtherSubclass);  // another procedure: unchanged
  EXPECT_EQ(m_map.Recorded(m_edit), base);
  m_map.Update(m_edit, base);  // the same procedure: removed
  EXPECT_EQ(m_map.Recorded(m_edit), nullptr);
  SetProcedure(m_edit, base);
}

TEST_F(SubclassMapTest, RefusedChangeRecordsNothing) {
  // SetWindowLongA answers 0 when it refuses; recording that as the base would hide the real
  // base of a later subclassing.
  m_map.ProcedureSet(m_edit, nullptr, ::Subclass);
  EXPECT_EQ(m_map.Recorded(m_edit), nullptr);
  WNDPROC base = Subclass(::Subclass);
  EXPECT_EQ(m_map.BaseOf(m_edit), base);
  Subclass(base);
}

TEST_F(SubclassMapTest, ApplicationClassWindowsAreNotRecorded) {
  WNDCLASSA own{};
  own.lpfnWndProc = DefWindowProcA;
  own.hInstance = GetModuleHandleA(nullptr);
  own.lpszClassName = "AmbrelSubclassTestClass";
  ASSERT_NE(RegisterClassA(&own), 0);
  HWND mine = CreateWindowA(own.lpszClassName, "", 0, 0, 0, 1, 1, nullptr, nullptr, own.hInstance, nullptr);
  ASSERT_NE(mine, nullptr);
  m_map.ProcedureSet(mine, SetProcedure(mine, ::Subclass), ::Subclass);
  EXPECT_EQ(m_map.Recorded(mine), nullptr);
  DestroyWindow(mine);
  UnregisterClassA(own.lpszClassName, own.hInstance);
}

// An entry outlives its subclassing when the base is put back by other means or the window is
// destroyed; its handle may then name a fresh, unsubclassed control, which must get ANSI text.
TEST_F(SubclassMapTest, StaleEntriesAreDropped) {
  WNDPROC base = Subclass(::Subclass);
  SetProcedure(m_edit, base);
  EXPECT_EQ(m_map.BaseOf(m_edit), nullptr);
  EXPECT_EQ(m_map.Recorded(m_edit), nullptr);
  Subclass(::Subclass);
  DestroyWindow(m_edit);
  EXPECT_EQ(m_map.BaseOf(m_edit), nullptr);
  EXPECT_EQ(m_map.Recorded(m_edit), nullptr);
}

TEST(SubclassMap, WindowsOfSeveralThreads) {
  SubclassMap map;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&map] {
      std::vector<HWND> edits;
      for (int i = 0; i < 50; ++i) {
        edits.push_back(CreateWindowA("EDIT", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
      }
      for (int round = 0; round < 20; ++round) {
        for (HWND edit : edits) {
          WNDPROC base = SetProcedure(edit, Subclass);
          map.ProcedureSet(edit, base, Subclass);
          EXPECT_EQ(map.BaseOf(edit), base);
          map.ProcedureSet(edit, SetProcedure(edit, base), base);
          EXPECT_EQ(map.Recorded(edit), nullptr);
        }
      }
      for (HWND edit : edits) DestroyWindow(edit);
    });
  }
  for (auto& thread : threads) thread.join();
}

// Device modes: every field crosses between the forms, the names converted, each form with its own
// size; driver-private data goes along where the target has room.
TEST(DevMode, FieldByFieldBothWays) {
  WideDevMode wide{};
  std::wcscpy(wide.deviceName, L"Printer \u00e9");
  std::wcscpy(wide.formName, L"A4");
  wide.size = sizeof(wide);
  wide.fields = DM_ORIENTATION | DM_COPIES;
  wide.orientation = DMORIENT_LANDSCAPE;
  wide.copies = 3;
  wide.collate = 1;
  wide.logPixels = 96;
  wide.reserved2 = 0x12345678;
  ScratchList list;
  AnsiDevMode* ansi = AnsiDevModeCopy(list, reinterpret_cast<const DEVMODEW*>(&wide));
  ASSERT_NE(ansi, nullptr);
  EXPECT_EQ(ansi->size, 148);
  EXPECT_STREQ(ansi->deviceName, "Printer \xe9");
  EXPECT_STREQ(ansi->formName, "A4");
  EXPECT_EQ(ansi->orientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(ansi->copies, 3);
  EXPECT_EQ(ansi->collate, 1);
  EXPECT_EQ(ansi->logPixels, 96);
  EXPECT_EQ(ansi->reserved2, 0x12345678u);
  EXPECT_EQ(ansi->driverExtra, 0);
  // Back into a block with room for four bytes of the driver's own.
  struct {
    AnsiDevMode mode;
    BYTE driver[4];
  } withDriver{*ansi, {1, 2, 3, 4}};
  withDriver.mode.driverExtra = 4;
  struct {
    WideDevMode mode;
    BYTE driver[4];
  } back{};
  DevModeAToWideBlock(withDriver.mode, &back, sizeof(back));
  EXPECT_EQ(back.mode.size, 212);
  EXPECT_STREQ(back.mode.deviceName, L"Printer \u00e9");
  EXPECT_EQ(back.mode.copies, 3);
  EXPECT_EQ(back.mode.reserved2, 0x12345678u);
  EXPECT_EQ(back.mode.driverExtra, 4);
  EXPECT_EQ(back.driver[3], 4);
  // A block without room for it gets none, and says so.
  WideDevMode small{};
  DevModeAToWideBlock(withDriver.mode, &small, sizeof(small));
  EXPECT_EQ(small.driverExtra, 0);
}

TEST(DevMode, LongNamesAreCutAtACharacterEdge) {
  WideDevMode wide{};
  for (int i = 0; i < 32; ++i) wide.deviceName[i] = L'a' + (i % 26);  // 32 characters, no terminator
  AnsiDevMode ansi{};
  DevModeWToA(wide, ansi);
  EXPECT_EQ(std::string(ansi.deviceName, 32).substr(0, 3), "abc");
  EXPECT_EQ(ansi.deviceName[31], 'f');
}

HGLOBAL AnsiNames(const char* driver, const char* device, const char* output, WORD isDefault) {
  size_t size = sizeof(DEVNAMES) + std::strlen(driver) + std::strlen(device) + std::strlen(output) + 3;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  auto* names = static_cast<DEVNAMES*>(GlobalLock(block));
  char* text = reinterpret_cast<char*>(names);
  WORD at = sizeof(DEVNAMES);
  for (auto [field, value] : {std::pair{&names->wDriverOffset, driver},
                              {&names->wDeviceOffset, device},
                              {&names->wOutputOffset, output}}) {
    *field = at;
    std::strcpy(text + at, value);
    at = static_cast<WORD>(at + std::strlen(value) + 1);
  }
  names->wDefault = isDefault;
  GlobalUnlock(block);
  return block;
}

// The wide names' offsets count characters: the driver text starts right after the four fields.
TEST(DevNames, WideBlockFromAnsi) {
  HGLOBAL ansi = AnsiNames("winspool", "Printer \xe9", "LPT1:", DN_DEFAULTPRN);
  HGLOBAL wide = WideDevNamesFromAnsi(ansi);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(GlobalSize(wide), sizeof(DEVNAMES) + 2 * (9 + 10 + 6));
  auto* names = static_cast<const DEVNAMES*>(GlobalLock(wide));
  const auto* text = reinterpret_cast<const wchar_t*>(names);
  EXPECT_EQ(names->wDriverOffset, 4);
  EXPECT_STREQ(text + names->wDriverOffset, L"winspool");
  EXPECT_STREQ(text + names->wDeviceOffset, L"Printer \u00e9");
  EXPECT_STREQ(text + names->wOutputOffset, L"LPT1:");
  EXPECT_EQ(names->wDefault, DN_DEFAULTPRN);
  GlobalUnlock(wide);
  GlobalFree(wide);
  GlobalFree(ansi);
}

// Two dialogs in a row: the second gets the first one's device mode, with the caller's changes.
TEST(DeviceHandlePair, HandsTheLastDialogsModeOnWithTheCallersChanges) {
  DeviceHandlePair pair;
  EXPECT_EQ(pair.MakeWideDevMode(), nullptr);  // no dialog yet
  HGLOBAL ansiMode = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(AnsiDevMode) + 8);
  auto* mode = static_cast<AnsiDevMode*>(GlobalLock(ansiMode));
  std::strcpy(mode->deviceName, "Printer A");
  mode->size = sizeof(AnsiDevMode);
  mode->driverExtra = 8;
  mode->copies = 1;
  reinterpret_cast<BYTE*>(mode + 1)[7] = 0x5A;  // the driver's own data
  GlobalUnlock(ansiMode);
  HGLOBAL ansiNames = AnsiNames("winspool", "Printer A", "LPT1:", 0);
  pair.Adopt(ansiMode, ansiNames);
  HGLOBAL wideMode = pair.MakeWideDevMode();
  HGLOBAL wideNames = pair.MakeWideDevNames();
  ASSERT_NE(wideMode, nullptr);
  ASSERT_NE(wideNames, nullptr);
  EXPECT_EQ(pair.MakeWideDevMode(), wideMode);  // one block for the process
  auto* wide = static_cast<WideDevMode*>(GlobalLock(wideMode));
  EXPECT_STREQ(wide->deviceName, L"Printer A");
  EXPECT_EQ(wide->size, sizeof(WideDevMode));
  wide->copies = 4;  // the caller's change between the dialogs
  GlobalUnlock(wideMode);
  EXPECT_EQ(pair.AnsiDevModeFor(wideMode), ansiMode);
  mode = static_cast<AnsiDevMode*>(GlobalLock(ansiMode));
  EXPECT_EQ(mode->copies, 4);
  EXPECT_EQ(mode->driverExtra, 8);  // the ANSI block keeps its own size and driver data
  EXPECT_EQ(reinterpret_cast<BYTE*>(mode + 1)[7], 0x5A);
  GlobalUnlock(ansiMode);
  EXPECT_EQ(pair.AnsiDevNamesFor(wideNames), ansiNames);
  // Handles the pair did not hand out start the dialog from the default printer.
  HGLOBAL stranger = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(WideDevMode));
  EXPECT_EQ(pair.AnsiDevModeFor(stranger), nullptr);
  EXPECT_EQ(pair.AnsiDevNamesFor(stranger), nullptr);
  EXPECT_EQ(pair.AnsiDevModeFor(nullptr), nullptr);
  GlobalFree(stranger);
  GlobalFree(ansiMode);
  GlobalFree(ansiNames);
}

TEST(Win95Compat, Fallbacks) {
  ULONGLONG first = TickCount64Fallback();
  EXPECT_GE(TickCount64Fallback(), first);
  EXPECT_EQ(static_cast<DWORD>(TickCount64Fallback() - first) < 60000, true);
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD flags = 0xFFFF;
  EXPECT_TRUE(HandleInformationFallback(event, &flags));
  EXPECT_EQ(flags, 0u);
  CloseHandle(event);
  EXPECT_FALSE(HandleInformationFallback(event, &flags));
}
