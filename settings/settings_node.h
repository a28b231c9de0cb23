// A settings tree: one device configuration held as nodes. Each node has a node type (0 to 143,
// settings_schema.h), a value kind, the value as the settings file stores it (choice values are
// element names, references are entry names), create/update/enabled flags and an ordered list of
// owned children. The root (type 0) holds the top groups; list groups hold their entries and,
// last, one placeholder entry that turns into a real entry once it gets a name.
//
// Operations answer true/false and pass further results through out parameters; a search that
// finds nothing answers null. The tree and the process-wide values below belong to one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

class CSettingsNode {
 public:
  // Type 1, kind 0, no value, enabled, no flags, no parent, no children.
  CSettingsNode();
  // The given value, kind, type and parent; does not insert itself into the parent's list.
  CSettingsNode(std::u16string value, uint32_t kind, uint32_t type, CSettingsNode* parent);
  // Deep copy: every field and a copy of every descendant; the parent pointer is the source's
  // (the copy itself is inserted nowhere).
  CSettingsNode(const CSettingsNode& other);
  CSettingsNode& operator=(const CSettingsNode&) = delete;
  // Destroys every child with the node. A node that is the current document root stops being it.
  virtual ~CSettingsNode();

  // Copies flags, type, kind, value, name, extra, aux and the parent pointer, and replaces the
  // children by deep copies of the source's. The source may be this node or one of its own
  // descendants: it is copied before the old children go. In that case the node keeps its own
  // parent, since the source's parent lies inside the subtree being replaced.
  void CopyFrom(const CSettingsNode& other);

  // --- accessors
  uint32_t GetType() const { return m_type; }
  void SetType(uint32_t type);
  uint32_t GetKind() const { return m_kind; }
  void SetKind(uint32_t kind) { m_kind = kind; }
  CSettingsNode* GetParent() const { return m_parent; }
  void SetParent(CSettingsNode* parent) { m_parent = parent; }
  // The stored value as the settings file has it (no display text, no repair).
  const std::u16string& GetValue() const { return m_value; }
  // The own element name; used only by type 143.
  const std::u16string& GetOwnName() const { return m_name; }
  void SetName(std::u16string name) { m_name = std::move(name); }
  // Attribute text written after the element name (other than op).
  const std::u16string& GetExtra() const { return m_extra; }
  void SetExtra(std::u16string extra) { m_extra = std::move(extra); }
  // Nonzero when a type-143 value was read as CDATA and is written back as CDATA.
  uint32_t GetAux() const { return m_aux; }
  void SetAux(uint32_t aux) { m_aux = aux; }
  bool IsEnabled() const { return m_enabled; }
  void SetEnabled(bool enabled) { m_enabled = enabled; }
  bool IsCreated() const { return m_created; }
  bool IsUpdated() const { return m_updated; }
  void SetUpdated(bool updated) { m_updated = updated; }
  // Stores both flags as a settings file carries them, without the rules of SetCreated (reader).
  void StoreFlags(bool created, bool updated) {
    m_created = created;
    m_updated = updated;
  }

  // --- children
  size_t GetChildCount() const { return m_children.size(); }
  CSettingsNode* GetChild(size_t index) const { return m_children[index].get(); }
  // First child of the type, in list order; null when none.
  CSettingsNode* FindChildOfType(uint32_t type) const;
  // First child whose element name equals the trimmed text exactly; null when none or when the
  // text is blank.
  CSettingsNode* FindChildByName(std::u16string_view text) const;
  // Whether the parent or an ancestor above it has the type (the node itself is not tested).
  bool HasAncestorOfType(uint32_t type) const;
  // Clears `list` and fills it with the children in order. Children of kind 24 are left out
  // unless `includeHidden`; a bookmark list (98, 102) yields its entries only with
  // `includeBookmarkLists`, else the list stays empty.
  bool GetChildren(std::vector<CSettingsNode*>& list, bool includeHidden, bool includeBookmarkLists) const;
  // Takes the child, makes this node its parent and places it: a list entry goes right before
  // its list's placeholder (appended when there is none), every other node at the end.
  CSettingsNode* InsertChild(std::unique_ptr<CSettingsNode> child);
  // Creates a child with the given value, kind and type and inserts it.
  CSettingsNode* AddChild(std::u16string value, uint32_t kind, uint32_t type);
  // AddChild with the element name of `nameId` as value (never localized).
  CSettingsNode* AddOption(uint32_t nameId, uint32_t kind, uint32_t type);
  // Unlinks the child without destroying it and hands it over; null when it is not a child.
  std::unique_ptr<CSettingsNode> RemoveChild(CSettingsNode* child);
  void DeleteAllChildren();
  // Unlinks this node from its parent and hands it over, unless it is an access point that a WAP
  // connection or a mailbox uses, or a WAP connection that a WAP bookmark uses: then the last read
  // error holds message 596 naming the user and the result is null, with nothing changed. Also
  // null when there is no parent.
  std::unique_ptr<CSettingsNode> RemoveEntry();
  // Removes the entries one after another as RemoveEntry would, and stops at the first that
  // cannot go (the last read error names its user when one uses it). The nodes removed, in order.
  // The lists of users and each parent's children are walked once, however many entries go.
  static std::vector<std::unique_ptr<CSettingsNode>> RemoveEntries(
      const std::vector<CSettingsNode*>& entries);

