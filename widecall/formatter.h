// Wide formatted output for systems without a working wide formatter.
#pragma once

#include <windows.h>

#include <cstdarg>

namespace ambrel {

// Like the system's formatter, the output stops at this many characters, the terminator included.
constexpr int kFormatLimit = 1024;

// Formats as the system's wvsprintfW does: always terminated, at most kFormatLimit - 1 characters;
// returns the characters written without the terminator.
int AnsiWvsprintf(wchar_t* output, const wchar_t* format, va_list arguments);

}  // namespace ambrel
