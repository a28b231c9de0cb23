#include "outside/econnect/device_wire.h"

namespace orvel::econnect::wire {

namespace {

void PutValue(std::vector<std::uint8_t>& out, std::uint32_t value) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  out.insert(out.end(), bytes, bytes + 4);
}

std::uint32_t GetValue(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

CResponse& CResponse::Value(std::uint32_t value) {
  PutValue(m_body, value);
  return *this;
}

CResponse& CResponse::Text(std::u16string_view text) {
  PutValue(m_body, static_cast<std::uint32_t>(text.size()));
  for (char16_t unit : text) {
    m_body.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    m_body.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return *this;
}

Bytes CResponse::Encode(bool errorMark) const {
  std::vector<std::uint8_t> out;
  PutValue(out, static_cast<std::uint32_t>(m_body.size()));
  out.resize(kHeaderSize, 0);
  out[kErrorMarkByte] = errorMark ? 1 : 0;
  out.insert(out.end(), m_body.begin(), m_body.end());
  return out;
}

std::optional<std::uint32_t> CRequestReader::Value() {
  if (m_left < 4) return std::nullopt;
  std::uint32_t value = GetValue(m_data);
  m_data += 4;
  m_left -= 4;
  return value;
}

std::optional<std::u16string> CRequestReader::Text() {
  if (m_left < 4) return std::nullopt;
  const std::uint32_t count = GetValue(m_data);
  // Units are two bytes each; compared by division so that a huge count cannot wrap.
  if (count > (m_left - 4) / 2) return std::nullopt;
  std::u16string text;
  text.reserve(count);
  const std::uint8_t* p = m_data + 4;
  for (std::uint32_t i = 0; i < count; ++i, p += 2) text.push_back(static_cast<char16_t>(p[0] | p[1] << 8));
  m_data = p;
  m_left -= 4 + std::size_t(count) * 2;
  return text;
}

}  // namespace orvel::econnect::wire
