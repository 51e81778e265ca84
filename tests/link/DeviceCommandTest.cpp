// One transaction of the maker's command protocol against a scripted device on the fake port.
#include "LinkFixture.h"

namespace drumo {

using test::Bytes;

class DeviceCommandTest : public test::LinkFixture {
protected:
    // A data reply: header (code, N, check), N bytes, checksum high and low.
    static std::vector<uint8_t> DataReply(int code, const std::vector<uint8_t>& data) {
        const int n = static_cast<int>(data.size());
        std::vector<uint8_t> r = {static_cast<uint8_t>(code), static_cast<uint8_t>(n),
                                  static_cast<uint8_t>(254 - code - n)};
        r.insert(r.end(), data.begin(), data.end());
        const uint16_t sum = BlockChecksum(data.data(), data.size());
        r.push_back(static_cast<uint8_t>(sum >> 8));
        r.push_back(static_cast<uint8_t>(sum & 0xFF));
        return r;
    }
    static std::vector<uint8_t> StatusReply(int status) {
        return {8, static_cast<uint8_t>(status), static_cast<uint8_t>(246 - status)};
    }
    uint8_t* buf() { return link.CommandBuffer.data(); }
};

TEST_F(DeviceCommandTest, ReadOfCode40IsSentAsItsFrameAndAcceptsAnyLength) {
    Open();
    replies.push_back(DataReply(40, {0x12, 0x34, 1, 2, 3, 7}));
    uint16_t length = 0;
    EXPECT_TRUE(link.DeviceCommand(40, buf(), length));
    EXPECT_EQ(port.written, Bytes({0x28, 0x50, 0x86}));
    EXPECT_EQ(link.LinkStatus, 0);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(buf()[0], 0x12);
    EXPECT_EQ(buf()[5], 7);
    // The turn-around wait before the request: round(5 t + 10) ms, 13 ms at 19200 bit/s.
    EXPECT_EQ(clock.SleptMs(), 13);
}

TEST_F(DeviceCommandTest, TurnAroundWaitFollowsTheBaudRate) {
    channel.SetBaudRateValue(2400);
    Open();
    uint16_t length = 0;
    link.DeviceCommand(0, buf(), length);
    EXPECT_EQ(clock.SleptMs(), 33);
}

TEST_F(DeviceCommandTest, FixedLengthReadRejectsAnotherLength) {
    Open();
    replies.push_back(DataReply(1, std::vector<uint8_t>(15, 0x11)));
    uint16_t length = 99;
    EXPECT_FALSE(link.DeviceCommand(1, buf(), length));
    EXPECT_EQ(port.written, Bytes({0x01, 0x10, 0xED}));
    EXPECT_EQ(link.LinkStatus, 15);

    replies.push_back(DataReply(1, std::vector<uint8_t>(16, 0x11)));
    EXPECT_TRUE(link.DeviceCommand(1, buf(), length));
    EXPECT_EQ(length, 16);
}

TEST_F(DeviceCommandTest, WriteOfCode73IsSentWithItsChecksumAndTakesTheStatus) {
    Open();
    replies.push_back(StatusReply(0));
    buf()[0] = 3;
    uint16_t length = 0;
    EXPECT_TRUE(link.DeviceCommand(73, buf(), length));
    EXPECT_EQ(port.written, Bytes({0x49, 0x01, 0xB4, 0x03, 0xFF, 0xFB}));
    EXPECT_EQ(length, 0);

    replies.push_back(StatusReply(3));
    EXPECT_FALSE(link.DeviceCommand(73, buf(), length));
    EXPECT_EQ(link.LinkStatus, 3);
    EXPECT_EQ(link.LinkStatusMessage(), "Прибор> Неизвестная команда");
}

TEST_F(DeviceCommandTest, CallerLengthWritesAreBoundedByTheBuffer) {
    Open();
    replies.push_back(StatusReply(0));
    for (int i = 0; i < 4; ++i) buf()[i] = static_cast<uint8_t>(i + 1);
    uint16_t length = 4;
    EXPECT_TRUE(link.DeviceCommand(84, buf(), length));
    EXPECT_EQ(port.written, Bytes({84, 4, 166, 1, 2, 3, 4, 0xFF, 0xF4}));
    EXPECT_EQ(length, 4);

    port.written.clear();
    length = 300;  // more than one frame can carry
    EXPECT_FALSE(link.DeviceCommand(84, buf(), length));
    EXPECT_EQ(link.LinkStatus, 32);
    EXPECT_TRUE(port.written.empty());
}

TEST_F(DeviceCommandTest, StatusReplyToAReadLeavesTheDataAlone) {
    Open();
    buf()[0] = 0xAA;
    uint16_t length = 77;
    replies.push_back(StatusReply(2));
    EXPECT_FALSE(link.DeviceCommand(30, buf(), length));
    EXPECT_EQ(link.LinkStatus, 2);
    replies.push_back(StatusReply(0));
    EXPECT_TRUE(link.DeviceCommand(30, buf(), length));
    EXPECT_EQ(length, 77);
    EXPECT_EQ(buf()[0], 0xAA);
}

TEST_F(DeviceCommandTest, CodesOutsideTheTableEndWith32BeforeAnythingIsSent) {
    Open();
    for (int code : {0, 128, 5, 72, -1}) {
        uint16_t length = 0;
        const auto slept = clock.SleptMs();
        EXPECT_FALSE(link.DeviceCommand(code, buf(), length)) << code;
        EXPECT_EQ(link.LinkStatus, 32) << code;
        EXPECT_EQ(clock.SleptMs() - slept, 13) << code;
    }
    EXPECT_TRUE(port.written.empty());
}

TEST_F(DeviceCommandTest, ClosedPortGives30AndNothingElse) {
    uint16_t length = 0;
    EXPECT_FALSE(link.DeviceCommand(40, buf(), length));
    EXPECT_EQ(link.LinkStatus, 30);
    EXPECT_EQ(clock.SleptMs(), 0);
    EXPECT_EQ(port.openCount, 0);
}

TEST_F(DeviceCommandTest, NoiseBeforeTheHeaderGoesToTheHandlerInOrder) {
    Open();
    std::vector<uint8_t> handed;
    channel.SetOnReceiveData([&](const uint8_t* d, size_t n) { handed.insert(handed.end(), d, d + n); });
    // The noise holds a near-header whose sum is 510, which must not be taken for a status reply.
    const auto noise = Bytes({0x41, 0x80, 0x08, 0xFF, 0xF7, 0x99});
    auto reply = noise;
    const auto data = DataReply(40, {5, 6, 7});
    reply.insert(reply.end(), data.begin(), data.end());
    replies.push_back(reply);
    uint16_t length = 0;
    EXPECT_TRUE(link.DeviceCommand(40, buf(), length));
    EXPECT_EQ(length, 3);
    EXPECT_EQ(handed, noise);
}

TEST_F(DeviceCommandTest, HeaderSummingTo510IsNotAccepted) {
    Open();
    replies.push_back(Bytes({0x08, 0xFF, 0xF7}));
    uint16_t length = 0;
    EXPECT_FALSE(link.DeviceCommand(73, buf(), length));
    EXPECT_EQ(link.LinkStatus, 13);
}

TEST_F(DeviceCommandTest, SilenceEndsWith13AfterTheHeaderWait) {
    Open();
    std::vector<uint8_t> handed;
    channel.SetOnReceiveData([&](const uint8_t* d, size_t n) { handed.insert(handed.end(), d, d + n); });
    replies.push_back(Bytes({0x41, 0x42}));  // a little noise, then nothing
    uint16_t length = 0;
    const auto t0 = clock.TickMs();
    EXPECT_FALSE(link.DeviceCommand(40, buf(), length));
    EXPECT_EQ(link.LinkStatus, 13);
    // 27 empty reads of a little over 20 ms each, after the 13 ms turn-around.
    const auto elapsed = clock.TickMs() - t0;
    EXPECT_GE(elapsed, 13 + 27 * 20);
    EXPECT_LE(elapsed, 13 + 27 * 22 + 5);
    // The noise is not lost.
    EXPECT_EQ(handed, Bytes({0x41, 0x42}));

    link.AdditionalDelay = 800;
    const auto t1 = clock.TickMs();
    link.DeviceCommand(40, buf(), length);
    EXPECT_GE(clock.TickMs() - t1, 13 + 61 * 20);
}

TEST_F(DeviceCommandTest, EndlessNoiseEndsWith14) {
    Open();
    replies.push_back(std::vector<uint8_t>(9000, 0x55));
    size_t handed = 0;
    channel.SetOnReceiveData([&](const uint8_t*, size_t n) { handed += n; });
    uint16_t length = 0;
    EXPECT_FALSE(link.DeviceCommand(40, buf(), length));
    EXPECT_EQ(link.LinkStatus, 14);
    EXPECT_EQ(handed, 8193u);
}

TEST_F(DeviceCommandTest, DamagedBodiesGive16Or18) {
    Open();
    auto reply = DataReply(40, {1, 2, 3, 4});
    reply.resize(reply.size() - 3);  // body cut short
    replies.push_back(reply);
    uint16_t length = 0;
    EXPECT_FALSE(link.DeviceCommand(40, buf(), length));
    EXPECT_EQ(link.LinkStatus, 16);

    reply = DataReply(40, {1, 2, 3, 4});
    reply.back() ^= 0x01;
    replies.push_back(reply);
    EXPECT_FALSE(link.DeviceCommand(40, buf(), length));
    EXPECT_EQ(link.LinkStatus, 18);
}

TEST_F(DeviceCommandTest, BodyTimeoutScalesWithLengthAndDelay) {
    Open();
    // 100 data bytes arriving one every 3 ms: a steady reply is read to the end.
    replySpacingMs = 3;
    replies.push_back(DataReply(40, std::vector<uint8_t>(100, 0x22)));
    uint16_t length = 0;
    EXPECT_TRUE(link.DeviceCommand(40, buf(), length));
    EXPECT_EQ(length, 100);
    EXPECT_EQ(channel.InputTimeout(), RoundHalfEven(102 * 0.000572 * 1000 * 2 + 100));
}

TEST_F(DeviceCommandTest, UnsentRequestGives12) {
    Open();
    port.stallWrites = true;
    uint16_t length = 0;
    EXPECT_FALSE(link.DeviceCommand(40, buf(), length));
    EXPECT_EQ(link.LinkStatus, 12);
    buf()[0] = 0;
    EXPECT_FALSE(link.DeviceCommand(73, buf(), length));
    EXPECT_EQ(link.LinkStatus, 12);
}

TEST_F(DeviceCommandTest, ActiveStreamIsPausedNotFlushed) {
    Open();
    replies.push_back(StatusReply(0));
    const int flushes = port.flushCount;
    buf()[0] = 0;
    uint16_t length = 0;
    EXPECT_TRUE(link.DeviceCommand(73, buf(), length));
    EXPECT_EQ(port.flushCount, flushes);
    EXPECT_TRUE(channel.PollingActive());

    // With the stream already held off, the line is flushed first and the pause is not undone.
    channel.PausePolling();
    replies.push_back(StatusReply(0));
    EXPECT_TRUE(link.DeviceCommand(73, buf(), length));
    EXPECT_EQ(port.flushCount, flushes + 1);
    EXPECT_FALSE(channel.PollingActive());
}

TEST(CommandLength, TableEntriesAndCallerLengths) {
    EXPECT_EQ(CommandLength(1, 0), 16);
    EXPECT_EQ(CommandLength(40, 0), 80);
    EXPECT_EQ(CommandLength(45, 0), 54);
    EXPECT_EQ(CommandLength(98, 0), 10);
    EXPECT_EQ(CommandLength(86, 33), 33);
    EXPECT_EQ(CommandLength(4, 0), -1);
    EXPECT_EQ(CommandLength(0, 0), -1);
    EXPECT_EQ(CommandLength(128, 0), -1);
}

TEST(LinkStatusMessages, EveryFamilyHasItsTextAndUnknownCodesFallBack) {
    EXPECT_EQ(LinkStatusMessage(0), "");
    EXPECT_EQ(LinkStatusMessage(15), "Кличество байт в теле ответа не совпадает с запрошенным");
    EXPECT_EQ(LinkStatusMessage(31), "Критическая ошибка: Неизвестное устройство продолжает передачу");
    EXPECT_EQ(LinkStatusMessage(82), "Команда 8: Прибор вернул значение поля data отличное от посланного");
    EXPECT_EQ(LinkStatusMessage(120), "Команда 17: Ответ содержит неверное количество байт");
    for (int code : {5, 11, 19, 33, 49, 61, 69, 83, 103, 121, 255, -1})
        EXPECT_EQ(LinkStatusMessage(code), "Неизвестная ошибка") << code;
    int known = 0;
    for (int code = 1; code <= 255; ++code) known += LinkStatusMessage(code) != "Неизвестная ошибка";
    EXPECT_EQ(known, 62);
}

TEST(LinkStatusMessages, ShowLinkStatusUsesOneErrorBoxAndIsSilentOnSuccess) {
    test::ScriptedOperator op;
    ShowLinkStatus(0, op);
    EXPECT_TRUE(op.messages.empty());
    ShowLinkStatus(13, op);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].Kind, "error");
    EXPECT_EQ(op.messages[0].Text, "Превышен таймаут ожидания заголовка ответа от прибора");
}

}  // namespace drumo
