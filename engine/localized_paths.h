// Device paths in the device's language. Configure resolves every device path it builds through
// this one function.
#pragma once

#include <string>
#include <string_view>

namespace orvel::engine {

// A device path written with the English folder names, as the device of the connected language
// names it. English only for now: the path comes back unchanged.
inline std::u16string DevicePathForDevice(std::u16string_view path) { return std::u16string(path); }

}  // namespace orvel::engine
