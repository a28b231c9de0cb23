// The body of a settings send: the temporary file, the device-side components, the copy of the
// settings file to the device and its removal.
#include <cwchar>
#include <string>

#include "interfaces/econnect_contract.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "transport/tolvane_module.h"

namespace orvel::tessmark {

namespace {

ObjectCreator g_creator = nullptr;

HRESULT CreateObject(REFCLSID clsid, REFIID iid, void** out) {
  if (g_creator) return g_creator(clsid, iid, out);
  return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}

constexpr wchar_t kDeviceSettingsFile[] = L"c:\\~epoc_settings.xml";
constexpr wchar_t kDeviceLibs[] = L"c:\\System\\Libs\\";
constexpr wchar_t kServerLibrary[] = L"c:\\System\\Libs\\tlvxsvr.dll";

struct SupportFile {
  const wchar_t* name;
  bool required;
};
constexpr SupportFile kSupportFiles[] = {
    {L"xmldom.dll", true},
    {L"domgenerator.dll", true},
    {L"tlvxsvr.dll", true},
    {L"gencserv.rsy", false},
};

// The temporary settings file; removed on every way out, so that settings with passwords are
// never left behind.
class CTemporaryFile {
 public:
  explicit CTemporaryFile(std::wstring path) : m_path(std::move(path)) {}
  CTemporaryFile(const CTemporaryFile&) = delete;
  CTemporaryFile& operator=(const CTemporaryFile&) = delete;
  ~CTemporaryFile() {
    if (!m_path.empty()) ::DeleteFileW(m_path.c_str());
  }
  const std::wstring& Path() const { return m_path; }
  // The normal end, whose failure is reported.
  bool Delete() {
    bool deleted =
        ::DeleteFileW(m_path.c_str()) || ::GetFileAttributesW(m_path.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (deleted) m_path.clear();
    return deleted;
  }

 private:
  std::wstring m_path;
};

std::wstring MakeTemporaryName() {
  // The system's temporary folder (TMP, else TEMP, ...); the name is made and the file created in
  // one step, so that no other program takes it in between. The system's file functions reach
  // Ambrel, the C runtime's wide ones (_wtempnam) would not.
  wchar_t folder[MAX_PATH + 1] = {};
  DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  wchar_t name[MAX_PATH] = {};
  if (length == 0 || length > MAX_PATH || ::GetTempFileNameW(folder, L"~re", 0, name) == 0)
    throw TlvxException{kErrorLocalFile, 0, text::kUniqueFilename};
  return name;
}

}  // namespace

void SetObjectCreator(ObjectCreator creator) { g_creator = creator; }

HRESULT CTolvaneModule::OnCopyProgress(SHORT percent, LONG* cancel) {
  FireOnProgress(m_fileStage.load(), u"", static_cast<std::uint32_t>(percent < 0 ? 0 : percent));
  if (cancel) *cancel = m_cancel.load() ? 1 : 0;
  return S_OK;
}

void CTolvaneModule::SendSettingsText(const std::u16string& text) {
  CTemporaryFile file(MakeTemporaryName());
  WriteSettingsFile(text, file.Path());
  DoSendConfig(file.Path());
  if (!file.Delete()) throw TlvxException{kErrorLocalFile, ::GetLastError(), text::kDeleteTemporary};
}

void CTolvaneModule::WriteSettingsFile(const std::u16string& text, const std::wstring& path) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw TlvxException{kErrorTemporaryFile, ::GetLastError(), text::kCreateTemporary};
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  DWORD written = 0;
  if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    throw TlvxException{kErrorLocalFile, ::GetLastError(), text::kWriteError};
}

void CTolvaneModule::DoSendConfig(const std::wstring& path) {
  ConnectGenericServer();
  m_fileStage.store(2);
  ECLocation source, target;
  if (!econnect::MakeLocation(source, EC_LOCATION_COMPUTER, path))
    throw TlvxException{kErrorLocalFile, 0, text::kCopyToDevice};
  econnect::MakeLocation(target, EC_LOCATION_DEVICE, kDeviceSettingsFile);
  try {
    HRESULT error = m_engine->Copy(&source, &target, EC_COPY_OVERWRITE);
    if (error != 0)
      throw TlvxException{kErrorLocalFile, static_cast<std::uint32_t>(error), text::kCopyToDevice};
    try {
      CServerRequest request(m_server.Get(), m_sink.Get());
      request.SetCommand(codec::kCommandApply);
      request.AppendString(u"c:\\~epoc_settings.xml");
      SendAndWait(request, codec::kStateApplied);
      request.SetCommand(codec::kCommandFinish);
      SendAndWait(request, codec::kStateFinished);
    } catch (const ComCallError& e) {
      DeleteDeviceCopy();
      Disconnect();
      throw TlvxException{kErrorConnection, static_cast<std::uint32_t>(e.hr), text::kConnectionFailure};
    }
  } catch (...) {
    // The device copy holds the settings, passwords included: it goes whatever the outcome.
    DeleteDeviceCopy();
    throw;
  }
  HRESULT error = m_engine->Delete(&target);
  if (error != 0)
    throw TlvxException{kErrorDeviceFile, static_cast<std::uint32_t>(error), text::kDeleteDeviceCopy};
}

void CTolvaneModule::DeleteDeviceCopy() {
  if (!m_engine) return;
  ECLocation target;
  econnect::MakeLocation(target, EC_LOCATION_DEVICE, kDeviceSettingsFile);
  m_engine->Delete(&target);
}

void CTolvaneModule::ConnectGenericServer() {
  Disconnect();
  m_sink = win::MakeCom<CResponseSink>(this);
  if (!m_sink) throw TlvxException{kErrorOutOfMemory, 0, text::kEncodeOutOfMemory};
  HRESULT hr = CreateObject(CLSID_ECEngine, IID_IECEngine,
                            reinterpret_cast<void**>(m_engine.ReleaseAndGetAddressOf()));
  if (FAILED(hr) || !m_engine)
    throw TlvxException{kErrorComObject, static_cast<std::uint32_t>(hr), text::kEngineObject};
  ComPtr<ITransferProgressSink> progress;
  m_sink.As(&progress);
  m_engine->Advise(progress.Get());
  LONG connected = 0;
  if (m_engine->IsConnected(&connected) != 0 || !connected) {
    HRESULT error = m_engine->Connect(0);
    if (error != 0)
      throw TlvxException{kErrorConnection, static_cast<std::uint32_t>(error), text::kConnectDevice};
  }
  InstallRemoteFiles();
  hr = CreateObject(CLSID_MPSDRC, IID_IMPSDRC, reinterpret_cast<void**>(m_server.ReleaseAndGetAddressOf()));
  if (FAILED(hr) || !m_server)
    throw TlvxException{kErrorComObject, static_cast<std::uint32_t>(hr), text::kServerObject};
  win::UniqueBstr library(u"c:\\System\\Libs\\tlvxsvr.dll");
  hr = m_server->StartServer(library.get());
  if (hr != S_OK) throw TlvxException{kErrorServerStart, static_cast<std::uint32_t>(hr), text::kServerStart};
}

void CTolvaneModule::InstallRemoteFiles() {
  std::optional<std::wstring> folder =
      win::ReadRegString(HKEY_LOCAL_MACHINE, econnect::kAppPathsKey, L"Path");
  if (!folder) throw TlvxException{kErrorLocalFile, 0, text::kRegistryKey};
  ECLocation libs;
  econnect::MakeLocation(libs, EC_LOCATION_DEVICE, kDeviceLibs);
  m_engine->MakeDirectory(&libs);
  m_fileStage.store(1);
  for (const SupportFile& file : kSupportFiles)
    CopyIfDifferent(*folder + L"\\" + file.name, std::wstring(kDeviceLibs) + file.name, file.required);
}

void CTolvaneModule::CopyIfDifferent(const std::wstring& source, const std::wstring& target, bool required) {
  auto fail = [](std::uint32_t code, HRESULT error) {
    return TlvxException{code, static_cast<std::uint32_t>(error), text::kFileError};
  };
  ECLocation from, to;
  if (!econnect::MakeLocation(from, EC_LOCATION_COMPUTER, source)) throw fail(kErrorLocalFile, 0);
  if (!econnect::MakeLocation(to, EC_LOCATION_DEVICE, target)) throw fail(kErrorDeviceFile, 0);
  ComPtr<IECEntry> entry;
  HRESULT error = m_engine->LookupEntry(&from, &entry);
  if (error != 0 || !entry) {
    if (!required) return;
    throw fail(kErrorLocalFile, error);
  }
  ECEntryInfo sourceInfo{};
  error = entry->GetInfo(&sourceInfo);
  if (error != 0) throw fail(kErrorLocalFile, error);
  entry.Reset();
  error = m_engine->LookupEntry(&to, &entry);
  if (error != EC_ERROR_NOT_FOUND) {
    if (error != 0 || !entry) throw fail(kErrorDeviceFile, error);
    ECEntryInfo targetInfo{};
    error = entry->GetInfo(&targetInfo);
    if (error != 0) throw fail(kErrorDeviceFile, error);
    SYSTEMTIME a{}, b{};
    FILETIME sourceTime = sourceInfo.LastWrite, targetTime = targetInfo.LastWrite;
    if (!::FileTimeToSystemTime(&sourceTime, &a) || !::FileTimeToSystemTime(&targetTime, &b))
      throw TlvxException{kErrorLocalFile, 0, text::kTimeStamp};
    // The same minute and the same size count as up to date; seconds are not compared.
    if (a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
        a.wMinute == b.wMinute && sourceInfo.Size == targetInfo.Size)
      return;
    error = m_engine->SetAttributes(&to, targetInfo.Attributes & ~1u);
    if (error != 0) throw fail(kErrorDeviceFile, error);
  }
  error = m_engine->Copy(&from, &to, EC_COPY_OVERWRITE);
  if (error != 0) throw fail(kErrorDeviceFile, error);
}

void CTolvaneModule::Disconnect() {
  if (m_engine || m_server) {
    ::Sleep(Milliseconds(Duration::DisconnectPause));
    m_server.Reset();
    if (m_engine) m_engine->Disconnect();
    m_engine.Reset();
  }
  if (m_sink) {
    m_sink->Detach();
    m_sink.Reset();
  }
}

}  // namespace orvel::tessmark
