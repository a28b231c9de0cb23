// The engine's side of the audit log: what goes into a record, taken from the engine's device
// and manager information and from the open client.
#include <windows.h>

#include <cwchar>
#include <string>

#include "engine/audit_log.h"
#include "engine/server.h"
#include "support/u16text.h"
#include "support/win/handle.h"
#include "support/win/wide.h"

namespace orvel::engine {

namespace {

std::u16string LocalTimeText() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  wchar_t text[32];
  std::swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return win::FromWide(text);
}

// The engine has no window to show this in; whoever watches its debug output sees the record.
void ReportLostRecord(const std::u16string& file, const AuditRecord& record) {
  std::u16string text = u"Vantrel: the audit log \"" + file + u"\" cannot be written; this record is lost: " +
                        FromUtf8(FormatAuditRecord(record));
  ::OutputDebugStringW(win::AsWide(text).c_str());
}

}  // namespace

bool AppendAuditRecord(std::u16string_view file, const AuditRecord& record) {
  // Others may read the log while it is open here, as a spreadsheet program does.
  win::UniqueFile log(::CreateFileW(win::AsWide(file).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log) return false;
  LONG high = 0;
  ::SetLastError(NO_ERROR);
  DWORD low = ::SetFilePointer(log.get(), 0, &high, FILE_END);
  if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return false;
  std::string bytes;
  if (low == 0 && high == 0) bytes = std::string(kUtf8Mark) + kAuditHeader;
  bytes += FormatAuditRecord(record);
  DWORD written = 0;
  return ::WriteFile(log.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

void WriteLogLine(const char16_t* operation, HResult result) {
  CTerminalManagerServer* engine = CTerminalManagerServer::Instance();
  if (!engine) return;
  AuditRecord record;
  record.date = LocalTimeText();
  SetDeviceFields(record, engine->DeviceInfoText());
  record.operation = operation;
  record.result = result;
  if (CClientSession* client = engine->OpenClient()) {
    record.client = client->m_name;
    record.description = client->m_logDescription;
    client->m_logDescription.clear();
  }
  std::u16string file = AuditLogFile(engine->ManagerInfoText());
  bool written = false;
  try {
    written = !file.empty() && AppendAuditRecord(file, record);
  } catch (...) {
  }
  // The operation's outcome stands either way.
  try {
    if (!written) ReportLostRecord(file, record);
  } catch (...) {
  }
}

}  // namespace orvel::engine
