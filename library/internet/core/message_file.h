// The Internet message file that EcrireEmail_OutlookExpress leaves for the user's mail program:
// a header marked as unsent, an empty line, the body. Platform-free: ANSI text in and out.
#pragma once

#include <string>
#include <string_view>

namespace korvel::internet {

struct MessageFields {
    std::string_view from, to, cc, bcc, subject;
    short priority = 3;
    std::string_view body;
};

// The whole file, each line ended by CR LF. With no recipient ("To" empty) only the From line
// is written. A header value cannot start a header line of its own: line breaks inside it
// (CR, LF, in any run) become one blank, so a recipient or subject taken from user input
// cannot add "Bcc:" or other headers. The body is written as given.
std::string composeMessageFile(const MessageFields& fields);

// The header value with every run of CR and LF characters replaced by one blank.
std::string headerValue(std::string_view value);

}  // namespace korvel::internet
