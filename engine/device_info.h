// The device and manager information: the records, their texts of "<Key>value</Key>" lines, the
// words and forms of the device's values, the engine's version texts, and the paths built
// on the shared table of the device's standard folders (interfaces/device_folders.h). Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/engine_codes.h"
#include "interfaces/device_folders.h"

namespace orvel::engine {

// The connected device, as display texts; filled by the engine's refresh.
struct DeviceRecord {
  std::u16string epocName;
  std::u16string userName;
  std::u16string phoneNumber;
  std::u16string imei;
  std::u16string language;
  uint32_t languageNumber = 0;  // 0: none read
  std::u16string romVersion;
  std::u16string romBuild;
  std::u16string romReprogrammable;
  std::u16string romTotal;
  std::u16string ramTotal;
  std::u16string ramMaxFree;
  std::u16string ramFree;
  std::u16string ramDisk;
  std::u16string ramRegistry;
  std::u16string batteryMain;
  std::u16string batteryBackup;
  std::u16string externalPower;

  // Empties everything from the IMEI on and forgets the language number.
  void ClearMachineValues();
};

// The engine itself; filled once when the engine object is built.
struct ManagerRecord {
  std::u16string name = u"Corvanset";
  std::u16string device = u"Orvel Farlink";
  std::u16string version;
  std::u16string epocConnectVersion;
  std::u16string logFile;
};

// The values of EPOC Connect's machine-information block that the record shows.
struct MachineValues {
  std::u16string identity;
  int32_t language = 0;
  int16_t romMajor = 0;
  int16_t romMinor = 0;
  int32_t romBuild = 0;
  int32_t romReprogrammable = 0;
  int32_t romTotal = 0;
  int32_t ramTotal = 0;
  int32_t ramMaxFree = 0;
  int32_t ramFree = 0;
  int32_t ramDisk = 0;
  int32_t ramRegistry = 0;
  int32_t batteryMain = 0;
  int32_t batteryBackup = 0;
  int32_t externalPower = 0;
};

// One text field of the owner's contact card: its field type and its text.
using CardField = std::pair<int32_t, std::u16string>;

// Appends "<key>value</key>" and CR LF. The value is escaped ("&" "&amp;", "<" "&lt;", ">" "&gt;",
// control characters such as CR and LF "&#13;") so that a device name holding markup or line ends
// can neither end its line early nor forge another key.
void AppendXmlValue(std::u16string& text, std::u16string_view key, std::u16string_view value);
// The value of key in an information text, unescaped; no value when the key is not there.
std::optional<std::u16string> ReadXmlValue(std::u16string_view text, std::u16string_view key);

void BuildDeviceInfoText(std::u16string& text, const DeviceRecord& record);
void BuildManagerInfoText(std::u16string& text, const ManagerRecord& record);

// Trims the identity; 15 characters without "/" become "123456/78/901234/5".
std::u16string FormatImei(std::u16string_view identity);
std::u16string LanguageName(int32_t number);
std::u16string BatteryWord(int32_t value);
// Fills the record's machine values (IMEI to ExternalPower, and the language number).
void FillMachineValues(DeviceRecord& record, const MachineValues& values);
// Fills UserName and PhoneNumber from the card's text fields.
void FillOwnerValues(DeviceRecord& record, const std::vector<CardField>& fields);

// "%d.%d%d (%d)" of a version resource's fixed version words and a build number; without the
// build part when the build is 0.
std::u16string FormatVersionText(uint32_t mostSignificant, uint32_t leastSignificant, uint32_t build);
// The decimal number at the start of text (leading blanks skipped); 0 when there is none.
uint32_t LeadingNumber(std::u16string_view text);

// ---- localized device folders ----

// The folder codes of the shared table.
using orvel::kFolderDocuments;
using orvel::kFolderDownloaded;
using orvel::kFolderFax;
using orvel::kFolderPhotoGallery;
using orvel::kFolderSheet;
using orvel::kFolderTemplates;
using orvel::kFolderTones;
using orvel::kFolderWord;

inline constexpr uint32_t kLanguageEnglish = 1;
inline constexpr uint32_t kLanguageTurkish = 14;

bool HasFolderRow(uint32_t language);
// The folder's path in the row of language, with a trailing "\": 0x231 in English is
// "Documents\Templates\Fax\". 0x80040005 for an id the row does not hold, 0x800400A1 when no row
// has that language.
HResult GetLocalizedPath(std::u16string& result, uint32_t language, uint32_t folderId);
// GetLocalizedPath in the device language's row; language 0 (none read) is taken as English.
HResult DeviceFolderPath(std::u16string& result, uint32_t deviceLanguage, uint32_t folderId);
// Rewrites a device path written with the folder names of one language into another's. Only whole
// folder names match ("Documents\Downloads" is not the folder "Documents\Downloaded"), and the
// separator after the matched folder is kept once. A path that matches no folder, or a language
// without a row, comes back unchanged.
std::u16string TranslateDevicePath(std::u16string_view path, uint32_t fromLanguage, uint32_t toLanguage);
// A path written with the English names, as the device of that language names its folders.
std::u16string DevicePathForDevice(std::u16string_view path, uint32_t deviceLanguage);

}  // namespace orvel::engine
