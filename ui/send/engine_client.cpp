#include "ui/send/engine_client.h"

#include "support/path_text.h"
#include "support/win/handle.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "ui/app/app_text.h"
#include "ui/app/morvane_app.h"

namespace orvel::ui {

std::u16string EngineAuditLogPath() {
  std::u16string folder = GetModuleFolder();
  std::wstring key = L"CLSID\\" + win::GuidText(CLSID_TerminalManagerExt) + L"\\LocalServer32";
  if (std::optional<std::wstring> command = win::ReadRegString(HKEY_CLASSES_ROOT, key, nullptr)) {
    std::u16string program = ProgramOfCommandLine(win::FromWide(*command));
    if (program.find(u'\\') != std::u16string::npos) folder = GetFolderOfPath(program);
  }
  std::u16string path;
  CombinePath(path, folder, u"MorvaneLog.csv");
  return path;
}

ConnectResult ConnectEngine(EngineConnection& connection, ITerminalManagerExtCallback* callback) {
  HRESULT hr =
      ::CoCreateInstance(CLSID_TerminalManagerExt, nullptr, win::kAnyContext, IID_ITerminalManagerExt,
                         reinterpret_cast<void**>(connection.engine.ReleaseAndGetAddressOf()));
  if (FAILED(hr) || !connection.engine) return {ConnectStep::Create, FAILED(hr) ? hr : E_NOINTERFACE};
  win::UniqueBstr name(win::FromWide(kClientName));
  hr = connection.engine->SetClientDetails(static_cast<long>(::GetCurrentProcessId()), name.get());
  if (FAILED(hr)) return {ConnectStep::ClientDetails, hr};
  if (callback) {
    hr = connection.engine->AdviseCallback(callback, &connection.cookie);
    if (FAILED(hr)) {
      connection.cookie = 0;
      return {ConnectStep::Advise, hr};
    }
  }
  return {ConnectStep::Done, S_OK};
}

void ReleaseEngine(EngineConnection& connection) {
  if (connection.cookie != 0 && connection.engine) connection.engine->UnAdviseCallback(connection.cookie);
  connection.cookie = 0;
  connection.engine.Reset();
}

DWORD WINAPI PrestartEngineThread(void*) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 0;
  {
    EngineConnection connection;
    ConnectEngine(connection, nullptr);
    ReleaseEngine(connection);
  }
  ::CoUninitialize();
  return 0;
}

}  // namespace orvel::ui
