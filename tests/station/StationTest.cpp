// The station over an in-memory port on a fake clock: who holds the line and what happens to the
// holder when another procedure wants it, and the reception timers it steps.

#include "base/LogRelay.h"
#include "station/Station.h"

#include "support/FakeBus.h"
#include "support/FakeSerialPort.h"
#include "support/RecordingEvents.h"
#include "support/StoreFill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace drumo::test {
namespace {

struct CountdownLog : ReceptionView {
    std::vector<std::string> Events;
    void RequestCountdown(const std::string& text) override { Events.push_back("countdown " + text); }
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
    int Passes() { return log.CountOf(" > Порт " + station.Port().PortName + " недоступен"); }

    FakeClock clock;
    FakeSerialPort port{clock};
    ScriptedOperator op;
    RecordingLog log;
    CountingPump pump;
    CountdownLog view;
    Station station{StationServices{port, op, log, clock, &pump, "test"}, StationViews{nullptr, &view}};
    RecordingEvents events{station.Subscribers()};
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
    EXPECT_FALSE(station.Store().Receiving());
    EXPECT_EQ(station.Holder(), LineUser::Idle);
    {
        const LineLease notebook = station.Take(LineUser::Notebook);
        EXPECT_TRUE(notebook);
        EXPECT_FALSE(station.RunSearch(wanted));  // and the other way round
    }
    EXPECT_EQ(station.Holder(), LineUser::Idle);
}

TEST_F(StationTest, TakingTheLineFromReceptionStopsItAsTheOperatorsStopDoes) {
    for (LineUser user : {LineUser::LinkTest, LineUser::Notebook, LineUser::Firmware}) {
        OneController();
        station.StartReception();
        ASSERT_TRUE(station.Store().Receiving());
        ASSERT_EQ(station.Holder(), LineUser::Reception);
        view.Events.clear();
        events.Seen.clear();
        log.Lines.clear();

        LineLease line = station.Take(user);
        EXPECT_TRUE(line);
        EXPECT_EQ(station.Holder(), user);
        EXPECT_FALSE(station.Store().Receiving());
        EXPECT_EQ(view.Events, std::vector<std::string>{"countdown 00:00:00"});
        EXPECT_EQ(events.Seen, (std::vector<std::string>{"stopped", "line back from reception",
                                                         std::string("line to ") + UserName(user)}));
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
            EXPECT_TRUE(station.Store().Receiving());
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
    EXPECT_TRUE(station.Port().Connected);

    events.Seen.clear();
    station.RunSearch(wanted);  // finds nothing on the silent port
    EXPECT_EQ(station.Holder(), LineUser::LinkTest);
    EXPECT_EQ(events.CountOf("line back from link test"), 0);  // paused, its switch stays on

    OneController();
    events.Seen.clear();
    station.StartReception();
    EXPECT_EQ(events.Seen.front(), "line back from link test");
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
    EXPECT_EQ(station.Port().BaudRate, 57600);
    EXPECT_EQ(station.Port().StopBits, 2);
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

// The desktop program runs every timer from one single-shot timer armed at NextDueMs: the due
// time follows reception's start and stop, its interval and auto-save's timer.
TEST_F(StationTest, NextDueTimeIsTheEarliestRunningTimer) {
    station.Settings().Main.AutoSaveEnabled = true;
    station.Settings().Main.AutoSaveIndex = 2;  // 1 minute
    station.Settings().Main.ArchiveFolder = "/nonexistent";
    ReceptionScheduler& s = station.Scheduler();
    int moved = 0;
    s.SetDueChanged([&] { ++moved; });
    const int64_t t0 = clock.TickMs();
    // Idle: only the background receive, every 100 ms.
    EXPECT_EQ(s.NextDueMs() - t0, 100);
    EXPECT_TRUE(s.Step(t0 + 100).Receive);
    EXPECT_EQ(s.NextDueMs() - t0, 200);

    OneController();
    clock.Advance(150);
    const int64_t start = clock.TickMs();
    station.StartReception();
    EXPECT_GT(moved, 1);  // armed at the start
    EXPECT_TRUE(s.PollingTimerOn());
    EXPECT_TRUE(s.UpdateTimerOn());
    EXPECT_TRUE(s.AutoSaveTimerOn());
    struct Row {
        int64_t atMs;     // from the start
        int64_t nextMs;   // the next due time after a Step there, from the start
        bool pass, update, autoSave;
    };
    for (const Row& r : {Row{50, 150, false, false, false}, Row{1000, 1050, false, true, false},
                         Row{20000, 20050, true, true, false}, Row{60000, 60050, true, true, true}}) {
        clock.Advance(start + r.atMs - clock.TickMs());
        const auto fired = s.Step(clock.TickMs());
        EXPECT_EQ(fired.Pass, r.pass) << r.atMs;
        EXPECT_EQ(fired.Update, r.update) << r.atMs;
        EXPECT_EQ(fired.AutoSave, r.autoSave) << r.atMs;
        EXPECT_EQ(s.NextDueMs() - start, r.nextMs) << r.atMs;
    }
    // A new polling interval counts from the change.
    clock.Advance(60);
    station.SetPollingInterval(30000);
    EXPECT_EQ(s.PollingInterval(), 30000);
    clock.Advance(29999);
    EXPECT_FALSE(s.Step(clock.TickMs()).Pass);
    clock.Advance(1);
    EXPECT_TRUE(s.Step(clock.TickMs()).Pass);

    station.StopReception();
    EXPECT_FALSE(s.PollingTimerOn() || s.UpdateTimerOn() || s.AutoSaveTimerOn());
    EXPECT_LE(s.NextDueMs() - clock.TickMs(), 100);
}

// The desktop program builds the station before its windows: early log lines and reception's
// progress reach the window once it is joined, and nothing reaches it after it has left.
TEST(LateViews, ViewsAndLogJoinedLater) {
    FakeClock clock;
    FakeSerialPort port{clock};
    ScriptedOperator op;
    LogRelay log;
    Station station{StationServices{port, op, log, clock, nullptr, "test"}};
    AddOneController(station);
    MeasurementStore& store = station.Store();
    log.Log("early");

    CountdownLog window;
    RecordingLog shown;
    station.SetViews({nullptr, &window});
    log.Attach(&shown);
    station.StartReception();
    ASSERT_TRUE(store.Receiving());
    EXPECT_EQ(shown.Lines.front(), "early");

    station.SetViews({});
    log.Attach(nullptr);
    const size_t linesBefore = shown.Lines.size();
    station.StopReception();
    EXPECT_FALSE(store.Receiving());
    EXPECT_TRUE(window.Events.empty());
    EXPECT_EQ(shown.Lines.size(), linesBefore);
}

}  // namespace
}  // namespace drumo::test
