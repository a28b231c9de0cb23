#include "support/file_dialog_text.h"

namespace orvel {

std::u16string FileDialogFilter(std::u16string_view filter) {
  std::u16string text(filter);
  while (!text.empty() && text.back() == u'|') text.pop_back();
  for (char16_t& c : text) {
    if (c == u'|') c = u'\0';
  }
  text.append(2, u'\0');
  return text;
}

namespace {

bool IsFullPath(std::u16string_view name) {
  return (name.size() >= 2 && name[1] == u':') || (name.size() >= 2 && name[0] == u'\\' && name[1] == u'\\');
}

}  // namespace

std::vector<std::u16string> SplitFileDialogAnswer(std::u16string_view answer) {
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  while (start < answer.size()) {
    size_t end = answer.find(u'\0', start);
    if (end == std::u16string_view::npos) end = answer.size();
    if (end == start) break;  // the second NUL ends the answer
    parts.push_back(answer.substr(start, end - start));
    start = end + 1;
  }
  std::vector<std::u16string> paths;
  if (parts.size() == 1) {
    paths.emplace_back(parts[0]);
    return paths;
  }
  for (size_t i = 1; i < parts.size(); ++i) {
    if (IsFullPath(parts[i])) {
      paths.emplace_back(parts[i]);
      continue;
    }
    std::u16string path(parts.empty() ? std::u16string_view() : parts[0]);
    if (!path.empty() && path.back() != u'\\') path += u'\\';  // a drive's root already ends with one
    path += parts[i];
    paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace orvel
