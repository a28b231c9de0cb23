// Registry exports.
#include <cstring>

#include "exports.h"

using namespace ambrel;

namespace {

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// Reads a string value's ANSI data, always terminated, into the list.
LONG ReadAnsiValue(HKEY key, const char* name, DWORD bytes, ScratchList& list, char** data) {
  *data = static_cast<char*>(list.Alloc(bytes + 2));
  if (!*data) return ERROR_NOT_ENOUGH_MEMORY;
  DWORD got = bytes;
  return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(*data), &got);
}

}  // namespace

AMBREL_EXPORT(LONG)
Amb_RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
                    LPSECURITY_ATTRIBUTES sa, PHKEY result, LPDWORD disposition) {
  if (!UseAnsi()) {
    return RegCreateKeyExW(key, subKey, reserved, keyClass, options, access, sa, result, disposition);
  }
  ScratchList list;
  return RegCreateKeyExA(key, A(list, subKey), reserved, WideToAnsiDup(list, keyClass), options, access, sa,
                         result, disposition);
}

AMBREL_EXPORT(LONG)
Amb_RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved, LPWSTR keyClass,
                  LPDWORD classSize, PFILETIME written) {
  if (!UseAnsi()) {
    return RegEnumKeyExW(key, index, name, nameSize, reserved, keyClass, classSize, written);
  }
  if (!nameSize) return ERROR_INVALID_PARAMETER;
  ScratchList list;
  // Room for a double-byte text as long as the caller's buffer.
  DWORD nameBytes = *nameSize * 2 + 2;
  char* ansiName = static_cast<char*>(list.Alloc(nameBytes));
  DWORD classBytes = classSize ? *classSize * 2 + 2 : 0;
  char* ansiClass = keyClass && classSize ? static_cast<char*>(list.Alloc(classBytes)) : nullptr;
  if (!ansiName || (keyClass && classSize && !ansiClass)) return ERROR_NOT_ENOUGH_MEMORY;
  LONG result = RegEnumKeyExA(key, index, ansiName, &nameBytes, reserved, ansiClass,
                              ansiClass ? &classBytes : nullptr, written);
  if (result != ERROR_SUCCESS) return result;
  int units = 0;
  const wchar_t* wide = AnsiToWideDup(list, ansiName, -1, &units);
  if (!wide || !CopyWide(wide, units, name, *nameSize)) {
    *nameSize = units + 1;
    return ERROR_MORE_DATA;
  }
  *nameSize = units;
  if (ansiClass) {
    const wchar_t* wideClass = AnsiToWideDup(list, ansiClass, -1, &units);
    if (!wideClass || !CopyWide(wideClass, units, keyClass, *classSize)) {
      *classSize = units + 1;
      return ERROR_MORE_DATA;
    }
    *classSize = units;
  }
  return ERROR_SUCCESS;
}

AMBREL_EXPORT(LONG) Amb_RegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD size) {
  if (!UseAnsi()) return RegEnumKeyW(key, index, name, size);
  DWORD units = size;
  return Amb_RegEnumKeyExW(key, index, name, &units, nullptr, nullptr, nullptr, nullptr);
}

