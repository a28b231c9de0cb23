// Common dialogs, the OLE user-interface dialogs, property sheets and directory lists.
// clang-format off
#include <windows.h>
#include <cderr.h>
#include <commctrl.h>  // needs windows.h first
#include <commdlg.h>
#include <oledlg.h>
// clang-format on

#include <cstring>
#include <cwchar>
#include <memory>
#include <mutex>
#include <vector>

#include "exports.h"

using namespace ambrel;

namespace {

// The open/save record of the 95/98/ME family: the later systems' reserved fields are not there.
template <class Char>
struct OpenFileNameOf {
  DWORD structSize;
  HWND owner;
  HINSTANCE instance;
  const Char* filter;
  Char* customFilter;
  DWORD maxCustomFilter;
  DWORD filterIndex;
  Char* file;
  DWORD maxFile;
  Char* fileTitle;
  DWORD maxFileTitle;
  const Char* initialDir;
  const Char* title;
  DWORD flags;
  WORD fileOffset;
  WORD fileExtension;
  const Char* defaultExt;
  LPARAM custData;
  LPOFNHOOKPROC hook;
  const Char* templateName;
};
using AnsiOpenFileName = OpenFileNameOf<char>;
using WideOpenFileName = OpenFileNameOf<wchar_t>;
static_assert(sizeof(AnsiOpenFileName) == offsetof(OPENFILENAMEA, pvReserved));
static_assert(offsetof(WideOpenFileName, templateName) == offsetof(OPENFILENAMEW, lpTemplateName));
#ifndef _WIN64
static_assert(sizeof(AnsiOpenFileName) == 76);
static_assert(sizeof(CHOOSECOLORA) == 36);
#endif

// A list of texts ended by an empty one, in ANSI form.
const char* TextListToAnsi(ScratchList& list, const wchar_t* texts) {
  if (!texts) return nullptr;
  const wchar_t* end = texts;
  while (*end) end += std::wcslen(end) + 1;
  return WideToAnsiDup(list, texts, static_cast<int>(end - texts) + 1);
}

// The units of the first bytes of an ANSI text.
WORD UnitsOf(const char* ansi, WORD bytes) {
  int units = bytes ? AnsiToWide(ansi, bytes, nullptr, 0) : 0;
  return static_cast<WORD>(units > 0 ? units : 0);
}

template <class Call>
BOOL FileNameDialog(OPENFILENAMEW* caller, Call call) {
  ScratchList list;
  const auto* wide = reinterpret_cast<const WideOpenFileName*>(caller);
  AnsiOpenFileName ansi{};
  ansi.structSize = sizeof(ansi);
  ansi.owner = wide->owner;
  ansi.instance = wide->instance;
  ansi.filter = TextListToAnsi(list, wide->filter);
  ansi.filterIndex = wide->filterIndex;
  AnsiOutBuffer file(list, wide->file, static_cast<int>(wide->maxFile), -1);
  // Both buffers hold as many characters as the caller's, in bytes.
  ansi.file = file.ansi();
  ansi.maxFile = static_cast<DWORD>(file.capacity());
  AnsiOutBuffer title(list, wide->fileTitle, static_cast<int>(wide->maxFileTitle));
  ansi.fileTitle = title.ansi();
  ansi.maxFileTitle = static_cast<DWORD>(title.capacity());
  ansi.initialDir = A(list, wide->initialDir);
  ansi.title = A(list, wide->title);
  ansi.flags = wide->flags & ~OFN_ALLOWMULTISELECT;  // a list of names would come back in ANSI form
  ansi.defaultExt = A(list, wide->defaultExt);
  ansi.custData = wide->custData;
  ansi.hook = wide->hook;
  ansi.templateName = A(list, wide->templateName);
  if (!call(reinterpret_cast<OPENFILENAMEA*>(&ansi))) {
    // A name too long for the buffer: the first unit gives the size it needs. The ANSI dialog counts
    // bytes, never fewer than the name's characters, so a buffer of that size takes it.
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL && ansi.file && wide->maxFile > 0)
      caller->lpstrFile[0] = *reinterpret_cast<const WORD*>(ansi.file);
    return FALSE;
  }
  // A name of more characters than the caller's buffer holds whose bytes fit the ANSI one: refused
  // with its size as the wide dialog refuses it, though the dialog's own error stays unset.
  int units = file.Units();
  if (wide->file && static_cast<DWORD>(units) >= wide->maxFile) {
    caller->lpstrFile[0] = static_cast<wchar_t>(units + 1);
    return FALSE;
  }
  file.CopyBack(-1);
  title.CopyBack(-1);
  // The offsets of the name and its extension count wide units.
  caller->nFileOffset = ansi.file ? UnitsOf(ansi.file, ansi.fileOffset) : 0;
  caller->nFileExtension = ansi.file && ansi.fileExtension ? UnitsOf(ansi.file, ansi.fileExtension) : 0;
  caller->nFilterIndex = ansi.filterIndex;
  return TRUE;
}

}  // namespace

