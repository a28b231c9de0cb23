#include "pim/pim_store.h"

namespace orvel {

int CPimStore::AddContact(const CContact& contact) {
  m_contacts.push_back(std::make_unique<CContact>(contact));
  return GetContactCount() - 1;
}

CContact* CPimStore::GetContact(int pos) const {
  if (pos < 0 || pos >= GetContactCount()) return nullptr;
  return m_contacts[pos].get();
}

CContact* CPimStore::FindContact(std::u16string_view name, int group) const {
  for (const auto& contact : m_contacts) {
    if ((contact->GetGroupFlag() != 0) == (group != 0) && contact->GetName() == name) return contact.get();
  }
  return nullptr;
}

int CPimStore::AddEvent(const CCalendarEntry& entry) {
  m_events.push_back(std::make_unique<CCalendarEntry>(entry));
  return GetEventCount() - 1;
}

CCalendarEntry* CPimStore::GetEvent(int pos) const {
  if (pos < 0 || pos >= GetEventCount()) return nullptr;
  return m_events[pos].get();
}

std::unique_ptr<CCalendarEntry> CPimStore::RemoveEvent(int pos) {
  if (pos < 0 || pos >= GetEventCount()) return nullptr;
  std::unique_ptr<CCalendarEntry> entry = std::move(m_events[pos]);
  m_events.erase(m_events.begin() + pos);
  return entry;
}

std::u16string CPimStore::Dump() const {
  std::u16string out = u"--- Debug Dump:\r\n\r\n--- Contacts:\r\n\r\n";
  for (const auto& contact : m_contacts) contact->Dump(out);
  out += u"--- Events:\r\n\r\n";
  for (const auto& entry : m_events) entry->Dump(out);
  return out;
}

}  // namespace orvel
