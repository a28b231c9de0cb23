#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/win/com.h"
#include "support/win/handle.h"
#include "support/win/message_window.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "support/win/window.h"

using namespace orvel::win;

namespace {

class CTwoFaces : public CComObject<IPersist, IOleWindow> {
 public:
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
    *clsid = CLSID_NULL;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    *window = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
};

TEST(ComObject, QueryInterfaceTableAndIdentity) {
  ComPtr<CTwoFaces> object = MakeCom<CTwoFaces>();
  ComPtr<IPersist> persist;
  ComPtr<IOleWindow> window;
  ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&persist)), S_OK);
  ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&window)), S_OK);
  ComPtr<IUnknown> fromPersist, fromWindow;
  persist.As(&fromPersist);
  window.As(&fromWindow);
  EXPECT_EQ(fromPersist.Get(), fromWindow.Get());  // one identity whatever the way in

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(object->QueryInterface(IID_IStream, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST(ComObject, LastReleaseFreesAndUnlocksModule) {
  LONG before = CModule::LockCount();
  {
    ComPtr<CTwoFaces> object = MakeCom<CTwoFaces>();
    EXPECT_EQ(CModule::LockCount(), before + 1);
    EXPECT_EQ(CModule::CanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(CModule::LockCount(), before);
}

// A callback object reached through its vtable only.
class CVtableOnly : public CComObject<IDispatch> {
 public:
  ORVEL_DISPATCH_BY_VTABLE_ONLY
};

TEST(ComObject, AVtableOnlyDispatchDoesNotReportALateBoundCallAsDone) {
  ComPtr<CVtableOnly> object = MakeCom<CVtableOnly>();
  VARIANT argument;
  ::VariantInit(&argument);
  argument.vt = VT_I4;
  argument.lVal = 7;
  DISPPARAMS params = {&argument, nullptr, 1, 0};
  VARIANT result;
  result.vt = VT_I4;
  result.lVal = 1;
  EXPECT_EQ(
      object->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
      DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_EQ(
      object->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
      DISP_E_MEMBERNOTFOUND);
  UINT count = 1;
  EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
}

const CLSID kTestClsid = {0x0e5d1a10, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};
const ClassEntry kClasses[] = {{&kTestClsid, &CreateComInstance<CTwoFaces>}};

TEST(ClassFactory, CreatesAndRefusesAggregation) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(GetClassObject(kClasses, kTestClsid, IID_PPV_ARGS(&factory)), S_OK);
  ComPtr<IPersist> persist;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&persist)), S_OK);
  ComPtr<IPersist> aggregated;
  EXPECT_EQ(factory->CreateInstance(persist.Get(), IID_PPV_ARGS(&aggregated)), CLASS_E_NOAGGREGATION);
  LONG before = CModule::LockCount();
  factory->LockServer(TRUE);
  EXPECT_EQ(CModule::LockCount(), before + 1);
  factory->LockServer(FALSE);
  EXPECT_EQ(CModule::LockCount(), before);

  ComPtr<IClassFactory> other;
  EXPECT_EQ(GetClassObject(kClasses, CLSID_NULL, IID_PPV_ARGS(&other)), CLASS_E_CLASSNOTAVAILABLE);
}

TEST(Registration, WritesClassAndProgIdKeysAndRemovesThem) {
  const wchar_t* root = L"Software\\OrvelSupportTest\\Classes";
  UniqueRegKey classes;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, root, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, classes.out(),
                              nullptr),
            ERROR_SUCCESS);
  InprocServerInfo info{&kTestClsid, L"Test Class", L"Orvel.Test", L"Orvel.Test.1", L"Both", &kTestClsid};
  ASSERT_EQ(RegisterInprocServer(info, classes.get(), L"C:\\x\\test.dll"), S_OK);

  std::wstring clsid = L"CLSID\\" + GuidText(kTestClsid);
  EXPECT_EQ(ReadRegString(classes.get(), clsid + L"\\InprocServer32", nullptr), L"C:\\x\\test.dll");
  EXPECT_EQ(ReadRegString(classes.get(), clsid + L"\\InprocServer32", L"ThreadingModel"), L"Both");
  EXPECT_EQ(ReadRegString(classes.get(), clsid + L"\\ProgID", nullptr), L"Orvel.Test.1");
  EXPECT_EQ(ReadRegString(classes.get(), clsid + L"\\VersionIndependentProgID", nullptr), L"Orvel.Test");
  EXPECT_EQ(ReadRegString(classes.get(), clsid + L"\\TypeLib", nullptr), GuidText(kTestClsid));
  EXPECT_EQ(ReadRegString(classes.get(), L"Orvel.Test\\CurVer", nullptr), L"Orvel.Test.1");
  EXPECT_EQ(ReadRegString(classes.get(), L"Orvel.Test.1\\CLSID", nullptr), GuidText(kTestClsid));

  ASSERT_EQ(UnregisterInprocServer(info, classes.get()), S_OK);
  EXPECT_FALSE(ReadRegString(classes.get(), clsid, nullptr));
  EXPECT_FALSE(ReadRegString(classes.get(), L"Orvel.Test", nullptr));
  classes.reset();
  EXPECT_EQ(DeleteRegTree(HKEY_CURRENT_USER, L"Software\\OrvelSupportTest"), ERROR_SUCCESS);
  EXPECT_EQ(DeleteRegTree(HKEY_CURRENT_USER, L"Software\\OrvelSupportTest"),
            ERROR_SUCCESS);  // missing is fine
}

