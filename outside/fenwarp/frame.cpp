#include "outside/fenwarp/frame.h"

#include <algorithm>

#include "support/win/handle.h"
#include "support/win/wide.h"

namespace orvel::fenwarp {

namespace {

constexpr int kViewBarWidth = 112;
constexpr int kViewImageSize = 32;
constexpr wchar_t kFrameTitle[] = L"Fenwarp";

// The menus; id 0 is a separator. Every id that is not the frame's own goes to the active plug-in.
struct CMenuEntry {
  UINT id;
  const wchar_t* text;
};
const CMenuEntry kFileMenu[] = {
    {10279, L"&New"}, {31009, L"&Open..."},     {31021, L"&Save"},          {31022, L"Save &As..."},
    {0, nullptr},     {31000, L"&Print..."},    {31001, L"Print Pre&view"}, {31002, L"P&rint Setup..."},
    {0, nullptr},     {kCommandExit, L"E&xit"},
};
const CMenuEntry kEditMenu[] = {
    {31017, L"&Undo"},         {0, nullptr},       {31014, L"Cu&t"},
    {31015, L"&Copy"},         {31016, L"&Paste"}, {31003, L"&Delete"},
    {10280, L"Delete &Entry"}, {0, nullptr},       {31020, L"Select &All"},
};
// The plug-in may give "Send" its key name in PrepareMenu.
const CMenuEntry kToolsMenu[] = {
    {10276, L"&Send"},
    {10278, L"Show &Log"},
    {0, nullptr},
    {10281, L"Transfer Mode &1"},
    {10282, L"Transfer Mode &2"},
    {10283, L"Transfer Mode &3"},
};
const CMenuEntry kHelpMenu[] = {
    {kCommandHelp, L"&Help Topics"},
    {0, nullptr},
    {kCommandAbout, L"&About..."},
};

template <size_t N>
void AppendPopup(HMENU bar, const wchar_t* title, const CMenuEntry (&entries)[N]) {
  HMENU popup = ::CreatePopupMenu();
  for (const CMenuEntry& entry : entries) {
    if (entry.id == 0) {
      ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuW(popup, MF_STRING, entry.id, entry.text);
    }
  }
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), title);
}

bool IsFrameCommand(UINT id) { return id == kCommandAbout || id == kCommandExit || id == kCommandHelp; }

std::wstring RectText(const RECT& r) {
  return std::to_wstring(r.left) + L", " + std::to_wstring(r.top) + L", " +
         std::to_wstring(r.right - r.left) + L", " + std::to_wstring(r.bottom - r.top);
}

// The pixel in the top left corner is the bitmap's background, which the image list masks out.
COLORREF CornerColour(HBITMAP bitmap) {
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  COLORREF colour = ::GetPixel(dc, 0, 0);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  return colour;
}

std::wstring LoadText(HMODULE module, UINT id) {
  const wchar_t* text = nullptr;
  int n = module ? ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0) : 0;
  return n > 0 && text ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

}  // namespace

void CPlugInToolbar::Clear() {
  if (images) ::ImageList_Destroy(images);
  images = nullptr;
  imageCount = 0;
  bitmapId = 0;
  buttons.clear();
}

CPlugInSite::~CPlugInSite() {
  toolbar.Clear();
  if (resources) ::FreeLibrary(resources);
}

CFrame::~CFrame() {
  // Normally FinishClose has released everything; this covers a frame that ends otherwise.
  for (auto& site : m_sites) ReleaseSite(*site);
  m_sites.clear();
  if (m_accelerators) ::DestroyAcceleratorTable(m_accelerators);
  if (m_viewImages) ::ImageList_Destroy(m_viewImages);
}

void CFrame::LogCall(const CPlugInSite& site, std::wstring_view call, HRESULT hr,
                     std::wstring_view outs) const {
  std::wstring line = L"plugin[" + site.progId + L"] " + std::wstring(call) + L" -> " + HexCode(hr);
  if (!outs.empty()) line += L" " + std::wstring(outs);
  m_log.Write(line);
}

