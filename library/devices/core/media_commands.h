// The command strings the media members send to the platform's media control interface, in one
// table, and the rule that keeps a caller's file name one argument of its command.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::media {

// Every audio-file member works on one device of the calling process opened under this alias
// (aliases are not case-sensitive: the commands write it "sonido").
inline constexpr std::string_view kDeviceAlias = "Sonido";

enum class MediaMember {
    FermerCD,
    OuvrirCD,
    OuvrirMP3,  // the file is opened; playing it is JouerMP3's command sent after it
    JouerMP3,
    StopMP3,
    PauseMP3,
    JouerUnWav,  // its one command goes to the command executor, not the string-command call
};

// The commands of `member`, in the order they are sent; `fileArgument` (see mediaFileArgument)
// takes the place of the file name in OuvrirMP3's and JouerUnWav's.
std::vector<std::string> mediaCommands(MediaMember member, std::string_view fileArgument = {});

// The caller's file name (system ANSI text) as one argument of a media command, or nothing when
// it cannot be one and no command may be sent:
//  - a name without blanks or quotes is used as written;
//  - a name wrapped whole in one pair of double quotes is used as written (the caller's own
//    quoting, how names with blanks had to be passed);
//  - a name with blanks and no quotes is wrapped in double quotes, so that its words stay the
//    file's name instead of being read as more keywords of the command;
//  - a name with any other double quote, or with a control character (a NUL would end the
//    command early, dropping its alias), is refused.
std::optional<std::string> mediaFileArgument(std::string_view ansiFileName);

}  // namespace korvel::media
