#include "engine/audit_log.h"

#include <cstdio>

#include "engine/device_info.h"
#include "support/u16text.h"

namespace orvel::engine {

namespace {

std::string Field(std::u16string_view text) {
  std::string utf8 = AsUtf8(text);
  if (utf8.find_first_of(";\"\r\n") == std::string::npos) return utf8;
  std::string quoted = "\"";
  for (char c : utf8) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

void SetDeviceFields(AuditRecord& record, std::u16string_view deviceInfo) {
  record.imei = ReadXmlValue(deviceInfo, u"IMEI").value_or(u"");
  record.device = ReadXmlValue(deviceInfo, u"EPOCName").value_or(u"");
  record.phone = ReadXmlValue(deviceInfo, u"PhoneNumber").value_or(u"");
}

std::u16string AuditLogFile(std::u16string_view managerInfo) {
  return ReadXmlValue(managerInfo, u"LogFile").value_or(u"");
}

std::string AuditResultText(HResult result) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(static_cast<uint32_t>(result)));
  std::string out = text;
  if (!IsFailure(result)) return out + " Ok";
  if ((static_cast<uint32_t>(result) & 0xFFFF) == 0x0101) return out + " Cancelled";
  return out;
}

std::string FormatAuditRecord(const AuditRecord& r) {
  std::string line;
  for (const std::string& field :
       {Field(r.date), Field(u"'" + r.imei), Field(r.device), Field(u"'" + r.phone), Field(r.client),
        Field(r.operation), AuditResultText(r.result), Field(r.description)})
    line += field + ";";
  return line + "\r\n";
}

}  // namespace orvel::engine
