// regsvr32 with Morvane.dll writes exactly the keys of the view class, its ProgIDs, the type library
// and the framework's plug-in key; unregistering removes them all but the plug-in key.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "testing/ui_driver.h"
#include "support/win/registry.h"

using namespace orvel::win;

namespace {

const wchar_t kClsid[] = L"CLSID\\{D195AD77-26FF-11d4-9582-0008C71B7220}";
const wchar_t kTypeLib[] = L"TypeLib\\{D195AD76-26FF-11D4-9582-0008C71B7220}";
const wchar_t kPlugIn[] = L"Software\\Orvel\\Fenwarp6\\Framework\\PlugIns\\Orvel.MorvaneView";

std::wstring ModulePath() {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.rfind(L'\\') + 1) + L"Morvane.dll";
}

DWORD RunRegsvr32(const std::wstring& arguments) {
  return orvel::uidriver::RunProgram(L"regsvr32.exe /s " + arguments).value_or(~0u);
}

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

std::set<std::wstring> Subkeys(HKEY root, const std::wstring& path) {
  std::set<std::wstring> names;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (::RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.insert(name);
  }
  ::RegCloseKey(key);
  return names;
}

std::wstring Value(HKEY root, const std::wstring& path, const wchar_t* name = nullptr) {
  return ReadRegString(root, path, name).value_or(L"<missing>");
}

TEST(MorvaneRegistration, WritesTheClassProgIdsTypeLibraryAndPlugInKeyAndRemovesAllButTheKey) {
  const std::wstring module = ModulePath();
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPlugIn);
  ASSERT_EQ(RunRegsvr32(L"\"" + module + L"\""), 0u);

  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"Orvel.MorvaneView.1"), L"Corvanset Class");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"Orvel.MorvaneView.1\\CLSID"),
            L"{D195AD77-26FF-11d4-9582-0008C71B7220}");
  EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, L"Orvel.MorvaneView.1"), (std::set<std::wstring>{L"CLSID"}));
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"Orvel.MorvaneView"), L"Corvanset Class");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"Orvel.MorvaneView\\CLSID"), L"{D195AD77-26FF-11d4-9582-0008C71B7220}");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"Orvel.MorvaneView\\CurVer"), L"Orvel.MorvaneView.1");
  EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, L"Orvel.MorvaneView"), (std::set<std::wstring>{L"CLSID", L"CurVer"}));

  const std::wstring clsid = kClsid;
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid), L"Corvanset Class");
  EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, clsid),
            (std::set<std::wstring>{L"ProgID", L"VersionIndependentProgID", L"Programmable",
                                    L"InprocServer32", L"TypeLib"}));
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + L"\\ProgID"), L"Orvel.MorvaneView.1");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + L"\\VersionIndependentProgID"), L"Orvel.MorvaneView");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32"), module);
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + L"\\TypeLib"), L"{D195AD76-26FF-11d4-9582-0008C71B7220}");
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kTypeLib));
  // The library declares the plug-in's own interface alone: unregistering it must not take the keys
  // of the engine's callback or of the framework's interfaces with it.
  std::set<std::wstring> declared;
  for (const std::wstring& iid : Subkeys(HKEY_CLASSES_ROOT, L"Interface")) {
    if (Value(HKEY_CLASSES_ROOT, L"Interface\\" + iid + L"\\TypeLib") ==
        L"{D195AD76-26FF-11D4-9582-0008C71B7220}")
      declared.insert(iid);
  }
  EXPECT_EQ(declared, (std::set<std::wstring>{L"{D195AD78-26FF-11D4-9582-0008C71B7220}"}));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kPlugIn));
  EXPECT_TRUE(Subkeys(HKEY_LOCAL_MACHINE, kPlugIn).empty());

  ASSERT_EQ(RunRegsvr32(L"/u \"" + module + L"\""), 0u);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Orvel.MorvaneView.1"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Orvel.MorvaneView"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, clsid));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLib));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));  // NoRemove
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kPlugIn));  // the framework's key stays

  // Registered again for the tests that start the host with it.
  EXPECT_EQ(RunRegsvr32(L"\"" + module + L"\""), 0u);
}

}  // namespace
