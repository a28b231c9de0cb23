#include "outside/fenwarp/line_log.h"

#include <cstdint>
#include <cwchar>

#include "support/u16text.h"
#include "support/win/wide.h"

namespace orvel::fenwarp {

CLineLog::CLineLog(const std::wstring& path) {
  if (path.empty()) return;
  // Append-only access: every write lands at the end, whichever writer makes it.
  m_file.reset(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
}

void CLineLog::Write(std::wstring_view line) const {
  if (!m_file) return;
  std::string bytes = AsUtf8(win::FromWide(line)) + "\r\n";
  DWORD written = 0;
  ::WriteFile(m_file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring HexCode(long code) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(code));
  return text;
}

std::wstring HexHandle(const void* handle) {
  auto value = reinterpret_cast<uintptr_t>(handle);
  std::wstring digits;
  do {
    digits.insert(digits.begin(), L"0123456789ABCDEF"[value & 0xF]);
    value >>= 4;
  } while (value);
  return L"0x" + digits;
}

std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }

}  // namespace orvel::fenwarp
