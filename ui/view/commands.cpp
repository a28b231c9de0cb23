#include "ui/view/commands.h"

namespace orvel::ui {

namespace {

struct CommandRow {
  int32_t command;
  Operation operation;
};

// A toolbar id and a menu id may share one operation.
constexpr CommandRow kCommands[] = {
    {29050, Operation::FileNew},       {10279, Operation::FileNew},       {29052, Operation::FileOpen},
    {31009, Operation::FileOpen},      {29051, Operation::FileSave},      {31021, Operation::FileSave},
    {31022, Operation::FileSaveAs},    {29053, Operation::RunSession},    {10276, Operation::RunSession},
    {29054, Operation::Print},         {31000, Operation::Print},         {31001, Operation::PrintPreview},
    {31002, Operation::PrintSetup},    {10280, Operation::EditDelete},    {31003, Operation::EditDelete},
    {31014, Operation::EditCut},       {31015, Operation::EditCopy},      {31016, Operation::EditPaste},
    {31017, Operation::EditUndo},      {31020, Operation::EditSelectAll}, {10278, Operation::ShowLog},
    {10281, Operation::TransferMode1}, {10282, Operation::TransferMode2}, {10283, Operation::TransferMode3},
};

struct ImageRow {
  int32_t command;
  int32_t kind1;  // 0: none
  int32_t kind2;
};

constexpr ImageRow kImages[] = {
    {29050, 380, 332}, {29051, 382, 602}, {29052, 381, 601}, {29053, 379, 333},
    {29054, 474, 603}, {10276, 0, 333},   {10278, 0, 334},   {10279, 0, 332},
    {10280, 0, 331},   {10281, 0, 335},   {10282, 0, 336},   {10283, 0, 337},
};

}  // namespace

Operation CommandOperation(int32_t command) {
  for (const auto& row : kCommands) {
    if (row.command == command) return row.operation;
  }
  return Operation::None;
}

short CommandState(int32_t command, const ViewState& state) {
  if (state.previewActive) return command == kPrintPreviewCommand ? kCommandEnabled : kCommandDisabled;
  bool enabled = true;
  switch (CommandOperation(command)) {
    case Operation::RunSession:
      enabled = state.hasSettings;
      break;
    case Operation::EditDelete:
    case Operation::EditCut:
      enabled = state.editing || state.canDelete;
      break;
    case Operation::EditCopy:
    case Operation::EditPaste:
    case Operation::EditUndo:
      enabled = state.editing;
      break;
    default:
      break;
  }
  return enabled ? kCommandEnabled : kCommandDisabled;
}

Operation CommandToRun(int32_t command, bool previewActive) {
  if (previewActive && command != kPrintPreviewCommand) return Operation::None;
  return CommandOperation(command);
}

std::optional<int32_t> CommandImageId(int32_t command, short imageKind) {
  for (const auto& row : kImages) {
    if (row.command != command) continue;
    int32_t image = imageKind == 1 ? row.kind1 : imageKind == 2 ? row.kind2 : 0;
    if (image) return image;
    return std::nullopt;
  }
  return std::nullopt;
}

int32_t IconId(short kind) {
  switch (kind) {
    case 0:
      return 429;
    case 3:
      return 431;
    default:
      return 0;
  }
}

FocusAnswer FocusEventAnswer(short event) {
  switch (event) {
    case 2:
    case 3:
      return {FocusAction::None, 0};
    case 4:
      return {FocusAction::Remember, 0};
    case 5:
      return {FocusAction::Restore, 0};
    default:
      return {FocusAction::None, 1};
  }
}

std::u16string SendMenuText(std::u16string_view text) {
  std::u16string result(text);
  if (result.find(u'\t') == std::u16string::npos) result += u"\tF5";
  return result;
}

}  // namespace orvel::ui
