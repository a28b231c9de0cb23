// Registration scripts kept as resources of type "REGISTRY", in a small text form:
//
//   HKCR
//   {
//     NoRemove AppID
//     {
//       '{...}' = s 'Vantrel'
//       'Vantrel.EXE' { val AppID = s '{...}' }
//     }
//   }
//
// A root (HKCR, HKCU, HKLM, HKU or their long names) holds keys; a key is a quoted or bare name,
// optionally "= s 'text'" or "= d 123" for its default value, optionally a block of named values
// ("val Name = s 'text'") and further keys. Inside quotes '' stands for one quote. Names of the
// form %NAME% are replaced from the caller's table before the text is read.
// Registering creates every key and writes every value; a key marked ForceRemove is deleted first.
// Unregistering deletes every key with all it holds, except that a key marked NoRemove is only
// entered, to remove the keys listed inside it.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace orvel::win {

struct ScriptReplacement {
  std::wstring_view name;  // without the percent signs
  std::wstring_view value;
};

// Where a script's roots lead; tests send them to keys of their own.
struct ScriptRoots {
  HKEY classesRoot = HKEY_CLASSES_ROOT;
  HKEY currentUser = HKEY_CURRENT_USER;
  HKEY localMachine = HKEY_LOCAL_MACHINE;
  HKEY users = HKEY_USERS;
};

// Runs a script text. A syntax error gives E_INVALIDARG before anything is written.
HRESULT RunRegistrationScript(std::wstring_view script, bool registering,
                              std::span<const ScriptReplacement> replacements, const ScriptRoots& roots = {});
// Runs the "REGISTRY" resource id of module (UTF-8 text).
HRESULT RunRegistrationResource(HMODULE module, UINT id, bool registering,
                                std::span<const ScriptReplacement> replacements);

}  // namespace orvel::win