// Values as another program may have stored them: without a terminator, with text after one, and
// longer than the reader's limit.
TEST(Registry, ReadStringEndsWhereTheValueEndsAndKeepsItsLimit) {
  const wchar_t* key = L"Software\\OrvelSupportTest\\Values";
  UniqueRegKey values;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, values.out(),
                              nullptr),
            ERROR_SUCCESS);
  auto store = [&](const wchar_t* name, const std::wstring& units) {
    ::RegSetValueExW(values.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(units.data()),
                     static_cast<DWORD>(units.size() * sizeof(wchar_t)));
  };
  const std::wstring full(130, L'a');  // 260 bytes, no terminator
  store(L"full", full);
  store(L"over", full + L"b");
  store(L"inner", std::wstring(L"C:\\a.htm\0junk", 14));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, L"full", 260), full);
  EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, key, L"over", 260));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, L"over"), full + L"b");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key, L"inner", 260), L"C:\\a.htm");
  values.reset();
  EXPECT_EQ(DeleteRegTree(HKEY_CURRENT_USER, L"Software\\OrvelSupportTest"), ERROR_SUCCESS);
}

TEST(Text, WideConversionKeepsEveryUnit) {
  const std::u16string text(u"A\u00e9\u20ac\U0001F600\0z", 7);
  EXPECT_EQ(FromWide(AsWide(text)), text);
  EXPECT_EQ(FromWide(static_cast<const wchar_t*>(nullptr)), u"");
}

TEST(Bstr, OwnsAndReportsText) {
  UniqueBstr empty;
  EXPECT_EQ(empty.text(), u"");
  UniqueBstr text(std::u16string(u"ab\0c", 4));
  EXPECT_EQ(text.size(), 4u);
  EXPECT_EQ(text.text(), std::u16string(u"ab\0c", 4));
  BSTR raw = text.release();
  EXPECT_EQ(text.get(), nullptr);
  UniqueBstr adopted = UniqueBstr::Adopt(raw);
  EXPECT_EQ(adopted.size(), 4u);
}

// ---- window lives

constexpr UINT kOuter = WM_APP + 1, kInner = WM_APP + 2, kDestroyOwner = WM_APP + 3;

// A window that owns itself: kOuter sends kInner to itself, kInner destroys the window, and each
// handler writes to the object after its nested call returns.
class CSelfOwned : public CWindow {
 public:
  explicit CSelfOwned(std::vector<std::string>& events) : m_events(events) {}
  bool Make() { return Create(L"OrvelLifeTest", 0, 0, WS_POPUP, L"", RECT{0, 0, 10, 10}); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kOuter) {
      ::SendMessageW(Handle(), kInner, 0, 0);
      m_steps += 1;
      m_events.push_back("outer returns");
      return 0;
    }
    if (message == kInner) {
      Destroy();
      m_steps += 1;
      m_events.push_back(Handle() ? "inner returns, window there" : "inner returns");
      return 0;
    }
    return DefaultProc(message, wParam, lParam);
  }
  void OnFinalMessage() override {
    m_events.push_back("final after " + std::to_string(m_steps) + " steps");
    delete this;
  }

 private:
  std::vector<std::string>& m_events;
  int m_steps = 0;
};

