// The plug-in's logic that needs no window: the command and image tables, the small answers of the
// view to the host, the product title, and the callback arguments' hand-over.
#include <gtest/gtest.h>

#include "support/u16text.h"
#include "ui/app/app_text.h"
#include "ui/app/resource_ids.h"
#include "ui/send/arg_array.h"
#include "ui/send/choice_plan.h"
#include "ui/view/commands.h"

namespace orvel::ui {
namespace {

struct StateCase {
  int32_t command;
  ViewState state;
  short expected;
};

constexpr ViewState kEmpty{};
constexpr ViewState kSettings{true, false, false, false};
constexpr ViewState kEditing{true, true, false, false};
constexpr ViewState kDeletable{true, false, true, false};
constexpr ViewState kPreview{true, true, true, true};

const StateCase kStateCases[] = {
    {kSendCommand, kEmpty, 1},
    {kSendCommand, kSettings, 2},
    {kSendMenuCommand, kEmpty, 1},
    {kSendMenuCommand, kSettings, 2},
    {kNewCommand, kEmpty, 2},
    {kNewMenuCommand, kEmpty, 2},
    {kSaveAsCommand, kEmpty, 2},
    {kPrintSetupCommand, kEmpty, 2},
    {kDeleteMenuCommand, kSettings, 1},
    {kDeleteMenuCommand, kEditing, 2},
    {kHostDeleteCommand, kDeletable, 2},
    {kCutCommand, kSettings, 1},
    {kCutCommand, kDeletable, 2},
    {kCopyCommand, kDeletable, 1},
    {kCopyCommand, kEditing, 2},
    {kPasteCommand, kEditing, 2},
    {kUndoCommand, kSettings, 1},
    {kSelectAllCommand, kEmpty, 2},
    {kShowLogCommand, kEmpty, 2},
    {kTransferMode3Command, kEmpty, 2},
    {12345, kEmpty, 2},  // any other command: enabled
    // while the preview shows only its own command is enabled
    {kPrintPreviewCommand, kPreview, 2},
    {kNewCommand, kPreview, 1},
    {12345, kPreview, 1},
    {kCopyCommand, kPreview, 1},
};

TEST(CommandTable, States) {
  for (const auto& c : kStateCases) EXPECT_EQ(CommandState(c.command, c.state), c.expected) << c.command;
}

struct OperationCase {
  int32_t command;
  Operation operation;
};
// The host's and the plug-in's own numbers, written out: a wrong number behind a name must fail here.
const OperationCase kOperationCases[] = {
    {29050, Operation::FileNew},
    {10279, Operation::FileNew},
    {29052, Operation::FileOpen},
    {31009, Operation::FileOpen},
    {29051, Operation::FileSave},
    {31021, Operation::FileSave},
    {31022, Operation::FileSaveAs},
    {29053, Operation::RunSession},
    {10276, Operation::RunSession},
    {29054, Operation::Print},
    {31000, Operation::Print},
    {31001, Operation::PrintPreview},
    {31002, Operation::PrintSetup},
    {10280, Operation::EditDelete},
    {31003, Operation::EditDelete},
    {31014, Operation::EditCut},
    {31015, Operation::EditCopy},
    {31016, Operation::EditPaste},
    {31017, Operation::EditUndo},
    {31020, Operation::EditSelectAll},
    {10278, Operation::ShowLog},
    {10281, Operation::TransferMode1},
    {10282, Operation::TransferMode2},
    {10283, Operation::TransferMode3},
    {0, Operation::None},
    {29055, Operation::None},
};

TEST(CommandTable, Operations) {
  for (const auto& c : kOperationCases) {
    EXPECT_EQ(CommandOperation(c.command), c.operation) << c.command;
    EXPECT_EQ(CommandToRun(c.command, false), c.operation) << c.command;
  }
  EXPECT_EQ(CommandToRun(kNewCommand, true), Operation::None);  // ignored while the preview shows
  EXPECT_EQ(CommandToRun(kPrintPreviewCommand, true), Operation::PrintPreview);
}

struct ImageCase {
  int32_t command;
  short kind;
  int32_t image;  // 0: the out value stays as it was
};
const ImageCase kImageCases[] = {
    {kNewCommand, 1, 380},
    {kNewCommand, 2, 332},
    {kSaveCommand, 1, 382},
    {kSaveCommand, 2, 602},
    {kOpenCommand, 1, 381},
    {kOpenCommand, 2, 601},
    {kSendCommand, 1, 379},
    {kSendCommand, 2, 333},
    {kPrintCommand, 1, 474},
    {kPrintCommand, 2, 603},
    {kSendMenuCommand, 1, 0},
    {kSendMenuCommand, 2, 333},
    {kShowLogCommand, 2, 334},
    {kNewMenuCommand, 2, 332},
    {kDeleteMenuCommand, 2, 331},
    {kTransferMode1Command, 2, 335},
    {kTransferMode2Command, 2, 336},
    {kTransferMode3Command, 2, 337},
    {kNewCommand, 0, 0},
    {kNewCommand, 3, 0},
    {kHostPrintCommand, 1, 0},
    {kHostPrintCommand, 2, 0},
};

TEST(ImageTable, Pairs) {
  for (const auto& c : kImageCases) {
    std::optional<int32_t> image = CommandImageId(c.command, c.kind);
    if (c.image) {
      EXPECT_EQ(image, c.image) << c.command << "/" << c.kind;
    } else {
      EXPECT_FALSE(image) << c.command << "/" << c.kind;
    }
  }
}

TEST(ViewAnswers, IconsAndFocusEvents) {
  EXPECT_EQ(IconId(0), kProductIcon);
  EXPECT_EQ(IconId(3), kSettingsFileIcon);
  for (short kind : {1, 2, 4, -1}) EXPECT_EQ(IconId(kind), 0) << kind;

  struct FocusCase {
    short event;
    FocusAction action;
    short result;
  };
  const FocusCase cases[] = {{2, FocusAction::None, 0},     {3, FocusAction::None, 0},
                             {4, FocusAction::Remember, 0}, {5, FocusAction::Restore, 0},
                             {1, FocusAction::None, 1},     {6, FocusAction::None, 1},
                             {0, FocusAction::None, 1}};
  for (const auto& c : cases) {
    FocusAnswer answer = FocusEventAnswer(c.event);
    EXPECT_EQ(answer.action, c.action) << c.event;
    EXPECT_EQ(answer.result, c.result) << c.event;
  }
}

TEST(ViewAnswers, SendMenuTextGetsTheKeyOnce) {
  EXPECT_EQ(SendMenuText(u"&Send"), u"&Send\tF5");
  EXPECT_EQ(SendMenuText(u"&Send\tF5"), u"&Send\tF5");
  EXPECT_EQ(SendMenuText(u"&Send\tCtrl+S"), u"&Send\tCtrl+S");  // a tab already: unchanged
}

TEST(ProductTitle, FirstLineFeedBecomesABlank) {
  EXPECT_EQ(ProductTitleFromText(u"Orvel\nCorvanset"), u"Orvel Corvanset");
  EXPECT_EQ(ProductTitleFromText(u"Orvel\nCorvanset\nManager"), u"Orvel Corvanset\nManager");
  EXPECT_EQ(ProductTitleFromText(u"Corvanset"), u"Corvanset");
  EXPECT_EQ(ProductTitleFromText(u""), u"");
}

TEST(ArgArray, CellsTravelInOrderWithTheMovedArray) {
  CArgArray local;
  local.AddDword(0x80040204u);
  local.AddLong(-12);
  local.AddString(u"PhoneNumber");
  local.AddString(u"");
  CArgArray taken(std::move(local));  // as the post hands it over
  EXPECT_EQ(taken.Size(), 4u);
  EXPECT_EQ(taken.PopDword(), 0x80040204u);
  EXPECT_EQ(taken.PopDword(), static_cast<uint32_t>(-12));  // a long reads back as its 32 bits
  EXPECT_EQ(taken.PopString(), u"PhoneNumber");
  EXPECT_EQ(taken.PopString(), u"");
  EXPECT_EQ(taken.PopDword(), 0u);  // empty
  EXPECT_EQ(taken.PopString(), u"");
}

TEST(ChoiceButtons, EveryAllowedAnswerHasAButton) {
  using orvel::ui::PlanChoiceButtons;
  struct Case {
    uint32_t allowed;
    std::array<uint32_t, 4> answers;  // of buttons 277, 273, 276, 270
    std::array<bool, 4> generic;
  };
  const Case cases[] = {
      {4 | 8, {4, 8, 0, 0}, {false, false, false, false}},
      {4 | 8 | 32 | 64, {4, 8, 32, 64}, {false, false, false, false}},
      {16, {16, 0, 0, 0}, {true, false, false, false}},
      {1 | 4 | 8 | 32, {4, 8, 32, 1}, {false, false, false, true}},
      {1 | 2 | 16 | 64, {1, 2, 16, 64}, {true, true, true, false}},
      {4 | 16, {4, 16, 0, 0}, {false, true, false, false}},
      {1 | 2 | 4 | 8 | 16 | 32 | 64, {4, 8, 32, 64}, {false, false, false, false}},
      {0, {0, 0, 0, 0}, {false, false, false, false}},
  };
  for (const auto& c : cases) {
    const auto plan = PlanChoiceButtons(c.allowed);
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(plan[i].control,
                (std::array<int, 4>{kAnswer4Button, kAnswer8Button, kAnswer32Button, kAnswer64Button})[i]);
      EXPECT_EQ(plan[i].answer, c.answers[i]) << c.allowed << " button " << i;
      EXPECT_EQ(plan[i].generic, c.generic[i]) << c.allowed << " button " << i;
    }
  }
}

TEST(MessageQuote, CutsAtAHundredCharacters) {
  std::u16string hundred(100, u'a');
  EXPECT_EQ(QuoteForMessage(hundred), hundred);
  EXPECT_EQ(QuoteForMessage(hundred + u"bc"), hundred + u"...");
  EXPECT_EQ(QuoteForMessage(u""), u"");
}

TEST(HeaderTitle, EndsAtTheFirstFullStop) {
  EXPECT_EQ(HeaderTitle(u"office.backup.xml"), u"office");
  EXPECT_EQ(HeaderTitle(u"Untitled"), u"Untitled");
}

TEST(ProgramOfCommandLine, FindsTheProgramOfALocalServer) {
  struct Case {
    std::u16string_view command;
    std::u16string_view program;
  } cases[] = {
      {u"\"C:\\Program Files\\Vantrel\\Vantrel.exe\" /automation",
       u"C:\\Program Files\\Vantrel\\Vantrel.exe"},
      {u"C:\\Program Files\\Vantrel\\Vantrel.exe /automation", u"C:\\Program Files\\Vantrel\\Vantrel.exe"},
      {u"C:\\Tools\\Vantrel.EXE", u"C:\\Tools\\Vantrel.EXE"},
      {u"  \"C:\\a b\\v.exe", u"C:\\a b\\v.exe"},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgramOfCommandLine(c.command), c.program) << AsUtf8(c.command);
}

}  // namespace
}  // namespace orvel::ui
