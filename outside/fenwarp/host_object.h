// The host interface that one plug-in gets in SetHost. Each plug-in has its own host object, so
// that the frame knows whose toolbar a call builds; the frame keeps a reference to it until the
// plug-in has been released, and detaches it then, so that a call through a pointer the plug-in
// kept after that answers E_UNEXPECTED instead of reaching a frame that is gone.
#pragma once

#include <windows.h>

#include <string>

#include "fenwarp.h"
#include "outside/fenwarp/line_log.h"
#include "support/win/com.h"

namespace orvel::fenwarp {

class CFrame;
struct CPlugInSite;

class CFenwarpHost : public win::CComObject<IFenwarpHost> {
 public:
  CFenwarpHost(CFrame* frame, CPlugInSite* site, const CLineLog& log, std::wstring progId)
      : m_frame(frame), m_site(site), m_log(log), m_progId(std::move(progId)) {}
  void Detach() {
    m_frame = nullptr;
    m_site = nullptr;
  }

  // No type library describes the host: it is reached through its table only.
  ORVEL_DISPATCH_BY_VTABLE_ONLY

  HRESULT STDMETHODCALLTYPE BeginToolbar(short* toolbarId) override;
  HRESULT STDMETHODCALLTYPE EndToolbar(short toolbarId) override;
  HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddToolbarBitmap(short toolbarId, LONG imageCount, LONG bitmapId) override;
  HRESULT STDMETHODCALLTYPE AddToolbarButton(short toolbarId, LONG index, LONG commandId, LONG style,
                                             LONG reserved) override;
  HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved13() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeactivateToolbar(short toolbarId, BSTR title) override;
  HRESULT STDMETHODCALLTYPE ActivateToolbar(short toolbarId, BSTR title) override;
  HRESULT STDMETHODCALLTYPE Reserved16() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved17() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved18() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved19() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsViewShown(BSTR progId, short* shown) override;
  HRESULT STDMETHODCALLTYPE ShowView(BSTR progId) override;

 private:
  void LogCall(std::wstring_view call, HRESULT hr, std::wstring_view outs = {}) const;

  CFrame* m_frame;
  CPlugInSite* m_site;
  const CLineLog& m_log;  // the program's log, which outlives every host object
  std::wstring m_progId;
};

}  // namespace orvel::fenwarp
