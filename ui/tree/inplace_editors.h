// The in-place editors of the settings tree: small child windows over an item's value column. The
// tree opens one, the operator types or picks, and the editor tells the tree that the edit ends
// (Enter, Esc, or the focus went elsewhere) with kCommitEditMessage; the tree then reads the value,
// stores it unless the editor was cancelled, and closes the editor.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/win/window.h"

namespace orvel::ui {

// Sent (not posted) by an editor to its owner tree: the edit ends, the tree commits.
inline constexpr UINT kCommitEditMessage = WM_USER + 1;

inline constexpr int kInplaceEditId = 10004;
inline constexpr int kInplaceComboId = 10007;
inline constexpr int kInplaceAddressId = 10009;

// What every editor shares: the owner tree and the cancelled flag. Esc sets the flag; the focus
// going anywhere but the tree (or the editor's own inner windows) sets it too, so that the tree's
// commit stores nothing and only closes the editor.
class CInplaceEditor : public win::CControl {
 public:
  bool IsOpen() const { return Handle() != nullptr; }
  bool Cancelled() const { return m_cancelled; }
  void ClearCancelled() { m_cancelled = false; }
  // Destroys the editor's window; nothing is stored.
  void Close();

 protected:
  // An inner window of an editor (the combo box's edit field, an IP address field), subclassed so
  // that its keys and focus changes reach the editor's OnPartMessage.
  class CPart;

  // The edit ends: with `cancel` nothing is to be stored. Tells the owner once per edit.
  void EndEdit(bool cancel);
  // The owner, the flags and the owner's font for a window just created.
  void BeginEdit(HWND tree);
  // Creates the edit control of a text, number or value editor (id 10004, bordered, scrolling,
  // plus `style`; a password echoes "*") with the text selected, and gives it the focus.
  bool OpenEdit(HWND tree, const RECT& rect, DWORD style, size_t limit, std::u16string_view text);
  // The keys and focus rules that every editor window (the editor or one of its parts) shares:
  // Enter, Esc, the dialog-code query (the editor wants every key, not the dialog manager) and the
  // loss of the focus. `callBase` passes the message on to that window's own procedure.
  template <typename CallBase>
  bool HandleCommon(UINT message, WPARAM wParam, LRESULT& result, CallBase callBase);
  // The focus went to `to`: to the owner the edit ends and is stored, to a window that is not the
  // editor's own it ends cancelled.
  void FocusLeft(HWND to);
  // The editor's own windows: the editor and its children (a combo box adds its list).
  virtual bool IsOwnWindow(HWND window) const;
  // A message of a part; true when handled.
  virtual bool OnPartMessage(CPart& part, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  HWND m_owner = nullptr;
  bool m_cancelled = false;
  bool m_ending = false;
};

// Text, host, e-mail and password values.
class CInplaceEdit : public CInplaceEditor {
 public:
  enum Mode : uint16_t { kEmail = 0, kPlain = 1, kConfirmPassword = 2, kPassword = 3 };
  // Opens over `rect` (tree client coordinates) with the text selected; the password modes echo
  // "*" and start empty.
  bool Open(HWND tree, const RECT& rect, Mode mode, uint32_t nodeType, size_t limit,
            std::u16string_view text);
  std::u16string Text() const;
  Mode GetMode() const { return m_mode; }
  // The check of the tree's commit: e-mail addresses in mode 0, host names for HTTPProxyServer (13)
  // in mode 1; everything else passes.
  bool CheckText(std::u16string_view text) const;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  Mode m_mode = kPlain;
  uint32_t m_nodeType = 0;
};

// Ports and numbers: digits only.
class CInplaceNumberEdit : public CInplaceEditor {
 public:
  bool Open(HWND tree, const RECT& rect, size_t limit, std::u16string_view text);
  std::u16string Text() const;
  // The text read as a decimal (saturating), kept within low..high and written back; the result.
  std::u16string Clamp(uint32_t low, uint32_t high);

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // The text changed (EN_CHANGE, reflected by the tree): what is not a digit goes.
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// Phone numbers: the characters of the node type's phone charset only.
class CInplaceValueEdit : public CInplaceEditor {
 public:
  bool Open(HWND tree, const RECT& rect, uint32_t nodeType, size_t limit, std::u16string_view text);
  std::u16string Text() const;
  void SetType(uint32_t nodeType);

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // The text changed (EN_CHANGE, reflected by the tree): what is not allowed goes.
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  uint32_t m_nodeType = 1;
  std::u16string m_allowed;
};

// Choices: a drop-down list (kind 13) or a drop-down with an edit field (kind 14). Each choice is
// "stored\nshown" or one text for both.
class CInplaceCombo : public CInplaceEditor {
 public:
  CInplaceCombo();
  ~CInplaceCombo() override;
  // Opens right-aligned in `valueColumn`, as wide as the widest shown choice plus 24 pixels, with
  // the choice that `shown` names selected, dropped down.
  bool Open(HWND tree, const RECT& valueColumn, const std::vector<std::u16string>& choices,
            std::u16string_view shown, bool freeText);
  std::u16string Text() const;
  // The stored part of the choice whose shown text equals the box's text; false when none does
  // (a free text that names no choice is not stored).
  bool StoredChoice(std::u16string& stored) const;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool IsOwnWindow(HWND window) const override;
  bool OnPartMessage(CPart& part, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  // Up on the first choice selects the last, Down on the last the first; true when it did.
  bool WrapSelection(WPARAM key);
  // The keys of the box and of its edit field.
  template <typename CallBase>
  bool HandleBoxMessage(UINT message, WPARAM wParam, LRESULT& result, CallBase callBase);

  std::vector<std::u16string> m_choices;
  bool m_freeText = false;
  std::unique_ptr<CPart> m_editField;  // the edit field of a free-text box
};

// IP addresses: the system's IP address control with a range per field.
class CIPAddressCtrlEx : public CInplaceEditor {
 public:
  CIPAddressCtrlEx();
  ~CIPAddressCtrlEx() override;
  // Opens with the fields filled from `address` (SetAddressText) and the edit started.
  bool Open(HWND tree, const RECT& rect, std::u16string_view address);
  // The four fields, "%d.%d.%d.%d".
  std::u16string AddressText() const;
  void SetFieldRange(int field, int low, int high);
  void SetAddressText(std::u16string_view text);
  void SetEditStarted(bool started) { m_editStarted = started; }

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnPartMessage(CPart& part, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  class CField;
  // Wraps the control's four inner fields, left to right (their control ids are not reliable).
  void WrapFields();
  HWND FieldWindow(int field) const;
  // The focus to the field, its text selected.
  void MoveToField(int field);
  void SetFieldValue(int field, int value);

  bool m_editStarted = false;
  // While a character typed into a field is handled: that field, the character, and whether its
  // change asked to move on to the next field.
  int m_typingField = -1;
  char16_t m_typed = 0;
  bool m_moveAfterTyping = false;
  // The field into which typing just moved on, where a "." is the separator already passed.
  int m_separatorDue = -1;
  uint8_t m_low[4] = {0, 0, 0, 0};
  uint8_t m_high[4] = {255, 255, 255, 255};
  uint8_t m_last[4] = {0, 0, 0, 0};
  std::vector<std::unique_ptr<CField>> m_fields;
};

}  // namespace orvel::ui
