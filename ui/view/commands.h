// The plug-in's command table (which main-view operation each host command runs and when it is
// enabled), its image table, and the view's small answers to the host, apart from any window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/app/resource_ids.h"

namespace orvel::ui {

enum class Operation {
  None,
  FileNew,
  FileOpen,
  FileSave,
  FileSaveAs,
  RunSession,
  Print,
  PrintPreview,
  PrintSetup,
  EditDelete,
  EditCut,
  EditCopy,
  EditPaste,
  EditUndo,
  EditSelectAll,
  ShowLog,
  TransferMode1,
  TransferMode2,
  TransferMode3,
};

// The main view's answers that decide the states.
struct ViewState {
  bool hasSettings = false;
  bool editing = false;    // an in-place editor is active
  bool canDelete = false;  // the selection can be deleted
  bool previewActive = false;
};

// The host's command states.
inline constexpr short kCommandEnabled = 2;
inline constexpr short kCommandDisabled = 1;

Operation CommandOperation(int32_t command);
short CommandState(int32_t command, const ViewState& state);
// The operation a command runs now; None while the preview is shown, except for the preview command.
Operation CommandToRun(int32_t command, bool previewActive);

// The image of a command for an image kind (1 or 2); none for pairs the table does not hold.
std::optional<int32_t> CommandImageId(int32_t command, short imageKind);
// The icon of an icon kind (0 and 3 have one; any other kind answers 0).
int32_t IconId(short kind);

// What `OnFocusEvent` does with an event.
enum class FocusAction { None, Remember, Restore };
struct FocusAnswer {
  FocusAction action;
  short result;
};
FocusAnswer FocusEventAnswer(short event);

// The send menu item's text: "\tF5" appended when it holds no tab.
std::u16string SendMenuText(std::u16string_view text);

// The toolbar's buttons, in order; its bitmap is kToolbarBitmap.
inline constexpr int32_t kToolbarCommands[] = {kNewCommand, kOpenCommand, kSaveCommand, kSendCommand,
                                               kPrintCommand};

}  // namespace orvel::ui
