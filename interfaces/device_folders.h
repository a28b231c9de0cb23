// The device's standard folders in each device language: one table of 22 rows for the engine and
// the user interface, and the folder paths built on it. Portable.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvel {

inline constexpr uint32_t kFolderDocuments = 0x200;
inline constexpr uint32_t kFolderDownloaded = 0x210;
inline constexpr uint32_t kFolderPhotoGallery = 0x220;
inline constexpr uint32_t kFolderTemplates = 0x230;
inline constexpr uint32_t kFolderFax = 0x231;
inline constexpr uint32_t kFolderSheet = 0x232;
inline constexpr uint32_t kFolderWord = 0x233;
inline constexpr uint32_t kFolderTones = 0x240;

struct DeviceFolderPair {
  uint32_t code;
  const char16_t* name;  // ends with "\"
};

struct DeviceFolderRow {
  uint32_t language;  // 255 for the default row
  std::array<DeviceFolderPair, 8> pairs;
};

// Row i serves device language i from 1 to 21; row 0 (language 255, English names) is the default.
inline constexpr size_t kDeviceFolderRowCount = 22;
extern const std::array<DeviceFolderRow, kDeviceFolderRowCount> DeviceFolderTable;

// The index of the row whose language is `language` (255 or 1 to 21); -1 when none is.
int FindDeviceFolderRow(uint32_t language);

// The folder's path in a row, with a trailing "\": the name of the code prefixed with its parent
// folder's path (the code with its low four bits cleared, or else its low eight bits), so 0x231 is
// "Documents\Templates\Fax\" in English. False when the row has no such code (path unchanged).
bool DeviceFolderPathInRow(size_t row, uint32_t code, std::u16string& path);

// DeviceFolderPathInRow in the row of a device language number; a number outside 0 to 21 has no
// row of its own and takes the default row 0. 0 on success, 5 when the row has no such code (out
// is then unchanged).
int GetDeviceFolderPath(std::u16string& out, int32_t language, uint32_t code);

}  // namespace orvel
