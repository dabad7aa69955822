#include "scheduler/app/platform.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "common/win32/unique_handle.h"
#include "scheduler/app/korvel_client.h"
#include "scheduler/app/text.h"
#include "scheduler/core/action.h"

namespace tolvare::plenar {

namespace {

constexpr long kInternetCacheFolder = 32;  // CSIDL_INTERNET_CACHE
constexpr short kNamePart = 4;
constexpr short kExtensionPart = 8;

// Temporary files are named ~PLNxxxx.tmp (four hex digits): no longer than the list's own name,
// so that any folder that can hold the list can hold them (the platform's temporary-name
// service refuses folders within 14 characters of the path limit), and recognisable, so that
// what a crash left between writing and moving is removed at the next start.
constexpr wchar_t kTemporaryPrefix[] = L"~PLN";
constexpr wchar_t kTemporarySuffix[] = L".tmp";
constexpr std::size_t kTemporaryNameLength = 12;

bool isTemporaryName(std::wstring_view name) {
    if (name.size() != kTemporaryNameLength) return false;
    if (CompareStringOrdinal(name.data(), 4, kTemporaryPrefix, 4, TRUE) != CSTR_EQUAL) return false;
    if (CompareStringOrdinal(name.data() + 8, 4, kTemporarySuffix, 4, TRUE) != CSTR_EQUAL) return false;
    return std::all_of(name.begin() + 4, name.begin() + 8, [](wchar_t c) { return iswxdigit(c) != 0; });
}

// A new temporary file in `folder`, created empty so that its name is ours.
std::optional<std::wstring> reserveTemporaryFile(const std::wstring& folder) {
    static unsigned serial = GetCurrentProcessId() * 7919u + GetTickCount();
    for (int attempt = 0; attempt < 64; ++attempt) {
        wchar_t digits[8];
        swprintf(digits, 8, L"%04X", (serial++) & 0xFFFFu);
        const std::wstring name = folder + L"\\" + kTemporaryPrefix + digits + kTemporarySuffix;
        unique_hfile file(CreateFileW(extendedPath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return name;
        // Taken: try the next name; any other failure (no folder, no right to write) is final.
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return std::nullopt;
    }
    return std::nullopt;
}

bool moveOver(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(extendedPath(from).c_str(), extendedPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void removeFile(const std::wstring& path) {
    DeleteFileW(extendedPath(path).c_str());
}

// Seconds between the clock PLENAR_CLOCK asks for and the user's clock, fixed when the process
// first reads the time: a window opened again later keeps the same clock.
std::int64_t clockShift() {
    static const std::int64_t shift = [] {
        wchar_t value[16] = {};
        const DWORD length = GetEnvironmentVariableW(L"PLENAR_CLOCK", value, 16);
        if (length == 0 || length >= 16) return std::int64_t{0};
        std::string text;
        for (DWORD i = 0; i < length; ++i) {
            if (value[i] > 0x7F) return std::int64_t{0};
            text.push_back(static_cast<char>(value[i]));
        }
        const std::optional<int> wanted = scheduler::parseClockTime(text);
        if (!wanted) return std::int64_t{0};
        SYSTEMTIME now;
        GetLocalTime(&now);
        return std::int64_t{*wanted} - ((now.wHour * 60 + now.wMinute) * 60 + now.wSecond);
    }();
    return shift;
}

}  // namespace

scheduler::LocalDateTime SystemClock::localNow() const {
    const std::int64_t shift = clockShift();
    SYSTEMTIME now;
    GetLocalTime(&now);
    const scheduler::LocalDateTime user{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    return shift == 0 ? user : scheduler::addSeconds(user, shift);
}

std::int64_t SystemClock::monotonicSeconds() const {
    return static_cast<std::int64_t>(GetTickCount64() / 1000);
}

std::optional<std::string> FileListStore::readList() {
    // Sharing for reading only: a list being written by another program is locked and is not
    // read half-way.
    unique_hfile file(CreateFileW(extendedPath(path_).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > kMaxListFileBytes)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read,
                      nullptr))
            return std::nullopt;
        if (read == 0) break;  // the file shrank meanwhile: take what there is
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

bool startCommandLine(std::wstring commandLine, WORD showWindow, const std::wstring& program) {
    if (commandLine.empty()) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showWindow;
    PROCESS_INFORMATION process{};
    // CreateProcessW may write into the command line it is given.
    commandLine.push_back(L'\0');
    if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), commandLine.data(), nullptr,
                        nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    unique_handle processHandle(process.hProcess);
    unique_handle threadHandle(process.hThread);
    return true;
}

std::optional<std::wstring> windows9xStartProgram() {
    // start.exe belongs to Windows 95/98 only; anywhere else a file of that name is whatever
    // someone put on the search path, and it must not receive the addresses.
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS)
        return std::nullopt;
    std::vector<wchar_t> folder(MAX_PATH);
    const UINT length = GetWindowsDirectoryW(folder.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    const std::wstring windows(folder.data(), length);
    for (const wchar_t* place : {L"\\start.exe", L"\\command\\start.exe"}) {
        const std::wstring candidate = windows + place;
        if (fileExists(candidate)) return candidate;
    }
    return std::nullopt;
}

void openWebAddress(const std::wstring& url) {
    if (const std::optional<std::wstring> start = windows9xStartProgram()) {
        if (startCommandLine(L"\"" + *start + L"\" " + url, SW_SHOWMINIMIZED, *start)) return;
    }
    // The shell's own verb opens the address with the associated browser. No error dialog:
    // actions are fire and forget.
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = url.c_str();
    info.nShow = SW_SHOWMINIMIZED;
    ShellExecuteExW(&info);
}

void ShellActionRunner::startProgram(std::string_view commandLine) {
    startCommandLine(fromAnsi(commandLine), SW_SHOWNORMAL);
}

void ShellActionRunner::openAddress(std::string_view url) {
    openWebAddress(fromAnsi(url));
}

void InternetListDownloader::purgeCache() {
    WindowsObject windows;
    if (FAILED(windows.status())) return;
    std::wstring cacheFolder;
    if (FAILED(windows.specialFolder(kInternetCacheFolder, cacheFolder)) || cacheFolder.empty())
        return;
    // The library's folders end with a backslash; the root is named without a doubled one.
    while (!cacheFolder.empty() && cacheFolder.back() == L'\\') cacheFolder.pop_back();
    const std::wstring root = cacheFolder + L"\\Content.IE5";

    std::wstring listName;
    std::wstring listExtension;
    if (FAILED(windows.fileNamePart(listPath_, kNamePart, listName)) ||
        FAILED(windows.fileNamePart(listPath_, kExtensionPart, listExtension)))
        return;
    const std::wstring listNameUpper = upperCase(listName);

    WIN32_FIND_DATAW found;
    // A root that does not exist (a platform without this cache layout) has nothing to purge.
    std::vector<std::wstring> folders;
    {
        unique_hfind search(FindFirstFileExW((root + L"\\*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchLimitToDirectories, nullptr, 0));
        if (!search) return;
        do {
            const std::wstring name = found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
                folders.push_back(root + L"\\" + name);
        } while (FindNextFileW(search.get(), &found));
    }
    for (const std::wstring& folder : folders) {
        unique_hfind search(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0));
        if (!search) continue;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::wstring name = found.cFileName;
            std::wstring fileName;
            std::wstring fileExtension;
            if (FAILED(windows.fileNamePart(name, kNamePart, fileName)) ||
                FAILED(windows.fileNamePart(name, kExtensionPart, fileExtension)))
                continue;
            if (upperCase(fileName).find(listNameUpper) == std::wstring::npos ||
                upperCase(fileExtension).find(listExtension) == std::wstring::npos)
                continue;
            const std::wstring path = folder + L"\\" + name;
            // Read-only copies go too.
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        } while (FindNextFileW(search.get(), &found));
    }
}

void InternetListDownloader::downloadList() {
    // The download dispatches window messages while it waits: a menu command can ask for a
    // second download meanwhile, which has nothing to add to the first.
    if (downloading_) return;
    downloading_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{downloading_};

    purgeCache();
    const std::optional<std::wstring> temporary = reserveTemporaryFile(folderOf(listPath_));
    if (!temporary) return;
    const std::wstring url = currentUrl_();
    const DownloadResult result = downloadToFile(url, extendedPath(*temporary), limits_);
    bool whole = result.outcome == DownloadOutcome::Complete;
    if (result.outcome == DownloadOutcome::UnsupportedScheme) {
        // https and the other schemes the platform knows go through the library's download,
        // which judges the answer by its status and announced length.
        InternetObject internet;
        internet.downloadFile(url, *temporary, whole);
    }
    if (!whole || !moveOver(*temporary, listPath_)) removeFile(*temporary);
}

bool replaceFileAtomically(const std::wstring& path, std::string_view bytes) {
    const std::optional<std::wstring> temporary = reserveTemporaryFile(folderOf(path));
    if (!temporary) return false;
    bool written = false;
    {
        unique_hfile file(CreateFileW(extendedPath(*temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            written = true;
            std::size_t done = 0;
            while (written && done < bytes.size()) {
                const DWORD chunk = static_cast<DWORD>(
                    std::min<std::size_t>(bytes.size() - done, 1u << 20));
                DWORD wrote = 0;
                written = WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) &&
                          wrote == chunk;
                done += wrote;
            }
            written = written && FlushFileBuffers(file.get());
        }
    }
    if (written && moveOver(*temporary, path)) return true;
    removeFile(*temporary);
    return false;
}

void removeLeftoverTemporaryFiles(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    unique_hfind search(FindFirstFileExW(extendedPath(folder + L"\\~PLN*.tmp").c_str(), FindExInfoBasic,
                                         &found, FindExSearchNameMatch, nullptr, 0));
    if (!search) return;
    std::vector<std::wstring> leftovers;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && isTemporaryName(found.cFileName))
            leftovers.push_back(folder + L"\\" + found.cFileName);
    } while (FindNextFileW(search.get(), &found));
    // A file another PLENAR of this folder is still writing is open without sharing, and stays.
    for (const std::wstring& leftover : leftovers) removeFile(leftover);
}

std::wstring extendedPath(const std::wstring& path) {
    // Below the limit the plain form serves every system; above it only the extended form
    // reaches the file. It takes a full path without "." or ".." parts, as the program folder is.
    if (path.size() < MAX_PATH || path.starts_with(L"\\\\?\\")) return path;
    if (path.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    return path;
}

std::wstring folderOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

bool fileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(extendedPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace tolvare::plenar
