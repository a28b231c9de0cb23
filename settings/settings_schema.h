// The fixed schema of the settings tree: node types, value kinds, the element-name table and the
// list groups. The numbers never appear in a settings file (it carries element names), but every
// rule of the settings code switches over them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvel {

// Node types run from 0 (the root, "ROOT") to 143 (an element the schema does not define, which
// carries its own element name).
inline constexpr uint32_t kRootType = 0;
inline constexpr uint32_t kUnknownElementType = 143;
inline constexpr uint32_t kNodeTypeCount = 144;

// The editing and checking class of a node's value (the node's `kind`).
enum ValueKind : uint32_t {
  kKindNone = 0,       // group, list, entry, placeholder; also the file entries of file lists
  kKindIpAddress = 1,  // dotted, four parts
  kKindHost = 2,
  kKindEmail = 3,
  kKindPort = 4,    // 0 to 65535
  kKindNumber = 5,  // digits only
  kKindPhone = 6,
  kKindText = 7,
  kKindPassword = 8,   // scrambled in the settings file
  kKindEntryName = 9,  // name of an access point, WAP, terminal or telnet connection
  kKindMailboxName = 10,
  kKindCentreName = 11,  // also proxy exceptions and the IMAP4 folder path
  kKindLongText = 12,    // written as CDATA
  kKindChoice = 13,
  kKindFileList = 15,
  kKindModemInit = 18,
  kKindWwwBookmarks = 19,
  kKindWapBookmarks = 20,
  kKindUrl = 21,
  kKindWapUrl = 22,
  kKindConnectionRef = 23,  // connection reference of a WAP bookmark
  kKindHidden = 24,         // not listed unless asked for, not written in the device form
};

// One row of the node-type table.
struct NodeTypeInfo {
  uint32_t nameId;               // element-name id; 0 for types 0, 1, 47, 110 and 143
  int32_t parentType;            // where the node stands; -1 when nowhere fixed
  int32_t placeholderParent;     // for entry fields: the list's placeholder, which holds them too; else -1
  uint32_t kind;                 // the value kind a node of this type gets
  const char16_t* defaultValue;  // value in the default tree; null when not part of the default tree
};

// The row of a node type, or null for a number above 143.
const NodeTypeInfo* GetNodeTypeInfo(uint32_t type);

// One pair of the element-name table.
struct ElementName {
  uint32_t id;
  const char16_t* text;
};

// The 205 pairs of the element-name table, in ascending id order (id 462 stands twice).
inline constexpr size_t kElementNameCount = 205;
const ElementName* GetElementNameTable();

// The element name of an id, the first pair that matches; empty when the id is not in the table.
// The text lives as long as the program.
const std::u16string& FindElementName(uint32_t id);

// The id of the first pair (in ascending id order) whose text equals `name` exactly; 0 when none,
// and 0 for the empty text (it names no element).
uint32_t FindNameId(std::u16string_view name);

// A list group with a placeholder entry, which the user fills in to create a new entry.
struct ListGroupInfo {
  uint32_t groupType;
  uint32_t placeholderType;
  uint32_t entryType;
  uint32_t nameFieldType;  // the entry's name field
};

// The six list groups with placeholders: IAPSettings, EMailSettings, WAPSettings, SMSSettings,
// TerminalConnectionSettings and TelnetConnectionSettings.
inline constexpr size_t kListGroupCount = 6;
const ListGroupInfo* GetListGroupTable();

// The list group that `type` belongs to as group, placeholder, entry or entry name field; null
// when it is none of these.
const ListGroupInfo* FindListGroupByGroup(uint32_t type);
const ListGroupInfo* FindListGroupByPlaceholder(uint32_t type);
const ListGroupInfo* FindListGroupByEntry(uint32_t type);
const ListGroupInfo* FindListGroupByNameField(uint32_t type);

inline bool IsPlaceholderType(uint32_t type) { return FindListGroupByPlaceholder(type) != nullptr; }
inline bool IsListEntryType(uint32_t type) { return FindListGroupByEntry(type) != nullptr; }
inline bool IsEntryNameFieldType(uint32_t type) { return FindListGroupByNameField(type) != nullptr; }

// Bookmark lists (98 WWWBookmarks, 102 WAPBookmarks) and file lists (111, 113, 115, 117).
inline bool IsBookmarkListType(uint32_t type) { return type == 98 || type == 102; }
inline bool IsFileListType(uint32_t type) { return type == 111 || type == 113 || type == 115 || type == 117; }

}  // namespace orvel
