#include "ui/lists/file_list_logic.h"

#include <algorithm>
#include <limits>

#include "settings/settings_node.h"
#include "settings/settings_schema.h"
#include "settings/settings_validate.h"
#include "interfaces/device_folders.h"
#include "support/u16text.h"

namespace orvel::ui {

namespace {

std::u16string Shown(CSettingsNode& node) {
  std::u16string value;
  node.GetDisplayValue(value, true);
  return value;
}

uint32_t KindOf(uint32_t type) {
  const NodeTypeInfo* info = GetNodeTypeInfo(type);
  return info ? info->kind : kKindNone;
}

bool SameTree(const CSettingsNode& a, const CSettingsNode& b) {
  if (a.GetType() != b.GetType() || a.GetValue() != b.GetValue() || a.IsCreated() != b.IsCreated() ||
      a.IsUpdated() != b.IsUpdated() || a.GetChildCount() != b.GetChildCount())
    return false;
  for (size_t i = 0; i < a.GetChildCount(); ++i)
    if (!SameTree(*a.GetChild(i), *b.GetChild(i))) return false;
  return true;
}

// The working copy is not the document: its changes must not mark the document modified, which
// only OK may do.
class CKeepDocumentFlag {
 public:
  CKeepDocumentFlag() : m_modified(IsDocumentModified()) {}
  ~CKeepDocumentFlag() { SetDocumentModified(m_modified); }
  CKeepDocumentFlag(const CKeepDocumentFlag&) = delete;
  CKeepDocumentFlag& operator=(const CKeepDocumentFlag&) = delete;

 private:
  bool m_modified;
};

}  // namespace

SplitPath SplitFilePath(std::u16string_view path) {
  const size_t slash = path.rfind(u'\\');
  if (slash == std::u16string_view::npos) return {std::u16string(path), {}};
  return {std::u16string(path.substr(slash + 1)), std::u16string(path.substr(0, slash + 1))};
}

int32_t DeviceLanguageFromText(std::u16string_view text) {
  if (!text.empty() && text.front() == u'[') text.remove_prefix(1);
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    value = std::min<int64_t>(value, std::numeric_limits<int32_t>::max());  // saturates, never wraps
  }
  if (negative) value = -value;
  return value == 0 ? 1 : static_cast<int32_t>(value);
}

std::vector<std::u16string> DeviceFolderChoices(int32_t language) {
  std::vector<std::u16string> choices;
  for (uint32_t code : {kFolderDocuments, kFolderDownloaded, kFolderPhotoGallery, kFolderTones}) {
    std::u16string path;
    GetDeviceFolderPath(path, language, code);
    choices.push_back(u"C:\\" + path);
  }
  std::u16string documents;
  GetDeviceFolderPath(documents, language, kFolderDocuments);
  choices.push_back(u"D:\\" + documents);
  return choices;
}

bool IsAcceptableDeviceFolder(std::u16string_view folder) {
  const bool rooted = (folder.size() >= 2 && folder[1] == u':') || (!folder.empty() && folder[0] == u'\\');
  return rooted && IsValidFileName(folder);
}

std::u16string WithTrailingBackslash(std::u16string folder) {
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  return folder;
}

CFileListModel::CFileListModel(const CSettingsNode& list, uint32_t entryType)
    : m_copy(std::make_unique<CSettingsNode>(list)), m_entryType(entryType) {}

CFileListModel::~CFileListModel() = default;

std::u16string CFileListModel::PcPath(CSettingsNode& entry) const {
  if (!HasDeviceColumn()) return Shown(entry);
  CSettingsNode* local = entry.FindChildOfType(kFileLocalType);
  return local ? Shown(*local) : std::u16string();
}

std::u16string CFileListModel::DeviceFolder(CSettingsNode& entry) const {
  CSettingsNode* remote = entry.FindChildOfType(kFileRemoteType);
  return remote ? Shown(*remote) : std::u16string();
}

std::vector<FileListRow> CFileListModel::Rows() {
  std::vector<FileListRow> rows;
  for (size_t i = 0; i < m_copy->GetChildCount(); ++i) {
    CSettingsNode* entry = m_copy->GetChild(i);
    SplitPath split = SplitFilePath(PcPath(*entry));
    rows.push_back({entry, std::move(split.name), std::move(split.folder),
                    HasDeviceColumn() ? DeviceFolder(*entry) : std::u16string()});
  }
  return rows;
}

bool CFileListModel::HoldsPcPath(const std::u16string& path, const CSettingsNode* except) {
  // A general file's own value is always empty: its PC path is the child's.
  for (size_t i = 0; i < m_copy->GetChildCount(); ++i) {
    CSettingsNode* entry = m_copy->GetChild(i);
    if (entry != except && PcPath(*entry) == path) return true;
  }
  return false;
}

CSettingsNode* CFileListModel::NewEntry(CSettingsNode& parent, uint32_t type, const std::u16string& value) {
  CSettingsNode* node = parent.AddChild(value, KindOf(type), type);
  node->SetCreated(true, false);
  return node;
}

size_t CFileListModel::AddFiles(const std::vector<std::u16string>& paths) {
  size_t added = 0;
  for (const std::u16string& path : paths) {
    if (HoldsPcPath(path, nullptr)) continue;
    NewEntry(*m_copy, m_entryType, path);
    ++added;
  }
  return added;
}

bool CFileListModel::AddFileWithFolder(const std::u16string& pcPath, const std::u16string& deviceFolder) {
  if (HoldsPcPath(pcPath, nullptr)) return false;
  CSettingsNode* entry = NewEntry(*m_copy, kFileType, u"");
  NewEntry(*entry, kFileLocalType, pcPath);
  NewEntry(*entry, kFileRemoteType, deviceFolder);
  return true;
}

bool CFileListModel::EditEntry(CSettingsNode* entry, const std::u16string& pcPath,
                               const std::u16string& deviceFolder) {
  if (!entry || HoldsPcPath(pcPath, entry)) return false;
  CKeepDocumentFlag keep;
  for (auto [type, value] : {std::pair{kFileLocalType, &pcPath}, std::pair{kFileRemoteType, &deviceFolder}}) {
    CSettingsNode* part = entry->FindChildOfType(type);
    if (!part) part = entry->AddChild(u"", KindOf(type), type);
    part->SetDisplayValue(*value);
    part->SetCreated(true, false);
  }
  return true;
}

void CFileListModel::DeleteEntries(const std::vector<CSettingsNode*>& entries) {
  // The last first; a node that is no entry of the copy is left alone.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) m_copy->RemoveChild(*it);
}

bool CFileListModel::SameEntries(const CSettingsNode& list) const {
  if (list.GetChildCount() != m_copy->GetChildCount()) return false;
  for (size_t i = 0; i < list.GetChildCount(); ++i)
    if (!SameTree(*list.GetChild(i), *m_copy->GetChild(i))) return false;
  return true;
}

void CFileListModel::CommitTo(CSettingsNode& list) const {
  list.DeleteAllChildren();
  for (size_t i = 0; i < m_copy->GetChildCount(); ++i) {
    // The copy's own parent would be the working copy, which goes with the dialog.
    auto entry = std::make_unique<CSettingsNode>(*m_copy->GetChild(i));
    entry->SetParent(&list);
    list.InsertChild(std::move(entry));
  }
}

}  // namespace orvel::ui