void CFrame::LogEvent(std::wstring_view text) const { m_log.Write(L"host " + std::wstring(text)); }

bool CFrame::CreateFrame() {
  const RECT rect = {40, 30, 40 + 820, 30 + 600};
  if (!Create(kFrameClass, CS_HREDRAW | CS_VREDRAW, 0, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, kFrameTitle,
              rect))
    return false;
  HMENU bar = ::CreateMenu();
  AppendPopup(bar, L"&File", kFileMenu);
  AppendPopup(bar, L"&Edit", kEditMenu);
  AppendPopup(bar, L"&Tools", kToolsMenu);
  AppendPopup(bar, L"&Help", kHelpMenu);
  ::SetMenu(Handle(), bar);
  ACCEL send = {FVIRTKEY, VK_F5, 10276};
  m_accelerators = ::CreateAcceleratorTableW(&send, 1);

  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  m_toolbar = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_TOP,
                                0, 0, 0, 0, Handle(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolbarId)), instance, nullptr);
  ::SendMessageW(m_toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  m_viewBar = ::CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE, 0, 0, 0, 0,
      Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kViewBarId)), instance, nullptr);
  m_viewImages = ::ImageList_Create(kViewImageSize, kViewImageSize, ILC_COLOR24 | ILC_MASK, 4, 4);
  ListView_SetImageList(m_viewBar, m_viewImages, LVSIL_NORMAL);
  Layout();
  return m_toolbar && m_viewBar;
}

std::vector<std::wstring> CFrame::PlugInNames() const {
  std::vector<std::wstring> registered;
  win::UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPlugInsKey, 0, KEY_READ, key.out()) == ERROR_SUCCESS) {
    for (DWORD i = 0;; ++i) {
      wchar_t name[256];
      DWORD size = 256;
      if (::RegEnumKeyExW(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      registered.emplace_back(name, size);
    }
  }
  if (m_options.plugins.empty()) return registered;
  std::vector<std::wstring> chosen;
  for (const std::wstring& wanted : m_options.plugins) {
    auto found = std::find_if(registered.begin(), registered.end(), [&](const std::wstring& name) {
      return ::lstrcmpiW(name.c_str(), wanted.c_str()) == 0;
    });
    if (found == registered.end()) {
      LogEvent(L"plug-in " + Quoted(wanted) + L" is not registered");
    } else {
      chosen.push_back(*found);
    }
  }
  return chosen;
}

void CFrame::StartUp() {
  for (const std::wstring& name : PlugInNames()) {
    if (m_closing) break;
    LoadPlugIn(name);
  }
  if (!m_closing && !m_sites.empty()) SwitchTo(*m_sites.front());
  LogEvent(L"ready");
}

void CFrame::LoadPlugIn(const std::wstring& progId) {
  auto site = std::make_unique<CPlugInSite>();
  site->progId = progId;
  HRESULT hr = ::CLSIDFromProgID(progId.c_str(), &site->clsid);
  if (FAILED(hr)) {
    LogCall(*site, L"CLSIDFromProgID", hr);
    return;
  }
  hr = ::CoCreateInstance(site->clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IFenwarpPlugIn,
                          reinterpret_cast<void**>(site->plugin.GetAddressOf()));
  LogCall(*site, L"create", hr);
  if (FAILED(hr)) return;
  site->host = win::MakeCom<CFenwarpHost>(this, site.get(), m_log, progId);
  if (!site->host) return;

  hr = Call([&] { return site->plugin->SetHost(static_cast<IFenwarpHost*>(site->host.Get())); });
  LogCall(*site, L"SetHost(" + HexHandle(site->host.Get()) + L")", hr);

  short first = 0, second = 0, third = 0;
  BeginDeferral();
  hr = Call([&] { return site->plugin->Initialize(0, 0, &first, &second, &third); });
  LogCall(
      *site, L"Initialize(0, 0)", hr,
      L"flags " + std::to_wstring(first) + L" " + std::to_wstring(second) + L" " + std::to_wstring(third));
  // S_FALSE or the first flag 2: the plug-in cannot run; the frame goes on without its view.
  bool refused = FAILED(hr) || hr == S_FALSE || first == 2;
  if (refused || m_closing) {
    if (refused) LogEvent(L"plug-in " + Quoted(progId) + L" left out");
    ReleaseSite(*site);
    EndDeferral();
    return;
  }
  LoadSiteResources(*site);
  m_sites.push_back(std::move(site));
  AddToViewBar(*m_sites.back());
  EndDeferral();
}

void CFrame::LoadSiteResources(CPlugInSite& site) {
  short first = 0, second = 0;
  win::UniqueBstr path;
  HRESULT hr = Call([&] { return site.plugin->GetModulePath(0, &first, &second, path.out()); });
  std::wstring file = win::AsWide(path.text());
  LogCall(site, L"GetModulePath(0)", hr,
          L"flags " + std::to_wstring(first) + L" " + std::to_wstring(second) + L" path " + Quoted(file));
  if (SUCCEEDED(hr) && !file.empty()) {
    site.resources = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!site.resources) LogEvent(L"cannot load " + Quoted(file) + L": " + std::to_wstring(::GetLastError()));
  }
  LONG titleId = 0;
  hr = Call([&] { return site.plugin->GetTitleStringId(&titleId); });
  LogCall(site, L"GetTitleStringId()", hr, L"id " + std::to_wstring(titleId));
  site.title = LoadText(site.resources, static_cast<UINT>(titleId));
  // A title of several lines is shown on one.
  std::replace(site.title.begin(), site.title.end(), L'\n', L' ');
  if (site.title.empty()) site.title = site.progId;
}

