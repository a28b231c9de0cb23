#include "support/win/registrar.h"

#include <memory>
#include <optional>
#include <vector>

#include "support/win/handle.h"
#include "support/win/registry.h"

namespace orvel::win {

namespace {

struct ScriptValue {
  std::wstring name;  // empty: the default value
  bool isNumber = false;
  std::wstring text;
  DWORD number = 0;
};

struct ScriptKey {
  enum class Mark { None, NoRemove, ForceRemove } mark = Mark::None;
  std::wstring name;
  std::vector<ScriptValue> values;
  std::vector<ScriptKey> keys;
};

struct ScriptRoot {
  HKEY key;
  std::vector<ScriptKey> keys;
};

class CScriptParser {
 public:
  CScriptParser(std::wstring_view text, const ScriptRoots& roots) : m_text(text), m_roots(roots) {}

  bool Parse(std::vector<ScriptRoot>& out) {
    while (SkipSpace(), m_pos < m_text.size()) {
      std::optional<std::wstring> word = Word();
      if (!word) return false;
      ScriptRoot root{RootKey(*word), {}};
      if (!root.key || !Expect(L'{') || !Keys(root.keys) || !Expect(L'}')) return false;
      out.push_back(std::move(root));
    }
    return true;
  }

 private:
  HKEY RootKey(const std::wstring& name) const {
    auto is = [&](const wchar_t* a, const wchar_t* b) {
      return ::lstrcmpiW(name.c_str(), a) == 0 || ::lstrcmpiW(name.c_str(), b) == 0;
    };
    if (is(L"HKCR", L"HKEY_CLASSES_ROOT")) return m_roots.classesRoot;
    if (is(L"HKCU", L"HKEY_CURRENT_USER")) return m_roots.currentUser;
    if (is(L"HKLM", L"HKEY_LOCAL_MACHINE")) return m_roots.localMachine;
    if (is(L"HKU", L"HKEY_USERS")) return m_roots.users;
    return nullptr;
  }

  void SkipSpace() {
    while (m_pos < m_text.size() &&
           (m_text[m_pos] == L' ' || m_text[m_pos] == L'\t' || m_text[m_pos] == L'\r' ||
            m_text[m_pos] == L'\n' || m_text[m_pos] == 0xFEFF))
      ++m_pos;
  }

  bool Peek(wchar_t c) {
    SkipSpace();
    return m_pos < m_text.size() && m_text[m_pos] == c;
  }

  bool Expect(wchar_t c) {
    if (!Peek(c)) return false;
    ++m_pos;
    return true;
  }

  static bool IsBare(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
           c == L'.' || c == L'-';
  }

  // A quoted or bare word; nothing when there is none.
  std::optional<std::wstring> Word() {
    SkipSpace();
    if (m_pos >= m_text.size()) return std::nullopt;
    std::wstring word;
    if (m_text[m_pos] == L'\'') {
      for (++m_pos;; ++m_pos) {
        if (m_pos >= m_text.size()) return std::nullopt;
        if (m_text[m_pos] == L'\'') {
          if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == L'\'') {
            word += L'\'';
            ++m_pos;
            continue;
          }
          ++m_pos;
          return word;
        }
        word += m_text[m_pos];
      }
    }
    while (m_pos < m_text.size() && IsBare(m_text[m_pos])) word += m_text[m_pos++];
    if (word.empty()) return std::nullopt;
    return word;
  }

  bool Value(ScriptValue& value) {
    std::optional<std::wstring> type = Word();
    if (!type) return false;
    if (*type == L"s") {
      std::optional<std::wstring> text = Word();
      if (!text) return false;
      value.text = *text;
      return true;
    }
    if (*type == L"d") {
      std::optional<std::wstring> text = Word();
      if (!text || text->empty() || text->size() > 10) return false;
      unsigned long long n = 0;
      for (wchar_t c : *text) {
        if (c < L'0' || c > L'9') return false;
        n = n * 10 + static_cast<unsigned>(c - L'0');
      }
      if (n > 0xFFFFFFFFull) return false;
      value.isNumber = true;
      value.number = static_cast<DWORD>(n);
      return true;
    }
    return false;
  }

  bool Keys(std::vector<ScriptKey>& keys) {
    while (!Peek(L'}')) {
      if (m_pos >= m_text.size() || !KeyOne(keys)) return false;
    }
    return true;
  }

  bool Body(ScriptKey& key) {
    while (!Expect(L'}')) {
      if (m_pos >= m_text.size()) return false;
      size_t mark = m_pos;
      std::optional<std::wstring> word = Word();
      if (!word) return false;
      if (*word == L"val" && m_text[m_pos - 1] != L'\'') {
        ScriptValue value;
        std::optional<std::wstring> name = Word();
        if (!name || name->empty() || !Expect(L'=') || !Value(value)) return false;
        value.name = *name;
        key.values.push_back(std::move(value));
        continue;
      }
      m_pos = mark;
      if (!KeyOne(key.keys)) return false;
    }
    return true;
  }

