// Settings validation: value checks by value kind and node type, the data-call rule, repair in
// tolerant mode, and the walk over the tree.
#include "settings/settings_validate.h"

#include <algorithm>
#include <deque>
#include <map>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "settings/settings_node.h"
#include "settings/settings_schema.h"
#include "support/u16text.h"

namespace orvel {
namespace {

constexpr std::u16string_view kDefaultPhoneCharset = u"0123456789pPwW+*#-()/ .";

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsFlagged(const CSettingsNode& node) { return node.IsCreated() || node.IsUpdated(); }

// Whether a node below `node` carries a create or update flag.
bool HoldsFlaggedNode(const CSettingsNode& node) {
  for (size_t i = 0; i < node.GetChildCount(); ++i) {
    const CSettingsNode& child = *node.GetChild(i);
    if (IsFlagged(child) || HoldsFlaggedNode(child)) return true;
  }
  return false;
}

bool IsAmongChoices(const CSettingsNode& node, const std::u16string& value) {
  std::vector<std::u16string> choices;
  node.GetChoices(choices, false);
  return std::find(choices.begin(), choices.end(), value) != choices.end();
}

bool IsDuplicateCheckedType(uint32_t type) {
  return type == kIapConnectionNameType || type == kMailboxNameType || type == kWapConnectionNameType ||
         type == kCentreNameType || type == kWwwBookmarkNameType || type == kWapBookmarkNameType;
}

// Whether `entry` has a child of `type` other than `except` whose value is `value`.
bool OtherChildHolds(const CSettingsNode& entry, uint32_t type, const std::u16string& value,
                     const CSettingsNode* except) {
  for (size_t i = 0; i < entry.GetChildCount(); ++i) {
    const CSettingsNode* child = entry.GetChild(i);
    if (child != except && child->GetType() == type && child->GetValue() == value) return true;
  }
  return false;
}

// How many entries hold each name, in one small flat table (open addressing): no allocation per
// name and one probe per look-up, so that counting stays cheap for lists far larger than the
// caches. The keys are the names' own texts in the tree; a text that is about to change is
// replaced by a copy that the table keeps.
class CNameCounts {
 public:
  explicit CNameCounts(size_t expected) : m_slots(SizeFor(expected)) {}

  size_t Get(const std::u16string& name) const {
    const Slot* slot = Find(name, HashOf(name));
    return slot ? slot->count : 0;
  }

  // One holder more; the new count.
  size_t Add(const std::u16string& name) {
    const uint32_t hash = HashOf(name);
    if (Slot* slot = Find(name, hash)) return ++slot->count;
    if (4 * (m_used + 1) > 3 * m_slots.size()) Grow();
    Place(Slot{&name, hash, 1});
    return 1;
  }

  // One holder less. When others still hold the name and its key is the text of the holder that
  // changes next, the key becomes a kept copy.
  void Remove(const std::u16string& name) {
    Slot* slot = Find(name, HashOf(name));
    if (!slot) return;
    if (--slot->count > 0 && slot->name == &name) slot->name = &m_kept.emplace_back(name);
  }

 private:
  struct Slot {
    const std::u16string* name = nullptr;  // a slot whose count fell to 0 keeps its place, unmatched
    uint32_t hash = 0;
    uint32_t count = 0;
    bool Used() const { return name != nullptr; }
  };

  static uint32_t HashOf(const std::u16string& name) {
    return static_cast<uint32_t>(std::hash<std::u16string>()(name));
  }

  static size_t SizeFor(size_t expected) {
    size_t size = 16;
    while (3 * size < 4 * expected) size *= 2;
    return size;
  }

  Slot* Find(const std::u16string& name, uint32_t hash) const {
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& slot = m_slots[i];
      if (!slot.Used()) return nullptr;
      if (slot.count > 0 && slot.hash == hash && *slot.name == name) return const_cast<Slot*>(&slot);
    }
  }

  void Place(Slot slot) {
    const size_t mask = m_slots.size() - 1;
    size_t i = slot.hash & mask;
    while (m_slots[i].Used()) i = (i + 1) & mask;
    m_slots[i] = slot;
    ++m_used;
  }

