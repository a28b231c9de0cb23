// The audit log "MorvaneLog.csv": one record per finished operation, fields separated by ";" and
// each record ending in ";" and CR LF, below the header line.
//
// The file is UTF-8; a file that is started here begins with the UTF-8 byte-order mark so that
// spreadsheet programs read it as such. A field that holds ";", a double quote or a line end is
// written in double quotes with its quotes doubled, so no description can add fields or records.
#pragma once

#include <string>
#include <string_view>

#include "engine/engine_codes.h"

namespace orvel::engine {

inline constexpr char kAuditHeader[] = "Date;IMEI;Device;Phone;Client;Operation;Result;Description;\r\n";
inline constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

struct AuditRecord {
  std::u16string date;  // local time, "YYYY/MM/DD hh:mm:ss"
  std::u16string imei;
  std::u16string device;
  std::u16string phone;
  std::u16string client;
  std::u16string operation;
  HResult result = kOk;
  std::u16string description;
};

// The device's fields of a record (IMEI, name and phone number), taken from the engine's device
// information text; a key that the text does not hold leaves its field empty.
void SetDeviceFields(AuditRecord& record, std::u16string_view deviceInfo);
// The log file that the engine's manager information text names ("" when it names none).
std::u16string AuditLogFile(std::u16string_view managerInfo);

// "0x%08lx" of the result with " Ok" for a success and " Cancelled" for a failure whose low word
// is 0x0101.
std::string AuditResultText(HResult result);
// One record with its line end, as it stands in the file.
std::string FormatAuditRecord(const AuditRecord& record);
// Appends the record, and the header first when the file is new or empty; false when the file
// cannot be written (the record is then lost, the operation is not affected). Windows only: the
// file is written through the system's file functions, which reach Ambrel, not through the C
// runtime's wide ones, which fail on 95/98/ME.
bool AppendAuditRecord(std::u16string_view file, const AuditRecord& record);

// The engine's line for a finished operation: device, open client and its description (which
// serves one operation and is cleared here), written to the log beside the program. A record that
// cannot be written is reported through the program's debug output with the reason, the file and
// the record itself.
void WriteLogLine(const char16_t* operation, HResult result);

}  // namespace orvel::engine
