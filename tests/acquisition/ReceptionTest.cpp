// Data reception against a scripted bus: the polling pass with its faults and alarms, passes that
// must not overlap, starting and stopping, the stream of the maker's protocol and the second tick.

#include "acquisition/Reception.h"
#include "support/FakeBus.h"
#include "support/RecordingEvents.h"
#include "support/StoreFill.h"

#include <gtest/gtest.h>

namespace drumo::test {
namespace {

struct RecordingReceptionView : ReceptionView {
    std::vector<std::string> Countdowns;
    std::vector<bool> Lamp;
    int Progress = -1, ProgressMax = -1;

    void RequestProgress(int p, int m) override {
        Progress = p;
        ProgressMax = m;
    }
    void RequestCountdown(const std::string& t) override { Countdowns.push_back(t); }
    void ReceptionLamp(bool lit) override { Lamp.push_back(lit); }
};

struct CountingAutoSave : AutoSaveHooks {
    int Starts = 0, Stops = 0, Ends = 0, Ticks = 0;
    void Start() override { ++Starts; }
    void Stop() override { ++Stops; }
    void EndOfPass() override { ++Ends; }
    void DisplayTick() override { ++Ticks; }
};

class ReceptionTest : public ::testing::Test {
protected:
    ReceptionTest() {
        bus.ExistingPorts = {3};
        bus.SetPortName("\\\\.\\Com3");
        settings.Protocol = ExchangeProtocol::Modbus;
        reception.SetAutoSave(&autoSave);
    }

    // A found device with the given sensors per cable, on the bus and in the store.
    void AddDevice(uint8_t address, std::vector<std::vector<int16_t>> cables) {
        std::vector<FakeCable> fake;
        DeviceSpec device;
        device.Address = address;
        for (size_t c = 0; c < cables.size(); ++c) {
            FakeCable fc{static_cast<int16_t>(c + 1), 1, {}, cables[c]};
            fc.Labels.resize(cables[c].size());
            fake.push_back(fc);
            device.Cables.push_back({0, 0, fc.Labels, {}});
        }
        bus.Dev(3, address) = FakeModbusDevice::Dorma(105, address, fake);
        test::AddDevice(store, device);
    }

    std::vector<Temperature> Values(size_t d, size_t c, size_t k) const {
        std::vector<Temperature> v;
        for (size_t s = 0; s < store.Sensors(d, c); ++s) v.push_back(store.Samples(d, c, s)[k]);
        return v;
    }

