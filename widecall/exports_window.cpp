// Window text and messages: subclassing, window procedures, window texts and sent messages.
#include "exports.h"
#include "window_text.h"

using namespace ambrel;

namespace {

// GWL_WNDPROC, which 64-bit headers do not define (the index exists on every system).
constexpr int kWindowProcedureIndex = -4;

WNDPROC AsProcedure(LONG value) { return reinterpret_cast<WNDPROC>(static_cast<LONG_PTR>(value)); }

}  // namespace

AMBREL_EXPORT(LONG) Amb_SetWindowLongW(HWND window, int index, LONG value) {
  if (!UseAnsi()) return SetWindowLongW(window, index, value);
  LONG previous = SetWindowLongA(window, index, value);
  if (index == kWindowProcedureIndex)
    Subclasses().ProcedureSet(window, AsProcedure(previous), AsProcedure(value));
  return previous;
}

AMBREL_EXPORT(LRESULT)
Amb_CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!UseAnsi()) return CallWindowProcW(procedure, window, message, wParam, lParam);
  // Only a subclassed system window's own base procedure reads its text in ANSI.
  if (message == WM_SETTEXT && procedure && Subclasses().BaseOf(window) == procedure) {
    ScratchList list;
    return CallWindowProcA(procedure, window, message, wParam,
                           reinterpret_cast<LPARAM>(A(list, reinterpret_cast<const wchar_t*>(lParam))));
  }
  return CallWindowProcA(procedure, window, message, wParam, lParam);
}

AMBREL_EXPORT(LRESULT) Amb_DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!UseAnsi()) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_SETTEXT) {
    ScratchList list;
    return DefWindowProcA(window, message, wParam,
                          reinterpret_cast<LPARAM>(A(list, reinterpret_cast<const wchar_t*>(lParam))));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

AMBREL_EXPORT(BOOL) Amb_SetWindowTextW(HWND window, LPCWSTR text) {
  if (!UseAnsi()) return SetWindowTextW(window, text);
  // A wide procedure gets the caller's text as it is; it converts when it passes it on.
  if (TakesWideText(window)) return SetWindowTextA(window, reinterpret_cast<LPCSTR>(text));
  ScratchList list;
  return SetWindowTextA(window, A(list, text));
}

// As SetWindowTextW on the item: a control with a wide procedure gets the caller's text as it is.
AMBREL_EXPORT(BOOL) Amb_SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  if (!UseAnsi()) return SetDlgItemTextW(dialog, id, text);
  HWND item = GetDlgItem(dialog, id);
  if (item && TakesWideText(item)) return SetDlgItemTextA(dialog, id, reinterpret_cast<LPCSTR>(text));
  ScratchList list;
  return SetDlgItemTextA(dialog, id, A(list, text));
}

AMBREL_EXPORT(int) Amb_GetWindowTextW(HWND window, LPWSTR buffer, int size) {
  if (!UseAnsi()) return GetWindowTextW(window, buffer, size);
  return ReadText(buffer, size, [&](char* ansi, int bytes) { return GetWindowTextA(window, ansi, bytes); });
}

AMBREL_EXPORT(UINT) Amb_GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int size) {
  if (!UseAnsi()) return GetDlgItemTextW(dialog, id, buffer, size);
  return ReadText(buffer, size, [&](char* ansi, int bytes) {
    return static_cast<int>(GetDlgItemTextA(dialog, id, ansi, bytes));
  });
}

AMBREL_EXPORT(int) Amb_GetClassNameW(HWND window, LPWSTR buffer, int size) {
  if (!UseAnsi()) return GetClassNameW(window, buffer, size);
  return ReadText(buffer, size, [&](char* ansi, int bytes) { return GetClassNameA(window, ansi, bytes); });
}

AMBREL_EXPORT(int) Amb_GetClipboardFormatNameW(UINT format, LPWSTR buffer, int size) {
  if (!UseAnsi()) return GetClipboardFormatNameW(format, buffer, size);
  return ReadText(buffer, size,
                  [&](char* ansi, int bytes) { return GetClipboardFormatNameA(format, ansi, bytes); });
}

AMBREL_EXPORT(LRESULT) Amb_SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!UseAnsi()) return SendMessageW(window, message, wParam, lParam);
  return TranslateSendMessage(window, message, wParam, lParam);
}

AMBREL_EXPORT(LRESULT)
Amb_SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!UseAnsi()) return SendDlgItemMessageW(dialog, id, message, wParam, lParam);
  return TranslateSendMessage(GetDlgItem(dialog, id), message, wParam, lParam);
}
