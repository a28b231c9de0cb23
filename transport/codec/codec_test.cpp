#include "transport/codec/codec.h"

#include <gtest/gtest.h>

#include "support/u16text.h"

namespace orvel {
namespace {

using codec::Bytes;

TEST(EncodeRequest, ApplyCommandCarriesCountedString) {
  CEncodeRequest request;
  EXPECT_EQ(request.Command(), 1);
  request.AppendString(u"c:\\a");
  const Bytes expected = {4, 0, 0, 0, 'c', 0, ':', 0, '\\', 0, 'a', 0};
  EXPECT_EQ(request.Payload(), expected);
}

TEST(EncodeRequest, SetCommandEmptiesPayload) {
  CEncodeRequest request;
  request.AppendULong(7);
  request.SetCommand(4);
  request.AppendULong(0x01020304);
  EXPECT_EQ(request.Command(), 4);
  EXPECT_EQ(request.Payload(), (Bytes{4, 3, 2, 1}));
}

Bytes Response(const Bytes& body, bool error = false) { return codec::MakeResponse(body, error); }

TEST(DecodeResponse, ReadsProgressBody) {
  Bytes body;
  codec::AppendU32(body, codec::kStateProgress);
  codec::AppendU32(body, 4);
  codec::AppendString(body, u"Mail");
  codec::AppendU32(body, 50);
  Bytes data = Response(body);
  ASSERT_EQ(data.size(), 11 + body.size());
  CDecodeResponse response(data.data(), data.size());
  EXPECT_FALSE(response.IsError());
  EXPECT_EQ(response.ReadULong(), 5u);
  EXPECT_EQ(response.ReadULong(), 4u);
  EXPECT_EQ(response.ReadString(), u"Mail");
  EXPECT_EQ(response.ReadULong(), 50u);
  EXPECT_THROW(response.ReadULong(), CodecError);
}

TEST(DecodeResponse, ErrorByteMarksErrorWhateverTheBody) {
  Bytes body;
  codec::AppendU32(body, codec::kStateApplied);
  Bytes data = Response(body, true);
  CDecodeResponse response(data.data(), data.size());
  EXPECT_TRUE(response.IsError());
}

struct ShortCase {
  const char* what;
  Bytes body;
  bool readString;  // else a u32
};

TEST(DecodeResponse, ReadsPastTheEndFailWithCode24) {
  Bytes hugeCount;
  codec::AppendU32(hugeCount, 0xFFFFFFFFu);  // must not wrap into a small size
  Bytes countPastEnd;
  codec::AppendU32(countPastEnd, 3);
  countPastEnd.insert(countPastEnd.end(), {'a', 0, 'b', 0, 'c'});
  const ShortCase cases[] = {
      {"three-byte body", {1, 0, 0}, false},      {"empty body", {}, false},
      {"count past the end", countPastEnd, true}, {"huge count", hugeCount, true},
      {"count cut short", {2, 0}, true},
  };
  for (const auto& c : cases) {
    Bytes data = Response(c.body);
    CDecodeResponse response(data.data(), data.size());
    try {
      if (c.readString) {
        response.ReadString();
      } else {
        response.ReadULong();
      }
      ADD_FAILURE() << c.what << ": no failure";
    } catch (const CodecError& e) {
      EXPECT_EQ(e.code(), 24u) << c.what;
      EXPECT_STREQ(e.what(), "CDecodeResponse::Attempted read past end of buffer") << c.what;
    }
    EXPECT_EQ(response.Position(), 0u) << c.what;  // a failed read consumes nothing
  }
}

TEST(DecodeResponse, BufferShorterThanHeaderIsAnErrorWithoutBody) {
  const std::uint8_t data[10] = {};
  CDecodeResponse response(data, sizeof data);
  EXPECT_TRUE(response.IsError());
  EXPECT_EQ(response.BodyLength(), 0u);
  EXPECT_THROW(response.ReadULong(), CodecError);
  CDecodeResponse none(nullptr, 0);
  EXPECT_TRUE(none.IsError());
}

TEST(ByteReader, StringOfZeroUnitsAndSurrogates) {
  Bytes body;
  codec::AppendString(body, u"");
  codec::AppendString(body, u"\U0001F600");
  codec::ByteReader reader(body.data(), body.size());
  std::u16string text = u"x";
  ASSERT_TRUE(reader.ReadString(text));
  EXPECT_EQ(text, u"");
  ASSERT_TRUE(reader.ReadString(text));
  EXPECT_EQ(text, u"\U0001F600");
  EXPECT_EQ(reader.Remaining(), 0u);
}

}  // namespace
}  // namespace orvel
