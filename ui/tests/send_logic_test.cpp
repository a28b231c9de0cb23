#include "ui/send/send_logic.h"

#include <gtest/gtest.h>

#include <string>

#include "interfaces/vantrel_codes.h"
#include "settings/tests/settings_test_support.h"
#include "support/u16text.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {
namespace {

std::u16string Lookup(uint32_t id) {
  switch (id) {
    case kApplyingText:
      return u"Applying %s.";
    case kCopyingText:
      return u"Copying %s";
    case kInstallingText:
      return u"Installing %s...";
    case kPreparingText:
      return u"Preparing...";
    default:
      return u"S" + FromUtf8(std::to_string(id)) + u"..";
  }
}
std::u16string Display(std::u16string_view tag) { return u"<" + std::u16string(tag) + u">"; }

struct DeviceCase {
  const char16_t* info;
  const char16_t* name;
  const char16_t* imei;
  const char16_t* phone;
};
const DeviceCase kDeviceCases[] = {
    {u"<EPOCName>  Farlink </EPOCName><IMEI>4901</IMEI><PhoneNumber>+44 1</PhoneNumber>", u" Farlink",
     u" 4901", u" +44 1"},
    {u"<EPOCName>Farlink</EPOCName><PhoneNumber>5550100</PhoneNumber>", u" Farlink", u" n/a", u" 5550100"},
    {u"<EPOCName>Farlink<IMEI>1</IMEI>", u" n/a", u" 1", u" n/a"},  // no closing tag
    {u"<EPOCName> \t </EPOCName><IMEI></IMEI>", u" n/a", u" n/a", u" n/a"},
    {u"", u" n/a", u" n/a", u" n/a"},
};

TEST(SendLogic, DeviceFieldsAreTrimmedWithOneLeadingBlankAndMissingValuesSayNotAvailable) {
  for (const auto& c : kDeviceCases) {
    DeviceFields fields = ParseDeviceInfo(c.info, u"n/a");
    EXPECT_EQ(fields.name, c.name) << AsUtf8(c.info);
    EXPECT_EQ(fields.imei, c.imei) << AsUtf8(c.info);
    EXPECT_EQ(fields.phone, c.phone) << AsUtf8(c.info);
  }
}

struct StageCase {
  int32_t stage;
  const char16_t* tag;
  int32_t percent;
  const char16_t* text;
  bool busy;
};
const StageCase kStageCases[] = {
    {1, u"", 0, u"Preparing...", true},
    {1, u"", 40, u"Preparing...", false},
    {2, u"IAPSettings", 10, u"Applying <IAPSettings>...", false},  // one "." becomes "..."
    {3, u"C:\\tones\\ring.wav", 50, u"Copying ring.wav...", false},
    {3, u"D:ring.wav", 50, u"Copying ring.wav...", false},
    {3, u"C:\\t\\\x0429\x4e2d.wav", 50, u"Copying \x0429\x4e2d.wav...", false},  // stays wide
    {4, u"C:\\apps\\game.sis", 0, u"Installing game.sis...", false},             // kept as it is
    {0, u"", 0, u"S495...", false},
    {7, u"x", 3, u"S495...", false},
};

TEST(SendLogic, EveryStageHasItsTextEndingInAnEllipsis) {
  for (const auto& c : kStageCases) {
    StageText text = ProgressStageText(c.stage, c.tag, c.percent, Lookup, Display);
    EXPECT_EQ(text.text, c.text) << c.stage << " " << AsUtf8(c.tag);
    EXPECT_EQ(text.busy, c.busy) << c.stage;
  }
  EXPECT_EQ(WithEllipsis(u"Done...."), u"Done....");
  EXPECT_EQ(WithEllipsis(u""), u"...");
}

TEST(SendLogic, DeviceInUseNamesTheClientOrDropsThePlaceholder) {
  const std::u16string format = u"Another program (%s) is using it.";
  EXPECT_EQ(DeviceInUseText(format, u"  Backup Tool "), u"Another program (Backup Tool) is using it.");
  EXPECT_EQ(DeviceInUseText(format, u"   "), u"Another program is using it.");
  EXPECT_EQ(DeviceInUseText(format, u""), u"Another program is using it.");
  EXPECT_EQ(DeviceInUseText(u"In use.", u""), u"In use.");
  EXPECT_EQ(DeviceInUseText(u"(%s)", u""), u" ");
}

struct FinalCase {
  uint32_t code;
  bool questionOpen;
  bool errorShown;
  bool box;
};
const FinalCase kFinalCases[] = {
    {0, false, false, false},
    {0, true, false, false},
    {static_cast<uint32_t>(engine::kCancelled), false, false, false},
    {static_cast<uint32_t>(engine::kCancelled), true, false, true},  // a question was cut short
    {static_cast<uint32_t>(engine::kCancelled), true, true, false},
    {static_cast<uint32_t>(engine::kCopyFailed), false, false, true},
    {static_cast<uint32_t>(engine::kCopyFailed), false, true, false},  // the error was told already
};

TEST(SendLogic, TheFinalBoxIsShownOnceAndNotForAPlainCancel) {
  for (const auto& c : kFinalCases)
    EXPECT_EQ(ShowsFinalBox(static_cast<int32_t>(c.code), c.questionOpen, c.errorShown), c.box)
        << std::hex << c.code << " " << c.questionOpen << c.errorShown;
  EXPECT_TRUE(IsQuestionCode(static_cast<int32_t>(engine::kModuleStatus128)));
  EXPECT_TRUE(IsQuestionCode(static_cast<int32_t>(engine::kFileExists)));
  EXPECT_FALSE(IsQuestionCode(static_cast<int32_t>(engine::kInvalidSetting)));
  EXPECT_FALSE(IsQuestionCode(static_cast<int32_t>(engine::kModuleStatus129)));
}

TEST(SendLogic, ApplyToAllIsKeptPerCategoryAndOnlyUsedWhereTheAnswerIsOffered) {
  CAnswerMemory memory;
  EXPECT_FALSE(memory.Answer(true, 45));
  memory.Remember(true, 32);
  EXPECT_EQ(memory.Answer(true, 45), 32u);
  EXPECT_FALSE(memory.Answer(false, 45));     // never for a settings question
  EXPECT_FALSE(memory.Answer(true, 4 | 16));  // not offered: the user is asked
  memory.Remember(false, 16);
  EXPECT_EQ(memory.Answer(false, 16), 16u);
  memory.Reset();
  EXPECT_FALSE(memory.Answer(true, 45));
  EXPECT_FALSE(memory.Answer(false, 16));
}

class FileQuestionTest : public test::SettingsTest {};

TEST_F(FileQuestionTest, FilesAreTheFileTransferGroupsAndTheirChildren) {
  UseFakeHost();
  CSettingsNode& root = NewDocument();
  CSettingsNode& tones = *root.FindChildOfType(109)->FindChildOfType(111);
  CSettingsNode* file = tones.AddChild(u"ring.wav", 0, 112);
  std::u16string group, child, settings;
  tones.GetNodeName(group, false);
  file->GetNodeName(child, false);
  root.FindChildOfType(2)->GetNodeName(settings, false);
  ASSERT_FALSE(group.empty());
  ASSERT_FALSE(child.empty());
  EXPECT_TRUE(IsFileQuestion(&root, group));
  EXPECT_TRUE(IsFileQuestion(&root, child));
  EXPECT_FALSE(IsFileQuestion(&root, settings));
  EXPECT_FALSE(IsFileQuestion(&root, u""));
  EXPECT_FALSE(IsFileQuestion(nullptr, group));
  root.RemoveChild(root.FindChildOfType(109));
  EXPECT_FALSE(IsFileQuestion(&root, group));
}

}  // namespace
}  // namespace orvel::ui
