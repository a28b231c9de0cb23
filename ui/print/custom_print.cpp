#include "ui/print/custom_print.h"

#include <cwchar>
#include <string>

#include "support/win/dialog.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {

namespace {

constexpr wchar_t kTemplateName[] = L"IDD_CUSTOMPRINTDLG";

using PrintDlgWFunction = BOOL(WINAPI*)(PRINTDLGW*);

bool g_treatAs9x = false;

// A template name for the ANSI dialog: a resource number stays as it is.
std::string AnsiName(LPCWSTR name) {
  if (!name || IS_INTRESOURCE(name)) return {};
  int size = ::WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? static_cast<size_t>(size) : 1, '\0');
  if (size > 0) ::WideCharToMultiByte(CP_ACP, 0, name, -1, text.data(), size, nullptr, nullptr);
  return text;
}

LPCSTR AnsiPointer(LPCWSTR name, const std::string& converted) {
  if (!name) return nullptr;
  if (IS_INTRESOURCE(name)) return reinterpret_cast<LPCSTR>(name);
  return converted.c_str();
}

// The text at a device-names offset (in characters).
template <class Char>
const Char* NameAt(const DEVNAMES* names, WORD offset) {
  return reinterpret_cast<const Char*>(names) + offset;
}

}  // namespace

void CPrinterSettings::Reset(HGLOBAL devMode, HGLOBAL devNames) {
  if (m_devMode && m_devMode != devMode) ::GlobalFree(m_devMode);
  if (m_devNames && m_devNames != devNames) ::GlobalFree(m_devNames);
  m_devMode = devMode;
  m_devNames = devNames;
}

void CPrinterSettings::TakeFrom(PRINTDLGW& record) {
  // The dialog was handed the blocks held here: it reused or freed them.
  m_devMode = record.hDevMode;
  m_devNames = record.hDevNames;
  record.hDevMode = nullptr;
  record.hDevNames = nullptr;
}

bool IsWin9xPlatform() {
  static const bool family9x = [] {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!::GetVersionExW(&version)) return false;
    return version.dwPlatformId == VER_PLATFORM_WIN32s || version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  }();
  return family9x || g_treatAs9x;
}

BOOL PrintDlgShim(PRINTDLGW* record) {
  if (!IsWin9xPlatform()) {
    HMODULE library = ::GetModuleHandleW(L"Ambrel.dll");
    auto call = library ? reinterpret_cast<PrintDlgWFunction>(
                              reinterpret_cast<void*>(::GetProcAddress(library, "PrintDlgW")))
                        : nullptr;
    if (call) return call(record);
    g_treatAs9x = true;
  }
  // The records differ only in the text type of the two template names.
  const LPCWSTR printName = record->lpPrintTemplateName;
  const LPCWSTR setupName = record->lpSetupTemplateName;
  const std::string print = AnsiName(printName);
  const std::string setup = AnsiName(setupName);
  auto* ansi = reinterpret_cast<PRINTDLGA*>(record);
  ansi->lpPrintTemplateName = AnsiPointer(printName, print);
  ansi->lpSetupTemplateName = AnsiPointer(setupName, setup);
  BOOL result = ::PrintDlgA(ansi);
  record->lpPrintTemplateName = printName;
  record->lpSetupTemplateName = setupName;
  return result;
}

HDC CreatePrinterDC(const CPrinterSettings& settings) {
  if (settings.Empty()) {
    std::wstring name;
    return GetDefaultPrinterName(name) ? ::CreateDCW(L"WINSPOOL", name.c_str(), nullptr, nullptr) : nullptr;
  }
  auto* names = static_cast<const DEVNAMES*>(::GlobalLock(settings.DevNames()));
  if (!names) return nullptr;
  void* mode = settings.DevMode() ? ::GlobalLock(settings.DevMode()) : nullptr;
  HDC dc = nullptr;
  if (IsWin9xPlatform()) {
    dc = ::CreateDCA(NameAt<char>(names, names->wDriverOffset), NameAt<char>(names, names->wDeviceOffset),
                     NameAt<char>(names, names->wOutputOffset), static_cast<const DEVMODEA*>(mode));
  } else {
    dc = ::CreateDCW(NameAt<wchar_t>(names, names->wDriverOffset),
                     NameAt<wchar_t>(names, names->wDeviceOffset),
                     NameAt<wchar_t>(names, names->wOutputOffset), static_cast<const DEVMODEW*>(mode));
  }
  if (mode) ::GlobalUnlock(settings.DevMode());
  ::GlobalUnlock(settings.DevNames());
  return dc;
}

