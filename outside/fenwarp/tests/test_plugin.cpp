// A view plug-in for the host's tests: two classes, "FenwarpTest.PlugIn" and
// "FenwarpTest.SecondPlugIn", whose behaviour the test picks through the environment of the host
// process (FENWARP_TEST_PLUGIN for the first class, FENWARP_TEST_PLUGIN2 for the second), a
// comma-separated list of:
//   fail-init            Initialize answers S_FALSE with the flags 2, 0, 0
//   flag2-init           Initialize answers S_OK with the flags 2, 0, 0
//   showview-init        Initialize asks IsViewShown and ShowView for its own versioned ProgID
//   showview-deactivate  the first Deactivate asks ShowView for its own versioned ProgID
//   over-release         SetHost keeps the host without a reference of its own (it releases the
//                        pointer it was given after QueryInterface, and never releases the host)
// ShowAbout shows a message box with string 3, its title in place of "%s".
// Every call it receives is appended to the file named by FENWARP_TEST_PLUGIN_LOG as a line
// "test[ProgID] ...". Commands: 10279 and 29050 ("new") make content, which enables 10276 and
// 29053 ("send"); 31014 and 31015 are always disabled; everything else is enabled.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>

#include "fenwarp.h"
#include "outside/fenwarp/line_log.h"
#include "outside/fenwarp/tests/test_plugin_ids.h"
#include "support/win/com.h"
#include "support/win/inproc_server.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "support/win/window.h"

using namespace orvel;
using namespace orvel::fenwarp;

namespace {

// {3D1B6E20-5A0C-4C61-9E55-0F3A7B2C9101} and {3D1B6E21-...}
const CLSID kFirstClsid = {0x3d1b6e20, 0x5a0c, 0x4c61, {0x9e, 0x55, 0x0f, 0x3a, 0x7b, 0x2c, 0x91, 0x01}};
const CLSID kSecondClsid = {0x3d1b6e21, 0x5a0c, 0x4c61, {0x9e, 0x55, 0x0f, 0x3a, 0x7b, 0x2c, 0x91, 0x01}};

struct CClassInfo {
  const CLSID* clsid;
  const wchar_t* progId;
  const wchar_t* versionedProgId;
  const wchar_t* behaviourVariable;
  LONG titleId;
  const char16_t* title;  // the text of titleId, for the toolbar calls
  LONG bitmapId;
};
const CClassInfo kClassInfo[] = {
    {&kFirstClsid, L"FenwarpTest.PlugIn", L"FenwarpTest.PlugIn.1", L"FENWARP_TEST_PLUGIN",
     TEST_PLUGIN_FIRST_TITLE, u"Test View", TEST_PLUGIN_FIRST_VIEW_BITMAP},
    {&kSecondClsid, L"FenwarpTest.SecondPlugIn", L"FenwarpTest.SecondPlugIn.1", L"FENWARP_TEST_PLUGIN2",
     TEST_PLUGIN_SECOND_TITLE, u"Second Test View", TEST_PLUGIN_SECOND_VIEW_BITMAP},
};

constexpr wchar_t kPlugInsKey[] = L"Software\\Orvel\\Fenwarp6\\Framework\\PlugIns\\";

std::wstring Environment(const wchar_t* name) {
  wchar_t value[512] = {};
  DWORD n = ::GetEnvironmentVariableW(name, value, 512);
  return n > 0 && n < 512 ? std::wstring(value, n) : std::wstring();
}

bool HasFlag(const std::wstring& flags, const wchar_t* flag) {
  std::wstring list = L"," + flags + L",";
  return list.find(L"," + std::wstring(flag) + L",") != std::wstring::npos;
}

// The view: a tree and an edit side by side.
class CTestView : public win::CWindow {
 public:
  HWND Tree() const { return m_tree; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_CREATE:
        CreateControls();
        return 0;
      case WM_SIZE: {
        int width = LOWORD(lParam), height = HIWORD(lParam);
        ::MoveWindow(m_tree, 0, 0, width / 2, height, TRUE);
        ::MoveWindow(m_edit, width / 2, 0, width - width / 2, height, TRUE);
        return 0;
      }
      case WM_SETFOCUS:
        ::SetFocus(m_tree);
        return 0;
      default:
        return DefaultProc(message, wParam, lParam);
    }
  }

 private:
  void CreateControls() {
    HINSTANCE instance = win::CModule::Instance();
    m_tree = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS |
                                   TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                               0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(INT_PTR{TEST_PLUGIN_TREE}),
                               instance, nullptr);
    m_edit = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0, 0, 0, Handle(),
        reinterpret_cast<HMENU>(INT_PTR{TEST_PLUGIN_EDIT}), instance, nullptr);
    ::SendMessageW(m_edit, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    HTREEITEM root = AddItem(TVI_ROOT, L"Settings");
    for (const wchar_t* text : {L"Access points", L"E-mail", L"Messages"}) AddItem(root, text);
    TreeView_Expand(m_tree, root, TVE_EXPAND);
    TreeView_SelectItem(m_tree, root);
  }
  HTREEITEM AddItem(HTREEITEM parent, const wchar_t* text) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(text);
    return TreeView_InsertItem(m_tree, &insert);
  }

  HWND m_tree = nullptr;
  HWND m_edit = nullptr;
};

