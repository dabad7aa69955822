// Starts PLENAR as the Start menu entry an installation made starts it, and checks that it runs
// from the installed folder: its main window appears showing the installed action list, and it
// ends cleanly on its quit command. Used by the installer test (test_installer.sh).
// usage: installed_plenar SHORTCUT.lnk EXPECTED_PROGRAM
// Exits with 0 when every check passed; prints what it saw either way.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "common/win32/testing/top_level_windows.h"
#include "common/win32/unique_handle.h"
#include "scheduler/app/control_ids.h"

namespace {

using namespace std::chrono_literals;
using tolvare::com_ptr;
using tolvare::unique_handle;
using tolvare::testing::findTopLevel;
using tolvare::testing::windowText;
namespace ids = tolvare::plenar;

std::string narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

bool fail(const std::string& message) {
    std::printf("FAILED: %s\n", message.c_str());
    return false;
}

// The actions of a list file: its non-empty lines.
int actionsIn(const std::wstring& listFile) {
    std::ifstream in(listFile.c_str());
    int count = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line != "\r") ++count;
    }
    return count;
}

struct Shortcut {
    std::wstring target, folder;
};

bool readShortcut(const std::wstring& path, Shortcut& shortcut) {
    com_ptr<IShellLinkW> link;
    com_ptr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return fail("cannot read the shortcut " + narrow(path));
    wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) ||
        FAILED(link->GetWorkingDirectory(folder, MAX_PATH)))
        return fail("the shortcut has no target or no working folder");
    shortcut = {target, folder};
    if (!shortcut.folder.empty() && shortcut.folder.back() == L'\\') shortcut.folder.pop_back();
    return true;
}

bool check(const std::wstring& shortcutPath, const std::wstring& expectedProgram) {
    Shortcut shortcut;
    if (!readShortcut(shortcutPath, shortcut)) return false;
    std::printf("shortcut: %s (in %s)\n", narrow(shortcut.target).c_str(), narrow(shortcut.folder).c_str());
    if (lstrcmpiW(shortcut.target.c_str(), expectedProgram.c_str()) != 0)
        return fail("the shortcut does not start " + narrow(expectedProgram));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring commandLine = L"\"" + shortcut.target + L"\"";
    if (!CreateProcessW(shortcut.target.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        shortcut.folder.c_str(), &startup, &started))
        return fail("PLENAR does not start (error " + std::to_string(GetLastError()) + ")");
    unique_handle process(started.hProcess), thread(started.hThread);
    // Whatever happens below, PLENAR does not outlive the check.
    struct Ender {
        HANDLE process;
        ~Ender() {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
        }
    } ender{process.get()};

    // A message box instead of the window (a missing library, unreadable settings) is a
    // failure, reported with its text rather than waited on.
    HWND main = nullptr;
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (!(main = findTopLevel(started.dwProcessId, ids::kMainWindowClass, {}, nullptr, true))) {
        if (HWND box = findTopLevel(started.dwProcessId, L"#32770", {}, nullptr, true))
            return fail("PLENAR shows a message: " + narrow(windowText(box)));
        if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return fail("PLENAR ended without a window");
        if (std::chrono::steady_clock::now() > end) return fail("no main window within a minute");
        std::this_thread::sleep_for(100ms);
    }
    const std::wstring caption = windowText(main);
    std::printf("main window: %s\n", narrow(caption).c_str());
    bool ok = true;
    if (caption != std::wstring(ids::kDesignCaption) + ids::kCaptionSuffix) ok = fail("unexpected caption");

    // The installed list is the one shown: one row per action and the blank row.
    DWORD_PTR rows = 0;
    SendMessageTimeoutW(GetDlgItem(main, ids::kTable), LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &rows);
    const int actions = actionsIn(shortcut.folder + L"\\lstplenar.txt");
    std::printf("table rows: %d (the installed list has %d actions)\n", static_cast<int>(rows), actions);
    if (static_cast<int>(rows) != actions + 1) ok = fail("the table does not show the installed list");

    PostMessageW(main, WM_COMMAND, ids::kMenuQuit, 0);
    if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) return fail("PLENAR does not end on its quit command");
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    std::printf("PLENAR ended with %lu\n", code);
    if (code != 0) ok = fail("PLENAR's exit code is not 0");
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::printf("usage: installed_plenar SHORTCUT.lnk EXPECTED_PROGRAM\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    const bool ok = check(argv[1], argv[2]);
    CoUninitialize();
    std::fflush(stdout);
    return ok ? 0 : 1;
}
