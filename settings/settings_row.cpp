#include "settings/settings_row.h"

#include <algorithm>

#include "settings/settings_node.h"
#include "support/u16text.h"

namespace orvel {
namespace {

void SetChildValue(CSettingsNode& node, uint32_t type, const std::u16string& value) {
  if (CSettingsNode* child = node.FindChildOfType(type)) child->SetDisplayValue(value);
}

}  // namespace

bool NodeToRows(const CSettingsNode& listNode, std::vector<CSettingsRow>& rows) {
  const bool www = listNode.GetType() == 98;
  for (size_t i = 0; i < listNode.GetChildCount(); ++i) {
    const CSettingsNode& entry = *listNode.GetChild(i);
    if (www) {
      rows.emplace_back(ChildValue(&entry, 100), ChildValue(&entry, 101), u"", u"", u"");
    } else {
      rows.emplace_back(ChildValue(&entry, 104), ChildValue(&entry, 105), ChildValue(&entry, 106),
                        ChildValue(&entry, 107), ChildValue(&entry, 108));
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
  const bool www = listNode.GetType() == 98;
  for (const CSettingsRow& row : rows) {
    CSettingsNode& entry = *listNode.AddChild(u"", 0, www ? 99 : 103);
    BuildDefaultTree(entry);
    if (www) {
      SetChildValue(entry, 100, row.m_name);
      SetChildValue(entry, 101, row.m_url);
    } else {
      SetChildValue(entry, 104, row.m_name);
      SetChildValue(entry, 105, row.m_url);
      SetChildValue(entry, 106, row.m_connection);
      SetChildValue(entry, 107, row.m_userName);
      SetChildValue(entry, 108, row.m_password);
    }
    entry.SetCreated(created, true);
  }
  return true;
}

}  // namespace orvel
