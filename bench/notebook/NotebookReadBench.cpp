// How close reading a notebook of about 32,000 words comes to the least time the rules allow,
// against simulated loggers on a paced pseudo-terminal: Modbus RTU (Dorma) at 19200 and 115200
// bit/s (8N2, 11 bits a byte) and the maker's command protocol (Hexar-1/100) at 19200 (8N1, 10
// bits a byte). The simulators hear a request when its last byte would have arrived and send every
// reply byte at its byte time.
//
// Least time of the read: the info request and then every block, each
//   Modbus:  the drain step's 20 ms of silence, the request (8 bytes) and the reply (5 + 2n bytes)
//   command: the turn-around wait round(5 t + 10) ms (t the protocol's byte time), the request
//            (3 bytes) and the reply (3 + 2n + 2 bytes; 3 + 14 + 2 for the info)
// No retry pauses occur: every block arrives at once.
//
// Prints measured seconds, least seconds and their ratio (goal: at most 1.05). Arguments choose
// the runs: modbus19200, modbus115200, command19200 (all when none is given).

#include "station/Station.h"
#include "link/CommandProtocol.h"
#include "link/PosixSerialPort.h"
#include "notebook/Notebook.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sched.h>
#include <string>

namespace drumo {
namespace {

constexpr int kSensors = 100;
constexpr int kRecords = 155;  // 155 records of 206 words: 31,930 words

sim::NotebookContent Content(Clock& clock) {
    return sim::SampleNotebook({sim::MakeCable(2101, 1, kSensors)}, sim::Climate(5), clock.Now(), kRecords, false);
}

struct Run {
    double Measured = 0, Least = 0;
    int Words = 0;
};

bool Read(sim::SimLine built, ExchangeProtocol protocol, int baud, Run& run) {
    built.Line->SetPacing(true);
    if (!built.Line->Open()) {
        std::fprintf(stderr, "bench_notebook: %s\n", built.Line->Error().c_str());
        return false;
    }
    built.Line->Start();
    setenv("DRUMO_PORTS", ("3=" + built.Line->SlavePath()).c_str(), 1);

    PosixSerialPort port;
    ConsoleOperator op(false);
    NullLog log;
    NoEvents events;
    Station station(StationServices{port, op, log, SystemClock::Instance(), &events});
    SearchSettings wanted;
    wanted.Protocol = protocol;
    wanted.BaudRate = baud;
    wanted.PortDefault = 3;
    wanted.FindBeginAddr = 1;
    wanted.FindFinishAddr = 1;
    if (!station.RunSearch(wanted) || station.Store().DeviceCount() != 1) {
        std::fprintf(stderr, "bench_notebook: the logger was not found\n");
        return false;
    }
    NotebookView view;
    NotebookGraphs graphs;
    Notebook notebook(station, op, view, graphs, "bench");
    Clock& clock = SystemClock::Instance();
    const int64_t t0 = clock.TickUs();
    const bool ok = notebook.Load();
    run.Measured = static_cast<double>(clock.TickUs() - t0) / 1e6;
    station.Bus().Disconnect();
    built.Line->Close();
    if (!ok || notebook.Records() != kRecords) {
        std::fprintf(stderr, "bench_notebook: the read failed: %s\n", notebook.StatusText().c_str());
        return false;
    }
    const NotebookReader& r = notebook.Reader();
    run.Words = r.Bytes / 2;
    const bool modbus = protocol == ExchangeProtocol::Modbus;
    const double wire = (modbus ? 11.0 : 10.0) / baud;
    if (modbus) {
        run.Least = 0.020 + (8 + 5 + 12) * wire + r.Blocks * (0.020 + (8 + 5) * wire) + r.Bytes * wire;
    } else {
        const double turnAround = RoundHalfEven(5 * ByteTime(baud) * 1000 + 10) / 1000.0;
        run.Least = turnAround + (3 + 3 + 14 + 2) * wire + r.Blocks * (turnAround + (3 + 3 + 2) * wire) + r.Bytes * wire;
    }
    return true;
}

// Runs named on the command line ("modbus19200", "modbus115200", "command19200"), or all.
int Main(int argc, char* argv[]) {
    const auto wanted = [&](const char* name) {
        if (argc < 2) return true;
        for (int i = 1; i < argc; ++i)
            if (std::string(argv[i]) == name) return true;
        return false;
    };
    sched_param param{};
    param.sched_priority = 10;
    const bool realtime = sched_setscheduler(0, SCHED_FIFO, &param) == 0;
    std::printf("real-time scheduling: %s\n", realtime ? "yes" : "no (figures are noisier)");
    sim::ManualClock simClock;

    const auto report = [](const char* what, const Run& run) {
        std::printf("%s: %d words, measured %.3f s; least %.3f s, ratio %.3f\n", what, run.Words, run.Measured,
                    run.Least, run.Measured / run.Least);
    };
    for (int baud : {19200, 115200}) {
        if (!wanted(baud == 19200 ? "modbus19200" : "modbus115200")) continue;
        auto dorma = sim::MakeDorma(simClock, 103, 1, 1, kSensors);
        dorma->StrictSpeed = false;
        dorma->SetNotebook(Content(simClock));
        auto endpoint = std::make_unique<sim::RtuEndpoint>();
        sim::SimLine line;
        line.Dormas.push_back(endpoint->Add(std::move(dorma)));
        line.Line = std::make_unique<sim::Bus>(std::move(endpoint));
        Run run;
        if (!Read(std::move(line), ExchangeProtocol::Modbus, baud, run)) return 1;
        report(baud == 19200 ? "Modbus RTU 19200 bit/s" : "Modbus RTU 115200 bit/s", run);
    }
    if (wanted("command19200")) {
        auto hexar = sim::MakeHexar100(simClock);
        const auto content = Content(simClock);
        hexar->NotebookWords = content.Words;
        hexar->NotebookRecords = content.Records;
        auto endpoint = std::make_unique<sim::CommandEndpoint>(simClock, std::move(hexar));
        endpoint->Streaming = false;
        sim::SimLine line;
        line.Line = std::make_unique<sim::Bus>(std::move(endpoint));
        Run run;
        if (!Read(std::move(line), ExchangeProtocol::Command, 19200, run)) return 1;
        report("command protocol 19200 bit/s", run);
    }
    return 0;
}

}  // namespace
}  // namespace drumo

int main(int argc, char* argv[]) { return drumo::Main(argc, argv); }
