// The file list dialog's rules that need no window: its working copy of the list node with the
// adding, editing, deleting and the hand-back on OK, the rows the list shows, and the device
// folders that the device path dialog offers and accepts. Portable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_schema.h"

namespace orvel {
class CSettingsNode;
}

namespace orvel::ui {

// A full path split at its last backslash: the file name after it, and the folder up to and
// including it (empty without a backslash).
struct SplitPath {
  std::u16string name;
  std::u16string folder;
};
SplitPath SplitFilePath(std::u16string_view path);

// The device language of the language library's text (kDeviceLanguageText): a leading "[" dropped, then
// the number at its start; 0 or no number means 1 (English).
int32_t DeviceLanguageFromText(std::u16string_view text);

// The device folders offered for a language, in order: "C:\" with the documents, downloaded files,
// photo gallery and tones folders, then "D:\" with the documents folder.
std::vector<std::u16string> DeviceFolderChoices(int32_t language);

// A device folder begins with a drive ("X:") or a backslash and holds no character that a file
// name may not.
bool IsAcceptableDeviceFolder(std::u16string_view folder);
// The folder as it is stored: with a trailing backslash.
std::u16string WithTrailingBackslash(std::u16string folder);

// One row of the list.
struct FileListRow {
  CSettingsNode* entry;  // in the working copy
  std::u16string name;
  std::u16string folder;
  std::u16string device;  // only for general files
};

class CFileListModel {
 public:
  // A deep copy of the list node to work on; the list node itself is only read until CommitTo.
  CFileListModel(const CSettingsNode& list, uint32_t entryType);
  ~CFileListModel();
  CFileListModel(const CFileListModel&) = delete;
  CFileListModel& operator=(const CFileListModel&) = delete;

  // General files (entry type 118) have a device folder and are added and edited with one.
  bool HasDeviceColumn() const { return m_entryType == kFileType; }
  const CSettingsNode& WorkingCopy() const { return *m_copy; }

  std::vector<FileListRow> Rows();

  // Adds each file that no entry holds yet (compared exactly), in order; the number added.
  size_t AddFiles(const std::vector<std::u16string>& paths);
  // A general file with its device folder; false when an entry holds that PC path already.
  bool AddFileWithFolder(const std::u16string& pcPath, const std::u16string& deviceFolder);
  // New paths of a general file's entry; false when another entry holds that PC path (the entry
  // may keep its own).
  bool EditEntry(CSettingsNode* entry, const std::u16string& pcPath, const std::u16string& deviceFolder);
  // Removes the entries from the working copy and destroys them.
  void DeleteEntries(const std::vector<CSettingsNode*>& entries);

  // The PC path and the device folder of an entry, as shown.
  std::u16string PcPath(CSettingsNode& entry) const;
  std::u16string DeviceFolder(CSettingsNode& entry) const;

  // Whether the list node's entries equal the working copy's (types, values, flags, children).
  bool SameEntries(const CSettingsNode& list) const;
  // Replaces the list node's entries with copies of the working copy's: each copy, and everything
  // below it, belongs to the list node's subtree, never to the working copy.
  void CommitTo(CSettingsNode& list) const;

 private:
  bool HoldsPcPath(const std::u16string& path, const CSettingsNode* except);
  CSettingsNode* NewEntry(CSettingsNode& parent, uint32_t type, const std::u16string& value);

  std::unique_ptr<CSettingsNode> m_copy;
  uint32_t m_entryType;
};

}  // namespace orvel::ui
