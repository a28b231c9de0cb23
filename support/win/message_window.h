// A hidden window that takes work from other threads and objects onto its own thread, and owns
// the values posted to it: whatever is posted reaches the handler as an owned object, and what is
// still queued when the window goes is freed with it.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

#include "support/win/window.h"

namespace orvel::win {

// The holder of one posted value.
class CPosted {
 public:
  CPosted() = default;
  CPosted(const CPosted&) = delete;
  CPosted& operator=(const CPosted&) = delete;
  virtual ~CPosted() = default;

  // Moves the value out when it is a T; the empty T when it holds another type.
  template <class T>
  T Take();
};

template <class T>
class CPostedValue final : public CPosted {
 public:
  explicit CPostedValue(T value) : m_value(std::move(value)) {}
  T& Value() { return m_value; }

 private:
  T m_value;
};

template <class T>
T CPosted::Take() {
  auto* held = dynamic_cast<CPostedValue<T>*>(this);
  return held ? std::move(held->Value()) : T();
}

class CMessageWindow : public CWindow {
 public:
  // Destroys the window here, so that its last messages reach this class and free the data still
  // queued (CWindow's destructor cuts the window loose first). Only the window's own thread can do
  // that; the object is destroyed on that thread.
  ~CMessageWindow() override { Destroy(); }

  // Registers the class (once per process) and creates the window, never shown; false when either
  // fails.
  bool Create(const wchar_t* className, const wchar_t* title, UINT classStyle, DWORD exStyle, DWORD style);

  // Posts message with value to a CMessageWindow of this process, from any thread; the window owns
  // the value from then on and hands it to OnData. A value that cannot be posted (no window, a
  // window of another process, a full queue) is freed here, and the answer is false.
  template <class T>
  static bool PostData(HWND window, UINT message, T value) {
    return PostHolder(window, message, std::make_unique<CPostedValue<T>>(std::move(value)));
  }

 protected:
  // The message switch of the derived class, for everything but the posted data; DefaultProc for
  // anything it does not handle.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
  }
  // A value that PostData posted with message (never null); freed at the end unless the handler
  // keeps it.
  virtual void OnData(UINT message, std::unique_ptr<CPosted> data) {}

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) final;
  static bool PostHolder(HWND window, UINT message, std::unique_ptr<CPosted> posted);
  // Takes every value still queued for the window from the queue and frees it.
  void FreeQueuedData();
};

}  // namespace orvel::win
