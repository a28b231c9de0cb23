// The device and manager information texts, their values and words, the localized device folders
// with path translation, and the stored form of the trusted client names.
#include "engine/device_info.h"

#include <gtest/gtest.h>

#include "engine/engine_limits.h"
#include "engine/secured_clients.h"
#include "support/u16text.h"

namespace orvel::engine {
namespace {

// ---- values and words --------------------------------------------------------------------------

struct TextCase {
  const char16_t* in;
  const char16_t* out;
};

const TextCase kImeiCases[] = {
    {u"350123456789012", u"350123/45/678901/2"},
    {u"  350123456789012\t", u"350123/45/678901/2"},  // trimmed first
    {u"35012345678901", u"35012345678901"},           // 14 characters: as it is
    {u"3501234567890123", u"3501234567890123"},       // 16 characters
    {u"350123/45/678901/2", u"350123/45/678901/2"},   // already formed
    {u"35012/456789012", u"35012/456789012"},         // 15 characters with "/"
    {u"", u""},
};

TEST(DeviceValues, ImeiForm) {
  for (const TextCase& c : kImeiCases) EXPECT_EQ(FormatImei(c.in), c.out) << AsUtf8(c.in);
}

struct WordCase {
  int32_t value;
  const char16_t* word;
};

const WordCase kLanguageCases[] = {{0, u"Test"},          {1, u"English"},       {3, u"German"},
                                   {9, u"Finnish"},       {14, u"Turkish"},      {21, u"BelgianFrench"},
                                   {22, u"Unknown (22)"}, {-1, u"Unknown (-1)"}, {255, u"Unknown (255)"}};
const WordCase kBatteryCases[] = {{0, u"Dead"}, {1, u"VeryLow"},     {2, u"Low"},
                                  {3, u"Good"}, {7, u"Unknown (7)"}, {-2, u"Unknown (-2)"}};

TEST(DeviceValues, LanguageAndBatteryWords) {
  for (const WordCase& c : kLanguageCases) EXPECT_EQ(LanguageName(c.value), c.word) << c.value;
  for (const WordCase& c : kBatteryCases) EXPECT_EQ(BatteryWord(c.value), c.word) << c.value;
}

TEST(DeviceValues, MachineValuesFillTheRecord) {
  MachineValues v;
  v.identity = u" 490154203237518 ";
  v.language = 3;
  v.romMajor = 1;
  v.romMinor = 5;
  v.romBuild = 231;
  v.romReprogrammable = 1;
  v.romTotal = 16777216;
  v.ramTotal = -1;
  v.ramMaxFree = 8388608;
  v.ramFree = 7340032;
  v.ramDisk = 4194304;
  v.ramRegistry = 65536;
  v.batteryMain = 2;
  v.batteryBackup = 9;
  v.externalPower = 0;
  DeviceRecord r;
  FillMachineValues(r, v);
  EXPECT_EQ(r.imei, u"490154/20/323751/8");
  EXPECT_EQ(r.languageNumber, 3u);
  EXPECT_EQ(r.language, u"German");
  EXPECT_EQ(r.romVersion, u"1.05");
  EXPECT_EQ(r.romBuild, u"231");
  EXPECT_EQ(r.romReprogrammable, u"Yes");
  EXPECT_EQ(r.romTotal, u"16777216");
  EXPECT_EQ(r.ramTotal, u"-1");
  EXPECT_EQ(r.ramRegistry, u"65536");
  EXPECT_EQ(r.batteryMain, u"Low");
  EXPECT_EQ(r.batteryBackup, u"Unknown (9)");
  EXPECT_EQ(r.externalPower, u"No");
  v.romMinor = 12;
  FillMachineValues(r, v);
  EXPECT_EQ(r.romVersion, u"1.12");
  r.ClearMachineValues();
  EXPECT_EQ(r.languageNumber, 0u);
  EXPECT_TRUE(r.imei.empty() && r.language.empty() && r.externalPower.empty());
}

struct OwnerCase {
  std::vector<CardField> fields;
  const char16_t* user;
  const char16_t* phone;
};

const OwnerCase kOwnerCases[] = {
    {{{3, u"Ada"}, {5, u"Lovelace"}, {68, u"+44 20 7946 0000"}}, u"Ada Lovelace", u"+44 20 7946 0000"},
    {{{3, u" Ada "}, {4, u"Augusta"}, {5, u"King"}}, u"Ada Augusta King", u""},
    {{{5, u"Lovelace"}}, u"Lovelace", u""},
    {{{4, u"Augusta"}}, u"Augusta", u""},
    // The first non-empty of 68, 67, 27, 8, 7, 28.
    {{{28, u"28"}, {7, u"7"}, {8, u" "}, {67, u"67"}}, u"", u"67"},
    {{{28, u"28"}, {7, u"7"}}, u"", u"7"},
    {{{28, u"28"}, {99, u"other"}}, u"", u"28"},
    {{}, u"", u""},
};

TEST(DeviceValues, OwnerCardFillsNameAndNumber) {
  for (const OwnerCase& c : kOwnerCases) {
    DeviceRecord r;
    r.phoneNumber = u"old";
    FillOwnerValues(r, c.fields);
    EXPECT_EQ(r.userName, c.user);
    EXPECT_EQ(r.phoneNumber, c.phone);
  }
}

struct VersionCase {
  uint32_t ms, ls, build;
  const char16_t* text;
};

const VersionCase kVersionCases[] = {
    {0x00010000, 0x00000001, 1, u"1.01 (1)"}, {0x00050000, 0x00000002, 112, u"5.02 (112)"},
    {0x00050000, 0x00000002, 0, u"5.02"},     {0x00020003, 0x00040005, 7, u"2.45 (7)"},
    {0x000A0000, 0x00010002, 0, u"10.12"},
};

TEST(VersionText, Form) {
  for (const VersionCase& c : kVersionCases) EXPECT_EQ(FormatVersionText(c.ms, c.ls, c.build), c.text);
}

TEST(VersionText, LeadingNumber) {
  EXPECT_EQ(LeadingNumber(u"112"), 112u);
  EXPECT_EQ(LeadingNumber(u" 42 beta"), 42u);
  EXPECT_EQ(LeadingNumber(u"5.0.0.2"), 5u);
  EXPECT_EQ(LeadingNumber(u"build 9"), 0u);
  EXPECT_EQ(LeadingNumber(u""), 0u);
  EXPECT_EQ(LeadingNumber(u"99999999999"), 0u);  // past 32 bits
}

// ---- texts -------------------------------------------------------------------------------------

TEST(InfoText, DeviceTextHasEveryKeyInOrderWithCrLf) {
  DeviceRecord r;
  r.epocName = u"Farlink";
  r.imei = u"350123/45/678901/2";
  r.userName = u"Ada Lovelace";
  r.language = u"English";
  r.externalPower = u"Yes";
  std::u16string text = u"stale";
  BuildDeviceInfoText(text, r);
  EXPECT_EQ(
      text,
      u"<EPOCName>Farlink</EPOCName>\r\n<IMEI>350123/45/678901/2</IMEI>\r\n<UserName>Ada "
      u"Lovelace</UserName>\r\n"
      u"<PhoneNumber></PhoneNumber>\r\n<Language>English</Language>\r\n<ROMVersion></ROMVersion>\r\n"
      u"<ROMBuild></ROMBuild>\r\n<ROMReprogrammable></ROMReprogrammable>\r\n<ROMTotal></ROMTotal>\r\n"
      u"<RAMTotal></RAMTotal>\r\n<RAMMaxFree></RAMMaxFree>\r\n<RAMFree></RAMFree>\r\n<RAMDisk></RAMDisk>\r\n"
      u"<RAMRegistry></RAMRegistry>\r\n<BatteryMain></BatteryMain>\r\n<BatteryBackup></BatteryBackup>\r\n"
      u"<ExternalPower>Yes</ExternalPower>\r\n");
}

TEST(InfoText, ManagerText) {
  ManagerRecord r;
  r.version = u"1.01 (1)";
  r.epocConnectVersion = u"5.02 (112)";
  r.logFile = u"C:\\Program Files\\Vantrel\\MorvaneLog.csv";
  std::u16string text;
  BuildManagerInfoText(text, r);
  EXPECT_EQ(text,
            u"<Name>Corvanset</Name>\r\n<Device>Orvel Farlink</Device>\r\n<Version>1.01 (1)</Version>\r\n"
            u"<EPOCConnectVersion>5.02 (112)</EPOCConnectVersion>\r\n"
            u"<LogFile>C:\\Program Files\\Vantrel\\MorvaneLog.csv</LogFile>\r\n");
}

// Names that would end their line early, forge a key or look like an escape of their own.
const char16_t* const kHostileNames[] = {
    u"A<B & C>",   u"x</EPOCName>\r\n<IMEI>forged</IMEI>\r\n<EPOCName>y",
    u"&amp;lt;",   u"&",
    u"&#13;",      u"tab\there",
    u"<EPOCName>", u"",
};

TEST(InfoText, EveryValueReadsBackAsWritten) {
  for (const char16_t* name : kHostileNames) {
    DeviceRecord r;
    r.epocName = name;
    r.imei = u"350123/45/678901/2";
    std::u16string text;
    BuildDeviceInfoText(text, r);
    EXPECT_EQ(ReadXmlValue(text, u"EPOCName").value_or(u"(none)"), name) << AsUtf8(text);
    EXPECT_EQ(ReadXmlValue(text, u"IMEI").value_or(u"(none)"), u"350123/45/678901/2") << AsUtf8(text);
    // One line per key, whatever the name holds.
    size_t lines = 0;
    for (size_t at = text.find(u"\r\n"); at != std::u16string::npos; at = text.find(u"\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 17u) << AsUtf8(text);
  }
  EXPECT_FALSE(ReadXmlValue(u"<Name>x</Name>\r\n", u"Version").has_value());
  EXPECT_FALSE(ReadXmlValue(u"<Name>x", u"Name").has_value());
}

// ---- localized device folders ------------------------------------------------------------------

struct PathCase {
  uint32_t language;
  uint32_t id;
  HResult result;
  const char16_t* path;
};

const PathCase kPathCases[] = {
    {1, kFolderDocuments, kOk, u"Documents\\"},
    {1, kFolderDownloaded, kOk, u"Documents\\Downloaded\\"},
    {1, kFolderFax, kOk, u"Documents\\Templates\\Fax\\"},
    {255, kFolderTones, kOk, u"Documents\\Tones\\"},
    {3, kFolderTones, kOk, u"Dokumente\\Töne\\"},
    {12, kFolderTones, kOk, u"Dokumente\\Töne\\"},
    {9, kFolderSheet, kOk, u"Dokumentit\\Pohjat\\Taulukot\\"},
    {2, kFolderDownloaded, kOk, u"Documents\\Téléchargement\\"},
    {5, kFolderSheet, kOk, u"Documenti\\Modelli\\Foglio di calcolo\\"},
    {8, kFolderWord, kOk, u"Dokumenter\\Maler\\Tekst\\"},
    {13, kFolderPhotoGallery, kOk, u"Documentos\\Galeria de fotos\\"},
    {18, kFolderTemplates, kOk, u"Documenten\\Sjablonen\\"},
    {14, kFolderTones, kOk, u"Documents\\Tones\\"},
    {1, 0x999, kInvalidArgument, u""},
    {1, 0x234, kInvalidArgument, u""},
    {22, kFolderDocuments, kModuleFailed, u""},
    {0, kFolderDocuments, kModuleFailed, u""},  // no row of its own: the device path takes 0 as 1
};

TEST(LocalizedPath, Table) {
  for (const PathCase& c : kPathCases) {
    std::u16string path;
    EXPECT_EQ(GetLocalizedPath(path, c.language, c.id), c.result) << c.language << " " << c.id;
    if (c.result == kOk) {
      EXPECT_EQ(path, c.path) << c.language << " " << c.id;
    }
  }
}

TEST(LocalizedPath, DeviceLanguageZeroIsEnglish) {
  std::u16string path;
  EXPECT_EQ(DeviceFolderPath(path, 0, kFolderFax), kOk);
  EXPECT_EQ(path, u"Documents\\Templates\\Fax\\");
  EXPECT_EQ(DeviceFolderPath(path, 22, kFolderFax), kModuleFailed);
  EXPECT_FALSE(HasFolderRow(22));
  EXPECT_TRUE(HasFolderRow(255));
}

struct TranslateCase {
  const char16_t* path;
  uint32_t from, to;
  const char16_t* result;
};

const TranslateCase kTranslateCases[] = {
    {u"C:\\Documents\\Downloaded\\a.txt", 1, 3, u"C:\\Dokumente\\Heruntergeladen\\a.txt"},
    {u"c:\\documents\\downloaded\\a.txt", 1, 3, u"c:\\Dokumente\\Heruntergeladen\\a.txt"},  // any case
    {u"C:\\Documents\\Templates\\Fax\\f.tif", 1, 9, u"C:\\Dokumentit\\Pohjat\\Faksi\\f.tif"},
    {u"C:\\Documents\\Templates\\x.doc", 1, 3, u"C:\\Dokumente\\Vorlagen\\x.doc"},
    {u"C:\\Documents\\x.doc", 1, 3, u"C:\\Dokumente\\x.doc"},
    {u"Documents\\Tones\\ring.wav", 1, 3, u"Dokumente\\Töne\\ring.wav"},  // no drive
    {u"C:Documents\\Tones\\ring.wav", 1, 3, u"C:Dokumente\\Töne\\ring.wav"},
    // The folder itself, with and without its last separator: never a doubled one.
    {u"C:\\Documents\\Downloaded", 1, 3, u"C:\\Dokumente\\Heruntergeladen"},
    {u"C:\\Documents\\Downloaded\\", 1, 3, u"C:\\Dokumente\\Heruntergeladen\\"},
    // Whole folder names only.
    {u"C:\\Documents\\Downloads\\a.txt", 1, 3, u"C:\\Dokumente\\Downloads\\a.txt"},
    {u"C:\\DocumentsOld\\a.txt", 1, 3, u"C:\\DocumentsOld\\a.txt"},
    {u"C:\\Documents\\Tones2\\a.wav", 1, 3, u"C:\\Dokumente\\Tones2\\a.wav"},
    {u"C:\\System\\Apps\\a.app", 1, 3, u"C:\\System\\Apps\\a.app"},
    {u"C:\\Dokumente\\Töne\\a.wav", 3, 1, u"C:\\Documents\\Tones\\a.wav"},
    {u"C:\\DOKUMENTE\\TÖNE\\a.wav", 3, 2, u"C:\\Documents\\Sonneries\\a.wav"},
    {u"C:\\Documents\\Tones\\a.wav", 1, 22, u"C:\\Documents\\Tones\\a.wav"},  // no row: unchanged
    {u"C:\\Documents\\Tones\\a.wav", 22, 3, u"C:\\Documents\\Tones\\a.wav"},
    {u"C:\\Documents\\Tones\\a.wav", 0, 0, u"C:\\Documents\\Tones\\a.wav"},
    {u"C:\\DOCUMENTS\\Tones\\a.wav", 14, 14, u"C:\\Documents\\Tones\\a.wav"},
    {u"C:\\DOCUMENTS\\Tones\\a.wav", 14, 3, u"C:\\Dokumente\\Töne\\a.wav"},
    {u"C:\\D\u0130G\u0131TAL\\a", 14, 14, u"C:\\D\u0130G\u0131TAL\\a"},
    {u"C:\\DOCUMENTS\\TEMPLATES\\FAX\\f.tif", 14, 3, u"C:\\Dokumente\\Vorlagen\\Fax\\f.tif"},
    {u"", 1, 3, u""},
    {u"C:", 1, 3, u"C:"},
    {u"C:\\", 1, 3, u"C:\\"},
};

TEST(PathTranslation, Table) {
  for (const TranslateCase& c : kTranslateCases)
    EXPECT_EQ(TranslateDevicePath(c.path, c.from, c.to), c.result)
        << AsUtf8(c.path) << " " << c.from << "->" << c.to;
}

TEST(PathTranslation, DevicePathForTheDevice) {
  EXPECT_EQ(DevicePathForDevice(u"C:\\Documents\\Tones\\a.wav", 1), u"C:\\Documents\\Tones\\a.wav");
  EXPECT_EQ(DevicePathForDevice(u"C:\\Documents\\Tones\\a.wav", 3), u"C:\\Dokumente\\Töne\\a.wav");
  EXPECT_EQ(DevicePathForDevice(u"C:\\Documents\\Tones\\a.wav", 0), u"C:\\Documents\\Tones\\a.wav");
  EXPECT_EQ(DevicePathForDevice(u"C:\\documents\\tones\\a.wav", 14), u"C:\\Documents\\Tones\\a.wav");
  EXPECT_EQ(DevicePathForDevice(u"C:\\Documents\\Tones\\a.wav", 22), u"C:\\Documents\\Tones\\a.wav");
}

// ---- the stored trusted names ------------------------------------------------------------------

TEST(Limits, TrustAndBackupLimits) {
  ResetLimits();
  EXPECT_EQ(LimitMilliseconds(Limit::TrustRetry), 10000u);
  EXPECT_EQ(LimitMilliseconds(Limit::BackupConnectPause), 500u);
  EXPECT_EQ(LimitMilliseconds(Limit::DeviceInfoRefresh), 3600000u);
  EXPECT_EQ(LimitMilliseconds(Limit::DeviceInfoRetry), 10000u);
  EXPECT_EQ(ApplyLimitOverrides("Vantrel.TrustRetry=1500,Vantrel.BackupConnectPause=0"), "");
  EXPECT_EQ(LimitMilliseconds(Limit::TrustRetry), 1500u);
  EXPECT_EQ(LimitMilliseconds(Limit::BackupConnectPause), 0u);
  ResetLimits();
}

TEST(SecuredClients, Form) {
  EXPECT_EQ(SerializeSecuredClients({}), (Bytes{0, 0}));
  EXPECT_EQ(SerializeSecuredClients({u"Ab", u""}),
            (Bytes{2, 0, 0xFF, 0xFE, 0xFF, 2, 'A', 0, 'b', 0, 0xFF, 0xFE, 0xFF, 0}));
  Bytes long254 = SerializeSecuredClients({std::u16string(254, u'x')});
  EXPECT_EQ(long254.size(), 2u + 4u + 508u);
  EXPECT_EQ(long254[5], 254);
  Bytes long255 = SerializeSecuredClients({std::u16string(255, u'x')});
  EXPECT_EQ(Bytes(long255.begin() + 2, long255.begin() + 8), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}));
  Bytes long65534 = SerializeSecuredClients({std::u16string(0xFFFE, u'x')});
  EXPECT_EQ(Bytes(long65534.begin() + 2, long65534.begin() + 12),
            (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
}

TEST(SecuredClients, RoundTrip) {
  const std::vector<std::vector<std::u16string>> lists = {
      {},
      {u"Corvanset Backup"},
      {u"a", u"", u"Ünïcödé \u4E2D", std::u16string(255, u'y'), std::u16string(0xFFFE, u'z')},
      std::vector<std::u16string>(0xFFFF, u"n"),  // the count's long form
  };
  for (const auto& names : lists) {
    std::optional<std::vector<std::u16string>> back = ParseSecuredClients(SerializeSecuredClients(names));
    ASSERT_TRUE(back.has_value()) << names.size();
    EXPECT_EQ(*back, names);
  }
}

struct BadCase {
  const char* what;
  Bytes data;
};

const BadCase kBadCases[] = {
    {"empty", {}},
    {"half a count", {1}},
    {"count without strings", {1, 0}},
    {"count past the data", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
    {"no marker (single-byte string)", {1, 0, 2, 'A', 'b'}},
    {"cut marker", {1, 0, 0xFF, 0xFE}},
    {"length past the data", {1, 0, 0xFF, 0xFE, 0xFF, 3, 'A', 0, 'b', 0}},
    {"long length past the data", {1, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01, 'A', 0}},
    {"huge length", {1, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'A', 0}},
    {"odd byte left", {1, 0, 0xFF, 0xFE, 0xFF, 1, 'A', 0, 0}},
    {"cut character", {1, 0, 0xFF, 0xFE, 0xFF, 1, 'A'}},
};

TEST(SecuredClients, MalformedDataIsRefused) {
  for (const BadCase& c : kBadCases) EXPECT_FALSE(ParseSecuredClients(c.data).has_value()) << c.what;
}

}  // namespace
}  // namespace orvel::engine
