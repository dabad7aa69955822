#include "common/win32/testing/top_level_windows.h"

namespace tolvare::testing {

namespace {

struct Search {
    DWORD processId;
    const std::wstring& windowClass;
    const std::wstring& caption;
    HWND except;
    bool visibleOnly;
    HWND found = nullptr;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM context) {
    auto& s = *reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != s.processId || window == s.except || (s.visibleOnly && !IsWindowVisible(window)) ||
        windowClass(window) != s.windowClass)
        return TRUE;
    if (!s.caption.empty() && windowText(window) != s.caption) return TRUE;
    s.found = window;
    return FALSE;
}

}  // namespace

std::wstring windowText(HWND window) {
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                             &copied))
        return L"<no answer>";
    return std::wstring(text, copied);
}

std::wstring windowClass(HWND window) {
    wchar_t name[256] = {};
    const int n = GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

RECT clientRectIn(HWND parent, HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND findTopLevel(DWORD processId, const std::wstring& windowClass, const std::wstring& caption, HWND except,
                  bool visibleOnly) {
    Search search{processId, windowClass, caption, except, visibleOnly};
    EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace tolvare::testing
