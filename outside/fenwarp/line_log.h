// A log of UTF-8 lines appended to one file, each written at once, so that another process (the
// test driver) reads every line as soon as it is logged. Several writers may share the file.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "support/win/handle.h"

namespace orvel::fenwarp {

class CLineLog {
 public:
  CLineLog() = default;
  // An empty path logs nothing.
  explicit CLineLog(const std::wstring& path);
  bool IsOpen() const { return static_cast<bool>(m_file); }
  void Write(std::wstring_view line) const;

 private:
  win::UniqueFile m_file;
};

// "0x8000FFFF": the form of every result code in the log.
std::wstring HexCode(long code);
// "0x1A2B": a window or menu handle in the log.
std::wstring HexHandle(const void* handle);
// A text in double quotes, as string arguments appear in the log.
std::wstring Quoted(std::wstring_view text);

}  // namespace orvel::fenwarp
