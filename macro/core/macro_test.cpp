#include "macro/core/macro.h"

#include <gtest/gtest.h>

#include "macro/core/capture.h"
#include "macro/core/macro_path.h"

namespace tolvare::macro {
namespace {

const std::string kFiveSampleFile =
    "4,5\r\n"
    "0,0,0,0,0,0,0,0\r\n"
    "1,1,32768,32768,0,0,0,0\r\n"
    "1,2,32768,32768,0,0,0,0\r\n"
    "0,3,32768,16384,65,0,0,16\r\n";

TEST(MacroFile, LoadThenSaveGivesTheSameFile) {
    const std::optional<Macro> macro = parseMacroFile(kFiveSampleFile);
    ASSERT_TRUE(macro);
    EXPECT_EQ(macro->slotCount(), 5);
    EXPECT_EQ(macro->tickCount(), 5);
    EXPECT_EQ(macro->eventCount(), 4);
    EXPECT_EQ(macro->mouse(4), (MouseSample{32768, 16384, 3, 0}));
    EXPECT_EQ(macro->keys(4), (KeySample{0, 0, 16, 65}));
    EXPECT_EQ(macro->mouse(0), MouseSample{});
    EXPECT_EQ(macroFileText(*macro), kFiveSampleFile);

    // Numbers are written back in plain decimal form; extra lines are ignored.
    const std::optional<Macro> loose =
        parseMacroFile(" 2 , -7\n+1, 2,3 ,4,5,6,7,8\r-2147483648,2147483647,0,0,0,0,0,0\nignored, line\n");
    ASSERT_TRUE(loose);
    EXPECT_EQ(macroFileText(*loose),
              "2,-7\r\n1,2,3,4,5,6,7,8\r\n-2147483648,2147483647,0,0,0,0,0,0\r\n");
}

TEST(MacroFile, EmptyMacros) {
    const std::optional<Macro> empty = parseMacroFile("0,0\r\n");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->slotCount(), 1);
    EXPECT_EQ(empty->tickCount(), 0);
    EXPECT_EQ(macroFileText(*empty), "0,0\r\n");
    // A window that never captured saves a file that loads back as no event.
    EXPECT_EQ(macroFileText(Macro{}), "0,0\r\n");
    EXPECT_TRUE(parseMacroFile(macroFileText(Macro{})));
}

TEST(MacroFile, RefusesWhatIsNotAWholeMacroNamingItsFirstWrongLine) {
    const std::pair<const char*, std::size_t> broken[] = {
        {"", 1},
        {"4\r\n", 1},
        {"1,2,3\r\n0,0,0,0,0,0,0,0\r\n", 1},                    // T "2,3" is no number
        {"-1,0\r\n", 1},                                        // negative count
        {"2,5\r\n0,0,0,0,0,0,0,0\r\n", 3},                      // fewer lines than promised
        {"1,5\r\n0,0,0,0,0,0,0\r\n", 2},                        // seven fields
        {"1,5\r\n0,0,0,0,0,0,0,0,0\r\n", 2},                    // a ninth field
        {"1,5\r\n0,0,0,0,0,0,0,x\r\n", 2},
        {"1,5\r\n0,0,0,0,0,0,0,\r\n", 2},
        {"1,5\r\n0,0,0,2147483648,0,0,0,0\r\n", 2},             // past the 32-bit range
        {"1,5\r\n0,0,0,1.5,0,0,0,0\r\n", 2},
        {"3,5\r\n0,0,0,0,0,0,0,0\n0,0,0,0,0,0,0,0\r0,0,0,+-1,0,0,0,0\r\n", 4},
        {"1000000000,1\r\n0,0,0,0,0,0,0,0\r\n", 1},            // a billion events promised
        {"1000001,1\r\n", 1},                                   // one past the limit
        {"\xff\xfe" "1,0\r\n0,0,0,0,0,0,0,0\r\n", 1},
    };
    for (const auto& [text, line] : broken) {
        std::size_t wrongLine = 0;
        EXPECT_FALSE(parseMacroFile(text, &wrongLine)) << text;
        EXPECT_EQ(wrongLine, line) << text;
    }
}

TEST(MacroNumbers, DecimalWholeNumbersInRange) {
    EXPECT_EQ(parseMacroNumber("0"), 0);
    EXPECT_EQ(parseMacroNumber(" -12 "), -12);
    EXPECT_EQ(parseMacroNumber("+12"), 12);
    EXPECT_EQ(parseMacroNumber("2147483647"), 2147483647);
    EXPECT_FALSE(parseMacroNumber(""));
    EXPECT_FALSE(parseMacroNumber("+"));
    EXPECT_FALSE(parseMacroNumber("1 2"));
    EXPECT_FALSE(parseMacroNumber("&H10"));
    EXPECT_FALSE(parseMacroNumber("-2147483649"));
}

class HeldNothing final : public KeyStateSource {
public:
    std::int16_t asyncKeyState(int) override { return 0; }
};

TEST(MacroCapture, AppendingAfterALoadContinuesRightAfterTheLastEvent) {
    std::optional<Macro> macro = parseMacroFile(kFiveSampleFile);
    ASSERT_TRUE(macro);
    HeldNothing keys;
    ASSERT_TRUE(captureTick(*macro, {512, 384}, {1024, 768}, keys));
    // The first new sample takes slot 5, right after the four events; no empty slot between.
    EXPECT_EQ(macro->slotCount(), 5);
    EXPECT_EQ(macro->mouse(5), (MouseSample{32768, 32768, 5, 0}));
    ASSERT_TRUE(captureTick(*macro, {0, 0}, {1024, 768}, keys));
    EXPECT_EQ(macro->slotCount(), 6);
    EXPECT_EQ(macro->mouse(6).tick, 6);
    // Slot 5 is now an event; slot 6 is the last sample, neither played nor saved.
    EXPECT_EQ(macro->eventCount(), 5);
    const std::optional<Macro> saved = parseMacroFile(macroFileText(*macro));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->mouse(5), macro->mouse(5));
    EXPECT_EQ(saved->tickCount(), 7);
}

