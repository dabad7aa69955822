// The library's one way of starting a command line, shared by every member that starts a
// program: ExecuteFichier, LancerActiverApplication, Extinction_Ordinateur, the control-panel
// launchers, the devices class.
#pragma once

#include <windows.h>

#include <string_view>

namespace korvel {

// Show states a started program receives.
inline constexpr WORD kMinimisedWithFocus = SW_SHOWMINIMIZED;  // 2, unless a member names another
inline constexpr WORD kNormalWithFocus = SW_SHOWNORMAL;        // 1

// Starts `ansiCommandLine` (system ANSI code page) as one string, the program named first in
// it found by the platform's search (the caller's program folder first), shown with `showState`;
// does not wait for it. Throws RuntimeError(kFileNotFound) when it cannot be started.
void startCommandLine(std::string_view ansiCommandLine, WORD showState = kMinimisedWithFocus);

// Starts a command line whose program is one of the system's own (rundll32, sndvol32) by that
// program's full path: the system folder's copy, else the Windows folder's. The platform's search
// would take a copy in the calling program's folder or the current folder first, where anyone
// who can write there could plant one.
void startSystemProgram(std::string_view ansiCommandLine, WORD showState = kMinimisedWithFocus);

}  // namespace korvel
