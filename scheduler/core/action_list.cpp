#include "scheduler/core/action_list.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "scheduler/core/clock.h"

namespace tolvare::scheduler {

namespace {

constexpr std::size_t kTimeLength = 5;
constexpr std::size_t kActionStart = 6;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A numeric key shown as its four-digit form; that form orders numbers of up to four digits by
// value and places them among text keys in plain byte order. Comparing numbers by value and
// everything else as text, as the table asks, would not be a consistent order when both kinds
// meet (2 < 10 as numbers, 10 < 1a < 2 as text), and a sort needs one.
std::string_view comparable(std::string_view key, char (&buffer)[4]) {
    if (key.empty() || key.size() > 4 || !std::all_of(key.begin(), key.end(), isDigit)) return key;
    const std::size_t pad = 4 - key.size();
    std::fill_n(buffer, pad, '0');
    std::copy(key.begin(), key.end(), buffer + pad);
    return {buffer, 4};
}

void assignSortKey(std::string& key, std::string_view time) {
    const std::size_t n = std::min<std::size_t>(2, time.size());
    key.assign(time.substr(0, n));
    key.append(time.substr(time.size() - n));
}

void fillRow(ActionLine& row, std::string_view line) {
    row.time.assign(line.substr(0, std::min(kTimeLength, line.size())));
    assignSortKey(row.sortKey, row.time);
    // A line too short to hold a separator keeps its whole text as the action.
    row.action.assign(line.size() >= kActionStart ? line.substr(kActionStart) : line);
}

}  // namespace

std::string makeSortKey(std::string_view time) {
    std::string key;
    assignSortKey(key, time);
    return key;
}

ActionLine parseLine(std::string_view line) {
    ActionLine row;
    fillRow(row, line);
    return row;
}

bool parseListInto(std::string_view bytes, std::vector<ActionLine>& rows) {
    // Line ends bound the row count: one reservation spares the moves of a growing table.
    const auto ends = static_cast<std::size_t>(
        std::count_if(bytes.begin(), bytes.end(), [](char c) { return c == '\r' || c == '\n'; }));
    rows.reserve(std::min(ends + 1, kMaxListRows));
    std::size_t count = 0;
    bool truncated = false;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p != end) {
        if (count == kMaxListRows) {
            truncated = true;
            break;
        }
        const char* lineEnd = p;
        while (lineEnd != end && *lineEnd != '\r' && *lineEnd != '\n') ++lineEnd;
        ActionLine& row = count < rows.size() ? rows[count] : rows.emplace_back();
        fillRow(row, {p, static_cast<std::size_t>(lineEnd - p)});
        ++count;
        if (lineEnd == end) break;
        p = lineEnd + 1;
        if (*lineEnd == '\r' && p != end && *p == '\n') ++p;
    }
    rows.resize(count);
    return truncated;
}

std::size_t countListLines(std::string_view bytes) {
    std::size_t lines = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        if (bytes[i] == '\r' || bytes[i] == '\n') ++lines;
    }
    // The last line needs no line end.
    const char last = bytes.empty() ? '\n' : bytes.back();
    return lines + (last != '\r' && last != '\n' ? 1 : 0);
}

std::optional<std::string> normalizedTableTime(std::string_view typed) {
    while (!typed.empty() && (typed.front() == ' ' || typed.front() == '\t')) typed.remove_prefix(1);
    while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\t')) typed.remove_suffix(1);
    if (typed.size() == 4) {
        if (!isDigit(typed[0])) return std::nullopt;
        std::string padded = "0";
        padded.append(typed);
        return parseTimeOfDay(padded) ? std::optional<std::string>(padded) : std::nullopt;
    }
    if (typed.size() == 5 && parseTimeOfDay(typed)) return std::string(typed);
    return std::nullopt;
}

LoadedList parseList(std::string_view bytes) {
    LoadedList list;
    list.truncated = parseListInto(bytes, list.rows);
    return list;
}

int compareSortKeys(std::string_view a, std::string_view b) {
    char bufferA[4];
    char bufferB[4];
    // string_view compares as unsigned bytes, so high ANSI characters sort after ASCII.
    const int c = comparable(a, bufferA).compare(comparable(b, bufferB));
    return (c > 0) - (c < 0);
}

void sortRows(std::vector<ActionLine>& rows) {
    // The sort runs on every pass over the whole list. Keys of at most four bytes, which are
    // all the loader makes, pack into one integer in the same order (bytes, then length), so
    // the sort moves integers rather than rows, and the row index settles equal keys in their
    // first order.
    const bool packable = rows.size() < std::numeric_limits<std::uint32_t>::max() &&
                          std::all_of(rows.begin(), rows.end(), [](const ActionLine& row) {
                              return row.sortKey.size() <= 4;
                          });
    if (!packable) {
        std::stable_sort(rows.begin(), rows.end(), [](const ActionLine& x, const ActionLine& y) {
            return compareSortKeys(x.sortKey, y.sortKey) < 0;
        });
        return;
    }
    std::vector<std::pair<std::uint64_t, std::uint32_t>> order;
    order.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        char buffer[4];
        const std::string_view key = comparable(rows[i].sortKey, buffer);
        std::uint64_t packed = 0;
        for (std::size_t b = 0; b < 4; ++b)
            packed = packed << 8 | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
        packed = packed << 8 | key.size();
        order.emplace_back(packed, static_cast<std::uint32_t>(i));
    }
    std::sort(order.begin(), order.end());
    // Rows go to their places along the cycles of the permutation, in place: a second table
    // would cost an allocation and a pass over every row.
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i].second == i) continue;
        ActionLine held = std::move(rows[i]);
        std::size_t to = i;
        while (order[to].second != i) {
            const std::size_t from = order[to].second;
            rows[to] = std::move(rows[from]);
            order[to].second = static_cast<std::uint32_t>(to);
            to = from;
        }
        rows[to] = std::move(held);
        order[to].second = static_cast<std::uint32_t>(to);
    }
}

std::string lineText(const ActionLine& row) {
    std::string line;
    line.reserve(row.time.size() + 1 + row.action.size());
    line.append(row.time).append(1, '=').append(row.action);
    return line;
}

std::string serializeList(std::span<const ActionLine> rows) {
    std::size_t size = 0;
    for (const ActionLine& row : rows) size += row.time.size() + row.action.size() + 3;
    std::string text;
    text.reserve(size);
    for (const ActionLine& row : rows) {
        if (row.time.empty() && row.action.empty()) continue;
        text.append(row.time).append(1, '=').append(row.action).append("\r\n");
    }
    return text;
}

}  // namespace tolvare::scheduler
