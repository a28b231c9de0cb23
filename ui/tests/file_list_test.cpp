// The device path dialog and the file list dialog in this process, worked with real input: the
// device folders offered and a folder without a drive refused; the file list dialog opened from the
// settings tree on a package list (several files chosen at once in the open dialog) and on the
// general files (a PC file with a device folder added, a duplicate, an edit, a deletion), OK
// putting the entries into the tree's document, which is saved and compared with its golden, and
// Cancel leaving the list as it was.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "testing/ui_driver.h"
#include "settings/settings_node.h"
#include "settings/settings_writer.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/lists/file_list_dlg.h"
#include "ui/lists/file_list_logic.h"
#include "ui/main/main_view.h"
#include "ui/tests/driven_dialog.h"
#include "ui/tests/tree_host_dlg.h"
#include "ui/tree/settings_tree.h"

using namespace orvel;
using namespace orvel::ui;
namespace driver = orvel::uidriver;
namespace fs = std::filesystem;

namespace {

class DevicePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App().InitInstance();
    ASSERT_TRUE(App().LanguageLoaded());
  }
  static INT_PTR Run(CDevicePathDlg& dialog, const std::function<void(HWND)>& drive) {
    return uitest::RunDriven<INT_PTR>([&] { return dialog.DoModal(); }, kDeviceFolderEdit, drive);
  }
};

// The folder box's edit field.
HWND FolderEdit(HWND dialog) {
  return driver::FindControlByClass(driver::FindControl(dialog, kDeviceFolderEdit), L"Edit");
}

TEST_F(DevicePathTest, AFolderWithoutADriveIsRefusedAndOneWithoutItsBackslashGetsIt) {
  CDevicePathDlg dialog(App().ResourceHandle());
  dialog.SetPcPath(u"C:\\data\\a.txt");
  std::vector<std::wstring> offered;
  bool okEmpty = true, okRelative = true, okDrive = false, told = false, stayed = false, pressed = false;
  const INT_PTR result = Run(dialog, [&](HWND window) {
    HWND ok = driver::FindControl(window, IDOK);
    offered = driver::ComboBoxTexts(driver::FindControl(window, kDeviceFolderEdit));
    okEmpty = ::IsWindowEnabled(ok);
    HWND edit = FolderEdit(window);
    if (!driver::Click(edit)) return;
    driver::TypeText(L"Documents");
    driver::WaitUntil(driver::Wait::Text, [&] { return driver::WindowText(edit) == L"Documents"; });
    okRelative = ::IsWindowEnabled(ok);
    // The dialog's own check behind the disabled button.
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    told = static_cast<bool>(driver::AnswerMessageBox(
        ::GetCurrentProcessId(), win::AsWide(App().LoadResString(kInvalidDeviceFolderText, true)), IDOK));
    stayed = ::IsWindow(window) != FALSE;
    if (!driver::Click(edit)) return;
    driver::PressKey(VK_HOME);
    driver::TypeText(L"C:\\");
    driver::WaitUntil(driver::Wait::Text, [&] { return ::IsWindowEnabled(ok) != FALSE; });
    okDrive = ::IsWindowEnabled(ok);
    pressed = static_cast<bool>(driver::PressButton(window, IDOK));
  });
  EXPECT_EQ(offered, (std::vector<std::wstring>{L"C:\\Documents\\", L"C:\\Documents\\Downloaded\\",
                                                L"C:\\Documents\\Photo gallery\\", L"C:\\Documents\\Tones\\",
                                                L"D:\\Documents\\"}));
  EXPECT_FALSE(okEmpty);
  EXPECT_FALSE(okRelative);
  EXPECT_TRUE(told);
  EXPECT_TRUE(stayed);
  EXPECT_TRUE(okDrive);
  EXPECT_TRUE(pressed);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.PcPath(), u"C:\\data\\a.txt");
  EXPECT_EQ(dialog.DeviceFolder(), u"C:\\Documents\\");
}

// --- the file list dialog opened from the settings tree

// The PC files live in a folder of their own on the prefix's drive, so that the saved document
// names the same paths on every machine.
const fs::path kFiles = L"C:\\orvel_file_lists";

constexpr char16_t kFixture[] =
    u"<?xml version=\"1.0\"?><Settings><FileTransfer>"
    u"<SISFiles><SISFile>C:\\orvel_file_lists\\b.sis</SISFile></SISFiles>"
    u"<Files><File><Local>C:\\orvel_file_lists\\old.txt</Local><Remote>C:\\Documents\\</Remote></File></"
    u"Files>"
    u"</FileTransfer></Settings>";

