// Replay of a macro, one event per tick: which mouse move, button event and keystrokes each
// slot produces against the previous one, the replay position, the progress shown, and what the
// replay still holds pressed when it ends.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "macro/core/macro.h"

namespace tolvare::macro {

// Values of the platform's mouse-event flags.
enum MouseEventFlag : std::uint32_t {
    kMouseMoveAbsolute = 0x8001,
    kMouseLeftDown = 0x0002,
    kMouseLeftUp = 0x0004,
    kMouseRightDown = 0x0008,
    kMouseRightUp = 0x0010,
    kMouseMiddleDown = 0x0020,
    kMouseMiddleUp = 0x0040,
};

// What one slot plays against the slot before it.
struct SlotPlay {
    std::int32_t x = 0;  // absolute move to (x, y), 0..65535 on the whole screen
    std::int32_t y = 0;
    // A button press or release (kMouse...Down/Up), when the button changed.
    std::optional<std::uint32_t> buttonEvent;
    // Keystrokes in the keystroke syntax, when the key changed to a non-zero key; empty
    // otherwise (a release sends nothing).
    std::string keystrokes;

    friend bool operator==(const SlotPlay&, const SlotPlay&) = default;
};

// The button event of a change from `previous` to `current`: 1, 2, 4 press left, right, middle;
// 0 releases the previous (1, 2, 4); anything else, and a previous 3, sends nothing. A change
// from one button straight to another presses the new one and leaves the old one held.
std::optional<std::uint32_t> buttonEvent(std::int32_t previous, std::int32_t current);

// The keystroke token of a key code: {TAB}, {ENTER}, {ESC}, {END}, {HOME}, the arrows, {F1} to
// {F12} for 112 to 123, else the one character of that code in the single-byte code page
// (65 gives "A"). Nothing for codes outside 1..255, which no character has.
std::optional<std::string> keyToken(std::int32_t key);

// The one-character prefix of the modifiers: "^" when Control was down, else "+" for Shift,
// else "%" for Alt, else nothing.
std::string modifierPrefix(const KeySample& keys);

// What slot `slot` (1 or more) plays against slot - 1.
SlotPlay planSlot(const Macro& macro, std::int32_t slot);

// The replay position and what the replay holds pressed. start() and tick() follow the
// recorder's replay timer; every way a replay ends (its last event, a restart, a capture, the
// window closing) asks releaseHeld() for the button releases still owed, so that a cut-off
// replay never leaves a mouse button held.
class Replay {
public:
    struct Tick {
        std::optional<SlotPlay> play;  // nothing: the slot is not played (see tick())
        bool finished = false;         // the replay is over after this tick
        int progress = 0;              // the bar's value, 0..100
    };

    // R = 1: the first event plays at the next tick.
    void start() { replayIndex_ = 1; }
    std::int32_t replayIndex() const { return replayIndex_; }

    // One tick: plays slot R when its tick is below T, moves R on, and tells whether R reached
    // S. A macro without events ends at its first tick without playing anything, and an event
    // whose tick is not below T (only hand-made files have one) is passed over rather than
    // holding the replay at it for ever.
    Tick tick(const Macro& macro);

    // The releases (kMouse...Up) of the buttons the replay pressed and has not released, and
    // forgets them.
    std::vector<std::uint32_t> releaseHeld();

private:
    std::int32_t replayIndex_ = 1;
    std::set<std::uint32_t> heldButtons_;  // the Down flags sent and not yet released
};

}  // namespace tolvare::macro
