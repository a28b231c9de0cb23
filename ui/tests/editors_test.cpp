// The in-place editors with real input, each opened in a plain window that stands in for the
// settings tree: it records the editor's state when the editor reports the end of the edit, then
// clears the cancelled flag and closes the editor as the tree does.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "testing/ui_driver.h"
#include "support/u16text.h"
#include "support/win/wide.h"
#include "support/win/window.h"
#include "ui/tree/inplace_editors.h"

using namespace orvel;
using namespace orvel::ui;
using namespace orvel::uidriver;

namespace {

struct Commit {
  std::u16string value;
  bool cancelled;
  bool open;  // the editor was still open when it reported
};

class CFakeTree : public win::CWindow {
 public:
  std::function<void()> onCommit;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kCommitEditMessage) {
      if (onCommit) onCommit();
      return 0;
    }
    if (message == WM_LBUTTONDOWN) ::SetFocus(Handle());  // as a tree view takes the focus
    return DefaultProc(message, wParam, lParam);
  }
};

class CFrame : public win::CWindow {
 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    return DefaultProc(message, wParam, lParam);
  }
};

class EditorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const RECT frame = {40, 40, 640, 340};
    ASSERT_TRUE(
        m_frame.Create(L"OrvelEditorsTestFrame", 0, 0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, L"Editors", frame));
    const RECT tree = {10, 10, 560, 200};
    ASSERT_TRUE(m_tree.Create(L"OrvelEditorsTestTree", 0, WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE, L"", tree,
                              m_frame.Handle()));
    m_elsewhere = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 220, 200, 24,
                                    m_frame.Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(m_elsewhere, nullptr);
    ASSERT_TRUE(BringToFront(m_frame.Handle()));
    ::SetFocus(m_tree.Handle());
  }

  // The tree's side of the end of an edit: the value as the tree reads it, the flag, then close.
  void Record(CInplaceEditor& editor, std::function<std::u16string()> value) {
    m_tree.onCommit = [this, &editor, value] {
      m_commits.push_back({value(), editor.Cancelled(), editor.IsOpen()});
      editor.ClearCancelled();
      editor.Close();
    };
  }

  // Waits for the first report and a moment for any further one that the close would cause.
  ::testing::AssertionResult WaitCommit() {
    if (!WaitUntil(Wait::Text, [&] { return !m_commits.empty(); }))
      return ::testing::AssertionFailure() << "the editor reported no end of the edit";
    WaitUntil(Wait::Text, [] {
      MSG msg;
      return !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    });
    if (m_commits.size() != 1) return ::testing::AssertionFailure() << m_commits.size() << " reports";
    if (!m_commits[0].open) return ::testing::AssertionFailure() << "the editor closed before it reported";
    return ::testing::AssertionSuccess();
  }

  static bool WaitText(const std::function<std::u16string()>& text, std::u16string_view expected) {
    return WaitUntil(Wait::Text, [&] { return text() == expected; });
  }

  RECT ValueRect() const { return {360, 20, 540, 44}; }

  CFrame m_frame;
  CFakeTree m_tree;
  HWND m_elsewhere = nullptr;
  std::vector<Commit> m_commits;
};

// --- the text editor

struct TextCase {
  CInplaceEdit::Mode mode;
  uint32_t nodeType;
  const wchar_t* typed;
  const char16_t* expected;
};

const TextCase kTextCases[] = {
    {CInplaceEdit::kPlain, 56, L"mail.example.com", u"mail.example.com"},
    {CInplaceEdit::kPlain, 49, L"a<b>c", u"abc"},  // Name takes no angle brackets
    {CInplaceEdit::kPlain, 48, L"a<b>", u"a<b>"},
    {CInplaceEdit::kEmail, 52, L"me@example.com", u"me@example.com"},
    {CInplaceEdit::kPassword, 10, L"secret", u"secret"},
};