// The open dialog's file name box.
constexpr int kFileNameEdit = 0x480;

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FileListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    App().InitInstance();
    ASSERT_TRUE(App().LanguageLoaded());
    fs::remove_all(kFiles);
    fs::create_directories(kFiles);
    for (const wchar_t* name : {L"a.sis", L"b.sis", L"c.sis", L"old.txt", L"new.txt", L"other.txt"})
      std::ofstream(kFiles / name) << "x";
    App().Document().Reset();
    ASSERT_TRUE(App().Document().LoadText(kFixture));
    SetDocumentModified(false);
    m_root = App().Document().GetRoot();
    m_frame = ::CreateWindowExW(0, L"STATIC", L"tree", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 520,
                                nullptr, nullptr, nullptr, nullptr);
    m_host = std::make_unique<uitest::CTreeHostDlg>(m_tree);
    ASSERT_TRUE(m_host->Create(m_frame));
    ::SetWindowPos(m_host->Handle(), nullptr, 0, 0, 620, 480, SWP_NOZORDER | SWP_SHOWWINDOW);
    m_tree.Rebuild();
  }
  void TearDown() override {
    if (m_frame) ::DestroyWindow(m_frame);
    // The open dialog made the files' folder the current one.
    ::SetCurrentDirectoryW(L"C:\\");
    std::error_code ignored;
    fs::remove_all(kFiles, ignored);
  }

  CSettingsNode& List(uint32_t type) { return *m_root->FindChildOfType(109)->FindChildOfType(type); }
  HTREEITEM ItemOf(const CSettingsNode& node, HTREEITEM parent = TVI_ROOT) const {
    HWND tree = m_tree.Handle();
    for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
      TVITEMW data = {};
      data.mask = TVIF_PARAM;
      data.hItem = item;
      TreeView_GetItem(tree, &data);
      if (reinterpret_cast<const CSettingsNode*>(data.lParam) == &node) return item;
      TreeView_Expand(tree, item, TVE_EXPAND);
      if (HTREEITEM below = ItemOf(node, item)) return below;
    }
    return nullptr;
  }
  // Opens the list's dialog from the tree, as its editor; `drive` works the dialog.
  bool Edit(const CSettingsNode& list, const std::function<void(HWND)>& drive) {
    HTREEITEM item = ItemOf(list);
    EXPECT_NE(item, nullptr);
    return uitest::RunDriven<bool>([&] { return m_tree.EditSelectedValue(item); }, kListControl, drive);
  }
  static std::u16string Written(CSettingsNode& node) {
    std::u16string text;
    for (size_t i = 0; i < node.GetChildCount(); ++i)
      text += ChildValue(node.GetChild(i), kFileLocalType) + node.GetChild(i)->GetValue() + u"|" +
              ChildValue(node.GetChild(i), kFileRemoteType) + (node.GetChild(i)->IsCreated() ? u"+;" : u";");
    return text;
  }
  // Every entry of the list, and every node below one, has its own place in the document: a parent
  // left in the dialog's working copy, which is gone, would be freed memory.
  static void ExpectOwnParents(const CSettingsNode& list) {
    for (size_t i = 0; i < list.GetChildCount(); ++i) {
      const CSettingsNode* entry = list.GetChild(i);
      EXPECT_EQ(entry->GetParent(), &list);
      for (size_t k = 0; k < entry->GetChildCount(); ++k) EXPECT_EQ(entry->GetChild(k)->GetParent(), entry);
    }
  }

  CSettingsTree m_tree{nullptr};
  std::unique_ptr<uitest::CTreeHostDlg> m_host;
  HWND m_frame = nullptr;
  CSettingsNode* m_root = nullptr;
};

// Chooses files in the open dialog: the folder typed first, then the names as a quoted list.
bool ChooseFiles(const std::wstring& names) {
  const DWORD process = ::GetCurrentProcessId();
  HWND open = driver::WaitDialogWithControl(process, kFileNameEdit);
  if (!open) return false;
  HWND name = driver::FindControl(open, kFileNameEdit);
  if (!driver::WaitUntil(driver::Wait::Window, [&] { return driver::FocusOf(open) == name; })) return false;
  driver::TypeText(kFiles.wstring() + L"\n");
  // The dialog has gone into the folder when it empties its name box.
  if (!driver::WaitUntil(driver::Wait::Text, [&] { return driver::WindowText(name).empty(); })) return false;
  driver::TypeText(names);
  if (!driver::WaitUntil(driver::Wait::Text, [&] { return driver::WindowText(name) == names; })) return false;
  driver::PressKey(VK_RETURN);
  return driver::WaitUntil(driver::Wait::Window, [&] { return !::IsWindow(open); });
}

