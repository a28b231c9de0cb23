// Owners of Win32 handles and BSTRs.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace orvel::win {

// One owner for kernel, registry and other handles; Traits gives the type, the invalid value and
// how to close.
template <class Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;
  UniqueHandle() = default;
  explicit UniqueHandle(Type handle) : m_handle(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Type get() const { return m_handle; }
  explicit operator bool() const { return m_handle != Traits::Invalid(); }
  Type release() { return std::exchange(m_handle, Traits::Invalid()); }
  void reset(Type handle = Traits::Invalid()) {
    if (m_handle != Traits::Invalid()) Traits::Close(m_handle);
    m_handle = handle;
  }
  // For functions that return a handle through an out parameter; closes the one held.
  Type* out() {
    reset();
    return &m_handle;
  }

 private:
  Type m_handle = Traits::Invalid();
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::CloseHandle(h); }
};
// CreateFile's failure value is INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};
struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};

template <class T>
struct GdiObjectTraits {
  using Type = T;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};

struct IconTraits {
  using Type = HICON;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DestroyIcon(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueIcon = UniqueHandle<IconTraits>;

// A new BSTR holding text (embedded NULs kept); null when out of memory. The caller frees it.
inline BSTR NewBstr(std::u16string_view text) {
  return ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

// Owner of one BSTR.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(std::u16string_view text) : m_bstr(NewBstr(text)) {}
  UniqueBstr(UniqueBstr&& other) noexcept : m_bstr(other.release()) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  ~UniqueBstr() { reset(); }

  // Takes over a BSTR that a callee allocated.
  static UniqueBstr Adopt(BSTR bstr) {
    UniqueBstr owner;
    owner.m_bstr = bstr;
    return owner;
  }

  BSTR get() const { return m_bstr; }
  BSTR release() { return std::exchange(m_bstr, nullptr); }
  void reset(BSTR bstr = nullptr) {
    if (m_bstr) ::SysFreeString(m_bstr);
    m_bstr = bstr;
  }
  // For [out] BSTR* parameters; frees the one held.
  BSTR* out() {
    reset();
    return &m_bstr;
  }
  UINT size() const { return ::SysStringLen(m_bstr); }
  // A null BSTR is the empty text.
  std::u16string text() const {
    return std::u16string(reinterpret_cast<const char16_t*>(m_bstr ? m_bstr : L""), size());
  }

 private:
  BSTR m_bstr = nullptr;
};

}  // namespace orvel::win
