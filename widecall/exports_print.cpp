// Printing: the print and page-setup dialogs, device modes, ports, printers and printer DCs.
// clang-format off
#include <windows.h>
#include <commdlg.h>  // needs windows.h first
#include <winspool.h>
// clang-format on

#include <cstring>

#include "exports.h"
#include "print_records.h"

using namespace ambrel;

namespace {

#ifndef _WIN64
static_assert(sizeof(PRINTDLGA) == 66 && sizeof(PRINTDLGW) == 66);
static_assert(sizeof(PAGESETUPDLGA) == 84 && sizeof(PAGESETUPDLGW) == 84);
static_assert(sizeof(PORT_INFO_1W) == 4 && sizeof(PORT_INFO_2W) == 20);
#endif
static_assert(sizeof(PRINTDLGA) == sizeof(PRINTDLGW) && sizeof(PAGESETUPDLGA) == sizeof(PAGESETUPDLGW));

constexpr DWORD kPrintTemplateHandles = PD_ENABLEPRINTTEMPLATEHANDLE | PD_ENABLESETUPTEMPLATEHANDLE;

// The bytes of a caller's dialog record that both forms share: its own size, at most the record's.
DWORD RecordBytes(DWORD callerSize, DWORD recordSize) {
  return callerSize < recordSize ? callerSize : recordSize;
}

// What the print and the page set-up dialog differ in: their records, the system's two functions,
// the device handles kept for them, and the template names and handles their records carry. A
// template name goes through the code page; a template handle does not pass on 95/98, so the
// ANSI record has none and the caller's record keeps its own.
struct PrintDialog {
  using Wide = PRINTDLGW;
  using Ansi = PRINTDLGA;
  static BOOL System(Wide* record) { return PrintDlgW(record); }
  static BOOL System(Ansi* record) { return PrintDlgA(record); }
  static DeviceHandlePair& Handles() { return PrintDialogHandles(); }
  static void TemplatesToAnsi(ScratchList& list, const Wide& wide, Ansi& ansi) {
    ansi.lpPrintTemplateName =
        (ansi.Flags & PD_ENABLEPRINTTEMPLATE) ? A(list, wide.lpPrintTemplateName) : nullptr;
    ansi.lpSetupTemplateName =
        (ansi.Flags & PD_ENABLESETUPTEMPLATE) ? A(list, wide.lpSetupTemplateName) : nullptr;
    ansi.hPrintTemplate = nullptr;
    ansi.hSetupTemplate = nullptr;
    ansi.Flags &= ~kPrintTemplateHandles;
  }
  static void CallersTemplates(const Wide& wide, Wide& result) {
    result.lpPrintTemplateName = wide.lpPrintTemplateName;
    result.lpSetupTemplateName = wide.lpSetupTemplateName;
    result.hPrintTemplate = wide.hPrintTemplate;
    result.hSetupTemplate = wide.hSetupTemplate;
    result.Flags |= wide.Flags & kPrintTemplateHandles;
  }
};

struct PageSetupDialog {
  using Wide = PAGESETUPDLGW;
  using Ansi = PAGESETUPDLGA;
  static BOOL System(Wide* record) { return PageSetupDlgW(record); }
  static BOOL System(Ansi* record) { return PageSetupDlgA(record); }
  static DeviceHandlePair& Handles() { return PageSetupHandles(); }
  static void TemplatesToAnsi(ScratchList& list, const Wide& wide, Ansi& ansi) {
    ansi.lpPageSetupTemplateName =
        (ansi.Flags & PSD_ENABLEPAGESETUPTEMPLATE) ? A(list, wide.lpPageSetupTemplateName) : nullptr;
    ansi.hPageSetupTemplate = nullptr;
    ansi.Flags &= ~PSD_ENABLEPAGESETUPTEMPLATEHANDLE;
  }
  static void CallersTemplates(const Wide& wide, Wide& result) {
    result.lpPageSetupTemplateName = wide.lpPageSetupTemplateName;
    result.hPageSetupTemplate = wide.hPageSetupTemplate;
    result.Flags |= wide.Flags & PSD_ENABLEPAGESETUPTEMPLATEHANDLE;
  }
};

// The dialog on its ANSI record: the caller's record copied as far as both forms share it, the
// device mode and names through the kept pair, and the chosen ones handed back in the wide form.
template <class Dialog>
BOOL RunDeviceDialog(typename Dialog::Wide* wide) {
  if (!UseAnsi()) return Dialog::System(wide);
  if (!wide) return Dialog::System(static_cast<typename Dialog::Ansi*>(nullptr));
  DeviceHandlePair& pair = Dialog::Handles();
  ScratchList list;
  typename Dialog::Ansi ansi{};
  DWORD bytes = RecordBytes(wide->lStructSize, sizeof(ansi));
  std::memcpy(&ansi, wide, bytes);
  ansi.lStructSize = bytes;
  ansi.hDevMode = pair.AnsiDevModeFor(wide->hDevMode);
  ansi.hDevNames = pair.AnsiDevNamesFor(wide->hDevNames);
  Dialog::TemplatesToAnsi(list, *wide, ansi);
  if (!Dialog::System(&ansi)) return FALSE;
  typename Dialog::Wide result{};
  std::memcpy(&result, &ansi, bytes);
  result.lStructSize = wide->lStructSize;
  Dialog::CallersTemplates(*wide, result);
  pair.Adopt(ansi.hDevMode, ansi.hDevNames);
  result.hDevMode = pair.MakeWideDevMode();
  result.hDevNames = pair.MakeWideDevNames();
  std::memcpy(wide, &result, bytes);
  return TRUE;
}

}  // namespace

