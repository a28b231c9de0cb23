// The print dialog of the settings: the system's print dialog with the language library's template
// "IDD_CUSTOMPRINTDLG", whose three radio buttons choose all settings, the marked items or the
// created settings; the print dialog reached through the switching library; the printer settings
// that the main view keeps between dialogs; and printer device contexts made from them.
#pragma once

// clang-format off
#include <windows.h>
#include <commdlg.h>  // needs windows.h first
// clang-format on

#include <string>
#include <utility>

namespace orvel::ui {

// Device-mode and device-names blocks (global memory) that a print dialog handed back; freed with
// the object. On the 95/98 family they hold the ANSI forms (see PrintDlgShim).
class CPrinterSettings {
 public:
  CPrinterSettings() = default;
  CPrinterSettings(const CPrinterSettings&) = delete;
  CPrinterSettings& operator=(const CPrinterSettings&) = delete;
  ~CPrinterSettings() { Reset(nullptr, nullptr); }

  HGLOBAL DevMode() const { return m_devMode; }
  HGLOBAL DevNames() const { return m_devNames; }
  bool Empty() const { return !m_devNames; }
  // Takes over the blocks; the old ones are freed unless they are the same.
  void Reset(HGLOBAL devMode, HGLOBAL devNames);
  // Takes over a dialog record's blocks; the record's handles are cleared.
  void TakeFrom(PRINTDLGW& record);

 private:
  HGLOBAL m_devMode = nullptr;
  HGLOBAL m_devNames = nullptr;
};

// Whether the system is of the 95/98 family (or Win32s); asked once.
bool IsWin9xPlatform();

// The print dialog: on the NT family the switching library's "PrintDlgW", looked up by name in the
// loaded module; on the 95/98 family, or when that module or export is missing (then for good),
// the ANSI dialog with the template names converted for the call.
BOOL PrintDlgShim(PRINTDLGW* record);

// The default printer's name; false when there is none (no printer is installed).
bool GetDefaultPrinterName(std::wstring& name);

// A device context of the printer that the settings name, or of the default printer while they are
// empty (the print dialogs then start from it too); null when it cannot be made.
HDC CreatePrinterDC(const CPrinterSettings& settings);

class CCustomPrint {
 public:
  // Selection modes.
  static constexpr int kAllSettings = 0;
  static constexpr int kMarkedItems = 1;
  static constexpr int kCreatedSettings = 2;
  // Posted at the start: checks the mode's radio button once the system has checked its own.
  static constexpr UINT kCheckMode = WM_APP + 1;

  CCustomPrint(bool printSetupOnly, DWORD flags, HWND parent);
  CCustomPrint(const CCustomPrint&) = delete;
  CCustomPrint& operator=(const CCustomPrint&) = delete;
  ~CCustomPrint();

  // Starts from these printer settings (not owned; the dialog's answer replaces them on IDOK).
  void SetPrinter(const CPrinterSettings& settings);
  void SetSelectionMode(int mode);
  int SelectionMode() const { return m_mode; }
  bool IsCreatedOnly() const { return m_createdOnly; }

  // Runs the dialog on the modal stack: IDOK or IDCANCEL.
  INT_PTR DoModal();
  // After IDOK: the chosen printer's blocks move into the settings.
  void TakePrinter(CPrinterSettings& settings);
  const PRINTDLGW& Record() const { return m_record; }
  int Copies() const;
  bool PrintAll() const { return !(m_record.Flags & (PD_SELECTION | PD_PAGENUMS)); }
  bool PrintSelection() const { return (m_record.Flags & PD_SELECTION) != 0; }

 private:
  // The print dialog's messages (through the layer's hook).
  UINT_PTR OnHookMessage(HWND dialog, UINT message, WPARAM wParam);
  void CheckMode(HWND dialog) const;

  PRINTDLGW m_record = {};
  int m_mode = kCreatedSettings;
  bool m_createdOnly = true;
};

}  // namespace orvel::ui
