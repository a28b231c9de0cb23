#include "ui/tree/inplace_editors.h"

#include <commctrl.h>

#include <algorithm>

#include "settings/settings_host.h"
#include "settings/settings_schema.h"
#include "settings/settings_validate.h"
#include "support/win/wide.h"
#include "ui/tree/editor_logic.h"

namespace orvel::ui {

namespace {

// To a field of the IP address control: its text becomes the value in wParam.
constexpr UINT kSetFieldValueMessage = WM_APP + 1;
constexpr int kChoiceMargin = 24;
constexpr int kVisibleChoices = 8;

std::u16string TextOf(HWND window) {
  const int length = window ? ::GetWindowTextLengthW(window) : 0;
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return win::FromWide(text);
}

void SetTextOf(HWND window, std::u16string_view text) { ::SetWindowTextW(window, win::AsWide(text).c_str()); }

// The text of an edit after cleaning, with the caret at its end when something was removed.
template <typename Clean>
void CleanEditText(HWND edit, Clean clean) {
  std::u16string text = TextOf(edit);
  if (!clean(text)) return;
  SetTextOf(edit, text);
  const auto end = static_cast<LPARAM>(text.size());
  ::SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
}

bool IsTextChange(UINT message, WPARAM wParam) {
  return message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE;
}

}  // namespace

class CInplaceEditor::CPart : public win::CControl {
 public:
  CPart(CInplaceEditor& editor, int index) : m_editor(editor), m_index(index) { SetOwner(&editor); }
  int Index() const { return m_index; }
  LRESULT CallBase(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallControl(message, wParam, lParam);
  }

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    return m_editor.OnPartMessage(*this, message, wParam, lParam, result);
  }

 private:
  CInplaceEditor& m_editor;
  int m_index;
};

class CIPAddressCtrlEx::CField : public CInplaceEditor::CPart {
 public:
  using CPart::CPart;
};

// --- CInplaceEditor

void CInplaceEditor::Close() {
  // Destroying the focused window loses its focus: that is no end of an edit to report.
  m_ending = true;
  if (HWND window = Handle()) ::DestroyWindow(window);
}

void CInplaceEditor::EndEdit(bool cancel) {
  if (m_ending || !IsOpen()) return;
  // Set before the owner hears of it: the owner destroys the editor, whose focus changes reach
  // here again.
  m_ending = true;
  m_cancelled = cancel;
  ::SendMessageW(m_owner, kCommitEditMessage, 0, 0);
}

void CInplaceEditor::BeginEdit(HWND tree) {
  m_owner = tree;
  m_cancelled = false;
  m_ending = false;
  const LRESULT font = ::SendMessageW(tree, WM_GETFONT, 0, 0);
  ::SendMessageW(Handle(), WM_SETFONT, static_cast<WPARAM>(font), FALSE);
}

bool CInplaceEditor::OpenEdit(HWND tree, const RECT& rect, DWORD style, size_t limit,
                              std::u16string_view text) {
  if (!Create(L"EDIT", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | style, 0, rect, tree,
              kInplaceEditId))
    return false;
  BeginEdit(tree);
  if (style & ES_PASSWORD) ::SendMessageW(Handle(), EM_SETPASSWORDCHAR, L'*', 0);
  ::SendMessageW(Handle(), EM_SETLIMITTEXT, limit, 0);
  SetTextOf(Handle(), text);
  ::SendMessageW(Handle(), EM_SETSEL, 0, -1);
  ::SetFocus(Handle());
  return true;
}

template <typename CallBase>
bool CInplaceEditor::HandleCommon(UINT message, WPARAM wParam, LRESULT& result, CallBase callBase) {
  switch (message) {
    case WM_GETDLGCODE:
      result = callBase() | DLGC_WANTALLKEYS;
      return true;
    case WM_KEYDOWN:
      if (wParam != VK_RETURN && wParam != VK_ESCAPE) return false;
      result = 0;
      EndEdit(wParam == VK_ESCAPE);
      return true;
    case WM_CHAR:
      // Enter and Esc did their work on key-down; their characters would only beep.
      if (wParam != L'\r' && wParam != L'\n' && wParam != 0x1B) return false;
      result = 0;
      return true;
    case WM_KILLFOCUS:
      result = callBase();
      FocusLeft(reinterpret_cast<HWND>(wParam));
      return true;
    default:
      return false;
  }
}

