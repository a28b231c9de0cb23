// Benchmark of the list dialog's large operations (a program, not a test), at 1k and 10k entries
// (or the counts given on the command line): deleting every second row of a WAP bookmark list
// in the open list dialog, merging as many imported bookmarks into as many rows (every tenth
// name already taken), and the tree's delete of every access point and WAP connection of a
// document with as many access points, every tenth used by a WAP connection. The best of three runs
// is printed; it fails when a result is wrong or 10 times the entries take more than 12 times as
// long.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "settings/settings_bench_document.h"
#include "settings/settings_document.h"
#include "settings/settings_host.h"
#include "settings/settings_node.h"
#include "settings/settings_row.h"
#include "settings/settings_schema.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/lists/bookmark_rows.h"
#include "ui/lists/settings_list_dlg.h"
#include "ui/tree/tree_logic.h"

namespace {

using namespace orvel;
using ui::App;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;
constexpr double kMaxRatio = 12.0;

double Milliseconds(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The shortest of a few runs of `run`, which answers the milliseconds of its timed part, or a
// negative number when its result was wrong.
double Best(const std::function<double()>& run) {
  double best = 1e30;
  for (int i = 0; i < kRuns; ++i) {
    const double ms = run();
    if (ms < 0) return ms;
    best = std::min(best, ms);
  }
  return best;
}

// The list dialog open on `count` WAP bookmarks: the items of every second row selected, then
// Delete. The rows left must be the others in their order, each item's data the index of the row
// that it shows.
double DeleteHalf(size_t count) {
  App().Document().Reset();
  FillBenchDocument(App().Document(), count);
  ui::CSettingsListDlg dialog(App().ResourceHandle(), BenchBookmarkList(*App().Document().GetRoot()),
                              ui::BookmarkMode::Wap);
  if (!dialog.Create(nullptr)) {
    std::printf("  the list dialog cannot be made\n");
    return -1;
  }
  ui::CListCtrlEx& list = dialog.List();
  std::vector<std::u16string> expected;
  for (size_t row = 1; row < dialog.Rows().size(); row += 2) expected.push_back(dialog.Rows()[row].m_name);
  LVITEMW state = {};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  for (int item = 0; item < list.ItemCount(); ++item) {
    if (list.ItemData(item) % 2 == 0)
      ::SendMessageW(list.Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&state));
  }
  const Clock::time_point start = Clock::now();
  ::SendMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(ui::kDeleteButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog.Handle(), ui::kDeleteButton)));
  const double ms = Milliseconds(start);
  const std::vector<CSettingsRow>& rows = dialog.Rows();
  bool right = rows.size() == expected.size() && list.ItemCount() == static_cast<int>(rows.size());
  for (size_t row = 0; right && row < rows.size(); ++row) right = rows[row].m_name == expected[row];
  for (int item = 0; right && item < list.ItemCount(); ++item) {
    const LPARAM row = list.ItemData(item);
    right = row >= 0 && static_cast<size_t>(row) < rows.size() &&
            rows[static_cast<size_t>(row)].m_name == list.ItemText(item, 0);
  }
  if (!right) std::printf("  %zu rows and %d items left of %zu\n", rows.size(), list.ItemCount(), count);
  ::DestroyWindow(dialog.Handle());
  return right ? ms : -1;
}

