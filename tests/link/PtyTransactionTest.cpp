// Whole transactions of both protocols over a real pseudo-terminal, against scripted peers: the
// frames on the wire, the time-outs, and misbehaving devices.
#include "link/ComBuf.h"
#include "link/Crc16.h"
#include "link/DeviceLink.h"
#include "link/PosixSerialPort.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

namespace drumo {

using test::Bytes;
using test::PtyPeer;

namespace {

std::vector<uint8_t> WithCrc(std::vector<uint8_t> frame) {
    const size_t n = frame.size();
    frame.resize(n + 2);
    AppendCrc16(frame.data(), n);
    return frame;
}

// Answers each request of `requestLength` bytes with the next reply (nothing once they run out).
PtyPeer::Behaviour Answer(size_t requestLength, std::vector<std::vector<uint8_t>> replies) {
    auto next = std::make_shared<size_t>(0);
    return [=](PtyPeer& peer, std::vector<uint8_t>& pending) {
        if (pending.size() < requestLength) return;
        pending.clear();
        if (*next < replies.size()) peer.Send(replies[(*next)++]);
    };
}

}  // namespace

class PtyTransactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer.Ok());
        channel.SetPortName(peer.SlavePath());
        ASSERT_TRUE(channel.Connect()) << channel.LastError();
        channel.PausePolling();  // as the search and the service windows leave it
    }
    bool Modbus(uint8_t address, uint8_t function, uint16_t start, uint16_t count) {
        link.TransferCount = count;
        return link.ModbusRequest(address, function, start, link.TransferCount, link.RegisterBuffer.data());
    }

    PtyPeer peer;
    PosixSerialPort port;
    TSerialChannel channel{port, SystemClock::Instance()};
    DeviceLink link{channel, SystemClock::Instance()};
};

