// The server module: lock count, shutdown monitor, registration and the program's run.
#pragma once

#include <windows.h>

#include <string_view>

namespace orvel::engine {

class CExeModule {
 public:
  // Objects handed to clients and LockServer hold the module; the engine object and the class
  // objects do not, so the count reaches 0 when the last client reference is gone.
  static LONG Lock();
  static LONG Unlock();
  static LONG LockCount();
  // Set once the main loop has decided to end; activations are refused from then on.
  static bool Stopping();

  static bool StartMonitor();
  static DWORD WINAPI MonitorShutdown(void*);
};

// The position just behind the first character of text that is one of characters, or npos.
size_t FindOneOf(std::wstring_view text, std::wstring_view characters);

// "/RegServer" and "-UnregServer" (any case) register and unregister; any other switch is passed
// over. Gives 1 for register, -1 for unregister, 0 for neither.
int FindRegistrationSwitch(std::wstring_view commandLine);

HRESULT RegisterServer();
HRESULT UnregisterServer();

// The body of wWinMain.
int RunVantrel();

}  // namespace orvel::engine
