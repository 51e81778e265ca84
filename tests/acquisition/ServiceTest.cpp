// Service commands and the link test against a scripted bus.

#include "acquisition/LinkTest.h"
#include "acquisition/ServiceCommands.h"
#include "model/Cp1251.h"
#include "support/FakeBus.h"

#include <gtest/gtest.h>

namespace drumo::test {
namespace {

struct RecordingEditView : DeviceEditView {
    std::string Comment;
    int Address = -1;
    int BaudItem = -1;
    void CommentCell(size_t, const std::string& t) override { Comment = t; }
    void AddressCell(size_t, int a) override { Address = a; }
    void BaudItemChosen(int item) override { BaudItem = item; }
};

class ServiceTest : public ::testing::Test {
protected:
    ServiceTest() {
        bus.ExistingPorts = {3};
        bus.SetPortName("\\\\.\\Com3");
        EXPECT_TRUE(bus.Connect());
        for (uint8_t a : {4, 9, 12}) {
            bus.Dev(3, a) = FakeModbusDevice::Dorma(103, a, {});
            const size_t d = store.Devices();
            store.SetDeviceCount(d + 1);
            store.DevSig(d).Address = a;
            store.CountDevice();
        }
        store.Select(1, 0);
    }
    bool Apply(const DeviceEdit& e) {
        return ApplyDeviceEdit(e, bus, store, shown, settings, op, log, clock, view);
    }

    FakeClock clock;
    FakeBus bus{&clock};
    ScriptedOperator op;
    RecordingLog log;
    MeasurementStore store{op, log};
    SearchSettings settings;
    SearchSettings shown;  // what the search window shows
    RecordingEditView view;
};

TEST_F(ServiceTest, ClockValues_WeekStartsOnMondayAndSundayIsSeven) {
    // 7 December 2025 was a Sunday, 8 December a Monday.
    EXPECT_EQ(ClockValues(EncodeDateTime(2025, 12, 7, 13, 45, 59)),
              (std::array<int, 7>{59, 45, 13, 7, 7, 12, 25}));
    EXPECT_EQ(ClockValues(EncodeDateTime(2025, 12, 8, 0, 0, 0))[3], 1);
    EXPECT_EQ(ClockValues(EncodeDateTime(2051, 3, 4, 1, 2, 3))[6], 51);
    EXPECT_EQ(ClockValues(EncodeDateTime(2000, 1, 1, 23, 59, 59)),
              (std::array<int, 7>{59, 59, 23, 6, 1, 1, 0}));
}

TEST_F(ServiceTest, SyncDeviceTime_ModbusWritesSevenClockRegistersOfTheSelectedDevice) {
    clock.SetStartDay(EncodeDateTime(2025, 12, 7, 10, 0, 0));
    ASSERT_TRUE(SyncDeviceTime(bus, store, ExchangeProtocol::Modbus, clock, op));
    const auto writes = bus.Of(16, 48);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].Address, 9);
    EXPECT_EQ(writes[0].Values, (std::vector<uint16_t>{1, 0, 10, 7, 7, 12, 25}));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].Kind, "info");
    EXPECT_EQ(op.messages[0].Text, "Синхронизация времени успешно выполнена");

    bus.Dev(3, 9).Silent = true;
    EXPECT_FALSE(SyncDeviceTime(bus, store, ExchangeProtocol::Modbus, clock, op));
    EXPECT_EQ(op.messages.back().Kind, "error");
    EXPECT_EQ(op.messages.back().Text, "status 52");
}

TEST_F(ServiceTest, SyncDeviceTime_CommandProtocolSendsCode70) {
    bus.HexarOn[3] = FakeHexar::Hexar100(1, 1, 1, {1});
    clock.SetStartDay(EncodeDateTime(2051, 6, 4, 8, 30, 15));  // a Sunday
    ASSERT_TRUE(SyncDeviceTime(bus, store, ExchangeProtocol::Command, clock, op));
    ASSERT_EQ(bus.Log.size(), 1u);
    EXPECT_EQ(bus.Log[0].Code, 70);
    EXPECT_EQ(bus.Log[0].Values, (std::vector<uint16_t>{16, 30, 8, 7, 4, 6, 51}));
}

