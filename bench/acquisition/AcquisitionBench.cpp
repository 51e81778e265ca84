// How close the polling pass and the Modbus address search come to the least time their rules
// allow, against simulated Dorma controllers on a paced pseudo-terminal at 19200 bit/s (11 bits per
// byte with 2 stop bits): they hear a request when its last byte would have arrived and send every
// reply byte at its byte time.
//
// Least time of one Modbus transaction: the drain step's 20 ms of silence, the request's and the
// reply's bytes on the wire, and, for an address that does not answer, the reply time-out
// round(8 t 2000 + AdditionalDelay - 50) ms of the echo test instead of a reply. The retry pauses
// of 32 ms do not occur here: every controller answers at once.
//
//   pass:   3 controllers with 1, 2 and 6 cables of up to 100 sensors; per cable a register 47
//           write (multi-cable controllers: 11 + 8 bytes) and a read of n temperatures (8 + 2n+5)
//   search: addresses 1..247, three of them answer; per answering controller the echo (8 + 8),
//           the identification (8 + 69), the cable table (8 + 4c+5), and per cable the switch and
//           the labels (8 + 2n+5)
//
// Prints measured seconds, least seconds and their ratio (goal: at most 1.05). The simulator's
// thread asks for real-time scheduling where the machine allows it, so that other programs on a
// shared machine hold it up less; without it the figures are noisier.

#include "station/Station.h"
#include "link/CommandProtocol.h"
#include "link/PosixSerialPort.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sched.h>
#include <vector>

namespace drumo {
namespace {

constexpr double kDrainMs = 20.0;
constexpr int kDelayMs = 100;

double WireMs(int bytes) { return bytes * 11.0 * 1000.0 / 19200.0; }

// The paced simulator hears a request when its last byte would have arrived and sends its reply
// byte by byte, so both directions count.
double Transaction(int requestBytes, int replyBytes) { return kDrainMs + WireMs(requestBytes + replyBytes); }

double SilentEchoMs() {
    const double t = ByteTime(19200);
    return kDrainMs + WireMs(8) + std::nearbyint(8 * t * 1000 * 2 + kDelayMs - 50);
}

double PassLeastMs(const MeasurementStore& store) {
    double ms = 0;
    for (size_t d = 0; d < store.Devices(); ++d)
        for (size_t c = 0; c < store.Cables(d); ++c) {
            const int n = static_cast<int>(store.Sensors(d, c));
            if (n == 0) continue;
            if (store.Cables(d) > 1) ms += Transaction(11, 8);
            ms += Transaction(8, 2 * n + 5);
        }
    return ms;
}

double SearchLeastMs(const MeasurementStore& store, int addresses) {
    double ms = (addresses - static_cast<int>(store.Devices())) * SilentEchoMs();
    for (size_t d = 0; d < store.Devices(); ++d) {
        const int cables = static_cast<int>(store.Cables(d));
        ms += Transaction(8, 8) + Transaction(8, 2 * 32 + 5);
        if (cables > 1) ms += Transaction(8, 4 * cables + 5);
        for (int c = 0; c < cables; ++c) {
            const int n = static_cast<int>(store.Sensors(d, c));
            if (n == 0) continue;
            if (cables > 1) ms += Transaction(11, 8);
            ms += Transaction(8, 2 * n + 5);
        }
    }
    return ms;
}

int Main() {
    sched_param param{};
    param.sched_priority = 10;
    const bool realtime = sched_setscheduler(0, SCHED_FIFO, &param) == 0;

    sim::ManualClock simClock;
    auto endpoint = std::make_unique<sim::RtuEndpoint>();
    endpoint->Add(sim::MakeDorma(simClock, 103, 1, 1, 100));
    endpoint->Add(sim::MakeDorma(simClock, 105, 120, 2, 100));
    endpoint->Add(sim::MakeDorma(simClock, 107, 247, 6, 100));
    sim::BusOptions options;
    options.Pacing = true;
    sim::Bus line(std::move(endpoint), options);
    if (!line.Open()) {
        std::fprintf(stderr, "bench_acquisition: %s\n", line.Error().c_str());
        return 1;
    }
    line.Start();
    setenv("DRUMO_PORTS", ("3=" + line.SlavePath()).c_str(), 1);

    PosixSerialPort port;
    ConsoleOperator op;
    NullLog log;
    NoEvents events;
    Station station(StationServices{port, op, log, SystemClock::Instance(), &events});
    MeasurementStore& store = station.Store();
    SearchSettings wanted;  // what the search is started with
    wanted.Protocol = ExchangeProtocol::Modbus;
    wanted.PortDefault = 3;
    wanted.FindBeginAddr = 1;
    wanted.FindFinishAddr = 247;
    Clock& clock = SystemClock::Instance();

    std::printf("real-time scheduling: %s\n", realtime ? "yes" : "no (figures are noisier)");
    const int64_t s0 = clock.TickMs();
    if (!station.RunSearch(wanted) || store.Devices() != 3) {
        std::fprintf(stderr, "bench_acquisition: the search did not find the three controllers\n");
        return 1;
    }
    const double searchMs = static_cast<double>(clock.TickMs() - s0);
    const double searchLeast = SearchLeastMs(store, 247);
    size_t cables = 0, sensors = 0;
    for (size_t d = 0; d < store.Devices(); ++d) {
        cables += store.Cables(d);
        for (size_t c = 0; c < store.Cables(d); ++c) sensors += store.Sensors(d, c);
    }
    std::printf("search 1..247, 3 answering (%zu cables, %zu sensors): measured %.3f s; least %.3f s, ratio %.3f\n",
                cables, sensors, searchMs / 1000, searchLeast / 1000, searchMs / searchLeast);

    Reception& reception = station.Receiver();
    const double passLeast = PassLeastMs(store);
    std::vector<double> ratios;
    for (int i = 0; i < 10; ++i) {
        const int64_t p0 = clock.TickMs();
        reception.PollingPass();
        const double ms = static_cast<double>(clock.TickMs() - p0);
        ratios.push_back(ms / passLeast);
    }
    for (size_t d = 0; d < store.Devices(); ++d)
        for (size_t c = 0; c < store.Cables(d); ++c)
            if (store.Sensors(d, c) > 0 && store.SampleCount(d, c) != 10) {
                std::fprintf(stderr, "bench_acquisition: a pass missed cable %zu/%zu\n", d + 1, c + 1);
                return 1;
            }
    std::sort(ratios.begin(), ratios.end());
    double mean = 0;
    for (double r : ratios) mean += r;
    mean /= static_cast<double>(ratios.size());
    std::printf("polling pass, 3 controllers, %zu cables: least %.3f s; ratio mean %.3f, median %.3f, best %.3f, "
                "worst %.3f (10 passes)\n",
                cables, passLeast / 1000, mean, ratios[ratios.size() / 2], ratios.front(), ratios.back());
    station.Bus().Disconnect();
    line.Close();
    return 0;
}

}  // namespace
}  // namespace drumo

int main() { return drumo::Main(); }
