// The engine's side of the audit log: what goes into a record, taken from the engine's device
// and manager information and from the open client.
#include <windows.h>

#include <cwchar>

#include "engine/audit_log.h"
#include "engine/server.h"

namespace orvel::engine {

namespace {

// The value of one key of an information text ("<Key>value</Key>" lines).
std::u16string InfoValue(const std::u16string& text, std::u16string_view key) {
  std::u16string open = u"<" + std::u16string(key) + u">";
  std::u16string close = u"</" + std::u16string(key) + u">";
  size_t start = text.find(open);
  if (start == std::u16string::npos) return {};
  start += open.size();
  size_t end = text.find(close, start);
  return end == std::u16string::npos ? std::u16string() : text.substr(start, end - start);
}

std::u16string LocalTimeText() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  wchar_t text[32];
  std::swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

}  // namespace

void WriteLogLine(const char16_t* operation, HResult result) {
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  if (!engine) return;
  std::u16string device = engine->DeviceInfoText();
  AuditRecord record;
  record.date = LocalTimeText();
  record.imei = InfoValue(device, u"IMEI");
  record.device = InfoValue(device, u"EPOCName");
  record.phone = InfoValue(device, u"PhoneNumber");
  record.operation = operation;
  record.result = result;
  if (CClientSession* client = engine->OpenClient()) {
    record.client = client->m_name;
    record.description = client->m_logDescription;
    client->m_logDescription.clear();
  }
  std::u16string file = InfoValue(engine->ManagerInfoText(), u"LogFile");
  try {
    AppendAuditRecord(std::filesystem::path(std::wstring(file.begin(), file.end())), record);
  } catch (...) {
    // A log that cannot be written loses the record; the operation's outcome stands.
  }
}

}  // namespace orvel::engine
