// Every named fault, seen through the program's link layer: each must end in the status code the
// program reports for that misbehaviour, and the device must recover when the fault is cleared.
#include "SimFixture.h"

#include <unistd.h>

namespace drumo::sim::test {
namespace {

class SimModbusFaults : public SimLinkTest {
protected:
    void SetUp() override {
        std::vector<std::unique_ptr<Dorma>> stations;
        stations.push_back(MakeDorma(clock, 103, 1, 1, 20));
        stations.push_back(MakeDorma(clock, 105, 2, 2));
        ConnectModbus(std::move(stations));
    }
    void Set(const std::string& fault, int station = 0) {
        Device([&] {
            line.Dormas[station]->Faults().Set(*ParseFault(fault));
            return 0;
        });
    }
    bool ReadTemps() { return Modbus(1, 3, 512, 20); }
};

TEST_F(SimModbusFaults, EachFaultEndsInItsStatusCode) {
    const struct {
        const char* Fault;
        int Status;
    } cases[] = {
        {"silence", 52},       {"bad-crc", 53},     {"garbage", 53},
        {"short", 53},         {"exception", 58},   {"exception:2", 56},
        {"wrong-address", 54}, {"slow:400", 52},
    };
    for (const auto& c : cases) {
        Set(c.Fault);
        EXPECT_FALSE(ReadTemps()) << c.Fault;
        EXPECT_EQ(link.LinkStatus, c.Status) << c.Fault;
        Set("none");
        if (std::string(c.Fault).rfind("slow", 0) == 0) {
            // The late reply still comes; the station answers the next request after it.
            channel.SetInputTimeout(600);
            std::vector<uint8_t> late(45);
            EXPECT_EQ(channel.ReadData(late.data(), late.size()), late.size());
        }
        EXPECT_TRUE(ReadTemps()) << c.Fault << " cleared: " << link.LinkStatus;
    }
    // The same faults on the other functions.
    Set("bad-crc");
    EXPECT_FALSE(Modbus(1, 8, 0, 0));
    EXPECT_EQ(link.LinkStatus, 74);
    EXPECT_FALSE(Write(1, 47, {0}));
    EXPECT_EQ(link.LinkStatus, 94);
    Set("exception:3");
    EXPECT_FALSE(Modbus(1, 17, 0, 0));
    EXPECT_EQ(link.LinkStatus, 117);
}

TEST_F(SimModbusFaults, FewerRegistersThanAskedStillSucceeds) {
    Set("fewer-registers");
    ASSERT_TRUE(ReadTemps());
    EXPECT_EQ(link.TransferCount, 10);
    Set("fewer-registers:19");
    ASSERT_TRUE(ReadTemps());
    EXPECT_EQ(link.TransferCount, 1);
}

TEST_F(SimModbusFaults, FaultsLimitedToSomeRepliesWearOff) {
    Set("silence*2");
    EXPECT_FALSE(ReadTemps());
    EXPECT_FALSE(ReadTemps());
    EXPECT_TRUE(ReadTemps());
}

TEST_F(SimModbusFaults, StationStopsAnsweringAfterNRequests) {
    Set("stop-after:2");
    EXPECT_TRUE(ReadTemps());
    EXPECT_TRUE(Modbus(1, 8, 0, 0));
    EXPECT_FALSE(ReadTemps());
    EXPECT_FALSE(ReadTemps());
    EXPECT_TRUE(Modbus(2, 8, 0, 0)) << "the other station is not affected";
}

TEST_F(SimModbusFaults, ForeignTalkerIsDetectedBeforeAnythingIsSent) {
    Set("foreign-talker", 1);
    EXPECT_FALSE(ReadTemps());
    EXPECT_EQ(link.LinkStatus, 31);
    Set("none", 1);
    channel.SetInputTimeout(50);
    uint8_t drain[512];
    while (channel.ReadData(drain, sizeof drain) > 0) {
    }
    EXPECT_TRUE(ReadTemps()) << link.LinkStatus;
}

TEST_F(SimModbusFaults, PortThatDisappearsFailsEveryLaterTransaction) {
    Set("port-gone:1");
    EXPECT_TRUE(ReadTemps());
    EXPECT_FALSE(ReadTemps());
    EXPECT_TRUE(line.Line->Gone());
    EXPECT_FALSE(Modbus(2, 8, 0, 0));
}

class SimCommandFaults : public SimLinkTest {
protected:
    void SetUp() override { ConnectHexar(MakeHexar16(clock)); }
    void Set(const std::string& fault) {
        Device([&] {
            line.Command->Faults().Set(*ParseFault(fault));
            return 0;
        });
    }
};

TEST_F(SimCommandFaults, EachFaultEndsInItsStatusCode) {
    const struct {
        const char* Fault;
        int Status;
    } cases[] = {
        {"silence", 13}, {"bad-checksum", 18}, {"short", 16}, {"exception:1", 1},
        {"exception", 4}, {"wrong-address", 13}, {"fewer-registers", 15}, {"stop-after:0", 13},
    };
    for (const auto& c : cases) {
        Set(c.Fault);
        EXPECT_FALSE(Command(1)) << c.Fault;
        EXPECT_EQ(link.LinkStatus, c.Status) << c.Fault;
        Set("none");
        EXPECT_TRUE(Command(1)) << c.Fault << " cleared: " << link.LinkStatus;
    }
    // Writes are answered by status replies; a broken one never forms a header.
    Set("bad-checksum");
    EXPECT_FALSE(Command(73, {0}));
    EXPECT_EQ(link.LinkStatus, 13);
}

TEST_F(SimCommandFaults, ForeignTalkerFloodsTheHeaderSearch) {
    Set("foreign-talker");
    EXPECT_FALSE(Command(1));
    EXPECT_EQ(link.LinkStatus, 14) << "8192 bytes without a reply header";
    Set("none");
    channel.SetInputTimeout(50);
    uint8_t drain[512];
    while (channel.ReadData(drain, sizeof drain) > 0) {
    }
    EXPECT_TRUE(Command(1)) << link.LinkStatus;
}

TEST_F(SimCommandFaults, GarbageBeforeTheReplyGoesToTheStreamHandler) {
    std::vector<uint8_t> skipped;
    channel.SetOnReceiveData([&](const uint8_t* data, size_t n) { skipped.insert(skipped.end(), data, data + n); });
    Set("garbage");
    EXPECT_TRUE(Command(1)) << link.LinkStatus;
    EXPECT_EQ(skipped, (std::vector<uint8_t>{0x00, 0x55, 0xAA, 0x00}));
}

}  // namespace
}  // namespace drumo::sim::test
