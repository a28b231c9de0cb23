// Shared fixture of the settings tests: a fake language library and a clean process-wide state.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "settings/settings_host.h"
#include "settings/settings_node.h"
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

  CFakeHost m_host;
  std::unique_ptr<CSettingsNode> m_root;
};

inline std::u16string NameOf(const CSettingsNode& node, bool localized = false) {
  std::u16string name;
  node.GetNodeName(name, localized);
  return name;
}

}  // namespace orvel::test
