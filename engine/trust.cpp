#include "engine/trust.h"

#include "engine/client.h"
#include "engine/engine_limits.h"
#include "engine/reg_key_ex.h"
#include "engine/secured_clients.h"
#include "engine/worker_thread.h"

namespace orvel::engine {

PromptTexts MakePromptTexts(const std::u16string& clientName, const PromptTexts& clientTexts) {
  PromptTexts defaults = {u"An application \"" + clientName + u"\" has requested to start\r\n" +
                              u"a service operation to your Orvel Farlink.\r\n" +
                              u"Do you trust this application and want to allow the operation?",
                          u"&Always trust this application.", u"&Yes", u"&No"};
  if (clientTexts[0].empty()) return defaults;
  PromptTexts texts = clientTexts;
  if (texts[2].empty()) texts[2] = defaults[2];
  if (texts[3].empty()) texts[3] = defaults[3];
  return texts;
}

void CTrustedClients::Load() {
  m_names.clear();
  CRegKeyEx key;
  if (key.Open(HKEY_CURRENT_USER, kSecuredClientsKey) != ERROR_SUCCESS) return;
  std::optional<std::vector<uint8_t>> data = key.ReadArchive(kSecuredClientsValue);
  if (!data) return;
  // A value that does not read back whole trusts nobody: no part of a damaged list is taken.
  if (std::optional<std::vector<std::u16string>> names = ParseSecuredClients(*data))
    m_names = std::move(*names);
}

bool CTrustedClients::Contains(const std::u16string& name) const {
  for (const std::u16string& trusted : m_names)
    if (trusted == name) return true;
  return false;
}

void CTrustedClients::Add(const std::u16string& name) {
  m_names.push_back(name);
  CRegKeyEx key;
  if (key.Create(HKEY_CURRENT_USER, kSecuredClientsKey) != ERROR_SUCCESS) return;
  key.WriteArchive(kSecuredClientsValue, SerializeSecuredClients(m_names));
}

HResult CheckClientTrust(CTrustedClients& trusted, CClientSession& client, CPellornThread* worker) {
  if (client.m_name == kOwnUserInterface) return kOk;
  if (trusted.Contains(client.m_name)) return kOk;
  auto now = std::chrono::steady_clock::now();
  if (client.m_stamp && now - *client.m_stamp < LimitDuration(Limit::TrustRetry)) return kClientNotTrusted;
  bool always = false;
  HResult result =
      worker ? worker->PostSecurityPrompt(always, MakePromptTexts(client.m_name, client.m_promptTexts))
             : kClientNotTrusted;
  // Only a granted prompt can add a name, whatever came back with a refusal.
  if (always && !IsFailure(result)) trusted.Add(client.m_name);
  if (IsFailure(result)) {
    client.m_stamp = std::chrono::steady_clock::now();
  } else {
    client.m_stamp.reset();
  }
  return result;
}

}  // namespace orvel::engine