  // One key with its mark, default value and block, appended to out.
  bool KeyOne(std::vector<ScriptKey>& out) {
    ScriptKey key;
    std::optional<std::wstring> name = Word();
    if (!name) return false;
    bool quoted = m_text[m_pos - 1] == L'\'';
    if (!quoted && *name == L"NoRemove") {
      key.mark = ScriptKey::Mark::NoRemove;
      name = Word();
    } else if (!quoted && *name == L"ForceRemove") {
      key.mark = ScriptKey::Mark::ForceRemove;
      name = Word();
    }
    if (!name || name->empty()) return false;
    key.name = *name;
    if (Expect(L'=')) {
      ScriptValue value;
      if (!Value(value)) return false;
      key.values.push_back(std::move(value));
    }
    if (Expect(L'{') && !Body(key)) return false;
    out.push_back(std::move(key));
    return true;
  }

  std::wstring_view m_text;
  size_t m_pos = 0;
  const ScriptRoots& m_roots;
};

LSTATUS WriteValue(HKEY key, const ScriptValue& value) {
  const wchar_t* name = value.name.empty() ? nullptr : value.name.c_str();
  if (value.isNumber)
    return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                            sizeof(DWORD));
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                          static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t)));
}

LSTATUS RegisterKey(HKEY parent, const ScriptKey& key) {
  if (key.mark == ScriptKey::Mark::ForceRemove) {
    LSTATUS status = DeleteRegTree(parent, key.name);
    if (status != ERROR_SUCCESS) return status;
  }
  UniqueRegKey handle;
  LSTATUS status = ::RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                     handle.out(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  for (const ScriptValue& value : key.values) {
    status = WriteValue(handle.get(), value);
    if (status != ERROR_SUCCESS) return status;
  }
  for (const ScriptKey& child : key.keys) {
    status = RegisterKey(handle.get(), child);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

LSTATUS UnregisterKey(HKEY parent, const ScriptKey& key) {
  if (key.mark != ScriptKey::Mark::NoRemove) return DeleteRegTree(parent, key.name);
  UniqueRegKey handle;
  LSTATUS status = ::RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_READ | KEY_WRITE, handle.out());
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  LSTATUS result = ERROR_SUCCESS;
  for (const ScriptKey& child : key.keys) {
    LSTATUS one = UnregisterKey(handle.get(), child);
    if (result == ERROR_SUCCESS) result = one;
  }
  return result;
}

std::wstring Replace(std::wstring_view script, std::span<const ScriptReplacement> replacements) {
  std::wstring out;
  for (size_t i = 0; i < script.size(); ++i) {
    if (script[i] == L'%') {
      size_t end = script.find(L'%', i + 1);
      if (end != std::wstring_view::npos) {
        std::wstring_view name = script.substr(i + 1, end - i - 1);
        bool replaced = false;
        for (const ScriptReplacement& r : replacements) {
          if (r.name == name) {
            // The value lands inside a quoted text: its quotes are doubled.
            for (wchar_t c : r.value) {
              out += c;
              if (c == L'\'') out += L'\'';
            }
            replaced = true;
            break;
          }
        }
        if (replaced) {
          i = end;
          continue;
        }
      }
    }
    out += script[i];
  }
  return out;
}

}  // namespace

HRESULT RunRegistrationScript(std::wstring_view script, bool registering,
                              std::span<const ScriptReplacement> replacements, const ScriptRoots& roots) {
  std::wstring text = Replace(script, replacements);
  std::vector<ScriptRoot> parsed;
  if (!CScriptParser(text, roots).Parse(parsed)) return E_INVALIDARG;
  LSTATUS result = ERROR_SUCCESS;
  for (const ScriptRoot& root : parsed) {
    for (const ScriptKey& key : root.keys) {
      LSTATUS status = registering ? RegisterKey(root.key, key) : UnregisterKey(root.key, key);
      if (status != ERROR_SUCCESS) {
        if (registering) return HRESULT_FROM_WIN32(status);
        if (result == ERROR_SUCCESS) result = status;
      }
    }
  }
  return result == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(result);
}

HRESULT RunRegistrationResource(HMODULE module, UINT id, bool registering,
                                std::span<const ScriptReplacement> replacements) {
  // The ANSI form: a name of plain letters and a number are the same in both, on every system.
  HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(id), "REGISTRY");
  if (!resource) return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
  HGLOBAL loaded = ::LoadResource(module, resource);
  DWORD size = ::SizeofResource(module, resource);
  const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
  if (!data) return HRESULT_FROM_WIN32(::GetLastError());
  int length = ::MultiByteToWideChar(CP_UTF8, 0, data, static_cast<int>(size), nullptr, 0);
  std::wstring text(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, data, static_cast<int>(size), text.data(), length);
  return RunRegistrationScript(text, registering, replacements);
}

}  // namespace orvel::win
