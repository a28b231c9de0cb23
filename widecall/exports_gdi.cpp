// GDI: fonts and their metrics, character widths and outlines, metafiles.
#include <cstring>
#include <cwchar>

#include "exports.h"

using namespace ambrel;

namespace ambrel {

static_assert(sizeof(LOGFONTA) == 60 && sizeof(LOGFONTW) == 92);
static_assert(sizeof(TEXTMETRICA) == 56 && sizeof(TEXTMETRICW) == 60);
static_assert(sizeof(OUTLINETEXTMETRICW) == 216 || sizeof(void*) == 8);

void LogFontWToA(const LOGFONTW& wide, LOGFONTA& ansi) {
  std::memcpy(&ansi, &wide, offsetof(LOGFONTA, lfFaceName));
  std::memset(ansi.lfFaceName, 0, sizeof(ansi.lfFaceName));
  int length = static_cast<int>(wcsnlen(wide.lfFaceName, LF_FACESIZE));
  WideToAnsiCut(wide.lfFaceName, length, ansi.lfFaceName, LF_FACESIZE - 1);
}

void LogFontAToW(const LOGFONTA& ansi, LOGFONTW& wide) {
  std::memcpy(&wide, &ansi, offsetof(LOGFONTW, lfFaceName));
  std::memset(wide.lfFaceName, 0, sizeof(wide.lfFaceName));
  int length = static_cast<int>(strnlen(ansi.lfFaceName, LF_FACESIZE));
  if (length > 0) AnsiToWide(ansi.lfFaceName, length, wide.lfFaceName, LF_FACESIZE - 1);
}

void TextMetricAToW(const TEXTMETRICA& a, TEXTMETRICW& w, UINT codePage) {
  std::memcpy(&w, &a, offsetof(TEXTMETRICA, tmFirstChar));
  w.tmFirstChar = WideCharOfCode(codePage, a.tmFirstChar);
  w.tmLastChar = WideCharOfCode(codePage, a.tmLastChar);
  w.tmDefaultChar = WideCharOfCode(codePage, a.tmDefaultChar);
  w.tmBreakChar = WideCharOfCode(codePage, a.tmBreakChar);
  w.tmItalic = a.tmItalic;
  w.tmUnderlined = a.tmUnderlined;
  w.tmStruckOut = a.tmStruckOut;
  w.tmPitchAndFamily = a.tmPitchAndFamily;
  w.tmCharSet = a.tmCharSet;
}

UINT FontCodePage(HDC dc) {
  CHARSETINFO info{};
  UINT charSet = static_cast<UINT>(GetTextCharset(dc));
  if (charSet == DEFAULT_CHARSET ||
      !TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(charSet)), &info,
                            TCI_SRCCHARSET)) {
    return CP_ACP;
  }
  return info.ciACP;
}

UINT AnsiCharCode(UINT codePage, UINT wide) {
  if (wide > 0xFFFF) return '?';
  wchar_t unit = static_cast<wchar_t>(wide);
  char bytes[2] = {};
  int n = WideCharToMultiByte(codePage, 0, &unit, 1, bytes, sizeof(bytes), nullptr, nullptr);
  if (n == 1) return static_cast<BYTE>(bytes[0]);
  if (n == 2) return (static_cast<UINT>(static_cast<BYTE>(bytes[0])) << 8) | static_cast<BYTE>(bytes[1]);
  return '?';
}

WCHAR WideCharOfCode(UINT codePage, UINT code) {
  char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code)};
  bool pair = code > 0xFF;
  wchar_t unit = 0;
  if (MultiByteToWideChar(codePage, 0, pair ? bytes : bytes + 1, pair ? 2 : 1, &unit, 1) != 1) {
    return static_cast<WCHAR>(code);
  }
  return unit;
}

}  // namespace ambrel

namespace {

// Widths of a range of wide characters, each measured as its character in the font's code page.
// A character without a form there is measured as what the code page makes of it (a near form or
// '?'), which is what the font draws for it.
template <class Entry, class Call>
BOOL WidthsPerCharacter(HDC dc, UINT first, UINT last, Entry* out, Call call) {
  if (!out || last < first) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  UINT codePage = FontCodePage(dc);
  for (UINT c = first;; ++c) {
    UINT code = AnsiCharCode(codePage, c);
    if (!call(code, &out[c - first])) return FALSE;
    if (c == last) return TRUE;
  }
}

}  // namespace

AMBREL_EXPORT(BOOL) Amb_GetCharABCWidthsW(HDC dc, UINT first, UINT last, LPABC widths) {
  if (!UseAnsi()) return GetCharABCWidthsW(dc, first, last, widths);
  return WidthsPerCharacter(dc, first, last, widths,
                            [dc](UINT code, LPABC out) { return GetCharABCWidthsA(dc, code, code, out); });
}

