#include "engine/device_info.h"

#include <array>

#include "support/u16text.h"

namespace orvel::engine {

namespace {

std::u16string Number(int64_t value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string YesNo(int32_t value) { return value ? u"Yes" : u"No"; }

std::u16string Unknown(int32_t value) { return u"Unknown (" + Number(value) + u")"; }

}  // namespace

void DeviceRecord::ClearMachineValues() {
  languageNumber = 0;
  for (std::u16string* value :
       {&imei, &language, &romVersion, &romBuild, &romReprogrammable, &romTotal, &ramTotal, &ramMaxFree,
        &ramFree, &ramDisk, &ramRegistry, &batteryMain, &batteryBackup, &externalPower})
    value->clear();
}

// ---- texts -------------------------------------------------------------------------------------

void AppendXmlValue(std::u16string& text, std::u16string_view key, std::u16string_view value) {
  text += u'<';
  text += key;
  text += u'>';
  for (char16_t c : value) {
    switch (c) {
      case u'&':
        text += u"&amp;";
        break;
      case u'<':
        text += u"&lt;";
        break;
      case u'>':
        text += u"&gt;";
        break;
      default:
        // Line ends and other control characters would split a line-by-line reader's lines.
        if (c < 0x20) {
          text += u"&#" + Number(c) + u";";
        } else {
          text += c;
        }
        break;
    }
  }
  text += u"</";
  text += key;
  text += u">\r\n";
}

std::optional<std::u16string> ReadXmlValue(std::u16string_view text, std::u16string_view key) {
  std::u16string open = u"<" + std::u16string(key) + u">";
  std::u16string close = u"</" + std::u16string(key) + u">";
  // A key counts only at the start of a line, so that a value can never be taken for a key.
  size_t at = 0;
  for (;;) {
    at = text.find(open, at);
    if (at == std::u16string_view::npos) return std::nullopt;
    if (at == 0 || text[at - 1] == u'\n') break;
    at += open.size();
  }
  size_t begin = at + open.size();
  size_t end = text.find(close, begin);
  if (end == std::u16string_view::npos) return std::nullopt;
  std::u16string value;
  std::u16string_view raw = text.substr(begin, end - begin);
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == u'&' && i + 2 < raw.size() && raw[i + 1] == u'#') {
      size_t end = raw.find(u';', i + 2);
      uint32_t code = 0;
      bool digits = end != std::u16string_view::npos && end > i + 2 && end - (i + 2) <= 5;
      for (size_t k = i + 2; digits && k < end; ++k) {
        if (raw[k] < u'0' || raw[k] > u'9') digits = false;
        code = code * 10 + static_cast<uint32_t>(raw[k] - u'0');
      }
      if (digits && code <= 0xFFFF) {
        value += static_cast<char16_t>(code);
        i = end;
        continue;
      }
    }
    if (raw[i] == u'&') {
      struct Entity {
        std::u16string_view name;
        char16_t c;
      };
      static constexpr Entity kEntities[] = {{u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}};
      bool replaced = false;
      for (const Entity& e : kEntities) {
        if (raw.substr(i, e.name.size()) == e.name) {
          value += e.c;
          i += e.name.size() - 1;
          replaced = true;
          break;
        }
      }
      if (replaced) continue;
    }
    value += raw[i];
  }
  return value;
}

void BuildDeviceInfoText(std::u16string& text, const DeviceRecord& r) {
  text.clear();
  const std::pair<const char16_t*, const std::u16string*> kValues[] = {
      {u"EPOCName", &r.epocName},
      {u"IMEI", &r.imei},
      {u"UserName", &r.userName},
      {u"PhoneNumber", &r.phoneNumber},
      {u"Language", &r.language},
      {u"ROMVersion", &r.romVersion},
      {u"ROMBuild", &r.romBuild},
      {u"ROMReprogrammable", &r.romReprogrammable},
      {u"ROMTotal", &r.romTotal},
      {u"RAMTotal", &r.ramTotal},
      {u"RAMMaxFree", &r.ramMaxFree},
      {u"RAMFree", &r.ramFree},
      {u"RAMDisk", &r.ramDisk},
      {u"RAMRegistry", &r.ramRegistry},
      {u"BatteryMain", &r.batteryMain},
      {u"BatteryBackup", &r.batteryBackup},
      {u"ExternalPower", &r.externalPower},
  };
  for (const auto& [key, value] : kValues) AppendXmlValue(text, key, *value);
}

