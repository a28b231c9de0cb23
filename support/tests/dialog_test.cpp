// The dialog layer under a real window system: modal and modeless dialogs, the hook before
// destroy, the modal stack ending nested dialogs innermost first, a file dialog on the stack, and
// notifications reflected to the control object that sent them.
#include "support/win/dialog.h"

#include <commctrl.h>  // needs windows.h first
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/win/wide.h"

using namespace orvel::win;

namespace {

constexpr UINT kTemplate = 100;
constexpr int kEdit = 10, kOwnerDrawn = 11, kList = 12;
constexpr UINT kRunStep = WM_APP + 1;

HINSTANCE Self() { return ::GetModuleHandleW(nullptr); }

// A dialog whose steps run from posted messages once its modal loop runs.
class CStepDlg : public CDialog {
 public:
  using Step = std::function<void(CStepDlg&)>;
  CStepDlg(std::vector<Step> steps) : CDialog(Self(), kTemplate), m_steps(std::move(steps)) {}
  std::u16string textAtDestroy;
  std::vector<std::string>* events = nullptr;
  std::string name;

 protected:
  BOOL OnInitDialog() override {
    SetItemText(kEdit, u"typed \u00e9\u20ac");
    ::PostMessageW(Handle(), kRunStep, 0, 0);
    return TRUE;
  }
  BOOL HandleMessage(UINT message, WPARAM, LPARAM) override {
    if (message != kRunStep || m_next >= m_steps.size()) return FALSE;
    Step step = m_steps[m_next++];
    step(*this);
    return TRUE;
  }
  void OnBeforeDestroy() override {
    textAtDestroy = ItemText(kEdit);
    if (events) events->push_back("destroy " + name);
  }

 private:
  std::vector<Step> m_steps;
  size_t m_next = 0;
};

void Press(CStepDlg& dialog, int id) {
  ::PostMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

TEST(Dialog, ModalEndsWithTheButtonAndKeepsTheTextTakenBeforeDestroy) {
  for (int button : {IDOK, IDCANCEL}) {
    CStepDlg dialog({[button](CStepDlg& d) {
      EXPECT_EQ(CModalStack::Current().Depth(), 1u);
      EXPECT_EQ(CModalStack::Current().Innermost()->window, d.Handle());
      Press(d, button);
    }});
    EXPECT_EQ(dialog.DoModal(nullptr), button);
    EXPECT_EQ(dialog.textAtDestroy, u"typed \u00e9\u20ac");
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_TRUE(CModalStack::Current().Empty());
  }
}

TEST(Dialog, MissingTemplateGivesMinusOneAndLeavesTheStackEmpty) {
  class CMissing : public CDialog {
   public:
    CMissing() : CDialog(Self(), 4242) {}
  } missing;
  EXPECT_EQ(missing.DoModal(nullptr), -1);
  EXPECT_TRUE(CModalStack::Current().Empty());
}

TEST(ModalStack, EndAllEndsNestedDialogsInnermostFirst) {
  std::vector<std::string> events;
  INT_PTR innerResult = 0;
  CStepDlg inner({[](CStepDlg&) {
    EXPECT_EQ(CModalStack::Current().Depth(), 2u);
    CModalStack::Current().EndAll(IDCANCEL);
  }});
  inner.events = &events;
  inner.name = "inner";
  CStepDlg outer({[&](CStepDlg& d) {
    innerResult = inner.DoModal(d.Handle());
    events.push_back("inner returned");
  }});
  outer.events = &events;
  outer.name = "outer";
  EXPECT_EQ(outer.DoModal(nullptr), IDCANCEL);
  EXPECT_EQ(innerResult, IDCANCEL);
  EXPECT_EQ(events, (std::vector<std::string>{"destroy inner", "inner returned", "destroy outer"}));
  EXPECT_TRUE(CModalStack::Current().Empty());
}

size_t g_depthInside = 0;

// Once the file dialog's window is known, ends everything.
void CALLBACK EndOnceTheFileDialogShows(HWND, UINT, UINT_PTR timer, DWORD) {
  const CModalStack::Entry* innermost = CModalStack::Current().Innermost();
  if (!innermost || innermost->kind != CModalStack::Kind::CommonDialog || !innermost->window) return;
  ::KillTimer(nullptr, timer);
  g_depthInside = CModalStack::Current().Depth();
  CModalStack::Current().EndAll(IDCANCEL);
}

TEST(ModalStack, EndsAFileDialogThatRunsInsideADialog) {
  INT_PTR fileResult = 0;
  CStepDlg outer({[&](CStepDlg& d) {
    ::SetTimer(nullptr, 0, 50, &EndOnceTheFileDialogShows);
    FileDialogOptions options;
    options.owner = d.Handle();
    options.filter = u"Settings files (*.xml)|*.xml|All files (*.*)|*.*||";
    options.defaultExtension = u"xml";
    std::vector<std::u16string> paths;
    fileResult = OpenFileDialog(options, paths);
    EXPECT_TRUE(paths.empty());
  }});
  EXPECT_EQ(outer.DoModal(nullptr), IDCANCEL);
  EXPECT_EQ(fileResult, IDCANCEL);
  EXPECT_EQ(g_depthInside, 2u);
  EXPECT_TRUE(CModalStack::Current().Empty());
}

TEST(Dialog, ModelessLivesUntilDestroyed) {
  CStepDlg dialog({});
  ASSERT_TRUE(dialog.Create(nullptr));
  EXPECT_FALSE(dialog.IsModal());
  EXPECT_TRUE(CModalStack::Current().Empty());
  EXPECT_EQ(dialog.ItemText(kEdit), u"typed \u00e9\u20ac");
  dialog.EndDialog(IDOK);  // destroys a modeless dialog
  EXPECT_EQ(dialog.Handle(), nullptr);
  EXPECT_EQ(dialog.textAtDestroy, u"typed \u00e9\u20ac");
}

// A control object that records what its parent reflected to it.
class CRecorder : public CControl {
 public:
  std::vector<UINT> reflected;
  std::vector<UINT> notifyCodes;
  bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    reflected.push_back(message);
    if (message == WM_NOTIFY) {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      notifyCodes.push_back(header->code);
      if (header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        result = CDRF_DODEFAULT;
        return true;
      }
    }
    if (message == WM_DRAWITEM) {
      result = TRUE;
      return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == EN_KILLFOCUS) return true;
    return false;
  }
};

bool Has(const std::vector<UINT>& list, UINT value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

TEST(Reflection, NotificationsReachTheControlObjectThatSentThem) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  CRecorder edit, button, list;
  CStepDlg dialog({});
  ASSERT_TRUE(dialog.Create(nullptr));
  ASSERT_TRUE(edit.AttachItem(dialog.Handle(), kEdit));
  ASSERT_TRUE(button.AttachItem(dialog.Handle(), kOwnerDrawn));
  ASSERT_TRUE(list.AttachItem(dialog.Handle(), kList));
  EXPECT_FALSE(list.AttachItem(dialog.Handle(), kList));  // one object per window
  ::ShowWindow(dialog.Handle(), SW_SHOW);
  ::SetFocus(edit.Handle());
  ::SetFocus(list.Handle());  // the edit loses the focus
  ::RedrawWindow(dialog.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);

  EXPECT_TRUE(Has(edit.reflected, WM_COMMAND));
  EXPECT_TRUE(Has(button.reflected, WM_DRAWITEM));
  EXPECT_TRUE(Has(list.notifyCodes, static_cast<UINT>(NM_CUSTOMDRAW)));
  EXPECT_FALSE(Has(edit.reflected, WM_DRAWITEM));  // nothing reaches an object that did not send it
  dialog.DestroyWindow();
  EXPECT_EQ(edit.Handle(), nullptr);  // detached with the window
}

TEST(Control, DetachPutsTheControlsProcedureBack) {
  CStepDlg dialog({});
  ASSERT_TRUE(dialog.Create(nullptr));
  HWND editWindow = ::GetDlgItem(dialog.Handle(), kEdit);
  auto before = ::GetWindowLongPtrW(editWindow, GWLP_WNDPROC);
  {
    CRecorder edit;
    ASSERT_TRUE(edit.Attach(editWindow));
    EXPECT_NE(::GetWindowLongPtrW(editWindow, GWLP_WNDPROC), before);
  }  // the object goes first
  EXPECT_EQ(::GetWindowLongPtrW(editWindow, GWLP_WNDPROC), before);
  dialog.DestroyWindow();
}

// A modeless dialog that owns itself and is destroyed from inside a nested message of its own: its
// final message comes once the outermost one has returned, and a modal loop run meanwhile returns
// to an object that still lives.
class CSelfOwnedDlg : public CDialog {
 public:
  static constexpr UINT kOuter = WM_APP + 5, kInner = WM_APP + 6;
  explicit CSelfOwnedDlg(std::vector<std::string>& events) : CDialog(Self(), kTemplate), m_events(events) {}

