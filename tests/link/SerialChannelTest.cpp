// The serial channel's own rules, over the fake port and clock.
#include "link/SerialChannel.h"
#include "support/FakeSerialPort.h"
#include "support/RecordingLog.h"

#include <gtest/gtest.h>

namespace drumo {

using test::FakeClock;
using test::FakeSerialPort;

class SerialChannelTest : public ::testing::Test {
protected:
    SerialChannelTest() { channel.SetPortName("/dev/fake0"); }
    FakeClock clock;
    FakeSerialPort port{clock};
    TSerialChannel channel{port, clock};
};

TEST_F(SerialChannelTest, StartsWithTheWorkingDefaults) {
    TSerialChannel fresh(port, clock);
    EXPECT_EQ(fresh.PortName(), "\\\\.\\COM2");
    EXPECT_EQ(fresh.BaudRateValue(), 19200);
    EXPECT_EQ(fresh.StopBits(), 1);
    EXPECT_EQ(fresh.DataBits(), 8);
    EXPECT_EQ(fresh.InBufSize(), 8192u);
    EXPECT_EQ(fresh.OutBufSize(), 8192u);
    EXPECT_EQ(fresh.InputTimeout(), 100);
    EXPECT_EQ(fresh.PollingDelay(), 100);
    EXPECT_FALSE(fresh.EnableDTROnOpen());
    EXPECT_TRUE(fresh.PollingActive());
}

TEST_F(SerialChannelTest, PropertySettersClampAndRespectTheOpenPort) {
    channel.SetInBufSize(100);
    EXPECT_EQ(channel.InBufSize(), 128u);
    channel.SetInBufSize(10000);
    EXPECT_EQ(channel.InBufSize(), 8192u);
    channel.SetOutBufSize(5);
    EXPECT_EQ(channel.OutBufSize(), 128u);
    channel.SetPollingDelay(2);
    EXPECT_EQ(channel.PollingDelay(), 5);

    ASSERT_TRUE(channel.Connect());
    channel.SetPortName("/dev/other");
    EXPECT_EQ(channel.PortName(), "/dev/fake0");
    channel.SetInBufSize(1000);
    channel.SetOutBufSize(1000);
    EXPECT_EQ(channel.InBufSize(), 8192u);
    EXPECT_EQ(channel.OutBufSize(), 128u);
}

TEST_F(SerialChannelTest, ConnectAppliesTheLineAndLeavesDtrAndRtsLow) {
    channel.SetStopBits(2);
    ASSERT_TRUE(channel.Connect());
    EXPECT_EQ(port.openedPath, "/dev/fake0");
    EXPECT_EQ(port.applied.BaudRate, 19200);
    EXPECT_EQ(port.applied.StopBits, 2);
    EXPECT_EQ(port.applied.DataBits, 8);
    EXPECT_EQ(port.applied.Parity, ParityMode::None);
    EXPECT_EQ(port.applied.HwFlow, HwFlowMode::None);
    EXPECT_FALSE(port.dtr);
    EXPECT_FALSE(port.rts);

    // A second Connect keeps the port as it is.
    EXPECT_TRUE(channel.Connect());
    EXPECT_EQ(port.openCount, 1);

    // The rate is re-applied at once while open.
    EXPECT_TRUE(channel.SetBaudRateValue(115200));
    EXPECT_EQ(port.applied.BaudRate, 115200);
    channel.Disconnect();
    EXPECT_FALSE(channel.Connected());
}

TEST_F(SerialChannelTest, ConnectFailuresLeaveThePortClosed) {
    port.refuseApply = true;
    EXPECT_FALSE(channel.Connect());
    EXPECT_FALSE(channel.Connected());

    port.refuseApply = false;
    port.refuseOpen = true;
    EXPECT_FALSE(channel.Connect());
    EXPECT_FALSE(channel.Connected());

    TSerialChannel unnamed(port, clock);
    unnamed.SetPortName("\\\\.\\Com200");  // no device for this number
    port.refuseOpen = false;
    EXPECT_FALSE(unnamed.Connect());
    EXPECT_NE(unnamed.LastError().find("Com200"), std::string::npos);
}

TEST_F(SerialChannelTest, RefusedPermissionIsLoggedWithTheDialoutHint) {
    test::RecordingLog log;
    channel.SetLog(&log);
    port.denyPermission = true;
    EXPECT_FALSE(channel.Connect());
    ASSERT_EQ(log.Lines.size(), 1u);
    EXPECT_NE(log.Lines[0].find("dialout"), std::string::npos);
}

TEST_F(SerialChannelTest, ClosedPortTransfersNothingAndDoesNotWait) {
    uint8_t buf[4] = {1, 2, 3, 4};
    const auto before = clock.TickMs();
    EXPECT_EQ(channel.SendData(buf, 4, 1000), 0u);
    EXPECT_EQ(channel.ReadData(buf, 4), 0u);
    EXPECT_FALSE(channel.FlushBuffers(true, true));
    EXPECT_EQ(clock.TickMs(), before);
}

TEST_F(SerialChannelTest, ReadEndsCompleteOrAfterTheInactivityTimeout) {
    ASSERT_TRUE(channel.Connect());
    uint8_t buf[8] = {};
    const auto t0 = clock.TickMs();
    EXPECT_EQ(channel.ReadData(buf, 0), 0u);
    EXPECT_EQ(clock.TickMs(), t0);

    // 3 of 8 bytes, then silence: 3 bytes after InputTimeout ms of silence.
    port.Feed({1, 2, 3}, 10, 5);
    EXPECT_EQ(channel.ReadData(buf, 8), 3u);
    EXPECT_EQ(buf[2], 3);
    const auto silenceStart = t0 + 20;
    EXPECT_GT(clock.TickMs() - silenceStart, 100);
    EXPECT_LE(clock.TickMs() - silenceStart, 102);

    // A slow but steady reply is not cut off: the time-out counts from the last byte.
    port.Feed(std::vector<uint8_t>(8, 7), 0, 60);
    EXPECT_EQ(channel.ReadData(buf, 8), 8u);
}

TEST_F(SerialChannelTest, ReadByteTellsWhetherExactlyOneByteCame) {
    ASSERT_TRUE(channel.Connect());
    channel.SetInputTimeout(20);
    port.Feed({0x5A});
    uint8_t b = 0;
    EXPECT_TRUE(channel.ReadByte(b));
    EXPECT_EQ(b, 0x5A);
    EXPECT_FALSE(channel.ReadByte(b));
}

TEST_F(SerialChannelTest, SendGivesUpOnlyAfterTheTimeoutWithoutProgress) {
    ASSERT_TRUE(channel.Connect());
    const uint8_t data[6] = {1, 2, 3, 4, 5, 6};
    port.acceptPerWrite = 2;
    EXPECT_EQ(channel.SendData(data, 6, 50), 6u);
    EXPECT_EQ(port.written, std::vector<uint8_t>(data, data + 6));

    port.stallWrites = true;
    const auto t0 = clock.TickMs();
    EXPECT_EQ(channel.SendData(data, 6, 50), 0u);
    EXPECT_GT(clock.TickMs() - t0, 50);
    EXPECT_LE(clock.TickMs() - t0, 52);
}

TEST_F(SerialChannelTest, SendReturnsOnlyOnceTheBytesHaveLeftTheLine) {
    // A 161-byte write at 2400 bit/s: 671 ms on the wire (10 bits a byte, 4167 us each).
    const struct {
        const char* name;
        bool hold;
        size_t expected;
        int64_t leastMs, mostMs;
    } cases[] = {{"drains at the baud rate", false, 161, 671, 673},
                 {"held by the other side: gives up after wire time and time-out, none sent", true, 0, 771, 774}};
    const std::vector<uint8_t> request(161, 0x55);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        channel.Disconnect();
        ASSERT_TRUE(channel.SetBaudRateValue(2400));
        ASSERT_TRUE(channel.Connect());
        port.outByteUs = 4167;
        port.holdOutput = c.hold;
        const auto t0 = clock.TickMs();
        EXPECT_EQ(channel.SendData(request.data(), request.size(), 100), c.expected);
        EXPECT_GE(clock.TickMs() - t0, c.leastMs);
        EXPECT_LE(clock.TickMs() - t0, c.mostMs);
        EXPECT_EQ(port.BytesQueuedOut(), c.hold ? 161 : 0);
        port.Flush(true, true);
    }
}

