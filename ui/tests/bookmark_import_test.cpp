// The bookmark import in this process, worked with real input: the user's Favourites folder
// written at test time (a nested folder, a shortcut without a URL, a file that is no shortcut), the
// other browser's bookmark file named in the registry or found below its program folder and
// chosen in the list of found files, a bookmark file typed into the source dialog, and the bounds
// of the search.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testing/ui_driver.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/lists/bookmark_import.h"
#include "ui/lists/bookmark_import_dlg.h"
#include "ui/lists/settings_list_dlg.h"
#include "ui/tests/driven_dialog.h"

using namespace orvel;
using namespace orvel::ui;
namespace driver = orvel::uidriver;
namespace fs = std::filesystem;

namespace {

using Texts = std::vector<std::u16string>;

constexpr wchar_t kNetscapeKey[] = L"SOFTWARE\\Netscape\\Netscape Navigator\\Bookmark List";
constexpr wchar_t kNetscapeAppKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe";

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string Shortcut(const char* url) {
  return std::string("[InternetShortcut]\r\n") + (url ? std::string("URL=") + url + "\r\n" : "");
}

Texts Sorted(Texts texts) {
  std::sort(texts.begin(), texts.end());
  return texts;
}

std::string Joined(const Texts& texts) {
  std::string out;
  for (const auto& text : texts) out += driver::Utf8(win::AsWide(text)) + " | ";
  return out;
}

class BookmarkImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    App().InitInstance();
    ASSERT_TRUE(App().LanguageLoaded());
    m_folder = fs::temp_directory_path() / L"orvel_bookmark_import";
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    win::DeleteRegTree(HKEY_CURRENT_USER, kNetscapeKey);
    win::DeleteRegTree(HKEY_LOCAL_MACHINE, kNetscapeAppKey);
  }
  void TearDown() override {
    if (!m_favorites.empty()) fs::remove_all(m_favorites);
    win::DeleteRegTree(HKEY_CURRENT_USER, kNetscapeKey);
    win::DeleteRegTree(HKEY_LOCAL_MACHINE, kNetscapeAppKey);
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
    ::CoUninitialize();
  }

  // Runs the import; `drive` works the source dialog (and what it opens).
  static bool Import(Texts& texts, const std::function<void(HWND)>& drive) {
    return uitest::RunDriven<bool>([&] { return RunBookmarkImport(nullptr, App().ResourceHandle(), texts); },
                                   kSourceFavoritesButton, drive);
  }
  // Chooses a source with a click on its radio button and presses OK.
  static std::function<void(HWND)> Choose(int source, bool* pressed) {
    return [=](HWND window) {
      if (source != kSourceFavoritesButton && !driver::Click(driver::FindControl(window, source))) return;
      *pressed = static_cast<bool>(driver::PressButton(window, IDOK));
    };
  }

  // A folder of the user's Favourites, written at test time: shortcuts at two depths, one whose
  // address the settings refuse, one without an address, and a file that is no shortcut.
  void WriteFavorites() {
    wchar_t favorites[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_FAVORITES | CSIDL_FLAG_CREATE, nullptr, 0, favorites), S_OK);
    m_favorites = fs::path(favorites) / L"Orvel import";
    fs::remove_all(m_favorites);
    WriteText(m_favorites / L"Alpha.url", Shortcut("http://alpha.example/"));
    WriteText(m_favorites / L"Nested" / L"Beta.url", Shortcut("http://beta.example/news/"));
    WriteText(m_favorites / L"Nested" / L"Deeper" / L"Gamma.url", Shortcut("http://gamma.example/"));
    WriteText(m_favorites / L"Spaced.url", Shortcut("http://two words.example/"));
    WriteText(m_favorites / L"No address.url", Shortcut(nullptr));
    WriteText(m_favorites / L"notes.txt", "URL=http://notes.example/\r\n");
  }
  // The other browser's program folder in the registry, with its bookmark file below it.
  void WriteNetscape() {
    const fs::path netscape = m_folder / L"Netscape";
    WriteText(
        netscape / L"Users" / L"default" / L"bookmark.htm",
        "<DT><A HREF=\"http://found.example/\">Found</A>\r\n<DT><A HREF=\"http://nameless.example/\"></A>");
    WriteText(netscape / L"Users" / L"other" / L"Bookmark.htm",
              "<DT><A HREF=\"http://case.example/\">Case</A>");
    // Five folder levels below the program folder: beyond the search.
    WriteText(netscape / L"a" / L"b" / L"c" / L"d" / L"e" / L"bookmark.htm",
              "<DT><A HREF=\"http://deep/\">D</A>");
    ASSERT_EQ(win::WriteRegString(HKEY_LOCAL_MACHINE, kNetscapeAppKey, L"Path",
                                  (netscape / L"Communicator" / L"Program").wstring()),
              ERROR_SUCCESS);
  }
  // Chooses the first of the bookmark files found, in their list dialog; what it listed.
  static bool ChooseFoundFile(std::vector<std::wstring>* listed, bool* okAtFirst) {
    HWND found = driver::WaitDialog(::GetCurrentProcessId(), L"Choose Bookmark File");
    if (!found) return false;
    HWND list = driver::FindControl(found, kBookmarkFilesList);
    if (listed) *listed = driver::ListViewTexts(list);
    if (okAtFirst) *okAtFirst = ::IsWindowEnabled(driver::FindControl(found, IDOK));
    EXPECT_TRUE(driver::CaptureWindow(found, L"morvane_import_found_files"));
    if (!uitest::ClickItemLabel(list, 0)) return false;
    driver::WaitUntil(driver::Wait::Text,
                      [&] { return ::IsWindowEnabled(driver::FindControl(found, IDOK)); });
    return driver::PressButton(found, IDOK) &&
           driver::WaitUntil(driver::Wait::Window, [&] { return !::IsWindow(found); });
  }

  fs::path m_folder;
  fs::path m_favorites;
};

