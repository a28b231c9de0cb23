#include "print_records.h"

#include <cstring>
#include <cwchar>

namespace ambrel {
namespace {

template <class From, class To>
void CopyDevModeFields(const From& from, To& to) {
  to.specVersion = from.specVersion;
  to.driverVersion = from.driverVersion;
  to.fields = from.fields;
  to.orientation = from.orientation;
  to.paperSize = from.paperSize;
  to.paperLength = from.paperLength;
  to.paperWidth = from.paperWidth;
  to.scale = from.scale;
  to.copies = from.copies;
  to.defaultSource = from.defaultSource;
  to.printQuality = from.printQuality;
  to.color = from.color;
  to.duplex = from.duplex;
  to.yResolution = from.yResolution;
  to.ttOption = from.ttOption;
  to.collate = from.collate;
  to.logPixels = from.logPixels;
  to.bitsPerPel = from.bitsPerPel;
  to.pelsWidth = from.pelsWidth;
  to.pelsHeight = from.pelsHeight;
  to.displayFlags = from.displayFlags;
  to.displayFrequency = from.displayFrequency;
  to.icmMethod = from.icmMethod;
  to.icmIntent = from.icmIntent;
  to.mediaType = from.mediaType;
  to.ditherType = from.ditherType;
  to.reserved1 = from.reserved1;
  to.reserved2 = from.reserved2;
}

// A name of 32 characters, which need not be terminated in either form.
void NameToAnsi(const wchar_t (&wide)[32], char (&ansi)[32]) {
  std::memset(ansi, 0, sizeof(ansi));
  int length = static_cast<int>(wcsnlen(wide, 32));
  WideToAnsiCut(wide, length, ansi, sizeof(ansi));
}

void NameToWide(const char (&ansi)[32], wchar_t (&wide)[32]) {
  std::memset(wide, 0, sizeof(wide));
  int length = static_cast<int>(strnlen(ansi, 32));
  if (length > 0) AnsiToWide(ansi, length, wide, 32);
}

// The length of a terminated text inside a block of size bytes, from offset; -1 when it runs past.
int TextInBlock(const char* block, size_t size, size_t offset) {
  if (offset >= size) return -1;
  const void* end = std::memchr(block + offset, 0, size - offset);
  return end ? static_cast<int>(static_cast<const char*>(end) - (block + offset)) : -1;
}

}  // namespace

void DevModeWToA(const WideDevMode& wide, AnsiDevMode& ansi) {
  NameToAnsi(wide.deviceName, ansi.deviceName);
  NameToAnsi(wide.formName, ansi.formName);
  CopyDevModeFields(wide, ansi);
}

void DevModeAToW(const AnsiDevMode& ansi, WideDevMode& wide) {
  NameToWide(ansi.deviceName, wide.deviceName);
  NameToWide(ansi.formName, wide.formName);
  CopyDevModeFields(ansi, wide);
}

AnsiDevMode* AnsiDevModeCopy(ScratchList& list, const DEVMODEW* caller) {
  if (!caller) return nullptr;
  WideDevMode wide{};
  size_t size = caller->dmSize < sizeof(wide) ? caller->dmSize : sizeof(wide);
  std::memcpy(&wide, caller, size);
  auto* ansi = static_cast<AnsiDevMode*>(list.Alloc(sizeof(AnsiDevMode) + caller->dmDriverExtra));
  if (!ansi) return nullptr;
  DevModeWToA(wide, *ansi);
  ansi->size = sizeof(AnsiDevMode);
  ansi->driverExtra = caller->dmDriverExtra;
  std::memcpy(ansi + 1, reinterpret_cast<const BYTE*>(caller) + caller->dmSize, caller->dmDriverExtra);
  return ansi;
}

void DevModeAToWideBlock(const AnsiDevMode& ansi, void* block, size_t room) {
  auto* wide = static_cast<WideDevMode*>(block);
  std::memset(wide, 0, sizeof(*wide));
  DevModeAToW(ansi, *wide);
  wide->size = sizeof(WideDevMode);
  bool carried = ansi.size >= sizeof(AnsiDevMode) && room >= sizeof(WideDevMode) + ansi.driverExtra;
  wide->driverExtra = carried ? ansi.driverExtra : 0;
  if (carried) {
    std::memcpy(wide + 1, reinterpret_cast<const BYTE*>(&ansi) + ansi.size, ansi.driverExtra);
  }
}

HGLOBAL WideDevNamesFromAnsi(HGLOBAL ansiHandle) {
  if (!ansiHandle) return nullptr;
  size_t size = GlobalSize(ansiHandle);
  const auto* ansi = static_cast<const char*>(GlobalLock(ansiHandle));
  if (!ansi) return nullptr;
  HGLOBAL result = nullptr;
  const auto* names = reinterpret_cast<const DEVNAMES*>(ansi);
  const WORD offsets[3] = {names->wDriverOffset, names->wDeviceOffset, names->wOutputOffset};
  int units[3] = {};
  int bytes[3] = {};
  bool readable = size >= sizeof(DEVNAMES);
  for (int i = 0; readable && i < 3; ++i) {
    bytes[i] = TextInBlock(ansi, size, offsets[i]);
    readable = bytes[i] >= 0;
    if (readable) units[i] = bytes[i] ? AnsiToWide(ansi + offsets[i], bytes[i], nullptr, 0) : 0;
  }
  if (readable) {
    size_t wideSize = sizeof(DEVNAMES) + 2 * (units[0] + 1 + units[1] + 1 + units[2] + 1);
    result = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, wideSize);
    auto* wide = result ? static_cast<BYTE*>(GlobalLock(result)) : nullptr;
    if (wide) {
      auto* wideNames = reinterpret_cast<DEVNAMES*>(wide);
      auto* text = reinterpret_cast<wchar_t*>(wide);
      WORD at = sizeof(DEVNAMES) / sizeof(wchar_t);  // offsets count characters
      WORD* fields[3] = {&wideNames->wDriverOffset, &wideNames->wDeviceOffset, &wideNames->wOutputOffset};
      for (int i = 0; i < 3; ++i) {
        *fields[i] = at;
        if (units[i]) AnsiToWide(ansi + offsets[i], bytes[i], text + at, units[i]);
        at = static_cast<WORD>(at + units[i] + 1);  // the block is zero-filled: texts end there
      }
      wideNames->wDefault = names->wDefault;
      GlobalUnlock(result);
    } else if (result) {
      GlobalFree(result);
      result = nullptr;
    }
  }
  GlobalUnlock(ansiHandle);
  return result;
}