void BuildManagerInfoText(std::u16string& text, const ManagerRecord& r) {
  text.clear();
  AppendXmlValue(text, u"Name", r.name);
  AppendXmlValue(text, u"Device", r.device);
  AppendXmlValue(text, u"Version", r.version);
  AppendXmlValue(text, u"EPOCConnectVersion", r.epocConnectVersion);
  AppendXmlValue(text, u"LogFile", r.logFile);
}

// ---- values ------------------------------------------------------------------------------------

std::u16string FormatImei(std::u16string_view identity) {
  std::u16string imei(TrimBlanks(identity));
  if (imei.size() != 15 || imei.find(u'/') != std::u16string::npos) return imei;
  return imei.substr(0, 6) + u"/" + imei.substr(6, 2) + u"/" + imei.substr(8, 6) + u"/" + imei.substr(14, 1);
}

std::u16string LanguageName(int32_t number) {
  static constexpr const char16_t* kNames[] = {
      u"Test",        u"English",        u"French",     u"German",       u"Spanish",  u"Italian",
      u"Swedish",     u"Danish",         u"Norwegian",  u"Finnish",      u"American", u"SwissFrench",
      u"SwissGerman", u"Portuguese",     u"Turkish",    u"Icelandic",    u"Russian",  u"Hungarian",
      u"Dutch",       u"BelgianFlemish", u"Australian", u"BelgianFrench"};
  if (number >= 0 && static_cast<size_t>(number) < std::size(kNames)) return kNames[number];
  return Unknown(number);
}

std::u16string BatteryWord(int32_t value) {
  static constexpr const char16_t* kWords[] = {u"Dead", u"VeryLow", u"Low", u"Good"};
  if (value >= 0 && static_cast<size_t>(value) < std::size(kWords)) return kWords[value];
  return Unknown(value);
}

void FillMachineValues(DeviceRecord& r, const MachineValues& v) {
  r.imei = FormatImei(v.identity);
  r.languageNumber = static_cast<uint32_t>(v.language);
  r.language = LanguageName(v.language);
  std::u16string minor = Number(v.romMinor);
  if (v.romMinor >= 0 && v.romMinor < 10) minor = u"0" + minor;
  r.romVersion = Number(v.romMajor) + u"." + minor;
  r.romBuild = Number(v.romBuild);
  r.romReprogrammable = YesNo(v.romReprogrammable);
  r.romTotal = Number(v.romTotal);
  r.ramTotal = Number(v.ramTotal);
  r.ramMaxFree = Number(v.ramMaxFree);
  r.ramFree = Number(v.ramFree);
  r.ramDisk = Number(v.ramDisk);
  r.ramRegistry = Number(v.ramRegistry);
  r.batteryMain = BatteryWord(v.batteryMain);
  r.batteryBackup = BatteryWord(v.batteryBackup);
  r.externalPower = YesNo(v.externalPower);
}

void FillOwnerValues(DeviceRecord& r, const std::vector<CardField>& fields) {
  // The first field of a type counts; a later one of the same type is another entry of the card.
  auto field = [&](int32_t type) -> std::u16string {
    for (const auto& [t, text] : fields)
      if (t == type) return std::u16string(TrimBlanks(text));
    return {};
  };
  std::u16string first(TrimBlanks(field(3) + u" " + field(4)));
  r.userName = std::u16string(TrimBlanks(first + u" " + field(5)));
  r.phoneNumber.clear();
  for (int32_t type : {68, 67, 27, 8, 7, 28}) {
    r.phoneNumber = field(type);
    if (!r.phoneNumber.empty()) break;
  }
}

