#include "outside/econnect/device_wire.h"

#include <gtest/gtest.h>

namespace orvel::econnect::wire {
namespace {

// Responses as the transport module expects them byte for byte: an 11-byte header whose bytes 0-3
// give the body's length and whose byte 6 marks an error, then the state and its items.
struct ResponseCase {
  const char* what;
  Bytes encoded;
  Bytes expected;
};

TEST(DeviceWire, ResponsesAreTheFixedBytes) {
  const ResponseCase cases[] = {
      {"applied", CResponse(kApplied).Encode(), {4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0}},
      {"progress with a tag",
       CResponse(kProgress).Value(4).Text(u"Ab").Value(100).Encode(),
       {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 'A', 0, 'b', 0, 100, 0, 0, 0}},
      {"failure marked as an error response",
       CResponse(kFailed).Value(200).Value(0x01020304).Text(u"").Encode(true),
       {16, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 200, 0, 0, 0, 4, 3, 2, 1, 0, 0, 0, 0}},
      {"a unit above 255",
       CResponse(kQuestion).Text(u"\u00e9\u20ac").Encode(),
       {12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, 2, 0, 0, 0, 0xE9, 0x00, 0xAC, 0x20}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.encoded, c.expected) << c.what;
}

TEST(DeviceWire, ReadsTheApplyRequestsPath) {
  const std::u16string path = u"c:\\~epoc_settings.xml";
  Bytes payload = {21, 0, 0, 0};
  for (char16_t unit : path) payload.insert(payload.end(), {static_cast<std::uint8_t>(unit), 0});
  CRequestReader reader(payload.data(), payload.size());
  EXPECT_EQ(reader.Text(), path);
  EXPECT_EQ(reader.Value(), std::nullopt);  // nothing left
}

TEST(DeviceWire, ReadsNothingPastThePayload) {
  struct Case {
    const char* what;
    Bytes payload;
  };
  const Case cases[] = {
      {"three bytes of a count", {1, 0, 0}},
      {"a count above the units", {2, 0, 0, 0, 'a', 0, 'b'}},
      {"a count that would wrap", {0xFF, 0xFF, 0xFF, 0xFF, 'a', 0}},
      {"an empty payload", {}},
  };
  for (const auto& c : cases) {
    CRequestReader reader(c.payload.data(), c.payload.size());
    EXPECT_EQ(reader.Text(), std::nullopt) << c.what;
  }
  const Bytes answer = {4, 0, 0, 0, 9};
  CRequestReader reader(answer.data(), answer.size());
  EXPECT_EQ(reader.Value(), kStopAnswer);
  EXPECT_EQ(reader.Value(), std::nullopt);
}

}  // namespace
}  // namespace orvel::econnect::wire
