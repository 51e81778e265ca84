// Dorma controllers driven by the program's Modbus client over a pseudo-terminal: every register
// group, the diagnostics and identification functions, and several stations on one line.
#include "SimFixture.h"

#include "link/Crc16.h"
#include "model/Cp1251.h"

namespace drumo::sim::test {
namespace {

class SimDorma : public SimLinkTest {
protected:
    void SetUp() override {
        std::vector<std::unique_ptr<Dorma>> stations;
        stations.push_back(MakeDorma(clock, 103, 1, 1, 40));
        stations.push_back(MakeDorma(clock, 105, 2, 2));
        stations.push_back(MakeDorma(clock, 107, 3, 6));
        ConnectModbus(std::move(stations));
    }
    Dorma& Station(int i) { return *line.Dormas[i]; }
};

TEST_F(SimDorma, IdentificationBlockDescribesEachStationOnTheLine) {
    const uint16_t types[] = {103, 105, 107};
    const uint16_t cables[] = {1, 2, 6};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(Modbus(static_cast<uint8_t>(i + 1), 3, 0, 32)) << link.LinkStatus;
        EXPECT_EQ(link.TransferCount, 32);
        EXPECT_EQ(Reg(0), types[i]);
        EXPECT_EQ(Reg(1), 5);  // RS-485
        EXPECT_EQ(Reg(2), 1000 + i + 1);
        EXPECT_EQ(Reg(6), cables[i]);
        const int total = Device([&] {
            int n = 0;
            for (auto& c : Station(i).Cables()) n += c.Sensors();
            return n;
        });
        EXPECT_EQ(Reg(7), total);
        EXPECT_EQ(Reg(13) & 0xFF, 0);
    }
    // The comment: two Windows-1251 characters per register, the first in the high byte.
    ASSERT_TRUE(Modbus(1, 3, 16, 16));
    std::string comment;
    for (int i = 0; i < 16; ++i) {
        comment += static_cast<char>(Reg(i) >> 8);
        comment += static_cast<char>(Reg(i) & 0xFF);
    }
    EXPECT_EQ(Cp1251ToUtf8(comment.substr(0, 8)), "Склад 1 ");
}

TEST_F(SimDorma, SingleCableDeviceDescribesItsCableInRegisters9To11) {
    ASSERT_TRUE(Modbus(1, 3, 0, 12));
    EXPECT_EQ(Reg(9), 40);
    EXPECT_EQ(Reg(10), 2101);
    EXPECT_EQ(Reg(11), 1);
    // A multi-cable device leaves them zero and has the cable table instead.
    ASSERT_TRUE(Modbus(2, 3, 9, 3));
    EXPECT_EQ(Reg(0), 0);
    ASSERT_TRUE(Modbus(2, 3, 128, 4));
    EXPECT_EQ(Reg(0), 2201);
    EXPECT_EQ(Reg(1) >> 8, 1);
    EXPECT_EQ(Reg(2), 0) << "the second cable has no serial number";
    EXPECT_EQ(Reg(3) >> 8, 0);
    EXPECT_EQ(Reg(3) & 0xFF, Device([&] { return Station(1).Cables()[1].Sensors(); }));
}

TEST_F(SimDorma, ActiveCableChoosesLabelsAndTemperatures) {
    const int n0 = Device([&] { return Station(2).Cables()[0].Sensors(); });
    const int n4 = Device([&] { return Station(2).Cables()[4].Sensors(); });
    ASSERT_TRUE(Write(3, 47, {4}));
    ASSERT_TRUE(Modbus(3, 3, 256, static_cast<uint16_t>(n4)));
    EXPECT_EQ(link.TransferCount, n4);
    const auto labels = Device([&] { return Station(2).Cables()[4].Labels; });
    for (int s = 0; s < n4; ++s) EXPECT_EQ(static_cast<int16_t>(Reg(s)), labels[s]);
    ASSERT_TRUE(Modbus(3, 3, 512, static_cast<uint16_t>(n4)));
    const auto temps = Device([&] { return Station(2).Temperatures(4); });
    for (int s = 0; s < n4; ++s) EXPECT_EQ(static_cast<int16_t>(Reg(s)), temps[s]);
    // Reading past the active cable's sensors is refused; so is a cable the device lacks.
    EXPECT_FALSE(Modbus(3, 3, 512, static_cast<uint16_t>(n4 + 1)));
    EXPECT_EQ(link.LinkStatus, 56);
    EXPECT_FALSE(Write(3, 47, {6}));
    EXPECT_EQ(link.LinkStatus, 98);
    ASSERT_TRUE(Write(3, 47, {0}));
    ASSERT_TRUE(Modbus(3, 3, 512, static_cast<uint16_t>(n0)));
    EXPECT_EQ(link.TransferCount, n0);
}

TEST_F(SimDorma, TemperaturesAreAProfileThatHoldsUntilTheNextMeasurement) {
    ASSERT_TRUE(Modbus(1, 3, 512, 40));
    std::vector<int16_t> first(link.RegisterBuffer.begin(), link.RegisterBuffer.begin() + 40);
    ASSERT_TRUE(Modbus(1, 3, 512, 40));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), link.RegisterBuffer.begin()));
    // Cooler at the bottom than at the top, in a plausible range for a store.
    EXPECT_GT(first[0], first[39]);
    for (int16_t v : first) {
        if (v != NoValue) {
            EXPECT_GT(v, -1000);
            EXPECT_LT(v, 4000);
        }
    }
    clock.Advance(60000);  // the next measurement
    ASSERT_TRUE(Modbus(1, 3, 512, 40));
    EXPECT_FALSE(std::equal(first.begin(), first.end(), link.RegisterBuffer.begin()));
}

