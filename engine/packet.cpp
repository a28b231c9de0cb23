#include "engine/packet.h"

namespace orvel::engine {

CPacket::CPacket(std::unique_ptr<CPacket> posted) {
  if (posted) m_items = std::move(posted->m_items);
}

uint32_t CPacket::GetDword() {
  if (m_items.empty()) return 0;
  Item item = std::move(m_items.front());
  m_items.pop_front();
  if (auto* value = std::get_if<uint32_t>(&item)) return *value;
  if (auto* value = std::get_if<Hresult>(&item)) return static_cast<uint32_t>(value->value);
  return 0;
}

int32_t CPacket::GetHresult() {
  if (m_items.empty()) return 0;
  Item item = std::move(m_items.front());
  m_items.pop_front();
  if (auto* value = std::get_if<Hresult>(&item)) return value->value;
  if (auto* value = std::get_if<uint32_t>(&item)) return static_cast<int32_t>(*value);
  return 0;
}

std::u16string CPacket::GetString() {
  if (m_items.empty()) return {};
  Item item = std::move(m_items.front());
  m_items.pop_front();
  if (auto* value = std::get_if<std::u16string>(&item)) return std::move(*value);
  return {};
}

std::unique_ptr<StringArray> CPacket::GetPointer() {
  if (m_items.empty()) return nullptr;
  Item item = std::move(m_items.front());
  m_items.pop_front();
  if (auto* value = std::get_if<std::unique_ptr<StringArray>>(&item)) return std::move(*value);
  return nullptr;
}

uint32_t CPacket::DwordAt(size_t index) const {
  if (index >= m_items.size()) return 0;
  if (auto* value = std::get_if<uint32_t>(&m_items[index])) return *value;
  if (auto* value = std::get_if<Hresult>(&m_items[index])) return static_cast<uint32_t>(value->value);
  return 0;
}

int32_t CPacket::HresultAt(size_t index) const { return static_cast<int32_t>(DwordAt(index)); }

std::u16string CPacket::StringAt(size_t index) const {
  if (index >= m_items.size()) return {};
  if (auto* value = std::get_if<std::u16string>(&m_items[index])) return *value;
  return {};
}

const StringArray* CPacket::PointerAt(size_t index) const {
  if (index >= m_items.size()) return nullptr;
  if (auto* value = std::get_if<std::unique_ptr<StringArray>>(&m_items[index])) return value->get();
  return nullptr;
}

void CPacket::SetDwordAt(size_t index, uint32_t value) {
  if (index < m_items.size()) m_items[index] = value;
}

void CPacket::SetStringAt(size_t index, std::u16string value) {
  if (index < m_items.size()) m_items[index] = std::move(value);
}

}  // namespace orvel::engine
