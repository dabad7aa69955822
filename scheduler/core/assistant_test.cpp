#include "scheduler/core/assistant.h"

#include <gtest/gtest.h>

namespace tolvare::scheduler {
namespace {

using Paths = std::vector<std::string>;

TEST(Assistant, EachOptionWritesItsKindAndNoneWritesTheAddress) {
    AssistantChoice choice;
    choice.fileName = "C:\\Outils\\copie.bat";
    choice.folder = "C:\\Echange";
    choice.address = "http://";
    EXPECT_EQ(assistantAction(choice), "IEURL=http://");
    choice.option = AssistantOption::Program;
    EXPECT_EQ(assistantAction(choice), "C:\\Outils\\copie.bat");
    // A chosen file with blanks in its path is one command, not a command and its arguments;
    // what the user typed stays as typed.
    choice.fileName = "C:\\Program Files\\Outil\\outil.exe";
    EXPECT_EQ(assistantAction(choice), "C:\\Program Files\\Outil\\outil.exe");
    choice.fileNameIsAFile = true;
    EXPECT_EQ(assistantAction(choice), "\"C:\\Program Files\\Outil\\outil.exe\"");
    choice.fileName = "\"C:\\Program Files\\Outil\\outil.exe\" /q";
    EXPECT_EQ(assistantAction(choice), choice.fileName);
    choice.option = AssistantOption::Macro;
    choice.fileName = "C:\\Program Files\\PLENAR\\Macro_01.txt";
    EXPECT_EQ(assistantAction(choice), "MACRO=C:\\Program Files\\PLENAR\\Macro_01.txt");
    choice.option = AssistantOption::Share;
    EXPECT_EQ(assistantAction(choice), "SHARE=C:\\Echange");
    choice.option = AssistantOption::Address;
    choice.address = "http://exemple.fr/\xe9t\xe9";
    EXPECT_EQ(assistantAction(choice), "IEURL=http://exemple.fr/\xe9t\xe9");
}

TEST(Assistant, TimesOfExactlyFiveCharactersAreTakenAsTyped) {
    EXPECT_EQ(assistantTime({2024, 3, 1, 14, 5, 33}), "14:05");
    EXPECT_EQ(assistantTime({2024, 3, 1, 0, 0, 0}), "00:00");

    for (const char* time : {"14:05", "25:99", "ab:cd", "     ", "\xc3\xa9t\xc3\xa9!!"})
        EXPECT_TRUE(assistantTimeAccepted(time)) << time;
    for (const char* time : {"9:05", "", "14:05:33", "14:055", "\xc3\xa9t\xc3\xa9!"})
        EXPECT_FALSE(assistantTimeAccepted(time)) << time;
}

TEST(Assistant, TheNewRowTakesItsPlaceByKeyFirstAmongItsKey) {
    std::vector<ActionLine> rows = parseList("07:45=b\r\n12:30=c\r\n18:00=a\r\n12:30=d").rows;
    sortRows(rows);
    EXPECT_EQ(addAssistantRow(rows, "12:30", "new"), 1u);
    EXPECT_EQ(rows[1], (ActionLine{"12:30", "new", "1230"}));
    EXPECT_EQ(rows[2].action, "c");
    EXPECT_EQ(rows[3].action, "d");

    EXPECT_EQ(addAssistantRow(rows, "25:99", "late"), 5u);
    EXPECT_EQ(rows[5].sortKey, "2599");
    EXPECT_EQ(addAssistantRow(rows, "ab:cd", "text"), 6u);
    EXPECT_EQ(rows[6].sortKey, "abcd");
    EXPECT_EQ(addAssistantRow(rows, "00:00", "first"), 0u);

    std::vector<ActionLine> empty;
    EXPECT_EQ(addAssistantRow(empty, "08:00", "IEURL=http://"), 0u);
    EXPECT_EQ(serializeList(empty), "08:00=IEURL=http://\r\n");
}

TEST(Assistant, FolderChainsRunFromTheRootDown) {
    EXPECT_EQ(folderChain("C:\\users\\\xc3\xa9lise"), (Paths{"C:\\", "C:\\users", "C:\\users\\\xc3\xa9lise"}));
    EXPECT_EQ(folderChain("C:\\users\\"), (Paths{"C:\\", "C:\\users"}));
    EXPECT_EQ(folderChain("C:\\"), (Paths{"C:\\"}));
    EXPECT_EQ(folderChain("z:"), (Paths{"z:\\"}));
    EXPECT_EQ(folderChain("C:\\a\\\\b"), (Paths{"C:\\", "C:\\a", "C:\\a\\\\b"}));
    EXPECT_EQ(folderChain("\\\\serveur\\partage\\docs"),
              (Paths{"\\\\serveur\\partage\\", "\\\\serveur\\partage\\docs"}));
    EXPECT_EQ(folderChain("\\\\serveur\\partage"), (Paths{"\\\\serveur\\partage\\"}));
    EXPECT_EQ(folderChain("\\\\?\\C:\\long"), (Paths{"\\\\?\\C:\\", "\\\\?\\C:\\long"}));
    EXPECT_EQ(folderChain("\\\\?\\UNC\\serveur\\partage\\a"),
              (Paths{"\\\\?\\UNC\\serveur\\partage\\", "\\\\?\\UNC\\serveur\\partage\\a"}));
    // Nothing that names no root is split.
    EXPECT_EQ(folderChain("relatif\\a"), (Paths{"relatif\\a"}));
    EXPECT_EQ(folderChain("\\\\serveur"), (Paths{"\\\\serveur"}));
    EXPECT_EQ(folderChain(""), (Paths{""}));

    EXPECT_EQ(folderEntryName("C:\\users\\\xc3\xa9lise"), "\xc3\xa9lise");
    EXPECT_EQ(folderEntryName("C:\\users\\"), "users");
    EXPECT_EQ(folderEntryName("C:\\"), "C:\\");
    EXPECT_EQ(folderEntryName("\\\\serveur\\partage\\"), "\\\\serveur\\partage\\");
    EXPECT_EQ(folderEntryName("\\\\?\\C:\\long"), "long");
    EXPECT_EQ(subfolderPath("C:\\", "users"), "C:\\users");
    EXPECT_EQ(subfolderPath("C:\\users", "a"), "C:\\users\\a");
    for (const std::string& path : folderChain("\\\\serveur\\partage\\a\\b"))
        EXPECT_EQ(folderChain(path).back(), path);
}

}  // namespace
}  // namespace tolvare::scheduler
