// A client linked through Ambrel whose own code imports a wide function outside the table
// directly: its import-table check must fail (on 95/98/ME the function is at best a stub).
#include <windows.h>

int main() { return DialogBoxParamW(nullptr, MAKEINTRESOURCEW(1), nullptr, nullptr, 0) > 0 ? 0 : 1; }
