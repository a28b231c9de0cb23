// File access of the settings code: the one place that reaches the operating system (Win32 in the
// Windows build, POSIX on the host). Failures come back with the system's own message text.
#pragma once

#include <string>
#include <string_view>

namespace orvel {

// The longest system message kept.
inline constexpr size_t kMaxSystemMessageLength = 1024;

// Reads the whole file into `bytes`. False when it cannot be opened or read; `error` then holds
// the system's message.
bool ReadFileBytes(const std::u16string& path, std::string& bytes, std::u16string& error);

// Writes `bytes` to a new temporary file beside `path` and then puts that file in place of
// `path`, so an existing file is never left half written: when anything fails it stays as it was
// and the temporary file is removed. False with the system's message in `error` on failure.
bool ReplaceFileBytes(const std::u16string& path, std::string_view bytes, std::u16string& error);

}  // namespace orvel