void CFrame::AddToViewBar(CPlugInSite& site) {
  LONG bitmapId = 0;
  HRESULT hr = Call([&] { return site.plugin->GetBitmapId(&bitmapId); });
  LogCall(site, L"GetBitmapId()", hr, L"id " + std::to_wstring(bitmapId));
  int image = -1;
  if (site.resources && SUCCEEDED(hr)) {
    auto bitmap = static_cast<HBITMAP>(::LoadImageW(site.resources, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP,
                                                    kViewImageSize, kViewImageSize, LR_CREATEDIBSECTION));
    if (bitmap) {
      image = ::ImageList_AddMasked(m_viewImages, bitmap, CornerColour(bitmap));
      ::DeleteObject(bitmap);
    } else {
      LogEvent(L"no bitmap " + std::to_wstring(bitmapId) + L" for " + Quoted(site.progId));
    }
  }
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = static_cast<int>(m_sites.size()) - 1;
  item.pszText = site.title.data();
  item.iImage = image;
  ListView_InsertItem(m_viewBar, &item);
}

void CFrame::ReleaseSite(CPlugInSite& site) {
  if (site.plugin) {
    ULONG left = site.plugin.Detach()->Release();
    m_log.Write(L"plugin[" + site.progId + L"] Release() -> " + std::to_wstring(left));
  }
  if (site.host) {
    site.host->Detach();
    ULONG left = site.host.Detach()->Release();
    m_log.Write(L"host[" + site.progId + L"] host object released, " + std::to_wstring(left) +
                L" references left");
  }
}

CPlugInSite* CFrame::FindSite(const std::wstring& progId) {
  CLSID clsid = {};
  if (FAILED(::CLSIDFromProgID(progId.c_str(), &clsid))) return nullptr;
  for (auto& site : m_sites) {
    if (site->clsid == clsid) return site.get();
  }
  return nullptr;
}

RECT CFrame::ViewArea() const {
  RECT client = {};
  ::GetClientRect(Handle(), &client);
  RECT bar = {};
  ::GetWindowRect(m_toolbar, &bar);
  RECT area = {kViewBarWidth, bar.bottom - bar.top, client.right, client.bottom};
  area.right = std::max(area.right, area.left);
  area.bottom = std::max(area.bottom, area.top);
  return area;
}

