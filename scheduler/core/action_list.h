// The action list file lstplenar.txt: its lines as table rows, the table order, and the text
// that saving the table writes. Bytes in, bytes out: the file is in the ANSI code page and the
// core never converts it.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolvare::scheduler {

// One line of the list file and one row of the main table.
struct ActionLine {
    std::string time;     // characters 1 to 5 of the line, fewer when the line is shorter
    std::string action;   // characters 7 to the end; the whole line when it is shorter than 6
    std::string sortKey;  // characters 1-2 and the last two of `time`; never written to the file

    friend bool operator==(const ActionLine&, const ActionLine&) = default;
};

// A list file longer than this many lines is cut here: the pass runs on the window's thread
// and rebuilds the table each time, so whatever a web server sends must stay a bounded amount
// of work and memory (some tens of milliseconds, about ten megabytes). A hand-kept schedule
// is some hundreds of lines.
inline constexpr std::size_t kMaxListRows = 100'000;

struct LoadedList {
    std::vector<ActionLine> rows;  // in file order
    bool truncated = false;        // lines past kMaxListRows were ignored
};

// Splits the file into lines and each line into a row. A line ends at CR LF, at a lone CR and
// at a lone LF; the last line needs no line end, and a final line end adds no row. Every line
// becomes a row whatever it holds (a blank line becomes a blank row); any bytes are accepted.
LoadedList parseList(std::string_view bytes);

// The same into `rows`, whose strings are reused: a pass reloads the list every few seconds,
// and reusing the previous load's strings spares an allocation per row. True when truncated.
bool parseListInto(std::string_view bytes, std::vector<ActionLine>& rows);

// The number of rows the whole file makes, past kMaxListRows too (to say how many were left out).
std::size_t countListLines(std::string_view bytes);

// A time typed into the table: H:MM or HH:MM (hour 0 to 23, minutes 00 to 59), as HH:MM;
// nothing for anything else (blanks around it are ignored).
std::optional<std::string> normalizedTableTime(std::string_view typed);

// One line (without its line end) as a row; position 6 is skipped whatever stands there.
ActionLine parseLine(std::string_view line);

// The first two and the last two characters of a time text: 08:30 gives 0830, abc gives abbc.
std::string makeSortKey(std::string_view time);

// Table order of two sort keys: keys of one to four ASCII digits are numbers and compare by
// value; any other key is text. Text compares byte by byte with a number in its four-digit
// form, so the empty key comes first and the order is total whatever the keys hold.
int compareSortKeys(std::string_view a, std::string_view b);

// Sorts rows by sortKey; rows with equal keys keep their relative order (file order).
void sortRows(std::vector<ActionLine>& rows);

// time "=" action: the line as the list file holds it once saved.
std::string lineText(const ActionLine& row);

// The whole list file as saving the table writes it: each row's lineText followed by CR LF,
// in table order, except rows whose time and action are both empty. No trailing blank line.
std::string serializeList(std::span<const ActionLine> rows);

}  // namespace tolvare::scheduler
