// What the settings reader and writer share about the settings text itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvel {

// The markers of a CDATA section.
inline constexpr std::u16string_view kCdataOpen = u"<![CDATA[";
inline constexpr std::u16string_view kCdataClose = u"]]>";

// Script, Signature, Contacts and Calendar: their values stand in CDATA sections.
inline bool IsCdataType(uint32_t type) { return type == 35 || type == 65 || type == 95 || type == 97; }

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
