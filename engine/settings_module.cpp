#include "engine/settings_module.h"

#include "engine/engine_wnd.h"
#include "engine/packet.h"
#include "support/win/com.h"
#include "support/win/handle.h"
#include "support/win/wide.h"

namespace orvel::engine {

namespace {

class CModuleCallback : public win::CComObject<ITolvaneCallback> {
 public:
  HRESULT STDMETHODCALLTYPE OnError(HRESULT hError, LONG nResponse, BSTR strTag, BSTR strName) override {
    CPacket packet;
    packet.AddDword(3);
    packet.AddHresult(hError);
    packet.AddDword(static_cast<uint32_t>(nResponse));
    packet.AddString(win::FromBstr(strTag));
    packet.AddString(win::FromBstr(strName));
    PostEngineMessage(WM_ENGINE_MODULEEVENT, std::move(packet));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnProgress(LONG nStage, BSTR strTag, LONG nPercent) override {
    CPacket packet;
    packet.AddDword(2);
    packet.AddDword(static_cast<uint32_t>(nStage));
    packet.AddString(win::FromBstr(strTag));
    packet.AddDword(static_cast<uint32_t>(nPercent));
    PostEngineMessage(WM_ENGINE_MODULEEVENT, std::move(packet));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDone(HRESULT hError) override {
    CPacket packet;
    packet.AddDword(1);
    packet.AddHresult(hError);
    PostEngineMessage(WM_ENGINE_MODULEEVENT, std::move(packet));
    return S_OK;
  }
};

struct ModuleLink {
  win::ComPtr<ITolvaneModule> module;
  // The module keeps no reference on the callback it is given; this one does.
  win::ComPtr<CModuleCallback> callback;
  LONG cookie = 0;
  bool advised = false;
};

ModuleLink g_link;

}  // namespace

HResult CreateSettingsModule() {
  if (!g_link.module &&
      FAILED(::CoCreateInstance(CLSID_TolvaneModule, nullptr, win::kAnyContext, IID_ITolvaneModule,
                                reinterpret_cast<void**>(g_link.module.GetAddressOf())))) {
    g_link.module.Reset();
    return kModuleFailed;
  }
  if (!g_link.advised) {
    if (!g_link.callback) g_link.callback = win::MakeCom<CModuleCallback>();
    g_link.cookie = 0;
    if (!g_link.callback || FAILED(g_link.module->AdviseCallback(g_link.callback.Get(), &g_link.cookie)))
      return kModuleFailed;
    // The module releases one reference when it is unadvised.
    g_link.callback->AddRef();
    g_link.advised = true;
  }
  return kOk;
}

HResult ReleaseSettingsModule() {
  HResult result = kOk;
  if (g_link.advised) {
    if (g_link.module && FAILED(g_link.module->UnAdviseCallback(g_link.cookie))) {
      result = kModuleFailed;
      g_link.callback->Release();
    }
    g_link.cookie = 0;
    g_link.advised = false;
  }
  g_link.module.Reset();
  // The callback counts as a live object of the server: it lives only with its module.
  g_link.callback.Reset();
  return result;
}

ITolvaneModule* SettingsModule() { return g_link.module.Get(); }

HResult MapModuleError(HResult hr, ModuleQuestion& question) {
  if (!IsFailure(hr)) return kOk;
  ModuleLastError last;
  if (g_link.module) {
    LONG code = 0, extended = 0;
    win::UniqueBstr text;
    if (SUCCEEDED(g_link.module->GetLastError(&code, &extended, text.out()))) {
      last.flag = code != 0;
      last.extended = static_cast<uint32_t>(extended);
    }
  }
  return MapModuleErrorCode(hr, last, question);
}

}  // namespace orvel::engine