TEST_F(SimDorma, SettingsAreReadAndWrittenAsABlock) {
    ASSERT_TRUE(Modbus(2, 3, 32, 9));
    EXPECT_EQ(Reg(0), 2);
    EXPECT_EQ(Reg(1), 1);
    EXPECT_EQ(Reg(2), 8);  // 19200 bit/s
    EXPECT_EQ(Reg(3), 3);
    EXPECT_EQ(Reg(5), 4);
    const int16_t inside = static_cast<int16_t>(Reg(6));
    EXPECT_GT(inside, 1000);
    ASSERT_TRUE(Write(2, 32, {2, 1, 8, 0, 1, 0, 0, 1, 30}));
    ASSERT_TRUE(Modbus(2, 3, 32, 9));
    EXPECT_EQ(Reg(3), 0);
    EXPECT_EQ(Reg(4), 1);
    EXPECT_EQ(Reg(7), 1);
    EXPECT_EQ(Reg(8), 30);
    EXPECT_NE(Reg(6), 0) << "the inside temperature is measured, never written";
    // Out-of-range values are refused and change nothing.
    EXPECT_FALSE(Write(2, 32, {2, 1, 8, 9, 1, 0, 0, 1, 30}));
    EXPECT_EQ(link.LinkStatus, 98);
    EXPECT_FALSE(Write(2, 40, {61}));
    ASSERT_TRUE(Modbus(2, 3, 40, 1));
    EXPECT_EQ(Reg(0), 30);
}

TEST_F(SimDorma, AddressAndSpeedChangesTakeEffectAfterTheReply) {
    ASSERT_TRUE(Write(1, 32, {9}));
    EXPECT_FALSE(Modbus(1, 8, 0, 0));
    EXPECT_EQ(link.LinkStatus, 72);
    ASSERT_TRUE(Modbus(9, 8, 0, 0));
    // Speed code 10 is 57600 bit/s: the station no longer understands 19200.
    ASSERT_TRUE(Write(9, 34, {10}));
    EXPECT_FALSE(Modbus(9, 8, 0, 0));
    channel.SetBaudRateValue(57600);
    EXPECT_TRUE(Modbus(9, 8, 0, 0)) << link.LinkStatus;
    EXPECT_FALSE(Modbus(2, 8, 0, 0)) << "the others still run at 19200";
    EXPECT_FALSE(Write(9, 34, {12}));
}

TEST_F(SimDorma, TwoStationsOnOneAddressBothActAndTheirRepliesCollide) {
    ASSERT_TRUE(Write(1, 32, {2}));  // the first station takes the second one's address
    // Every reply from address 2 is garbled: the CRC error of each function (echo, read).
    EXPECT_FALSE(Modbus(2, 8, 0, 0));
    EXPECT_EQ(link.LinkStatus, 74);
    EXPECT_FALSE(Modbus(2, 3, 0, 32));
    EXPECT_EQ(link.LinkStatus, 53);
    // Both act on a write: the address change moves both of them.
    EXPECT_FALSE(Write(2, 32, {7}));
    EXPECT_EQ(Device([&] { return Station(0).Address() + Station(1).Address(); }), 14);
    EXPECT_TRUE(Modbus(3, 8, 0, 0)) << "the third station is not disturbed";
}

