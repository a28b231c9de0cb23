#include "ui/app/app_text.h"

#include "support/u16text.h"

namespace orvel::ui {

std::u16string ProductTitleFromText(std::u16string_view text) {
  std::u16string title(text);
  size_t lineFeed = title.find(u'\n');
  if (lineFeed != std::u16string::npos) title[lineFeed] = u' ';
  return title;
}

std::u16string QuoteForMessage(std::u16string_view text) {
  std::u16string quoted(text.substr(0, kMessageQuoteLimit));
  if (text.size() > kMessageQuoteLimit) quoted += u"...";
  return quoted;
}

std::u16string HeaderTitle(std::u16string_view title) {
  return std::u16string(title.substr(0, title.find(u'.')));
}

std::u16string ProgramOfCommandLine(std::u16string_view command) {
  size_t start = command.find_first_not_of(u' ');
  if (start == std::u16string_view::npos) return {};
  command.remove_prefix(start);
  if (command.front() == u'"') {
    size_t close = command.find(u'"', 1);
    return std::u16string(command.substr(1, close == std::u16string_view::npos ? close : close - 1));
  }
  // An unquoted path may hold blanks: it ends at the first ".exe" followed by a blank or the end.
  for (size_t at = 0; (at = command.find(u' ', at)) != std::u16string_view::npos; ++at) {
    if (at >= 4 && EqualsNoCase(command.substr(at - 4, 4), u".exe"))
      return std::u16string(command.substr(0, at));
  }
  return std::u16string(command);
}

}  // namespace orvel::ui
