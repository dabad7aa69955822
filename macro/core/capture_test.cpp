#include "macro/core/capture.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace tolvare::macro {
namespace {

// Key states as a scripted keyboard answers them: a code held answers 0x8000 to every query;
// a code clicked since the previous query answers 1 once, then 0.
class ScriptedKeys final : public KeyStateSource {
public:
    std::map<int, bool> held;
    std::map<int, bool> clickedSinceLastQuery;
    std::vector<int> queries;

    std::int16_t asyncKeyState(int code) override {
        queries.push_back(code);
        if (held[code]) return static_cast<std::int16_t>(0x8000);
        if (clickedSinceLastQuery[code]) {
            clickedSinceLastQuery[code] = false;
            return 1;
        }
        return 0;
    }
};

constexpr ScreenSize kScreen{1024, 768};

TEST(CaptureScaling, PixelsToTheAbsoluteRange) {
    EXPECT_EQ(scaleToAbsolute(1023, 1024), 65471);
    EXPECT_EQ(scaleToAbsolute(0, 1024), 0);
    EXPECT_EQ(scaleToAbsolute(512, 1024), 32768);  // 32767.5, half to even
    EXPECT_EQ(scaleToAbsolute(384, 768), 32768);
    EXPECT_EQ(scaleToAbsolute(-10, 1024), -640);    // a monitor left of the primary one
    EXPECT_EQ(scaleToAbsolute(5, 0), 0);
}

TEST(CaptureScaling, EveryPixelComesBackFromItsAbsoluteCoordinate) {
    for (int extent : {1, 2, 640, 768, 1023, 1366, 1920, 2160, 3840, 7680}) {
        for (int pixel = -extent / 2; pixel < extent + extent / 2; ++pixel)
            ASSERT_EQ(pixelForAbsolute(scaleToAbsolute(pixel, extent), extent), pixel) << pixel << " of " << extent;
    }
    EXPECT_EQ(pixelForAbsolute(65535, 1024), 1024);  // the far edge, just off the screen
}

TEST(CaptureTick, ButtonsAndTheFirstTickAfterAReset) {
    Macro macro;
    ScriptedKeys keys;
    keys.held[1] = true;
    keys.held[65] = true;
    // The first tick records the cursor but never the button (the click that started it),
    // and polls no key either.
    ASSERT_TRUE(captureTick(macro, {1023, 0}, kScreen, keys));
    EXPECT_EQ(macro.mouse(1), (MouseSample{65471, 0, 0, 0}));
    EXPECT_EQ(macro.keys(1), KeySample{});
    // Later ticks record the held button and still no key.
    ASSERT_TRUE(captureTick(macro, {0, 767}, kScreen, keys));
    EXPECT_EQ(macro.mouse(2).button, 1);
    EXPECT_EQ(macro.mouse(2).tick, 1);
    EXPECT_EQ(macro.keys(2), KeySample{});

    // A click that came and went between two ticks answers 1 then 0: the second query is not
    // exactly 1, so it counts as held. Right (2) is found before middle (4).
    keys.held.clear();
    keys.clickedSinceLastQuery[2] = true;
    keys.held[4] = true;
    ASSERT_TRUE(captureTick(macro, {0, 0}, kScreen, keys));
    EXPECT_EQ(macro.mouse(3).button, 2);
    // Each button is queried twice in a row.
    keys.held.clear();
    keys.queries.clear();
    ASSERT_TRUE(captureTick(macro, {0, 0}, kScreen, keys));
    ASSERT_GE(keys.queries.size(), 8u);
    EXPECT_EQ(std::vector<int>(keys.queries.begin(), keys.queries.begin() + 8),
              (std::vector<int>{1, 1, 2, 2, 3, 3, 4, 4}));
    EXPECT_EQ(macro.slotCount(), 4);
    EXPECT_EQ(macro.tickCount(), 4);
}

TEST(CaptureTick, KeysAndModifiers) {
    Macro macro;
    ScriptedKeys keys;
    // A key held at the first tick is recorded when no button is.
    keys.held[65] = true;
    keys.held[66] = true;
    keys.held[16] = true;
    ASSERT_TRUE(captureTick(macro, {0, 0}, kScreen, keys));
    EXPECT_EQ(macro.keys(1), (KeySample{0, 0, 16, 66}));  // the highest code held wins

    // Modifiers alone record nothing; codes 16-18 are never keys.
    keys.held.clear();
    keys.held[16] = keys.held[17] = keys.held[18] = true;
    ASSERT_TRUE(captureTick(macro, {0, 0}, kScreen, keys));
    EXPECT_EQ(macro.keys(2), KeySample{});

    keys.held[112] = true;
    ASSERT_TRUE(captureTick(macro, {0, 0}, kScreen, keys));
    EXPECT_EQ(macro.keys(3), (KeySample{17, 18, 16, 112}));

    // Codes past 125 are not polled.
    keys.held.clear();
    keys.held[126] = true;
    keys.queries.clear();
    ASSERT_TRUE(captureTick(macro, {0, 0}, kScreen, keys));
    EXPECT_EQ(macro.keys(4), KeySample{});
    EXPECT_EQ(keys.queries.size(), 8u + 15u + 107u);
}

}  // namespace
}  // namespace tolvare::macro
