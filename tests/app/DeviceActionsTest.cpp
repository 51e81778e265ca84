#include "app/DeviceActions.h"

#include <gtest/gtest.h>

namespace drumo {

namespace {
DeviceActionInput Present(uint16_t caps, int devType) {
    DeviceActionInput in;
    in.DeviceCount = 1;
    in.ListedDevices = 1;
    in.Caps = caps;
    in.DevType = devType;
    return in;
}
}  // namespace

TEST(DeviceActions, HexarOneSixteenOffersSettingsNotebookPowerOffAndSerial) {
    const auto set = DeviceActionsFor(Present(0x0037, 100));
    EXPECT_TRUE(set.Settings);
    EXPECT_TRUE(set.Notebook);
    EXPECT_TRUE(set.PowerOff);
    EXPECT_TRUE(set.Serial);
    EXPECT_FALSE(set.TimeSync);
    EXPECT_FALSE(set.AutoSet);
    EXPECT_FALSE(set.ReadRom);
    EXPECT_FALSE(set.Firmware);
    EXPECT_EQ(set.NotebookInfo, false);  // the Hexar-1/16 notebook has no information block
}

TEST(DeviceActions, HexarOneHundredOffersEverything) {
    const auto set = DeviceActionsFor(Present(0x01FF, 101));
    EXPECT_TRUE(set.Settings && set.Notebook && set.PowerOff && set.TimeSync && set.AutoSet &&
                set.Serial && set.ReadRom && set.Firmware);
    EXPECT_EQ(set.NotebookInfo, true);
}

TEST(DeviceActions, DormaOffersNoPowerOffAutoSetOrRomReading) {
    const auto set = DeviceActionsFor(Present(0x006E, 105));
    EXPECT_TRUE(set.Settings && set.Notebook && set.TimeSync && set.Serial && set.Firmware);
    EXPECT_FALSE(set.PowerOff || set.AutoSet || set.ReadRom);
}

TEST(DeviceActions, LoggerWithoutCapabilitiesOffersNothing) {
    const auto set = DeviceActionsFor(Present(0, 120));
    EXPECT_FALSE(set.Settings || set.Notebook || set.PowerOff || set.TimeSync || set.AutoSet ||
                 set.Serial || set.ReadRom || set.Firmware);
}

TEST(DeviceActions, NoDeviceLeavesNotebookAndFirmwareAndKeepsTheInfoButton) {
    const auto set = DeviceActionsFor(DeviceActionInput{});
    EXPECT_TRUE(set.Notebook);
    EXPECT_TRUE(set.Firmware);
    EXPECT_FALSE(set.Settings || set.PowerOff || set.TimeSync || set.AutoSet || set.Serial ||
                 set.ReadRom);
    EXPECT_FALSE(set.NotebookInfo.has_value());
}

TEST(DeviceActions, SwitchedOffDeviceOffersOnlyFirmwareAndNotebook) {
    auto in = Present(0x006E, 103);
    in.DeviceCount = 0;  // the lists keep the device
    const auto set = DeviceActionsFor(in);
    EXPECT_TRUE(set.Firmware);
    EXPECT_TRUE(set.Notebook);
    EXPECT_FALSE(set.Settings || set.TimeSync || set.Serial);
}

TEST(DeviceActions, ArchiveDataHideEveryDeviceCommand) {
    auto in = Present(0, 103);  // devices read from files carry no capabilities
    in.ArchiveLoaded = true;
    const auto set = DeviceActionsFor(in);
    EXPECT_TRUE(set.Notebook);
    EXPECT_FALSE(set.Firmware || set.Settings || set.TimeSync || set.Serial);
}

TEST(DeviceActions, SelectionPastTheListCountsAsNoDevice) {
    auto in = Present(0x01FF, 101);
    in.SelDevice = 1;
    const auto set = DeviceActionsFor(in);
    EXPECT_FALSE(set.Settings || set.PowerOff || set.Firmware);
    EXPECT_TRUE(set.Notebook);
}

}  // namespace drumo
