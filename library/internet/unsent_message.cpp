#include "library/internet/unsent_message.h"

#include <windows.h>

#include <atomic>
#include <cwchar>

#include "common/win32/unique_handle.h"
#include "library/frame/errors.h"

namespace korvel::internet {

namespace {

constexpr ULONGLONG kUnsentMessageLifetime = 10ull * 60 * 10'000'000;  // 10 minutes, in 100 ns

void removeOldUnsentMessages(const std::wstring& folder) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG current = (ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    WIN32_FIND_DATAW found;
    tolvare::unique_hfind search(FindFirstFileW((folder + L"~KEM*.eml").c_str(), &found));
    if (!search) return;
    do {
        const ULONGLONG written = (ULONGLONG(found.ftLastWriteTime.dwHighDateTime) << 32) | found.ftLastWriteTime.dwLowDateTime;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcslen(found.cFileName) == 16 &&
            current > written + kUnsentMessageLifetime)
            DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search.get(), &found));
}

}  // namespace

std::wstring writeUnsentMessage(const std::string& bytes) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) throw RuntimeError(kPathFileAccessError);
    removeOldUnsentMessages(folder);
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[16];
        swprintf(name, 16, L"%08X", (GetCurrentProcessId() * 7919u) ^ (GetTickCount() << 8) ^ serial++);
        const std::wstring path = std::wstring(folder) + L"~KEM" + name + L".eml";
        tolvare::unique_hfile file(
            CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            throw RuntimeError(kPathFileAccessError);
        }
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) || written != bytes.size()) {
            file.reset();
            DeleteFileW(path.c_str());
            throw RuntimeError(kPathFileAccessError);
        }
        return path;
    }
    throw RuntimeError(kPathFileAccessError);
}

}  // namespace korvel::internet