void CInplaceEditor::FocusLeft(HWND to) {
  if (!IsOpen() || IsOwnWindow(to)) return;
  EndEdit(to != m_owner);
}

bool CInplaceEditor::IsOwnWindow(HWND window) const {
  return window && (window == Handle() || ::IsChild(Handle(), window));
}

bool CInplaceEditor::OnPartMessage(CPart&, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

// --- CInplaceEdit

bool CInplaceEdit::Open(HWND tree, const RECT& rect, Mode mode, uint32_t nodeType, size_t limit,
                        std::u16string_view text) {
  Close();
  m_mode = mode;
  m_nodeType = nodeType;
  const bool password = mode == kConfirmPassword || mode == kPassword;
  return OpenEdit(tree, rect, password ? ES_PASSWORD : 0, limit, password ? std::u16string_view() : text);
}

std::u16string CInplaceEdit::Text() const { return TextOf(Handle()); }

bool CInplaceEdit::CheckText(std::u16string_view text) const {
  if (m_mode == kEmail) return IsValidEmailAddress(text);
  if (m_mode == kPlain && m_nodeType == kHttpProxyServerType) return IsValidHostName(text);
  return true;
}

bool CInplaceEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_CHAR && SwallowsCharacter(m_nodeType, static_cast<char16_t>(wParam))) {
    result = 0;
    return true;
  }
  return HandleCommon(message, wParam, result, [&] { return CallControl(message, wParam, lParam); });
}

// --- CInplaceNumberEdit

bool CInplaceNumberEdit::Open(HWND tree, const RECT& rect, size_t limit, std::u16string_view text) {
  Close();
  return OpenEdit(tree, rect, 0, limit, text);
}

std::u16string CInplaceNumberEdit::Text() const { return TextOf(Handle()); }

std::u16string CInplaceNumberEdit::Clamp(uint32_t low, uint32_t high) {
  std::u16string text = DecimalText(ClampDecimal(Text(), low, high));
  if (IsOpen()) SetTextOf(Handle(), text);
  return text;
}

bool CInplaceNumberEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return HandleCommon(message, wParam, result, [&] { return CallControl(message, wParam, lParam); });
}

bool CInplaceNumberEdit::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (!IsTextChange(message, wParam)) return false;
  CleanEditText(Handle(), [](std::u16string& text) { return RemoveNonDigits(text); });
  result = 0;
  return true;
}

// --- CInplaceValueEdit

bool CInplaceValueEdit::Open(HWND tree, const RECT& rect, uint32_t nodeType, size_t limit,
                             std::u16string_view text) {
  Close();
  SetType(nodeType);
  return OpenEdit(tree, rect, 0, limit, text);
}

std::u16string CInplaceValueEdit::Text() const { return TextOf(Handle()); }

void CInplaceValueEdit::SetType(uint32_t nodeType) {
  m_nodeType = nodeType;
  m_allowed = nodeType == 1 ? std::u16string() : std::u16string(GetPhoneCharset(nodeType));
}

bool CInplaceValueEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return HandleCommon(message, wParam, result, [&] { return CallControl(message, wParam, lParam); });
}

bool CInplaceValueEdit::OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (!IsTextChange(message, wParam)) return false;
  CleanEditText(Handle(),
                [this](std::u16string& text) { return RemoveDisallowed(text, m_allowed, m_nodeType); });
  result = 0;
  return true;
}

// --- CInplaceCombo

CInplaceCombo::CInplaceCombo() : m_editField(std::make_unique<CPart>(*this, 0)) {}

CInplaceCombo::~CInplaceCombo() { Close(); }

