// The plug-in's text rules that need no window.
#pragma once

#include <string>
#include <string_view>

namespace orvel::ui {

// The product title from its language-library string: the first line feed becomes one blank.
std::u16string ProductTitleFromText(std::u16string_view text);

}  // namespace orvel::ui
