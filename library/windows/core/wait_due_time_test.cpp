#include "library/windows/core/wait_due_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace korvel::waiting {
namespace {

TEST(WaitDueTime, PositiveCountsAreRelativeAndTheExtremesDoNotOverflow) {
    EXPECT_EQ(waitDueTime(1), -10'000'000);
    EXPECT_EQ(waitDueTime(3600), -36'000'000'000);
    // 2^31 - 1 seconds: 68 years ahead, not a wrapped 32-bit product.
    EXPECT_EQ(waitDueTime(std::numeric_limits<std::int32_t>::max()), -21'474'836'470'000'000);
}

TEST(WaitDueTime, ZeroAndNegativeCountsAreAlreadyPast) {
    EXPECT_EQ(waitDueTime(0), 0);
    EXPECT_EQ(waitDueTime(-1), 10'000'000);
    EXPECT_EQ(waitDueTime(std::numeric_limits<std::int32_t>::min()), 21'474'836'480'000'000);
}

}  // namespace
}  // namespace korvel::waiting
