// The bookmark import's parts: the source dialog, the list of bookmark files found, the import of
// each source, and the bounded search for the other browser's bookmark file.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "support/win/dialog.h"
#include "ui/app/resource_ids.h"
#include "ui/lists/list_ctrl.h"

namespace orvel::ui {

class CImportSourceDlg : public win::CDialog {
 public:
  explicit CImportSourceDlg(HINSTANCE resources) : CDialog(resources, kImportSourceTemplate) {}

  bool Favorites() const { return m_favorites; }
  bool Netscape() const { return m_netscape; }
  bool File() const { return m_file; }
  const std::u16string& Path() const { return m_path; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;

 private:
  void UpdateControls();

  bool m_favorites = true;
  bool m_netscape = false;
  bool m_file = false;
  std::u16string m_path;
};

class CBookmarkListDlg : public win::CDialog {
 public:
  explicit CBookmarkListDlg(HINSTANCE resources) : CDialog(resources, kBookmarkFilesTemplate) {}

  void SetFiles(std::vector<std::u16string> files) { m_files = std::move(files); }
  const std::u16string& ChosenPath() const { return m_chosen; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  bool TakeSelection();

  CListCtrlEx m_list;
  std::vector<std::u16string> m_files;
  std::u16string m_chosen;
};

// How far the search for the bookmark file goes below the folder it starts in: a location such
// as a drive's root must not walk the whole drive.
struct BookmarkSearchLimits {
  size_t depth = 4;       // folder levels below the start
  size_t folders = 1000;  // folders read in all
};

// Every file named exactly "bookmark.htm" in the folder and its sub-folders, within the limits;
// `searched` (when given) receives the number of folders read.
std::vector<std::u16string> SearchBookmarkFiles(const std::u16string& folder,
                                                const BookmarkSearchLimits& limits = {},
                                                size_t* searched = nullptr);

class CBookmarkImport {
 public:
  CBookmarkImport(HWND parent, HINSTANCE resources) : m_parent(parent), m_resources(resources) {}

  // The texts (URL, line feed, name) of every Internet shortcut in the user's favourites folder
  // and its sub-folders; channel-shortcut folders are passed over. A shell failure ends it with
  // what was found.
  void ImportFavorites(std::vector<std::u16string>& out);
  // The other browser's bookmark file named in the registry, or found below its program folder
  // and chosen in the list dialog. False when there is no such file to read.
  bool ImportNetscape(std::vector<std::u16string>& out);
  // False when the file cannot be read.
  bool ImportFile(const std::u16string& path, std::vector<std::u16string>& out);

 private:
  void EnumerateFolder(struct IShellFolder* folder, struct IMalloc* allocator,
                       std::vector<std::u16string>& out, size_t depth);

  HWND m_parent;
  HINSTANCE m_resources;
};

}  // namespace orvel::ui