  void Grow() {
    std::vector<Slot> old(SizeFor(m_slots.size()));
    old.swap(m_slots);
    m_used = 0;
    for (const Slot& slot : old) {
      if (slot.count > 0) Place(slot);
    }
  }

  std::vector<Slot> m_slots;  // a power of two long, at most three quarters used
  size_t m_used = 0;
  std::deque<std::u16string> m_kept;
};

// What one walk looks up again and again, gathered once: the entry names of each list, so that
// the duplicate test of a name field is one look-up instead of a pass over its list, and the
// entry names that the connection references of a strict walk must be among. Every name is
// counted once per entry that holds it; a repair that changes a name tells the counts before and
// after. A walk that feeds the counts itself, entry by entry, asks no duplicate test: it stops as
// soon as a name is held twice.
class CWalkLookups {
 public:
  explicit CWalkLookups(bool fed) : m_fed(fed) {}

  bool IsDuplicateName(const CSettingsNode& node) {
    if (m_fed) return false;  // a name held twice ended the walk when it was fed
    const CSettingsNode* entry = node.GetParent();
    const CSettingsNode* list = entry ? entry->GetParent() : nullptr;
    if (!list) return false;
    return Counts(*list, *entry, node.GetType()).Get(node.GetValue()) > 1;  // its own entry is one
  }

  // Counts the names of the list's entry; false when one of them is now held by two entries.
  bool Feed(const CSettingsNode& list, const CSettingsNode& entry) {
    for (size_t j = 0; j < entry.GetChildCount(); ++j) {
      const CSettingsNode* name = entry.GetChild(j);
      if (!IsDuplicateCheckedType(name->GetType()) || HeldEarlier(entry, j)) continue;
      const Key key{&list, entry.GetType(), name->GetType()};
      auto counts = m_names.find(key);
      if (counts == m_names.end()) counts = m_names.emplace(key, CNameCounts(list.GetChildCount())).first;
      if (counts->second.Add(name->GetValue()) > 1) return false;
    }
    return true;
  }

  void Renaming(const CSettingsNode& node) {
    CNameCounts* counts = BuiltCounts(node);
    if (counts && !OtherChildHolds(*node.GetParent(), node.GetType(), node.GetValue(), &node)) {
      counts->Remove(node.GetValue());
    }
  }
  void Renamed(const CSettingsNode& node) {
    CNameCounts* counts = BuiltCounts(node);
    if (counts && !OtherChildHolds(*node.GetParent(), node.GetType(), node.GetValue(), &node)) {
      counts->Add(node.GetValue());
    }
  }

  // Only for a strict walk, which changes nothing before it stops.
  bool IsAmongReferenceChoices(const CSettingsNode& node) {
    auto built = m_choices.find(node.GetType());
    if (built == m_choices.end()) {
      std::vector<std::u16string> choices;
      node.GetChoices(choices, false);
      built = m_choices
                  .emplace(node.GetType(), std::unordered_set<std::u16string>(choices.begin(), choices.end()))
                  .first;
    }
    return built->second.count(node.GetValue()) != 0;
  }

 private:
  using Key = std::tuple<const CSettingsNode*, uint32_t, uint32_t>;  // list, entry type, name type

  CNameCounts* BuiltCounts(const CSettingsNode& node) {
    const CSettingsNode* entry = node.GetParent();
    const CSettingsNode* list = entry ? entry->GetParent() : nullptr;
    if (!list) return nullptr;
    const auto built = m_names.find(Key{list, entry->GetType(), node.GetType()});
    return built == m_names.end() ? nullptr : &built->second;  // else counted when first asked
  }

