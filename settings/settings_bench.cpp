// Benchmark of the settings text: reading, device-form writing and full writing of generated
// documents with 1k, 10k and 100k WAP bookmarks. Each time is the best of a few runs; the program
// prints the ratio of each size's time to the previous size's and fails when 10 times the entries
// take more than 12 times as long.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "settings/settings_document.h"
#include "settings/settings_host.h"
#include "settings/settings_reader.h"
#include "settings/settings_row.h"
#include "settings/settings_writer.h"

namespace orvel {
namespace {

constexpr uint32_t kPersonalDataType = 92;
constexpr uint32_t kWapBookmarksType = 102;
constexpr int kRuns = 5;
constexpr double kMaxRatio = 12.0;

CSettingsNode& BookmarkList(const CSettingsNode& root) {
  return *root.FindChildOfType(kPersonalDataType)->FindChildOfType(kWapBookmarksType);
}

// A document whose WAP bookmark list holds `count` created bookmarks (so the device form carries
// them too), with an entity in every URL and a scrambled password.
void FillBookmarks(CSettingsDocument& document, size_t count) {
  CSettingsNode& list = BookmarkList(*document.New());
  list.StoreFlags(true, false);
  std::vector<CSettingsRow> rows;
  rows.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const std::u16string n = DecimalText(i);
    rows.emplace_back(u"Bookmark " + n, u"http://wap.example/?page=" + n + u"&view=1", u"", u"user" + n,
                      u"pw");
  }
  RowsToNode(list, rows);
}

// The shortest of a few runs; `prepare` runs untimed before each.
double BestSeconds(
    const std::function<void()>& run, const std::function<void()>& prepare = [] {}) {
  double best = 1e30;
  for (int i = 0; i < kRuns; ++i) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

struct Times {
  double load, device, full;
};

Times Measure(size_t count) {
  CSettingsDocument source;
  FillBookmarks(source, count);
  std::u16string full, device;
  std::vector<std::u16string> names;
  Times t;
  t.full = BestSeconds([&] { WriteSettingsDocument(*source.GetRoot(), full, false, nullptr); });
  t.device = BestSeconds([&] { WriteSettingsDocument(*source.GetRoot(), device, true, &names); });
  CSettingsDocument target;
  t.load = BestSeconds([&] { ParseSettingsText(target.GetRoot(), full); }, [&] { target.New(); });
  const size_t loaded = BookmarkList(*target.GetRoot()).GetChildCount();
  if (loaded != count) {
    std::fprintf(stderr, "%zu bookmarks written, %zu read back\n", count, loaded);
    std::exit(2);
  }
  std::printf("%7zu entries  %9zu chars  load %9.4f s  device write %9.4f s  full write %9.4f s\n", count,
              full.size(), t.load, t.device, t.full);
  return t;
}

}  // namespace
}  // namespace orvel

int main() {
  using orvel::Times;
  const size_t counts[] = {1000, 10000, 100000};
  std::vector<Times> times;
  for (size_t count : counts) times.push_back(orvel::Measure(count));
  bool linear = true;
  for (size_t i = 1; i < times.size(); ++i) {
    const Times& a = times[i - 1];
    const Times& b = times[i];
    const double ratios[] = {b.load / a.load, b.device / a.device, b.full / a.full};
    std::printf("%7zu / %zu   load x%.1f  device write x%.1f  full write x%.1f", counts[i], counts[i - 1],
                ratios[0], ratios[1], ratios[2]);
    const bool over =
        std::any_of(std::begin(ratios), std::end(ratios), [](double r) { return r > orvel::kMaxRatio; });
    std::printf("%s\n", over ? "   OVER x12" : "");
    linear = linear && !over;
  }
  return linear ? 0 : 1;
}