TEST_F(BookmarkImportTest, FavouritesWithANestedFolderAndFilesThatAreNoBookmarks) {
  WriteFavorites();
  Texts texts;
  bool pressed = false;
  const bool ran = Import(texts, [&](HWND window) {
    EXPECT_TRUE(driver::CaptureWindow(window, L"morvane_import_source"));
    // The path and Browse belong to the file source only.
    EXPECT_FALSE(::IsWindowEnabled(driver::FindControl(window, kTextEdit)));
    EXPECT_FALSE(::IsWindowEnabled(driver::FindControl(window, kLoadOrBrowseButton)));
    Choose(kSourceFavoritesButton, &pressed)(window);
  });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(pressed);
  EXPECT_EQ(Sorted(texts), (Texts{u"http://alpha.example/\nAlpha", u"http://beta.example/news/\nBeta",
                                  u"http://gamma.example/\nGamma", u"http://two words.example/\nSpaced"}))
      << Joined(texts);
}

TEST_F(BookmarkImportTest, TheBookmarkFileNamedInTheRegistry) {
  const fs::path file = m_folder / L"bookmarks.htm";
  WriteText(file,
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<DL><p>\r\n<DT><H3>Folder</H3>\r\n<DL><p>\r\n"
            "<DT><A HREF=\"http://one.example/\" ADD_DATE=\"1\">One</A>\r\n"
            "<DT><A HREF=\"http://unnamed.example/\"></A>\r\n"
            "<DT><A HREF=http://two.example/>Two\r\nlines</A>\r\n</DL><p>\r\n</DL>\r\n");
  ASSERT_EQ(win::WriteRegString(HKEY_CURRENT_USER, kNetscapeKey, L"File Location", file.wstring()),
            ERROR_SUCCESS);
  Texts texts;
  bool pressed = false;
  EXPECT_TRUE(Import(texts, Choose(kSourceNetscapeButton, &pressed)));
  EXPECT_TRUE(pressed);
  // The bookmark without a name is no bookmark to keep.
  EXPECT_EQ(texts, (Texts{u"http://one.example/\nOne", u"http://two.example/\nTwolines"}));
}

TEST_F(BookmarkImportTest, TheBookmarkFileFoundBelowTheProgramFolderAndChosen) {
  WriteNetscape();
  Texts texts;
  bool pressed = false, chosen = false, okAtFirst = true;
  std::vector<std::wstring> listed;
  const bool ran = Import(texts, [&](HWND window) {
    Choose(kSourceNetscapeButton, &pressed)(window);
    chosen = ChooseFoundFile(&listed, &okAtFirst);
  });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(pressed);
  EXPECT_EQ(listed, (std::vector<std::wstring>{
                        (m_folder / L"Netscape" / L"Users" / L"default" / L"bookmark.htm").wstring()}));
  EXPECT_FALSE(okAtFirst);
  EXPECT_TRUE(chosen);
  EXPECT_EQ(texts, (Texts{u"http://found.example/\nFound"}));
}

TEST_F(BookmarkImportTest, NoBookmarkFileOfTheOtherBrowserIsTold) {
  Texts texts = {u"old"};
  bool pressed = false;
  bool told = false;
  EXPECT_TRUE(Import(texts, [&](HWND window) {
    Choose(kSourceNetscapeButton, &pressed)(window);
    told = static_cast<bool>(driver::AnswerMessageBox(
        ::GetCurrentProcessId(), win::AsWide(App().LoadResString(kNoNetscapeBookmarksText, true)), IDOK));
  }));
  EXPECT_TRUE(told);
  EXPECT_TRUE(texts.empty());
}

