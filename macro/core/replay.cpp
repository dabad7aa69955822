#include "macro/core/replay.h"

namespace tolvare::macro {

std::optional<std::uint32_t> buttonEvent(std::int32_t previous, std::int32_t current) {
    if (current == previous) return std::nullopt;
    switch (current) {
    case 1: return kMouseLeftDown;
    case 2: return kMouseRightDown;
    case 4: return kMouseMiddleDown;
    case 0:
        switch (previous) {
        case 1: return kMouseLeftUp;
        case 2: return kMouseRightUp;
        case 4: return kMouseMiddleUp;
        default: return std::nullopt;
        }
    default: return std::nullopt;
    }
}

std::optional<std::string> keyToken(std::int32_t key) {
    switch (key) {
    case 9: return "{TAB}";
    case 13: return "{ENTER}";
    case 27: return "{ESC}";
    case 35: return "{END}";
    case 36: return "{HOME}";
    case 37: return "{LEFT}";
    case 38: return "{UP}";
    case 39: return "{RIGHT}";
    case 40: return "{DOWN}";
    default: break;
    }
    if (key >= 112 && key <= 123) return "{F" + std::to_string(key - 111) + "}";
    if (key < 1 || key > 255) return std::nullopt;
    return std::string(1, static_cast<char>(static_cast<unsigned char>(key)));
}

std::string modifierPrefix(const KeySample& keys) {
    // Each modifier replaces the one before: one character at most, Control first.
    std::string prefix;
    if (keys.alt != 0) prefix = "%";
    if (keys.shift != 0) prefix = "+";
    if (keys.ctrl != 0) prefix = "^";
    return prefix;
}

SlotPlay planSlot(const Macro& macro, std::int32_t slot) {
    const MouseSample mouse = macro.mouse(slot);
    const MouseSample previousMouse = macro.mouse(slot - 1);
    const KeySample keys = macro.keys(slot);
    const KeySample previousKeys = macro.keys(slot - 1);
    SlotPlay play;
    play.x = mouse.x;
    play.y = mouse.y;
    play.buttonEvent = buttonEvent(previousMouse.button, mouse.button);
    if (keys.key != previousKeys.key && keys.key != 0) {
        if (const std::optional<std::string> token = keyToken(keys.key))
            play.keystrokes = modifierPrefix(keys) + *token;
    }
    return play;
}

Replay::Tick Replay::tick(const Macro& macro) {
    Tick result;
    const std::int32_t slots = macro.slotCount();
    if (replayIndex_ < 1) replayIndex_ = 1;
    if (replayIndex_ < slots) {
        if (macro.mouse(replayIndex_).tick < macro.tickCount()) {
            SlotPlay play = planSlot(macro, replayIndex_);
            if (play.buttonEvent) {
                switch (*play.buttonEvent) {
                case kMouseLeftDown:
                case kMouseRightDown:
                case kMouseMiddleDown: heldButtons_.insert(*play.buttonEvent); break;
                // An up flag is its down flag doubled.
                default: heldButtons_.erase(*play.buttonEvent / 2); break;
                }
            }
            result.play = std::move(play);
        }
        ++replayIndex_;
    }
    result.finished = replayIndex_ >= slots;
    const std::int32_t ticks = macro.tickCount();
    double progress = ticks > 0 ? 100.0 * replayIndex_ / ticks : 100.0;
    if (progress > 100.0) progress = 100.0;
    if (progress < 0.0) progress = 0.0;
    result.progress = static_cast<int>(progress);
    return result;
}

std::vector<std::uint32_t> Replay::releaseHeld() {
    std::vector<std::uint32_t> releases;
    for (const std::uint32_t down : heldButtons_) releases.push_back(down * 2);
    heldButtons_.clear();
    return releases;
}

}  // namespace tolvare::macro
