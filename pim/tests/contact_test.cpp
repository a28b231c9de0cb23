#include "pim/contact.h"

#include <gtest/gtest.h>

#include "support/u16text.h"

using orvel::AsUtf8;
using orvel::CContact;
using orvel::CContactField;

namespace {

const std::pair<std::int32_t, const char16_t*> kLabels[] = {
    {2, u"NONE"},
    {3, u"N:"},
    {4, u"FN:"},
    {5, u"TITLE:"},
    {6, u"ORG:"},
    {7, u"ADR;HOME:"},
    {8, u"ADR;WORK:"},
    {9, u"ADR;POSTAL:"},
    {10, u"TEL:"},
    {11, u"FOO:"},
    {12, u"TEL;WORK;VOICE:"},
    {13, u"FOO:"},
    {14, u"TEL;HOME;VOICE:"},
    {15, u"TEL;HOME:"},
    {16, u"TEL;CELL:"},
    {17, u"TEL;CAR:"},
    {18, u"FAX:"},
    {19, u"TEL;HOME;FAX:"},
    {20, u"TEL;WORK;FAX:"},
    {21, u"EMAIL;PREF;INTERNET:"},
    {22, u"EMAIL;INTERNET:"},
    {23, u"EMAIL;INTERNET:"},
    {24, u"URL:"},
    {25, u"NOTE:"},
    {26, u"PASSWORD"},
    {27, u"DTMF"},
    {28, u"TELF"},
    {29, u"GROUPID"},
    {30, u"BDAY:"},
    {1, u"!UNKNOWN!"},
    {31, u"!UNKNOWN!"},
    {0, u"!UNKNOWN!"},
    {-2, u"!UNKNOWN!"},
    {0x7fffffff, u"!UNKNOWN!"},
};

TEST(ContactField, Labels) {
  for (const auto& [type, label] : kLabels) {
    EXPECT_EQ(orvel::ContactFieldLabel(type), label) << type;
    EXPECT_EQ(CContactField(type, u"", u"").GetLabel(), label) << type;
  }
  EXPECT_EQ(CContactField().GetType(), 2);
}

CContact Contact(std::initializer_list<CContactField> fields, std::int32_t group = 0) {
  CContact contact(group);
  for (const auto& field : fields) contact.AddField(field);
  return contact;
}

struct VCardCase {
  const char* name;
  CContact contact;
  const char16_t* text;
};

TEST(Contact, ToVCard) {
  CContact member = Contact({{3, u"", u"Member"}});
  CContact group = Contact({{3, u"", u"Team"}}, 1);
  group.AddMember(&member);
  const VCardCase cases[] = {
      {"name and phone", Contact({{3, u"", u"Smith;John"}, {10, u"", u"123"}}),
       u"BEGIN:VCARD\r\nN:Smith;John\r\nTEL:123\r\nEND:VCARD\r\n"},
      {"group prefix", Contact({{24, u"A.", u"http://x"}}),
       u"BEGIN:VCARD\r\nA.URL:http://x\r\nEND:VCARD\r\n"},
      {"unknown types", Contact({{1, u"", u"a"}, {31, u"", u"b"}}),
       u"BEGIN:VCARD\r\n!UNKNOWN!a\r\n!UNKNOWN!b\r\nEND:VCARD\r\n"},
      {"no colon", Contact({{26, u"", u"secret"}}), u"BEGIN:VCARD\r\nPASSWORDsecret\r\nEND:VCARD\r\n"},
      {"members are not written", group, u"BEGIN:VCARD\r\nN:Team\r\nEND:VCARD\r\n"},
      {"empty", CContact(), u"BEGIN:VCARD\r\nEND:VCARD\r\n"},
      {"equals sign alone stays", Contact({{25, u"", u"a=b"}}), u"BEGIN:VCARD\r\nNOTE:a=b\r\nEND:VCARD\r\n"},
      // A line break in a value is written quoted-printable, so it cannot start a property line.
      {"line break in a value", Contact({{25, u"", u"line\r\nTEL:999"}}),
       u"BEGIN:VCARD\r\nNOTE;ENCODING=QUOTED-PRINTABLE:line=0D=0ATEL:999\r\nEND:VCARD\r\n"},
      {"lone breaks and equals sign", Contact({{7, u"", u"a=b\nc\rd"}}),
       u"BEGIN:VCARD\r\nADR;HOME;ENCODING=QUOTED-PRINTABLE:a=3Db=0Ac=0Dd\r\nEND:VCARD\r\n"},
      {"line break without a colon is folded", Contact({{27, u"", u"1\r\n2\n3"}}),
       u"BEGIN:VCARD\r\nDTMF1\r\n 2\r\n 3\r\nEND:VCARD\r\n"},
      {"line break in a prefix", Contact({{24, u"A.\r\nTEL:1\r\nB.", u"x"}}),
       u"BEGIN:VCARD\r\nA.TEL:1B.URL:x\r\nEND:VCARD\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.contact.ToVCard(), c.text) << c.name;
}

TEST(Contact, FieldsAndName) {
  CContact contact;
  EXPECT_EQ(contact.GetName(), u"");
  EXPECT_EQ(contact.FindField(3), nullptr);
  EXPECT_EQ(contact.AddField({10, u"", u"123"}), 0);
  EXPECT_EQ(contact.AddField({3, u"", u"Smith"}), 1);
  EXPECT_EQ(contact.AddField({3, u"", u"Jones"}), 2);
  EXPECT_EQ(contact.GetName(), u"Smith");
  EXPECT_EQ(contact.GetFieldValue(10), u"123");
  EXPECT_EQ(contact.GetFieldValue(4), u"");

  EXPECT_TRUE(contact.SetField(1, {4, u"", u"John Smith"}));
  EXPECT_EQ(contact.GetName(), u"Jones");
  EXPECT_TRUE(contact.RemoveField(2));
  EXPECT_EQ(contact.GetName(), u"");
  EXPECT_EQ(contact.GetFieldCount(), 2);

  EXPECT_EQ(contact.GetField(2), nullptr);
  EXPECT_EQ(contact.GetField(-1), nullptr);
  EXPECT_FALSE(contact.SetField(2, {}));
  EXPECT_FALSE(contact.RemoveField(-1));
  contact.RemoveAllFields();
  EXPECT_EQ(contact.GetFieldCount(), 0);
}

TEST(Contact, CopiesShareMembersWithoutOwningThem) {
  CContact alice = Contact({{3, u"", u"Alice"}});
  CContact bob = Contact({{3, u"", u"Bob"}});
  auto group = std::make_unique<CContact>(1);
  group->AddField({3, u"", u"Team"});
  EXPECT_EQ(group->AddMember(&alice), 0);
  EXPECT_EQ(group->AddMember(&bob), 1);
  EXPECT_EQ(group->AddMember(nullptr), -1);
  {
    const CContact copy = *group;
    EXPECT_EQ(copy.GetMemberCount(), 2);
    EXPECT_EQ(copy.GetMember(1), &bob);
    EXPECT_EQ(copy.GetGroupFlag(), 1);
  }
  group.reset();  // neither the copy nor the group deletes the members
  EXPECT_EQ(alice.GetName(), u"Alice");
  EXPECT_EQ(bob.GetName(), u"Bob");

  CContact other(1);
  other.AddMember(&alice);
  EXPECT_EQ(other.GetMember(1), nullptr);
  EXPECT_FALSE(other.RemoveMember(1));
  EXPECT_TRUE(other.RemoveMember(0));
  other.AddMember(&bob);
  other.RemoveAllMembers();
  EXPECT_EQ(other.GetMemberCount(), 0);
}

TEST(Contact, Dump) {
  CContact alice = Contact({{3, u"", u"Alice"}});
  CContact group = Contact({{3, u"", u"Team"}, {24, u"A.", u"http://x"}}, 1);
  group.AddMember(&alice);
  std::u16string out = u"> ";
  group.Dump(out);
  EXPECT_EQ(out, u"> [N:]   : Team\r\n[URL:]  A. : http://x\r\nMembers :\r\n        > Alice\r\n");

  std::u16string single;
  alice.Dump(single);
  EXPECT_EQ(single, u"[N:]   : Alice\r\n");
}

}  // namespace
