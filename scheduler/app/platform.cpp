#include "scheduler/app/platform.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "common/win32/unique_handle.h"
#include "common/win32/whole_file.h"
#include "scheduler/app/korvel_client.h"
#include "scheduler/app/list_signature.h"
#include "scheduler/app/text.h"
#include "scheduler/core/action.h"
#include "scheduler/core/list_validators.h"
#include "scheduler/core/settings.h"

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

// A reader that holds the list for a moment (an editor, an indexer, a virus scanner, the
// person's own script) makes the platform refuse the replacement; such holds end within a few
// hundred milliseconds, so the move is tried again for about half a second before it fails.
bool moveOver(const std::wstring& from, const std::wstring& to) {
    constexpr int kTries = 25;
    constexpr DWORD kPauseMilliseconds = 20;
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(extendedPath(from).c_str(), extendedPath(to).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        const bool heldByAnother = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                                   error == ERROR_LOCK_VIOLATION;
        if (!heldByAnother || attempt == kTries) {
            SetLastError(error);
            return false;
        }
        Sleep(kPauseMilliseconds);
    }
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

std::optional<std::string> readWholeFile(const std::wstring& path, std::uint64_t maxBytes) {
    // A list, a signature or validators being written by another program are not read half-way.
    return tolvare::readWholeFile(extendedPath(path), maxBytes, tolvare::WritersWhileReading::refused);
}

scheduler::ListReading FileListStore::readList() {
    scheduler::ListReading reading;
    reading.bytes = readWholeFile(path_, kMaxListFileBytes);
    if (reading.bytes) return reading;
    const DWORD error = GetLastError();
    reading.missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    if (reading.missing) {
        reading.problem = toUtf8(path_) + " : fichier absent";
    } else if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
        reading.problem = toUtf8(path_) + " : fichier ouvert par un autre programme";
    } else if (error == ERROR_FILE_TOO_LARGE) {
        reading.problem = toUtf8(path_) + " : plus de " + std::to_string(kMaxListFileBytes >> 20) + " Mo";
    } else {
        reading.problem = toUtf8(path_) + " : " + systemErrorNote(error);
    }
    return reading;
}

std::string systemErrorNote(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length && text ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    std::string note = "erreur " + std::to_string(error);
    if (!message.empty()) note += " : " + toUtf8(message);
    return note;
}

