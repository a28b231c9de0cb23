// The parameter packet of the engine window's private messages: an ordered list of items that the
// poster builds, hands over with the post, and the receiver takes over and reads from the front.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace orvel::engine {

using StringArray = std::vector<std::u16string>;

class CPacket {
 public:
  CPacket() = default;
  // Takes every item of a handed-over packet and frees the handed-over one.
  explicit CPacket(std::unique_ptr<CPacket> posted);
  CPacket(CPacket&&) = default;
  CPacket& operator=(CPacket&&) = default;

  void AddDword(uint32_t value) { m_items.emplace_back(value); }
  void AddHresult(int32_t value) { m_items.emplace_back(Hresult{value}); }
  void AddString(std::u16string value) { m_items.emplace_back(std::move(value)); }
  void AddPointer(std::unique_ptr<StringArray> value) { m_items.emplace_back(std::move(value)); }

  // Each getter removes the first item and gives its value; an item of another kind, or none,
  // gives the empty value of the asked kind.
  uint32_t GetDword();
  int32_t GetHresult();
  std::u16string GetString();
  std::unique_ptr<StringArray> GetPointer();

  // Reads an item in place without removing it (request parameters); the empty value when the
  // item is missing or of another kind.
  uint32_t DwordAt(size_t index) const;
  int32_t HresultAt(size_t index) const;
  std::u16string StringAt(size_t index) const;
  const StringArray* PointerAt(size_t index) const;
  // Replaces an item in place (request parameters that a step updates); nothing when it is missing.
  void SetDwordAt(size_t index, uint32_t value);
  void SetStringAt(size_t index, std::u16string value);

  size_t Size() const { return m_items.size(); }
  bool Empty() const { return m_items.empty(); }

 private:
  struct Hresult {
    int32_t value;
  };
  using Item = std::variant<uint32_t, Hresult, std::u16string, std::unique_ptr<StringArray>>;
  std::deque<Item> m_items;
};

}  // namespace orvel::engine
