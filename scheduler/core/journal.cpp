#include "scheduler/core/journal.h"

#include <cstdio>

namespace tolvare::scheduler {

namespace {

void appendField(std::string& line, std::string_view text) {
    for (const char c : text) line.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c);
}

}  // namespace

std::string journalLine(const LocalDateTime& when, std::string_view event, std::string_view listText,
                        std::string_view note) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d\t", when.year, when.month, when.day,
                  when.hour, when.minute, when.second);
    std::string line(stamp);
    line.reserve(line.size() + event.size() + listText.size() + note.size() + 8);
    appendField(line, event);
    line.push_back('\t');
    appendField(line, listText);
    if (!note.empty()) {
        if (!listText.empty()) line.append(" (");
        appendField(line, note);
        if (!listText.empty()) line.push_back(')');
    }
    line.append("\r\n");
    return line;
}

bool journalNeedsRotation(std::uint64_t currentBytes, std::uint64_t lineBytes) {
    if (currentBytes <= kUtf8ByteOrderMark.size()) return false;
    return currentBytes + lineBytes > kJournalRotationBytes;
}

}  // namespace tolvare::scheduler
