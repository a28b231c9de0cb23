// The list control in the settings list's template in this process, worked with real input: header
// clicks sort each kind of column both ways, the nested redraw switch of each list, a double click
// near a divider, Ctrl with the keypad plus, the check box of a state image, moving columns.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "outside/fenwarp/driver/ui_driver.h"
#include "support/win/dialog.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/lists/list_ctrl.h"

using namespace orvel;
using namespace orvel::ui;
namespace driver = orvel::uidriver;

namespace {

constexpr UINT kListTemplate = 10270;
constexpr int kListControl = 10161;

// A list that notes every redraw switch it is sent.
class CWatchedList : public CListCtrlEx {
 public:
  std::vector<bool> switches;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_SETREDRAW) switches.push_back(wParam != 0);
    return CListCtrlEx::HandleMessage(message, wParam, lParam, result);
  }
};

// The settings list's template, modeless, with its list attached.
class CHostDlg : public win::CDialog {
 public:
  explicit CHostDlg(CListCtrlEx& list) : CDialog(App().ResourceHandle(), kListTemplate), m_list(list) {}

 protected:
  BOOL OnInitDialog() override {
    m_list.AttachItem(Handle(), kListControl);
    return TRUE;
  }
  bool OnCommand(WORD, WORD, HWND) override { return true; }  // the buttons do nothing here
  bool OnNotify(NMHDR* header, LRESULT&) override {
    if (header->code == LVN_COLUMNCLICK) ++columnClicks;
    return false;
  }

 public:
  int columnClicks = 0;

 private:
  CListCtrlEx& m_list;
};

class ListCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    App().InitInstance();
    ASSERT_TRUE(App().LanguageLoaded());
    m_dialog = std::make_unique<CHostDlg>(m_list);
    ASSERT_TRUE(m_dialog->Create(nullptr));
    ::ShowWindow(m_dialog->Handle(), SW_SHOW);
    ASSERT_EQ(m_list.Handle(), m_dialog->Item(kListControl));
    ASSERT_NE(m_list.Header().Handle(), nullptr);
  }
  void TearDown() override { m_dialog.reset(); }

  // Columns of every sort type the dialogs use and more, and rows given as their texts.
  void Fill(const std::vector<std::vector<std::u16string>>& rows, const std::vector<uint8_t>& types) {
    for (size_t c = 0; c < types.size(); ++c) m_list.InsertColumn(static_cast<int>(c), u"Column", 70);
    ASSERT_TRUE(m_list.SetColumnTypes(types.data(), types.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
      const int item = m_list.InsertItem(static_cast<int>(r), rows[r][0], static_cast<LPARAM>(r));
      for (size_t c = 1; c < rows[r].size(); ++c) m_list.SetItemText(item, static_cast<int>(c), rows[r][c]);
    }
  }
  // The item data in list order.
  std::vector<LPARAM> Order() const {
    std::vector<LPARAM> order;
    for (int i = 0; i < m_list.ItemCount(); ++i) order.push_back(m_list.ItemData(i));
    return order;
  }
  RECT HeaderItem(int column) const {
    RECT rect = {};
    ::SendMessageW(m_list.Header().Handle(), HDM_GETITEMRECT, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&rect));
    return rect;
  }
  // A click on the header item; clicks one after another land a few pixels apart, so that two of
  // them are never taken as a double click.
  ::testing::AssertionResult ClickHeader(int column) {
    const RECT rect = HeaderItem(column);
    m_shift = m_shift == 0 ? 12 : 0;
    return driver::ClickAt(m_list.Header().Handle(),
                           {(rect.left + rect.right) / 2 - 6 + m_shift, (rect.top + rect.bottom) / 2});
  }
  // Waits until the list has told the dialog of `count` column clicks in all, then handles the
  // input that is queued behind them.
  bool WaitColumnClicks(int count) {
    const bool told =
        driver::WaitUntil(driver::Wait::Window, [&] { return m_dialog->columnClicks >= count; });
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    return told;
  }
  // Waits until the order is the expected one (the click is handled on this thread's messages).
  bool WaitOrder(const std::vector<LPARAM>& expected) {
    return driver::WaitUntil(driver::Wait::Window, [&] { return Order() == expected; });
  }

  CWatchedList m_list;
  std::unique_ptr<CHostDlg> m_dialog;
  int m_shift = 0;
};

struct SortColumnCase {
  const char* kind;
  int column;
  std::vector<LPARAM> ascending;  // the rows' data in ascending order
};

