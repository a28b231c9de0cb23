// hostshot FENWARP_EXE PLUGIN NAME [FILE] — starts the host with one plug-in (and a settings file
// to open), waits until it is ready, writes a screenshot of its frame as NAME.png into the folder
// named by ORVEL_SCREENSHOT_DIR and closes the host again. For a display that nobody looks at. A
// message box shown on the way (a file that was corrected, say) is printed, taken as
// NAME_message.png and answered with its default button; a question at the close is answered No.
#include <windows.h>

#include <cstdio>
#include <string>

#include "testing/ui_driver.h"

using namespace orvel::uidriver;

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fwprintf(stderr, L"usage: hostshot FENWARP_EXE PLUGIN NAME [FILE]\n");
    return 2;
  }
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  HostOptions options;
  options.program = argv[1];
  options.plugins = {argv[2]};
  options.logPath = std::wstring(temp) + L"hostshot.log";
  if (argc > 4) options.file = argv[4];
  CHostProcess host;
  bool started = host.Start(options);
  bool ready = false;
  std::wstring name = argv[3];
  while (started && !ready) {
    ready = WaitUntil(Wait::LogLine,
                      [&] {
                        return !host.LogLinesWith(L"host ready").empty() ||
                               FindMessageBox(host.ProcessId()).has_value();
                      }) &&
            !host.LogLinesWith(L"host ready").empty();
    if (ready) break;
    std::optional<MessageBoxInfo> box = FindMessageBox(host.ProcessId());
    if (!box) break;
    std::wprintf(L"message: %ls\n", box->text.c_str());
    if (std::optional<std::wstring> shot = CaptureWindow(box->window, name + L"_message"))
      std::wprintf(L"%ls\n", shot->c_str());
    ::SendMessageW(box->window, WM_COMMAND, IDOK, 0);
    WaitUntil(Wait::Window, [&] { return !::IsWindow(box->window); });
  }
  if (!ready) {
    std::fwprintf(stderr, L"hostshot: the host did not get ready\n");
    return 1;
  }
  std::optional<std::wstring> shot = CaptureWindow(host.Frame(), argv[3]);
  if (shot) std::wprintf(L"%ls\n", shot->c_str());
  // Closing may ask whether to keep changes (the corrections of a file, say): nothing is saved.
  ::PostMessageW(host.Frame(), WM_CLOSE, 0, 0);
  while (WaitUntil(Wait::HostExit, [&] { return !host.IsRunning() || FindMessageBox(host.ProcessId()); }) &&
         host.IsRunning()) {
    std::optional<MessageBoxInfo> box = FindMessageBox(host.ProcessId());
    if (!box) continue;
    std::wprintf(L"message: %ls (answered No)\n", box->text.c_str());
    ::SendMessageW(box->window, WM_COMMAND, IDNO, 0);
    WaitUntil(Wait::Window, [&] { return !::IsWindow(box->window); });
  }
  std::optional<DWORD> code = host.WaitExit();
  return shot && code && *code == 0 ? 0 : 1;
}
