// The view object that the Fenwarp host creates: the plug-in interface through which the host
// initialises, places, activates, commands and closes the view, and the engine's callback sink,
// which only posts what arrives to the open send dialog's event window.
#pragma once

#include <windows.h>

#include "fenwarp.h"
#include "support/win/com.h"
#include "vantrel.h"

namespace orvel::ui {

class CMainViewDlg;

class CMorvaneView : public win::CComObject<IFenwarpPlugIn, ITerminalManagerExtCallback> {
 public:
  CMorvaneView() = default;
  ~CMorvaneView() override;

  // The view that was initialised last; null when none lives.
  static CMorvaneView* Current();

  IFenwarpHost* Host() const { return m_host.Get(); }
  CMainViewDlg* MainView() const { return m_main; }
  // Where the view's dialogs and bitmaps come from.
  HINSTANCE Resources() const;
  // The event window that receives the engine's callbacks (0 when none).
  void SetEventWindow(HWND window) { m_eventWindow = window; }
  HWND EventWindow() const { return m_eventWindow; }
  // Called by the main view as its window goes.
  void MainViewDestroyed();

  // The host and the engine's proxy call through the table of methods.
  ORVEL_DISPATCH_BY_VTABLE_ONLY

  // IFenwarpPlugIn
  HRESULT STDMETHODCALLTYPE Initialize(long value, long value2, short* first, short* second,
                                       short* third) override;
  HRESULT STDMETHODCALLTYPE Reserved2(long, long) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetIconId(short kind, long* iconId, long) override;
  HRESULT STDMETHODCALLTYPE PrepareMenu(HMENU menu) override;
  HRESULT STDMETHODCALLTYPE SetHost(IUnknown* host) override;
  HRESULT STDMETHODCALLTYPE CreateViewWindow(HWND parent, long x, long y, long width, long height) override;
  HRESULT STDMETHODCALLTYPE QueryCommandStatus(long command, short* state) override;
  HRESULT STDMETHODCALLTYPE ExecuteCommand(long command) override;
  HRESULT STDMETHODCALLTYPE GetCommandImageId(long command, short imageKind, long* imageId) override;
  HRESULT STDMETHODCALLTYPE MoveViewWindow(short flag, long x, long y, long width, long height) override;
  HRESULT STDMETHODCALLTYPE OnFocusEvent(short event, short* result) override;
  HRESULT STDMETHODCALLTYPE Activate() override;
  HRESULT STDMETHODCALLTYPE Deactivate() override;
  HRESULT STDMETHODCALLTYPE ShowHelp() override;
  HRESULT STDMETHODCALLTYPE ShowAbout() override;
  HRESULT STDMETHODCALLTYPE GetModulePath(long value, short* first, short* second, BSTR* path) override;
  HRESULT STDMETHODCALLTYPE GetTitleStringId(long* id) override;
  HRESULT STDMETHODCALLTYPE GetBitmapId(long* id) override;
  HRESULT STDMETHODCALLTYPE QueryClose(short reason, short* answer) override;
  HRESULT STDMETHODCALLTYPE OnClose() override;

  // ITerminalManagerExtCallback (the callback sink)
  HRESULT STDMETHODCALLTYPE OnStateChanged(long state) override;
  HRESULT STDMETHODCALLTYPE OnError(long error, long response, BSTR tag, BSTR value) override;
  HRESULT STDMETHODCALLTYPE OnProgress(long stage, BSTR tag, long percent) override;
  HRESULT STDMETHODCALLTYPE OnDone(long error) override;

 private:
  void BuildToolbar();
  void Post(UINT message, WPARAM wParam);

  bool m_initialized = false;
  CMainViewDlg* m_main = nullptr;
  HWND m_focused = nullptr;
  win::ComPtr<IFenwarpHost> m_host;
  short m_toolbar = 0;
  long m_firstArgument = 0;
  HWND m_eventWindow = nullptr;
  bool m_setUpDone = false;
};

}  // namespace orvel::ui
