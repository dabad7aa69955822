// Fuzz target for the date helpers that take outside values: the day-and-month swap over any
// text, and the seconds, spans and working-day counts over any numbers. Linked with
// common/fuzz/replay_main.cpp it runs the saved inputs.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "library/datemath/core/dates.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "date helper invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvel::dates;
    std::wstring text(data, data + size);
    std::wstring swapped = swapDayAndMonth(text);
    check(swapped.size() <= 10, "at most ten characters");
    if (size >= 2 * sizeof(double)) {
        double a, b;
        std::memcpy(&a, data, sizeof a);
        std::memcpy(&b, data + sizeof a, sizeof b);
        if (inRange(a) && inRange(b)) {
            long count = workingDaysBetween(a, b, 32767);
            check(count >= 0 && count <= 32768, "count within its limit");
            std::int32_t seconds = timeOfDayInSeconds(a);
            check(seconds >= 0 && seconds < 86400, "a time of day");
        }
        std::int32_t s1, s2;
        std::memcpy(&s1, data, sizeof s1);
        std::memcpy(&s2, data + sizeof s1, sizeof s2);
        check(secondsToClock(s1).find(L':') != std::wstring::npos, "a clock text");
        (void)spanAcrossMidnight(s1, s2);
        std::int16_t year, month;
        std::memcpy(&year, data, sizeof year);
        std::memcpy(&month, data + sizeof year, sizeof month);
        if (auto days = workingDaysOfMonth(year, month)) check(*days >= 20 && *days <= 23, "a month's working days");
        (void)easter(year);
    }
    return 0;
}
