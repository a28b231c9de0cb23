#include "transport/tests/test_client.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>

#include "outside/econnect/device.h"
#include "interfaces/econnect_contract.h"
#include "outside/econnect/settings_server.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "transport/durations.h"

namespace orvel::tessmark::test {

namespace {

std::u16string Text(BSTR text) { return win::FromWide(text); }

// Every limit of the module at kTimePercent of its length, never below 1 ms.
std::wstring ShortLimits() {
  std::wstring text;
  for (const LimitEntry& d : kDurations) {
    DWORD ms = d.milliseconds * kTimePercent / 100;
    std::string entry = std::string(kLimitsDeliverable) + "." + d.name + "=" + std::to_string(ms ? ms : 1);
    text += (text.empty() ? L"" : L",") + std::wstring(entry.begin(), entry.end());
  }
  return text;
}

}  // namespace

const char16_t kSettingsText[] =
    u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
    u"<Settings>\n"
    u"<IAPSettings><IAP><Name>Home</Name><Phone>+44 20 7946 0000</Phone></IAP></IAPSettings>\n"
    u"<EMailSettings><Mailbox><Name>Work</Name><Password>s\u00e9cret</Password></Mailbox></EMailSettings>\n"
    u"<WAPSettings><Bookmark><Name>News</Name></Bookmark></WAPSettings>\n"
    u"<PersonalData><Contacts/><Calendar/></PersonalData>\n"
    u"</Settings>\n";
const std::vector<std::u16string> kSettingsElements = {u"IAPSettings", u"EMailSettings", u"WAPSettings",
                                                       u"Contacts", u"Calendar"};

HRESULT CTestCallback::OnError(HRESULT hError, LONG nResponse, BSTR strTag, BSTR strName) {
  Add({Event::Error, hError, nResponse, 0, Text(strTag), Text(strName)});
  return S_OK;
}

HRESULT CTestCallback::OnProgress(LONG nStage, BSTR strTag, LONG nPercent) {
  Add({Event::Progress, 0, nStage, nPercent, Text(strTag), u""});
  return S_OK;
}

HRESULT CTestCallback::OnDone(HRESULT hError) {
  Add({Event::Done, hError, 0, 0, u"", u""});
  return S_OK;
}

void CTestCallback::Add(Event event) {
  if (react) react(event);
  std::lock_guard<std::mutex> guard(m_lock);
  m_events.push_back(std::move(event));
  m_changed.notify_all();
}

bool CTestCallback::WaitFor(const std::function<bool(const std::vector<Event>&)>& pred) {
  std::unique_lock<std::mutex> guard(m_lock);
  return m_changed.wait_for(guard, kEventLimit, [&] { return pred(m_events); });
}

std::vector<Event> CTestCallback::Events() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_events;
}

HRESULT CTestCallback::DoneResult() {
  for (const Event& e : Events())
    if (e.kind == Event::Done) return e.hr;
  return E_UNEXPECTED;
}

int CTestCallback::Count(const std::vector<Event>& events, Event::Kind kind) {
  int n = 0;
  for (const Event& e : events) n += e.kind == kind;
  return n;
}

CTestDevice::CTestDevice(const std::string& name, const std::string& knobs) {
  fs::path base = fs::path(win::CModule::Path()).parent_path() / L"tessmark-devices";
  m_root = base / name;
  m_tmp = base / (name + "-tmp");
  std::error_code error;
  fs::remove_all(m_root, error);
  fs::remove_all(m_tmp, error);
  fs::create_directories(m_root / "c");
  fs::create_directories(m_root / "d");
  fs::create_directories(m_tmp);
  std::ofstream(m_root / econnect::kStateFileName, std::ios::binary) << "connected=1\nname=Farlink\n"
                                                                     << knobs;
  ::SetEnvironmentVariableW(L"ECONNECT_DEVICE_ROOT", m_root.c_str());
  ::SetEnvironmentVariableW(L"TMP", m_tmp.c_str());
  ::SetEnvironmentVariableW(L"ORVEL_LIMITS", ShortLimits().c_str());
}

fs::path CTestDevice::DeviceFile(const std::wstring& path) const {
  return *econnect::DeviceFile(m_root, win::FromWide(path));
}

fs::path CTestDevice::StoreFile(const std::u16string& element) const {
  return econnect::StoreFile(m_root, element);
}

std::string CTestDevice::Read(const fs::path& file) const {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void CTestDevice::SetKnob(const std::string& key, const std::string& value) {
  econnect::UpdateStateValue(m_root, key, value);
}

fs::path CTestDevice::CompanionFolder() {
  auto path = win::ReadRegString(HKEY_LOCAL_MACHINE, econnect::kAppPathsKey, L"Path");
  return path ? fs::path(*path) : fs::path();
}

}  // namespace orvel::tessmark::test
