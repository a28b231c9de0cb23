// TEMPORARY (lead's local build only): stands in until the tree lands.
#include "ui/tree/settings_tree.h"
namespace orvel::ui {
struct CSettingsTree::State {};
CSettingsTree::CSettingsTree(CMainViewDlg* owner) : m_owner(owner), m_state(nullptr) {}
CSettingsTree::~CSettingsTree() = default;
bool CSettingsTree::AttachTree(HWND control) { return Attach(control); }
void CSettingsTree::SetFonts(HFONT, HFONT) {}
void CSettingsTree::Clear() {}
void CSettingsTree::Rebuild() {}
void CSettingsTree::SelectFirst() {}
void CSettingsTree::CommitEdit() {}
bool CSettingsTree::EditSelectedValue(HTREEITEM) { return false; }
void CSettingsTree::DeleteSelectedEntry() {}
void CSettingsTree::SelectAllItems() {}
DWORD CSettingsTree::GetHelpContext() const { return 0; }
bool CSettingsTree::IsEditing() const { return false; }
bool CSettingsTree::CanDeleteSelection() const { return false; }
bool CSettingsTree::HasSettings() { return false; }
HWND CSettingsTree::ActiveEditorWindow() const { return nullptr; }
bool CSettingsTree::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
bool CSettingsTree::OnReflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
}  // namespace orvel::ui