TEST_F(EditorsTest, TextIsTypedAndEnterStoresIt) {
  for (const auto& c : kTextCases) {
    SCOPED_TRACE(AsUtf8(win::FromWide(c.typed)));
    m_commits.clear();
    CInplaceEdit edit;
    Record(edit, [&] { return edit.Text(); });
    ASSERT_TRUE(edit.Open(m_tree.Handle(), ValueRect(), c.mode, c.nodeType, 100, u"old"));
    ASSERT_EQ(::GetFocus(), edit.Handle());
    const bool password = c.mode == CInplaceEdit::kPassword;
    EXPECT_EQ(edit.Text(), password ? u"" : u"old");
    if (password) {
      EXPECT_EQ(::SendMessageW(edit.Handle(), EM_GETPASSWORDCHAR, 0, 0), L'*');
    }
    TypeText(c.typed);  // replaces the selected old text
    ASSERT_TRUE(WaitText([&] { return edit.Text(); }, c.expected)) << AsUtf8(edit.Text());
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitCommit());
    EXPECT_EQ(m_commits[0].value, c.expected);
    EXPECT_FALSE(m_commits[0].cancelled);
    EXPECT_FALSE(edit.IsOpen());
  }
}

TEST_F(EditorsTest, TheTextCheckOfTheCommit) {
  CInplaceEdit edit;
  ASSERT_TRUE(edit.Open(m_tree.Handle(), ValueRect(), CInplaceEdit::kEmail, 52, 100, u""));
  EXPECT_TRUE(edit.CheckText(u"me@example.com"));
  EXPECT_FALSE(edit.CheckText(u"me"));
  ASSERT_TRUE(edit.Open(m_tree.Handle(), ValueRect(), CInplaceEdit::kPlain, 13, 100, u""));
  EXPECT_TRUE(edit.CheckText(u"proxy.example.com"));
  EXPECT_FALSE(edit.CheckText(u"proxy example"));
  ASSERT_TRUE(edit.Open(m_tree.Handle(), ValueRect(), CInplaceEdit::kPlain, 56, 100, u""));
  EXPECT_TRUE(edit.CheckText(u"proxy example"));
  edit.Close();
}

// --- the number editor

struct NumberCase {
  const wchar_t* typed;
  const char16_t* shown;
  uint32_t low, high;
  const char16_t* stored;
};

const NumberCase kNumberCases[] = {
    {L"12a3", u"123", 0, 65535, u"123"},
    {L"70000", u"70000", 0, 65535, u"65535"},
    {L"4294967296", u"4294967296", 0, 65535, u"65535"},  // must not wrap to 0
    {L"0", u"0", 1, 1000, u"1"},
    {L"5000", u"5000", 1, 1000, u"1000"},
};

TEST_F(EditorsTest, NumbersKeepDigitsAndAreClampedWhenStored) {
  for (const auto& c : kNumberCases) {
    SCOPED_TRACE(AsUtf8(win::FromWide(c.typed)));
    m_commits.clear();
    CInplaceNumberEdit edit;
    Record(edit, [&] { return edit.Clamp(c.low, c.high); });
    ASSERT_TRUE(edit.Open(m_tree.Handle(), ValueRect(), 10, u"80"));
    TypeText(c.typed);
    ASSERT_TRUE(WaitText([&] { return edit.Text(); }, c.shown)) << AsUtf8(edit.Text());
    DWORD start = 0, end = 0;
    ::SendMessageW(edit.Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    const auto length = std::u16string_view(c.shown).size();
    EXPECT_EQ(start, length);  // the caret at the end, also after a removed letter
    EXPECT_EQ(end, length);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitCommit());
    EXPECT_EQ(m_commits[0].value, c.stored);
    EXPECT_FALSE(m_commits[0].cancelled);
  }
}

// --- the phone editor

struct PhoneCase {
  uint32_t type;
  const wchar_t* typed;
  const char16_t* shown;
};

