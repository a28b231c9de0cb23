#include "formatter.h"

#include <cstring>
#include <cwchar>

#include "ambrel_core.h"

namespace ambrel {
namespace {

class Output {
 public:
  explicit Output(wchar_t* buffer) : m_buffer(buffer) {}
  bool Put(wchar_t c) {
    if (m_count >= kFormatLimit - 1) return false;
    m_buffer[m_count++] = c;
    return true;
  }
  void Pad(wchar_t c, int n) {
    for (int i = 0; i < n; ++i) Put(c);
  }
  void Write(const wchar_t* text, int n) {
    for (int i = 0; i < n; ++i) Put(text[i]);
  }
  bool full() const { return m_count >= kFormatLimit - 1; }
  int Finish() {
    m_buffer[m_count] = 0;
    return m_count;
  }

 private:
  wchar_t* m_buffer;
  int m_count = 0;
};

struct Spec {
  bool prefix = false;
  bool left = false;
  bool zero = false;
  int width = 0;
  int precision = 0;
};

// A finished text: cut to a non-zero precision, padded to the width.
void EmitText(Output& out, const Spec& spec, const wchar_t* text, int length, bool cut) {
  if (cut && spec.precision > 0 && spec.precision < length) length = spec.precision;
  int pad = spec.width > length ? spec.width - length : 0;
  if (!spec.left) out.Pad(spec.zero ? L'0' : L' ', pad);
  out.Write(text, length);
  if (spec.left) out.Pad(L' ', pad);
}

void EmitNumber(Output& out, Spec spec, DWORD value, int base, bool negative, bool upper) {
  char digits[16];
  int n = 0;
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  do {
    digits[n++] = set[value % base];
    value /= base;
  } while (value != 0);
  char text[64];
  int length = 0;
  if (negative) text[length++] = '-';
  if (spec.prefix && base == 16) {
    text[length++] = '0';
    text[length++] = upper ? 'X' : 'x';
  }
  int lead = length;
  int precision = spec.precision > 40 ? 40 : spec.precision;
  for (int i = n; i < precision; ++i) text[length++] = '0';
  while (n > 0) text[length++] = digits[--n];
  if (!spec.left && spec.zero && spec.width > length) {
    int extra = spec.width - length;
    if (extra > 63 - length) extra = 63 - length;
    std::memmove(text + lead + extra, text + lead, length - lead);
    std::memset(text + lead, '0', extra);
    length += extra;
  }
  wchar_t wide[64];
  for (int i = 0; i < length; ++i) wide[i] = static_cast<unsigned char>(text[i]);
  // The width is used up and the precision does not apply to the finished number again.
  Spec rest;
  rest.left = spec.left;
  rest.width = spec.width;
  EmitText(out, rest, wide, length, false);
}

void EmitAnsi(Output& out, const Spec& spec, const char* text, int length) {
  ScratchList list;
  int units = 0;
  wchar_t* wide = AnsiToWideDup(list, text, length, &units);
  if (wide) EmitText(out, spec, wide, units, true);
}

}  // namespace

int AnsiWvsprintf(wchar_t* output, const wchar_t* format, va_list arguments) {
  Output out(output);
  if (!format) return out.Finish();
  for (const wchar_t* p = format; *p && !out.full(); ++p) {
    if (*p != L'%') {
      out.Put(*p);
      continue;
    }
    ++p;
    if (*p == L'%') {
      out.Put(L'%');
      continue;
    }
    Spec spec;
    for (;; ++p) {
      if (*p == L'#') {
        spec.prefix = true;
      } else if (*p == L'-') {
        spec.left = true;
      } else if (*p == L'0') {
        spec.zero = true;
      } else {
        break;
      }
    }
    while (*p >= L'0' && *p <= L'9') spec.width = spec.width * 10 + (*p++ - L'0');
    if (*p == L'.') {
      ++p;
      while (*p >= L'0' && *p <= L'9') spec.precision = spec.precision * 10 + (*p++ - L'0');
    }
    wchar_t size = 0;
    if (*p == L'h' || *p == L'l') size = *p++;
    wchar_t type = *p;
    bool wideText = size == L'l' || (size == 0 && (type == L'c' || type == L's'));
    if (size == L'h' && (type == L'c' || type == L'C' || type == L's' || type == L'S')) {
      wideText = false;
    } else if (size == L'l' && (type == L'c' || type == L'C' || type == L's' || type == L'S')) {
      wideText = true;
    } else if (size == 0 && (type == L'C' || type == L'S')) {
      wideText = false;
    }
    switch (type) {
      case L'c':
      case L'C': {
        DWORD value = va_arg(arguments, DWORD);
        if (wideText) {
          wchar_t c = static_cast<wchar_t>(value & 0xFFFF);
          EmitText(out, spec, &c, 1, true);
        } else {
          char c = static_cast<char>(value & 0xFF);
          EmitAnsi(out, spec, &c, 1);
        }
        continue;
      }
      case L's':
      case L'S': {
        const void* text = va_arg(arguments, const void*);
        if (wideText) {
          const wchar_t* w = text ? static_cast<const wchar_t*>(text) : L"(null)";
          EmitText(out, spec, w, static_cast<int>(std::wcslen(w)), true);
        } else {
          const char* a = text ? static_cast<const char*>(text) : "(null)";
          EmitAnsi(out, spec, a, static_cast<int>(std::strlen(a)));
        }
        continue;
      }
      case L'd':
      case L'i': {
        LONG value = static_cast<LONG>(va_arg(arguments, DWORD));
        bool negative = value < 0;
        DWORD magnitude = negative ? 0u - static_cast<DWORD>(value) : static_cast<DWORD>(value);
        EmitNumber(out, spec, magnitude, 10, negative, false);
        continue;
      }
      case L'u': {
        DWORD value = va_arg(arguments, DWORD);
        if (size == L'h') value &= 0xFFFF;
        EmitNumber(out, spec, value, 10, false, false);
        continue;
      }
      case L'x':
      case L'X':
        if (size != L'h') {
          EmitNumber(out, spec, va_arg(arguments, DWORD), 16, false, type == L'X');
          continue;
        }
        [[fallthrough]];
      default:
        // An unsupported conversion writes one '?' and ends the output.
        out.Put(L'?');
        return out.Finish();
    }
  }
  return out.Finish();
}

}  // namespace ambrel
