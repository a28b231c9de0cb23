// The settings tree: the tree-view control of the main view in which the operator reads and edits
// one configuration. Every item is drawn here (lines, the state icon that shows and sets the node's
// create flag, the expand icon, the name and the value column); its item data is its settings node.
// The marks of the operator's multi-selection, the create-flag rules and the choice of editor live
// in the window-free tree logic (tree_logic.h); this class binds them to the control.
#pragma once

// clang-format off
#include <windows.h>
// after windows.h
#include <commctrl.h>
// clang-format on

#include <cstdint>
#include <memory>
#include <string>

#include "support/win/window.h"
#include "ui/print/print_lines.h"
#include "ui/tree/inplace_editors.h"

namespace orvel {
class CSettingsNode;
}

namespace orvel::ui {

class CMainViewDlg;
class CCustomPrint;
class CPrinterSettings;
class CSettingsPrinter;
class CViewPrintPreview;

class CSettingsTree : public win::CControl {
 public:
  explicit CSettingsTree(CMainViewDlg* owner);
  ~CSettingsTree() override;

  // Takes over the template's tree control and loads the icons from the language library.
  bool AttachTree(HWND control);
  // The header's normal and bold fonts: the bold one for items with child items, the normal one
  // for fields. Not owned.
  void SetFonts(HFONT normal, HFONT bold);

  // Deletes every item (a running edit is dropped first).
  void Clear();
  // Takes the root from the document and inserts its subtree; the marks are cleared.
  void Rebuild();
  // The first top-level item becomes the caret.
  void SelectFirst();

  // Ends a running in-place edit and stores its text; nothing when none runs. Safe to reach again
  // while it runs (the editor's focus loss during its own destruction).
  void CommitEdit();
  // Opens the editor or dialog of the item's node; true when one was opened.
  bool EditSelectedValue(HTREEITEM item);
  // Deletes the marked list entries that nothing refers to.
  void DeleteSelectedEntry();
  // Marks every visible item.
  void SelectAllItems();

  DWORD GetHelpContext() const;
  // A text, number, value or IP editor is open (the combo box does not count).
  bool IsEditing() const;
  bool CanDeleteSelection() const;
  // Some node is marked created (cached until the content or the marks change).
  bool HasSettings();
  bool IsPrintPreviewActive() const { return m_preview != nullptr; }

  // The open editor's window for the edit commands (cut, copy, paste, undo, delete, select all);
  // null when none is open.
  HWND ActiveEditorWindow() const;

  // --- printing and the print preview (ui/print/tree_print.cpp)
  // Prints one copy on the printer with the dialog's choices; false when the printer cannot be
  // reached, its page has no room, or a page failed (the document is then aborted).
  bool Print(const CCustomPrint& dialog, const CPrinterSettings& printer, const std::u16string& jobName);
  // Opens the preview on the printer, or brings the open one to the front.
  void PrintPreview(const CPrinterSettings& printer);
  // Ends the preview when it shows.
  void EndPrintPreview();
  // The printer fonts, metrics and lines of a job or preview on the device; false when the page
  // has no room for a line.
  bool PrepareLines(HDC dc, PrintRange range);
  void PrintPage(HDC dc, int page);
  int PrintPageCount() const;
  void EndPrinting();
  const CTreeLogic& Logic() const;
  // The screen font of groups (true) or fields (false).
  HFONT ScreenFont(bool group) const;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  struct State;  // the tree logic, the icons and the editors (settings_tree.cpp)

  CMainViewDlg* m_owner;
  State* m_state;
  std::unique_ptr<CSettingsPrinter> m_printing;  // from PrepareLines to EndPrinting
  std::unique_ptr<CViewPrintPreview> m_preview;
};

}  // namespace orvel::ui
