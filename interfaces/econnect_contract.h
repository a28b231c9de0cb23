// What the system relies on of EPOC Connect besides its interfaces (econnect.idl): where its
// program is registered, and the location records that its objects take.
#pragma once

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string_view>

#include "econnect.h"

namespace orvel::econnect {

// The machine-wide App Paths entry of EPOC Connect's program: its default value is the program,
// its value "Path" the program's folder.
inline constexpr wchar_t kAppPathsKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\econnect.exe";

// A location of the kind EC_LOCATION_COMPUTER or EC_LOCATION_DEVICE; false when the path does not
// fit the record's 260 characters and its terminator.
inline bool MakeLocation(ECLocation& location, USHORT kind, std::wstring_view path) {
  location = ECLocation{};
  location.Kind = kind;
  if (path.size() >= std::size(location.Path)) return false;
  std::copy(path.begin(), path.end(), location.Path);
  return true;
}
inline bool MakeLocation(ECLocation& location, USHORT kind, std::u16string_view path) {
  return MakeLocation(location, kind,
                      std::wstring_view(reinterpret_cast<const wchar_t*>(path.data()), path.size()));
}

}  // namespace orvel::econnect