TEST_F(SerialChannelTest, APortWhoseDeviceWentAwayIsClosedWithTheReason) {
    uint8_t buf[4] = {1, 2, 3, 4};
    for (int call = 0; call < 3; ++call) {  // a write, a read, a background tick
        ASSERT_TRUE(channel.Connect());
        port.Vanish();
        const size_t moved = call == 0 ? channel.SendData(buf, 4, 50) : call == 1 ? channel.ReadData(buf, 4) : 0;
        if (call == 2) channel.Tick();
        EXPECT_EQ(moved, 0u);
        EXPECT_FALSE(channel.Connected()) << call;
        EXPECT_NE(channel.LastError().find("gone"), std::string::npos) << channel.LastError();
    }
}

TEST_F(SerialChannelTest, BackgroundReceiveHandsOverOnlyWhileNotPaused) {
    std::vector<uint8_t> got;
    channel.SetOnReceiveData([&](const uint8_t* d, size_t n) { got.insert(got.end(), d, d + n); });
    channel.Tick();  // closed: nothing, no crash
    ASSERT_TRUE(channel.Connect());

    port.Feed({1, 2, 3});
    channel.PausePolling();
    channel.PausePolling();
    EXPECT_FALSE(channel.PollingActive());
    channel.Tick();
    channel.ResumePolling();
    channel.Tick();
    EXPECT_TRUE(got.empty());
    channel.ResumePolling();
    EXPECT_TRUE(channel.PollingActive());
    channel.Tick();
    EXPECT_EQ(got, (std::vector<uint8_t>{1, 2, 3}));

    // A read in between keeps the counter balanced.
    uint8_t b;
    channel.SetInputTimeout(0);
    channel.ReadByte(b);
    EXPECT_TRUE(channel.PollingActive());

    // Without a handler the bytes are still taken off the line.
    channel.SetOnReceiveData(nullptr);
    port.Feed({9});
    channel.Tick();
    EXPECT_EQ(port.Pending(), 0u);
}

TEST_F(SerialChannelTest, BackgroundReceiveTakesAtMostTheBufferSizePerTick) {
    channel.SetInBufSize(128);
    size_t calls = 0, total = 0;
    channel.SetOnReceiveData([&](const uint8_t*, size_t n) {
        ++calls;
        total += n;
        EXPECT_LE(n, 128u);
    });
    ASSERT_TRUE(channel.Connect());
    port.Feed(std::vector<uint8_t>(300, 0x55));
    channel.Tick();
    channel.Tick();
    channel.Tick();
    EXPECT_EQ(calls, 3u);
    EXPECT_EQ(total, 300u);
}

}  // namespace drumo
