#include "outside/econnect/device.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "support/u16text.h"

namespace orvel::econnect {

namespace fs = std::filesystem;

namespace {

std::string Trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

std::vector<std::string> ReadLines(const fs::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::optional<fs::path> DeviceFile(const fs::path& root, std::u16string_view devicePath) {
  if (devicePath.size() < 2 || devicePath[1] != u':') return std::nullopt;
  char16_t drive = devicePath[0];
  if (!((drive >= u'a' && drive <= u'z') || (drive >= u'A' && drive <= u'Z'))) return std::nullopt;
  fs::path result = DriveFolder(root, drive);
  std::u16string part;
  auto flush = [&]() -> bool {
    if (part == u"..") return false;
    if (!part.empty() && part != u".") result /= fs::path(part);
    part.clear();
    return true;
  };
  for (char16_t c : devicePath.substr(2)) {
    if (c == u'\\' || c == u'/') {
      if (!flush()) return std::nullopt;
    } else if (c < 0x20 || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' ||
               c == u'|') {
      return std::nullopt;
    } else {
      part += c;
    }
  }
  if (!flush()) return std::nullopt;
  return result;
}

fs::path DriveFolder(const fs::path& root, char16_t drive) {
  char letter = static_cast<char>(drive >= u'A' && drive <= u'Z' ? drive - u'A' + 'a' : drive);
  return root / std::string(1, letter);
}

CDeviceState CDeviceState::Load(const fs::path& root) {
  CDeviceState state;
  for (const std::string& line : ReadLines(root / kStateFileName)) {
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    std::size_t eq = trimmed.find('=');
    if (eq == std::string::npos) continue;
    state.m_values[Trim(trimmed.substr(0, eq))] = Trim(trimmed.substr(eq + 1));
  }
  return state;
}

std::string CDeviceState::Text(const std::string& key, const std::string& fallback) const {
  auto found = m_values.find(key);
  return found == m_values.end() ? fallback : found->second;
}

std::u16string CDeviceState::Text16(const std::string& key, const std::u16string& fallback) const {
  auto found = m_values.find(key);
  return found == m_values.end() ? fallback : FromUtf8(found->second);
}

std::int64_t CDeviceState::Number(const std::string& key, std::int64_t fallback) const {
  auto found = m_values.find(key);
  if (found == m_values.end() || found->second.empty()) return fallback;
  const std::string& text = found->second;
  try {
    std::size_t used = 0;
    std::int64_t value = std::stoll(text, &used, 0);
    return used == text.size() ? value : fallback;
  } catch (const std::exception&) {
    return fallback;
  }
}

bool UpdateStateValue(const fs::path& root, const std::string& key, const std::string& value) {
  fs::path file = root / kStateFileName;
  std::vector<std::string> lines = ReadLines(file);
  bool found = false;
  for (std::string& line : lines) {
    std::string trimmed = Trim(line);
    std::size_t eq = trimmed.find('=');
    if (trimmed.empty() || trimmed[0] == '#' || eq == std::string::npos) continue;
    if (Trim(trimmed.substr(0, eq)) == key) {
      line = key + "=" + value;
      found = true;
    }
  }
  if (!found) lines.push_back(key + "=" + value);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const std::string& line : lines) out << line << "\r\n";
  return static_cast<bool>(out);
}

std::vector<std::string> SplitFields(const std::string& text, std::size_t n) {
  std::vector<std::string> fields;
  std::size_t pos = 0;
  while (fields.size() + 1 < n) {
    std::size_t comma = text.find(',', pos);
    if (comma == std::string::npos) break;
    fields.push_back(Trim(text.substr(pos, comma - pos)));
    pos = comma + 1;
  }
  fields.push_back(Trim(text.substr(pos)));
  return fields;
}

}  // namespace orvel::econnect
