// The device search against a scripted bus: what lands in the store, the grid, the log and the
// status texts, for both protocols, with faults, port scanning and the operator's stop.

#include "acquisition/Discovery.h"
#include "station/SearchSettingsFile.h"
#include "model/DeviceTypes.h"
#include "support/FakeBus.h"
#include "support/RecordingEvents.h"

#include <gtest/gtest.h>

#include <map>

namespace drumo::test {
namespace {

struct RecordingSearchView : SearchView {
    std::vector<std::string> Statuses, Ports, Addresses;
    std::map<std::pair<int, int>, std::string> Cells;
    std::vector<bool> Checks;
    int DefaultPort = -1;
    bool Busy = false;

    void SearchStatus(const std::string& t) override { Statuses.push_back(t); }
    void PortLabel(const std::string& t) override { Ports.push_back(t); }
    void AddressLabel(const std::string& t) override { Addresses.push_back(t); }
    void BusyCursor(bool on) override { Busy = on; }
    void DefaultPortChosen(int port) override { DefaultPort = port; }
    void AddRow(bool enabled) override { Checks.push_back(enabled); }
    void SetRowCheckEnabled(int row, bool enabled) override { Checks.at(row - 1) = enabled; }
    void SetCell(int row, int column, const std::string& text) override { Cells[{row, column}] = text; }
    std::string Cell(int row, int column) const {
        auto it = Cells.find({row, column});
        return it == Cells.end() ? "" : it->second;
    }
};

FakeCable Cable(int16_t serial, uint8_t kind, int sensors) {
    FakeCable c{serial, kind, {}, {}};
    for (int s = 0; s < sensors; ++s) {
        c.Labels.push_back(static_cast<int16_t>(50 * (s + 1)));
        c.Temps.push_back(static_cast<int16_t>(2000 + s));
    }
    return c;
}

class SearchTest : public ::testing::Test {
protected:
    SearchTest() {
        bus.ExistingPorts = {1, 2, 3, 4, 5, 6, 7};
        wanted.Protocol = ExchangeProtocol::Modbus;
        wanted.PortDefault = 3;
        wanted.FindBeginAddr = 1;
        wanted.FindFinishAddr = 10;
    }
    bool Run() { return search.RunSearch(wanted); }
    int EchoesSent() const { return static_cast<int>(bus.Of(8, 0).size()); }

