// Replayed input sent into the desktop as the user's own hardware would send it: absolute
// cursor moves, mouse button events, and keystrokes typed from the keystroke syntax.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tolvare::macro {

// Moves the cursor to the pixel that (x, y) stand for, each 0..65535 across the primary screen
// as capture scales them, then sends the button
// event `buttonEvent` (a kMouse...Down/Up flag) there when there is one. False when the
// platform refused the input.
bool sendMouse(std::int32_t x, std::int32_t y, std::optional<std::uint32_t> buttonEvent);

// Sends button events (kMouse...Up flags, say) where the cursor is.
bool sendButtonEvents(const std::vector<std::uint32_t>& buttonEvents);

// Types `text` (keystroke syntax) and waits until the window with the focus has taken the keys
// in, for at most `waitLimitMs`. A character goes through the keyboard layout's own key with
// the modifiers it needs, or as a Unicode character when the layout has no key for it. False,
// with nothing typed, when the text breaks the syntax or the platform refused the input.
bool typeKeystrokes(std::string_view text, DWORD waitLimitMs);

}  // namespace tolvare::macro
