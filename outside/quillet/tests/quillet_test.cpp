// Quillet.dll, loaded the way the plug-in loads it, holds every text, template, icon and bitmap the
// plug-in asks for by number, with the placeholders and controls the plug-in relies on.
#include <gtest/gtest.h>
#include <windows.h>
// clang-format off
#include <commctrl.h>  // needs windows.h first
#include <dlgs.h>
// clang-format on

#include <cstring>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "settings/settings_schema.h"
#include "support/u16text.h"
#include "support/win/wide.h"

namespace {

std::string Utf8(const std::wstring& text) { return orvel::AsUtf8(orvel::win::FromWide(text)); }

HMODULE Library() {
  static HMODULE library = [] {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file = path;
    file.resize(file.find_last_of(L"\\/") + 1);
    return LoadLibraryW((file + L"Quillet.dll").c_str());
  }();
  return library;
}

// The string's full text; empty when the library lacks it.
std::wstring Text(UINT id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(Library(), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::wstring(text, length) : std::wstring();
}

// The conversions of a printf-style format, one letter each: 's' a text, 'd' a number; '?' for
// anything the plug-in does not pass.
std::string Conversions(const std::wstring& format) {
  std::string found;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'%') continue;
    ++i;
    if (i < format.size() && format[i] == L'%') continue;
    while (i < format.size() && (std::wcschr(L"-+ #0123456789l", format[i]) != nullptr)) ++i;
    const wchar_t c = i < format.size() ? format[i] : L'\0';
    found += c == L's' ? 's' : (c == L'd' || c == L'u' || c == L'i') ? 'd' : '?';
  }
  return found;
}

struct StringCase {
  UINT id;
  const char* conversions;
};

// clang-format off
const StringCase kStrings[] = {
    // product title, main view and its file commands
    {112, ""}, {125, ""}, {387, ""}, {503, ""}, {505, ""}, {519, "ss"}, {593, ""}, {597, ""},
    {598, ""}, {599, ""}, {600, ""}, {605, ""}, {61441, ""},
    // send dialog and engine client
    {486, ""}, {487, "s"}, {489, ""}, {492, "ss"}, {494, "s"}, {495, ""}, {496, "s"}, {508, "s"},
    {581, ""},
    // progress and question dialogs
    {546, ""}, {565, ""}, {595, ""},
    // result-code messages
    {513, ""}, {514, ""}, {521, ""}, {566, ""}, {567, ""}, {569, ""}, {570, ""}, {571, ""},
    {575, ""}, {576, ""}, {578, ""}, {582, ""}, {583, ""}, {590, ""}, {594, ""}, {614, ""},
    {615, ""}, {616, ""}, {617, ""}, {621, ""},
    // settings tree, its editors and entry removal
    {471, ""}, {472, ""}, {596, "s"}, {501, ""}, {502, ""},
    // display values of the settings
    {443, ""}, {480, "d"}, {481, ""}, {482, ""}, {484, ""}, {485, ""}, {497, ""}, {547, "d"},
    {548, "d"}, {584, "d"}, {604, ""},
    // printing and the print preview
    {316, ""}, {506, ""}, {507, "dd"}, {618, ""}, {619, ""}, {620, ""}, {650, ""}, {651, ""},
    // bookmark lists, entry dialogs and the bookmark import
    {115, ""}, {116, ""}, {389, ""}, {399, ""}, {418, ""}, {585, ""}, {586, ""}, {587, ""},
    {588, ""}, {589, ""}, {504, ""}, {510, ""}, {540, ""}, {541, ""},
    // file list and device folder dialogs
    {217, ""}, {219, ""}, {591, ""}, {592, ""}, {622, ""},
    // about box and long-text editor
    {101, ""}, {475, ""}, {476, ""},
};
// clang-format on

// Texts shown in message boxes: whole sentences.
const UINT kMessages[] = {387, 471, 472, 486, 487, 513, 514, 519, 521, 540, 541, 566, 567, 569,
                          570, 571, 575, 576, 578, 582, 583, 585, 586, 587, 588, 589, 590, 592,
                          593, 594, 596, 597, 598, 599, 600, 614, 615, 616, 617, 621};

TEST(QuilletStrings, LibraryLoads) { ASSERT_NE(Library(), nullptr) << GetLastError(); }

TEST(QuilletStrings, EachHasTheConversionsThePlugInPasses) {
  for (const auto& c : kStrings) {
    const std::wstring text = Text(c.id);
    EXPECT_FALSE(text.empty()) << c.id;
    EXPECT_EQ(Conversions(text), c.conversions) << c.id;
    if (text.empty()) continue;
    EXPECT_FALSE(std::iswspace(text.front()) || std::iswspace(text.back())) << c.id;
  }
}

