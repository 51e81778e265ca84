#pragma once
// A DeviceLink over the fake port and clock, with a device that answers each request with the
// next scripted reply.

#include "link/Crc16.h"
#include "link/DeviceLink.h"
#include "support/FakeSerialPort.h"
#include "support/PtyPeer.h"
#include "support/ScriptedOperator.h"

#include <gtest/gtest.h>

#include <deque>

namespace drumo::test {

class LinkFixture : public ::testing::Test {
protected:
    LinkFixture() {
        channel.SetPortName("/dev/fake0");
        port.onWrite = [this](const std::vector<uint8_t>&) {
            if (replies.empty()) return;
            port.Feed(replies.front(), replyAfterMs, replySpacingMs);
            replies.pop_front();
        };
    }

    void Open() { ASSERT_TRUE(channel.Connect()); }

    // A Modbus frame with its CRC appended.
    static std::vector<uint8_t> WithCrc(std::vector<uint8_t> frame) {
        const size_t n = frame.size();
        frame.resize(n + 2);
        AppendCrc16(frame.data(), n);
        return frame;
    }

    FakeClock clock;
    FakeSerialPort port{clock};
    TSerialChannel channel{port, clock};
    DeviceLink link{channel, clock};
    std::deque<std::vector<uint8_t>> replies;
    int64_t replyAfterMs = 2;
    int64_t replySpacingMs = 0;
};

}  // namespace drumo::test
