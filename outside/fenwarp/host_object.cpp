#include "outside/fenwarp/host_object.h"

#include "outside/fenwarp/frame.h"
#include "support/win/wide.h"

namespace orvel::fenwarp {

namespace {

std::wstring Wide(BSTR text) { return win::AsWide(win::FromBstr(text)); }
std::wstring Text(BSTR text) { return Quoted(Wide(text)); }

}  // namespace

void CFenwarpHost::LogCall(std::wstring_view call, HRESULT hr, std::wstring_view outs) const {
  std::wstring line = L"host[" + m_progId + L"] " + std::wstring(call) + L" -> " + HexCode(hr);
  if (!m_site) line += L" (detached)";
  if (!outs.empty()) line += L" " + std::wstring(outs);
  m_log.Write(line);
}

HRESULT CFenwarpHost::BeginToolbar(short* toolbarId) {
  HRESULT hr = !toolbarId ? E_POINTER : !m_site ? E_UNEXPECTED : m_frame->BeginToolbar(*m_site, toolbarId);
  LogCall(L"BeginToolbar()", hr, SUCCEEDED(hr) ? L"id " + std::to_wstring(*toolbarId) : L"");
  return hr;
}

HRESULT CFenwarpHost::EndToolbar(short toolbarId) {
  HRESULT hr = !m_site ? E_UNEXPECTED : m_frame->EndToolbar(*m_site, toolbarId);
  LogCall(L"EndToolbar(" + std::to_wstring(toolbarId) + L")", hr);
  return hr;
}

HRESULT CFenwarpHost::AddToolbarBitmap(short toolbarId, LONG imageCount, LONG bitmapId) {
  HRESULT hr = !m_site ? E_UNEXPECTED : m_frame->AddToolbarBitmap(*m_site, toolbarId, imageCount, bitmapId);
  LogCall(L"AddToolbarBitmap(" + std::to_wstring(toolbarId) + L", " + std::to_wstring(imageCount) + L", " +
              std::to_wstring(bitmapId) + L")",
          hr);
  return hr;
}

HRESULT CFenwarpHost::AddToolbarButton(short toolbarId, LONG index, LONG commandId, LONG style,
                                       LONG reserved) {
  HRESULT hr =
      !m_site ? E_UNEXPECTED : m_frame->AddToolbarButton(*m_site, toolbarId, index, commandId, style);
  LogCall(L"AddToolbarButton(" + std::to_wstring(toolbarId) + L", " + std::to_wstring(index) + L", " +
              std::to_wstring(commandId) + L", " + std::to_wstring(style) + L", " +
              std::to_wstring(reserved) + L")",
          hr);
  return hr;
}

HRESULT CFenwarpHost::DeactivateToolbar(short toolbarId, BSTR title) {
  HRESULT hr = !m_site ? E_UNEXPECTED : m_frame->DeactivateToolbar(*m_site, toolbarId);
  LogCall(L"DeactivateToolbar(" + std::to_wstring(toolbarId) + L", " + Text(title) + L")", hr);
  return hr;
}

HRESULT CFenwarpHost::ActivateToolbar(short toolbarId, BSTR title) {
  HRESULT hr = !m_site ? E_UNEXPECTED : m_frame->ActivateToolbar(*m_site, toolbarId, Wide(title));
  LogCall(L"ActivateToolbar(" + std::to_wstring(toolbarId) + L", " + Text(title) + L")", hr);
  return hr;
}

HRESULT CFenwarpHost::IsViewShown(BSTR progId, short* shown) {
  HRESULT hr = S_OK;
  if (!shown) {
    hr = E_POINTER;
  } else if (!m_site) {
    hr = E_UNEXPECTED;
  } else {
    *shown = m_frame->IsViewShown(Wide(progId)) ? 1 : 0;
  }
  LogCall(L"IsViewShown(" + Text(progId) + L")", hr,
          SUCCEEDED(hr) ? L"shown " + std::to_wstring(*shown) : L"");
  return hr;
}

HRESULT CFenwarpHost::ShowView(BSTR progId) {
  bool deferred = false;
  HRESULT hr = !m_site ? E_UNEXPECTED : m_frame->ShowView(Wide(progId), &deferred);
  LogCall(L"ShowView(" + Text(progId) + L")", hr, deferred ? L"deferred" : L"");
  return hr;
}

}  // namespace orvel::fenwarp
