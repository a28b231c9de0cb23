// The plug-in's one application object: the settings document that the whole plug-in edits and
// sends, the language library that every dialog, string and bitmap comes from, and the contacts and
// calendar store.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pim/pim_store.h"
#include "settings/settings_document.h"
#include "settings/settings_host.h"

namespace orvel::ui {

class CMorvaneApp : public ISettingsHost {
 public:
  CMorvaneApp();
  ~CMorvaneApp() override;
  CMorvaneApp(const CMorvaneApp&) = delete;
  CMorvaneApp& operator=(const CMorvaneApp&) = delete;

  // Loads the language library and takes the title from it. Runs at the first use of the module,
  // outside the loader lock, and again after ExitInstance; a missing library does not stop it.
  void InitInstance();
  void ExitInstance();
  bool Initialized() const { return m_initialized; }

  bool LoadLanguageLibrary();
  bool LanguageLoaded() const { return m_languageLoaded; }
  HINSTANCE LanguageLibrary() const { return m_language; }
  // Where dialog templates, strings and bitmaps come from: the language library, or the module
  // itself when it is missing.
  HINSTANCE ResourceHandle() const;

  // With `localized` false the element name of the id; with true the language library's string
  // ("<error>" and an "Internal error." box when it lacks the id, empty without the library).
  std::u16string LoadResString(uint32_t id, bool localized) override;
  // The display name of an element name; empty when the tag is not in the name table.
  std::u16string LoadResStringByTag(std::u16string_view tag);
  // The product title text with its first line feed as a blank.
  std::u16string GetProductTitle();
  const std::u16string& Title() const { return m_title; }

  // A message box on the modal stack with the product title as caption; the system's answer.
  int ShowMessage(HWND owner, std::u16string_view text, UINT type = MB_OK);
  // The same with the language library's string of the id.
  int ShowMessage(HWND owner, uint32_t stringId, UINT type = MB_OK) {
    return ShowMessage(owner, LoadResString(stringId, true), type);
  }

  // Opens the plug-in's help file (beside it, with the extension ".hlp") at a topic, or its index
  // for context 0.
  void ShowHelp(HWND owner, uint32_t context);

  // Asks the host to show this plug-in's view when it is not shown.
  void ShowOwnView();

  // The module's main window: the main view while it exists (null before and after); the print
  // preview's frame while it shows.
  HWND MainWindow() const { return m_mainWindow; }
  void SetMainWindow(HWND window) { m_mainWindow = window; }

  CSettingsDocument& Document() { return *m_document; }
  CPimStore& Store() { return m_store; }

 private:
  std::unique_ptr<CSettingsDocument> m_document;
  bool m_languageLoaded = false;
  HINSTANCE m_language = nullptr;
  CPimStore m_store;
  std::u16string m_title;
  bool m_initialized = false;
  HWND m_mainWindow = nullptr;
};

// The module's application object.
CMorvaneApp& App();

// The module's full file name in its long form; empty when it cannot be had. Null is this plug-in.
std::u16string GetModulePath(HMODULE module = nullptr);
std::u16string GetModuleFolder();
bool FileExists(std::u16string_view path);

// The plug-in's view class and its ProgID as the host knows it.
inline constexpr wchar_t kViewProgId[] = L"Orvel.MorvaneView.1";

}  // namespace orvel::ui
