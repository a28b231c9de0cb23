// Windows of our own class, subclassed controls, and the reflection of notifications back to the
// control object that sent them.
#pragma once

#include <windows.h>

namespace orvel::win {

// An object bound to a window that wants the notifications its window sends to its parent
// (WM_NOTIFY with NM_CUSTOMDRAW or HDN_ITEMCLICK, WM_DRAWITEM, WM_COMMAND with EN_KILLFOCUS, the IP
// address control's IPN_FIELDCHANGED): the parent's procedure offers them here first.
class CReflectionTarget {
 public:
  virtual ~CReflectionTarget() = default;
  // True when handled; `result` is then the parent's answer to the message.
  virtual bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }

 protected:
  void Bind(HWND window);
  static void Unbind(HWND window);
};

// The life of an object bound to a window, shared by the three bases: how deeply the object's own
// messages nest, and whether its window has gone. WM_NCDESTROY only marks the window gone;
// OnFinalMessage runs once the outermost message of the object returns (an object that owns itself
// deletes itself there), and nothing touches the object after it. An object that is a member of
// another names that one as its owner: each of its messages then holds the owner too, so that the
// owner's final message waits for the member's.
class CWindowObject : public CReflectionTarget {
 public:
  // Holds the object for a scope as a message of its own does: a caller that runs modal loops of
  // the object from outside its messages (a host's call) keeps it alive until the scope ends.
  class CHold {
   public:
    explicit CHold(CWindowObject& object) : m_object(object) { m_object.Enter(); }
    CHold(const CHold&) = delete;
    CHold& operator=(const CHold&) = delete;
    ~CHold() { m_object.Leave(); }

   private:
    CWindowObject& m_object;
  };

  // The object whose member this one is (not owned); set before the first message.
  void SetOwner(CWindowObject* owner) { m_owner = owner; }
  // Messages (and holds) of the object running now.
  int MessageDepth() const { return m_depth; }

 protected:
  // After the window's last message, once no message of the object runs.
  virtual void OnFinalMessage() {}
  // WM_NCDESTROY: the final message comes when the outermost message returns.
  void MarkWindowGone() { m_windowGone = true; }

 private:
  void Enter();
  void Leave();

  int m_depth = 0;
  bool m_windowGone = false;
  CWindowObject* m_owner = nullptr;
};

// Offers a notification that a parent received to the object bound to the child that sent it.
// True when that object handled it.
bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

class CWindow : public CWindowObject {
 public:
  CWindow() = default;
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;
  // A window still open is first cut loose from the object (no message of it reaches the class being
  // destroyed) and then destroyed. A class that wants its own handlers to see the end destroys first.
  ~CWindow() override;

  // Registers the class (once per process) and creates the window; false when either fails.
  bool Create(const wchar_t* className, UINT classStyle, DWORD exStyle, DWORD style, const wchar_t* title,
              const RECT& rect, HWND parent = nullptr);
  void Destroy();
  HWND Handle() const { return m_hwnd; }

 protected:
  // The message switch of the derived class; DefaultProc for anything it does not handle. It must
  // not let an exception out (the procedure catches and answers 0). Notifications of children bound
  // to a CReflectionTarget reach those first.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hwnd = nullptr;
};

// A control that a template or CreateWindowExW made, subclassed: its messages reach HandleMessage
// first and then the control's own procedure. Attached until its window is destroyed.
class CControl : public CWindowObject {
 public:
  CControl() = default;
  CControl(const CControl&) = delete;
  CControl& operator=(const CControl&) = delete;
  ~CControl() override;

  // Subclasses the window; false for a null window or one already attached to an object.
  bool Attach(HWND control);
  // Attaches to a dialog's control by id.
  bool AttachItem(HWND dialog, int id) { return Attach(::GetDlgItem(dialog, id)); }
  // Creates a child control of a system class and attaches to it.
  bool Create(const wchar_t* className, DWORD style, DWORD exStyle, const RECT& rect, HWND parent, int id,
              const wchar_t* text = L"");
  // Puts the control's own procedure back; the window stays.
  void Detach();
  HWND Handle() const { return m_hwnd; }

 protected:
  // True when handled (`result` is the answer); false passes the message on to the control. It must
  // not let an exception out (the procedure catches and passes the message on).
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }
  // Once attached (by Attach or Create): a control with parts of its own attaches them here.
  virtual void OnAttached() {}
  LRESULT CallControl(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(m_base, m_hwnd, message, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hwnd = nullptr;
  WNDPROC m_base = nullptr;
};

// The width of one line of text in the DC's font (measured through DrawTextW, which the switching
// library carries on every Windows).
int TextWidth(HDC dc, const wchar_t* text, int length);

// The wait cursor for the life of the object; the previous cursor comes back at the end.
class CWaitCursor {
 public:
  CWaitCursor() : m_previous(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  ~CWaitCursor() { ::SetCursor(m_previous); }

 private:
  HCURSOR m_previous;
};

}  // namespace orvel::win