AMBREL_EXPORT(BOOL) Amb_GetOpenFileNameW(LPOPENFILENAMEW info) {
  if (!UseAnsi()) return GetOpenFileNameW(info);
  if (!info) return GetOpenFileNameA(nullptr);
  return FileNameDialog(info, [](OPENFILENAMEA* ansi) { return GetOpenFileNameA(ansi); });
}

AMBREL_EXPORT(BOOL) Amb_GetSaveFileNameW(LPOPENFILENAMEW info) {
  if (!UseAnsi()) return GetSaveFileNameW(info);
  if (!info) return GetSaveFileNameA(nullptr);
  return FileNameDialog(info, [](OPENFILENAMEA* ansi) { return GetSaveFileNameA(ansi); });
}

AMBREL_EXPORT(BOOL) Amb_ChooseColorW(LPCHOOSECOLORW wide) {
  if (!UseAnsi()) return ChooseColorW(wide);
  if (!wide) return ChooseColorA(nullptr);
  ScratchList list;
  CHOOSECOLORA ansi{};
  DWORD bytes = wide->lStructSize < sizeof(ansi) ? wide->lStructSize : sizeof(ansi);
  std::memcpy(&ansi, wide, bytes);
  ansi.lStructSize = bytes;
  ansi.lpTemplateName = (ansi.Flags & CC_ENABLETEMPLATE) ? A(list, wide->lpTemplateName) : nullptr;
  if (!ChooseColorA(&ansi)) return FALSE;
  wide->rgbResult = ansi.rgbResult;
  return TRUE;
}

// 0 when the title was written, the size it needs (wide units with the terminator) when the
// buffer is short or absent, a negative value on failure: the wide function's answers.
AMBREL_EXPORT(short) Amb_GetFileTitleW(LPCWSTR file, LPWSTR title, WORD size) {
  if (!UseAnsi()) return GetFileTitleW(file, title, size);
  ScratchList list;
  const char* name = A(list, file);
  // The title is read whole whatever the caller's size, then measured in units: the ANSI function
  // counts bytes, and a double-byte title may be cut to its buffer without a word.
  int bytes = AnsiBytesFor(size) + 1;
  if (bytes < 2 * MAX_PATH) bytes = 2 * MAX_PATH;
  if (bytes > 0xFFFF) bytes = 0xFFFF;
  auto* ansi = static_cast<char*>(list.Alloc(bytes));
  if (!ansi) return -1;
  short result = GetFileTitleA(name, ansi, static_cast<WORD>(bytes));
  if (result < 0) return result;
  if (result > 0) {
    // The size asked for is in bytes, or in characters where the system counts them so: room for
    // the longest character each holds the title either way.
    bytes = AnsiBytesFor(result) + 1;
    if (bytes > 0xFFFF) bytes = 0xFFFF;
    ansi = static_cast<char*>(list.Alloc(bytes));
    if (!ansi || GetFileTitleA(name, ansi, static_cast<WORD>(bytes)) != 0) return result;
  }
  int units = AnsiToWide(ansi, -1, nullptr, 0);
  if (units <= 0) return -1;
  if (!title || units > size) return static_cast<short>(units);
  CopyAnsiToWide(ansi, title, size, true);
  return 0;
}

// The OLE dialogs: each record's texts converted, the results copied back into the caller's
// record with its own text pointers kept.

namespace {

template <class Ansi, class Wide>
void OleRecordToAnsi(ScratchList& list, const Wide& wide, Ansi& ansi) {
  static_assert(sizeof(Ansi) == sizeof(Wide));
  std::memcpy(&ansi, &wide, sizeof(ansi));
  ansi.lpszCaption = A(list, wide.lpszCaption);
  ansi.lpszTemplate = A(list, wide.lpszTemplate);
}

template <class Ansi, class Wide>
void OleRecordBack(const Ansi& ansi, Wide& wide) {
  Wide caller = wide;
  std::memcpy(&wide, &ansi, sizeof(wide));
  wide.lpszCaption = caller.lpszCaption;
  wide.lpszTemplate = caller.lpszTemplate;
}

}  // namespace

