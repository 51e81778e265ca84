// The settings and factory data of each model, read and written by the program's own link layer
// against the simulated controllers on pseudo-terminals, and the rules of the dialogs' lists.

#include "acquisition/LinkBus.h"
#include "acquisition/SearchSettings.h"
#include "devices/DeviceSettings.h"
#include "devices/SerialNumbers.h"
#include "sim/Faults.h"
#include "sim/SimFixture.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"

namespace drumo::test {
namespace {

class DeviceSetup : public sim::test::SimLinkTest {
protected:
    void Dorma(uint16_t type = 105) {
        std::vector<std::unique_ptr<sim::Dorma>> stations;
        stations.push_back(sim::MakeDorma(clock, type, 4, type == 103 ? 1 : 2));
        ConnectModbus(std::move(stations));
    }
    sim::Hexar& Hexar() { return line.Command->Device(); }
    sim::Dorma& Station() { return *line.Dormas[0]; }
    TComBuf decoder;
    LinkBus bus{link, decoder};
};

TEST_F(DeviceSetup, Hexar16SettingsRoundTripAndOutOfRangePeriods) {
    ConnectHexar(sim::MakeHexar16(clock));
    Device([&] { return Hexar().Settings16 = {45, 1, 0}; });
    Hexar16Settings s;
    ASSERT_TRUE(ReadSettings(bus, s)) << bus.LinkStatus();
    EXPECT_EQ(s.Period, 45);
    EXPECT_TRUE(s.Backlight);
    EXPECT_FALSE(s.AutoOff);
    s.Period = 5;
    s.Backlight = false;
    s.AutoOff = true;
    ASSERT_TRUE(WriteSettings(bus, s)) << bus.LinkStatus();
    EXPECT_EQ(Device([&] { return Hexar().Settings16; }), (std::array<uint8_t, 3>{5, 0, 1}));

    // A period outside the field is refused before anything is sent.
    for (int period : {4, 91}) {
        s.Period = period;
        EXPECT_EQ(RangeError(s), "period must be 5..90");
        EXPECT_FALSE(WriteSettings(bus, s));
        EXPECT_EQ(Device([&] { return Hexar().Settings16[0]; }), 5);
    }
    // A device value the field cannot show is kept as read and goes back unchanged.
    Device([&] { return Hexar().Settings16 = {200, 7, 0}; });
    ASSERT_TRUE(ReadSettings(bus, s));
    EXPECT_EQ(s.Period, 200);
    EXPECT_TRUE(s.Backlight);
    s.AutoOff = true;
    EXPECT_EQ(RangeError(s), "");
    ASSERT_TRUE(WriteSettings(bus, s)) << bus.LinkStatus();
    EXPECT_EQ(Device([&] { return Hexar().Settings16; }), (std::array<uint8_t, 3>{200, 1, 1}));
}

TEST_F(DeviceSetup, Hexar100SettingsKeepTheDevicesOwnBytesAndShowTheSupply) {
    ConnectHexar(sim::MakeHexar100(clock));
    Device([&] {
        Hexar().Settings100 = {6, 0, 1, 8, 4, 0, 0, 0x11, 0x22, 0x33};
        return Hexar().SupplyHundredths = 1200;
    });
    Hexar100Settings s;
    ASSERT_TRUE(ReadSettings(bus, s)) << bus.LinkStatus();
    EXPECT_EQ(s.Period, 6);
    EXPECT_EQ(s.AutoWrite, 8);
    EXPECT_EQ(s.SpeedItem, 3) << "speed code 4: 19200 bit/s";
    EXPECT_EQ(s.Bytes[5], 0x04);
    EXPECT_EQ(s.Bytes[6], 0xB0);
    EXPECT_EQ(SupplyText(s), "12 V");
    s.Period = 2;
    s.Backlight = true;
    s.AutoWrite = 0;
    ASSERT_TRUE(WriteSettings(bus, s)) << bus.LinkStatus();
    const auto stored = Device([&] { return Hexar().Settings100; });
    EXPECT_EQ(std::vector<uint8_t>(stored.begin(), stored.begin() + 5), (std::vector<uint8_t>{2, 1, 1, 0, 4}));

    Device([&] { return Hexar().SupplyHundredths = 0; });
    ASSERT_TRUE(ReadSettings(bus, s));
    EXPECT_EQ(SupplyText(s), "undefined");
    s.SpeedItem = 7;
    EXPECT_EQ(RangeError(s), "speed item must be 0..6");
    EXPECT_FALSE(WriteSettings(bus, s));
}

TEST_F(DeviceSetup, DormaSettingsRoundTripWritesZeroForTheTemperatureInside) {
    Dorma();
    DormaSettings s;
    ASSERT_TRUE(ReadSettings(bus, 4, s)) << bus.LinkStatus();
    EXPECT_EQ(s.Address, 4);
    EXPECT_EQ(s.SpeedItem, 3) << "register 34 = 8";
    EXPECT_STREQ(BaudItemText(s.SpeedItem), "19200 bit/s *");
    EXPECT_EQ(s.Period, 3);
    EXPECT_EQ(s.AutoSavePeriod, 4);
    EXPECT_NE(s.InsideHundredths, 0);
    s.Period = 0;
    s.AutoSave = true;
    s.AutoSavePeriod = 7;
    s.Heating = true;
    s.SwitchOnDelay = 60;
    // The simulated device refuses any other value than 0 in register 38.
    ASSERT_TRUE(WriteSettings(bus, 4, s)) << bus.LinkStatus();
    EXPECT_EQ(Device([&] { return Station().Settings(); }), (std::array<uint16_t, 9>{4, 1, 8, 0, 1, 7, 0, 1, 60}));

    // A failed read leaves the values as they were, but nothing to write.
    Device([&] { Station().Faults().Set(*sim::ParseFault("exception:2*1")); return 0; });
    const int period = s.Period, delay = s.SwitchOnDelay;
    EXPECT_FALSE(ReadSettings(bus, 4, s));
    EXPECT_EQ(bus.LinkStatus(), 56);
    EXPECT_EQ(s.Period, period);
    EXPECT_EQ(s.SwitchOnDelay, delay);
    EXPECT_FALSE(WriteSettings(bus, 4, s));
}

TEST_F(DeviceSetup, ValuesNoListHasGoBackAsReadUnlessChanged) {
    Dorma(105);
    // Speed code 2, protocol 100, period 9, auto-save 5, auto-save period 9, delay 120.
    Device([&] {
        Station().StrictSpeed = false;  // speed code 2 names no speed the device could hear at
        Station().SetSettings({4, 100, 2, 9, 5, 9, 0, 0, 120});
        return 0;
    });
    DormaSettings s;
    ASSERT_TRUE(ReadSettings(bus, 4, s)) << bus.LinkStatus();
    EXPECT_FALSE(Listed(s.SpeedItem, 7));
    EXPECT_FALSE(Listed(s.Period, kDormaPeriodItems));
    s.Heating = true;
    EXPECT_EQ(RangeError(s), "");
    ASSERT_TRUE(WriteSettings(bus, 4, s)) << bus.LinkStatus();
    EXPECT_EQ(Device([&] { return Station().Settings(); }), (std::array<uint16_t, 9>{4, 100, 2, 9, 5, 9, 0, 1, 120}));
    s.Period = 2;
    s.SwitchOnDelay = 61;
    EXPECT_EQ(RangeError(s), "delay must be 0..60") << "a changed value is checked";
    s.SwitchOnDelay = 120;
    ASSERT_TRUE(WriteSettings(bus, 4, s)) << bus.LinkStatus();
    EXPECT_EQ(Device([&] { return Station().Settings()[3]; }), 2);

    // Factory data: type 99, interface 9, serial 0, year 2005; only the serial number changes.
    Device([&] {
        sim::DeviceIdentity& id = Station().Identity();
        id.Type = 99;
        id.Serial = 0;
        id.Year = 2005;
        return Station().Interface = 9;
    });
    DormaFactory f;
    ASSERT_TRUE(ReadFactory(bus, 4, f)) << bus.LinkStatus();
    f.Serial = 55;
    ASSERT_TRUE(WriteFactory(bus, 4, f)) << bus.LinkStatus();
    EXPECT_EQ(Device([&] { return Station().Identity().Type; }), 99);
    EXPECT_EQ(Device([&] { return Station().Interface; }), 9);
    EXPECT_EQ(Device([&] { return Station().Identity().Serial; }), 55);
    EXPECT_EQ(Device([&] { return Station().Identity().Year; }), 2005);
}

TEST_F(DeviceSetup, AShortReadIsAFailedReadAndLeavesNothingToWrite) {
    Dorma(105);
    Device([&] { Station().SetSettings({4, 1, 8, 3, 0, 6, 0, 1, 0}); return 0; });
    DormaSettings s;
    ASSERT_TRUE(ReadSettings(bus, 4, s));
    DormaFactory f;
    ASSERT_TRUE(ReadFactory(bus, 4, f));
    const auto settings = Device([&] { return Station().Settings(); });
    const auto serial = Device([&] { return Station().Identity().Serial; });
    Device([&] { Station().Faults().Set(*sim::ParseFault("fewer-registers:4*2")); return 0; });
    EXPECT_FALSE(ReadSettings(bus, 4, s));
    EXPECT_EQ(bus.LinkStatus(), kShortReadStatus);
    EXPECT_EQ(bus.LinkStatusMessage(), "Команда 3: Ответ содержит неверное количество байт");
    EXPECT_FALSE(ReadFactory(bus, 4, f));
    EXPECT_EQ(bus.LinkStatus(), kShortReadStatus);
    s.SwitchOnDelay = 7;
    f.Serial = 1002;
    EXPECT_FALSE(WriteSettings(bus, 4, s));
    EXPECT_FALSE(WriteFactory(bus, 4, f));
    EXPECT_EQ(Device([&] { return Station().Settings(); }), settings);
    EXPECT_EQ(Device([&] { return Station().Identity().Serial; }), serial);
}

TEST(DeviceSettingsRules, RangeChecksOfEveryValue) {
    struct Case {
        DormaSettings Settings;
        const char* Error;
    };
    auto with = [](auto change) {
        DormaSettings s;
        change(s);
        return s;
    };
    const Case cases[] = {
        {with([](auto&) {}), ""},
        {with([](auto& s) { s.Address = 0; }), "address must be 1..255"},
        {with([](auto& s) { s.Address = 256; }), "address must be 1..255"},
        {with([](auto& s) { s.Protocol = 2; }), "protocol must be 0..1"},
        {with([](auto& s) { s.SpeedItem = -1; }), "speed item must be 0..6"},
        {with([](auto& s) { s.Period = 6; }), "period must be 0..5"},
        {with([](auto& s) { s.AutoSavePeriod = 8; }), "autosave-period must be 0..7"},
        {with([](auto& s) { s.SwitchOnDelay = 61; }), "delay must be 0..60"},
    };
    for (const auto& c : cases) EXPECT_EQ(RangeError(c.Settings), c.Error);
    auto hexar = [](int serial, int year) {
        HexarFactory f;
        f.Serial = serial;
        f.Year = year;
        return f;
    };
    auto dorma = [](int type, int interface, int serial, int year) {
        DormaFactory f;
        f.TypeItem = type;
        f.Interface = interface;
        f.Serial = serial;
        f.Year = year;
        return f;
    };
    EXPECT_EQ(RangeError(hexar(32001, 2020)), "serial must be 0..32000");
    EXPECT_EQ(RangeError(hexar(0, 2009)), "year must be 2010..2099");
    EXPECT_EQ(RangeError(dorma(8, 5, 1, 2020)), "type must be 100..107");
    EXPECT_EQ(RangeError(dorma(3, 6, 1, 2020)), "interface must be 0..5");
    EXPECT_EQ(RangeError(dorma(3, 5, 0, 2020)), "serial must be 1..32000");
    EXPECT_EQ(RangeError(dorma(3, 5, 1, 2010)), "year must be 2011..2099");
}

TEST(DeviceSettingsRules, ListCouplingAndTestItems) {
    // Hexar-1/100: the notebook is never written more often than the device measures.
    EXPECT_EQ(CoupledAutoWrite(6, 3), 6) << "\"1 минута\" under \"5 минут\" moves to \"5 минут\"";
    EXPECT_EQ(CoupledAutoWrite(6, 0), 0) << "\"отключено\" stays";
    EXPECT_EQ(CoupledAutoWrite(6, 9), 9);
    EXPECT_EQ(CoupledAutoWrite(0, 1), 1);
    EXPECT_STREQ(Hexar100AutoWriteText(6), Hexar100PeriodText(6));
    // Dorma: the test items need the corner double-click.
    EXPECT_EQ(DormaListChoice(0, kDormaPeriodDefault, false), 3);
    EXPECT_STREQ(DormaPeriodText(3), "60 секунд *");
    EXPECT_EQ(DormaListChoice(0, kDormaAutoSaveDefault, false), 4);
    EXPECT_STREQ(DormaAutoSaveText(4), "24 часа *");
    EXPECT_EQ(DormaListChoice(0, kDormaPeriodDefault, true), 0);
    EXPECT_EQ(DormaListChoice(2, kDormaPeriodDefault, false), 2);
    EXPECT_EQ(InsideTemperatureText(-1250), "-12.5°C");
}

TEST(DeviceSettingsRules, AddressTakenByAnotherPresentDevice) {
    ScriptedOperator op;
    NullLog log;
    MeasurementStore store(op, log);
    for (uint16_t address : {1, 2, 3}) {
        DeviceSpec device;
        device.Address = address;
        AddDevice(store, device);
    }
    EXPECT_TRUE(AddressTaken(store, 0, 2));
    EXPECT_FALSE(AddressTaken(store, 1, 2)) << "its own address";
    EXPECT_FALSE(AddressTaken(store, 0, 9));
    store.DeviceSwitchedOff();
    store.CountDevice();
    store.CountDevice();
    EXPECT_FALSE(AddressTaken(store, 0, 3)) << "beyond the devices counted as present";
    store.Select(1, 0);
    EXPECT_EQ(SelectedAddress(store), 2);
    store.DeviceSwitchedOff();
    EXPECT_EQ(SelectedAddress(store), 255);
}

TEST_F(DeviceSetup, HexarFactoryDataAndAYearThatDoesNotCome) {
    ConnectHexar(sim::MakeHexar100(clock));
    HexarFactory f;
    EXPECT_FALSE(WriteFactory(bus, f)) << "nothing read, nothing to write";
    ASSERT_TRUE(ReadFactory(bus, f)) << bus.LinkStatus();
    EXPECT_EQ(f.Serial, Device([&] { return Hexar().Serial; }));
    EXPECT_EQ(f.Year, 2021);
    // 1234 goes out as the bytes 0x04 0xD2, which the device reads back as 1234.
    f.Serial = 1234;
    f.Year = 2030;
    ASSERT_TRUE(WriteFactory(bus, f)) << bus.LinkStatus();
    EXPECT_EQ(Device([&] { return Hexar().Serial; }), 1234);
    EXPECT_EQ(Device([&] { return Hexar().Year; }), 2030);

    // The device answers command 59 and then falls silent: the year box keeps its value, and that
    // year, which nobody read, is not written unless the operator typed it.
    link.AdditionalDelay = 100;
    Device([&] { line.Command->Faults().Set(*sim::ParseFault("stop-after:1")); return 0; });
    f.Year = 2044;
    ASSERT_TRUE(ReadFactory(bus, f));
    EXPECT_EQ(f.Serial, 1234);
    EXPECT_EQ(f.Year, 2044);
    Device([&] { line.Command->Faults().Clear(); return 0; });
    f.Serial = 1235;
    ASSERT_TRUE(WriteFactory(bus, f)) << bus.LinkStatus();
    EXPECT_EQ(Device([&] { return Hexar().Serial; }), 1235);
    EXPECT_EQ(Device([&] { return Hexar().Year; }), 2030);
}

TEST_F(DeviceSetup, DormaFactoryDataGoWithTheWriteCode) {
    Dorma(105);
    DormaFactory f;
    ASSERT_TRUE(ReadFactory(bus, 4, f)) << bus.LinkStatus();
    EXPECT_EQ(f.TypeItem, 5);
    EXPECT_STREQ(DormaTypeText(f.TypeItem), "105: Dorma-2/200");
    EXPECT_EQ(f.Interface, 5);
    EXPECT_EQ(f.Serial, 1004);
    EXPECT_EQ(f.Year, 2023);
    f.TypeItem = 2;  // "102: reserved"
    f.Interface = 3;  // "3: Ethernet"
    f.Serial = 777;
    f.Year = 2031;
    ASSERT_TRUE(WriteFactory(bus, 4, f)) << bus.LinkStatus();
    EXPECT_EQ(Device([&] { return Station().Identity().Type; }), 102);
    EXPECT_EQ(Device([&] { return Station().Interface; }), 3);
    EXPECT_EQ(Device([&] { return Station().Identity().Serial; }), 777);
    EXPECT_EQ(Device([&] { return Station().Identity().Year; }), 2031);
}

}  // namespace
}  // namespace drumo::test
