#include "ui/send/error_text.h"

#include <gtest/gtest.h>

#include <string>

#include "interfaces/vantrel_codes.h"
#include "support/u16text.h"
#include "ui/app/resource_ids.h"

using namespace orvel::ui;
namespace engine = orvel::engine;

namespace {

// Every string comes back as "S<id>" with trailing blanks, so that the trimming and the final "."
// show; kRefusedSettingText has the library's two placeholders.
std::u16string Lookup(uint32_t id) {
  if (id == kRefusedSettingText) return u"Setting \"%s\" cannot be \"%s\".";
  if (id == 513) return u"S513.";
  return orvel::FromUtf8("S" + std::to_string(id)) + u" \t\r\n";
}

std::u16string Expected(uint32_t id) {
  if (id == 513) return u"S513.";
  return orvel::FromUtf8("S" + std::to_string(id)) + u".";
}

std::u16string Message(int32_t code, const ProgressMemory& progress = {}) {
  return ErrorCodeToMessage(code, u"", u"", Lookup, progress);
}

struct CodeCase {
  uint32_t code;
  uint32_t id;
  bool appendsFile;
};

// Every result code that the engine returns or reports, and those of the transport module that
// reach the user interface through the engine's callbacks (its OnDone/OnError codes are the
// module's error numbers in FACILITY_ITF, its method results 0x8004000C..0x80040064).
const CodeCase kCodes[] = {
    {0, kOperationFailedText, false},
    {static_cast<uint32_t>(engine::kNoClientProcess), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kNoCallbackInterface), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kCallbackAdvised), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kNoCallback), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kInvalidArgument), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kClientTableFull), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kNoDevice), kNoDeviceText, false},
    {static_cast<uint32_t>(engine::kNoDeviceInfo), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kOperationRunning), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kNotOpenClient), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kOtherClientOpen), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kNoQuestion), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kAnswerNotOffered), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kNoOperation), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kAlreadyCancelling), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kNoConnectProgram), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kClientNotTrusted), kEngineFailedText, false},
    {static_cast<uint32_t>(engine::kModuleFailed), kOperationFailedText, false},
    {static_cast<uint32_t>(engine::kDeviceInfoFailed), kDeviceInfoFailedText, false},
    {static_cast<uint32_t>(engine::kTransferUnavailable), kTransferFailedText, false},
    {static_cast<uint32_t>(engine::kDeviceObjectFailed), kTransferFailedText, false},
    {static_cast<uint32_t>(engine::kBackupFailed), kTransferFailedText, false},
    {static_cast<uint32_t>(engine::kRestoreFailed), kTransferFailedText, false},
    {static_cast<uint32_t>(engine::kCopyFailed), kTransferFailedText, false},
    {static_cast<uint32_t>(engine::kCancelled), kCancelledText, false},
    {static_cast<uint32_t>(engine::kOutOfMemory), kOutOfMemoryText, false},
    {static_cast<uint32_t>(engine::kFileUnreadable), kFileUnreadableText, true},
    {static_cast<uint32_t>(engine::kFileNotFound), kFileNotFoundText, true},
    {static_cast<uint32_t>(engine::kPackageRefused), kFileUnreadableText, true},
    {static_cast<uint32_t>(engine::kInvalidPath), kInvalidPathText, true},
    {static_cast<uint32_t>(engine::kDiskFull), kDiskFullText, true},
    {static_cast<uint32_t>(engine::kModuleStatus34), kDeviceNoResponseText, false},
    {static_cast<uint32_t>(engine::kModuleStatus32), kDeviceRefusedText, false},
    {static_cast<uint32_t>(engine::kModuleStatus33), kDeviceFileFailedText, false},
    {static_cast<uint32_t>(engine::kModuleError508), kServerError508Text, false},
    {static_cast<uint32_t>(engine::kModuleError530), kServerError530Text, false},
    {static_cast<uint32_t>(engine::kModuleError531), kServerError531Text, false},
    {static_cast<uint32_t>(engine::kModuleError517), kServerError517Text, false},
    {static_cast<uint32_t>(engine::kModuleStatus128), kOperationFailedText, false},
    {static_cast<uint32_t>(engine::kModuleStatus129), kOperationFailedText, false},
    {static_cast<uint32_t>(engine::kFileExists), kOperationFailedText, false},
    {static_cast<uint32_t>(engine::kAccessDenied), kFileReadOnlyText, true},
    // The transport module: OnDone/OnError codes, then its method results.
    {0x80040001, kEngineFailedText, false},     // cancelled
    {0x80040002, kEngineFailedText, false},     // local file
    {0x80040003, kEngineFailedText, false},     // temporary file
    {0x80040008, kOperationFailedText, false},  // out of memory
    {0x80040009, kOperationFailedText, false},  // bad response
    {0x8004000B, kOperationFailedText, false},  // no debug mode
    {0x8004000D, kOperationFailedText, false},  // server start
    {0x80040018, kOperationFailedText, false},  // read past the end
    {0x80040021, kEngineFailedText, false},     // device file
    {0x80040022, kEngineFailedText, false},     // connection
    {0x80040023, kEngineFailedText, false},     // no response
    {0x80040040, kOperationFailedText, false},  // COM object
    {0x80040060, kOperationFailedText, false},  // not supported
    {0x80040061, kOperationFailedText, false},
    {0x80040062, kOperationFailedText, false},
    {0x80040063, kOperationFailedText, false},
    {0x80040064, kOperationFailedText, false},
    {0x8004000C, kOperationFailedText, false},
    {0x8004000E, kOperationFailedText, false},
    // Edges of the ranges, and a code of another facility with a known low word.
    {0x80040007, kOperationFailedText, false},
    {0x80040010, kOperationFailedText, false},
    {0x80040013, kEngineFailedText, false},
    {0x80040014, kOperationFailedText, false},
    {0x80040029, kEngineFailedText, false},
    {0x8004002A, kOperationFailedText, false},
    {0x800400C8, kOperationFailedText, false},
    {0x80040131, kEngineFailedText, false},
    {0x80040132, kEngineFailedText, false},
    {0x80040155, kFileUnreadableText, true},
    {0x80040158, kFileReadOnlyText, true},
    {0x80040183, kEngineFailedText, false},
    {0x80040185, kEngineFailedText, false},
    {0x80040211, kFileReadOnlyText, true},
    {0x80070101, kCancelledText, false},
};

}  // namespace