AMBREL_EXPORT(UINT) Amb_OleUIBusyW(LPOLEUIBUSYW wide) {
  if (!UseAnsi()) return OleUIBusyW(wide);
  if (!wide) return OleUIBusyA(nullptr);
  ScratchList list;
  OLEUIBUSYA ansi;
  OleRecordToAnsi(list, *wide, ansi);
  UINT result = OleUIBusyA(&ansi);
  OleRecordBack(ansi, *wide);
  return result;
}

AMBREL_EXPORT(UINT) Amb_OleUIChangeIconW(LPOLEUICHANGEICONW wide) {
  if (!UseAnsi()) return OleUIChangeIconW(wide);
  if (!wide) return OleUIChangeIconA(nullptr);
  ScratchList list;
  OLEUICHANGEICONA ansi{};
  // The icon file name is held in the record itself, so the records differ from it on.
  std::memcpy(&ansi, wide, offsetof(OLEUICHANGEICONA, szIconExe));
  ansi.cbStruct = sizeof(ansi);
  ansi.lpszCaption = A(list, wide->lpszCaption);
  ansi.lpszTemplate = A(list, wide->lpszTemplate);
  WideToAnsiCut(wide->szIconExe, static_cast<int>(wcsnlen(wide->szIconExe, MAX_PATH)), ansi.szIconExe,
                MAX_PATH - 1);
  ansi.cchIconExe = MAX_PATH;
  UINT result = OleUIChangeIconA(&ansi);
  wide->dwFlags = ansi.dwFlags;
  wide->hMetaPict = ansi.hMetaPict;
  wide->clsid = ansi.clsid;
  CopyAnsiToWide(ansi.szIconExe, wide->szIconExe, MAX_PATH, true);
  return result;
}

AMBREL_EXPORT(UINT) Amb_OleUIConvertW(LPOLEUICONVERTW wide) {
  if (!UseAnsi()) return OleUIConvertW(wide);
  if (!wide) return OleUIConvertA(nullptr);
  ScratchList list;
  OLEUICONVERTA ansi;
  OleRecordToAnsi(list, *wide, ansi);
  ansi.lpszUserType = WideToAnsiDup(list, wide->lpszUserType);
  ansi.lpszDefLabel = WideToAnsiDup(list, wide->lpszDefLabel);
  UINT result = OleUIConvertA(&ansi);
  LPWSTR userType = wide->lpszUserType;
  LPWSTR defLabel = wide->lpszDefLabel;
  OleRecordBack(ansi, *wide);
  wide->lpszUserType = userType;
  wide->lpszDefLabel = defLabel;
  return result;
}

// A link container serves its texts in wide form and cannot stand in for the ANSI one the ANSI
// dialog calls: the dialog gets none.
AMBREL_EXPORT(UINT) Amb_OleUIEditLinksW(LPOLEUIEDITLINKSW wide) {
  if (!UseAnsi()) return OleUIEditLinksW(wide);
  if (!wide) return OleUIEditLinksA(nullptr);
  ScratchList list;
  OLEUIEDITLINKSA ansi;
  OleRecordToAnsi(list, *wide, ansi);
  ansi.lpOleUILinkContainer = nullptr;
  UINT result = OleUIEditLinksA(&ansi);
  LPOLEUILINKCONTAINERW container = wide->lpOleUILinkContainer;
  OleRecordBack(ansi, *wide);
  wide->lpOleUILinkContainer = container;
  return result;
}

AMBREL_EXPORT(UINT) Amb_OleUIInsertObjectW(LPOLEUIINSERTOBJECTW wide) {
  if (!UseAnsi()) return OleUIInsertObjectW(wide);
  if (!wide) return OleUIInsertObjectA(nullptr);
  ScratchList list;
  OLEUIINSERTOBJECTA ansi;
  OleRecordToAnsi(list, *wide, ansi);
  AnsiOutBuffer file(list, wide->lpszFile, static_cast<int>(wide->cchFile), -1);
  ansi.lpszFile = file.ansi();
  ansi.cchFile = static_cast<UINT>(file.capacity());
  UINT result = OleUIInsertObjectA(&ansi);
  LPWSTR fileName = wide->lpszFile;
  OleRecordBack(ansi, *wide);
  wide->lpszFile = fileName;
  file.CopyBack(-1);
  return result;
}

