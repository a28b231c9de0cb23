// Benchmark of opening large documents in the main view (a program, not a test): generated
// documents with 1k and 10k WAP bookmarks (and a tenth as many access points, which the tree shows
// with their fields) are opened the way the first activation opens a requested file, and the time
// until the tree has painted is printed. It fails when 10 times the entries take more than 12 times
// as long.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "settings/settings_bench_document.h"
#include "settings/settings_document.h"
#include "support/win/com.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/main/main_view.h"
#include "ui/view/morvane_view.h"

namespace {

using namespace orvel;

constexpr size_t kCounts[] = {1000, 10000};
constexpr int kRuns = 3;
constexpr double kMaxRatio = 12.0;

// Opens the file in a new view and answers the milliseconds until the tree has painted, and the
// number of items the control holds (children go into it when their parent first expands).
double OpenInView(const std::u16string& path, size_t& items) {
  HWND frame = ::CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600,
                                 nullptr, nullptr, nullptr, nullptr);
  win::ComPtr<ui::CMorvaneView> view = win::MakeCom<ui::CMorvaneView>();
  view->CreateViewWindow(frame, 0, 0, 800, 600);
  win::WriteRegString(HKEY_CURRENT_USER, win::kCorvansetKey, L"RequestFile", win::AsWide(path));
  auto start = std::chrono::steady_clock::now();
  view->Activate();
  HWND tree = view->MainView()->Tree().Handle();
  ::UpdateWindow(tree);
  auto end = std::chrono::steady_clock::now();
  items = static_cast<size_t>(::SendMessageW(tree, TVM_GETCOUNT, 0, 0));
  // Closed without a question: the document is not modified.
  short answer = 0;
  view->QueryClose(1, &answer);
  view->OnClose();
  view.Reset();
  ::DestroyWindow(frame);
  return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace

int main() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ui::App().InitInstance();
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  std::printf("bookmarks  access_points  control_items  best_ms  ratio\n");
  double previous = 0;
  bool ok = true;
  for (size_t count : kCounts) {
    std::u16string path = win::FromWide(folder) + u"morvane_open_bench_" + DecimalText(count) + u".xml";
    {
      CSettingsDocument document;
      FillBenchDocument(document, count);
      if (!document.SaveFile(path)) {
        std::printf("cannot write the document of %zu bookmarks\n", count);
        return 1;
      }
    }
    double best = 1e30;
    size_t items = 0;
    for (int run = 0; run < kRuns; ++run) best = std::min(best, OpenInView(path, items));
    double ratio = previous > 0 ? best / previous : 0;
    std::printf("%9zu  %13zu  %13zu  %7.1f  %5.2f\n", count, count / 10, items, best, ratio);
    if (previous > 0 && ratio > kMaxRatio) ok = false;
    previous = best;
    ::DeleteFileW(win::AsWide(path).c_str());
  }
  win::DeleteRegValue(HKEY_CURRENT_USER, win::kCorvansetKey, L"LastFile");
  ui::App().ExitInstance();
  ::CoUninitialize();
  if (!ok) std::printf("10 times the entries took more than %.0f times as long\n", kMaxRatio);
  return ok ? 0 : 1;
}