    FakeClock clock;
    FakeBus bus{&clock};
    ScriptedOperator op;
    RecordingLog log;
    CountingPump pump;
    MeasurementStore store{op, log};
    SearchSettings settings;
    SearchSettings wanted;  // what the search is started with
    RecordingSearchView view;
    RecordingEvents events{store.Events()};
    DeviceSearch search{bus, store, settings, op, log, pump, clock, &view};
};

TEST_F(SearchTest, Modbus_BuildsStoreGridAndTextsFromThreeControllers) {
    bus.Dev(3, 1) = FakeModbusDevice::Dorma(103, 42, {Cable(1201, 1, 4)});
    bus.Dev(3, 5) = FakeModbusDevice::Dorma(105, 7, {Cable(-3, 2, 3), Cable(77, 3, 0)});
    bus.Dev(3, 9) = FakeModbusDevice::Dorma(107, 65535, {Cable(0, 4, 2), Cable(8, 1, 5)});
    bus.Dev(3, 1).Model->SetComment("Ab\xC4 " + std::string(28, '\0'));  // "Д" in Windows-1251

    ASSERT_TRUE(Run());

    EXPECT_EQ(store.DeviceCount(), 3);
    EXPECT_EQ(store.CableCount(), 5);
    EXPECT_EQ(store.SensorCount(), 4u + 3 + 0 + 2 + 5);
    ASSERT_EQ(store.Devices(), 3u);
    const TDevSig& first = store.DevSig(0);
    EXPECT_EQ(first.TypeName, "Dorma-1/100");
    EXPECT_EQ(first.Address, 1);
    EXPECT_EQ(first.Serial, 42);
    EXPECT_EQ(first.Firmware, "2.3");
    EXPECT_EQ(first.Comment, "AbД ");
    EXPECT_DOUBLE_EQ(first.AuxValue, -1.5);
    EXPECT_EQ(first.Source, "\\\\.\\Com3");
    EXPECT_EQ(first.Caps, 0x006E);
    // One cable: described by registers 9..11, no cable table read.
    EXPECT_EQ(store.CableSerials(0)[0], 1201);
    EXPECT_EQ(store.CableKinds(0)[0], 1);
    ASSERT_EQ(store.Sensors(0, 0), 4u);
    EXPECT_EQ(store.SensorLabels(0, 0)[3], 200);
    for (const auto& t : bus.Of(3, 128)) EXPECT_NE(t.Address, 1);
    // Two cables, the second empty: switched to the first only, labels read once.
    int switchesTo5 = 0;
    for (const auto& t : bus.Of(16, 47)) switchesTo5 += t.Address == 5;
    EXPECT_EQ(switchesTo5, 1);
    EXPECT_EQ(store.Sensors(1, 1), 0u);
    EXPECT_EQ(store.CableKinds(1)[1], 3);
    // A cable without serial number gets kind 0 whatever the device says.
    EXPECT_EQ(store.CableKinds(2)[0], 0);

    // Grid: one row per cable, the further cables marked "—>".
    ASSERT_EQ(view.Checks.size(), 5u);
    EXPECT_EQ(view.Checks, (std::vector<bool>{true, true, false, true, true}));
    EXPECT_EQ(view.Cell(1, 0), "1");
    EXPECT_EQ(view.Cell(1, 1), "Dorma-1/100");
    EXPECT_EQ(view.Cell(1, 2), "00042");
    EXPECT_EQ(view.Cell(1, 3), "1201");
    EXPECT_EQ(view.Cell(1, 4), "4");
    EXPECT_EQ(view.Cell(1, 6), "\\\\.\\Com3");
    EXPECT_EQ(view.Cell(2, 3), "-3");
    EXPECT_EQ(view.Cell(3, 1), "—>");
    EXPECT_EQ(view.Cell(3, 4), "0");
    EXPECT_EQ(view.Cell(4, 2), "65535");
    EXPECT_EQ(view.Cell(4, 3), "[ --- ]");

    const std::string counts = "Приборов 3. Термокос 5. Датчиков 14";
    EXPECT_EQ(view.Statuses.front(), "Поиск приборов...");
    EXPECT_EQ(view.Statuses.back(), "Поиск завершен. " + counts);
    EXPECT_TRUE(log.Has(" > Поиск завершен. " + counts));
    EXPECT_TRUE(log.Has(" > Запуск сканирования"));
    EXPECT_EQ(events.Seen.back(), "found 3 modbus: \\\\.\\Com3: " + counts);
    EXPECT_EQ(view.Ports, (std::vector<std::string>{"Порт: 3"}));
    EXPECT_EQ(view.Addresses.back(), "Адрес:");
    EXPECT_FALSE(view.Busy);
    EXPECT_EQ(EchoesSent(), 10);
    EXPECT_EQ(pump.Calls, 10);
    // The port stays open with the Modbus line settings.
    EXPECT_TRUE(bus.Connected());
    EXPECT_EQ(bus.StopBits, 2);
    EXPECT_TRUE(bus.Rts);
    EXPECT_TRUE(bus.Dtr);
    EXPECT_GE(bus.Paused, 1);
}

TEST_F(SearchTest, Modbus_AddressRange) {
    bus.Dev(3, 5) = FakeModbusDevice::Dorma(103, 1, {Cable(1, 1, 2)});
    wanted.FindBeginAddr = wanted.FindFinishAddr = 5;
    EXPECT_TRUE(Run());
    ASSERT_EQ(EchoesSent(), 1);
    EXPECT_EQ(bus.Of(8, 0)[0].Address, 5);

    // A reversed range is logged and no address is tried.
    wanted.FindBeginAddr = 9;
    wanted.FindFinishAddr = 2;
    bus.Log.clear();
    EXPECT_FALSE(Run());
    EXPECT_TRUE(log.Has(" > Значения адресов заданы неверно "));
    EXPECT_EQ(EchoesSent(), 0);
    EXPECT_FALSE(bus.Connected());
}

TEST_F(SearchTest, Modbus_PassesOverSilentAndUnknownDevicesWithoutMessages) {
    bus.Dev(3, 2) = FakeModbusDevice::Dorma(102, 1, {Cable(1, 1, 2)});  // code not in the catalogue
    bus.Dev(3, 4) = FakeModbusDevice::Dorma(103, 1, {Cable(1, 1, 2)});
    bus.Dev(3, 4).Silent = true;
    EXPECT_FALSE(Run());
    EXPECT_EQ(store.DeviceCount(), 0);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_TRUE(events.Seen.empty() || events.Seen.back().rfind("found", 0) != 0);  // nothing found
    EXPECT_EQ(view.Statuses.back(), "Поиск завершен. Приборов 0. Термокос 0. Датчиков 0");
    EXPECT_FALSE(bus.Connected());
}

TEST_F(SearchTest, Modbus_FaultBitsAreLoggedOneLinePerBit) {
    bus.Dev(3, 3) = FakeModbusDevice::Dorma(103, 1, {Cable(1, 1, 2)});
    bus.Dev(3, 3).Model->FaultBits = 0xFF00 | 0x89;
    wanted.FindFinishAddr = 3;
    Run();
    const std::string arrow = std::string(30, ' ') + "->";
    EXPECT_TRUE(log.Has(" > Сообщение о внутренних сбоях по адресу 3: \r\n" + arrow +
                        "перегрузка по линии питания термокос\r\n" + arrow +
                        "контроллер находился в режиме поиска термокос. Повторите сканирование!\r\n" +
                        arrow + "сбой AT24C512B\r\n"));
}

TEST_F(SearchTest, Modbus_CableTableAndLabelReadsAreRetriedThreeTimes) {
    bus.Dev(3, 1) = FakeModbusDevice::Dorma(105, 1, {Cable(11, 1, 3), Cable(12, 1, 4)});
    bus.Dev(3, 1).FailCableTable = 2;
    bus.Dev(3, 1).FailLabels = 3;  // the first cable's labels never come
    bus.Dev(3, 2) = FakeModbusDevice::Dorma(105, 2, {Cable(21, 1, 3), Cable(22, 1, 4)});
    bus.Dev(3, 2).FailCableTable = 3;
    wanted.FindFinishAddr = 2;
    Run();

    EXPECT_EQ(log.CountOf(" > Сбой при чтении номеров термокос с 1"), 2);
    EXPECT_EQ(log.CountOf(" > Сбой при чтении расстояний до датчиков по адресу 1"), 3);
    EXPECT_EQ(log.CountOf(" > Сбой при чтении номеров термокос с 2"), 3);
    EXPECT_EQ(clock.SleptMs(), 8 * 32);
    // First device: two cables, the first without labels keeps no sensors, its line disabled.
    EXPECT_EQ(store.Cables(0), 2u);
    EXPECT_EQ(store.Sensors(0, 0), 0u);
    EXPECT_EQ(store.Sensors(0, 1), 4u);
    // Second device: stays, without cables.
    EXPECT_EQ(store.DeviceCount(), 2);
    EXPECT_EQ(store.Cables(1), 0u);
    EXPECT_EQ(view.Checks, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(store.SensorCount(), 7u);
}

TEST_F(SearchTest, Modbus_ShortLabelReadShrinksTheCableButNotTheAnnouncedCount) {
    bus.Dev(3, 1) = FakeModbusDevice::Dorma(103, 1, {Cable(5, 1, 6)});
    bus.Dev(3, 1).ShortLabels = 4;
    wanted.FindFinishAddr = 1;
    Run();
    EXPECT_EQ(store.Sensors(0, 0), 4u);
    EXPECT_EQ(store.SensorCount(), 6u);
    EXPECT_EQ(view.Cell(1, 4), "6");
}

TEST_F(SearchTest, Modbus_FailedCableSwitchSkipsThatCable) {
    bus.Dev(3, 1) = FakeModbusDevice::Dorma(105, 1, {Cable(5, 1, 2), Cable(6, 1, 3)});
    bus.Dev(3, 1).FailSwitch = 3;
    wanted.FindFinishAddr = 1;
    Run();
    EXPECT_EQ(log.CountOf(" > Сбой при смене активной термокосы для 1"), 3);
    EXPECT_EQ(store.Sensors(0, 0), 0u);
    EXPECT_EQ(store.Sensors(0, 1), 3u);
}

TEST_F(SearchTest, AllPorts_TriesDefaultFirstThenTheOthersAndAsksOnce) {
    bus.Dev(7, 1) = FakeModbusDevice::Dorma(103, 1, {Cable(5, 1, 2)});
    wanted.AutoPortEnabled = true;
    wanted.FindFinishAddr = 1;
    op.Answer(true);
    ASSERT_TRUE(Run());
    EXPECT_EQ(bus.Opened, (std::vector<std::string>{"\\\\.\\Com3", "\\\\.\\Com1", "\\\\.\\Com2",
                                                    "\\\\.\\Com4", "\\\\.\\Com5", "\\\\.\\Com6",
                                                    "\\\\.\\Com7"}));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].Text,
              "Прибор обнаружен.\r\nНазначить порт \\\\.\\Com7 используемым по умолчанию?");
    EXPECT_EQ(settings.PortDefault, 7);
    EXPECT_EQ(view.DefaultPort, 7);
    EXPECT_EQ(store.DevSig(0).Source, "\\\\.\\Com7");
    EXPECT_TRUE(bus.Connected());
}

TEST_F(SearchTest, AllPorts_NoKeepsTheDefaultPort) {
    bus.Dev(2, 1) = FakeModbusDevice::Dorma(103, 1, {Cable(5, 1, 2)});
    wanted.AutoPortEnabled = true;
    wanted.FindFinishAddr = 1;
    op.Answer(false);
    ASSERT_TRUE(Run());
    EXPECT_EQ(settings.PortDefault, 3);
    EXPECT_EQ(view.DefaultPort, -1);
}

TEST_F(SearchTest, Stop_DuringAddressScanEndsWithEmptyStoreAndClosedPort) {
    bus.Dev(3, 1) = FakeModbusDevice::Dorma(103, 1, {Cable(5, 1, 2)});
    pump.At = 3;
    pump.Action = [&] {
        EXPECT_FALSE(search.RunSearch(wanted));  // ignored while the search runs
        search.Stop();
    };
    EXPECT_FALSE(Run());
    EXPECT_EQ(EchoesSent(), 2);
    EXPECT_EQ(view.Statuses.back(), "Поиск прерван оператором");
    EXPECT_TRUE(log.Has(" > Поиск прерван оператором"));
    EXPECT_EQ(store.Devices(), 0u);
    EXPECT_EQ(store.DeviceCount(), 0);
    EXPECT_FALSE(bus.Connected());
    EXPECT_FALSE(search.Searching());
}

TEST_F(SearchTest, DeclinedQuestionLeavesTheStoreAndDoesNotSearch) {
    store.SetDeviceCount(1);
    store.SetCableCount(0, 1);
    store.SetSensorCount(0, 0, 1);
    const Temperature v[] = {100};
    store.AppendSample(0, 0, 1.0, v);
    store.CountDevice();
    op.Answer(false);
    EXPECT_FALSE(Run());
    EXPECT_EQ(store.Devices(), 1u);
    EXPECT_TRUE(bus.Log.empty());
}

class CommandSearchTest : public SearchTest {
protected:
    CommandSearchTest() { wanted.Protocol = ExchangeProtocol::Command; }
};

TEST_F(CommandSearchTest, FindsTheControllerReadsItsConfigurationAndStopsItsStream) {
    bus.HexarOn[3] = FakeHexar::Hexar100(1234, 0x1234, 1, {1, 2, 3, 250});
    ASSERT_TRUE(Run());
    ASSERT_EQ(store.Devices(), 1u);
    const TDevSig& dev = store.DevSig(0);
    EXPECT_EQ(dev.TypeName, "Hexar-1/100");
    EXPECT_EQ(dev.Address, 255);
    EXPECT_EQ(dev.Serial, 1234);
    EXPECT_EQ(dev.Year, 2019);
    EXPECT_EQ(dev.MaxSensors, 100);
    EXPECT_EQ(dev.Firmware, "2.3");
    EXPECT_EQ(dev.Sensors, 4);
    EXPECT_EQ(dev.Cables, 1);
    EXPECT_EQ(store.CableSerials(0)[0], 0x1234);
    EXPECT_EQ(store.CableKinds(0)[0], 1);
    ASSERT_EQ(store.Sensors(0, 0), 4u);
    EXPECT_EQ(store.SensorLabels(0, 0)[0], 10);   // kind 1: label bytes are tenths of a metre
    EXPECT_EQ(store.SensorLabels(0, 0)[3], 2500);
    EXPECT_EQ(store.SensorCount(), 4u);
    EXPECT_EQ(store.CableCount(), 1);
    EXPECT_EQ(view.Cell(1, 1), "Hexar-1/100");
    EXPECT_EQ(view.Cell(1, 2), "01234");
    EXPECT_EQ(view.Cell(1, 3), "4660");
    EXPECT_EQ(view.Cell(1, 4), "4");
    EXPECT_EQ(view.Checks, (std::vector<bool>{true}));
    EXPECT_EQ(events.Seen.back().rfind("found 1: ", 0), 0u);  // not a Modbus search
    // Commands 1, 40, then the stop-stream mode command with data 0.
    ASSERT_EQ(bus.Log.size(), 3u);
    EXPECT_EQ(bus.Log[2].Code, 73);
    EXPECT_EQ(bus.Log[2].Values, (std::vector<uint16_t>{0}));
    EXPECT_EQ(bus.StopBits, 1);
    EXPECT_FALSE(bus.Dtr);
}

TEST_F(CommandSearchTest, OtherKindsMultiplyLabelsByHundredAndSerialZeroMeansKindZero) {
    bus.HexarOn[3] = FakeHexar::Hexar100(1, 0, 3, {1, 2});
    Run();
    EXPECT_EQ(store.CableKinds(0)[0], 0);
    EXPECT_EQ(store.SensorLabels(0, 0)[1], 200);
    EXPECT_EQ(view.Cell(1, 3), "[ --- ]");
}

TEST_F(CommandSearchTest, UnknownDeviceWarnsAndTheSearchGoesOnWithTheNextPort) {
    bus.HexarOn[3] = FakeHexar::Hexar100(1, 1, 1, {1});
    bus.HexarOn[3].Ident[0] = 99;
    bus.HexarOn[5] = FakeHexar::Hexar100(5, 1, 1, {1, 2});
    wanted.AutoPortEnabled = true;
    op.Answer(false);
    ASSERT_TRUE(Run());
    ASSERT_EQ(op.messages.size(), 2u);
    EXPECT_EQ(op.messages[0].Kind, "warning");
    EXPECT_EQ(op.messages[0].Text, "Обнаружено неизвестное устройство.\r\nПоиск прерван");
    EXPECT_EQ(store.DevSig(0).Serial, 5);
}

TEST_F(CommandSearchTest, NoSensorsMeansNoCablesAndADisabledLine) {
    bus.HexarOn[3] = FakeHexar::Hexar100(1, 1, 1, {});
    Run();
    EXPECT_EQ(store.DevSig(0).Cables, 0);
    EXPECT_EQ(store.Cables(0), 0u);
    EXPECT_EQ(view.Checks, (std::vector<bool>{false}));
    EXPECT_EQ(view.Statuses.back(), "Поиск завершен. Приборов 1. Термокос 0. Датчиков 0");
}

TEST_F(CommandSearchTest, FailedConfigurationReadShowsTheStatusAndKeepsTheIdentification) {
    bus.HexarOn[3] = FakeHexar::Hexar100(1, 1, 1, {1, 2, 3});
    bus.HexarOn[3].FailConfig = 1;
    ASSERT_TRUE(Run());
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].Kind, "error");
    EXPECT_EQ(op.messages[0].Text, "status 16");
    EXPECT_EQ(store.DevSig(0).Sensors, 3);
    EXPECT_EQ(store.DevSig(0).Cables, 1);
    EXPECT_EQ(store.SensorCount(), 3u);
    // No stop-stream command after a failed configuration read.
    EXPECT_EQ(bus.Log.back().Code, 40);
}

