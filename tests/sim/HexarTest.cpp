// Hexar controllers driven by the program's command transactions over a pseudo-terminal: every
// command, the status replies to malformed requests, and the sensor stream through the program's
// frame decoder.
#include "SimFixture.h"

#include "link/ComBuf.h"
#include "link/SignMagnitude.h"

#include <algorithm>
#include <cmath>

namespace drumo::sim::test {
namespace {

class SimHexar100 : public SimLinkTest {
protected:
    void SetUp() override { ConnectHexar(MakeHexar100(clock)); }
    Hexar& H() { return line.Command->Device(); }
    int Sm(size_t i) const { return SignMagnitudeToInt(link.CommandBuffer[i], link.CommandBuffer[i + 1], -1); }
};

class SimHexar16 : public SimLinkTest {
protected:
    void SetUp() override { ConnectHexar(MakeHexar16(clock)); }
};

TEST_F(SimHexar100, IdentificationAndConfiguration) {
    ASSERT_TRUE(Command(1)) << link.LinkStatus;
    ASSERT_EQ(length, 16);
    EXPECT_EQ(link.CommandBuffer[0], 101);
    EXPECT_EQ(link.CommandBuffer[1], 2);
    EXPECT_EQ(Sm(2), 10042);
    EXPECT_EQ(Sm(4), 2021);
    EXPECT_EQ(Sm(6), 100);
    EXPECT_EQ(Sm(12), 50);
    EXPECT_EQ(link.CommandBuffer[14], 23);
    EXPECT_EQ(link.CommandBuffer[15], 1);
    // Cable serial, a label byte per sensor (decimetres on a short cable), the kind.
    ASSERT_TRUE(Command(40));
    ASSERT_EQ(length, 53);
    EXPECT_EQ(link.CommandBuffer[0] << 8 | link.CommandBuffer[1], 1234);
    EXPECT_EQ(link.CommandBuffer[2], 5);
    EXPECT_EQ(link.CommandBuffer[51], 250);
    EXPECT_EQ(link.CommandBuffer[52], 1);
}

TEST_F(SimHexar100, MalformedRequestsGetStatusReplies) {
    // Wrong check byte: status 1; wrong length for the command: 2; unknown command: 3.
    EXPECT_EQ(Raw({1, 16, 0}, 3), (std::vector<uint8_t>{8, 1, 245}));
    EXPECT_EQ(Raw({1, 15, 238}, 3), (std::vector<uint8_t>{8, 2, 244}));
    EXPECT_EQ(Raw({2, 80, 172}, 3), (std::vector<uint8_t>{8, 3, 243}));
    // A write whose checksum is wrong: 1; one whose data never come: 2 after the silence.
    EXPECT_EQ(Raw({73, 1, 180, 0, 0xFF, 0xFD}, 3), (std::vector<uint8_t>{8, 1, 245}));
    EXPECT_EQ(Raw({73, 1, 180}, 3), (std::vector<uint8_t>{8, 2, 244}));
    // Through the program's transaction the device's status lands in LinkStatus.
    EXPECT_FALSE(Command(2));
    EXPECT_EQ(link.LinkStatus, 3);
    EXPECT_FALSE(Command(73, {9}));
    EXPECT_EQ(link.LinkStatus, 4);
    EXPECT_FALSE(Command(42)) << "the notebook pages belong to the Hexar-1/16";
    EXPECT_EQ(link.LinkStatus, 3);
    EXPECT_TRUE(Command(1)) << "and the device still works";
}

TEST_F(SimHexar100, ClockCommandSetsTheDeviceTime) {
    ASSERT_TRUE(Command(70, {30, 15, 10, 3, 10, 12, 25}));
    const CalendarTime t = DecodeDateTime(Device([&] { return H().DeviceTime(); }));
    EXPECT_EQ(t.Year, 2025);
    EXPECT_EQ(t.Month, 12);
    EXPECT_EQ(t.Day, 10);
    EXPECT_EQ(t.Hour, 10);
    EXPECT_EQ(t.Minute, 15);
    EXPECT_NEAR(t.Second, 30, 1);
    EXPECT_FALSE(Command(70, {0, 60, 10, 3, 10, 12, 25}));
    EXPECT_EQ(link.LinkStatus, 4);
    EXPECT_FALSE(Command(70, {0, 0, 10, 0, 10, 12, 25})) << "weekday 0";
}

TEST_F(SimHexar100, NotebookIsReadBlockByBlockThenErased) {
    ASSERT_TRUE(Command(30)) << link.LinkStatus;
    ASSERT_EQ(length, 14);
    const auto words = Device([&] { return H().NotebookWords; });
    EXPECT_EQ(Sm(0), Device([&] { return H().NotebookRecords; }));
    EXPECT_EQ(Sm(2), 1000);
    EXPECT_EQ(SignMagnitudeToInt(link.CommandBuffer[4], link.CommandBuffer[5], link.CommandBuffer[6]),
              static_cast<int>(words.size()));
    EXPECT_EQ(SignMagnitudeToInt(link.CommandBuffer[7], link.CommandBuffer[8], link.CommandBuffer[9]), 32768);
    EXPECT_EQ(Sm(10), 1200);
    std::vector<int16_t> read;
    for (;;) {
        ASSERT_TRUE(Command(31)) << link.LinkStatus;
        for (int i = 0; i < length / 2; ++i) read.push_back(static_cast<int16_t>(Sm(2 * i)));
        if (length < 128) break;
    }
    EXPECT_EQ(read, words);
    // Repeat block 1 after setting the pointer back; a block past the end is refused.
    uint8_t hi = 0, lo = 0;
    IntToSignMagnitude(1, hi, lo);
    ASSERT_TRUE(Command(97, {hi, lo}));
    ASSERT_TRUE(Command(31));
    EXPECT_EQ(Sm(0), words[64]);
    IntToSignMagnitude(static_cast<double>(words.size() / 64 + 1), hi, lo);
    EXPECT_FALSE(Command(97, {hi, lo}));
    EXPECT_EQ(link.LinkStatus, 4);
    ASSERT_TRUE(Command(73, {2}));
    ASSERT_TRUE(Command(30));
    EXPECT_EQ(Sm(0), 0);
}

TEST_F(SimHexar100, CorrectionTableRoundTripsAndSearchSortsById) {
    ASSERT_TRUE(Command(16));
    ASSERT_EQ(length, 26 * 6);
    EXPECT_EQ(link.CommandBuffer[1], 5);  // ID code of the first sensor
    ASSERT_TRUE(Command(17));
    ASSERT_EQ(length, 25 * 6) << "24 sensors and the cable-number sensor";
    EXPECT_EQ(link.CommandBuffer[24 * 6], 1) << "status 1: carries the short cable's number";
    EXPECT_EQ(link.CommandBuffer[24 * 6 + 1], 254);
    EXPECT_EQ(Sm(24 * 6 + 4), 1234);
    ASSERT_TRUE(Command(18));
    EXPECT_EQ(length, 0);

    // Block 0 gets reversed ID codes and an offset of half a degree on the first sensor.
    const double before = Device([&] { return H().Reported(1); });
    std::vector<uint8_t> block;
    for (int j = 0; j < 26; ++j) {
        uint8_t s30hi = 0, s30lo = 0;
        IntToSignMagnitude(j == 0 ? 8 : 0, s30hi, s30lo);
        block.insert(block.end(), {0, static_cast<uint8_t>(200 - j), s30hi, s30lo, 0, 0});
    }
    ASSERT_TRUE(Command(84, block));
    ASSERT_TRUE(Command(16));
    EXPECT_EQ(link.CommandBuffer[1], 200);
    EXPECT_EQ(Sm(2), 8);
    const double after = Device([&] { return H().Reported(1); });
    if (!std::isnan(before)) {
        EXPECT_DOUBLE_EQ(after - before, 0.5);
    }

    // The sensor search sorts by ID code and keeps the device silent while it runs.
    Device([&] { line.Command->SearchMs = 3000; return 0; });
    ASSERT_TRUE(Command(73, {4}));
    EXPECT_FALSE(Command(1));
    EXPECT_EQ(link.LinkStatus, 13);
    clock.Advance(3000);
    ASSERT_TRUE(Command(40));
    ASSERT_EQ(length, 53);
    for (int i = 3; i < 52; ++i) EXPECT_LE(link.CommandBuffer[i - 1], link.CommandBuffer[i]) << i;
    EXPECT_EQ(link.CommandBuffer[51], 250) << "the highest code comes last";
    EXPECT_NE(std::find(link.CommandBuffer.begin() + 2, link.CommandBuffer.begin() + 52, 200), link.CommandBuffer.begin() + 52);

    // A record count that is not whole, or more records than sensors, is refused.
    EXPECT_FALSE(Command(84, {0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(link.LinkStatus, 2);
    EXPECT_FALSE(Command(86, std::vector<uint8_t>(6, 0)));
    EXPECT_EQ(link.LinkStatus, 4);
}

TEST_F(SimHexar100, LongWriteAtTheSlowestSpeedIsAnsweredOnAPacedLine) {
    // 161 bytes at 2400 bit/s are 671 ms on the wire, longer than the reply header's wait
    // (AdditionalDelay + 400 ms): the wait may only start once the request has left.
    Device([&] {
        H().Settings100[4] = 1;
        return 0;
    });
    channel.SetBaudRateValue(2400);
    line.Line->SetPacing(true);
    std::vector<uint8_t> block;
    for (int j = 0; j < 26; ++j) block.insert(block.end(), {0, static_cast<uint8_t>(100 + j), 0, 0, 0, 0});
    ASSERT_TRUE(Command(84, block)) << link.LinkStatus;
    ASSERT_TRUE(Command(16)) << link.LinkStatus;
    EXPECT_EQ(link.CommandBuffer[1], 100);
}

TEST_F(SimHexar100, RomCodesCarryTheFamilyCodeAndTheirCrc) {
    ASSERT_TRUE(Command(20));
    ASSERT_EQ(length, 26 * 8);
    for (int s = 0; s < 26; ++s) {
        const uint8_t* rom = link.CommandBuffer.data() + 8 * s;
        EXPECT_EQ(rom[0], 0x28);
        uint8_t crc = 0;
        for (int i = 0; i < 7; ++i) {
            uint8_t b = rom[i];
            for (int bit = 0; bit < 8; ++bit) {
                const bool mix = (crc ^ b) & 1;
                crc = static_cast<uint8_t>((crc >> 1) ^ (mix ? 0x8C : 0));
                b >>= 1;
            }
        }
        EXPECT_EQ(rom[7], crc) << "sensor " << s;
    }
    ASSERT_TRUE(Command(21));
    EXPECT_EQ(length, 25 * 8);
}

TEST_F(SimHexar100, SettingsSerialAndYear) {
    ASSERT_TRUE(Command(39));
    ASSERT_EQ(length, 10);
    EXPECT_EQ(link.CommandBuffer[4], 4);  // 19200 bit/s
    EXPECT_EQ(link.CommandBuffer[5], 0x04);
    EXPECT_EQ(link.CommandBuffer[6], 0xB0);  // 12.00 V
    EXPECT_FALSE(Command(98, {11, 1, 0, 0, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(link.LinkStatus, 4);
    ASSERT_TRUE(Command(98, {6, 0, 1, 7, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Device([&] { return H().PeriodMs(); }), 300000);
    ASSERT_TRUE(Command(39));
    EXPECT_EQ(link.CommandBuffer[3], 7);
    EXPECT_EQ(link.CommandBuffer[5], 0x04) << "the supply voltage is the device's own";

    ASSERT_TRUE(Command(96, {0x04, 0xD2}));
    ASSERT_TRUE(Command(59));
    EXPECT_EQ(Sm(0), 1234);
    EXPECT_FALSE(Command(95, {0x07, 0xCF}));  // 1999
    ASSERT_TRUE(Command(95, {0x07, 0xE9}));
    ASSERT_TRUE(Command(58));
    EXPECT_EQ(Sm(0), 2025);

    // A new speed applies after the reply: 38400 bit/s is not understood at 19200.
    ASSERT_TRUE(Command(98, {1, 1, 0, 0, 5, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(Command(1));
    channel.SetBaudRateValue(38400);
    EXPECT_TRUE(Command(1)) << link.LinkStatus;
}

TEST_F(SimHexar100, SwitchedOffDeviceStaysSilent) {
    ASSERT_TRUE(Command(73, {3}));
    EXPECT_FALSE(Command(1));
    EXPECT_EQ(link.LinkStatus, 13);
    Device([&] { line.Command->StreamNow(); return 0; });
    channel.SetInputTimeout(100);
    uint8_t buffer[16];
    EXPECT_EQ(channel.ReadData(buffer, sizeof buffer), 0u) << "no stream either";
}

TEST_F(SimHexar16, NotebookPagesSettingsAndMissingCommands) {
    ASSERT_TRUE(Command(1));
    EXPECT_EQ(link.CommandBuffer[0], 100);
    ASSERT_TRUE(Command(40));
    ASSERT_EQ(length, 19);
    EXPECT_EQ(link.CommandBuffer[0] << 8 | link.CommandBuffer[1], 0) << "a cable without serial number";
    EXPECT_EQ(link.CommandBuffer[18], 0);
    ASSERT_TRUE(Command(42));
    ASSERT_EQ(length, 54);
    EXPECT_EQ(link.CommandBuffer[53], 16);
    EXPECT_EQ(link.CommandBuffer[2], 1) << "label of sensor 1";
    const int v = SignMagnitudeToInt(link.CommandBuffer[0], link.CommandBuffer[1], -1);
    EXPECT_GT(v, -2000);
    EXPECT_LT(v, 4000);
    ASSERT_TRUE(Command(50));
    EXPECT_EQ(link.CommandBuffer[53], 0) << "the last page is empty";
    ASSERT_TRUE(Command(73, {2}));
    ASSERT_TRUE(Command(42));
    EXPECT_EQ(link.CommandBuffer[53], 0);

    ASSERT_TRUE(Command(41));
    EXPECT_EQ(Reply(), (std::vector<uint8_t>{20, 1, 0}));
    EXPECT_FALSE(Command(94, {4, 1, 0}));
    EXPECT_EQ(link.LinkStatus, 4);
    ASSERT_TRUE(Command(94, {30, 0, 7}));
    ASSERT_TRUE(Command(41));
    EXPECT_EQ(Reply(), (std::vector<uint8_t>{30, 0, 1}));
    for (int code : {30, 31, 39, 20}) {
        EXPECT_FALSE(Command(code)) << code;
        EXPECT_EQ(link.LinkStatus, 3);
    }
}

// The stream: one frame per measured sensor each period, read through the program's decoder.
class SimHexarStream : public SimLinkTest {
protected:
    void SetUp() override {
        ConnectHexar(MakeHexar100(clock), true);
        Device([&] {
            line.Command->StreamPeriodMs = 5000;
            line.Command->StreamNow();
            return 0;
        });
        decoder.SetHandler([this](int sensor, double t) { readings.emplace_back(sensor, t); });
    }
    // Feeds what arrives within the time-out to the decoder.
    size_t Receive(size_t bytes, int timeoutMs) {
        std::vector<uint8_t> buffer(bytes);
        channel.SetInputTimeout(timeoutMs);
        const size_t got = channel.ReadData(buffer.data(), bytes);
        decoder.PutBytes(buffer.data(), got);
        return got;
    }
    Hexar& H0() { return line.Command->Device(); }
    TComBuf decoder{7};
    std::vector<std::pair<int, double>> readings;
};

TEST_F(SimHexarStream, EveryPeriodBringsOneFramePerSensorInOrder) {
    Device([&] { H0().World().DropoutRate = 1.0; return 0; });  // the flaky sensor misses its reading
    ASSERT_EQ(Receive(350, 300), 350u);
    ASSERT_EQ(readings.size(), 50u);
    int missing = 0;
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(readings[i].first, i + 1);
        const double expected = Device([&] { return H0().Reported(i + 1); });
        if (std::isnan(expected)) {
            EXPECT_EQ(readings[i].second, -273.0) << "sent as +1000.000";
            ++missing;
        } else {
            EXPECT_NEAR(readings[i].second, expected, 0.0006);
        }
    }
    EXPECT_EQ(missing, 1);
    // Nothing more until the period is over.
    clock.Advance(4000);
    EXPECT_EQ(Receive(7, 50), 0u);
    clock.Advance(1000);
    EXPECT_EQ(Receive(350, 300), 350u);
}

TEST_F(SimHexarStream, StopCommandEndsTheBurstAndTheNextPeriodStreamsAgain) {
    ASSERT_EQ(Receive(350, 300), 350u);
    clock.Advance(4900);
    ASSERT_TRUE(Command(73, {0})) << link.LinkStatus;
    clock.Advance(200);  // the old schedule would stream now
    EXPECT_EQ(Receive(7, 50), 0u);
    clock.Advance(4800);
    EXPECT_EQ(Receive(350, 300), 350u);
}

TEST_F(SimHexarStream, WarmedSensorRisesAloneAndCoolsAgain) {
    ASSERT_EQ(Receive(350, 300), 350u);
    const auto base = readings;
    Device([&] { H0().Warm(7, 10.0, 60); return 0; });
    clock.Advance(60000);
    Device([&] { line.Command->StreamNow(); return 0; });
    readings.clear();
    ASSERT_EQ(Receive(350, 300), 350u);
    for (int i = 0; i < 50; ++i) {
        if (base[i].second == -273.0 || readings[i].second == -273.0) continue;
        const double rise = readings[i].second - base[i].second;
        if (i == 6) {
            EXPECT_GT(rise, 7.0);
        } else {
            EXPECT_LT(std::abs(rise), 3.5) << "sensor " << i + 1;
        }
    }
}

TEST_F(SimHexarStream, PacedBurstLetsARequestInAndStopDropsTheRest) {
    // At 4800 bit/s the 50 frames take about 730 ms, time enough for two transactions.
    Device([&] {
        H0().Settings100[4] = 2;
        return 0;
    });
    channel.SetBaudRateValue(4800);
    line.Line->SetPacing(true);
    ASSERT_EQ(Receive(21, 300), 21u);
    channel.SetOnReceiveData([this](const uint8_t* data, size_t n) { decoder.PutBytes(data, n); });
    ASSERT_TRUE(Command(1)) << link.LinkStatus;
    // A busy machine may hold the simulator's thread for a while: the burst is waited for as long
    // as the other receives here wait; it has about 600 ms left.
    EXPECT_EQ(Receive(7, 300), 7u) << "the burst goes on after the reply";
    ASSERT_TRUE(Command(73, {0})) << link.LinkStatus;
    EXPECT_EQ(Receive(7, 100), 0u) << "the rest of the burst is dropped";
    EXPECT_LT(readings.size(), 40u);
    EXPECT_GE(readings.size(), 4u);
}

}  // namespace
}  // namespace drumo::sim::test
