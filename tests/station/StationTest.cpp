// The station over an in-memory port on a fake clock: who holds the line and what happens to the
// holder when another procedure wants it, and the reception timers it steps.

#include "station/Station.h"
#include "app/ViewRelays.h"

#include "support/FakeBus.h"
#include "support/FakeSerialPort.h"
#include "support/StoreFill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace drumo::test {
namespace {

struct TimerLog : ReceptionView, LineView {
    std::vector<std::string> Events;
    void PollingTimer(bool on) override { Events.push_back(on ? "polling on" : "polling off"); }
    void UpdateTimer(bool on) override { Events.push_back(on ? "update on" : "update off"); }
    void RequestCountdown(const std::string& text) override { Events.push_back("countdown " + text); }
    void LinkTestStopped() override { Events.push_back("link test off"); }
};

// One Modbus controller at address 1 with one cable of two sensors, as a search leaves it.
void AddOneController(Station& station) {
    test::DeviceSpec device;
    device.Address = 1;
    device.Cables = {test::CableSpec(0, 1, {0, 0})};
    test::AddDevice(station.Store(), device);
    station.SearchSettingsInUse().Protocol = ExchangeProtocol::Modbus;
}

class StationTest : public ::testing::Test {
protected:
    StationTest() {
        station.SetPollingInterval(20000);
        wanted.Protocol = ExchangeProtocol::Modbus;
        wanted.FindBeginAddr = 1;
        wanted.FindFinishAddr = 3;
    }

    void OneController() { AddOneController(station); }
    int Passes() { return log.CountOf(" > Порт " + station.Channel().PortName() + " недоступен"); }

