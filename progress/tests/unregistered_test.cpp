// Runs after "regsvr32 /u": nothing of Vantrelix's registration is left.
#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include "vantrelix.h"

namespace {

TEST(Unregistration, RemovesProgIdsClassAndTypeLibrary) {
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  CLSID clsid;
  EXPECT_HRESULT_FAILED(::CLSIDFromProgID(L"Vantrelix.Progress", &clsid));
  EXPECT_HRESULT_FAILED(::CLSIDFromProgID(L"Vantrelix.Progress.1", &clsid));
  HKEY key = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{598AD803-0666-11D5-AE0B-00D0591C61C2}", 0, KEY_READ,
                            &key),
            ERROR_SUCCESS);
  ITypeLib* library = nullptr;
  EXPECT_HRESULT_FAILED(::LoadRegTypeLib(LIBID_VANTRELIXLib, 1, 0, LOCALE_NEUTRAL, &library));
  if (library) library->Release();
  // The shared key stays.
  EXPECT_EQ(::RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &key), ERROR_SUCCESS);
  ::RegCloseKey(key);
  ::CoUninitialize();
}

}  // namespace
