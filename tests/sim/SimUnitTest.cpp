// The parts of the simulators that need no line: fault names, the world the devices measure, the
// sensor frames, the configuration file, and the pseudo-terminal's link.
#include "link/ComBuf.h"
#include "link/Crc16.h"
#include "sim/Faults.h"
#include "sim/Hexar.h"
#include "sim/Presets.h"
#include "sim/SimConsole.h"
#include "sim/SimClock.h"
#include "sim/SimData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <sys/stat.h>
#include <unistd.h>

namespace drumo::sim {
namespace {

// Opens the slave side of a bus as the program would: raw, non-blocking, 19200 bit/s.
int OpenRaw(const Bus& bus) {
    const int fd = open(bus.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

TEST(SimFaultNames, ParseEveryFormAndRejectMalformedOnes) {
    EXPECT_EQ(ParseFault("silence"), (Fault{FaultKind::Silence, -1, -1}));
    EXPECT_EQ(ParseFault("exception:2"), (Fault{FaultKind::Exception, 2, -1}));
    EXPECT_EQ(ParseFault("bad-checksum*3"), (Fault{FaultKind::BadCrc, -1, 3}));
    EXPECT_EQ(ParseFault("stop-after:5"), (Fault{FaultKind::StopAfter, 5, -1}));
    for (const char* bad : {"", "loud", "exception:", "exception:x", "stop-after", "slow", "silence*0",
                            "silence*", "exception:-1"}) {
        EXPECT_FALSE(ParseFault(bad)) << bad;
    }
}

TEST(SimFaultSlot, CountsRequestsForStopAfterPortGoneAndLimitedFaults) {
    FaultSlot slot;
    slot.Set(*ParseFault("stop-after:2"));
    EXPECT_EQ(slot.NextReply().Kind, FaultKind::None);
    EXPECT_EQ(slot.NextReply().Kind, FaultKind::None);
    EXPECT_EQ(slot.NextReply().Kind, FaultKind::Silence);
    EXPECT_EQ(slot.NextReply().Kind, FaultKind::Silence);
    slot.Set(*ParseFault("port-gone"));
    EXPECT_EQ(slot.NextReply().Kind, FaultKind::PortGone);
    slot.Set(*ParseFault("short*2"));
    EXPECT_EQ(slot.NextReply().Kind, FaultKind::ShortReply);
    EXPECT_EQ(slot.NextReply().Kind, FaultKind::ShortReply);
    EXPECT_EQ(slot.NextReply().Kind, FaultKind::None);
    slot.Set(*ParseFault("foreign-talker"));
    EXPECT_TRUE(slot.Talking());
    EXPECT_EQ(slot.NextReply().Kind, FaultKind::None) << "the talker is on the line, the device still answers";
}

TEST(SimClimate, ProfilesDriftNoiseAndDropouts) {
    Climate world(7);
    world.DropoutRate = 0.5;
    SimCable cable = MakeCable(1, 1, 20);
    cable.TopC = 15;
    cable.BottomC = 5;
    cable.Flaky = {3};
    const DateTime noon = 46000.5;
    EXPECT_GT(world.Celsius(cable, 0, 0, noon), world.Celsius(cable, 0, 19, noon) + 5.0);
    EXPECT_EQ(world.Celsius(cable, 0, 5, noon), Climate(7).Celsius(cable, 0, 5, noon)) << "reproducible";
    // The noise is small; the day's swing moves the top sensor more than the bottom one.
    const double morning = noon - 6 * OneHour;  // the morning is the day's coolest time
    EXPECT_GT(std::abs(world.Celsius(cable, 0, 0, noon) - world.Celsius(cable, 0, 0, morning)),
              std::abs(world.Celsius(cable, 0, 19, noon) - world.Celsius(cable, 0, 19, morning)));
    int missing = 0;
    for (int k = 0; k < 100; ++k) {
        const DateTime t = noon + k * 10 * OneSecond;
        if (world.Hundredths(cable, 0, 3, t) == NoValue) ++missing;
        EXPECT_NE(world.Hundredths(cable, 0, 4, t), NoValue) << "only the flaky sensor drops out";
    }
    EXPECT_GT(missing, 20);
    EXPECT_LT(missing, 80);
}

TEST(SimClimate, HotSpotAndWarmingOneSensor) {
    Climate world(3);
    world.NoiseC = 0;
    SimCable cable = MakeCable(1, 0, 21);
    cable.Shape = Profile::HotSpot;
    cable.SpotSensor = 10;
    cable.SpotRiseC = 9;
    const DateTime t0 = 46000.25;
    EXPECT_GT(world.Celsius(cable, 0, 10, t0), world.Celsius(cable, 0, 5, t0) + 5.0);
    const double before = world.Celsius(cable, 0, 4, t0);
    world.Warm(0, 4, 10.0, t0, 60);
    EXPECT_NEAR(world.Celsius(cable, 0, 4, t0 + 60 * OneSecond) - before, 9.5, 0.3);
    EXPECT_NEAR(world.Celsius(cable, 0, 5, t0 + 60 * OneSecond), world.Celsius(cable, 0, 5, t0), 0.05);
    EXPECT_NEAR(world.Celsius(cable, 1, 4, t0 + 60 * OneSecond), world.Celsius(cable, 1, 4, t0), 0.05)
        << "the same sensor of another cable stays";
    EXPECT_NEAR(world.Celsius(cable, 0, 4, t0 + 300 * OneSecond), before, 0.1) << "cooled down again";
}

TEST(SimSensorFrame, DecodesWithTheProgramsDecoder) {
    EXPECT_EQ(SensorFrame(1, 0), (std::array<uint8_t, 7>{0x40, 0x80, 0x80, 0x80, 0x80, 0xFB, 0xBE}));
    std::vector<std::pair<int, double>> got;
    TComBuf decoder(7);
    decoder.SetHandler([&](int s, double t) { got.emplace_back(s, t); });
    const std::pair<int, int> cases[] = {{1, 21500}, {17, -12625}, {100, 1000000}, {256, -8388607}, {16, 125}};
    for (const auto& [sensor, milli] : cases) {
        const auto f = SensorFrame(sensor, milli);
        decoder.PutBytes(f.data(), f.size());
    }
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0], std::make_pair(1, 21.5));
    EXPECT_EQ(got[1], std::make_pair(17, -12.625));
    EXPECT_EQ(got[2], std::make_pair(100, -273.0)) << "+1000.000 means no reading";
    EXPECT_EQ(got[3], std::make_pair(256, -8388.607));
    EXPECT_EQ(got[4], std::make_pair(16, 0.125));
}

TEST(SimCommandTable, LengthsOfEveryCommandTheDevicesServe) {
    EXPECT_EQ(CommandTableLength(1), 16);
    EXPECT_EQ(CommandTableLength(30), 14);
    EXPECT_EQ(CommandTableLength(39), 10);
    EXPECT_EQ(CommandTableLength(41), 3);
    EXPECT_EQ(CommandTableLength(46), 54);
    EXPECT_EQ(CommandTableLength(70), 7);
    EXPECT_EQ(CommandTableLength(85), 255);
    EXPECT_EQ(CommandTableLength(98), 10);
    for (int code : {0, 4, 15, 24, 51, 57, 72, 99, 127}) EXPECT_EQ(CommandTableLength(code), 0) << code;
}

TEST(SimConfiguration, FileSectionsAndErrorsWithLineNumbers) {
    LineConfig config;
    std::string error;
    ASSERT_TRUE(ParseConfig("# two stations\n[line]\npacing = yes\nclock-speed = 60\n"
                            "[device]\nmodel = Dorma-2/200\naddress = 7\ncables = 1\nfault = exception:2*3\n"
                            "[device]\nmodel = Dorma-1/100  # comment\nsensors = 30\nfault-bits = 65\n",
                            config, error))
        << error;
    EXPECT_TRUE(config.Pacing);
    EXPECT_EQ(config.ClockSpeed, 60);
    ASSERT_EQ(config.Devices.size(), 2u);
    EXPECT_EQ(config.Devices[0].Address, 7);
    EXPECT_EQ(config.Devices[0].Fault, "exception:2*3");
    EXPECT_EQ(config.Devices[1].Sensors, 30);
    ManualClock clock;
    auto line = BuildLine(config, clock, error);
    ASSERT_TRUE(line) << error;
    EXPECT_EQ(line->Dormas[0]->Faults().Current(), (Fault{FaultKind::Exception, 2, 3}));
    EXPECT_EQ(line->Dormas[1]->FaultBits, 65);
    EXPECT_EQ(line->Dormas[1]->Cables()[0].Sensors(), 30);
    EXPECT_EQ(line->Dormas[1]->Boot().TimeoutMs, 34000 * 60) << "the boot time-out stays in real seconds";

    const std::pair<const char*, const char*> bad[] = {
        {"[device]\nmodel = Dorma-9/900\n", "line 2"},
        {"pacing = yes\n", "line 1"},
        {"[line]\n\nclock-speed = 0\n", "line 3"},
        {"[device]\naddress = 3\n", "no model"},
        {"[device]\nmodel = Hexar-1/16\nfault = loud\n", "line 3"},
        {"[device]\nmodel Hexar-1/16\n", "line 2"},
    };
    for (const auto& [text, where] : bad) {
        LineConfig c;
        EXPECT_FALSE(ParseConfig(text, c, error)) << text;
        EXPECT_NE(error.find(where), std::string::npos) << error;
    }
}

TEST(SimConfiguration, LinesRefuseMixedProtocolsButLetStationsShareAnAddress) {
    ManualClock clock;
    std::string error;
    LineConfig mixed;
    ASSERT_TRUE(ParseConfig("[device]\nmodel = Dorma-1/100\n[device]\nmodel = Hexar-1/16\n", mixed, error));
    EXPECT_FALSE(BuildLine(mixed, clock, error));
    LineConfig twice;
    ASSERT_TRUE(ParseConfig("[device]\nmodel = Dorma-1/100\n[device]\nmodel = Dorma-4/200\n", twice, error));
    auto shared = BuildLine(twice, clock, error);
    ASSERT_TRUE(shared) << error;
    ASSERT_EQ(shared->Dormas.size(), 2u);
    EXPECT_EQ(shared->Dormas[0]->Address(), 1);
    EXPECT_EQ(shared->Dormas[1]->Address(), 1);
    for (const auto& name : PresetNames()) {
        auto line = BuildLine(*PresetConfig(name), clock, error);
        ASSERT_TRUE(line) << name << ": " << error;
        EXPECT_EQ(line->Command != nullptr, name != "dorma-bus");
    }
    auto bus = BuildLine(*PresetConfig("dorma-bus"), clock, error);
    ASSERT_EQ(bus->Dormas.size(), 3u);
    const size_t cables[] = {1, 2, 6};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(bus->Dormas[i]->Cables().size(), cables[i]);
    EXPECT_EQ(bus->Dormas[1]->Cables()[1].Serial, 0) << "a cable without serial number";
}

TEST(SimBus, LinkPointsToTheSlaveAndGoesAwayWithTheBus) {
    ManualClock clock;
    std::string error;
    auto line = BuildLine(*PresetConfig("hexar16"), clock, error);
    ASSERT_TRUE(line->Line->Open()) << line->Line->Error();
    const std::string link = testing::TempDir() + "drumo-sim-link";
    ASSERT_TRUE(line->Line->MakeLink(link));
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), line->Line->SlavePath());
    line->Line->Close();
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(line->Line->Gone());
}

