// The list control in the settings list's template in this process, worked with real input: header
// clicks sort each kind of column both ways, the nested redraw switch of each list, a double click
// near a divider, Ctrl with the keypad plus, the check box of a state image, moving columns, what
// each highlight type marks on the screen. Then
// the bookmark list dialogs on a small document, run modally and worked from a second thread: add,
// edit, delete, sorting by the headers, the entry checks and their messages, Cancel and OK.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "testing/ui_driver.h"
#include "settings/settings_writer.h"
#include "support/u16text.h"
#include "support/win/dialog.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/lists/list_ctrl.h"
#include "ui/lists/settings_list_dlg.h"

using namespace orvel;
using namespace orvel::ui;
namespace driver = orvel::uidriver;

namespace {

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
  explicit CHostDlg(CListCtrlEx& list)
      : CDialog(App().ResourceHandle(), kSettingsListTemplate), m_list(list) {}

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
// there is the header's own (which sizes the column as well). Next to a column too narrow for the
// header's zone only the list's rule acts: 7 pixels right of the divider, inside the narrow column,
// sizes the column left of it, 8 pixels do not (the other side of the rule is a native test,
// DividerToAutoSize); a double click well inside a column changes nothing.
TEST_F(ListCtrlTest, DoubleClickSevenPixelsFromADividerAutoSizes) {
  Fill({{u"a rather long first text", u"b"}}, {kSortText, kSortText});
  m_list.SetColumnWidth(0, 60);
  m_list.SetColumnWidth(1, 16);
  const RECT first = HeaderItem(0);
  const int y = (first.top + first.bottom) / 2;
  auto doubleClick = [&](int x) {
    return driver::ClickAt(m_list.Header().Handle(), {x, y}) &&
           driver::ClickAt(m_list.Header().Handle(), {x, y});
  };
  // Where the header itself finds no divider.
  auto onDivider = [&](int x) {
    HDHITTESTINFO hit = {};
    hit.pt = {x, y};
    ::SendMessageW(m_list.Header().Handle(), HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    return (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) != 0;
  };
  ASSERT_FALSE(onDivider(first.right + 7));
  ASSERT_FALSE(onDivider(first.right + 8));
  for (int x : {first.right - 30, first.right + 8}) {
    const int clicks = m_dialog->columnClicks;
    ASSERT_TRUE(doubleClick(x));
    EXPECT_TRUE(WaitColumnClicks(clicks + 1));
    EXPECT_EQ(m_list.ColumnWidth(0), 60) << "at " << x - first.right;
  }
  ASSERT_TRUE(doubleClick(first.right + 7));  // right of the divider, in column 1
  EXPECT_TRUE(driver::WaitUntil(driver::Wait::Window, [&] { return m_list.ColumnWidth(0) > 100; }))
      << m_list.ColumnWidth(0);
  EXPECT_EQ(m_list.ColumnWidth(1), 16);
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

// What each type marks on the screen of a selected row: the label of column 0 (0), all columns (1),
// the whole row to the window's edge (2). The types are drawn in the order 1, 2, 0: the first one
// makes the list owner-drawn.
TEST_F(ListCtrlTest, EachHighlightTypeMarksItsPartOfTheSelectedRow) {
  Fill({{u"a", u"b"}}, {kSortText, kSortText});
  m_list.SetColumnWidth(0, 60);
  m_list.SetColumnWidth(1, 60);
  m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ASSERT_TRUE(driver::BringToFront(m_dialog->Handle()));
  ::SetFocus(m_list.Handle());
  RECT label = {}, client = {};
  label.left = LVIR_LABEL;
  ASSERT_TRUE(::SendMessageW(m_list.Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&label)));
  ::GetClientRect(m_list.Handle(), &client);
  ASSERT_GT(client.right, 160);
  const int y = (label.top + label.bottom) / 2;
  // Points with no text on them: the start of the label, inside column 1, right of the columns.
  const POINT points[] = {{label.left + 1, y}, {100, y}, {150, y}};
  struct TypeCase {
    int type;
    bool marked[3];
  };
  const TypeCase cases[] = {{1, {true, true, false}}, {2, {true, true, true}}, {0, {true, false, false}}};
  const COLORREF window = ::GetSysColor(COLOR_WINDOW);
  for (const TypeCase& c : cases) {
    m_list.SetHighlightType(c.type);
    ::RedrawWindow(m_list.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = ::GetDC(m_list.Handle());
    for (size_t i = 0; i < std::size(points); ++i) {
      const COLORREF pixel = ::GetPixel(dc, points[i].x, points[i].y);
      EXPECT_EQ(pixel != window, c.marked[i])
          << "type " << c.type << " at x " << points[i].x << ": " << std::hex << pixel;
    }
    ::ReleaseDC(m_list.Handle(), dc);
  }
}

}  // namespace

namespace {

constexpr char16_t kDocument[] =
    u"<?xml version=\"1.0\"?><Settings><WAPSettings>"
    u"<WAPConnection><ConnectionName>Portal</ConnectionName></WAPConnection>"
    u"<WAPConnection><ConnectionName>Office</ConnectionName></WAPConnection>"
    u"</WAPSettings><PersonalData><WWWBookmarks>"
    u"<WWWBookmark><Name>Alpha</Name><URL>http://c.example/</URL></WWWBookmark>"
    u"<WWWBookmark><Name>beta</Name><URL>http://a.example/</URL></WWWBookmark>"
    u"<WWWBookmark><Name>Gamma</Name><URL>http://b.example/</URL></WWWBookmark>"
    u"</WWWBookmarks><WAPBookmarks>"
    u"<WAPBookmark><Name>Home</Name><URL>http://h.example/</URL><UseConnection>Office</UseConnection>"
    u"<Username>me</Username><Password>pw</Password></WAPBookmark>"
    u"</WAPBookmarks></PersonalData></Settings>";

constexpr char16_t kNoConnections[] =
    u"<?xml version=\"1.0\"?><Settings><PersonalData><WAPBookmarks></WAPBookmarks></PersonalData></Settings>";

std::wstring Text(uint32_t id) { return win::AsWide(App().LoadResString(id, true)); }

class ListDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    App().InitInstance();
    ASSERT_TRUE(App().LanguageLoaded());
    Load(kDocument);
  }
  void Load(const char16_t* text) {
    App().Document().Reset();
    ASSERT_TRUE(App().Document().LoadText(text));
  }
  static CSettingsNode& List(uint32_t type) {
    return *App().Document().GetRoot()->FindChildOfType(92)->FindChildOfType(type);
  }
  static std::u16string Xml(CSettingsNode& node) {
    std::u16string out;
    WriteSettingsElement(node, out, false, nullptr);
    return out;
  }

  // Runs the dialog modally while `drive` works it from a second thread, given the dialog's window;
  // a dialog still open when drive returns is cancelled, so that a failed step cannot hang the test.
  static INT_PTR RunDriven(win::CDialog& dialog, const std::function<void(HWND)>& drive) {
    std::thread driverThread([&] {
      HWND window = driver::WaitDialogWithControl(::GetCurrentProcessId(), kListControl);
      if (!window) return;
      drive(window);
      // A failed step may have left an entry dialog or a message box open above the list: each
      // dialog of the process is cancelled until the list has gone.
      while (!driver::WaitUntil(driver::Wait::Text, [&] { return !::IsWindow(window); })) {
        for (HWND open : driver::TopLevelWindows(::GetCurrentProcessId(), L"#32770")) {
          ::PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
        }
      }
    });
    INT_PTR result = dialog.DoModal();
    driverThread.join();
    return result;
  }
};

// Steps of the driver thread; each answers whether it worked, with what went wrong.
using Result = ::testing::AssertionResult;

HWND ListOf(HWND dialog) { return driver::FindControl(dialog, kListControl); }
std::vector<std::wstring> Names(HWND dialog) { return driver::ListViewTexts(ListOf(dialog), 0); }
bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(driver::FindControl(dialog, id)) != FALSE; }