TEST_F(SimDorma, CommentIsStoredAsWrittenInWindows1251) {
    std::string text = Utf8ToCp1251("Элеватор №2");
    text.resize(32, ' ');
    std::vector<uint16_t> regs;
    for (int i = 0; i < 16; ++i) {
        regs.push_back(static_cast<uint16_t>(static_cast<uint8_t>(text[2 * i]) << 8 | static_cast<uint8_t>(text[2 * i + 1])));
    }
    ASSERT_TRUE(Write(2, 16, regs));
    EXPECT_EQ(Device([&] { return Station(1).Comment(); }), text);
    ASSERT_TRUE(Modbus(2, 17, 0, 0));
    EXPECT_EQ(link.TransferCount, 22);
    EXPECT_EQ(Reg(6), regs[0]);
}

TEST_F(SimDorma, ClockIsSetAndKeepsRunning) {
    // Sunday 7 December 2025, 23:59:50.
    ASSERT_TRUE(Write(1, 48, {50, 59, 23, 7, 7, 12, 25}));
    clock.Advance(15000);
    ASSERT_TRUE(Modbus(1, 3, 48, 7));
    EXPECT_EQ(Reg(0), 5);
    EXPECT_EQ(Reg(1), 0);
    EXPECT_EQ(Reg(2), 0);
    EXPECT_EQ(Reg(3), 1) << "Monday";
    EXPECT_EQ(Reg(4), 8);
    EXPECT_EQ(Reg(6), 25);
    EXPECT_FALSE(Write(1, 48, {0, 0, 25, 1, 1, 1, 25}));
    EXPECT_EQ(link.LinkStatus, 98);
    EXPECT_FALSE(Write(1, 48, {0, 0, 0, 1, 30, 2, 25})) << "30 February";
    EXPECT_FALSE(Write(1, 50, {1}));
    EXPECT_EQ(link.LinkStatus, 97);
}

TEST_F(SimDorma, FactoryDataNeedsTheWriteCode) {
    EXPECT_FALSE(Write(2, 64, {106, 5, 777, 2024, 0, 1234}));
    EXPECT_EQ(link.LinkStatus, 99);
    ASSERT_TRUE(Write(2, 64, {106, 3, 777, 2024, 0, FactoryWriteCode}));
    ASSERT_TRUE(Modbus(2, 3, 0, 4));
    EXPECT_EQ(Reg(0), 106);
    EXPECT_EQ(Reg(1), 3);
    EXPECT_EQ(Reg(2), 777);
    EXPECT_EQ(Reg(3), 2024);
    EXPECT_FALSE(Modbus(2, 3, 64, 6)) << "factory registers cannot be read back";
}

TEST_F(SimDorma, NotebookIsReadBlockByBlockAndErased) {
    ASSERT_TRUE(Modbus(3, 3, 80, 6));
    const int records = Reg(0);
    const int used = Reg(2);
    const auto words = Device([&] { return Station(2).NotebookWords(); });
    EXPECT_EQ(records, Device([&] { return Station(2).NotebookRecords(); }));
    EXPECT_GT(records, 6);
    EXPECT_EQ(used, static_cast<int>(words.size()));
    EXPECT_EQ(Reg(3), 65535);
    EXPECT_EQ(Reg(4), 2410);
    std::vector<int16_t> read;
    for (int b = 0; b * 64 <= used; ++b) {
        ASSERT_TRUE(Modbus(3, 3, 768, 64)) << link.LinkStatus;
        EXPECT_EQ(link.TransferCount, std::min(64, used - 64 * b));
        read.insert(read.end(), link.RegisterBuffer.begin(), link.RegisterBuffer.begin() + link.TransferCount);
    }
    EXPECT_EQ(read, words);
    // The pointer goes back to repeat a block.
    ASSERT_TRUE(Write(3, 46, {1}));
    ASSERT_TRUE(Modbus(3, 3, 768, 64));
    EXPECT_EQ(static_cast<int16_t>(Reg(0)), words[64]);
    EXPECT_FALSE(Write(3, 46, {static_cast<uint16_t>(used / 64 + 1)}));
    // Records of several cables, one with an impossible time (25 o'clock).
    EXPECT_EQ(words[1], 2301);
    EXPECT_EQ(words[6 + 2 * (words[2] & 0xFF) + 4] >> 8, 25);
    EXPECT_FALSE(Write(3, 45, {1}));
    ASSERT_TRUE(Write(3, 45, {2}));
    ASSERT_TRUE(Modbus(3, 3, 80, 6));
    EXPECT_EQ(Reg(0), 0);
    EXPECT_EQ(Reg(2), 0);
}

