// The objects that answer at once on the caller's thread: the device object, the
// device-information object, the transfer object, ECEngine with its entries and machine
// information, and MPSDRC with the device's settings server.
#include <olectl.h>

#include <map>
#include <vector>

#include "outside/econnect/settings_server.h"
#include "outside/econnect/standin.h"
#include "support/win/wide.h"

namespace orvel::econnect {

namespace fs = std::filesystem;
using win::CComObject;
using win::CreateComInstance;

namespace {

// ---- device object ----

class CDevice : public CComObject<IECDevice> {
 public:
  ORVEL_DISPATCH_FROM_TYPELIB(IECDevice)

  HRESULT STDMETHODCALLTYPE SetClientProcess(LONG processId) override {
    m_process = processId;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IECDeviceSink* sink, LONG* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    return Guarded([&] {
      *cookie = ++m_lastCookie;
      m_sinks[*cookie] = sink;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE Unadvise(LONG cookie) override {
    return m_sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
  }
  HRESULT STDMETHODCALLTYPE IsConnected(LONG* connected) override {
    if (!connected) return E_POINTER;
    *connected = DeviceConnected() ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reserved11() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDeviceName(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    return Guarded([&]() -> HRESULT {
      if (TakeServerLoss()) return AsHresult(kErrorServerLost);
      CDeviceState state = State();
      std::u16string current = state.Connected() ? state.Text16("name", u"Farlink") : u"";
      HRESULT result = state.Connected() ? S_OK : AsHresult(kErrorNotConnected);
      if (SUCCEEDED(result) && !(*name = NewBstr(current))) return E_OUTOFMEMORY;
      if (current != m_lastName) {
        m_lastName = current;
        Notify(state.Connected(), current);
      }
      return result;
    });
  }

 private:
  void Notify(bool connected, const std::u16string& name) {
    win::UniqueBstr text(name);
    auto sinks = m_sinks;  // a sink may unadvise while it is called
    for (auto& [cookie, sink] : sinks) sink->OnDeviceChanged(connected ? 1 : 0, text.get());
  }

  LONG m_process = 0;
  LONG m_lastCookie = 0;
  std::map<LONG, ComPtr<IECDeviceSink>> m_sinks;
  std::u16string m_lastName;
};

// ---- device-information object: the owner's contact card ----

class CDeviceInfo : public CComObject<IECDeviceInfo> {
 public:
  HRESULT STDMETHODCALLTYPE ReadOwnerCard() override {
    return Guarded([&]() -> HRESULT {
      CDeviceState state = State();
      if (!state.Connected()) return AsHresult(kErrorNotConnected);
      m_fields.clear();
      // "card.<type>=text" is a text field, "cardnum.<type>=number" a number field.
      for (const auto& [key, value] : state.Values()) {
        bool text = key.rfind("card.", 0) == 0;
        bool number = key.rfind("cardnum.", 0) == 0;
        if (!text && !number) continue;
        const char* digits = key.c_str() + key.find('.') + 1;
        char* end = nullptr;
        long type = std::strtol(digits, &end, 10);
        if (end == digits || *end != '\0') continue;
        Field field;
        field.type = static_cast<LONG>(type);
        field.text = text;
        field.value = text ? state.Text16(key) : u"";
        field.number = number ? static_cast<LONG>(state.Number(key)) : 0;
        m_fields.push_back(field);
      }
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE GetFieldCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(m_fields.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetField(LONG index, LONG* type, VARIANT* value) override {
    if (!type || !value) return E_POINTER;
    ::VariantInit(value);
    if (index < 0 || static_cast<size_t>(index) >= m_fields.size()) return E_INVALIDARG;
    const Field& field = m_fields[index];
    *type = field.type;
    if (field.text) {
      value->vt = VT_BSTR;
      value->bstrVal = NewBstr(field.value);
      if (!value->bstrVal) {
        value->vt = VT_EMPTY;
        return E_OUTOFMEMORY;
      }
    } else {
      value->vt = VT_I4;
      value->lVal = field.number;
    }
    return S_OK;
  }

 private:
  struct Field {
    LONG type = 0;
    bool text = true;
    std::u16string value;
    LONG number = 0;
  };
  std::vector<Field> m_fields;
};

// ---- transfer object: events of the file-copy object's copies ----

struct TransferSinks {
  std::mutex lock;
  std::map<void*, std::shared_ptr<CHeldSink<IECTransferEvents>>> sinks;
};
TransferSinks& AllTransferSinks() {
  static TransferSinks all;
  return all;
}

class CTransfer : public CComObject<IECTransfer> {
 public:
  ~CTransfer() override {
    std::lock_guard<std::mutex> guard(AllTransferSinks().lock);
    AllTransferSinks().sinks.erase(this);
  }
  HRESULT STDMETHODCALLTYPE Advise(IECTransferEvents* sink) override {
    if (!sink) return E_POINTER;
    return Guarded([&] {
      auto held = std::make_shared<CHeldSink<IECTransferEvents>>();
      HRESULT hr = held->Set(sink);
      if (FAILED(hr)) return hr;
      std::lock_guard<std::mutex> guard(AllTransferSinks().lock);
      AllTransferSinks().sinks[this] = held;
      return S_OK;
    });
  }
};

// ---- ECEngine ----

class CEntry : public CComObject<IECEntry> {
 public:
  explicit CEntry(const ECEntryInfo& info) : m_info(info) {}
  HRESULT STDMETHODCALLTYPE GetInfo(ECEntryInfo* info) override {
    if (!info) return E_POINTER;
    *info = m_info;
    return S_OK;
  }

 private:
  ECEntryInfo m_info;
};

class CMachineInfo : public CComObject<IECMachineInfo> {
 public:
  explicit CMachineInfo(const ECMachineInfo& info) : m_info(info) {}
  HRESULT STDMETHODCALLTYPE GetInfo(ECMachineInfo* info) override {
    if (!info) return E_POINTER;
    *info = m_info;
    return S_OK;
  }

 private:
  ECMachineInfo m_info;
};

ECMachineInfo MachineInfo(const CDeviceState& state) {
  ECMachineInfo info = {};
  std::u16string identity = state.Text16("imei");
  identity.resize(std::min<size_t>(identity.size(), 63));
  std::copy(identity.begin(), identity.end(), info.Identity);
  info.Language = static_cast<LONG>(state.Number("language", 1));
  // "major.minor", for example "1.05".
  std::string rom = state.Text("rom_version", "1.00");
  std::size_t point = rom.find('.');
  info.RomMajor = static_cast<SHORT>(std::atoi(rom.substr(0, point).c_str()));
  info.RomMinor = static_cast<SHORT>(point == std::string::npos ? 0 : std::atoi(rom.c_str() + point + 1));
  info.RomBuild = static_cast<LONG>(state.Number("rom_build"));
  info.RomReprogrammable = static_cast<LONG>(state.Number("rom_reprogrammable"));
  info.RomTotal = static_cast<LONG>(state.Number("rom_total"));
  info.RamTotal = static_cast<LONG>(state.Number("ram_total"));
  info.RamMaxFree = static_cast<LONG>(state.Number("ram_max_free"));
  info.RamFree = static_cast<LONG>(state.Number("ram_free"));
  info.RamDisk = static_cast<LONG>(state.Number("ram_disk"));
  info.RamRegistry = static_cast<LONG>(state.Number("ram_registry"));
  info.BatteryMain = static_cast<LONG>(state.Number("battery_main", 3));
  info.BatteryBackup = static_cast<LONG>(state.Number("battery_backup", 3));
  info.ExternalPower = static_cast<LONG>(state.Number("external_power"));
  return info;
}

class CEngine : public CComObject<IECEngine> {
 public:
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink) override {
    if (!sink) return E_POINTER;
    m_progress.Reset();
    sink->QueryInterface(IID_PPV_ARGS(&m_progress));
    m_sink = sink;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsConnected(LONG* connected) override {
    if (!connected) return E_POINTER;
    *connected = m_session && DeviceConnected() ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Connect(LONG) override {
    if (!DeviceConnected()) return kErrorNotConnected;
    m_session = true;
    return 0;
  }
  HRESULT STDMETHODCALLTYPE Disconnect() override {
    m_session = false;
    return 0;
  }
  HRESULT STDMETHODCALLTYPE LookupEntry(ECLocation* location, IECEntry** entry) override {
    if (!location || !entry) return E_POINTER;
    *entry = nullptr;
    return Guarded([&]() -> HRESULT {
      LONG error = 0;
      std::optional<fs::path> file = ResolveLocation(*location, &error);
      if (!file) return error;
      WIN32_FILE_ATTRIBUTE_DATA data = {};
      if (!::GetFileAttributesExW(file->c_str(), GetFileExInfoStandard, &data)) {
        DWORD last = ::GetLastError();
        return last == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : static_cast<HRESULT>(last);
      }
      ECEntryInfo info = {};
      info.Kind = location->Kind;
      info.Attributes = data.dwFileAttributes;
      info.LastWrite = data.ftLastWriteTime;
      info.Size = data.nFileSizeLow;
      std::wstring name = file->filename().wstring();
      name.resize(std::min<size_t>(name.size(), 260));
      std::copy(name.begin(), name.end(), info.Name);
      ComPtr<CEntry> object = win::MakeCom<CEntry>(info);
      if (!object) return E_OUTOFMEMORY;
      *entry = object.Detach();
      return 0;
    });
  }
  HRESULT STDMETHODCALLTYPE Copy(ECLocation* source, ECLocation* target, LONG flags) override {
    if (!source || !target) return E_POINTER;
    return Guarded([&]() -> HRESULT {
      LONG error = 0;
      std::optional<fs::path> from = ResolveLocation(*source, &error);
      if (!from) return error;
      std::optional<fs::path> to = ResolveLocation(*target, &error);
      if (!to) return error;
      if (LONG forced = static_cast<LONG>(State().Number("copy_error"))) return forced;
      win::UniqueBstr fromText(win::FromWide(source->Path)), toText(win::FromWide(target->Path));
      if (m_progress) m_progress->OnBegin(fromText.get(), toText.get());
      LONG result = CopyWithProgress(*from, *to, (flags & 1) != 0, [&](int percent) {
        LONG cancel = 0;
        if (m_progress) m_progress->OnProgress(static_cast<SHORT>(percent), &cancel);
        return cancel == 0;
      });
      if (m_progress) m_progress->OnEnd(result);
      return result;
    });
  }
  HRESULT STDMETHODCALLTYPE Delete(ECLocation* location) override {
    if (!location) return E_POINTER;
    return Guarded([&]() -> HRESULT {
      LONG error = 0;
      std::optional<fs::path> file = ResolveLocation(*location, &error);
      if (!file) return error;
      return ::DeleteFileW(file->c_str()) ? 0 : static_cast<HRESULT>(::GetLastError());
    });
  }
  HRESULT STDMETHODCALLTYPE SetAttributes(ECLocation* location, ULONG attributes) override {
    if (!location) return E_POINTER;
    return Guarded([&]() -> HRESULT {
      LONG error = 0;
      std::optional<fs::path> file = ResolveLocation(*location, &error);
      if (!file) return error;
      return ::SetFileAttributesW(file->c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL)
                 ? 0
                 : static_cast<HRESULT>(::GetLastError());
    });
  }
  HRESULT STDMETHODCALLTYPE MakeDirectory(ECLocation* location) override {
    if (!location) return E_POINTER;
    return Guarded([&]() -> HRESULT {
      LONG error = 0;
      std::optional<fs::path> folder = ResolveLocation(*location, &error);
      if (!folder) return error;
      if (fs::is_directory(*folder)) return ERROR_ALREADY_EXISTS;
      std::error_code failed;
      fs::create_directories(*folder, failed);
      return failed ? ERROR_CANNOT_MAKE : 0;
    });
  }
  HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved13() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved14() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved16() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved17() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved18() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved19() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved20() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved21() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved22() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved23() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved24() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetInfoObject(LONG kind, IUnknown** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (kind != EC_MACHINE_INFO) return E_INVALIDARG;
    return Guarded([&]() -> HRESULT {
      CDeviceState state = State();
      if (!state.Connected()) return AsHresult(kErrorNotConnected);
      ComPtr<CMachineInfo> info = win::MakeCom<CMachineInfo>(MachineInfo(state));
      if (!info) return E_OUTOFMEMORY;
      return info->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(object));
    });
  }

 private:
  ComPtr<IUnknown> m_sink;
  ComPtr<ITransferProgressSink> m_progress;
  bool m_session = false;
};

// ---- MPSDRC: the generic server object in front of the device's settings server ----

class CMpsdrc : public CComObject<IMPSDRC> {
 public:
  HRESULT STDMETHODCALLTYPE SetCommand(LONG, BYTE command) override {
    m_command = command;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetPayload(VARIANT payload) override {
    // The VARIANT's value points at the caller's BLOB record; the bytes are copied here and the
    // VARIANT is never handed to VariantClear, which does not take VT_BLOB.
    if (payload.vt != VT_BLOB) return DISP_E_TYPEMISMATCH;
    if (!payload.byref) return E_POINTER;
    const BLOB& blob = *static_cast<const BLOB*>(payload.byref);
    if (blob.cbSize && !blob.pBlobData) return E_POINTER;
    return Guarded([&] {
      m_payload.assign(blob.pBlobData, blob.pBlobData + blob.cbSize);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE Execute(IUnknown* sink) override {
    if (!sink) return E_POINTER;
    if (!m_server) return E_UNEXPECTED;
    return Guarded([&]() -> HRESULT {
      if (!DeviceConnected()) return AsHresult(kErrorNotConnected);
      ComPtr<ICommonSink> responses;
      HRESULT hr = sink->QueryInterface(IID_PPV_ARGS(&responses));
      if (FAILED(hr)) return hr;
      std::optional<wire::Bytes> response = m_server->Handle(m_command, m_payload.data(), m_payload.size());
      m_payload.clear();
      if (response) responses->ProcessResponse(response->data(), static_cast<ULONG>(response->size()));
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE StartServer(BSTR devicePath) override {
    return Guarded([&]() -> HRESULT {
      LONG error = 0;
      std::optional<fs::path> library =
          ResolveLocation(EC_LOCATION_DEVICE, devicePath ? devicePath : L"", &error);
      if (!library) return AsHresult(error);
      if (!fs::is_regular_file(*library)) return AsHresult(ERROR_FILE_NOT_FOUND);
      m_server = std::make_unique<CSettingsServer>(DeviceRoot());
      return S_OK;
    });
  }

 private:
  BYTE m_command = 0;
  wire::Bytes m_payload;
  std::unique_ptr<CSettingsServer> m_server;
};

}  // namespace

void ForEachTransferSink(const std::function<void(IECTransferEvents*)>& call) {
  std::vector<std::shared_ptr<CHeldSink<IECTransferEvents>>> sinks;
  {
    std::lock_guard<std::mutex> guard(AllTransferSinks().lock);
    for (auto& [owner, sink] : AllTransferSinks().sinks) sinks.push_back(sink);
  }
  for (auto& held : sinks)
    if (ComPtr<IECTransferEvents> sink = held->Get()) call(sink.Get());
}

HRESULT CreateDevice(REFIID iid, void** out) { return CreateComInstance<CDevice>(iid, out); }
HRESULT CreateDeviceInfo(REFIID iid, void** out) { return CreateComInstance<CDeviceInfo>(iid, out); }
HRESULT CreateTransfer(REFIID iid, void** out) { return CreateComInstance<CTransfer>(iid, out); }
HRESULT CreateEngine(REFIID iid, void** out) { return CreateComInstance<CEngine>(iid, out); }
HRESULT CreateMpsdrc(REFIID iid, void** out) { return CreateComInstance<CMpsdrc>(iid, out); }

}  // namespace orvel::econnect
