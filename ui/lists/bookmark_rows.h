// The rules of the bookmark list dialogs that need no window: the limits and checks of one entry,
// the text a connection choice shows, and the merge of imported bookmarks into the rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_row.h"

namespace orvel::ui {

// The two kinds of list: 0 web bookmarks (name and URL), 1 WAP bookmarks (all five fields).
enum class BookmarkMode : uint16_t { Web = 0, Wap = 1 };

// Messages of the failed checks, in the order the checks run.

struct EntryLimits {
  size_t name;
  size_t url;
  size_t userName;  // 0: the entry has none
  size_t password;
};
EntryLimits LimitsOf(BookmarkMode mode);

// Checks an entry as edited (the row at `editedIndex`, -1 for a new one): the message of the first
// failed check, 0 when all pass. The name must be 1 to the limit characters long and no other row
// may have exactly the same name (case counts); the URL must fit and pass IsValidUrl. A WAP entry's
// user name and password must fit, and its connection must be chosen: not empty and not the
// choice that stands for "no connection" (`noConnection`, the text the choice list shows for it).
uint32_t CheckEntry(BookmarkMode mode, const CSettingsRow& entry, const std::vector<CSettingsRow>& rows,
                    int editedIndex, std::u16string_view noConnection);

// The text a choice shows: after its first line feed, or the whole choice when it has none.
std::u16string ChoiceShownText(const std::u16string& choice);

// What the connection choice list shows when there is no WAP connection to choose: the display text
// of NoConnectionsDefined (443), which the schema's choice list holds.
std::u16string NoConnectionText();

// Merges imported bookmarks, each "URL\nname", into the rows, in order: the URL is cut to 264
// characters and the name to 256. A text is skipped when its name is empty or already a row's
// (rows added by the same merge count), or when IsValidUrl refuses its URL; a text without a line
// feed has no URL. Returns the index of the first row added (rows.size() before, when none was).
size_t MergeImportedBookmarks(const std::vector<std::u16string>& texts, std::vector<CSettingsRow>& rows);

}  // namespace orvel::ui
