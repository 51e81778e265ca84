#pragma once
// A serial line on a pseudo-terminal. The program opens the slave side as if it were a real port;
// the bus holds the master side, hears what the program sends, hands it to the devices on the line
// (an Endpoint: the framing of one protocol plus its devices) and writes their replies back,
// optionally paced at the byte time of the baud rate the program applied to the port.
//
// The bus runs its poll loop in a thread of its own (Start) or is driven by the caller (Step).
// Everything the devices hold is touched only under the bus lock; tests that look at or change a
// device take the lock too (With).

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace drumo::sim {

// The line as the program has set it up: baud rate and bits per byte (10, or 11 with 2 stop bits).
struct LineState {
    int Baud = 19200;
    int BitsPerByte = 10;
    int64_t ByteTimeUs() const { return (int64_t{BitsPerByte} * 1000000 + Baud / 2) / Baud; }
};

// What a device side may do with the line.
class Transmitter {
public:
    virtual ~Transmitter() = default;
    // Queues bytes for sending, not before delayUs from now. The tag lets a later Discard drop what
    // is still unsent of one kind of traffic (a sensor stream that is told to stop). Replies (tag 0)
    // go ahead of other traffic that has not started yet.
    virtual void Send(std::vector<uint8_t> bytes, int64_t delayUs = 0, int tag = 0) = 0;
    virtual void Discard(int tag) = 0;
    virtual size_t Queued() const = 0;
    virtual size_t QueuedOf(int tag) const = 0;  // of one kind of traffic
    // The port disappears: the pseudo-terminal is closed for good.
    virtual void Vanish() = 0;
};

// The devices of one line and the framing of their protocol.
class Endpoint {
public:
    virtual ~Endpoint() = default;
    // Bytes the program sent, at the monotonic time nowUs.
    virtual void Heard(const uint8_t* data, size_t n, const LineState& line, int64_t nowUs,
                       Transmitter& tx) = 0;
    // Called at least every few milliseconds: silence gaps, streams, time-outs.
    virtual void Idle(const LineState& line, int64_t nowUs, Transmitter& tx) = 0;
};

struct BusOptions {
    // Hold every byte for its byte time, both ways: the devices hear a request only when its last
    // byte would have arrived, and their bytes go out one byte time apart.
    bool Pacing = false;
    int FallbackBaud = 19200;  // used when the line settings cannot be read
    int IdlePeriodUs = 2000;   // how often Endpoint::Idle runs when nothing happens
};

class Bus final : private Transmitter {
public:
    explicit Bus(std::unique_ptr<Endpoint> endpoint, BusOptions options = {});
    ~Bus() override;
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // Creates the pseudo-terminal in raw mode. False (with a reason in Error()) on failure.
    bool Open();
    const std::string& SlavePath() const { return slavePath_; }
    const std::string& Error() const { return error_; }

    // A symbolic link at path to the slave; replaced if something is there already. Removed when
    // the bus closes.
    bool MakeLink(const std::string& path);

    void Start();  // poll loop in a thread of its own
    void Stop();   // joins the thread; the pseudo-terminal stays open
    void Close();  // Stop, then close the pseudo-terminal and remove the link
    // One round of the loop when the caller drives the bus: waits at most maxWaitUs for traffic.
    void Step(int64_t maxWaitUs);

    bool Gone() const;  // the port has disappeared (a fault) or was closed
    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }
    template <class F>
    auto With(F&& f) {
        auto lock = Lock();
        return f();
    }
    Endpoint& Devices() { return *endpoint_; }

    void SetPacing(bool on);
    // Byte counts and the monotonic times of the first and last byte written since the last reset,
    // for measuring the pacing.
    struct Traffic {
        uint64_t BytesIn = 0;
        uint64_t BytesOut = 0;
        int64_t FirstOutUs = 0;
        int64_t LastOutUs = 0;
        uint64_t RefusedWrites = 0;  // writes the terminal refused because nobody read it
    };
    Traffic TakeTraffic();
    LineState Line() const;
    size_t QueuedBytes() const;  // what the devices have sent that has not reached the terminal

private:
    struct Pending {
        std::vector<uint8_t> Bytes;
        size_t Offset = 0;
        int64_t NotBeforeUs = 0;
        int Tag = 0;
    };

    void Send(std::vector<uint8_t> bytes, int64_t delayUs, int tag) override;
    void Discard(int tag) override;
    size_t Queued() const override;
    size_t QueuedOf(int tag) const override;
    void Vanish() override;

    void RoundLocked(int64_t maxWaitUs, std::unique_lock<std::mutex>& lock);
    LineState ReadLine() const;
    void ReadInput(int64_t nowUs);
    void HandOver(int64_t nowUs);
    void WriteDue(int64_t nowUs);
    int64_t NextWakeUs(int64_t nowUs) const;
    void CloseFds();
    void ApplyPriority();

    std::unique_ptr<Endpoint> endpoint_;
    BusOptions options_;
    mutable std::mutex mutex_;
    int master_ = -1;
    int slave_ = -1;  // kept open so that the line settings survive and reads never see a hang-up
    int wake_[2] = {-1, -1};
    std::string slavePath_;
    std::string linkPath_;
    std::string error_;
    std::deque<Pending> out_;
    int64_t nextByteUs_ = 0;  // pacing: when the next byte may go
    bool full_ = false;       // the terminal refused output: wait until it has room
    // Pacing: what the program sent, held until its last byte would have arrived.
    struct Arriving {
        std::vector<uint8_t> Bytes;
        int64_t DueUs = 0;
    };
    std::deque<Arriving> in_;
    int64_t inLineFreeUs_ = 0;
    int64_t nextIdleUs_ = 0;
    LineState line_;
    Traffic traffic_;
    bool gone_ = false;
    bool running_ = false;
    std::thread thread_;
};

}  // namespace drumo::sim
