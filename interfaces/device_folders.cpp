#include "interfaces/device_folders.h"

namespace orvel {

namespace {

using Names = std::array<const char16_t*, 8>;

constexpr Names kEnglish = {u"Documents\\", u"Downloaded\\", u"Photo gallery\\", u"Templates\\",
                            u"Fax\\",       u"Sheet\\",      u"Word\\",          u"Tones\\"};
constexpr Names kFrench = {u"Documents\\", u"Téléchargement\\", u"Images\\", u"Modèles\\",
                           u"Fax\\",       u"Tableur\\",        u"Word\\",   u"Sonneries\\"};
constexpr Names kGerman = {u"Dokumente\\", u"Heruntergeladen\\", u"Fotogalerie\\", u"Vorlagen\\",
                           u"Fax\\",       u"Tabellen\\",        u"Word\\",        u"Töne\\"};
constexpr Names kSpanish = {u"Documentos\\", u"Descargados\\", u"Galería fotos\\", u"Plantillas\\",
                            u"Fax\\",        u"Hoja\\",        u"Word\\",          u"Tonos\\"};
constexpr Names kItalian = {u"Documenti\\", u"Scaricati\\",         u"Immagini\\", u"Modelli\\",
                            u"Fax\\",       u"Foglio di calcolo\\", u"Word\\",     u"Toni\\"};
constexpr Names kSwedish = {u"Dokument\\", u"Hamtade\\",    u"Fotogalleri\\", u"Mallar\\",
                            u"Fax\\",      u"Kalkylblad\\", u"Word\\",        u"Toner\\"};
constexpr Names kDanish = {u"Dokumenter\\", u"Hentede\\",  u"Fotogalleri\\", u"Skabeloner\\",
                           u"Fax\\",        u"Regneark\\", u"Word\\",        u"Toner\\"};
constexpr Names kNorwegian = {u"Dokumenter\\", u"Nedlastet\\", u"Fotogalleri\\", u"Maler\\",
                              u"Faks\\",       u"Regneark\\",  u"Tekst\\",       u"Toner\\"};
constexpr Names kFinnish = {u"Dokumentit\\", u"Ladatut\\",  u"Kuvagalleria\\", u"Pohjat\\",
                            u"Faksi\\",      u"Taulukot\\", u"Tekstit\\",      u"Äänet\\"};
constexpr Names kPortuguese = {u"Documentos\\", u"Importados\\", u"Galeria de fotos\\",
                               u"Modelos\\",    u"Fax\\",        u"Folha\\",
                               u"Word\\",       u"Tons\\"};
constexpr Names kDutch = {u"Documenten\\", u"Gedownload\\", u"Fotogalerie\\", u"Sjablonen\\",
                          u"Fax\\",        u"Werkblad\\",   u"Tekst\\",       u"Tonen\\"};

constexpr std::array<uint32_t, 8> kCodes = {kFolderDocuments, kFolderDownloaded, kFolderPhotoGallery,
                                            kFolderTemplates, kFolderFax,        kFolderSheet,
                                            kFolderWord,      kFolderTones};

constexpr DeviceFolderRow Row(uint32_t language, const Names& names) {
  DeviceFolderRow row{language, {}};
  for (size_t i = 0; i < kCodes.size(); ++i) row.pairs[i] = {kCodes[i], names[i]};
  return row;
}

}  // namespace

const std::array<DeviceFolderRow, kDeviceFolderRowCount> DeviceFolderTable = {
    Row(255, kEnglish), Row(1, kEnglish),  Row(2, kFrench),   Row(3, kGerman),      Row(4, kSpanish),
    Row(5, kItalian),   Row(6, kSwedish),  Row(7, kDanish),   Row(8, kNorwegian),   Row(9, kFinnish),
    Row(10, kEnglish),  Row(11, kFrench),  Row(12, kGerman),  Row(13, kPortuguese), Row(14, kEnglish),
    Row(15, kEnglish),  Row(16, kEnglish), Row(17, kEnglish), Row(18, kDutch),      Row(19, kEnglish),
    Row(20, kEnglish),  Row(21, kFrench),
};

int FindDeviceFolderRow(uint32_t language) {
  for (size_t i = 0; i < DeviceFolderTable.size(); ++i)
    if (DeviceFolderTable[i].language == language) return static_cast<int>(i);
  return -1;
}

bool DeviceFolderPathInRow(size_t row, uint32_t code, std::u16string& path) {
  if (row >= DeviceFolderTable.size()) return false;
  for (const DeviceFolderPair& pair : DeviceFolderTable[row].pairs) {
    if (pair.code != code) continue;
    // A folder lies in the one whose code has its lowest nonzero hex digit cleared: 0x231 in 0x230,
    // 0x230 in 0x200. A parent the row lacks adds nothing.
    const uint32_t parent = (code & 0xF) ? code & ~0xFu : (code & 0xFF) ? code & ~0xFFu : 0;
    std::u16string prefix;
    if (parent) DeviceFolderPathInRow(row, parent, prefix);
    path = prefix + pair.name;
    return true;
  }
  return false;
}

int GetDeviceFolderPath(std::u16string& out, int32_t language, uint32_t code) {
  // The language number comes from a text of the language library: anything outside the table
  // takes the default row rather than a row that does not exist.
  const size_t row = language >= 0 && static_cast<size_t>(language) < DeviceFolderTable.size()
                         ? static_cast<size_t>(language)
                         : 0;
  return DeviceFolderPathInRow(row, code, out) ? 0 : 5;
}

}  // namespace orvel