AMBREL_EXPORT(BOOL) Amb_GetCharABCWidthsFloatW(HDC dc, UINT first, UINT last, LPABCFLOAT widths) {
  if (!UseAnsi()) return GetCharABCWidthsFloatW(dc, first, last, widths);
  return WidthsPerCharacter(dc, first, last, widths, [dc](UINT code, LPABCFLOAT out) {
    return GetCharABCWidthsFloatA(dc, code, code, out);
  });
}

AMBREL_EXPORT(BOOL) Amb_GetCharWidthFloatW(HDC dc, UINT first, UINT last, PFLOAT widths) {
  if (!UseAnsi()) return GetCharWidthFloatW(dc, first, last, widths);
  return WidthsPerCharacter(dc, first, last, widths,
                            [dc](UINT code, PFLOAT out) { return GetCharWidthFloatA(dc, code, code, out); });
}

AMBREL_EXPORT(DWORD)
Amb_GetGlyphOutlineW(HDC dc, UINT character, UINT format, LPGLYPHMETRICS metrics, DWORD size, LPVOID buffer,
                     const MAT2* matrix) {
  if (!UseAnsi()) return GetGlyphOutlineW(dc, character, format, metrics, size, buffer, matrix);
  // A glyph index names no character.
  UINT code = (format & GGO_GLYPH_INDEX) ? character : AnsiCharCode(FontCodePage(dc), character);
  return GetGlyphOutlineA(dc, code, format, metrics, size, buffer, matrix);
}

AMBREL_EXPORT(DWORD) Amb_GetKerningPairsW(HDC dc, DWORD count, LPKERNINGPAIR pairs) {
  if (!UseAnsi()) return GetKerningPairsW(dc, count, pairs);
  DWORD result = GetKerningPairsA(dc, count, pairs);
  if (pairs && result != GDI_ERROR) {
    UINT codePage = FontCodePage(dc);
    for (DWORD i = 0; i < result; ++i) {
      pairs[i].wFirst = WideCharOfCode(codePage, pairs[i].wFirst);
      pairs[i].wSecond = WideCharOfCode(codePage, pairs[i].wSecond);
    }
  }
  return result;
}

AMBREL_EXPORT(HFONT) Amb_CreateFontIndirectW(const LOGFONTW* wide) {
  if (!UseAnsi()) return CreateFontIndirectW(wide);
  if (!wide) return CreateFontIndirectA(nullptr);
  LOGFONTA ansi;
  LogFontWToA(*wide, ansi);
  return CreateFontIndirectA(&ansi);
}

// A font's description comes back with its face name in wide form; the answer counts the bytes of
// the wide description written, as the wide function's does. Other objects hold no text.
AMBREL_EXPORT(int) Amb_GetObjectW(HANDLE object, int size, LPVOID buffer) {
  if (!UseAnsi() || GetObjectType(object) != OBJ_FONT) {
    return UseAnsi() ? GetObjectA(object, size, buffer) : GetObjectW(object, size, buffer);
  }
  if (!buffer) return sizeof(LOGFONTW);
  LOGFONTA ansi{};
  if (!GetObjectA(object, sizeof(ansi), &ansi)) return 0;
  LOGFONTW wide;
  LogFontAToW(ansi, wide);
  int written =
      size < static_cast<int>(sizeof(wide)) ? (size > 0 ? size : 0) : static_cast<int>(sizeof(wide));
  std::memcpy(buffer, &wide, written);
  return written;
}

AMBREL_EXPORT(BOOL) Amb_GetTextMetricsW(HDC dc, LPTEXTMETRICW metrics) {
  if (!UseAnsi()) return GetTextMetricsW(dc, metrics);
  if (!metrics) return GetTextMetricsA(dc, nullptr);
  TEXTMETRICA ansi{};
  if (!GetTextMetricsA(dc, &ansi)) return FALSE;
  TextMetricAToW(ansi, *metrics, FontCodePage(dc));
  return TRUE;
}

// The answer counts the characters written with the terminator, or those needed without a buffer.
AMBREL_EXPORT(int) Amb_GetTextFaceW(HDC dc, int count, LPWSTR face) {
  if (!UseAnsi()) return GetTextFaceW(dc, count, face);
  int bytes = GetTextFaceA(dc, 0, nullptr);
  if (bytes <= 0) return 0;
  ScratchList list;
  auto* ansi = static_cast<char*>(list.Alloc(bytes + 1));
  if (!ansi || GetTextFaceA(dc, bytes + 1, ansi) <= 0) return 0;
  if (!face) return AnsiToWide(ansi, -1, nullptr, 0);
  return ConvertTruncated(ansi, -1, face, count);
}

