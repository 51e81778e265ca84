// Writes and reads back an archive of 4 devices x 6 cables x 100 sensors (a week at 20 seconds:
// 30 240 samples, about 500 MB), and compares both with `cat FILE > /dev/null` on the same file.
// Prints the machine's load, the speeds, the peak memory while loading against the store's own
// size, and what releasing the loaded store costs.
//
//   files_bench [samples] [folder]     (defaults 30240 and /tmp)

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "files/ArchiveReader.h"
#include "files/ArchiveStore.h"

namespace {

using Wall = std::chrono::steady_clock;

double Seconds(Wall::time_point a, Wall::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Processor time of this process: the machine may be shared, and wall time then counts the waits.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

long StatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
    return 0;
}

// Starts a new peak of resident memory from the current level.
void ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

long FileBytes(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace drumo;
    const long samples = argc > 1 ? std::max(1L, std::atol(argv[1])) : 30240;
    const std::string folder = argc > 2 ? argv[2] : "/tmp";
    const std::string path = folder + "/drumo-bench-" + std::to_string(::getpid()) + ".dml";
    constexpr int kDevices = 4, kCables = 6, kSensors = 100;

    NullLog log;
    ConsoleOperator op(true);
    double writeSeconds = 0, writeCpu = 0, formatSeconds = 0, formatMb = 0;
    {
        MeasurementStore store(op, log);
        store.SetDeviceCount(kDevices);
        std::vector<Temperature> row(kSensors);
        for (int d = 0; d < kDevices; ++d) {
            TDevSig& dev = store.DevSig(d);
            dev.DevType = 107;
            dev.Serial = static_cast<uint16_t>(1000 + d);
            dev.Firmware = "2.3";
            dev.Address = static_cast<uint16_t>(d + 1);
            dev.Comment = "Силос " + std::to_string(d + 1);
            store.SetCableCount(d, kCables);
            for (int c = 0; c < kCables; ++c) {
                store.CableKinds(d)[c] = 1;
                store.CableSerials(d)[c] = static_cast<int16_t>(100 * d + c);
                store.SetSensorCount(d, c, kSensors);
                for (int s = 0; s < kSensors; ++s) store.SensorLabels(d, c)[s] = static_cast<int16_t>(50 * s);
                for (long k = 0; k < samples; ++k) {
                    for (int s = 0; s < kSensors; ++s) {
                        const long x = k * 7919L + s * 13 + c;
                        row[s] = x % 1000 == 0 ? NoValue : static_cast<Temperature>(-1500 + x % 4000);
                    }
                    store.AppendSample(d, c, 45000.0 + k * 20 * OneSecond, row);
                }
            }
        }
        // The text alone, without the disk: what formatting and the check bytes cost.
        const auto f0 = Wall::now();
        size_t formatted = 0;
        WriteDml(store, "1.0.0.1", 45000.0, [&](std::string_view piece) {
            formatted += piece.size();
            return true;
        });
        formatSeconds = Seconds(f0, Wall::now());
        formatMb = formatted / 1e6;

        const auto t0 = Wall::now();
        const double cpu0 = CpuSeconds();
        if (SaveDmlFile(store, path, "1.0.0.1", 45000.0) != SaveOutcome::Saved) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        writeSeconds = Seconds(t0, Wall::now());
        writeCpu = CpuSeconds() - cpu0;
    }
    ::malloc_trim(0);
    const double mb = FileBytes(path) / 1e6;

    const auto c0 = Wall::now();
    const std::string cat = "cat '" + path + "' > /dev/null";
    if (std::system(cat.c_str()) != 0) return 1;
    const double catSeconds = Seconds(c0, Wall::now());

    ResetPeak();
    const long baseKb = StatusKb("VmRSS");
    MeasurementStore loaded(op, log);
    const auto r0 = Wall::now();
    const double cpu0 = CpuSeconds();
    StoreSink sink(loaded, path);
    const ArchiveResult r = LoadArhivFile(path, sink);
    const double readSeconds = Seconds(r0, Wall::now());
    const double readCpu = CpuSeconds() - cpu0;
    const long peakKb = StatusKb("VmHWM");
    const double storeMb = loaded.DataBytes() / 1e6;
    const double peakMb = (peakKb - baseKb) * 1024 / 1e6;
    const uint32_t values = loaded.ValidValues();
    // Letting go of the loaded archive, as loading another one does first.
    const double free0 = CpuSeconds();
    loaded.ReleaseAll(false);
    const double releaseCpu = CpuSeconds() - free0;

    double load[3] = {0, 0, 0};
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3) load[0] = load[1] = load[2] = 0;
        std::fclose(f);
    }
    std::printf("machine load (1, 5, 15 minutes): %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    std::printf("archive: %d devices x %d cables x %d sensors x %ld samples, %.1f MB\n", kDevices, kCables,
                kSensors, samples, mb);
    std::printf("write (safe save, synced): %.2f s, %.0f MB/s; processor %.2f s, %.0f MB/s\n", writeSeconds,
                mb / writeSeconds, writeCpu, mb / writeCpu);
    std::printf("  of which the text alone: %.2f s, %.0f MB/s (the rest is the disk)\n", formatSeconds,
                formatMb / formatSeconds);
    std::printf("read into the store:       %.2f s, %.0f MB/s (cat in the same run: %.0f MB/s); processor %.2f s, "
                "%.0f MB/s\n",
                readSeconds, mb / readSeconds, mb / catSeconds, readCpu, mb / readCpu);
    std::printf("  signed %s, damaged %zu, values %u\n", r.Signed ? "yes" : "no", r.Damaged(),
                values);
    std::printf("cat FILE > /dev/null:      %.2f s, %.0f MB/s\n", catSeconds, mb / catSeconds);
    std::printf("peak memory while loading: %.1f MB for a store of %.1f MB (%.2fx)\n", peakMb, storeMb,
                peakMb / storeMb);
    std::printf("store released:            processor %.3f s\n", releaseCpu);
    ::unlink(path.c_str());
    return r.Signed && r.Damaged() == 0 ? 0 : 1;
}