    FakeClock clock;
    FakeSerialPort port{clock};
    ScriptedOperator op;
    RecordingLog log;
    CountingPump pump;
    TimerLog view;
    Station station{StationServices{port, op, log, clock, &pump, "test"},
                    StationViews{nullptr, &view, nullptr, nullptr, &view}};
    SearchSettings wanted;
};

TEST(LineHandover, RulesForEveryHolder) {
    using U = LineUser;
    using H = Handover;
    struct Row {
        U holder, user;
        H expected;
    };
    const Row rows[] = {
        {U::Idle, U::Notebook, H::Free},           {U::Reception, U::Reception, H::Free},
        {U::Search, U::Notebook, H::Refuse},       {U::Search, U::Firmware, H::Refuse},
        {U::Search, U::Reception, H::Refuse},      {U::Search, U::LinkTest, H::Refuse},
        {U::Notebook, U::Search, H::Refuse},       {U::Firmware, U::Reception, H::Refuse},
        {U::Calibration, U::DeviceSettings, H::Refuse}, {U::DeviceSettings, U::Search, H::Refuse},
        {U::Reception, U::Search, H::StopHolder},  {U::Reception, U::LinkTest, H::StopHolder},
        {U::Reception, U::Notebook, H::StopHolder}, {U::Reception, U::Firmware, H::StopHolder},
        {U::Reception, U::Calibration, H::Alongside}, {U::Reception, U::DeviceSettings, H::Alongside},
        {U::LinkTest, U::Search, H::SuspendHolder}, {U::LinkTest, U::Reception, H::StopHolder},
        {U::LinkTest, U::Notebook, H::StopHolder}, {U::LinkTest, U::DeviceSettings, H::StopHolder},
    };
    for (const Row& r : rows)
        EXPECT_EQ(HandoverOf(r.holder, r.user), r.expected)
            << static_cast<int>(r.holder) << " -> " << static_cast<int>(r.user);
}

TEST_F(StationTest, NoOtherUserStartsWhileASearchRuns) {
    std::vector<bool> taken;
    pump.At = 2;  // inside the search, between two addresses
    pump.Action = [&] {
        EXPECT_EQ(station.Holder(), LineUser::Search);
        for (LineUser u : {LineUser::Notebook, LineUser::Firmware, LineUser::Calibration,
                           LineUser::DeviceSettings, LineUser::LinkTest, LineUser::Reception})
            taken.push_back(static_cast<bool>(station.Take(u)));
        station.StartReception();
        taken.push_back(station.RunSearch(wanted));
    };
    EXPECT_FALSE(station.RunSearch(wanted));
    EXPECT_EQ(taken, std::vector<bool>(7, false));
    EXPECT_GE(pump.Calls, 2);
    EXPECT_FALSE(station.Store().Receiving);
    EXPECT_EQ(station.Holder(), LineUser::Idle);
    {
        const LineLease notebook = station.Take(LineUser::Notebook);
        EXPECT_TRUE(notebook);
        EXPECT_FALSE(station.RunSearch(wanted));  // and the other way round
    }
    EXPECT_EQ(station.Holder(), LineUser::Idle);
}

TEST_F(StationTest, TakingTheLineFromReceptionStopsItAsTheOperatorsStopDoes) {
    const std::vector<std::string> stopped = {"update off", "polling off", "countdown 00:00:00"};
    for (LineUser user : {LineUser::LinkTest, LineUser::Notebook, LineUser::Firmware}) {
        OneController();
        station.StartReception();
        ASSERT_TRUE(station.Store().Receiving);
        ASSERT_EQ(station.Holder(), LineUser::Reception);
        view.Events.clear();
        log.Lines.clear();

        LineLease line = station.Take(user);
        EXPECT_TRUE(line);
        EXPECT_EQ(station.Holder(), user);
        EXPECT_FALSE(station.Store().Receiving);
        EXPECT_EQ(view.Events, stopped);
        EXPECT_EQ(log.Lines, std::vector<std::string>{" > Автоматический прием данных остановлен"});
        EXPECT_FALSE(station.Scheduler().PollingTimerOn());
        EXPECT_FALSE(station.Scheduler().UpdateTimerOn());
        line.Release();
        EXPECT_EQ(station.Holder(), LineUser::Idle);
    }

    // The device settings dialogs and the correction table read and write between two passes:
    // reception goes on (the corrections are computed from the running measurements).
    station.StartReception();
    for (LineUser user : {LineUser::DeviceSettings, LineUser::Calibration}) {
        {
            const LineLease line = station.Take(user);
            EXPECT_TRUE(line);
            EXPECT_TRUE(station.Store().Receiving);
            EXPECT_EQ(station.Holder(), LineUser::Reception);
        }
        EXPECT_EQ(station.Holder(), LineUser::Reception);  // its end leaves reception the line
    }
}

TEST_F(StationTest, ALeaseHoldsTheLineUntilItEndsAndGivesItBackOnce) {
    {
        LineLease refused;
        {
            const LineLease firmware = station.Take(LineUser::Firmware);
            ASSERT_TRUE(firmware);
            EXPECT_EQ(&firmware.Bus(), &station.Bus());
            refused = station.Take(LineUser::Notebook);
            EXPECT_FALSE(refused);
        }
        EXPECT_EQ(station.Holder(), LineUser::Idle);
        const LineLease notebook = station.Take(LineUser::Notebook);
        EXPECT_TRUE(notebook);
        refused = LineLease();  // a refused lease gives back nothing when it ends
        EXPECT_EQ(station.Holder(), LineUser::Notebook);
    }

    // An exception out of the procedure gives the line back as well.
    EXPECT_THROW(
        {
            const LineLease line = station.Take(LineUser::Calibration);
            throw std::runtime_error("the procedure failed");
        },
        std::runtime_error);
    EXPECT_EQ(station.Holder(), LineUser::Idle);

    // A moved lease gives the line back once: not where it was moved from, and not a second time
    // when the same procedure has taken the line again.
    LineLease first = station.Take(LineUser::Notebook);
    LineLease moved = std::move(first);
    EXPECT_FALSE(first);
    first = LineLease();
    EXPECT_EQ(station.Holder(), LineUser::Notebook);
    moved.Release();
    EXPECT_EQ(station.Holder(), LineUser::Idle);
    const LineLease again = station.Take(LineUser::Notebook);
    moved.Release();
    moved = LineLease();
    EXPECT_EQ(station.Holder(), LineUser::Notebook);
}

TEST_F(StationTest, LinkTestPausesForASearchAndStopsForReception) {
    OneController();
    ASSERT_TRUE(station.StartLinkTest(wanted));
    EXPECT_EQ(station.Holder(), LineUser::LinkTest);
    EXPECT_TRUE(station.Channel().Connected());

    station.RunSearch(wanted);  // finds nothing on the silent port
    EXPECT_EQ(station.Holder(), LineUser::LinkTest);
    EXPECT_TRUE(view.Events.empty());

    OneController();
    view.Events.clear();
    station.StartReception();
    EXPECT_EQ(view.Events.front(), "link test off");
    EXPECT_EQ(station.Holder(), LineUser::Reception);
}

TEST_F(StationTest, SettingsReachReceptionTheTimersAndTheLine) {
    ProgramSettings settings;
    settings.Main.RequestAllIndex = 1;  // 30 s
    settings.Main.AlarmTMax = 30.5;
    settings.Main.AlarmTMin = -7;
    settings.Find.Protocol = 1;
    settings.Find.BaudRate = 57600;
    settings.Find.AdditionalDelay = 300;  // not one the search window offers
    settings.Find.PortDefault = 9;
    settings.Find.FindFinishAddr = 1;
    settings.Find.AutoPortEnabled = false;
    settings.Ports = {{9, "/dev/ttyUSB4"}};
    station.UseSettings(settings);
    station.LoadSearchSettings();

    EXPECT_EQ(station.PollingInterval(), 30000);
    EXPECT_EQ(station.Receiver().PollingInterval(), 30000);
    EXPECT_EQ(station.Scheduler().PollingInterval(), 30000);
    EXPECT_EQ(station.Receiver().AlarmTMax(), 30.5);
    EXPECT_EQ(station.Receiver().AlarmTMin(), -7);
    const SearchSettings& inUse = station.SearchSettingsInUse();
    EXPECT_EQ(inUse.Protocol, ExchangeProtocol::Modbus);
    EXPECT_EQ(inUse.PortDefault, 9);
    EXPECT_EQ(station.Channel().BaudRateValue(), 57600);
    EXPECT_EQ(station.Channel().StopBits(), 2);
    station.RunSearch(inUse);  // the port number leads to the mapped device node
    EXPECT_EQ(port.openedPath, "/dev/ttyUSB4");

    station.SaveSearchSettings();
    EXPECT_EQ(station.Settings().Find.AdditionalDelay, 100);
    EXPECT_EQ(station.Settings().Find.BaudRate, 57600);
}

TEST_F(StationTest, SchedulerRunsPassesAtTheIntervalAndSkipsMissedTicks) {
    OneController();
    station.StartReception();  // the first pass runs at once
    ASSERT_EQ(Passes(), 1);
    const int64_t start = clock.TickMs();
    struct Row {
        int64_t atMs;
        int passes;
        bool update;
    };
    // The polling interval is 20 s; a Step 70 s in makes up one pass, not three.
    for (const Row& r : {Row{999, 1, false}, Row{1000, 1, true}, Row{19999, 1, true}, Row{20000, 2, true},
                         Row{20050, 2, false}, Row{70000, 3, true}, Row{79999, 3, true}, Row{80000, 4, true}}) {
        clock.Advance(start + r.atMs - clock.TickMs());
        const auto fired = station.Scheduler().Step(clock.TickMs());
        EXPECT_EQ(Passes(), r.passes) << r.atMs;
        EXPECT_EQ(fired.Update, r.update) << r.atMs;
    }
    station.StopReception();
    clock.Advance(100000);
    const auto fired = station.Scheduler().Step(clock.TickMs());
    EXPECT_FALSE(fired.Pass);
    EXPECT_FALSE(fired.Update);
    EXPECT_TRUE(fired.Receive);  // the channel's background receive never stops
}

// The desktop's window timers tick one timer each: a tick runs its work only while the timer is
// on and counts the next tick from itself, so a Step does not run the same pass again.
TEST_F(StationTest, WindowTimerTicksGoThroughTheSchedulersSwitches) {
    OneController();
    station.StartReception();
    ASSERT_EQ(Passes(), 1);
    ReceptionScheduler& s = station.Scheduler();
    clock.Advance(15000);
    EXPECT_TRUE(s.FirePolling(clock.TickMs()));
    EXPECT_TRUE(s.FireUpdate(clock.TickMs()));
    EXPECT_EQ(Passes(), 2);
    clock.Advance(19999);
    EXPECT_FALSE(s.Step(clock.TickMs()).Pass);  // due 20 s after the tick, not after the start
    clock.Advance(1);
    EXPECT_TRUE(s.Step(clock.TickMs()).Pass);
    EXPECT_EQ(Passes(), 3);

    station.StopReception();
    clock.Advance(20000);
    EXPECT_FALSE(s.FirePolling(clock.TickMs()));  // a timeout queued before the stop
    EXPECT_FALSE(s.FireUpdate(clock.TickMs()));
    EXPECT_FALSE(s.FireAutoSave(clock.TickMs()));
    EXPECT_EQ(Passes(), 3);
    EXPECT_TRUE(s.FireReceive(clock.TickMs()));
}

// The desktop program builds the station before its windows: reception's timers and early log
// lines reach the window once it is joined, and nothing reaches it after it has left.
TEST(RelayedStation, ViewsAndLogJoinedLater) {
    FakeClock clock;
    FakeSerialPort port{clock};
    ScriptedOperator op;
    LogRelay log;
    ViewRelays relays;
    Station station{StationServices{port, op, log, clock, nullptr, "test"}, relays.Views()};
    AddOneController(station);
    MeasurementStore& store = station.Store();
    log.Log("early");

    TimerLog window;
    RecordingLog shown;
    relays.Receiving.SetTarget(&window);
    log.Attach(&shown);
    station.StartReception();
    ASSERT_TRUE(store.Receiving);
    EXPECT_NE(std::find(window.Events.begin(), window.Events.end(), "polling on"), window.Events.end());
    EXPECT_EQ(shown.Lines.front(), "early");

    relays.Receiving.SetTarget(nullptr);
    log.Attach(nullptr);
    window.Events.clear();
    const size_t linesBefore = shown.Lines.size();
    station.StopReception();
    EXPECT_FALSE(store.Receiving);
    EXPECT_TRUE(window.Events.empty());
    EXPECT_EQ(shown.Lines.size(), linesBefore);
}

}  // namespace
}  // namespace drumo::test
