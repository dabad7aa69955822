#include "scheduler/app/macro_hand_off.h"

#include "common/win32/unique_handle.h"
#include "macro/app/recorder_window.h"
#include "macro/core/macro_path.h"
#include "scheduler/app/platform.h"
#include "scheduler/app/text.h"

namespace tolvare::plenar {

void MacroHandOff::runMacroAction(std::string_view fileName) {
    recorder_.show();
    recorder_.loadMacro(L"PASSIF", fromAnsi(fileName));
    recorder_.cmdResult_Click();
    wait(kMacroActionSeconds);
    recorder_.close();
}

bool MacroHandOff::runCommandLineMacro(HWND owner, const std::wstring& programFolder,
                                       const std::wstring& commandLine, long seconds) {
    const std::wstring name = commandLineMacroName(commandLine);
    const std::wstring path = macro::macroFilePath(programFolder, name);
    if (!fileExists(path)) {
        MessageBoxW(owner, (L"Fichier macro " + path + L" inexistant.").c_str(), L"ERREUR", MB_OK);
        return false;
    }
    recorder_.loadMacro(L"PASSIF", name);
    WindowsObject windows;
    if (FAILED(windows.wait(seconds))) waitWithMessages(seconds);
    return true;
}

void MacroHandOff::wait(long seconds) {
    if (!windows_) windows_.emplace();
    if (FAILED(windows_->wait(seconds))) waitWithMessages(seconds);
}

std::wstring commandLineMacroName(std::wstring_view commandLine) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (!commandLine.empty() && blank(commandLine.front())) commandLine.remove_prefix(1);
    while (!commandLine.empty() && blank(commandLine.back())) commandLine.remove_suffix(1);
    if (commandLine.size() >= 2 && commandLine.front() == L'"' && commandLine.back() == L'"')
        commandLine = commandLine.substr(1, commandLine.size() - 2);
    return std::wstring(commandLine);
}

void waitWithMessages(long seconds) {
    const ULONGLONG end = GetTickCount64() + (seconds > 0 ? static_cast<ULONGLONG>(seconds) * 1000 : 0);
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The program is ending: its own loop must see the quit too.
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

}  // namespace tolvare::plenar
