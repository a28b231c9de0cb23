// The settings tree in this process, in the main view's template on a small document, worked with
// real mouse and keyboard input: the state icon and Space, Ctrl and Shift marks and the deletion of
// the marked entries, a digit typed on a port, F2, Enter and Esc, and a password whose confirmation
// fails. Each case checks the settings document afterwards.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "testing/ui_driver.h"
#include "settings/settings_node.h"
#include "support/win/dialog.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/main/main_view.h"
#include "ui/tests/tree_host_dlg.h"
#include "ui/tree/settings_tree.h"

using namespace orvel;
using namespace orvel::ui;
namespace driver = orvel::uidriver;

namespace {

constexpr char16_t kFixture[] =
    u"<?xml version=\"1.0\"?><Settings><IAPSettings>"
    u"<IAPConnection><ConnectionName>Home</ConnectionName><PromptPassword>No</PromptPassword>"
    u"<Username>me</Username>"
    u"<Proxies><HTTPUseProxy>Yes</HTTPUseProxy><HTTPPortNumber>8080</HTTPPortNumber></Proxies>"
    u"</IAPConnection>"
    u"<IAPConnection><ConnectionName>Work</ConnectionName></IAPConnection>"
    u"</IAPSettings><PersonalData><DefaultVoiceMailbox>123</DefaultVoiceMailbox></PersonalData></Settings>";

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&controls);  // as the host does
    App().InitInstance();
    ASSERT_TRUE(App().LanguageLoaded());
    App().Document().Reset();
    ASSERT_TRUE(App().Document().LoadText(kFixture));
    m_root = App().Document().GetRoot();
    ASSERT_TRUE(At({2, 5, 10}).SetDisplayValue(u"old"));
    m_frame = ::CreateWindowExW(0, L"STATIC", L"tree", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 520,
                                nullptr, nullptr, nullptr, nullptr);
    m_dialog = std::make_unique<uitest::CTreeHostDlg>(m_tree);
    ASSERT_TRUE(m_dialog->Create(m_frame));
    m_window = m_dialog->Item(kSettingsTreeControl);
    ASSERT_EQ(m_tree.Handle(), m_window);
    ::SetWindowPos(m_dialog->Handle(), nullptr, 0, 0, 620, 480, SWP_NOZORDER | SWP_SHOWWINDOW);
    ::SetWindowPos(m_window, nullptr, 0, 0, 620, 480, SWP_NOZORDER);
    LOGFONTW font = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    m_normal = ::CreateFontIndirectW(&font);
    font.lfWeight = FW_BOLD;
    m_bold = ::CreateFontIndirectW(&font);
    m_tree.SetFonts(m_normal, m_bold);
    m_tree.Rebuild();
    m_tree.SelectFirst();
    ASSERT_TRUE(driver::BringToFront(m_frame));
  }
  void TearDown() override {
    for (WORD key : {VK_CONTROL, VK_SHIFT}) driver::SendKey(key, true);
    if (m_frame) ::DestroyWindow(m_frame);
    ::DeleteObject(m_normal);
    ::DeleteObject(m_bold);
  }

  CSettingsNode& At(std::initializer_list<uint32_t> path, size_t entry = 0) {
    CSettingsNode* node = m_root;
    for (uint32_t type : path) {
      CSettingsNode* next = nullptr;
      size_t seen = 0;
      for (size_t i = 0; i < node->GetChildCount() && !next; ++i) {
        if (node->GetChild(i)->GetType() == type && (type != 5 || seen++ == entry)) next = node->GetChild(i);
      }
      if (!next) throw std::runtime_error("no node " + std::to_string(type));
      node = next;
    }
    return *node;
  }
  HTREEITEM Find(const CSettingsNode& node, HTREEITEM parent = TVI_ROOT) const {
    for (HTREEITEM item = TreeView_GetChild(m_window, parent); item;
         item = TreeView_GetNextSibling(m_window, item)) {
      TVITEMW data = {};
      data.mask = TVIF_PARAM;
      data.hItem = item;
      TreeView_GetItem(m_window, &data);
      if (reinterpret_cast<const CSettingsNode*>(data.lParam) == &node) return item;
      if (HTREEITEM below = Find(node, item)) return below;
    }
    return nullptr;
  }
  static int Level(const CSettingsNode& node) {
    int level = -1;
    for (const CSettingsNode* at = node.GetParent(); at; at = at->GetParent()) ++level;
    return level;
  }
  // A point in the item's row: its state icon (column 1), expand icon (2) or label (3).
  POINT PointIn(const CSettingsNode& node, int column) const {
    HTREEITEM item = Find(node);
    RECT row = {};
    EXPECT_TRUE(item && TreeView_GetItemRect(m_window, item, &row, FALSE));
    const int indent = static_cast<int>(TreeView_GetIndent(m_window));
    const int height = row.bottom - row.top;
    const int left = (Level(node) + column) * indent + (indent - 16) / 2;
    if (column == 3) return {left + 8, row.top + height / 2};
    return {left + (column == 2 ? 11 : 8), row.top + (height - 16) / 2 + (column == 2 ? 11 : 8)};
  }
  // Opens the groups down to the node with clicks on their expand icons.
  void Reveal(const CSettingsNode& node) {
    if (node.GetParent() == m_root) return;
    const CSettingsNode& parent = *node.GetParent();
    Reveal(parent);
    HTREEITEM item = Find(parent);
    if (TreeView_GetItemState(m_window, item, TVIS_EXPANDED) & TVIS_EXPANDED) return;
    ASSERT_TRUE(driver::ClickAt(m_window, PointIn(parent, 2)));
    ASSERT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] {
      return (TreeView_GetItemState(m_window, item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    }));
  }
  void ClickRow(const CSettingsNode& node, WORD modifier = 0) {
    Reveal(node);
    if (modifier) driver::SendKey(modifier, false);
    ASSERT_TRUE(driver::ClickAt(m_window, PointIn(node, 3)));
    HTREEITEM item = Find(node);
    EXPECT_TRUE(
        driver::WaitUntil(driver::Wait::Window, [&] { return TreeView_GetSelection(m_window) == item; }));
    if (modifier) driver::SendKey(modifier, true);
  }
  std::u16string Value(const CSettingsNode& node) const { return node.GetValue(); }

  CSettingsNode* m_root = nullptr;
  HWND m_frame = nullptr;
  HWND m_window = nullptr;
  HFONT m_normal = nullptr;
  HFONT m_bold = nullptr;
  CSettingsTree m_tree{nullptr};
  std::unique_ptr<uitest::CTreeHostDlg> m_dialog;
};

