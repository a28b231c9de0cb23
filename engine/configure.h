// The Configure operation: a settings document from a client is loaded, checked, written in
// device form and carried to the device by the settings transport module; then the files and
// packages that it names are copied and installed. The steps are CRequest members (kinds 1 and 2).
#pragma once

#include <cstdint>
#include <string>

namespace orvel::engine {

// Progress to the open client, when there is one.
void ProgressToClient(uint32_t stage, const std::u16string& tag, uint32_t percent);

}  // namespace orvel::engine