TEST(MacroCapture, DroppingTrailingSlotsAndTheLimit) {
    Macro macro;
    HeldNothing keys;
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(captureTick(macro, {i, i}, {100, 100}, keys));
    macro.dropLastSlots(2);
    EXPECT_EQ(macro.slotCount(), 4);
    EXPECT_EQ(macro.upperBound(), 4);
    EXPECT_EQ(macro.tickCount(), 6);
    macro.dropLastSlots(100);
    EXPECT_EQ(macro.slotCount(), 0);
    EXPECT_EQ(macro.upperBound(), 0);

    macro.clear();
    for (std::int32_t i = 0; i <= kMaxMacroEvents; ++i) ASSERT_TRUE(macro.addCaptureSlot());
    EXPECT_FALSE(macro.addCaptureSlot());
    EXPECT_EQ(macro.eventCount(), kMaxMacroEvents);
    // The largest macro still loads back.
    EXPECT_TRUE(parseMacroFile(macroFileText(macro)));
}

TEST(MacroPath, NamesInTheProgramFolderFullPathsAsTheyStand) {
    EXPECT_EQ(macroFilePath(L"C:\\PLENAR", L"Macro_01.txt"), L"C:\\PLENAR\\Macro_01.txt");
    EXPECT_EQ(macroFilePath(L"C:\\PLENAR", L""), L"C:\\PLENAR\\");
    EXPECT_EQ(macroFilePath(L"C:\\PLENAR", L"sub\\m.txt"), L"C:\\PLENAR\\sub\\m.txt");
    EXPECT_EQ(macroFilePath(L"C:\\PLENAR", L"D:\\Macros\\m.txt"), L"D:\\Macros\\m.txt");
    EXPECT_EQ(macroFilePath(L"C:\\PLENAR", L"d:/m.txt"), L"d:/m.txt");
    EXPECT_EQ(macroFilePath(L"C:\\PLENAR", L"\\\\server\\share\\m.txt"), L"\\\\server\\share\\m.txt");
    // A drive-relative name and a root-relative one stay in the program folder.
    EXPECT_EQ(macroFilePath(L"C:\\PLENAR", L"D:m.txt"), L"C:\\PLENAR\\D:m.txt");
    EXPECT_FALSE(isFullPath(L"\\m.txt"));
    EXPECT_FALSE(isFullPath(L"1:\\m.txt"));
}

}  // namespace
}  // namespace tolvare::macro