std::optional<DWORD> startCommandLine(std::wstring commandLine, WORD showWindow, const std::wstring& program) {
    if (commandLine.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showWindow;
    PROCESS_INFORMATION process{};
    // CreateProcessW may write into the command line it is given.
    commandLine.push_back(L'\0');
    if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), commandLine.data(), nullptr,
                        nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return std::nullopt;
    unique_handle processHandle(process.hProcess);
    unique_handle threadHandle(process.hThread);
    return process.dwProcessId;
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

DWORD openWebAddress(const std::wstring& url) {
    if (const std::optional<std::wstring> start = windows9xStartProgram()) {
        if (startCommandLine(L"\"" + *start + L"\" " + url, SW_SHOWMINIMIZED, *start)) return 0;
    }
    // The shell's own verb opens the address with the associated browser. No error dialog:
    // actions are fire and forget.
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = url.c_str();
    info.nShow = SW_SHOWMINIMIZED;
    if (ShellExecuteExW(&info)) return 0;
    const DWORD error = GetLastError();
    return error ? error : ERROR_NO_ASSOCIATION;
}

scheduler::ActionResult ShellActionRunner::startProgram(std::string_view commandLine) {
    const std::optional<DWORD> process = startCommandLine(fromAnsi(commandLine), SW_SHOWNORMAL);
    if (!process) return {false, systemErrorNote(GetLastError())};
    return {true, "processus " + std::to_string(*process)};
}

scheduler::ActionResult ShellActionRunner::openAddress(std::string_view url) {
    const DWORD error = openWebAddress(fromAnsi(url));
    if (error) return {false, systemErrorNote(error)};
    return {};
}

scheduler::ActionResult ShellActionRunner::runMacro(std::string_view fileName) {
    const MacroRun run = macros_.runMacroAction(fileName);
    if (run.replayed) return {};
    return {false, toUtf8(run.problem)};
}

scheduler::ActionResult ShellActionRunner::shareFolder(std::string_view folderPath) {
    const ShareResult share = shares_.run(fromAnsi(folderPath));
    if (share.shared) return {true, toUtf8(share.name)};
    return {false, toUtf8(share.name) + (share.name.empty() ? "" : " : ") + toUtf8(share.problem)};
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

namespace {

// Why a download was not taken, for the journal.
std::string downloadProblem(const DownloadResult& result) {
    switch (result.outcome) {
    case DownloadOutcome::Complete: return "liste complète";
    case DownloadOutcome::ErrorStatus: return "statut HTTP " + std::to_string(result.httpStatus);
    case DownloadOutcome::Cut: return "transfert coupé avant la fin de la liste";
    case DownloadOutcome::TooLarge: return "liste de plus de 32 Mo";
    case DownloadOutcome::TimedOut: return "délai dépassé";
    case DownloadOutcome::Unreachable: return "serveur injoignable";
    case DownloadOutcome::BadAddress: return "adresse non valable";
    case DownloadOutcome::UnsupportedScheme: return "protocole non pris en charge";
    case DownloadOutcome::Cancelled: return "annulé à la fermeture";
    case DownloadOutcome::CannotWriteTarget: return "fichier temporaire impossible à écrire";
    case DownloadOutcome::TooManyRedirects: return "trop de redirections";
    case DownloadOutcome::MalformedReply: return "réponse HTTP mal formée";
    case DownloadOutcome::BadCompression: return "contenu compressé endommagé";
    case DownloadOutcome::SystemError: return "erreur du système";
    case DownloadOutcome::NotModified: return "liste inchangée sur le serveur";
    case DownloadOutcome::InsecureRedirect: return "redirection de https vers http refusée";
    case DownloadOutcome::TlsRefused:
    case DownloadOutcome::CertificateRefused: return result.problem;
    case DownloadOutcome::ProxyRefused: return "tunnel refusé par le proxy (statut HTTP " + std::to_string(result.httpStatus) + ")";
    }
    return "erreur";
}

// The signature's address: the list's path with ".sig" after it (before any query).
std::wstring signatureAddress(const std::wstring& url) {
    const std::size_t end = std::min(url.find(L'?'), url.find(L'#'));
    return end == std::wstring::npos ? url + L".sig" : url.substr(0, end) + L".sig" + url.substr(end);
}

std::wstring validatorsPathOf(const std::wstring& listPath) {
    return folderOf(listPath) + L"\\" + fromUtf8(scheduler::kValidatorsFileName);
}

}  // namespace

void forgetListValidators(const std::wstring& listPath) {
    removeFile(validatorsPathOf(listPath));
}

std::optional<std::string> InternetListDownloader::signatureProblem(const std::wstring& url, const std::string& list) {
    const std::wstring key = readSettingValue(folderOf(listPath_) + L"\\" + fromUtf8(scheduler::kSettingsFileName),
                                              fromUtf8(scheduler::kSettingsSection),
                                              fromUtf8(scheduler::kListKeyKey), L"");
    const std::string keyText = toUtf8(key);
    if (keyText.find_first_not_of(" \t") == std::string::npos) return std::nullopt;  // lists are not signed here

    const std::optional<std::wstring> temporary = reserveTemporaryFile(folderOf(listPath_));
    if (!temporary) return "fichier temporaire impossible à créer à côté de la liste";
    DownloadLimits limits = limits_;
    limits.maxBodyBytes = kMaxSignatureBytes;
    const DownloadResult result = downloadToFile(signatureAddress(url), extendedPath(*temporary), limits);
    const std::optional<std::string> signature =
        result.outcome == DownloadOutcome::Complete ? readWholeFile(*temporary, kMaxSignatureBytes) : std::nullopt;
    removeFile(*temporary);
    if (!signature)
        return result.outcome == DownloadOutcome::TooLarge ? std::string("signature de plus de 64 Ko")
                                                           : "signature introuvable (" + downloadProblem(result) + ")";
    if (const std::optional<std::string> problem = listSignatureProblem(keyText, list, *signature))
        return *problem;
    return std::nullopt;
}

scheduler::ListDownload InternetListDownloader::downloadList() {
    using Result = scheduler::ListDownload::Result;
    // The download dispatches window messages while it waits: a menu command can ask for a
    // second download meanwhile, which has nothing to add to the first.
    if (downloading_) return {Result::NotTaken, "un téléchargement est déjà en cours"};
    downloading_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{downloading_};

    purgeCache();
    const std::wstring url = currentUrl_();
    const std::string address = toUtf8(url);
    const std::optional<std::wstring> temporary = reserveTemporaryFile(folderOf(listPath_));
    if (!temporary) return {Result::NotTaken, address + " : fichier temporaire impossible à créer à côté de la liste"};

    // The validators go with the request only for the list exactly as it was downloaded from
    // this very address.
    const std::wstring validatorsPath = validatorsPathOf(listPath_);
    const std::optional<std::string> current = readWholeFile(listPath_, kMaxListFileBytes);
    DownloadConditions conditions;
    if (const std::optional<std::string> kept = readWholeFile(validatorsPath, kMaxValidatorsBytes)) {
        const std::optional<scheduler::ListValidators> validators = scheduler::parseValidators(*kept);
        if (validators && current && validators->address == address && validators->listDigest == scheduler::listDigest(*current)) {
            conditions.ifNoneMatch = validators->etag;
            conditions.ifModifiedSince = validators->lastModified;
        }
    }

    const DownloadResult result = downloadToFile(url, extendedPath(*temporary), limits_, conditions);
    if (result.outcome == DownloadOutcome::NotModified) {
        removeFile(*temporary);
        return {Result::Unchanged, address + " : liste inchangée sur le serveur (304)"};
    }
    bool whole = result.outcome == DownloadOutcome::Complete;
    std::string problem = downloadProblem(result);
    if (result.outcome == DownloadOutcome::UnsupportedScheme) {
        // The other schemes the platform knows go through the library's download, which
        // judges the answer by its status and announced length.
        InternetObject internet;
        internet.downloadFile(url, *temporary, whole);
        problem = "refusé par le téléchargement du système";
    }
    if (!whole) {
        removeFile(*temporary);
        return {Result::NotTaken, address + " : " + problem};
    }
    const std::optional<std::string> arrived = readWholeFile(*temporary, kMaxListFileBytes);
    if (!arrived) {
        removeFile(*temporary);
        return {Result::NotTaken, address + " : liste téléchargée illisible"};
    }
    if (const std::optional<std::string> refusal = signatureProblem(url, *arrived)) {
        removeFile(*temporary);
        return {Result::NotTaken, address + " : " + *refusal};
    }
    const std::string lines = " : " + std::to_string(scheduler::countListLines(*arrived)) + " ligne(s)";
    // What the server said of this list, for a conditional request next time; an answer
    // without validators leaves nothing to ask with.
    const auto keepValidators = [&] {
        const scheduler::ListValidators validators{address, scheduler::listDigest(*arrived), result.etag, result.lastModified};
        const std::string text = scheduler::formatValidators(validators);
        if (!scheduler::parseValidators(text) || !replaceFileAtomically(validatorsPath, text)) removeFile(validatorsPath);
    };
    if (current == arrived) {
        removeFile(*temporary);
        keepValidators();
        return {Result::Unchanged, address + lines};
    }
    // Until the new list is in place, the old validators must not describe it.
    removeFile(validatorsPath);
    if (!moveOver(*temporary, listPath_)) {
        const DWORD error = GetLastError();
        removeFile(*temporary);
        return {Result::NotTaken, address + " : la liste n'a pas pu être remplacée (" + systemErrorNote(error) + ")"};
    }
    keepValidators();
    return {Result::Replaced, address + lines + ", liste remplacée"};
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

std::wstring readSettingValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                              const std::wstring& fallback) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), file.c_str());
        // A value that filled the buffer may have been cut: read again with more room.
        if (length + 1 < buffer.size() || buffer.size() >= 65536) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 4);
    }
}

DWORD writeSettingValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                        const std::wstring& value) {
    if (WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str())) return 0;
    const DWORD error = GetLastError();
    return error ? error : ERROR_WRITE_FAULT;
}

}  // namespace tolvare::plenar
