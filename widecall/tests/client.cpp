// A client of Ambrel: calls a few exports directly and pulls in runtime code that calls others.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <thread>

int HelperTextLength(const wchar_t* text);

int main() {
  wchar_t text[64];
  wsprintfW(text, L"%d-%s", 42, L"x");
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegCloseKey(key);
  }
  HANDLE file = CreateFileW(L"NUL", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  // The runtime's narrow file and console functions: its streams would import _wfopen.
  std::thread worker([] {
    FILE* nul = std::fopen("NUL", "rb");
    std::printf("%d\n", nul != nullptr);
    if (nul) std::fclose(nul);
  });
  worker.join();
  std::wprintf(L"%ls %d\n", text, HelperTextLength(text));
  return GetModuleHandleW(nullptr) ? 0 : 1;
}
