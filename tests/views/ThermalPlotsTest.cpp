// The thermal plots: levels, resampling, the crossings of small hand-computed profiles with their
// series breaks, the colour scale, stopping, the highlighted level and the view.

#include "views/ThermalPlots.h"

#include <gtest/gtest.h>

#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"

namespace drumo {
namespace {

const DateTime T0 = EncodeDateTime(2026, 12, 9, 10, 0, 0);
using Profile = std::vector<int16_t>;  // one moment's readings, hundredths

struct Plets : ::testing::Test {
    test::ScriptedOperator op;
    test::RecordingLog log;
    MeasurementStore store{op, log};

    // One cable with these labels and one sample a minute per profile.
    PletCable Cable(const Profile& labels, const std::vector<Profile>& moments) {
        test::CableSpec::SampleList samples;
        for (size_t i = 0; i < moments.size(); ++i) samples.push_back({T0 + double(i) * OneMinute, moments[i]});
        const size_t d = test::AddDevice(store, 4, {test::CableSpec(1, 1, labels, samples)});
        return PletCableOf(store, d, 0);
    }

    // Each series of level r as the positions of its points.
    static std::vector<std::vector<double>> Places(const PletResult& result, size_t r) {
        std::vector<std::vector<double>> places;
        for (const auto& series : result.Levels.at(r).Series) {
            places.emplace_back();
            for (const auto& p : series) places.back().push_back(p.Position);
        }
        return places;
    }
};

TEST(PletArithmetic, LevelsAndResampling) {
    EXPECT_EQ(PletLevelCount(0, 10, 1), 11);
    EXPECT_EQ(PletLevelCount(0, 10, 3), 4);   // round(4.33)
    EXPECT_EQ(PletLevelCount(0, 10, 4), 4);   // round(3.5), halves to even
    EXPECT_EQ(PletLevelTemperature(0, 0.1, 3), 0.3);
    EXPECT_EQ(ResamplingOf(1), (Resampling{1, 1}));
    EXPECT_EQ(ResamplingOf(3), (Resampling{3, 1}));
    EXPECT_EQ(ResamplingOf(2.5), (Resampling{2, 1}));
    EXPECT_EQ(ResamplingOf(0.5), (Resampling{1, 2}));
    EXPECT_EQ(ResamplingOf(0.3), (Resampling{1, 3}));  // round(3.33)
}

TEST_F(Plets, CrossingsOfOneMoment) {
    struct Case {
        const char* name;
        Profile labels, readings;
        double tBeg, tFin;
        std::vector<std::vector<std::vector<double>>> levels;  // per level: its series' places
    } cases[] = {
        // 4 and 6 degrees at 2 m and 3 m: 4 lies in no pair (it is not above the lower), 5 at 2.5 m, 6 at 3 m.
        {"between two sensors", {200, 300}, {400, 600}, 4, 6, {{}, {{2.5}}, {{3.0}}}},
        {"falling pair", {200, 300}, {600, 400}, 4, 6, {{}, {{2.5}}, {{2.0}}}},
        {"crossed twice", {0, 100, 200}, {100, 500, 100}, 2, 3, {{{0.25}, {1.75}}, {{0.5}, {1.5}}}},
        {"not crossed", {0, 100}, {1000, 2000}, 0, 1, {{}, {}}},
        {"equal neighbours", {0, 100, 200}, {500, 500, 700}, 5, 6, {{}, {{1.5}}}},
        {"a sensor without reading", {0, 100, 200}, {0, NoValue, 1000}, 4, 5, {{}, {}}},
    };
    for (const auto& c : cases) {
        const PletCable cable = Cable(c.labels, {c.readings, c.readings});
        const PletResult result = ComputePlets(cable, {c.tBeg, c.tFin, 1, 1});
        ASSERT_EQ(result.Levels.size(), c.levels.size()) << c.name;
        for (size_t r = 0; r < c.levels.size(); ++r) EXPECT_EQ(Places(result, r), c.levels[r]) << c.name << " level " << r;
    }
}

TEST_F(Plets, SeriesBreakWhereTheIsothermChangesShape) {
    struct Case {
        const char* name;
        Profile labels;
        std::vector<Profile> moments;  // the last one only ends the last interval
        std::vector<std::vector<double>> series;  // of the 5-degree level
    } cases[] = {
        // 0 .. 30 m: 1 m -> 10 m stays (9 m is less than half the cable), 10 m -> 28 m breaks.
        {"jumps", {0, 1000, 2000, 3000},
         {{450, 950, 950, 950}, {400, 500, 900, 900}, {0, 0, 0, 625}, {0, 0, 0, 625}},
         {{1, 10}, {28}}},
        // Three crossings, then two: the two go on in two fresh series.
        {"fewer crossings", {0, 100, 200, 300, 400},
         {{0, 1000, 0, 1000, 1000}, {0, 1000, 0, 0, 0}, {0, 1000, 0, 0, 0}},
         {{0.5}, {1.5}, {2.5}, {0.5}, {1.5}}},
        // One crossing at 2.5 m, then two: the one nearer 2.5 m continues the first series.
        {"nearer continues", {0, 100, 200, 300, 400},
         {{0, 0, 0, 1000, 1000}, {1000, 0, 0, 1000, 1000}, {1000, 0, 0, 1000, 1000}},
         {{2.5, 2.5}, {0.5}}},
        // No crossing in between: the level starts afresh.
        {"gap", {0, 100}, {{0, 1000}, {0, 0}, {0, 1000}, {0, 1000}}, {{0.5}, {0.5}}},
    };
    for (const auto& c : cases) {
        const PletResult result = ComputePlets(Cable(c.labels, c.moments), {5, 6, 1, 1});
        EXPECT_EQ(Places(result, 0), c.series) << c.name;
    }
}

TEST_F(Plets, ResamplingPicksAndInterpolatesMoments) {
    const PletCable cable = Cable({0, 100}, {{0, 1000}, {0, 2000}, {0, 1000}, {0, 1000}, {0, 1000}, {0, 1000}, {0, 1000}});
    // Every third sample: moments 0 and 3 (the newest only ends the last interval).
    auto every3 = ComputePlets(cable, {5, 6, 1, 3}).Levels[0].Series.at(0);
    ASSERT_EQ(every3.size(), 2u);
    EXPECT_NEAR(every3[1].Time, T0 + 3 * OneMinute, 1e-9);
    // Half steps: the moment between samples 0 and 1 has 15 degrees at 1 m, so 5 lies at 1/3 m.
    auto halves = ComputePlets(cable, {5, 6, 1, 0.5}).Levels[0].Series.at(0);
    ASSERT_EQ(halves.size(), 12u);
    EXPECT_NEAR(halves[1].Time, T0 + 30 * OneSecond, 1e-9);
    EXPECT_NEAR(halves[1].Position, 1.0 / 3, 1e-9);
    EXPECT_NEAR(halves[2].Position, 0.25, 1e-9);
}

TEST_F(Plets, ProgressIsReportedInStepsAndAStoppedComputationShowsNothing) {
    std::vector<Profile> moments(1000, Profile{0, 1000});
    const PletCable cable = Cable({0, 100}, moments);
    std::vector<size_t> reached;
    // One level (6 - 5 is a third of a step): 3 units of work a sample.
    auto result = ComputePlets(cable, {5, 6, 3, 1}, [&](size_t s, size_t total) {
        EXPECT_EQ(total, 999u);
        reached.push_back(s);
        return true;
    }, 300);  // a report every 100 samples and one at the end
    EXPECT_FALSE(result.Stopped);
    EXPECT_EQ(reached.size(), 10u);
    EXPECT_EQ(reached.back(), 999u);

    int calls = 0;
    result = ComputePlets(cable, {5, 6, 3, 1}, [&](size_t, size_t) { return ++calls < 2; }, 300);
    EXPECT_TRUE(result.Stopped);
    EXPECT_TRUE(result.Levels.empty());
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(ComputePlets(cable, {6, 5, 1, 1}).Levels.empty());  // no range
}

TEST(PletColours, BlueToRedOverTheFourQuarters) {
    struct Case {
        double t;
        Color colour;
    } cases[] = {
        {0, RgbColor(0, 0, 255)},   {1, RgbColor(0, 128, 255)}, {2, RgbColor(0, 255, 255)},
        {3, RgbColor(0, 255, 128)}, {4, RgbColor(0, 255, 0)},   {5, RgbColor(128, 255, 0)},
        {6, RgbColor(255, 255, 0)}, {7, RgbColor(255, 128, 0)}, {8, RgbColor(255, 0, 0)},
    };
    for (const auto& c : cases) EXPECT_EQ(PletColour(c.t, 0, 8), c.colour) << c.t;

    // The scale spans the levels that have series; the others get no colour.
    std::vector<PletLevel> levels(5);
    for (int r = 0; r < 5; ++r) levels[r].Temperature = r;
    levels[1].Series.resize(1);
    levels[3].Series.resize(1);
    EXPECT_EQ(PletColours(levels, {0, 4, 1, 1}), (std::vector<Color>{-1, RgbColor(0, 0, 255), -1, RgbColor(255, 0, 0), -1}));
    // One level with series: the scale is the whole range.
    levels[3].Series.clear();
    EXPECT_EQ(PletColours(levels, {0, 4, 1, 1})[1], RgbColor(0, 255, 255));
}

TEST(PletHighlight, LevelOfTheSelectedTemperature) {
    std::vector<PletLevel> levels(11);
    for (auto& level : levels) level.Series.resize(1);
    levels[4].Series.clear();
    const PletParameters p{0, 10, 1, 1};
    struct Case {
        double tSel;
        int level;
    } cases[] = {{-0.5, 0}, {-1, -1}, {3.9, 3}, {4.2, -1}, {10.5, 10}, {11, -1}};
    for (const auto& c : cases) EXPECT_EQ(PletHighlightLevel(c.tSel, p, levels), c.level) << c.tSel;
}

TEST(PletViewRules, ResetShowAllAndZoom) {
    const DateTime now = EncodeDateTime(2026, 12, 9, 10, 59, 0);
    PletView view;
    view.Reset(now);
    EXPECT_NEAR(view.Time().Min, EncodeDateTime(2026, 12, 9, 4, 0, 0), 1e-9);
    EXPECT_NEAR(view.Time().Max, EncodeDateTime(2026, 12, 9, 16, 0, 0), 1e-9);
    EXPECT_EQ(view.Position(), (AxisRange{-50, 50}));

    view.ShowAll(AxisRange{now, now + OneHour}, AxisRange{0, 30}, now);
    EXPECT_EQ(view.TimeStepIndex(), 16);  // 20 minutes: 6 steps cover the hour and its margins
    EXPECT_EQ(view.PositionStepIndex(), 3);
    EXPECT_EQ(view.Position(), (AxisRange{-10, 40}));
    view.ShowAll(std::nullopt, std::nullopt, now);
    EXPECT_EQ(view.TimeStepIndex(), 13);

    for (int i = 13; i < 26; ++i) EXPECT_TRUE(view.ZoomInX());
    EXPECT_FALSE(view.ZoomInX());
    EXPECT_TRUE(view.ZoomInY());
    for (int i = 3; i > 0; --i) EXPECT_TRUE(view.ZoomOutY());
    EXPECT_FALSE(view.ZoomOutY());
}

}  // namespace
}  // namespace drumo
