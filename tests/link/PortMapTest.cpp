// Port numbers to device nodes: environment, configured ports, built-in table.
#include "link/PortMap.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace drumo {

class PortMapTest : public ::testing::Test {
protected:
    void SetUp() override { ::unsetenv("DRUMO_PORTS"); }
    void TearDown() override { ::unsetenv("DRUMO_PORTS"); }
};

TEST_F(PortMapTest, BuiltInTableCoversSerialUsbAndAcmDevices) {
    PortMap map;
    EXPECT_EQ(map.DevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(map.DevicePath(16), "/dev/ttyS15");
    EXPECT_EQ(map.DevicePath(17), "/dev/ttyUSB0");
    EXPECT_EQ(map.DevicePath(48), "/dev/ttyUSB31");
    EXPECT_EQ(map.DevicePath(49), "/dev/ttyACM0");
    EXPECT_EQ(map.DevicePath(80), "/dev/ttyACM31");
    EXPECT_EQ(map.DevicePath(81), "");
    EXPECT_EQ(map.DevicePath(0), "");
    EXPECT_EQ(map.DevicePath(-3), "");
}

TEST_F(PortMapTest, EnvironmentComesBeforeSettingsBeforeTable) {
    PortMap map;
    map.SetConfigured({{3, "/dev/ttyUSB7"}, {5, "/dev/ttyUSB5"}});
    ::setenv("DRUMO_PORTS", "3=/dev/pts/5, 7=/dev/ttyUSB0,bad,=x,300=/dev/big", 1);
    EXPECT_EQ(map.DevicePath(3), "/dev/pts/5");
    EXPECT_EQ(map.DevicePath(7), "/dev/ttyUSB0");
    EXPECT_EQ(map.DevicePath(5), "/dev/ttyUSB5");
    EXPECT_EQ(map.DevicePath(9), "/dev/ttyS8");
    ::unsetenv("DRUMO_PORTS");
    EXPECT_EQ(map.DevicePath(3), "/dev/ttyUSB7");
}

TEST_F(PortMapTest, AnEmptyConfiguredPathFallsBackToTheTable) {
    PortMap map;
    map.SetConfigured({{2, ""}});
    EXPECT_EQ(map.DevicePath(2), "/dev/ttyS1");
}

TEST_F(PortMapTest, NamesResolveByNumberOrAsDeviceNodes) {
    PortMap map;
    EXPECT_EQ(PortNameOf(3), "\\\\.\\Com3");
    EXPECT_EQ(PortNumberOf("\\\\.\\COM2"), 2);
    EXPECT_EQ(PortNumberOf("\\\\.\\Com255"), 255);
    EXPECT_FALSE(PortNumberOf("\\\\.\\Com256"));
    EXPECT_FALSE(PortNumberOf("\\\\.\\Com"));
    EXPECT_FALSE(PortNumberOf("\\\\.\\Com3x"));
    EXPECT_FALSE(PortNumberOf("COM3"));
    EXPECT_EQ(map.ResolveName("\\\\.\\Com17"), "/dev/ttyUSB0");
    EXPECT_EQ(map.ResolveName("/dev/pts/9"), "/dev/pts/9");
    EXPECT_EQ(map.ResolveName("ttyS0"), "");
}

}  // namespace drumo