AMBREL_EXPORT(LONG)
Amb_RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                  LPBYTE data, LPDWORD dataSize) {
  if (!UseAnsi()) return RegEnumValueW(key, index, name, nameSize, reserved, type, data, dataSize);
  if (!nameSize || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  ScratchList list;
  const DWORD nameCapacity = *nameSize * 2 + 2;
  char* ansiName = static_cast<char*>(list.Alloc(nameCapacity));
  if (!ansiName) return ERROR_NOT_ENOUGH_MEMORY;
  // First the type and the ANSI size, so that text can be read whole and measured in its wide form.
  DWORD valueType = 0;
  DWORD nameBytes = nameCapacity;
  DWORD ansiBytes = 0;
  LONG result = RegEnumValueA(key, index, ansiName, &nameBytes, reserved, &valueType, nullptr, &ansiBytes);
  if (type) *type = valueType;
  if (result != ERROR_SUCCESS) return result;
  if (valueType == REG_MULTI_SZ) return ERROR_CALL_NOT_IMPLEMENTED;
  int units = 0;
  const wchar_t* wide = AnsiToWideDup(list, ansiName, -1, &units);
  if (!wide || !CopyWide(wide, units, name, *nameSize)) return ERROR_MORE_DATA;
  *nameSize = units;
  if (!dataSize) return ERROR_SUCCESS;
  if (!IsText(valueType)) {
    DWORD given = *dataSize;
    *dataSize = ansiBytes;
    if (!data) return ERROR_SUCCESS;
    if (given < ansiBytes) return ERROR_MORE_DATA;
    nameBytes = nameCapacity;
    return RegEnumValueA(key, index, ansiName, &nameBytes, reserved, nullptr, data, dataSize);
  }
  char* text = static_cast<char*>(list.Alloc(ansiBytes + 2));
  if (!text) return ERROR_NOT_ENOUGH_MEMORY;
  nameBytes = nameCapacity;
  DWORD got = ansiBytes;
  result =
      RegEnumValueA(key, index, ansiName, &nameBytes, reserved, nullptr, reinterpret_cast<BYTE*>(text), &got);
  if (result != ERROR_SUCCESS) return result;
  // The size of the wide text with its terminator, as a read returns it.
  DWORD needed = static_cast<DWORD>(AnsiToWide(text, -1, nullptr, 0)) * 2;
  DWORD given = *dataSize;
  *dataSize = needed;
  if (!data) return ERROR_SUCCESS;
  if (given < needed) return ERROR_MORE_DATA;
  AnsiToWide(text, -1, reinterpret_cast<wchar_t*>(data), static_cast<int>(needed / 2));
  return ERROR_SUCCESS;
}

AMBREL_EXPORT(LONG)
Amb_RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                     LPDWORD maxSubKey, LPDWORD maxClass, LPDWORD values, LPDWORD maxValueName,
                     LPDWORD maxValue, LPDWORD security, PFILETIME written) {
  if (!UseAnsi()) {
    return RegQueryInfoKeyW(key, keyClass, classSize, reserved, subKeys, maxSubKey, maxClass, values,
                            maxValueName, maxValue, security, written);
  }
  ScratchList list;
  DWORD classBytes = classSize ? *classSize * 2 + 2 : 0;
  char* ansiClass = keyClass && classSize ? static_cast<char*>(list.Alloc(classBytes)) : nullptr;
  LONG result = RegQueryInfoKeyA(key, ansiClass, ansiClass ? &classBytes : nullptr, reserved, subKeys,
                                 maxSubKey, maxClass, values, maxValueName, maxValue, security, written);
  if (result == ERROR_SUCCESS && ansiClass) {
    int units = 0;
    const wchar_t* wide = AnsiToWideDup(list, ansiClass, -1, &units);
    if (!wide || !CopyWide(wide, units, keyClass, *classSize)) {
      *classSize = units + 1;
      return ERROR_MORE_DATA;
    }
    *classSize = units;
  }
  return result;
}

