#include "library/initreg/core/registry_rules.h"

#include <gtest/gtest.h>

namespace korvel::registry {
namespace {

TEST(KeyPath, SplitsAtTheFirstBackslash) {
    KeyPath p = parseKeyPath(L"HKEY_CURRENT_USER\\Software\\X");
    EXPECT_TRUE(p.wellFormed);
    EXPECT_EQ(p.root, 0x80000001u);
    EXPECT_EQ(p.subkey, L"Software\\X");

    p = parseKeyPath(L"HKEY_CURRENT_USER");
    EXPECT_TRUE(p.wellFormed);
    EXPECT_EQ(p.root, 0x80000001u);
    EXPECT_EQ(p.subkey, L"");

    // A doubled backslash keeps the second in the subkey: the platform judges it.
    p = parseKeyPath(L"HKEY_LOCAL_MACHINE\\\\a");
    EXPECT_EQ(p.root, 0x80000002u);
    EXPECT_EQ(p.subkey, L"\\a");
}

TEST(KeyPath, IllFormedPathsAreRefusedBeforeAnyRootIsLookedUp) {
    for (const wchar_t* path : {L"", L"HKEY", L"hkey_current_user\\Software", L"HKEY_CURRENT_USER\\",
                                L"HKEY_CURRENT_USER\\Software\\", L"\\\\\\", L"Software\\HKEY_CURRENT_USER"}) {
        KeyPath p = parseKeyPath(path);
        EXPECT_FALSE(p.wellFormed) << path;
        EXPECT_EQ(p.root, 0u) << path;
    }
    EXPECT_TRUE(parseKeyPath(L"HKEY_").wellFormed);
    EXPECT_EQ(incorrectFormatMessage(L"x\\"), L"Incorrect Format:\n\nx\\");
    std::wstring huge(100000, L'k');
    EXPECT_EQ(incorrectFormatMessage(huge), L"Incorrect Format:\n\n" + huge.substr(0, 1024 - 19));
}

TEST(KeyPath, UnknownRootsAreWellFormedButLeadNowhere) {
    KeyPath p = parseKeyPath(L"HKEY_FOO\\Bar");
    EXPECT_TRUE(p.wellFormed);
    EXPECT_EQ(p.root, 0u);
    EXPECT_EQ(p.subkey, L"Bar");
    // A NUL character is part of the name and makes it unknown.
    EXPECT_EQ(parseKeyPath(std::wstring(L"HKEY_USERS\0x", 12)).root, 0u);
    EXPECT_EQ(parseKeyPath(std::wstring(100000, L'H')).root, 0u);
}

TEST(KeyPath, TheSevenRootsExactly) {
    EXPECT_EQ(rootKeyOf(L"HKEY_CLASSES_ROOT"), 0x80000000u);
    EXPECT_EQ(rootKeyOf(L"HKEY_CURRENT_USER"), 0x80000001u);
    EXPECT_EQ(rootKeyOf(L"HKEY_LOCAL_MACHINE"), 0x80000002u);
    EXPECT_EQ(rootKeyOf(L"HKEY_USERS"), 0x80000003u);
    EXPECT_EQ(rootKeyOf(L"HKEY_PERFORMANCE_DATA"), 0x80000004u);
    EXPECT_EQ(rootKeyOf(L"HKEY_CURRENT_CONFIG"), 0x80000005u);
    EXPECT_EQ(rootKeyOf(L"HKEY_DYN_DATA"), 0x80000006u);
    EXPECT_EQ(rootKeyOf(L"HKEY_Current_User"), 0u);
    EXPECT_EQ(rootKeyOf(L"HKEY_CURRENT_USER "), 0u);
    EXPECT_EQ(rootKeyOf(L""), 0u);
}

TEST(ErrorMessages, TableAndUndefinedCodes) {
    EXPECT_EQ(errorMessage(2), L"Mauvais nom de cle");
    EXPECT_EQ(errorMessage(1010), L"Mauvais nom de cle");
    EXPECT_EQ(errorMessage(4), L"Ne peut lire la cle");
    EXPECT_EQ(errorMessage(1012), L"Ne peut lire la cle");
    EXPECT_EQ(errorMessage(5), L"L'access a cette cle ne peut se faire");
    EXPECT_EQ(errorMessage(8), L"Pas assez de memoire");
    EXPECT_EQ(errorMessage(14), L"Pas assez de memoire");
    EXPECT_EQ(errorMessage(87), L"Parametre Invalide");
    EXPECT_EQ(errorMessage(234), L"Il y a plus de donnees que le buffer ne peut en supporter.");
    EXPECT_EQ(errorMessage(1009), L"La base de Registre est corrompu!");
    EXPECT_EQ(errorMessage(1015), L"La base de Registre est corrompu!");
    EXPECT_EQ(errorMessage(1011), L"Ne peut ouvrir la cle");
    EXPECT_EQ(errorMessage(1013), L"Ne peut ecrire la cle");
    EXPECT_EQ(errorMessage(1014), L"Code d'Erreur indefini:   1014");
    EXPECT_EQ(errorMessage(0), L"Code d'Erreur indefini:   0");
    EXPECT_EQ(errorMessage(-5), L"Code d'Erreur indefini:  -5");
    EXPECT_EQ(errorMessage(-2147483647L - 1), L"Code d'Erreur indefini:  -2147483648");
}

TEST(StringBuffer, BlanksTrimmedAndTheTerminatorDropped) {
    auto buffer = [](std::wstring stored) {
        stored.push_back(L'\0');
        stored.resize(255, L' ');
        return stored;
    };
    EXPECT_EQ(textOfStringBuffer(buffer(L"abc")), L"abc");
    EXPECT_EQ(textOfStringBuffer(buffer(L"  abc ")), L"abc ");
    EXPECT_EQ(textOfStringBuffer(buffer(L"   ")), L"");
    EXPECT_EQ(textOfStringBuffer(buffer(std::wstring(254, L'x'))), std::wstring(254, L'x'));
    // Stored with no data: the buffer is untouched.
    EXPECT_EQ(textOfStringBuffer(std::wstring(255, L' ')), L"");
    EXPECT_EQ(textOfStringBuffer(L""), L"");
}

TEST(KeyDeletion, NeverTheRootItself) {
    EXPECT_FALSE(deletableSubkey(L""));
    EXPECT_FALSE(deletableSubkey(L"\\Software"));
    EXPECT_TRUE(deletableSubkey(L"Software\\X"));
}

}  // namespace
}  // namespace korvel::registry
