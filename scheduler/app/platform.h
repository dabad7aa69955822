// The scheduler model's interfaces on Windows: the clock, the list file, the actions and the
// list download.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "scheduler/app/http_download.h"
#include "scheduler/app/macro_hand_off.h"
#include "scheduler/app/share_action.h"
#include "scheduler/app/text.h"
#include "scheduler/core/scheduler.h"

namespace tolvare::plenar {

// The user's clock. A test can set the time of day that PLENAR's clock shows when the process
// starts, through the environment variable PLENAR_CLOCK ("HH:MM:SS"): the clock then runs on
// from there at the real pace for the life of the process, so that a test reaches a row's
// minute in seconds instead of waiting for it on the wall clock.
class SystemClock final : public scheduler::Clock {
public:
    scheduler::LocalDateTime localNow() const override;
    std::int64_t monotonicSeconds() const override;
};

// Reads the whole list file. Larger files than this are refused as unreadable: the pass runs
// on the window's thread every few seconds, and a list is some kilobytes.
inline constexpr std::uint64_t kMaxListFileBytes = 32ull * 1024 * 1024;

class FileListStore final : public scheduler::ListStore {
public:
    explicit FileListStore(std::wstring path) : path_(std::move(path)) {}
    std::optional<std::string> readList() override;

private:
    std::wstring path_;
};

// Program actions start in a normal window with focus. Addresses open through the start.exe of
// the Windows folder (or its command folder) on Windows 95/98, minimised with focus, and through
// the shell's "open" verb everywhere else; never through a start.exe of the current folder or
// the search path.
// Macro actions go to the recorder window through the hand-off; share actions to the library's
// share members (share_action.h), counted per pass.
class ShellActionRunner final : public scheduler::ActionRunner {
public:
    explicit ShellActionRunner(MacroHandOff& macros) : macros_(macros) {}
    void startProgram(std::string_view commandLine) override;
    void openAddress(std::string_view url) override;
    void runMacro(std::string_view fileName) override { macros_.runMacroAction(fileName); }
    void shareFolder(std::string_view folderPath) override { shares_.run(fromAnsi(folderPath)); }
    void passEnded() override {
        shares_.passEnded();
        macros_.passEnded();
    }

private:
    MacroHandOff& macros_;
    ShareAction shares_;
};

// Starts a command line (UTF-16) with the given show state; false when it cannot be started.
// With `program`, that file is started and the command line is only its arguments' text;
// without, the platform's program search finds the program the command line names.
bool startCommandLine(std::wstring commandLine, WORD showWindow, const std::wstring& program = {});

// The start.exe of a Windows 95/98 system (full path), or nothing on any other system.
std::optional<std::wstring> windows9xStartProgram();

// Opens a web address: the Windows 95/98 start.exe with the address, or the shell's "open" verb.
void openWebAddress(const std::wstring& url);

// Replaces the list file by a download from the address the settings show now, after deleting
// the cached copies of the list from the Internet cache. The download goes into a temporary
// file beside the list, which replaces the list only when the whole list arrived: a failed
// download, an error page, a transfer cut in any way the client can tell (see
// http_download.h) leave the old list as it was. http addresses go through PLENAR's own client
// within its limits (a minute, 32 MB); other schemes through the library's download.
class InternetListDownloader final : public scheduler::ListDownloader {
public:
    InternetListDownloader(std::wstring listPath, std::function<std::wstring()> currentUrl,
                           DownloadLimits limits = {})
        : listPath_(std::move(listPath)), currentUrl_(std::move(currentUrl)), limits_(limits) {}
    void downloadList() override;

    // Deletes the cached copies; exposed for tests of the purge rule.
    void purgeCache();

private:
    std::wstring listPath_;
    std::function<std::wstring()> currentUrl_;
    DownloadLimits limits_;
    bool downloading_ = false;
};

// Writes `bytes` to a temporary file in the folder of `path` and moves it over `path` in one
// step, so that a failure leaves the old file whole. False on any failure (the temporary file
// is removed).
bool replaceFileAtomically(const std::wstring& path, std::string_view bytes);

// Removes the temporary files that an earlier run of the program left in `folder` (a crash
// between writing one and moving it over the list); files still open elsewhere stay.
void removeLeftoverTemporaryFiles(const std::wstring& folder);

// The form of a full path that the file functions accept past the path limit ("\\?\"); the
// path itself below it.
std::wstring extendedPath(const std::wstring& path);

// The folder part of a path, without a trailing backslash.
std::wstring folderOf(const std::wstring& path);

bool fileExists(const std::wstring& path);

}  // namespace tolvare::plenar
