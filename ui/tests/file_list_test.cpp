// The device path dialog and the file list dialog in this process, worked with real input.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>

#include "outside/fenwarp/driver/ui_driver.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/lists/file_list_dlg.h"
#include "ui/tests/driven_dialog.h"

using namespace orvel;
using namespace orvel::ui;
namespace driver = orvel::uidriver;

namespace {

class DevicePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App().InitInstance();
    ASSERT_TRUE(App().LanguageLoaded());
  }
  static INT_PTR Run(CDevicePathDlg& dialog, const std::function<void(HWND)>& drive) {
    return uitest::RunDriven<INT_PTR>([&] { return dialog.DoModal(); }, CDevicePathDlg::kDeviceFolder, drive);
  }
};

// The folder box's edit field.
HWND FolderEdit(HWND dialog) {
  return driver::FindControlByClass(driver::FindControl(dialog, CDevicePathDlg::kDeviceFolder), L"Edit");
}

TEST_F(DevicePathTest, AFolderWithoutADriveIsRefusedAndOneWithoutItsBackslashGetsIt) {
  CDevicePathDlg dialog(App().ResourceHandle());
  dialog.SetPcPath(u"C:\\data\\a.txt");
  std::vector<std::wstring> offered;
  bool okEmpty = true, okRelative = true, okDrive = false, told = false, stayed = false, pressed = false;
  const INT_PTR result = Run(dialog, [&](HWND window) {
    HWND ok = driver::FindControl(window, IDOK);
    offered = driver::ComboBoxTexts(driver::FindControl(window, CDevicePathDlg::kDeviceFolder));
    okEmpty = ::IsWindowEnabled(ok);
    HWND edit = FolderEdit(window);
    if (!driver::Click(edit)) return;
    driver::TypeText(L"Documents");
    driver::WaitUntil(driver::Wait::Text, [&] { return driver::WindowText(edit) == L"Documents"; });
    okRelative = ::IsWindowEnabled(ok);
    // The dialog's own check behind the disabled button.
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    told = static_cast<bool>(
        driver::AnswerMessageBox(::GetCurrentProcessId(), win::AsWide(App().LoadResString(592, true)), IDOK));
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

}  // namespace
