#include "engine/settings_context.h"

namespace orvel::engine {

namespace {

CSettingsContext g_context;

}  // namespace

CSettingsContext::CSettingsContext() { SetSettingsHost(this); }

CSettingsContext::~CSettingsContext() {
  m_document.DeleteRoot();
  if (&GetSettingsHost() == this) SetSettingsHost(nullptr);
}

CSettingsContext& SettingsContext() { return g_context; }

}  // namespace orvel::engine
