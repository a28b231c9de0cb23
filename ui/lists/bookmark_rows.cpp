#include "ui/lists/bookmark_rows.h"

#include <algorithm>
#include <unordered_set>

#include "settings/settings_host.h"
#include "settings/settings_validate.h"
#include "ui/app/resource_ids.h"

namespace orvel::ui {
namespace {

constexpr size_t kImportedUrlLimit = 264;
constexpr size_t kImportedNameLimit = 256;

bool NameTaken(const std::vector<CSettingsRow>& rows, const std::u16string& name, int editedIndex) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (static_cast<int>(i) != editedIndex && rows[i].m_name == name) return true;
  }
  return false;
}

bool Within(const std::u16string& text, size_t low, size_t high) {
  return text.size() >= low && text.size() <= high;
}

}  // namespace

EntryLimits LimitsOf(BookmarkMode mode) {
  return mode == BookmarkMode::Wap ? EntryLimits{50, 255, 50, 20} : EntryLimits{256, 264, 0, 0};
}

uint32_t CheckEntry(BookmarkMode mode, const CSettingsRow& entry, const std::vector<CSettingsRow>& rows,
                    int editedIndex, std::u16string_view noConnection) {
  const EntryLimits limits = LimitsOf(mode);
  if (!Within(entry.m_name, 1, limits.name) || NameTaken(rows, entry.m_name, editedIndex))
    return kBadBookmarkNameText;
  if (!Within(entry.m_url, 1, limits.url) || !IsValidUrl(entry.m_url)) return kBadBookmarkUrlText;
  if (mode == BookmarkMode::Web) return 0;
  if (entry.m_userName.size() > limits.userName) return kBadBookmarkUserNameText;
  if (entry.m_password.size() > limits.password) return kBadBookmarkPasswordText;
  if (entry.m_connection.empty() || entry.m_connection == noConnection) return kBadBookmarkConnectionText;
  return 0;
}

std::u16string ChoiceShownText(const std::u16string& choice) {
  const size_t feed = choice.find(u'\n');
  return feed == std::u16string::npos ? choice : choice.substr(feed + 1);
}

std::u16string NoConnectionText() { return LoadResString(kNoConnectionsDefinedText, true); }

size_t MergeImportedBookmarks(const std::vector<std::u16string>& texts, std::vector<CSettingsRow>& rows) {
  const size_t first = rows.size();
  // The names taken, looked up once per text: a pass over the rows for each made a large import
  // quadratic. Exact comparison, as NameTaken's. The set views the rows' own names, which stay
  // where they are because the rows have room for every text.
  rows.reserve(rows.size() + texts.size());
  std::unordered_set<std::u16string_view> taken;
  taken.reserve(rows.capacity());
  for (const CSettingsRow& row : rows) taken.insert(row.m_name);
  for (const std::u16string& text : texts) {
    const size_t feed = text.find(u'\n');
    std::u16string url, name;
    if (feed != std::u16string::npos) {
      url = text.substr(0, std::min(feed, kImportedUrlLimit));
      name = text.substr(feed + 1, kImportedNameLimit);
    } else {
      name = text.substr(0, kImportedNameLimit);
    }
    // A nameless bookmark would be a row that the entry check refuses at once.
    if (name.empty() || url.empty() || taken.count(name) != 0 || !IsValidUrl(url)) continue;
    rows.emplace_back(std::move(name), std::move(url), u"", u"", u"");
    taken.insert(rows.back().m_name);
  }
  return first;
}

}  // namespace orvel::ui