  // --- names
  // The element name (`localized` false) or the display name (true): type 143 its own name,
  // type 0 "ROOT", a list entry's display name its name field's value, other types the text of
  // their name id; types 1, 47, 110 and unknown numbers the empty text.
  void GetNodeName(std::u16string& out, bool localized) const;
  // The element name, as GetNodeName with `localized` false gives it; it lives as long as the
  // node's own name (type 143) or the program.
  std::u16string_view GetElementName() const;

  // --- choices and values
  // Clears `out` and fills it with the node's choices: element values, each followed by a line
  // feed and its display text when `withDisplayText`; entry names carry no display part.
  void GetChoices(std::vector<std::u16string>& out, bool withDisplayText) const;
  // With `forDisplay` false the stored value. With true the text shown to the user; a reference
  // whose entry is gone is repaired here (so this may change the node and the modified flag).
  void GetDisplayValue(std::u16string& out, bool forDisplay);
  // Applies a new stored value with its side effects; false when refused (bookmark lists, a
  // name that is the placeholder's or already used in the list). Always sets the document
  // modified flag first.
  bool SetDisplayValue(const std::u16string& text);

  // --- applicability and flags
  // Whether the node does not apply given the values of related fields, or lies in a placeholder
  // entry. A disabled node loses its create flag.
  bool IsDisabled();
  // Whether the type identifies an entry on the device (access point name and phone number,
  // mailbox name, user, address, connection, servers and type, WAP connection name, address and
  // connection, SMS centre name and number).
  bool IsIdentifyingField() const;
  // An identifying field of an entry that carries the create flag.
  bool IsNewEntryField() const;
  // Sets the create flag under the schema's rules; false when the rules forced it to 0. With
  // `markModified`, a change of the flag sets the document modified flag. Bookmark entries and
  // non-empty bookmark and file lists pass their update flag and the new create flag down.
  bool SetCreated(bool value, bool markModified);
  // What SetCreated would answer, without changing anything: false for a placeholder, for an
  // empty preferred reference (3, 44, 88) and for an empty bookmark or file list.
  bool CanTakeCreateFlag() const;

 private:
  // The entry names of a list for SetEntryName, kept up to date by every change of the list's
  // children, of their children and of the names (settings_node.cpp).
  struct CEntryNameIndex;
  bool IsEntryNameTaken(uint32_t nameType, const std::u16string& name) const;
  void SetEntryNameValue(const std::u16string& text);
  CEntryNameIndex* IndexAbove() const;
  void DropNameIndexes();

  bool HasAncestor(const CSettingsNode* node) const;
  bool IsDisabledByOwnRule();
  bool SetEntryName(const std::u16string& text);
  void RepairReference(std::u16string& out, uint32_t noneTextId, bool withCreateFlag);

  bool m_created = false;
  bool m_updated = false;
  bool m_enabled = true;
  uint32_t m_kind = 0;
  uint32_t m_type = 1;
  std::u16string m_value;
  std::vector<std::unique_ptr<CSettingsNode>> m_children;
  CSettingsNode* m_parent = nullptr;
  std::u16string m_name;
  std::u16string m_extra;
  uint32_t m_aux = 0;
  mutable std::unique_ptr<CEntryNameIndex> m_nameIndex;  // built on the first name test
};

// Gives the node the children its type has by default, with their kinds and default values, and
// recurses into the groups it creates. It adds a full second set to a node that has children
// already, so callers use it on new nodes only.
void BuildDefaultTree(CSettingsNode& node);

// Asks every reference in the subtree (3, 44, 53, 85, 88, 137) for its display value, which
// repairs or clears a reference whose entry no longer exists.
void ResolveReferences(CSettingsNode& node);

// --- process-wide state (one per process, unsynchronised)

// The root of the document being edited or loaded; rules that look up other groups start here.
void SetCurrentDocumentRoot(CSettingsNode* root);
CSettingsNode* GetCurrentDocumentRoot();

// The message of the last failed read, save or refused removal.
void SetLastReadError(std::u16string text);
const std::u16string& GetLastReadError();

// The value of node's first child of the given type; empty when node is null or has no such child.
const std::u16string& ChildValue(const CSettingsNode* node, uint32_t type);
// The value of the first node of the given type beside node under the same parent.
const std::u16string& SiblingValue(const CSettingsNode& node, uint32_t type);
// The MailboxType (Servers/MailboxType) of the mailbox that holds `group` (such as RetrieveMail or
// Advanced) as a child; empty when there is none.
const std::u16string& MailboxTypeOf(const CSettingsNode* group);

// Unsaved changes to the current document.
bool IsDocumentModified();
void SetDocumentModified(bool modified);

}  // namespace orvel