// The entry dialog that a button of the list opened.
HWND OpenEntry(HWND list, int button) {
  if (!driver::PressButton(list, button)) return nullptr;
  return driver::WaitDialogWithControl(::GetCurrentProcessId(), kEntryNameEdit);
}

// Replaces an edit's text by typing.
Result Type(HWND dialog, int id, const std::wstring& text) {
  HWND edit = driver::FindControl(dialog, id);
  if (!edit) return ::testing::AssertionFailure() << "no control " << id;
  if (auto clicked = driver::Click(edit); !clicked) return clicked;
  if (!driver::WaitUntil(driver::Wait::Window, [&] { return driver::FocusOf(dialog) == edit; }))
    return ::testing::AssertionFailure() << "control " << id << " has no focus";
  // Selected by keys, which come after the click's own input.
  driver::PressKey(VK_END);
  driver::PressKeys({VK_SHIFT, VK_HOME});
  driver::TypeText(text);
  if (!driver::WaitUntil(driver::Wait::Text, [&] { return driver::WindowText(edit) == text; }))
    return ::testing::AssertionFailure()
           << "control " << id << " shows \"" << driver::Utf8(driver::WindowText(edit)) << "\"";
  return ::testing::AssertionSuccess();
}

Result CloseEntry(HWND entry, int button) {
  if (auto pressed = driver::PressButton(entry, button); !pressed) return pressed;
  if (!driver::WaitUntil(driver::Wait::Window, [&] { return !::IsWindow(entry); }))
    return ::testing::AssertionFailure() << "the entry dialog stays open";
  return ::testing::AssertionSuccess();
}

