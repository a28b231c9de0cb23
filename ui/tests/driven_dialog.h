// Runs a modal dialog in this process while a second thread works it with real input.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <functional>
#include <thread>

#include "testing/ui_driver.h"

namespace orvel::uitest {

// Runs `run` (which shows a modal dialog) on this thread while `drive` works the dialog from a
// second thread, once a dialog of this process holds `controlId`. Dialogs still open when drive
// returns are cancelled, so that a failed step cannot hang the test. The result of `run`.
template <class Result>
Result RunDriven(const std::function<Result()>& run, int controlId, const std::function<void(HWND)>& drive) {
  namespace driver = orvel::uidriver;
  std::thread driverThread([&] {
    const DWORD process = ::GetCurrentProcessId();
    HWND window = driver::WaitDialogWithControl(process, controlId);
    if (!window) return;
    drive(window);
    // The click that ends the dialog is still in the input queue: a posted Cancel would come first.
    auto none = [&] { return !::IsWindow(window) && driver::TopLevelWindows(process, L"#32770").empty(); };
    driver::WaitUntil(driver::Wait::Window, none);
    for (int round = 0; round < 5 && !none(); ++round) {
      for (HWND open : driver::TopLevelWindows(process, L"#32770"))
        ::PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
      driver::WaitUntil(driver::Wait::Text, none);
    }
  });
  Result result = run();
  driverThread.join();
  return result;
}

// A click on the item's label, at `quarter` quarters of its width: in report view without images
// the item's icon has no width, and a click on it leaves the list waiting for a drag that never
// comes. Two clicks on the same point in quick succession are a double click.
inline ::testing::AssertionResult ClickItemLabel(HWND listView, int index, int quarter = 2) {
  RECT label = {};
  if (!ListView_GetItemRect(listView, index, &label, LVIR_LABEL))
    return ::testing::AssertionFailure() << "no list item " << index;
  return orvel::uidriver::ClickAt(
      listView, {label.left + (label.right - label.left) * quarter / 4, (label.top + label.bottom) / 2});
}

}  // namespace orvel::uitest
