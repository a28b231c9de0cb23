// Path splitting and relative-path resolution: the file lists of a configuration in the engine, and
// the user interface's path helpers. Portable; paths are Windows paths held as UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace orvel {

// Splits at the later of the last "\" and the last ":"; the extension is the part behind the last
// "." after that separator. Each out-parameter may be null.
void SplitPath(std::u16string_view path, std::u16string* folder, std::u16string* name,
               std::u16string* extension);
// Everything up to and including the separator.
std::u16string FolderPart(std::u16string_view path);
// The name with its extension.
std::u16string FileNamePart(std::u16string_view path);

// Resolves path against base folder: drive and UNC paths stay, a rooted path takes the base's
// drive, ".\" and "..\" are consumed. False, with an empty result, when "..\" climbs past the root.
bool ResolveRelativePath(std::u16string& result, std::u16string_view base, std::u16string_view path);

// The names the user interface uses for the same operations.
inline std::u16string GetFolderOfPath(std::u16string_view path) { return FolderPart(path); }
inline std::u16string GetFileNameOfPath(std::u16string_view path) { return FileNamePart(path); }
inline bool CombinePath(std::u16string& result, std::u16string_view folder, std::u16string_view name) {
  return ResolveRelativePath(result, folder, name);
}

}  // namespace orvel
