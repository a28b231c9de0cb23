// The plug-in's road to the engine: one TerminalManagerExt object with the plug-in named as its
// client and the view's callback registered, and the start-up thread that starts the engine early.
#pragma once

#include <windows.h>

#include <string>

#include "support/win/com.h"
#include "vantrel.h"

namespace orvel::ui {

// The name the engine always trusts.
inline constexpr wchar_t kClientName[] = L"Corvanset User Interface";

struct EngineConnection {
  win::ComPtr<ITerminalManagerExt> engine;
  long cookie = 0;  // 0 while no callback is registered
};

enum class ConnectStep { Create, ClientDetails, Advise, Done };
struct ConnectResult {
  ConnectStep failedAt;  // Done when connected
  HRESULT result;
};

// Creates the engine object, names this process as the client and, with a callback, registers it.
// On a failure the object may be held still: ReleaseEngine releases it.
ConnectResult ConnectEngine(EngineConnection& connection, ITerminalManagerExtCallback* callback);
// Unregisters the callback when one is registered, then releases the object.
void ReleaseEngine(EngineConnection& connection);

// Where the engine writes its audit log "MorvaneLog.csv": beside the engine's program as its class
// registration names it; beside this plug-in when the engine is not registered.
std::u16string EngineAuditLogPath();

// The body of the start-up thread: connects once in an apartment of its own and lets go again, so
// that the engine server starts before the user asks for it. It touches nothing of the view: the
// view's callback belongs to the user-interface thread's apartment, so none is registered here.
DWORD WINAPI PrestartEngineThread(void* unused);

}  // namespace orvel::ui
