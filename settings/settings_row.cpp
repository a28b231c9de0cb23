#include "settings/settings_row.h"

#include <algorithm>

#include "settings/settings_node.h"
#include "settings/settings_schema.h"
#include "support/u16text.h"

namespace orvel {
namespace {

void SetChildValue(CSettingsNode& node, uint32_t type, const std::u16string& value) {
  if (CSettingsNode* child = node.FindChildOfType(type)) child->SetDisplayValue(value);
}

}  // namespace

bool NodeToRows(const CSettingsNode& listNode, std::vector<CSettingsRow>& rows) {
  const bool www = listNode.GetType() == kWwwBookmarksType;
  for (size_t i = 0; i < listNode.GetChildCount(); ++i) {
    const CSettingsNode& entry = *listNode.GetChild(i);
    if (www) {
      rows.emplace_back(ChildValue(&entry, kWwwBookmarkNameType), ChildValue(&entry, kWwwBookmarkUrlType),
                        u"", u"", u"");
    } else {
      rows.emplace_back(ChildValue(&entry, kWapBookmarkNameType), ChildValue(&entry, kWapBookmarkUrlType),
                        ChildValue(&entry, kWapBookmarkUseConnectionType),
                        ChildValue(&entry, kWapBookmarkUsernameType),
                        ChildValue(&entry, kWapBookmarkPasswordType));
    }
  }
  return true;
}

bool RowsToNode(CSettingsNode& listNode, std::vector<CSettingsRow>& rows) {
  listNode.DeleteAllChildren();
  const bool created = listNode.IsCreated();
  std::stable_sort(rows.begin(), rows.end(), [](const CSettingsRow& a, const CSettingsRow& b) {
    return AsciiLower(a.m_name) < AsciiLower(b.m_name);
  });
  const bool www = listNode.GetType() == kWwwBookmarksType;
  for (const CSettingsRow& row : rows) {
    CSettingsNode& entry = *listNode.AddChild(u"", 0, www ? kWwwBookmarkType : kWapBookmarkType);
    BuildDefaultTree(entry);
    if (www) {
      SetChildValue(entry, kWwwBookmarkNameType, row.m_name);
      SetChildValue(entry, kWwwBookmarkUrlType, row.m_url);
    } else {
      SetChildValue(entry, kWapBookmarkNameType, row.m_name);
      SetChildValue(entry, kWapBookmarkUrlType, row.m_url);
      SetChildValue(entry, kWapBookmarkUseConnectionType, row.m_connection);
      SetChildValue(entry, kWapBookmarkUsernameType, row.m_userName);
      SetChildValue(entry, kWapBookmarkPasswordType, row.m_password);
    }
    entry.SetCreated(created, true);
  }
  return true;
}

}  // namespace orvel
