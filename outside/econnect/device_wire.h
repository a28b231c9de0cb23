// The device side of the settings server's wire form: requests read, responses built. Written apart
// from the transport module's own codec, so that a fault in either side shows in the round trips
// between them. A request payload and a response body are u32 values (4 bytes little-endian) and
// strings (a u32 count of UTF-16 units, then the units little-endian, no terminator); a response
// starts with an 11-byte header whose byte 6 marks an error. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::econnect::wire {

using Bytes = std::vector<std::uint8_t>;

// Request commands.
enum : std::uint8_t { kApply = 1, kFinish = 2, kProgressAnswer = 4, kQuestionAnswer = 5 };
// Response states (the body's first value).
enum : std::uint32_t {
  kFailed = 1,
  kApplied = 2,
  kFinished = 3,
  kAcknowledged = 4,
  kProgress = 5,
  kQuestion = 6,
};
// The answer of a command 4 or 5 that stops the exchange.
inline constexpr std::uint32_t kStopAnswer = 4;

inline constexpr std::size_t kHeaderSize = 11;
inline constexpr std::size_t kErrorMarkByte = 6;

// One response: the state, then its items in order.
class CResponse {
 public:
  explicit CResponse(std::uint32_t state) { Value(state); }
  CResponse& Value(std::uint32_t value);
  CResponse& Text(std::u16string_view text);
  // The header (bytes 0-3 the body's length, byte 6 the error mark) and the body.
  Bytes Encode(bool errorMark = false) const;

 private:
  std::vector<std::uint8_t> m_body;
};

// A request's payload read front to back; a read that would pass the end gives nothing.
class CRequestReader {
 public:
  CRequestReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_left(data ? size : 0) {}
  std::optional<std::uint32_t> Value();
  std::optional<std::u16string> Text();

 private:
  const std::uint8_t* m_data;
  std::size_t m_left;
};

}  // namespace orvel::econnect::wire
