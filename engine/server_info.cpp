// The engine's device and manager information: the refresh of the device record from EPOC
// Connect, the version texts, and the device's localized folders.
#include <memory>
#include <vector>

#include "engine/econnect_objects.h"
#include "engine/engine_limits.h"
#include "engine/engine_wnd.h"
#include "support/win/module_path.h"
#include "engine/server.h"
#include "support/win/wide.h"

namespace orvel::engine {

namespace {

// The fixed version words and the string values of a program's version resource.
class CVersionResource {
 public:
  explicit CVersionResource(const std::wstring& file) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return;
    m_data.resize(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, m_data.data())) m_data.clear();
  }

  const VS_FIXEDFILEINFO* Fixed() const {
    void* value = nullptr;
    UINT length = 0;
    if (m_data.empty() || !::VerQueryValueW(m_data.data(), L"\\", &value, &length) ||
        length < sizeof(VS_FIXEDFILEINFO))
      return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(value);
  }

  // A string of the first language of the translation table; empty when there is none.
  std::u16string String(const wchar_t* name) const {
    void* value = nullptr;
    UINT length = 0;
    if (m_data.empty() || !::VerQueryValueW(m_data.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
        length < 4)
      return {};
    const WORD* translation = static_cast<const WORD*>(value);
    wchar_t path[64];
    ::wsprintfW(path, L"\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
    if (!::VerQueryValueW(m_data.data(), path, &value, &length) || length == 0) return {};
    // The length counts the terminator; the text is taken up to it and never past the block.
    const wchar_t* text = static_cast<const wchar_t*>(value);
    std::wstring_view view(text, length);
    return win::FromWide(view.substr(0, view.find(L'\0')));
  }

 private:
  std::vector<BYTE> m_data;
};

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/") + 1); }

std::u16string EngineVersionText(const std::wstring& program) {
  CVersionResource resource(program);
  const VS_FIXEDFILEINFO* fixed = resource.Fixed();
  if (!fixed) return {};
  return FormatVersionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS,
                           LeadingNumber(resource.String(L"PrivateBuild")));
}

std::u16string ConnectVersionText(const std::wstring& program) {
  if (program.empty()) return {};
  CVersionResource resource(program);
  const VS_FIXEDFILEINFO* fixed = resource.Fixed();
  if (!fixed) return {};
  uint32_t build = LeadingNumber(resource.String(L"FileVersion"));
  // EPOC Connect's program may carry no build; its engine "ecce.exe" beside it then does.
  if (build == 0)
    build = LeadingNumber(CVersionResource(FolderOf(program) + L"ecce.exe").String(L"FileVersion"));
  return FormatVersionText(fixed->dwProductVersionMS, fixed->dwProductVersionLS, build);
}

}  // namespace

void CTerminalManagerServer::ReadManagerInfo() {
  std::u16string program, folder;
  if (win::GetModulePath(program, nullptr)) m_manager.version = EngineVersionText(win::AsWide(program));
  m_manager.epocConnectVersion = ConnectVersionText(m_connectProgram);
  if (win::GetModuleDirectory(folder, nullptr)) m_manager.logFile = folder + u"MorvaneLog.csv";
}

std::u16string CTerminalManagerServer::ManagerInfoText() const {
  std::u16string text;
  BuildManagerInfoText(text, m_manager);
  return text;
}

std::u16string CTerminalManagerServer::DeviceInfoText() const {
  std::u16string text;
  BuildDeviceInfoText(text, m_record);
  return text;
}