TEST_F(ServiceTest, SwitchDeviceOff_ClosesThePortOnlyForTheOnlyDevice) {
    int stops = 0, rules = 0;
    store.DevSig(1).Caps = 0x01FF;
    SwitchDeviceOff(bus, store, [&] { ++stops; }, [&] { ++rules; });
    EXPECT_EQ(store.DevSig(1).Caps, 0);
    EXPECT_EQ(store.DeviceCount(), 0);
    EXPECT_EQ(store.Devices(), 3u);
    EXPECT_TRUE(bus.Connected());
    EXPECT_EQ(bus.Log.back().Code, 73);
    EXPECT_EQ(bus.Log.back().Values, (std::vector<uint16_t>{3}));
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(rules, 1);

    store.CountDevice();  // found again
    store.Select(0, 0);
    SwitchDeviceOff(bus, store, nullptr, nullptr);
    EXPECT_FALSE(bus.Connected());
    EXPECT_EQ(store.DeviceCount(), 0);
}

TEST_F(ServiceTest, Comment_PaddedToThirtyTwoWindows1251Characters) {
    DeviceEdit e = ShowDeviceEdit(store, EditMode::Comment, "old", 3);
    EXPECT_EQ(e.OldAddress, 9);
    EXPECT_EQ(e.Comment, "old");
    // The grid's padded comment reaches the editor without the padding, inner spaces kept.
    EXPECT_EQ(ShowDeviceEdit(store, EditMode::Comment, " Силос 2" + std::string(24, ' '), 3).Comment,
              " Силос 2");
    EXPECT_EQ(ShowDeviceEdit(store, EditMode::Comment, std::string(32, ' '), 3).Comment, "");
    e.Comment = "Силос";
    ASSERT_TRUE(Apply(e));
    const auto writes = bus.Of(16, 16);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].Address, 9);
    ASSERT_EQ(writes[0].Values.size(), 16u);
    EXPECT_EQ(writes[0].Values[0], 0xD1E8);  // "Си"
    EXPECT_EQ(writes[0].Values[1], 0xEBEE);  // "ло"
    EXPECT_EQ(writes[0].Values[2], 0xF120);  // "с "
    for (int i = 3; i < 16; ++i) EXPECT_EQ(writes[0].Values[i], 0x2020);
    const std::string shown = "Силос" + std::string(27, ' ');
    EXPECT_EQ(view.Comment, shown);
    EXPECT_TRUE(log.Has(" > Комментарии к 9 изменены на: " + shown));
    EXPECT_EQ(store.DevSig(1).Comment, "");

    // A longer text is cut to 32 characters; a failure keeps the editor open.
    EXPECT_EQ(PaddedComment(std::string(40, 'x')).size(), 32u);
    bus.Dev(3, 9).RejectWrites = true;
    EXPECT_FALSE(Apply(e));
    EXPECT_EQ(op.messages.back().Text, "status 98");
}

TEST_F(ServiceTest, Address_TakenByAnotherDeviceIsRefusedAndOwnAddressIsSent) {
    DeviceEdit e = ShowDeviceEdit(store, EditMode::Address, "", 3);
    e.NewAddress = 12;
    EXPECT_FALSE(Apply(e));
    EXPECT_EQ(op.messages.back().Kind, "error");
    EXPECT_EQ(op.messages.back().Text, "Адрес уже занят!");
    EXPECT_TRUE(bus.Log.empty());

    e.NewAddress = 9;
    EXPECT_TRUE(Apply(e));
    ASSERT_EQ(bus.Of(16, 32).size(), 1u);

    e.NewAddress = 20;
    EXPECT_TRUE(Apply(e));
    EXPECT_EQ(bus.Of(16, 32).back().Address, 9);
    EXPECT_EQ(bus.Of(16, 32).back().Values, (std::vector<uint16_t>{20}));
    EXPECT_EQ(store.DevSig(1).Address, 20);
    EXPECT_EQ(view.Address, 20);
    EXPECT_TRUE(log.Has(" > Адрес 9 изменен на 20"));
}