std::u16string FormatVersionText(uint32_t ms, uint32_t ls, uint32_t build) {
  std::u16string text = Number((ms >> 16) & 0xFF) + u"." + Number((ls >> 16) & 0xFF) + Number(ls & 0xFF);
  if (build != 0) text += u" (" + Number(build) + u")";
  return text;
}

uint32_t LeadingNumber(std::u16string_view text) {
  text = TrimBlanks(text);
  uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    value = value * 10 + static_cast<uint32_t>(c - u'0');
    // A build number past 32 bits is no build number.
    if (value > 0xFFFFFFFFu) return 0;
  }
  return static_cast<uint32_t>(value);
}

// ---- localized device folders ------------------------------------------------------------------

namespace {

// The table's rows are found by their language number (255, 1 to 21); null when none is.
const DeviceFolderRow* FindRow(uint32_t language) {
  const int row = FindDeviceFolderRow(language);
  return row < 0 ? nullptr : &DeviceFolderTable[static_cast<size_t>(row)];
}

// Case folding for the comparison of folder names: ASCII and the Latin-1 letters that the table's
// names use. The Turkish comparison also takes the dotted capital I and the dotless small i for i.
char16_t Folded(char16_t c, bool turkish) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  if (turkish && (c == 0x130 || c == 0x131)) return u'i';
  return c;
}

bool SameFolderText(std::u16string_view a, std::u16string_view b, bool turkish) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Folded(a[i], turkish) != Folded(b[i], turkish)) return false;
  return true;
}

}  // namespace

bool HasFolderRow(uint32_t language) { return FindRow(language) != nullptr; }

HResult GetLocalizedPath(std::u16string& result, uint32_t language, uint32_t folderId) {
  const int row = FindDeviceFolderRow(language);
  if (row < 0) return kModuleFailed;
  return DeviceFolderPathInRow(static_cast<size_t>(row), folderId, result) ? kOk : kInvalidArgument;
}

HResult DeviceFolderPath(std::u16string& result, uint32_t deviceLanguage, uint32_t folderId) {
  return GetLocalizedPath(result, deviceLanguage == 0 ? kLanguageEnglish : deviceLanguage, folderId);
}

std::u16string TranslateDevicePath(std::u16string_view path, uint32_t fromLanguage, uint32_t toLanguage) {
  if (fromLanguage == 0) fromLanguage = kLanguageEnglish;
  if (!FindRow(fromLanguage)) return std::u16string(path);
  std::u16string_view drive, rest = path;
  if (path.size() >= 2 && path[1] == u':') {
    size_t driveLength = path.size() >= 3 && path[2] == u'\\' ? 3 : 2;
    drive = path.substr(0, driveLength);
    rest = path.substr(driveLength);
  }
  bool turkish = fromLanguage == kLanguageTurkish;
  const auto& pairs = FindRow(fromLanguage)->pairs;
  for (size_t i = pairs.size(); i-- > 0;) {
    std::u16string folder;
    if (IsFailure(GetLocalizedPath(folder, fromLanguage, pairs[i].code))) continue;
    folder.pop_back();  // its last "\"
    if (rest.size() < folder.size() || !SameFolderText(rest.substr(0, folder.size()), folder, turkish))
      continue;
    // A whole folder name only: what follows the match must start a new name or end the path.
    std::u16string_view remainder = rest.substr(folder.size());
    if (!remainder.empty() && remainder.front() != u'\\') continue;
    std::u16string target;
    if (IsFailure(DeviceFolderPath(target, toLanguage, pairs[i].code))) return std::u16string(path);
    // The remainder brings its own separator (or none, when the path ends with the folder).
    target.pop_back();
    return std::u16string(drive) + target + std::u16string(remainder);
  }
  return std::u16string(path);
}

std::u16string DevicePathForDevice(std::u16string_view path, uint32_t deviceLanguage) {
  if (deviceLanguage == kLanguageEnglish) return std::u16string(path);
  std::u16string translated = TranslateDevicePath(path, kLanguageEnglish, deviceLanguage);
  if (deviceLanguage == kLanguageTurkish)
    translated = TranslateDevicePath(translated, kLanguageTurkish, kLanguageTurkish);
  return translated;
}

}  // namespace orvel::engine