    FakeClock clock;
    FakeBus bus{&clock};
    ScriptedOperator op;
    RecordingLog log;
    CountingPump pump;
    MeasurementStore store{op, log};
    SearchSettings settings;
    RecordingReceptionView view;
    RecordingEvents events{store.Events()};
    CountingAutoSave autoSave;
    Reception reception{bus, store, settings, op, log, pump, clock, &view};
};

TEST_F(ReceptionTest, Pass_ReadsEveryCableWithSensorsAndSwitchesOnlyMultiCableDevices) {
    AddDevice(1, {{2000, 2010, 2020}});
    AddDevice(2, {{1500, NoValue}, {}});
    ASSERT_TRUE(bus.Connect());
    store.Select(1, 0);
    events.Seen.clear();

    reception.PollingPass();

    // Device 1 has one cable: no switch. Device 2: switched to its first cable only.
    const auto switches = bus.Of(16, 47);
    ASSERT_EQ(switches.size(), 1u);
    EXPECT_EQ(switches[0].Address, 2);
    EXPECT_EQ(switches[0].Values, (std::vector<uint16_t>{0}));
    EXPECT_EQ(bus.Of(3, 512).size(), 2u);

    EXPECT_EQ(Values(0, 0, 0), (std::vector<Temperature>{2000, 2010, 2020}));
    EXPECT_EQ(Values(1, 0, 0), (std::vector<Temperature>{1500, NoValue}));
    EXPECT_EQ(store.SampleTimes(0, 0)[0], store.SampleTimes(1, 0)[0]);
    EXPECT_EQ(store.ValidValues(), 4u);
    EXPECT_EQ(store.SelSamples(), 1u);
    EXPECT_EQ(events.Seen, (std::vector<std::string>{"sample 0/0 #0", "sample 1/0 #0 shown", "packet 10"}));
    EXPECT_TRUE(log.Has(" > Получен пакет данных 10 байт. •4"));
    EXPECT_EQ(view.Lamp, (std::vector<bool>{true, false}));
    EXPECT_EQ(pump.Calls, 2);
    EXPECT_EQ(autoSave.Ends, 1);
    EXPECT_FALSE(reception.PassRunning());
    EXPECT_DOUBLE_EQ(reception.NextRequestTime(), clock.Now() + 20 * OneSecond);
}

TEST_F(ReceptionTest, Pass_FailedReadsAndMismatchesCostOnlyTheirCable) {
    AddDevice(1, {{2000, 2010, 2020}});
    AddDevice(2, {{1000, 1001}});
    AddDevice(3, {{3000}, {3100}});
    bus.Dev(3, 1).ShortTemps = 2;
    bus.Dev(3, 2).Silent = true;
    bus.Dev(3, 3).FailSwitch = 1;
    ASSERT_TRUE(bus.Connect());

    reception.PollingPass();

    EXPECT_TRUE(log.Has(" > Количество датчиков по адресу 1 не совпадает. Повторите сканирование"));
    EXPECT_TRUE(log.Has(" > Сбой при чтении по адресу 2"));
    EXPECT_TRUE(log.Has(" > Сбой при смене активной термокосы для 3"));
    EXPECT_EQ(store.SampleCount(0, 0), 0u);
    EXPECT_EQ(store.SampleCount(1, 0), 0u);
    EXPECT_EQ(store.SampleCount(2, 0), 0u);
    ASSERT_EQ(store.SampleCount(2, 1), 1u);
    EXPECT_TRUE(log.Has(" > Получен пакет данных 2 байт. •1"));
    // One attempt at the switch, then the events run and the pass goes on.
    EXPECT_EQ(clock.SleptMs(), 32);
    EXPECT_EQ(pump.Calls, 4);
}

TEST_F(ReceptionTest, Pass_WithoutAnySampleRunsNoAfterSample) {
    AddDevice(1, {{2000}});
    bus.Dev(3, 1).Silent = true;
    ASSERT_TRUE(bus.Connect());
    reception.PollingPass();
    for (const auto& line : log.Lines) EXPECT_EQ(line.find("Получен пакет"), std::string::npos);
    EXPECT_EQ(autoSave.Ends, 0);
}

TEST_F(ReceptionTest, Pass_OnAClosedPortLogsOnceAndReadsNothing) {
    AddDevice(1, {{2000}});
    reception.PollingPass();
    EXPECT_EQ(log.Lines, (std::vector<std::string>{" > Порт \\\\.\\Com3 недоступен"}));
    EXPECT_TRUE(bus.Log.empty());
    EXPECT_TRUE(view.Lamp.empty());
}

TEST_F(ReceptionTest, Alarms_OneLinePerLimitAndCableWithTheExtremeValue) {
    AddDevice(4, {{2512, NoValue, 2630}, {NoValue, NoValue}, {-5001, 100}});
    reception.SetAlarmLimits(25.0, -50.0);
    ASSERT_TRUE(bus.Connect());
    reception.PollingPass();
    const std::string time = TimeOfDayText(clock.Now());
    EXPECT_EQ(events.Upper, (std::vector<std::string>{time + " > Адрес: 4 Термокоса: 1 Макс. температура: 26.3"}));
    EXPECT_EQ(events.Lower, (std::vector<std::string>{time + " > Адрес: 4 Термокоса: 3 Мин. температура: -50.01"}));
    EXPECT_EQ(store.ValidValues(), 4u);

    // The limits are read at every pass; a comma as the decimal mark.
    reception.SetAlarmLimits(100.0, -60.0);
    reception.SetDecimalMark(',');
    bus.Dev(3, 4).Model->Cables()[0].Readings = {10001, 0, 0};
    reception.PollingPass();
    EXPECT_EQ(events.Upper.back(), time + " > Адрес: 4 Термокоса: 1 Макс. температура: 100,01");
    EXPECT_EQ(events.Lower.size(), 1u);
}

TEST_F(ReceptionTest, Alarms_RangeIgnoresMissingValues) {
    const Temperature none[] = {NoValue, NoValue};
    EXPECT_FALSE(RangeOf(none, 2).Any);
    EXPECT_TRUE(CheckAlarms(RangeOf(none, 2), -300, 300, 1, 0, "t", '.').Upper.empty());
    const Temperature some[] = {NoValue, -20, 7};
    const SampleRange r = RangeOf(some, 3);
    EXPECT_EQ(r.Max, 7);
    EXPECT_EQ(r.Min, -20);
}

TEST_F(ReceptionTest, Alarms_AReadingExactlyAtTheLimitNeverRaisesOne) {
    // Every one-decimal limit from -60.0 to 130.0, each way: the limit itself is quiet, one
    // hundredth beyond it raises the alarm.
    for (int tenths = -600; tenths <= 1300; ++tenths) {
        const double limit = tenths / 10.0;
        const Temperature at = static_cast<Temperature>(tenths * 10);
        const Temperature exact[] = {at};
        const AlarmLines quiet = CheckAlarms(RangeOf(exact, 1), limit, limit, 1, 0, "t", '.');
        EXPECT_TRUE(quiet.Upper.empty() && quiet.Lower.empty()) << limit;
        const Temperature beyond[] = {static_cast<Temperature>(at + 1), static_cast<Temperature>(at - 1)};
        const AlarmLines both = CheckAlarms(RangeOf(beyond, 2), limit, limit, 1, 0, "t", '.');
        EXPECT_FALSE(both.Upper.empty() || both.Lower.empty()) << limit;
    }
}

TEST_F(ReceptionTest, Stop_DuringAPassEndsItAfterTheCurrentCable) {
    AddDevice(1, {{1}, {2}, {3}});
    AddDevice(2, {{4}});
    store.SetReceiving(true);
    ASSERT_TRUE(bus.Connect());
    pump.At = 1;
    pump.Action = [&] { reception.StopReception(); };
    reception.PollingPass();
    EXPECT_EQ(bus.Of(3, 512).size(), 1u);
    EXPECT_EQ(store.SampleCount(0, 1), 0u);
    EXPECT_FALSE(reception.PassRunning());
    EXPECT_FALSE(view.Lamp.back());
    EXPECT_TRUE(log.Has(" > Автоматический прием данных остановлен"));
}

TEST_F(ReceptionTest, Pass_ATickDuringAPassIsSkipped) {
    AddDevice(1, {{1}, {2}});
    ASSERT_TRUE(bus.Connect());
    pump.At = 1;
    pump.Action = [&] { reception.PollingPass(); };
    reception.PollingPass();
    EXPECT_EQ(bus.Of(3, 512).size(), 2u);
    EXPECT_EQ(store.SampleCount(0, 0), 1u);
    EXPECT_EQ(store.SampleCount(0, 1), 1u);
}

TEST_F(ReceptionTest, Pass_StoreEmptiedDuringAPassEndsItSafely) {
    AddDevice(1, {{1}, {2}});
    AddDevice(2, {{3}});
    ASSERT_TRUE(bus.Connect());
    pump.At = 1;
    pump.Action = [&] { store.ReleaseAll(false); };
    reception.PollingPass();
    EXPECT_EQ(bus.Of(3, 512).size(), 1u);
    EXPECT_EQ(store.Devices(), 0u);
}

TEST_F(ReceptionTest, Start_Modbus_RunsTheFirstPassAndPolls) {
    AddDevice(1, {{2000}});
    ASSERT_TRUE(bus.Connect());
    reception.SetPollingInterval(60000);
    EXPECT_EQ(reception.StartReception(), StartOutcome::Started);
    EXPECT_TRUE(store.Receiving());
    EXPECT_TRUE(reception.Polling());
    EXPECT_EQ(events.Seen.front(), "started fresh");
    EXPECT_EQ(autoSave.Starts, 1);
    EXPECT_EQ(reception.ProgressMaximum(), 60);
    EXPECT_EQ(store.SampleCount(0, 0), 1u);
    EXPECT_EQ(log.Lines.front(), " > Автоматический прием данных активирован");

    // A second start does nothing; stop ends the polling.
    EXPECT_EQ(reception.StartReception(), StartOutcome::NotStarted);
    EXPECT_EQ(store.SampleCount(0, 0), 1u);
    reception.StopReception();
    EXPECT_FALSE(store.Receiving());
    EXPECT_FALSE(reception.Polling());
    EXPECT_EQ(events.Seen.back(), "stopped");
    EXPECT_EQ(view.Countdowns.back(), "00:00:00");
    EXPECT_EQ(view.Progress, 0);
    EXPECT_EQ(autoSave.Stops, 1);
    EXPECT_TRUE(log.Has(" > Автоматический прием данных остановлен"));
}

// Reception runs from before its first pass: a stop that comes during that pass (the operator's,
// or another procedure taking the line) ends the reception instead of being lost.
TEST_F(ReceptionTest, Start_AStopDuringTheFirstPassEndsTheReception) {
    AddDevice(1, {{1}, {2}, {3}});
    ASSERT_TRUE(bus.Connect());
    pump.At = 1;
    pump.Action = [&] { reception.StopReception(); };
    EXPECT_EQ(reception.StartReception(), StartOutcome::Started);
    EXPECT_FALSE(store.Receiving());
    EXPECT_FALSE(reception.Polling());
    EXPECT_EQ(bus.Of(3, 512).size(), 1u);  // the pass ended after its first cable
    EXPECT_EQ(autoSave.Starts, 1);
    EXPECT_EQ(autoSave.Stops, 1);
    EXPECT_TRUE(log.Has(" > Автоматический прием данных остановлен"));
    EXPECT_EQ(events.CountOf("stopped"), 1);
}

TEST_F(ReceptionTest, Start_RefusedFromArchiveDuringSearchOrWithoutSensors) {
    AddDevice(1, {{2000}});
    ASSERT_TRUE(bus.Connect());
    reception.SetSearchRunning([] { return true; });
    reception.StartReception();
    EXPECT_FALSE(store.Receiving());
    reception.SetSearchRunning(nullptr);
    store.ReplaceCableCounts(1, 0);
    reception.StartReception();
    EXPECT_FALSE(store.Receiving());
    store.ReplaceCableCounts(1, 1);
    store.MarkArchiveLoaded();
    reception.StartReception();
    EXPECT_FALSE(store.Receiving());
    EXPECT_TRUE(bus.Log.empty());
}

TEST_F(ReceptionTest, UpdateTick_StepsProgressShowsCountdownAndCountsUnpolledTime) {
    AddDevice(1, {{2000}});
    ASSERT_TRUE(bus.Connect());
    reception.StartReception();
    reception.UpdateTick();
    EXPECT_EQ(reception.ProgressPosition(), 1);
    EXPECT_EQ(view.Countdowns.back(), "00:00:20");
    EXPECT_EQ(autoSave.Ticks, 1);
    EXPECT_EQ(reception.UnpolledMs(), 0u);  // the polling timer runs
    for (int i = 0; i < 30; ++i) reception.UpdateTick();
    EXPECT_EQ(reception.ProgressPosition(), 20);
}

class StreamTest : public ReceptionTest {
protected:
    StreamTest() {
        settings.Protocol = ExchangeProtocol::Command;
        bus.HexarOn[3] = FakeHexar::Hexar100(7, 0x0102, 1, {1, 2, 3, 4});
        store.SetDeviceCount(1);
        store.DevSig(0).Address = 255;
        store.DevSig(0).Sensors = 4;
        store.DevSig(0).Caps = 0x01FF;
        store.SetCableCount(0, 1);
        store.CableSerials(0)[0] = 0x0102;
        store.CableKinds(0)[0] = 1;
        store.SetSensorCount(0, 0, 4);
        store.CountDevice();
        store.CountCables(1, 4);
        EXPECT_TRUE(bus.Connect());
        bus.PausePolling();
    }
};

TEST_F(StreamTest, Start_ChecksTheConfigurationAndAttachesTheStream) {
    reception.StartReception();
    ASSERT_TRUE(store.Receiving());
    EXPECT_EQ(bus.Log[0].Code, 40);
    EXPECT_TRUE(static_cast<bool>(bus.Stream));
    EXPECT_TRUE(bus.PollingActive());
    EXPECT_FALSE(reception.Polling());
    EXPECT_TRUE(reception.StreamSampleClosed());

    reception.StopReception();
    EXPECT_FALSE(static_cast<bool>(bus.Stream));
    EXPECT_FALSE(bus.PollingActive());
    // The controller takes the stop-stream command.
    EXPECT_EQ(bus.Log.back().Code, 73);
    EXPECT_EQ(bus.Log.back().Values, (std::vector<uint16_t>{0}));
}

TEST_F(StreamTest, Start_AChangedConfigurationAsksForANewSearch) {
    bus.HexarOn[3].Config[1] = 0x03;  // another cable serial
    op.Answer(true);
    EXPECT_EQ(reception.StartReception(), StartOutcome::SearchWanted);
    EXPECT_FALSE(store.Receiving());
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].Text,
              "Конфигурация системы изменилась.\r\nНеобходимо повторить поиск приборов.\r\n"
              "Запустить поиск приборов?");

