// What Tessmark's tests share: a callback that plays the engine and records every event, and a
// fresh simulated device, temporary folder and shortened time limits per test.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "support/win/com.h"
#include "tessmark.h"

namespace orvel::tessmark::test {

namespace fs = std::filesystem;

// Safety limit of every wait for an event in these tests; the stand-in answers in far less.
constexpr std::chrono::milliseconds kEventLimit{30000};

struct Event {
  enum Kind { Error, Progress, Done } kind;
  HRESULT hr = 0;   // OnError's and OnDone's code
  LONG number = 0;  // OnError's answers, OnProgress's stage
  LONG percent = 0;
  std::u16string tag;
  std::u16string name;
};

// ITolvaneCallback as the engine implements it: it only records. React, when set, runs on the
// module's worker thread for each event before it is recorded.
class CTestCallback : public win::CComObject<ITolvaneCallback> {
 public:
  std::function<void(const Event&)> react;

  HRESULT STDMETHODCALLTYPE OnError(HRESULT hError, LONG nResponse, BSTR strTag, BSTR strName) override;
  HRESULT STDMETHODCALLTYPE OnProgress(LONG nStage, BSTR strTag, LONG nPercent) override;
  HRESULT STDMETHODCALLTYPE OnDone(HRESULT hError) override;

  // Waits until pred holds for the events so far; false after kEventLimit.
  bool WaitFor(const std::function<bool(const std::vector<Event>&)>& pred);
  bool WaitForDone() {
    return WaitFor([](const auto& e) { return Count(e, Event::Done) > 0; });
  }
  bool WaitForQuestion() {
    return WaitFor([](const auto& e) { return Count(e, Event::Error) > 0; });
  }
  std::vector<Event> Events();
  HRESULT DoneResult();  // the first OnDone's code
  static int Count(const std::vector<Event>& events, Event::Kind kind);

 private:
  void Add(Event event);
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<Event> m_events;
};

// A device root, a TMP folder and the shortened limits of one test. knobs are lines of the
// device's state file.
class CTestDevice {
 public:
  CTestDevice(const std::string& name, const std::string& knobs);
  const fs::path& Root() const { return m_root; }
  const fs::path& Temporary() const { return m_tmp; }
  fs::path DeviceFile(const std::wstring& path) const;  // "c:\x" -> <root>/c/x
  fs::path StoreFile(const std::u16string& element) const;
  std::string Read(const fs::path& file) const;
  void SetKnob(const std::string& key, const std::string& value);
  bool TemporaryFolderEmpty() const { return fs::is_empty(m_tmp); }
  // The folder of the companion files, from the App Paths entry.
  static fs::path CompanionFolder();

 private:
  fs::path m_root;
  fs::path m_tmp;
};

// A device-form settings text and the elements that the device stores from it.
extern const char16_t kSettingsText[];
extern const std::vector<std::u16string> kSettingsElements;

// The percentage of their length that the tests give the module's limits, and the response wait
// it leaves.
constexpr int kTimePercent = 1;
constexpr DWORD kShortResponseWaitMs = 15000 * kTimePercent / 100;

}  // namespace orvel::tessmark::test
