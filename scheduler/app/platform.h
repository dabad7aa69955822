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
// A signature is a few hundred bytes of base64; the validators a few lines.
inline constexpr std::uint64_t kMaxSignatureBytes = 64 * 1024;
inline constexpr std::uint64_t kMaxValidatorsBytes = 64 * 1024;

class FileListStore final : public scheduler::ListStore {
public:
    explicit FileListStore(std::wstring path) : path_(std::move(path)) {}
    scheduler::ListReading readList() override;

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
    scheduler::ActionResult startProgram(std::string_view commandLine) override;
    scheduler::ActionResult openAddress(std::string_view url) override;
    scheduler::ActionResult runMacro(std::string_view fileName) override;
    scheduler::ActionResult shareFolder(std::string_view folderPath) override;
    void passEnded() override {
        shares_.passEnded();
        macros_.passEnded();
    }

private:
    MacroHandOff& macros_;
    ShareAction shares_;
};

// Starts a command line (UTF-16) with the given show state: the new process's id, or nothing
// when it cannot be started (GetLastError says why). With `program`, that file is started and
// the command line is only its arguments' text; without, the platform's program search finds
// the program the command line names.
std::optional<DWORD> startCommandLine(std::wstring commandLine, WORD showWindow, const std::wstring& program = {});

// "erreur 2 : <the system's text for it>" (UTF-8), for the journal and messages.
std::string systemErrorNote(DWORD error);

// The start.exe of a Windows 95/98 system (full path), or nothing on any other system.
std::optional<std::wstring> windows9xStartProgram();

// Opens a web address: the Windows 95/98 start.exe with the address, or the shell's "open" verb.
// 0 when it was handed over, or the error that refused it.
DWORD openWebAddress(const std::wstring& url);

// Replaces the list file by a download from the address the settings show now, after deleting
// the cached copies of the list from the Internet cache. The download goes into a temporary
// file beside the list, which replaces the list only when the whole list arrived: a failed
// download, an error page, a transfer cut in any way the client can tell (see
// http_download.h) leave the old list as it was. http addresses go through PLENAR's own client
// within its limits (a minute, 32 MB); other schemes through the library's download.
// A list that arrives identical to the file is reported unchanged and the file is not touched.
class InternetListDownloader final : public scheduler::ListDownloader {
public:
    InternetListDownloader(std::wstring listPath, std::function<std::wstring()> currentUrl,
                           DownloadLimits limits = {})
        : listPath_(std::move(listPath)), currentUrl_(std::move(currentUrl)), limits_(limits) {}
    scheduler::ListDownload downloadList() override;

    // Deletes the cached copies; exposed for tests of the purge rule.
    void purgeCache();

private:
    // When param.ini holds a CLELISTE key: why the list's signature (downloaded from the
    // list's address with ".sig" after its path) does not prove it; nothing when it does, or
    // when there is no key.
    std::optional<std::string> signatureProblem(const std::wstring& url, const std::string& list);

    std::wstring listPath_;
    std::function<std::wstring()> currentUrl_;
    DownloadLimits limits_;
    bool downloading_ = false;
};

// Forgets what the last download said of the list (its validators): the list file no longer
// holds what was downloaded, so the next download must fetch it whole.
void forgetListValidators(const std::wstring& listPath);

// The whole of a file of at most `maxBytes`; nothing when it cannot be read (GetLastError says
// why; ERROR_FILE_TOO_LARGE for a larger file).
std::optional<std::string> readWholeFile(const std::wstring& path, std::uint64_t maxBytes);

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

// A value of param.ini, or `fallback` when the key is missing. Through the platform's profile
// functions for UTF-16 paths, so that a program folder of any name works (the library's profile
// members take ANSI paths); the file's content stays in the ANSI code page.
std::wstring readSettingValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                              const std::wstring& fallback);
// 0 when written, or the error that refused it.
DWORD writeSettingValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                        const std::wstring& value);

}  // namespace tolvare::plenar
