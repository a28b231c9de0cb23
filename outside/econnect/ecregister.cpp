// ecregister [/u] [device root]: sets the EPOC Connect stand-in up in this Windows (prefix):
// registers ecobjects.dll, writes the App Paths entry of "econnect.exe" (this program's folder)
// and the device root, and creates the root with drives c and d and a state file when missing.
// With /u it removes the registration and the keys and leaves the device root alone.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "interfaces/econnect_contract.h"
#include "outside/econnect/standin.h"
#include "support/win/registry.h"

namespace fs = std::filesystem;
using namespace orvel;

namespace {

// The ".sis" association that starts the stand-in installer.
const wchar_t kPackageExtensionKey[] = L"Software\\Classes\\.sis";
const wchar_t kPackageClassKey[] = L"Software\\Classes\\OrvelStandIn.Package";
const wchar_t kPackageCommandKey[] = L"Software\\Classes\\OrvelStandIn.Package\\shell\\open\\command";

HRESULT CallServer(const fs::path& dll, const char* entry) {
  HMODULE module = ::LoadLibraryW(dll.c_str());
  if (!module) return HRESULT_FROM_WIN32(::GetLastError());
  using Entry = HRESULT(STDAPICALLTYPE*)();
  auto call = reinterpret_cast<Entry>(reinterpret_cast<void*>(::GetProcAddress(module, entry)));
  HRESULT hr = call ? call() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  ::FreeLibrary(module);
  return hr;
}

int Fail(const char* what, long code) {
  std::fprintf(stderr, "ecregister: %s failed (0x%08lx)\n", what, code);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool remove = false;
  fs::path root;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg == L"/u" || arg == L"-u") {
      remove = true;
    } else {
      root = fs::absolute(arg);
    }
  }
  fs::path folder = fs::path(win::CModule::Path()).parent_path();
  if (root.empty()) root = folder / L"device";
  ::CoInitialize(nullptr);

  if (remove) {
    HRESULT hr = CallServer(folder / L"ecobjects.dll", "DllUnregisterServer");
    win::DeleteRegTree(HKEY_LOCAL_MACHINE, econnect::kAppPathsKey);
    win::DeleteRegTree(HKEY_LOCAL_MACHINE, econnect::kStandInKey);
    win::DeleteRegTree(HKEY_LOCAL_MACHINE, kPackageExtensionKey);
    win::DeleteRegTree(HKEY_LOCAL_MACHINE, kPackageClassKey);
    return FAILED(hr) ? Fail("DllUnregisterServer", hr) : 0;
  }

  HRESULT hr = CallServer(folder / L"ecobjects.dll", "DllRegisterServer");
  if (FAILED(hr)) return Fail("DllRegisterServer", hr);
  LSTATUS status = win::WriteRegString(HKEY_LOCAL_MACHINE, econnect::kAppPathsKey, nullptr,
                                       (folder / L"econnect.exe").wstring());
  if (status == ERROR_SUCCESS)
    status = win::WriteRegString(HKEY_LOCAL_MACHINE, econnect::kAppPathsKey, L"Path", folder.wstring());
  if (status == ERROR_SUCCESS)
    status = win::WriteRegString(HKEY_LOCAL_MACHINE, econnect::kStandInKey, econnect::kDeviceRootValue,
                                 root.wstring());
  if (status == ERROR_SUCCESS)
    status = win::WriteRegString(HKEY_LOCAL_MACHINE, kPackageExtensionKey, nullptr, L"OrvelStandIn.Package");
  if (status == ERROR_SUCCESS)
    status = win::WriteRegString(HKEY_LOCAL_MACHINE, kPackageCommandKey, nullptr,
                                 L"\"" + (folder / L"sisinstall.exe").wstring() + L"\" \"%1\"");
  if (status != ERROR_SUCCESS) return Fail("writing the registry", status);

  std::error_code error;
  fs::create_directories(root / L"c", error);
  fs::create_directories(root / L"d", error);
  if (!fs::exists(root / econnect::kStateFileName))
    fs::copy_file(folder / L"default_state.txt", root / econnect::kStateFileName, error);
  if (error) return Fail("creating the device root", error.value());
  std::printf("EPOC Connect stand-in registered; device root %ls\n", root.c_str());
  return 0;
}
