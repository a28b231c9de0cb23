// TEMPORARY stand-ins of the in-place editors, for the settings tree's own build and tests until
// the editors' implementation (inplace_editors.cpp) is merged; delete this file then. Plain system
// controls: Enter ends the edit, Esc cancels it, the focus leaving ends it (cancelled unless it
// went to the tree).
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <functional>

#include "settings/settings_host.h"
#include "settings/settings_validate.h"
#include "support/win/wide.h"
#include "ui/tree/inplace_editors.h"

namespace orvel::ui {

class CIPAddressCtrlEx::CField : public win::CControl {};

namespace {

std::u16string WindowText(HWND window) {
  int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return win::FromWide(text);
}

// Enter, Esc and the focus rules of every stand-in; true when handled.
bool CommonKeys(UINT message, WPARAM wParam, LRESULT& result, const std::function<void(bool)>& end) {
  switch (message) {
    case WM_GETDLGCODE:
      result = DLGC_WANTALLKEYS;
      return true;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
        end(wParam == VK_ESCAPE);
        result = 0;
        return true;
      }
      return false;
    case WM_CHAR:
      if (wParam == L'\r' || wParam == 27) {
        result = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace

void CInplaceEditor::Close() {
  if (HWND window = Handle()) ::DestroyWindow(window);
}

void CInplaceEditor::EndEdit(bool cancel) {
  if (m_ending) return;
  m_ending = true;
  if (cancel) m_cancelled = true;
  if (m_owner) ::SendMessageW(m_owner, kCommitEditMessage, 0, 0);
}

#define ORVEL_STUB_HANDLE(Class)                                                          \
  bool Class::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {       \
    if (message == WM_KILLFOCUS) {                                                        \
      EndEdit(reinterpret_cast<HWND>(wParam) != m_owner);                                 \
      return false;                                                                       \
    }                                                                                     \
    return CommonKeys(message, wParam, result, [this](bool cancel) { EndEdit(cancel); }); \
  }

ORVEL_STUB_HANDLE(CInplaceEdit)
ORVEL_STUB_HANDLE(CInplaceNumberEdit)
ORVEL_STUB_HANDLE(CInplaceValueEdit)
ORVEL_STUB_HANDLE(CInplaceCombo)

namespace {
template <typename Editor>
bool OpenEdit(Editor& editor, HWND tree, const RECT& rect, DWORD style, size_t limit,
              std::u16string_view text) {
  if (!editor.Create(L"EDIT", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | style, 0, rect, tree,
                     kInplaceEditId, win::AsWide(std::u16string(text)).c_str()))
    return false;
  ::SendMessageW(editor.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                 0);
  ::SendMessageW(editor.Handle(), EM_LIMITTEXT, limit, 0);
  ::SendMessageW(editor.Handle(), EM_SETSEL, 0, -1);
  ::SetFocus(editor.Handle());
  return true;
}
}  // namespace

bool CInplaceEdit::Open(HWND tree, const RECT& rect, Mode mode, uint32_t nodeType, size_t limit,
                        std::u16string_view text) {
  m_owner = tree;
  m_cancelled = m_ending = false;
  m_mode = mode;
  m_nodeType = nodeType;
  const bool password = mode == kPassword || mode == kConfirmPassword;
  return OpenEdit(*this, tree, rect, password ? ES_PASSWORD : 0, limit, password ? u"" : text);
}
std::u16string CInplaceEdit::Text() const { return WindowText(Handle()); }
bool CInplaceEdit::CheckText(std::u16string_view text) const {
  if (m_mode == kEmail) return IsValidEmailAddress(text);
  if (m_mode == kPlain && m_nodeType == 13) return IsValidHostName(text);
  return true;
}

bool CInplaceNumberEdit::Open(HWND tree, const RECT& rect, size_t limit, std::u16string_view text) {
  m_owner = tree;
  m_cancelled = m_ending = false;
  return OpenEdit(*this, tree, rect, ES_NUMBER, limit, text);
}
std::u16string CInplaceNumberEdit::Text() const { return WindowText(Handle()); }
std::u16string CInplaceNumberEdit::Clamp(uint32_t low, uint32_t high) {
  uint64_t value = std::clamp<uint64_t>(LeadingDecimalValue(Text()), low, high);
  std::u16string text = DecimalText(value);
  ::SetWindowTextW(Handle(), win::AsWide(text).c_str());
  return text;
}

bool CInplaceValueEdit::Open(HWND tree, const RECT& rect, uint32_t nodeType, size_t limit,
                             std::u16string_view text) {
  m_owner = tree;
  m_cancelled = m_ending = false;
  SetType(nodeType);
  return OpenEdit(*this, tree, rect, 0, limit, text);
}
std::u16string CInplaceValueEdit::Text() const { return WindowText(Handle()); }
void CInplaceValueEdit::SetType(uint32_t nodeType) {
  m_nodeType = nodeType;
  m_allowed = nodeType == 1 ? std::u16string() : std::u16string(GetPhoneCharset(nodeType));
}

bool CInplaceCombo::Open(HWND tree, const RECT& valueColumn, const std::vector<std::u16string>& choices,
                         std::u16string_view shown, bool freeText) {
  m_owner = tree;
  m_cancelled = m_ending = false;
  m_choices = choices;
  RECT rect = valueColumn;
  rect.bottom += 200;
  if (!Create(L"COMBOBOX", WS_CHILD | WS_VISIBLE | WS_VSCROLL | (freeText ? CBS_DROPDOWN : CBS_DROPDOWNLIST),
              0, rect, tree, kInplaceComboId))
    return false;
  for (const std::u16string& choice : choices) {
    std::u16string show =
        choice.substr(choice.find(u'\n') == std::u16string::npos ? 0 : choice.find(u'\n') + 1);
    LRESULT index =
        ::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::AsWide(show).c_str()));
    if (show == shown) ::SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  ::SetFocus(Handle());
  ::SendMessageW(Handle(), CB_SHOWDROPDOWN, TRUE, 0);
  return true;
}
std::u16string CInplaceCombo::Text() const { return WindowText(Handle()); }
bool CInplaceCombo::StoredChoice(std::u16string& stored) const {
  const std::u16string text = Text();
  for (const std::u16string& choice : m_choices) {
    size_t cut = choice.find(u'\n');
    if ((cut == std::u16string::npos ? choice : choice.substr(cut + 1)) == text) {
      stored = cut == std::u16string::npos ? choice : choice.substr(0, cut);
      return true;
    }
  }
  return false;
}

CIPAddressCtrlEx::CIPAddressCtrlEx() = default;
CIPAddressCtrlEx::~CIPAddressCtrlEx() = default;
bool CIPAddressCtrlEx::Open(HWND tree, const RECT& rect, std::u16string_view address) {
  m_owner = tree;
  m_cancelled = m_ending = false;
  if (!Create(WC_IPADDRESSW, WS_CHILD | WS_VISIBLE, 0, rect, tree, kInplaceAddressId)) return false;
  SetAddressText(address);
  m_editStarted = true;
  ::SetFocus(Handle());
  return true;
}
std::u16string CIPAddressCtrlEx::AddressText() const {
  DWORD address = 0;
  ::SendMessageW(Handle(), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  return DecimalText(FIRST_IPADDRESS(address)) + u"." + DecimalText(SECOND_IPADDRESS(address)) + u"." +
         DecimalText(THIRD_IPADDRESS(address)) + u"." + DecimalText(FOURTH_IPADDRESS(address));
}
void CIPAddressCtrlEx::SetFieldRange(int field, int low, int high) {
  m_low[field] = static_cast<uint8_t>(low);
  m_high[field] = static_cast<uint8_t>(high);
  ::SendMessageW(Handle(), IPM_SETRANGE, static_cast<WPARAM>(field),
                 MAKEIPRANGE(m_low[field], m_high[field]));
}
void CIPAddressCtrlEx::SetAddressText(std::u16string_view text) {
  int parts[4] = {0, 0, 0, 0};
  size_t at = 0;
  for (int& part : parts) {
    part = static_cast<int>(
        std::min<uint64_t>(LeadingDecimalValue(text.substr(std::min(at, text.size()))), 255));
    at = text.find(u'.', at);
    if (at == std::u16string_view::npos) break;
    ++at;
  }
  ::SendMessageW(Handle(), IPM_SETADDRESS, 0, MAKEIPADDRESS(parts[0], parts[1], parts[2], parts[3]));
}
bool CIPAddressCtrlEx::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  return CommonKeys(message, wParam, result, [this](bool cancel) { EndEdit(cancel); });
}
bool CIPAddressCtrlEx::OnReflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

}  // namespace orvel::ui
