#include "ui/dialogs/text_dialogs.h"

#include <climits>
#include <string_view>
#include <vector>

#include "settings/line_ends.h"
#include "settings/settings_file.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/dialogs/text_logic.h"

namespace orvel::ui {

namespace {}  // namespace

std::u16string SystemAnsiText(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int count = bytes.size() > INT_MAX ? INT_MAX : static_cast<int>(bytes.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), count, wide.data(), length);
  return win::FromWide(wide);
}

std::u16string FileVersionText(const std::u16string& path) {
  const std::wstring file = win::AsWide(path);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return kNoVersionText;
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return kNoVersionText;
  void* block = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(data.data(), L"\\", &block, &length) || !block || length < sizeof(VS_FIXEDFILEINFO)) {
    return kNoVersionText;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(block);
  return VersionText(info->dwFileVersionMS, info->dwFileVersionLS);
}

BOOL CAboutDlg::OnInitDialog() {
  SetItemText(kAboutVersionLabel,
              App().LoadResString(kVersionLabelText, true) + u" " + FileVersionText(GetModulePath()));
  return TRUE;
}

bool CNoSelEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_GETDLGCODE) return false;
  result = CallControl(message, wParam, lParam) & ~static_cast<LRESULT>(DLGC_HASSETSEL);
  return true;
}

BOOL CTextViewDlg::OnInitDialog() {
  const TextViewMode& mode = TextViewModeOf(m_mode);
  ::SetWindowTextW(Handle(), win::AsWide(App().LoadResString(mode.captionId, true)).c_str());
  m_edit.AttachItem(Handle(), kTextEdit);
  if (!mode.cutOnChange) SendItem(kTextEdit, EM_LIMITTEXT, mode.limit);
  m_font.reset(::CreateFontW(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             L"Courier New"));
  if (m_font) SendItem(kTextEdit, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
  m_cutting = true;  // the text given is shown as it is
  SetItemText(kTextEdit, NormalizeLineEnds(m_text));
  m_cutting = false;
  return TRUE;
}

bool CTextViewDlg::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case kTextEdit:
      if (code == EN_CHANGE) OnTextChanged();
      return code == EN_CHANGE;
    case kLoadOrBrowseButton:
      OnLoad();
      return true;
    case kHelpButton:
      App().ShowHelp(Handle(), TextViewModeOf(m_mode).helpContext);
      return true;
    case IDOK:
      m_text = UnifyLineEnds(ItemText(kTextEdit));
      EndDialog(IDOK);
      return true;
    default:
      return false;
  }
}

void CTextViewDlg::OnTextChanged() {
  const TextViewMode& mode = TextViewModeOf(m_mode);
  if (!mode.cutOnChange || m_cutting) return;
  std::u16string text = ItemText(kTextEdit);
  DWORD start = 0, end = 0;
  SendItem(kTextEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  size_t caret = end;
  if (!CutToLimit(text, caret, mode.limit)) return;
  m_cutting = true;
  SetItemText(kTextEdit, text);
  SendItem(kTextEdit, EM_SETSEL, caret, static_cast<LPARAM>(caret));
  SendItem(kTextEdit, EM_SCROLLCARET);
  m_cutting = false;
}

void CTextViewDlg::OnLoad() {
  win::FileDialogOptions options;
  options.owner = Handle();
  options.filter = App().LoadResString(kAllFilesFilterText, true) + u" (*.*)|*.*||";
  options.fileName = u"*.*";
  std::vector<std::u16string> paths;
  if (win::OpenFileDialog(options, paths) != IDOK || paths.empty()) return;
  LoadFromFile(paths.front());
}

void CTextViewDlg::LoadFromFile(const std::u16string& path) {
  std::string bytes;
  std::u16string error;
  if (!ReadFileBytes(path, bytes, error)) {
    App().ShowMessage(Handle(), error, MB_ICONEXCLAMATION);
    return;
  }
  m_cutting = true;  // the loaded text is cut already
  SetItemText(kTextEdit, LoadedEditText(bytes, m_mode, SystemAnsiText));
  m_cutting = false;
}

}  // namespace orvel::ui