TEST_F(TreeTest, StateIconClickAndSpaceSetTheCreateFlag) {
  CSettingsNode& mailbox = At({92, 93});
  Reveal(mailbox);
  ASSERT_TRUE(driver::ClickAt(m_window, PointIn(mailbox, 1)));
  ASSERT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return mailbox.IsCreated(); }));
  EXPECT_TRUE(At({92}).IsCreated());  // its group with it
  EXPECT_TRUE(m_tree.HasSettings());
  // Space on the caret (the clicked item) toggles it back on key up; the group follows.
  driver::PressKey(VK_SPACE);
  ASSERT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return !mailbox.IsCreated(); }));
  EXPECT_FALSE(At({92}).IsCreated());
  EXPECT_FALSE(m_tree.HasSettings());
}

TEST_F(TreeTest, CtrlAndShiftMarkEntriesThatDeleteTakes) {
  const CSettingsNode* home = &At({2, 5}, 0);
  CSettingsNode& work = At({2, 5}, 1);
  const CSettingsNode* workNode = &work;
  ClickRow(At({2, 3}));
  EXPECT_FALSE(m_tree.CanDeleteSelection());
  ClickRow(work, VK_CONTROL);
  EXPECT_TRUE(m_tree.CanDeleteSelection());
  // Shift from the Ctrl-clicked Work up to PreferredConnection marks Home between them.
  ClickRow(At({2, 3}), VK_SHIFT);
  ClickRow(At({2}), VK_CONTROL);  // the group too: not an entry, skipped
  m_tree.DeleteSelectedEntry();
  EXPECT_EQ(At({2}).GetChildCount(), 2u);  // PreferredConnection and the placeholder
  EXPECT_EQ(Find(*home), nullptr);         // compared by address only
  EXPECT_EQ(Find(*workNode), nullptr);
  EXPECT_NE(Find(At({2, 3})), nullptr);
  EXPECT_FALSE(m_tree.CanDeleteSelection());
}

