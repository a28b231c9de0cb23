#include "settings/settings_bench_document.h"

#include <string>
#include <vector>

#include "settings/settings_document.h"
#include "settings/settings_host.h"
#include "settings/settings_node.h"
#include "settings/settings_row.h"
#include "settings/settings_schema.h"

namespace orvel {

namespace {


}  // namespace

CSettingsNode& BenchBookmarkList(const CSettingsNode& root) {
  return *root.FindChildOfType(kPersonalDataType)->FindChildOfType(kWapBookmarksType);
}

size_t BenchAccessPointCount(const CSettingsNode& root) {
  const CSettingsNode& iap = *root.FindChildOfType(kIapSettingsType);
  size_t count = 0;
  for (size_t i = 0; i < iap.GetChildCount(); ++i) count += iap.GetChild(i)->GetType() == kIapConnectionType;
  return count;
}

void FillBenchDocument(CSettingsDocument& document, size_t count) {
  CSettingsNode& root = *document.New();
  CSettingsNode& iap = *root.FindChildOfType(kIapSettingsType);
  for (size_t i = 0; i < count / 10; ++i) {
    CSettingsNode& entry = *iap.AddChild(u"", kKindNone, kIapConnectionType);
    BuildDefaultTree(entry);
    entry.FindChildOfType(kIapConnectionNameType)->SetDisplayValue(u"Access point " + DecimalText(i));
    entry.FindChildOfType(kIapPhoneNumberType)->SetDisplayValue(u"+1 555 " + DecimalText(i));
    entry.SetCreated(true, true);
  }
  CSettingsNode& list = BenchBookmarkList(root);
  list.StoreFlags(true, false);
  std::vector<CSettingsRow> rows;
  rows.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const std::u16string n = DecimalText(i);
    rows.emplace_back(u"Bookmark " + n, u"http://wap.example/?page=" + n + u"&view=1", u"Gate", u"user" + n,
                      u"pw");
  }
  RowsToNode(list, rows);
}

}  // namespace orvel
