#include "sim/SimClock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace drumo::sim {

ManualClock::ManualClock(double start) : start_(start) {}

double ManualClock::Now() const { return start_ + static_cast<double>(elapsedMs_.load()) / 86400000.0; }

int64_t ManualClock::TickMs() const { return elapsedMs_.load(); }

void ManualClock::Advance(int64_t ms) {
    if (ms > 0) elapsedMs_.fetch_add(ms);
}

ScaledClock::ScaledClock(int speed)
    : speed_(std::max(1, speed)),
      startNow_(SystemClock::Instance().Now()),
      startTick_(SystemClock::Instance().TickMs()) {}

double ScaledClock::Now() const {
    const int64_t real = SystemClock::Instance().TickMs() - startTick_;
    return startNow_ + static_cast<double>(real) * speed_ / 86400000.0;
}

int64_t ScaledClock::TickMs() const { return (SystemClock::Instance().TickMs() - startTick_) * speed_; }

void ScaledClock::SleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::microseconds(int64_t{ms} * 1000 / speed_));
}

int64_t MonotonicUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace drumo::sim