  const CNameCounts& Counts(const CSettingsNode& list, const CSettingsNode& entry, uint32_t nameType) {
    const Key key{&list, entry.GetType(), nameType};
    auto built = m_names.find(key);
    if (built != m_names.end()) return built->second;
    CNameCounts& counts = m_names.emplace(key, CNameCounts(list.GetChildCount())).first->second;
    for (size_t i = 0; i < list.GetChildCount(); ++i) {
      const CSettingsNode& other = *list.GetChild(i);
      if (other.GetType() != entry.GetType()) continue;
      for (size_t j = 0; j < other.GetChildCount(); ++j) {
        if (other.GetChild(j)->GetType() == nameType && !HeldEarlier(other, j))
          counts.Add(other.GetChild(j)->GetValue());
      }
    }
    return counts;
  }

  // An entry with two name fields of one type and value counts once.
  static bool HeldEarlier(const CSettingsNode& entry, size_t index) {
    const CSettingsNode& name = *entry.GetChild(index);
    for (size_t k = 0; k < index; ++k) {
      const CSettingsNode& other = *entry.GetChild(k);
      if (other.GetType() == name.GetType() && other.GetValue() == name.GetValue()) return true;
    }
    return false;
  }

  bool m_fed;
  std::map<Key, CNameCounts> m_names;
  std::unordered_map<uint32_t, std::unordered_set<std::u16string>> m_choices;
};

bool LengthWithin(size_t length, size_t low, size_t high) { return length >= low && length <= high; }

// The rule of the node's value kind and type, on its stored value.
bool IsValueValid(const CSettingsNode& node, bool tolerant, CWalkLookups& lookups) {
  const bool strict = !tolerant;
  const uint32_t type = node.GetType();
  const std::u16string& value = node.GetValue();
  const size_t length = value.size();
  const size_t maximum = GetMaxValueLength(node);

  switch (node.GetKind()) {
    case kKindNone:
      switch (type) {
        case kNamelessFileListType:
        case kRingingToneType:
        case kBackgroundImageType:
        case kSisFileType:
        case kFileLocalType:
        case kFileRemoteType:
          return IsValidFileName(value);
        default:
          return true;
      }

    case kKindIpAddress:
      if (value.empty()) return type == kServiceAddressType ? tolerant : true;
      return IsValidIpAddress(value);

    case kKindHost:
      if (type == kInServerType || type == kOutServerType) {
        if (value.empty()) return tolerant;
        return length <= 100 && IsValidHostName(value);
      }
      return value.empty() || IsValidHostName(value);

    case kKindEmail:
      if (type == kEmailAddressType) {
        if (value.empty()) return tolerant;
        return length <= 100 && IsValidEmailAddress(value);
      }
      return value.empty() || IsValidEmailAddress(value);

    case kKindPort:
      if (value.empty()) return !IsFlagged(node);
      return IsValidPort(value);

    case kKindNumber:
      if (value.empty()) return true;
      if (type == kMessageMaxSizeType) {
        // Compared as 64 bits: a narrower size type would wrap "4294967297" to 1.
        const uint64_t size = LeadingDecimalValue(value);
        return IsDigits(value) && size >= 1 && size <= 1000;
      }
      return IsDigits(value);

    case kKindPhone:
      if (type == kIapPhoneNumberType || type == kCentrePhoneNumberType) {
        return LengthWithin(length, strict ? 1 : 0, maximum) && IsInCharset(value, type);
      }
      if (type == kDefaultVoiceMailboxType) {
        return !IsFlagged(node) || (LengthWithin(length, 2, maximum) && IsInCharset(value, type));
      }
      return length <= maximum && IsInCharset(value, type);

    case kKindText:
    case kKindConnectionRef:
      if (type == kMailboxRealNameType && value.find_first_of(u"<>") != std::u16string::npos) return false;
      [[fallthrough]];
    case kKindPassword:
    case kKindEntryName:
    case kKindMailboxName:
    case kKindCentreName:
    case kKindModemInit: {
      size_t minimum = 0;
      switch (type) {
        case kIapConnectionNameType:
        case kWapConnectionNameType:
          if (value.empty() || lookups.IsDuplicateName(node)) return false;
          break;
        case kMailboxNameType:
        case kWwwBookmarkNameType:
        case kWapBookmarkNameType:
          if (lookups.IsDuplicateName(node)) return false;
          minimum = 1;
          break;
        case kCentreNameType:
        case kWapBookmarkUseConnectionType:
          minimum = 1;
          break;
        case kMailboxUsernameType:
          minimum = strict ? 1 : 0;
          break;
        default:
          break;
      }
      return LengthWithin(length, minimum, maximum);
    }

    case kKindLongText:
      return length <= maximum;

    case kKindChoice:
      switch (type) {
        case kPreferredConnectionType:
          return !(value.empty() && IsFlagged(node)) && length <= 50;
        case kPreferredMailboxType:
        case kPreferredCentreType:
          return !(value.empty() && IsFlagged(node)) && length <= 25;
        case kMailboxUseConnectionType:
        case kWapUseConnectionType:
          // A connection that names no access point of the document (such as the default
          // "None") would reach the device as a dangling reference.
          if (value.empty() || length > 50) return false;
          return tolerant || lookups.IsAmongReferenceChoices(node);
        default:
          return IsAmongChoices(node, value);
      }

    case kKindUrl:
      if (type == kWwwBookmarkUrlType) return LengthWithin(length, 1, 264) && IsValidUrl(value);
      return value.empty() || IsValidUrl(value);

    case kKindWapUrl:
      if (type == kWapBookmarkUrlType) return LengthWithin(length, 1, 255) && IsValidUrl(value);
      return IsValidUrl(value);

    default:
      return true;
  }
}

// The data-call fields ConnectionType, RemoteModemType and MaxConnectionSpeed reach the device
// together or not at all: either all three exist and are flagged, or none of them is flagged.
bool IsDataCallGroupConsistent(const CSettingsNode& node) {
  const uint32_t type = node.GetType();
  if (type < kConnectionTypeType || type > kMaxConnectionSpeedType) return true;
  const CSettingsNode* parent = node.GetParent();
  if (!parent) return true;
  size_t present = 0;
  size_t flagged = 0;
  for (uint32_t sibling : {21u, 22u, 23u}) {
    const CSettingsNode* field = parent->FindChildOfType(sibling);
    if (!field) continue;
    ++present;
    if (IsFlagged(*field)) ++flagged;
  }
  return flagged == 0 || (present == 3 && flagged == 3);
}

// Resets a bad value and takes the node out of what is sent. A value that is itself valid (the node
// failed only the data-call rule) is kept.
void Repair(CSettingsNode& node, bool valueValid) {
  if (!valueValid && !node.GetValue().empty()) {
    std::vector<std::u16string> choices;
    node.GetChoices(choices, false);
    node.SetDisplayValue(choices.empty() ? std::u16string() : choices.front());
  }
  if (!node.IsNewEntryField()) {
    if (node.IsCreated()) node.SetCreated(false, true);
    node.SetUpdated(false);
  }
}

// One walk over a tree. A quick walk feeds the name counts entry by entry and gives up, having
// changed nothing, at the first doubt: an invalid value or a name held twice.
struct CWalk {
  CWalk(CSettingsNode*& failing_, bool onlyFlagged_, bool tolerant_, bool quick_)
      : failing(failing_), onlyFlagged(onlyFlagged_), tolerant(tolerant_), quick(quick_), lookups(quick_) {}
  CSettingsNode*& failing;
  const bool onlyFlagged, tolerant, quick;
  bool gaveUp = false;
  CWalkLookups lookups;
};

bool Validate(CSettingsNode& node, CWalk& walk) {
  if (IsPlaceholderType(node.GetType())) return true;

  bool valid = true;
  const bool valueValid = IsValueValid(node, walk.tolerant, walk.lookups);
  if (!valueValid || !IsDataCallGroupConsistent(node)) {
    if (walk.quick) {
      walk.gaveUp = true;
      return false;
    }
    const bool disabled = node.IsDisabled();
    if (!walk.tolerant) {
      walk.failing = &node;
      return false;
    }
    if (!disabled) {
      const bool name = IsDuplicateCheckedType(node.GetType());
      if (name) walk.lookups.Renaming(node);
      Repair(node, valueValid);
      if (name) walk.lookups.Renamed(node);
      walk.failing = &node;
      valid = false;
    }
  }

  // The device form writes flagged nodes at any depth, so a subtree that holds one is walked even
  // when the nodes above it carry no flag.
  if (walk.onlyFlagged && node.GetType() != kRootType && !IsFlagged(node) && !HoldsFlaggedNode(node)) {
    return valid;
  }
  for (size_t i = 0; i < node.GetChildCount(); ++i) {
    CSettingsNode& child = *node.GetChild(i);
    if (walk.quick && !walk.lookups.Feed(node, child)) {
      walk.gaveUp = true;
      return false;
    }
    if (!Validate(child, walk)) {
      valid = false;
      if (!walk.tolerant || walk.gaveUp) return false;
    }
  }
  return valid;
}

}  // namespace

