// Result-code translation, path utilities and the limits table.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "engine/audit_log.h"
#include "engine/device_info.h"
#include "engine/element_progress.h"
#include "engine/engine_codes.h"
#include "engine/engine_limits.h"
#include "support/u16text.h"

namespace orvel::engine {
namespace {

constexpr HResult kFallback = MakeCode(0x800400A6);

struct ErrorCase {
  uint32_t code;
  HResult expected;
};
const ErrorCase kErrorCases[] = {
    {0, kOk},
    {0x80004005, kFallback},  // facility 0: no error number inside
    {0x80070005, kAccessDenied},
    {5, kAccessDenied},
    {2, kFileNotFound},
    {0x80070002, kFileNotFound},
    {3, kInvalidPath},
    {15, kInvalidPath},
    {123, kInvalidPath},
    {19, kAccessDenied},
    {32, kAccessDenied},
    {33, kAccessDenied},
    {14, kOutOfMemory},
    {39, kDiskFull},
    {112, kDiskFull},
    {80, kFileExists},
    {183, kFileExists},
    {995, kCancelled},
    {1722, kTransferUnavailable},
    {0x800706BA, kTransferUnavailable},
    {2250, kNoDevice},
    // Failures of any facility but 0 go by their low word; one the table does not name stays as it is.
    {0x80030002, kFileNotFound},
    {0x80040005, kAccessDenied},
    {0x800A0070, kDiskFull},
    {0x80010105, MakeCode(0x80010105)},
    {0x80070004, MakeCode(0x80070004)},
    {0x80040101, MakeCode(0x80040101)},
    // A plain Windows error that the table does not name is still a failure.
    {4, kFallback},
    {1, kFallback},
};

TEST(MapErrorToHResult, Table) {
  for (const auto& c : kErrorCases)
    EXPECT_EQ(MapErrorToHResult(c.code, kFallback), c.expected) << std::hex << c.code;
}

TEST(MapErrorToHResult, NeverTurnsAFailureIntoSuccess) {
  for (uint32_t error = 1; error < 20000; ++error) EXPECT_LT(MapErrorToHResult(error, kFallback), 0) << error;
}

TEST(MapErrorToHResult, Wrappers) {
  EXPECT_EQ(MapCopyError(21), kInvalidPath);
  EXPECT_EQ(MapCopyError(4), kCopyFailed);
  EXPECT_EQ(MapCopyError(0), kOk);
  EXPECT_EQ(MapBackupError(0x80004005), kBackupFailed);
  EXPECT_EQ(MapRestoreError(0x80004005), kRestoreFailed);
  EXPECT_EQ(MapCopyEventError(0x80004005), kTransferUnavailable);
  EXPECT_EQ(MapRestoreError(2), kFileNotFound);
}

TEST(MapOperationCode, Table) {
  EXPECT_EQ(MapOperationCode(344), 0u);  // not a failure
  EXPECT_EQ(MapOperationCode(0x80040158), 13u);
  EXPECT_EQ(MapOperationCode(0x80070211), 13u);
  EXPECT_EQ(MapOperationCode(0x80070203), 45u);
  EXPECT_EQ(MapOperationCode(0x80070204), 0u);
}

struct ModuleCase {
  uint32_t hr;
  bool flag;
  uint32_t extended;
  HResult expected;
};
const ModuleCase kModuleCases[] = {
    {0, true, 300, kOk},
    {0x80040005, true, 300, kModuleFailed},
    {0x80040005, true, 317, kModuleFailed},
    {0x80040005, true, 533, kModuleFailed},
    {0x80040005, true, 301, kInvalidSetting},
    {0x80040005, true, 536, kInvalidSetting},
    {0x80040005, true, 400, kCancelled},
    {0x80040005, true, 500, kCancelled},
    {0x80040005, true, 508, kModuleError508},
    {0x80040005, true, 517, kModuleError517},
    {0x80040005, true, 530, kModuleError530},
    {0x80040005, true, 531, kModuleError531},
    {0x80040005, true, 501, kInvalidSetting},   // step 4 by the low word 5
    {0x80040005, false, 300, kInvalidSetting},  // flag clear: extended not read
    {0x80040001, false, 0, kCancelled},
    {0x80040002, false, 0, kFileUnreadable},
    {0x80040003, false, 0, kFileUnreadable},
    {0x80040004, false, 0, kInvalidSetting},
    {0x80040006, false, 0, kModuleFailed},
    {0x80040040, false, 0, kModuleFailed},
    {0x80040008, false, 0, kOutOfMemory},
    {0x80040020, false, 0, kModuleStatus32},
    {0x80040021, false, 0, kModuleStatus33},
    {0x80040022, false, 0, kModuleStatus34},
    {0x80040023, false, 0, kModuleStatus34},
    {0x80040080, false, 0, kModuleStatus128},
    {0x80040081, false, 0, kModuleStatus129},
    // COM failures are no module codes: E_FAIL is not "status 5", E_OUTOFMEMORY goes by its error.
    {0x80004005, false, 0, kModuleFailed},
    {0x8007000E, false, 0, kOutOfMemory},
    {0x80070005, false, 0, kAccessDenied},
    {0x80010105, false, 0, MakeCode(0x80010105)},
    // A COM failure kept as the extended error is no server number.
    {0x80040005, true, 0x800701F4, kInvalidSetting},
};

TEST(MapModuleErrorCode, Table) {
  for (const auto& c : kModuleCases) {
    ModuleQuestion question{7, u"tag", u"value"};
    EXPECT_EQ(MapModuleErrorCode(static_cast<HResult>(c.hr), {c.flag, c.extended}, question), c.expected)
        << std::hex << c.hr << " " << std::dec << c.extended;
    EXPECT_EQ(question.response, 7u);
    EXPECT_EQ(question.tag, u"tag");
  }
}

TEST(MapModuleErrorCode, FolderPathQuestion) {
  ModuleQuestion question{7, u"tag", u"value"};
  EXPECT_EQ(MapModuleErrorCode(MakeCode(0x80040005), {true, 537}, question), kInvalidSetting);
  EXPECT_EQ(question.response, 4u);
  EXPECT_EQ(question.tag, u"IMAP4FolderPath");
  EXPECT_EQ(question.value, u"");
}

// Each limit is reached by its own name in the override and by no other: a name given twice in the
// table, or a row out of the enum's order, changes the wrong limit.
TEST(Limits, EveryLimitAnswersToItsOwnNameAlone) {
  constexpr size_t kCount = static_cast<size_t>(Limit::Count);
  ResetLimits();
  uint32_t builtIn[kCount];
  for (size_t i = 0; i < kCount; ++i) builtIn[i] = LimitMilliseconds(static_cast<Limit>(i));
  for (size_t i = 0; i < kCount; ++i) {
    auto limit = static_cast<Limit>(i);
    uint32_t value = builtIn[i] == 7 ? 8 : 7;
    EXPECT_EQ(ApplyLimitOverrides("Vantrel." + std::string(LimitName(limit)) + "=" + std::to_string(value)),
              "");
    for (size_t k = 0; k < kCount; ++k)
      EXPECT_EQ(LimitMilliseconds(static_cast<Limit>(k)), k == i ? value : builtIn[k])
          << LimitName(limit) << " changed " << LimitName(static_cast<Limit>(k));
    EXPECT_EQ(LimitDuration(limit), std::chrono::milliseconds(value));
    ResetLimits();
  }
}

TEST(Limits, OnlyTheEnginesEntriesCount) {
  ResetLimits();
  EXPECT_EQ(ApplyLimitOverrides("Tessmark.PollTimer=5,PollTimer=6,Vantrel.Bogus=1,vantrel.polltimer=200"),
            "Vantrel.Bogus=1");
  EXPECT_EQ(LimitMilliseconds(Limit::PollTimer), 200u);
  ResetLimits();
}

}  // namespace
}  // namespace orvel::engine

