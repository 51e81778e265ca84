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
    int n = 0;
    for (const auto& a : incoming_) {
        if (a.tick > clock_.TickMs()) break;
        ++n;
    }
    return n;
}

size_t FakeSerialPort::Read(uint8_t* buffer, size_t count) {
    size_t n = 0;
    while (n < count && !incoming_.empty() && incoming_.front().tick <= clock_.TickMs()) {
        buffer[n++] = incoming_.front().byte;
        incoming_.pop_front();
    }
    return n;
}

size_t FakeSerialPort::Write(const uint8_t* data, size_t count) {
    if (!open_ || stallWrites) return 0;
    if (acceptPerWrite > 0) count = std::min(count, acceptPerWrite);
    std::vector<uint8_t> chunk(data, data + count);
    written.insert(written.end(), chunk.begin(), chunk.end());
    if (onWrite) onWrite(chunk);
    return count;
}

bool FakeSerialPort::WaitReadableUs(int64_t us) {
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

bool FakeSerialPort::Flush(bool input, bool) {
    ++flushCount;
    if (input) {
        while (!incoming_.empty() && incoming_.front().tick <= clock_.TickMs()) incoming_.pop_front();
    }
    return open_;
}

}  // namespace drumo::test
