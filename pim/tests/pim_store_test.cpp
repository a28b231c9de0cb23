#include "pim/pim_store.h"

#include <gtest/gtest.h>

using orvel::CCalendarEntry;
using orvel::CCalendarField;
using orvel::CContact;
using orvel::CPimStore;

namespace {

CContact Named(const char16_t* name, std::int32_t group) {
  CContact contact(group);
  contact.AddField({3, u"", name});
  return contact;
}

CCalendarEntry Described(const char16_t* description) {
  CCalendarField field;
  field.SetType(2);
  field.SetValue(description);
  CCalendarEntry entry;
  entry.AddField(field);
  return entry;
}

TEST(PimStore, FindContactMatchesTheGroupFlag) {
  CPimStore store;
  EXPECT_EQ(store.FindContact(u"Team", 0), nullptr);
  EXPECT_EQ(store.FindContact(u"", 1), nullptr);

  EXPECT_EQ(store.AddContact(Named(u"Team", 5)), 0);
  EXPECT_EQ(store.AddContact(Named(u"Team", 0)), 1);
  EXPECT_EQ(store.AddContact(Named(u"Solo", 0)), 2);
  const struct {
    const char16_t* name;
    int group;
    int pos;  // -1: none
  } cases[] = {
      {u"Team", 0, 1}, {u"Team", 1, 0}, {u"Team", -7, 0}, {u"Solo", 0, 2}, {u"Solo", 1, -1}, {u"team", 0, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(store.FindContact(c.name, c.group), c.pos < 0 ? nullptr : store.GetContact(c.pos)) << c.pos;
  }
}

TEST(PimStore, StoresCopies) {
  CPimStore store;
  CContact contact = Named(u"Alice", 0);
  store.AddContact(contact);
  contact.SetField(0, {3, u"", u"Changed"});
  EXPECT_EQ(store.GetContact(0)->GetName(), u"Alice");
  EXPECT_EQ(store.GetContactCount(), 1);
  EXPECT_EQ(store.GetContact(1), nullptr);
  EXPECT_EQ(store.GetContact(-1), nullptr);

  CCalendarEntry entry = Described(u"Lunch");
  EXPECT_EQ(store.AddEvent(entry), 0);
  entry.RemoveAll();
  EXPECT_EQ(store.GetEvent(0)->GetCount(), 1);
  EXPECT_EQ(store.GetEvent(1), nullptr);
}

TEST(PimStore, RemovingAnEventHandsItOver) {
  CPimStore store;
  store.AddEvent(Described(u"Lunch"));
  store.AddEvent(Described(u"Dinner"));
  store.AddEvent(Described(u"Breakfast"));
  EXPECT_EQ(store.RemoveEvent(3), nullptr);
  EXPECT_EQ(store.RemoveEvent(-1), nullptr);

  const std::unique_ptr<CCalendarEntry> removed = store.RemoveEvent(1);
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->GetFieldOfType(2)->GetValue(), u"Dinner");
  EXPECT_EQ(store.GetEventCount(), 2);
  EXPECT_EQ(store.GetEvent(1)->GetFieldOfType(2)->GetValue(), u"Breakfast");
  store.RemoveEvent(0);  // an unclaimed entry is deleted, not leaked
  EXPECT_EQ(store.GetEventCount(), 1);
}

// The leak checker of the native build shows that everything stored goes with the store; a group
// whose members are stored contacts must not delete them a second time.
TEST(PimStore, DestroysWhatItHolds) {
  auto store = std::make_unique<CPimStore>();
  store->AddContact(Named(u"Alice", 0));
  store->AddContact(Named(u"Bob", 0));
  CContact group = Named(u"Team", 1);
  group.AddMember(store->GetContact(0));
  group.AddMember(store->GetContact(1));
  store->AddContact(group);
  store->AddEvent(Described(u"Lunch"));
  EXPECT_EQ(store->FindContact(u"Team", 1)->GetMember(1), store->GetContact(1));
  store.reset();
}

TEST(PimStore, Dump) {
  CPimStore store;
  EXPECT_EQ(store.Dump(), u"--- Debug Dump:\r\n\r\n--- Contacts:\r\n\r\n--- Events:\r\n\r\n");
  store.AddContact(Named(u"Alice", 0));
  store.AddEvent(Described(u"Lunch"));
  EXPECT_EQ(store.Dump(),
            u"--- Debug Dump:\r\n\r\n--- Contacts:\r\n\r\n[N:]   : Alice\r\n--- Events:\r\n\r\n"
            u"[vCard]  DESCRIPTION: : Lunch\r\n");
}

}  // namespace