void CFrame::Layout() {
  if (!m_toolbar) return;
  ::SendMessageW(m_toolbar, TB_AUTOSIZE, 0, 0);
  RECT area = ViewArea();
  ::MoveWindow(m_viewBar, 0, area.top, kViewBarWidth, area.bottom - area.top, TRUE);
  ListView_Arrange(m_viewBar, LVA_DEFAULT);
  CPlugInSite* site = m_active;
  if (!site || !site->viewCreated || ::IsIconic(Handle()) || ::EqualRect(&area, &m_viewArea)) return;
  m_viewArea = area;
  HRESULT hr = Call([&] {
    return site->plugin->MoveViewWindow(0, area.left, area.top, area.right - area.left,
                                        area.bottom - area.top);
  });
  LogCall(*site, L"MoveViewWindow(0, " + RectText(area) + L")", hr);
}

void CFrame::SwitchTo(CPlugInSite& site) {
  if (&site == m_active || m_closing) return;
  BeginDeferral();
  if (CPlugInSite* old = m_active) {
    HRESULT hr = Call([&] { return old->plugin->Deactivate(); });
    LogCall(*old, L"Deactivate()", hr);
    if (m_shownToolbar == &old->toolbar) ShowToolbar(nullptr);
    m_active = nullptr;
  }
  if (!m_closing) {
    RECT area = ViewArea();
    m_viewArea = area;
    int x = area.left, y = area.top, width = area.right - area.left, height = area.bottom - area.top;
    if (!site.viewCreated) {
      site.viewCreated = true;
      HRESULT hr = Call([&] { return site.plugin->CreateViewWindow(Handle(), x, y, width, height); });
      LogCall(site, L"CreateViewWindow(" + HexHandle(Handle()) + L", " + RectText(area) + L")", hr);
    } else {
      HRESULT hr = Call([&] { return site.plugin->MoveViewWindow(0, x, y, width, height); });
      LogCall(site, L"MoveViewWindow(0, " + RectText(area) + L")", hr);
    }
  }
  if (!m_closing) {
    // Active before Activate returns: the plug-in shows its toolbar and asks IsViewShown inside.
    m_active = &site;
    HRESULT hr = Call([&] { return site.plugin->Activate(); });
    LogCall(site, L"Activate()", hr);
  }
  EndDeferral();
  if (m_closing || m_active != &site) return;
  SelectInViewBar(&site);
  RefreshToolbarStates();
  FocusView();
}

void CFrame::EndDeferral() {
  if (--m_deferDepth == 0 && !m_pendingShowViews.empty()) ::PostMessageW(Handle(), kShowViewMessage, 0, 0);
}

void CFrame::RequestShow(CPlugInSite& site) {
  if (m_closing) return;
  if (m_deferDepth > 0) {
    m_pendingShowViews.push_back(site.progId);
  } else {
    SwitchTo(site);
  }
}

void CFrame::RunPendingShowViews() {
  // A request that came in a nested message loop waits until the deferring call has returned.
  if (m_deferDepth > 0 || m_closing) return;
  std::vector<std::wstring> pending;
  pending.swap(m_pendingShowViews);
  for (const std::wstring& progId : pending) {
    CPlugInSite* site = FindSite(progId);
    LogEvent(L"ShowView(" + Quoted(progId) + L") carried out" + (site ? L"" : L": no such view"));
    if (site) SwitchTo(*site);
  }
}

bool CFrame::IsViewShown(const std::wstring& progId) {
  CPlugInSite* site = FindSite(progId);
  return site && site == m_active;
}

HRESULT CFrame::ShowView(const std::wstring& progId, bool* deferred) {
  if (m_closing) return E_UNEXPECTED;
  CLSID clsid = {};
  if (FAILED(::CLSIDFromProgID(progId.c_str(), &clsid))) return E_INVALIDARG;
  if (m_deferDepth > 0) {
    // The plug-in that asks may not be listed yet (inside its Initialize): it is looked up later.
    m_pendingShowViews.push_back(progId);
    *deferred = true;
    return S_OK;
  }
  CPlugInSite* site = FindSite(progId);
  if (!site) return E_INVALIDARG;
  SwitchTo(*site);
  return S_OK;
}

