#pragma once
// Modbus RTU on one line: frames the program's requests (by function code and length, with the
// silence gap for anything it cannot size), hands each intact frame to the servers on the line and
// sends their replies, with the faults each server is set to show.

#include "sim/Bus.h"
#include "sim/Faults.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace drumo::sim {

// Modbus exception codes.
inline constexpr uint8_t IllegalFunction = 1;
inline constexpr uint8_t IllegalAddress = 2;
inline constexpr uint8_t IllegalValue = 3;
inline constexpr uint8_t DeviceFailure = 4;

// A reply's protocol data unit: the function code and what follows, without address and CRC.
struct ModbusReply {
    std::vector<uint8_t> Pdu;
    int64_t DelayUs = 0;  // the device takes this long before it answers (erasing flash)
};

ModbusReply ExceptionReply(uint8_t function, uint8_t code);
// A function 3 style reply: byte count, then the registers high byte first.
ModbusReply RegistersReply(uint8_t function, const std::vector<uint16_t>& registers);

// A 16-bit number of a request, high byte first.
inline uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// A write request (function 16) taken apart: the first register and the values, or, when the
// request is malformed (counts that disagree, more than 123 registers), the refusal to send.
struct WriteRequest {
    int Start = 0;
    std::vector<uint16_t> Values;
    std::optional<ModbusReply> Refusal;
};
WriteRequest ParseWriteRequest(const uint8_t* pdu, size_t n);
// The normal reply to a write: function, start and count echoed.
ModbusReply WriteEcho(const uint8_t* pdu);

// One Modbus station.
class ModbusServer {
public:
    virtual ~ModbusServer() = default;
    virtual bool Answers(uint8_t address) const = 0;
    // Whether the station can make out bytes sent at this speed.
    virtual bool Hears(const LineState& line) const = 0;
    // A request addressed to the station (pdu = function code and data). Nothing: no reply.
    virtual std::optional<ModbusReply> Handle(uint8_t address, const uint8_t* pdu, size_t n) = 0;
    // Time passes (boot-mode time-out, the notebook's automatic records).
    virtual void Tick() {}

    FaultSlot& Faults() { return faults_; }
    uint64_t Requests() const { return requests_; }
    void CountRequest() { ++requests_; }

private:
    FaultSlot faults_;
    uint64_t requests_ = 0;
};

class RtuEndpoint final : public Endpoint {
public:
    // Adds a station; the endpoint owns it, the pointer stays valid as long as the endpoint.
    template <class T>
    T* Add(std::unique_ptr<T> server) {
        T* raw = server.get();
        servers_.push_back(std::move(server));
        return raw;
    }
    const std::vector<std::unique_ptr<ModbusServer>>& Servers() const { return servers_; }

    // Faults of the line itself rather than of one station (a foreign talker, the port vanishing).
    FaultSlot& LineFaults() { return lineFaults_; }

    void Heard(const uint8_t* data, size_t n, const LineState& line, int64_t nowUs, Transmitter& tx) override;
    void Idle(const LineState& line, int64_t nowUs, Transmitter& tx) override;

    uint64_t FramesDropped() const { return dropped_; }

private:
    // Length of the request that starts the buffer: 0 when more bytes are needed to tell, -1 when
    // the function is not known and only the silence gap can end the frame.
    int RequestLength() const;
    // A station's reply as it goes on the line.
    struct Outgoing {
        std::vector<uint8_t> Bytes;
        int64_t DelayUs = 0;
    };
    void Dispatch(const uint8_t* frame, size_t n, const LineState& line, Transmitter& tx);
    // The reply with the station's fault applied; nothing when no reply goes out.
    std::optional<Outgoing> Compose(ModbusServer& server, uint8_t function, ModbusReply reply, uint8_t address,
                                    Transmitter& tx);
    // What the master receives when several stations answer at once.
    static std::vector<uint8_t> Collide(const std::vector<Outgoing>& replies);
    void Talk(Transmitter& tx);
    static int64_t GapUs(const LineState& line);

    std::vector<std::unique_ptr<ModbusServer>> servers_;
    FaultSlot lineFaults_;
    std::vector<uint8_t> buffer_;
    int64_t lastByteUs_ = 0;
    uint64_t dropped_ = 0;
    uint32_t noise_ = 0x12345678;
};

}  // namespace drumo::sim
