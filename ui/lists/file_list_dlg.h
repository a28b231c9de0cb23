// The file list dialog, which edits a file list node (packages, images, tones, or general files
// with their device folders) on a working copy, and the dialog that pairs a PC file with a device
// folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "support/win/dialog.h"
#include "ui/app/resource_ids.h"
#include "ui/lists/entry_list_dlg.h"
#include "ui/lists/list_ctrl.h"

namespace orvel {
class CSettingsNode;
}

namespace orvel::ui {

class CDevicePathDlg : public win::CDialog {
 public:
  explicit CDevicePathDlg(HINSTANCE resources) : CDialog(resources, kDevicePathTemplate) {}

  void SetPcPath(std::u16string path) { m_pcPath = std::move(path); }
  void SetDeviceFolder(std::u16string folder) { m_deviceFolder = std::move(folder); }
  const std::u16string& PcPath() const { return m_pcPath; }
  // After IDOK with a trailing backslash.
  const std::u16string& DeviceFolder() const { return m_deviceFolder; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void UpdateOk();

  std::u16string m_pcPath;
  std::u16string m_deviceFolder;
};

class CFileListModel;

class CFileListDlg : public CEntryListDlg {
 public:
  explicit CFileListDlg(HINSTANCE resources);
  ~CFileListDlg() override;

  // The list node to edit (not owned); on IDOK its entries have been replaced.
  void SetListNode(CSettingsNode* list) { m_listNode = list; }
  // "Name (*.x)|*.x|...||" for the open dialog.
  void SetFilter(std::u16string filter) { m_filter = std::move(filter); }
  // The entry type, and for general files (118) the types of the PC path and the device folder.
  void SetTypes(uint32_t entryType, uint32_t localType, uint32_t remoteType);
  // After IDOK: whether the entries differ from what the list node held before.
  bool EntriesChanged() const { return m_changed; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnAdd() override;
  void OnEdit() override;
  void OnDelete() override;
  void UpdateButtons() override;
  void OnFinalMessage() override;

 private:
  void Fill();
  CSettingsNode* EntryOf(int item) const;

  CListCtrlEx m_list;
  CSettingsNode* m_listNode = nullptr;
  std::unique_ptr<CFileListModel> m_model;  // the working copy, from opening to the window's end
  std::u16string m_filter;
  uint32_t m_entryType = 0;
  bool m_changed = false;
};

}  // namespace orvel::ui
