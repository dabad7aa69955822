#include "scheduler/app/macro_hand_off.h"

#include <algorithm>

#include "common/win32/message_wait.h"
#include "common/win32/unique_handle.h"
#include "macro/app/recorder_window.h"
#include "macro/app/macro_files.h"
#include "macro/core/macro.h"
#include "macro/core/macro_path.h"
#include "scheduler/app/platform.h"
#include "scheduler/app/text.h"

namespace tolvare::plenar {

MacroRun MacroHandOff::runMacroAction(std::string_view fileName) {
    const std::wstring name = fromAnsi(fileName);
    recorder_.show();
    const bool loaded = recorder_.loadMacro(L"PASSIF", name);
    recorder_.cmdResult_Click();
    wait(kMacroActionSeconds);
    recorder_.close();
    if (loaded) return {true, {}};
    std::wstring problem = macroFileProblem(macro::macroFilePath(recorder_.programFolder(), name));
    return {false, problem.empty() ? L"le fichier n'a pas pu être chargé" : problem};
}

CommandLineRun MacroHandOff::runCommandLineMacro(HWND owner, const std::wstring& programFolder,
                                                 const std::wstring& commandLine, long seconds) {
    const std::wstring name = commandLineMacroName(commandLine);
    const std::wstring path = macro::macroFilePath(programFolder, name);
    const std::wstring problem = macroFileProblem(path);
    if (!problem.empty() || !recorder_.loadMacro(L"PASSIF", name)) {
        MessageBoxW(owner, (problem.empty() ? L"Le fichier macro " + path + L" n'a pas pu être chargé." : problem).c_str(),
                    L"ERREUR", MB_OK);
        return CommandLineRun::Refused;
    }
    WindowsObject windows;
    if (FAILED(windows.wait(seconds))) waitWithMessages(seconds);
    return CommandLineRun::Replayed;
}

std::wstring macroFileProblem(const std::wstring& path) {
    if (!fileExists(path)) return L"Fichier macro " + path + L" inexistant.";
    const std::optional<std::string> bytes = macro::readFileBytes(path, macro::kMaxMacroFileBytes);
    if (!bytes) return L"Le fichier macro " + path + L" n'a pas pu être lu (" + fromUtf8(systemErrorNote(GetLastError())) + L").";
    std::size_t wrongLine = 0;
    if (!macro::parseMacroFile(*bytes, &wrongLine))
        return L"Le fichier " + path + L" n'est pas une macro complète : la ligne " + std::to_wstring(wrongLine) +
               L" n'est pas valable.";
    return {};
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
    // INFINITE itself is no limit: a longer wait is cut just short of it.
    const ULONGLONG milliseconds = seconds > 0 ? std::min<ULONGLONG>(ULONGLONG(seconds) * 1000, INFINITE - 1) : 0;
    tolvare::waitDispatchingMessages(nullptr, static_cast<DWORD>(milliseconds));
}

}  // namespace tolvare::plenar