TEST(SimBus, CallerDrivenStepsAnswerARequestWithoutAThread) {
    ManualClock clock;
    std::string error;
    auto line = BuildLine(*PresetConfig("dorma-bus"), clock, error);
    Bus& bus = *line->Line;
    ASSERT_TRUE(bus.Open());
    const int fd = OpenRaw(bus);
    ASSERT_GE(fd, 0);
    const uint8_t echo[] = {2, 8, 0, 0, 0xAB, 0xCD, 0, 0};
    uint8_t request[8];
    std::copy(std::begin(echo), std::end(echo), request);
    AppendCrc16(request, 6);
    ASSERT_EQ(write(fd, request, 8), 8);
    bus.Step(100000);  // hears the request and answers at once
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    uint8_t reply[16];
    ASSERT_EQ(read(fd, reply, sizeof reply), 8);
    EXPECT_TRUE(std::equal(reply, reply + 8, request));
    close(fd);
}

TEST(SimBus, StreamToAReaderThatDoesNotReadWaitsForRoomAndDropsBursts) {
    ManualClock clock;
    auto endpoint = std::make_unique<CommandEndpoint>(clock, MakeHexar100(clock));
    endpoint->Streaming = true;
    endpoint->StreamPeriodMs = 20;
    endpoint->StreamNow();
    BusOptions options;
    options.IdlePeriodUs = 0;  // the device's time runs on every step
    Bus bus(std::move(endpoint), options);
    ASSERT_TRUE(bus.Open());
    const int fd = OpenRaw(bus);
    ASSERT_GE(fd, 0);
    const auto periods = [&](int n) {
        for (int i = 0; i < n; ++i, clock.Advance(20)) bus.Step(0);
    };
    periods(400);  // 400 bursts of 350 bytes: far more than the terminal holds
    const Bus::Traffic t = bus.TakeTraffic();
    EXPECT_GT(t.BytesOut, 4096u) << "the terminal filled";
    EXPECT_LE(t.RefusedWrites, 2u) << "a full terminal is waited for, not written to again and again";
    EXPECT_LE(bus.QueuedBytes(), 350u) << "bursts that find the last one still waiting are lost";
    // Once the reader takes what waits, the stream goes on.
    uint8_t buffer[4096];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
    periods(20);
    EXPECT_GT(bus.TakeTraffic().BytesOut, 0u);
    close(fd);
}