DeviceHandlePair::~DeviceHandlePair() {
  if (m_wideDevMode) GlobalFree(m_wideDevMode);
  if (m_wideDevNames) GlobalFree(m_wideDevNames);
}

HGLOBAL DeviceHandlePair::AnsiDevModeFor(HGLOBAL wide) {
  if (!wide || wide != m_wideDevMode || !m_ansiDevMode) return nullptr;
  auto* from = static_cast<const WideDevMode*>(GlobalLock(m_wideDevMode));
  auto* to = static_cast<AnsiDevMode*>(GlobalLock(m_ansiDevMode));
  // The ANSI block keeps its own size and driver-private data; only the public fields change.
  if (from && to && GlobalSize(m_ansiDevMode) >= sizeof(AnsiDevMode)) DevModeWToA(*from, *to);
  if (to) GlobalUnlock(m_ansiDevMode);
  if (from) GlobalUnlock(m_wideDevMode);
  return m_ansiDevMode;
}

HGLOBAL DeviceHandlePair::AnsiDevNamesFor(HGLOBAL wide) const {
  if (!wide || wide != m_wideDevNames) return nullptr;
  return m_ansiDevNames;
}

void DeviceHandlePair::Adopt(HGLOBAL ansiDevMode, HGLOBAL ansiDevNames) {
  m_ansiDevMode = ansiDevMode;
  m_ansiDevNames = ansiDevNames;
}

HGLOBAL DeviceHandlePair::MakeWideDevMode() {
  if (!m_ansiDevMode) return nullptr;
  if (!m_wideDevMode) m_wideDevMode = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(WideDevMode));
  if (!m_wideDevMode) return nullptr;
  auto* ansi = static_cast<const AnsiDevMode*>(GlobalLock(m_ansiDevMode));
  void* wide = GlobalLock(m_wideDevMode);
  if (ansi && wide && GlobalSize(m_ansiDevMode) >= sizeof(AnsiDevMode)) {
    DevModeAToWideBlock(*ansi, wide, sizeof(WideDevMode));
  }
  if (wide) GlobalUnlock(m_wideDevMode);
  if (ansi) GlobalUnlock(m_ansiDevMode);
  return m_wideDevMode;
}

HGLOBAL DeviceHandlePair::MakeWideDevNames() {
  if (m_wideDevNames) GlobalFree(m_wideDevNames);
  m_wideDevNames = WideDevNamesFromAnsi(m_ansiDevNames);
  return m_wideDevNames;
}

DeviceHandlePair& PrintDialogHandles() {
  static DeviceHandlePair pair;
  return pair;
}

DeviceHandlePair& PageSetupHandles() {
  static DeviceHandlePair pair;
  return pair;
}

}  // namespace ambrel
