#include "macro/core/capture.h"

#include <cmath>

namespace tolvare::macro {

std::int32_t scaleToAbsolute(int pixel, int extentPixels) {
    if (extentPixels <= 0) return 0;
    const double scaled = static_cast<double>(pixel) / extentPixels * 65535.0;
    // The cursor may lie outside the primary screen (a second monitor); the 32-bit fields
    // then keep the value as far as it goes.
    if (scaled >= 2147483647.0) return 2147483647;
    if (scaled <= -2147483648.0) return -2147483647 - 1;
    return static_cast<std::int32_t>(std::nearbyint(scaled));  // the default rounding: half to even
}

long long pixelForAbsolute(std::int32_t value, int extentPixels) {
    return std::llround(value / 65535.0 * extentPixels);
}

bool captureTick(Macro& macro, ScreenPoint cursor, ScreenSize screen, KeyStateSource& keys) {
    const std::optional<std::int32_t> slot = macro.addCaptureSlot();
    if (!slot) return false;
    MouseSample mouse;
    KeySample key;
    mouse.x = scaleToAbsolute(cursor.x, screen.width);
    mouse.y = scaleToAbsolute(cursor.y, screen.height);
    mouse.tick = macro.takeTick();

    static constexpr int kButtons[] = {1, 2, 3, 4};
    for (const int button : kButtons) {
        const std::int16_t first = keys.asyncKeyState(button);
        const std::int16_t second = keys.asyncKeyState(button);
        // The second query tells a button still down from one only clicked since the previous
        // tick (1: pressed since then and up now), which the first query has just reported.
        if (first != 0 && second != 1) {
            // The first tick after a reset sees the click on "Capturer" itself.
            if (macro.tickCount() != 1) mouse.button = button;
            macro.setSlot(*slot, mouse, key);
            return true;
        }
    }
    const auto poll = [&](int code) {
        if (keys.asyncKeyState(code) == 0) return;
        key.key = code;
        if (keys.asyncKeyState(16) != 0) key.shift = 16;
        if (keys.asyncKeyState(17) != 0) key.ctrl = 17;
        if (keys.asyncKeyState(18) != 0) key.alt = 18;
    };
    for (int code = 1; code <= 15; ++code) poll(code);
    for (int code = 19; code <= 125; ++code) poll(code);
    macro.setSlot(*slot, mouse, key);
    return true;
}

}  // namespace tolvare::macro
