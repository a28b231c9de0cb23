// What the settings reader and writer share about the settings text itself.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "settings/settings_schema.h"

namespace orvel {

// The markers of a CDATA section.
inline constexpr std::u16string_view kCdataOpen = u"<![CDATA[";
inline constexpr std::u16string_view kCdataClose = u"]]>";

// Script, Signature, Contacts and Calendar: their values stand in CDATA sections.
inline bool IsCdataType(uint32_t type) {
  return type == kScriptType || type == kSignatureType || type == kContactsType || type == kCalendarType;
}

// The first position at or after `pos` that holds `a` or `b` (they may be the same), or npos. It
// reads four characters at a time, as a pair of 64-bit words, over the long runs of text between
// the marks a reader looks for.
inline size_t FindEither(std::u16string_view text, size_t pos, char16_t a, char16_t b) {
  constexpr uint64_t kOnes = 0x0001000100010001ull, kHighs = 0x8000800080008000ull;
  const uint64_t wa = a * kOnes, wb = b * kOnes;
  const char16_t* data = text.data();
  const size_t size = text.size();
  for (; pos + 4 <= size; pos += 4) {
    uint64_t word;
    std::memcpy(&word, data + pos, sizeof word);
    const uint64_t xa = word ^ wa, xb = word ^ wb;
    // A lane of xa or xb is zero exactly where the text holds a or b.
    if ((((xa - kOnes) & ~xa) | ((xb - kOnes) & ~xb)) & kHighs) break;
  }
  for (; pos < size; ++pos) {
    if (data[pos] == a || data[pos] == b) return pos;
  }
  return std::u16string_view::npos;
}

inline size_t FindChar(std::u16string_view text, size_t pos, char16_t c) {
  return FindEither(text, pos, c, c);
}

// Replaces every occurrence of `what` (not empty) by `with`, left to right.
inline void ReplaceAll(std::u16string& text, std::u16string_view what, std::u16string_view with) {
  std::u16string out;
  size_t from = 0;
  for (size_t at; (at = text.find(what, from)) != std::u16string::npos; from = at + what.size()) {
    out.append(text, from, at - from);
    out.append(with);
  }
  if (from == 0) return;
  out.append(text, from);
  text.swap(out);
}

}  // namespace orvel
