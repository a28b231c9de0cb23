#include "support/win/dialog.h"

#include "support/win/wide.h"

namespace orvel::win {

// The 95/98/ME family has the modal dialog function in its ANSI form only, so the wide one is
// found at run time elsewhere; the template is a resource number either way.
INT_PTR CDialog::RunDialogBox(HINSTANCE module, UINT templateId, HWND parent, LPARAM param) {
  if (::GetVersion() & 0x80000000) {
    return ::DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), parent, &CDialog::Procedure, param);
  }
  using Fn = INT_PTR(WINAPI*)(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM);
  static const auto wide = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "DialogBoxParamW")));
  if (!wide) return -1;
  return wide(module, MAKEINTRESOURCEW(templateId), parent, &CDialog::Procedure, param);
}

CDialog::~CDialog() {
  HWND hwnd = m_hwnd;
  if (!hwnd) return;
  ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
  Unbind(hwnd);
  m_hwnd = nullptr;
  if (!m_modal) ::DestroyWindow(hwnd);
}

INT_PTR CDialog::DoModal(HWND parent) {
  CModalStack& stack = CModalStack::Current();
  size_t index = stack.Push(CModalStack::Kind::Dialog, nullptr);
  m_modal = true;
  m_stackIndex = index;
  INT_PTR result = RunDialogBox(m_module, m_templateId, parent, reinterpret_cast<LPARAM>(this));
  stack.Pop(index);
  m_modal = false;
  return result;
}

bool CDialog::Create(HWND parent) {
  if (m_hwnd) return false;
  m_modal = false;
  // From the template itself: the system makes a modeless dialog from a resource name only in its
  // ANSI form on the 95/98/ME family, while the template's own function has both.
  HRSRC resource =
      ::FindResourceA(m_module, MAKEINTRESOURCEA(m_templateId), MAKEINTRESOURCEA(5));  // RT_DIALOG
  HGLOBAL loaded = resource ? ::LoadResource(m_module, resource) : nullptr;
  auto* dialogTemplate = loaded ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
  if (!dialogTemplate) return false;
  return ::CreateDialogIndirectParamW(m_module, dialogTemplate, parent, &CDialog::Procedure,
                                      reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::DestroyWindow() {
  if (m_hwnd) ::DestroyWindow(m_hwnd);
}

void CDialog::EndDialog(INT_PTR result) {
  if (!m_hwnd) return;
  if (m_modal) {
    ::EndDialog(m_hwnd, result);
  } else {
    DestroyWindow();
  }
}

std::u16string CDialog::ItemText(int id) const {
  HWND item = Item(id);
  int length = item ? ::GetWindowTextLengthW(item) : 0;
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(item, text.data(), length + 1)));
  return FromWide(text);
}

void CDialog::SetItemText(int id, std::u16string_view text) const {
  ::SetDlgItemTextW(m_hwnd, id, AsWide(text).c_str());
}

