#include "library/windows/window_handles.h"

namespace korvel::shell {

std::wstring windowTitle(HWND window) {
    if (!window) return {};
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring title(size_t(length) + 1, L' ');
    int read = GetWindowTextW(window, title.data(), length + 1);
    title.resize(size_t(read > 0 ? read : 0));
    return title;
}

}  // namespace korvel::shell
