// Contact cards: a contact is an ordered list of typed fields, each of which knows its vCard
// property text, and is written as one vCard. A group contact also lists other contacts as members.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

// The vCard property text of a contact field type; "!UNKNOWN!" for a type outside the table.
std::u16string_view ContactFieldLabel(std::int32_t type);

class CContactField {
 public:
  CContactField() = default;
  CContactField(std::int32_t type, std::u16string prefix, std::u16string value)
      : m_type(type), m_prefix(std::move(prefix)), m_value(std::move(value)) {}

  std::int32_t GetType() const { return m_type; }
  void SetType(std::int32_t type) { m_type = type; }
  const std::u16string& GetPrefix() const { return m_prefix; }
  void SetPrefix(std::u16string prefix) { m_prefix = std::move(prefix); }
  const std::u16string& GetValue() const { return m_value; }
  void SetValue(std::u16string value) { m_value = std::move(value); }
  std::u16string_view GetLabel() const { return ContactFieldLabel(m_type); }

  bool operator==(const CContactField&) const = default;

 private:
  std::int32_t m_type = 2;
  std::u16string m_prefix;  // vCard group prefix, written in front of the property text
  std::u16string m_value;
};

class CContact {
 public:
  explicit CContact(std::int32_t group = 0) : m_group(group) {}

  std::int32_t GetGroupFlag() const { return m_group; }

  int AddField(const CContactField& field);      // returns its position
  const CContactField* GetField(int pos) const;  // null outside the list
  bool SetField(int pos, const CContactField& field);
  bool RemoveField(int pos);
  void RemoveAllFields() { m_fields.clear(); }
  int GetFieldCount() const { return static_cast<int>(m_fields.size()); }

  // Members are not owned: the pointers are kept, copied and dropped, never deleted here.
  int AddMember(CContact* member);  // returns its position; -1 for a null member
  CContact* GetMember(int pos) const;
  bool RemoveMember(int pos);
  void RemoveAllMembers() { m_members.clear(); }
  int GetMemberCount() const { return static_cast<int>(m_members.size()); }

  const CContactField* FindField(std::int32_t type) const;  // first of the type, null when none
  std::u16string GetFieldValue(std::int32_t type) const;    // empty when none
  std::u16string GetName() const { return GetFieldValue(3); }

  std::u16string ToVCard() const;
  void Dump(std::u16string& out) const;

 private:
  std::int32_t m_group;
  std::vector<CContactField> m_fields;
  std::vector<CContact*> m_members;
};

}  // namespace orvel
