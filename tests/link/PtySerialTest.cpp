// The termios port and the channel over real pseudo-terminals.
#include "link/PosixSerialPort.h"
#include "link/SerialChannel.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>


namespace drumo {

using test::Bytes;
using test::PtyPeer;

namespace {

// Echoes every byte back as soon as it arrives.
void Echo(PtyPeer& peer, std::vector<uint8_t>& pending) {
    if (pending.empty()) return;
    peer.Send(pending);
    pending.clear();
}

}  // namespace

TEST(PtySerial, ChannelMovesBytesBothWaysWithoutTranslation) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    peer.Start(Echo);
    PosixSerialPort port;
    TSerialChannel channel(port, SystemClock::Instance());
    channel.SetPortName(peer.SlavePath());
    ASSERT_TRUE(channel.Connect()) << channel.LastError();

    // Bytes a terminal would translate or act on: CR, LF, XON, XOFF, DEL, interrupt, EOF.
    const auto data = Bytes({0x0D, 0x0A, 0x11, 0x13, 0x7F, 0x03, 0x04, 0x00, 0xFF, 0x1A});
    EXPECT_EQ(channel.SendData(data.data(), data.size(), 50), data.size());
    std::vector<uint8_t> back(data.size());
    channel.SetInputTimeout(200);
    EXPECT_EQ(channel.ReadData(back.data(), back.size()), data.size());
    EXPECT_EQ(back, data);
    EXPECT_EQ(peer.Received(), data);

    // DTR and RTS are refused by a pseudo-terminal; that changes nothing.
    channel.SetDTR(true);
    channel.SetRTS(true);
    EXPECT_TRUE(channel.SetBaudRateValue(115200));
    EXPECT_TRUE(channel.SetStopBits(2));
    EXPECT_TRUE(channel.FlushBuffers(true, true));
    EXPECT_TRUE(channel.Connected());
}

TEST(PtySerial, ShortReplyEndsAfterTheSilenceTimeout) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    peer.Start([](PtyPeer& p, std::vector<uint8_t>& pending) {
        if (pending.empty()) return;
        pending.clear();
        p.Send(Bytes({1, 2, 3}));
    });
    PosixSerialPort port;
    TSerialChannel channel(port, SystemClock::Instance());
    channel.SetPortName(peer.SlavePath());
    ASSERT_TRUE(channel.Connect());
    channel.SetInputTimeout(30);
    const uint8_t ask = 0x42;
    ASSERT_EQ(channel.SendData(&ask, 1, 50), 1u);
    uint8_t buf[8];
    EXPECT_EQ(channel.ReadData(buf, 8), 3u);
    EXPECT_EQ(buf[2], 3);
}

TEST(PtySerial, PortIsOpenedExclusively) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    PosixSerialPort first, second;
    ASSERT_TRUE(first.Open(peer.SlavePath())) << first.LastError();
    EXPECT_FALSE(second.Open(peer.SlavePath()));
    EXPECT_FALSE(second.LastError().empty());
    first.Close();
    EXPECT_TRUE(second.Open(peer.SlavePath())) << second.LastError();
}

TEST(PtySerial, OpenFailuresAreReportedNotFatal) {
    PosixSerialPort port;
    EXPECT_FALSE(port.Open("/nonexistent/ttyX"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.PermissionDenied());
    EXPECT_FALSE(port.Open("/dev/null"));  // not a terminal
    EXPECT_FALSE(port.IsOpen());
    uint8_t b = 0;
    EXPECT_EQ(port.Read(&b, 1), 0u);
    EXPECT_EQ(port.Write(&b, 1), 0u);
    EXPECT_FALSE(port.Apply(LineSettings{}));
}

TEST(PtySerial, UnsupportedRateFailsConnectAndClosesThePort) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    PosixSerialPort port;
    TSerialChannel channel(port, SystemClock::Instance());
    channel.SetPortName(peer.SlavePath());
    channel.SetBaudRateValue(12345);
    EXPECT_FALSE(channel.Connect());
    EXPECT_FALSE(channel.Connected());
}

}  // namespace drumo