TEST(ErrorCodeToMessage, EveryCodeSelectsItsString) {
  const ProgressMemory fileStage{3, u"C:\\Data\\\u0416urnal \u00e9t\u00e9.tlv"};
  for (const auto& c : kCodes) {
    const auto code = static_cast<int32_t>(c.code);
    SCOPED_TRACE(testing::Message() << std::hex << c.code);
    EXPECT_EQ(ErrorMessageId(code), c.id);
    EXPECT_EQ(Message(code), Expected(c.id));
    // After a stage-3 progress report the file failures name the file, wide characters intact.
    EXPECT_EQ(Message(code, fileStage),
              c.appendsFile ? Expected(c.id) + u"\r\n" + fileStage.tag : Expected(c.id));
  }
}

TEST(ErrorCodeToMessage, FileOnlyAfterAStageThreeReportWithATag) {
  const auto code = static_cast<int32_t>(engine::kFileUnreadable);
  EXPECT_EQ(Message(code, {2, u"a.tlv"}), u"S514.");
  EXPECT_EQ(Message(code, {3, u""}), u"S514.");
  EXPECT_EQ(Message(code, {3, u"a.tlv"}), u"S514.\r\na.tlv");
}

TEST(ErrorCodeToMessage, RefusedSettingNamesTagAndValue) {
  const auto code = static_cast<int32_t>(engine::kInvalidSetting);
  EXPECT_EQ(ErrorCodeToMessage(code, u"Port", u"99999", Lookup, {}),
            u"Setting \"Port\" cannot be \"99999\".");
  const std::u16string longValue(150, u'x');
  EXPECT_EQ(ErrorCodeToMessage(code, u"Name", longValue, Lookup, {}),
            u"Setting \"Name\" cannot be \"" + std::u16string(100, u'x') + u"...\".");
  const std::u16string exact(100, u'y');
  EXPECT_EQ(ErrorCodeToMessage(code, u"Name", exact, Lookup, {}),
            u"Setting \"Name\" cannot be \"" + exact + u"\".");
  // Placeholders inside the tag or value are not expanded again.
  EXPECT_EQ(ErrorCodeToMessage(code, u"%s", u"%s", Lookup, {}), u"Setting \"%s\" cannot be \"%s\".");
  // Without a tag: the plain text.
  EXPECT_EQ(ErrorCodeToMessage(code, u"", u"x", Lookup, {}), u"S617.");
  EXPECT_EQ(ErrorMessageId(code), 519u);
}

TEST(ErrorCodeToMessage, EmptyOrBlankTextStillEndsWithAFullStop) {
  auto blank = [](uint32_t) { return std::u16string(u"  \r\n"); };
  EXPECT_EQ(ErrorCodeToMessage(0, u"", u"", blank, {}), u".");
  auto dotted = [](uint32_t) { return std::u16string(u"Done.  "); };
  EXPECT_EQ(ErrorCodeToMessage(0, u"", u"", dotted, {}), u"Done.");
}