// Clicks the first item, then moves the focus down with Ctrl held and adds each further item with
// Ctrl+Space (the keys reach the list that has the focus; a Ctrl held over a click can be lost when
// the click activates a window).
Result SelectItems(HWND list, std::initializer_list<int> items) {
  auto selected = [&](int item) {
    return (::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) &
            LVIS_SELECTED) != 0;
  };
  std::vector<int> done;
  int focus = -1;
  for (int item : items) {
    if (done.empty()) {
      if (Result clicked = driver::ClickListViewItem(list, item); !clicked) return clicked;
    } else {
      for (; focus < item; ++focus) driver::PressKeys({VK_CONTROL, VK_DOWN});
      driver::PressKeys({VK_CONTROL, VK_SPACE});
    }
    focus = item;
    done.push_back(item);
    if (!driver::WaitUntil(driver::Wait::Window,
                           [&] { return std::all_of(done.begin(), done.end(), selected); }))
      return ::testing::AssertionFailure() << "item " << item << " and those before are not all selected";
  }
  return ::testing::AssertionSuccess();
}

Result ClickHeading(HWND list, int column, int shift) {
  HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  RECT rect = {};
  ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&rect));
  return driver::ClickAt(header, {(rect.left + rect.right) / 2 + shift, (rect.top + rect.bottom) / 2});
}

bool WaitNames(HWND dialog, const std::vector<std::wstring>& names) {
  return driver::WaitUntil(driver::Wait::Window, [&] { return Names(dialog) == names; });
}

