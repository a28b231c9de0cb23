#include "ui/view/commands.h"

#include "ui/app/resource_ids.h"

namespace orvel::ui {

namespace {

struct CommandRow {
  int32_t command;
  Operation operation;
};

// A toolbar id and a menu id may share one operation.
constexpr CommandRow kCommands[] = {
    {kNewCommand, Operation::FileNew},
    {kNewMenuCommand, Operation::FileNew},
    {kOpenCommand, Operation::FileOpen},
    {kHostOpenCommand, Operation::FileOpen},
    {kSaveCommand, Operation::FileSave},
    {kHostSaveCommand, Operation::FileSave},
    {kSaveAsCommand, Operation::FileSaveAs},
    {kSendCommand, Operation::RunSession},
    {kSendMenuCommand, Operation::RunSession},
    {kPrintCommand, Operation::Print},
    {kHostPrintCommand, Operation::Print},
    {kPrintPreviewCommand, Operation::PrintPreview},
    {kPrintSetupCommand, Operation::PrintSetup},
    {kDeleteMenuCommand, Operation::EditDelete},
    {kHostDeleteCommand, Operation::EditDelete},
    {kCutCommand, Operation::EditCut},
    {kCopyCommand, Operation::EditCopy},
    {kPasteCommand, Operation::EditPaste},
    {kUndoCommand, Operation::EditUndo},
    {kSelectAllCommand, Operation::EditSelectAll},
    {kShowLogCommand, Operation::ShowLog},
    {kTransferMode1Command, Operation::TransferMode1},
    {kTransferMode2Command, Operation::TransferMode2},
    {kTransferMode3Command, Operation::TransferMode3},
};

struct ImageRow {
  int32_t command;
  int32_t kind1;  // 0: none
  int32_t kind2;
};

constexpr ImageRow kImages[] = {
    {kNewCommand, 380, 332},         {kSaveCommand, 382, 602},        {kOpenCommand, 381, 601},
    {kSendCommand, 379, 333},        {kPrintCommand, 474, 603},       {kSendMenuCommand, 0, 333},
    {kShowLogCommand, 0, 334},       {kNewMenuCommand, 0, 332},       {kDeleteMenuCommand, 0, 331},
    {kTransferMode1Command, 0, 335}, {kTransferMode2Command, 0, 336}, {kTransferMode3Command, 0, 337},
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
      return kProductIcon;
    case 3:
      return kSettingsFileIcon;
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