 protected:
  BOOL HandleMessage(UINT message, WPARAM, LPARAM) override {
    if (message == kOuter) {
      ::SendMessageW(Handle(), kInner, 0, 0);
      m_events.push_back("outer returns");
      return TRUE;
    }
    if (message == kInner) {
      DestroyWindow();
      m_events.push_back(Handle() ? "inner returns, window there" : "inner returns");
      return TRUE;
    }
    return FALSE;
  }
  void OnBeforeDestroy() override { m_events.push_back("before destroy"); }
  void OnFinalMessage() override {
    m_events.push_back("final");
    delete this;
  }

 private:
  std::vector<std::string>& m_events;
};

TEST(DialogLife, FinalMessageWaitsForTheOutermostMessage) {
  std::vector<std::string> events;
  auto* dialog = new CSelfOwnedDlg(events);
  ASSERT_TRUE(dialog->Create(nullptr));
  HWND handle = dialog->Handle();
  ::SendMessageW(handle, CSelfOwnedDlg::kOuter, 0, 0);
  EXPECT_FALSE(::IsWindow(handle));
  EXPECT_EQ(events, (std::vector<std::string>{"before destroy", "inner returns", "outer returns", "final"}));
}

}  // namespace

// Once the message box's window is known, ends everything.
void CALLBACK EndOnceTheBoxShows(HWND, UINT, UINT_PTR timer, DWORD) {
  const CModalStack* stack = CModalStack::Find();
  const CModalStack::Entry* innermost = stack ? stack->Innermost() : nullptr;
  if (!innermost || !innermost->window) return;
  ::KillTimer(nullptr, timer);
  g_depthInside = stack->Depth();
  CModalStack::Current().EndAll(IDCANCEL);
}

TEST(ModalStack, EndsAMessageBoxWithItsNoAnswer) {
  struct Case {
    UINT type;
    int answer;
  } cases[] = {{MB_YESNOCANCEL, IDCANCEL}, {MB_YESNO, IDNO}, {MB_OK, IDOK}};
  for (const Case& c : cases) {
    g_depthInside = 0;
    ::SetTimer(nullptr, 0, 50, &EndOnceTheBoxShows);
    EXPECT_EQ(MessageBoxModal(nullptr, u"Save the changes?", u"Box", c.type), c.answer) << c.type;
    EXPECT_EQ(g_depthInside, 1u);
    EXPECT_EQ(CModalStack::Find(), nullptr);
  }
}
