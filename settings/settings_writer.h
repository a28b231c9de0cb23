// The settings XML text and its writer. The full form (files, and the text the user interface
// sends) holds every node with a file form, indented; the device form holds only the groups the
// device takes and, inside them, only what is marked for creation or update. Texts use LF line
// ends; a saved file is UTF-16LE with a byte-order mark and CR LF line ends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_node.h"

namespace orvel {

// Elements nested deeper than this are neither read nor written, so no hostile text can exhaust
// the stack of the reader, the writer or a copy of the tree.
inline constexpr uint32_t kMaxNestingDepth = 100;

// The writer's nesting depth (0 outside any element) and pretty flag (indent or not); process
// wide, shared with the reader, and set at the start of every document write, save and parse.
uint32_t GetNestingDepth();
void SetNestingDepth(uint32_t depth);
bool IsPrettyWriting();

// Raises the nesting depth for its lifetime.
class CDepthGuard {
 public:
  CDepthGuard();
  ~CDepthGuard();
  CDepthGuard(const CDepthGuard&) = delete;
  CDepthGuard& operator=(const CDepthGuard&) = delete;
};

// Writes the document of `root`: header, "<Settings>", the elements of the top groups and
// "</Settings>". In device mode only IAPSettings, EMailSettings, WAPSettings, SMSSettings and
// PersonalData are considered, and `names` (when given) receives the element names of the written
// groups other than PersonalData and of the written children of PersonalData. True when something
// was written; false with an empty text when nothing was. A write that cannot be done faithfully
// (a password longer than its field takes, a tree nested too deep) also gives false and an empty
// text, sets `refused` and leaves the reason in the last read error.
bool WriteSettingsDocument(CSettingsNode& root, std::u16string& text, bool deviceMode,
                           std::vector<std::u16string>* names, bool* refused = nullptr);

// Appends the element of one node, with its children, to `out`. Always true.
bool WriteSettingsElement(CSettingsNode& node, std::u16string& out, bool deviceMode,
                          std::vector<std::u16string>* names);

// The value of `node` as its element carries it: passwords scrambled, long texts and CDATA-read
// unknown elements as CDATA sections, everything else with "&", "<" and ">" escaped.
void ValueToXml(const CSettingsNode& node, std::u16string& value);

// Two blanks per nesting level when pretty, else nothing.
std::u16string WriteIndent();

// The number of characters a password field keeps in the file (20 or 25), or 0 when the field
// keeps the whole value.
size_t GetPasswordWidth(uint32_t type);

// Scrambles a password to 4 + 4 * width lower-case hexadecimal digits: a key, then each character
// (or 0 past the value's end) combined with the next key. Characters past the width are dropped.
// A key that would lead to 0 or 1 (which leave the characters as they are) is never taken.
std::u16string EncodePassword(std::u16string_view value, size_t width);
// Reverses EncodePassword. Stops at the first encoded 0, at a group that is short or not
// hexadecimal; a text without a readable key gives the empty text.
std::u16string DecodePassword(std::u16string_view text);

// The first key of EncodePassword comes from a generator seeded with the current time. Tests fix
// the seed here to get repeatable output; std::nullopt returns to the clock.
void SetPasswordSeed(std::optional<uint32_t> seed);

// Writes the full form to `path` (UTF-16LE, FF FE, CR LF) through a temporary file that replaces
// the old one. False on a file error or a refused write, with the message in the last read error;
// an existing file is then left as it was.
bool SaveSettingsFile(CSettingsNode& root, const std::u16string& path);

}  // namespace orvel
