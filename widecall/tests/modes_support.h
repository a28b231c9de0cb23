// The system modes that Ambrel's mode tests run under (AMBREL_MODE: default, nt40, win98, win95,
// and win98j: Windows 98 with the double-byte Japanese code page), and what the 95/98 paths make of
// a text, for the test programs' expectations.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace ambrel_modes {

struct Mode {
  const char* name;
  DWORD platform, major, minor;
  bool ansi;         // 95/98/ME: the exports take their ANSI paths
  bool tlsEmulated;  // below Windows 2000
  UINT codePage;     // the ANSI code page the mode runs under
};
inline const Mode kModes[] = {
    {"default", VER_PLATFORM_WIN32_NT, 0, 0, false, false, 1252},
    {"nt40", VER_PLATFORM_WIN32_NT, 4, 0, false, true, 1252},
    {"win98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, true, true, 1252},
    {"win95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, true, true, 1252},
    {"win98j", VER_PLATFORM_WIN32_WINDOWS, 4, 10, true, true, 932},
};

inline const Mode& CurrentMode() {
  const char* name = std::getenv("AMBREL_MODE");
  for (const auto& mode : kModes) {
    if (name && std::strcmp(name, mode.name) == 0) return mode;
  }
  return kModes[0];
}
inline bool Ansi() { return CurrentMode().ansi; }
inline std::wstring CurrentModeName() {
  const char* name = CurrentMode().name;
  return std::wstring(name, name + std::strlen(name));
}
inline bool Win98() { return Ansi() && CurrentMode().minor == 10; }

// A text through the ANSI code page as the system converts it: what the 95/98 paths make of a
// wide text. Other modes keep it as it is.
inline std::wstring Acp(const std::wstring& text) {
  if (!Ansi() || text.empty()) return text;
  int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(bytes, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), bytes, nullptr, nullptr);
  int units = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring wide(units, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), units);
  wide.resize(units - 1);
  return wide;
}
// The ANSI bytes of a text as the system converts it.
inline std::string AnsiOf(const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(bytes, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), bytes, nullptr, nullptr);
  ansi.resize(bytes - 1);
  return ansi;
}

// U+00E9 is in code page 1252 and has a near form in 932; U+4E2D is a double-byte character of
// 932 and outside 1252; U+05D0 is outside both.
inline const wchar_t kMixed[] = L"a\u00e9\u4e2db";
inline const wchar_t kOutside[] = L"\u05d0";
// What the mixed text becomes: the 95/98 paths lose what the code page does not hold.
inline std::wstring Mixed() { return Acp(kMixed); }

// Twenty characters that the mode's code page holds, two bytes each under code page 932
// (hiragana), one byte elsewhere (accented letters): a text that needs twice as many bytes as
// characters in the double-byte mode.
inline std::wstring TwentyCharacters() {
  if (CurrentMode().codePage != 932) return std::wstring(20, L'\u00e9');
  std::wstring text;
  for (wchar_t c = 0x3042; text.size() < 20; c += 2) text += c;
  return text;
}

inline std::wstring TempDir() {
  wchar_t path[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, path);
  return std::wstring(path, n);
}

// A system function reached past Ambrel, for answers computed independently of it.
template <class Fn>
inline Fn SystemEntry(const char* library, const char* name) {
  HMODULE module = GetModuleHandleA(library);
  if (!module) module = LoadLibraryA(library);
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Whether Wine can put a name outside ASCII on disk: not when it was started with a locale that
// the machine lacks (the double-byte mode), since it maps file names through that locale.
inline bool DiskTakesNamesOutsideAscii() {
  using CreateFn = BOOL(WINAPI*)(LPCWSTR, LPSECURITY_ATTRIBUTES);
  using RemoveFn = BOOL(WINAPI*)(LPCWSTR);
  std::wstring probe = TempDir() + CurrentModeName() + L"_probe\u00e9";
  bool taken = SystemEntry<CreateFn>("kernel32.dll", "CreateDirectoryW")(probe.c_str(), nullptr) ||
               GetLastError() == ERROR_ALREADY_EXISTS;
  SystemEntry<RemoveFn>("kernel32.dll", "RemoveDirectoryW")(probe.c_str());
  if (!taken) std::printf("left out: file names outside ASCII (Wine's locale is missing here)\n");
  return taken;
}

}  // namespace ambrel_modes