TEST(WindowLife, FinalMessageWaitsForTheOutermostMessage) {
  std::vector<std::string> events;
  auto* window = new CSelfOwned(events);
  ASSERT_TRUE(window->Make());
  HWND handle = window->Handle();
  ::SendMessageW(handle, kOuter, 0, 0);  // the window goes inside the nested message
  EXPECT_FALSE(::IsWindow(handle));
  EXPECT_EQ(events, (std::vector<std::string>{"inner returns", "outer returns", "final after 2 steps"}));
}

// A class that never destroys its window itself: its base's destructor must not reach it through a
// virtual (HandleMessage is pure in the base).
class CLeftOpen : public CWindow {
 public:
  explicit CLeftOpen(int& messages) : m_messages(messages) {}
  bool Make() { return Create(L"OrvelLifeTest2", 0, 0, WS_POPUP, L"", RECT{0, 0, 10, 10}); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    ++m_messages;
    return DefaultProc(message, wParam, lParam);
  }
  void OnFinalMessage() override { ++m_messages; }

 private:
  int& m_messages;
};

TEST(WindowLife, BaseDestructorCutsTheWindowLooseAndDestroysIt) {
  int messages = 0;
  auto* window = new CLeftOpen(messages);
  ASSERT_TRUE(window->Make());
  HWND handle = window->Handle();
  int before = messages;
  delete window;  // a pure virtual call would abort here
  EXPECT_FALSE(::IsWindow(handle));
  EXPECT_EQ(messages, before);  // nothing reached the class being destroyed
}

// A control that is a member of a window object: a message of the control that closes its owner
// runs to its end before the owner (and with it the control) is deleted.
class CMemberControl : public CControl {
 public:
  CMemberControl(CWindowObject& owner, std::vector<std::string>& events) : m_events(events) {
    SetOwner(&owner);
  }

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
    if (message != kDestroyOwner) return false;
    ::DestroyWindow(reinterpret_cast<HWND>(wParam));
    m_events.push_back(Handle() ? "control returns, window there" : "control returns");
    result = 0;
    return true;
  }
  void OnFinalMessage() override { m_events.push_back("control final"); }

 private:
  std::vector<std::string>& m_events;
};

class COwnerWindow : public CWindow {
 public:
  explicit COwnerWindow(std::vector<std::string>& events) : m_events(events), m_control(*this, events) {}
  bool Make() {
    return Create(L"OrvelLifeTest3", 0, 0, WS_POPUP, L"", RECT{0, 0, 100, 100}) &&
           m_control.Create(L"STATIC", WS_CHILD, 0, RECT{0, 0, 10, 10}, Handle(), 1);
  }
  HWND ControlWindow() const { return m_control.Handle(); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    return DefaultProc(message, wParam, lParam);
  }
  void OnFinalMessage() override {
    m_events.push_back("owner final");
    delete this;
  }

 private:
  std::vector<std::string>& m_events;
  CMemberControl m_control;
};

TEST(WindowLife, MemberControlHoldsItsOwner) {
  std::vector<std::string> events;
  auto* owner = new COwnerWindow(events);
  ASSERT_TRUE(owner->Make());
  HWND handle = owner->Handle();
  ::SendMessageW(owner->ControlWindow(), kDestroyOwner, reinterpret_cast<WPARAM>(handle), 0);
  EXPECT_FALSE(::IsWindow(handle));
  EXPECT_EQ(events, (std::vector<std::string>{"control returns", "control final", "owner final"}));
}

