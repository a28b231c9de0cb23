// The Fenwarp stand-in: a frame that hosts the registered view plug-ins.
//
//   fenwarp [/log PATH] [/plugin PROGID]... [FILE]
//
// FILE is written to the current user's "Software\Orvel\Corvanset\" value "RequestFile" before
// any plug-in is created, as the engine does when a client asks it to open the manager on a file.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
// clang-format on

#include <string>
#include <vector>

#include "outside/fenwarp/frame.h"
#include "support/win/registry.h"

using namespace orvel::fenwarp;

namespace {

struct CCommandLine {
  std::wstring logPath;
  std::wstring file;
  CHostOptions host;
  std::vector<std::wstring> ignored;
};

bool IsOption(const std::wstring& arg, const wchar_t* name) {
  return arg.size() > 1 && (arg[0] == L'/' || arg[0] == L'-') && ::lstrcmpiW(arg.c_str() + 1, name) == 0;
}

CCommandLine ParseCommandLine() {
  CCommandLine line;
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  for (int i = 1; args && i < count; ++i) {
    std::wstring arg = args[i];
    if (IsOption(arg, L"log") && i + 1 < count) {
      line.logPath = args[++i];
    } else if (IsOption(arg, L"plugin") && i + 1 < count) {
      line.host.plugins.emplace_back(args[++i]);
    } else if (line.file.empty() && !arg.empty() && arg[0] != L'/' && arg[0] != L'-') {
      line.file = arg;
    } else {
      line.ignored.push_back(arg);
    }
  }
  if (args) ::LocalFree(args);
  if (line.logPath.empty()) {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(L"FENWARP_LOG", path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) line.logPath = path;
  }
  return line;
}

void WriteRequestFile(const CLineLog& log, const std::wstring& file) {
  // The plug-in runs in this process, but a full path does not depend on its current folder.
  wchar_t full[MAX_PATH] = {};
  DWORD n = ::GetFullPathNameW(file.c_str(), MAX_PATH, full, nullptr);
  std::wstring path = n > 0 && n < MAX_PATH ? std::wstring(full, n) : file;
  LSTATUS status =
      orvel::win::WriteRegString(HKEY_CURRENT_USER, orvel::win::kCorvansetKey, L"RequestFile", path);
  log.Write(L"host RequestFile " + Quoted(path) + L" -> " + std::to_wstring(status));
}

bool IsInput(UINT message) {
  switch (message) {
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      return true;
    default:
      return false;
  }
}

int RunMessageLoop(CFrame& frame) {
  MSG msg = {};
  bool inputSeen = false;
  for (;;) {
    if (inputSeen && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      frame.OnIdle();
      inputSeen = false;
    }
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    // Only the frame's accelerators: the views get every key, and no dialog navigation.
    if (frame.TranslateFrameAccelerator(msg)) {
      inputSeen = true;
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    if (IsInput(msg.message)) inputSeen = true;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int show) {
  CCommandLine line = ParseCommandLine();
  CLineLog log(line.logPath);
  std::wstring start = L"host start pid " + std::to_wstring(::GetCurrentProcessId());
  for (const std::wstring& plugin : line.host.plugins) start += L" /plugin " + plugin;
  if (!line.file.empty()) start += L" file " + Quoted(line.file);
  log.Write(start);
  for (const std::wstring& arg : line.ignored) log.Write(L"host ignores argument " + Quoted(arg));
  if (!line.file.empty()) WriteRequestFile(log, line.file);

  HRESULT hr = ::CoInitialize(nullptr);
  if (FAILED(hr)) {
    log.Write(L"host CoInitialize -> " + HexCode(hr));
    return 1;
  }
  INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                   ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);

  int result = 1;
  {
    CFrame frame(log, line.host);
    if (frame.CreateFrame()) {
      ::ShowWindow(frame.Handle(), show);
      ::UpdateWindow(frame.Handle());
      log.Write(L"host frame " + HexHandle(frame.Handle()));
      frame.StartUp();
      result = RunMessageLoop(frame);
    } else {
      log.Write(L"host cannot create the frame: " + std::to_wstring(::GetLastError()));
    }
  }
  ::CoUninitialize();
  log.Write(L"host exit " + std::to_wstring(result));
  return result;
}