TEST_F(BookmarkImportTest, AFileTypedIntoTheSourceDialog) {
  const fs::path file = m_folder / L"mine.html";
  WriteText(file, "<dt><a href=\"http://mine.example/\">Mine</a>");
  struct Case {
    std::wstring typed;
    Texts texts;
    bool told;
  };
  const Case cases[] = {
      {file.wstring() + L";", {u"http://mine.example/\nMine"}, false},
      {(m_folder / L"missing.html").wstring(), {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(driver::Utf8(c.typed));
    Texts texts;
    bool okWhileEmpty = true, told = false;
    EXPECT_TRUE(Import(texts, [&](HWND window) {
      if (!driver::Click(driver::FindControl(window, kSourceFileButton))) return;
      HWND path = driver::FindControl(window, kTextEdit);
      driver::WaitUntil(driver::Wait::Text, [&] { return ::IsWindowEnabled(path) != FALSE; });
      okWhileEmpty = ::IsWindowEnabled(driver::FindControl(window, IDOK));
      if (!driver::Click(path)) return;
      driver::TypeText(c.typed);
      driver::WaitUntil(driver::Wait::Text, [&] { return driver::WindowText(path) == c.typed; });
      if (!driver::PressButton(window, IDOK)) return;
      if (c.told)
        told = static_cast<bool>(driver::AnswerMessageBox(
            ::GetCurrentProcessId(), win::AsWide(App().LoadResString(kBookmarkFileUnreadableText, true)),
            IDOK));
    }));
    EXPECT_FALSE(okWhileEmpty);
    EXPECT_EQ(told, c.told);
    EXPECT_EQ(texts, c.texts);
  }
}

TEST_F(BookmarkImportTest, CancelImportsNothing) {
  Texts texts = {u"old"};
  EXPECT_FALSE(Import(texts, [](HWND window) { driver::PressButton(window, IDCANCEL); }));
  EXPECT_TRUE(texts.empty());
}

TEST_F(BookmarkImportTest, TheSearchTakesAFolderWithoutItsBackslashAndStaysWithinItsBounds) {
  WriteText(m_folder / L"Netscape" / L"bookmark.htm", "");
  EXPECT_EQ(SearchBookmarkFiles(win::FromWide((m_folder / L"Netscape").wstring())).size(), 1u);
  for (int i = 0; i < 12; ++i) fs::create_directories(m_folder / L"Many" / std::to_wstring(i));
  size_t searched = 0;
  SearchBookmarkFiles(win::FromWide((m_folder / L"Many").wstring()), {4, 5}, &searched);
  EXPECT_EQ(searched, 5u);
  // A drive's root is not walked whole.
  SearchBookmarkFiles(u"C:\\", {}, &searched);
  EXPECT_LE(searched, BookmarkSearchLimits{}.folders);
}

// --- through the web bookmark list into the settings

// Both imports from the web bookmark list: the rows that reach the settings are the new bookmarks
// the list can take (a name it has already, a URL the settings refuse and bookmarks without a name
// stay out).
TEST_F(BookmarkImportTest, ImportsThroughTheWebBookmarkListReachTheSettings) {
  WriteFavorites();
  WriteNetscape();
  App().Document().Reset();
  ASSERT_TRUE(App().Document().LoadText(
      u"<?xml version=\"1.0\"?><Settings><PersonalData><WWWBookmarks><WWWBookmark><Name>Alpha</Name>"
      u"<URL>http://old.example/</URL></WWWBookmark></WWWBookmarks></PersonalData></Settings>"));
  CSettingsNode& bookmarks = *App().Document().GetRoot()->FindChildOfType(92)->FindChildOfType(98);
  CSettingsListDlg dialog(App().ResourceHandle(), bookmarks, BookmarkMode::Web);
  const DWORD process = ::GetCurrentProcessId();
  int afterFavorites = 0;
  bool chosen = false, pressed = false;
  const INT_PTR result = uitest::RunDriven<INT_PTR>(
      [&] { return dialog.DoModal(); }, kImportButton,
      [&](HWND window) {
        HWND list = driver::FindControl(window, kListControl);
        auto import = [&](int source) {
          if (!driver::PressButton(window, kImportButton)) return false;
          HWND from = driver::WaitDialogWithControl(process, kSourceFavoritesButton);
          if (!from) return false;
          bool ok = false;
          Choose(source, &ok)(from);
          return ok;
        };
        if (!import(kSourceFavoritesButton)) return;
        driver::WaitUntil(driver::Wait::Text, [&] { return ListView_GetItemCount(list) == 3; });
        afterFavorites = ListView_GetItemCount(list);
        if (!import(kSourceNetscapeButton)) return;
        chosen = ChooseFoundFile(nullptr, nullptr);
        driver::WaitUntil(driver::Wait::Text, [&] { return ListView_GetItemCount(list) == 4; });
        EXPECT_TRUE(driver::CaptureWindow(window, L"morvane_bookmark_list_imported"));
        pressed = static_cast<bool>(driver::PressButton(window, IDOK));
      });
  EXPECT_EQ(afterFavorites, 3);
  EXPECT_TRUE(chosen);
  EXPECT_TRUE(pressed);
  EXPECT_EQ(result, IDOK);
  std::vector<CSettingsRow> rows;
  ASSERT_TRUE(NodeToRows(bookmarks, rows));
  Texts reached;
  for (const CSettingsRow& row : rows) reached.push_back(row.m_name + u" " + row.m_url);
  EXPECT_EQ(Sorted(reached), (Texts{u"Alpha http://old.example/", u"Beta http://beta.example/news/",
                                    u"Found http://found.example/", u"Gamma http://gamma.example/"}))
      << Joined(reached);
}

}  // namespace
