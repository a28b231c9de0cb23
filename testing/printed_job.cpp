#include "testing/printed_job.h"

// clang-format off
#include <winspool.h>  // needs windows.h first
// clang-format on

#include <cwchar>
#include <utility>

#include "support/u16text.h"
#include "support/win/handle.h"

namespace orvel::win {

namespace {

// The file's bytes; nothing when it cannot be read.
std::optional<std::string> ReadBytes(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0) bytes.append(chunk, read);
  return bytes;
}

constexpr char kPrinter[] = "Orvel_PDF";  // kTestPrinterName

// The folders of the 32-bit family ("Windows NT x86") and of the 95/98 family ("Windows 4.0")
// that folderOf answers; name is copied from the one into the other.
using FolderOf = BOOL(WINAPI*)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD);
bool CopyFor95And98(FolderOf folderOf, const char* subfolder, const char* name) {
  char from[MAX_PATH] = {}, to[MAX_PATH] = {};
  DWORD size = 0;
  if (!folderOf(nullptr, const_cast<char*>("Windows NT x86"), 1, reinterpret_cast<BYTE*>(from), MAX_PATH,
                &size) ||
      !folderOf(nullptr, const_cast<char*>("Windows 4.0"), 1, reinterpret_cast<BYTE*>(to), MAX_PATH, &size))
    return false;
  std::string target = std::string(to) + subfolder;
  CreateDirectoryA(target.c_str(), nullptr);
  return CopyFileA((std::string(from) + subfolder + "\\" + name).c_str(), (target + "\\" + name).c_str(),
                   FALSE) != FALSE;
}

bool SetDriverFor95And98() {
  HKEY driver = nullptr;
  std::string key =
      std::string("System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers\\") +
      "Version-0\\" + kPrinter;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &driver) != ERROR_SUCCESS)
    return false;
  static const char kDriver[] = "wineps.drv";
  bool set = true;
  for (const char* value : {"Driver", "Configuration File"}) {
    set &= RegSetValueExA(driver, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(kDriver),
                          sizeof(kDriver)) == ERROR_SUCCESS;
  }
  RegCloseKey(driver);
  return set;
}

}  // namespace

bool SetUpTestPrinterFor95And98() {
  // The configuration module is looked for in the driver folder's "3" whatever the environment.
  if (!CopyFor95And98(GetPrinterDriverDirectoryA, "\\3", "wineps.drv") ||
      !CopyFor95And98(GetPrintProcessorDirectoryA, "", "winprint.dll"))
    return false;
  // Every process's first open of the printer sets the driver up again, this one's included, so
  // the open comes first. The spooler keeps the configuration module once it has loaded it: a
  // device-mode size query loads it before another process sets the driver up again, else the
  // whole is done once more.
  for (int attempt = 0; attempt < 3; ++attempt) {
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(kPrinter), &printer, nullptr)) return false;
    ClosePrinter(printer);
    if (!SetDriverFor95And98()) return false;
    if (DocumentPropertiesA(nullptr, nullptr, const_cast<char*>(kPrinter), nullptr, nullptr, 0) > 0)
      return true;
  }
  return false;
}

std::wstring PrintOutputFolder() {
  wchar_t folder[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableW(L"ORVEL_PRINT_OUT", folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

namespace {

// The newest complete job, of the title when one is given.
std::optional<PrintedJob> NewestJob(const std::u16string_view* title) {
  std::wstring folder = PrintOutputFolder();
  if (folder.empty()) return std::nullopt;
  std::optional<PrintedJob> newest;
  WIN32_FIND_DATAW found{};
  UniqueFind search(FindFirstFileW((folder + L"\\*.txt").c_str(), &found));
  if (!search) return std::nullopt;
  do {
    int number = static_cast<int>(std::wcstol(found.cFileName, nullptr, 10));
    if (number <= 0 || (newest && newest->number > number)) continue;
    std::wstring job = folder + L"\\" + std::to_wstring(number);
    auto jobTitle = ReadBytes(job + L".title");
    if (!jobTitle) continue;
    if (!jobTitle->empty() && jobTitle->back() == '\n') jobTitle->pop_back();
    std::u16string wideTitle = FromUtf8(*jobTitle);
    if (title && wideTitle != *title) continue;
    auto text = ReadBytes(job + L".txt");
    if (!text) continue;
    newest = PrintedJob{number, std::move(wideTitle), job + L".pdf", FromUtf8(*text)};
  } while (FindNextFileW(search.get(), &found));
  return newest;
}

}  // namespace

std::optional<PrintedJob> FindPrintedJob(std::u16string_view title) { return NewestJob(&title); }

std::optional<PrintedJob> LastPrintedJob() { return NewestJob(nullptr); }

std::optional<PrintedJob> WaitForPrintedJob(std::u16string_view title, DWORD limitMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (auto job = FindPrintedJob(title)) return job;
    if (GetTickCount() - start >= limitMs) return std::nullopt;
    Sleep(50);  // the service converts the job in a process of its own
  }
}

}  // namespace orvel::win
