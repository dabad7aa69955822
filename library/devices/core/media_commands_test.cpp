#include "library/devices/core/media_commands.h"

#include <gtest/gtest.h>

namespace korvel::media {
namespace {

using Commands = std::vector<std::string>;

TEST(MediaCommands, EachMemberSendsItsStringsInOrder) {
    struct Row {
        MediaMember member;
        std::string_view file;
        Commands expected;
    } rows[] = {
        {MediaMember::FermerCD, "", {"Set cdaudio door closed wait"}},
        {MediaMember::OuvrirCD, "", {"Set cdaudio door Open wait"}},
        {MediaMember::OuvrirMP3, "C:\\musique\\a.mp3", {"Open C:\\musique\\a.mp3 Alias Sonido"}},
        {MediaMember::JouerMP3, "", {"Play sonido"}},
        {MediaMember::StopMP3, "", {"Stop sonido", "Close sonido"}},
        {MediaMember::PauseMP3, "", {"Stop sonido"}},
        {MediaMember::JouerUnWav, "C:\\son.wav", {"play C:\\son.wav"}},
        // The file argument is placed as given, whatever it holds.
        {MediaMember::OuvrirMP3, "\"C:\\mes sons\\a b.mp3\"", {"Open \"C:\\mes sons\\a b.mp3\" Alias Sonido"}},
        {MediaMember::OuvrirMP3, "", {"Open  Alias Sonido"}},
        // Members without a file leave an argument aside.
        {MediaMember::JouerMP3, "ignored", {"Play sonido"}},
    };
    for (const Row& row : rows) EXPECT_EQ(mediaCommands(row.member, row.file), row.expected) << row.file;
}

TEST(MediaFileArgument, OneNameStaysOneArgumentOfItsCommand) {
    struct Row {
        std::string_view name;
        std::optional<std::string> argument;
    } rows[] = {
        {"C:\\son.wav", "C:\\son.wav"},
        {"", ""},
        // Blanks would make the name's words keywords of the command ("a.mp3 type cdaudio").
        {"C:\\mes sons\\a.mp3", "\"C:\\mes sons\\a.mp3\""},
        {"a.mp3 type cdaudio alias autre", "\"a.mp3 type cdaudio alias autre\""},
        {" ", "\" \""},
        // The caller's own quotes around the whole name are kept.
        {"\"C:\\mes sons\\a.mp3\"", "\"C:\\mes sons\\a.mp3\""},
        {"\"\"", "\"\""},
        // Any other quote could close the name and open keywords: refused.
        {"\"a.mp3\" alias autre", std::nullopt},
        {"a.mp3\" alias \"b", std::nullopt},
        {"\"", std::nullopt},
        {"\"a\"b\"", std::nullopt},
        {"a\"b", std::nullopt},
        // Control characters: a NUL would cut the alias off; line breaks and tabs have no place.
        {std::string_view("a.mp3\0 x", 8), std::nullopt},
        {"a.mp3\r\nclose all", std::nullopt},
        {"a\tb", std::nullopt},
        // Characters above ASCII are file-name characters like any other.
        {"C:\\\xe9t\xe9.wav", "C:\\\xe9t\xe9.wav"},
    };
    for (const Row& row : rows) EXPECT_EQ(mediaFileArgument(row.name), row.argument) << row.name;

    const std::string longName(10000, 'n');
    EXPECT_EQ(mediaFileArgument(longName), longName);
    EXPECT_EQ(mediaCommands(MediaMember::JouerUnWav, *mediaFileArgument(longName)).front(), "play " + longName);
}

}  // namespace
}  // namespace korvel::media
