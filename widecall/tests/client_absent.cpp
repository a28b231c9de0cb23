// A client linked through Ambrel that imports a wide function outside the table and a function
// Windows 95 does not have: its import-table check must fail on both.
#include <windows.h>

int main() {
  LARGE_INTEGER size{};
  BOOL linked = CreateHardLinkW(L"b.txt", L"a.txt", nullptr);
  return GetFileSizeEx(nullptr, &size) || linked ? 0 : 1;
}
