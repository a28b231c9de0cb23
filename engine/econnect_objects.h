// How the engine makes EPOC Connect's objects.
#pragma once

#include <windows.h>

#include "support/win/com.h"

namespace orvel::engine {

// Creates such an object for interface I and names the engine's process to it (its method
// SetClientProcess); false, with the object unset, when either fails.
template <class I>
bool CreateForEngineProcess(REFCLSID clsid, win::ComPtr<I>& object) {
  object.Reset();
  HRESULT hr = ::CoCreateInstance(clsid, nullptr, win::kAnyContext, __uuidof(I),
                                  reinterpret_cast<void**>(object.GetAddressOf()));
  if (FAILED(hr) || !object || FAILED(object->SetClientProcess(static_cast<LONG>(::GetCurrentProcessId())))) {
    object.Reset();
    return false;
  }
  return true;
}

}  // namespace orvel::engine
