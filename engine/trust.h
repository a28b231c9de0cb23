// Whether the engine trusts a client that asks to open the device: its own user interface by name,
// the names the user chose to trust always (stored under "Secured Clients"), and otherwise the
// user's answer to the trust prompt.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/engine_codes.h"
#include "support/win/registry.h"

namespace orvel::engine {

class CClientSession;
class CPellornThread;

// The four texts of a trust prompt: message, always, yes, no.
using PromptTexts = std::array<std::u16string, 4>;

inline constexpr char16_t kOwnUserInterface[] = u"Corvanset User Interface";
inline constexpr const wchar_t* kSecuredClientsKey = win::kCorvansetKey;
inline constexpr wchar_t kSecuredClientsValue[] = L"Secured Clients";

// The prompt texts for a client: its own when it set a message, else the engine's defaults. Yes
// and No keep their default words when the client left them empty (a button needs a word); an
// empty "always" text means no check box.
PromptTexts MakePromptTexts(const std::u16string& clientName, const PromptTexts& clientTexts);

// The trusted names; read from the registry once, when the engine object is built.
class CTrustedClients {
 public:
  void Load();
  // Exact, case-sensitive.
  bool Contains(const std::u16string& name) const;
  // Appends the name and writes the whole list; a registry failure leaves the list extended and is
  // not reported.
  void Add(const std::u16string& name);
  const std::vector<std::u16string>& Names() const { return m_names; }

 private:
  std::vector<std::u16string> m_names;
};

// S_OK when the client may open the device, 0x80040029 when refused (the prompt's own failure,
// 0x800400A1, when it could not be shown). Blocks the calling (main) thread for the prompt.
HResult CheckClientTrust(CTrustedClients& trusted, CClientSession& client, CPellornThread* worker);

}  // namespace orvel::engine