TEST_F(CommandSearchTest, AReplyTooShortForSerialAndKindDescribesNoSensor) {
    bus.HexarOn[3] = FakeHexar::Hexar100(1, 1, 1, {1, 2});
    bus.HexarOn[3].Config = {0x12};
    Run();
    EXPECT_EQ(store.DevSig(0).Sensors, 0);
    EXPECT_EQ(store.Cables(0), 0u);
    EXPECT_EQ(store.SensorCount(), 0u);
}

TEST(SearchSettingsFile, FileValuesReachTheLineAndComeBackUnchanged) {
    FindSettings file;
    file.Protocol = 1;
    file.BaudRate = 57600;
    file.PortDefault = 7;
    file.FindBeginAddr = 2;
    file.FindFinishAddr = 9;
    file.AutoPortEnabled = false;
    file.AdditionalDelay = 400;
    file.TestModbusAddr = 12;
    SearchSettings inUse;
    FakeBus bus;
    ApplySearchSettings(SettingsFromControls(ControlsFromSettings(SearchSettingsFromFile(file))), inUse, bus);
    EXPECT_EQ(inUse.Protocol, ExchangeProtocol::Modbus);
    EXPECT_EQ(bus.Baud, 57600);
    EXPECT_EQ(bus.StopBits, 2);
    EXPECT_EQ(bus.Delay, 400);

    FindSettings back;
    back.AutoFindEnabled = false;  // not a search setting: left as it is
    SearchSettingsToFile(SearchSettingsFromFile(file), back);
    EXPECT_EQ(back.Protocol, 1);
    EXPECT_EQ(back.BaudRate, 57600);
    EXPECT_EQ(back.PortDefault, 7);
    EXPECT_EQ(back.FindBeginAddr, 2);
    EXPECT_EQ(back.FindFinishAddr, 9);
    EXPECT_FALSE(back.AutoPortEnabled);
    EXPECT_EQ(back.AdditionalDelay, 400);
    EXPECT_EQ(back.TestModbusAddr, 12);
    EXPECT_FALSE(back.AutoFindEnabled);
}