bool GetDefaultPrinterName(std::wstring& name) {
  // The default printer's name alone: the print dialog's own default answer has no ANSI path that
  // every system gives whole (Wine's fails on a driver without a path).
  DWORD size = 0;
  ::GetDefaultPrinterW(nullptr, &size);
  if (size == 0) return false;
  std::wstring text(size, L'\0');
  if (!::GetDefaultPrinterW(text.data(), &size)) return false;
  text.resize(std::wcslen(text.c_str()));
  name = text;
  return !name.empty();
}

CCustomPrint::CCustomPrint(bool printSetupOnly, DWORD flags, HWND parent) {
  m_record.lStructSize = sizeof m_record;
  m_record.hwndOwner = parent;
  m_record.Flags = flags | PD_NOPAGENUMS;
  if (printSetupOnly) {
    m_record.Flags |= PD_PRINTSETUP;
  } else {
    m_record.Flags |= PD_ENABLEPRINTTEMPLATE;
    m_record.hInstance = App().ResourceHandle();
    m_record.lpPrintTemplateName = kTemplateName;
  }
  m_record.nCopies = 1;
  m_record.nFromPage = m_record.nToPage = 1;
  m_record.nMinPage = m_record.nMaxPage = 1;
}

CCustomPrint::~CCustomPrint() = default;

void CCustomPrint::SetPrinter(const CPrinterSettings& settings) {
  m_record.hDevMode = settings.DevMode();
  m_record.hDevNames = settings.DevNames();
}

void CCustomPrint::SetSelectionMode(int mode) {
  if (mode < kAllSettings || mode > kCreatedSettings) mode = kCreatedSettings;
  m_mode = mode;
  m_createdOnly = mode == kCreatedSettings;
}

INT_PTR CCustomPrint::DoModal() {
  // The hook of the dialog that shows: the set-up dialog's, or the print dialog's own.
  const bool setup = (m_record.Flags & PD_PRINTSETUP) != 0;
  BOOL chosen = win::RunCommonDialog(
      [&](win::CommonDialogHook hook) {
        if (setup) {
          m_record.Flags |= PD_ENABLESETUPHOOK;
          m_record.lpfnSetupHook = hook;
        } else {
          m_record.Flags |= PD_ENABLEPRINTHOOK;
          m_record.lpfnPrintHook = hook;
        }
        return PrintDlgShim(&m_record);
      },
      [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> UINT_PTR {
        return setup ? 0 : OnHookMessage(dialog, message, wParam);
      });
  return chosen ? IDOK : IDCANCEL;
}

void CCustomPrint::TakePrinter(CPrinterSettings& settings) { settings.TakeFrom(m_record); }

int CCustomPrint::Copies() const { return m_record.nCopies < 1 ? 1 : m_record.nCopies; }

void CCustomPrint::CheckMode(HWND dialog) const {
  const int buttons[] = {kPrintAllButton, kPrintSelectionButton, kPrintCreatedButton};
  for (int i = 0; i < 3; ++i)
    ::SendDlgItemMessageW(dialog, buttons[i], BM_SETCHECK, i == m_mode ? BST_CHECKED : BST_UNCHECKED, 0);
}

UINT_PTR CCustomPrint::OnHookMessage(HWND dialog, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG:
      // The system checks its own buttons after this: the mode is shown once it has.
      ::PostMessageW(dialog, kCheckMode, 0, 0);
      return TRUE;
    case kCheckMode:
      CheckMode(dialog);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
          case kPrintAllButton:
            SetSelectionMode(kAllSettings);
            break;
          case kPrintSelectionButton:
            SetSelectionMode(kMarkedItems);
            break;
          case kPrintCreatedButton:
            SetSelectionMode(kCreatedSettings);
            break;
          default:  // the page range among them: accepted, it changes nothing
            break;
        }
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace orvel::ui