bool CInplaceCombo::Open(HWND tree, const RECT& valueColumn, const std::vector<std::u16string>& choices,
                         std::u16string_view shown, bool freeText) {
  Close();
  m_choices = choices;
  m_freeText = freeText;

  // As wide as the widest shown choice in the tree's font, plus room for the button.
  int widest = 0;
  int lineHeight = 16;
  if (HDC dc = ::GetDC(tree)) {
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(tree, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font ? ::SelectObject(dc, font) : nullptr;
    TEXTMETRICW metrics = {};
    if (::GetTextMetricsW(dc, &metrics)) lineHeight = metrics.tmHeight + 2;
    for (const std::u16string& choice : m_choices) {
      const std::wstring text = win::AsWide(ChoiceShown(choice));
      widest = std::max(widest, win::TextWidth(dc, text.c_str(), static_cast<int>(text.size())));
    }
    if (previous) ::SelectObject(dc, previous);
    ::ReleaseDC(tree, dc);
  }
  const int width = widest + kChoiceMargin;
  const int rows = std::clamp(static_cast<int>(m_choices.size()), 1, kVisibleChoices);
  const RECT rect = {valueColumn.right - width, valueColumn.top, valueColumn.right,
                     valueColumn.bottom + rows * lineHeight + 2};

  const DWORD style =
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | (freeText ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST);
  if (!Create(L"COMBOBOX", style, 0, rect, tree, kInplaceComboId)) return false;
  BeginEdit(tree);
  for (const std::u16string& choice : m_choices) {
    const std::wstring text = win::AsWide(ChoiceShown(choice));
    ::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  const int selected = SelectedChoice(m_choices, shown, freeText);
  if (selected >= 0) {
    ::SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  } else if (freeText) {
    SetTextOf(Handle(), shown);
  }
  if (freeText) {
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    if (::GetComboBoxInfo(Handle(), &info)) m_editField->Attach(info.hwndItem);
  }
  ::SetFocus(Handle());
  ::SendMessageW(Handle(), CB_SHOWDROPDOWN, TRUE, 0);
  return true;
}

std::u16string CInplaceCombo::Text() const {
  if (m_freeText) return TextOf(Handle());
  const LRESULT selected = ::SendMessageW(Handle(), CB_GETCURSEL, 0, 0);
  if (selected < 0) return {};
  const LRESULT length = ::SendMessageW(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = ::SendMessageW(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(selected),
                                     reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return win::FromWide(text);
}

bool CInplaceCombo::StoredChoice(std::u16string& stored) const {
  return StoredChoiceFor(m_choices, Text(), stored);
}

bool CInplaceCombo::WrapSelection(WPARAM key) {
  const LRESULT count = ::SendMessageW(Handle(), CB_GETCOUNT, 0, 0);
  const LRESULT current = ::SendMessageW(Handle(), CB_GETCURSEL, 0, 0);
  LRESULT next;
  if (key == VK_UP && current == 0) {
    next = count - 1;
  } else if (key == VK_DOWN && count > 0 && current == count - 1) {
    next = 0;
  } else {
    return false;
  }
  ::SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(next), 0);
  return true;
}

bool CInplaceCombo::IsOwnWindow(HWND window) const {
  if (CInplaceEditor::IsOwnWindow(window)) return true;
  COMBOBOXINFO info = {};
  info.cbSize = sizeof(info);
  return window && ::GetComboBoxInfo(Handle(), &info) && (window == info.hwndList || window == info.hwndItem);
}

template <typename CallBase>
bool CInplaceCombo::HandleBoxMessage(UINT message, WPARAM wParam, LRESULT& result, CallBase callBase) {
  if (message == WM_KEYDOWN) {
    if ((wParam == VK_UP || wParam == VK_DOWN) && WrapSelection(wParam)) {
      result = 0;
      return true;
    }
    if (wParam == VK_RETURN) {
      // The box first closes its list and takes the choice the keys moved to.
      result = callBase();
      EndEdit(false);
      return true;
    }
  }
  return HandleCommon(message, wParam, result, callBase);
}

bool CInplaceCombo::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return HandleBoxMessage(message, wParam, result, [&] { return CallControl(message, wParam, lParam); });
}

bool CInplaceCombo::OnPartMessage(CPart& part, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return HandleBoxMessage(message, wParam, result, [&] { return part.CallBase(message, wParam, lParam); });
}

// --- CIPAddressCtrlEx

CIPAddressCtrlEx::CIPAddressCtrlEx() {
  for (int i = 0; i < 4; ++i) m_fields.push_back(std::make_unique<CField>(*this, i));
}

CIPAddressCtrlEx::~CIPAddressCtrlEx() { Close(); }

bool CIPAddressCtrlEx::Open(HWND tree, const RECT& rect, std::u16string_view address) {
  Close();
  m_editStarted = false;
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_INTERNET_CLASSES};
  ::InitCommonControlsEx(&classes);
  if (!Create(WC_IPADDRESSW, WS_CHILD | WS_VISIBLE, 0, rect, tree, kInplaceAddressId)) return false;
  BeginEdit(tree);
  WrapFields();
  for (int field = 0; field < 4; ++field) SetFieldRange(field, 0, 255);
  SetAddressText(address);
  ::SendMessageW(Handle(), IPM_SETFOCUS, 0, 0);
  if (HWND first = FieldWindow(0)) ::SendMessageW(first, EM_SETSEL, 0, -1);
  m_editStarted = true;
  return true;
}

void CIPAddressCtrlEx::WrapFields() {
  // Left to right: the fields' control ids cannot tell them apart (all four may have the same).
  std::vector<HWND> windows;
  for (HWND child = ::GetWindow(Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16] = {};
    ::GetClassNameW(child, name, static_cast<int>(std::size(name)));
    if (::lstrcmpiW(name, L"Edit") == 0) windows.push_back(child);
  }
  auto left = [](HWND window) {
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    return rect.left;
  };
  std::stable_sort(windows.begin(), windows.end(), [&](HWND a, HWND b) { return left(a) < left(b); });
  const LRESULT font = ::SendMessageW(Handle(), WM_GETFONT, 0, 0);
  for (size_t i = 0; i < m_fields.size(); ++i) {
    m_fields[i]->Detach();
    if (i < windows.size() && m_fields[i]->Attach(windows[i]) && font)
      ::SendMessageW(windows[i], WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  }
}

HWND CIPAddressCtrlEx::FieldWindow(int field) const {
  return field >= 0 && field < static_cast<int>(m_fields.size())
             ? m_fields[static_cast<size_t>(field)]->Handle()
             : nullptr;
}

void CIPAddressCtrlEx::MoveToField(int field) {
  if (HWND window = FieldWindow(field)) {
    ::SetFocus(window);
    ::SendMessageW(window, EM_SETSEL, 0, -1);
  }
}

void CIPAddressCtrlEx::SetFieldValue(int field, int value) {
  if (HWND window = FieldWindow(field))
    ::SendMessageW(window, kSetFieldValueMessage, static_cast<WPARAM>(value), 0);
}

std::u16string CIPAddressCtrlEx::AddressText() const {
  std::array<uint8_t, 4> fields = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    // The field's own text: a value typed beyond the range is not yet corrected while it has the
    // focus, and would spill into its neighbour in the control's packed address.
    const uint64_t value = std::min<uint64_t>(LeadingDecimalValue(TextOf(FieldWindow(i))), 0xFFFF);
    fields[static_cast<size_t>(i)] =
        static_cast<uint8_t>(CorrectFieldValue(static_cast<int64_t>(value), m_low[i], m_high[i]));
  }
  return FormatAddress(fields);
}

void CIPAddressCtrlEx::SetFieldRange(int field, int low, int high) {
  if (field < 0 || field > 3) return;
  m_low[field] = static_cast<uint8_t>(low);
  m_high[field] = static_cast<uint8_t>(high);
  if (IsOpen())
    ::SendMessageW(Handle(), IPM_SETRANGE, static_cast<WPARAM>(field),
                   MAKEIPRANGE(m_low[field], m_high[field]));
}

void CIPAddressCtrlEx::SetAddressText(std::u16string_view text) {
  const std::array<uint64_t, 4> values = ParseAddressFields(text);
  for (int i = 0; i < 4; ++i) {
    const uint64_t value = std::min<uint64_t>(values[static_cast<size_t>(i)], 0xFFFF);
    const int corrected = CorrectFieldValue(static_cast<int64_t>(value), m_low[i], m_high[i]);
    m_last[i] = static_cast<uint8_t>(corrected);
    SetFieldValue(i, corrected);
  }
}

bool CIPAddressCtrlEx::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_CHAR && wParam != L'\r' && wParam != 0x1B) {
    // A character given to the control (the tree passes on the one that opened it) goes to the
    // field that has the focus, as if typed there.
    HWND focus = ::GetFocus();
    HWND target = ::IsChild(Handle(), focus) ? focus : FieldWindow(0);
    result = target ? ::SendMessageW(target, message, wParam, lParam) : 0;
    return true;
  }
  if (message == WM_KILLFOCUS && !m_editStarted) return false;
  return HandleCommon(message, wParam, result, [&] { return CallControl(message, wParam, lParam); });
}

