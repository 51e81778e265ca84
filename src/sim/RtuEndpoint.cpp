#include "sim/RtuEndpoint.h"

#include "link/Crc16.h"

#include <algorithm>

namespace drumo::sim {
namespace {

constexpr int kTalkerTag = 7;
constexpr size_t kMaxFrame = 256;

std::vector<uint8_t> Frame(uint8_t address, const std::vector<uint8_t>& pdu) {
    std::vector<uint8_t> frame;
    frame.reserve(pdu.size() + 3);
    frame.push_back(address);
    frame.insert(frame.end(), pdu.begin(), pdu.end());
    frame.resize(frame.size() + 2);
    AppendCrc16(frame.data(), frame.size() - 2);
    return frame;
}

}  // namespace

ModbusReply ExceptionReply(uint8_t function, uint8_t code) {
    return ModbusReply{{static_cast<uint8_t>(function | 0x80), code}};
}

ModbusReply RegistersReply(uint8_t function, const std::vector<uint16_t>& registers) {
    ModbusReply reply;
    reply.Pdu.push_back(function);
    reply.Pdu.push_back(static_cast<uint8_t>(registers.size() * 2));
    for (uint16_t r : registers) {
        reply.Pdu.push_back(static_cast<uint8_t>(r >> 8));
        reply.Pdu.push_back(static_cast<uint8_t>(r & 0xFF));
    }
    return reply;
}

WriteRequest ParseWriteRequest(const uint8_t* pdu, size_t n) {
    WriteRequest request;
    if (n < 6) {
        request.Refusal = ExceptionReply(16, IllegalValue);
        return request;
    }
    request.Start = Word(pdu + 1);
    const int count = Word(pdu + 3);
    const int bytes = pdu[5];
    if (count < 1 || count > 123 || bytes != 2 * count || n != static_cast<size_t>(6 + bytes)) {
        request.Refusal = ExceptionReply(16, IllegalValue);
        return request;
    }
    for (int i = 0; i < count; ++i) request.Values.push_back(Word(pdu + 6 + 2 * i));
    return request;
}

ModbusReply WriteEcho(const uint8_t* pdu) { return ModbusReply{std::vector<uint8_t>(pdu, pdu + 5)}; }

int64_t RtuEndpoint::GapUs(const LineState& line) {
    // Three and a half characters of silence end a frame; on a pseudo-terminal bytes of one write
    // arrive together, so a floor of 2 ms keeps a slow writer's frame whole.
    return std::max<int64_t>(2000, line.ByteTimeUs() * 7 / 2);
}

int RtuEndpoint::RequestLength() const {
    if (buffer_.size() < 2) return 0;
    switch (buffer_[1]) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 8:
        return 8;
    case 7: case 11: case 12: case 17:
        return 4;
    case 15: case 16:
        if (buffer_.size() < 7) return 0;
        return 9 + buffer_[6];
    default:
        return -1;
    }
}

void RtuEndpoint::Heard(const uint8_t* data, size_t n, const LineState& line, int64_t nowUs, Transmitter& tx) {
    if (!buffer_.empty() && nowUs - lastByteUs_ > GapUs(line)) {
        ++dropped_;  // an unfinished frame followed by silence is noise
        buffer_.clear();
    }
    lastByteUs_ = nowUs;
    buffer_.insert(buffer_.end(), data, data + n);
    for (;;) {
        const int length = RequestLength();
        if (length <= 0 || buffer_.size() < static_cast<size_t>(length)) break;
        if (Crc16(buffer_.data(), static_cast<size_t>(length)) == 0) {
            const std::vector<uint8_t> frame(buffer_.begin(), buffer_.begin() + length);
            buffer_.erase(buffer_.begin(), buffer_.begin() + length);
            Dispatch(frame.data(), frame.size(), line, tx);
        } else {
            // A corrupted frame cannot be resynchronised inside a burst; the rest is dropped with it.
            ++dropped_;
            buffer_.clear();
        }
    }
    if (buffer_.size() > kMaxFrame) {
        ++dropped_;
        buffer_.clear();
    }
}

void RtuEndpoint::Idle(const LineState& line, int64_t nowUs, Transmitter& tx) {
    if (!buffer_.empty() && nowUs - lastByteUs_ > GapUs(line)) {
        // A frame of a function the framing cannot size ends with the silence.
        if (RequestLength() < 0 && buffer_.size() >= 4 && Crc16(buffer_.data(), buffer_.size()) == 0) {
            const std::vector<uint8_t> frame = buffer_;
            buffer_.clear();
            Dispatch(frame.data(), frame.size(), line, tx);
        } else {
            ++dropped_;
            buffer_.clear();
        }
    }
    bool talking = lineFaults_.Talking();
    for (auto& server : servers_) {
        server->Tick();
        talking = talking || server->Faults().Talking();
    }
    if (talking) Talk(tx);
}

