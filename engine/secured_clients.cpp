#include "engine/secured_clients.h"

namespace orvel::engine {

namespace {

void Put16(Bytes& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(Bytes& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

class CReader {
 public:
  explicit CReader(const Bytes& data) : m_data(data) {}
  size_t Left() const { return m_data.size() - m_at; }
  bool Get8(uint32_t& value) {
    if (Left() < 1) return false;
    value = m_data[m_at++];
    return true;
  }
  bool Get16(uint32_t& value) {
    if (Left() < 2) return false;
    value = static_cast<uint32_t>(m_data[m_at]) | static_cast<uint32_t>(m_data[m_at + 1]) << 8;
    m_at += 2;
    return true;
  }
  bool Get32(uint32_t& value) {
    uint32_t low = 0, high = 0;
    if (Left() < 4 || !Get16(low) || !Get16(high)) return false;
    value = low | high << 16;
    return true;
  }

 private:
  const Bytes& m_data;
  size_t m_at = 0;
};

// The smallest encoded string: marker (3 bytes) and a one-byte length.
constexpr size_t kSmallestString = 4;

}  // namespace

Bytes SerializeSecuredClients(const std::vector<std::u16string>& names) {
  Bytes out;
  uint32_t count = static_cast<uint32_t>(names.size());
  if (count < 0xFFFF) {
    Put16(out, count);
  } else {
    Put16(out, 0xFFFF);
    Put32(out, count);
  }
  for (const std::u16string& name : names) {
    out.push_back(0xFF);
    Put16(out, 0xFFFE);
    uint32_t length = static_cast<uint32_t>(name.size());
    if (length < 0xFF) {
      out.push_back(static_cast<uint8_t>(length));
    } else {
      out.push_back(0xFF);
      if (length < 0xFFFE) {
        Put16(out, length);
      } else {
        Put16(out, 0xFFFF);
        Put32(out, length);
      }
    }
    for (char16_t c : name) Put16(out, c);
  }
  return out;
}

std::optional<std::vector<std::u16string>> ParseSecuredClients(const Bytes& data) {
  CReader in(data);
  uint32_t count = 0;
  if (!in.Get16(count)) return std::nullopt;
  if (count == 0xFFFF && !in.Get32(count)) return std::nullopt;
  // Checked before anything is reserved: a count cannot claim more strings than the bytes hold.
  if (count > in.Left() / kSmallestString) return std::nullopt;
  std::vector<std::u16string> names;
  names.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t marker = 0, unicode = 0, length = 0;
    if (!in.Get8(marker) || marker != 0xFF || !in.Get16(unicode) || unicode != 0xFFFE) return std::nullopt;
    if (!in.Get8(length)) return std::nullopt;
    if (length == 0xFF) {
      if (!in.Get16(length)) return std::nullopt;
      if (length == 0xFFFF && !in.Get32(length)) return std::nullopt;
    }
    if (length > in.Left() / 2) return std::nullopt;
    std::u16string name(length, u'\0');
    for (char16_t& c : name) {
      uint32_t unit = 0;
      in.Get16(unit);
      c = static_cast<char16_t>(unit);
    }
    names.push_back(std::move(name));
  }
  if (in.Left() != 0) return std::nullopt;
  return names;
}

}  // namespace orvel::engine
