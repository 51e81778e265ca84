#include "support/FakeSerialPort.h"

#include <algorithm>

namespace drumo::test {

void FakeSerialPort::Feed(const std::vector<uint8_t>& bytes, int64_t afterMs, int64_t spacingMs) {
    int64_t at = clock_.TickMs() + afterMs;
    // Arrivals stay in time order even when a later feed is scheduled before an earlier one ends.
    if (!incoming_.empty()) at = std::max(at, incoming_.back().tick);
    for (uint8_t b : bytes) {
        incoming_.push_back({at, b});
        at += spacingMs;
    }
}

size_t FakeSerialPort::Pending() const { return incoming_.size(); }

bool FakeSerialPort::Open(const std::string& devicePath) {
    ++openCount;
    if (refuseOpen || denyPermission) {
        lastError_ = devicePath + (denyPermission ? ": Permission denied (dialout)" : ": No such file");
        return false;
    }
    openedPath = devicePath;
    open_ = true;
    lost_ = false;
    return true;
}

bool FakeSerialPort::Apply(const LineSettings& settings) {
    ++applyCount;
    if (refuseApply) {
        lastError_ = "cannot apply";
        return false;
    }
    applied = settings;
    return true;
}

int FakeSerialPort::BytesWaiting() {
    if (lost_) return 0;
    // Arrivals are kept in time order (Feed), so those due are found by halving: a reader that
    // asks before every byte of a long reply does not go over the whole queue each time.
    const int64_t now = clock_.TickMs();
    const auto due = std::partition_point(incoming_.begin(), incoming_.end(),
                                          [now](const Arrival& a) { return a.tick <= now; });
    return static_cast<int>(due - incoming_.begin());
}

size_t FakeSerialPort::Read(uint8_t* buffer, size_t count) {
    if (lost_) return 0;
    size_t n = 0;
    while (n < count && !incoming_.empty() && incoming_.front().tick <= clock_.TickMs()) {
        buffer[n++] = incoming_.front().byte;
        incoming_.pop_front();
    }
    return n;
}

size_t FakeSerialPort::Write(const uint8_t* data, size_t count) {
    if (!open_ || stallWrites || lost_) return 0;
    if (acceptPerWrite > 0) count = std::min(count, acceptPerWrite);
    if (holdOutput)
        held_ += count;
    else
        outFreeUs_ = std::max(outFreeUs_, clock_.TickUs()) + outByteUs * static_cast<int64_t>(count);
    std::vector<uint8_t> chunk(data, data + count);
    written.insert(written.end(), chunk.begin(), chunk.end());
    if (onWrite) onWrite(chunk);
    return count;
}

bool FakeSerialPort::WaitReadableUs(int64_t us) {
    if (lost_) {
        clock_.Advance(std::max<int64_t>((us + 999) / 1000, 1));
        return false;
    }
    if (BytesWaiting() > 0) return true;
    int64_t step = (us + 999) / 1000;
    if (!incoming_.empty()) step = std::min<int64_t>(step, incoming_.front().tick - clock_.TickMs());
    clock_.Advance(std::max<int64_t>(step, 1));
    return BytesWaiting() > 0;
}

bool FakeSerialPort::WaitWritableUs(int64_t us) {
    clock_.Advance(std::max<int64_t>((us + 999) / 1000, 1));
    return !stallWrites;
}

int FakeSerialPort::BytesQueuedOut() {
    if (lost_) return 0;
    const int64_t left = outFreeUs_ - clock_.TickUs();
    const int64_t onWire = left > 0 && outByteUs > 0 ? (left + outByteUs - 1) / outByteUs : 0;
    return static_cast<int>(held_ + static_cast<size_t>(onWire));
}

bool FakeSerialPort::WaitSentUs(int64_t us) {
    if (lost_) return false;
    if (BytesQueuedOut() == 0) return true;
    int64_t step = (us + 999) / 1000;
    if (held_ == 0) step = std::min(step, (outFreeUs_ - clock_.TickUs() + 999) / 1000);
    clock_.Advance(std::max<int64_t>(step, 1));
    return BytesQueuedOut() == 0;
}

bool FakeSerialPort::Flush(bool input, bool output) {
    ++flushCount;
    if (output) {
        held_ = 0;
        outFreeUs_ = 0;
    }
    if (input) {
        while (!incoming_.empty() && incoming_.front().tick <= clock_.TickMs()) incoming_.pop_front();
    }
    return open_;
}

}  // namespace drumo::test