bool CIPAddressCtrlEx::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_NOTIFY) return false;
  auto* change = reinterpret_cast<NMIPADDRESS*>(lParam);
  if (change->hdr.code != IPN_FIELDCHANGED || change->iField < 0 || change->iField > 3) return false;
  result = 0;
  const int field = change->iField;
  if (change->iValue < 0) return true;  // an empty field
  const int value = CorrectFieldValue(change->iValue, m_low[field], m_high[field]);
  if (value != change->iValue) {
    change->iValue = value;
    SetFieldValue(field, value);
  }
  if (field < 3 && value != m_last[field]) {
    m_last[field] = static_cast<uint8_t>(value);
    // Only a change that typing made moves the focus on; one seen as the field loses the focus
    // (to the tree, say) must not pull the focus back.
    if (m_typingField == field) m_moveAfterTyping = true;
  }
  return true;
}

bool CIPAddressCtrlEx::OnPartMessage(CPart& part, UINT message, WPARAM wParam, LPARAM lParam,
                                     LRESULT& result) {
  auto callBase = [&] { return part.CallBase(message, wParam, lParam); };
  const int field = part.Index();
  if (message == kSetFieldValueMessage) {
    SetTextOf(part.Handle(), DecimalText(wParam));
    result = 0;
    return true;
  }
  if (message == WM_CHAR && wParam == L'.') {
    // Handled here rather than by the control, whose handling differs between systems.
    const bool due = m_separatorDue == field;
    m_separatorDue = -1;
    if (OnSeparator(field, due) == SeparatorAction::kNextField) MoveToField(field + 1);
    result = 0;
    return true;
  }
  if (message == WM_CHAR && wParam != L'\r' && wParam != L'\n' && wParam != 0x1B) {
    m_separatorDue = -1;
    m_typingField = field;
    m_typed = static_cast<char16_t>(wParam);
    m_moveAfterTyping = false;
    result = callBase();
    m_typingField = -1;
    const bool move = m_moveAfterTyping;
    m_moveAfterTyping = false;
    HWND window = part.Handle();
    if (!IsOpen() || !window) return true;
    if (move && ::GetFocus() == window &&
        MovesToNextField(field, true, m_typed, static_cast<size_t>(::GetWindowTextLengthW(window))))
      MoveToField(field + 1);
    // Typing completed the field and the focus went on (the control itself may move it, and then
    // not always with the next field's text selected): what is typed next replaces that text, and
    // a "." typed next is the separator of the completed field.
    if (HWND next = FieldWindow(field + 1); field < 3 && next && ::GetFocus() == next) {
      ::SendMessageW(next, EM_SETSEL, 0, -1);
      m_separatorDue = field + 1;
    }
    return true;
  }
  if (message == WM_KILLFOCUS && !m_editStarted) return false;
  return HandleCommon(message, wParam, result, callBase);
}

}  // namespace orvel::ui
