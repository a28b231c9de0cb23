#include "settings/settings_document.h"

#include "settings/settings_reader.h"
#include "settings/settings_schema.h"
#include "settings/settings_writer.h"

namespace orvel {

CSettingsDocument::~CSettingsDocument() { DeleteRoot(); }

CSettingsNode* CSettingsDocument::New() {
  DeleteRoot();
  m_root = std::make_unique<CSettingsNode>(u"", kKindNone, kRootType, nullptr);
  SetCurrentDocumentRoot(m_root.get());
  BuildDefaultTree(*m_root);
  SetDocumentModified(false);  // a new document has no unsaved changes, whatever came before
  return m_root.get();
}

void CSettingsDocument::DeleteRoot() {
  if (!m_root) return;
  for (const CSettingsNode* p = GetCurrentDocumentRoot(); p; p = p->GetParent()) {
    if (p == m_root.get()) {
      SetCurrentDocumentRoot(nullptr);
      break;
    }
  }
  m_root.reset();
}

CSettingsNode* CSettingsDocument::Reset() {
  DeleteRoot();
  return New();
}

bool CSettingsDocument::LoadFile(const std::u16string& path, bool& parseFailed) {
  return LoadSettingsFile(m_root.get(), path, parseFailed);
}

bool CSettingsDocument::SaveFile(const std::u16string& path) {
  if (!m_root) {
    // Nothing to write: like an empty tree, the file holds only the byte-order mark.
    CSettingsNode empty(u"", kKindNone, kRootType, nullptr);
    return SaveSettingsFile(empty, path);
  }
  return SaveSettingsFile(*m_root, path);
}

bool CSettingsDocument::LoadText(std::u16string_view text) { return ParseSettingsText(m_root.get(), text); }

std::u16string CSettingsDocument::GetLastError() const { return GetLastReadError(); }

}  // namespace orvel