// Whoever starts a search (the window, drumo-cli), the line gets the values the search window can
// show: a baud rate from its list and one of its four reply time-outs.
TEST(SearchSettingsFile, SettingsInUseTakeOnlyTheValuesTheWindowCanShow) {
    struct Row {
        int baud, delay, wantBaud, wantDelay;
    };
    for (const Row& r : {Row{57600, 400, 57600, 400}, Row{14400, 300, 19200, 100},
                         Row{115200, 1000, 115200, 100}, Row{2400, 20, 2400, 100},
                         Row{9600, 800, 9600, 800}}) {
        SearchSettings wanted;
        wanted.Protocol = ExchangeProtocol::Command;
        wanted.BaudRate = r.baud;
        wanted.AdditionalDelay = r.delay;
        wanted.TestModbusAddr = 9;
        SearchSettings inUse;
        FakeBus bus;
        ApplySearchSettings(wanted, inUse, bus);
        EXPECT_EQ(inUse.BaudRate, r.wantBaud) << r.baud;
        EXPECT_EQ(bus.Baud, r.wantBaud) << r.baud;
        EXPECT_EQ(inUse.AdditionalDelay, r.wantDelay) << r.delay;
        EXPECT_EQ(bus.Delay, r.wantDelay) << r.delay;
        EXPECT_EQ(bus.StopBits, 1);
        EXPECT_EQ(inUse.TestModbusAddr, 9);
        EXPECT_EQ(SettingsFromControls(ControlsFromSettings(inUse)).AdditionalDelay, r.wantDelay);
    }
}

}  // namespace
}  // namespace drumo::test
