// One Modbus RTU transaction against a scripted server on the fake port.
#include "LinkFixture.h"

namespace drumo {

using test::Bytes;

class ModbusClientTest : public test::LinkFixture {
protected:
    ModbusClientTest() {
        channel.SetStopBits(2);
        // A reply arrives complete; an exception (shorter than asked) is seen after the silence.
        replyAfterMs = 3;
    }
    bool Request(uint8_t address, uint8_t function, uint16_t start, uint16_t count) {
        link.TransferCount = count;
        return link.ModbusRequest(address, function, start, link.TransferCount, link.RegisterBuffer.data());
    }
    // The request frames written since the last call.
    std::vector<uint8_t> Sent() {
        auto w = port.written;
        port.written.clear();
        return w;
    }
    // A function 3 / 17 reply carrying the given registers.
    static std::vector<uint8_t> RegisterReply(uint8_t address, uint8_t function, std::vector<uint16_t> regs) {
        std::vector<uint8_t> f = {address, function, static_cast<uint8_t>(2 * regs.size())};
        for (uint16_t r : regs) {
            f.push_back(static_cast<uint8_t>(r >> 8));
            f.push_back(static_cast<uint8_t>(r & 0xFF));
        }
        return WithCrc(f);
    }
};

TEST_F(ModbusClientTest, ReadOfOneRegisterUsesTheWorkedFrame) {
    Open();
    replies.push_back(RegisterReply(1, 3, {0x1234}));
    EXPECT_TRUE(Request(1, 3, 0, 1));
    EXPECT_EQ(Sent(), Bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
    EXPECT_EQ(link.LinkStatus, 0);
    EXPECT_EQ(link.TransferCount, 1);
    EXPECT_EQ(link.RegisterBuffer[0], 0x1234);
}

TEST_F(ModbusClientTest, ShorterReadReplyGivesTheSmallerCount) {
    Open();
    std::vector<uint16_t> ten;
    for (uint16_t i = 0; i < 10; ++i) ten.push_back(static_cast<uint16_t>(1000 + i));
    replies.push_back(RegisterReply(7, 3, ten));
    EXPECT_TRUE(Request(7, 3, 512, 32));
    EXPECT_EQ(link.TransferCount, 10);
    EXPECT_EQ(link.RegisterBuffer[9], 1009);
    EXPECT_EQ(Sent(), WithCrc({7, 3, 0x02, 0x00, 0x00, 0x20}));
}

TEST_F(ModbusClientTest, ReadReplyChecksInTheirOrder) {
    Open();
    struct Case {
        const char* what;
        std::vector<uint8_t> reply;
        int status;
    } cases[] = {
        {"silence", {}, 52},
        {"four bytes", WithCrc({1, 3}), 52},
        {"bad CRC", [] { auto r = RegisterReply(1, 3, {5, 6}); r[3] ^= 1; return r; }(), 53},
        {"other address", RegisterReply(2, 3, {5}), 54},
        {"other function", RegisterReply(1, 4, {5}), 54},
        {"exception 1", WithCrc({1, 0x83, 1}), 55},
        {"exception 2", WithCrc({1, 0x83, 2}), 56},
        {"exception 3", WithCrc({1, 0x83, 3}), 57},
        {"exception 4", WithCrc({1, 0x83, 4}), 58},
        {"exception 11", WithCrc({1, 0x83, 11}), 59},
        {"even length", WithCrc({1, 3, 1, 9}), 60},
        {"byte count lies", WithCrc({1, 3, 4, 0, 9}), 60},
    };
    for (const auto& c : cases) {
        if (!c.reply.empty()) replies.push_back(c.reply);
        EXPECT_FALSE(Request(1, 3, 0, 2)) << c.what;
        EXPECT_EQ(link.LinkStatus, c.status) << c.what;
        replies.clear();
    }
    EXPECT_EQ(LinkStatusMessage(56), "Команда 3: Ответ прибора> Принятый адрес регистра не используется");
}

TEST_F(ModbusClientTest, LargestReadFitsAndOneMoreIsRefusedUnsent) {
    Open();
    replies.push_back(RegisterReply(1, 3, std::vector<uint16_t>(124, 0xBEEF)));
    EXPECT_TRUE(Request(1, 3, 0, 124));
    EXPECT_EQ(link.TransferCount, 124);
    EXPECT_EQ(link.RegisterBuffer[123], 0xBEEF);
    Sent();
    EXPECT_FALSE(Request(1, 3, 0, 125));
    EXPECT_EQ(link.LinkStatus, 32);
    EXPECT_TRUE(Sent().empty());
    EXPECT_FALSE(Request(1, 3, 0, 65535));
    EXPECT_EQ(link.LinkStatus, 32);
}

TEST_F(ModbusClientTest, IdentificationUsesTheWorkedFrameAndPairsItsBytes) {
    Open();
    replies.push_back(WithCrc({1, 17, 4, 0x10, 0x20, 0x30, 0x40}));
    EXPECT_TRUE(Request(1, 17, 0, 0));
    EXPECT_EQ(Sent(), Bytes({0x01, 0x11, 0xC0, 0x2C}));
    EXPECT_EQ(link.TransferCount, 2);
    EXPECT_EQ(link.RegisterBuffer[0], 0x1020);
    EXPECT_EQ(link.RegisterBuffer[1], 0x3040);

    // An odd number of data bytes cannot be taken in pairs.
    replies.push_back(WithCrc({1, 17, 5, 0x10, 0x20, 0x30, 0x40, 0xFF}));
    EXPECT_FALSE(Request(1, 17, 0, 0));
    EXPECT_EQ(link.LinkStatus, 120);
    replies.push_back(WithCrc({1, 0x91, 3}));
    EXPECT_FALSE(Request(1, 17, 0, 0));
    EXPECT_EQ(link.LinkStatus, 117);
    EXPECT_FALSE(Request(1, 17, 0, 0));
    EXPECT_EQ(link.LinkStatus, 112);
}

TEST_F(ModbusClientTest, DiagnosticsExpectsTheEchoOfSubFunctionAndData) {
    Open();
    const auto request = WithCrc({9, 8, 0xFF, 0xF0, 0x00, 0x01});
    replies.push_back(request);
    EXPECT_TRUE(Request(9, 8, 0xFFF0, 1));
    EXPECT_EQ(Sent(), request);
    EXPECT_EQ(link.TransferCount, 1);

    struct Case {
        const char* what;
        std::vector<uint8_t> reply;
        int status;
    } cases[] = {
        {"silence", {}, 72},
        {"six bytes", WithCrc({9, 8, 0xFF, 0xF0}), 73},
        {"bad CRC", [&] { auto r = request; r[7] ^= 0x80; return r; }(), 74},
        {"other address", WithCrc({8, 8, 0xFF, 0xF0, 0x00, 0x01}), 75},
        {"exception 4", WithCrc({9, 0x88, 4}), 79},
        {"exception 0", WithCrc({9, 0x88, 0}), 80},
        {"five bytes, no exception", WithCrc({9, 8, 0xFF}), 73},
        {"wrong sub-function", WithCrc({9, 8, 0xFF, 0xF1, 0x00, 0x01}), 81},
        {"wrong data", WithCrc({9, 8, 0xFF, 0xF0, 0x00, 0x00}), 82},
    };
    for (const auto& c : cases) {
        if (!c.reply.empty()) replies.push_back(c.reply);
        EXPECT_FALSE(Request(9, 8, 0xFFF0, 1)) << c.what;
        EXPECT_EQ(link.LinkStatus, c.status) << c.what;
        replies.clear();
    }
}

TEST_F(ModbusClientTest, EraseWaitsThreeSecondsLonger) {
    Open();
    replies.push_back(WithCrc({1, 8, 0xFF, 0xF3, 0, 0}));
    replyAfterMs = 2500;  // the erase takes its time
    EXPECT_TRUE(Request(1, 8, 0xFFF3, 0));
    EXPECT_EQ(channel.InputTimeout(), RoundHalfEven(8 * 0.000572 * 1000 * 2 + 100 - 50) + 3000);
}

TEST_F(ModbusClientTest, WriteSendsRegistersHighByteFirstAndChecksTheEcho) {
    Open();
    link.RegisterBuffer[0] = 0x0102;
    link.RegisterBuffer[1] = 0xA0B0;
    replies.push_back(WithCrc({3, 16, 0, 47, 0, 2}));
    EXPECT_TRUE(Request(3, 16, 47, 2));
    EXPECT_EQ(Sent(), WithCrc({3, 16, 0, 47, 0, 2, 4, 0x01, 0x02, 0xA0, 0xB0}));

    replies.push_back(WithCrc({3, 16, 0, 48, 0, 2}));
    EXPECT_FALSE(Request(3, 16, 47, 2));
    EXPECT_EQ(link.LinkStatus, 101);
    replies.push_back(WithCrc({3, 16, 0, 47, 0, 1}));
    EXPECT_FALSE(Request(3, 16, 47, 2));
    EXPECT_EQ(link.LinkStatus, 102);
    replies.push_back(WithCrc({3, 0x90, 2}));
    EXPECT_FALSE(Request(3, 16, 47, 2));
    EXPECT_EQ(link.LinkStatus, 97);
    replies.push_back(WithCrc({3, 16, 0, 47, 0}));
    EXPECT_FALSE(Request(3, 16, 47, 2));
    EXPECT_EQ(link.LinkStatus, 93);

    Sent();
    EXPECT_FALSE(Request(3, 16, 0, 124));
    EXPECT_EQ(link.LinkStatus, 32);
    EXPECT_TRUE(Sent().empty());
    replies.push_back(WithCrc({3, 16, 0, 0, 0, 123}));
    EXPECT_TRUE(Request(3, 16, 0, 123));
    EXPECT_EQ(Sent().size(), 2u * 123 + 9);
}

TEST_F(ModbusClientTest, StationThatNeverStopsTalkingGives31BeforeSending) {
    Open();
    // Another station: a byte every millisecond, far longer than seven drain reads last.
    port.Feed(std::vector<uint8_t>(20000, 0x33), 0, 1);
    EXPECT_FALSE(Request(1, 3, 0, 1));
    EXPECT_EQ(link.LinkStatus, 31);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(ModbusClientTest, LeftoverBytesAreDrainedBeforeTheRequest) {
    Open();
    port.Feed(std::vector<uint8_t>(1500, 0x44), 0, 0);  // a burst that then ends
    replies.push_back(RegisterReply(1, 3, {42}));
    EXPECT_TRUE(Request(1, 3, 0, 1));
    EXPECT_EQ(link.RegisterBuffer[0], 42);
}

TEST_F(ModbusClientTest, UnknownFunctionAndClosedPort) {
    EXPECT_FALSE(Request(1, 3, 0, 1));
    EXPECT_EQ(link.LinkStatus, 30);
    EXPECT_EQ(port.flushCount, 0);
    Open();
    EXPECT_FALSE(Request(1, 5, 0, 1));
    EXPECT_EQ(link.LinkStatus, 32);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(port.flushCount, 2);  // the drain ran
}

TEST_F(ModbusClientTest, UnsentRequestsGiveTheSendCodeOfTheirFunction) {
    Open();
    port.stallWrites = true;
    const std::pair<int, int> expected[] = {{3, 50}, {8, 70}, {16, 90}, {17, 110}};
    for (auto [function, status] : expected) {
        EXPECT_FALSE(Request(1, static_cast<uint8_t>(function), 0, 1));
        EXPECT_EQ(link.LinkStatus, status) << function;
    }
}

}  // namespace drumo
