#include "testing/png.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace {

using orvel::png::Adler32;
using orvel::png::Crc32;
using orvel::png::EncodeRgb;

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The standard check values of both sums.
struct SumCase {
  std::string_view data;
  uint32_t crc;
  uint32_t adler;
};
const SumCase kSums[] = {
    {"", 0x00000000, 0x00000001},
    {"123456789", 0xCBF43926, 0x091E01DE},
    {"Wikipedia", 0xADAAC02E, 0x11E60398},
};

TEST(PngSums, CheckValues) {
  for (const auto& c : kSums) {
    EXPECT_EQ(Crc32(Bytes(c.data)), c.crc) << c.data;
    EXPECT_EQ(Adler32(Bytes(c.data)), c.adler) << c.data;
  }
}

TEST(PngSums, CrcContinues) { EXPECT_EQ(Crc32(Bytes("6789"), Crc32(Bytes("12345"))), 0xCBF43926u); }

uint32_t BigEndian(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

struct Decoded {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
  size_t storedBlocks = 0;
};

// A reader for exactly what the writer produces (RGB 8-bit, stored blocks, filter 0), checking
// every length, sum and header field on the way.
std::optional<Decoded> Decode(const std::vector<uint8_t>& file) {
  const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (file.size() < 8 || !std::equal(kSignature, kSignature + 8, file.begin())) return std::nullopt;
  Decoded image;
  std::vector<uint8_t> zlib;
  bool ended = false;
  for (size_t at = 8; at < file.size();) {
    if (ended || file.size() - at < 12) return std::nullopt;
    uint32_t length = BigEndian(file, at);
    if (length > file.size() - at - 12) return std::nullopt;
    std::string type(file.begin() + at + 4, file.begin() + at + 8);
    std::span<const uint8_t> typeAndData(file.data() + at + 4, length + 4);
    if (Crc32(typeAndData) != BigEndian(file, at + 8 + length)) return std::nullopt;
    const uint8_t* data = file.data() + at + 8;
    if (type == "IHDR") {
      if (length != 13) return std::nullopt;
      std::vector<uint8_t> h(data, data + 13);
      image.width = BigEndian(h, 0);
      image.height = BigEndian(h, 4);
      if (h[8] != 8 || h[9] != 2 || h[10] != 0 || h[11] != 0 || h[12] != 0) return std::nullopt;
    } else if (type == "IDAT") {
      zlib.insert(zlib.end(), data, data + length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  if (!ended || zlib.size() < 6 || (zlib[0] * 256 + zlib[1]) % 31 != 0 || (zlib[0] & 0x0F) != 8)
    return std::nullopt;
  std::vector<uint8_t> raw;
  size_t at = 2;
  for (bool final = false; !final;) {
    if (zlib.size() - at < 5) return std::nullopt;
    final = zlib[at] & 1;
    if ((zlib[at] >> 1) != 0) return std::nullopt;  // only stored blocks
    uint16_t n = static_cast<uint16_t>(zlib[at + 1] | zlib[at + 2] << 8);
    uint16_t notN = static_cast<uint16_t>(zlib[at + 3] | zlib[at + 4] << 8);
    if (static_cast<uint16_t>(~n) != notN || zlib.size() - at - 5 < n) return std::nullopt;
    raw.insert(raw.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + n);
    at += 5 + n;
    ++image.storedBlocks;
  }
  if (zlib.size() - at != 4 || BigEndian(zlib, at) != Adler32(raw)) return std::nullopt;
  size_t row = size_t{image.width} * 3;
  if (raw.size() != (row + 1) * image.height) return std::nullopt;
  for (uint32_t y = 0; y < image.height; ++y) {
    if (raw[y * (row + 1)] != 0) return std::nullopt;
    image.rgb.insert(image.rgb.end(), raw.begin() + y * (row + 1) + 1, raw.begin() + (y + 1) * (row + 1));
  }
  return image;
}

std::vector<uint8_t> Pattern(uint32_t width, uint32_t height) {
  std::vector<uint8_t> rgb(size_t{width} * height * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7 + i / 3);
  return rgb;
}

struct ImageCase {
  uint32_t width, height;
};
const ImageCase kImages[] = {
    {1, 1},     {3, 2}, {100, 217},  // 65317 bytes of rows: one block
    {100, 218},                      // 65618 bytes: a full block and a short one
    {640, 200},                      // several full blocks and a partial one
};

TEST(PngEncode, RoundTrips) {
  for (const auto& c : kImages) {
    std::vector<uint8_t> rgb = Pattern(c.width, c.height);
    std::optional<Decoded> decoded = Decode(EncodeRgb(c.width, c.height, rgb));
    ASSERT_TRUE(decoded) << c.width << "x" << c.height;
    EXPECT_EQ(decoded->width, c.width);
    EXPECT_EQ(decoded->height, c.height);
    EXPECT_EQ(decoded->rgb, rgb);
    size_t raw = (size_t{c.width} * 3 + 1) * c.height;
    EXPECT_EQ(decoded->storedBlocks, (raw + 65534) / 65535) << c.width << "x" << c.height;
  }
}

TEST(PngEncode, RefusesSizesThatDoNotMatchThePixels) {
  std::vector<uint8_t> rgb = Pattern(2, 2);
  EXPECT_TRUE(EncodeRgb(0, 2, {}).empty());
  EXPECT_TRUE(EncodeRgb(2, 0, {}).empty());
  EXPECT_TRUE(EncodeRgb(2, 3, rgb).empty());
  EXPECT_TRUE(EncodeRgb(2, 2, std::span(rgb).first(11)).empty());
  EXPECT_TRUE(EncodeRgb(0x40000000, 0x40000000, rgb).empty());  // no overflow to a small size
}

}  // namespace
