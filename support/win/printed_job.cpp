#include "support/win/printed_job.h"

#include <cwchar>

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

}  // namespace

std::wstring PrintOutputFolder() {
  wchar_t folder[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableW(L"ORVEL_PRINT_OUT", folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::optional<PrintedJob> FindPrintedJob(std::u16string_view title) {
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
    if (FromUtf8(*jobTitle) != title) continue;
    auto text = ReadBytes(job + L".txt");
    if (!text) continue;
    newest = PrintedJob{number, job + L".pdf", FromUtf8(*text)};
  } while (FindNextFileW(search.get(), &found));
  return newest;
}

std::optional<PrintedJob> WaitForPrintedJob(std::u16string_view title, DWORD limitMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (auto job = FindPrintedJob(title)) return job;
    if (GetTickCount() - start >= limitMs) return std::nullopt;
    Sleep(50);  // the service converts the job in a process of its own
  }
}

}  // namespace orvel::win