// A posted value that counts the live ones: each one made is freed once.
int g_live = 0;
struct CCounted {
  CCounted() { ++g_live; }
  explicit CCounted(int value) : id(value) { ++g_live; }
  CCounted(CCounted&& other) noexcept : id(other.id) { ++g_live; }
  CCounted& operator=(CCounted&&) = delete;
  ~CCounted() { --g_live; }
  int id = 0;
};

// Each test counts from none: a leak of one does not show in the next.
class MessageWindow : public ::testing::Test {
 protected:
  void SetUp() override { g_live = 0; }
};

constexpr UINT kData = WM_APP + 10, kIgnoredData = WM_APP + 11, kPlain = WM_APP + 12;

// Writes down the plain messages and the data it takes; the data of kIgnoredData it leaves alone.
class CDataWindow : public CMessageWindow {
 public:
  bool Make() { return Create(L"OrvelDataTest", L"", 0, 0, WS_POPUP); }
  void Pump() {
    MSG message;
    while (::PeekMessageW(&message, Handle(), 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }
  std::vector<std::string> seen;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != kPlain) return DefaultProc(message, wParam, lParam);
    seen.push_back("plain " + std::to_string(wParam));
    return 0;
  }
  void OnData(UINT message, std::unique_ptr<CPosted> data) override {
    if (message == kData) seen.push_back("data " + std::to_string(data->Take<CCounted>().id));
  }
};

TEST_F(MessageWindow, PostedDataReachesTheHandlerOnceInOrderAndIsFreed) {
  CDataWindow window;
  ASSERT_TRUE(window.Make());
  ASSERT_TRUE(::PostMessageW(window.Handle(), kPlain, 1, 0));
  ASSERT_TRUE(CMessageWindow::PostData(window.Handle(), kData, CCounted(2)));
  ASSERT_TRUE(CMessageWindow::PostData(window.Handle(), kIgnoredData, CCounted(3)));
  ASSERT_TRUE(CMessageWindow::PostData(window.Handle(), kData, 4));  // another type: taken as empty
  ASSERT_TRUE(::PostMessageW(window.Handle(), kPlain, 5, 0));
  EXPECT_EQ(g_live, 2);  // the queued ones only
  window.Pump();
  EXPECT_EQ(window.seen, (std::vector<std::string>{"plain 1", "data 2", "data 0", "plain 5"}));
  EXPECT_EQ(g_live, 0);
}

TEST_F(MessageWindow, DataStillQueuedIsFreedWithTheWindow) {
  auto destroyed = std::make_unique<CDataWindow>();
  auto deleted = std::make_unique<CDataWindow>();
  ASSERT_TRUE(destroyed->Make());
  ASSERT_TRUE(deleted->Make());
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(CMessageWindow::PostData(destroyed->Handle(), kData, CCounted(i)));
    ASSERT_TRUE(CMessageWindow::PostData(deleted->Handle(), kData, CCounted(i)));
  }
  destroyed->Destroy();
  EXPECT_EQ(g_live, 3);
  deleted.reset();  // the window is still open as its object goes
  EXPECT_EQ(g_live, 0);
  EXPECT_TRUE(destroyed->seen.empty());
}

TEST_F(MessageWindow, AFailedPostFreesTheData) {
  CDataWindow window;
  ASSERT_TRUE(window.Make());
  HWND gone = window.Handle();
  window.Destroy();
  const HWND targets[] = {nullptr, gone, ::GetDesktopWindow()};  // the desktop: another process
  for (HWND target : targets) {
    EXPECT_FALSE(CMessageWindow::PostData(target, kData, CCounted(1))) << target;
    EXPECT_EQ(g_live, 0) << target;
  }
}

TEST_F(MessageWindow, DataPostedFromAnotherThreadReachesTheWindowsThread) {
  CDataWindow window;
  ASSERT_TRUE(window.Make());
  std::thread poster([handle = window.Handle()] {
    for (int i = 1; i <= 3; ++i) CMessageWindow::PostData(handle, kData, CCounted(i));
  });
  poster.join();
  window.Pump();
  EXPECT_EQ(window.seen, (std::vector<std::string>{"data 1", "data 2", "data 3"}));
  EXPECT_EQ(g_live, 0);
}

}  // namespace