TEST_F(ListCtrlTest, HeaderClicksSortEachKindAscendingThenDescending) {
  // Rows 0..3; columns: no case, integer, exact text, floating point, date-time, none.
  Fill({{u"beta", u"10", u"b", u"2.5", u"2024-03-01 10:00", u"x"},
        {u"Alpha", u"9", u"B", u"-1", u"2023-12-31 23:00", u"y"},
        {u"gamma", u"100", u"a", u"2.25", u"2024-03-01 09:30", u"z"},
        {u"DELTA", u"-5", u"A", u"10", u"2025-01-01 00:00", u"w"}},
       {kSortTextNoCase, kSortInteger, kSortText, kSortNumber, kSortDateTime, kSortNone});
  m_list.EnableSort(true);
  const SortColumnCase cases[] = {
      {"text without case", 0, {1, 0, 3, 2}}, {"integer", 1, {3, 1, 0, 2}},   {"exact text", 2, {3, 1, 2, 0}},
      {"floating point", 3, {1, 2, 0, 3}},    {"date-time", 4, {1, 2, 0, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    ASSERT_TRUE(ClickHeader(c.column));
    EXPECT_TRUE(WaitOrder(c.ascending));
    EXPECT_EQ(m_list.SortedColumn(), c.column);
    EXPECT_TRUE(m_list.SortedAscending());
    ASSERT_TRUE(ClickHeader(c.column));
    EXPECT_TRUE(WaitOrder({c.ascending.rbegin(), c.ascending.rend()}));
    EXPECT_FALSE(m_list.SortedAscending());
  }
  // The texts went with their items.
  EXPECT_EQ(m_list.ItemText(0, 1), u"-5");
  // A column of type 4 keeps whatever order it finds.
  const std::vector<LPARAM> before = Order();
  ASSERT_TRUE(ClickHeader(5));
  EXPECT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return m_list.SortedColumn() == 5; }));
  EXPECT_EQ(Order(), before);
}

TEST_F(ListCtrlTest, HeaderClickWithoutSortingChangesNothing) {
  Fill({{u"b"}, {u"a"}}, {kSortText});
  ASSERT_TRUE(ClickHeader(0));
  EXPECT_TRUE(WaitColumnClicks(1));  // the dialog still learns of the click
  EXPECT_EQ(Order(), (std::vector<LPARAM>{0, 1}));
  EXPECT_EQ(m_list.SortedColumn(), -1);
}

TEST_F(ListCtrlTest, RedrawIsNestedPerList) {
  m_list.SetRedraw(false);
  m_list.SetRedraw(false);
  m_list.SetRedraw(true);
  EXPECT_EQ(m_list.switches, (std::vector<bool>{false}));  // still off
  m_list.SetRedraw(true);
  EXPECT_EQ(m_list.switches, (std::vector<bool>{false, true}));
  m_list.SetRedraw(true);  // an "on" too many does nothing
  EXPECT_EQ(m_list.switches.size(), 2u);

  // A second list used at the same time: each list counts its own switches.
  CWatchedList other;
  HWND otherWindow = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 50, 50,
                                       m_dialog->Handle(), nullptr, nullptr, nullptr);
  ASSERT_TRUE(other.Attach(otherWindow));
  m_list.switches.clear();
  m_list.SetRedraw(false);
  other.SetRedraw(false);
  m_list.SetRedraw(true);
  EXPECT_EQ(m_list.switches, (std::vector<bool>{false, true}));
  other.SetRedraw(true);
  EXPECT_EQ(other.switches, (std::vector<bool>{false, true}));
  ::DestroyWindow(otherWindow);
}

// The header's own divider zone reaches further than 7 pixels under Wine, and a double click
// there is the header's own (which sizes the column as well): the 8-pixel side of the rule is a
// native test (DividerToAutoSize); here a double click well inside the column changes nothing.
TEST_F(ListCtrlTest, DoubleClickSevenPixelsFromADividerAutoSizes) {
  Fill({{u"a rather long first text", u"b"}}, {kSortText, kSortText});
  m_list.SetColumnWidth(0, 60);
  const RECT first = HeaderItem(0);
  const int y = (first.top + first.bottom) / 2;
  auto doubleClick = [&](int x) {
    return driver::ClickAt(m_list.Header().Handle(), {x, y}) &&
           driver::ClickAt(m_list.Header().Handle(), {x, y});
  };
  ASSERT_TRUE(doubleClick(first.right - 30));
  EXPECT_TRUE(WaitColumnClicks(1));
  EXPECT_EQ(m_list.ColumnWidth(0), 60);
  ASSERT_TRUE(doubleClick(first.right + 7));  // right of the divider, in column 1
  EXPECT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return m_list.ColumnWidth(0) > 100; }))
      << m_list.ColumnWidth(0);
  EXPECT_EQ(m_list.ColumnWidth(1), 70);
}

