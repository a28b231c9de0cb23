#include "support/limits.h"

namespace orvel {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Decimal milliseconds of at most eight digits, so that no value wraps around.
bool ParseMilliseconds(std::string_view text, uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  uint32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<uint32_t>(c - '0');
  }
  value = n;
  return true;
}

}  // namespace

CLimitTable::CLimitTable(std::string_view deliverable, std::span<const LimitEntry> entries)
    : m_deliverable(deliverable), m_entries(entries) {
  Reset();
}

void CLimitTable::Reset() {
  m_values.clear();
  for (const LimitEntry& entry : m_entries) m_values.push_back(entry.milliseconds);
}

std::string CLimitTable::Apply(std::string_view text) {
  std::string ignored;
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view entry = Trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    size_t dot = entry.find('.');
    if (entry.empty() || dot == std::string_view::npos ||
        !SameNoCase(Trim(entry.substr(0, dot)), m_deliverable))
      continue;
    std::string_view rest = entry.substr(dot + 1);
    size_t eq = rest.find('=');
    bool applied = false;
    uint32_t value = 0;
    if (eq != std::string_view::npos && ParseMilliseconds(Trim(rest.substr(eq + 1)), value)) {
      std::string_view name = Trim(rest.substr(0, eq));
      for (size_t i = 0; i < m_entries.size(); ++i) {
        if (SameNoCase(name, m_entries[i].name)) {
          m_values[i] = value;
          applied = true;
        }
      }
    }
    if (!applied) {
      if (!ignored.empty()) ignored += ',';
      ignored += entry;
    }
  }
  return ignored;
}

}  // namespace orvel
