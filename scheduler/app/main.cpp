// PLENAR.exe: the scheduler's main window and its message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "scheduler/app/control_ids.h"
#include "macro/app/recorder_window.h"
#include "scheduler/app/main_window.h"
#include "scheduler/app/text.h"

namespace {

// COM for the thread, for as long as the program runs: the library's classes are
// apartment-threaded and created on this thread.
class ComApartment {
public:
    ComApartment() : status_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(status_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT status_;
};

// Runs one window's messages until it goes away.
void runMessages(HWND window) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KEYDOWN && message.wParam == VK_F1 && window && IsWindow(window) &&
            (message.hwnd == window || IsChild(window, message.hwnd))) {
            SendMessageW(window, WM_COMMAND, tolvare::plenar::kCommandHelp, 0);
            continue;
        }
        // Tab and the mnemonics move between the controls as in a dialog, in whichever of the
        // program's windows is active (the main window, the recorder, the assistant).
        HWND active = GetActiveWindow();
        if (!active && window && IsWindow(window)) active = window;
        if (active && IsDialogMessageW(active, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    ComApartment apartment;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                       ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    // The command line names a macro to replay once; reopening the window from the
    // notification area is a plain start.
    std::wstring pending = commandLine ? commandLine : L"";
    // The recorder window outlives a main window closed and opened again from the icon, as a
    // replay or a capture in progress should.
    tolvare::macro::RecorderWindow recorder(instance, tolvare::plenar::programFolder());
    for (;;) {
        tolvare::plenar::MainWindow window(instance, recorder);
        if (!window.open(pending)) return 1;
        pending.clear();
        runMessages(window.window());
        if (!window.reopenRequested()) break;
    }
    return 0;
}