    bus.HexarOn[3].Config = {1, 2, 1, 2, 3, 4, 5, 1};  // one sensor more
    op.Answer(false);
    EXPECT_EQ(reception.StartReception(), StartOutcome::NotStarted);
    EXPECT_EQ(op.messages.size(), 2u);

    bus.HexarOn[3].FailConfig = 1;
    EXPECT_EQ(reception.StartReception(), StartOutcome::NotStarted);
    EXPECT_EQ(op.messages.back().Kind, "error");
    EXPECT_FALSE(store.Receiving());
}

TEST_F(StreamTest, Stream_SamplesOpenAtSensorOneAndCloseAtTheLastOrTheNextOne) {
    reception.StartReception();
    auto feed = [&](int sensor, double c) { bus.Stream(sensor, c); };
    feed(3, 20.0);  // before any sample: ignored
    EXPECT_EQ(store.SampleCount(0, 0), 0u);

    feed(1, 21.5);
    feed(2, -273.0);
    feed(7, 30.0);  // beyond the cable's sensors: ignored
    feed(3, -0.125);
    EXPECT_EQ(view.Lamp.back(), true);
    feed(1, 22.0);  // closes the first sample with sensor 4 missing
    ASSERT_EQ(store.SampleCount(0, 0), 2u);
    EXPECT_EQ(Values(0, 0, 0), (std::vector<Temperature>{2150, NoValue, -12, NoValue}));
    EXPECT_TRUE(log.Has(" > Получен пакет данных 21 байт. •2"));

    feed(2, 1.0);
    feed(3, 2.0);
    feed(4, 3.0);  // the last sensor closes the sample
    EXPECT_TRUE(reception.StreamSampleClosed());
    EXPECT_EQ(Values(0, 0, 1), (std::vector<Temperature>{2200, 100, 200, 300}));
    EXPECT_TRUE(log.Has(" > Получен пакет данных 28 байт. •6"));
    EXPECT_EQ(view.Lamp.back(), false);
    EXPECT_EQ(store.SelSamples(), 2u);
    EXPECT_EQ(events.Samples.size(), 2u);

    // A stray reading after the sample closed does not change it.
    feed(4, 99.0);
    EXPECT_EQ(Values(0, 0, 1)[3], 300);
    EXPECT_EQ(store.SampleCount(0, 0), 2u);
    EXPECT_EQ(autoSave.Ends, 2);
    // The sample closed without its last sensor counts as the device's one failed read; the
    // maker's protocol reports no fault bits.
    EXPECT_EQ(reception.Health(0).FailedReads, 1u);
    EXPECT_EQ(reception.Health(0).FaultBits, -1);
}

TEST_F(StreamTest, Stream_ReadingsThatDoNotFitATemperatureBecomeNoValue) {
    EXPECT_EQ(StreamValue(21.456), 2146);
    EXPECT_EQ(StreamValue(-273.0), NoValue);
    EXPECT_EQ(StreamValue(-1000.0), NoValue);
    EXPECT_EQ(StreamValue(8388.607), NoValue);
    EXPECT_EQ(StreamValue(327.67), 32767);
}

TEST_F(StreamTest, UpdateTick_CountsUnpolledTimeIntoTheNextCountdown) {
    reception.StartReception();
    for (int i = 0; i < 5; ++i) reception.UpdateTick();
    EXPECT_EQ(reception.UnpolledMs(), 5000u);
    bus.Stream(1, 1.0);
    bus.Stream(4, 1.0);
    EXPECT_EQ(reception.UnpolledMs(), 0u);
    EXPECT_EQ(reception.ProgressMaximum(), 5);
    EXPECT_EQ(reception.ProgressPosition(), 0);
    EXPECT_DOUBLE_EQ(reception.NextRequestTime(), clock.Now() + 5 * OneSecond);
}

}  // namespace
}  // namespace drumo::test