bool ValidateSettings(CSettingsNode& node, CSettingsNode*& failing, bool onlyFlagged, bool tolerant) {
  failing = nullptr;
  if (!node.GetParent()) {
    // A tree is mostly valid: one walk that counts the names as it meets them answers it (from a
    // root, so that every list it tests names in is one it walks). A walk that gave up changed
    // nothing, and the full walk, with every list's names counted before its first name is tested,
    // finds and repairs the invalid nodes.
    CWalk quick(failing, onlyFlagged, tolerant, true);
    const bool valid = Validate(node, quick);
    if (!quick.gaveUp) return valid;
  }
  CWalk walk(failing, onlyFlagged, tolerant, false);
  return Validate(node, walk);
}

std::u16string_view GetPhoneCharset(uint32_t type) {
  switch (type) {
    case kCentrePhoneNumberType:
      return u"0123456789+";
    case kDefaultVoiceMailboxType:
      return u"0123456789+*#";
    default:
      return kDefaultPhoneCharset;
  }
}

bool IsInCharset(std::u16string_view value, uint32_t type) {
  const std::u16string_view charset = GetPhoneCharset(type);
  for (size_t i = 0; i < value.size(); ++i) {
    if (charset.find(value[i]) == std::u16string_view::npos) return false;
    if (type == kDefaultVoiceMailboxType && value[i] == u'+' && i != 0) return false;
  }
  return true;
}