TEST_F(TreeTest, ADigitOnAPortOpensTheNumberEditorAndEnterStoresItSaturated) {
  CSettingsNode& port = At({2, 5, 11, 14});
  ClickRow(port);
  driver::TypeText(L"7");
  ASSERT_TRUE(driver::WaitUntil(driver::Wait::Text, [&] {
    HWND editor = m_tree.ActiveEditorWindow();
    return editor && driver::WindowText(editor) == L"7";
  }));
  EXPECT_TRUE(m_tree.IsEditing());
  // Ten digits, the port's limit: more than 32 bits hold.
  driver::TypeText(L"000000000");
  ASSERT_TRUE(driver::WaitUntil(
      driver::Wait::Text, [&] { return driver::WindowText(m_tree.ActiveEditorWindow()).size() == 10; }));
  driver::CaptureWindow(m_frame, L"tree_number_editor");
  driver::PressKey(VK_RETURN);
  ASSERT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return !m_tree.IsEditing(); }));
  EXPECT_EQ(Value(port), u"65535");
  EXPECT_TRUE(port.IsCreated());
  EXPECT_EQ(::GetFocus(), m_window);
}

TEST_F(TreeTest, F2EditsAndEscLeavesTheValue) {
  CSettingsNode& user = At({2, 5, 9});
  ClickRow(user);
  driver::PressKey(VK_F2);
  ASSERT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return m_tree.IsEditing(); }));
  driver::TypeText(L"you");
  ASSERT_TRUE(driver::WaitUntil(driver::Wait::Text,
                                [&] { return driver::WindowText(m_tree.ActiveEditorWindow()) == L"you"; }));
  driver::PressKey(VK_ESCAPE);
  ASSERT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return !m_tree.IsEditing(); }));
  EXPECT_EQ(Value(user), u"me");
  EXPECT_FALSE(user.IsCreated());
  // Enter on the field opens it again, and Enter in the editor stores.
  driver::PressKey(VK_RETURN);
  ASSERT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return m_tree.IsEditing(); }));
  driver::TypeText(L"us\n");
  ASSERT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return Value(user) == u"us"; }));
  EXPECT_TRUE(user.IsCreated());
}

TEST_F(TreeTest, APasswordWhoseConfirmationDiffersStaysAsItWas) {
  CSettingsNode& password = At({2, 5, 10});
  ClickRow(password);
  const DWORD process = ::GetCurrentProcessId();
  for (const wchar_t* confirmation : {L"abd", L"abc"}) {
    driver::PressKey(VK_F2);
    ASSERT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return m_tree.IsEditing(); }));
    driver::TypeText(L"abc");
    ASSERT_TRUE(driver::WaitUntil(
        driver::Wait::Text, [&] { return driver::WindowText(m_tree.ActiveEditorWindow()).size() == 3; }));
    // The confirmation runs modally inside the commit: another thread answers it.
    std::atomic<bool> done = false;
    std::wstring boxText;
    std::thread answer([&] {
      if (driver::WaitDialogWithControl(process, 10153)) {
        driver::TypeText(std::wstring(confirmation) + L"\n");
        if (std::wstring(confirmation) != L"abc") {
          if (auto box = driver::WaitMessageBox(process)) {
            boxText = box->text;
            ::PostMessageW(box->window, WM_COMMAND, IDOK, 0);
          }
        }
      }
      done = true;
    });
    driver::PressKey(VK_RETURN);
    EXPECT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return done.load() && !m_tree.IsEditing(); }));
    answer.join();
    if (std::wstring(confirmation) != L"abc") {
      EXPECT_EQ(win::FromWide(boxText), App().LoadResString(kPasswordMismatchText, true));
      EXPECT_EQ(Value(password), u"old");
      EXPECT_FALSE(password.IsCreated());
    }
  }
  EXPECT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return Value(password) == u"abc"; }));
  EXPECT_TRUE(password.IsCreated());
}

}  // namespace