TEST(QuilletStrings, MessagesAreSentences) {
  for (UINT id : kMessages) {
    const std::wstring text = Text(id);
    ASSERT_FALSE(text.empty()) << id;
    EXPECT_TRUE(text.back() == L'.' || text.back() == L'?') << id;
  }
}

TEST(QuilletStrings, ProductTitleIsTwoLinesJoinedByTheTitle) {
  std::wstring title = Text(112);
  const size_t feed = title.find(L'\n');
  ASSERT_NE(feed, std::wstring::npos);
  title[feed] = L' ';
  EXPECT_EQ(title, L"Orvel Corvanset");
}

TEST(QuilletStrings, DeviceInUseNamesTheClientInParentheses) {
  EXPECT_NE(Text(487).find(L"(%s)"), std::wstring::npos);
}

TEST(QuilletStrings, DeviceLanguageIsARowOfTheFolderTable) {
  std::wstring text = Text(622);
  if (!text.empty() && text.front() == L'[') text.erase(0, 1);
  const long language = std::wcstol(text.c_str(), nullptr, 10);
  EXPECT_GE(language, 1);
  EXPECT_LE(language, 21);
}

// Every name id of the schema has a display text.
TEST(QuilletStrings, EveryElementNameHasADisplayText) {
  const orvel::ElementName* table = orvel::GetElementNameTable();
  for (size_t i = 0; i < orvel::kElementNameCount; ++i) {
    EXPECT_FALSE(Text(table[i].id).empty()) << table[i].id << " " << orvel::AsUtf8(table[i].text);
  }
}

// The plug-in compares display texts of ids that share an element name: the tree stores a
// password only for fields named like "Password"; the two texts of "no connections" read alike
// (the entry dialog compares a chosen connection with 443, the text its choice list holds).
TEST(QuilletStrings, IdsOfTheSameRoleShareTheirDisplayText) {
  for (const char16_t* name : {u"Password", u"NoConnectionsDefined"}) {
    const std::wstring first = Text(orvel::FindNameId(name));
    const orvel::ElementName* table = orvel::GetElementNameTable();
    for (size_t i = 0; i < orvel::kElementNameCount; ++i) {
      if (std::u16string_view(table[i].text) == name) {
        EXPECT_EQ(Text(table[i].id), first) << table[i].id;
      }
    }
  }
  EXPECT_EQ(Text(399), Text(443));
}

// clang-format off
enum Kind { kStatic, kIcon, kEdit, kPassword, kMultiline, kPush, kCheck, kRadio, kGroup, kCombo,
            kDropList, kTree, kList, kProgress };
// clang-format on

struct ControlCase {
  int id;
  Kind kind;
};

struct DialogCase {
  const wchar_t* name;  // a number made with MAKEINTRESOURCEW, or the template's name
  const char* role;
  std::vector<ControlCase> controls;
};

