#include "macro/app/input_sender.h"

#include <algorithm>
#include <cmath>

#include "macro/core/capture.h"
#include "macro/core/keystrokes.h"

namespace tolvare::macro {

namespace {

// Marks the input this program injects, so that waiting for its keys can tell the last one
// when its window takes it (the platform hands it back with the message).
constexpr ULONG_PTR kInjectedTag = 0x504C4E52;  // "PLNR"
constexpr ULONG_PTR kLastKeyTag = kInjectedTag + 1;

INPUT mouseInput(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags;
    input.mi.dwExtraInfo = kInjectedTag;
    return input;
}

bool isExtendedKey(WORD virtualKey) {
    switch (virtualKey) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_INSERT: case VK_DELETE: case VK_NUMLOCK: case VK_DIVIDE:
    case VK_SNAPSHOT: case VK_RCONTROL: case VK_RMENU: case VK_LWIN: case VK_RWIN: case VK_APPS:
        return true;
    default:
        return false;
    }
}

INPUT keyInput(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (isExtendedKey(virtualKey) ? KEYEVENTF_EXTENDEDKEY : 0);
    input.ki.dwExtraInfo = kInjectedTag;
    return input;
}

INPUT unicodeInput(wchar_t character, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = character;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    input.ki.dwExtraInfo = kInjectedTag;
    return input;
}

// The key presses and releases of one keystroke: its modifiers around it, pressed in the order
// Shift, Control, Alt and released the other way round.
void appendKeyStroke(const KeyStroke& stroke, std::vector<INPUT>& inputs) {
    bool shift = stroke.shift, ctrl = stroke.ctrl, alt = stroke.alt;
    std::optional<WORD> virtualKey;
    wchar_t character = 0;
    if (stroke.kind == KeyStroke::Kind::VirtualKey) {
        virtualKey = stroke.virtualKey;
    } else {
        const char byte = static_cast<char>(stroke.character);
        if (MultiByteToWideChar(CP_ACP, 0, &byte, 1, &character, 1) != 1) character = stroke.character;
        // The layout's key for the character and the shift state it needs (Shift 1, Control 2,
        // Alt 4); -1 when no key of the layout types it.
        const SHORT scan = VkKeyScanW(character);
        if (scan != -1 && LOBYTE(scan) != 0xFF) {
            virtualKey = LOBYTE(scan);
            shift = shift || (HIBYTE(scan) & 1);
            ctrl = ctrl || (HIBYTE(scan) & 2);
            alt = alt || (HIBYTE(scan) & 4);
        }
    }
    if (shift) inputs.push_back(keyInput(VK_SHIFT, false));
    if (ctrl) inputs.push_back(keyInput(VK_CONTROL, false));
    if (alt) inputs.push_back(keyInput(VK_MENU, false));
    if (virtualKey) {
        inputs.push_back(keyInput(*virtualKey, false));
        inputs.push_back(keyInput(*virtualKey, true));
    } else {
        inputs.push_back(unicodeInput(character, false));
        inputs.push_back(unicodeInput(character, true));
    }
    if (alt) inputs.push_back(keyInput(VK_MENU, true));
    if (ctrl) inputs.push_back(keyInput(VK_CONTROL, true));
    if (shift) inputs.push_back(keyInput(VK_SHIFT, true));
}

ULONGLONG now() { return GetTickCount64(); }

// Takes the keys in on this thread, which owns the focus: its queue is run for keyboard
// messages only, through the dialog navigation of windows that have one, until the last key
// sent has come through.
void takeKeysInOnThisThread(ULONGLONG deadline) {
    for (;;) {
        MSG message;
        bool lastSeen = false;
        while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
            if (GetMessageExtraInfo() == static_cast<LPARAM>(kLastKeyTag)) lastSeen = true;
            HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
            const bool dialogLike =
                root && (GetWindowLongW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0;
            if (dialogLike && IsDialogMessageW(root, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (lastSeen) {
            // The characters the last key-down was translated into.
            while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            return;
        }
        const ULONGLONG current = now();
        if (current >= deadline) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - current), QS_KEY,
                                    MWMO_INPUTAVAILABLE);
    }
}

// Another program (or another thread) owns the focus: what this program can see of it is its
// message loop. Round trips through that loop let it take in the keys waiting in front of it
// (one message each at least); a hung target is given up at once, a slow one at the deadline.
void waitForOtherThread(HWND target, std::size_t keyMessages, ULONGLONG deadline) {
    for (std::size_t i = 0; i <= keyMessages; ++i) {
        const ULONGLONG current = now();
        if (current >= deadline) return;
        DWORD_PTR result = 0;
        const UINT limit = static_cast<UINT>(std::min<ULONGLONG>(deadline - current, 200));
        if (!SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, limit, &result))
            return;
    }
}

}  // namespace

// The absolute coordinate that lands on the pixel `value` stands for. Capture scales pixel p of
// an extent of n pixels to p / n * 65535, while the platform takes an absolute coordinate a to
// pixel a * n / 65536, rounded down: passed on as it is, a captured position would land one
// pixel short of where it was taken. The middle of the pixel's range lands on it whichever way
// the platform rounds.
LONG absoluteForPixel(std::int32_t value, int extent) {
    if (extent <= 0) return value;
    const long long pixel = std::min<long long>(pixelForAbsolute(std::clamp(value, 0, 65535), extent), extent - 1);
    return static_cast<LONG>(std::min<long long>(65535, (2 * pixel + 1) * 65536 / (2LL * extent)));
}

bool sendMouse(std::int32_t x, std::int32_t y, std::optional<std::uint32_t> buttonEvent) {
    INPUT inputs[2] = {mouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                                  absoluteForPixel(x, GetSystemMetrics(SM_CXSCREEN)),
                                  absoluteForPixel(y, GetSystemMetrics(SM_CYSCREEN)))};
    UINT count = 1;
    if (buttonEvent) inputs[count++] = mouseInput(*buttonEvent);
    return SendInput(count, inputs, sizeof(INPUT)) == count;
}

bool sendButtonEvents(const std::vector<std::uint32_t>& buttonEvents) {
    std::vector<INPUT> inputs;
    for (std::uint32_t flags : buttonEvents) inputs.push_back(mouseInput(flags));
    if (inputs.empty()) return true;
    const UINT count = static_cast<UINT>(inputs.size());
    return SendInput(count, inputs.data(), sizeof(INPUT)) == count;
}

bool typeKeystrokes(std::string_view text, DWORD waitLimitMs) {
    const std::optional<std::vector<KeyStroke>> strokes = parseKeystrokes(text);
    if (!strokes) return false;
    std::vector<INPUT> inputs;
    for (const KeyStroke& stroke : *strokes) appendKeyStroke(stroke, inputs);
    if (inputs.empty()) return true;
    inputs.back().ki.dwExtraInfo = kLastKeyTag;

    // One call, so that the user's own typing cannot fall between the keys.
    const UINT count = static_cast<UINT>(inputs.size());
    const ULONGLONG deadline = now() + waitLimitMs;
    if (SendInput(count, inputs.data(), sizeof(INPUT)) != count) return false;

    HWND foreground = GetForegroundWindow();
    if (!foreground) return true;
    if (GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId())
        takeKeysInOnThisThread(deadline);
    else
        waitForOtherThread(foreground, inputs.size(), deadline);
    return true;
}

}  // namespace tolvare::macro
