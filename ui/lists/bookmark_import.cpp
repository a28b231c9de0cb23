#include "ui/lists/bookmark_import.h"

namespace orvel::ui {

bool RunBookmarkImport(HWND, HINSTANCE, std::vector<std::u16string>& texts) {
  texts.clear();
  return false;
}

}  // namespace orvel::ui
