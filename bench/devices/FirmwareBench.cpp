// How close writing and then verifying a whole firmware image (496 pages) comes to the least time
// the rules allow, through the boot loader of a simulated Dorma on a line paced at the byte time of
// 19200 and of 115200 bit/s (8N2, 11 bits a byte). Every page is two writes of 64 registers and,
// in the verify, two reads of 64 registers; each transaction costs
//   20 ms of silence in the client's drain step + the request's and the reply's bytes on the wire
//   write: 9 + 128 request bytes, 8 reply bytes;  read: 8 request bytes, 5 + 128 reply bytes.
// The erase before the write is not counted. Prints measured / least per speed; the goal is at
// most 1.05. Usage: devices_bench [PAGES] (all 496 by default).
//
// On a shared machine the pacing thread can be held up by other programs; the benchmark asks for
// real-time scheduling (inherited by the simulator's thread) and runs without it when refused.

#include "devices/Firmware.h"
#include "link/PosixSerialPort.h"
#include "model/SafeFile.h"
#include "sim/Presets.h"
#include "station/Station.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sched.h>
#include <string>
#include <unistd.h>

using namespace drumo;

namespace {

struct Figures {
    double Measured = 0, Least = 0;
    bool Ok = false;
};

Figures Run(int baud, int pages) {
    SystemClock& clock = SystemClock::Instance();
    auto endpoint = std::make_unique<sim::RtuEndpoint>();
    sim::Dorma* dorma = endpoint->Add(sim::MakeDorma(clock, 106, 1, 1));
    dorma->SetSpeedCode(baud == 115200 ? 11 : 8);
    sim::BusOptions options;
    options.Pacing = true;
    sim::Bus line(std::move(endpoint), options);
    if (!line.Open()) return {};
    line.Start();

    // The program's station over the simulator's port, its line taken as the firmware window
    // takes it.
    PosixSerialPort port;
    ConsoleOperator op(false);
    NullLog log;
    Station station(StationServices{port, op, log, clock});
    const LineLease lease = station.Take(LineUser::Firmware);
    DeviceBus& bus = lease.Bus();
    bus.SetPortName(line.SlavePath());
    bus.SetLine(baud, 2);
    if (!bus.Connect()) return {};
    bus.PausePolling();
    FirmwareUpdate fw(bus, op, station.Events(), clock);
    fw.SetAddress(1);
    // The image comes from a file, as it does for the operator: only a whole image is written.
    std::mt19937 random(1);
    std::string image(kImageBytes, '\xFF');
    for (int i = 0; i < pages * kImagePageSize; ++i) image[i] = static_cast<char>(random() & 0x7F);
    const std::string file = "/tmp/drumo-fw-bench-" + std::to_string(getpid()) + ".bin";
    const bool loaded = WriteFileSafely(file, image) && fw.LoadImageFile(file);
    std::remove(file.c_str());
    if (!loaded || !fw.BootOn() || !fw.EraseDevice()) return {};

    const auto start = std::chrono::steady_clock::now();
    const bool ok = fw.WriteImage() && fw.VerifyImage();
    const double measured = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    fw.BootOff();
    bus.Disconnect();
    line.Close();

    const double t = 11.0 / baud;
    const double write = 0.020 + (137 + 8) * t;
    const double read = 0.020 + (8 + 133) * t;
    const double least = 2 * pages * write + 2 * kImagePages * read;
    return {measured, least, ok};
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : kImagePages;
    sched_param param{};
    param.sched_priority = 1;
    if (sched_setscheduler(0, SCHED_FIFO, &param) != 0) std::printf("(no real-time scheduling)\n");
    for (int baud : {19200, 115200}) {
        const Figures f = Run(baud, pages);
        std::printf("baud=%d pages=%d ok=%d measured_s=%.2f least_s=%.2f ratio=%.4f\n", baud, pages, f.Ok ? 1 : 0,
                    f.Measured, f.Least, f.Least > 0 ? f.Measured / f.Least : 0.0);
        std::fflush(stdout);
    }
    return 0;
}
