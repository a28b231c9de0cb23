// The view object as the host meets it, in this process: the call order with a host of our own,
// the host's reference kept by the view, the tables of the view's answers through the real object,
// the start-up's "RequestFile" check, the modal stack ended by the host's close, and the send road's dialogs.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

#include "testing/ui_driver.h"
#include "settings/settings_schema.h"
#include "support/u16text.h"
#include "support/win/com.h"
#include "support/win/handle.h"
#include "support/win/registry.h"
#include "support/win/wide.h"
#include "ui/app/morvane_app.h"
#include "ui/app/resource_ids.h"
#include "ui/dialogs/input_dialogs.h"
#include "ui/main/main_view.h"
#include "ui/send/choice_dlg.h"
#include "ui/send/progress_dlg.h"
#include "ui/tests/fake_engine.h"
#include "ui/view/morvane_view.h"

using namespace orvel;
using namespace orvel::ui;

namespace {

// A host that records every call the view makes.
class CRecordingHost : public win::CComObject<IFenwarpHost> {
 public:
  explicit CRecordingHost(std::vector<std::string>* calls, bool* gone) : m_calls(calls), m_gone(gone) {}
  ~CRecordingHost() override { *m_gone = true; }

  ORVEL_DISPATCH_BY_VTABLE_ONLY
  HRESULT STDMETHODCALLTYPE BeginToolbar(short* id) override {
    *id = 7;
    return Record("BeginToolbar");
  }
  HRESULT STDMETHODCALLTYPE EndToolbar(short id) override {
    return Record("EndToolbar " + std::to_string(id));
  }
  HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddToolbarBitmap(short id, long count, long bitmap) override {
    return Record("AddToolbarBitmap " + std::to_string(id) + " " + std::to_string(count) + " " +
                  std::to_string(bitmap));
  }
  HRESULT STDMETHODCALLTYPE AddToolbarButton(short id, long index, long command, long style,
                                             long reserved) override {
    return Record("AddToolbarButton " + std::to_string(id) + " " + std::to_string(index) + " " +
                  std::to_string(command) + " " + std::to_string(style) + " " + std::to_string(reserved));
  }
  HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved13() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeactivateToolbar(short id, BSTR title) override {
    return Record("DeactivateToolbar " + std::to_string(id) + " " + Text(title));
  }
  HRESULT STDMETHODCALLTYPE ActivateToolbar(short id, BSTR title) override {
    return Record("ActivateToolbar " + std::to_string(id) + " " + Text(title));
  }
  HRESULT STDMETHODCALLTYPE Reserved16() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved17() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved18() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reserved19() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsViewShown(BSTR progId, short* shown) override {
    *shown = 0;
    return Record("IsViewShown " + Text(progId));
  }
  HRESULT STDMETHODCALLTYPE ShowView(BSTR progId) override { return Record("ShowView " + Text(progId)); }

 private:
  static std::string Text(BSTR text) { return AsUtf8(win::FromBstr(text)); }
  HRESULT Record(std::string call) {
    m_calls->push_back(std::move(call));
    return S_OK;
  }
  std::vector<std::string>* m_calls;
  bool* m_gone;
};

using win::kCorvansetKey;

// One apartment for the whole program, as the host's user-interface thread has: an apartment torn
// down between tests while a start-up thread still lets go of its engine can deadlock Wine's COM.
const HRESULT g_apartment = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(g_apartment));
    m_engine = std::make_unique<test::CFakeEngineRegistration>();
    ASSERT_TRUE(m_engine->Registered());
    win::DeleteRegValue(HKEY_CURRENT_USER, kCorvansetKey, L"RequestFile");
    win::DeleteRegValue(HKEY_CURRENT_USER, kCorvansetKey, L"LastFile");
    m_frame = ::CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                                nullptr, nullptr, nullptr, nullptr);
    m_view = win::MakeCom<CMorvaneView>();
    win::ComPtr<IFenwarpHost> host = win::MakeCom<CRecordingHost>(&m_calls, &m_hostGone);
    ASSERT_EQ(m_view->SetHost(host.Get()), S_OK);
    // The host lets go of its own pointer: the view keeps the host alive with the reference it took.
  }
  void TearDown() override {
    // The start-up thread has let go of its engine before the engine's class goes.
    if (m_initialized) {
      EXPECT_TRUE(m_engine->WaitFor("Release", 10000));
    }
    m_engine.reset();
    m_view.Reset();
    if (m_frame) ::DestroyWindow(m_frame);
  }
  void Initialize() {
    short first = 0, second = 0, third = 0;
    ASSERT_EQ(m_view->Initialize(0, 0, &first, &second, &third), S_OK);
    m_initialized = true;
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(third, 1);
  }
  void CreateWindowAndActivate() {
    ASSERT_EQ(m_view->CreateViewWindow(m_frame, 0, 40, 600, 400), S_OK);
    ASSERT_NE(m_view->MainView(), nullptr);
    ASSERT_EQ(m_view->Activate(), S_OK);
  }

  std::unique_ptr<test::CFakeEngineRegistration> m_engine;
  bool m_initialized = false;
  HWND m_frame = nullptr;
  std::vector<std::string> m_calls;
  bool m_hostGone = false;
  win::ComPtr<CMorvaneView> m_view;
};

