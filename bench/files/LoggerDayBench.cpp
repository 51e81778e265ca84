// A logger's day on the demo line (3 controllers, 9 cables, 189 sensors) or on a line of 8
// controllers of 6 cables of 30 sensors, polled every 20 seconds: the day file kept by appending
// after every pass, as drumo-cli log keeps it. Prints the bytes handed to the file system over
// the day against the final file's content, the bytes that rewriting the whole file after every
// pass would have written, the file's apparent size and the disk blocks it holds, and the bytes
// the kernel counted as sent to the disk (/proc/self/io write_bytes; 0 on tmpfs).
//
// With a number of passes per save (drumo-cli log --save-every), the file is written only after
// every so many passes.
//
//   files_logger_bench [demo|eight] [passes per save] [folder]     (defaults demo, 1, /var/tmp)

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "files/ArchiveAppend.h"
#include "files/ArchiveStore.h"

namespace {

long long IoWriteBytes() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "write_bytes:") return value;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace drumo;
    const std::string line = argc > 1 ? argv[1] : "demo";
    const int every = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const std::string folder = argc > 3 ? argv[3] : "/var/tmp";
    std::vector<std::vector<int>> devices;  // sensors per cable, per device
    if (line == "eight")
        devices.assign(8, std::vector<int>(6, 30));
    else
        devices = {{19}, {26, 31}, {13, 18, 23, 28, 13, 18}};
    constexpr int kPasses = 86400 / 20;
    const DateTime start = EncodeDateTime(2026, 12, 10, 0, 0, 0);

    NullLog log;
    ConsoleOperator op(true);
    MeasurementStore store(op, log);
    store.SetDeviceCount(devices.size());
    for (size_t d = 0; d < devices.size(); ++d) {
        TDevSig& dev = store.DevSig(d);
        dev.DevType = 107;
        dev.Serial = static_cast<uint16_t>(1001 + d);
        dev.Address = static_cast<uint16_t>(d + 1);
        dev.Comment = "Склад " + std::to_string(d + 1);
        store.SetCableCount(d, devices[d].size());
        for (size_t c = 0; c < devices[d].size(); ++c) {
            store.CableKinds(d)[c] = 1;
            store.SetSensorCount(d, c, devices[d][c]);
            for (int s = 0; s < devices[d][c]; ++s) store.SensorLabels(d, c)[s] = static_cast<int16_t>(50 * (s + 1));
        }
    }

    const std::string path = folder + "/drumo-logger-bench-" + std::to_string(::getpid()) + ".dml";
    ArchiveAppender appender;
    const long long ioBefore = IoWriteBytes();
    unsigned long long rewriting = 0;  // the whole file after every pass
    size_t firstSize = 0, perPass = 0;
    std::vector<Temperature> row;
    for (int k = 0; k < kPasses; ++k) {
        const DateTime t = start + k * 20 * OneSecond;
        for (size_t d = 0; d < devices.size(); ++d)
            for (size_t c = 0; c < devices[d].size(); ++c) {
                row.resize(devices[d][c]);
                for (size_t s = 0; s < row.size(); ++s) row[s] = static_cast<Temperature>(1500 + (k + s * 7) % 300);
                store.AppendSample(d, c, t, row);
            }
        const size_t toCome = static_cast<size_t>((kPasses - k) * 1.1) + 16;
        if ((k + 1) % every == 0 && appender.Save(store, path, "1.0.0.1", t, toCome, false).Outcome != SaveOutcome::Saved) {
            std::fprintf(stderr, "save %d failed\n", k);
            return 1;
        }
        if (k == 0) firstSize = DmlBytes(store, "1.0.0.1", t).size();
        if (k == 1) perPass = DmlBytes(store, "1.0.0.1", t).size() - firstSize;
        rewriting += firstSize + static_cast<unsigned long long>(k) * perPass;
    }
    const long long ioAfter = IoWriteBytes();
    const size_t content = DmlBytes(store, "1.0.0.1", start).size();
    struct stat st {};
    ::stat(path.c_str(), &st);
    std::printf("line %s: %zu devices, %d passes (a day at 20 s), a save every %d passes\n", line.c_str(),
                devices.size(), kPasses, every);
    std::printf("final archive content        %12zu bytes\n", content);
    std::printf("written by appending         %12llu bytes  (%.3f x the content)\n",
                static_cast<unsigned long long>(appender.BytesWritten()),
                static_cast<double>(appender.BytesWritten()) / content);
    std::printf("rewriting after every pass   %12llu bytes  (%.0f x)\n", rewriting,
                static_cast<double>(rewriting) / content);
    std::printf("file apparent size           %12lld bytes; disk blocks held %lld bytes\n",
                static_cast<long long>(st.st_size), static_cast<long long>(st.st_blocks) * 512);
    std::printf("kernel write_bytes           %12lld bytes  (%.2f x the content; block-sized writes)\n",
                ioAfter - ioBefore, static_cast<double>(ioAfter - ioBefore) / content);
    ::unlink(path.c_str());
    return 0;
}
