// A small PNG writer for screenshots: 8-bit RGB, no filtering, the image data in stored
// (uncompressed) deflate blocks. Portable; the Windows side hands it the pixels it captured.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orvel::png {

// CRC-32 of the PNG chunks (polynomial 0xEDB88320), continued from a previous value.
uint32_t Crc32(std::span<const uint8_t> data, uint32_t previous = 0);
// Adler-32 of the zlib stream.
uint32_t Adler32(std::span<const uint8_t> data);

// The bytes of a PNG file of a width x height image whose rows (top first) hold three bytes per
// pixel, red, green, blue. Empty when rgb does not hold exactly that many bytes or a side is 0.
std::vector<uint8_t> EncodeRgb(uint32_t width, uint32_t height, std::span<const uint8_t> rgb);

}  // namespace orvel::png
