// The stored list of always-trusted client names ("Secured Clients"): the class library's archive
// form of a string array, written and read here without the class library. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvel::engine {

using Bytes = std::vector<uint8_t>;

// The element count (16-bit; 0xFFFF and a 32-bit count from 0xFFFF on), then each string as the
// UTF-16 marker bytes FF FE FF, its length in characters (8-bit below 0xFF; else FF and 16-bit
// below 0xFFFE; else FF, FFFF and 32-bit) and its characters, little-endian, without terminator.
Bytes SerializeSecuredClients(const std::vector<std::u16string>& names);

// Reads that form back with every length checked against the data: no value for data that is cut
// short, holds another string form, claims more than it holds, or has bytes left over.
std::optional<std::vector<std::u16string>> ParseSecuredClients(const Bytes& data);

}  // namespace orvel::engine
