// Lines that tests read to follow what happened inside a process: appended to the file that the
// environment variable ORVEL_TRACE names; nothing is written when it is not set.
#pragma once

#include <string_view>

namespace orvel::win {

void TraceLine(std::wstring_view line);

}  // namespace orvel::win