namespace orvel::engine {
namespace {

struct ProgressCase {
  const char* name;
  std::vector<std::u16string> names;
  std::vector<std::pair<std::u16string, uint32_t>> reports;
  std::vector<uint32_t> overall;
};

const ProgressCase kProgressCases[] = {
    {"three names", {u"A", u"B", u"C"}, {{u"A", 0}, {u"B", 50}, {u"C", 100}}, {0, 50, 100}},
    {"unknown name keeps the figure", {u"A", u"B"}, {{u"A", 100}, {u"X", 100}, {u"B", 0}}, {50, 50, 50}},
    {"repeated name moves on", {u"A", u"A"}, {{u"A", 100}, {u"A", 0}, {u"A", 100}}, {50, 50, 100}},
    {"back to an earlier name does not go back", {u"A", u"B"}, {{u"B", 50}, {u"A", 10}}, {75, 75}},
    {"percent past 100", {u"A"}, {{u"A", 250}}, {100}},
    {"no names", {}, {{u"A", 50}}, {0}},
};

TEST(ElementProgress, NeverBackNeverPast100) {
  for (const ProgressCase& c : kProgressCases) {
    ElementProgress state;
    for (size_t i = 0; i < c.reports.size(); ++i)
      EXPECT_EQ(AdvanceElementProgress(c.names, c.reports[i].first, c.reports[i].second, state), c.overall[i])
          << c.name << " report " << i;
  }
}

struct ResultCase {
  HResult result;
  const char* text;
};

TEST(AuditLog, ResultField) {
  const ResultCase cases[] = {{0, "0x00000000 Ok"},
                              {kCancelled, "0x80040101 Cancelled"},
                              {kInvalidSetting, "0x80040204"},
                              {MakeCode(0x80070101), "0x80070101 Cancelled"}};
  for (const ResultCase& c : cases) EXPECT_EQ(AuditResultText(c.result), c.text);
}

TEST(AuditLog, FieldsCannotForgeOrSplitRecords) {
  AuditRecord record{u"2024/01/02 03:04:05", u"", u"Far;link",    u"", u"Client",
                     u"Configure",           kOk, u"a;b\r\n\"x\""};
  EXPECT_EQ(FormatAuditRecord(record),
            "2024/01/02 03:04:05;';\"Far;link\";';Client;Configure;0x00000000 Ok;\"a;b\r\n\"\"x\"\"\";\r\n");
}

// The information texts escape their values; the record and the log's path take them unescaped.
TEST(AuditLog, ValuesComeFromTheInformationTextsUnescaped) {
  DeviceRecord device;
  device.epocName = u"Bob's <A&B>";
  device.imei = u"350123/45/678901/2";
  device.phoneNumber = u"+44 & 1";
  std::u16string deviceText;
  BuildDeviceInfoText(deviceText, device);
  AuditRecord record;
  SetDeviceFields(record, deviceText);
  EXPECT_EQ(record.device, u"Bob's <A&B>");
  EXPECT_EQ(record.imei, u"350123/45/678901/2");
  EXPECT_EQ(record.phone, u"+44 & 1");
  ManagerRecord manager;
  manager.logFile = u"C:\\Tools & Co\\MorvaneLog.csv";
  std::u16string managerText;
  BuildManagerInfoText(managerText, manager);
  EXPECT_EQ(AuditLogFile(managerText), u"C:\\Tools & Co\\MorvaneLog.csv");
  EXPECT_EQ(AuditLogFile(u""), u"");
}

}  // namespace
}  // namespace orvel::engine
