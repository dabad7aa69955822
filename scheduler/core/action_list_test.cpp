#include "scheduler/core/action_list.h"

#include <gtest/gtest.h>

#include "scheduler/core/action.h"

namespace tolvare::scheduler {
namespace {

std::vector<std::string> actions(std::string_view bytes) {
    std::vector<std::string> result;
    for (const ActionLine& row : parseList(bytes).rows) result.push_back(row.action);
    return result;
}

using Lines = std::vector<std::string>;

TEST(ListFile, EveryKindOfLineEndEndsALine) {
    EXPECT_EQ(actions("01:00=a\r\n01:00=b"), (Lines{"a", "b"}));
    EXPECT_EQ(actions("01:00=a\r01:00=b\r"), (Lines{"a", "b"}));
    EXPECT_EQ(actions("01:00=a\n01:00=b\n"), (Lines{"a", "b"}));
    EXPECT_EQ(actions("01:00=a\n\r01:00=b\r\n\r\n"), (Lines{"a", "", "b", ""}));
    EXPECT_EQ(actions("\r\n"), (Lines{""}));
    EXPECT_TRUE(parseList("").rows.empty());

    std::vector<ActionLine> reused = parseList("23:59=a longer action\r\nx\r\ny").rows;
    EXPECT_FALSE(parseListInto("08:30=a\n", reused));
    EXPECT_EQ(reused, parseList("08:30=a").rows);
}

TEST(ListFile, LineSplitsByPosition) {
    EXPECT_EQ(parseLine("08:30=notepad.exe"), (ActionLine{"08:30", "notepad.exe", "0830"}));
    EXPECT_EQ(parseLine("08:30 notepad.exe"), (ActionLine{"08:30", "notepad.exe", "0830"}));
    EXPECT_EQ(parseLine("8:30=notepad.exe"), (ActionLine{"8:30=", "otepad.exe", "8:0="}));
    EXPECT_EQ(parseLine("abc"), (ActionLine{"abc", "abc", "abbc"}));
    EXPECT_EQ(parseLine("08:30"), (ActionLine{"08:30", "08:30", "0830"}));
    EXPECT_EQ(parseLine("08:30="), (ActionLine{"08:30", "", "0830"}));
    EXPECT_EQ(parseLine("7"), (ActionLine{"7", "7", "77"}));
}

TEST(ListFile, AnyBytesLoadWithoutSurprise) {
    std::string binary;
    for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(i));
    const LoadedList all = parseList(binary);
    ASSERT_EQ(all.rows.size(), 3u);  // cut at LF (10), CR (13): nothing else is special
    EXPECT_EQ(all.rows[2].action.size(), 256u - 14 - 6);

    const std::string nuls("08:30=a\0b\0", 10);
    EXPECT_EQ(parseList(nuls).rows.at(0).action, std::string("a\0b\0", 4));

    EXPECT_EQ(parseList(std::string(1000, '\r')).rows.size(), 1000u);
    EXPECT_EQ(parseList(std::string(1000, '\n')).rows.size(), 1000u);

    std::string huge = "12:00=" + std::string(10 * 1024 * 1024, 'x');
    const LoadedList one = parseList(huge);
    ASSERT_EQ(one.rows.size(), 1u);
    EXPECT_EQ(one.rows[0].time, "12:00");
    EXPECT_EQ(one.rows[0].action.size(), huge.size() - 6);

    const LoadedList capped = parseList(std::string(kMaxListRows + 1, '\n'));
    EXPECT_EQ(capped.rows.size(), kMaxListRows);
    EXPECT_TRUE(capped.truncated);
    EXPECT_FALSE(parseList(std::string(kMaxListRows, '\n')).truncated);
}

TEST(ListTable, SortsByKeyNumbersAsNumbersAndKeepsFileOrderOfEqualKeys) {
    std::vector<ActionLine> rows =
        parseList("18:00=a\r\n07:45=b\r\n12:30=c\r\n07:45=d\r\n\r\nabc\r\n 8:30=e\r\n7\r\n").rows;
    sortRows(rows);
    std::vector<std::string> order;
    for (const ActionLine& row : rows) order.push_back(row.action);
    // "7" is the number 77; a text key sits among numbers by its bytes.
    EXPECT_EQ(order, (Lines{"", "e", "7", "b", "d", "c", "a", "abc"}));

    EXPECT_LT(compareSortKeys("2", "10"), 0);
    EXPECT_EQ(compareSortKeys("0830", "830"), 0);
    EXPECT_LT(compareSortKeys("", "0000"), 0);
    EXPECT_LT(compareSortKeys("2359", "\x80"), 0);  // bytes compare unsigned
    // Numbers and text meet in one consistent order (2 < 10 < 1a < 2 would not be one).
    EXPECT_LT(compareSortKeys("10", "1a"), 0);
    EXPECT_LT(compareSortKeys("2", "1a"), 0);
}

TEST(ListTable, SavedTextDropsOnlyEmptyRows) {
    std::vector<ActionLine> rows = parseList("18:00=a\r\n07:45=b\n\r\n12:30=c").rows;
    sortRows(rows);
    rows.push_back({"", "notepad.exe", ""});
    rows.push_back({"08:30", "", "0830"});
    rows.push_back({});
    EXPECT_EQ(serializeList(rows), "07:45=b\r\n12:30=c\r\n18:00=a\r\n=notepad.exe\r\n08:30=\r\n");
    EXPECT_EQ(serializeList(parseList("08:30 notepad.exe").rows), "08:30=notepad.exe\r\n");
    EXPECT_EQ(serializeList({}), "");
}

TEST(ActionKinds, PrefixChoosesTheKindWithoutRegardToCase) {
    struct Case {
        std::string_view text;
        ActionKind kind;
        std::string_view argument;
    };
    const Case cases[] = {
        {"macro=Macro_01.txt", ActionKind::Macro, "Macro_01.txt"},
        {"SHARE=C:\\Echange", ActionKind::Share, "C:\\Echange"},
        {"IeUrl=http://Host/A", ActionKind::Address, "http://Host/A"},
        {"IEURL=", ActionKind::Address, ""},
        {"SHAREX C:\\x", ActionKind::Program, "SHAREX C:\\x"},
        {"MACRO", ActionKind::Program, "MACRO"},
        {"C:\\Windows\\notepad.exe", ActionKind::Program, "C:\\Windows\\notepad.exe"},
        {"\315ACRO=x", ActionKind::Program, "\315ACRO=x"},
    };
    for (const Case& c : cases) {
        const ActionCommand command = classifyAction(c.text);
        EXPECT_EQ(command.kind, c.kind) << c.text;
        EXPECT_EQ(command.argument, c.argument) << c.text;
    }
    EXPECT_EQ(addressCommandLine("http://a/b"), "start.exe http://a/b");
}

}  // namespace
}  // namespace tolvare::scheduler
