// One deliverable's time limits: a table of named durations with their built-in values, and the
// one override that every deliverable reads, the environment variable ORVEL_LIMITS (the README
// gives its rule). Portable; the Windows side reads the variable (support/win/limits.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

inline constexpr char kLimitsVariable[] = "ORVEL_LIMITS";

struct LimitEntry {
  const char* name;
  uint32_t milliseconds;
};

class CLimitTable {
 public:
  // deliverable: the prefix of this table's entries in the override ("Vantrel", "Tessmark", ...).
  CLimitTable(std::string_view deliverable, std::span<const LimitEntry> entries);

  uint32_t Milliseconds(size_t index) const { return m_values.at(index); }
  std::string_view Name(size_t index) const { return m_entries[index].name; }
  size_t Size() const { return m_entries.size(); }

  // Applies the override text: a comma-separated list of "Deliverable.Name=milliseconds" entries.
  // Entries of other deliverables are passed over; entries of this one that name no limit or give
  // no number (0 to 99999999) are ignored and returned, separated by commas ("" when none).
  std::string Apply(std::string_view text);
  // The built-in values again.
  void Reset();

 private:
  std::string m_deliverable;
  std::span<const LimitEntry> m_entries;
  std::vector<uint32_t> m_values;
};

}  // namespace orvel
