// Shared pieces of every ANSI path: OS level, the switch flag, conversions, the per-call scratch
// list and output buffers.
#pragma once

#include <windows.h>

#include <cstddef>

namespace ambrel {

constexpr DWORD kLevelWin95 = 1;
constexpr DWORD kLevelWin98 = 2;  // Windows 98 or ME
constexpr DWORD kLevelNt4 = 0x10000;
constexpr DWORD kLevelWin2000 = 0x20000;

// The OS level of a version query's platform, major and minor numbers.
DWORD OsLevelFromVersion(DWORD platform, DWORD major, DWORD minor);
// Fills the OS level once; true when the version query succeeded or the level was known.
bool DetectOsLevel();
DWORD OsLevel();
bool IsWin9x();
bool IsWin98OrLater();  // level 2 exactly: Windows 95 is excluded
bool IsWindows2000OrLater();
// Sets the switch flag from IsWin9x; run during static initialisation.
bool InitUseAnsiFlag();
// The switch flag: true on Windows 95/98/ME, where exports take their ANSI path.
bool UseAnsi();

// A value below 0x10000 in a text argument is a resource or atom number, never text.
inline bool IsIntResource(const void* p) { return reinterpret_cast<ULONG_PTR>(p) < 0x10000; }

// The system conversions in the ANSI code page; a null output gives the needed size.
int WideToAnsi(const wchar_t* wide, int count, char* ansi, int size);
int AnsiToWide(const char* ansi, int count, wchar_t* wide, int size);
// The ANSI form of count units (-1: to the terminator, not included) cut to at most size bytes,
// never in the middle of a double-byte character; nothing is added. Returns the bytes written.
int WideToAnsiCut(const wchar_t* wide, int count, char* ansi, int size);
// The most bytes one character takes in the ANSI code page (2 under 932, 936, 949 and 950).
int AnsiMaxCharBytes();
// The bytes of an ANSI buffer that holds as many characters as a wide buffer of units units.
int AnsiBytesFor(int units);

// Conversion buffers of one call, freed together when the call ends. The first block is kept in
// the items field itself; from the second on, items is an array of block pointers.
class ScratchList {
 public:
  ScratchList() = default;
  ScratchList(const ScratchList&) = delete;
  ScratchList& operator=(const ScratchList&) = delete;
  ~ScratchList();
  // Zero-filled block of bytes; null when memory is short.
  void* Alloc(size_t bytes);
  unsigned count() const { return m_count; }

 private:
  void* m_items = nullptr;
  unsigned m_count = 0;
};

// The ANSI copy of a wide text in the list (count -1: up to the terminator). Numbers below 0x10000
// and null pass unchanged; a failed conversion gives null. The byte length goes to *length.
char* WideToAnsiDup(ScratchList& list, const wchar_t* wide, int count = -1, int* length = nullptr);
// A new wide copy (free with delete[]); null and numbers below 0x10000 pass unchanged.
wchar_t* AnsiToWideNew(const char* ansi);
// The wide copy of count ANSI bytes (-1: to the terminator) in the list, always terminated;
// *length: the text's length (count -1) or the units converted (explicit count).
wchar_t* AnsiToWideDup(ScratchList& list, const char* ansi, int count = -1, int* length = nullptr);

// Copies a terminated ANSI result into a wide buffer of size units. Without truncate, a text that
// does not fit (terminator included) writes nothing and returns the needed size. Otherwise the
// buffer is zero-filled, at most size - 1 units are written and terminated, and the units written
// less the terminator are returned.
int CopyAnsiToWide(const char* ansi, wchar_t* wide, int size, bool truncate);

// Converts count ANSI bytes (-1: up to and including the terminator) into at most size units of
// wide; when the text does not fit, the last unit written is a terminator. Returns units written.
int ConvertTruncated(const char* ansi, int count, wchar_t* wide, int size);

// An output buffer: the caller's wide buffer of size units (-1: its text's length and terminator)
// and an ANSI buffer of capacity bytes, which holds as many characters of the longest form.
// A preload (-1: the text up to its terminator) puts the caller's text into the ANSI buffer whole.
class AnsiOutBuffer {
 public:
  AnsiOutBuffer(ScratchList& list, wchar_t* wide, int size, int preload = 0);
  char* ansi() const { return m_ansi; }
  int size() const { return m_size; }
  // The ANSI buffer's size in bytes, as the ANSI function is told it; 0 without a buffer.
  int capacity() const { return m_ansi ? m_capacity : 0; }
  // The wide units of the ANSI text (up to its terminator), however many the caller has room for.
  int Units() const;
  // Converts the first count ANSI bytes (-1: up to the terminator) into the caller's buffer, cut to
  // size - 1 units and terminated; returns the units written without the terminator. A count
  // beyond the ANSI buffer (a size the ANSI function asks for) copies nothing.
  int CopyBack(int count);
  // A new, empty ANSI buffer of bytes bytes, for an ANSI function that refused the first; false
  // when memory is short (the buffer is then kept).
  bool Grow(int bytes);

 private:
  ScratchList& m_list;
  wchar_t* m_wide;
  char* m_ansi = nullptr;
  int m_size;
  int m_capacity = 0;
};

// Turns ANSI text in a caller's buffer into wide text in place, at most capacity / 2 units, and
// terminates it when there is room. length: its byte length, or null for the text's own length.
void WidenInPlace(void* buffer, const DWORD* length, DWORD capacity);

// True when the window's class name can be read and is not a system class.
bool IsApplicationClassWindow(HWND window);

}  // namespace ambrel
