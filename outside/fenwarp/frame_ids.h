// What the host's frame shows to the outside: its window class (the engine looks for it), the
// frame's own command ids (every other command id goes to the active plug-in), and the control
// ids of its toolbar and view bar.
#pragma once

#include <windows.h>

namespace orvel::fenwarp {

inline constexpr wchar_t kFrameClass[] = L"Orvel.Fenwarp6.FRAMEW.GLOBALCLASS";

inline constexpr UINT kCommandAbout = 0xE140;
inline constexpr UINT kCommandExit = 0xE141;
inline constexpr UINT kCommandHelp = 0xE146;

inline constexpr int kToolbarId = 0xE800;
inline constexpr int kViewBarId = 0xE801;

}  // namespace orvel::fenwarp
