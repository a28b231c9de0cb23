#include <gtest/gtest.h>

#include "settings/settings_reader.h"

namespace orvel {
namespace {}  // namespace
}  // namespace orvel
