#pragma once
// Clocks for the simulated devices. A device's own clock, its measuring period, its drift and its
// boot-mode time-out all run on an injected Clock, so that tests can move time by hand and demos
// can run a day in minutes. The timing of the line itself (byte times, silence gaps) always uses
// the machine's monotonic clock: it is physics, not device time.

#include "base/Services.h"

#include <atomic>
#include <cstdint>

namespace drumo::sim {

// Time that moves only when told. Safe to read from the bus thread while a test advances it.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 46000.5);  // 9 December 2025, noon
    double Now() const override;
    int64_t TickMs() const override;
    void SleepMs(int ms) override { Advance(ms); }
    void Advance(int64_t ms);

private:
    double start_;
    std::atomic<int64_t> elapsedMs_{0};
};

// The machine's clock run faster by a whole factor, for demonstrations: with speed 60 a device's
// minute passes in one second, its clock and its measuring period included.
class ScaledClock final : public Clock {
public:
    explicit ScaledClock(int speed);
    double Now() const override;
    int64_t TickMs() const override;
    void SleepMs(int ms) override;

private:
    int speed_;
    double startNow_;
    int64_t startTick_;
};

// Microseconds of the machine's monotonic clock, for line timing.
int64_t MonotonicUs();

}  // namespace drumo::sim
