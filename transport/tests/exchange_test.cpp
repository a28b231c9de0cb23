// The module against the stand-in's device, with the server object's responses replaced on their
// way back: responses that cannot be read, and a response that comes after the module gave up.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <thread>

#include "econnect.h"
#include "support/u16text.h"
#include "support/win/handle.h"
#include "transport/codec/codec.h"
#include "transport/tests/test_client.h"
#include "transport/tolvane_module.h"

namespace orvel::tessmark::test {
namespace {

using codec::Bytes;
using win::ComPtr;
using win::UniqueBstr;

// The stand-in's server object with the response to command 1 replaced, or delivered late from
// another thread.
class CProxyServer : public win::CComObject<IMPSDRC> {
 public:
  ComPtr<IMPSDRC> real;
  std::optional<Bytes> replacement;
  bool late = false;
  std::thread lateThread;
  HRESULT lateResult = S_OK;

  ~CProxyServer() override {
    if (lateThread.joinable()) lateThread.join();
  }
  HRESULT STDMETHODCALLTYPE SetCommand(LONG reserved, BYTE command) override {
    m_command = command;
    return real->SetCommand(reserved, command);
  }
  HRESULT STDMETHODCALLTYPE SetPayload(VARIANT payload) override { return real->SetPayload(payload); }
  HRESULT STDMETHODCALLTYPE Execute(IUnknown* sink) override {
    if (m_command != codec::kCommandApply || (!replacement && !late)) return real->Execute(sink);
    ComPtr<ICommonSink> responses;
    if (FAILED(sink->QueryInterface(IID_PPV_ARGS(&responses)))) return E_NOINTERFACE;
    if (replacement) {
      responses->ProcessResponse(replacement->data(), static_cast<ULONG>(replacement->size()));
      return S_OK;
    }
    // A question that arrives well after the response wait has run out.
    lateThread = std::thread([this, responses] {
      ::Sleep(3 * kShortResponseWaitMs);
      Bytes body;
      codec::AppendU32(body, codec::kStateQuestion);
      codec::AppendU32(body, 0x204);
      codec::AppendU32(body, 4);
      codec::AppendString(body, u"Mail");
      codec::AppendString(body, u"late");
      Bytes data = codec::MakeResponse(body);
      lateResult = responses->ProcessResponse(data.data(), static_cast<ULONG>(data.size()));
    });
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE StartServer(BSTR path) override { return real->StartServer(path); }

 private:
  BYTE m_command = 0;
};

CProxyServer* g_proxy = nullptr;

HRESULT CreateWithProxy(REFCLSID clsid, REFIID iid, void** out) {
  if (clsid == CLSID_MPSDRC && g_proxy) {
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&g_proxy->real));
    return FAILED(hr) ? hr : g_proxy->QueryInterface(iid, out);
  }
  return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}

class ExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitialize(nullptr);
    m_proxy = win::MakeCom<CProxyServer>();
    g_proxy = m_proxy.Get();
    SetObjectCreator(&CreateWithProxy);
    m_module = win::MakeCom<CTolvaneModule>();
    m_callback = win::MakeCom<CTestCallback>();
    ASSERT_EQ(m_module->AdviseCallback(m_callback.Get(), &m_cookie), S_OK);
    m_callback->AddRef();
  }
  void TearDown() override {
    m_module->UnAdviseCallback(m_cookie);
    m_module.Reset();
    g_proxy = nullptr;
    SetObjectCreator(nullptr);
    m_proxy.Reset();
    ::CoUninitialize();
  }
  CTestDevice Device(const std::string& suffix = "") {
    return CTestDevice(
        std::string("exchange-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + suffix,
        "");
  }

  ComPtr<CProxyServer> m_proxy;
  ComPtr<CTolvaneModule> m_module;
  ComPtr<CTestCallback> m_callback;
  LONG m_cookie = 0;
};

struct UnreadableCase {
  const char* what;
  Bytes response;
  LONG exError;
  std::u16string text;
};

// A response that cannot be read ends the operation with code 9, the bad response; when the
// decoder failed (a short body, a string count past the end) its own code, 24, is the exError and
// its text the last error's text. Code 24 is never the operation's code: the engine maps 9 to its
// settings-module failure and has no meaning for 24.
TEST_F(ExchangeTest, UnreadableResponsesEndWithCode9AndTheDecodersCodeAsExError) {
  const std::u16string pastEnd = u"CDecodeResponse::Attempted read past end of buffer";
  Bytes applied;
  codec::AppendU32(applied, codec::kStateApplied);
  Bytes longCount;
  for (std::uint32_t v : {5u, 4u, 3u}) codec::AppendU32(longCount, v);
  longCount.insert(longCount.end(), {'M', 0});
  const UnreadableCase cases[] = {
      {"header byte 6 set", codec::MakeResponse(applied, true), 0, u"ProcessResponse::Error in buffer"},
      {"short body", codec::MakeResponse({2, 0, 0}), 24, pastEnd},
      {"string count over the body", codec::MakeResponse(longCount), 24, pastEnd},
  };
  int n = 0;
  for (const UnreadableCase& c : cases) {
    CTestDevice device = Device(std::to_string(n++));
    ComPtr<CTestCallback> callback = win::MakeCom<CTestCallback>();
    ASSERT_EQ(m_module->UnAdviseCallback(m_cookie), S_OK);
    ASSERT_EQ(m_module->AdviseCallback(callback.Get(), &m_cookie), S_OK);
    callback->AddRef();
    m_proxy->replacement = c.response;
    UniqueBstr text(kSettingsText);
    ASSERT_EQ(m_module->SendConfiguration(text.get()), S_OK) << c.what;
    ASSERT_TRUE(callback->WaitForDone()) << c.what;
    EXPECT_EQ(callback->DoneResult(), static_cast<HRESULT>(0x80040009)) << c.what;
    LONG code = 0, exError = 0;
    UniqueBstr message;
    ASSERT_EQ(m_module->GetLastError(&code, &exError, message.out()), S_OK);
    EXPECT_EQ(code, 9) << c.what;
    EXPECT_EQ(exError, c.exError) << c.what;
    EXPECT_EQ(AsUtf8(message.text()), AsUtf8(c.text)) << c.what;
    EXPECT_FALSE(fs::exists(device.DeviceFile(L"c:\\~epoc_settings.xml"))) << c.what;
    EXPECT_TRUE(device.TemporaryFolderEmpty()) << c.what;
  }
}

TEST_F(ExchangeTest, QuestionAfterTheTimeOutIsRefusedAndTheOperationEndsOnce) {
  CTestDevice device = Device();
  m_proxy->late = true;
  UniqueBstr text(kSettingsText);
  ASSERT_EQ(m_module->SendConfiguration(text.get()), S_OK);
  ASSERT_TRUE(m_callback->WaitForDone());
  EXPECT_EQ(m_callback->DoneResult(), static_cast<HRESULT>(0x80040023));
  m_proxy->lateThread.join();
  EXPECT_EQ(m_proxy->lateResult, E_FAIL);
  std::vector<Event> events = m_callback->Events();
  EXPECT_EQ(CTestCallback::Count(events, Event::Done), 1);
  EXPECT_EQ(CTestCallback::Count(events, Event::Error), 0);
  EXPECT_EQ(m_module->Respond(4), static_cast<HRESULT>(0x80040063));
}

}  // namespace
}  // namespace orvel::tessmark::test
