// The acquisition procedures with the program's own link layer (POSIX port, channel, transactions,
// frame decoder) against simulated controllers on real pseudo-terminals, mapped to port numbers.

#include "acquisition/ServiceCommands.h"
#include "station/Station.h"
#include "link/PosixSerialPort.h"
#include "model/Cp1251.h"
#include "model/DeviceTypes.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"
#include "support/FakeBus.h"
#include "support/RecordingEvents.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>

namespace drumo::test {
namespace {

// Pending events of the program's window: the channel's background receive among them.
struct ChannelEvents : EventPump {
    void ProcessEvents() override {
        ++Calls;
        if (station) station->TickLineForTests();
        if (Action) Action(Calls);
    }
    Station* station = nullptr;
    int Calls = 0;
    std::function<void(int)> Action;
};

class AcquisitionE2E : public ::testing::Test {
protected:
    AcquisitionE2E() {
        wanted.Protocol = ExchangeProtocol::Modbus;
        wanted.PortDefault = 3;
        wanted.FindBeginAddr = 1;
        wanted.FindFinishAddr = 4;
        wanted.AdditionalDelay = 800;  // the longest reply time-out: the machine may be busy
        events.station = &station;
    }
    ~AcquisitionE2E() override {
        station.Bus().Disconnect();
        for (auto& l : lines) l.Line->Close();
        unsetenv("DRUMO_PORTS");
    }

    // Serves a line of simulated devices as port n; ports 1..16 without a line do not exist.
    sim::SimLine& Serve(int n, sim::SimLine line) {
        EXPECT_TRUE(line.Line->Open()) << line.Line->Error();
        line.Line->Start();
        paths[n] = line.Line->SlavePath();
        std::string list;
        for (int p = 1; p <= 16; ++p)
            list += std::to_string(p) + "=" + (paths.count(p) ? paths[p] : "/nonexistent/tty" + std::to_string(p)) + ",";
        setenv("DRUMO_PORTS", list.c_str(), 1);
        lines.push_back(std::move(line));
        return lines.back();
    }
    sim::SimLine Preset(const std::string& name) {
        std::string error;
        auto line = sim::BuildLine(*sim::PresetConfig(name), simClock, error);
        EXPECT_TRUE(line) << error;
        return std::move(*line);
    }
    sim::SimLine Modbus(std::vector<std::unique_ptr<sim::Dorma>> stations) {
        auto endpoint = std::make_unique<sim::RtuEndpoint>();
        sim::SimLine line;
        for (auto& s : stations) line.Dormas.push_back(endpoint->Add(std::move(s)));
        line.Line = std::make_unique<sim::Bus>(std::move(endpoint));
        return line;
    }
    template <class F>
    auto Locked(sim::SimLine& line, F&& f) {
        return line.Line->With(std::forward<F>(f));
    }

    sim::ManualClock simClock;
    std::map<int, std::string> paths;
    std::vector<sim::SimLine> lines;

