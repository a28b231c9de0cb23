// The contacts and calendar entries of one run of the user interface. The store owns what it holds
// and deletes it with itself.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pim/calendar.h"
#include "pim/contact.h"

namespace orvel {

class CPimStore {
 public:
  CPimStore() = default;
  CPimStore(const CPimStore&) = delete;
  CPimStore& operator=(const CPimStore&) = delete;

  int AddContact(const CContact& contact);  // stores a copy; returns its position
  CContact* GetContact(int pos) const;      // the stored object; null outside the list
  int GetContactCount() const { return static_cast<int>(m_contacts.size()); }
  // The first contact of that name whose group flag is set exactly when group is non-zero.
  CContact* FindContact(std::u16string_view name, int group) const;

  int AddEvent(const CCalendarEntry& entry);  // stores a copy; returns its position
  CCalendarEntry* GetEvent(int pos) const;
  // Takes the entry out of the store and hands it to the caller (null outside the list); an
  // unclaimed result is deleted.
  std::unique_ptr<CCalendarEntry> RemoveEvent(int pos);
  int GetEventCount() const { return static_cast<int>(m_events.size()); }

  std::u16string Dump() const;

 private:
  std::vector<std::unique_ptr<CContact>> m_contacts;
  std::vector<std::unique_ptr<CCalendarEntry>> m_events;
};

}  // namespace orvel