TEST_F(FileListTest, SeveralPackagesChosenAtOnceGoIntoTheTreeOnOk) {
  CSettingsNode& packages = List(115);
  std::vector<std::wstring> names;
  std::wstring caption;
  bool twoColumns = false, noEdit = false, chosen = false, pressed = false;
  EXPECT_TRUE(Edit(packages, [&](HWND window) {
    caption = driver::WindowText(window);
    HWND list = driver::FindControl(window, kListControl);
    twoColumns = Header_GetItemCount(ListView_GetHeader(list)) == 2;
    noEdit = driver::FindControl(window, kEditButton) == nullptr;
    if (!driver::PressButton(window, kAddButton)) return;
    // b.sis is listed already: it is not added twice.
    chosen = ChooseFiles(L"\"a.sis\" \"b.sis\" \"c.sis\"");
    driver::WaitUntil(driver::Wait::Text, [&] { return ListView_GetItemCount(list) == 3; });
    names = driver::ListViewTexts(list);
    EXPECT_TRUE(driver::CaptureWindow(window, L"morvane_file_list_packages"));
    pressed = static_cast<bool>(driver::PressButton(window, IDOK));
  }));
  EXPECT_TRUE(chosen);
  EXPECT_TRUE(pressed);
  std::u16string title;
  packages.GetNodeName(title, true);
  EXPECT_EQ(win::FromWide(caption), title);
  EXPECT_TRUE(twoColumns);
  EXPECT_TRUE(noEdit);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"b.sis", L"a.sis", L"c.sis"}));
  // The list is created now, and with it every entry.
  EXPECT_EQ(Written(packages),
            u"C:\\orvel_file_lists\\b.sis|+;C:\\orvel_file_lists\\a.sis|+;"
            u"C:\\orvel_file_lists\\c.sis|+;");
  ExpectOwnParents(packages);
  EXPECT_TRUE(packages.IsCreated());
  EXPECT_TRUE(IsDocumentModified());
}

