// The macro the recorder holds, and its text file. A macro is a sequence of events sampled at a
// fixed period: two parallel arrays of samples (mouse, keys) with slots 0..upperBound, the slot
// count S and the tick count T. Slot 0 is never written: it stays all zero and is the previous
// event of slot 1 during replay. The events of a macro are slots 1..S-1.
//
// After a capture, slot S holds the last sample taken (usually the click that stopped the
// capture); it is neither replayed nor saved. After a load, S is the number of events read plus
// one and lies one past the arrays' upper bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvare::macro {

struct MouseSample {
    std::int32_t x = 0;       // 0..65535 across the screen width
    std::int32_t y = 0;       // 0..65535 down the screen height
    std::int32_t tick = 0;    // the capture tick that took the sample
    std::int32_t button = 0;  // 0 none, 1 left, 2 right, 4 middle (3 is recorded, never played)

    friend bool operator==(const MouseSample&, const MouseSample&) = default;
};

struct KeySample {
    std::int32_t ctrl = 0;   // 17 when Control was down with the key
    std::int32_t alt = 0;    // 18 when Alt was down with the key
    std::int32_t shift = 0;  // 16 when Shift was down with the key
    std::int32_t key = 0;    // virtual-key code held, 0 when none

    friend bool operator==(const KeySample&, const KeySample&) = default;
};

// The most events a macro holds, whether captured or loaded: 32 MB of samples, close to three
// hours of capture at the default 10 ms. A file promising more is refused before anything is
// allocated for it, and a capture stops growing there.
inline constexpr std::int32_t kMaxMacroEvents = 1'000'000;

// Macro files larger than this are refused unread. A file the recorder writes for the largest
// macro stays well below it (at most about 36 bytes an event).
inline constexpr std::uint64_t kMaxMacroFileBytes = 64ull * 1024 * 1024;

class Macro {
public:
    Macro();

    std::int32_t slotCount() const { return slotCount_; }  // S
    std::int32_t tickCount() const { return tickCount_; }  // T
    // The arrays' upper bound (their size minus one).
    std::int32_t upperBound() const { return static_cast<std::int32_t>(mouse_.size()) - 1; }
    // The number of events replay and saving see: S - 1, or 0.
    std::int32_t eventCount() const { return slotCount_ > 1 ? slotCount_ - 1 : 0; }

    // Samples of a slot; slots past the upper bound read as all zero.
    MouseSample mouse(std::int32_t slot) const;
    KeySample keys(std::int32_t slot) const;

    // S = T = 0 and only slot 0 left: the window's load and a fresh capture.
    void clear();

    // The slot the next capture tick writes, made blank (all eight fields 0) and counted in S;
    // nothing when the macro is full (kMaxMacroEvents), and the capture should stop. After a
    // load it is slot S itself (the slot one past the loaded events), so that an appended
    // capture continues right after the last event instead of leaving an empty slot, which
    // would replay as a jump to the screen's top-left corner.
    std::optional<std::int32_t> addCaptureSlot();
    // Writes the samples of a slot made by addCaptureSlot.
    void setSlot(std::int32_t slot, const MouseSample& mouse, const KeySample& keys);
    // Takes the next tick number: returns T, then adds 1.
    std::int32_t takeTick() { return tickCount_++; }

    // Drops the last `count` slots of a capture (the stop click on the recorder's own window).
    void dropLastSlots(std::int32_t count);

    // The events of slots 1..S-1 with the tick count: what a load would give back.
    friend bool operator==(const Macro&, const Macro&) = default;

private:
    friend std::optional<Macro> parseMacroFile(std::string_view text, std::size_t* wrongLine);

    std::vector<MouseSample> mouse_;
    std::vector<KeySample> keys_;
    std::int32_t slotCount_ = 0;
    std::int32_t tickCount_ = 0;
    // S lies one past the arrays' bound: the macro came from a file and no capture tick has
    // been added since.
    bool loaded_ = false;
};

// The macro file's text: the header "N,T" with N = S - 1, then the eight numbers of each slot
// 1..S-1 (button, tick, x, y, key, alt, ctrl, shift), every line ended by CR LF.
std::string macroFileText(const Macro& macro);

// Reads a macro file. Nothing (and no partial macro) when the text is not a whole macro: a
// header without a comma, a count that is negative or above kMaxMacroEvents, fewer event lines
// than the header promises, an event line without its eight fields, or a field that is not a
// decimal whole number in the signed 32-bit range (blanks around it and a leading sign are
// accepted). Lines end with CR LF, a lone CR or a lone LF; lines after the events are ignored.
// Memory grows with the lines actually read, never with the count the header promises.
// `wrongLine`, when given, receives the number (from 1) of the first line that is wrong or
// missing when the text is refused.
std::optional<Macro> parseMacroFile(std::string_view text, std::size_t* wrongLine = nullptr);

// A number field of the file; nothing when it is not a whole decimal number in range.
std::optional<std::int32_t> parseMacroNumber(std::string_view field);

}  // namespace tolvare::macro
