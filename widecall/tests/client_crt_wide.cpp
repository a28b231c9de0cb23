// A client linked through Ambrel that takes its arguments in the wide form and opens a file with
// the C runtime's wide function: its import-table check must fail on both (the runtime calls the
// kernel's wide functions, not Ambrel).
#include <stdio.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv) {
  FILE* file = _wfopen(argc > 1 ? argv[1] : L"NUL", L"rb");
  if (file) fclose(file);
  return file ? 0 : 1;
}
