// A thin COM server layer: module lock count, an object base with a QueryInterface table and an
// interlocked count, IDispatch from the module's type library, and a class factory.
#pragma once

#include <ole2.h>
#include <windows.h>
#include <wrl/client.h>

#include <new>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace orvel::win {

using Microsoft::WRL::ComPtr;

// The contexts of an object that may live in any kind of server (0x17).
inline constexpr DWORD kAnyContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// Counts live objects and LockServer calls of one module; DllCanUnloadNow answers from it.
class CModule {
 public:
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE Instance();
  static std::wstring Path();  // full path of the module's file
  static void Lock();
  static void Unlock();
  static LONG LockCount();
  static HRESULT CanUnloadNow() { return LockCount() == 0 ? S_OK : S_FALSE; }
};

// ITypeInfo of one interface, from the type library that is a resource of this module (or a
// registered one). Loaded once per interface.
HRESULT GetModuleTypeInfo(REFIID iid, ITypeInfo** info);

// Base of a COM object that implements the given interfaces. IUnknown is the first interface,
// IDispatch the first one that derives from it; a derived class adds more through QueryExtra.
// Objects start with one reference: create them with MakeCom.
template <class... Interfaces>
class CComObject : public Interfaces... {
  using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

 public:
  CComObject() { CModule::Lock(); }
  CComObject(const CComObject&) = delete;
  CComObject& operator=(const CComObject&) = delete;
  virtual ~CComObject() { CModule::Unlock(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) {
      *out = static_cast<IUnknown*>(static_cast<First*>(this));
    } else if (!((iid == __uuidof(Interfaces) && (*out = static_cast<Interfaces*>(this), true)) || ...)) {
      if (iid == IID_IDispatch) *out = FirstDispatch<Interfaces...>();
      if (!*out) *out = QueryExtra(iid);
    }
    if (!*out) return E_NOINTERFACE;
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = ::InterlockedDecrement(&m_refs);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  virtual void* QueryExtra(REFIID) { return nullptr; }

  // IDispatch of a dual interface I, answered from the module's type library.
  template <class I>
  HRESULT DispatchTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  template <class I>
  HRESULT DispatchTypeInfo(UINT index, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    return index == 0 ? GetModuleTypeInfo(__uuidof(I), info) : DISP_E_BADINDEX;
  }
  template <class I>
  HRESULT DispatchIdsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
    ComPtr<ITypeInfo> info;
    HRESULT hr = GetModuleTypeInfo(__uuidof(I), &info);
    return FAILED(hr) ? hr : info->GetIDsOfNames(names, count, ids);
  }
  template <class I>
  HRESULT DispatchInvoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                         UINT* argErr) {
    ComPtr<ITypeInfo> info;
    HRESULT hr = GetModuleTypeInfo(__uuidof(I), &info);
    return FAILED(hr) ? hr : info->Invoke(static_cast<I*>(this), id, flags, params, result, excep, argErr);
  }

 private:
  template <class I, class... Rest>
  void* FirstDispatch() {
    if constexpr (std::is_base_of_v<IDispatch, I>) {
      return static_cast<IDispatch*>(static_cast<I*>(this));
    } else if constexpr (sizeof...(Rest) > 0) {
      return FirstDispatch<Rest...>();
    } else {
      return nullptr;
    }
  }

  LONG m_refs = 1;
};

// Implements IDispatch's four methods of a class from the dual interface I.
#define ORVEL_DISPATCH_FROM_TYPELIB(I)                                                                       \
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {                                         \
    return this->template DispatchTypeInfoCount<I>(count);                                                   \
  }                                                                                                          \
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {                       \
    return this->template DispatchTypeInfo<I>(index, info);                                                  \
  }                                                                                                          \
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override { \
    return this->template DispatchIdsOfNames<I>(names, count, ids);                                          \
  }                                                                                                          \
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, \
                                   EXCEPINFO* excep, UINT* argErr) override {                                \
    return this->template DispatchInvoke<I>(id, flags, params, result, excep, argErr);                       \
  }

// Implements IDispatch's four methods of a class that nobody reaches by name: no type
// information, no names, and every Invoke answered that the member is not there, with an empty
// result: a late-bound call is never reported as done.
#define ORVEL_DISPATCH_BY_VTABLE_ONLY                                                                    \
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {                                     \
    if (!count) return E_POINTER;                                                                        \
    *count = 0;                                                                                          \
    return S_OK;                                                                                         \
  }                                                                                                      \
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {                         \
    if (info) *info = nullptr;                                                                           \
    return E_NOTIMPL;                                                                                    \
  }                                                                                                      \
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {             \
    return E_NOTIMPL;                                                                                    \
  }                                                                                                      \
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, \
                                   UINT*) override {                                                     \
    if (result) ::VariantInit(result);                                                                   \
    return DISP_E_MEMBERNOTFOUND;                                                                        \
  }

// Hands a pointer whose reference the caller already owns to a ComPtr. mingw-w64's
// ComPtr::Attach adds a reference of its own, so it must not be used for this.
template <class T>
ComPtr<T> AdoptCom(T* owned) {
  ComPtr<T> object;
  *object.ReleaseAndGetAddressOf() = owned;
  return object;
}

// Creates a COM object with its first reference owned by the result; null when out of memory.
// The constructor may throw; callers at a COM boundary catch.
template <class T, class... Args>
ComPtr<T> MakeCom(Args&&... args) {
  return AdoptCom(new (std::nothrow) T(std::forward<Args>(args)...));
}

// Runs the body of a COM method; no exception gets out (out of memory is E_OUTOFMEMORY, anything
// else E_FAIL).
template <class F>
HRESULT Guarded(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

// Creates a T and queries it for iid; never lets an exception out.
template <class T>
HRESULT CreateComInstance(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return Guarded([&]() -> HRESULT {
    ComPtr<T> object = MakeCom<T>();
    return object ? object->QueryInterface(iid, out) : E_OUTOFMEMORY;
  });
}

using ComCreator = HRESULT (*)(REFIID, void**);

// One class of a server: its CLSID and how an instance is made.
struct ClassEntry {
  const CLSID* clsid;
  ComCreator create;
};

class CClassFactory : public CComObject<IClassFactory> {
 public:
  explicit CClassFactory(ComCreator create) : m_create(create) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ComCreator m_create;
};

// The body of DllGetClassObject for a table of classes.
HRESULT GetClassObject(std::span<const ClassEntry> classes, REFCLSID clsid, REFIID iid, void** out);

}  // namespace orvel::win