TEST_F(PtyTransactionTest, ModbusWorkedFramesGoOutAsBytes) {
    channel.SetStopBits(2);
    peer.Start(Answer(8, {WithCrc({1, 3, 2, 0x00, 0x2A})}));
    EXPECT_TRUE(Modbus(1, 3, 0, 1)) << link.LinkStatus;
    EXPECT_EQ(peer.Received(), Bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
    EXPECT_EQ(link.RegisterBuffer[0], 42);

    peer.Stop();
    peer.Start(Answer(4, {WithCrc({1, 17, 2, 0x12, 0x34})}));
    const auto before = peer.Received().size();
    EXPECT_TRUE(Modbus(1, 17, 0, 0)) << link.LinkStatus;
    const auto all = peer.Received();
    EXPECT_EQ(std::vector<uint8_t>(all.begin() + before, all.end()), Bytes({0x01, 0x11, 0xC0, 0x2C}));
    EXPECT_EQ(link.RegisterBuffer[0], 0x1234);
}

TEST_F(PtyTransactionTest, ModbusFaultsGiveTheirCodes) {
    auto bad = WithCrc({1, 3, 2, 0, 1});
    bad[4] ^= 0x10;
    peer.Start(Answer(8, {WithCrc({1, 0x83, 2}), bad, WithCrc({5, 3, 2, 0, 1})}));
    EXPECT_FALSE(Modbus(1, 3, 0, 1));
    EXPECT_EQ(link.LinkStatus, 56);
    EXPECT_FALSE(Modbus(1, 3, 0, 1));
    EXPECT_EQ(link.LinkStatus, 53);
    EXPECT_FALSE(Modbus(1, 3, 0, 1));
    EXPECT_EQ(link.LinkStatus, 54);
    EXPECT_FALSE(Modbus(1, 3, 0, 1));  // silence
    EXPECT_EQ(link.LinkStatus, 52);
}

TEST_F(PtyTransactionTest, StationThatNeverStopsGives31WithoutARequest) {
    const std::vector<uint8_t> chatter(256, 0x5A);
    peer.Start([&](PtyPeer& p, std::vector<uint8_t>&) { p.Send(chatter); });
    EXPECT_FALSE(Modbus(1, 3, 0, 1));
    EXPECT_EQ(link.LinkStatus, 31);
    peer.Stop();
    EXPECT_TRUE(peer.Received().empty());
}

TEST_F(PtyTransactionTest, CommandFramesAndReplies) {
    // Code 40 (variable), code 1 answered with a wrong length, code 73 accepted.
    std::vector<uint8_t> config = {40, 4, 210, 0x01, 0x02, 0x03, 0x04};
    const uint16_t sum = BlockChecksum(config.data() + 3, 4);
    config.push_back(static_cast<uint8_t>(sum >> 8));
    config.push_back(static_cast<uint8_t>(sum & 0xFF));
    std::vector<uint8_t> ident = {1, 15, 238};
    ident.insert(ident.end(), 15, 0x10);
    const uint16_t identSum = BlockChecksum(ident.data() + 3, 15);
    ident.push_back(static_cast<uint8_t>(identSum >> 8));
    ident.push_back(static_cast<uint8_t>(identSum & 0xFF));
    peer.Start(Answer(3, {config, ident}));

    uint16_t length = 0;
    EXPECT_TRUE(link.DeviceCommand(40, link.CommandBuffer.data(), length)) << link.LinkStatus;
    EXPECT_EQ(length, 4);
    EXPECT_EQ(link.CommandBuffer[3], 0x04);
    EXPECT_FALSE(link.DeviceCommand(1, link.CommandBuffer.data(), length));
    EXPECT_EQ(link.LinkStatus, 15);
    EXPECT_EQ(peer.Received(), Bytes({0x28, 0x50, 0x86, 0x01, 0x10, 0xED}));

    peer.Stop();
    peer.Start(Answer(6, {Bytes({8, 0, 246})}));
    link.CommandBuffer[0] = 3;
    EXPECT_TRUE(link.DeviceCommand(73, link.CommandBuffer.data(), length)) << link.LinkStatus;
    const auto all = peer.Received();
    EXPECT_EQ(std::vector<uint8_t>(all.end() - 6, all.end()), Bytes({0x49, 0x01, 0xB4, 0x03, 0xFF, 0xFB}));
}

TEST_F(PtyTransactionTest, StreamAheadOfTheReplyReachesTheDecoder) {
    TComBuf decoder(7);
    std::vector<std::pair<int, double>> readings;
    decoder.SetHandler([&](int s, double c) { readings.emplace_back(s, c); });
    channel.SetOnReceiveData([&](const uint8_t* d, size_t n) { decoder.PutBytes(d, n); });
    channel.ResumePolling();  // reception of the sensor stream is running

    std::vector<uint8_t> reply = EncodeSensorFrame(5, 21500);
    const auto second = EncodeSensorFrame(6, -3250);
    reply.insert(reply.end(), second.begin(), second.end());
    reply.insert(reply.end(), {8, 0, 246});
    peer.Start(Answer(6, {reply}));
    link.CommandBuffer[0] = 0;
    uint16_t length = 0;
    EXPECT_TRUE(link.DeviceCommand(73, link.CommandBuffer.data(), length)) << link.LinkStatus;
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[0].first, 5);
    EXPECT_DOUBLE_EQ(readings[0].second, 21.5);
    EXPECT_DOUBLE_EQ(readings[1].second, -3.25);
    EXPECT_TRUE(channel.PollingActive());

    // The background receive takes the stream that follows.
    peer.Send(EncodeSensorFrame(7, 1000));
    for (int i = 0; i < 2000 && readings.size() < 3; ++i) {
        port.WaitReadableUs(1000);  // returns as soon as the bytes are there
        channel.Tick();
    }
    ASSERT_EQ(readings.size(), 3u);
    EXPECT_EQ(readings[2].first, 7);
}

TEST_F(PtyTransactionTest, EndlessNoiseAndSilenceEndTheHeaderSearch) {
    peer.Start(Answer(3, {std::vector<uint8_t>(8300, 0x55)}));
    uint16_t length = 0;
    EXPECT_FALSE(link.DeviceCommand(40, link.CommandBuffer.data(), length));
    EXPECT_EQ(link.LinkStatus, 14);
    EXPECT_FALSE(link.DeviceCommand(40, link.CommandBuffer.data(), length));
    EXPECT_EQ(link.LinkStatus, 13);
}

TEST_F(PtyTransactionTest, ShortBodyTimesOut) {
    peer.Start(Answer(3, {Bytes({40, 10, 204, 1, 2, 3})}));
    uint16_t length = 0;
    EXPECT_FALSE(link.DeviceCommand(40, link.CommandBuffer.data(), length));
    EXPECT_EQ(link.LinkStatus, 16);
}

}  // namespace drumo
