#include "ui/view/morvane_view.h"

#include "support/win/handle.h"
#include "support/win/message_window.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/main/main_view.h"
#include "ui/send/arg_array.h"
#include "ui/view/commands.h"
#include "ui/view/event_wnd.h"

namespace orvel::ui {

namespace {

CMorvaneView* g_current = nullptr;

constexpr wchar_t kNoLanguageText[] = L"Cannot load language DLL.\r\nYou need to reinstall the application.";
constexpr wchar_t kNoLanguageCaption[] = L"Orvel Corvanset";
constexpr long kToolbarImageCount = 5;
constexpr long kToolbarButtonStyle = 4;
// The help contexts that have a topic of their own; any other opens the help contents.
constexpr DWORD kHelpTopics[] = {279, 140, 388, 323, 550, 460, 506};

win::UniqueBstr TitleBstr() { return win::UniqueBstr(App().GetProductTitle()); }

}  // namespace

CMorvaneView* CMorvaneView::Current() { return g_current; }

CMorvaneView::~CMorvaneView() {
  if (m_main) {
    CMainViewDlg* main = m_main;
    MainViewDestroyed();
    CMainViewDlg::Release(main);
  }
  if (g_current == this) g_current = nullptr;
}

void CMorvaneView::MainViewDestroyed() {
  if (m_main && App().MainWindow() == m_main->Handle()) App().SetMainWindow(nullptr);
  m_main = nullptr;
}

HINSTANCE CMorvaneView::Resources() const { return App().ResourceHandle(); }

HRESULT CMorvaneView::Initialize(long value, long, short* first, short* second, short* third) {
  return win::Guarded([&]() -> HRESULT {
    if (!first || !second || !third) return E_POINTER;
    CMorvaneApp& app = App();
    app.InitInstance();
    if (!app.LanguageLoaded()) {
      HWND owner = ::GetActiveWindow();
      if (owner) owner = ::GetAncestor(owner, GA_ROOTOWNER);
      ::MessageBoxW(owner, kNoLanguageText, kNoLanguageCaption, MB_ICONERROR);
      *first = 2;
      *second = 0;
      *third = 0;
      return S_FALSE;
    }
    m_firstArgument = value;
    *first = *second = *third = 1;
    m_initialized = true;
    g_current = this;
    CEventWnd::RunStartup();
    return S_OK;
  });
}

HRESULT CMorvaneView::GetIconId(short kind, long* iconId, long) {
  if (!iconId) return E_POINTER;
  *iconId = IconId(kind);
  return S_OK;
}

HRESULT CMorvaneView::PrepareMenu(HMENU menu) {
  return win::Guarded([&]() -> HRESULT {
    if (!menu) return S_OK;
    wchar_t text[256] = {};
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_TYPE;
    item.dwTypeData = text;
    item.cch = static_cast<UINT>(std::size(text) - 1);
    if (::GetMenuItemInfoW(menu, kSendMenuCommand, FALSE, &item) && item.fType == MFT_STRING) {
      std::wstring withKey = win::AsWide(SendMenuText(win::FromWide(text)));
      if (withKey != text) {
        item.fMask = MIIM_TYPE;
        item.fType = MFT_STRING;
        item.dwTypeData = withKey.data();
        ::SetMenuItemInfoW(menu, kSendMenuCommand, FALSE, &item);
      }
      bool hasSettings = m_main && m_main->State().hasSettings;
      ::EnableMenuItem(menu, kSendMenuCommand, MF_BYCOMMAND | (hasSettings ? MF_ENABLED : MF_GRAYED));
    }
    return S_OK;
  });
}

HRESULT CMorvaneView::SetHost(IUnknown* host) {
  return win::Guarded([&]() -> HRESULT {
    m_host.Reset();
    // The host keeps its own reference to what it passes: only the one this view queries is ours.
    if (host) host->QueryInterface(IID_IFenwarpHost, reinterpret_cast<void**>(m_host.GetAddressOf()));
    return S_OK;
  });
}

HRESULT CMorvaneView::CreateViewWindow(HWND parent, long x, long y, long width, long height) {
  return win::Guarded([&]() -> HRESULT {
    if (m_main) return S_OK;
    App().Document().Reset();
    auto* main = new CMainViewDlg(this);
    if (!main->Create(parent)) {
      delete main;
      return E_FAIL;
    }
    m_main = main;
    App().SetMainWindow(main->Handle());
    ::SetWindowPos(main->Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::PostMessageW(main->Handle(), CMainViewDlg::kInitialUpdate, 0, 0);
    return S_OK;
  });
}

HRESULT CMorvaneView::QueryCommandStatus(long command, short* state) {
  if (!state) return E_POINTER;
  *state = CommandState(command, m_main ? m_main->State() : ViewState{});
  return S_OK;
}

HRESULT CMorvaneView::ExecuteCommand(long command) {
  return win::Guarded([&]() -> HRESULT {
    // The host may let go of this object inside a modal loop of the command.
    win::ComPtr<CMorvaneView> keep(this);
    if (!m_main) return S_OK;
    Operation operation = CommandToRun(command, m_main->State().previewActive);
    if (operation != Operation::None) m_main->Run(operation);
    return S_OK;
  });
}

HRESULT CMorvaneView::GetCommandImageId(long command, short imageKind, long* imageId) {
  if (!imageId) return E_POINTER;
  if (std::optional<int32_t> image = CommandImageId(command, imageKind)) *imageId = *image;
  return S_OK;
}

HRESULT CMorvaneView::MoveViewWindow(short flag, long x, long y, long width, long height) {
  if (flag == 0 && m_main)
    ::SetWindowPos(m_main->Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  return S_OK;
}

HRESULT CMorvaneView::OnFocusEvent(short event, short* result) {
  if (!result) return E_POINTER;
  FocusAnswer answer = FocusEventAnswer(event);
  if (answer.action == FocusAction::Remember) {
    HWND focus = ::GetFocus();
    m_focused = m_main && focus && ::IsChild(m_main->Handle(), focus) ? focus : nullptr;
  } else if (answer.action == FocusAction::Restore && m_focused && ::IsWindow(m_focused)) {
    ::SetFocus(m_focused);
  }
  *result = answer.result;
  return S_OK;
}

void CMorvaneView::BuildToolbar() {
  if (!m_host) return;
  short toolbar = 0;
  m_host->BeginToolbar(&toolbar);
  m_toolbar = toolbar;
  m_host->AddToolbarBitmap(toolbar, kToolbarImageCount, kToolbarBitmap);
  long index = 0;
  for (int32_t command : kToolbarCommands)
    m_host->AddToolbarButton(toolbar, index++, command, kToolbarButtonStyle, 0);
  m_host->EndToolbar(toolbar);
  m_host->ActivateToolbar(toolbar, TitleBstr().get());
}

HRESULT CMorvaneView::Activate() {
  return win::Guarded([&]() -> HRESULT {
    win::ComPtr<CMorvaneView> keep(this);
    if (m_main) ::ShowWindow(m_main->Handle(), SW_SHOW);
    BuildToolbar();
    if (!m_setUpDone && m_main) {
      m_setUpDone = true;
      m_main->InitialSetUp();
    }
    return S_OK;
  });
}

HRESULT CMorvaneView::Deactivate() {
  return win::Guarded([&]() -> HRESULT {
    if (m_main) ::ShowWindow(m_main->Handle(), SW_HIDE);
    if (m_host) m_host->DeactivateToolbar(m_toolbar, TitleBstr().get());
    // A modal dialog of the view still runs: the host brings this view back.
    if (m_main && m_main->IsModalRunning() && m_host) {
      win::UniqueBstr progId(win::FromWide(kViewProgId));
      m_host->ShowView(progId.get());
    }
    return S_OK;
  });
}

HRESULT CMorvaneView::ShowHelp() {
  return win::Guarded([&]() -> HRESULT {
    DWORD context = m_main ? m_main->GetHelpContext() : 0;
    bool topic = std::find(std::begin(kHelpTopics), std::end(kHelpTopics), context) != std::end(kHelpTopics);
    App().ShowHelp(m_main ? m_main->Handle() : nullptr, topic ? context : 0);
    if (m_host) m_host->ActivateToolbar(m_toolbar, TitleBstr().get());
    return S_OK;
  });
}

HRESULT CMorvaneView::ShowAbout() {
  return win::Guarded([&]() -> HRESULT {
    win::ComPtr<CMorvaneView> keep(this);
    if (m_main) m_main->OnAbout();
    return S_OK;
  });
}

HRESULT CMorvaneView::GetModulePath(long, short* first, short* second, BSTR* path) {
  return win::Guarded([&]() -> HRESULT {
    if (!first || !second || !path) return E_POINTER;
    std::wstring file;
    if (HINSTANCE language = App().LanguageLibrary()) {
      wchar_t name[MAX_PATH + 1] = {};
      DWORD length = ::GetModuleFileNameW(language, name, MAX_PATH);
      if (length > 0 && length < MAX_PATH) file.assign(name, length);
    }
    *path = win::NewBstr(win::FromWide(file));
    *first = *second = 1;
    return S_OK;
  });
}

HRESULT CMorvaneView::GetTitleStringId(long* id) {
  if (!id) return E_POINTER;
  *id = kProductTitleText;
  return S_OK;
}

HRESULT CMorvaneView::GetBitmapId(long* id) {
  if (!id) return E_POINTER;
  *id = kViewBitmap;
  return S_OK;
}

HRESULT CMorvaneView::QueryClose(short reason, short* answer) {
  if (!answer) return E_POINTER;
  if (reason == 1) {
    if (m_main) m_main->m_firstClose = true;
    *answer = 1;
  } else if ((reason == 2 || reason == 3) && m_main) {
    m_main->m_secondClose = true;
  }
  return S_OK;
}

HRESULT CMorvaneView::OnClose() {
  return win::Guarded([&]() -> HRESULT {
    win::ComPtr<CMorvaneView> keep(this);
    if (m_main) m_main->OnClose();
    m_host.Reset();  // the host's object is not used after the close
    return S_OK;
  });
}

void CMorvaneView::Post(UINT message, WPARAM wParam) { ::PostMessageW(m_eventWindow, message, wParam, 0); }

HRESULT CMorvaneView::OnStateChanged(long state) {
  ::OutputDebugStringW(L"CCallbackImpl::OnStateChanged()\n");
  if (m_eventWindow) Post(WM_ENGINE_STATE, static_cast<WPARAM>(static_cast<ULONG>(state)));
  return S_OK;
}

HRESULT CMorvaneView::OnError(long error, long response, BSTR tag, BSTR value) {
  return win::Guarded([&]() -> HRESULT {
    wchar_t trace[64];
    wsprintfW(trace, L"CCallbackImpl::OnError(HRESULT = 0x%08x)\n", static_cast<unsigned>(error));
    ::OutputDebugStringW(trace);
    if (!m_eventWindow) return S_OK;
    CArgArray args;
    args.AddDword(static_cast<uint32_t>(error));
    args.AddLong(response);
    args.AddString(win::FromBstr(tag));
    args.AddString(win::FromBstr(value));
    win::CMessageWindow::PostData(m_eventWindow, WM_ENGINE_ERROR, std::move(args));
    return S_OK;
  });
}

HRESULT CMorvaneView::OnProgress(long stage, BSTR tag, long percent) {
  return win::Guarded([&]() -> HRESULT {
    if (!m_eventWindow) return S_OK;
    CArgArray args;
    args.AddLong(stage);
    args.AddString(win::FromBstr(tag));
    args.AddLong(percent);
    win::CMessageWindow::PostData(m_eventWindow, WM_ENGINE_PROGRESS, std::move(args));
    return S_OK;
  });
}

HRESULT CMorvaneView::OnDone(long error) {
  if (m_eventWindow) Post(WM_ENGINE_DONE, static_cast<WPARAM>(static_cast<ULONG>(error)));
  return S_OK;
}

}  // namespace orvel::ui
