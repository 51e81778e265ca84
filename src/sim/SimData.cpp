#include "sim/SimData.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace drumo::sim {

std::vector<int16_t> NumberLabels(int n) {
    std::vector<int16_t> labels;
    for (int i = 1; i <= n; ++i) labels.push_back(static_cast<int16_t>(i * 100));
    return labels;
}

std::vector<int16_t> DistanceLabels(int n, double firstMetres, double stepMetres) {
    std::vector<int16_t> labels;
    for (int i = 0; i < n; ++i) {
        labels.push_back(static_cast<int16_t>(std::lround((firstMetres + i * stepMetres) * 100.0)));
    }
    return labels;
}

SimCable MakeCable(uint16_t serial, uint8_t kind, int n) {
    SimCable cable;
    cable.Serial = serial;
    cable.Kind = kind;
    cable.Labels = (kind == 1 || kind == 2) ? DistanceLabels(n, kind == 1 ? 0.5 : 1.0, kind == 1 ? 0.5 : 1.0)
                                            : NumberLabels(n);
    return cable;
}

double Climate::Hash01(int cable, int sensor, int64_t slot, int salt) const {
    // A small integer hash (splitmix64) of everything that identifies one reading.
    uint64_t x = seed_ * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(cable) << 48 ^
                 static_cast<uint64_t>(sensor) << 32 ^ static_cast<uint64_t>(slot) ^
                 static_cast<uint64_t>(salt) << 56;
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return static_cast<double>(x >> 11) / 9007199254740992.0;
}

double Climate::Celsius(const SimCable& cable, int cableIndex, int s, DateTime now) const {
    const int n = cable.Sensors();
    if (s < 0 || s >= n) return std::numeric_limits<double>::quiet_NaN();
    const int64_t slot = static_cast<int64_t>(std::floor(now * 86400.0 / 10.0));  // one per 10 s
    for (int flaky : cable.Flaky) {
        if (flaky == s && Hash01(cableIndex, s, slot, 1) < DropoutRate) {
            return std::numeric_limits<double>::quiet_NaN();
        }
    }
    const double depth = n > 1 ? static_cast<double>(s) / (n - 1) : 0.0;
    double t = cable.TopC + (cable.BottomC - cable.TopC) * depth;
    if (cable.Shape == Profile::HotSpot) {
        const double d = s - cable.SpotSensor;
        t += cable.SpotRiseC * std::exp(-d * d / 8.0);
    }
    const double dayFraction = now - std::floor(now);
    t += DailySwingC * (1.0 - depth) * std::sin(2.0 * std::numbers::pi * (dayFraction - 0.375));
    t += SlowDriftC * std::sin(2.0 * std::numbers::pi * now / 60.0);  // weeks-long swing
    t += NoiseC * (2.0 * Hash01(cableIndex, s, slot, 2) - 1.0);
    for (const auto& w : warmings_) {
        if (w.Cable != cableIndex || w.Sensor != s || now < w.From) continue;
        const double since = (now - w.From) * 86400.0;
        const double tau = 20.0;
        if (since <= w.Seconds) {
            t += w.RiseC * (1.0 - std::exp(-since / tau));
        } else {
            const double peak = w.RiseC * (1.0 - std::exp(-w.Seconds / tau));
            t += peak * std::exp(-(since - w.Seconds) / tau);
        }
    }
    return t;
}

int16_t Climate::Hundredths(const SimCable& cable, int cableIndex, int s, DateTime now) const {
    if (s >= 0 && s < cable.Sensors() && static_cast<size_t>(s) < cable.Readings.size()) return cable.Readings[s];
    const double t = Celsius(cable, cableIndex, s, now);
    if (std::isnan(t)) return NoValue;
    return static_cast<int16_t>(std::lround(std::clamp(t, -200.0, 300.0) * 100.0));
}

void Climate::Warm(int cableIndex, int sensor, double riseC, DateTime from, double seconds) {
    warmings_.push_back({cableIndex, sensor, riseC, from, seconds});
}

}  // namespace drumo::sim
