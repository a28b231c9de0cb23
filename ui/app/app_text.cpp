#include "ui/app/app_text.h"

namespace orvel::ui {

std::u16string ProductTitleFromText(std::u16string_view text) {
  std::u16string title(text);
  size_t lineFeed = title.find(u'\n');
  if (lineFeed != std::u16string::npos) title[lineFeed] = u' ';
  return title;
}

}  // namespace orvel::ui
