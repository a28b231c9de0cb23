// The device settings server's request/response protocol in bytes. A request is a command byte
// and a payload; a response is an 11-byte header (byte 6 non-zero marks an error) and a body.
// Payloads and bodies are u32 values (4 bytes little-endian) and strings (a u32 count of UTF-16
// units, then the units little-endian, no terminator).
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::codec {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kResponseHeaderSize = 11;
constexpr std::size_t kResponseErrorByte = 6;

// Request commands and response states.
enum : std::uint8_t {
  kCommandApply = 1,
  kCommandFinish = 2,
  kCommandProgressAnswer = 4,
  kCommandQuestionAnswer = 5
};
enum : std::uint32_t {
  kStateError = 1,
  kStateApplied = 2,
  kStateFinished = 3,
  kStateAcknowledged = 4,
  kStateProgress = 5,
  kStateQuestion = 6,
};

// Answer of a command 4 or 5 that stops the exchange.
constexpr std::uint32_t kAnswerCancel = 4;

void AppendU32(Bytes& out, std::uint32_t value);
void AppendString(Bytes& out, std::u16string_view text);

// Reads u32 values and strings front to back, never past the end.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(data ? size : 0) {}
  // Each gives false, and consumes nothing, when the data ends too early.
  bool ReadU32(std::uint32_t& value);
  bool ReadString(std::u16string& text);
  std::size_t Position() const { return m_pos; }
  std::size_t Remaining() const { return m_size - m_pos; }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
};

// A whole response: the header (with the error byte when error is set) and the body.
Bytes MakeResponse(const Bytes& body, bool error = false);

}  // namespace orvel::codec

namespace orvel {

// A failure of the codec with the transport module's error code (8 out of memory, 24 read past
// the end) and its text.
class CodecError : public std::runtime_error {
 public:
  CodecError(std::uint32_t code, const char* text) : std::runtime_error(text), m_code(code) {}
  std::uint32_t code() const { return m_code; }

 private:
  std::uint32_t m_code;
};

// One request to the settings server; the command is 1 until set.
class CEncodeRequest {
 public:
  // Empties the payload and sets the command.
  void SetCommand(std::uint8_t command);
  void AppendULong(std::uint32_t value);
  void AppendString(std::u16string_view text);
  std::uint8_t Command() const { return m_command; }
  const codec::Bytes& Payload() const { return m_payload; }
  // Once the payload has been handed over.
  void ClearPayload() { m_payload.clear(); }

 private:
  std::uint8_t m_command = codec::kCommandApply;
  codec::Bytes m_payload;
};

// One response of the settings server. A buffer shorter than the header is an error response
// with an empty body.
class CDecodeResponse {
 public:
  CDecodeResponse(const std::uint8_t* buffer, std::size_t length);
  CDecodeResponse(const CDecodeResponse&) = delete;
  CDecodeResponse& operator=(const CDecodeResponse&) = delete;
  bool IsError() const { return m_error; }
  std::uint32_t ReadULong();    // throws CodecError 24 past the end
  std::u16string ReadString();  // throws CodecError 24 when the count exceeds the body
  std::size_t BodyLength() const { return m_body.size(); }
  std::size_t Position() const { return m_reader.Position(); }

 private:
  bool m_error;
  codec::Bytes m_body;
  codec::ByteReader m_reader;
};

// What one response of the settings server says, read the way the module acts on it. A response
// that cannot be used (shorter than the header, marked as an error, cut short, an unknown state)
// reads as state 1 with the module's code 9 and is refused.
struct SettingsResponse {
  bool accepted = false;
  std::uint32_t state = codec::kStateError;
  // State 1: the failure (the server's code, extended code and text, or the module's code 9).
  std::uint32_t code = 0;
  std::uint32_t exError = 0;
  std::u16string text;
  // State 5: stage, tag, percent. State 6: hError, allowed answers, tag, name.
  std::uint32_t stage = 0;
  std::uint32_t percent = 0;
  std::uint32_t hError = 0;
  std::uint32_t answers = 0;
  std::u16string tag;
  std::u16string name;
};

inline constexpr char16_t kErrorInBufferText[] = u"ProcessResponse::Error in buffer";
inline constexpr char16_t kUnknownStateText[] = u"ProcessResponse::Unknown command state received";

// Never throws.
SettingsResponse ReadSettingsResponse(const std::uint8_t* data, std::size_t length) noexcept;

}  // namespace orvel
