// The frame window of the Fenwarp stand-in: menus whose commands go to the active plug-in, the
// toolbar that the active plug-in builds, a view bar with one entry per plug-in, and the view area
// in which each plug-in's view window lives. Every call into a plug-in and every call a plug-in
// makes on its host object is written to the log, one line when the call returns.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "fenwarp.h"
#include "outside/fenwarp/frame_ids.h"
#include "outside/fenwarp/host_object.h"
#include "outside/fenwarp/line_log.h"
#include "support/win/com.h"
#include "support/win/window.h"

namespace orvel::fenwarp {

inline constexpr wchar_t kPlugInsKey[] = L"Software\\Orvel\\Fenwarp6\\Framework\\PlugIns";

struct CToolbarButton {
  LONG index;
  LONG command;
  LONG style;
};

// The one toolbar of a plug-in: BeginToolbar starts it afresh, so building it again on every
// activation does not pile up toolbars.
struct CPlugInToolbar {
  short id = 0;
  LONG imageCount = 0;
  LONG bitmapId = 0;
  HIMAGELIST images = nullptr;
  std::vector<CToolbarButton> buttons;
  void Clear();
};

struct CPlugInSite {
  std::wstring progId;  // the name of its subkey under the plug-ins key
  CLSID clsid = {};
  win::ComPtr<IFenwarpPlugIn> plugin;
  win::ComPtr<CFenwarpHost> host;  // the frame's own reference
  HMODULE resources = nullptr;     // the file that GetModulePath names, loaded as data
  std::wstring title;
  bool viewCreated = false;
  CPlugInToolbar toolbar;
  ~CPlugInSite();
};

struct CHostOptions {
  std::vector<std::wstring> plugins;  // ProgIDs given with /plugin; empty: every registered plug-in
};

class CFrame : public win::CWindow {
 public:
  CFrame(const CLineLog& log, CHostOptions options) : m_log(log), m_options(std::move(options)) {}
  ~CFrame() override;

  bool CreateFrame();
  // Creates and initialises the plug-ins, then activates the first one.
  void StartUp();
  // The message loop's translation of the frame's accelerators.
  bool TranslateFrameAccelerator(MSG& msg);
  // Called when the message queue is empty after input: the toolbar's states are refreshed.
  void OnIdle();

  const CLineLog& Log() const { return m_log; }

  // The host object's operations on behalf of one plug-in.
  HRESULT BeginToolbar(CPlugInSite& site, short* toolbarId);
  HRESULT EndToolbar(CPlugInSite& site, short toolbarId);
  HRESULT AddToolbarBitmap(CPlugInSite& site, short toolbarId, LONG imageCount, LONG bitmapId);
  HRESULT AddToolbarButton(CPlugInSite& site, short toolbarId, LONG index, LONG commandId, LONG style);
  HRESULT ActivateToolbar(CPlugInSite& site, short toolbarId, const std::wstring& title);
  HRESULT DeactivateToolbar(CPlugInSite& site, short toolbarId);
  bool IsViewShown(const std::wstring& progId);
  // The result, and whether the request was deferred.
  HRESULT ShowView(const std::wstring& progId, bool* deferred);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Runs one call into a plug-in, counted so that the frame knows when none is on the stack.
  template <class F>
  HRESULT Call(F&& call) {
    ++m_callDepth;
    HRESULT hr = call();
    --m_callDepth;
    PostFinishWhenIdle();
    return hr;
  }
  void LogCall(const CPlugInSite& site, std::wstring_view call, HRESULT hr,
               std::wstring_view outs = {}) const;
  void LogEvent(std::wstring_view text) const;
  void PostFinishWhenIdle();
  // Initialize and view switches defer ShowView; the deferred requests run once the last ends.
  void BeginDeferral() { ++m_deferDepth; }
  void EndDeferral();
  void ReleaseSite(CPlugInSite& site);

  std::vector<std::wstring> PlugInNames() const;
  void LoadPlugIn(const std::wstring& progId);
  void LoadSiteResources(CPlugInSite& site);
  void AddToViewBar(CPlugInSite& site);
  CPlugInSite* FindSite(const std::wstring& progId);
  void SwitchTo(CPlugInSite& site);
  void RequestShow(CPlugInSite& site);
  void RunPendingShowViews();
  RECT ViewArea() const;
  void Layout();
  void FocusView();
  void ShowToolbar(const CPlugInToolbar* toolbar);
  void RefreshToolbarStates();
  void PrepareMenu(HMENU menu);
  void OnCommand(UINT id);
  void OnActivate(bool active);
  void OnClose();
  void FinishClose();
  void SelectInViewBar(const CPlugInSite* site);

  static constexpr UINT kShowViewMessage = WM_APP + 1;     // deferred ShowView requests wait
  static constexpr UINT kFinishCloseMessage = WM_APP + 2;  // the last call returned after a close
  static constexpr UINT kViewBarMessage = WM_APP + 3;      // wParam: the view bar entry chosen

  const CLineLog& m_log;
  CHostOptions m_options;
  std::vector<std::unique_ptr<CPlugInSite>> m_sites;
  CPlugInSite* m_active = nullptr;
  const CPlugInToolbar* m_shownToolbar = nullptr;
  HWND m_toolbar = nullptr;
  HWND m_viewBar = nullptr;
  HIMAGELIST m_viewImages = nullptr;
  HACCEL m_accelerators = nullptr;
  RECT m_viewArea = {};  // where the active view was last placed
  std::vector<std::wstring> m_pendingShowViews;
  int m_callDepth = 0;
  int m_deferDepth = 0;  // inside Initialize or a view switch: ShowView is posted
  bool m_selectingInViewBar = false;
  bool m_queryingClose = false;
  bool m_closing = false;
  bool m_finishPosted = false;
  bool m_finished = false;
  short m_nextToolbarId = 1;
};

}  // namespace orvel::fenwarp
