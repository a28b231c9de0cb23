// The plug-in's text rules that need no window.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvel::ui {

// The product title from its language-library string: the first line feed becomes one blank.
std::u16string ProductTitleFromText(std::u16string_view text);

// A name or value quoted in a message: its first 100 characters, then "..." when it was longer.
inline constexpr size_t kMessageQuoteLimit = 100;
std::u16string QuoteForMessage(std::u16string_view text);

// The document title as the main view's header shows it: up to its first ".".
std::u16string HeaderTitle(std::u16string_view title);

// The program of a command line as the registry keeps it for a local server: the quoted path, or
// the text up to its first blank that ends in ".exe", or the whole text.
std::u16string ProgramOfCommandLine(std::u16string_view command);

}  // namespace orvel::ui