TEST_F(SimDorma, NotebookAutoSaveAddsRecordsEachPeriod) {
    ASSERT_TRUE(Write(1, 45, {2}));
    ASSERT_TRUE(Write(1, 48, {0, 0, 10, 1, 1, 6, 26}));  // the records carry the device's time
    ASSERT_TRUE(Write(1, 36, {1}));
    ASSERT_TRUE(Write(1, 37, {0}));  // every 20 seconds
    clock.Advance(21000);
    ASSERT_TRUE(Modbus(1, 8, 0, 0));  // any exchange; the station keeps time between requests
    clock.Advance(21000);
    ASSERT_TRUE(Modbus(1, 3, 80, 6));
    EXPECT_GE(Reg(0), 1);
    EXPECT_EQ(Reg(2), Reg(0) * (6 + 2 * 40));
    ASSERT_TRUE(Write(1, 46, {0}));
    ASSERT_TRUE(Modbus(1, 3, 768, 64));
    EXPECT_EQ(Reg(0), 1);
    EXPECT_EQ(Reg(1), 2101);
    EXPECT_EQ(Reg(4) >> 8, 10);
    EXPECT_EQ(Reg(4) & 0xFF, 1);
    EXPECT_EQ(Reg(5), 6 << 8 | 26);
}

TEST_F(SimDorma, UnknownFunctionsAndRegistersGetExceptions) {
    EXPECT_FALSE(Modbus(1, 3, 60, 1));
    EXPECT_EQ(link.LinkStatus, 56);
    EXPECT_FALSE(Write(1, 0, {1}));
    EXPECT_EQ(link.LinkStatus, 97);
    EXPECT_FALSE(Modbus(1, 8, 0x1234, 0));
    EXPECT_EQ(link.LinkStatus, 76);
    // Function 4 is not one the client sends; the bytes go out raw.
    std::vector<uint8_t> request = {1, 4, 0, 0, 0, 1, 0, 0};
    AppendCrc16(request.data(), 6);
    const auto reply = Raw(request, 5);
    ASSERT_EQ(reply.size(), 5u);
    EXPECT_EQ(reply[1], 0x84);
    EXPECT_EQ(reply[2], 1);
    // A request with a broken CRC is not answered at all.
    request[6] ^= 1;
    EXPECT_TRUE(Raw(request, 5, 60).empty());
}

TEST_F(SimDorma, EchoAndIdentificationWithoutBootMode) {
    ASSERT_TRUE(Modbus(3, 8, 0, 0x5A5A));
    ASSERT_TRUE(Modbus(3, 17, 0, 0));
    EXPECT_EQ(Reg(0), 0x0101) << "firmware runs, boot loader present";
    EXPECT_EQ(Reg(1), 107);
    EXPECT_EQ(Reg(5), 23);
    EXPECT_FALSE(Modbus(3, 8, EraseSubfunction, 0)) << "the firmware cannot erase itself";
    EXPECT_EQ(link.LinkStatus, 79);
    EXPECT_FALSE(Modbus(255, 8, 0, 0)) << "nobody answers at 255 outside the boot mode";
}

TEST_F(SimDorma, PacedLineGivesTheSameAnswers) {
    ASSERT_TRUE(Modbus(3, 3, 0, 32));
    const std::vector<uint16_t> unpaced(link.RegisterBuffer.begin(), link.RegisterBuffer.begin() + 32);
    line.Line->SetPacing(true);
    ASSERT_TRUE(Modbus(3, 3, 0, 32)) << link.LinkStatus;
    EXPECT_TRUE(std::equal(unpaced.begin(), unpaced.end(), link.RegisterBuffer.begin()));
    ASSERT_TRUE(Write(3, 47, {2}));
    EXPECT_TRUE(Modbus(3, 8, 0, 7));
}

}  // namespace
}  // namespace drumo::sim::test
