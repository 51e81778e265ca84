// Fills the measurement store as a month of polling at the shortest interval would: 30 days of
// 20-second samples (129 600) for 24 cables of 100 sensors, about 311 million values. Prints the
// time per appended sample of one cable and the resident memory per stored value.
//
//   model_bench [days]     (default 30)

#include "model/Store.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096;
}

// Processor time of this thread: the machine may be shared, and wall time then counts the waits.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace drumo;
    const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    constexpr int kDevices = 24, kSensors = 100;
    const long samples = days * 4320L;

    NullLog log;
    ConsoleOperator op(true);
    MeasurementStore store(op, log);
    store.SetDeviceCount(kDevices);
    for (int d = 0; d < kDevices; ++d) {
        store.SetCableCount(d, 1);
        store.SetSensorCount(d, 0, kSensors);
    }

    // Plausible readings that change from sample to sample, one in a thousand missing; prepared
    // beforehand so that only the appends are timed.
    constexpr int kPatterns = 61;
    std::vector<std::vector<Temperature>> patterns(kPatterns, std::vector<Temperature>(kSensors));
    for (int p = 0; p < kPatterns; ++p) {
        for (int s = 0; s < kSensors; ++s) {
            const long x = p * 7919L + s * 13;
            patterns[p][s] = x % 1000 == 0 ? NoValue : static_cast<Temperature>(1500 + x % 700);
        }
    }
    const long before = ResidentBytes();
    const DateTime start = EncodeDateTime(2026, 1, 1, 0, 0, 0);
    const double cpu0 = CpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    for (long k = 0; k < samples; ++k) {
        const DateTime t = start + k * (20 * OneSecond);
        for (int d = 0; d < kDevices; ++d) store.AppendSample(d, 0, t, patterns[(k + d) % kPatterns]);
    }
    const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpuSeconds = CpuSeconds() - cpu0;
    const long after = ResidentBytes();

    const double appends = static_cast<double>(samples) * kDevices;
    const double stored = appends * kSensors;
    std::printf("samples per cable        %ld (%d days at 20 s)\n", samples, days);
    std::printf("cables x sensors         %d x %d\n", kDevices, kSensors);
    std::printf("values stored            %.0f (valid %u)\n", stored, store.ValidValues());
    std::printf("append, one cable sample %.3f us of processor time, %.3f us of wall time (100 values)\n",
                cpuSeconds / appends * 1e6, wallSeconds / appends * 1e6);
    std::printf("resident memory growth   %.1f MB\n", (after - before) / 1e6);
    std::printf("memory per stored value  %.3f bytes (series data %.3f bytes)\n",
                (after - before) / stored, store.DataBytes() / stored);
    return 0;
}
