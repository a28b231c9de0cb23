#include "engine/reg_key_ex.h"

#include <algorithm>
#include <cstring>

namespace orvel::engine {

LSTATUS CRegKeyEx::Create(HKEY root, const std::wstring& path) {
  Close();
  m_path = path;
  m_lastResult = ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                   nullptr, m_key.out(), nullptr);
  return m_lastResult;
}

LSTATUS CRegKeyEx::Open(HKEY root, const std::wstring& path) {
  Close();
  m_path = path;
  m_lastResult = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, m_key.out());
  return m_lastResult;
}

void CRegKeyEx::Close() { m_key.reset(); }

LSTATUS CRegKeyEx::WriteDword(const wchar_t* name, DWORD value) {
  if (!m_key) return m_lastResult = ERROR_INVALID_HANDLE;
  m_lastResult =
      ::RegSetValueExW(m_key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  return m_lastResult;
}

std::optional<DWORD> CRegKeyEx::ReadDword(const wchar_t* name) {
  std::optional<std::vector<uint8_t>> raw = ReadRaw(name, REG_DWORD);
  if (!raw || raw->size() != sizeof(DWORD)) return std::nullopt;
  return static_cast<DWORD>((*raw)[0] | (*raw)[1] << 8 | (*raw)[2] << 16 |
                            static_cast<DWORD>((*raw)[3]) << 24);
}

std::optional<std::wstring> CRegKeyEx::ReadString(const wchar_t* name) {
  std::optional<std::vector<uint8_t>> raw = ReadRaw(name, REG_SZ, REG_EXPAND_SZ);
  if (!raw) return std::nullopt;
  // The stored text need not end with a terminator, nor have an even size.
  std::wstring text(raw->size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), raw->data(), text.size() * sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

LSTATUS CRegKeyEx::WriteArchive(const wchar_t* name, const std::vector<uint8_t>& data) {
  if (!m_key) return m_lastResult = ERROR_INVALID_HANDLE;
  if (data.size() > kMaxBinarySize) return m_lastResult = ERROR_INVALID_DATA;
  m_lastResult = ::RegSetValueExW(m_key.get(), name, 0, REG_BINARY, data.empty() ? nullptr : data.data(),
                                  static_cast<DWORD>(data.size()));
  return m_lastResult;
}

std::optional<std::vector<uint8_t>> CRegKeyEx::ReadArchive(const wchar_t* name) {
  return ReadRaw(name, REG_BINARY);
}

std::optional<std::vector<uint8_t>> CRegKeyEx::ReadRaw(const wchar_t* name, DWORD type, DWORD type2) {
  m_valueType = REG_NONE;
  m_valueSize = 0;
  if (!m_key) {
    m_lastResult = ERROR_INVALID_HANDLE;
    return std::nullopt;
  }
  // The value may change between the size query and the read: a grown value is asked again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD valueType = REG_NONE, size = 0;
    m_lastResult = ::RegQueryValueExW(m_key.get(), name, nullptr, &valueType, nullptr, &size);
    if (m_lastResult != ERROR_SUCCESS) return std::nullopt;
    m_valueType = valueType;
    m_valueSize = size;
    if ((valueType != type && valueType != type2) || size > kMaxBinarySize) {
      m_lastResult = ERROR_INVALID_DATA;
      return std::nullopt;
    }
    std::vector<uint8_t> data(size);
    m_lastResult = ::RegQueryValueExW(m_key.get(), name, nullptr, &valueType,
                                      data.empty() ? nullptr : data.data(), &size);
    if (m_lastResult == ERROR_MORE_DATA) continue;
    if (m_lastResult != ERROR_SUCCESS) return std::nullopt;
    if (valueType != type && valueType != type2) {
      m_lastResult = ERROR_INVALID_DATA;
      return std::nullopt;
    }
    data.resize(std::min<size_t>(size, data.size()));
    m_valueSize = size;
    return data;
  }
  return std::nullopt;
}

}  // namespace orvel::engine
