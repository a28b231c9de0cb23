// Registry helpers and the registration of an in-process COM server.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace orvel::win {

// The current user's key of the product, shared by the engine and the user interface ("RequestFile",
// "LastFile", "Secured Clients").
inline constexpr wchar_t kCorvansetKey[] = L"Software\\Orvel\\Corvanset\\";

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::wstring GuidText(REFGUID guid);

// Creates the key when missing; name null writes the default value.
LSTATUS WriteRegString(HKEY root, std::wstring_view subKey, const wchar_t* name, std::wstring_view value);
LSTATUS WriteRegDword(HKEY root, std::wstring_view subKey, const wchar_t* name, DWORD value);
// The text ends at the value's first terminator or, when it holds none, with the value. A text of
// more than limitBytes bytes (when limitBytes is not 0) is not read.
std::optional<std::wstring> ReadRegString(HKEY root, std::wstring_view subKey, const wchar_t* name,
                                          DWORD limitBytes = 0);
// Deletes a key with everything under it; a missing key is success.
LSTATUS DeleteRegTree(HKEY root, std::wstring_view subKey);
// Deletes one value; a missing key or value is success.
LSTATUS DeleteRegValue(HKEY root, std::wstring_view subKey, const wchar_t* name);

// What one in-process class writes under CLSID and its ProgIDs. With a versioned ProgID the
// version-independent one carries CurVer.
struct InprocServerInfo {
  const CLSID* clsid;
  std::wstring_view description;
  std::wstring_view progId;           // version-independent, may be empty
  std::wstring_view versionedProgId;  // may be empty
  std::wstring_view threadingModel;   // "Apartment", "Both", "Free"
  const GUID* typeLib;                // may be null
};

// classesRoot is HKEY_CLASSES_ROOT, or a "Software\Classes" key of a test; modulePath empty takes
// this module's file.
HRESULT RegisterInprocServer(const InprocServerInfo& info, HKEY classesRoot = HKEY_CLASSES_ROOT,
                             std::wstring_view modulePath = {});
HRESULT UnregisterInprocServer(const InprocServerInfo& info, HKEY classesRoot = HKEY_CLASSES_ROOT);

// Registers (or removes) the type library that is a resource of this module.
HRESULT RegisterModuleTypeLib();
HRESULT UnregisterModuleTypeLib(REFGUID libId, WORD major, WORD minor);

}  // namespace orvel::win