    PosixSerialPort port;
    ScriptedOperator op;
    RecordingLog log;
    ChannelEvents events;
    SearchView searchView;
    ReceptionView receptionView;
    Station station{StationServices{port, op, log, SystemClock::Instance(), &events},
                    StationViews{&searchView, &receptionView}};
    DeviceBus& bus = station.Bus();
    MeasurementStore& store = station.Store();
    SearchSettings& settings = station.SearchSettingsInUse();
    DeviceSearch& search = station.Search();
    Reception& reception = station.Receiver();
    SearchSettings wanted;  // what the search is started with
};

TEST_F(AcquisitionE2E, ModbusSearchAndPollingPassOverABusOfThreeControllers) {
    sim::SimLine& line = Serve(3, Preset("dorma-bus"));
    ASSERT_TRUE(search.RunSearch(wanted));

    ASSERT_EQ(store.DeviceCount(), 3);
    EXPECT_EQ(store.DevSig(0).TypeName, "Dorma-1/100");
    EXPECT_EQ(store.DevSig(2).TypeName, "Dorma-6/200");
    EXPECT_EQ(store.DevSig(0).Comment.rfind("Склад 1", 0), 0u) << store.DevSig(0).Comment;
    uint32_t sensors = 0;
    for (size_t d = 0; d < 3; ++d) {
        const auto cables = Locked(line, [&] { return line.Dormas[d]->Cables(); });
        ASSERT_EQ(store.Cables(d), cables.size());
        for (size_t c = 0; c < cables.size(); ++c) {
            EXPECT_EQ(static_cast<uint16_t>(store.CableSerials(d)[c]), cables[c].Serial);
            ASSERT_EQ(store.Sensors(d, c), cables[c].Labels.size());
            for (size_t s = 0; s < cables[c].Labels.size(); ++s)
                EXPECT_EQ(store.SensorLabels(d, c)[s], cables[c].Labels[s]);
            sensors += static_cast<uint32_t>(cables[c].Labels.size());
        }
    }
    EXPECT_EQ(store.SensorCount(), sensors);
    EXPECT_EQ(store.CableCount(), 9);
    EXPECT_TRUE(station.Port().Connected);
    EXPECT_TRUE(log.Has(" > Поиск завершен. Приборов 3. Термокос 9. Датчиков " + std::to_string(sensors)));

    // One pass: every cable with sensors gets the temperatures its controller measures.
    reception.PollingPass();
    for (size_t d = 0; d < 3; ++d)
        for (size_t c = 0; c < store.Cables(d); ++c) {
            if (store.Sensors(d, c) == 0) continue;
            ASSERT_EQ(store.SampleCount(d, c), 1u) << d << "/" << c;
            const auto expected = Locked(line, [&] { return line.Dormas[d]->Temperatures(static_cast<int>(c)); });
            for (size_t s = 0; s < expected.size(); ++s) EXPECT_EQ(store.Samples(d, c, s)[0], expected[s]);
        }
    EXPECT_TRUE(log.Has(" > Получен пакет данных " + std::to_string(2 * sensors) + " байт. •" +
                        std::to_string(store.ValidValues())));
}

// What a subscriber of the station sees, step by step, as the operator searches the Modbus line,
// receives (with an upper alarm limit every cable exceeds), stops, saves the readings and loads
// them back.
TEST_F(AcquisitionE2E, SubscribersSeeWhatHappenedInOrder) {
    Serve(3, Preset("dorma-bus"));
    RecordingEvents seen{station.Subscribers()};
    station.Settings().Main.AlarmTMax = -40;
    const std::string file = ::testing::TempDir() + "/events.dml";
    op.Answer(true);  // loading the file empties the store of readings that were saved
    // Every cable with sensors: its sample, then its alarm.
    std::vector<std::string> pass;
    for (const char* cable : {"0/0 #0 shown", "1/0 #0", "1/1 #0", "2/0 #0", "2/1 #0", "2/2 #0", "2/3 #0",
                              "2/4 #0", "2/5 #0"})
        for (const std::string& line : {std::string("sample ") + cable, std::string("upper alarm")})
            pass.push_back(line);
    struct Step {
        const char* name;
        std::function<void()> run;
        std::vector<std::string> seen;
    };
    // Reception holds the line from its start; the first pass runs inside the start.
    std::vector<std::string> start{"line to reception", "started fresh"};
    start.insert(start.end(), pass.begin(), pass.end());
    start.push_back("packet 378");
    const std::string found = "found 3 modbus: \\\\.\\Com3: Приборов 3. Термокос 9. Датчиков 189";
    const Step steps[] = {
        {"search", [&] { station.RunSearch(wanted); }, {"line to search", "emptied", found, "line back from search"}},
        {"start", [&] { station.StartReception(); }, start},
        {"stop", [&] { station.StopReception(); }, {"stopped", "line back from reception"}},
        {"load", [&] {
             ASSERT_TRUE(station.Files().FileSaveArhiv(file, true));
             ASSERT_EQ(station.Files().FileOpenArhiv({file}), 1u);
         }, {"emptied", "loaded 3"}},
    };
    for (const Step& step : steps) {
        seen.Seen.clear();
        step.run();
        EXPECT_EQ(seen.Seen, step.seen) << step.name;
    }
}

TEST_F(AcquisitionE2E, PassWithASilentControllerAndAShortRead) {
    std::vector<std::unique_ptr<sim::Dorma>> stations;
    stations.push_back(sim::MakeDorma(simClock, 103, 1, 1, 20));
    stations.push_back(sim::MakeDorma(simClock, 105, 2, 2, 10));
    sim::SimLine& line = Serve(3, Modbus(std::move(stations)));
    wanted.FindFinishAddr = 2;
    ASSERT_TRUE(search.RunSearch(wanted));
    ASSERT_EQ(store.DeviceCount(), 2);

    Locked(line, [&] {
        line.Dormas[0]->Faults().Set(*sim::ParseFault("silence*1"));
        return 0;
    });
    reception.PollingPass();
    EXPECT_TRUE(log.Has(" > Сбой при чтении по адресу 1"));
    EXPECT_EQ(store.SampleCount(0, 0), 0u);
    EXPECT_EQ(store.SampleCount(1, 0), 1u);

    // A read that comes back short: the mismatch line, no sample for that cable only.
    Locked(line, [&] {
        line.Dormas[1]->Faults().Set(*sim::ParseFault("fewer-registers:3*2"));
        return 0;
    });
    reception.PollingPass();
    EXPECT_TRUE(log.Has(" > Количество датчиков по адресу 2 не совпадает. Повторите сканирование"));
    EXPECT_EQ(store.SampleCount(0, 0), 1u);
}

TEST_F(AcquisitionE2E, PortThatDisappearsMidPassClosesTheChannelAndIsLoggedOncePerPass) {
    sim::SimLine& line = Serve(3, Preset("dorma-bus"));
    ASSERT_TRUE(search.RunSearch(wanted));
    ASSERT_EQ(store.DeviceCount(), 3);
    // The second controller's first reply never comes: the pseudo-terminal closes instead.
    Locked(line, [&] {
        line.Dormas[1]->Faults().Set(*sim::ParseFault("port-gone"));
        return 0;
    });
    log.Lines.clear();
    reception.PollingPass();
    reception.PollingPass();
    EXPECT_FALSE(station.Port().Connected);
    EXPECT_EQ(store.SampleCount(0, 0), 1u);
    // Why, once, from the channel; then one line per pass instead of a failure per later cable.
    int why = 0, later = 0;
    for (const auto& l : log.Lines) {
        why += l.rfind(" > Порт \\\\.\\Com3: /dev/pts/", 0) == 0 && l.find(": устройство отключено") != std::string::npos;
        later += l.find("по адресу 3") != std::string::npos || l.find("для 3") != std::string::npos;
    }
    EXPECT_EQ(why, 1);
    EXPECT_EQ(later, 0);
    EXPECT_EQ(log.CountOf(" > Порт \\\\.\\Com3 недоступен"), 2);
    EXPECT_EQ(log.Lines.size(), 5u) << testing::PrintToString(log.Lines);  // and the failed switch, the sample
}

TEST_F(AcquisitionE2E, AddressChangeOntoAnUnlistedStationLeavesTwoThatTheSearchPassesOver) {
    std::vector<std::unique_ptr<sim::Dorma>> stations;
    for (uint8_t a : {1, 2, 20}) stations.push_back(sim::MakeDorma(simClock, 103, a, 1, 4));
    sim::SimLine& line = Serve(3, Modbus(std::move(stations)));
    wanted.FindFinishAddr = 3;
    ASSERT_TRUE(search.RunSearch(wanted));
    ASSERT_EQ(store.DeviceCount(), 2);

    // Address 20 is not in the model, so the editor lets the second controller take it.
    DeviceEditView editView;
    FakeClock now;
    store.Select(1, 0);
    DeviceEdit address = ShowDeviceEdit(store, EditMode::Address, "", 3);
    address.NewAddress = 20;
    ASSERT_TRUE(ApplyDeviceEdit(address, bus, store, wanted, settings, op, log, now, editView));
    EXPECT_EQ(Locked(line, [&] { return line.Dormas[1]->Address(); }), 20);
    EXPECT_EQ(Locked(line, [&] { return line.Dormas[2]->Address(); }), 20);

    // Both answer the echo at once; the garbled reply makes the search pass the address over.
    const auto heard = [&] { return Locked(line, [&] { return line.Dormas[1]->Requests() + line.Dormas[2]->Requests(); }); };
    const uint64_t before = heard();
    wanted.FindBeginAddr = 20;
    wanted.FindFinishAddr = 20;
    search.RunSearch(wanted);
    EXPECT_EQ(store.DeviceCount(), 0);
    EXPECT_EQ(heard() - before, 2u) << "one echo request, heard by both";
}

TEST_F(AcquisitionE2E, AllPortsSearchFindsTheControllerOnPortSevenAndAsksOnce) {
    std::vector<std::unique_ptr<sim::Dorma>> stations;
    stations.push_back(sim::MakeDorma(simClock, 103, 1, 1, 8));
    Serve(7, Modbus(std::move(stations)));
    wanted.AutoPortEnabled = true;
    wanted.FindFinishAddr = 1;
    op.Answer(true);
    ASSERT_TRUE(search.RunSearch(wanted));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].Text,
              "Прибор обнаружен.\r\nНазначить порт \\\\.\\Com7 используемым по умолчанию?");
    EXPECT_EQ(settings.PortDefault, 7);
    EXPECT_EQ(store.DevSig(0).Source, "\\\\.\\Com7");
    EXPECT_GE(events.Calls, 7);  // events ran between ports and before the address
}

