#include "progress/relay_record.h"

#include <gtest/gtest.h>

#include <string>

using namespace orvel::relay;

namespace {

TEST(RelayRecord, FieldsLieAtTheirOffsets) {
  EXPECT_EQ(offsetof(RelayRecord, sender), 0u);
  EXPECT_EQ(offsetof(RelayRecord, id), 4u);
  EXPECT_EQ(offsetof(RelayRecord, code), 8u);
  EXPECT_EQ(offsetof(RelayRecord, value), 12u);
  EXPECT_EQ(offsetof(RelayRecord, value2), 16u);
  EXPECT_EQ(offsetof(RelayRecord, text), 20u);
}

TEST(RelayRecord, MadeRecordIsZeroFilled) {
  RelayRecord record = MakeRelayRecord(0x11223344, kRestore, kStart, 5, 6);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
  for (size_t i = 20; i < sizeof(record); ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(bytes[0], 0x44);  // little-endian
  EXPECT_EQ(bytes[3], 0x11);
}

struct TextCase {
  size_t length;
  size_t kept;
};
const TextCase kTextCases[] = {{0, 0}, {1, 1}, {258, 258}, {259, 259}, {260, 259}, {300, 259}};

TEST(RelayRecord, TextAlwaysKeepsItsTerminator) {
  for (const auto& c : kTextCases) {
    std::u16string text(c.length, u'x');
    RelayRecord record = MakeRelayRecord(0, kFileCopy, kProgress, kProgressText);
    SetRelayText(record, text);
    EXPECT_EQ(RelayText(record), std::u16string(c.kept, u'x')) << c.length;
    EXPECT_EQ(record.text[c.kept], u'\0') << c.length;
  }
}

TEST(RelayRecord, ReadingStopsAt259UnitsWithoutTerminator) {
  RelayRecord record = MakeRelayRecord(0, kRestore, kProgress, kProgressText);
  for (char16_t& unit : record.text) unit = u'y';  // a peer that filled every unit
  EXPECT_EQ(RelayText(record).size(), kTextMaxLength);
}

TEST(RelayRecord, OnlyExactly540BytesAreRead) {
  unsigned char data[541] = {};
  RelayRecord record = MakeRelayRecord(1, 2, 3, 4);
  EXPECT_FALSE(ReadRelayRecord(data, 539, record));
  EXPECT_FALSE(ReadRelayRecord(data, 541, record));
  EXPECT_FALSE(ReadRelayRecord(nullptr, 540, record));
  EXPECT_EQ(record.code, 3u);  // untouched
  data[8] = 7;
  ASSERT_TRUE(ReadRelayRecord(data, 540, record));
  EXPECT_EQ(record.code, 7u);
}

}  // namespace
