#include "ui/app/morvane_app.h"

#include "settings/settings_schema.h"
#include "support/path_text.h"
#include "support/win/com.h"
#include "support/win/dialog.h"
#include "support/win/handle.h"
#include "support/win/module_path.h"
#include "support/win/wide.h"
#include "ui/app/app_text.h"
#include "ui/app/resource_ids.h"
#include "ui/view/morvane_view.h"

namespace orvel::ui {

namespace {

constexpr wchar_t kLanguageLibrary[] = L"Quillet.dll";
// Every string loaded from the language library passes through one buffer of this many units.
constexpr int kTextBufferUnits = 2048;
wchar_t g_textBuffer[kTextBufferUnits];

}  // namespace

CMorvaneApp& App() {
  static CMorvaneApp app;
  return app;
}

CMorvaneApp::CMorvaneApp() : m_document(std::make_unique<CSettingsDocument>()) {}

CMorvaneApp::~CMorvaneApp() { SetSettingsHost(nullptr); }

void CMorvaneApp::InitInstance() {
  if (m_initialized) return;
  m_initialized = true;
  m_languageLoaded = LoadLanguageLibrary();
  m_title = GetProductTitle();
  // The settings code's display texts come from the language library here.
  SetSettingsHost(this);
}

void CMorvaneApp::ExitInstance() {
  if (!m_initialized) return;
  SetSettingsHost(nullptr);
  if (m_language) ::FreeLibrary(m_language);
  m_language = nullptr;
  m_languageLoaded = false;
  m_initialized = false;
}

bool CMorvaneApp::LoadLanguageLibrary() {
  std::u16string path;
  if (!CombinePath(path, GetModuleFolder(), win::FromWide(kLanguageLibrary))) return false;
  m_language = ::LoadLibraryW(win::AsWide(path).c_str());
  return m_language != nullptr;
}

HINSTANCE CMorvaneApp::ResourceHandle() const { return m_language ? m_language : win::CModule::Instance(); }

std::u16string CMorvaneApp::LoadResString(uint32_t id, bool localized) {
  if (!localized) return FindElementName(id);
  if (!m_language) return {};
  std::fill(std::begin(g_textBuffer), std::end(g_textBuffer), L'\0');
  int length = ::LoadStringW(m_language, id, g_textBuffer, kTextBufferUnits);
  if (length <= 0) {
    ::MessageBoxW(::GetActiveWindow(), L"Internal error.", win::AsWide(m_title).c_str(),
                  MB_OK | MB_ICONERROR);
    return u"<error>";
  }
  return win::FromWide(std::wstring_view(g_textBuffer, static_cast<size_t>(length)));
}

std::u16string CMorvaneApp::LoadResStringByTag(std::u16string_view tag) {
  uint32_t id = FindNameId(tag);
  return id ? LoadResString(id, true) : std::u16string();
}

std::u16string CMorvaneApp::GetProductTitle() {
  return ProductTitleFromText(LoadResString(kProductTitleText, true));
}

void CMorvaneApp::ShowOwnView() {
  CMorvaneView* view = CMorvaneView::Current();
  IFenwarpHost* host = view ? view->Host() : nullptr;
  if (!host) return;
  win::UniqueBstr progId(win::FromWide(kViewProgId));
  short shown = 0;
  host->IsViewShown(progId.get(), &shown);
  if (shown == 0) host->ShowView(progId.get());
}

std::u16string GetModulePath(HMODULE module) {
  std::u16string path;
  win::GetModulePath(path, module ? module : win::CModule::Instance());
  return path;
}

std::u16string GetModuleFolder() { return GetFolderOfPath(GetModulePath()); }

bool FileExists(std::u16string_view path) {
  return ::GetFileAttributesW(win::AsWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CMorvaneApp::ShowHelp(HWND owner, uint32_t context) {
  std::u16string folder, name;
  SplitPath(GetModulePath(), &folder, &name, nullptr);
  std::u16string helpFile = folder + name.substr(0, name.rfind(u'.')) + u".hlp";
  ::WinHelpW(owner, win::AsWide(helpFile).c_str(), context ? HELP_CONTEXT : HELP_FINDER, context);
}

int CMorvaneApp::ShowMessage(HWND owner, std::u16string_view text, UINT type) {
  return win::MessageBoxModal(owner, text, m_title, type);
}

}  // namespace orvel::ui
