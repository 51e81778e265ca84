#pragma once
// The machine's clock with its calendar moved: ticks and sleeps are real, so simulated devices on
// pseudo-terminals answer in time, while Now() starts at a chosen moment (a few seconds before
// midnight, for instance) and runs on from there.

#include "base/Services.h"

namespace drumo::test {

class ShiftedClock final : public Clock {
public:
    explicit ShiftedClock(double start) { Set(start); }
    // From now on the calendar runs on from `now`.
    void Set(double now) {
        held_ = false;
        shift_ = now - SystemClock::Instance().Now();
    }
    // The calendar stands still at `now` (ticks and sleeps stay real) until the next Set.
    void Hold(double now) {
        held_ = true;
        shift_ = now;
    }
    double Now() const override { return held_ ? shift_ : SystemClock::Instance().Now() + shift_; }
    int64_t TickMs() const override { return SystemClock::Instance().TickMs(); }
    int64_t TickUs() const override { return SystemClock::Instance().TickUs(); }
    void SleepMs(int ms) override { SystemClock::Instance().SleepMs(ms); }

private:
    double shift_ = 0;
    bool held_ = false;
};

}  // namespace drumo::test
