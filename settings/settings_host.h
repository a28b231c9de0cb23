// The seam through which the settings code reaches the texts of its host. The user interface
// answers display texts from its language library; the engine, and every process that installs
// nothing, answers both kinds of request from the element-name table.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace orvel {

class ISettingsHost {
 public:
  virtual ~ISettingsHost() = default;
  // The text of a name id: with `localized` false the element name (the table's text), with
  // true the display text of the same number. An unknown id gives the empty text.
  virtual std::u16string LoadResString(uint32_t id, bool localized) = 0;
};

// Answers both requests from the element-name table.
class CDefaultSettingsHost : public ISettingsHost {
 public:
  std::u16string LoadResString(uint32_t id, bool localized) override;
};

// Installs the process-wide host; null restores the default host. The host is not owned and must
// outlive its installation.
void SetSettingsHost(ISettingsHost* host);
ISettingsHost& GetSettingsHost();

// The installed host's text for an id.
std::u16string LoadResString(uint32_t id, bool localized);

// Fills a printf-style text format: each conversion (%s, %d, %u, %ls, with optional flags and
// width, which are ignored) takes the next argument as it stands; "%%" gives "%". A conversion
// without an argument gives nothing. The language library's message and count formats go
// through this, with numbers passed as decimal text.
std::u16string FormatText(std::u16string_view format, std::initializer_list<std::u16string_view> args);

// Decimal text of a number, for FormatText.
std::u16string DecimalText(uint64_t number);

}  // namespace orvel
