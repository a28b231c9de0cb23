// Flat rows of the bookmark lists (98 WWWBookmarks, 102 WAPBookmarks), which the list dialogs edit
// instead of the tree.
#pragma once

#include <string>
#include <vector>

namespace orvel {

class CSettingsNode;

// One bookmark. A WWW bookmark uses only name and URL; a WAP bookmark all five fields.
class CSettingsRow {
 public:
  CSettingsRow() = default;
  CSettingsRow(std::u16string name, std::u16string url, std::u16string connection, std::u16string userName,
               std::u16string password)
      : m_name(std::move(name)),
        m_url(std::move(url)),
        m_connection(std::move(connection)),
        m_userName(std::move(userName)),
        m_password(std::move(password)) {}

  bool operator==(const CSettingsRow&) const = default;

  std::u16string m_name;
  std::u16string m_url;
  std::u16string m_connection;
  std::u16string m_userName;
  std::u16string m_password;
};

// Appends one row per entry of the list node, in list order, from the entries' stored values.
bool NodeToRows(const CSettingsNode& listNode, std::vector<CSettingsRow>& rows);

// Replaces the list's entries by the rows: sorts the rows in place by name, ignoring case
// (rows with equal names keep their order), and builds one new entry per row carrying the list's
// create flag.
bool RowsToNode(CSettingsNode& listNode, std::vector<CSettingsRow>& rows);

}  // namespace orvel