// clang-format off
const DialogCase kDialogs[] = {
    // main view
    {MAKEINTRESOURCEW(10136), "main view", {{10150, kTree}}},
    // send dialog
    {MAKEINTRESOURCEW(10163), "send",
     {{270, kStatic}, {271, kStatic}, {272, kStatic}, {10138, kPush}, {264, kPush}, {IDOK, kPush}}},
    // progress and question dialogs
    {MAKEINTRESOURCEW(442), "progress", {{262, kProgress}, {263, kStatic}, {IDCANCEL, kPush}}},
    {MAKEINTRESOURCEW(448), "question",
     {{274, kCheck}, {275, kStatic}, {270, kPush}, {273, kPush}, {276, kPush}, {277, kPush}}},
    // text input and notice
    {MAKEINTRESOURCEW(447), "text input", {{10153, kPassword}, {IDOK, kPush}, {IDCANCEL, kPush}}},
    {MAKEINTRESOURCEW(10275), "notice", {{IDOK, kPush}, {IDCANCEL, kPush}}},
    // about box and long-text editor
    {MAKEINTRESOURCEW(439), "about", {{269, kStatic}, {10218, kStatic}, {IDOK, kPush}}},
    {MAKEINTRESOURCEW(446), "text view",
     {{10153, kMultiline}, {3, kPush}, {264, kPush}, {IDOK, kPush}, {IDCANCEL, kPush}}},
    // settings list and entry dialogs
    {MAKEINTRESOURCEW(10270), "settings list",
     {{10161, kList}, {10139, kPush}, {10004, kPush}, {10143, kPush}, {259, kPush}, {264, kPush},
      {IDOK, kPush}, {IDCANCEL, kPush}}},
    {MAKEINTRESOURCEW(30724), "settings entry",
     {{10192, kEdit}, {10195, kEdit}, {10193, kEdit}, {10194, kPassword}, {10189, kDropList},
      {10207, kStatic}, {264, kPush}, {IDOK, kPush}, {IDCANCEL, kPush}}},
    {MAKEINTRESOURCEW(10274), "name and URL",
     {{10192, kEdit}, {10195, kEdit}, {264, kPush}, {IDOK, kPush}, {IDCANCEL, kPush}}},
    // bookmark import
    {MAKEINTRESOURCEW(262), "import source",
     {{260, kRadio}, {261, kRadio}, {262, kRadio}, {10153, kEdit}, {3, kPush}, {264, kPush},
      {IDOK, kPush}, {IDCANCEL, kPush}}},
    {MAKEINTRESOURCEW(440), "bookmark files", {{261, kList}, {IDOK, kPush}, {IDCANCEL, kPush}}},
    // file list and device folder dialogs
    {MAKEINTRESOURCEW(10165), "file list",
     {{10161, kList}, {10139, kPush}, {10004, kPush}, {10143, kPush}, {10242, kStatic},
      {264, kPush}, {IDOK, kPush}, {IDCANCEL, kPush}}},
    {MAKEINTRESOURCEW(443), "device path",
     {{276, kEdit}, {275, kCombo}, {274, kPush}, {IDOK, kPush}, {IDCANCEL, kPush}}},
    // print dialog: the system dialog's controls and the choice of what to print
    {L"IDD_CUSTOMPRINTDLG", "print",
     {{rad1, kRadio}, {rad2, kRadio}, {10213, kRadio}, {rad3, kRadio}, {grp1, kGroup},
      {grp2, kGroup}, {grp4, kGroup}, {cmb4, kDropList}, {psh2, kPush}, {chx1, kCheck},
      {chx2, kCheck}, {edt1, kEdit}, {edt2, kEdit}, {edt3, kEdit}, {ico3, kIcon},
      {stc2, kStatic}, {stc3, kStatic}, {stc5, kStatic}, {stc6, kStatic}, {stc7, kStatic},
      {stc8, kStatic}, {stc9, kStatic}, {stc10, kStatic}, {stc11, kStatic}, {stc12, kStatic},
      {stc13, kStatic}, {stc14, kStatic}, {IDOK, kPush}, {IDCANCEL, kPush}}},
};
// clang-format on

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool HasKind(HWND control, Kind kind) {
  const std::wstring name = ClassOf(control);
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  const auto is = [&](const wchar_t* expected) { return lstrcmpiW(name.c_str(), expected) == 0; };
  const LONG_PTR button = style & BS_TYPEMASK;
  const LONG_PTR text = style & SS_TYPEMASK;
  switch (kind) {
    case kStatic:
      return is(L"Static") && (text <= SS_RIGHT || text == SS_LEFTNOWORDWRAP);
    case kIcon:
      return is(L"Static") && text == SS_ICON;
    case kEdit:
      return is(L"Edit") && !(style & (ES_PASSWORD | ES_MULTILINE));
    case kPassword:
      return is(L"Edit") && (style & ES_PASSWORD) && !(style & ES_MULTILINE);
    case kMultiline:
      return is(L"Edit") && (style & ES_MULTILINE);
    case kPush:
      return is(L"Button") && (button == BS_PUSHBUTTON || button == BS_DEFPUSHBUTTON);
    case kCheck:
      return is(L"Button") && (button == BS_AUTOCHECKBOX || button == BS_CHECKBOX);
    case kRadio:
      return is(L"Button") && (button == BS_AUTORADIOBUTTON || button == BS_RADIOBUTTON);
    case kGroup:
      return is(L"Button") && button == BS_GROUPBOX;
    case kCombo:
      return is(L"ComboBox") && (style & 3) == CBS_DROPDOWN;
    case kDropList:
      return is(L"ComboBox") && (style & 3) == CBS_DROPDOWNLIST;
    case kTree:
      return is(WC_TREEVIEWW);
    case kList:
      return is(WC_LISTVIEWW) && (style & LVS_TYPEMASK) == LVS_REPORT;
    case kProgress:
      return is(PROGRESS_CLASSW);
  }
  return false;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Every template is created hidden, owned by one hidden window (the main view is a child window).
class QuilletDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
  }
  void SetUp() override {
    ASSERT_NE(Library(), nullptr);
    m_owner =
        CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(m_owner, nullptr);
  }
  void TearDown() override { DestroyWindow(m_owner); }

  HWND Create(const DialogCase& c) {
    return CreateDialogParamW(Library(), c.name, m_owner, PlainDialogProc, 0);
  }

  HWND m_owner = nullptr;
};