class CTestPlugIn : public win::CComObject<IFenwarpPlugIn> {
 public:
  explicit CTestPlugIn(const CClassInfo& info)
      : m_info(info),
        m_flags(Environment(info.behaviourVariable)),
        m_log(Environment(L"FENWARP_TEST_PLUGIN_LOG")) {
    Log(L"created" + (m_flags.empty() ? std::wstring() : L" with " + m_flags));
  }
  ~CTestPlugIn() override {
    m_view.Destroy();
    if (m_host && !HasFlag(m_flags, L"over-release")) m_host->Release();
    Log(L"destroyed");
  }

  ORVEL_DISPATCH_BY_VTABLE_ONLY

  HRESULT STDMETHODCALLTYPE Initialize(LONG value, LONG, short* first, short* second, short* third) override {
    auto request = win::ReadRegString(HKEY_CURRENT_USER, win::kCorvansetKey, L"RequestFile");
    Log(L"Initialize " + std::to_wstring(value) + L": RequestFile " + (request ? Quoted(*request) : L"none"));
    if (HasFlag(m_flags, L"fail-init") || HasFlag(m_flags, L"flag2-init")) {
      *first = 2;
      *second = *third = 0;
      return HasFlag(m_flags, L"fail-init") ? S_FALSE : S_OK;
    }
    *first = *second = *third = 1;
    if (HasFlag(m_flags, L"showview-init") && m_host) {
      win::UniqueBstr progId(win::FromWide(m_info.versionedProgId));
      short shown = 0;
      HRESULT hr = m_host->IsViewShown(progId.get(), &shown);
      Log(L"Initialize: IsViewShown -> " + HexCode(hr) + L" shown " + std::to_wstring(shown));
      if (SUCCEEDED(hr) && shown == 0)
        Log(L"Initialize: ShowView -> " + HexCode(m_host->ShowView(progId.get())));
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reserved2(LONG, LONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetIconId(short, LONG* iconId, LONG) override {
    *iconId = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PrepareMenu(HMENU menu) override {
    Log(L"PrepareMenu items " + std::to_wstring(::GetMenuItemCount(menu)));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHost(IUnknown* host) override {
    if (!host) return E_POINTER;
    HRESULT hr = host->QueryInterface(IID_IFenwarpHost, reinterpret_cast<void**>(&m_host));
    // The fault under test: the caller's reference is spent as well.
    if (SUCCEEDED(hr) && HasFlag(m_flags, L"over-release")) host->Release();
    Log(L"SetHost -> " + HexCode(hr));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CreateViewWindow(HWND parent, LONG x, LONG y, LONG width, LONG height) override {
    RECT rect = {x, y, x + width, y + height};
    bool made = m_view.Create(L"FenwarpTestView", 0, 0, WS_CHILD | WS_CLIPCHILDREN, L"", rect, parent);
    Log(L"CreateViewWindow " + std::wstring(made ? L"made" : L"failed"));
    return made ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE QueryCommandStatus(LONG commandId, short* state) override {
    *state = CommandEnabled(commandId) ? 2 : 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ExecuteCommand(LONG commandId) override {
    Log(L"ExecuteCommand " + std::to_wstring(commandId));
    if (commandId == 10279 || commandId == 29050) m_content = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCommandImageId(LONG, short, LONG*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE MoveViewWindow(short flag, LONG x, LONG y, LONG width, LONG height) override {
    if (flag == 0 && m_view.Handle())
      ::SetWindowPos(m_view.Handle(), nullptr, x, y, width, height, SWP_NOZORDER);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnFocusEvent(short event, short* result) override {
    *result = event >= 2 && event <= 5 ? 0 : 1;
    HWND focus = ::GetFocus();
    if (event == 4) m_focus = focus && ::IsChild(m_view.Handle(), focus) ? focus : nullptr;
    if (event == 5 && m_focus && ::IsWindow(m_focus)) ::SetFocus(m_focus);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Activate() override {
    Log(L"Activate");
    ::ShowWindow(m_view.Handle(), SW_SHOW);
    if (!m_host) return S_OK;
    m_host->BeginToolbar(&m_toolbarId);
    m_host->AddToolbarBitmap(m_toolbarId, 5, TEST_PLUGIN_TOOLBAR_BITMAP);
    const LONG commands[] = {29050, 29052, 29051, 29053, 29054};
    for (LONG i = 0; i < 5; ++i) m_host->AddToolbarButton(m_toolbarId, i, commands[i], 4, 0);
    m_host->EndToolbar(m_toolbarId);
    win::UniqueBstr title(m_info.title);
    m_host->ActivateToolbar(m_toolbarId, title.get());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Deactivate() override {
    Log(L"Deactivate");
    ::ShowWindow(m_view.Handle(), SW_HIDE);
    if (!m_host) return S_OK;
    win::UniqueBstr title(m_info.title);
    m_host->DeactivateToolbar(m_toolbarId, title.get());
    if (HasFlag(m_flags, L"showview-deactivate") && !m_deactivatedOnce) {
      m_deactivatedOnce = true;
      win::UniqueBstr progId(win::FromWide(m_info.versionedProgId));
      Log(L"Deactivate: ShowView -> " + HexCode(m_host->ShowView(progId.get())));
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ShowHelp() override {
    Log(L"ShowHelp");
    return S_OK;
  }
  // A modal box: the host may be asked to close while it is open.
  HRESULT STDMETHODCALLTYPE ShowAbout() override {
    Log(L"ShowAbout");
    std::wstring text = LoadText(TEST_PLUGIN_ABOUT_TEXT);
    if (size_t at = text.find(L"%s"); at != std::wstring::npos)
      text.replace(at, 2, win::AsWide(m_info.title));
    ::MessageBoxW(::GetAncestor(m_view.Handle(), GA_ROOT), text.c_str(), win::AsWide(m_info.title).c_str(),
                  MB_OK);
    Log(L"ShowAbout done");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetModulePath(LONG, short* first, short* second, BSTR* path) override {
    *first = *second = 1;
    *path = win::NewBstr(win::FromWide(win::CModule::Path()));
    return *path ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE GetTitleStringId(LONG* id) override {
    *id = m_info.titleId;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBitmapId(LONG* id) override {
    *id = m_info.bitmapId;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryClose(short reason, short* answer) override {
    if (reason == 1) *answer = 1;
    Log(L"QueryClose " + std::to_wstring(reason));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnClose() override {
    Log(L"OnClose");
    if (m_host && !HasFlag(m_flags, L"over-release")) m_host->Release();
    m_host = nullptr;
    return S_OK;
  }

 private:
  bool CommandEnabled(LONG command) const {
    if (command == 31014 || command == 31015) return false;
    if (command == 10276 || command == 29053) return m_content;
    return true;
  }
  static std::wstring LoadText(UINT id) {
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(win::CModule::Instance(), id, reinterpret_cast<wchar_t*>(&text), 0);
    return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
  }
  void Log(const std::wstring& text) const {
    m_log.Write(L"test[" + std::wstring(m_info.progId) + L"] " + text);
  }

  const CClassInfo& m_info;
  std::wstring m_flags;
  CLineLog m_log;
  IFenwarpHost* m_host = nullptr;  // counted unless over-release
  CTestView m_view;
  HWND m_focus = nullptr;
  short m_toolbarId = 0;
  bool m_content = false;
  bool m_deactivatedOnce = false;
};

template <size_t Index>
HRESULT CreatePlugIn(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return win::Guarded([&]() -> HRESULT {
    win::ComPtr<CTestPlugIn> plugin = win::MakeCom<CTestPlugIn>(kClassInfo[Index]);
    return plugin ? plugin->QueryInterface(iid, out) : E_OUTOFMEMORY;
  });
}

const win::ClassEntry kClasses[] = {{&kFirstClsid, &CreatePlugIn<0>}, {&kSecondClsid, &CreatePlugIn<1>}};

win::InprocServerInfo ServerInfo(const CClassInfo& info) {
  return {info.clsid, L"Fenwarp Test Plug-in", info.progId, info.versionedProgId, L"Apartment", nullptr};
}

const win::InprocServerInfo kRows[] = {ServerInfo(kClassInfo[0]), ServerInfo(kClassInfo[1])};

// Unlike a product's plug-in, the test plug-in leaves nothing behind: its plug-in keys go too.
HRESULT RegisterPlugInKeys(bool registering) {
  HRESULT result = S_OK;
  for (const CClassInfo& info : kClassInfo) {
    const std::wstring key = kPlugInsKey + std::wstring(info.progId);
    if (registering) {
      win::UniqueRegKey created;
      LSTATUS status =
          ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, created.out(), nullptr);
      if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    } else {
      LSTATUS status = win::DeleteRegTree(HKEY_LOCAL_MACHINE, key);
      if (status != ERROR_SUCCESS && SUCCEEDED(result)) result = HRESULT_FROM_WIN32(status);
    }
  }
  return result;
}

const win::InprocServer kServer = {.classes = kClasses, .rows = kRows, .registerMore = &RegisterPlugInKeys};

}  // namespace

ORVEL_INPROC_SERVER(kServer)