const std::vector<std::string> kToolbarCalls = {
    "BeginToolbar",
    "AddToolbarBitmap 7 5 29090",
    "AddToolbarButton 7 0 29050 4 0",
    "AddToolbarButton 7 1 29052 4 0",
    "AddToolbarButton 7 2 29051 4 0",
    "AddToolbarButton 7 3 29053 4 0",
    "AddToolbarButton 7 4 29054 4 0",
    "EndToolbar 7",
    "ActivateToolbar 7 Orvel Corvanset",
};

TEST_F(ViewTest, HostCallsInOrderAndTheHostKeptUntilTheClose) {
  EXPECT_FALSE(m_hostGone);  // the host's own pointer is gone, the view's holds it
  Initialize();
  EXPECT_EQ(CMorvaneView::Current(), m_view.Get());
  CreateWindowAndActivate();
  HWND main = m_view->MainView()->Handle();
  EXPECT_TRUE(::IsWindowVisible(main));
  EXPECT_EQ(::GetParent(main), m_frame);
  RECT rect;
  ::GetWindowRect(main, &rect);
  EXPECT_EQ(rect.right - rect.left, 600);
  EXPECT_EQ(m_calls, kToolbarCalls);

  // A second activation builds the toolbar again.
  m_calls.clear();
  ASSERT_EQ(m_view->Activate(), S_OK);
  EXPECT_EQ(m_calls, kToolbarCalls);

  m_calls.clear();
  ASSERT_EQ(m_view->Deactivate(), S_OK);
  EXPECT_FALSE(::IsWindowVisible(main));
  EXPECT_EQ(m_calls, (std::vector<std::string>{"DeactivateToolbar 7 Orvel Corvanset"}));

  ASSERT_EQ(m_view->MoveViewWindow(0, 0, 40, 300, 200), S_OK);
  ::GetWindowRect(main, &rect);
  EXPECT_EQ(rect.right - rect.left, 300);
  ASSERT_EQ(m_view->MoveViewWindow(1, 0, 40, 500, 200), S_OK);  // another flag: not moved
  ::GetWindowRect(main, &rect);
  EXPECT_EQ(rect.right - rect.left, 300);

  short answer = 0;
  ASSERT_EQ(m_view->QueryClose(1, &answer), S_OK);
  ASSERT_EQ(m_view->OnClose(), S_OK);
  EXPECT_TRUE(m_hostGone);  // released at the close
  m_view.Reset();
  EXPECT_FALSE(::IsWindow(main));
  EXPECT_EQ(CMorvaneView::Current(), nullptr);  // the process-wide view is cleared with it
}

