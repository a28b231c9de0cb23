// sisinstall PACKAGE: the stand-in of the device's package installer, which Windows starts for a
// ".sis" file (ecregister registers the association). It ends with the state file's
// "install_result" when that is set (after "install_wait" milliseconds), and otherwise puts the package into
// the device's "c:\System\Install\" folder and ends with 0.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <filesystem>
#include <memory>
#include <system_error>

#include "outside/econnect/standin.h"

namespace fs = std::filesystem;
using namespace orvel::econnect;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  std::unique_ptr<LPWSTR, decltype(&::LocalFree)> args(::CommandLineToArgvW(::GetCommandLineW(), &count),
                                                       &::LocalFree);
  if (!args || count != 2) return ERROR_INVALID_PARAMETER;
  fs::path package = args.get()[1];
  CDeviceState state = State();
  // A person takes this long to go through the installer's pages.
  ::Sleep(static_cast<DWORD>(state.Number("install_wait")));
  if (auto forced = static_cast<int>(state.Number("install_result"))) return forced;
  if (!state.Connected()) return kErrorNotConnected;
  fs::path folder = DriveFolder(DeviceRoot(), u'c') / "System" / "Install";
  std::error_code error;
  fs::create_directories(folder, error);
  if (!error)
    fs::copy_file(package, folder / package.filename(), fs::copy_options::overwrite_existing, error);
  return error ? ERROR_WRITE_FAULT : 0;
}
