#include "ui/send/error_text.h"

#include <gtest/gtest.h>

#include <string>

#include "interfaces/vantrel_codes.h"
#include "support/u16text.h"

using orvel::ui::ErrorCodeToMessage;
using orvel::ui::ErrorMessageId;
using orvel::ui::ProgressMemory;
namespace engine = orvel::engine;

namespace {

// Every string comes back as "S<id>" with trailing blanks, so that the trimming and the final "."
// show; string 519 has the library's two placeholders.
std::u16string Lookup(uint32_t id) {
  if (id == 519) return u"Setting \"%s\" cannot be \"%s\".";
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
    {0, 575, false},
    {static_cast<uint32_t>(engine::kNoClientProcess), 486, false},
    {static_cast<uint32_t>(engine::kNoCallbackInterface), 486, false},
    {static_cast<uint32_t>(engine::kCallbackAdvised), 486, false},
    {static_cast<uint32_t>(engine::kNoCallback), 486, false},
    {static_cast<uint32_t>(engine::kInvalidArgument), 486, false},
    {static_cast<uint32_t>(engine::kClientTableFull), 486, false},
    {static_cast<uint32_t>(engine::kNoDevice), 578, false},
    {static_cast<uint32_t>(engine::kNoDeviceInfo), 486, false},
    {static_cast<uint32_t>(engine::kOperationRunning), 486, false},
    {static_cast<uint32_t>(engine::kNotOpenClient), 486, false},
    {static_cast<uint32_t>(engine::kOtherClientOpen), 486, false},
    {static_cast<uint32_t>(engine::kNoQuestion), 486, false},
    {static_cast<uint32_t>(engine::kAnswerNotOffered), 486, false},
    {static_cast<uint32_t>(engine::kNoOperation), 486, false},
    {static_cast<uint32_t>(engine::kAlreadyCancelling), 486, false},
    {static_cast<uint32_t>(engine::kNoConnectProgram), 486, false},
    {static_cast<uint32_t>(engine::kClientNotTrusted), 486, false},
    {static_cast<uint32_t>(engine::kModuleFailed), 575, false},
    {static_cast<uint32_t>(engine::kDeviceInfoFailed), 582, false},
    {static_cast<uint32_t>(engine::kTransferUnavailable), 583, false},
    {static_cast<uint32_t>(engine::kDeviceObjectFailed), 583, false},
    {static_cast<uint32_t>(engine::kBackupFailed), 583, false},
    {static_cast<uint32_t>(engine::kRestoreFailed), 583, false},
    {static_cast<uint32_t>(engine::kCopyFailed), 583, false},
    {static_cast<uint32_t>(engine::kCancelled), 513, false},
    {static_cast<uint32_t>(engine::kOutOfMemory), 521, false},
    {static_cast<uint32_t>(engine::kFileUnreadable), 514, true},
    {static_cast<uint32_t>(engine::kFileNotFound), 566, true},
    {static_cast<uint32_t>(engine::kPackageRefused), 514, true},
    {static_cast<uint32_t>(engine::kInvalidPath), 567, true},
    {static_cast<uint32_t>(engine::kDiskFull), 569, true},
    {static_cast<uint32_t>(engine::kModuleStatus34), 570, false},
    {static_cast<uint32_t>(engine::kModuleStatus32), 571, false},
    {static_cast<uint32_t>(engine::kModuleStatus33), 590, false},
    {static_cast<uint32_t>(engine::kModuleError508), 614, false},
    {static_cast<uint32_t>(engine::kModuleError530), 615, false},
    {static_cast<uint32_t>(engine::kModuleError531), 616, false},
    {static_cast<uint32_t>(engine::kModuleError517), 621, false},
    {static_cast<uint32_t>(engine::kModuleStatus128), 575, false},
    {static_cast<uint32_t>(engine::kModuleStatus129), 575, false},
    {static_cast<uint32_t>(engine::kFileExists), 575, false},
    {static_cast<uint32_t>(engine::kAccessDenied), 594, true},
    // The transport module: OnDone/OnError codes, then its method results.
    {0x80040001, 486, false},  // cancelled
    {0x80040002, 486, false},  // local file
    {0x80040003, 486, false},  // temporary file
    {0x80040008, 575, false},  // out of memory
    {0x80040009, 575, false},  // bad response
    {0x8004000B, 575, false},  // no debug mode
    {0x8004000D, 575, false},  // server start
    {0x80040018, 575, false},  // read past the end
    {0x80040021, 486, false},  // device file
    {0x80040022, 486, false},  // connection
    {0x80040023, 486, false},  // no response
    {0x80040040, 575, false},  // COM object
    {0x80040060, 575, false},  // not supported
    {0x80040061, 575, false},
    {0x80040062, 575, false},
    {0x80040063, 575, false},
    {0x80040064, 575, false},
    {0x8004000C, 575, false},
    {0x8004000E, 575, false},
    // Edges of the ranges, and a code of another facility with a known low word.
    {0x80040007, 575, false},
    {0x80040010, 575, false},
    {0x80040013, 486, false},
    {0x80040014, 575, false},
    {0x80040029, 486, false},
    {0x8004002A, 575, false},
    {0x800400C8, 575, false},
    {0x80040131, 486, false},
    {0x80040132, 486, false},
    {0x80040155, 514, true},
    {0x80040158, 594, true},
    {0x80040183, 486, false},
    {0x80040185, 486, false},
    {0x80040211, 594, true},
    {0x80070101, 513, false},
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
