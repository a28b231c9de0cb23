// The bookmark import of the web-bookmark list: asks for the source (the PC's favourites, the
// other browser's bookmark file found through the registry, or a file the operator chooses) and
// collects its bookmarks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orvel::ui {

// Runs the source dialog and the import it names. Fills `texts` with one text per bookmark in the
// order found: the URL, a line feed and the name. The import reports its own failures (messages
// 540 and 541). Returns false when the operator cancelled the source dialog.
bool RunBookmarkImport(HWND parent, HINSTANCE resources, std::vector<std::u16string>& texts);

}  // namespace orvel::ui
