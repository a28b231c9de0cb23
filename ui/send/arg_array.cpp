#include "ui/send/arg_array.h"

namespace orvel::ui {

uint32_t CArgArray::PopDword() {
  if (m_cells.empty()) return 0;
  auto cell = std::move(m_cells.front());
  m_cells.pop_front();
  const uint32_t* value = std::get_if<uint32_t>(&cell);
  return value ? *value : 0;
}

std::u16string CArgArray::PopString() {
  if (m_cells.empty()) return {};
  auto cell = std::move(m_cells.front());
  m_cells.pop_front();
  std::u16string* value = std::get_if<std::u16string>(&cell);
  return value ? std::move(*value) : std::u16string();
}

}  // namespace orvel::ui