void RtuEndpoint::Talk(Transmitter& tx) {
    // Another station that never stops. The terminal's buffer is kept full, so that the line stays
    // busy even when this thread is held up for a while on a loaded machine; what does not fit
    // waits in a short queue.
    if (tx.Queued() > 1024) return;
    std::vector<uint8_t> noise(256);
    for (auto& b : noise) {
        noise_ = noise_ * 1103515245u + 12345u;
        b = static_cast<uint8_t>(noise_ >> 16);
    }
    tx.Send(std::move(noise), 0, kTalkerTag);
}

void RtuEndpoint::Dispatch(const uint8_t* frame, size_t n, const LineState& line, Transmitter& tx) {
    const uint8_t address = frame[0];
    const uint8_t function = frame[1];
    // Time-driven state (the boot mode's time-out) catches up before anyone decides to answer.
    for (auto& server : servers_) server->Tick();
    // Every station that takes the address acts on the request, two of them on one address as
    // well (the operator can give a station an address that another one already has).
    std::vector<Outgoing> replies;
    for (auto& server : servers_) {
        if (!server->Answers(address) && address != 0) continue;
        if (!server->Hears(line)) continue;  // bytes at a foreign speed are noise to it
        server->CountRequest();
        std::optional<ModbusReply> reply = server->Handle(address, frame + 1, n - 3);
        if (address == 0 || !reply) continue;  // broadcasts are never answered
        if (std::optional<Outgoing> out = Compose(*server, function, std::move(*reply), address, tx))
            replies.push_back(std::move(*out));
    }
    if (replies.empty()) return;
    if (replies.size() == 1) {
        tx.Send(std::move(replies[0].Bytes), replies[0].DelayUs);
        return;
    }
    int64_t delayUs = 0;
    for (const Outgoing& r : replies) delayUs = std::max(delayUs, r.DelayUs);
    tx.Send(Collide(replies), delayUs);
}

std::vector<uint8_t> RtuEndpoint::Collide(const std::vector<Outgoing>& replies) {
    // Two drivers on the line at once. The receiver sees neither frame: here the bits of all of
    // them ANDed (a 0 of one driver wins over a 1 of another), and never a valid frame, since two
    // stations never hold exactly the same bit timing.
    std::vector<uint8_t> bytes;
    for (const Outgoing& r : replies) {
        if (r.Bytes.size() > bytes.size()) bytes.resize(r.Bytes.size(), 0xFF);
        for (size_t i = 0; i < r.Bytes.size(); ++i) bytes[i] &= r.Bytes[i];
    }
    if (bytes.size() >= 3 && Crc16(bytes.data(), bytes.size()) == 0) bytes.back() ^= 0x5A;
    return bytes;
}

std::optional<RtuEndpoint::Outgoing> RtuEndpoint::Compose(ModbusServer& server, uint8_t function, ModbusReply reply,
                                                        uint8_t address, Transmitter& tx) {
    Fault fault = lineFaults_.NextReply();
    if (fault.Kind == FaultKind::None) fault = server.Faults().NextReply();
    bool collision = lineFaults_.Talking();
    for (const auto& other : servers_) collision = collision || other->Faults().Talking();
    if (collision) return std::nullopt;  // the reply collides with the other station's bytes and is lost
    switch (fault.Kind) {
    case FaultKind::Silence:
        return std::nullopt;
    case FaultKind::PortGone:
        tx.Vanish();
        return std::nullopt;
    case FaultKind::Exception:
        reply.Pdu = ExceptionReply(function, fault.Param < 0 ? DeviceFailure : static_cast<uint8_t>(fault.Param)).Pdu;
        break;
    case FaultKind::FewerRegisters:
        if (function == 3 && reply.Pdu.size() >= 2 && reply.Pdu[0] == 3) {
            const int had = reply.Pdu[1] / 2;
            const int keep = fault.Param < 0 ? had / 2 : std::max(0, had - fault.Param);
            reply.Pdu.resize(2 + 2 * keep);
            reply.Pdu[1] = static_cast<uint8_t>(2 * keep);
        }
        break;
    case FaultKind::Slow:
        reply.DelayUs += int64_t{fault.Param} * 1000;
        break;
    default:
        break;
    }
    std::vector<uint8_t> bytes = Frame(fault.Kind == FaultKind::WrongAddress ? static_cast<uint8_t>(address + 1) : address,
                                       reply.Pdu);
    switch (fault.Kind) {
    case FaultKind::BadCrc:
        bytes.back() ^= 0x5A;
        break;
    case FaultKind::ShortReply:
        bytes.resize(bytes.size() > 4 ? bytes.size() - 3 : 1);
        break;
    case FaultKind::Garbage:
        bytes.insert(bytes.begin(), {0x00, 0xFF, 0x55, 0xAA});
        break;
    default:
        break;
    }
    return Outgoing{std::move(bytes), reply.DelayUs};
}

}  // namespace drumo::sim
