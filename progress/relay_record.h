// The record that the progress relay object and the engine exchange by WM_COPYDATA, with the
// message ids, codes and window names of that exchange. No Windows header: both sides include it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace orvel::relay {

// Titles by which each side finds the other's window.
inline constexpr wchar_t kEngineWindowName[] = L"OrvelCorvansetWnd";
inline constexpr wchar_t kRelayWindowName[] = L"OrvelCorvansetWndEx";

// Message ids: the kind of transfer a record belongs to. The engine re-posts a record to itself
// under the same number.
inline constexpr uint32_t kRestore = 0x8006;
inline constexpr uint32_t kFileCopy = 0x8008;

// Codes from the relay object to the engine (either id).
inline constexpr uint32_t kFinished = 1;  // restore only; value = result
inline constexpr uint32_t kStart = 2;     // the sender window is where answers go
inline constexpr uint32_t kProgress = 3;  // value = sub-code, value2 = number, text
inline constexpr uint32_t kAskNumber = 4;  // value = the number
inline constexpr uint32_t kCopyExistsNumber = 183;  // the number of the file copy's "exists" question
inline constexpr uint32_t kAskText = 5;    // restore only; text = the question

// Sub-codes of kProgress.
inline constexpr uint32_t kProgressText = 3;
inline constexpr uint32_t kRestoreStep1 = 8;
inline constexpr uint32_t kRestoreStep2 = 9;
inline constexpr uint32_t kRestoreStep3 = 10;
inline constexpr uint32_t kRestoreStep4 = 11;
inline constexpr uint32_t kTimeEstimate = 12;  // text "%ld seconds to complete"

// Codes from the engine to the relay object; they differ per id.
inline constexpr uint32_t kRestoreCancel = 6;
inline constexpr uint32_t kRestoreAnswer = 7;  // value = the answer
inline constexpr uint32_t kFileCopyCancel = 5;
inline constexpr uint32_t kFileCopyAnswer = 6;  // value = the answer

inline constexpr size_t kTextUnits = 260;
// Units of text a record carries: one unit stays for the terminator, which the engine relies on.
inline constexpr size_t kTextMaxLength = kTextUnits - 1;

// The WM_COPYDATA payload (dwData 0, cbData 540), little-endian, zero-filled before use.
struct RelayRecord {
  uint32_t sender;  // window handle of the sender, where the answer goes
  uint32_t id;
  uint32_t code;
  uint32_t value;
  uint32_t value2;
  char16_t text[kTextUnits];
};
static_assert(sizeof(RelayRecord) == 540, "the peer reads exactly 540 bytes");
static_assert(offsetof(RelayRecord, text) == 20);

// A zero-filled record.
inline RelayRecord MakeRelayRecord(uint32_t sender, uint32_t id, uint32_t code, uint32_t value,
                                   uint32_t value2 = 0) {
  RelayRecord record;
  std::memset(&record, 0, sizeof(record));
  record.sender = sender;
  record.id = id;
  record.code = code;
  record.value = value;
  record.value2 = value2;
  return record;
}

// Copies text into the record, cut to kTextMaxLength units so that the terminator always fits.
inline void SetRelayText(RelayRecord& record, std::u16string_view text) {
  size_t n = text.size() < kTextMaxLength ? text.size() : kTextMaxLength;
  std::memset(record.text, 0, sizeof(record.text));
  if (n) std::memcpy(record.text, text.data(), n * sizeof(char16_t));
}

// The record's text up to its terminator, at most kTextMaxLength units whatever the sender wrote.
inline std::u16string_view RelayText(const RelayRecord& record) {
  size_t n = 0;
  while (n < kTextMaxLength && record.text[n] != u'\0') ++n;
  return std::u16string_view(record.text, n);
}

// Reads a record from a WM_COPYDATA payload; false (and nothing read) unless it is exactly 540
// bytes.
inline bool ReadRelayRecord(const void* data, size_t size, RelayRecord& record) {
  if (!data || size != sizeof(RelayRecord)) return false;
  std::memcpy(&record, data, sizeof(record));
  return true;
}

}  // namespace orvel::relay
