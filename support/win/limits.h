// The Windows side of the time-limit override: the text of ORVEL_LIMITS (support/limits.h).
#pragma once

#include <string>

namespace orvel::win {

// The variable's text in this process's environment, "" when it is not set. It is read through
// the system rather than the runtime, whose copy of the environment a library cannot trust to
// hold what its host process set after starting.
std::string LimitsOverrideText();

}  // namespace orvel::win
