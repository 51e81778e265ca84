#include "base/Services.h"

#include <gtest/gtest.h>

#include <ctime>

namespace drumo {

TEST(SystemClock, NowAgreesWithTheLocalCalendar) {
    const double now = SystemClock::Instance().Now();
    const std::time_t secs = std::time(nullptr);
    std::tm local{};
    localtime_r(&secs, &local);
    // 1.1.2000 is day 36526; the clock must land in the right day of this century.
    EXPECT_GT(now, 36526.0);
    const double secOfDay = (now - static_cast<long>(now)) * 86400.0;
    const double expected = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
    EXPECT_NEAR(secOfDay, expected, 2.0);
}

TEST(SystemClock, TickCounterNeverGoesBack) {
    auto& clock = SystemClock::Instance();
    const auto a = clock.TickMs();
    clock.SleepMs(2);
    EXPECT_GE(clock.TickMs(), a + 2);
}

TEST(SystemClock, MicrosecondTickRunsWithTheMillisecondTick) {
    auto& clock = SystemClock::Instance();
    const auto ms = clock.TickMs();
    const auto us = clock.TickUs();
    EXPECT_GE(us / 1000, ms);
    EXPECT_LE(us / 1000, ms + 5);
}

}  // namespace drumo
