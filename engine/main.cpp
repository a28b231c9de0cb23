// Vantrel, the terminal-manager server.
#include <windows.h>

#include "engine/module.h"

// The ANSI entry: the runtime's wide start-up (__wgetmainargs) calls the kernel's wide functions,
// which 95/98/ME do not have. The engine reads its command line itself.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return orvel::engine::RunVantrel(); }
