#include "library/internet/core/message_file.h"

#include "library/internet/core/host_text.h"

namespace korvel::internet {

std::string headerValue(std::string_view value) {
    std::string text;
    text.reserve(value.size());
    bool inBreak = false;
    for (char c : value) {
        if (c == '\r' || c == '\n') {
            if (!inBreak) text += ' ';
            inBreak = true;
        } else {
            text += c;
            inBreak = false;
        }
    }
    return text;
}

std::string composeMessageFile(const MessageFields& f) {
    constexpr std::string_view kEnd = "\r\n";
    std::string file = "From: <" + headerValue(f.from) + ">";
    file += kEnd;
    if (f.to.empty()) return file;
    auto quoted = [&](std::string_view name, std::string_view value) {
        if (value.empty()) return;
        file += name;
        file += ": \"" + headerValue(value) + "\"";
        file += kEnd;
    };
    quoted("To", f.to);
    quoted("CC", f.cc);
    quoted("BCC", f.bcc);
    file += "Subject: " + headerValue(f.subject);
    file += kEnd;
    file += "X-Priority:" + numberWithSign(f.priority) + " ";
    file += kEnd;
    file += "X-Unsent: 1";
    file += kEnd;
    file += kEnd;
    file += f.body;
    file += kEnd;
    return file;
}

}  // namespace korvel::internet
