// Shared fixture of the settings tests: a fake language library and a clean process-wide state.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "settings/settings_host.h"
#include "settings/settings_node.h"
#include "settings/settings_schema.h"
#include "support/u16text.h"

namespace orvel::test {

// Display texts by id; ids it does not hold answer "<id>" so a test sees which text was asked.
class CFakeHost : public ISettingsHost {
 public:
  std::u16string LoadResString(uint32_t id, bool localized) override {
    if (!localized) return CDefaultSettingsHost().LoadResString(id, false);
    auto found = texts.find(id);
    return found != texts.end() ? found->second : u"<" + DecimalText(id) + u">";
  }
  std::map<uint32_t, std::u16string> texts;
};

// Each test starts with no current root, an unmodified document and the default host.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetState(); }
  void TearDown() override { ResetState(); }
  static void ResetState() {
    SetSettingsHost(nullptr);
    SetCurrentDocumentRoot(nullptr);
    SetDocumentModified(false);
    SetLastReadError(u"");
  }
  // A fresh default document made the current root.
  CSettingsNode& NewDocument() {
    m_root = std::make_unique<CSettingsNode>(u"", 0, 0, nullptr);
    SetCurrentDocumentRoot(m_root.get());
    BuildDefaultTree(*m_root);
    return *m_root;
  }
  void UseFakeHost() { SetSettingsHost(&m_host); }

  // Groups, entries and fields of the document that NewDocument made.
  CSettingsNode& Group(uint32_t type) { return *m_root->FindChildOfType(type); }
  // Names the placeholder of the group, which turns it into an entry.
  CSettingsNode& NameEntry(uint32_t groupType, const char16_t* name) {
    const ListGroupInfo* list = FindListGroupByGroup(groupType);
    CSettingsNode& entry = *Group(groupType).FindChildOfType(list->placeholderType);
    EXPECT_TRUE(entry.FindChildOfType(list->nameFieldType)->SetDisplayValue(name));
    EXPECT_EQ(entry.GetType(), list->entryType);
    return entry;
  }
  // The field at the end of a path of node types; a missing one fails the test.
  static CSettingsNode& Field(CSettingsNode& node, std::initializer_list<uint32_t> path) {
    CSettingsNode* at = &node;
    for (uint32_t type : path) {
      at = at->FindChildOfType(type);
      if (!at) throw std::runtime_error("no field " + std::to_string(type));
    }
    return *at;
  }

  CFakeHost m_host;
  std::unique_ptr<CSettingsNode> m_root;
};

inline std::u16string NameOf(const CSettingsNode& node, bool localized = false) {
  std::u16string name;
  node.GetNodeName(name, localized);
  return name;
}

}  // namespace orvel::test
