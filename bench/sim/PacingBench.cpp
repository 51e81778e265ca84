// How closely a paced simulated line holds the byte time of its baud rate, and how fast a device
// answers when pacing is off. A client on the slave side of the pseudo-terminal sends requests to a
// Dorma station in its boot mode and times the replies:
//   paced:   255-byte replies (125 registers); the interval from the first to the last byte against
//            254 byte times, and from the end of the request to the last byte against 255 byte times.
//   unpaced: 1000 echo requests; the round trip from writing the request to the last reply byte.

#include "link/Crc16.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace drumo;
using namespace drumo::sim;

namespace {

speed_t SpeedOf(int baud) {
    switch (baud) {
    case 2400: return B2400;
    case 9600: return B9600;
    case 19200: return B19200;
    case 57600: return B57600;
    default: return B115200;
    }
}

int OpenClient(const std::string& path, int baud, int stopBits) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, SpeedOf(baud));
    cfsetospeed(&tio, SpeedOf(baud));
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    if (stopBits == 2) tio.c_cflag |= CSTOPB;
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

std::vector<uint8_t> Request(std::vector<uint8_t> pdu) {
    pdu.resize(pdu.size() + 2);
    AppendCrc16(pdu.data(), pdu.size() - 2);
    return pdu;
}

struct Timing {
    int64_t SentUs = 0, FirstUs = 0, LastUs = 0;
    size_t Bytes = 0;
};

// Sends a request and reads `expect` bytes, noting when the first and the last arrived.
Timing Exchange(int fd, const std::vector<uint8_t>& request, size_t expect) {
    tcflush(fd, TCIOFLUSH);
    Timing t;
    [[maybe_unused]] auto n = write(fd, request.data(), request.size());
    t.SentUs = MonotonicUs();
    uint8_t buffer[512];
    while (t.Bytes < expect) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 3000) <= 0) break;
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) continue;
        const int64_t now = MonotonicUs();
        if (t.Bytes == 0) t.FirstUs = now;
        t.Bytes += static_cast<size_t>(got);
        t.LastUs = now;
    }
    return t;
}

}  // namespace

int main() {
    // The measuring client wakes on time too, as the line's own thread does; without the right to
    // real-time scheduling both just measure less exactly on a busy machine.
    sched_param param{};
    param.sched_priority = 1;
    sched_setscheduler(0, SCHED_FIFO, &param);
    ManualClock clock;
    auto endpoint = std::make_unique<RtuEndpoint>();
    Dorma* dorma = endpoint->Add(MakeDorma(clock, 103, 1, 1));
    dorma->StrictSpeed = false;
    dorma->Boot().Enter();  // the manual clock never lets it time out
    Bus bus(std::move(endpoint));
    if (!bus.Open()) {
        std::fprintf(stderr, "%s\n", bus.Error().c_str());
        return 1;
    }
    bus.Start();
    const auto read125 = Request({1, 3, 0, 0, 0, 125});

    std::printf("Paced line: 255-byte replies, error against the byte time (bits per byte / baud)\n");
    std::printf("written: first to last byte as the line writes them; seen: as the client reads them\n");
    std::printf("%8s %5s %10s %12s %12s %14s %14s %10s\n", "baud", "stop", "byte us", "written %", "worst %",
                "seen first-last", "seen req-last", "worst %");
    double worstAll = 0, worstWritten = 0;
    bus.SetPacing(true);
    for (int baud : {2400, 9600, 19200, 57600, 115200}) {
        for (int stop : {1, 2}) {
            const int fd = OpenClient(bus.SlavePath(), baud, stop);
            const double byteUs = (stop == 2 ? 11.0 : 10.0) * 1e6 / baud;
            const int repeats = baud <= 2400 ? 2 : 5;
            double sumSpan = 0, sumTotal = 0, sumWrite = 0, worst = 0, worstWrite = 0;
            for (int r = 0; r < repeats; ++r) {
                bus.TakeTraffic();
                const Timing t = Exchange(fd, read125, 255);
                const Bus::Traffic written = bus.TakeTraffic();
                const double write = 100.0 * ((written.LastOutUs - written.FirstOutUs) / (254 * byteUs) - 1.0);
                sumWrite += write;
                worstWrite = std::max(worstWrite, std::abs(write));
                if (t.Bytes != 255) {
                    std::printf("short reply: %zu bytes\n", t.Bytes);
                    return 1;
                }
                const double span = 100.0 * ((t.LastUs - t.FirstUs) / (254 * byteUs) - 1.0);
                const double total = 100.0 * ((t.LastUs - t.SentUs) / (255 * byteUs) - 1.0);
                sumSpan += span;
                sumTotal += total;
                worst = std::max({worst, std::abs(span), std::abs(total)});
            }
            worstAll = std::max(worstAll, worst);
            worstWritten = std::max(worstWritten, worstWrite);
            std::printf("%8d %5d %10.1f %+12.2f %+12.2f %+14.2f %+14.2f %10.2f\n", baud, stop, byteUs,
                        sumWrite / repeats, worstWrite, sumSpan / repeats, sumTotal / repeats, worst);
            close(fd);
        }
    }
    std::printf("worst deviation over all rates: written %.2f %%, seen %.2f %% (goal: within 5 %%)\n\n",
                worstWritten, worstAll);

    bus.SetPacing(false);
    const int fd = OpenClient(bus.SlavePath(), 19200, 2);
    const auto echo = Request({1, 8, 0, 0, 0x12, 0x34});
    std::vector<int64_t> rounds;
    for (int i = 0; i < 1000; ++i) {
        const Timing t = Exchange(fd, echo, 8);
        if (t.Bytes != 8) {
            std::printf("no echo\n");
            return 1;
        }
        rounds.push_back(t.LastUs - t.SentUs);
    }
    std::sort(rounds.begin(), rounds.end());
    std::printf("Unpaced line: 1000 echo round trips, request written to reply read\n");
    std::printf("median %lld us, 99th percentile %lld us, worst %lld us (goal: within 1000 us)\n",
                static_cast<long long>(rounds[500]), static_cast<long long>(rounds[990]),
                static_cast<long long>(rounds.back()));
    close(fd);
    bus.Close();
    return 0;
}
