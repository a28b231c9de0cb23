// Validation of a settings tree, and the value checks that the editors and entry dialogs share
// with it. Validation reports no message of its own: it answers valid or not and names the failing
// node; callers build their messages from that node's name and value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvel {

class CSettingsNode;

// Validates the node and its subtree, depth first (a node before its children, children in order).
// `failing` is cleared first and then names the invalid node: with `tolerant` false the walk stops
// at the first one; with `tolerant` true every invalid node that applies is repaired (its value
// reset when the value itself is bad, its flags cleared unless it identifies a new entry), the walk
// goes on and `failing` names the last one. With `onlyFlagged` the walk skips the subtrees that
// hold no node with a create or update flag. Tolerant validation changes the tree and the modified
// flag, so it runs only where that is wanted (after opening a file).
bool ValidateSettings(CSettingsNode& node, CSettingsNode*& failing, bool onlyFlagged, bool tolerant);

// --- value checks, each on a text; true when valid

// Every character is in the phone charset of the node type; in DefaultVoiceMailbox (93) a "+" only
// as the first character. The empty text passes.
bool IsInCharset(std::u16string_view value, uint32_t type);
// A local part of letters, digits, "-", "." and "_", an "@", and a host name behind it.
bool IsValidEmailAddress(std::u16string_view value);
// Letters, digits, "-" and "."; not empty, and its first "." is neither its first nor its last
// character.
bool IsValidHostName(std::u16string_view value);
// Four parts separated by three dots, each a decimal from 0 to 255 (leading digits count; a part
// without digits counts as 0).
bool IsValidIpAddress(std::u16string_view value);
// The decimal value of the leading digits (0 when there are none) is a port number.
bool IsValidPort(std::u16string_view value);
bool IsPortInRange(uint64_t number);
// Decimal digits only; the empty text passes.
bool IsDigits(std::u16string_view value);
// An optional "http://" or "https://", a host name, then optionally a path from the first "/" of
// printable ASCII without "<", ">" and the double quote.
bool IsValidUrl(std::u16string_view value);
// No double quote, "*", "/", "<", ">", "?" or "|"; "\" and ":" pass, so a path passes.
bool IsValidFileName(std::u16string_view value);

// The decimal value of the text's leading digits, 0 when there are none. Too many digits give
// UINT64_MAX instead of wrapping, so an overlong number never passes a range check.
uint64_t LeadingDecimalValue(std::u16string_view value);

// --- rules by node

// For the name fields of entries (6, 48, 76, 90, 100, 104): another entry of the same list has a
// name field of the same type with exactly the same stored value. Other types answer false.
bool HasDuplicateName(const CSettingsNode& node);
// The longest value the node's type takes (1024 for the types without a limit of their own).
size_t GetMaxValueLength(const CSettingsNode& node);
// The characters a phone number of the node type may hold.
std::u16string_view GetPhoneCharset(uint32_t type);

// The stored IMAP4FolderPath of the first mailbox under the root's EMailSettings whose
// MailboxName is exactly `mailboxName`; empty when no mailbox matches or it has no such field.
std::u16string FindMailboxFolderPath(const CSettingsNode& root, std::u16string_view mailboxName);

}  // namespace orvel
