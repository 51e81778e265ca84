#pragma once
// A clock that stands still until a test or a fake device moves it. SleepMs advances it, so code
// that waits finishes at once while its time-outs still come out exact.

#include "base/Services.h"

namespace drumo::test {

class FakeClock final : public Clock {
public:
    double Now() const override { return startDay_ + static_cast<double>(tick_) / 86400000.0; }
    int64_t TickMs() const override { return tick_; }
    void SleepMs(int ms) override {
        if (ms > 0) {
            tick_ += ms;
            slept_ += ms;
        }
    }
    void Advance(int64_t ms) { tick_ += ms; }
    // Total of all SleepMs calls, to check the waits a protocol prescribes.
    int64_t SleptMs() const { return slept_; }
    void SetStartDay(double day) { startDay_ = day; }

private:
    int64_t tick_ = 1000;
    int64_t slept_ = 0;
    double startDay_ = 46000.5;  // 8 December 2025, noon
};

}  // namespace drumo::test
