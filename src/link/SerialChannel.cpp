#include "link/SerialChannel.h"

#include <algorithm>

namespace drumo {

namespace {

unsigned ClampBufferSize(unsigned size) { return std::clamp(size, 128u, 8192u); }

// The longest single wait on the port inside a transfer loop.
constexpr int64_t kMaxWaitUs = 1000;

}  // namespace

TSerialChannel::TSerialChannel(SerialPort& port, Clock& clock) : port_(port), clock_(clock) {}

TSerialChannel::~TSerialChannel() { Disconnect(); }

void TSerialChannel::SetPortName(std::string name) {
    if (!Connected()) portName_ = std::move(name);
}

bool TSerialChannel::Reapply() { return !Connected() || port_.Apply(settings_); }

bool TSerialChannel::SetBaudRateValue(int baud) {
    settings_.BaudRate = baud;
    return Reapply();
}

bool TSerialChannel::SetStopBits(int stopBits) {
    settings_.StopBits = stopBits == 2 ? 2 : 1;
    return Reapply();
}

bool TSerialChannel::SetDataBits(int bits) {
    settings_.DataBits = std::clamp(bits, 5, 8);
    return Reapply();
}

bool TSerialChannel::SetParity(ParityMode parity) {
    settings_.Parity = parity;
    return Reapply();
}

bool TSerialChannel::SetHwFlow(HwFlowMode flow) {
    settings_.HwFlow = flow;
    return Reapply();
}

bool TSerialChannel::SetSwFlow(SwFlowMode flow) {
    settings_.SwFlow = flow;
    return Reapply();
}

void TSerialChannel::SetInBufSize(unsigned size) {
    if (!Connected()) inBufSize_ = ClampBufferSize(size);
}

void TSerialChannel::SetOutBufSize(unsigned size) {
    if (!Connected()) outBufSize_ = ClampBufferSize(size);
}

bool TSerialChannel::Connect() {
    if (Connected()) return true;
    lastError_.clear();
    const std::string path = portMap_.ResolveName(portName_);
    if (path.empty()) {
        lastError_ = "Порт " + portName_ + " не сопоставлен ни одному устройству";
        return false;
    }
    if (!port_.Open(path)) {
        lastError_ = port_.LastError();
        if (port_.PermissionDenied() && log_) log_->Log(" > " + lastError_);
        return false;
    }
    if (!port_.Apply(settings_)) {
        lastError_ = port_.LastError();
        port_.Close();
        return false;
    }
    port_.SetDTR(enableDtrOnOpen_);
    port_.SetRTS(false);
    receiveBuffer_.assign(inBufSize_, 0);
    return true;
}

void TSerialChannel::Disconnect() {
    if (Connected()) port_.Close();
}

bool TSerialChannel::CheckLost() {
    if (!Connected() || !port_.Lost()) return false;
    // Every later call would fail the same way; closed, the port says so to its users at once
    // (the polling pass logs it as unavailable) and the next Connect can find the device again.
    lastError_ = port_.LastError();
    port_.Close();
    if (log_) log_->Log(" > Порт " + portName_ + ": " + lastError_);
    return true;
}

int64_t TSerialChannel::WireTimeUs(size_t count) const {
    const int bits = 1 + settings_.DataBits + (settings_.Parity != ParityMode::None ? 1 : 0) + settings_.StopBits;
    const int baud = settings_.BaudRate > 0 ? settings_.BaudRate : 1;
    return static_cast<int64_t>(count) * bits * 1000000 / baud;
}

bool TSerialChannel::FlushBuffers(bool input, bool output) {
    return Connected() && port_.Flush(input, output);
}

size_t TSerialChannel::SendData(const uint8_t* data, size_t count, int timeoutMs) {
    if (!Connected()) return 0;
    const int64_t limit = static_cast<int64_t>(timeoutMs < 0 ? 0 : timeoutMs) * 1000;
    int64_t lastProgress = clock_.TickUs();
    size_t sent = 0;
    while (sent < count) {
        const int queued = port_.BytesQueuedOut();
        const long room = static_cast<long>(outBufSize_) - queued;
        if (room > 0) {
            const size_t chunk = std::min(count - sent, static_cast<size_t>(room));
            const size_t n = port_.Write(data + sent, chunk);
            if (n > 0) {
                sent += n;
                lastProgress = clock_.TickUs();
                continue;
            }
        }
        if (CheckLost()) return 0;
        const int64_t idle = clock_.TickUs() - lastProgress;
        if (idle > limit) break;
        port_.WaitWritableUs(std::min<int64_t>(kMaxWaitUs, limit - idle + 1));
    }
    if (sent == 0) return 0;
    // The bytes are queued; they have left when the port has sent the last of them. A queue
    // that stops draining (flow control held by the other side) ends the wait after the time-out.
    const int64_t drainLimit = WireTimeUs(sent) + limit;
    int queued = port_.BytesQueuedOut();
    while (!port_.WaitSentUs(kMaxWaitUs)) {
        if (CheckLost()) return 0;
        const int now = port_.BytesQueuedOut();
        if (now < queued) lastProgress = clock_.TickUs();
        queued = now;
        if (clock_.TickUs() - lastProgress > drainLimit) {
            return sent - std::min(sent, static_cast<size_t>(std::max(queued, 0)));
        }
    }
    return sent;
}

size_t TSerialChannel::ReadData(uint8_t* buffer, size_t count) {
    if (!Connected() || count == 0) return 0;
    PausePolling();
    const int64_t limit = static_cast<int64_t>(inputTimeout_) * 1000;
    int64_t lastProgress = clock_.TickUs();
    size_t got = 0;
    while (got < count) {
        const int waiting = port_.BytesWaiting();
        if (waiting > 0) {
            const size_t n = port_.Read(buffer + got, std::min(count - got, static_cast<size_t>(waiting)));
            if (n > 0) {
                got += n;
                lastProgress = clock_.TickUs();
                continue;
            }
        }
        if (CheckLost()) break;
        const int64_t idle = clock_.TickUs() - lastProgress;
        if (idle > limit) break;
        // Returns as soon as a byte arrives, so waiting adds no latency to the transfer, and
        // never sleeps past the end of the time-out.
        port_.WaitReadableUs(std::min<int64_t>(kMaxWaitUs, limit - idle + 1));
    }
    ResumePolling();
    return got;
}

bool TSerialChannel::ReadByte(uint8_t& byte) { return ReadData(&byte, 1) == 1; }

void TSerialChannel::SetDTR(bool on) {
    if (Connected()) port_.SetDTR(on);
}

void TSerialChannel::SetRTS(bool on) {
    if (Connected()) port_.SetRTS(on);
}

void TSerialChannel::Tick() {
    if (!Connected() || !PollingActive()) return;
    port_.ClearErrors();
    const int waiting = port_.BytesWaiting();
    if (CheckLost() || waiting <= 0) return;
    const size_t want = std::min(static_cast<size_t>(waiting), receiveBuffer_.size());
    const size_t n = port_.Read(receiveBuffer_.data(), want);
    if (n > 0 && onReceiveData_) onReceiveData_(receiveBuffer_.data(), n);
}

}  // namespace drumo
