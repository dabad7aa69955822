// Fuzz target for everything that reads outside text in the scheduler core: the list loader,
// the table order, the saved form and a pass over the list.
// Linked with common/fuzz/replay_main.cpp it is an ordinary program that runs the saved inputs given
// on its command line.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scheduler/core/action_list.h"
#include "scheduler/core/scheduler.h"

namespace {

using namespace tolvare::scheduler;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "list loader invariant broken: %s\n", what);
        std::abort();
    }
}

class FixedClock final : public Clock {
public:
    LocalDateTime localNow() const override { return {2024, 3, 1, 8, 30, 15}; }
    std::int64_t monotonicSeconds() const override { return 1000; }
};

class BytesStore final : public ListStore {
public:
    explicit BytesStore(std::string_view bytes) : bytes_(bytes) {}
    ListReading readList() override { return {std::string(bytes_)}; }

private:
    std::string_view bytes_;
};

class CountingRunner final : public ActionRunner {
public:
    ActionResult startProgram(std::string_view) override {
        ++runs;
        return {};
    }
    ActionResult openAddress(std::string_view) override {
        ++runs;
        return {};
    }
    ActionResult runMacro(std::string_view) override {
        ++runs;
        return {};
    }
    ActionResult shareFolder(std::string_view) override {
        ++runs;
        return {};
    }
    std::size_t runs = 0;
};

class NoDownload final : public ListDownloader {
public:
    ListDownload downloadList() override { return {}; }
};

void checkList(std::string_view bytes) {
    const LoadedList list = parseList(bytes);
    check(list.rows.size() <= kMaxListRows, "row count bounded");
    for (const ActionLine& row : list.rows) {
        check(row.time.size() <= 5 && row.sortKey.size() <= 4, "time and key lengths");
        check(row.sortKey == makeSortKey(row.time), "key derived from time");
        check(row.action.find_first_of("\r\n") == std::string::npos, "no line end in a row");
    }

    std::vector<ActionLine> sorted = list.rows;
    sortRows(sorted);
    for (std::size_t i = 1; i < sorted.size(); ++i)
        check(compareSortKeys(sorted[i - 1].sortKey, sorted[i].sortKey) <= 0, "table order");

    // Saving writes one line per non-empty row, and a row with a full time reads back as it was.
    const LoadedList reloaded = parseList(serializeList(sorted));
    std::size_t kept = 0;
    for (const ActionLine& row : sorted) {
        if (row.time.empty() && row.action.empty()) continue;
        check(kept < reloaded.rows.size(), "saved line count");
        if (row.time.size() == 5) check(reloaded.rows[kept] == row, "saved row reads back");
        ++kept;
    }
    check(kept == reloaded.rows.size(), "saved line count");

    FixedClock clock;
    BytesStore store(bytes);
    CountingRunner runner;
    NoDownload downloader;
    NoJournal journal;
    Scheduler scheduler(clock, store, runner, downloader, journal);
    const PassReport first = scheduler.startScheduler();
    check(first.listRead && first.actionsRun == runner.runs, "start pass ran the due rows");
    check(scheduler.timerPass().actionsRun == 0, "a second pass in the same minute runs nothing");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkList(bytes);
    return 0;
}
