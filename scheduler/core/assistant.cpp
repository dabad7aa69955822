#include "scheduler/core/assistant.h"

#include <algorithm>
#include <utility>

namespace tolvare::scheduler {

namespace {

constexpr std::size_t kTimeCharacters = 5;

// The length of the root a full path starts with, its closing backslash included (which the
// path itself may lack: \\server\share is a root), or nothing when it starts with none.
std::optional<std::size_t> rootLength(std::string_view path) {
    const auto driveAt = [&](std::size_t at) {
        return path.size() >= at + 2 && path[at + 1] == ':' &&
               ((path[at] >= 'A' && path[at] <= 'Z') || (path[at] >= 'a' && path[at] <= 'z'));
    };
    // \\server\share: the two names after the prefix, up to the backslash after the second.
    const auto uncAt = [&](std::size_t at) -> std::optional<std::size_t> {
        const std::size_t server = path.find('\\', at);
        if (server == at || server == std::string_view::npos || server + 1 >= path.size()) return std::nullopt;
        const std::size_t share = path.find('\\', server + 1);
        if (share == server + 1) return std::nullopt;
        return share == std::string_view::npos ? path.size() + 1 : share + 1;
    };
    if (path.starts_with("\\\\?\\UNC\\")) return uncAt(8);
    if (path.starts_with("\\\\?\\")) return driveAt(4) ? std::optional<std::size_t>(7) : std::nullopt;
    if (path.starts_with("\\\\")) return uncAt(2);
    if (driveAt(0)) return 3;
    return std::nullopt;
}

std::string rootOf(std::string_view path, std::size_t length) {
    std::string root(path.substr(0, std::min(length, path.size())));
    if (root.back() != '\\') root.push_back('\\');
    return root;
}

}  // namespace

std::string assistantAction(const AssistantChoice& choice) {
    switch (choice.option.value_or(AssistantOption::Address)) {
    case AssistantOption::Program:
        if (choice.fileNameIsAFile && choice.fileName.find_first_of(" \t") != std::string::npos &&
            !choice.fileName.starts_with('"'))
            return '"' + choice.fileName + '"';
        return choice.fileName;
    case AssistantOption::Macro:
        return "MACRO=" + choice.fileName;
    case AssistantOption::Share:
        return "SHARE=" + choice.folder;
    case AssistantOption::Address:
        break;
    }
    return "IEURL=" + choice.address;
}

std::string assistantTime(const LocalDateTime& now) {
    return formatTimeOfDay(now.hour * 60 + now.minute);
}

bool assistantTimeAccepted(std::string_view utf8Time) {
    // Continuation bytes belong to the character before them.
    const auto characters = std::count_if(utf8Time.begin(), utf8Time.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    return static_cast<std::size_t>(characters) == kTimeCharacters;
}

std::size_t addAssistantRow(std::vector<ActionLine>& rows, std::string time, std::string action) {
    std::string key = makeSortKey(time);
    rows.insert(rows.begin(), ActionLine{std::move(time), std::move(action), key});
    sortRows(rows);
    // The sort keeps equal keys in their order, so the new row is the first of its key.
    const auto place = std::find_if(rows.begin(), rows.end(), [&](const ActionLine& row) {
        return compareSortKeys(row.sortKey, key) >= 0;
    });
    return static_cast<std::size_t>(place - rows.begin());
}

std::vector<std::string> folderChain(std::string_view path) {
    const std::optional<std::size_t> root = rootLength(path);
    if (!root) return {std::string(path)};
    std::vector<std::string> chain{rootOf(path, *root)};
    std::size_t end = path.size();
    while (end > *root && path[end - 1] == '\\') --end;
    std::size_t at = *root;
    while (at < end) {
        std::size_t next = path.find('\\', at);
        if (next == std::string_view::npos || next > end) next = end;
        // Doubled backslashes name no folder.
        if (next > at) chain.push_back(std::string(path.substr(0, next)));
        at = next + 1;
    }
    return chain;
}

std::string_view folderEntryName(std::string_view path) {
    const std::optional<std::size_t> root = rootLength(path);
    std::size_t end = path.size();
    const std::size_t keep = root ? *root : 1;
    while (end > keep && path[end - 1] == '\\') --end;
    if (root && end <= *root) return path;
    const std::size_t slash = path.substr(0, end).rfind('\\');
    if (slash == std::string_view::npos) return path.substr(0, end);
    return path.substr(slash + 1, end - slash - 1);
}

std::string subfolderPath(std::string_view parent, std::string_view name) {
    std::string path(parent);
    if (!path.empty() && path.back() != '\\') path.push_back('\\');
    path.append(name);
    return path;
}

}  // namespace tolvare::scheduler