TEST_F(ViewTest, AnswersToTheHost) {
  Initialize();
  CreateWindowAndActivate();
  long id = -1;
  EXPECT_EQ(m_view->GetTitleStringId(&id), S_OK);
  EXPECT_EQ(id, 112);
  EXPECT_EQ(m_view->GetBitmapId(&id), S_OK);
  EXPECT_EQ(id, 10125);
  for (auto [kind, icon] : {std::pair<short, long>{0, 429}, {3, 431}, {1, 0}, {2, 0}}) {
    EXPECT_EQ(m_view->GetIconId(kind, &id, 0), S_OK);
    EXPECT_EQ(id, icon) << kind;
  }
  // The image table through the object: a pair it lacks leaves the out value as it was.
  id = -5;
  EXPECT_EQ(m_view->GetCommandImageId(10276, 1, &id), S_OK);
  EXPECT_EQ(id, -5);
  EXPECT_EQ(m_view->GetCommandImageId(29053, 1, &id), S_OK);
  EXPECT_EQ(id, 379);
  short state = 0;
  EXPECT_EQ(m_view->QueryCommandStatus(29053, &state), S_OK);
  EXPECT_EQ(state, 1);  // an empty tree holds no settings
  EXPECT_EQ(m_view->QueryCommandStatus(29050, &state), S_OK);
  EXPECT_EQ(state, 2);

  short first = 0, second = 0;
  BSTR path = nullptr;
  ASSERT_EQ(m_view->GetModulePath(0, &first, &second, &path), S_OK);
  win::UniqueBstr owned = win::UniqueBstr::Adopt(path);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
  std::u16string file = owned.text();
  ASSERT_GE(file.size(), 11u);
  EXPECT_EQ(file.substr(file.size() - 11), u"Quillet.dll");
  EXPECT_TRUE(FileExists(file));

  struct CloseCase {
    short reason;
    short answer;  // what the view leaves in a -1
    bool first;
    bool second;
  };
  const CloseCase closes[] = {{2, -1, false, true},
                              {3, -1, false, true},
                              {0, -1, false, false},
                              {4, -1, false, false},
                              {1, 1, true, false}};
  for (const auto& c : closes) {
    CMainViewDlg* main = m_view->MainView();
    main->m_firstClose = main->m_secondClose = false;
    short answer = -1;
    EXPECT_EQ(m_view->QueryClose(c.reason, &answer), S_OK);
    EXPECT_EQ(answer, c.answer) << c.reason;
    EXPECT_EQ(main->m_firstClose, c.first) << c.reason;
    EXPECT_EQ(main->m_secondClose, c.second) << c.reason;
  }
}

