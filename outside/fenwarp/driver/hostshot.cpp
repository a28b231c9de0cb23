// hostshot FENWARP_EXE PLUGIN NAME [FILE] — starts the host with one plug-in (and a settings file
// to open), waits until it is ready, writes a screenshot of its frame as NAME.png into the folder
// named by ORVEL_SCREENSHOT_DIR and closes the host again. For a display that nobody looks at.
#include <windows.h>

#include <cstdio>
#include <string>

#include "outside/fenwarp/driver/ui_driver.h"

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
  if (!host.Start(options) || !host.WaitLog(L"host ready")) {
    std::fwprintf(stderr, L"hostshot: the host did not get ready\n");
    return 1;
  }
  std::optional<std::wstring> shot = CaptureWindow(host.Frame(), argv[3]);
  if (shot) std::wprintf(L"%ls\n", shot->c_str());
  std::optional<DWORD> code = host.Close();
  return shot && code && *code == 0 ? 0 : 1;
}