AMBREL_EXPORT(LONG)
Amb_RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (!UseAnsi()) return RegQueryValueExW(key, name, reserved, type, data, dataSize);
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  ScratchList list;
  const char* ansiName = A(list, name);
  DWORD valueType = 0;
  BYTE dummy = 0;
  DWORD bytes = 0;
  LONG result = RegQueryValueExA(key, ansiName, reserved, &valueType, &dummy, &bytes);
  if (type) *type = valueType;
  if (result == ERROR_SUCCESS && bytes == 0) {
    // An empty value fits any buffer.
    if (dataSize) {
      if (IsText(valueType) && data && *dataSize >= 2) {
        *reinterpret_cast<wchar_t*>(data) = 0;
        *dataSize = 2;
      } else {
        *dataSize = 0;
      }
    }
    return ERROR_SUCCESS;
  }
  if (result != ERROR_MORE_DATA) return result;
  if (valueType == REG_MULTI_SZ) return ERROR_CALL_NOT_IMPLEMENTED;
  if (IsText(valueType)) {
    char* ansi = nullptr;
    result = ReadAnsiValue(key, ansiName, bytes, list, &ansi);
    if (result != ERROR_SUCCESS) return result;
    // The size a read needs, and what the query reports: the wide text with its terminator.
    DWORD needed = static_cast<DWORD>(AnsiToWide(ansi, -1, nullptr, 0)) * 2;
    if (!dataSize) return ERROR_SUCCESS;
    if (!data) {
      *dataSize = needed;
      return ERROR_SUCCESS;
    }
    if (*dataSize < needed) {
      *dataSize = needed;
      return ERROR_MORE_DATA;
    }
    AnsiToWide(ansi, -1, reinterpret_cast<wchar_t*>(data), static_cast<int>(needed / 2));
    *dataSize = needed;
    return ERROR_SUCCESS;
  }
  if (!dataSize) return ERROR_SUCCESS;
  DWORD given = *dataSize;
  *dataSize = bytes;
  if (!data) return ERROR_SUCCESS;
  if (given < bytes) return ERROR_MORE_DATA;
  return RegQueryValueExA(key, ansiName, nullptr, nullptr, data, dataSize);
}

AMBREL_EXPORT(LONG) Amb_RegQueryValueW(HKEY key, LPCWSTR subKey, LPWSTR data, PLONG dataSize) {
  if (!UseAnsi()) return RegQueryValueW(key, subKey, data, dataSize);
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  ScratchList list;
  const char* ansiKey = A(list, subKey);
  LONG bytes = 0;
  LONG result = RegQueryValueA(key, ansiKey, nullptr, &bytes);
  if (result != ERROR_SUCCESS) return result;
  char* ansi = static_cast<char*>(list.Alloc(bytes + 2));
  if (!ansi) return ERROR_NOT_ENOUGH_MEMORY;
  LONG got = bytes + 1;
  result = RegQueryValueA(key, ansiKey, ansi, &got);
  if (result != ERROR_SUCCESS) return result;
  LONG needed = AnsiToWide(ansi, -1, nullptr, 0) * 2;
  if (!dataSize) return ERROR_SUCCESS;
  if (!data) {
    *dataSize = needed;
    return ERROR_SUCCESS;
  }
  if (*dataSize < needed) {
    *dataSize = needed;
    return ERROR_MORE_DATA;
  }
  int units = CopyAnsiToWide(ansi, data, *dataSize / 2, false);
  *dataSize = units * 2 + 2;
  return ERROR_SUCCESS;
}

AMBREL_EXPORT(LONG)
Amb_RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize) {
  if (!UseAnsi()) return RegSetValueExW(key, name, reserved, type, data, dataSize);
  ScratchList list;
  const char* ansiName = A(list, name);
  if (type == REG_MULTI_SZ) return ERROR_CALL_NOT_IMPLEMENTED;
  if (!IsText(type)) return RegSetValueExA(key, ansiName, reserved, type, data, dataSize);
  const wchar_t* text = reinterpret_cast<const wchar_t*>(data);
  int length = 0;
  const char* ansi = text ? WideToAnsiDup(list, text, static_cast<int>(dataSize / 2), &length)
                          : static_cast<const char*>(list.Alloc(1));
  if (!ansi) return ERROR_NOT_ENOUGH_MEMORY;
  return RegSetValueExA(key, ansiName, reserved, type, reinterpret_cast<const BYTE*>(ansi),
                        static_cast<DWORD>(std::strlen(ansi)) + 1);
}

AMBREL_EXPORT(LONG) Amb_RegSetValueW(HKEY key, LPCWSTR subKey, DWORD type, LPCWSTR data, DWORD dataSize) {
  if (!UseAnsi()) return RegSetValueW(key, subKey, type, data, dataSize);
  ScratchList list;
  const char* ansi = data ? WideToAnsiDup(list, data) : "";
  if (!ansi) return ERROR_NOT_ENOUGH_MEMORY;
  return RegSetValueA(key, A(list, subKey), type, ansi, static_cast<DWORD>(std::strlen(ansi)));
}
