// libFuzzer target: one Modbus RTU transaction answered with an arbitrary frame, for each
// function the client uses (3, 8, 16, 17). The first six bytes choose the function, the address,
// the start register and the count. A transaction succeeds exactly when its status is 0, and a
// read never gives more registers than were asked for or than one frame holds.

#include <cstdint>
#include <cstdlib>

#include "FuzzLinkPeer.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    static constexpr uint8_t functions[] = {3, 8, 16, 17};
    const uint8_t function = functions[data[0] & 3];
    const uint8_t address = data[1];
    const uint16_t start = static_cast<uint16_t>(data[2] << 8 | data[3]);
    const uint16_t asked = static_cast<uint16_t>(data[4] << 8 | data[5]);
    fuzz::LinkPeer peer(data + 6, size - 6);
    peer.channel.SetStopBits(2);
    uint16_t count = asked;
    for (size_t i = 0; i < kRegisterBufferSize; ++i) peer.link.RegisterBuffer[i] = static_cast<uint16_t>(i * 31);
    const bool ok = peer.link.ModbusRequest(address, function, start, count, peer.link.RegisterBuffer.data());
    if (ok != (peer.link.LinkStatus == 0)) std::abort();
    if (ok && function == 3 && (count > asked || count > 125)) std::abort();
    if (ok && function == 17 && count > 127) std::abort();
    return 0;
}