TEST_F(AcquisitionE2E, StoppedSearchLeavesAnEmptyModelAndAClosedPort) {
    Serve(3, Preset("dorma-bus"));
    events.Action = [&](int calls) {
        if (calls == 2) search.Stop();
    };
    EXPECT_FALSE(search.RunSearch(wanted));
    EXPECT_TRUE(log.Has(" > Поиск прерван оператором"));
    EXPECT_EQ(store.Devices(), 0u);
    EXPECT_FALSE(station.Port().Connected);
}

TEST_F(AcquisitionE2E, FaultBitsOfAControllerAreLogged) {
    std::vector<std::unique_ptr<sim::Dorma>> stations;
    stations.push_back(sim::MakeDorma(simClock, 103, 1, 1, 8));
    stations[0]->FaultBits = 0x44;
    Serve(3, Modbus(std::move(stations)));
    wanted.FindFinishAddr = 1;
    ASSERT_TRUE(search.RunSearch(wanted));
    const std::string arrow = std::string(30, ' ') + "->";
    EXPECT_TRUE(log.Has(" > Сообщение о внутренних сбоях по адресу 1: \r\n" + arrow +
                        "термокосы не обнаружены\r\n" + arrow + "блокнот заполнен\r\n"));
}

TEST_F(AcquisitionE2E, ServiceCommandsChangeTheControllers) {
    std::vector<std::unique_ptr<sim::Dorma>> stations;
    for (uint8_t a = 1; a <= 3; ++a) stations.push_back(sim::MakeDorma(simClock, 103, a, 1, 4));
    sim::SimLine& line = Serve(3, Modbus(std::move(stations)));
    wanted.FindFinishAddr = 3;
    ASSERT_TRUE(search.RunSearch(wanted));
    ASSERT_EQ(store.DeviceCount(), 3);
    DeviceEditView editView;
    FakeClock now;
    now.SetStartDay(EncodeDateTime(2025, 12, 7, 9, 8, 7));  // a Sunday

    store.Select(1, 0);
    ASSERT_TRUE(SyncDeviceTime(bus, store, ExchangeProtocol::Modbus, now, op));
    const CalendarTime set = DecodeDateTime(Locked(line, [&] { return line.Dormas[1]->DeviceTime(); }));
    EXPECT_EQ(set.Year, 2025);
    EXPECT_EQ(set.Day, 7);
    EXPECT_EQ(set.Hour, 9);

    DeviceEdit comment = ShowDeviceEdit(store, EditMode::Comment, "", 3);
    comment.Comment = "Элеватор";
    ASSERT_TRUE(ApplyDeviceEdit(comment, bus, store, wanted, settings, op, log, now, editView));
    EXPECT_EQ(Locked(line, [&] { return line.Dormas[1]->Comment(); }), PaddedComment("Элеватор"));

    DeviceEdit address = ShowDeviceEdit(store, EditMode::Address, "", 3);
    address.NewAddress = 3;
    EXPECT_FALSE(ApplyDeviceEdit(address, bus, store, wanted, settings, op, log, now, editView));
    EXPECT_EQ(op.messages.back().Text, "Адрес уже занят!");
    address.NewAddress = 17;
    ASSERT_TRUE(ApplyDeviceEdit(address, bus, store, wanted, settings, op, log, now, editView));
    EXPECT_EQ(Locked(line, [&] { return line.Dormas[1]->Address(); }), 17);
    EXPECT_TRUE(log.Has(" > Адрес 2 изменен на 17"));

    // The speed for all, with the third controller silent.
    Locked(line, [&] {
        line.Dormas[2]->Faults().Set(*sim::ParseFault("silence"));
        return 0;
    });
    DeviceEdit speed = ShowDeviceEdit(store, EditMode::Speed, "", 3);
    speed.SpeedItem = 2;
    ASSERT_TRUE(ApplyDeviceEdit(speed, bus, store, wanted, settings, op, log, now, editView));
    EXPECT_TRUE(log.Has(" > Скорость обмена по адресу 1 изменена на 9600 bit/s"));
    EXPECT_TRUE(log.Has(" > Скорость обмена по адресу 17 изменена на 9600 bit/s"));
    EXPECT_TRUE(log.Has(" > Сбой при изменении скорости обмена по адресу 3"));
    EXPECT_EQ(Locked(line, [&] { return line.Dormas[0]->SpeedCode(); }), 7);
    EXPECT_EQ(station.Port().BaudRate, 9600);
    EXPECT_EQ(station.Port().StopBits, 2);
}

