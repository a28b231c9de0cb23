#include "settings/settings_writer.h"

#include <ctime>

#include "settings/line_ends.h"
#include "settings/settings_file.h"
#include "settings/settings_host.h"
#include "settings/settings_schema.h"
#include "settings/settings_text.h"
#include "support/u16text.h"

namespace orvel {
namespace {

uint32_t g_depth = 0;
bool g_pretty = true;
// Set when a document write meets something it cannot write faithfully.
bool g_refused = false;
std::optional<uint32_t> g_passwordSeed;

// The scrambling modulus: a prime below 65536.
constexpr uint32_t kPasswordModulus = 65521;

constexpr char16_t kHeader[] =
    u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<!-- Corvanset Configuration File -->\n\n";

// What the device form leaves out: contacts and calendar, unknown elements, BIO messages.
bool IsLeftOutOfDeviceForm(const CSettingsNode& node) {
  const uint32_t type = node.GetType();
  return (type >= kContactsAndCalendarType && type <= kCalendarType) || type == kUnknownElementType ||
         node.GetKind() == kKindHidden;
}

bool IsDeviceGroup(uint32_t type) {
  return type == kIapSettingsType || type == kEmailSettingsType || type == kWapSettingsType ||
         type == kSmsSettingsType || type == kPersonalDataType;
}

bool IsInsideListEntry(const CSettingsNode& node) {
  for (const CSettingsNode* p = node.GetParent(); p; p = p->GetParent()) {
    const uint32_t type = p->GetType();
    if (type == kIapConnectionType || type == kMailboxType || type == kWapConnectionType ||
        type == kSmsCentreType || type == kWwwBookmarkType || type == kWapBookmarkType)
      return true;
  }
  return false;
}

uint16_t NextKey(uint32_t key) { return static_cast<uint16_t>((key * key) % kPasswordModulus); }

// A key whose squares reach 0 or 1, where they stay: every later character would be written as it
// is or with one bit flipped. Squaring brings a key to 1 exactly when its order is a power of two,
// which divides 16 since the modulus less one is 16 x 4095: four steps tell.
bool IsDegenerateKey(uint32_t key) {
  for (int step = 0; step < 4; ++step) key = NextKey(key);
  return key <= 1;
}

void AppendHex4(std::u16string& out, uint32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

// The four hexadecimal digits at `pos`, or -1 when one of them is not a digit.
int32_t ReadHex4(std::u16string_view text, size_t pos) {
  int32_t value = 0;
  for (size_t i = pos; i < pos + 4; ++i) {
    const char16_t c = text[i];
    int32_t digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      return -1;
    }
    value = value * 16 + digit;
  }
  return value;
}

// The element names from the top group down to the node, for messages.
std::u16string ElementPath(const CSettingsNode& node) {
  std::u16string path, name;
  for (const CSettingsNode* p = &node; p && p->GetType() != kRootType; p = p->GetParent()) {
    p->GetNodeName(name, false);
    path = path.empty() ? name : name + u"/" + path;
  }
  return path;
}

void Refuse(std::u16string message) {
  if (g_refused) return;  // the first reason is the one reported
  g_refused = true;
  SetLastReadError(std::move(message));
}

}  // namespace

uint32_t GetNestingDepth() { return g_depth; }
void SetNestingDepth(uint32_t depth) { g_depth = depth; }
bool IsPrettyWriting() { return g_pretty; }

CDepthGuard::CDepthGuard() { ++g_depth; }
CDepthGuard::~CDepthGuard() { --g_depth; }

std::u16string WriteIndent() {
  return g_pretty ? std::u16string(2 * size_t{g_depth}, u' ') : std::u16string();
}

size_t GetPasswordWidth(uint32_t type) {
  if (type == kIapPasswordType || type == kWapBookmarkPasswordType) return 20;
  if (type == kMailboxPasswordType) return 25;
  return 0;
}

void SetPasswordSeed(std::optional<uint32_t> seed) { g_passwordSeed = seed; }

std::u16string EncodePassword(std::u16string_view value, size_t width) {
  // The runtime library's generator, seeded with the clock: each number is 15 bits of its state.
  uint32_t state = g_passwordSeed ? *g_passwordSeed : static_cast<uint32_t>(std::time(nullptr));
  auto nextRandom = [&state] {
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFF;
  };
  uint32_t key = NextKey(nextRandom());
  while (IsDegenerateKey(key)) key = NextKey(nextRandom());
  std::u16string out;
  out.reserve(4 + 4 * width);
  AppendHex4(out, key);
  for (size_t i = 0; i < width; ++i) {
    const uint32_t c = i < value.size() ? value[i] : 0;
    key = NextKey(key);
    AppendHex4(out, c ^ key);
  }
  return out;
}

std::u16string DecodePassword(std::u16string_view text) {
  std::u16string out;
  if (text.size() < 4) return out;
  int32_t key = ReadHex4(text, 0);
  if (key < 0) return out;
  for (size_t pos = 4; pos + 4 <= text.size(); pos += 4) {
    const int32_t x = ReadHex4(text, pos);
    if (x < 0) break;
    key = NextKey(static_cast<uint32_t>(key));
    const char16_t c = static_cast<char16_t>(x ^ key);
    if (c == 0) break;
    out += c;
  }
  return out;
}

void ValueToXml(const CSettingsNode& node, std::u16string& value) {
  const uint32_t type = node.GetType();
  if (node.GetKind() == kKindPassword) {
    const size_t width = GetPasswordWidth(type);
    value = EncodePassword(value, width != 0 ? width : value.size());
  }
  if (IsCdataType(type) || (type == kUnknownElementType && node.GetAux() != 0)) {
    // A "]]>" inside the value closes the section after its "]]" and opens a new one for ">".
    ReplaceAll(value, kCdataClose, u"]]]]>\n<![CDATA[>");
    value = std::u16string(kCdataOpen) + value + std::u16string(kCdataClose);
    return;
  }
  std::u16string out;
  out.reserve(value.size());
  for (char16_t c : value) {
    if (c == u'&') {
      out += u"&amp;";
    } else if (c == u'<') {
      out += u"&lt;";
    } else if (c == u'>') {
      out += u"&gt;";
    } else {
      out += c;
    }
  }
  value.swap(out);
}

bool WriteSettingsElement(CSettingsNode& node, std::u16string& out, bool deviceMode,
                          std::vector<std::u16string>* names) {
  CDepthGuard depth;
  if (g_depth > kMaxNestingDepth) {
    Refuse(u"The settings tree is nested more than " + DecimalText(kMaxNestingDepth) +
           u" levels deep and cannot be written.");
    return true;
  }
  const uint32_t type = node.GetType();
  if (IsPlaceholderType(type)) return true;  // list placeholders have no file form
  if (deviceMode && IsLeftOutOfDeviceForm(node)) return true;

  std::u16string name;
  node.GetNodeName(name, false);
  bool created = node.IsCreated();
  bool updated = node.IsUpdated();
  if (deviceMode && created && IsInsideListEntry(node)) {
    // The entry element carries the creation; its fields are updates of the new entry.
    created = false;
    updated = true;
  }

  const std::u16string indent = WriteIndent();
  std::u16string start = indent + u"<" + name;
  bool write = false;
  if (created) {
    start += u" op=\"create\"";
    write = true;
  } else if (updated) {
    start += u" op=\"update\"";
    write = deviceMode;
  }
  const std::u16string_view extra = TrimBlanks(node.GetExtra());
  if (!extra.empty()) {
    start += u' ';
    start += extra;
  }
  start += u'>';
  std::u16string end = u"</" + name + u">\n";

  std::u16string value = node.GetValue();
  const size_t width = node.GetKind() == kKindPassword ? GetPasswordWidth(type) : 0;
  if (width != 0 && value.size() > width) {
    Refuse(u"The password in " + ElementPath(node) + u" has " + DecimalText(value.size()) +
           u" characters; a settings file keeps at most " + DecimalText(width) + u".");
  }
  ValueToXml(node, value);
  value = UnifyLineEnds(value);
  if (value.find(kCdataOpen) == std::u16string::npos) {
    if (!indent.empty()) ReplaceAll(value, u"\n", u"\n" + indent);
    while (!value.empty() && IsBlank(value.back())) value.pop_back();
  }
  if (deviceMode) value = NormalizeLineEnds(value);

  if (value.find(u'\n') != std::u16string::npos || node.GetChildCount() > 0) {
    start += u'\n';
    if (!value.empty()) value += u'\n';
    end = indent + end;
  }

  // The element goes straight into `out`, children included, and is taken back when the device
  // form turns out not to need it: copying each level's children upward would move the text of
  // a large list once per nesting level.
  const size_t mark = out.size();
  out += start;
  out += value;
  const size_t childrenStart = out.size();
  for (size_t i = 0; i < node.GetChildCount(); ++i) {
    WriteSettingsElement(*node.GetChild(i), out, deviceMode, names);
  }
  if (node.GetChildCount() > 0) write = out.size() > childrenStart;
  if (!deviceMode) write = true;

  if (!write) {
    out.resize(mark);
    return true;
  }
  out += end;
  if (names && node.GetParent() && node.GetParent()->GetType() == kPersonalDataType) names->push_back(name);
  return true;
}

bool WriteSettingsDocument(CSettingsNode& root, std::u16string& text, bool deviceMode,
                           std::vector<std::u16string>* names, bool* refused) {
  g_depth = 0;
  g_pretty = !deviceMode;
  g_refused = false;
  if (names) names->clear();
  if (refused) *refused = false;

  text = kHeader;
  text += u"<Settings>\n";
  const size_t bodyStart = text.size();
  std::u16string name;
  for (size_t i = 0; i < root.GetChildCount(); ++i) {
    CSettingsNode& child = *root.GetChild(i);
    if (deviceMode && !IsDeviceGroup(child.GetType())) continue;
    const size_t before = text.size();
    WriteSettingsElement(child, text, deviceMode, names);
    if (names && text.size() > before && child.GetType() != kPersonalDataType) {
      child.GetNodeName(name, false);
      names->push_back(name);
    }
  }
  if (g_refused || text.size() == bodyStart) {
    text.clear();
    if (g_refused) {
      if (names) names->clear();
      if (refused) *refused = true;
    }
    return false;
  }
  text += u"</Settings>\n";
  return true;
}

bool SaveSettingsFile(CSettingsNode& root, const std::u16string& path) {
  g_depth = 0;
  std::u16string text;
  bool refused = false;
  WriteSettingsDocument(root, text, false, nullptr, &refused);
  if (refused) return false;
  text = NormalizeLineEnds(u"\uFEFF" + text);
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  std::u16string error;
  if (!ReplaceFileBytes(path, bytes, error)) {
    SetLastReadError(std::move(error));
    return false;
  }
  return true;
}

}  // namespace orvel
