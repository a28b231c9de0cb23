// trustclients NAME ... — adds client names to the engine's list of always-trusted clients, as the
// user does by ticking "always trust" in the prompt. The demonstration and benchmark scripts use it
// for their own clients, which have nobody at the screen to answer a prompt.
#include <windows.h>

#include <string>

#include "engine/trust.h"

int wmain(int argc, wchar_t** argv) {
  orvel::engine::CTrustedClients trusted;
  trusted.Load();
  for (int i = 1; i < argc; ++i) {
    std::u16string name(reinterpret_cast<const char16_t*>(argv[i]));
    if (!trusted.Contains(name)) trusted.Add(name);
  }
  return 0;
}
