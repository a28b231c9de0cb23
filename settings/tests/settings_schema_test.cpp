#include "settings/settings_schema.h"

#include <set>

#include "settings/tests/settings_test_support.h"

namespace orvel {
namespace {

using test::NameOf;
using test::SettingsTest;

TEST(ElementNameTable, HoldsTheGivenPairsInAscendingOrder) {
  const ElementName* table = GetElementNameTable();
  std::multiset<uint32_t> ids;
  size_t empty = 0;
  for (size_t i = 0; i < kElementNameCount; ++i) {
    ids.insert(table[i].id);
    if (i > 0) {
      EXPECT_LE(table[i - 1].id, table[i].id);
    }
    if (std::u16string_view(table[i].text).empty()) ++empty;
  }
  EXPECT_EQ(ids.count(462), 2u);
  EXPECT_EQ(std::set<uint32_t>(ids.begin(), ids.end()).size(), kElementNameCount - 1);
  EXPECT_EQ(empty, 7u);
  for (uint32_t id : {205u, 221u, 278u, 328u, 355u, 372u, 417u}) EXPECT_EQ(ids.count(id), 1u) << id;
}

struct NameCase {
  uint32_t id;
  const char16_t* text;
};
const NameCase kNameCases[] = {
    {279, u"IAPSettings"},
    {462, u"BIOMessages"},
    {172, u"ConfirmPassword"},
    {176, u"NoConnectionsDefined"},
    {443, u"NoConnectionsDefined"},
    {250, u"ISDNV.110"},
    {290, u"0.0.0.0"},
    {182, u"10"},
    {551, u"OperatorLogo"},
    {463, u"Extra"},
    {384, u"FaxMailbox"},
    {391, u"MainConnectionSettings"},
    {291, u"OK"},
    {204, u"MailInfoText"},
    {237, u"ConfirmPassword"},
    {163, u"No"},
    {288, u"No"},
    {612, u"URL"},
    {221, u""},
    {484, u""},  // not in the table
    {0, u""},
    {999, u""},
};

TEST(ElementNameTable, FindsNamesById) {
  for (const auto& c : kNameCases) EXPECT_EQ(FindElementName(c.id), c.text) << c.id;
}

struct IdCase {
  const char16_t* name;
  uint32_t id;
};
const IdCase kIdCases[] = {
    {u"No", 163},  // two ids carry "No": the lower one answers
    {u"ConnectionName", 238},
    {u"NoConnectionsDefined", 176},
    {u"Backspace", 342},
    {u"BIOMessages", 462},
    {u"ROOT", 0},
    {u"", 0},
    {u"iapsettings", 0},  // case matters
};

TEST(ElementNameTable, FindsTheLowestIdOfAName) {
  for (const auto& c : kIdCases) EXPECT_EQ(FindNameId(c.name), c.id) << AsUtf8(c.name);
}

TEST(NodeTypeTable, EveryNamedTypeFindsItsNameInTheTable) {
  for (uint32_t type = 2; type < kUnknownElementType; ++type) {
    const NodeTypeInfo* info = GetNodeTypeInfo(type);
    ASSERT_NE(info, nullptr);
    if (type == 47 || type == 110) {
      EXPECT_EQ(info->nameId, 0u);
      continue;
    }
    bool found = false;
    for (size_t i = 0; i < kElementNameCount; ++i) found |= GetElementNameTable()[i].id == info->nameId;
    EXPECT_TRUE(found) << type;
  }
  EXPECT_EQ(GetNodeTypeInfo(144), nullptr);
}

struct NodeNameCase {
  uint32_t type;
  const char16_t* name;
};
const NodeNameCase kNodeNameCases[] = {
    {0, u"ROOT"},
    {1, u""},
    {2, u"IAPSettings"},
    {4, u""},
    {5, u"IAPConnection"},
    {23, u"MaxConnectionSpeed"},
    {47, u""},
    {67, u"AllowReportRequests"},
    {68, u"AllowReportRequests"},
    {110, u""},
    {131, u"ModemInitialization"},
    {142, u"BIOMessages"},
    {144, u""},
    {500, u""},
};

TEST_F(SettingsTest, GetNodeNameGivesTheElementNameOfEachType) {
  for (const auto& c : kNodeNameCases) {
    CSettingsNode node(u"", 0, c.type, nullptr);
    EXPECT_EQ(NameOf(node), c.name) << c.type;
  }
}

TEST_F(SettingsTest, GetNodeNameLocalizedAsksTheHostAndNamesEntriesByTheirName) {
  UseFakeHost();
  m_host.texts[279] = u"Access points";
  CSettingsNode group(u"", 0, 2, nullptr);
  EXPECT_EQ(NameOf(group, true), u"Access points");
  EXPECT_EQ(NameOf(group, false), u"IAPSettings");

  CSettingsNode placeholder(u"", 0, 4, nullptr);
  EXPECT_EQ(NameOf(placeholder, true), u"<278>");
  EXPECT_EQ(NameOf(placeholder, false), u"");

  CSettingsNode entry(u"", 0, 5, nullptr);
  entry.AddChild(u"Office", 9, 6);
  EXPECT_EQ(NameOf(entry, true), u"Office");
  EXPECT_EQ(NameOf(entry, false), u"IAPConnection");

  CSettingsNode own(u"", 24, 143, nullptr);
  own.SetName(u"Foo");
  EXPECT_EQ(NameOf(own, true), u"Foo");
  EXPECT_EQ(NameOf(own, false), u"Foo");
}

// Without an installed host (the engine) display texts are the element names.
TEST_F(SettingsTest, DefaultHostAnswersFromTheTable) {
  EXPECT_EQ(LoadResString(443, true), u"NoConnectionsDefined");
  EXPECT_EQ(LoadResString(443, false), u"NoConnectionsDefined");
  EXPECT_EQ(LoadResString(596, true), u"");
  UseFakeHost();
  EXPECT_EQ(LoadResString(443, true), u"<443>");
  SetSettingsHost(nullptr);
  EXPECT_EQ(LoadResString(420, true), u"Yes");
  CSettingsNode entry(u"", 0, 5, nullptr);
  EXPECT_EQ(NameOf(entry, true), u"");  // an entry without a name field shows no name
}

TEST(ListGroups, FindEachRole) {
  EXPECT_EQ(FindListGroupByGroup(86)->placeholderType, 87u);
  EXPECT_EQ(FindListGroupByEntry(46)->placeholderType, 45u);
  EXPECT_EQ(FindListGroupByPlaceholder(134)->entryType, 133u);
  EXPECT_EQ(FindListGroupByNameField(124)->groupType, 121u);
  EXPECT_EQ(FindListGroupByGroup(98), nullptr);
}

TEST(FormatText, FillsConversionsInOrder) {
  EXPECT_EQ(FormatText(u"%s uses it", {u"WAP 1"}), u"WAP 1 uses it");
  EXPECT_EQ(FormatText(u"%d of %ls, 100%%", {u"3", u"x"}), u"3 of x, 100%");
  EXPECT_EQ(FormatText(u"none %s", {}), u"none ");
  EXPECT_EQ(FormatText(u"%5d|%-3s|", {u"1", u"a"}), u"1|a|");
  EXPECT_EQ(FormatText(u"ends with %", {}), u"ends with %");
  EXPECT_EQ(DecimalText(0), u"0");
  EXPECT_EQ(DecimalText(4294967296ull), u"4294967296");
}

}  // namespace
}  // namespace orvel
