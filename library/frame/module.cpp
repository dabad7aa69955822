#include "library/frame/module.h"

#include <atomic>

#include "library/frame/dispatch.h"

namespace korvel {

namespace {
std::atomic<long> liveObjects{0};
std::atomic<long> locks{0};
}  // namespace

HMODULE moduleHandle() noexcept {
    // The address of this function lies in the library itself, whichever file holds it.
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&moduleHandle), &module);
    return module;
}

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(moduleHandle(), path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void objectCreated() noexcept { ++liveObjects; }
void objectDestroyed() noexcept { --liveObjects; }
void lockModule() noexcept { ++locks; }
void unlockModule() noexcept { --locks; }
bool moduleInUse() noexcept { return liveObjects > 0 || locks > 0; }

}  // namespace korvel