TEST_F(ViewTest, FocusEventsRememberAndRestoreTheViewsControl) {
  Initialize();
  CreateWindowAndActivate();
  HWND tree = ::GetDlgItem(m_view->MainView()->Handle(), kSettingsTreeControl);
  ASSERT_NE(tree, nullptr);
  ::SetForegroundWindow(m_frame);
  ::SetFocus(tree);
  short result = -1;
  EXPECT_EQ(m_view->OnFocusEvent(4, &result), S_OK);
  EXPECT_EQ(result, 0);
  ::SetFocus(m_frame);
  EXPECT_EQ(m_view->OnFocusEvent(5, &result), S_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(::GetFocus(), tree);
  for (short event : {2, 3}) {
    EXPECT_EQ(m_view->OnFocusEvent(event, &result), S_OK);
    EXPECT_EQ(result, 0);
  }
  EXPECT_EQ(m_view->OnFocusEvent(9, &result), S_OK);
  EXPECT_EQ(result, 1);
}

TEST_F(ViewTest, PrepareMenuAddsTheKeyOnceAndGraysSendWithoutSettings) {
  Initialize();
  CreateWindowAndActivate();
  HMENU menu = ::CreatePopupMenu();
  ::AppendMenuW(menu, MF_STRING, 10276, L"&Send settings");
  ::AppendMenuW(menu, MF_STRING, 10278, L"Show &log");
  ASSERT_EQ(m_view->PrepareMenu(menu), S_OK);
  ASSERT_EQ(m_view->PrepareMenu(menu), S_OK);  // twice: the key is not added again
  wchar_t text[64] = {};
  ::GetMenuStringW(menu, 10276, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(text), L"&Send settings\tF5");
  EXPECT_TRUE(::GetMenuState(menu, 10276, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(::GetMenuState(menu, 10278, MF_BYCOMMAND) & MF_GRAYED);
  ::DestroyMenu(menu);
}

TEST_F(ViewTest, RequestFileMakesTheStartUpShowTheViewAndStaysForTheSetUp) {
  ASSERT_EQ(win::WriteRegString(HKEY_CURRENT_USER, kCorvansetKey, L"RequestFile", L"C:\\asked.xml"),
            ERROR_SUCCESS);
  Initialize();
  EXPECT_EQ(m_calls,
            (std::vector<std::string>{"IsViewShown Orvel.MorvaneView.1", "ShowView Orvel.MorvaneView.1"}));
  EXPECT_EQ(win::ReadRegString(HKEY_CURRENT_USER, kCorvansetKey, L"RequestFile"), L"C:\\asked.xml");
  win::DeleteRegValue(HKEY_CURRENT_USER, kCorvansetKey, L"RequestFile");
}

TEST_F(ViewTest, WithoutRequestFileTheStartUpAsksNothing) {
  Initialize();
  EXPECT_TRUE(m_calls.empty());
}

TEST_F(ViewTest, StartUpStartsTheEngineOnceAndRegistersNoCallbackFromItsThread) {
  Initialize();
  ASSERT_TRUE(m_engine->WaitFor("Release", 10000));
  EXPECT_EQ(m_engine->Calls(),
            (std::vector<std::string>{
                "SetClientDetails " + std::to_string(::GetCurrentProcessId()) + " Corvanset User Interface",
                "Release"}));
}

// Runs a text input dialog in the main view; from inside it a notice dialog; from inside that the
// host closes the view.
class CClosingNotice : public CNoticeDlg {
 public:
  CClosingNotice(CMorvaneView* view) : CNoticeDlg(view->Resources()), m_view(view) {}
  INT_PTR result = 0;

 protected:
  BOOL OnInitDialog() override {
    ::PostMessageW(Handle(), WM_APP, 0, 0);
    return TRUE;
  }
  BOOL HandleMessage(UINT message, WPARAM, LPARAM) override {
    if (message != WM_APP) return FALSE;
    EXPECT_EQ(win::CModalStack::Current().Depth(), 2u);
    short answer = 0;
    m_view->QueryClose(1, &answer);
    m_view->OnClose();
    return TRUE;
  }

 private:
  CMorvaneView* m_view;
};

class COuterInput : public CTextInputDlg {
 public:
  COuterInput(CMorvaneView* view) : CTextInputDlg(view->Resources()), m_view(view) {}
  INT_PTR innerResult = 0;

 protected:
  BOOL OnInitDialog() override {
    CTextInputDlg::OnInitDialog();
    ::PostMessageW(Handle(), WM_APP, 0, 0);
    return TRUE;
  }
  BOOL HandleMessage(UINT message, WPARAM, LPARAM) override {
    if (message != WM_APP) return FALSE;
    CClosingNotice notice(m_view);
    innerResult = m_view->MainView()->RunModal(notice);
    return TRUE;
  }

 private:
  CMorvaneView* m_view;
};

TEST_F(ViewTest, CloseEndsEveryRunningModalDialogInnermostFirst) {
  Initialize();
  CreateWindowAndActivate();
  COuterInput outer(m_view.Get());
  EXPECT_EQ(m_view->MainView()->RunModal(outer), IDCANCEL);
  EXPECT_EQ(outer.innerResult, IDCANCEL);
  EXPECT_TRUE(win::CModalStack::Current().Empty());
}

// Types into the text input dialog with keyboard messages to its edit, then cancels.
class CTypingInput : public CTextInputDlg {
 public:
  using CTextInputDlg::CTextInputDlg;
  bool passwordStyle = false;

 protected:
  BOOL OnInitDialog() override {
    CTextInputDlg::OnInitDialog();
    passwordStyle = (::GetWindowLongPtrW(Item(kTextEdit), GWL_STYLE) & ES_PASSWORD) != 0;
    for (wchar_t c : std::wstring(L"secret")) ::SendMessageW(Item(kTextEdit), WM_CHAR, c, 0);
    ::PostMessageW(Handle(), WM_COMMAND, IDCANCEL, 0);
    return TRUE;
  }
};

TEST_F(ViewTest, TextInputKeepsItsLimitAndTheTextTypedBeforeCancel) {
  Initialize();
  CreateWindowAndActivate();
  CTypingInput input(m_view->Resources());
  input.SetMaxLength(5);
  EXPECT_EQ(m_view->MainView()->RunModal(input), IDCANCEL);
  EXPECT_EQ(input.Text(), u"secre");  // no sixth character
  EXPECT_TRUE(input.passwordStyle);
}

TEST_F(ViewTest, TheNoticeDialogEndsWithItsButtons) {
  Initialize();
  CreateWindowAndActivate();
  class CPressOk : public CNoticeDlg {
   public:
    using CNoticeDlg::CNoticeDlg;

   protected:
    BOOL OnInitDialog() override {
      ::PostMessageW(Handle(), WM_COMMAND, IDOK, 0);
      return TRUE;
    }
  } notice(m_view->Resources());
  EXPECT_EQ(m_view->MainView()->RunModal(notice), IDOK);
}

// Enter, the busy animation and Cancel in the progress dialog, driven with posted commands; the
// send dialog's part is a hidden window and a counter.
class CScriptedProgress : public CProgressDlg {
 public:
  using CProgressDlg::CProgressDlg;
  bool openAfterEnter = false;
  std::u16string firstText, cancelText;
  std::vector<int> blinks;
  bool cancelEnabled = true, busyAfterCancel = false, ownerVisible = true;

 protected:
  BOOL OnInitDialog() override {
    BOOL result = CProgressDlg::OnInitDialog();
    ::PostMessageW(Handle(), WM_COMMAND, IDOK, 0);
    ::PostMessageW(Handle(), WM_APP, 0, 0);
    return result;
  }
  BOOL HandleMessage(UINT message, WPARAM, LPARAM) override {
    if (message == WM_APP) {
      openAfterEnter = true;
      firstText = ItemText(kProgressTextLabel);
      SetRange(0, 100);
      SetPos(50);
      OnTimer(kBusyTimer);  // a real position stops the animation
      blinks.push_back(static_cast<int>(SendItem(kProgressBar, PBM_GETPOS)));
      SetPos(0);
      SetBusyAnimation(true);
      for (int i = 0; i < 3; ++i) {
        OnTimer(kBusyTimer);
        blinks.push_back(static_cast<int>(SendItem(kProgressBar, PBM_GETPOS)));
      }
      ::PostMessageW(Handle(), WM_COMMAND, IDCANCEL, 0);
      ::PostMessageW(Handle(), WM_APP + 1, 0, 0);
      return TRUE;
    }
    if (message == WM_APP + 1) {
      cancelText = ItemText(kProgressTextLabel);
      cancelEnabled = ::IsWindowEnabled(Item(IDCANCEL)) != FALSE;
      busyAfterCancel = BusyAnimation();
      EndDialog(1);  // the engine's end
      return TRUE;
    }
    return FALSE;
  }
};

TEST_F(ViewTest, ProgressIgnoresEnterAndCancelOnlyAsksTheEngine) {
  Initialize();
  CreateWindowAndActivate();
  HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
  int cancels = 0;
  CScriptedProgress progress(m_view->Resources());
  progress.SetOwner(owner, [&] { ++cancels; });
  EXPECT_EQ(m_view->MainView()->RunModal(progress), 1);
  EXPECT_TRUE(progress.openAfterEnter);
  EXPECT_EQ(progress.firstText, App().LoadResString(kPreparingText, true));
  EXPECT_EQ(progress.blinks, (std::vector<int>{50, 2, 0, 2}));
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(progress.cancelText, App().LoadResString(kCancellingText, true));
  EXPECT_FALSE(progress.cancelEnabled);
  EXPECT_TRUE(progress.busyAfterCancel);
  EXPECT_FALSE(::IsWindowVisible(owner));  // the send dialog shows itself again after the loop
  ::DestroyWindow(owner);
}

// The question dialog with each kind of answer set: Enter and Escape are pressed first, then the
// chosen button is clicked when the dialog is still open.
class CScriptedChoice : public CChoiceDlg {
 public:
  CScriptedChoice(HINSTANCE resources, uint32_t allowed, int click, bool check)
      : CChoiceDlg(resources), m_allowed(allowed), m_click(click), m_check(check) {
    SetAllowed(allowed);
  }
  bool openAfterKeys = false;
  std::vector<int> buttons;
  std::u16string clickedLabel, boxLabel;

 protected:
  BOOL OnInitDialog() override {
    BOOL result = CChoiceDlg::OnInitDialog();
    for (int id : {277, 273, 276, 270}) {
      if (Item(id)) buttons.push_back(id);
    }
    boxLabel = ItemText(kApplyToAllButton);
    if (m_check) SendItem(kApplyToAllButton, BM_SETCHECK, BST_CHECKED);
    if (m_click == 0) {  // the close box refuses
      ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
      return result;
    }
    ::PostMessageW(Handle(), WM_COMMAND, IDOK, 0);
    if (!(m_allowed & kStop)) {  // no refusal offered: Escape and the close box do nothing
      ::PostMessageW(Handle(), WM_COMMAND, IDCANCEL, 0);
      ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
    }
    ::PostMessageW(Handle(), WM_APP, 0, 0);
    return result;
  }
  BOOL HandleMessage(UINT message, WPARAM, LPARAM) override {
    if (message != WM_APP) return FALSE;
    openAfterKeys = true;
    clickedLabel = ItemText(m_click);
    ::PostMessageW(Handle(), WM_COMMAND, MAKEWPARAM(m_click, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Item(m_click)));
    return TRUE;
  }

 private:
  uint32_t m_allowed;
  int m_click;
  bool m_check;
};

TEST_F(ViewTest, EveryAllowedAnswerIsReachedThroughTheQuestionDialog) {
  Initialize();
  CreateWindowAndActivate();
  const std::u16string ok = App().LoadResString(kOkAnswerText, true);
  struct Case {
    uint32_t allowed;
    bool file;
    int click;  // 0: the close box
    INT_PTR result;
    std::vector<int> buttons;
    std::u16string label;  // of the clicked button; empty: the template's
  };
  const Case cases[] = {
      {4 | 8, true, 0, 4, {277, 273}, u""},
      {4 | 8, true, 273, 8, {277, 273}, u""},
      {8 | 32, false, 276, 32, {273, 276}, u""},
      {16, true, 277, 16, {277}, ok},
      {1 | 4 | 8 | 32, false, 270, 1, {277, 273, 276, 270}, ok},
      {1 | 2 | 64, false, 273, 2, {277, 273, 270}, ok + u" (2)"},
      {64, false, 270, 64, {270}, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.allowed);
    CScriptedChoice choice(m_view->Resources(), c.allowed, c.click, c.allowed == 64);
    choice.SetText(u"Question?", c.file);
    EXPECT_EQ(m_view->MainView()->RunModal(choice), c.result);
    EXPECT_EQ(choice.buttons, c.buttons);
    EXPECT_EQ(choice.boxLabel, App().LoadResString(c.file ? 565 : 546, true));
    EXPECT_EQ(choice.openAfterKeys, c.click != 0);  // Enter, and a refusal not offered, end nothing
    if (!c.label.empty()) {
      EXPECT_EQ(choice.clickedLabel, c.label);
    }
    EXPECT_EQ(choice.IsApplyToAll(), c.allowed == 64);
  }
}

}  // namespace

namespace {

// The application object's text lookups with the language library beside the test.
TEST(AppTexts, LookupsOfBothKindsAndTheMissingString) {
  CMorvaneApp& app = App();
  app.InitInstance();
  ASSERT_TRUE(app.LanguageLoaded());
  EXPECT_EQ(app.GetProductTitle(), u"Orvel Corvanset");
  EXPECT_EQ(app.Title(), u"Orvel Corvanset");
  struct Case {
    uint32_t id;
    bool localized;
    std::u16string expected;  // empty: any non-empty text
  };
  const uint32_t iapSettings = FindNameId(u"IAPSettings");
  ASSERT_NE(iapSettings, 0u);
  const Case cases[] = {
      {iapSettings, false, u"IAPSettings"},  // the element name
      {99999, false, u""},                   // outside the name table: empty, no box
  };
  for (const auto& c : cases) EXPECT_EQ(app.LoadResString(c.id, c.localized), c.expected) << c.id;
  std::u16string display = app.LoadResString(iapSettings, true);
  EXPECT_FALSE(display.empty());
  EXPECT_NE(display, u"IAPSettings");
  EXPECT_EQ(app.LoadResStringByTag(u"IAPSettings"), display);
  EXPECT_EQ(app.LoadResStringByTag(u"NoSuchElement"), u"");

  // A string the language library lacks: the user is told, and the text says so.
  std::wstring boxText;
  std::thread answer([&] {
    if (std::optional<uidriver::MessageBoxInfo> box = uidriver::WaitMessageBox(::GetCurrentProcessId())) {
      boxText = box->text;
      ::PostMessageW(box->window, WM_COMMAND, IDOK, 0);
    }
  });
  EXPECT_EQ(app.LoadResString(59999, true), u"<error>");
  answer.join();
  EXPECT_EQ(boxText, L"Internal error.");
}

}  // namespace
