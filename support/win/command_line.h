// One argument of a command line for CreateProcessW: as it is when it needs no quotes, else in
// double quotes with its own double quotes escaped.
#pragma once

#include <string>

namespace orvel::win {

inline std::wstring QuotedArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  for (wchar_t c : arg) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

}  // namespace orvel::win
