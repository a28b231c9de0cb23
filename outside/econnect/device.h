// The simulated device: one folder per drive ("c", "d", ...) under a device root, the state file
// "state.txt" that a test or a person edits, the device-side settings store "store\" and the
// backups "backup\". Portable code.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::econnect {

inline constexpr char kStateFileName[] = "state.txt";
inline constexpr char kStoreFolderName[] = "store";
inline constexpr char kBackupFolderName[] = "backup";

// "c:\System\Libs\x.dll" -> <root>/c/System/Libs/x.dll. No value for a path without a drive, with
// a ".." component or with characters that no device path holds.
std::optional<std::filesystem::path> DeviceFile(const std::filesystem::path& root,
                                                std::u16string_view devicePath);
// The folder of one drive letter (any case).
std::filesystem::path DriveFolder(const std::filesystem::path& root, char16_t drive);

// The state file: "key=value" lines in UTF-8; "#" starts a comment line. Unknown keys are kept.
class CDeviceState {
 public:
  static CDeviceState Load(const std::filesystem::path& root);  // a missing file gives the defaults

  std::string Text(const std::string& key, const std::string& fallback = {}) const;
  std::u16string Text16(const std::string& key, const std::u16string& fallback = {}) const;
  // Decimal, or hexadecimal after "0x"; the fallback when missing or not a number.
  std::int64_t Number(const std::string& key, std::int64_t fallback = 0) const;
  bool Has(const std::string& key) const { return m_values.count(key) != 0; }
  const std::map<std::string, std::string>& Values() const { return m_values; }

  bool Connected() const { return Number("connected", 1) != 0; }

 private:
  std::map<std::string, std::string> m_values;
};

// Sets one key in the state file, keeping every other line as it is; false on a file error.
bool UpdateStateValue(const std::filesystem::path& root, const std::string& key, const std::string& value);

// Splits "a,b,c" into at most n fields; the last field keeps any further commas.
std::vector<std::string> SplitFields(const std::string& text, std::size_t n);

}  // namespace orvel::econnect