AMBREL_EXPORT(UINT) Amb_OleUIPasteSpecialW(LPOLEUIPASTESPECIALW wide) {
  if (!UseAnsi()) return OleUIPasteSpecialW(wide);
  if (!wide) return OleUIPasteSpecialA(nullptr);
  ScratchList list;
  OLEUIPASTESPECIALA ansi;
  OleRecordToAnsi(list, *wide, ansi);
  int count = wide->arrPasteEntries && wide->cPasteEntries > 0 ? wide->cPasteEntries : 0;
  auto* entries =
      count ? static_cast<OLEUIPASTEENTRYA*>(list.Alloc(count * sizeof(OLEUIPASTEENTRYA))) : nullptr;
  if (count && !entries) return OLEUI_ERR_GLOBALMEMALLOC;
  for (int i = 0; i < count; ++i) {
    const OLEUIPASTEENTRYW& from = wide->arrPasteEntries[i];
    entries[i].fmtetc = from.fmtetc;
    entries[i].lpstrFormatName = A(list, from.lpstrFormatName);
    entries[i].lpstrResultText = A(list, from.lpstrResultText);
    entries[i].dwFlags = from.dwFlags;
    entries[i].dwScratchSpace = from.dwScratchSpace;
  }
  ansi.arrPasteEntries = entries;
  UINT result = OleUIPasteSpecialA(&ansi);
  LPOLEUIPASTEENTRYW callerEntries = wide->arrPasteEntries;
  OleRecordBack(ansi, *wide);
  wide->arrPasteEntries = callerEntries;
  return result;
}

// A link container cannot serve the ANSI dialog (see OleUIEditLinksW): no link is updated.
AMBREL_EXPORT(BOOL)
Amb_OleUIUpdateLinksW(LPOLEUILINKCONTAINERW container, HWND parent, LPWSTR title, int links) {
  if (!UseAnsi()) return OleUIUpdateLinksW(container, parent, title, links);
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}

// Property sheets. The system may read a page's or a sheet's texts after the call (a page's
// template when it is first shown, a modeless sheet's pages), so their ANSI copies live as long
// as the process.

namespace {

std::mutex g_sheetTextsLock;
std::vector<std::unique_ptr<ScratchList>>& SheetTexts() {
  static std::vector<std::unique_ptr<ScratchList>> texts;
  return texts;
}

ScratchList* KeptList() {
  try {
    std::lock_guard<std::mutex> lock(g_sheetTextsLock);
    SheetTexts().push_back(std::make_unique<ScratchList>());
    return SheetTexts().back().get();
  } catch (...) {
    return nullptr;
  }
}

// A page record in ANSI form, the caller's size kept (the system reads no more than that).
bool PageToAnsi(ScratchList& list, const PROPSHEETPAGEW& wide, PROPSHEETPAGEA& ansi) {
  static_assert(sizeof(PROPSHEETPAGEA) == sizeof(PROPSHEETPAGEW));
  if (wide.dwSize > sizeof(ansi) || wide.dwSize < PROPSHEETPAGEA_V1_SIZE) return false;
  ansi = {};
  std::memcpy(&ansi, &wide, wide.dwSize);
  if (!(wide.dwFlags & PSP_DLGINDIRECT)) ansi.pszTemplate = A(list, wide.pszTemplate);
  if (!(wide.dwFlags & PSP_USEHICON)) ansi.pszIcon = A(list, wide.pszIcon);
  if (wide.dwFlags & PSP_USETITLE) ansi.pszTitle = A(list, wide.pszTitle);
  if (wide.dwSize > offsetof(PROPSHEETPAGEW, pszHeaderTitle)) {
    if (wide.dwFlags & PSP_USEHEADERTITLE) ansi.pszHeaderTitle = A(list, wide.pszHeaderTitle);
    if (wide.dwFlags & PSP_USEHEADERSUBTITLE) ansi.pszHeaderSubTitle = A(list, wide.pszHeaderSubTitle);
  }
  return true;
}

}  // namespace

