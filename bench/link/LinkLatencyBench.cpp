// How close a transaction comes to the least time its rules allow: the waits the protocol itself
// prescribes plus the bytes' time on the wire. The device is a peer on a pseudo-terminal that
// takes the request's wire time to "receive" it and then sends its reply one byte per byte time.
//
//   Modbus function 3, 100 registers: 20 ms of silence in the drain step, 8 request bytes,
//                                     205 reply bytes
//   Command 40, 100 sensors:          the turn-around wait round(5 t + 10) ms, 3 request bytes,
//                                     3 + 103 + 2 reply bytes
//
// "after_last_byte_ms" is the mean time from the peer's write of the reply's last byte to the end of
// the transaction: the channel's own latency, apart from the pseudo-terminal and the scheduler.
// The "ratio" counter is the mean measured time / least time, "median_ratio" the same for the
// median transaction; the goal is at most 1.05. On a shared machine the pacing peer can be held up
// by other programs, which is not the channel's latency; the benchmark therefore asks for
// real-time scheduling (it inherits to the peer threads) and runs without it when refused.

#include "link/CommandProtocol.h"
#include "link/Crc16.h"
#include "link/DeviceLink.h"
#include "link/PosixSerialPort.h"
#include "support/PtyPeer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <sched.h>

namespace drumo {

namespace {

using test::PtyPeer;

constexpr int kRegisters = 100;
constexpr int kSensors = 100;
constexpr int kDrainSilenceMs = 20;

std::vector<uint8_t> RegisterReply(int count) {
    std::vector<uint8_t> f = {1, 3, static_cast<uint8_t>(2 * count)};
    for (int i = 0; i < count; ++i) {
        f.push_back(static_cast<uint8_t>(i >> 8));
        f.push_back(static_cast<uint8_t>(2000 + i));
    }
    f.resize(f.size() + 2);
    AppendCrc16(f.data(), f.size() - 2);
    return f;
}

std::vector<uint8_t> ConfigurationReply(int sensors) {
    std::vector<uint8_t> data = {0x12, 0x34};
    for (int i = 0; i < sensors; ++i) data.push_back(static_cast<uint8_t>(i + 1));
    data.push_back(1);
    const int n = static_cast<int>(data.size());
    std::vector<uint8_t> f = {40, static_cast<uint8_t>(n), static_cast<uint8_t>(254 - 40 - n)};
    f.insert(f.end(), data.begin(), data.end());
    const uint16_t sum = BlockChecksum(data.data(), data.size());
    f.push_back(static_cast<uint8_t>(sum >> 8));
    f.push_back(static_cast<uint8_t>(sum & 0xFF));
    return f;
}

using Clock = std::chrono::steady_clock;

// When the peer wrote the last byte of its latest reply, in steady-clock ticks.
std::atomic<Clock::rep> lastByteWritten{0};

// A peer that answers every request of `requestLength` bytes with `reply` at the line's pace.
PtyPeer::Behaviour PacedAnswer(size_t requestLength, std::vector<uint8_t> reply, double t) {
    return [=](PtyPeer& peer, std::vector<uint8_t>& pending) {
        if (pending.size() < requestLength) return;
        pending.clear();
        test::PeerPause(requestLength * t);  // the request's own time on the wire
        peer.Send(reply, t);
        lastByteWritten = Clock::now().time_since_epoch().count();
    };
}

double SinceLastByte(Clock::time_point end) {
    const Clock::time_point last{Clock::duration{lastByteWritten.load()}};
    return std::chrono::duration<double>(end - last).count();
}

void Report(benchmark::State& state, std::vector<double>& times, const std::vector<double>& tails, double least) {
    if (times.empty()) return;
    double tail = 0;
    for (double x : tails) tail += x;
    state.counters["after_last_byte_ms"] = tail / tails.size() * 1000;
    double sum = 0;
    for (double x : times) sum += x;
    std::sort(times.begin(), times.end());
    const double mean = sum / times.size();
    state.counters["least_ms"] = least * 1000;
    state.counters["measured_ms"] = mean * 1000;
    state.counters["ratio"] = mean / least;
    state.counters["median_ratio"] = times[times.size() / 2] / least;
}

struct Bench {
    explicit Bench(int baud, int stopBits) {
        channel.SetPortName(peer.SlavePath());
        channel.SetBaudRateValue(baud);
        channel.SetStopBits(stopBits);
        ok = peer.Ok() && channel.Connect();
        channel.PausePolling();
    }
    PtyPeer peer;
    PosixSerialPort port;
    TSerialChannel channel{port, SystemClock::Instance()};
    DeviceLink link{channel, SystemClock::Instance()};
    bool ok = false;
};

void ModbusRead100(benchmark::State& state) {
    const int baud = static_cast<int>(state.range(0));
    const double t = ByteTime(baud);
    Bench b(baud, 2);
    if (!b.ok) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const auto reply = RegisterReply(kRegisters);
    b.peer.Start(PacedAnswer(8, reply, t));
    const double least = kDrainSilenceMs / 1000.0 + (8 + reply.size()) * t;
    std::vector<double> times, tails;
    for (auto _ : state) {
        const auto start = Clock::now();
        b.link.TransferCount = kRegisters;
        const bool ok = b.link.ModbusRequest(1, 3, 512, b.link.TransferCount, b.link.RegisterBuffer.data());
        const auto end = Clock::now();
        times.push_back(std::chrono::duration<double>(end - start).count());
        tails.push_back(SinceLastByte(end));
        if (!ok || b.link.TransferCount != kRegisters) {
            state.SkipWithError(("status " + std::to_string(b.link.LinkStatus)).c_str());
            break;
        }
    }
    Report(state, times, tails, least);
}

void Command40With100Sensors(benchmark::State& state) {
    const int baud = static_cast<int>(state.range(0));
    const double t = ByteTime(baud);
    Bench b(baud, 1);
    if (!b.ok) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const auto reply = ConfigurationReply(kSensors);
    b.peer.Start(PacedAnswer(3, reply, t));
    const double turnAround = RoundHalfEven(5 * t * 1000 + 10) / 1000.0;
    const double least = turnAround + (3 + reply.size()) * t;
    std::vector<double> times, tails;
    for (auto _ : state) {
        const auto start = Clock::now();
        uint16_t length = 0;
        const bool ok = b.link.DeviceCommand(40, b.link.CommandBuffer.data(), length);
        const auto end = Clock::now();
        times.push_back(std::chrono::duration<double>(end - start).count());
        tails.push_back(SinceLastByte(end));
        if (!ok || length != kSensors + 3) {
            state.SkipWithError(("status " + std::to_string(b.link.LinkStatus)).c_str());
            break;
        }
    }
    Report(state, times, tails, least);
}

}  // namespace

BENCHMARK(ModbusRead100)->Arg(19200)->Arg(115200)->Iterations(30)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Command40With100Sensors)->Arg(19200)->Arg(115200)->Iterations(30)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace drumo

int main(int argc, char** argv) {
    sched_param param{};
    param.sched_priority = 10;
    if (sched_setscheduler(0, SCHED_FIFO, &param) != 0)
        std::fprintf(stderr, "note: running without real-time scheduling\n");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
