#include "scheduler/app/share_action.h"

#include <climits>
#include <cwchar>

#include "scheduler/app/platform.h"
#include "scheduler/app/text.h"

namespace tolvare::plenar {

namespace {

// Run-time errors of a call into a library or entry point that the system does not have.
constexpr HRESULT kDllLoadError = HRESULT(0x800A0030);        // 48
constexpr HRESULT kFileNotFound = HRESULT(0x800A0035);        // 53
constexpr HRESULT kEntryPointNotFound = HRESULT(0x800A01C5);  // 453

std::wstring hresultText(HRESULT status) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(status));
    return text;
}

}  // namespace

bool shareServiceMissing(HRESULT status) {
    return status == kFileNotFound || status == kEntryPointNotFound || status == kDllLoadError;
}

ShareResult ShareAction::run(std::wstring_view folderPath) {
    // The counter is a 16-bit one; a pass with more share rows than it counts overflows, and
    // the rows past that are skipped like any failing statement.
    if (shareCounter_ == SHRT_MAX) return {{}, false, L"trop de partages dans un même contrôle"};
    ++shareCounter_;
    const std::wstring name = L"PLENAR" + std::to_wstring(shareCounter_);
    if (!internet_) internet_.emplace();
    const HRESULT status = internet_->shareFolder9x(name, folderPath, name);
    if (SUCCEEDED(status)) return {name, true, {}};
    if (!shareServiceMissing(status)) return {name, false, L"refusé (" + hresultText(status) + L")"};
    LONG refused = 0;
    const HRESULT ntStatus = internet_->shareFolderNt(L"", folderPath, name, name, refused);
    if (FAILED(ntStatus)) return {name, false, L"refusé (" + hresultText(ntStatus) + L")"};
    if (refused != 0) return {name, false, fromUtf8(systemErrorNote(static_cast<DWORD>(refused)))};
    return {name, true, {}};
}

void ShareAction::passEnded() {
    shareCounter_ = 0;
    internet_.reset();
}

}  // namespace tolvare::plenar
