// A client linked through Ambrel that imports a wide function of the table from kernel32 by
// ordinal (an import library that names it by number only, ahead of Ambrel's): its import-table
// check must fail, though no name of the table or ending in "W" shows in its imports.
#include <windows.h>

int main() {
  wchar_t folder[MAX_PATH] = {};
  return GetTempPathW(MAX_PATH, folder) > 0 ? 0 : 1;
}