TEST_F(QuilletDialogs, EachHasItsControlsOfTheirKind) {
  for (const auto& c : kDialogs) {
    HWND dialog = Create(c);
    ASSERT_NE(dialog, nullptr) << c.role << " " << GetLastError();
    for (const auto& control : c.controls) {
      HWND window = GetDlgItem(dialog, control.id);
      if (!window) {
        ADD_FAILURE() << c.role << ": no control " << control.id;
        continue;
      }
      EXPECT_TRUE(HasKind(window, control.kind))
          << c.role << ": control " << control.id << " is " << Utf8(ClassOf(window)) << " style 0x"
          << std::hex << GetWindowLongPtrW(window, GWL_STYLE);
    }
    DestroyWindow(dialog);
  }
}

TEST_F(QuilletDialogs, MainViewIsAChildOfTheHostWindow) {
  HWND view = Create(kDialogs[0]);
  ASSERT_NE(view, nullptr);
  const LONG_PTR style = GetWindowLongPtrW(view, GWL_STYLE);
  EXPECT_TRUE(style & WS_CHILD);
  EXPECT_FALSE(style & (WS_CAPTION | WS_POPUP));
  EXPECT_EQ(GetParent(view), m_owner);
  DestroyWindow(view);
}

// The ids of the radio group that holds `id`: from the control with WS_GROUP before it up to the
// next one, in tab order.
std::set<int> RadioGroup(HWND dialog, int id) {
  HWND first = GetDlgItem(dialog, id);
  while (first && !(GetWindowLongPtrW(first, GWL_STYLE) & WS_GROUP)) first = GetWindow(first, GW_HWNDPREV);
  std::set<int> ids;
  for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w != first && (GetWindowLongPtrW(w, GWL_STYLE) & WS_GROUP)) break;
    ids.insert(GetDlgCtrlID(w));
  }
  return ids;
}

// Clicking one choice clears the others, so each group may hold only its own choices.
TEST_F(QuilletDialogs, ChoicesFormOneRadioGroupEach) {
  struct GroupCase {
    const wchar_t* name;
    std::set<int> ids;
  };
  const GroupCase groups[] = {
      {L"IDD_CUSTOMPRINTDLG", {rad1, rad2, 10213}},
      {MAKEINTRESOURCEW(262), {260, 261, 262}},
  };
  for (const auto& g : groups) {
    HWND dialog = CreateDialogParamW(Library(), g.name, m_owner, PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(RadioGroup(dialog, *g.ids.begin()), g.ids);
    DestroyWindow(dialog);
  }
}

RECT RectIn(HWND dialog, HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
         inner.bottom <= outer.bottom;
}

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

// Room a control's text needs beyond the text itself: the box of a check box or radio button, the
// frame of a push button.
int TextMargin(HWND control) {
  if (lstrcmpiW(ClassOf(control).c_str(), L"Button") != 0) return 0;
  const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  if (type == BS_GROUPBOX) return 16;
  if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) return 6;
  return GetSystemMetrics(SM_CXMENUCHECK) + 4;
}

