#include "common/win32/message_wait.h"

namespace tolvare {

namespace {

// False when a quit request was among the messages (posted again for the program's loop).
bool dispatchPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

}  // namespace

WaitEnd waitDispatchingMessages(HANDLE handle, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + (timeoutMs == INFINITE ? 0 : timeoutMs);
    for (;;) {
        const bool quit = !dispatchPendingMessages();
        // A handle signalled wins over a quit in the same round: what was waited for is done,
        // and the quit stays posted for the program's loop.
        if (handle && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) return WaitEnd::Signalled;
        if (quit) return WaitEnd::Quit;
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            if (now >= end) return WaitEnd::TimedOut;
            left = static_cast<DWORD>(end - now);
        }
        // MWMO_INPUTAVAILABLE: messages already in the queue but seen by an earlier peek wake
        // the wait too, so nothing waits behind it.
        const DWORD woke = MsgWaitForMultipleObjectsEx(handle ? 1 : 0, handle ? &handle : nullptr, left, QS_ALLINPUT,
                                                       MWMO_INPUTAVAILABLE);
        if (woke == WAIT_FAILED) return WaitEnd::Failed;
    }
}

}  // namespace tolvare
