#include "macro/app/window_support.h"

#include <algorithm>

namespace tolvare::macro {

namespace {

// Entry points of later systems, looked up so that the program still starts on Windows 7.
template <typename Fn>
Fn user32Function(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE, as the headers of later
// SDKs define them.
void* const kPerMonitorV2 = reinterpret_cast<void*>(static_cast<INT_PTR>(-4));
void* const kPerMonitor = reinterpret_cast<void*>(static_cast<INT_PTR>(-3));

}  // namespace

PerMonitorDpiScope::PerMonitorDpiScope() {
    using SetContextFn = void*(WINAPI*)(void*);
    static const auto setContext = user32Function<SetContextFn>("SetThreadDpiAwarenessContext");
    if (!setContext) return;
    previous_ = setContext(kPerMonitorV2);
    if (!previous_) previous_ = setContext(kPerMonitor);
}

PerMonitorDpiScope::~PerMonitorDpiScope() {
    using SetContextFn = void*(WINAPI*)(void*);
    static const auto setContext = user32Function<SetContextFn>("SetThreadDpiAwarenessContext");
    if (setContext && previous_) setContext(previous_);
}

std::optional<std::string> readFileBytes(const std::wstring& path, std::uint64_t maxBytes) {
    unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > maxBytes)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) return std::nullopt;
        if (read == 0) break;  // the file shrank meanwhile: what is there is the file
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

bool writeFileBytes(const std::wstring& path, std::string_view bytes) {
    // Written beside and moved over in one step: a failed write (a full disk, a removed
    // medium) leaves the old file whole instead of cut.
    const std::wstring temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    bool written = false;
    {
        unique_hfile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        written = true;
        std::size_t done = 0;
        while (written && done < bytes.size()) {
            DWORD wrote = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
            written = WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
            done += wrote;
        }
        written = written && FlushFileBuffers(file.get());
    }
    if (written && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    SetLastError(error);
    return false;
}

}  // namespace tolvare::macro
