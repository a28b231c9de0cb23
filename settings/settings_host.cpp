#include "settings/settings_host.h"

#include "settings/settings_schema.h"

namespace orvel {
namespace {

CDefaultSettingsHost g_defaultHost;
ISettingsHost* g_host = &g_defaultHost;

bool IsFormatModifier(char16_t c) {
  return c == u'-' || c == u'+' || c == u' ' || c == u'#' || c == u'.' || c == u'l' || c == u'h' ||
         c == u'L' || (c >= u'0' && c <= u'9');
}

}  // namespace

std::u16string CDefaultSettingsHost::LoadResString(uint32_t id, bool /*localized*/) {
  return FindElementName(id);
}

void SetSettingsHost(ISettingsHost* host) { g_host = host ? host : &g_defaultHost; }

ISettingsHost& GetSettingsHost() { return *g_host; }

std::u16string LoadResString(uint32_t id, bool localized) { return g_host->LoadResString(id, localized); }

std::u16string FormatText(std::u16string_view format, std::initializer_list<std::u16string_view> args) {
  std::u16string out;
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != u'%') {
      out += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == u'%') {
      out += u'%';
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < format.size() && IsFormatModifier(format[j])) ++j;
    if (j == format.size()) {  // a lone "%" at the end stays as written
      out.append(format.substr(i));
      break;
    }
    if (next != args.end()) out.append(*next++);
    i = j;
  }
  return out;
}

std::u16string DecimalText(uint64_t number) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + number % 10));
    number /= 10;
  } while (number != 0);
  return digits;
}

}  // namespace orvel
