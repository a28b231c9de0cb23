// Vantrel, the terminal-manager server.
#include <windows.h>

#include "engine/module.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return orvel::engine::RunVantrel(); }
