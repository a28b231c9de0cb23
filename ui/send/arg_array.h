// The arguments of one engine callback on their way across a posted message: the sender fills an
// array and posts it to the event window, whose handler reads the cells from the front.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <variant>

namespace orvel::ui {

class CArgArray {
 public:
  CArgArray() = default;
  CArgArray(const CArgArray&) = delete;
  CArgArray& operator=(const CArgArray&) = delete;
  CArgArray(CArgArray&& other) noexcept = default;

  void AddDword(uint32_t value) { m_cells.emplace_back(value); }
  void AddLong(int32_t value) { m_cells.emplace_back(static_cast<uint32_t>(value)); }
  void AddString(std::u16string_view value) { m_cells.emplace_back(std::u16string(value)); }

  // The first cell, removed; 0 or the empty text when the array is empty or the cell holds the
  // other kind. A cell added as long reads back as the same 32 bits.
  uint32_t PopDword();
  int32_t PopLong() { return static_cast<int32_t>(PopDword()); }
  std::u16string PopString();

  size_t Size() const { return m_cells.size(); }

 private:
  std::deque<std::variant<uint32_t, std::u16string>> m_cells;
};

}  // namespace orvel::ui
