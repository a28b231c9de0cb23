#include "transport/codec/codec.h"

#include <new>

namespace orvel::codec {

void AppendU32(Bytes& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void AppendString(Bytes& out, std::u16string_view text) {
  AppendU32(out, static_cast<std::uint32_t>(text.size()));
  for (char16_t unit : text) {
    out.push_back(static_cast<std::uint8_t>(unit));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
}

bool ByteReader::ReadU32(std::uint32_t& value) {
  if (Remaining() < 4) return false;
  const std::uint8_t* p = m_data + m_pos;
  value =
      std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
  m_pos += 4;
  return true;
}

bool ByteReader::ReadString(std::u16string& text) {
  std::size_t start = m_pos;
  std::uint32_t count = 0;
  if (!ReadU32(count)) return false;
  // Compared as a division so that a huge count cannot wrap.
  if (count > Remaining() / 2) {
    m_pos = start;
    return false;
  }
  text.resize(count);
  const std::uint8_t* p = m_data + m_pos;
  for (std::uint32_t i = 0; i < count; ++i) text[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
  m_pos += std::size_t(count) * 2;
  return true;
}

Bytes MakeResponse(const Bytes& body, bool error) {
  Bytes out;
  out.reserve(kResponseHeaderSize + body.size());
  out.resize(kResponseHeaderSize, 0);
  // The header carries the body length and the error mark; readers look only at the mark.
  std::uint32_t length = static_cast<std::uint32_t>(body.size());
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(length >> (8 * i));
  out[kResponseErrorByte] = error ? 1 : 0;
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace orvel::codec

namespace orvel {

namespace {

const char kEncodeOutOfMemory[] = "CEncodeRequest::Out Of Memory";
const char kDecodeOutOfMemory[] = "CDecodeResponse::Out Of Memory";
const char kReadPastEnd[] = "CDecodeResponse::Attempted read past end of buffer";
constexpr std::uint32_t kBadResponse = 9;

}  // namespace

void CEncodeRequest::SetCommand(std::uint8_t command) {
  m_payload.clear();
  m_command = command;
}

void CEncodeRequest::AppendULong(std::uint32_t value) {
  try {
    codec::AppendU32(m_payload, value);
  } catch (const std::bad_alloc&) {
    throw CodecError(8, kEncodeOutOfMemory);
  }
}

void CEncodeRequest::AppendString(std::u16string_view text) {
  try {
    codec::AppendString(m_payload, text);
  } catch (const std::bad_alloc&) {
    throw CodecError(8, kEncodeOutOfMemory);
  } catch (const std::length_error&) {
    throw CodecError(8, kEncodeOutOfMemory);
  }
}

namespace {

codec::Bytes CopyBody(const std::uint8_t* buffer, std::size_t length) {
  if (!buffer || length < codec::kResponseHeaderSize) return {};
  try {
    return codec::Bytes(buffer + codec::kResponseHeaderSize, buffer + length);
  } catch (const std::bad_alloc&) {
    throw CodecError(8, kDecodeOutOfMemory);
  }
}

}  // namespace

CDecodeResponse::CDecodeResponse(const std::uint8_t* buffer, std::size_t length)
    : m_error(!buffer || length < codec::kResponseHeaderSize || buffer[codec::kResponseErrorByte] != 0),
      m_body(CopyBody(buffer, length)),
      m_reader(m_body.data(), m_body.size()) {}

std::uint32_t CDecodeResponse::ReadULong() {
  std::uint32_t value = 0;
  if (!m_reader.ReadU32(value)) throw CodecError(24, kReadPastEnd);
  return value;
}

std::u16string CDecodeResponse::ReadString() {
  std::u16string text;
  try {
    if (!m_reader.ReadString(text)) throw CodecError(24, kReadPastEnd);
  } catch (const std::bad_alloc&) {
    throw CodecError(8, kDecodeOutOfMemory);
  }
  return text;
}

}  // namespace orvel

namespace orvel {

namespace {

std::u16string AsciiText(const char* text) {
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

SettingsResponse Refused(std::uint32_t exError, std::u16string text) {
  SettingsResponse refused;
  refused.code = kBadResponse;
  refused.exError = exError;
  refused.text = std::move(text);
  return refused;
}

}  // namespace

SettingsResponse ReadSettingsResponse(const std::uint8_t* data, std::size_t length) noexcept {
  try {
    // The header is checked before a body length is computed from it.
    if (!data || length < codec::kResponseHeaderSize) return Refused(0, kErrorInBufferText);
    CDecodeResponse response(data, length);
    if (response.IsError()) return Refused(0, kErrorInBufferText);
    SettingsResponse r;
    r.state = response.ReadULong();
    switch (r.state) {
      case codec::kStateError:
        r.code = response.ReadULong();
        r.exError = response.ReadULong();
        r.text = response.ReadString();
        // A server failure without a code must still end the operation as a failure.
        if (r.code == 0) r.code = kBadResponse;
        break;
      case codec::kStateApplied:
      case codec::kStateFinished:
      case codec::kStateAcknowledged:
        break;
      case codec::kStateProgress:
        r.stage = response.ReadULong();
        r.tag = response.ReadString();
        r.percent = response.ReadULong();
        break;
      case codec::kStateQuestion:
        r.hError = response.ReadULong();
        r.answers = response.ReadULong();
        r.tag = response.ReadString();
        r.name = response.ReadString();
        break;
      default:
        return Refused(0, kUnknownStateText);
    }
    r.accepted = true;
    return r;
  } catch (const CodecError& e) {
    try {
      return Refused(e.code(), AsciiText(e.what()));
    } catch (...) {
    }
  } catch (...) {
  }
  // Out of memory while reading: a bare refusal without text.
  SettingsResponse bare;
  bare.code = kBadResponse;
  bare.exError = 8;
  return bare;
}

}  // namespace orvel
