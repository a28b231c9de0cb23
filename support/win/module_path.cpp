#include "support/win/module_path.h"

#include <shlobj.h>

#include "support/path_text.h"
#include "support/win/com.h"
#include "support/win/wide.h"

namespace orvel::win {

namespace {

// The long form through the shell: the desktop folder parses the name into an item list, which
// gives the path back; the list is freed with the shell's allocator.
bool LongForm(const wchar_t* name, std::wstring& result) {
  win::ComPtr<IShellFolder> desktop;
  if (FAILED(::SHGetDesktopFolder(desktop.GetAddressOf())) || !desktop) return false;
  win::ComPtr<IMalloc> allocator;
  if (FAILED(::SHGetMalloc(allocator.GetAddressOf())) || !allocator) return false;
  PIDLIST_RELATIVE items = nullptr;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, const_cast<wchar_t*>(name), nullptr, &items,
                                       nullptr)) ||
      !items)
    return false;
  wchar_t path[MAX_PATH] = {};
  bool converted = ::SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(items), path) && path[0];
  allocator->Free(items);
  if (converted) result = path;
  return converted;
}

}  // namespace

bool GetModulePath(std::u16string& result, HMODULE module) {
  result.clear();
  wchar_t name[MAX_PATH + 1] = {};
  DWORD n = ::GetModuleFileNameW(module, name, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  std::wstring path;
  if (!LongForm(name, path)) path.assign(name, n);
  result = win::FromWide(path);
  return true;
}

bool GetModuleDirectory(std::u16string& result, HMODULE module) {
  std::u16string path;
  if (!GetModulePath(path, module)) {
    result.clear();
    return false;
  }
  result = FolderPart(path);
  if (!result.empty() && result.back() != u'\\') result += u'\\';
  return true;
}

}  // namespace orvel::win