bool IsValidHostName(std::u16string_view value) {
  if (value.empty()) return false;
  const size_t dot = value.find(u'.');
  if (dot == 0 || dot == value.size() - 1) return false;
  return std::all_of(value.begin(), value.end(), [](char16_t c) {
    return IsAsciiLetter(c) || IsDecimalDigit(c) || c == u'-' || c == u'.';
  });
}

bool IsValidEmailAddress(std::u16string_view value) {
  const size_t at = value.find(u'@');
  if (at == std::u16string_view::npos) return false;
  const std::u16string_view local = value.substr(0, at);
  const bool localValid = std::all_of(local.begin(), local.end(), [](char16_t c) {
    return IsAsciiLetter(c) || IsDecimalDigit(c) || c == u'-' || c == u'.' || c == u'_';
  });
  return localValid && IsValidHostName(value.substr(at + 1));
}

uint64_t LeadingDecimalValue(std::u16string_view value) {
  constexpr uint64_t kSaturated = UINT64_MAX;
  uint64_t number = 0;
  for (char16_t c : value) {
    if (!IsDecimalDigit(c)) break;
    const uint64_t digit = static_cast<uint64_t>(c - u'0');
    if (number > (kSaturated - digit) / 10) return kSaturated;
    number = number * 10 + digit;
  }
  return number;
}

bool IsValidIpAddress(std::u16string_view value) {
  if (std::count(value.begin(), value.end(), u'.') != 3) return false;
  while (true) {
    const size_t dot = value.find(u'.');
    if (LeadingDecimalValue(value.substr(0, dot)) > 255) return false;
    if (dot == std::u16string_view::npos) return true;
    value.remove_prefix(dot + 1);
  }
}

bool IsPortInRange(uint64_t number) { return number <= 65535; }

bool IsValidPort(std::u16string_view value) { return IsPortInRange(LeadingDecimalValue(value)); }