AMBREL_EXPORT(HPROPSHEETPAGE) Amb_CreatePropertySheetPageW(LPCPROPSHEETPAGEW wide) {
  if (!UseAnsi()) return CreatePropertySheetPageW(wide);
  if (!wide) return CreatePropertySheetPageA(nullptr);
  ScratchList* list = KeptList();
  PROPSHEETPAGEA ansi;
  if (!list || !PageToAnsi(*list, *wide, ansi)) {
    SetLastError(list ? ERROR_INVALID_PARAMETER : ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return CreatePropertySheetPageA(&ansi);
}

AMBREL_EXPORT(INT_PTR) Amb_PropertySheetW(LPCPROPSHEETHEADERW wide) {
  if (!UseAnsi()) return PropertySheetW(wide);
  if (!wide) return PropertySheetA(nullptr);
  static_assert(sizeof(PROPSHEETHEADERA) == sizeof(PROPSHEETHEADERW));
  ScratchList* list = KeptList();
  if (!list || wide->dwSize > sizeof(PROPSHEETHEADERA)) return -1;
  PROPSHEETHEADERA ansi{};
  std::memcpy(&ansi, wide, wide->dwSize);
  ansi.pszCaption = A(*list, wide->pszCaption);
  if (!(wide->dwFlags & PSH_USEHICON)) ansi.pszIcon = A(*list, wide->pszIcon);
  if (wide->dwFlags & PSH_USEPSTARTPAGE) ansi.pStartPage = A(*list, wide->pStartPage);
  if ((wide->dwFlags & PSH_PROPSHEETPAGE) && wide->ppsp && wide->nPages > 0) {
    // The pages follow each other, each its own size long.
    size_t total = 0;
    const BYTE* page = reinterpret_cast<const BYTE*>(wide->ppsp);
    for (UINT i = 0; i < wide->nPages; ++i) {
      DWORD size = reinterpret_cast<const PROPSHEETPAGEW*>(page + total)->dwSize;
      if (size > sizeof(PROPSHEETPAGEW) || size < PROPSHEETPAGEW_V1_SIZE) return -1;
      total += size;
    }
    auto* pages = static_cast<BYTE*>(list->Alloc(total));
    if (!pages) return -1;
    for (size_t at = 0; at < total;) {
      const auto& from = *reinterpret_cast<const PROPSHEETPAGEW*>(page + at);
      PROPSHEETPAGEA converted;
      PageToAnsi(*list, from, converted);
      std::memcpy(pages + at, &converted, from.dwSize);
      at += from.dwSize;
    }
    ansi.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
  }
  return PropertySheetA(&ansi);
}

// Directory lists: the path in the caller's buffer is both read and written (the system leaves
// the file pattern there), and is never longer afterwards.

namespace {

template <class Call>
int DirectoryList(LPWSTR path, Call call) {
  ScratchList list;
  int units = path ? static_cast<int>(std::wcslen(path)) + 1 : 0;
  AnsiOutBuffer buffer(list, path, units, -1);
  int result = call(buffer.ansi());
  if (result) buffer.CopyBack(-1);
  return result;
}

}  // namespace

AMBREL_EXPORT(int) Amb_DlgDirListW(HWND dialog, LPWSTR path, int listBox, int staticPath, UINT type) {
  if (!UseAnsi()) return DlgDirListW(dialog, path, listBox, staticPath, type);
  return DirectoryList(path,
                       [&](char* ansi) { return DlgDirListA(dialog, ansi, listBox, staticPath, type); });
}

AMBREL_EXPORT(int)
Amb_DlgDirListComboBoxW(HWND dialog, LPWSTR path, int comboBox, int staticPath, UINT type) {
  if (!UseAnsi()) return DlgDirListComboBoxW(dialog, path, comboBox, staticPath, type);
  return DirectoryList(
      path, [&](char* ansi) { return DlgDirListComboBoxA(dialog, ansi, comboBox, staticPath, type); });
}

AMBREL_EXPORT(BOOL) Amb_DlgDirSelectExW(HWND dialog, LPWSTR text, int size, int listBox) {
  if (!UseAnsi()) return DlgDirSelectExW(dialog, text, size, listBox);
  ScratchList list;
  AnsiOutBuffer out(list, text, size);
  BOOL directory = DlgDirSelectExA(dialog, out.ansi(), out.capacity(), listBox);
  out.CopyBack(-1);
  return directory;
}

AMBREL_EXPORT(BOOL) Amb_DlgDirSelectComboBoxExW(HWND dialog, LPWSTR text, int size, int comboBox) {
  if (!UseAnsi()) return DlgDirSelectComboBoxExW(dialog, text, size, comboBox);
  ScratchList list;
  AnsiOutBuffer out(list, text, size);
  BOOL directory = DlgDirSelectComboBoxExA(dialog, out.ansi(), out.capacity(), comboBox);
  out.CopyBack(-1);
  return directory;
}
