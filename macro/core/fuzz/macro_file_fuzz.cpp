// Fuzz target for what the recorder reads from outside: macro files of any bytes, and the
// keystroke texts replay builds from them. Linked with common/fuzz/replay_main.cpp it is an
// ordinary program that runs the saved inputs given on its command line.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "macro/core/keystrokes.h"
#include "macro/core/macro.h"
#include "macro/core/replay.h"

namespace {

using namespace tolvare::macro;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "macro invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const std::optional<Macro> macro = parseMacroFile(text)) {
        check(macro->slotCount() == macro->upperBound() + 1, "a load sets S one past the arrays");
        check(macro->eventCount() <= kMaxMacroEvents, "a load stays within the event limit");
        // What a load gives saves to a file that loads back the same.
        const std::optional<Macro> again = parseMacroFile(macroFileText(*macro));
        check(again && *again == *macro, "save then load gives the same macro");
        // A replay ends within one tick per slot, with the bar in range, whatever the ticks.
        Replay replay;
        replay.start();
        std::int64_t ticks = 0;
        for (;;) {
            const Replay::Tick tick = replay.tick(*macro);
            check(tick.progress >= 0 && tick.progress <= 100, "the bar stays within 0..100");
            if (tick.play && !tick.play->keystrokes.empty()) (void)parseKeystrokes(tick.play->keystrokes);
            ++ticks;
            if (tick.finished) break;
            check(ticks <= macro->slotCount(), "a replay ends");
        }
    }
    if (const auto strokes = parseKeystrokes(text)) check(strokes->size() <= kMaxKeyStrokes, "keystrokes bounded");
    return 0;
}
