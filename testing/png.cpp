#include "testing/png.h"

#include <algorithm>
#include <array>

namespace orvel::png {

namespace {

constexpr std::array<uint32_t, 256> kCrcTable = [] {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}();

// A stored deflate block holds at most this many bytes.
constexpr size_t kStoredBlockMax = 65535;

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 24));
  out.push_back(static_cast<uint8_t>(value >> 16));
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutChunk(std::vector<uint8_t>& out, const char (&type)[5], std::span<const uint8_t> data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  // The CRC covers the type and the data, not the length.
  PutBigEndian(out, Crc32(std::span<const uint8_t>(out).subspan(typeAt)));
}

}  // namespace

uint32_t Crc32(std::span<const uint8_t> data, uint32_t previous) {
  uint32_t c = previous ^ 0xFFFFFFFFu;
  for (uint8_t byte : data) c = kCrcTable[(c ^ byte) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

uint32_t Adler32(std::span<const uint8_t> data) {
  constexpr uint32_t kBase = 65521;
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % kBase;
    b = (b + a) % kBase;
  }
  return (b << 16) | a;
}

std::vector<uint8_t> EncodeRgb(uint32_t width, uint32_t height, std::span<const uint8_t> rgb) {
  if (width == 0 || height == 0) return {};
  const uint64_t rowBytes = uint64_t{width} * 3;
  // Every row must fit the stream's 32-bit lengths; a screenshot is far below this.
  if (rowBytes + 1 > 0x7FFFFFFF / height || rgb.size() != rowBytes * height) return {};

  // Filter type 0 (none) in front of every row.
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>((rowBytes + 1) * height));
  for (uint32_t y = 0; y < height; ++y) {
    raw.push_back(0);
    auto row = rgb.subspan(static_cast<size_t>(y * rowBytes), static_cast<size_t>(rowBytes));
    raw.insert(raw.end(), row.begin(), row.end());
  }

  std::vector<uint8_t> zlib = {0x78, 0x01};  // deflate, 32K window, no dictionary; header check ok
  for (size_t at = 0; at < raw.size(); at += kStoredBlockMax) {
    size_t n = std::min(kStoredBlockMax, raw.size() - at);
    zlib.push_back(at + n == raw.size() ? 1 : 0);  // BFINAL on the last block, BTYPE 00 (stored)
    zlib.push_back(static_cast<uint8_t>(n));
    zlib.push_back(static_cast<uint8_t>(n >> 8));
    zlib.push_back(static_cast<uint8_t>(~n));
    zlib.push_back(static_cast<uint8_t>(~n >> 8));
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                raw.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  PutBigEndian(zlib, Adler32(raw));

  std::vector<uint8_t> header;
  PutBigEndian(header, width);
  PutBigEndian(header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter method, no interlace

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", zlib);
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace orvel::png
