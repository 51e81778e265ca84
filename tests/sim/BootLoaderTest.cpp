// The boot loader of a Dorma controller, and of a Hexar-1/100 reached at Modbus address 255,
// driven by the program's Modbus client: entering and leaving the boot mode, reading, erasing and
// writing the firmware memory, and the time-out after which the device leaves the mode by itself.
#include "SimFixture.h"

namespace drumo::sim::test {
namespace {

class SimBootLoader : public SimLinkTest {
protected:
    void SetUp() override {
        std::vector<std::unique_ptr<Dorma>> stations;
        stations.push_back(MakeDorma(clock, 106, 4, 4));
        stations.back()->Boot().EraseMs = 300;
        ConnectModbus(std::move(stations));
    }
    BootLoader& Boot() { return line.Dormas[0]->Boot(); }
    // Reads page p as 256 bytes.
    std::vector<uint8_t> ReadPage(uint8_t address, int p) {
        std::vector<uint8_t> bytes;
        for (int h = 0; h < 2; ++h) {
            EXPECT_TRUE(Modbus(address, 3, static_cast<uint16_t>(p * 128 + h * 64), 64)) << link.LinkStatus;
            for (int j = 0; j < 64; ++j) {
                bytes.push_back(static_cast<uint8_t>(Reg(j) >> 8));
                bytes.push_back(static_cast<uint8_t>(Reg(j) & 0xFF));
            }
        }
        return bytes;
    }
};

TEST_F(SimBootLoader, BootModeAnswersAtItsAddressAnd255) {
    ASSERT_TRUE(Modbus(4, 8, BootModeSubfunction, 0));
    ASSERT_TRUE(Modbus(255, 17, 0, 0)) << link.LinkStatus;
    EXPECT_EQ(Reg(0), 0x0001) << "boot loader runs, firmware present";
    EXPECT_EQ(Reg(1), 106);
    ASSERT_TRUE(Modbus(4, 8, 0, 0));
    // The memory, not the registers of the firmware, is what function 3 reads now.
    const auto page = ReadPage(255, 0);
    const auto memory = Device([&] { return Boot().Memory(); });
    EXPECT_TRUE(std::equal(page.begin(), page.end(), memory.begin()));
    EXPECT_FALSE(Modbus(4, 3, 63487, 2));
    EXPECT_EQ(link.LinkStatus, 56);
    ASSERT_TRUE(Modbus(4, 3, 63487, 1));
    // Leaving: the firmware answers again, and 255 falls silent.
    ASSERT_TRUE(Modbus(4, 8, BootModeSubfunction, 1));
    ASSERT_TRUE(Modbus(4, 17, 0, 0));
    EXPECT_EQ(Reg(0), 0x0101);
    EXPECT_FALSE(Modbus(255, 8, 0, 0));
}

TEST_F(SimBootLoader, EraseThenWriteAndVerifyAPage) {
    ASSERT_TRUE(Modbus(4, 8, BootModeSubfunction, 0));
    // Flash only clears bits: writing over the old firmware does not give the new bytes.
    std::vector<uint16_t> pattern(64);
    for (int j = 0; j < 64; ++j) pattern[j] = static_cast<uint16_t>(0x1200 + j);
    ASSERT_TRUE(Write(4, 10 * 128, pattern));
    std::vector<uint8_t> wanted;
    for (int i = 0; i < 128; ++i) wanted.insert(wanted.end(), {0x12, static_cast<uint8_t>(i % 64)});
    auto page = ReadPage(4, 10);
    EXPECT_NE(std::vector<uint8_t>(page.begin(), page.begin() + 128), std::vector<uint8_t>(wanted.begin(), wanted.begin() + 128));

    // The erase takes its time; the client waits for it.
    ASSERT_TRUE(Modbus(4, 8, EraseSubfunction, 0)) << link.LinkStatus;
    EXPECT_FALSE(Device([&] { return Boot().FirmwarePresent(); }));
    ASSERT_TRUE(Modbus(255, 17, 0, 0));
    EXPECT_EQ(Reg(0), 0x0000) << "no firmware any more";
    for (int h = 0; h < 2; ++h) ASSERT_TRUE(Write(4, static_cast<uint16_t>(10 * 128 + h * 64), pattern));
    EXPECT_EQ(ReadPage(4, 10), wanted);
    EXPECT_EQ(ReadPage(4, 11), std::vector<uint8_t>(256, 0xFF));
}

TEST_F(SimBootLoader, LeavesBootModeBy34SecondsWithoutExchange) {
    ASSERT_TRUE(Modbus(4, 8, BootModeSubfunction, 0));
    clock.Advance(33000);
    ASSERT_TRUE(Modbus(255, 8, 0, 0)) << "each exchange restarts the time";
    clock.Advance(33000);
    ASSERT_TRUE(Modbus(255, 8, 0, 0));
    clock.Advance(34000);
    EXPECT_FALSE(Modbus(255, 8, 0, 0));
    ASSERT_TRUE(Modbus(4, 17, 0, 0));
    EXPECT_EQ(Reg(0), 0x0101);
}

TEST_F(SimBootLoader, SlowEraseOfTwoSecondsStillFitsTheClientsWait) {
    Device([&] {
        Boot().EraseMs = 2000;
        return 0;
    });
    ASSERT_TRUE(Modbus(4, 8, BootModeSubfunction, 0));
    EXPECT_TRUE(Modbus(4, 8, EraseSubfunction, 0)) << link.LinkStatus;
}

TEST(SimHexarBootLoader, AnswersModbusAt255BesideTheCommandProtocol) {
    ManualClock clock;
    auto endpoint = std::make_unique<CommandEndpoint>(clock, MakeHexar100(clock));
    endpoint->Streaming = false;
    Bus bus(std::move(endpoint));
    ASSERT_TRUE(bus.Open());
    bus.Start();
    PosixSerialPort port;
    TSerialChannel channel(port, SystemClock::Instance());
    DeviceLink link(channel, SystemClock::Instance());
    channel.SetPortName(bus.SlavePath());
    ASSERT_TRUE(channel.Connect());
    uint16_t count = 0;
    ASSERT_TRUE(link.ModbusRequest(255, 8, 0, count, link.RegisterBuffer.data())) << link.LinkStatus;
    ASSERT_TRUE(link.ModbusRequest(255, 17, 0, count, link.RegisterBuffer.data()));
    EXPECT_EQ(link.RegisterBuffer[0], 0x0101);
    EXPECT_EQ(link.RegisterBuffer[1], 101);
    count = 0;
    ASSERT_TRUE(link.ModbusRequest(255, 8, BootModeSubfunction, count, link.RegisterBuffer.data()));
    count = 64;
    ASSERT_TRUE(link.ModbusRequest(255, 3, 0, count, link.RegisterBuffer.data()));
    EXPECT_EQ(count, 64);
    // The command protocol still works beside it.
    uint16_t length = 0;
    EXPECT_TRUE(link.DeviceCommand(1, link.CommandBuffer.data(), length)) << link.LinkStatus;
    channel.Disconnect();
    bus.Close();
}

}  // namespace
}  // namespace drumo::sim::test