const PhoneCase kPhoneCases[] = {
    {7, L"+44 (20) 79x46", u"+44 (20) 7946"},
    {91, L"+358 40p", u"+35840"},
    {93, L"+358+40", u"+35840"},  // a "+" survives only as the first character
    {93, L"1+2", u"12"},
};

TEST_F(EditorsTest, PhoneNumbersKeepTheCharsetOfTheirType) {
  for (const auto& c : kPhoneCases) {
    SCOPED_TRACE(AsUtf8(win::FromWide(c.typed)));
    m_commits.clear();
    CInplaceValueEdit edit;
    Record(edit, [&] { return edit.Text(); });
    ASSERT_TRUE(edit.Open(m_tree.Handle(), ValueRect(), c.type, 30, u""));
    TypeText(c.typed);
    ASSERT_TRUE(WaitText([&] { return edit.Text(); }, c.shown)) << AsUtf8(edit.Text());
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitCommit());
    EXPECT_EQ(m_commits[0].value, c.shown);
  }
}

// --- the combo box

const std::vector<std::u16string> kChoices = {u"1\nPOP3", u"2\nIMAP4", u"3\nIMAP4 over SSL"};

struct ComboCase {
  const char16_t* shown;
  std::vector<WORD> keys;
  const char16_t* text;
  const char16_t* stored;
};

const ComboCase kComboCases[] = {
    {u"IMAP4", {}, u"IMAP4", u"2"},
    {u"IMAP4", {VK_DOWN}, u"IMAP4 over SSL", u"3"},
    {u"IMAP4 over SSL", {VK_DOWN}, u"POP3", u"1"},  // Down on the last selects the first
    {u"POP3", {VK_UP}, u"IMAP4 over SSL", u"3"},    // Up on the first selects the last
    {u"POP3", {VK_DOWN, VK_DOWN, VK_DOWN, VK_UP}, u"IMAP4 over SSL", u"3"},
};

