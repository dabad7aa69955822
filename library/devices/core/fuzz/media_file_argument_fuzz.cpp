// Fuzz target for the file names callers put into media commands: whatever the name, an
// accepted one makes a command that the media interface splits (at blanks, double quotes
// grouping) into exactly the words of the command with the name as one of them. Linked with
// common/fuzz/replay_main.cpp it is an ordinary program that runs the saved inputs given on its
// command line.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "library/devices/core/media_commands.h"

namespace {

using namespace korvel::media;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "media command invariant broken: %s\n", what);
        std::abort();
    }
}

// The words of a command as a string-command parser reads them: blanks separate words, and a
// double-quoted run is one word without its quotes.
std::vector<std::string> wordsOf(std::string_view command) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < command.size()) {
        if (command[i] == ' ') {
            ++i;
            continue;
        }
        std::string word;
        if (command[i] == '"') {
            const size_t end = command.find('"', i + 1);
            word = std::string(command.substr(i + 1, end == std::string_view::npos ? end : end - i - 1));
            i = end == std::string_view::npos ? command.size() : end + 1;
        } else {
            const size_t end = command.find(' ', i);
            word = std::string(command.substr(i, end == std::string_view::npos ? end : end - i));
            i = end == std::string_view::npos ? command.size() : end;
        }
        words.push_back(word);
    }
    return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> argument = mediaFileArgument(name);
    bool controls = false;
    for (char c : name) controls = controls || static_cast<unsigned char>(c) < 0x20;
    if (!argument) {
        check(controls || name.find('"') != std::string_view::npos, "only quotes and control characters refuse");
        return 0;
    }
    check(!controls, "no control character reaches a command");
    // An empty or all-blank name is no word at all; any other is exactly one.
    const bool blank = name.find_first_not_of(" \"") == std::string_view::npos;
    const std::vector<std::string> open = wordsOf(mediaCommands(MediaMember::OuvrirMP3, *argument).front());
    const std::vector<std::string> play = wordsOf(mediaCommands(MediaMember::JouerUnWav, *argument).front());
    if (blank) {
        check(open.size() <= 4 && play.size() <= 2, "a blank name adds no word");
        return 0;
    }
    check(open.size() == 4 && open[0] == "Open" && open[2] == "Alias" && open[3] == "Sonido",
          "the open command keeps its words");
    check(play.size() == 2 && play[0] == "play", "the play command keeps its words");
    check(open[1] == play[1], "the name is the same word in both");
    const bool quotedWhole = name.size() >= 2 && name.front() == '"' && name.back() == '"';
    check(open[1] == (quotedWhole ? name.substr(1, name.size() - 2) : name), "the word is the caller's name");
    return 0;
}
