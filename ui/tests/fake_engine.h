// An engine of the tests' own for the plug-in's client road: while registered, every
// TerminalManagerExt that the process creates is one of these, in the multithreaded apartment
// (where the plug-in's start-up thread looks), and records the calls it gets.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace orvel::ui::test {

class CFakeEngineRegistration {
 public:
  CFakeEngineRegistration();
  ~CFakeEngineRegistration();
  CFakeEngineRegistration(const CFakeEngineRegistration&) = delete;
  CFakeEngineRegistration& operator=(const CFakeEngineRegistration&) = delete;

  bool Registered() const { return m_registered; }
  // The calls so far, e.g. "SetClientDetails 1234 Corvanset User Interface", "Release".
  std::vector<std::string> Calls() const;
  // Waits until a call starting with `prefix` arrived; false after `milliseconds`.
  bool WaitFor(const std::string& prefix, DWORD milliseconds) const;

  void Record(std::string call);

 private:
  static DWORD WINAPI Apartment(void* self);

  mutable std::mutex m_mutex;
  std::vector<std::string> m_calls;
  HANDLE m_ready = nullptr;
  HANDLE m_stop = nullptr;
  HANDLE m_thread = nullptr;
  bool m_registered = false;
};

}  // namespace orvel::ui::test
