#pragma once
// An in-memory serial port on a FakeClock. Incoming bytes are scheduled at clock ticks and become
// readable when the clock reaches them; waiting for input moves the clock to the next arrival (or
// by the asked time), so time-outs run to the millisecond without real waiting. Everything the
// program writes is recorded, and a write hook lets a test answer like a device.

#include "link/SerialPort.h"
#include "support/FakeClock.h"

#include <deque>
#include <functional>
#include <vector>

namespace drumo::test {

class FakeSerialPort final : public SerialPort {
public:
    explicit FakeSerialPort(FakeClock& clock) : clock_(clock) {}

    // Bytes that arrive `afterMs` from now, then one every `spacingMs`.
    void Feed(const std::vector<uint8_t>& bytes, int64_t afterMs = 0, int64_t spacingMs = 0);
    // Called with every chunk the program writes (after it is recorded).
    std::function<void(const std::vector<uint8_t>&)> onWrite;

    // Faults.
    bool refuseOpen = false;
    bool denyPermission = false;
    bool refuseApply = false;
    bool stallWrites = false;        // the port accepts nothing
    size_t acceptPerWrite = 0;       // 0: any amount; otherwise at most this many per Write
    int64_t outByteUs = 0;           // each written byte's time on the wire; 0: bytes leave at once
    bool holdOutput = false;         // written bytes stay queued (flow control held by the other side)
    // The device goes away: every call fails until the port is opened again.
    void Vanish() {
        lost_ = true;
        lastError_ = openedPath + ": device gone";
    }

    // What happened.
    std::vector<uint8_t> written;
    std::string openedPath;
    LineSettings applied;
    int applyCount = 0;
    int flushCount = 0;
    int openCount = 0;
    bool dtr = true;
    bool rts = true;

    size_t Pending() const;  // bytes scheduled but not yet read, arrived or not

    bool Open(const std::string& devicePath) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    bool Apply(const LineSettings& settings) override;
    int BytesWaiting() override;
    int BytesQueuedOut() override;
    size_t Read(uint8_t* buffer, size_t count) override;
    size_t Write(const uint8_t* data, size_t count) override;
    // The fake clock counts whole milliseconds: a wait moves it by at least one.
    bool WaitReadableUs(int64_t us) override;
    bool WaitWritableUs(int64_t us) override;
    bool WaitSentUs(int64_t us) override;
    bool Lost() const override { return open_ && lost_; }
    bool Flush(bool input, bool output) override;
    void SetDTR(bool on) override { dtr = on; }
    void SetRTS(bool on) override { rts = on; }
    void ClearErrors() override {}
    std::string LastError() const override { return lastError_; }
    bool PermissionDenied() const override { return denyPermission; }

private:
    struct Arrival {
        int64_t tick;
        uint8_t byte;
    };
    FakeClock& clock_;
    std::deque<Arrival> incoming_;
    bool open_ = false;
    bool lost_ = false;
    int64_t outFreeUs_ = 0;  // clock time at which the last written byte is through
    size_t held_ = 0;        // bytes kept back by holdOutput
    std::string lastError_;
};

}  // namespace drumo::test
