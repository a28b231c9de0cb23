#include "support/path_text.h"

namespace orvel {

namespace {

// Position of the separator, or npos.
size_t SeparatorPosition(std::u16string_view path) {
  size_t slash = path.rfind(u'\\');
  size_t colon = path.rfind(u':');
  if (slash == std::u16string_view::npos) return colon;
  if (colon == std::u16string_view::npos) return slash;
  return slash > colon ? slash : colon;
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool HasDrive(std::u16string_view path) { return path.size() >= 2 && path[1] == u':'; }

}  // namespace

void SplitPath(std::u16string_view path, std::u16string* folder, std::u16string* name,
               std::u16string* extension) {
  size_t separator = SeparatorPosition(path);
  size_t nameBegin = separator == std::u16string_view::npos ? 0 : separator + 1;
  size_t dot = path.rfind(u'.');
  if (dot != std::u16string_view::npos && dot < nameBegin) dot = std::u16string_view::npos;
  if (folder) folder->assign(path.substr(0, nameBegin));
  if (name)
    name->assign(path.substr(nameBegin,
                             dot == std::u16string_view::npos ? std::u16string_view::npos : dot - nameBegin));
  if (extension) {
    if (dot == std::u16string_view::npos) {
      extension->clear();
    } else {
      extension->assign(path.substr(dot + 1));
    }
  }
}

std::u16string FolderPart(std::u16string_view path) {
  std::u16string folder;
  SplitPath(path, &folder, nullptr, nullptr);
  return folder;
}

std::u16string FileNamePart(std::u16string_view path) {
  size_t separator = SeparatorPosition(path);
  return std::u16string(path.substr(separator == std::u16string_view::npos ? 0 : separator + 1));
}

bool ResolveRelativePath(std::u16string& result, std::u16string_view base, std::u16string_view path) {
  result.clear();
  if (HasDrive(path) || StartsWith(path, u"\\\\")) {
    result.assign(path);
    return true;
  }
  if (StartsWith(path, u"\\")) {
    if (HasDrive(base)) result.assign(base.substr(0, 2));
    result.append(path);
    return true;
  }
  std::u16string folder(base);
  while (StartsWith(path, u".\\")) path.remove_prefix(2);
  while (StartsWith(path, u"..\\")) {
    if (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    size_t slash = folder.rfind(u'\\');
    size_t colon = folder.rfind(u':');
    if (slash == std::u16string::npos || (colon != std::u16string::npos && colon > slash)) return false;
    folder.resize(slash + 1);
    path.remove_prefix(3);
  }
  if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
  result = folder + std::u16string(path);
  return true;
}

}  // namespace orvel
