// Benchmark of the settings text and its validation: reading, device-form writing, full writing,
// strict validation (as before a send) and tolerant validation (as after opening a file) of generated
// documents with 1k, 10k and 100k WAP bookmarks and a tenth as many access points. Each time is the
// best of a few runs; the program prints the ratio of each size's time to the previous size's and
// fails when 10 times the entries take more than 12 times as long.
//
// The measure of the load is a plain XML parser: expat parses the very text that is loaded (its
// UTF-16 bytes, with empty handlers) in the same run. From 10k bookmarks on the program fails when
// the load takes more than 3 times as long as expat, or the full write longer than the load.
//
// The times are the processor time of the program's thread, which other programs on a busy machine
// change far less than the time on the clock.
//
// Every size works on the same amount of memory: 100 documents of 1k bookmarks, 10 of 10k, one of
// 100k, and the time shown is per document. One small document alone would stay in the processor's
// caches from run to run while a large one cannot, and the ratios would measure the caches.
#include <expat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings_bench_document.h"
#include "settings/settings_document.h"
#include "settings/settings_host.h"
#include "settings/settings_reader.h"
#include "settings/settings_row.h"
#include "settings/settings_schema.h"
#include "settings/settings_validate.h"
#include "settings/settings_writer.h"

namespace orvel {
namespace {

constexpr size_t kCounts[] = {1000, 10000, 100000};
constexpr size_t kEntriesPerSize = 100000;
constexpr int kRuns = 5;
constexpr double kMaxRatio = 12.0;
constexpr double kMaxLoadPerParse = 3.0;
constexpr size_t kParseRuleFrom = 10000;

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The shortest of a few runs; `prepare` runs untimed before each.
double BestSeconds(
    const std::function<void()>& run, const std::function<void()>& prepare = [] {}) {
  double best = 1e30;
  for (int i = 0; i < kRuns; ++i) {
    prepare();
    const double start = ThreadSeconds();
    run();
    best = std::min(best, ThreadSeconds() - start);
  }
  return best;
}

struct Times {
  double load, device, full, strict, tolerant, parse;
};

void XMLCALL OnStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL OnEnd(void*, const XML_Char*) {}
void XMLCALL OnCharacters(void*, const XML_Char*, int) {}

// Parses the UTF-16 text with expat and empty handlers; false when expat finds it malformed.
bool ParseWithExpat(const std::u16string& text) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser, OnCharacters);
  const bool parsed = XML_Parse(parser, reinterpret_cast<const char*>(text.data()),
                                static_cast<int>(text.size() * sizeof(char16_t)), XML_TRUE) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return parsed;
}

[[noreturn]] void Fail(const char* what, size_t count) {
  std::fprintf(stderr, "%zu bookmarks: %s\n", count, what);
  std::exit(2);
}

Times Measure(size_t count) {
  const size_t copies = kEntriesPerSize / count;
  std::vector<std::unique_ptr<CSettingsDocument>> sources, targets;
  std::vector<std::u16string> full(copies), device(copies);
  for (size_t i = 0; i < copies; ++i) {
    sources.push_back(std::make_unique<CSettingsDocument>());
    targets.push_back(std::make_unique<CSettingsDocument>());
    FillBenchDocument(*sources.back(), count);
  }
  auto each = [copies](const std::function<void(size_t)>& step) {
    return [copies, step] {
      for (size_t i = 0; i < copies; ++i) step(i);
    };
  };
  std::vector<std::u16string> names;
  Times t;
  t.full = BestSeconds(
      each([&](size_t i) { WriteSettingsDocument(*sources[i]->GetRoot(), full[i], false, nullptr); }));
  t.device = BestSeconds(
      each([&](size_t i) { WriteSettingsDocument(*sources[i]->GetRoot(), device[i], true, &names); }));
  t.load = BestSeconds(each([&](size_t i) { ParseSettingsText(targets[i]->GetRoot(), full[i]); }),
                       each([&](size_t i) { targets[i]->New(); }));
  for (const auto& target : targets) {
    if (BenchBookmarkList(*target->GetRoot()).GetChildCount() != count ||
        BenchAccessPointCount(*target->GetRoot()) != count / 10) {
      Fail("the entries written were not all read back", count);
    }
  }
  bool parsed = true;
  t.parse = BestSeconds(each([&](size_t i) { parsed = ParseWithExpat(full[i]) && parsed; }));
  if (!parsed) Fail("expat finds the written text malformed", count);
  bool valid = true;
  CSettingsNode* failing = nullptr;
  // References in a validated tree resolve in the current document.
  auto validate = [&](bool onlyFlagged, bool tolerant) {
    return each([&, onlyFlagged, tolerant](size_t i) {
      SetCurrentDocumentRoot(sources[i]->GetRoot());
      valid = ValidateSettings(*sources[i]->GetRoot(), failing, onlyFlagged, tolerant) && valid;
    });
  };
  t.strict = BestSeconds(validate(true, false));
  t.tolerant = BestSeconds(validate(false, true));
  if (!valid) Fail("the generated document does not validate", count);
  for (double* time : {&t.load, &t.device, &t.full, &t.strict, &t.tolerant, &t.parse})
    *time /= static_cast<double>(copies);
  std::printf(
      "%7zu bookmarks %9zu chars  load %8.2f ms  device write %7.2f ms  full write %7.2f ms  strict %6.2f ms "
      " tolerant %6.2f ms  expat %7.2f ms  (%zu documents)\n",
      count, full.front().size(), 1e3 * t.load, 1e3 * t.device, 1e3 * t.full, 1e3 * t.strict,
      1e3 * t.tolerant, 1e3 * t.parse, copies);
  return t;
}

}  // namespace
}  // namespace orvel

int main() {
  using orvel::Times;
  std::vector<Times> times;
  for (size_t count : orvel::kCounts) times.push_back(orvel::Measure(count));
  bool within = true;
  for (size_t i = 0; i < times.size(); ++i) {
    const double perParse = times[i].load / times[i].parse;
    const double writePerLoad = times[i].full / times[i].load;
    const bool ruled = orvel::kCounts[i] >= orvel::kParseRuleFrom;
    const bool over = ruled && (perParse > orvel::kMaxLoadPerParse || writePerLoad > 1.0);
    std::printf("%7zu bookmarks  load / expat x%.2f  full write / load x%.2f%s\n", orvel::kCounts[i],
                perParse, writePerLoad, over ? "   OVER" : "");
    within = within && !over;
  }
  bool linear = true;
  for (size_t i = 1; i < times.size(); ++i) {
    const Times& a = times[i - 1];
    const Times& b = times[i];
    const double ratios[] = {b.load / a.load, b.device / a.device, b.full / a.full, b.strict / a.strict,
                             b.tolerant / a.tolerant};
    std::printf("%7zu / %zu   load x%.1f  device write x%.1f  full write x%.1f  strict x%.1f  tolerant x%.1f",
                orvel::kCounts[i], orvel::kCounts[i - 1], ratios[0], ratios[1], ratios[2], ratios[3],
                ratios[4]);
    const bool over =
        std::any_of(std::begin(ratios), std::end(ratios), [](double r) { return r > orvel::kMaxRatio; });
    std::printf("%s\n", over ? "   OVER x12" : "");
    linear = linear && !over;
  }
  return linear && within ? 0 : 1;
}
