// window_gallery: shows PLENAR's five windows one after the other, each as a user sees it, so
// that tools/window-shots.sh can photograph them at any DPI. Before each picture it writes
// "<n>-<name>.ready" into the folder its command line names and waits (its windows alive) for
// "<n>.done" there, at most 30 seconds.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "macro/app/progress_window.h"
#include "macro/app/recorder_window.h"
#include "scheduler/app/action_assistant.h"
#include "scheduler/app/file_journal.h"
#include "scheduler/app/input_box.h"
#include "scheduler/app/main_window.h"
#include "scheduler/app/platform.h"
#include "scheduler/app/text.h"

namespace {

std::wstring handshakeFolder;
int pictureNumber = 0;

// Runs the thread's messages for `milliseconds`.
void pump(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// Lets the windows paint, asks for the picture and waits until it is taken.
void photograph(const wchar_t* name) {
    pump(700);
    const std::wstring number = std::to_wstring(++pictureNumber);
    const std::wstring ready = handshakeFolder + L"\\" + number + L"-" + name + L".ready";
    CloseHandle(CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::wstring done = handshakeFolder + L"\\" + number + L".done";
    for (int round = 0; round < 300 && GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++round)
        pump(100);
}

// The input box is modal: its picture is taken from a timer that runs inside the box's loop.
HWND boxOwner = nullptr;
void CALLBACK photographInputBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    photograph(L"input-box");
    HWND box = GetLastActivePopup(boxOwner);
    if (box && box != boxOwner) PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    handshakeFolder = commandLine ? commandLine : L".";
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                       ICC_STANDARD_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    const std::wstring folder = tolvare::plenar::programFolder();
    tolvare::plenar::SystemClock clock;
    tolvare::plenar::FileJournal journal(folder, clock);
    tolvare::macro::RecorderWindow recorder(instance, folder);
    {
        tolvare::plenar::MainWindow window(instance, recorder, journal);
        if (!window.open(L"")) return 1;
        photograph(L"main");

        recorder.show();
        photograph(L"recorder");
        recorder.close();

        tolvare::macro::ProgressWindow progress(instance);
        progress.create(true);
        progress.setValue(40);
        photograph(L"progress");
        progress.destroy();

        tolvare::plenar::ActionAssistant assistant(instance, clock, [](std::string, std::string) {});
        assistant.show(window.window());
        photograph(L"assistant");
        DestroyWindow(assistant.window());

        boxOwner = window.window();
        SetTimer(nullptr, 0, 200, photographInputBox);
        tolvare::plenar::inputBox(window.window(), L"Entrer la nouvelle action: ", L"MODIFICATION DE L'ACTION",
                                  L"C:\\Windows\\notepad.exe");
        DestroyWindow(window.window());
    }
    CoUninitialize();
    return 0;
}
