// One transaction of the maker's command protocol.
#include "link/DeviceLink.h"

#include <algorithm>
#include <vector>

namespace drumo {

bool DeviceLink::DeviceCommand(int code, uint8_t* data, uint16_t& length) {
    LinkStatus = lsPortClosed;
    if (!SerialLink.Connected()) return false;
    const double t = ByteTime(SerialLink.BaudRateValue());

    // While the sensor stream is being received in the background, the transaction only holds it
    // off, so that stream bytes ahead of the reply still reach the frame decoder; otherwise the
    // line is cleared of anything stale.
    const bool paused = SerialLink.PollingActive();
    if (paused)
        SerialLink.PausePolling();
    else
        SerialLink.FlushBuffers(true, true);

    // Gives the device time to turn its line around after whatever it sent last.
    clock_.SleepMs(RoundHalfEven(5 * t * 1000 + 10));

    const int l = CommandLength(code, length);
    if (l < 0 || l > 255) {
        LinkStatus = lsNotInLibrary;
    } else if (code <= 63) {
        CommandRead(code, l, data, length, t);
    } else {
        CommandWrite(code, l, data, t);
    }

    if (paused) SerialLink.ResumePolling();
    return LinkStatus == lsOk;
}

bool DeviceLink::CommandRead(int code, int l, uint8_t* data, uint16_t& outLength, double t) {
    const auto request = ReadRequest(code, l);
    if (SerialLink.SendData(request.data(), request.size(), 50) < request.size()) {
        LinkStatus = lsSendFailed;
        return false;
    }
    uint8_t header[3];
    if (!ReceiveReplyHeader(header, static_cast<uint8_t>(code))) return false;
    if (header[0] == kStatusReply) {
        LinkStatus = header[1];
        return LinkStatus == lsOk;
    }
    const int n = header[1];
    if (n != l && l != kVariableLength) {
        LinkStatus = lsLengthMismatch;
        return false;
    }
    SerialLink.SetInputTimeout(RoundHalfEven((n + 2) * t * 1000 * 2 + AdditionalDelay));
    uint8_t body[257];
    if (SerialLink.ReadData(body, n + 2) < static_cast<size_t>(n + 2)) {
        LinkStatus = lsBodyTimeout;
        return false;
    }
    if (static_cast<uint16_t>(body[n] << 8 | body[n + 1]) != BlockChecksum(body, n)) {
        LinkStatus = lsBodyChecksum;
        return false;
    }
    std::copy(body, body + n, data);
    outLength = static_cast<uint16_t>(n);
    LinkStatus = lsOk;
    return true;
}

bool DeviceLink::CommandWrite(int code, int l, const uint8_t* data, double t) {
    const auto request = WriteRequest(code, data, l);
    const int timeout = RoundHalfEven((l + 5) * t * 1000 * 2 + 50);
    if (SerialLink.SendData(request.data(), request.size(), timeout) < request.size()) {
        LinkStatus = lsSendFailed;
        return false;
    }
    uint8_t header[3];
    if (!ReceiveReplyHeader(header, kStatusReply)) return false;
    LinkStatus = header[1];
    return LinkStatus == lsOk;
}

// Bytes read while looking for a reply header belong to whatever the device sent unasked (the
// sensor stream during reception); the frame decoder gets them in order. They are handed on when
// the search fails as well, so a timed-out command never swallows stream readings.
void DeviceLink::HandOn(const std::vector<uint8_t>& bytes) {
    const auto& handler = SerialLink.OnReceiveData();
    if (!bytes.empty() && handler) handler(bytes.data(), bytes.size());
}

bool DeviceLink::ReceiveReplyHeader(uint8_t header[3], uint8_t expected) {
    SerialLink.SetInputTimeout(20);
    const int timeout = SerialLink.InputTimeout();
    const size_t limit = SerialLink.InBufSize();
    uint8_t window[3] = {0, 0, 0};
    size_t consumed = 0;
    int empties = 0;
    // Every byte consumed, so that what precedes the header can be handed on in order.
    std::vector<uint8_t> skipped;
    skipped.reserve(64);
    for (;;) {
        if (consumed >= 3 && IsReplyHeader(window[0], window[1], window[2], expected)) {
            header[0] = window[0];
            header[1] = window[1];
            header[2] = window[2];
            skipped.resize(consumed - 3);
            HandOn(skipped);
            return true;
        }
        uint8_t byte = 0;
        while (!SerialLink.ReadByte(byte)) {
            if (empties * timeout > AdditionalDelay + 400) {
                LinkStatus = lsHeaderTimeout;
                HandOn(skipped);
                return false;
            }
            ++empties;
        }
        if (consumed >= limit) {
            LinkStatus = lsHeaderOverflow;
            skipped.push_back(byte);
            HandOn(skipped);
            return false;
        }
        window[0] = window[1];
        window[1] = window[2];
        window[2] = byte;
        ++consumed;
        skipped.push_back(byte);
    }
}

}  // namespace drumo
