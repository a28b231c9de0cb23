#include "engine/engine_limits.h"

#include <array>
#include <cstdlib>

namespace orvel::engine {

namespace {

struct LimitEntry {
  Limit limit;
  const char* name;
  uint32_t builtIn;
};

constexpr std::array<LimitEntry, static_cast<size_t>(Limit::Count)> kLimits = {{
    {Limit::IdleShutdown, "IdleShutdown", 10000},
    {Limit::TearDownPause, "TearDownPause", 1000},
    {Limit::PollTimer, "PollTimer", 1000},
    {Limit::ClientGrace, "ClientGrace", 10000},
    {Limit::QuestionTimeout, "QuestionTimeout", 3600000},
    {Limit::TransferCancelGrace, "TransferCancelGrace", 5000},
    {Limit::TrustPrompt, "TrustPrompt", 120000},
    {Limit::DeviceInfoRefresh, "DeviceInfoRefresh", 3600000},
    {Limit::DeviceInfoRetry, "DeviceInfoRetry", 10000},
    {Limit::ManagerStartPause, "ManagerStartPause", 100},
    {Limit::TrustRetry, "TrustRetry", 10000},
    {Limit::BackupConnectPause, "BackupConnectPause", 500},
    {Limit::RestorePause, "RestorePause", 100},
}};

std::array<uint32_t, kLimits.size()> g_values = [] {
  std::array<uint32_t, kLimits.size()> values{};
  for (size_t i = 0; i < kLimits.size(); ++i) values[i] = kLimits[i].builtIn;
  return values;
}();

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Decimal milliseconds up to one day less one; anything else is no value.
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

uint32_t LimitMilliseconds(Limit limit) { return g_values[static_cast<size_t>(limit)]; }

std::chrono::milliseconds LimitDuration(Limit limit) {
  return std::chrono::milliseconds(LimitMilliseconds(limit));
}

std::string_view LimitName(Limit limit) { return kLimits[static_cast<size_t>(limit)].name; }

std::string ApplyLimitOverrides(std::string_view text) {
  std::string ignored;
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view entry = Trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (entry.empty()) continue;
    size_t eq = entry.find('=');
    bool applied = false;
    if (eq != std::string_view::npos) {
      std::string_view name = Trim(entry.substr(0, eq));
      uint32_t value = 0;
      if (ParseMilliseconds(Trim(entry.substr(eq + 1)), value)) {
        for (size_t i = 0; i < kLimits.size(); ++i) {
          if (SameNoCase(name, kLimits[i].name)) {
            g_values[i] = value;
            applied = true;
          }
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

void LoadLimitOverrides() {
  if (const char* text = std::getenv(kLimitsVariable)) ApplyLimitOverrides(text);
}

void ResetLimits() {
  for (size_t i = 0; i < kLimits.size(); ++i) g_values[i] = kLimits[i].builtIn;
}

}  // namespace orvel::engine
