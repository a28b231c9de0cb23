// Device modes and device names on the ANSI path: the 148- and 212-byte device modes of the
// 95/98/ME family, and the wide and ANSI blocks that the print dialogs hand back side by side.
#pragma once

#include <windows.h>

#include <cstddef>

#include "ambrel_core.h"

namespace ambrel {

// The device mode through its last field of the 95/98/ME family (before the panning fields of
// later systems); the two names are the only texts.
template <class Char>
struct DevModeOf {
  Char deviceName[32];
  WORD specVersion, driverVersion, size, driverExtra;
  DWORD fields;
  short orientation, paperSize, paperLength, paperWidth, scale, copies, defaultSource, printQuality;
  short color, duplex, yResolution, ttOption, collate;
  Char formName[32];
  WORD logPixels;
  DWORD bitsPerPel, pelsWidth, pelsHeight, displayFlags, displayFrequency;
  DWORD icmMethod, icmIntent, mediaType, ditherType, reserved1, reserved2;
};
using AnsiDevMode = DevModeOf<char>;
using WideDevMode = DevModeOf<wchar_t>;
static_assert(sizeof(AnsiDevMode) == 148 && sizeof(WideDevMode) == 212);
static_assert(offsetof(AnsiDevMode, formName) == offsetof(DEVMODEA, dmFormName));
static_assert(offsetof(WideDevMode, formName) == offsetof(DEVMODEW, dmFormName));
static_assert(offsetof(AnsiDevMode, reserved2) == offsetof(DEVMODEA, dmReserved2));
static_assert(offsetof(WideDevMode, reserved2) == offsetof(DEVMODEW, dmReserved2));

// Field by field, the two names converted. The size and driver-extra fields are the target's own:
// each form has its own size, and driver-private data is carried only where the target block has
// room for it (see the copy functions below).
void DevModeWToA(const WideDevMode& wide, AnsiDevMode& ansi);
void DevModeAToW(const AnsiDevMode& ansi, WideDevMode& wide);

// The ANSI copy of a caller's wide device mode in the list, with its driver-private data. The
// caller's block may be of any wide size; fields beyond its size count as zero. Null for null.
AnsiDevMode* AnsiDevModeCopy(ScratchList& list, const DEVMODEW* wide);
// Converts an ANSI device mode into a caller's wide block of room bytes (at least 212): its size
// field 212, the driver-private data carried when the block has room for it.
void DevModeAToWideBlock(const AnsiDevMode& ansi, void* wide, size_t room);

// A wide device-names block built from an ANSI one: offsets in characters, the driver text right
// after the four offsets and the default flag. Null when the ANSI block is null or unreadable.
HGLOBAL WideDevNamesFromAnsi(HGLOBAL ansi);

// The device-mode and device-names handles of one kind of print dialog. The dialog's own (ANSI)
// handles are kept and handed to the next dialog of the same kind; the caller gets wide handles
// that belong to this pair: its device mode stays one block for the life of the process, its
// device names a new block after each dialog (the previous one is freed).
class DeviceHandlePair {
 public:
  DeviceHandlePair() = default;
  DeviceHandlePair(const DeviceHandlePair&) = delete;
  DeviceHandlePair& operator=(const DeviceHandlePair&) = delete;
  ~DeviceHandlePair();

  // The ANSI device mode for a caller's wide handle: only the pair's own wide handle has one, and
  // the caller's changes to it are copied into the ANSI block first. Null for any other handle.
  HGLOBAL AnsiDevModeFor(HGLOBAL wide);
  // The ANSI device names for the pair's own wide handle; null for any other.
  HGLOBAL AnsiDevNamesFor(HGLOBAL wide) const;
  // A dialog's resulting handles become the pair's.
  void Adopt(HGLOBAL ansiDevMode, HGLOBAL ansiDevNames);
  // The wide device mode refreshed from the ANSI one (allocated once); null without an ANSI one.
  HGLOBAL MakeWideDevMode();
  // A new wide device-names block from the ANSI one; the previous wide block is freed.
  HGLOBAL MakeWideDevNames();

 private:
  HGLOBAL m_wideDevMode = nullptr;
  HGLOBAL m_wideDevNames = nullptr;
  HGLOBAL m_ansiDevMode = nullptr;
  HGLOBAL m_ansiDevNames = nullptr;
};

// The pairs of the print dialog and the page-setup dialog, created at first use.
DeviceHandlePair& PrintDialogHandles();
DeviceHandlePair& PageSetupHandles();

}  // namespace ambrel
