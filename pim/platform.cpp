#include "pim/platform.h"

#include <atomic>

namespace orvel {

bool ToLocalTime(std::time_t time, std::tm& local) {
  if (time < 0) return false;
#if defined(_WIN32)
  return localtime_s(&local, &time) == 0;
#else
  return localtime_r(&time, &local) != nullptr;
#endif
}

bool FromLocalTime(std::tm local, std::time_t& time) {
  const std::time_t result = std::mktime(&local);
  if (result < 0) return false;  // -1 is the runtime's failure; earlier times are refused anyway
  time = result;
  return true;
}

namespace {

// Code page 1252 differs from Latin-1 only in 0x80-0x9F; its five unassigned bytes map to the C1
// controls of the same value, as the Windows conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char Cp1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

std::atomic<AnsiEncoder> g_ansi_encoder{nullptr};

}  // namespace

std::string Cp1252Bytes(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    // A surrogate pair is one character and gets one default character.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
      bytes += '?';
      continue;
    }
    bytes += Cp1252Byte(c);
  }
  return bytes;
}

void SetAnsiEncoder(AnsiEncoder encoder) { g_ansi_encoder.store(encoder); }

std::string ToAnsiBytes(std::u16string_view text) {
  if (const AnsiEncoder encoder = g_ansi_encoder.load()) return encoder(text);
#if defined(_WIN32)
  return SystemAnsiBytes(text);
#else
  return Cp1252Bytes(text);
#endif
}

}  // namespace orvel
