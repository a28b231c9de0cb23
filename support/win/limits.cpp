#include "support/win/limits.h"

#include <windows.h>

#include "support/limits.h"
#include "support/u16text.h"
#include "support/win/wide.h"

namespace orvel::win {

std::string LimitsOverrideText() {
  std::wstring name(kLimitsVariable, kLimitsVariable + sizeof(kLimitsVariable) - 1);
  DWORD size = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  DWORD n = ::GetEnvironmentVariableW(name.c_str(), value.data(), size);
  if (n == 0 || n >= size) return {};
  value.resize(n);
  return AsUtf8(FromWide(value));
}

}  // namespace orvel::win
