// The computations of the thermal plots and the system trend on a month of data at the shortest
// polling interval (30 days of 20-second samples, 129 600 samples):
//   - thermal plots of one cable of 100 sensors with 21 levels (goal: at most 1 s);
//   - one step of the system trend's slider over 24 cables of 100 sensors: every line
//     interpolated at the new moment (the redraw is measured by views_slider_bench).
//
//   views_plets_bench [days]     (default 30)

#include "views/SystemTrend.h"
#include "views/ThermalPlots.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// A silo's profile that moves: warmer in the middle of the cable, a daily swing and a slow drift,
// so that every level from 0 to 20 degrees crosses the cable somewhere. One reading in a thousand
// is missing.
drumo::Temperature Reading(int cable, int sensor, long sample) {
    if ((sample * 7 + sensor * 13 + cable) % 1000 == 0) return drumo::NoValue;
    const double day = sample / 4320.0;
    const double along = std::sin(sensor / 100.0 * 3.14159);
    const double t = 2 + 16 * along + 3 * std::sin(day * 6.28318 + cable) + day / 10;
    return static_cast<drumo::Temperature>(std::lround(t * 100));
}

void Fill(drumo::MeasurementStore& store, int cables, int sensors, long samples) {
    using namespace drumo;
    store.SetDeviceCount(cables);
    const DateTime start = EncodeDateTime(2026, 11, 1, 0, 0, 0);
    std::vector<Temperature> values(sensors);
    for (int d = 0; d < cables; ++d) {
        store.SetCableCount(d, 1);
        store.SetSensorCount(d, 0, sensors);
        for (int s = 0; s < sensors; ++s) store.SensorLabels(d, 0)[s] = static_cast<int16_t>(s * 50);
        for (long k = 0; k < samples; ++k) {
            for (int s = 0; s < sensors; ++s) values[s] = Reading(d, s, k);
            store.AppendSample(d, 0, start + k * 20 * OneSecond, values);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace drumo;
    const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const long samples = days * 4320L;
    NullLog log;
    ConsoleOperator op(true);

    {
        MeasurementStore store(op, log);
        Fill(store, 1, 100, samples);
        const PletCable cable = PletCableOf(store, 0, 0);
        long reports = 0;
        const double t0 = CpuSeconds();
        const PletResult result = ComputePlets(cable, {0, 20, 1, 1}, [&](size_t, size_t) {
            ++reports;
            return true;
        });
        const double seconds = CpuSeconds() - t0;
        size_t points = 0, series = 0;
        for (const auto& level : result.Levels) {
            series += level.Series.size();
            for (const auto& s : level.Series) points += s.size();
        }
        std::printf("thermal plots, 1 cable x 100 sensors x %ld samples, %zu levels: %.3f s "
                    "(%zu points in %zu series, %ld progress reports: one per %.0f samples)\n",
                    samples, result.Levels.size(), seconds, points, series, reports,
                    reports ? double(samples) / reports : 0.0);
    }

    {
        constexpr int kCables = 24;
        MeasurementStore store(op, log);
        Fill(store, kCables, 100, samples);
        std::vector<TimeOrder> orders(kCables);
        for (int d = 0; d < kCables; ++d) orders[d].Update(store.SampleTimes(d, 0));
        TimeSlider slider;
        slider.Update(store.FirstSampleTime(), store.LastSampleTime(), 20, true);
        std::vector<std::vector<ProfilePoint>> lines(kCables);
        constexpr int kSteps = 2000;
        size_t points = 0;
        const double t0 = CpuSeconds();
        for (int i = 0; i < kSteps; ++i) {
            slider.SetPosition(static_cast<int>((i * 7919L) % (slider.Maximum() + 1)));
            if (!slider.TakeSlice(true)) continue;
            const DateTime t = slider.Moment(store.FirstSampleTime(), store.LastSampleTime());
            for (int d = 0; d < kCables; ++d) {
                CableProfile(store, d, 0, t, orders[d], lines[d]);
                points += lines[d].size();
            }
        }
        const double perStep = (CpuSeconds() - t0) / kSteps;
        std::printf("system trend slider step, %d cables x 100 sensors x %ld samples: interpolation %.1f us "
                    "(%.0f points a step)\n",
                    kCables, samples, perStep * 1e6, double(points) / kSteps);
    }
    return 0;
}