TEST_F(ListDialogTest, WebBookmarksAddRefuseADuplicateEditSortAndOk) {
  CSettingsNode& list = List(98);
  CSettingsListDlg dialog(App().ResourceHandle(), list, BookmarkMode::Web);
  std::wstring caption;
  bool importShown = false, editAtFirst = true, deleteAtFirst = true, duplicateRefused = false,
       okAfterCase = false;
  Result added = ::testing::AssertionFailure(), refused = ::testing::AssertionFailure(),
         edited = ::testing::AssertionFailure(), sorted = ::testing::AssertionFailure();
  std::vector<std::wstring> names, urls;
  const INT_PTR result = RunDriven(dialog, [&](HWND window) {
    caption = driver::WindowText(window);
    importShown = driver::FindControl(window, kImportButton) != nullptr;
    editAtFirst = Enabled(window, kEditButton);
    deleteAtFirst = Enabled(window, kDeleteButton);
    if (!driver::BringToFront(window)) return;
    // Add "Delta": it goes between beta and Gamma, ignoring case.
    HWND entry = OpenEntry(window, kAddButton);
    if (!entry) return;
    if (!(added = Type(entry, kEntryNameEdit, L"Delta"))) return;
    if (!(added = Type(entry, kEntryUrlEdit, L"http://d.example/"))) return;
    if (!(added = CloseEntry(entry, IDOK))) return;
    if (!WaitNames(window, {L"Alpha", L"beta", L"Delta", L"Gamma"})) {
      added = ::testing::AssertionFailure() << "the list does not show Delta in its place";
      return;
    }
    // A name another row has: OK stays disabled, and OK pressed all the same shows 585.
    entry = OpenEntry(window, kAddButton);
    if (!entry) return;
    if (!(refused = Type(entry, kEntryNameEdit, L"Gamma"))) return;
    if (!(refused = Type(entry, kEntryUrlEdit, L"http://e.example/"))) return;
    duplicateRefused = !Enabled(entry, IDOK);
    ::PostMessageW(entry, WM_COMMAND, IDOK, 0);
    if (!(refused = driver::AnswerMessageBox(::GetCurrentProcessId(), Text(kBadBookmarkNameText), IDOK)))
      return;
    // A name differing only in case is another name.
    if (!(refused = Type(entry, kEntryNameEdit, L"gamma"))) return;
    okAfterCase = driver::WaitUntil(driver::Wait::Text, [&] { return Enabled(entry, IDOK); });
    if (!(refused = CloseEntry(entry, IDOK))) return;
    // Edit beta (item 1): Edit and Delete come on with the selection; the entry shows its texts.
    if (!(edited = SelectItems(ListOf(window), {1}))) return;
    entry = OpenEntry(window, kEditButton);
    if (!entry) return;
    if (driver::WindowText(driver::FindControl(entry, kEntryUrlEdit)) != L"http://a.example/") {
      edited = ::testing::AssertionFailure() << "the entry does not show beta's URL";
      return;
    }
    if (!(edited = Type(entry, kEntryNameEdit, L"Beta2"))) return;
    if (!(edited = CloseEntry(entry, IDOK))) return;
    // gamma and Gamma are equal to the sort: either may come first.
    const bool shown = driver::WaitUntil(driver::Wait::Window, [&] {
      const std::vector<std::wstring> now = Names(window);
      return now.size() == 5 && now[0] == L"Alpha" && now[1] == L"Beta2" && now[2] == L"Delta";
    });
    if (!shown) {
      edited = ::testing::AssertionFailure() << "the list does not show Beta2:";
      for (const std::wstring& name : Names(window)) edited << " " << driver::Utf8(name);
      return;
    }
    // The URL column, ascending, then descending.
    if (!(sorted = ClickHeading(ListOf(window), 1, -6))) return;
    driver::WaitUntil(driver::Wait::Window, [&] {
      return driver::ListViewTexts(ListOf(window), 1).front() == L"http://a.example/";
    });
    urls = driver::ListViewTexts(ListOf(window), 1);
    if (!(sorted = ClickHeading(ListOf(window), 1, 6))) return;
    driver::WaitUntil(driver::Wait::Window, [&] {
      return driver::ListViewTexts(ListOf(window), 1).front() == L"http://e.example/";
    });
    const std::vector<std::wstring> descending = driver::ListViewTexts(ListOf(window), 1);
    urls.insert(urls.end(), descending.begin(), descending.end());
    names = Names(window);
    SelectItems(ListOf(window), {1});  // the focused list's highlight in the picture
    driver::CaptureWindow(window, L"bookmark_list");
    driver::PressButton(window, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(caption, Text(kWebBookmarksCaptionText));
  EXPECT_TRUE(importShown);
  EXPECT_FALSE(editAtFirst);
  EXPECT_FALSE(deleteAtFirst);
  EXPECT_TRUE(added);
  EXPECT_TRUE(refused);
  EXPECT_TRUE(duplicateRefused);
  EXPECT_TRUE(okAfterCase);
  EXPECT_TRUE(edited);
  EXPECT_TRUE(sorted);
  EXPECT_EQ(urls, (std::vector<std::wstring>{L"http://a.example/", L"http://b.example/", L"http://c.example/",
                                             L"http://d.example/", L"http://e.example/", L"http://e.example/",
                                             L"http://d.example/", L"http://c.example/", L"http://b.example/",
                                             L"http://a.example/"}));
  // OK wrote the rows back, sorted by name.
  const std::u16string xml = Xml(list);
  const size_t alpha = xml.find(u"<Name>Alpha</Name>"), beta = xml.find(u"<Name>Beta2</Name>"),
               delta = xml.find(u"<Name>Delta</Name>"), gamma = xml.find(u"<Name>gamma</Name>");
  EXPECT_TRUE(alpha < beta && beta < delta && delta < gamma && gamma != std::u16string::npos) << AsUtf8(xml);
  EXPECT_NE(xml.find(u"<Name>Gamma</Name>"), std::u16string::npos);
  EXPECT_NE(xml.find(u"<URL>http://e.example/</URL>"), std::u16string::npos);
  EXPECT_EQ(xml.find(u"<Name>beta</Name>"), std::u16string::npos);
}

TEST_F(ListDialogTest, DeletingTheFirstAndThirdOfThreeLeavesTheSecondAsRowZero) {
  CSettingsNode& list = List(98);
  const std::u16string before = Xml(list);
  CSettingsListDlg dialog(App().ResourceHandle(), list, BookmarkMode::Web);
  Result selected = ::testing::AssertionFailure();
  bool bothEnabled = false;
  std::vector<std::wstring> left;
  LPARAM data = -1;
  const INT_PTR result = RunDriven(dialog, [&](HWND window) {
    if (!driver::BringToFront(window)) return;
    HWND listView = ListOf(window);
    if (!(selected = SelectItems(listView, {0, 2}))) return;
    bothEnabled = Enabled(window, kEditButton) && Enabled(window, kDeleteButton);
    driver::PressKey(VK_DELETE);
    driver::WaitUntil(driver::Wait::Window, [&] { return Names(window).size() == 1; });
    left = Names(window);
    data = dialog.List().ItemData(0);
    driver::PressButton(window, IDCANCEL);
  });
  EXPECT_TRUE(selected);
  EXPECT_TRUE(bothEnabled);
  EXPECT_EQ(left, (std::vector<std::wstring>{L"beta"}));
  EXPECT_EQ(data, 0);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(Xml(list), before);  // Cancel leaves the node as it was
}

// Rows stored out of the shown order, the first three deleted: the items left are renumbered and
// still name their rows, and OK writes exactly the rows left.
TEST_F(ListDialogTest, DeletingSeveralRowsKeepsEachItemOnItsRow) {
  Load(
      u"<?xml version=\"1.0\"?><Settings><PersonalData><WWWBookmarks>"
      u"<WWWBookmark><Name>F</Name><URL>http://f.example/</URL></WWWBookmark>"
      u"<WWWBookmark><Name>B</Name><URL>http://b.example/</URL></WWWBookmark>"
      u"<WWWBookmark><Name>E</Name><URL>http://e.example/</URL></WWWBookmark>"
      u"<WWWBookmark><Name>A</Name><URL>http://a.example/</URL></WWWBookmark>"
      u"<WWWBookmark><Name>D</Name><URL>http://d.example/</URL></WWWBookmark>"
      u"<WWWBookmark><Name>C</Name><URL>http://c.example/</URL></WWWBookmark>"
      u"</WWWBookmarks></PersonalData></Settings>");
  CSettingsNode& list = List(98);
  CSettingsListDlg dialog(App().ResourceHandle(), list, BookmarkMode::Web);
  std::vector<std::wstring> left, rowNames;
  const INT_PTR result = RunDriven(dialog, [&](HWND window) {
    HWND listView = ListOf(window);
    if (!WaitNames(window, {L"A", L"B", L"C", L"D", L"E", L"F"})) return;
    LVITEMW state = {};
    state.stateMask = state.state = LVIS_SELECTED;
    for (WPARAM item : {1, 4, 5})
      ::SendMessageW(listView, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
    if (!driver::PressButton(window, kDeleteButton)) return;
    driver::WaitUntil(driver::Wait::Window, [&] { return Names(window).size() == 3; });
    left = Names(window);
    for (int item = 0; item < static_cast<int>(left.size()); ++item) {
      const LPARAM row = dialog.List().ItemData(item);
      rowNames.push_back(row >= 0 && static_cast<size_t>(row) < dialog.Rows().size()
                             ? win::AsWide(dialog.Rows()[static_cast<size_t>(row)].m_name)
                             : L"(row " + std::to_wstring(row) + L")");
    }
    driver::PressButton(window, IDOK);
  });
  EXPECT_EQ(left, (std::vector<std::wstring>{L"A", L"C", L"D"}));
  EXPECT_EQ(rowNames, left);
  EXPECT_EQ(result, IDOK);
  const std::u16string xml = Xml(list);
  for (const char16_t* kept : {u"<Name>A</Name>", u"<Name>C</Name>", u"<Name>D</Name>"})
    EXPECT_NE(xml.find(kept), std::u16string::npos) << AsUtf8(kept);
  for (const char16_t* gone : {u"<Name>B</Name>", u"<Name>E</Name>", u"<Name>F</Name>"})
    EXPECT_EQ(xml.find(gone), std::u16string::npos) << AsUtf8(gone);
}

TEST_F(ListDialogTest, WapEntryLimitsConnectionsAndOk) {
  CSettingsNode& list = List(102);
  CSettingsListDlg dialog(App().ResourceHandle(), list, BookmarkMode::Wap);
  std::wstring caption, editedConnection, newConnection;
  bool importShown = true;
  std::vector<std::wstring> choices;
  LRESULT limits[4] = {};
  std::wstring typedUrl;
  Result added = ::testing::AssertionFailure();
  const std::wstring url255 = L"http://h.example/" + std::wstring(255 - 17, L'x');
  const INT_PTR result = RunDriven(dialog, [&](HWND window) {
    caption = driver::WindowText(window);
    importShown = driver::FindControl(window, kImportButton) != nullptr;
    if (!driver::BringToFront(window) || !SelectItems(ListOf(window), {0})) return;
    // Double click on Home opens its entry.
    driver::ClickListViewItem(ListOf(window), 0);
    HWND entry = driver::WaitDialogWithControl(::GetCurrentProcessId(), kEntryNameEdit);
    if (!entry) return;
    HWND combo = driver::FindControl(entry, kEntryConnectionCombo);
    choices = driver::ComboBoxTexts(combo);
    editedConnection = driver::WindowText(combo);
    const int ids[] = {kEntryNameEdit, kEntryUrlEdit, kEntryUserEdit, kEntryPasswordEdit};
    for (int i = 0; i < 4; ++i)
      limits[i] = ::SendMessageW(driver::FindControl(entry, ids[i]), EM_GETLIMITTEXT, 0, 0);
    // 255 characters go in, the 256th does not.
    if (!Type(entry, kEntryUrlEdit, url255)) return;
    driver::TypeText(L"y");
    typedUrl = driver::WindowText(driver::FindControl(entry, kEntryUrlEdit));
    if (!CloseEntry(entry, IDCANCEL)) return;
    // A new entry starts on the first connection.
    entry = OpenEntry(window, kAddButton);
    if (!entry) return;
    newConnection = driver::WindowText(driver::FindControl(entry, kEntryConnectionCombo));
    if (!(added = Type(entry, kEntryNameEdit, L"Work"))) return;
    if (!(added = Type(entry, kEntryUrlEdit, L"http://w.example/"))) return;
    if (!(added = Type(entry, kEntryUserEdit, L"u"))) return;
    if (!(added = Type(entry, kEntryPasswordEdit, L"secret"))) return;
    if (!(added = CloseEntry(entry, IDOK))) return;
    WaitNames(window, {L"Home", L"Work"});
    driver::PressButton(window, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(caption, Text(kWapBookmarksCaptionText));
  EXPECT_FALSE(importShown);
  EXPECT_EQ(choices, (std::vector<std::wstring>{L"Portal", L"Office"}));
  EXPECT_EQ(editedConnection, L"Office");
  EXPECT_EQ(newConnection, L"Portal");
  EXPECT_EQ(limits[0], 50);
  EXPECT_EQ(limits[1], 255);
  EXPECT_EQ(limits[2], 50);
  EXPECT_EQ(limits[3], 20);
  EXPECT_EQ(typedUrl, url255);
  EXPECT_TRUE(added);
  const std::u16string xml = Xml(list);
  EXPECT_NE(xml.find(u"<Name>Home</Name>"), std::u16string::npos) << AsUtf8(xml);
  EXPECT_NE(xml.find(u"<URL>http://h.example/</URL>"), std::u16string::npos);  // Cancel kept it
  EXPECT_NE(xml.find(u"<Name>Work</Name>"), std::u16string::npos);
  EXPECT_NE(xml.find(u"<UseConnection>Portal</UseConnection>"), std::u16string::npos);
  EXPECT_NE(xml.find(u"<Username>u</Username>"), std::u16string::npos);
}

TEST_F(ListDialogTest, WithoutConnectionsTheNoConnectionChoiceKeepsOkDisabled) {
  Load(kNoConnections);
  CSettingsNode& list = List(102);
  CSettingsListDlg dialog(App().ResourceHandle(), list, BookmarkMode::Wap);
  std::vector<std::wstring> choices;
  bool okEnabled = true;
  Result typed = ::testing::AssertionFailure(), refused = ::testing::AssertionFailure();
  const INT_PTR result = RunDriven(dialog, [&](HWND window) {
    if (!driver::BringToFront(window)) return;
    HWND entry = OpenEntry(window, kAddButton);
    if (!entry) return;
    choices = driver::ComboBoxTexts(driver::FindControl(entry, kEntryConnectionCombo));
    if (!(typed = Type(entry, kEntryNameEdit, L"Work"))) return;
    if (!(typed = Type(entry, kEntryUrlEdit, L"http://w.example/"))) return;
    okEnabled = Enabled(entry, IDOK);
    ::PostMessageW(entry, WM_COMMAND, IDOK, 0);
    refused = driver::AnswerMessageBox(::GetCurrentProcessId(), Text(kBadBookmarkConnectionText), IDOK);
    CloseEntry(entry, IDCANCEL);
    driver::PressButton(window, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(choices, (std::vector<std::wstring>{Text(kNoConnectionsDefinedText)}));
  EXPECT_TRUE(typed);
  EXPECT_FALSE(okEnabled);
  EXPECT_TRUE(refused);
  EXPECT_EQ(list.GetChildCount(), 0u);
}

}  // namespace