INT_PTR CALLBACK CDialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->m_hwnd = hwnd;
    self->Bind(hwnd);
    if (self->m_modal) CModalStack::Current().SetWindow(self->m_stackIndex, hwnd);
  } else {
    self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  CHold hold(*self);
  INT_PTR handled = FALSE;
  try {
    handled = self->Dispatch(message, wParam, lParam);
  } catch (...) {
    handled = FALSE;
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    Unbind(hwnd);
    self->m_hwnd = nullptr;
    self->MarkWindowGone();
  }
  return handled;  // the hold ends last: the final message may delete the object
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog();
  LRESULT result = 0;
  if (ReflectToChild(message, wParam, lParam, result)) {
    SetResult(result);
    return TRUE;
  }
  if (HandleMessage(message, wParam, lParam)) return TRUE;
  switch (message) {
    case WM_COMMAND: {
      WORD id = LOWORD(wParam);
      if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
      if (m_modal && (id == IDOK || id == IDCANCEL)) {
        EndDialog(id);
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY:
      if (!OnNotify(reinterpret_cast<NMHDR*>(lParam), result)) return FALSE;
      SetResult(result);
      return TRUE;
    case WM_TIMER:
      OnTimer(wParam);
      return TRUE;
    case WM_DESTROY:
      OnBeforeDestroy();
      return FALSE;
    default:
      return FALSE;
  }
}

namespace {

// Each thread that runs dialogs has a stack of its own. Only a plain pointer is thread-local: a
// thread-local object with a destructor was seen to hang the process's exit after a worker thread
// had shown a dialog, so the stack is made on first use and deleted when it empties.
thread_local CModalStack* t_stack = nullptr;

}  // namespace

CModalStack& CModalStack::Current() {
  if (!t_stack) t_stack = new CModalStack;
  return *t_stack;
}

CModalStack* CModalStack::Find() { return t_stack; }

size_t CModalStack::Push(Kind kind, std::function<void(INT_PTR)> end) {
  m_entries.push_back({kind, nullptr, std::move(end)});
  return m_entries.size() - 1;
}

void CModalStack::SetWindow(size_t index, HWND window) {
  if (index < m_entries.size()) m_entries[index].window = window;
}

void CModalStack::SetEnd(size_t index, std::function<void(INT_PTR)> end) {
  if (index < m_entries.size()) m_entries[index].end = std::move(end);
}

const CModalStack::Entry* CModalStack::At(size_t index) const {
  return index < m_entries.size() ? &m_entries[index] : nullptr;
}

void CModalStack::Pop(size_t index) {
  if (index < m_entries.size()) m_entries.resize(index);
  if (m_entries.empty() && t_stack == this) {
    t_stack = nullptr;
    delete this;
  }
}

void CModalStack::EndAll(INT_PTR result) {
  // Copies: ending one may run code that changes the stack.
  std::vector<Entry> entries = m_entries;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    switch (it->kind) {
      case Kind::Dialog:
        if (it->window) ::EndDialog(it->window, result);
        break;
      case Kind::CommonDialog:
        if (it->window) ::PostMessageW(it->window, WM_COMMAND, IDCANCEL, 0);
        break;
      case Kind::Other:
        if (it->end) it->end(result);
        break;
    }
  }
}

INT_PTR RunModalWindow(const std::function<INT_PTR()>& run, std::function<void(INT_PTR)> end) {
  CModalStack& stack = CModalStack::Current();
  size_t index = stack.Push(CModalStack::Kind::Other, std::move(end));
  INT_PTR result = -1;
  try {
    result = run();
  } catch (...) {
    stack.Pop(index);
    throw;
  }
  stack.Pop(index);
  return result;
}

namespace {

// The common dialog being made on this thread: its hook binds the run to the dialog's window when
// the first WM_INITDIALOG arrives; a property then finds it for the later messages.
struct CommonDialogRun {
  size_t index;
  const CommonDialogHandler& handler;
};
thread_local CommonDialogRun* t_commonRun = nullptr;
constexpr wchar_t kCommonDialogProperty[] = L"Orvel.CommonDialog";

UINT_PTR CALLBACK WatchCommonDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* run = static_cast<CommonDialogRun*>(::GetPropW(window, kCommonDialogProperty));
  if (!run && message == WM_INITDIALOG && t_commonRun) {
    run = t_commonRun;
    t_commonRun = nullptr;
    ::SetPropW(window, kCommonDialogProperty, static_cast<HANDLE>(run));
    // An Explorer-style file dialog hooks a child of the visible dialog.
    HWND dialog = (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) ? ::GetParent(window) : window;
    CModalStack::Current().SetWindow(run->index, dialog);
  }
  if (!run) return 0;
  UINT_PTR result = run->handler ? run->handler(window, message, wParam, lParam) : 0;
  if (message == WM_DESTROY) ::RemovePropW(window, kCommonDialogProperty);
  return result;
}

}  // namespace

BOOL RunCommonDialog(const std::function<BOOL(CommonDialogHook hook)>& show, CommonDialogHandler handler) {
  CModalStack& stack = CModalStack::Current();
  size_t index = stack.Push(CModalStack::Kind::CommonDialog, nullptr);
  CommonDialogRun run{index, handler};
  CommonDialogRun* previous = t_commonRun;
  t_commonRun = &run;
  BOOL result = FALSE;
  try {
    result = show(&WatchCommonDialog);
  } catch (...) {
    t_commonRun = previous;
    CModalStack::Current().Pop(index);
    throw;
  }
  t_commonRun = previous;
  CModalStack::Current().Pop(index);
  return result;
}

namespace {

// The message box being made on this thread: a hook learns its window when it is activated.
thread_local HHOOK t_boxHook = nullptr;
thread_local size_t t_boxIndex = 0;
thread_local bool t_boxSeen = false;

LRESULT CALLBACK WatchMessageBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && !t_boxSeen) {
    t_boxSeen = true;
    CModalStack::Current().SetWindow(t_boxIndex, reinterpret_cast<HWND>(wParam));
  }
  return ::CallNextHookEx(t_boxHook, code, wParam, lParam);
}

}  // namespace

int MessageBoxModal(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type) {
  CModalStack& stack = CModalStack::Current();
  size_t index = stack.Push(CModalStack::Kind::Other, nullptr);
  UINT buttons = type & MB_TYPEMASK;
  // Without a Cancel button the box ends with its "no" or only answer.
  INT_PTR early = (buttons == MB_OK) ? IDOK : (buttons == MB_YESNO) ? IDNO : IDCANCEL;
  stack.SetEnd(index, [index, early](INT_PTR) {
    const CModalStack::Entry* entry = CModalStack::Current().At(index);
    if (entry && entry->window) ::EndDialog(entry->window, early);
  });
  HHOOK previousHook = t_boxHook;
  size_t previousIndex = t_boxIndex;
  bool previousSeen = t_boxSeen;
  t_boxIndex = index;
  t_boxSeen = false;
  t_boxHook = ::SetWindowsHookExW(WH_CBT, &WatchMessageBox, nullptr, ::GetCurrentThreadId());
  int answer = ::MessageBoxW(owner, AsWide(text).c_str(), AsWide(caption).c_str(), type);
  if (t_boxHook) ::UnhookWindowsHookEx(t_boxHook);
  t_boxHook = previousHook;
  t_boxIndex = previousIndex;
  t_boxSeen = previousSeen;
  CModalStack::Current().Pop(index);
  return answer;
}

}  // namespace orvel::win