// `count` imported bookmarks into `count` rows; every tenth imported name is a row's already. Every
// size merges into as many rows in all (the largest count's), in separate lists, and the time is
// per list: one small list alone would stay in the processor's caches while a large one cannot.
size_t g_largest = 0;
double ImportInto(size_t count) {
  struct Import {
    std::vector<CSettingsRow> rows;
    std::vector<std::u16string> texts;
  };
  std::vector<Import> imports(std::max<size_t>(1, g_largest / count));
  for (Import& import : imports) {
    for (size_t i = 0; i < count; ++i) {
      const std::u16string n = DecimalText(i);
      import.rows.push_back(CSettingsRow(u"Bookmark " + n, u"http://www.example/" + n, u"", u"", u""));
      std::u16string text = u"http://import.example/" + n + u"\n";
      text += i % 10 == 0 ? u"Bookmark " : u"Imported ";
      import.texts.push_back(text + n);
    }
  }
  bool right = true;
  const Clock::time_point start = Clock::now();
  for (Import& import : imports)
    right = ui::MergeImportedBookmarks(import.texts, import.rows) == count && right;
  const double ms = Milliseconds(start) / static_cast<double>(imports.size());
  for (const Import& import : imports) right = right && import.rows.size() == count + count - count / 10;
  return right ? ms : -1;
}

// The tree of a document with `count` access points, of which every tenth has a WAP connection
// that uses it, and the access point group open: everything shown is marked and deleted. The walk
// goes from the last item up, so the connections go before the access points they use.
double DeleteAccessPoints(size_t count) {
  CSettingsDocument document;
  CSettingsNode& root = *document.New();
  CSettingsNode& iap = *root.FindChildOfType(kIapSettingsType);
  CSettingsNode& wap = *root.FindChildOfType(kWapSettingsType);
  for (size_t i = 0; i < count; ++i) {
    CSettingsNode& entry = *iap.AddChild(u"", kKindNone, kIapConnectionType);
    BuildDefaultTree(entry);
    entry.FindChildOfType(6)->SetDisplayValue(u"Access point " + DecimalText(i));
    entry.SetCreated(true, true);
    if (i % 10 != 0) continue;
    CSettingsNode& connection = *wap.AddChild(u"", kKindNone, kWapConnectionType);
    BuildDefaultTree(connection);
    connection.FindChildOfType(76)->SetDisplayValue(u"Connection " + DecimalText(i));
    connection.FindChildOfType(85)->SetDisplayValue(u"Access point " + DecimalText(i));
  }
  SetCurrentDocumentRoot(&root);
  ui::CTreeLogic tree;
  tree.Build(&root);
  tree.SetExpanded(tree.ItemOfNode(&iap), true);
  tree.SetExpanded(tree.ItemOfNode(&wap), true);
  tree.MarkAllVisible();
  const Clock::time_point start = Clock::now();
  ui::CTreeLogic::DeleteResult result = tree.DeleteSelectedEntry();
  const double ms = Milliseconds(start);
  const bool right = result.refusal.empty() && BenchAccessPointCount(root) == 0;
  result.removed.clear();
  SetCurrentDocumentRoot(App().Document().GetRoot());
  return right ? ms : -1;
}

struct Case {
  const char* name;
  double (*run)(size_t count);
};
constexpr Case kCases[] = {
    {"list dialog: delete every second row", DeleteHalf},
    {"bookmark import: merge as many into the rows", ImportInto},
    {"tree: delete every access point", DeleteAccessPoints},
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<size_t> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::strtoul(argv[i], nullptr, 10));
  if (counts.empty()) counts = {1000, 10000};
  g_largest = *std::max_element(counts.begin(), counts.end());
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  App().InitInstance();
  bool ok = true;
  for (const Case& c : kCases) {
    std::printf("%s\n  entries  best_ms  ratio\n", c.name);
    double previous = 0;
    for (size_t count : counts) {
      const double best = Best([&] { return c.run(count); });
      if (best < 0) {
        std::printf("  %7zu  the result is wrong\n", count);
        ok = false;
        break;
      }
      const double ratio = previous > 0 ? best / previous : 0;
      std::printf("  %7zu  %7.1f  %5.2f\n", count, best, ratio);
      std::fflush(stdout);
      if (previous > 0 && ratio > kMaxRatio) ok = false;
      previous = best;
    }
  }
  App().Document().Reset();
  App().ExitInstance();
  ::CoUninitialize();
  if (!ok)
    std::printf("a result was wrong, or 10 times the entries took more than %.0f times as long\n", kMaxRatio);
  return ok ? 0 : 1;
}