HResult CTerminalManagerServer::ReadMachineInfo() {
  if (!m_ecEngine) return kTransferUnavailable;
  win::ComPtr<IUnknown> object;
  HRESULT hr = m_ecEngine->GetInfoObject(EC_MACHINE_INFO, object.GetAddressOf());
  if (FAILED(hr) || !object) return MapErrorToHResult(static_cast<uint32_t>(hr), kDeviceInfoFailed);
  win::ComPtr<IECMachineInfo> machine;
  if (FAILED(object.As(&machine)) || !machine) return kDeviceInfoFailed;
  ECMachineInfo info = {};
  hr = machine->GetInfo(&info);
  if (FAILED(hr)) return MapErrorToHResult(static_cast<uint32_t>(hr), kDeviceInfoFailed);
  MachineValues values;
  size_t length = 0;
  while (length < std::size(info.Identity) && info.Identity[length] != 0) ++length;
  values.identity.assign(reinterpret_cast<const char16_t*>(info.Identity), length);
  values.language = info.Language;
  values.romMajor = info.RomMajor;
  values.romMinor = info.RomMinor;
  values.romBuild = info.RomBuild;
  values.romReprogrammable = info.RomReprogrammable;
  values.romTotal = info.RomTotal;
  values.ramTotal = info.RamTotal;
  values.ramMaxFree = info.RamMaxFree;
  values.ramFree = info.RamFree;
  values.ramDisk = info.RamDisk;
  values.ramRegistry = info.RamRegistry;
  values.batteryMain = info.BatteryMain;
  values.batteryBackup = info.BatteryBackup;
  values.externalPower = info.ExternalPower;
  FillMachineValues(m_record, values);
  return kOk;
}

HResult CTerminalManagerServer::ReadOwnerCard() {
  if (!m_deviceInfo &&
      FAILED(::CoCreateInstance(CLSID_ECDeviceInfo, nullptr, win::kAnyContext, IID_IECDeviceInfo,
                                reinterpret_cast<void**>(m_deviceInfo.GetAddressOf())))) {
    m_deviceInfo.Reset();
    return kDeviceInfoFailed;
  }
  if (FAILED(m_deviceInfo->ReadOwnerCard())) return kDeviceInfoFailed;
  LONG count = 0;
  if (FAILED(m_deviceInfo->GetFieldCount(&count))) return kDeviceInfoFailed;
  std::vector<CardField> fields;
  for (LONG i = 0; i < count; ++i) {
    LONG type = 0;
    VARIANT value;
    ::VariantInit(&value);
    if (SUCCEEDED(m_deviceInfo->GetField(i, &type, &value)) && value.vt == VT_BSTR)
      fields.emplace_back(type, win::FromBstr(value.bstrVal));
    ::VariantClear(&value);
  }
  FillOwnerValues(m_record, fields);
  return kOk;
}

HResult CTerminalManagerServer::UpdateDeviceInfo() {
  if (m_connectionState != kConnected) return kCancelled;
  m_deviceInfoDue.reset();
  CBusyLock busy;
  HResult result = kOk;
  m_record.epocName = m_deviceName;
  m_record.ClearMachineValues();
  if (m_deviceConnected) {
    HResult machine = CreateTransferObjects();
    if (!IsFailure(machine)) machine = ReadMachineInfo();
    if (IsFailure(machine)) {
      // Whatever a failed read left behind is not shown.
      m_record.ClearMachineValues();
      result = machine;
    }
  }
  // The card belongs to the device that is connected now: a device that went away, or a card that
  // cannot be read, leaves no name or number of an earlier one.
  FillOwnerValues(m_record, {});
  if (m_deviceConnected && CTerminalManagerServer::Instance() == this && m_connectionState == kConnected) {
    HResult card = ReadOwnerCard();
    if (IsFailure(card)) {
      FillOwnerValues(m_record, {});
      result = card;
    }
  }
  if (m_deviceConnected) PostStateChanged();
  m_deviceInfoDue = std::chrono::steady_clock::now() +
                    LimitDuration(IsFailure(result) ? Limit::DeviceInfoRetry : Limit::DeviceInfoRefresh);
  return result;
}

HResult CTerminalManagerServer::DeviceFolderPath(uint32_t folderId, std::u16string& path) const {
  return engine::DeviceFolderPath(path, m_record.languageNumber, folderId);
}

std::u16string CTerminalManagerServer::DevicePathForDevice(const std::u16string& path) const {
  return engine::DevicePathForDevice(path, m_record.languageNumber);
}

}  // namespace orvel::engine
