// A registry key of the engine's own settings: create or open with full access, DWORD and string
// values, and an archived object kept as one REG_BINARY value.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/win/handle.h"

namespace orvel::engine {

class CRegKeyEx {
 public:
  // No binary value of the engine's settings is larger; a bigger one is not read.
  static constexpr DWORD kMaxBinarySize = 1 << 20;

  // Creates the key when it is missing and opens it with full access.
  LSTATUS Create(HKEY root, const std::wstring& path);
  LSTATUS Open(HKEY root, const std::wstring& path);
  void Close();
  bool IsOpen() const { return static_cast<bool>(m_key); }

  LSTATUS WriteDword(const wchar_t* name, DWORD value);
  std::optional<DWORD> ReadDword(const wchar_t* name);
  std::optional<std::wstring> ReadString(const wchar_t* name);
  // The archived object's bytes, written in one piece.
  LSTATUS WriteArchive(const wchar_t* name, const std::vector<uint8_t>& data);
  // No value when the value is missing, of another type or larger than kMaxBinarySize.
  std::optional<std::vector<uint8_t>> ReadArchive(const wchar_t* name);

  LSTATUS LastResult() const { return m_lastResult; }
  DWORD ValueType() const { return m_valueType; }
  DWORD ValueSize() const { return m_valueSize; }
  const std::wstring& Path() const { return m_path; }

 private:
  // Reads a value of one of the types into bytes; the size is looked up first and checked.
  std::optional<std::vector<uint8_t>> ReadRaw(const wchar_t* name, DWORD type, DWORD type2 = REG_NONE);

  LSTATUS m_lastResult = ERROR_SUCCESS;
  DWORD m_valueType = REG_NONE;
  DWORD m_valueSize = 0;
  win::UniqueRegKey m_key;
  std::wstring m_path;
};

}  // namespace orvel::engine
