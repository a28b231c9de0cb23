// The about box, which shows the plug-in's version from its own version resource, and the editor
// of long text values (a login script, a signature) that the settings tree opens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/win/dialog.h"
#include "support/win/handle.h"
#include "support/win/window.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {

// ANSI bytes in the system's code page to UTF-16.
std::u16string SystemAnsiText(std::string_view bytes);

// The version text of a file's version resource ("%d.%d%d", see VersionText); "0.00" when the
// file has none or it cannot be read.
std::u16string FileVersionText(const std::u16string& path);

class CAboutDlg : public win::CDialog {
 public:
  explicit CAboutDlg(HINSTANCE resources) : CDialog(resources, kAboutTemplate) {}

 protected:
  BOOL OnInitDialog() override;
};

// An edit control that does not select all its text when the focus moves into it.
class CNoSelEdit : public win::CControl {
 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class CTextViewDlg : public win::CDialog {
 public:
  explicit CTextViewDlg(HINSTANCE resources) : CDialog(resources, kTextViewTemplate) {}

  // 0 for the signature (500 characters), 1 for any other long text (10000).
  void SetMode(uint16_t mode) { m_mode = mode; }
  // The text shown at the start; line feeds as line breaks.
  void SetText(std::u16string text) { m_text = std::move(text); }
  // After IDOK the edited text with line feeds as line breaks; otherwise the text given.
  const std::u16string& GetText() const { return m_text; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnFinalMessage() override { m_font.reset(); }
  // Replaces the edit's text with the file's; a file that cannot be read is reported and the text
  // stays. The Load button's step after the open dialog.
  void LoadFromFile(const std::u16string& path);

 private:
  void OnLoad();
  void OnTextChanged();

  CNoSelEdit m_edit;
  std::u16string m_text;
  uint16_t m_mode = 0;
  win::UniqueFont m_font;
  bool m_cutting = false;
};

}  // namespace orvel::ui
