#include "scheduler/core/journal.h"

#include <gtest/gtest.h>

#include "scheduler/core/action_list.h"

namespace tolvare::scheduler {
namespace {

TEST(JournalLine, ThreeFieldsOnOneLineWhateverTheRowHolds) {
    const LocalDateTime when{2026, 12, 9, 7, 45, 0};
    struct Case {
        std::string_view listText, note, expected;
    };
    const Case cases[] = {
        {"07:45=notepad.exe", "processus 1234", "2026-12-09 07:45:00\tE\t07:45=notepad.exe (processus 1234)\r\n"},
        {"07:45=notepad.exe", "", "2026-12-09 07:45:00\tE\t07:45=notepad.exe\r\n"},
        {"", "http://a/l.txt : statut HTTP 404", "2026-12-09 07:45:00\tE\thttp://a/l.txt : statut HTTP 404\r\n"},
        {"", "", "2026-12-09 07:45:00\tE\t\r\n"},
        // A tab or a lone line end inside a row would make a line of more fields, or two lines.
        {"07:45=a\tb\nc\rd", "x\r\ny", "2026-12-09 07:45:00\tE\t07:45=a b c d (x  y)\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(journalLine(when, "E", c.listText, c.note), c.expected) << c.listText;
    EXPECT_EQ(journalLine({2027, 1, 2, 23, 5, 9}, "Liste lue", "", "3 lignes"),
              "2027-01-02 23:05:09\tListe lue\t3 lignes\r\n");
}

TEST(JournalRotation, AtTheLimitAndNeverForAnEmptyJournal) {
    EXPECT_FALSE(journalNeedsRotation(0, kJournalRotationBytes * 2));
    EXPECT_FALSE(journalNeedsRotation(kUtf8ByteOrderMark.size(), kJournalRotationBytes * 2));
    EXPECT_FALSE(journalNeedsRotation(kJournalRotationBytes - 100, 100));
    EXPECT_TRUE(journalNeedsRotation(kJournalRotationBytes - 100, 101));
    EXPECT_TRUE(journalNeedsRotation(kJournalRotationBytes + 5, 1));
}

TEST(TableTime, HourAndMinutesInEitherWidthBecomeHHMM) {
    const std::pair<std::string_view, std::optional<std::string>> cases[] = {
        {"8:30", "08:30"}, {"08:30", "08:30"}, {" 9:05 ", "09:05"}, {"0:00", "00:00"}, {"23:59", "23:59"},
        {"24:00", std::nullopt}, {"8:60", std::nullopt}, {"8:3", std::nullopt}, {"830", std::nullopt},
        {"8h30", std::nullopt}, {"08:30=", std::nullopt}, {"", std::nullopt}, {"+8:30", std::nullopt},
        {"008:30", std::nullopt}, {":830", std::nullopt},
    };
    for (const auto& [typed, expected] : cases) EXPECT_EQ(normalizedTableTime(typed), expected) << typed;
}

TEST(ListLines, CountsAsTheLoaderSplits) {
    for (std::string_view bytes : {"", "a", "a\r\n", "a\r\nb", "\n\n", "a\rb\nc\r\n\r\n", "\r"})
        EXPECT_EQ(countListLines(bytes), parseList(bytes).rows.size()) << bytes;
    EXPECT_EQ(countListLines(std::string(kMaxListRows + 7, '\n')), kMaxListRows + 7);
}

}  // namespace
}  // namespace tolvare::scheduler