TEST_F(ListCtrlTest, CtrlKeypadPlusSizesEveryColumn) {
  Fill({{u"a rather long first text", u"an even longer second text", u"c"}},
       {kSortText, kSortText, kSortText});
  for (int c = 0; c < 3; ++c) m_list.SetColumnWidth(c, 20);
  ASSERT_TRUE(driver::BringToFront(m_dialog->Handle()));
  ::SetFocus(m_list.Handle());
  driver::PressKeys({VK_CONTROL, VK_ADD});
  EXPECT_TRUE(
      driver::WaitUntil(driver::Wait::Window, [&] { return m_list.ColumnWidth(1) > m_list.ColumnWidth(0); }));
  EXPECT_GT(m_list.ColumnWidth(0), 100);
  RECT client;
  ::GetClientRect(m_list.Handle(), &client);
  // The last column fills the rest of the list.
  EXPECT_EQ(m_list.ColumnWidth(0) + m_list.ColumnWidth(1) + m_list.ColumnWidth(2) >= client.right, true);
}

TEST_F(ListCtrlTest, AClickOnTheStateImageTogglesTheCheckBox) {
  Fill({{u"checked"}, {u"not"}}, {kSortText});
  HIMAGELIST states = ::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0);
  HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
  ::ImageList_AddIcon(states, icon);
  ::ImageList_AddIcon(states, icon);
  ::SendMessageW(m_list.Handle(), LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(states));
  m_list.SetItemState(0, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
  m_list.SetItemState(1, INDEXTOSTATEIMAGEMASK(1), LVIS_STATEIMAGEMASK);
  auto image = [&](int item) {
    return (m_list.ItemState(item, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12;
  };
  for (int item : {0, 1}) {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    ::SendMessageW(m_list.Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(item),
                   reinterpret_cast<LPARAM>(&bounds));
    const UINT before = image(item);
    ASSERT_TRUE(driver::ClickAt(m_list.Handle(), {bounds.left + 8, (bounds.top + bounds.bottom) / 2}));
    EXPECT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return image(item) != before; })) << item;
    EXPECT_EQ(image(item), before == 2 ? 1u : 2u);
  }
}

TEST_F(ListCtrlTest, MoveColumnTakesHeadingAndTexts) {
  for (int c = 0; c < 3; ++c)
    m_list.InsertColumn(c, std::u16string(1, static_cast<char16_t>(u'A' + c)), 50 + c);
  for (int r = 0; r < 2; ++r) {
    const std::u16string row(1, static_cast<char16_t>(u'0' + r));
    m_list.InsertItem(r, u"a" + row, r);
    m_list.SetItemText(r, 1, u"b" + row);
    m_list.SetItemText(r, 2, u"c" + row);
  }
  auto headings = [&] {
    std::u16string all;
    for (int c = 0; c < m_list.ColumnCount(); ++c) all += m_list.ColumnHeading(c);
    return all;
  };
  auto row = [&](int r) {
    std::u16string all;
    for (int c = 0; c < m_list.ColumnCount(); ++c) all += m_list.ItemText(r, c) + u" ";
    return all;
  };
  m_list.MoveColumn(2, 1);
  EXPECT_EQ(headings(), u"ACB");
  EXPECT_EQ(row(1), u"a1 c1 b1 ");
  m_list.MoveColumn(0, 2);
  EXPECT_EQ(headings(), u"CAB");
  EXPECT_EQ(row(0), u"c0 a0 b0 ");
  EXPECT_EQ(m_list.ColumnWidth(0), 52);
  m_list.MoveColumn(2, 0);
  EXPECT_EQ(headings(), u"BCA");
  EXPECT_EQ(row(1), u"b1 c1 a1 ");
  EXPECT_EQ(m_list.ItemData(1), 1);
}

TEST_F(ListCtrlTest, DeleteItemExAndDeleteAllColumns) {
  Fill({{u"a"}, {u"b"}, {u"c"}}, {kSortText, kSortText});
  m_list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_TRUE(m_list.DeleteItemEx(1));
  EXPECT_EQ(Order(), (std::vector<LPARAM>{0, 2}));
  EXPECT_EQ(m_list.SelectedCount(), 0);
  m_list.DeleteAllColumns();
  EXPECT_EQ(m_list.ColumnCount(), 0);
}

TEST_F(ListCtrlTest, HighlightTypesAboveTwoAreIgnored) {
  EXPECT_EQ(m_list.SetHighlightType(1), 0);
  EXPECT_NE(::GetWindowLongPtrW(m_list.Handle(), GWL_STYLE) & LVS_OWNERDRAWFIXED, 0);
  EXPECT_EQ(m_list.SetHighlightType(3), 1);
  EXPECT_EQ(m_list.HighlightType(), 1);
  EXPECT_EQ(m_list.SetHighlightType(2), 1);
}

}  // namespace