TEST_F(EditorsTest, ADropDownListIsWorkedWithKeys) {
  for (const auto& c : kComboCases) {
    SCOPED_TRACE(AsUtf8(c.shown) + " " + std::to_string(c.keys.size()));
    m_commits.clear();
    CInplaceCombo combo;
    std::u16string stored;
    Record(combo, [&] {
      if (!combo.StoredChoice(stored)) stored = u"(none)";
      return combo.Text();
    });
    ASSERT_TRUE(combo.Open(m_tree.Handle(), ValueRect(), kChoices, c.shown, false));
    EXPECT_EQ(::GetFocus(), combo.Handle());
    EXPECT_TRUE(::SendMessageW(combo.Handle(), CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(combo.Text(), c.shown);
    RECT rect = {};
    ::GetWindowRect(combo.Handle(), &rect);
    ::MapWindowPoints(nullptr, m_tree.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.right, ValueRect().right);  // right-aligned in the value column
    for (WORD key : c.keys) PressKey(key);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitCommit());
    EXPECT_EQ(m_commits[0].value, c.text);
    EXPECT_EQ(stored, c.stored);
    EXPECT_FALSE(m_commits[0].cancelled);
  }
}

TEST_F(EditorsTest, AFreeTextBoxSelectsTheFirstChoiceThatBeginsWithTheValue) {
  CInplaceCombo combo;
  ASSERT_TRUE(combo.Open(m_tree.Handle(), ValueRect(), kChoices, u"IMAP", true));
  EXPECT_EQ(::SendMessageW(combo.Handle(), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(combo.Text(), u"IMAP4");
  combo.Close();
}

struct FreeTextCase {
  const wchar_t* typed;
  bool named;  // the text names a choice, whose stored part is stored
  const char16_t* stored;
};

const FreeTextCase kFreeTextCases[] = {
    {L"IMAP4 over SSL", true, u"3"}, {L"SMTP", false, u""},  // a free text that names no choice is not stored
};

TEST_F(EditorsTest, FreeTextIsTypedIntoTheBox) {
  for (const auto& c : kFreeTextCases) {
    SCOPED_TRACE(AsUtf8(win::FromWide(c.typed)));
    m_commits.clear();
    CInplaceCombo combo;
    bool named = false;
    std::u16string stored;
    Record(combo, [&] {
      named = combo.StoredChoice(stored);
      return combo.Text();
    });
    ASSERT_TRUE(combo.Open(m_tree.Handle(), ValueRect(), kChoices, u"Other", true));
    EXPECT_EQ(combo.Text(), u"Other");
    HWND focus = ::GetFocus();
    EXPECT_TRUE(::IsChild(combo.Handle(), focus));  // the box's edit field
    ::SendMessageW(focus, EM_SETSEL, 0, -1);
    TypeText(c.typed);
    ASSERT_TRUE(WaitText([&] { return combo.Text(); }, win::FromWide(c.typed))) << AsUtf8(combo.Text());
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitCommit());
    EXPECT_EQ(m_commits[0].value, win::FromWide(c.typed));
    EXPECT_FALSE(m_commits[0].cancelled);
    EXPECT_EQ(named, c.named);
    if (c.named) {
      EXPECT_EQ(stored, c.stored);
    }
  }
}

// --- the IP address control

TEST_F(EditorsTest, AnAddressIsTypedFieldByField) {
  struct Case {
    const char16_t* start;
    const wchar_t* typed;
    const char16_t* stored;
  };
  const Case cases[] = {
      {u"0.0.0.0", L"192.168.255.1", u"192.168.255.1"},  // 255 is a valid field
      {u"10.1.2.3", L"10.255.0.9", u"10.255.0.9"},
      {u"", L"0.0.0.0", u"0.0.0.0"},  // the default address
      {u"1.2.3.4", L"7.8", u"7.8.3.4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(AsUtf8(win::FromWide(c.typed)));
    m_commits.clear();
    CIPAddressCtrlEx address;
    Record(address, [&] { return address.AddressText(); });
    ASSERT_TRUE(address.Open(m_tree.Handle(), ValueRect(), c.start));
    // What the tree should pass: every field 0..255.
    for (int field = 0; field < 4; ++field) address.SetFieldRange(field, 0, 255);
    TypeText(c.typed);
    ASSERT_TRUE(WaitText([&] { return address.AddressText(); }, c.stored)) << AsUtf8(address.AddressText());
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitCommit());
    EXPECT_EQ(m_commits[0].value, c.stored);
    EXPECT_FALSE(m_commits[0].cancelled);
  }
}

TEST_F(EditorsTest, SetAddressTextFillsTheMissingFieldsWithZero) {
  CIPAddressCtrlEx address;
  ASSERT_TRUE(address.Open(m_tree.Handle(), ValueRect(), u"10.0.5"));
  EXPECT_EQ(address.AddressText(), u"10.0.5.0");
  address.SetAddressText(u"300.1.2.3");
  EXPECT_EQ(address.AddressText(), u"255.1.2.3");
  address.Close();
}

TEST_F(EditorsTest, ACharacterGivenToTheAddressControlGoesToItsFocusedField) {
  // As the tree passes on the digit that opened the editor.
  CIPAddressCtrlEx address;
  ASSERT_TRUE(address.Open(m_tree.Handle(), ValueRect(), u"10.1.2.3"));
  ::SendMessageW(address.Handle(), WM_CHAR, L'7', 0);
  EXPECT_EQ(address.AddressText(), u"7.1.2.3");
  address.Close();
}

TEST_F(EditorsTest, AFieldBeyondItsRangeIsCorrected) {
  CIPAddressCtrlEx address;
  ASSERT_TRUE(address.Open(m_tree.Handle(), ValueRect(), u"1.2.3.4"));
  address.SetFieldRange(1, 10, 200);
  TypeText(L"1.250.");
  EXPECT_TRUE(WaitText([&] { return address.AddressText(); }, u"1.200.3.4")) << AsUtf8(address.AddressText());
  address.Close();
}

// --- the end of an edit, for every editor

struct Opener {
  const char* name;
  std::function<CInplaceEditor*(HWND tree, const RECT& rect)> open;
};

class EndTest : public EditorsTest {
 protected:
  CInplaceEdit m_edit;
  CInplaceNumberEdit m_number;
  CInplaceValueEdit m_value;
  CInplaceCombo m_list;
  CInplaceCombo m_freeText;
  CIPAddressCtrlEx m_address;

  // A click point that moves on with each end, so that two clicks never make a double click.
  POINT ClickPoint() const { return {20 + 30 * (m_ends % 5), 10}; }
  int m_ends = 0;

  std::vector<Opener> Openers() {
    return {
        {"text",
         [&](HWND tree, const RECT& rect) {
           return m_edit.Open(tree, rect, CInplaceEdit::kPlain, 56, 100, u"old") ? &m_edit : nullptr;
         }},
        {"number",
         [&](HWND tree, const RECT& rect) {
           return m_number.Open(tree, rect, 10, u"80") ? &m_number : nullptr;
         }},
        {"phone",
         [&](HWND tree, const RECT& rect) {
           return m_value.Open(tree, rect, 7, 32, u"0800") ? &m_value : nullptr;
         }},
        {"list",
         [&](HWND tree, const RECT& rect) {
           return m_list.Open(tree, rect, kChoices, u"POP3", false) ? &m_list : nullptr;
         }},
        {"free text",
         [&](HWND tree, const RECT& rect) {
           return m_freeText.Open(tree, rect, kChoices, u"POP3", true) ? &m_freeText : nullptr;
         }},
        {"address",
         [&](HWND tree, const RECT& rect) {
           return m_address.Open(tree, rect, u"10.1.2.3") ? &m_address : nullptr;
         }},
    };
  }

  // Opens, types a digit (accepted by all but the drop-down list), ends the edit with `end`, and
  // checks the single report.
  void Run(const std::function<void()>& end, bool cancelled, HWND focusAfter) {
    for (const Opener& opener : Openers()) {
      SCOPED_TRACE(opener.name);
      m_commits.clear();
      CInplaceEditor* editor = opener.open(m_tree.Handle(), ValueRect());
      ASSERT_NE(editor, nullptr);
      Record(*editor, [] { return std::u16string(); });
      TypeText(L"5");
      ASSERT_TRUE(WaitUntil(Wait::Text, [] {
        MSG msg;
        return !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
      }));
      // A click while the list is down only closes the list.
      if (editor == &m_list || editor == &m_freeText)
        ::SendMessageW(editor->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
      end();
      ++m_ends;
      ASSERT_TRUE(WaitCommit());
      EXPECT_EQ(m_commits[0].cancelled, cancelled);
      EXPECT_FALSE(editor->IsOpen());
      EXPECT_FALSE(editor->Cancelled());  // cleared by the tree
      if (focusAfter) {
        // The focus stays where it went: nothing pulls it back into the editor.
        EXPECT_TRUE(WaitUntil(Wait::Text, [&] { return ::GetFocus() == focusAfter; }));
      }
    }
  }
};

TEST_F(EndTest, EscCancels) {
  Run([] { PressKey(VK_ESCAPE); }, true, nullptr);
}

TEST_F(EndTest, FocusToTheTreeStores) {
  Run([&] { ASSERT_TRUE(ClickAt(m_tree.Handle(), POINT{ClickPoint().x, 150})); }, false, m_tree.Handle());
}

TEST_F(EndTest, FocusElsewhereCancels) {
  Run([&] { ASSERT_TRUE(ClickAt(m_elsewhere, ClickPoint())); }, true, m_elsewhere);
}

}  // namespace