AMBREL_EXPORT(BOOL) Amb_PrintDlgW(LPPRINTDLGW wide) { return RunDeviceDialog<PrintDialog>(wide); }

AMBREL_EXPORT(BOOL) Amb_PageSetupDlgW(LPPAGESETUPDLGW wide) { return RunDeviceDialog<PageSetupDialog>(wide); }

// The wide device mode is 64 bytes longer than the ANSI one: its two names take twice the room.
constexpr LONG kWideDevModeExtra = sizeof(WideDevMode) - sizeof(AnsiDevMode);
static_assert(kWideDevModeExtra == 64);

AMBREL_EXPORT(LONG)
Amb_DocumentPropertiesW(HWND window, HANDLE printer, LPWSTR device, PDEVMODEW output, PDEVMODEW input,
                        DWORD mode) {
  if (!UseAnsi()) return DocumentPropertiesW(window, printer, device, output, input, mode);
  ScratchList list;
  auto* name = const_cast<LPSTR>(A(list, device));
  LONG ansiSize = DocumentPropertiesA(window, printer, name, nullptr, nullptr, 0);
  if (mode == 0) return ansiSize > 0 ? ansiSize + kWideDevModeExtra : ansiSize;
  if (ansiSize <= 0) return ansiSize;
  AnsiDevMode* in = (mode & DM_IN_BUFFER) ? AnsiDevModeCopy(list, input) : nullptr;
  AnsiDevMode* out = nullptr;
  if ((mode & DM_OUT_BUFFER) && output) {
    out = static_cast<AnsiDevMode*>(list.Alloc(static_cast<size_t>(ansiSize) + sizeof(AnsiDevMode)));
    if (!out) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return -1;
    }
    out->size = sizeof(AnsiDevMode);
  }
  LONG result = DocumentPropertiesA(window, printer, name, reinterpret_cast<PDEVMODEA>(out),
                                    reinterpret_cast<PDEVMODEA>(in), mode);
  // The caller's block is the size the query gave it: the wide public part and the driver's data.
  if (result == IDOK && out)
    DevModeAToWideBlock(*out, output, static_cast<size_t>(ansiSize) + kWideDevModeExtra);
  return result;
}

namespace {

// Each text of the ANSI port records, widened into the caller's buffer after the records.
class PortTexts {
 public:
  void Count(const char* text) { m_units += text ? static_cast<DWORD>(AnsiToWide(text, -1, nullptr, 0)) : 0; }
  DWORD Bytes() const { return m_units * sizeof(wchar_t); }
  void Start(wchar_t* at) { m_next = at; }
  LPWSTR Put(const char* text) {
    if (!text) return nullptr;
    LPWSTR placed = m_next;
    m_next += AnsiToWide(text, -1, placed, 0x7FFFFFFF);
    return placed;
  }

 private:
  DWORD m_units = 0;
  wchar_t* m_next = nullptr;
};

}  // namespace

