#include "macro/core/replay.h"

#include <gtest/gtest.h>

#include "macro/core/pacing.h"

namespace tolvare::macro {
namespace {

// A macro from file lines (button, tick, x, y, key, alt, ctrl, shift).
Macro macroOf(const std::string& header, const std::vector<std::string>& lines) {
    std::string text = header + "\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    std::optional<Macro> macro = parseMacroFile(text);
    EXPECT_TRUE(macro) << text;
    return macro ? *macro : Macro{};
}

TEST(ReplayPlan, ButtonChanges) {
    EXPECT_EQ(buttonEvent(0, 1), kMouseLeftDown);
    EXPECT_EQ(buttonEvent(0, 2), kMouseRightDown);
    EXPECT_EQ(buttonEvent(0, 4), kMouseMiddleDown);
    EXPECT_EQ(buttonEvent(1, 0), kMouseLeftUp);
    EXPECT_EQ(buttonEvent(2, 0), kMouseRightUp);
    EXPECT_EQ(buttonEvent(4, 0), kMouseMiddleUp);
    EXPECT_EQ(buttonEvent(1, 2), kMouseRightDown);  // the left one stays held
    EXPECT_EQ(buttonEvent(1, 1), std::nullopt);
    EXPECT_EQ(buttonEvent(0, 3), std::nullopt);
    EXPECT_EQ(buttonEvent(3, 0), std::nullopt);
    EXPECT_EQ(buttonEvent(0, 7), std::nullopt);
}

TEST(ReplayPlan, KeyTokensAndPrefixes) {
    EXPECT_EQ(keyToken(9), "{TAB}");
    EXPECT_EQ(keyToken(13), "{ENTER}");
    EXPECT_EQ(keyToken(27), "{ESC}");
    EXPECT_EQ(keyToken(35), "{END}");
    EXPECT_EQ(keyToken(36), "{HOME}");
    EXPECT_EQ(keyToken(37), "{LEFT}");
    EXPECT_EQ(keyToken(38), "{UP}");
    EXPECT_EQ(keyToken(39), "{RIGHT}");
    EXPECT_EQ(keyToken(40), "{DOWN}");
    EXPECT_EQ(keyToken(112), "{F1}");
    EXPECT_EQ(keyToken(123), "{F12}");
    EXPECT_EQ(keyToken(124), "|");
    EXPECT_EQ(keyToken(125), "}");
    EXPECT_EQ(keyToken(65), "A");
    EXPECT_EQ(keyToken(48), "0");
    EXPECT_EQ(keyToken(32), " ");
    EXPECT_EQ(keyToken(96), "`");
    EXPECT_EQ(keyToken(0), std::nullopt);
    EXPECT_EQ(keyToken(256), std::nullopt);
    EXPECT_EQ(keyToken(-65), std::nullopt);

    EXPECT_EQ(modifierPrefix({0, 18, 16, 65}), "+");  // Shift over Alt
    EXPECT_EQ(modifierPrefix({17, 18, 16, 65}), "^");
    EXPECT_EQ(modifierPrefix({0, 18, 0, 65}), "%");
    EXPECT_EQ(modifierPrefix({0, 0, 0, 65}), "");
}

TEST(ReplayPlan, EachSlotAgainstThePreviousOne) {
    const Macro macro = macroOf("6,6", {"1,0,100,200,65,0,0,16",  // held at event 1: pressed at once
                                        "1,1,110,210,65,0,0,16",  // same key held: typed once
                                        "0,2,120,220,0,0,0,0",    // release: left up, no key
                                        "0,3,130,230,65,0,0,0",   // key again: typed again
                                        "4,4,140,240,112,0,17,0",
                                        "4,5,150,250,13,18,0,0"});
    EXPECT_EQ(planSlot(macro, 1), (SlotPlay{100, 200, kMouseLeftDown, "+A"}));
    EXPECT_EQ(planSlot(macro, 2), (SlotPlay{110, 210, std::nullopt, ""}));
    EXPECT_EQ(planSlot(macro, 3), (SlotPlay{120, 220, kMouseLeftUp, ""}));
    EXPECT_EQ(planSlot(macro, 4), (SlotPlay{130, 230, std::nullopt, "A"}));
    EXPECT_EQ(planSlot(macro, 5), (SlotPlay{140, 240, kMouseMiddleDown, "^{F1}"}));
    EXPECT_EQ(planSlot(macro, 6), (SlotPlay{150, 250, std::nullopt, "%{ENTER}"}));
}

TEST(Replay, PlaysEveryEventOnceAndEndsAtOneHundred) {
    const Macro macro = macroOf("3,3", {"0,0,1,1,0,0,0,0", "1,1,2,2,0,0,0,0", "1,2,3,3,0,0,0,0"});
    Replay replay;
    replay.start();
    std::vector<int> progress;
    int played = 0;
    for (int i = 0; i < 10; ++i) {
        const Replay::Tick tick = replay.tick(macro);
        if (tick.play) ++played;
        progress.push_back(tick.progress);
        if (tick.finished) break;
    }
    EXPECT_EQ(played, 3);
    EXPECT_EQ(progress, (std::vector<int>{66, 100, 100}));  // R / T after each tick, R ends at S = 4 > T
    // The left button pressed at event 2 is still held: the end releases it.
    EXPECT_EQ(replay.releaseHeld(), (std::vector<std::uint32_t>{kMouseLeftUp}));
    EXPECT_TRUE(replay.releaseHeld().empty());
}

TEST(Replay, GuardsAgainstMacrosItCannotPlay) {
    // No event: the first tick ends the replay without playing or reading past the macro.
    Replay replay;
    replay.start();
    Replay::Tick tick = replay.tick(Macro{});
    EXPECT_FALSE(tick.play);
    EXPECT_TRUE(tick.finished);
    EXPECT_EQ(tick.progress, 100);
    replay.start();
    tick = replay.tick(macroOf("0,0", {}));
    EXPECT_TRUE(tick.finished);
    EXPECT_FALSE(tick.play);

    // An event whose tick is not below T is passed over, and the replay still ends.
    const Macro handMade = macroOf("3,2", {"0,0,1,1,0,0,0,0", "2,9,2,2,0,0,0,0", "0,1,3,3,0,0,0,0"});
    replay.start();
    std::vector<bool> played;
    do {
        tick = replay.tick(handMade);
        played.push_back(tick.play.has_value());
    } while (!tick.finished && played.size() < 10);
    EXPECT_EQ(played, (std::vector<bool>{true, false, true}));
    // A negative T plays nothing and keeps the bar in range.
    const Macro negative = macroOf("1,-5", {"1,0,1,1,0,0,0,0"});
    replay.start();
    tick = replay.tick(negative);
    EXPECT_FALSE(tick.play);
    EXPECT_TRUE(tick.finished);
    EXPECT_GE(tick.progress, 0);
    EXPECT_LE(tick.progress, 100);
}

TEST(Replay, ARestartOrAButtonSwitchStillReleasesEverything) {
    const Macro macro = macroOf("3,3", {"1,0,1,1,0,0,0,0", "2,1,1,1,0,0,0,0", "0,2,1,1,0,0,0,0"});
    Replay replay;
    replay.start();
    replay.tick(macro);  // left down
    replay.tick(macro);  // right down, left left held
    replay.tick(macro);  // right up
    EXPECT_EQ(replay.releaseHeld(), (std::vector<std::uint32_t>{kMouseLeftUp}));
    replay.start();
    replay.tick(macro);
    replay.start();  // a restart cut it off: the owner asks for the releases
    EXPECT_EQ(replay.releaseHeld(), (std::vector<std::uint32_t>{kMouseLeftUp}));
}

TEST(Pacing, DeadlinesDoNotDrift) {
    TickPacer pacer;
    pacer.start(0, 10'000);
    // Every tick arrives 300 us late and takes 200 us; the schedule stays on k × 10 ms.
    std::int64_t now = 10'000 + 300;
    for (int k = 1; k < 1000; ++k) {
        const std::uint32_t delay = pacer.nextDelayMs(now + 200);
        EXPECT_GE(delay, 1u);
        // The next tick fires at the next deadline (the timer's rounding puts it later).
        const std::int64_t deadline = static_cast<std::int64_t>(k + 1) * 10'000;
        EXPECT_GE(now + 200 + static_cast<std::int64_t>(delay) * 1000, deadline);
        now = deadline + 300;
    }
    // A tick late by many periods starts the schedule again instead of rushing.
    EXPECT_EQ(pacer.nextDelayMs(now + 1'000'000), 10u);
}

TEST(Pacing, TimeBaseField) {
    EXPECT_EQ(parseTimeBase("10"), 10u);
    EXPECT_EQ(parseTimeBase(" 1 "), 1u);
    EXPECT_EQ(parseTimeBase("65535"), 65535u);
    for (const char* bad : {"", "0", "65536", "-5", "1.5", "1e3", "abc", "10 ms", "999999999999"})
        EXPECT_FALSE(parseTimeBase(bad)) << bad;
}

}  // namespace
}  // namespace tolvare::macro
