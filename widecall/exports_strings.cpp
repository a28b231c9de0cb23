// String, environment, message-text and formatting exports.
#include <cstdlib>
#include <cstring>

#include "exports.h"
#include "formatter.h"

using namespace ambrel;

// The headers map the ANSI name onto the wide one when UNICODE is defined.
#undef GetEnvironmentStrings

AMBREL_EXPORT(LPWSTR) Amb_lstrcatW(LPWSTR target, LPCWSTR source) {
  if (!UseAnsi()) return lstrcatW(target, source);
  if (!target || !source) return nullptr;
  std::wcscat(target, source);
  return target;
}

AMBREL_EXPORT(LPWSTR) Amb_lstrcpyW(LPWSTR target, LPCWSTR source) {
  if (!UseAnsi()) return lstrcpyW(target, source);
  if (!target || !source) return nullptr;
  std::wcscpy(target, source);
  return target;
}

AMBREL_EXPORT(LPWSTR) Amb_lstrcpynW(LPWSTR target, LPCWSTR source, int count) {
  if (!UseAnsi()) return lstrcpynW(target, source, count);
  if (!target || !source) return nullptr;
  if (count <= 0) return target;
  int i = 0;
  for (; i < count - 1 && source[i]; ++i) target[i] = source[i];
  target[i] = 0;
  return target;
}

AMBREL_EXPORT(int) Amb_lstrlenW(LPCWSTR text) {
  if (!UseAnsi()) return lstrlenW(text);
  // The length of a wide text is its count of UTF-16 units, whatever its ANSI form needs.
  return text ? static_cast<int>(std::wcslen(text)) : 0;
}

namespace {

int CompareNullsFirst(LPCWSTR a, LPCWSTR b, int(WINAPI* compare)(LPCSTR, LPCSTR)) {
  if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
  ScratchList list;
  return compare(WideToAnsiDup(list, a), WideToAnsiDup(list, b));
}

}  // namespace

AMBREL_EXPORT(int) Amb_lstrcmpW(LPCWSTR a, LPCWSTR b) {
  if (!UseAnsi()) return lstrcmpW(a, b);
  return CompareNullsFirst(a, b, lstrcmpA);
}

AMBREL_EXPORT(int) Amb_lstrcmpiW(LPCWSTR a, LPCWSTR b) {
  if (!UseAnsi()) return lstrcmpiW(a, b);
  return CompareNullsFirst(a, b, lstrcmpiA);
}

AMBREL_EXPORT(LPWSTR) Amb_CharNextW(LPCWSTR text) {
  if (!UseAnsi()) return CharNextW(text);
  return const_cast<LPWSTR>(*text ? text + 1 : text);
}

namespace {

wchar_t UpperUnit(wchar_t c) {
  char bytes[4] = {};
  int n = WideToAnsi(&c, 1, bytes, sizeof(bytes) - 1);
  if (n <= 0) return c;
  // A unit that the code page holds only as another character ('?', or a near form such as 'e'
  // for an accented letter) comes back as it was.
  wchar_t back = 0;
  if (AnsiToWide(bytes, n, &back, 1) != 1 || back != c) return c;
  bytes[n] = 0;
  CharUpperA(bytes);
  wchar_t upper = c;
  if (AnsiToWide(bytes, n, &upper, 1) != 1) return c;
  return upper;
}

}  // namespace

AMBREL_EXPORT(LPWSTR) Amb_CharUpperW(LPWSTR text) {
  if (!UseAnsi()) return CharUpperW(text);
  if (IsIntResource(text)) {
    ULONG_PTR c = reinterpret_cast<ULONG_PTR>(text);
    return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(UpperUnit(static_cast<wchar_t>(c))));
  }
  for (wchar_t* p = text; *p; ++p) *p = UpperUnit(*p);
  return text;
}

AMBREL_EXPORT(LPWCH) Amb_GetEnvironmentStringsW() {
  if (!UseAnsi()) return GetEnvironmentStringsW();
  LPCH ansi = GetEnvironmentStrings();
  if (!ansi) return nullptr;
  size_t units = 0;
  for (const char* p = ansi; *p; p += std::strlen(p) + 1) {
    units += AnsiToWide(p, -1, nullptr, 0);
  }
  wchar_t* block = static_cast<wchar_t*>(std::calloc(units + 1, sizeof(wchar_t)));
  if (block) {
    wchar_t* out = block;
    for (const char* p = ansi; *p; p += std::strlen(p) + 1) {
      out += AnsiToWide(p, -1, out, static_cast<int>(units + 1 - (out - block)));
    }
    *out = 0;
  }
  FreeEnvironmentStringsA(ansi);
  return block;
}

AMBREL_EXPORT(BOOL) Amb_FreeEnvironmentStringsW(LPWCH block) {
  if (!UseAnsi()) return FreeEnvironmentStringsW(block);
  std::free(block);
  return TRUE;
}

