// The settings document: owner of one settings tree and the way the rest of the system creates,
// resets, loads and saves it. Loading merges into the default tree, so a document is filled by
// Reset and then LoadFile or LoadText.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "settings/settings_node.h"

namespace orvel {

class CSettingsDocument {
 public:
  CSettingsDocument() = default;
  virtual ~CSettingsDocument();
  CSettingsDocument(const CSettingsDocument&) = delete;
  CSettingsDocument& operator=(const CSettingsDocument&) = delete;

  // The root, or null before New and after DeleteRoot.
  CSettingsNode* GetRoot() const { return m_root.get(); }

  // Replaces the tree by a new default tree whose root becomes the current document root, and
  // clears the document modified flag.
  CSettingsNode* New();
  // Deletes the tree; the current document root is cleared when it lies in it.
  void DeleteRoot();
  // DeleteRoot, then New.
  CSettingsNode* Reset();

  // Merges a settings file into the tree. False with `parseFailed` false when the file could not
  // be read (GetLastError has the system's message), with `parseFailed` true when it holds no
  // settings text.
  bool LoadFile(const std::u16string& path, bool& parseFailed);
  // Writes the full form; false with the message in GetLastError, the old file kept.
  bool SaveFile(const std::u16string& path);
  // Merges a settings text into the tree; false when it holds no processing instruction or
  // nests too deep.
  bool LoadText(std::u16string_view text);

  // A copy of the last read error.
  std::u16string GetLastError() const;

 private:
  std::unique_ptr<CSettingsNode> m_root;
};

}  // namespace orvel
