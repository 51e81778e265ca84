// Numbering the sensors of a cable by warming them one by one, and the ROM code texts.

#include "calibration/Numbering.h"
#include "calibration/RomCodes.h"

#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"

#include <gtest/gtest.h>

namespace drumo::test {
namespace {

constexpr DateTime Minute = 1.0 / 1440;
constexpr int LabelTop0 = 150;

struct Numbering : ::testing::Test {
    // A cable of `statuses.size()` sensors at 21.50 °C with two samples a minute apart.
    void Cable(std::vector<int> statuses) {
        CableSpec cable(1, 3, std::vector<int16_t>(statuses.size(), 100));
        for (int k = 0; k < 2; ++k) cable.Samples.push_back({t0 + k * Minute, std::vector<int16_t>(statuses.size(), 2150)});
        DeviceSpec device;
        device.Cables = {cable};
        AddDevice(store, device);
        for (size_t i = 0; i < statuses.size(); ++i) {
            table.SetCell(static_cast<int>(i + 1), CorrectionColumn::Status, std::to_string(statuses[i]));
            table.SetCell(static_cast<int>(i + 1), CorrectionColumn::Id, "9");
        }
    }
    // One more sample; each sensor at 21.50 °C unless given.
    void Sample(std::map<int, int16_t> values) {
        std::vector<Temperature> v(store.Sensors(0, 0), 2150);
        for (auto [i, value] : values) v[static_cast<size_t>(i - 1)] = value;
        const size_t k = store.SampleCount(0, 0);
        store.AppendSample(0, 0, t0 + static_cast<double>(k) * Minute, v);
    }
    NumberingTick Tick() { return run.Tick(t0 + 10 * Minute, LabelTop0); }

    ScriptedOperator op;
    RecordingLog log;
    MeasurementStore store{op, log};
    CorrectionTable table;
    SensorNumbering run{table, store};
    DateTime t0 = EncodeDateTime(2026, 12, 9, 12, 0, 0);
};

TEST_F(Numbering, ASensorWarmedByTheLevelGetsTheNextNumber) {
    Cable({0, 0, 0, 0, 0});
    std::vector<int> shown;
    ASSERT_TRUE(run.Start(t0, &shown));
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(table.Cell(1, CorrectionColumn::Id), "---");
    EXPECT_FALSE(Tick().Ran);  // no sample after the start yet

    // The tick looks at the sample before the newest: sensor 3 at 2449 rises 2.99, not enough.
    Sample({{3, 2449}});
    Sample({});
    auto tick = Tick();
    ASSERT_TRUE(tick.Ran);
    EXPECT_EQ(tick.Best, 3);
    EXPECT_EQ(tick.Bar, 133);
    EXPECT_EQ(tick.LevelText, "2.99__");
    EXPECT_EQ(tick.Numbered, 0);
    EXPECT_DOUBLE_EQ(tick.Marker, 24.5);
    EXPECT_EQ(tick.Caption, "1 / 5");

    // 2460 rises 3.10; sensor 4 rises as much: the earlier sensor wins.
    Sample({{3, 2460}, {4, 2460}});
    Sample({});
    tick = Tick();
    EXPECT_EQ(tick.Numbered, 3);
    EXPECT_EQ(tick.Colour, NumberingColour::Green);
    EXPECT_EQ(tick.Sound, NumberingSound::Success);
    EXPECT_EQ(table.Cell(3, CorrectionColumn::Id), "1");
    EXPECT_EQ(tick.Caption, "2 / 5");
    EXPECT_EQ(tick.Status.rfind("Beg=3 Cur=6 Drift=00:03:00", 0), 0u) << tick.Status;
}

TEST_F(Numbering, NoSensorLeftEndsTheRunExceptWhilePaused) {
    Cable({0, 1, 0});  // sensor 2 carries the cable number
    ASSERT_TRUE(run.Start(t0));
    EXPECT_EQ(table.Cell(2, CorrectionColumn::Id), "9");
    for (int s : {1, 3}) {
        Sample({{s, 2600}});
        Sample({});
        EXPECT_EQ(Tick().Numbered, s);
    }
    ASSERT_TRUE(run.Pause());
    Sample({});
    EXPECT_FALSE(Tick().Stopped);
    EXPECT_TRUE(run.Running());
    EXPECT_FALSE(run.Pause());
    EXPECT_TRUE(Tick().Stopped);
    EXPECT_FALSE(run.Running());
}

TEST_F(Numbering, AMissingValueTurnsTheLabelRedAndAMissingBaselineMovesIt) {
    Cable({0, 0});
    run.Level = DetectionLevel(0);  // "disable": the rise shows, no number is given
    run.DriftSeconds = DriftPeriodSeconds(0);
    ASSERT_TRUE(run.Start(t0));
    Sample({{1, 9000}});
    Sample({});
    auto tick = Tick();
    EXPECT_EQ(tick.Numbered, 0);
    EXPECT_EQ(tick.LevelText, "68.5__");

    Sample({{2, NoValue}});
    Sample({});
    tick = Tick();
    EXPECT_EQ(tick.Colour, NumberingColour::Red);
    EXPECT_EQ(tick.Sound, NumberingSound::Error);
    EXPECT_EQ(run.Beginning(), 2);  // a missing working value leaves the baseline
}

TEST_F(Numbering, TheBaselineFollowsOnceOlderThanTheDriftPeriod) {
    Cable({0});
    run.DriftSeconds = DriftPeriodSeconds(3);  // 180 s, samples a minute apart
    ASSERT_TRUE(run.Start(t0));
    for (int k = 0; k < 6; ++k) Sample({});
    std::vector<int> beginnings;
    for (int k = 0; k < 5; ++k) {
        Tick();
        beginnings.push_back(run.Beginning());
    }
    // Working on sample 7 with the baseline at sample 1: four minutes, one step a tick down to three.
    EXPECT_EQ(beginnings, (std::vector<int>{3, 4, 5, 5, 5}));
}

TEST(NumberingStart, NeedsTwoSamplesOfAShownCable) {
    ScriptedOperator op;
    RecordingLog log;
    MeasurementStore store{op, log};
    CorrectionTable table;
    SensorNumbering run{table, store};
    EXPECT_FALSE(run.Start(0));
    CableSpec cable(1, 3, {100}, {{1.0, {2150}}});
    DeviceSpec device;
    device.Cables = {cable};
    AddDevice(store, device);
    EXPECT_FALSE(run.Start(0));
    EXPECT_FALSE(run.Running());
}

TEST(RomCodes, ShownLastByteFirstInGroupsOfTwo) {
    const uint8_t record[] = {0x28, 0xFF, 0x4B, 0x1A, 0x05, 0x00, 0x00, 0xA3};
    EXPECT_EQ(RomCodeText(record), " A300 0005 1A4B FF28");
}

}  // namespace
}  // namespace drumo::test
