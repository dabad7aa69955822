#include "scheduler/app/share_action.h"

#include <climits>

namespace tolvare::plenar {

namespace {

// Run-time errors of a call into a library or entry point that the system does not have.
constexpr HRESULT kDllLoadError = HRESULT(0x800A0030);        // 48
constexpr HRESULT kFileNotFound = HRESULT(0x800A0035);        // 53
constexpr HRESULT kEntryPointNotFound = HRESULT(0x800A01C5);  // 453

}  // namespace

bool shareServiceMissing(HRESULT status) {
    return status == kFileNotFound || status == kEntryPointNotFound || status == kDllLoadError;
}

std::wstring ShareAction::run(std::wstring_view folderPath) {
    // The counter is a 16-bit one; a pass with more share rows than it counts overflows, and
    // the rows past that are skipped like any failing statement.
    if (shareCounter_ == SHRT_MAX) return {};
    ++shareCounter_;
    const std::wstring name = L"PLENAR" + std::to_wstring(shareCounter_);
    if (!internet_) internet_.emplace();
    const HRESULT status = internet_->shareFolder9x(name, folderPath, name);
    if (shareServiceMissing(status)) {
        LONG refused = 0;
        internet_->shareFolderNt(L"", folderPath, name, name, refused);
    }
    return name;
}

void ShareAction::passEnded() {
    shareCounter_ = 0;
    internet_.reset();
}

}  // namespace tolvare::plenar
