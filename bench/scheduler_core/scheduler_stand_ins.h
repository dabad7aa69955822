// The scheduler's surroundings for its benchmarks: a clock moved by hand, a list held in
// memory, actions and downloads that do nothing, so that what is timed is the scheduler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "scheduler/core/action_list.h"
#include "scheduler/core/scheduler.h"

namespace tolvare::scheduler::bench {

class SteppingClock final : public Clock {
public:
    LocalDateTime localNow() const override {
        const int minuteOfDay = static_cast<int>(seconds / 60 % kMinutesPerDay);
        return {2024,
                3,
                1 + static_cast<int>(seconds / 86400 % 28),
                minuteOfDay / 60,
                minuteOfDay % 60,
                static_cast<int>(seconds % 60)};
    }
    std::int64_t monotonicSeconds() const override { return seconds; }
    std::int64_t seconds = 8 * 3600;
};

class ListInMemory final : public ListStore {
public:
    ListReading readList() override {
        ListReading reading;
        reading.bytes = bytes;
        return reading;
    }
    std::string bytes;
};

// Counts the actions; a program "starts" with the note a real start gives the journal.
class NullRunner final : public ActionRunner {
public:
    ActionResult startProgram(std::string_view) override { return ran("processus 1234"); }
    ActionResult openAddress(std::string_view) override { return ran({}); }
    ActionResult runMacro(std::string_view) override { return ran({}); }
    ActionResult shareFolder(std::string_view) override { return ran({}); }
    std::size_t runs = 0;

private:
    ActionResult ran(std::string note) {
        ++runs;
        return {true, std::move(note)};
    }
};

class NoDownload final : public ListDownloader {
public:
    ListDownload downloadList() override { return {}; }
};

}  // namespace tolvare::scheduler::bench
