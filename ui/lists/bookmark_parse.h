// The other browser's bookmark file (an HTML list of "<DT><A HREF=...>name</A>" entries) read into
// the import's texts, each a URL, a line feed and a name. Portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/dialogs/text_logic.h"

namespace orvel::ui {

// The entries of a bookmark file's text (lines joined with line feeds), in the order found: at
// each "<dt>" (or, when the rest holds none, "<DT>") the next "<a href=" (or "<A HREF="); the URL
// is the quoted text after it up to the closing quotation mark or, unquoted, the text up to white
// space or ">"; the name is what follows the next ">" up to the next "<", without its line feeds.
// A missing quotation mark ends the URL at the end of its line; a missing ">" or "<" ends that
// part at the end of the text.
std::vector<std::u16string> ParseBookmarkText(std::u16string_view text);

// Reads the file (a path whose first ";" is its last character is read without it), decodes it
// (UTF-16 after its byte-order mark, otherwise ANSI text through `ansi`) and parses it into out.
// False, with out empty, when the file cannot be read.
bool ParseBookmarkFile(std::u16string path, std::vector<std::u16string>& out, const AnsiDecoder& ansi);

// Removes the texts whose name (what follows the first line feed) is empty: such a bookmark could
// only become a row that the settings refuse.
void DropUnnamedBookmarks(std::vector<std::u16string>& texts);

}  // namespace orvel::ui
