// The engine's settings context: one object for the life of the program, made before the program
// starts. It owns the settings document that a Configure operation fills, and it is the host that
// every settings node the engine builds names as its owner; having no language library, it
// answers element names and display texts alike from the element-name table.
#pragma once

#include "settings/settings_document.h"
#include "settings/settings_host.h"

namespace orvel::engine {

class CSettingsContext : public CDefaultSettingsHost {
 public:
  CSettingsContext();
  ~CSettingsContext() override;
  CSettingsContext(const CSettingsContext&) = delete;
  CSettingsContext& operator=(const CSettingsContext&) = delete;

  CSettingsDocument& Document() { return m_document; }

 private:
  CSettingsDocument m_document;
};

// The engine's one settings context.
CSettingsContext& SettingsContext();

}  // namespace orvel::engine