TEST_F(FileListTest, GeneralFilesWithTheirDeviceFoldersAreSavedAsTheGoldenHasThem) {
  CSettingsNode& files = List(117);
  std::vector<std::wstring> afterAdd, devices;
  bool threeColumns = false, duplicateSkipped = false, pressed = false;
  auto addFile = [&](HWND window, const std::wstring& pcPath) {
    if (!driver::PressButton(window, kAddButton)) return false;
    HWND path = driver::WaitDialogWithControl(::GetCurrentProcessId(), kDeviceFolderEdit);
    if (!path) return false;
    HWND pcFile = driver::FindControl(path, kDevicePcFileEdit);
    if (!driver::Click(pcFile)) return false;
    driver::TypeText(pcPath);
    // The second offered folder, chosen in the folder box with the keyboard.
    HWND folder = driver::FindControl(path, kDeviceFolderEdit);
    if (!driver::Click(FolderEdit(path))) return false;
    driver::PressKey(VK_DOWN);
    driver::PressKey(VK_DOWN);
    EXPECT_TRUE(driver::WaitUntil(
        driver::Wait::Text, [&] { return driver::WindowText(folder) == L"C:\\Documents\\Downloaded\\"; }));
    if (!driver::WaitUntil(driver::Wait::Text,
                           [&] { return ::IsWindowEnabled(driver::FindControl(path, IDOK)) != FALSE; }))
      return false;
    return static_cast<bool>(driver::PressButton(path, IDOK)) &&
           driver::WaitUntil(driver::Wait::Window, [&] { return !::IsWindow(path); });
  };
  EXPECT_TRUE(Edit(files, [&](HWND window) {
    HWND list = driver::FindControl(window, kListControl);
    threeColumns = Header_GetItemCount(ListView_GetHeader(list)) == 3;
    const std::wstring fresh = (kFiles / L"new.txt").wstring();
    if (!addFile(window, fresh)) {
      ADD_FAILURE() << "the file was not added";
      return;
    }
    driver::WaitUntil(driver::Wait::Text, [&] { return ListView_GetItemCount(list) == 2; });
    afterAdd = driver::ListViewTexts(list);
    // The same PC file again, with another folder: a duplicate by its PC path.
    if (!addFile(window, fresh)) {
      ADD_FAILURE() << "the duplicate was not offered";
      return;
    }
    duplicateSkipped = ListView_GetItemCount(list) == 2;
    // The old entry deleted with the Delete key.
    if (!uitest::ClickItemLabel(list, 0)) {
      ADD_FAILURE() << "no click on the old entry";
      return;
    }
    driver::WaitUntil(driver::Wait::Text,
                      [&] { return ::IsWindowEnabled(driver::FindControl(window, kDeleteButton)) != FALSE; });
    driver::PressKey(VK_DELETE);
    driver::WaitUntil(driver::Wait::Text, [&] { return ListView_GetItemCount(list) == 1; });
    // The new entry edited: it keeps its PC path and gets the photo gallery.
    // (Not where the last click was: that would be a double click.)
    if (!uitest::ClickItemLabel(list, 0, 1)) {
      ADD_FAILURE() << "no click on the item";
      return;
    }
    driver::WaitUntil(driver::Wait::Text,
                      [&] { return ::IsWindowEnabled(driver::FindControl(window, kEditButton)) != FALSE; });
    if (!driver::PressButton(window, kEditButton)) {
      ADD_FAILURE() << "no click on Edit";
      return;
    }
    HWND path = driver::WaitDialogWithControl(::GetCurrentProcessId(), kDeviceFolderEdit);
    if (!path) {
      ADD_FAILURE() << "Edit opened no device path dialog";
      return;
    }
    HWND edit = FolderEdit(path);
    if (!driver::Click(edit)) {
      ADD_FAILURE() << "no click on the folder box";
      return;
    }
    driver::PressKey(VK_END);
    driver::PressKeys({VK_SHIFT, VK_HOME});
    driver::TypeText(L"C:\\Documents\\Photo gallery");
    driver::WaitUntil(driver::Wait::Text,
                      [&] { return ::IsWindowEnabled(driver::FindControl(path, IDOK)) != FALSE; });
    if (!driver::PressButton(path, IDOK)) {
      ADD_FAILURE() << "no click on OK";
      return;
    }
    driver::WaitUntil(driver::Wait::Window, [&] { return !::IsWindow(path); });
    devices = driver::ListViewTexts(list, 2);
    EXPECT_TRUE(driver::CaptureWindow(window, L"morvane_file_list_files"));
    pressed = static_cast<bool>(driver::PressButton(window, IDOK));
  }));
  EXPECT_TRUE(threeColumns);
  EXPECT_EQ(afterAdd, (std::vector<std::wstring>{L"old.txt", L"new.txt"}));
  EXPECT_TRUE(duplicateSkipped);
  EXPECT_EQ(devices, (std::vector<std::wstring>{L"C:\\Documents\\Photo gallery\\"}));
  EXPECT_TRUE(pressed);
  ExpectOwnParents(files);
  EXPECT_EQ(Written(files), u"C:\\orvel_file_lists\\new.txt|C:\\Documents\\Photo gallery\\+;");

  // Beside the test, where it stays to be compared after a failure.
  const fs::path saved = fs::path(win::AsWide(GetModuleFolder())) / L"file_list_saved.xml";
  SetPasswordSeed(1);
  ASSERT_TRUE(App().Document().SaveFile(win::FromWide(saved.wstring())));
  SetPasswordSeed(std::nullopt);
  const fs::path golden = fs::path(driver::WindowsPath(std::getenv("ORVEL_SOURCE_DIR"))) / L"ui" / L"tests" /
                          L"testdata" / L"file_list_golden.xml";
  EXPECT_TRUE(Bytes(saved) == Bytes(golden)) << "compare " << saved << " with " << golden;
}

TEST_F(FileListTest, CancelLeavesTheListAsItWas) {
  CSettingsNode& files = List(117);
  const std::u16string before = Written(files);
  bool deleted = false, pressed = false;
  EXPECT_TRUE(Edit(files, [&](HWND window) {
    HWND list = driver::FindControl(window, kListControl);
    if (!uitest::ClickItemLabel(list, 0)) return;
    driver::WaitUntil(driver::Wait::Text,
                      [&] { return ::IsWindowEnabled(driver::FindControl(window, kDeleteButton)) != FALSE; });
    if (!driver::PressButton(window, kDeleteButton)) return;
    deleted = driver::WaitUntil(driver::Wait::Text, [&] { return ListView_GetItemCount(list) == 0; });
    pressed = static_cast<bool>(driver::PressButton(window, IDCANCEL));
  }));
  EXPECT_TRUE(deleted);
  EXPECT_TRUE(pressed);
  EXPECT_EQ(Written(files), before);
  EXPECT_FALSE(IsDocumentModified());
}

}  // namespace