class HexarE2E : public AcquisitionE2E {
protected:
    HexarE2E() { wanted.Protocol = ExchangeProtocol::Command; }
    sim::CommandEndpoint& Endpoint() { return *lines.back().Command; }
};

TEST_F(HexarE2E, SearchThenStreamReceptionFillsSamples) {
    sim::SimLine& line = Serve(3, Preset("hexar100"));
    Locked(line, [&] {
        line.Command->Streaming = false;
        return 0;
    });
    ASSERT_TRUE(search.RunSearch(wanted));
    ASSERT_EQ(store.DeviceCount(), 1);
    EXPECT_EQ(store.DevSig(0).TypeName, "Hexar-1/100");
    const int n = Locked(line, [&] { return static_cast<int>(line.Command->Device().Measured().size()); });
    ASSERT_EQ(store.Sensors(0, 0), static_cast<size_t>(n));
    EXPECT_EQ(store.CableSerials(0)[0], 1234);
    EXPECT_EQ(store.CableKinds(0)[0], 1);

    RecordingEvents seen{station.Subscribers()};
    reception.StartReception();
    ASSERT_TRUE(store.Receiving());
    Locked(line, [&] {
        line.Command->Streaming = true;
        line.Command->StreamPeriodMs = 3600000;
        line.Command->StreamNow();
        return 0;
    });
    const int64_t deadline = SystemClock::Instance().TickMs() + 5000;
    while (store.SampleCount(0, 0) == 0 || !reception.StreamSampleClosed()) {
        events.ProcessEvents();
        if (SystemClock::Instance().TickMs() > deadline) break;
        SystemClock::Instance().SleepMs(5);
    }
    ASSERT_EQ(store.SampleCount(0, 0), 1u);
    EXPECT_TRUE(reception.StreamSampleClosed());
    for (int s = 1; s <= n; ++s) {
        const double expected = Locked(line, [&] { return line.Command->Device().Reported(s); });
        if (std::isnan(expected))
            EXPECT_EQ(store.Samples(0, 0, s - 1)[0], NoValue) << s;
        else
            EXPECT_NEAR(store.Samples(0, 0, s - 1)[0] / 100.0, expected, 0.006) << s;
    }
    EXPECT_TRUE(log.Has(" > Получен пакет данных " + std::to_string(7 * n) + " байт. •" +
                        std::to_string(store.ValidValues())));
    // A streamed sample is told once, when its last sensor has reported.
    EXPECT_EQ(seen.Seen, (std::vector<std::string>{"line to reception", "started fresh", "sample 0/0 #0 shown",
                                                   "packet " + std::to_string(7 * n)}));

    reception.StopReception();
    EXPECT_FALSE(store.Receiving());
    EXPECT_FALSE(station.Port().PollingActive);
}

