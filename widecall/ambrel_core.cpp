#include "ambrel_core.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

namespace ambrel {
namespace {

// The ANSI version structure as the 95/98/ME family knows it (no extended fields).
struct VersionInfoA {
  DWORD size;
  DWORD major;
  DWORD minor;
  DWORD build;
  DWORD platform;
  char servicePack[128];
};
static_assert(sizeof(VersionInfoA) == 148);

DWORD g_osLevel = 0;
bool g_useAnsi = false;

}  // namespace

DWORD OsLevelFromVersion(DWORD platform, DWORD major, DWORD minor) {
  if (platform == VER_PLATFORM_WIN32_WINDOWS) {
    return (major > 4 || (major == 4 && minor != 0)) ? kLevelWin98 : kLevelWin95;
  }
  return major > 4 ? kLevelWin2000 : kLevelNt4;
}

bool DetectOsLevel() {
  if (g_osLevel != 0) return true;
  VersionInfoA info{};
  info.size = sizeof(info);
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return false;
  g_osLevel = OsLevelFromVersion(info.platform, info.major, info.minor);
  return true;
}

DWORD OsLevel() {
  if (g_osLevel == 0) DetectOsLevel();
  return g_osLevel;
}

bool IsWin9x() {
  DWORD level = OsLevel();
  return level == kLevelWin95 || level == kLevelWin98;
}
bool IsWin98OrLater() { return OsLevel() == kLevelWin98; }
bool IsWindows2000OrLater() { return OsLevel() == kLevelWin2000; }

bool InitUseAnsiFlag() {
  g_useAnsi = IsWin9x();
  return g_useAnsi;
}
bool UseAnsi() { return g_useAnsi; }

int WideToAnsi(const wchar_t* wide, int count, char* ansi, int size) {
  return WideCharToMultiByte(CP_ACP, 0, wide, count, ansi, ansi ? size : 0, nullptr, nullptr);
}

int AnsiToWide(const char* ansi, int count, wchar_t* wide, int size) {
  return MultiByteToWideChar(CP_ACP, 0, ansi, count, wide, wide ? size : 0);
}

int WideToAnsiCut(const wchar_t* wide, int count, char* ansi, int size) {
  if (!wide || !ansi || size <= 0) return 0;
  if (count < 0) count = static_cast<int>(std::wcslen(wide));
  if (count == 0) return 0;
  int needed = WideToAnsi(wide, count, nullptr, 0);
  if (needed <= 0) return 0;
  if (needed <= size) return WideToAnsi(wide, count, ansi, size);
  char* all = static_cast<char*>(std::malloc(needed));
  if (!all) return 0;
  WideToAnsi(wide, count, all, needed);
  int kept = 0;
  while (kept < size) {
    int step = IsDBCSLeadByte(static_cast<BYTE>(all[kept])) ? 2 : 1;
    if (kept + step > size) break;
    kept += step;
  }
  std::memcpy(ansi, all, kept);
  std::free(all);
  return kept;
}

int AnsiMaxCharBytes() {
  static const int bytes = [] {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 0 ? static_cast<int>(info.MaxCharSize) : 2;
  }();
  return bytes;
}

int AnsiBytesFor(int units) {
  if (units <= 0) return 0;
  int most = AnsiMaxCharBytes();
  return units > INT_MAX / most ? INT_MAX : units * most;
}

ScratchList::~ScratchList() {
  if (m_count == 0) {
    std::free(m_items);
    return;
  }
  void** blocks = static_cast<void**>(m_items);
  for (unsigned i = 0; i < m_count; ++i) std::free(blocks[i]);
  std::free(blocks);
}

void* ScratchList::Alloc(size_t bytes) {
  void* block = std::calloc(1, bytes ? bytes : 1);
  if (!block) return nullptr;
  if (m_count == 0 && !m_items) {
    m_items = block;
    return block;
  }
  unsigned newCount = m_count == 0 ? 2 : m_count + 1;
  void** blocks = static_cast<void**>(std::malloc(newCount * sizeof(void*)));
  if (!blocks) {
    std::free(block);
    return nullptr;
  }
  if (m_count == 0) {
    blocks[0] = m_items;
  } else {
    std::memcpy(blocks, m_items, m_count * sizeof(void*));
    std::free(m_items);
  }
  blocks[newCount - 1] = block;
  m_items = blocks;
  m_count = newCount;
  return block;
}

char* WideToAnsiDup(ScratchList& list, const wchar_t* wide, int count, int* length) {
  if (length) *length = 0;
  if (IsIntResource(wide)) return reinterpret_cast<char*>(const_cast<wchar_t*>(wide));
  if (count == 0) {
    return static_cast<char*>(list.Alloc(1));
  }
  int needed = WideToAnsi(wide, count, nullptr, 0);
  if (needed <= 0) return nullptr;
  char* ansi = static_cast<char*>(list.Alloc(needed + 1));
  if (!ansi || WideToAnsi(wide, count, ansi, needed) != needed) return nullptr;
  if (length) *length = count == -1 ? needed - 1 : needed;
  return ansi;
}

wchar_t* AnsiToWideNew(const char* ansi) {
  if (IsIntResource(ansi)) return reinterpret_cast<wchar_t*>(const_cast<char*>(ansi));
  int needed = AnsiToWide(ansi, -1, nullptr, 0);
  if (needed <= 0) return nullptr;
  wchar_t* wide = new (std::nothrow) wchar_t[needed];
  if (wide && AnsiToWide(ansi, -1, wide, needed) != needed) {
    delete[] wide;
    return nullptr;
  }
  return wide;
}

wchar_t* AnsiToWideDup(ScratchList& list, const char* ansi, int count, int* length) {
  if (length) *length = 0;
  if (!ansi) return nullptr;
  int needed = count == 0 ? 0 : AnsiToWide(ansi, count, nullptr, 0);
  if (needed < 0) needed = 0;
  wchar_t* wide = static_cast<wchar_t*>(list.Alloc((needed + 1) * sizeof(wchar_t)));
  if (!wide) return nullptr;
  if (needed > 0) AnsiToWide(ansi, count, wide, needed);
  if (length) *length = count == -1 ? static_cast<int>(std::wcslen(wide)) : needed;
  return wide;
}

int ConvertTruncated(const char* ansi, int count, wchar_t* wide, int size) {
  if (!wide || size <= 0 || !ansi) return 0;
  if (count == 0) return 0;
  int needed = AnsiToWide(ansi, count, nullptr, 0);
  if (needed <= 0) return 0;
  if (needed <= size) return AnsiToWide(ansi, count, wide, size);
  // Too long: convert in full aside, keep what fits and end it with a terminator.
  wchar_t* all = static_cast<wchar_t*>(std::malloc(needed * sizeof(wchar_t)));
  if (!all) return 0;
  AnsiToWide(ansi, count, all, needed);
  std::memcpy(wide, all, (size - 1) * sizeof(wchar_t));
  wide[size - 1] = 0;
  std::free(all);
  return size;
}

int CopyAnsiToWide(const char* ansi, wchar_t* wide, int size, bool truncate) {
  if (!ansi) ansi = "";
  if (!truncate) {
    int needed = AnsiToWide(ansi, -1, nullptr, 0);
    if (needed > size) return needed;
  }
  if (!wide || size <= 0) return 0;
  std::memset(wide, 0, size * sizeof(wchar_t));
  int written = ConvertTruncated(ansi, -1, wide, size);
  return written > 0 ? written - 1 : 0;
}

AnsiOutBuffer::AnsiOutBuffer(ScratchList& list, wchar_t* wide, int size, int preload)
    : m_list(list), m_wide(wide), m_size(size) {
  if (size == -1 && wide) m_size = static_cast<int>(std::wcslen(wide)) + 1;
  if (!wide || m_size <= 0) return;
  // One byte more than the characters take, so that a text cut by the ANSI function still ends.
  m_capacity = AnsiBytesFor(m_size) + 1;
  m_ansi = static_cast<char*>(list.Alloc(m_capacity));
  if (!m_ansi) return;
  if (preload == -1 || preload > 0) {
    int units = static_cast<int>(wcsnlen(wide, m_size));
    if (preload > 0 && preload < units) units = preload;
    // The caller's text fits its own buffer, so its ANSI form fits this one.
    if (units > 0) WideToAnsi(wide, units, m_ansi, m_capacity - 1);
  }
}

bool AnsiOutBuffer::Grow(int bytes) {
  if (!m_wide || m_size <= 0 || bytes <= m_capacity) return false;
  auto* ansi = static_cast<char*>(m_list.Alloc(bytes));
  if (!ansi) return false;
  m_ansi = ansi;
  m_capacity = bytes;
  return true;
}

int AnsiOutBuffer::Units() const {
  if (!m_ansi) return 0;
  int bytes = static_cast<int>(strnlen(m_ansi, m_capacity));
  return bytes > 0 ? AnsiToWide(m_ansi, bytes, nullptr, 0) : 0;
}

int AnsiOutBuffer::CopyBack(int count) {
  if (!m_wide || !m_ansi || m_size <= 0) return 0;
  if (count < -1 || count > m_capacity) return 0;
  if (count == -1) count = static_cast<int>(strnlen(m_ansi, m_capacity));
  int units = 0;
  const wchar_t* wide = count > 0 ? AnsiToWideDup(m_list, m_ansi, count, &units) : nullptr;
  if (!wide) units = 0;
  // A terminator inside the count ends the text.
  if (wide) units = static_cast<int>(wcsnlen(wide, units));
  if (units > m_size - 1) units = m_size - 1;
  if (units > 0) std::wmemcpy(m_wide, wide, units);
  m_wide[units] = 0;
  return units;
}

void WidenInPlace(void* buffer, const DWORD* length, DWORD capacity) {
  if (!buffer) return;
  const char* text = static_cast<const char*>(buffer);
  int bytes = length ? static_cast<int>(*length) : static_cast<int>(std::strlen(text));
  int units = static_cast<int>(capacity / 2);
  if (units <= 0) return;
  // Convert from a copy: the wide text overwrites its own source.
  char* copy = static_cast<char*>(std::malloc(bytes + 1));
  if (!copy) return;
  std::memcpy(copy, text, bytes);
  copy[bytes] = 0;
  int needed = bytes ? AnsiToWide(copy, bytes, nullptr, 0) : 0;
  wchar_t* all = static_cast<wchar_t*>(std::malloc((needed + 1) * sizeof(wchar_t)));
  int written = 0;
  if (all && needed > 0) {
    written = AnsiToWide(copy, bytes, all, needed);
    if (written > units) written = units;
    std::memcpy(buffer, all, written * sizeof(wchar_t));
  }
  if (written < units) static_cast<wchar_t*>(buffer)[written] = 0;
  std::free(all);
  std::free(copy);
}

bool IsApplicationClassWindow(HWND window) {
  char name[260] = {};
  if (GetClassNameA(window, name, sizeof(name)) <= 0) return false;
  WNDCLASSEXA info{};
  info.cbSize = sizeof(info);
  return !GetClassInfoExA(nullptr, name, &info);
}

}  // namespace ambrel
