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

// Builders of response bodies for the table below.
Bytes Body(std::initializer_list<std::uint32_t> values) {
  Bytes body;
  for (std::uint32_t v : values) codec::AppendU32(body, v);
  return body;
}
Bytes& With(Bytes& body, std::u16string_view text) {
  codec::AppendString(body, text);
  return body;
}
Bytes& With(Bytes& body, std::uint32_t value) {
  codec::AppendU32(body, value);
  return body;
}

struct ResponseCase {
  const char* what;
  Bytes data;  // the whole response, header included
  bool accepted;
  std::uint32_t state;
  std::uint32_t code;
  std::uint32_t exError;
  std::u16string text;
};

std::vector<ResponseCase> ResponseCases() {
  const std::u16string pastEnd = u"CDecodeResponse::Attempted read past end of buffer";
  Bytes progress = Body({5, 4});
  With(With(progress, u"Mail"), 50u);
  Bytes question = Body({6, 0x204, 45});
  With(With(question, u"EMailSettings"), u"Mailbox exists");
  Bytes serverError = Body({1, 317, 5});
  With(serverError, u"Bad, very bad");
  Bytes noCode = Body({1, 0, 0});
  With(noCode, u"odd");
  Bytes longCount = Body({5, 4, 3});  // a tag of 3 units with only one unit after it
  longCount.insert(longCount.end(), {'M', 0});
  Bytes hugeCount = Body({6, 1, 2, 0xFFFFFFFFu});  // must not wrap past the end of the body
  Bytes cutQuestion = Body({6, 1, 2, 0});          // the tag is there, the name is not
  Bytes flagged = codec::MakeResponse(Body({2}), true);
  Bytes shortHeader(10, 0);
  return {
      {"applied", codec::MakeResponse(Body({2})), true, 2, 0, 0, u""},
      {"finished", codec::MakeResponse(Body({3})), true, 3, 0, 0, u""},
      {"acknowledged", codec::MakeResponse(Body({4})), true, 4, 0, 0, u""},
      {"progress", codec::MakeResponse(progress), true, 5, 0, 0, u""},
      {"question", codec::MakeResponse(question), true, 6, 0, 0, u""},
      {"server error keeps its own code", codec::MakeResponse(serverError), true, 1, 317, 5,
       u"Bad, very bad"},
      {"server error without a code", codec::MakeResponse(noCode), true, 1, 9, 0, u"odd"},
      {"header byte 6 set", flagged, false, 1, 9, 0, u"ProcessResponse::Error in buffer"},
      {"shorter than the header", shortHeader, false, 1, 9, 0, u"ProcessResponse::Error in buffer"},
      {"header only", codec::MakeResponse({}), false, 1, 9, 24, pastEnd},
      {"body of 3 bytes", codec::MakeResponse({2, 0, 0}), false, 1, 9, 24, pastEnd},
      {"progress cut short", codec::MakeResponse(Body({5, 4})), false, 1, 9, 24, pastEnd},
      {"string count over the body", codec::MakeResponse(longCount), false, 1, 9, 24, pastEnd},
      {"huge string count", codec::MakeResponse(hugeCount), false, 1, 9, 24, pastEnd},
      {"question without a name", codec::MakeResponse(cutQuestion), false, 1, 9, 24, pastEnd},
      {"server error without text", codec::MakeResponse(Body({1, 7, 0})), false, 1, 9, 24, pastEnd},
      {"unknown state", codec::MakeResponse(Body({7})), false, 1, 9, 0,
       u"ProcessResponse::Unknown command state received"},
  };
}

TEST(ReadSettingsResponse, TableOfEncodedResponses) {
  for (const ResponseCase& c : ResponseCases()) {
    SettingsResponse r = ReadSettingsResponse(c.data.data(), c.data.size());
    EXPECT_EQ(r.accepted, c.accepted) << c.what;
    EXPECT_EQ(r.state, c.state) << c.what;
    EXPECT_EQ(r.code, c.code) << c.what;
    EXPECT_EQ(r.exError, c.exError) << c.what;
    EXPECT_EQ(AsUtf8(r.text), AsUtf8(c.text)) << c.what;
  }
}

TEST(ReadSettingsResponse, FieldsOfProgressAndQuestion) {
  Bytes progress = Body({5, 4});
  With(With(progress, u"Mail"), 50u);
  Bytes data = codec::MakeResponse(progress);
  SettingsResponse p = ReadSettingsResponse(data.data(), data.size());
  EXPECT_EQ(p.stage, 4u);
  EXPECT_EQ(p.tag, u"Mail");
  EXPECT_EQ(p.percent, 50u);

  Bytes question = Body({6, 0x204, 45});
  With(With(question, u"EMailSettings"), u"Mailbox exists");
  data = codec::MakeResponse(question);
  SettingsResponse q = ReadSettingsResponse(data.data(), data.size());
  EXPECT_EQ(q.hError, 0x204u);
  EXPECT_EQ(q.answers, 45u);
  EXPECT_EQ(q.tag, u"EMailSettings");
  EXPECT_EQ(q.name, u"Mailbox exists");
}

TEST(ReadSettingsResponse, NullBufferIsRefused) {
  SettingsResponse r = ReadSettingsResponse(nullptr, 100);
  EXPECT_FALSE(r.accepted);
  EXPECT_EQ(r.code, 9u);
}

}  // namespace
}  // namespace orvel
