#include "library/devices/core/media_commands.h"

#include <array>

namespace korvel::media {

namespace {

// "%1" stands for the file argument.
struct CommandRow {
    MediaMember member;
    std::array<std::string_view, 2> commands;  // unused places are empty
};

constexpr CommandRow kCommandTable[] = {
    {MediaMember::FermerCD, {"Set cdaudio door closed wait"}},
    {MediaMember::OuvrirCD, {"Set cdaudio door Open wait"}},
    {MediaMember::OuvrirMP3, {"Open %1 Alias Sonido"}},
    {MediaMember::JouerMP3, {"Play sonido"}},
    {MediaMember::StopMP3, {"Stop sonido", "Close sonido"}},
    // Stopping without closing keeps the position, so that a later play goes on from there.
    {MediaMember::PauseMP3, {"Stop sonido"}},
    {MediaMember::JouerUnWav, {"play %1"}},
};

constexpr std::string_view kFilePlace = "%1";

}  // namespace

std::vector<std::string> mediaCommands(MediaMember member, std::string_view fileArgument) {
    std::vector<std::string> commands;
    for (const CommandRow& row : kCommandTable) {
        if (row.member != member) continue;
        for (std::string_view pattern : row.commands) {
            if (pattern.empty()) continue;
            std::string command(pattern);
            if (size_t place = command.find(kFilePlace); place != std::string::npos)
                command.replace(place, kFilePlace.size(), fileArgument);
            commands.push_back(std::move(command));
        }
    }
    return commands;
}

std::optional<std::string> mediaFileArgument(std::string_view name) {
    bool blanks = false;
    size_t quotes = 0;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        if (c == ' ') blanks = true;
        if (c == '"') ++quotes;
    }
    if (quotes == 0) return blanks ? "\"" + std::string(name) + "\"" : std::string(name);
    const bool wrappedWhole = quotes == 2 && name.size() >= 2 && name.front() == '"' && name.back() == '"';
    if (wrappedWhole) return std::string(name);
    return std::nullopt;
}

}  // namespace korvel::media
