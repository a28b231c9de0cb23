// The engine object: the connection to EPOC Connect, the registered clients, the open client, the
// current request and the device record; the poll that drives them and the state word that clients
// see. Everything here runs on the engine's main thread; the sinks only post to the engine window.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "econnect.h"
#include "engine/client.h"
#include "engine/device_info.h"
#include "engine/engine_codes.h"
#include "engine/packet.h"
#include "engine/request.h"
#include "engine/trust.h"
#include "support/win/com.h"
#include "vantrel.h"

namespace orvel::engine {

inline constexpr wchar_t kFrameworkWindowClass[] = L"Orvel.Fenwarp6.FRAMEW.GLOBALCLASS";
inline constexpr size_t kMaxClients = 1024;

// Bits of the state word.
inline constexpr uint32_t kStateDeviceConnected = 1;
inline constexpr uint32_t kStateFramework = 2;
inline constexpr uint32_t kStateClientOpen = 4;
inline constexpr uint32_t kStateOperation = 8;

enum ConnectionState : uint32_t { kDisconnected = 0, kConnecting = 1, kConnected = 2, kDisconnecting = 3 };

class CTerminalManagerServer : public win::CComObject<ITerminalManager, IECDeviceSink, IECRestoreEvents,
                                                      IECFileCopyEvents, IECTransferEvents> {
 public:
  CTerminalManagerServer();
  ~CTerminalManagerServer() override;

  // The one engine object, or null before it is made and after it is gone.
  static CTerminalManagerServer* Instance();
  // Makes the engine object (at start) and releases it after disconnecting (at tear-down).
  static bool CreateInstance();
  static void DestroyInstance();

  // Connection.
  HResult Connect();
  HResult Disconnect();
  void SetConnectionState(uint32_t state) { m_connectionState = state; }
  uint32_t ConnectionStateValue() const { return m_connectionState; }

  // Poll and its parts.
  void Poll();
  void CheckDevice();
  void CheckFramework();
  void SweepClients();
  void DispatchCurrent();
  void PostPoll(uint32_t flag);
  void PostStateChanged();
  uint32_t GetStatusFlags() const;

  // Requests.
  CRequest* CurrentRequest() const { return m_current.get(); }
  void SetCurrentRequest(std::unique_ptr<CRequest> request);
  std::unique_ptr<CRequest> TakeCurrentRequest();
  HResult RespondToRequest(uint32_t response);
  HResult CancelRequest();
  // Posts the question notice of a request to the open client.
  void PostQuestion(HResult error, uint32_t answers, const std::u16string& tag, const std::u16string& value);
  void PostDone(HResult result);

  // Clients.
  void AddClient(std::unique_ptr<CClientSession> client);
  HResult CanAddClient(IUnknown* callbackIdentity);
  uint32_t NewClientCookie() const;
  CClientSession* FindClientByCallback(IUnknown* callbackIdentity, size_t* index = nullptr) const;
  CClientSession* FindClientByCookie(uint32_t cookie, size_t* index = nullptr) const;
  CClientSession* OpenClient() const { return m_openClient; }
  // Trust check of a client that asks to open the device.
  HResult CheckTrust(CClientSession& client);
  void SetOpenClient(CClientSession* client);
  void CloseClient(CClientSession* client);
  size_t ClientCount() const { return m_clients.size(); }

  // Device and manager information.
  bool DeviceConnected() const { return m_deviceConnected != 0; }
  HResult UpdateDeviceInfo();
  bool DeviceInfoAvailable() const { return m_deviceInfoDue.has_value(); }
  std::u16string DeviceInfoText() const;
  std::u16string ManagerInfoText() const;
  HResult DeviceFolderPath(uint32_t folderId, std::u16string& path) const;
  // A device path written with the English folder names, in the device language's names.
  std::u16string DevicePathForDevice(const std::u16string& path) const;
  const std::wstring& ConnectProgramPath() const { return m_connectProgram; }

  // A relay record to the progress relay's window, with the window's reply; 0 when none is known.
  // A window that has not taken the record within the limit RelaySend is forgotten.
  LRESULT SendRelayRecord(uint32_t message, uint32_t code, uint32_t value);
  HWND ProgressWindow() const { return m_progressWindow; }
  // The relay's window goes with the copy or restore that it served.
  void ForgetProgressWindow() { m_progressWindow = nullptr; }

  // Handlers of the engine window's messages.
  void OnNotify(CPacket packet);
  void OnModuleEvent(CPacket packet);
  void OnBackupEvent(CPacket packet);
  void OnRestoreRelay(CPacket packet);
  void OnCopyEvent(CPacket packet);
  void OnCopyRelay(CPacket packet);

  // IDispatch of the engine object and of its dispatch sinks: nothing is reached by name.
  ORVEL_DISPATCH_BY_VTABLE_ONLY
  // Device object sink.
  HRESULT STDMETHODCALLTYPE OnDeviceChanged(LONG connected, BSTR name) override;
  // Restore object sink.
  HRESULT STDMETHODCALLTYPE OnRestoreState(BSTR drive, LONG state) override;
  // File-copy object sink.
  HRESULT STDMETHODCALLTYPE OnCopyBegin(BSTR source, BSTR target) override;
  HRESULT STDMETHODCALLTYPE OnCopyComplete(LONG sourceKind, BSTR source, LONG targetKind, BSTR target,
                                           LONG copied, LONG result) override;
  // Transfer object sink.
  HRESULT STDMETHODCALLTYPE OnTransferBegin(BSTR source, BSTR target) override;
  HRESULT STDMETHODCALLTYPE OnTransferError(LONG error) override;
  HRESULT STDMETHODCALLTYPE OnTransferProgress(LONG percent, LONG* cancel) override;
  HRESULT STDMETHODCALLTYPE OnTransferEnd(LONG result) override;

  // Outside objects, for the operations.
  IECFileCopy* FileCopyObject() const { return m_fileCopy.Get(); }
  // Makes the file-copy object with the progress relay's ProgID and advises it, when not yet done;
  // releases it.
  HResult CreateFileCopyObject();
  void ReleaseFileCopyObject();
  const std::u16string& DeviceName() const { return m_deviceName; }
  IECRestore* RestoreObject() const { return m_restore.Get(); }
  // Makes the restore object with the progress relay's ProgID and advises it, when not yet done;
  // releases it.
  HResult CreateRestoreObject();
  void ReleaseRestoreObject();
  // The device engine object, held while connected.
  IECEngine* DeviceEngine() const { return m_ecEngine.Get(); }

 private:
  HResult CreateDeviceObject();
  HResult ReleaseDeviceObject();
  HResult CreateTransferObjects();
  void ReleaseTransferObjects();
  void ReleaseProgressObjects();
  // Makes a file-copy or restore object of EPOC Connect for the engine's process and advises the
  // engine's sink for it with the progress relay's ProgID, each when not yet done; failure on
  // either.
  template <class I, class Sink>
  HResult CreateProgressObject(REFCLSID clsid, win::ComPtr<I>& object, bool& advised, Sink* sink,
                               HResult failure);
  // Lets go of the reference that an advised sink holds on the engine, then of the object.
  template <class I>
  void ReleaseAdvised(win::ComPtr<I>& object, bool& advised);
  CRequest* ActiveLeafOfKind(uint32_t kind) const;
  void ReadManagerInfo();
  HResult ReadMachineInfo();
  HResult ReadOwnerCard();

  std::wstring m_connectProgram;
  uint32_t m_connectionState = kDisconnected;
  uint32_t m_hadClients = 0;
  uint32_t m_frameworkPresent = 0;
  HWND m_progressWindow = nullptr;
  uint32_t m_deviceConnected = 0;
  std::u16string m_deviceName;
  std::vector<std::unique_ptr<CClientSession>> m_clients;
  CClientSession* m_openClient = nullptr;
  std::unique_ptr<CRequest> m_current;
  win::ComPtr<IECDevice> m_device;
  LONG m_deviceCookie = 0;
  bool m_deviceAdvised = false;
  win::ComPtr<IECTransfer> m_transfer;
  bool m_transferAdvised = false;
  win::ComPtr<IECEngine> m_ecEngine;
  bool m_ecEngineAdvised = false;
  win::ComPtr<IECFileCopy> m_fileCopy;
  bool m_fileCopyAdvised = false;
  win::ComPtr<IECRestore> m_restore;
  bool m_restoreAdvised = false;
  // Unset while the device information is due; set once a refresh has ended.
  std::optional<std::chrono::steady_clock::time_point> m_deviceInfoDue;
  DeviceRecord m_record;
  ManagerRecord m_manager;
  // The owner's contact card is read through it; made on first use, released at Disconnect.
  win::ComPtr<IECDeviceInfo> m_deviceInfo;
  CTrustedClients m_trusted;
};

}  // namespace orvel::engine
