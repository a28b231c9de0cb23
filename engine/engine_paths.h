// Path splitting and relative-path resolution for the file lists of a configuration. Portable;
// paths are Windows paths held as UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace orvel::engine {

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

}  // namespace orvel::engine