AMBREL_EXPORT(BOOL)
Amb_EnumPortsW(LPWSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
  if (!UseAnsi()) return EnumPortsW(server, level, buffer, size, needed, returned);
  if (level > 2) {
    SetLastError(static_cast<DWORD>(E_NOTIMPL));
    return FALSE;
  }
  ScratchList list;
  auto* name = const_cast<LPSTR>(A(list, server));
  if (level == 0 || !needed || !returned) return EnumPortsA(name, level, buffer, size, needed, returned);
  DWORD ansiSize = 0;
  DWORD count = 0;
  BYTE* ansi = nullptr;
  if (!EnumPortsA(name, level, nullptr, 0, &ansiSize, &count)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return FALSE;
    ansi = static_cast<BYTE*>(list.Alloc(ansiSize));
    if (!ansi) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return FALSE;
    }
    if (!EnumPortsA(name, level, ansi, ansiSize, &ansiSize, &count)) return FALSE;
  }
  const auto* ports1 = reinterpret_cast<const PORT_INFO_1A*>(ansi);
  const auto* ports2 = reinterpret_cast<const PORT_INFO_2A*>(ansi);
  PortTexts texts;
  for (DWORD i = 0; i < count; ++i) {
    if (level == 1) {
      texts.Count(ports1[i].pName);
    } else {
      texts.Count(ports2[i].pPortName);
      texts.Count(ports2[i].pMonitorName);
      texts.Count(ports2[i].pDescription);
    }
  }
  DWORD records = count * (level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W));
  *needed = records + texts.Bytes();
  *returned = count;
  if (!buffer || size < *needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  texts.Start(reinterpret_cast<wchar_t*>(buffer + records));
  for (DWORD i = 0; i < count; ++i) {
    if (level == 1) {
      reinterpret_cast<PORT_INFO_1W*>(buffer)[i].pName = texts.Put(ports1[i].pName);
    } else {
      PORT_INFO_2W& port = reinterpret_cast<PORT_INFO_2W*>(buffer)[i];
      port.pPortName = texts.Put(ports2[i].pPortName);
      port.pMonitorName = texts.Put(ports2[i].pMonitorName);
      port.pDescription = texts.Put(ports2[i].pDescription);
      port.fPortType = ports2[i].fPortType;
      port.Reserved = ports2[i].Reserved;
    }
  }
  return TRUE;
}

AMBREL_EXPORT(BOOL) Amb_OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  if (!UseAnsi()) return OpenPrinterW(name, printer, defaults);
  ScratchList list;
  PRINTER_DEFAULTSA ansi{};
  if (defaults) {
    ansi.pDatatype = const_cast<LPSTR>(A(list, defaults->pDatatype));
    ansi.pDevMode = reinterpret_cast<LPDEVMODEA>(AnsiDevModeCopy(list, defaults->pDevMode));
    ansi.DesiredAccess = defaults->DesiredAccess;
  }
  return OpenPrinterA(const_cast<LPSTR>(A(list, name)), printer, defaults ? &ansi : nullptr);
}

AMBREL_EXPORT(DWORD) Amb_StartDocPrinterW(HANDLE printer, DWORD level, LPBYTE info) {
  if (!UseAnsi()) return StartDocPrinterW(printer, level, info);
  if (level != 1 || !info) {
    // The 95/98/ME family knows the level-1 document only.
    SetLastError(level != 1 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
    return 0;
  }
  ScratchList list;
  const auto* wide = reinterpret_cast<const DOC_INFO_1W*>(info);
  DOC_INFO_1A ansi{};
  ansi.pDocName = const_cast<LPSTR>(A(list, wide->pDocName));
  ansi.pOutputFile = const_cast<LPSTR>(A(list, wide->pOutputFile));
  ansi.pDatatype = const_cast<LPSTR>(A(list, wide->pDatatype));
  return StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&ansi));
}

AMBREL_EXPORT(HDC) Amb_CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* mode) {
  if (!UseAnsi()) return CreateDCW(driver, device, port, mode);
  ScratchList list;
  // The port is long obsolete; the 95/98/ME family finds it from the device.
  return CreateDCA(A(list, driver), A(list, device), nullptr,
                   reinterpret_cast<const DEVMODEA*>(AnsiDevModeCopy(list, mode)));
}

AMBREL_EXPORT(HDC) Amb_CreateICW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* mode) {
  if (!UseAnsi()) return CreateICW(driver, device, port, mode);
  ScratchList list;
  return CreateICA(A(list, driver), A(list, device), A(list, port),
                   reinterpret_cast<const DEVMODEA*>(AnsiDevModeCopy(list, mode)));
}

AMBREL_EXPORT(HDC) Amb_ResetDCW(HDC dc, const DEVMODEW* mode) {
  if (!UseAnsi()) return ResetDCW(dc, mode);
  ScratchList list;
  return ResetDCA(dc, reinterpret_cast<const DEVMODEA*>(AnsiDevModeCopy(list, mode)));
}

AMBREL_EXPORT(int) Amb_StartDocW(HDC dc, const DOCINFOW* info) {
  if (!UseAnsi()) return StartDocW(dc, info);
  if (!info) return StartDocA(dc, nullptr);
  ScratchList list;
  DOCINFOA ansi{};
  ansi.cbSize = sizeof(ansi);
  ansi.lpszDocName = A(list, info->lpszDocName);
  ansi.lpszOutput = A(list, info->lpszOutput);
  ansi.lpszDatatype = A(list, info->lpszDatatype);
  ansi.fwType = info->fwType;
  return StartDocA(dc, &ansi);
}