TEST_F(HexarE2E, ChangedConfigurationAsksForANewSearch) {
    sim::SimLine& line = Serve(3, Preset("hexar100"));
    ASSERT_TRUE(search.RunSearch(wanted));
    Locked(line, [&] {
        line.Command->Device().Sensors().pop_back();
        return 0;
    });
    op.Answer(false);
    reception.StartReception();
    EXPECT_FALSE(store.Receiving());
    ASSERT_FALSE(op.messages.empty());
    EXPECT_EQ(op.messages.back().Text,
              "Конфигурация системы изменилась.\r\nНеобходимо повторить поиск приборов.\r\n"
              "Запустить поиск приборов?");
}

TEST_F(HexarE2E, ClockOnASundayAndSwitchingTheOnlyControllerOff) {
    sim::SimLine& line = Serve(3, Preset("hexar100"));
    ASSERT_TRUE(search.RunSearch(wanted));
    FakeClock now;
    now.SetStartDay(EncodeDateTime(2051, 6, 4, 20, 15, 0));
    ASSERT_TRUE(SyncDeviceTime(bus, store, ExchangeProtocol::Command, now, op));
    const CalendarTime set = DecodeDateTime(Locked(line, [&] { return line.Command->Device().DeviceTime(); }));
    EXPECT_EQ(set.Year, 2051);
    EXPECT_EQ(set.DayOfWeek, 0);  // Sunday
    EXPECT_EQ(set.Hour, 20);

    SwitchDeviceOff(bus, store, [&] { reception.StopReception(); }, nullptr);
    EXPECT_EQ(store.DeviceCount(), 0);
    EXPECT_EQ(store.DevSig(0).Caps, 0);
    EXPECT_FALSE(station.Port().Connected);
    const int64_t deadline = SystemClock::Instance().TickMs() + 2000;
    while (Locked(line, [&] { return line.Command->Device().PoweredOn; }) &&
           SystemClock::Instance().TickMs() < deadline)
        SystemClock::Instance().SleepMs(5);
    EXPECT_FALSE(Locked(line, [&] { return line.Command->Device().PoweredOn; }));
}

TEST_F(HexarE2E, UnknownControllerIsReportedAndLeftOut) {
    auto endpoint = std::make_unique<sim::CommandEndpoint>(simClock, std::make_unique<sim::Hexar>(simClock, 99, 10, 0, 0));
    endpoint->Streaming = false;
    sim::SimLine unknown;
    unknown.Command = endpoint.get();
    unknown.Line = std::make_unique<sim::Bus>(std::move(endpoint));
    Serve(3, std::move(unknown));
    EXPECT_FALSE(search.RunSearch(wanted));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].Kind, "warning");
    EXPECT_EQ(op.messages[0].Text, "Обнаружено неизвестное устройство.\r\nПоиск прерван");
    EXPECT_EQ(store.Devices(), 0u);
    EXPECT_FALSE(station.Port().Connected);

    // A Modbus search on that line finds nothing and says nothing.
    wanted.Protocol = ExchangeProtocol::Modbus;
    wanted.FindFinishAddr = 2;
    EXPECT_FALSE(search.RunSearch(wanted));
    EXPECT_EQ(op.messages.size(), 1u);
}

}  // namespace
}  // namespace drumo::test