AMBREL_EXPORT(DWORD) Amb_GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  if (!UseAnsi()) return GetEnvironmentVariableW(name, buffer, size);
  ScratchList list;
  const char* ansiName = WideToAnsiDup(list, name);
  return SizedAnsiCall(buffer, size,
                       [ansiName](char* a, DWORD n) { return GetEnvironmentVariableA(ansiName, a, n); });
}

namespace {

constexpr int kMaxInserts = 100;

// Marks the inserts of a message text that take a string: '%' and a number not beginning with 0,
// without a format or with "!s!". Returns the highest insert number found.
int ScanInserts(const char* text, bool* isString) {
  int highest = 0;
  for (const char* p = text; p && *p; ++p) {
    if (*p != '%') continue;
    if (p[1] == '%') {
      ++p;
      continue;
    }
    if (p[1] < '1' || p[1] > '9') continue;
    int number = p[1] - '0';
    p += 2;
    if (*p >= '0' && *p <= '9') number = number * 10 + (*p++ - '0');
    bool text_insert = *p != '!' || std::strncmp(p, "!s!", 3) == 0;
    if (number <= kMaxInserts) {
      if (text_insert) isString[number - 1] = true;
      if (number > highest) highest = number;
    }
    --p;
  }
  return highest;
}

}  // namespace

AMBREL_EXPORT(DWORD)
Amb_FormatMessageW(DWORD flags, LPCVOID source, DWORD id, DWORD language, LPWSTR buffer, DWORD size,
                   va_list* arguments) {
  if (!UseAnsi()) return FormatMessageW(flags, source, id, language, buffer, size, arguments);
  ScratchList list;
  const bool fromString = flags & FORMAT_MESSAGE_FROM_STRING;
  LPCVOID ansiSource = fromString ? WideToAnsiDup(list, static_cast<LPCWSTR>(source)) : source;
  DWORD_PTR* ansiArgs = nullptr;
  if (arguments && !(flags & FORMAT_MESSAGE_IGNORE_INSERTS)) {
    // On this processor a va_list walks an array of 32-bit values, so both forms read alike.
    const DWORD_PTR* given = (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY)
                                 ? reinterpret_cast<const DWORD_PTR*>(arguments)
                                 : reinterpret_cast<const DWORD_PTR*>(*arguments);
    char* text = nullptr;
    bool ownText = false;
    if (fromString) {
      text = static_cast<char*>(const_cast<void*>(ansiSource));
    } else {
      DWORD readFlags = (flags & (FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM)) |
                        FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
      ownText =
          FormatMessageA(readFlags, source, id, language, reinterpret_cast<LPSTR>(&text), 0, nullptr) != 0;
    }
    bool isString[kMaxInserts] = {};
    // Only as many arguments as the text uses are read: the caller's array may be no longer.
    int count = ScanInserts(text, isString);
    if (ownText) LocalFree(text);
    ansiArgs = static_cast<DWORD_PTR*>(list.Alloc(sizeof(DWORD_PTR) * (count + 1)));
    if (!ansiArgs) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    for (int i = 0; i < count; ++i) {
      ansiArgs[i] =
          isString[i]
              ? reinterpret_cast<DWORD_PTR>(WideToAnsiDup(list, reinterpret_cast<const wchar_t*>(given[i])))
              : given[i];
    }
  }
  // The ANSI call always allocates its own buffer and takes the converted argument array.
  DWORD ansiFlags = flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY;
  if (!ansiArgs) ansiFlags |= FORMAT_MESSAGE_IGNORE_INSERTS;
  char* result = nullptr;
  DWORD bytes = FormatMessageA(ansiFlags, ansiSource, id, language, reinterpret_cast<LPSTR>(&result), 0,
                               reinterpret_cast<va_list*>(ansiArgs));
  if (bytes == 0 || !result) return 0;
  int units = 0;
  const wchar_t* wide = AnsiToWideDup(list, result, static_cast<int>(bytes), &units);
  LocalFree(result);
  if (!wide) return 0;
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    DWORD blockUnits = static_cast<DWORD>(units) + 1 > size ? units + 1 : size;
    auto* block = static_cast<wchar_t*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, blockUnits * 2));
    if (!block) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    wmemcpy(block, wide, units);
    *reinterpret_cast<LPWSTR*>(buffer) = block;
    return units;
  }
  if (!CopyWide(wide, units, buffer, size)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return units;
}

AMBREL_EXPORT(int) Amb_wvsprintfW(LPWSTR output, LPCWSTR format, va_list arguments) {
  if (!UseAnsi()) return wvsprintfW(output, format, arguments);
  return AnsiWvsprintf(output, format, arguments);
}

extern "C" int __cdecl Amb_wsprintfW(LPWSTR output, LPCWSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int result = Amb_wvsprintfW(output, format, arguments);
  va_end(arguments);
  return result;
}