void CFrame::SelectInViewBar(const CPlugInSite* site) {
  for (size_t i = 0; i < m_sites.size(); ++i) {
    if (m_sites[i].get() != site) continue;
    m_selectingInViewBar = true;
    UINT state = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(m_viewBar, static_cast<int>(i), state, state);
    m_selectingInViewBar = false;
  }
}

void CFrame::FocusView() {
  for (HWND child = ::GetWindow(Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (child != m_toolbar && child != m_viewBar && ::IsWindowVisible(child)) {
      ::SetFocus(child);
      return;
    }
  }
  ::SetFocus(Handle());
}

HRESULT CFrame::BeginToolbar(CPlugInSite& site, short* toolbarId) {
  if (site.toolbar.id == 0) site.toolbar.id = m_nextToolbarId++;
  if (m_shownToolbar == &site.toolbar) ShowToolbar(nullptr);
  site.toolbar.Clear();
  *toolbarId = site.toolbar.id;
  return S_OK;
}

HRESULT CFrame::EndToolbar(CPlugInSite& site, short toolbarId) {
  return toolbarId == site.toolbar.id ? S_OK : E_INVALIDARG;
}

HRESULT CFrame::AddToolbarBitmap(CPlugInSite& site, short toolbarId, LONG imageCount, LONG bitmapId) {
  if (toolbarId != site.toolbar.id || imageCount <= 0) return E_INVALIDARG;
  if (!site.resources) return E_FAIL;
  auto bitmap = static_cast<HBITMAP>(
      ::LoadImageW(site.resources, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
  BITMAP info = {};
  ::GetObjectW(bitmap, sizeof(info), &info);
  // The images stand side by side in one bitmap.
  int width = info.bmWidth / imageCount;
  if (site.toolbar.images) ::ImageList_Destroy(site.toolbar.images);
  site.toolbar.images =
      width > 0 ? ::ImageList_Create(width, info.bmHeight, ILC_COLOR24 | ILC_MASK, imageCount, 0) : nullptr;
  if (site.toolbar.images) ::ImageList_AddMasked(site.toolbar.images, bitmap, CornerColour(bitmap));
  ::DeleteObject(bitmap);
  if (!site.toolbar.images) return E_FAIL;
  site.toolbar.imageCount = imageCount;
  site.toolbar.bitmapId = bitmapId;
  return S_OK;
}

HRESULT CFrame::AddToolbarButton(CPlugInSite& site, short toolbarId, LONG index, LONG commandId, LONG style) {
  if (toolbarId != site.toolbar.id || index < 0) return E_INVALIDARG;
  site.toolbar.buttons.push_back({index, commandId, style});
  return S_OK;
}

HRESULT CFrame::ActivateToolbar(CPlugInSite& site, short toolbarId, const std::wstring& title) {
  if (toolbarId != site.toolbar.id) return E_INVALIDARG;
  if (&site != m_active) return S_FALSE;  // shown when its plug-in becomes active
  ShowToolbar(&site.toolbar);
  ::SetWindowTextW(Handle(), title.empty() ? kFrameTitle : (title + L" - " + kFrameTitle).c_str());
  return S_OK;
}

HRESULT CFrame::DeactivateToolbar(CPlugInSite& site, short toolbarId) {
  if (toolbarId != site.toolbar.id) return E_INVALIDARG;
  if (m_shownToolbar == &site.toolbar) {
    ShowToolbar(nullptr);
    ::SetWindowTextW(Handle(), kFrameTitle);
  }
  return S_OK;
}

void CFrame::ShowToolbar(const CPlugInToolbar* toolbar) {
  while (::SendMessageW(m_toolbar, TB_BUTTONCOUNT, 0, 0) > 0)
    ::SendMessageW(m_toolbar, TB_DELETEBUTTON, 0, 0);
  ::SendMessageW(m_toolbar, TB_SETIMAGELIST, 0,
                 reinterpret_cast<LPARAM>(toolbar ? toolbar->images : nullptr));
  m_shownToolbar = toolbar;
  if (toolbar) {
    std::vector<TBBUTTON> buttons;
    for (const CToolbarButton& button : toolbar->buttons) {
      TBBUTTON b = {};
      b.iBitmap = button.index;
      b.idCommand = static_cast<int>(button.command);
      b.fsState = TBSTATE_ENABLED;
      b.fsStyle = BTNS_BUTTON;
      buttons.push_back(b);
    }
    ::SendMessageW(m_toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  }
  Layout();
}

void CFrame::RefreshToolbarStates() {
  CPlugInSite* site = m_active;
  if (!site || m_shownToolbar != &site->toolbar || m_closing) return;
  std::vector<LONG> commands;
  for (const CToolbarButton& button : site->toolbar.buttons) commands.push_back(button.command);
  for (LONG command : commands) {
    short state = 1;
    HRESULT hr = Call([&] { return site->plugin->QueryCommandStatus(command, &state); });
    LogCall(*site, L"QueryCommandStatus(" + std::to_wstring(command) + L")", hr,
            L"state " + std::to_wstring(state));
    // The plug-in may have been switched away or the frame closed inside the call.
    if (m_active != site || m_closing) return;
    ::SendMessageW(m_toolbar, TB_ENABLEBUTTON, static_cast<WPARAM>(command),
                   MAKELPARAM(SUCCEEDED(hr) && state == 2, 0));
  }
}

void CFrame::OnIdle() { RefreshToolbarStates(); }

bool CFrame::TranslateFrameAccelerator(MSG& msg) {
  if (!m_accelerators || !Handle()) return false;
  if (msg.hwnd != Handle() && !::IsChild(Handle(), msg.hwnd)) return false;
  return ::TranslateAcceleratorW(Handle(), m_accelerators, &msg) != 0;
}

void CFrame::PrepareMenu(HMENU menu) {
  CPlugInSite* site = m_closing ? nullptr : m_active;
  if (site) {
    HRESULT hr = Call([&] { return site->plugin->PrepareMenu(menu); });
    LogCall(*site, L"PrepareMenu(" + HexHandle(menu) + L")", hr);
  }
  int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    UINT id = ::GetMenuItemID(menu, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separator or popup
    bool enabled = false;
    if (id == kCommandExit) {
      enabled = true;
    } else if (IsFrameCommand(id)) {
      enabled = site != nullptr;
    } else if (site && m_active == site) {
      short state = 1;
      HRESULT hr = Call([&] { return site->plugin->QueryCommandStatus(static_cast<LONG>(id), &state); });
      LogCall(*site, L"QueryCommandStatus(" + std::to_wstring(id) + L")", hr,
              L"state " + std::to_wstring(state));
      enabled = SUCCEEDED(hr) && state == 2;
    }
    ::EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
  }
}

void CFrame::OnCommand(UINT id) {
  if (id == kCommandExit) {
    ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
    return;
  }
  CPlugInSite* site = m_closing ? nullptr : m_active;
  if (!site) return;
  HRESULT hr = S_OK;
  if (id == kCommandHelp) {
    hr = Call([&] { return site->plugin->ShowHelp(); });
    LogCall(*site, L"ShowHelp()", hr);
  } else if (id == kCommandAbout) {
    hr = Call([&] { return site->plugin->ShowAbout(); });
    LogCall(*site, L"ShowAbout()", hr);
  } else {
    hr = Call([&] { return site->plugin->ExecuteCommand(static_cast<LONG>(id)); });
    LogCall(*site, L"ExecuteCommand(" + std::to_wstring(id) + L")", hr);
  }
  RefreshToolbarStates();
}

void CFrame::OnActivate(bool active) {
  CPlugInSite* site = m_closing ? nullptr : m_active;
  if (!site) return;
  short event = active ? 5 : 4;
  short result = 0;
  HRESULT hr = Call([&] { return site->plugin->OnFocusEvent(event, &result); });
  LogCall(*site, L"OnFocusEvent(" + std::to_wstring(event) + L")", hr, L"result " + std::to_wstring(result));
  if (!active || m_closing) return;
  // The plug-in gives the focus back to the control that had it; without one, the view gets it.
  HWND focus = ::GetFocus();
  if (!focus || !::IsChild(Handle(), focus)) FocusView();
}

void CFrame::OnClose() {
  if (m_closing || m_queryingClose) return;
  m_queryingClose = true;
  for (auto& site : m_sites) {
    short answer = 1;
    HRESULT hr = Call([&] { return site->plugin->QueryClose(1, &answer); });
    LogCall(*site, L"QueryClose(1)", hr, L"answer " + std::to_wstring(answer));
    if (SUCCEEDED(hr) && answer == 0) {
      LogEvent(L"close refused by " + Quoted(site->progId));
      m_queryingClose = false;
      return;
    }
  }
  m_queryingClose = false;
  m_closing = true;
  LogEvent(L"closing");
  for (auto& site : m_sites) {
    HRESULT hr = Call([&] { return site->plugin->OnClose(); });
    LogCall(*site, L"OnClose()", hr);
  }
  if (m_callDepth > 0) LogEvent(L"release waits for the call in progress");
  PostFinishWhenIdle();
}

void CFrame::PostFinishWhenIdle() {
  if (m_callDepth == 0 && m_closing && !m_finishPosted) {
    m_finishPosted = true;
    ::PostMessageW(Handle(), kFinishCloseMessage, 0, 0);
  }
}

void CFrame::FinishClose() {
  if (m_finished) return;
  if (m_callDepth > 0) {
    // Processed in a loop nested in a plug-in call: posted again when that call returns.
    m_finishPosted = false;
    return;
  }
  m_finished = true;
  m_active = nullptr;
  ShowToolbar(nullptr);
  for (auto& site : m_sites) ReleaseSite(*site);
  m_sites.clear();
  LogEvent(L"frame destroyed");
  Destroy();
}

LRESULT CFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) Layout();
      return 0;
    case WM_ERASEBKGND: {
      // The toolbar is drawn over this as well (it is transparent), the view area without a view too.
      RECT client, area = ViewArea();
      ::GetClientRect(Handle(), &client);
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, ::GetSysColorBrush(COLOR_BTNFACE));
      ::FillRect(reinterpret_cast<HDC>(wParam), &area, ::GetSysColorBrush(COLOR_APPWORKSPACE));
      return 1;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == Handle() && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
      }
      return DefaultProc(message, wParam, lParam);
    case WM_INITMENUPOPUP:
      if (!HIWORD(lParam)) PrepareMenu(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_COMMAND:
      // Menus, accelerators, the toolbar and posted commands; notifications of other children are not.
      if (lParam == 0 || reinterpret_cast<HWND>(lParam) == m_toolbar) OnCommand(LOWORD(wParam));
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom == m_viewBar && header->code == LVN_ITEMCHANGED && !m_selectingInViewBar) {
        auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
        if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) &&
            !(change->uOldState & LVIS_SELECTED))
          ::PostMessageW(Handle(), kViewBarMessage, static_cast<WPARAM>(change->iItem), 0);
      }
      return 0;
    }
    case kViewBarMessage:
      if (wParam < m_sites.size()) {
        LogEvent(L"view bar selects " + Quoted(m_sites[wParam]->progId));
        RequestShow(*m_sites[wParam]);
      }
      return 0;
    case kShowViewMessage:
      RunPendingShowViews();
      return 0;
    case WM_ACTIVATE:
      if (!HIWORD(wParam)) OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_SETFOCUS:
      FocusView();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case kFinishCloseMessage:
      FinishClose();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

}  // namespace orvel::fenwarp
