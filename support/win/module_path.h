// The file name and folder of a module, in the long form of the name.
#pragma once

#include <windows.h>

#include <string>

namespace orvel::win {

// The module's file name (the program's when module is null) in its long form: a short
// (8.3) name as the system may give it is turned into the long one through the shell; when that
// conversion fails the name is taken as it is. False when the file name cannot be read.
bool GetModulePath(std::u16string& result, HMODULE module);
// The folder of that file name, with its trailing backslash.
bool GetModuleDirectory(std::u16string& result, HMODULE module);

}  // namespace orvel::win
