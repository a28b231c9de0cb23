#include "settings/settings_reader.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {}  // namespace
}  // namespace orvel
