// PLENAR.exe: the scheduler's main window and its message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "scheduler/app/control_ids.h"
#include "macro/app/recorder_window.h"
#include "scheduler/app/file_journal.h"
#include "scheduler/app/macro_hand_off.h"
#include "scheduler/app/main_window.h"
#include "scheduler/app/platform.h"
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

// What `PLENAR.exe /?` shows: for the people who drive PLENAR from another program.
constexpr wchar_t kUsage[] =
    L"Utilisation\u00a0: PLENAR.exe [fichier macro]\n\n"
    L"PLENAR.exe\n    ouvre la fenêtre\u00a0; le gestionnaire attend la commande GO.\n\n"
    L"PLENAR.exe Macro_01.txt\n    rejoue la macro (un fichier du dossier de PLENAR, ou un chemin complet entre "
    L"guillemets s'il contient des espaces) pendant DUREEMACRO secondes, puis PLENAR se termine.\n\n"
    L"PLENAR.exe /?   (ou -h, --help)\n    affiche cette aide.\n\n"
    L"Codes de sortie\u00a0:\n    0\u00a0: la macro a été rejouée (ou la fenêtre a été fermée)\n"
    L"    1\u00a0: le fichier macro est absent, illisible ou n'est pas une macro complète";

bool asksForUsage(const std::wstring& commandLine) {
    const std::wstring name = tolvare::plenar::commandLineMacroName(commandLine);
    return name == L"/?" || name == L"-h" || name == L"--help" || name == L"-?" || name == L"/h";
}

// Runs one window's messages until it goes away; the code the quit message carries.
int runMessages(HWND window) {
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
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
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
    if (asksForUsage(pending)) {
        MessageBoxW(nullptr, kUsage, L"PLENAR", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    const std::wstring folder = tolvare::plenar::programFolder();
    tolvare::plenar::SystemClock clock;
    tolvare::plenar::FileJournal journal(folder, clock);
    std::string started = "version " PLENAR_VERSION_TEXT ", dossier " + tolvare::plenar::toUtf8(folder);
    if (!pending.empty()) started += ", ligne de commande : " + tolvare::plenar::toUtf8(pending);
    journal.record(tolvare::scheduler::journal_event::kProgramStarted, {}, started);
    // The recorder window outlives a main window closed and opened again from the icon, as a
    // replay or a capture in progress should.
    tolvare::macro::RecorderWindow recorder(instance, folder);
    int exitCode = 0;
    for (;;) {
        tolvare::plenar::MainWindow window(instance, recorder, journal);
        if (!window.open(pending)) {
            exitCode = 1;
            break;
        }
        pending.clear();
        const int quitCode = runMessages(window.window());
        exitCode = window.exitCode() ? window.exitCode() : quitCode;
        if (!window.reopenRequested()) break;
    }
    journal.record(tolvare::scheduler::journal_event::kProgramEnded, {}, "code de sortie " + std::to_string(exitCode));
    return exitCode;
}