TEST(SimConsole, WarmsSensorsAndSetsFaultsWhileRunning) {
    ManualClock clock;
    std::string error;
    auto hexar = BuildLine(*PresetConfig("hexar100"), clock, error);
    Hexar& h = hexar->Command->Device();
    h.World().NoiseC = 0;
    const double before = h.Reported(3);
    EXPECT_EQ(RunConsoleCommand(*hexar, "warm 3 8 120"), "warming sensor 3");
    clock.Advance(120000);
    EXPECT_NEAR(h.Reported(3) - before, 8.0, 0.5);
    EXPECT_EQ(RunConsoleCommand(*hexar, "warm 51"), "no sensor 51");
    EXPECT_EQ(RunConsoleCommand(*hexar, "warm 1 2 3 4"), "usage: warm SENSOR [RISE [SECONDS]]");
    h.PoweredOn = false;
    EXPECT_EQ(RunConsoleCommand(*hexar, "power-on"), "switched on");
    EXPECT_TRUE(h.PoweredOn);

    auto bus = BuildLine(*PresetConfig("dorma-bus"), clock, error);
    EXPECT_EQ(RunConsoleCommand(*bus, "fault 2=silence*2"), "fault silence*2 on 1 station(s)");
    EXPECT_EQ(bus->Dormas[1]->Faults().Current().Kind, FaultKind::Silence);
    EXPECT_EQ(bus->Dormas[0]->Faults().Current().Kind, FaultKind::None);
    EXPECT_EQ(RunConsoleCommand(*bus, "fault loud"), "unknown fault loud");
    EXPECT_EQ(RunConsoleCommand(*bus, "warm 3 6 1"), "warming address 3 cable 6 sensor 1");
    EXPECT_EQ(RunConsoleCommand(*bus, "warm 3 7 1"), "no such cable or sensor");
    EXPECT_EQ(RunConsoleCommand(*bus, "warm 9 1 1"), "no station at address 9");
    EXPECT_NE(RunConsoleCommand(*bus, "status").find("address 2: type 105, 2 cables"), std::string::npos);
}

}  // namespace
}  // namespace drumo::sim
