#pragma once
// Misbehaviour on demand. A fault is set on one simulated device (or on its whole bus) by name, so
// that tests, benchmarks and the operator of drumo-sim can provoke every failure the program must
// survive. A fault may be limited to the next few requests; after that the device behaves again.
//
// Names (the text form is  name[:param][*times] ):
//   silence              no reply at all
//   bad-crc              the reply's CRC (Modbus) or checksum (command protocol) is wrong
//   garbage              stray bytes come before the reply
//   short                the reply is cut short
//   exception[:code]     Modbus exception reply (code, default 4); status reply for the command
//                        protocol (status, default 4)
//   wrong-address        the reply names another Modbus address (another command code for the
//                        command protocol)
//   fewer-registers[:n]  a register read returns n registers fewer (default: half of them); a
//                        command-protocol data reply loses n bytes (default 1)
//   foreign-talker       another station keeps transmitting on the line; replies are lost in
//                        the collision
//   stop-after:N         answers N more requests, then never again
//   port-gone[:N]        after N more requests (default 0) the pseudo-terminal disappears
//   slow:ms              the reply comes ms milliseconds late

#include <optional>
#include <string>
#include <string_view>

namespace drumo::sim {

enum class FaultKind {
    None,
    Silence,
    BadCrc,
    Garbage,
    ShortReply,
    Exception,
    WrongAddress,
    FewerRegisters,
    ForeignTalker,
    StopAfter,
    PortGone,
    Slow,
};

struct Fault {
    FaultKind Kind = FaultKind::None;
    int Param = -1;  // -1: the default of the kind
    int Times = -1;  // replies it still applies to; -1: until cleared

    bool operator==(const Fault&) const = default;
};

// Parses the text form; nothing for an unknown name or a malformed number.
std::optional<Fault> ParseFault(std::string_view text);
std::string FaultName(FaultKind kind);

// The fault of one device, with the counting that "stop-after", "port-gone" and limited faults need.
class FaultSlot {
public:
    void Set(const Fault& fault);
    void Clear() { Set(Fault{}); }
    const Fault& Current() const { return fault_; }

    // What happens to the reply of one request that has just arrived: the fault that applies to
    // it (FaultKind::None when the device behaves). Counts the request.
    Fault NextReply();

    // True while another station is talking on the line.
    bool Talking() const { return fault_.Kind == FaultKind::ForeignTalker; }

private:
    Fault fault_;
    int countdown_ = 0;  // stop-after and port-gone: requests still answered
};

}  // namespace drumo::sim
