// The two places where contact and calendar text meets the platform: the local time zone and the
// ANSI code page. Both sit behind these functions so that the code builds on the host and for
// Windows without a Windows header.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace orvel {

// Calendar time to local broken-down time. Refuses times before 1970, which the Windows runtime
// cannot convert, so that both builds answer alike.
bool ToLocalTime(std::time_t time, std::tm& local);

// Local broken-down time to calendar time; tm_isdst of -1 lets the runtime decide daylight saving
// time. Refuses what the runtime cannot convert and results before 1970.
bool FromLocalTime(std::tm local, std::time_t& time);

// Text to bytes in the ANSI code page, as the Windows conversion with its default character '?'
// does. The Windows build converts with the system's code page (SystemAnsiBytes), so every Windows
// program that links this code gets it without a call; elsewhere the encoder is code page 1252.
using AnsiEncoder = std::string (*)(std::u16string_view text);
void SetAnsiEncoder(AnsiEncoder encoder);  // null restores the default
std::string ToAnsiBytes(std::u16string_view text);
std::string Cp1252Bytes(std::u16string_view text);
#if defined(_WIN32)
std::string SystemAnsiBytes(std::u16string_view text);  // pim/win/ansi_code_page.cpp
#endif

}  // namespace orvel
