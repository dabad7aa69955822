// Automation strings (BSTR) as both programs hand them over: the text of one, a new one owned,
// and texts lent to a callee by reference.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <array>
#include <cstddef>
#include <string_view>

#include "common/win32/unique_handle.h"

namespace tolvare {

// The text of an automation string: a null string reads as empty.
inline std::wstring_view textOf(BSTR s) noexcept { return s ? std::wstring_view(s, SysStringLen(s)) : std::wstring_view(); }

// A new automation string, owned; null when the platform cannot allocate it.
inline unique_bstr ownedString(std::wstring_view text) {
    return unique_bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// Texts passed by reference. The callee may free and replace a string it was lent, so the
// strings are lent as raw values for the call and whatever the callee left is owned again.
template <std::size_t N>
class LentTexts {
public:
    explicit LentTexts(const std::array<std::wstring_view, N>& texts) {
        for (std::size_t i = 0; i < N; ++i) {
            owned_[i] = ownedString(texts[i]);
            if (!owned_[i] && !texts[i].empty()) allocated_ = false;
        }
    }
    bool allocated() const { return allocated_; }

    template <typename Call>
    HRESULT lend(Call call) {
        std::array<BSTR, N> raw;
        for (std::size_t i = 0; i < N; ++i) raw[i] = owned_[i].release();
        const HRESULT hr = call(raw);
        for (std::size_t i = 0; i < N; ++i) owned_[i].reset(raw[i]);
        return hr;
    }

private:
    std::array<unique_bstr, N> owned_;
    bool allocated_ = true;
};

}  // namespace tolvare