TEST_F(ServiceTest, Speed_EveryDeviceThreeAttemptsThenTheProgramsOwnSpeed) {
    bus.Dev(3, 9).Silent = true;
    DeviceEdit e = ShowDeviceEdit(store, EditMode::Speed, "", 3);
    e.SpeedItem = 6;
    ASSERT_TRUE(Apply(e));
    const auto writes = bus.Of(16, 34);
    ASSERT_EQ(writes.size(), 5u);
    for (const auto& w : writes) EXPECT_EQ(w.Values, (std::vector<uint16_t>{11}));
    EXPECT_EQ(log.Lines, (std::vector<std::string>{
                             " > Скорость обмена по адресу 4 изменена на 115200 bit/s",
                             " > Сбой при изменении скорости обмена по адресу 9",
                             " > Скорость обмена по адресу 12 изменена на 115200 bit/s"}));
    EXPECT_EQ(clock.SleptMs(), 3 * 32);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(view.BaudItem, 6);
    EXPECT_EQ(settings.BaudRate, 115200);
    EXPECT_EQ(bus.Baud, 115200);
}

TEST(LinkTestTest, CountsOverallAndOverTheLastTen) {
    LinkTest t;
    t.Reset(100.0);
    EXPECT_EQ(t.QualityText(), "0.000");
    for (int i = 0; i < 19; ++i) t.Record(true);
    t.Record(false);
    EXPECT_EQ(t.Answered(), 19);
    EXPECT_EQ(t.Missed(), 1);
    EXPECT_EQ(t.QualityText(), "0.950");
    EXPECT_EQ(t.QualityText(','), "0,950");
    EXPECT_DOUBLE_EQ(t.RecentShare(), 0.9);
    for (int i = 0; i < 10; ++i) t.Record(i < 3);
    EXPECT_DOUBLE_EQ(t.RecentShare(), 0.3);
    EXPECT_EQ(t.ElapsedText(100.0 + 3725 * OneSecond), "01:02:05");
}

TEST(LinkTestTest, AxisFollowsOnceNowReachesItsEnd) {
    LinkTest t;
    t.Reset(10.0);
    EXPECT_DOUBLE_EQ(t.AxisEnd(), 10.0 + 60 * OneSecond);
    EXPECT_FALSE(t.FollowAxis(10.0 + 59 * OneSecond));
    const DateTime now = 10.0 + 61 * OneSecond;
    EXPECT_TRUE(t.FollowAxis(now));
    EXPECT_DOUBLE_EQ(t.AxisStart(), now - 50 * OneSecond);
    EXPECT_DOUBLE_EQ(t.AxisEnd(), now + 10 * OneSecond);
}

TEST_F(ServiceTest, LinkTest_ProbesWithTheEchoOrCommandOneAndOpensTheDefaultPort) {
    LinkTest t;
    t.Reset(clock.Now());
    EXPECT_TRUE(t.Tick(bus, ExchangeProtocol::Modbus, 4));
    EXPECT_FALSE(t.Tick(bus, ExchangeProtocol::Modbus, 5));
    EXPECT_EQ(bus.Of(8, 0).size(), 2u);
    EXPECT_EQ(bus.Of(8, 0)[1].Address, 5);
    EXPECT_FALSE(t.Tick(bus, ExchangeProtocol::Command, 4));
    EXPECT_EQ(bus.Log.back().Code, 1);
    EXPECT_EQ(t.Missed(), 2);
    EXPECT_TRUE(op.messages.empty());

    bus.Disconnect();
    int stops = 0;
    shown.PortDefault = 6;
    settings.PortDefault = 6;
    EXPECT_FALSE(OpenLinkTestPort(bus, shown, settings, op, [&] { ++stops; }));
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(op.messages.back().Text, "Порт \\\\.\\Com6 недоступен");
    settings.PortDefault = 3;
    shown.Protocol = ExchangeProtocol::Modbus;
    EXPECT_TRUE(OpenLinkTestPort(bus, shown, settings, op, nullptr));
    EXPECT_EQ(bus.PortName(), "\\\\.\\Com3");
    EXPECT_TRUE(bus.Dtr);
    EXPECT_EQ(bus.StopBits, 2);
}

}  // namespace
}  // namespace drumo::test
