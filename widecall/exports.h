// Helpers of the exported functions' ANSI paths.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cwchar>
#include <tuple>
#include <type_traits>

#include "ambrel_core.h"

// Every export is defined as Amb_<name>; the module-definition file gives it the system's name.
#define AMBREL_EXPORT(type) extern "C" type WINAPI

namespace ambrel {

// Calls an ANSI function that fills a buffer and returns the bytes written without the terminator,
// the size it needs when the buffer is too small, or 0 on failure. Answers as the wide function:
// the units written, or the units needed (terminator included) when the caller's buffer is short.
template <class Call>
DWORD SizedAnsiCall(wchar_t* out, DWORD size, Call call) {
  ScratchList list;
  DWORD bytes = static_cast<DWORD>(AnsiBytesFor(static_cast<int>(size > 0x10000 ? 0x10000 : size))) + 2;
  if (bytes < 520) bytes = 520;
  char* ansi = static_cast<char*>(list.Alloc(bytes));
  if (!ansi) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  DWORD result = call(ansi, bytes);
  if (result >= bytes) {
    bytes = result + 1;
    ansi = static_cast<char*>(list.Alloc(bytes));
    if (!ansi) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    result = call(ansi, bytes);
    if (result >= bytes) return 0;
  }
  if (result == 0) {
    if (out && size > 0) out[0] = 0;
    return 0;
  }
  int units = 0;
  wchar_t* wide = AnsiToWideDup(list, ansi, static_cast<int>(result), &units);
  if (!wide) return 0;
  if (!out || static_cast<DWORD>(units) + 1 > size) return units + 1;
  wmemcpy(out, wide, units);
  out[units] = 0;
  return units;
}

// The usual call of a text-reading function (it takes a buffer size and answers the bytes copied):
// an ANSI buffer that holds as many characters as the caller's, the answer the wide units copied
// back, the text cut to the caller's buffer and always terminated, as the wide function cuts it.
// An ANSI function that refuses a short buffer instead of cutting the text gets longer ones.
template <class Call>
int ReadText(wchar_t* out, int size, Call call) {
  if (size < 0) size = 0;  // a negative size names no buffer
  ScratchList list;
  AnsiOutBuffer buffer(list, out, size);
  constexpr int kLongest = 0x10000;
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    int bytes = call(buffer.ansi(), buffer.capacity());
    DWORD error = GetLastError();
    bool refused = bytes <= 0 && (error == ERROR_INSUFFICIENT_BUFFER || error == ERROR_MORE_DATA);
    if (!refused || buffer.capacity() >= kLongest || !buffer.Grow(buffer.capacity() * 4))
      return buffer.CopyBack(bytes > 0 ? bytes : 0);
  }
}

// The ANSI form of an input text, for the usual call.
inline const char* A(ScratchList& list, const wchar_t* text) { return WideToAnsiDup(list, text); }

// The parts of a system function's type, for the exports generated from the table's pair rows.
template <class Fn>
struct Signature;
template <class R, class... P>
struct Signature<R(WINAPI*)(P...)> {
  using Result = R;
  using Params = std::tuple<P...>;
};
template <auto F>
using ResultOf = typename Signature<decltype(F)>::Result;
template <auto F, std::size_t I>
using ParamOf = std::tuple_element_t<I, typename Signature<decltype(F)>::Params>;

// An argument on its way to the ANSI function: an input text in its ANSI form, anything else as it
// is. The two functions must differ in their input texts only.
template <class Ansi, class Wide>
Ansi AnsiArgument(ScratchList& list, Wide value) {
  if constexpr (std::is_same_v<Wide, const wchar_t*>) {
    static_assert(std::is_same_v<Ansi, const char*>, "an input text is an input text of the ANSI function");
    return A(list, value);
  } else {
    static_assert(std::is_same_v<Ansi, Wide>, "the two functions differ in their input texts only");
    return value;
  }
}

// A pair row's export: the wide function on NT, the ANSI function on 95/98/ME with the input texts
// converted and every other argument and the result passed as they are.
template <auto Wide, auto Ansi>
struct WideOrAnsi;
template <class R, class... W, R(WINAPI* Wide)(W...), class... An, R(WINAPI* Ansi)(An...)>
struct WideOrAnsi<Wide, Ansi> {
  static R Call(W... args) {
    if (!UseAnsi()) return Wide(args...);
    ScratchList list;
    return Ansi(AnsiArgument<An>(list, args)...);
  }
};

// A late-bound entry point as its own function type.
template <class Fn>
Fn ProcAs(FARPROC proc) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

// Copies a wide text into a caller's buffer of size units, terminated; false when it does not fit.
inline bool CopyWide(const wchar_t* text, int units, wchar_t* out, DWORD size) {
  if (!out || static_cast<DWORD>(units) + 1 > size) return false;
  wmemcpy(out, text, units);
  out[units] = 0;
  return true;
}

}  // namespace ambrel

namespace ambrel {

// Font descriptions between the two forms: the face name converted (32 characters, terminated),
// every other field copied.
void LogFontWToA(const LOGFONTW& wide, LOGFONTA& ansi);
void LogFontAToW(const LOGFONTA& ansi, LOGFONTW& wide);
// The character fields in the code page of the font they describe.
void TextMetricAToW(const TEXTMETRICA& ansi, TEXTMETRICW& wide, UINT codePage);

// The code page in which the ANSI GDI functions read character codes for the DC's current font:
// that of the font's character set (the ANSI code page when it has none of its own).
UINT FontCodePage(HDC dc);
// A character of a wide caller in that code page: one byte, or a lead and a trail byte in the
// high and low byte, as the ANSI GDI functions take it. '?' when it has no form there.
UINT AnsiCharCode(UINT codePage, UINT wide);
// The wide character of a character code of that form.
WCHAR WideCharOfCode(UINT codePage, UINT code);

}  // namespace ambrel