bool IsDigits(std::u16string_view value) { return std::all_of(value.begin(), value.end(), IsDecimalDigit); }

bool IsValidUrl(std::u16string_view value) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  for (std::u16string_view scheme : {std::u16string_view(u"http://"), std::u16string_view(u"https://")}) {
    if (value.substr(0, scheme.size()) == scheme) value.remove_prefix(scheme.size());
  }
  const size_t slash = value.find(u'/');
  if (slash != std::u16string_view::npos) {
    for (char16_t c : value.substr(slash)) {
      if (c < u'!' || c > u'~' || c == u'<' || c == u'>' || c == u'"') return false;
    }
    value = value.substr(0, slash);
  }
  return IsValidHostName(value);
}

bool IsValidFileName(std::u16string_view value) {
  return value.find_first_of(u"\"*/<>?|") == std::u16string_view::npos;
}

bool HasDuplicateName(const CSettingsNode& node) {
  if (!IsDuplicateCheckedType(node.GetType())) return false;
  const CSettingsNode* entry = node.GetParent();
  const CSettingsNode* list = entry ? entry->GetParent() : nullptr;
  if (!list) return false;
  for (size_t i = 0; i < list->GetChildCount(); ++i) {
    const CSettingsNode* other = list->GetChild(i);
    if (other == entry || other->GetType() != entry->GetType()) continue;
    for (size_t j = 0; j < other->GetChildCount(); ++j) {
      const CSettingsNode* name = other->GetChild(j);
      if (name->GetType() == node.GetType() && name->GetValue() == node.GetValue()) return true;
    }
  }
  return false;
}

size_t GetMaxValueLength(const CSettingsNode& node) {
  switch (node.GetType()) {
    case kHttpPortNumberType:
    case kHttpsPortNumberType:
    case kMessageMaxSizeType:
      return 10;
    case kIapPasswordType:
    case kWapBookmarkPasswordType:
      return 20;
    case kCentrePhoneNumberType:
      return 21;
    case kPreferredMailboxType:
    case kMailboxNameType:
    case kMailboxRealNameType:
    case kMailboxPasswordType:
    case kPreferredCentreType:
    case kCentreNameType:
      return 25;
    case kDefaultVoiceMailboxType:
      return 30;
    case kIapPhoneNumberType:
    case kCallbackNumberType:
      return 32;
    case kPreferredConnectionType:
    case kIapConnectionNameType:
    case kIapUsernameType:
    case kModemInitStringType:
    case kMailboxUseConnectionType:
    case kWapConnectionNameType:
    case kWapUseConnectionType:
    case kWapBookmarkNameType:
    case kWapBookmarkUseConnectionType:
    case kWapBookmarkUsernameType:
      return 50;
    case kMailboxUsernameType:
    case kEmailAddressType:
    case kInServerType:
    case kOutServerType:
    case kImap4FolderPathType:
      return 100;
    case kWapBookmarkUrlType:
      return 255;
    case kWwwBookmarkNameType:
      return 256;
    case kWwwBookmarkUrlType:
      return 264;
    case kSignatureType:
      return 500;
    case kScriptType:
      return 10000;
    default:
      return 1024;
  }
}

std::u16string FindMailboxFolderPath(const CSettingsNode& root, std::u16string_view mailboxName) {
  const CSettingsNode* mail = root.FindChildOfType(kEmailSettingsType);
  if (!mail) return {};
  for (size_t i = 0; i < mail->GetChildCount(); ++i) {
    const CSettingsNode* mailbox = mail->GetChild(i);
    if (mailbox->GetType() != kMailboxType) continue;
    const CSettingsNode* name = mailbox->FindChildOfType(kMailboxNameType);
    if (!name || name->GetValue() != mailboxName) continue;
    const CSettingsNode* advanced = mailbox->FindChildOfType(kAdvancedType);
    const CSettingsNode* path = advanced ? advanced->FindChildOfType(kImap4FolderPathType) : nullptr;
    return path ? path->GetValue() : std::u16string();
  }
  return {};
}

}  // namespace orvel
