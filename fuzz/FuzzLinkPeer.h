#pragma once
// The link over the fake port for the reply targets: whatever the program writes is answered
// with the fuzzer's bytes, arriving at once after the request, so every check of a reply and
// every time-out of the transaction is met on the fake clock without waiting.

#include <cstdint>
#include <vector>

#include "link/DeviceLink.h"
#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"

namespace drumo::fuzz {

struct LinkPeer {
    explicit LinkPeer(const uint8_t* reply, size_t size) : answer(reply, reply + size) {
        channel.SetPortName("/dev/fake0");
        port.onWrite = [this](const std::vector<uint8_t>&) {
            if (answered) return;
            answered = true;
            port.Feed(answer, 2);
        };
        if (!channel.Connect()) std::abort();
    }
    test::FakeClock clock;
    test::FakeSerialPort port{clock};
    TSerialChannel channel{port, clock};
    DeviceLink link{channel, clock};
    std::vector<uint8_t> answer;
    bool answered = false;
};

}  // namespace drumo::fuzz
