// One capture tick: the cursor scaled to 0..65535, the mouse button held, the key held with its
// modifiers, written into a new slot of the macro. The asynchronous key state comes through an
// interface so that the sampling rules are tested without a keyboard.
#pragma once

#include <cstdint>

#include "macro/core/macro.h"

namespace tolvare::macro {

class KeyStateSource {
public:
    virtual ~KeyStateSource() = default;
    // The platform's asynchronous key state of a virtual-key code: non-zero when the key is
    // down or was pressed since the previous query of that code; exactly 1 when it was pressed
    // since then and is not down now.
    virtual std::int16_t asyncKeyState(int virtualKey) = 0;
};

// A cursor coordinate in pixels over a screen extent in pixels, scaled to 0..65535:
// pixel / extent * 65535, rounded half to even (1023 of 1024 gives 65471). 0 for an empty extent.
std::int32_t scaleToAbsolute(int pixel, int extentPixels);
// Its inverse: the pixel a 0..65535 coordinate was taken at, value / 65535 * extent rounded to
// the nearest (half away from zero). Not clamped: a coordinate off the primary screen stays off it.
long long pixelForAbsolute(std::int32_t value, int extentPixels);

struct ScreenPoint {
    int x = 0;
    int y = 0;
};
struct ScreenSize {
    int width = 0;
    int height = 0;
};

// Takes one sample into a new slot; false when the macro is full (the capture should stop).
// Buttons 1, 2, 3, 4 are each queried twice and held when the first answer is non-zero and the
// second is not exactly 1; the first held button is recorded, except at the first tick after the
// counters were reset (T = 1 after taking the tick), which is the click that started the
// capture; a tick with a held button polls no key. Otherwise keys 1-15 and 19-125 are polled in
// order, the last one down is recorded, and for each key found Shift (16), Control (17) and Alt
// (18) are polled.
bool captureTick(Macro& macro, ScreenPoint cursor, ScreenSize screen, KeyStateSource& keys);

}  // namespace tolvare::macro