// Whether the control shows all of its text in its dialog's font.
bool TextFits(HWND control) {
  const std::wstring text = WindowText(control);
  if (text.empty()) return true;
  RECT client;
  GetClientRect(control, &client);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  const bool wraps = lstrcmpiW(ClassOf(control).c_str(), L"Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT;
  RECT needed = {0, 0, client.right - TextMargin(control), 0};
  DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return needed.right <= client.right - TextMargin(control) && needed.bottom <= client.bottom;
}

// Visible controls lie inside the dialog, do not overlap (group boxes only frame others), and
// show their whole text.
TEST_F(QuilletDialogs, ControlsAreLaidOutWithoutOverlapOrCutText) {
  for (const auto& c : kDialogs) {
    HWND dialog = Create(c);
    ASSERT_NE(dialog, nullptr) << c.role;
    RECT client;
    GetClientRect(dialog, &client);
    std::vector<HWND> controls, groups;
    for (HWND w = GetWindow(dialog, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      if (!(GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE)) continue;
      const bool group = (GetWindowLongPtrW(w, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX &&
                         lstrcmpiW(ClassOf(w).c_str(), L"Button") == 0;
      (group ? groups : controls).push_back(w);
      EXPECT_TRUE(Inside(RectIn(dialog, w), client)) << c.role << ": control " << GetDlgCtrlID(w);
      EXPECT_TRUE(TextFits(w)) << c.role << ": text of control " << GetDlgCtrlID(w) << " is cut: \""
                               << Utf8(WindowText(w)) << "\"";
    }
    for (size_t i = 0; i < controls.size(); ++i) {
      const RECT a = RectIn(dialog, controls[i]);
      for (size_t j = i + 1; j < controls.size(); ++j) {
        EXPECT_FALSE(Overlap(a, RectIn(dialog, controls[j])))
            << c.role << ": controls " << GetDlgCtrlID(controls[i]) << " and " << GetDlgCtrlID(controls[j]);
      }
      for (HWND group : groups) {
        const RECT frame = RectIn(dialog, group);
        EXPECT_TRUE(!Overlap(a, frame) || Inside(a, frame))
            << c.role << ": control " << GetDlgCtrlID(controls[i]) << " crosses group "
            << GetDlgCtrlID(group);
      }
    }
    DestroyWindow(dialog);
  }
}

struct BitmapCase {
  UINT id;
  int width;
  int height;
};

// clang-format off
const BitmapCase kBitmaps[] = {
    // toolbar strip: new, open, save, send, print
    {29090, 80, 16},
    // the view's picture on the host's view bar
    {10125, 32, 32},
    // command images of kind 1
    {379, 16, 16}, {380, 16, 16}, {381, 16, 16}, {382, 16, 16}, {474, 16, 16},
    // command images of kind 2
    {331, 16, 16}, {332, 16, 16}, {333, 16, 16}, {334, 16, 16}, {335, 16, 16}, {336, 16, 16},
    {337, 16, 16}, {601, 16, 16}, {602, 16, 16}, {603, 16, 16},
};
// clang-format on

TEST(QuilletImages, BitmapsHaveTheirSizes) {
  ASSERT_NE(Library(), nullptr);
  for (const auto& c : kBitmaps) {
    HANDLE image = LoadImageW(Library(), MAKEINTRESOURCEW(c.id), IMAGE_BITMAP, 0, 0, 0);
    if (!image) {
      ADD_FAILURE() << "no bitmap " << c.id;
      continue;
    }
    BITMAP bitmap = {};
    GetObjectW(image, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, c.width) << c.id;
    EXPECT_EQ(bitmap.bmHeight, c.height) << c.id;
    DeleteObject(image);
  }
}

struct IconCase {
  UINT id;
  std::set<int> sizes;  // square images the icon holds
};

// clang-format off
const IconCase kIcons[] = {
    // the view's icons for the host; 429 also the print preview frame's
    {429, {16, 32}}, {431, {16, 32}},
    // settings tree: state icons, then collapsed and expanded
    {10240, {16}}, {10236, {16}}, {10258, {16}}, {10248, {16}}, {10244, {16}}, {10253, {16}},
    {10259, {16}}, {10257, {16}}, {10214, {16}}, {10223, {16}},
};
// clang-format on

// The square sizes in an icon's group directory (6-byte header, then 14-byte entries whose first
// two bytes are width and height).
std::set<int> IconSizes(UINT id) {
  std::set<int> sizes;
  HRSRC found = FindResourceW(Library(), MAKEINTRESOURCEW(id), RT_GROUP_ICON);
  if (!found) return sizes;
  const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(Library(), found)));
  const DWORD size = SizeofResource(Library(), found);
  if (!bytes || size < 6) return sizes;
  WORD count;
  std::memcpy(&count, bytes + 4, sizeof(count));
  for (WORD i = 0; i < count && 6 + 14u * (i + 1) <= size; ++i) {
    const BYTE* entry = bytes + 6 + 14 * i;
    if (entry[0] == entry[1]) sizes.insert(entry[0] == 0 ? 256 : entry[0]);
  }
  return sizes;
}

TEST(QuilletImages, IconsHaveTheirSizes) {
  ASSERT_NE(Library(), nullptr);
  for (const auto& c : kIcons) {
    EXPECT_EQ(IconSizes(c.id), c.sizes) << c.id;
    HANDLE icon = LoadImageW(Library(), MAKEINTRESOURCEW(c.id), IMAGE_ICON, 16, 16, 0);
    EXPECT_NE(icon, nullptr) << c.id;
    if (icon) DestroyIcon(static_cast<HICON>(icon));
  }
}

}  // namespace
