// The one way both programs wait while their windows stay alive: the calling thread's messages
// are dispatched as a modal loop dispatches them, and a quit request ends the wait.
#pragma once

#include <windows.h>

namespace tolvare {

enum class WaitEnd { Signalled, TimedOut, Quit, Failed };

// Waits until `handle` is signalled (none: for the time alone) or `timeoutMs` have passed
// (INFINITE: no limit), dispatching the thread's messages meanwhile: those waiting when it
// starts, and those of the last round too, so that a wait of no time still lets the windows run
// once. A WM_QUIT ends the wait at once (Quit, unless the handle is signalled by then), and is
// posted again with its exit code, so that the program's own message loop still ends: the one
// rule for every wait.
WaitEnd waitDispatchingMessages(HANDLE handle, DWORD timeoutMs);

}  // namespace tolvare
