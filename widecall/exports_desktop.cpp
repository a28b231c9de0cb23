// System parameters, help and state drawing.
#include <cstring>

#include "exports.h"

using namespace ambrel;

namespace {

// The 95/98/ME family's metric records: no padded border width at the end.
template <class Font>
struct NonClientMetricsOf {
  UINT size;
  int borderWidth, scrollWidth, scrollHeight, captionWidth, captionHeight;
  Font captionFont;
  int smallCaptionWidth, smallCaptionHeight;
  Font smallCaptionFont;
  int menuWidth, menuHeight;
  Font menuFont, statusFont, messageFont;
};
static_assert(sizeof(NonClientMetricsOf<LOGFONTA>) == 340 && sizeof(NonClientMetricsOf<LOGFONTW>) == 500);
static_assert(offsetof(NonClientMetricsOf<LOGFONTW>, messageFont) ==
              offsetof(NONCLIENTMETRICSW, lfMessageFont));

template <class Font>
struct IconMetricsOf {
  UINT size;
  int horizontalSpacing, verticalSpacing, titleWrap;
  Font font;
};
static_assert(sizeof(IconMetricsOf<LOGFONTA>) == 76 && sizeof(IconMetricsOf<LOGFONTW>) == 108);

#ifndef _WIN64
static_assert(sizeof(SOUNDSENTRYA) == 48 && sizeof(HIGHCONTRASTA) == 12);
#endif

void Convert(const LOGFONTW& from, LOGFONTA& to) { LogFontWToA(from, to); }
void Convert(const LOGFONTA& from, LOGFONTW& to) { LogFontAToW(from, to); }

template <class From, class To>
void ConvertMetrics(const NonClientMetricsOf<From>& from, NonClientMetricsOf<To>& to) {
  to.borderWidth = from.borderWidth;
  to.scrollWidth = from.scrollWidth;
  to.scrollHeight = from.scrollHeight;
  to.captionWidth = from.captionWidth;
  to.captionHeight = from.captionHeight;
  Convert(from.captionFont, to.captionFont);
  to.smallCaptionWidth = from.smallCaptionWidth;
  to.smallCaptionHeight = from.smallCaptionHeight;
  Convert(from.smallCaptionFont, to.smallCaptionFont);
  to.menuWidth = from.menuWidth;
  to.menuHeight = from.menuHeight;
  Convert(from.menuFont, to.menuFont);
  Convert(from.statusFont, to.statusFont);
  Convert(from.messageFont, to.messageFont);
}

template <class From, class To>
void ConvertMetrics(const IconMetricsOf<From>& from, IconMetricsOf<To>& to) {
  to.horizontalSpacing = from.horizontalSpacing;
  to.verticalSpacing = from.verticalSpacing;
  to.titleWrap = from.titleWrap;
  Convert(from.font, to.font);
}

// A metrics record read or written in its ANSI form. The caller's record must be at least the
// wide form of the 95/98/ME family; its further fields stay as they are.
template <template <class> class Record>
BOOL MetricsCall(UINT action, bool get, PVOID param, UINT winIni) {
  auto* wide = static_cast<Record<LOGFONTW>*>(param);
  if (!wide || wide->size < sizeof(Record<LOGFONTW>)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Record<LOGFONTA> ansi{};
  ansi.size = sizeof(ansi);
  if (!get) ConvertMetrics(*wide, ansi);
  if (!SystemParametersInfoA(action, sizeof(ansi), &ansi, winIni)) return FALSE;
  if (get) ConvertMetrics(ansi, *wide);
  return TRUE;
}

}  // namespace

AMBREL_EXPORT(BOOL) Amb_SystemParametersInfoW(UINT action, UINT number, PVOID param, UINT winIni) {
  if (!UseAnsi()) return SystemParametersInfoW(action, number, param, winIni);
  ScratchList list;
  switch (action) {
    case SPI_SETDESKWALLPAPER: {
      const auto* name = static_cast<const wchar_t*>(param);
      const char* ansi = name && !IsIntResource(name) && *name ? A(list, name) : nullptr;
      return SystemParametersInfoA(action, number, const_cast<char*>(ansi), winIni);
    }
    case SPI_GETICONTITLELOGFONT: {
      LOGFONTA ansi{};
      if (!param || !SystemParametersInfoA(action, sizeof(ansi), &ansi, winIni)) return FALSE;
      LogFontAToW(ansi, *static_cast<LOGFONTW*>(param));
      return TRUE;
    }
    case SPI_SETICONTITLELOGFONT: {
      if (!param) return SystemParametersInfoA(action, number, nullptr, winIni);
      LOGFONTA ansi;
      LogFontWToA(*static_cast<const LOGFONTW*>(param), ansi);
      return SystemParametersInfoA(action, sizeof(ansi), &ansi, winIni);
    }
    case SPI_GETNONCLIENTMETRICS:
    case SPI_SETNONCLIENTMETRICS:
      return MetricsCall<NonClientMetricsOf>(action, action == SPI_GETNONCLIENTMETRICS, param, winIni);
    case SPI_GETICONMETRICS:
    case SPI_SETICONMETRICS:
      return MetricsCall<IconMetricsOf>(action, action == SPI_GETICONMETRICS, param, winIni);
    case SPI_GETSOUNDSENTRY:
    case SPI_SETSOUNDSENTRY: {
      auto* wide = static_cast<SOUNDSENTRYW*>(param);
      if (!wide) return SystemParametersInfoA(action, number, nullptr, winIni);
      // The effect module's name is a reserved field: it is set when given, and never read back.
      SOUNDSENTRYA ansi;
      static_assert(sizeof(ansi) == sizeof(*wide));
      std::memcpy(&ansi, wide, sizeof(ansi));
      ansi.cbSize = sizeof(ansi);
      bool get = action == SPI_GETSOUNDSENTRY;
      ansi.lpszWindowsEffectDLL = get ? nullptr : WideToAnsiDup(list, wide->lpszWindowsEffectDLL);
      if (!SystemParametersInfoA(action, sizeof(ansi), &ansi, winIni)) return FALSE;
      if (get) {
        LPWSTR name = wide->lpszWindowsEffectDLL;
        UINT size = wide->cbSize;
        std::memcpy(wide, &ansi, sizeof(ansi));
        wide->cbSize = size;
        wide->lpszWindowsEffectDLL = name;
      }
      return TRUE;
    }
    case SPI_SETHIGHCONTRAST: {
      const auto* wide = static_cast<const HIGHCONTRASTW*>(param);
      if (!wide) return SystemParametersInfoA(action, number, nullptr, winIni);
      HIGHCONTRASTA ansi{sizeof(ansi), wide->dwFlags, WideToAnsiDup(list, wide->lpszDefaultScheme)};
      return SystemParametersInfoA(action, sizeof(ansi), &ansi, winIni);
    }
    case SPI_GETSERIALKEYS:
    case SPI_SETSERIALKEYS:
      // Their records name ports in texts that the ANSI path does not carry.
      return FALSE;
  }
  return SystemParametersInfoA(action, number, param, winIni);
}

AMBREL_EXPORT(BOOL) Amb_WinHelpW(HWND window, LPCWSTR file, UINT command, ULONG_PTR data) {
  if (!UseAnsi()) return WinHelpW(window, file, command, data);
  ScratchList list;
  switch (command) {
    case HELP_KEY:
    case HELP_COMMAND:
    case HELP_PARTIALKEY:
      data = reinterpret_cast<ULONG_PTR>(A(list, reinterpret_cast<LPCWSTR>(data)));
      break;
    case HELP_MULTIKEY: {
      const auto* wide = reinterpret_cast<const MULTIKEYHELPW*>(data);
      if (!wide) break;
      int length = 0;
      const char* text = WideToAnsiDup(list, wide->szKeyphrase, -1, &length);
      DWORD size = static_cast<DWORD>(length) + 8;
      auto* ansi = static_cast<MULTIKEYHELPA*>(list.Alloc(size));
      if (!ansi || !text) return FALSE;
      ansi->mkSize = size;
      ansi->mkKeylist = static_cast<CHAR>(AnsiCharCode(CP_ACP, wide->mkKeylist));
      std::memcpy(ansi->szKeyphrase, text, length + 1);
      data = reinterpret_cast<ULONG_PTR>(ansi);
      break;
    }
    case HELP_SETWINPOS: {
      const auto* wide = reinterpret_cast<const HELPWININFOW*>(data);
      if (!wide) break;
      int length = 0;
      const char* name = WideToAnsiDup(list, wide->rgchMember, -1, &length);
      int size = length + 28;
      auto* ansi = static_cast<HELPWININFOA*>(list.Alloc(size));
      if (!ansi || !name) return FALSE;
      ansi->wStructSize = size;
      ansi->x = wide->x;
      ansi->y = wide->y;
      ansi->dx = wide->dx;
      ansi->dy = wide->dy;
      ansi->wMax = wide->wMax;
      std::memcpy(ansi->rgchMember, name, length + 1);
      data = reinterpret_cast<ULONG_PTR>(ansi);
      break;
    }
  }
  return WinHelpA(window, A(list, file), command, data);
}

// A text to draw is converted (with its length when one is given); an output procedure receives
// the caller's own data.
AMBREL_EXPORT(BOOL)
Amb_DrawStateW(HDC dc, HBRUSH brush, DRAWSTATEPROC output, LPARAM data, WPARAM length, int x, int y,
               int width, int height, UINT flags) {
  if (!UseAnsi()) return DrawStateW(dc, brush, output, data, length, x, y, width, height, flags);
  UINT type = flags & 0x000F;
  if (output || (type != DST_TEXT && type != DST_PREFIXTEXT)) {
    return DrawStateA(dc, brush, output, data, length, x, y, width, height, flags);
  }
  ScratchList list;
  int ansiLength = 0;
  const char* text = WideToAnsiDup(list, reinterpret_cast<LPCWSTR>(data),
                                   length ? static_cast<int>(length) : -1, &ansiLength);
  return DrawStateA(dc, brush, nullptr, reinterpret_cast<LPARAM>(text), length ? ansiLength : 0, x, y, width,
                    height, flags);
}
