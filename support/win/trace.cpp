#include "support/win/trace.h"

#include <windows.h>

#include <string>

#include "support/u16text.h"
#include "support/win/wide.h"

namespace orvel::win {

void TraceLine(std::wstring_view line) {
  wchar_t path[MAX_PATH] = {};
  DWORD length = ::GetEnvironmentVariableW(L"ORVEL_TRACE", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  // Append-only access: every line lands at the end, whichever writer makes it.
  HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string bytes = AsUtf8(FromWide(line)) + "\r\n";
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace orvel::win
