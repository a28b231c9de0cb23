#include "engine/element_progress.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace orvel::engine {

namespace {

// The element the report belongs to: the current one while its percentage does not drop, else
// the next one of that name; failing that, any one of that name.
std::optional<size_t> FindElement(const std::vector<std::u16string>& names, std::u16string_view tag,
                                  uint32_t percent, const ElementProgress& state) {
  for (size_t i = state.position; i < names.size(); ++i) {
    if (names[i] != tag) continue;
    if (i == state.position && percent < state.elementPercent) continue;
    return i;
  }
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == tag) return i;
  return std::nullopt;
}

}  // namespace

uint32_t AdvanceElementProgress(const std::vector<std::u16string>& names, std::u16string_view tag,
                                uint32_t percent, ElementProgress& state) {
  percent = std::min<uint32_t>(percent, 100);
  std::optional<size_t> found = FindElement(names, tag, percent, state);
  if (!found) return state.overall;
  double n = static_cast<double>(std::max<size_t>(names.size(), 1));
  auto overall =
      static_cast<uint32_t>(std::floor(1.0 / n * (percent * 0.01 + static_cast<double>(*found)) * 100 + 0.5));
  state.position = static_cast<uint32_t>(*found);
  state.elementPercent = percent;
  state.overall = std::clamp<uint32_t>(overall, state.overall, 100);
  return state.overall;
}

}  // namespace orvel::engine