// The metrics in wide form: the fixed part, then the four names as wide texts, each name field
// the byte offset of its text. The size field gives the whole block, as the wide function's does.
AMBREL_EXPORT(UINT) Amb_GetOutlineTextMetricsW(HDC dc, UINT size, LPOUTLINETEXTMETRICW metrics) {
  if (!UseAnsi()) return GetOutlineTextMetricsW(dc, size, metrics);
  UINT ansiSize = GetOutlineTextMetricsA(dc, 0, nullptr);
  if (ansiSize == 0) return 0;
  ScratchList list;
  auto* ansi = static_cast<OUTLINETEXTMETRICA*>(list.Alloc(ansiSize));
  if (!ansi) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  if (!GetOutlineTextMetricsA(dc, ansiSize, ansi)) return 0;
  PSTR OUTLINETEXTMETRICA::*const kNames[4] = {
      &OUTLINETEXTMETRICA::otmpFamilyName, &OUTLINETEXTMETRICA::otmpFaceName,
      &OUTLINETEXTMETRICA::otmpStyleName, &OUTLINETEXTMETRICA::otmpFullName};
  PSTR OUTLINETEXTMETRICW::*const kWideNames[4] = {
      &OUTLINETEXTMETRICW::otmpFamilyName, &OUTLINETEXTMETRICW::otmpFaceName,
      &OUTLINETEXTMETRICW::otmpStyleName, &OUTLINETEXTMETRICW::otmpFullName};
  const char* texts[4] = {};
  int units[4] = {};
  UINT total = sizeof(OUTLINETEXTMETRICW);
  for (int i = 0; i < 4; ++i) {
    auto offset = reinterpret_cast<UINT_PTR>(ansi->*kNames[i]);
    texts[i] = offset && offset < ansiSize ? reinterpret_cast<const char*>(ansi) + offset : "";
    units[i] = AnsiToWide(texts[i], -1, nullptr, 0);
    if (units[i] <= 0) units[i] = 1;
    total += units[i] * sizeof(wchar_t);
  }
  if (!metrics) return total;
  auto* wide = static_cast<OUTLINETEXTMETRICW*>(list.Alloc(total));
  if (!wide) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  wide->otmSize = total;
  TextMetricAToW(ansi->otmTextMetrics, wide->otmTextMetrics, FontCodePage(dc));
  wide->otmFiller = ansi->otmFiller;
  wide->otmPanoseNumber = ansi->otmPanoseNumber;
  // From the selection flags to the names both forms have the same fields in the same order.
  std::memcpy(&wide->otmfsSelection, &ansi->otmfsSelection,
              offsetof(OUTLINETEXTMETRICA, otmpFamilyName) - offsetof(OUTLINETEXTMETRICA, otmfsSelection));
  UINT at = sizeof(OUTLINETEXTMETRICW);
  for (int i = 0; i < 4; ++i) {
    AnsiToWide(texts[i], -1, reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(wide) + at), units[i]);
    wide->*kWideNames[i] = reinterpret_cast<PSTR>(static_cast<UINT_PTR>(at));
    at += units[i] * sizeof(wchar_t);
  }
  UINT written = size < total ? size : total;
  std::memcpy(metrics, wide, written);
  return written;
}

AMBREL_EXPORT(HDC)
Amb_CreateEnhMetaFileW(HDC reference, LPCWSTR file, const RECT* bounds, LPCWSTR description) {
  if (!UseAnsi()) return CreateEnhMetaFileW(reference, file, bounds, description);
  ScratchList list;
  // The description is two texts, the program's and the picture's, ended by an extra terminator.
  const char* ansiDescription = nullptr;
  if (description) {
    const wchar_t* end = description + std::wcslen(description) + 1;
    end += std::wcslen(end) + 1;
    ansiDescription = WideToAnsiDup(list, description, static_cast<int>(end - description));
  }
  return CreateEnhMetaFileA(reference, A(list, file), bounds, ansiDescription);
}

// The copy is written to the named file (in memory without a name), as the caller asked.
AMBREL_EXPORT(HMETAFILE) Amb_CopyMetaFileW(HMETAFILE metafile, LPCWSTR file) {
  if (!UseAnsi()) return CopyMetaFileW(metafile, file);
  ScratchList list;
  const char* ansi = A(list, file);
  if (file && !ansi) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CopyMetaFileA(metafile, ansi);
}
