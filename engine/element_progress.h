// The overall percentage of a configuration that the device applies element by element. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::engine {

// Where the device stands: the position of the element it applies, the percentage it reported
// for that element, and the overall percentage last reported to the client.
struct ElementProgress {
  uint32_t position = 0;
  uint32_t elementPercent = 0;
  uint32_t overall = 0;
};

// The overall percentage after the device reported `percent` for the element `tag`, out of the
// element names that the device form wrote. A name that repeats is matched at the element the
// device stands on or at a later one, and an unknown name keeps the last figure, so the overall
// figure never goes back and never passes 100.
uint32_t AdvanceElementProgress(const std::vector<std::u16string>& names, std::u16string_view tag,
                                uint32_t percent, ElementProgress& state);

}  // namespace orvel::engine
