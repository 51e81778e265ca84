#pragma once
// The rules of the length trend "Тренд": one sample of the shown cable drawn along the cable (the
// main line, chosen by the main slider) and a second sample for comparison (the trace line, chosen
// by the trace slider). The window shows what this holds: the two axes with their captions,
// formats, ranges and tick counts, the points of both lines, the sliders and the status texts.
//
// The temperature axis is the left axis and the position axis the bottom one; "В грунте" (in the
// ground) turns the picture: the position axis becomes the left axis, inverted so that it grows
// downwards, and the temperature axis the bottom one. Each axis keeps its caption, format, range
// and tick count through the turn, so the picture turns and nothing else changes.

#include <optional>
#include <string>
#include <vector>

#include "model/Store.h"
#include "views/AxisSteps.h"

namespace drumo {

inline constexpr const char* TrendTemperatureCaption = "Температура, °C";
inline constexpr const char* TrendNumberCaption = "Номер датчика";
inline constexpr const char* TrendDistanceCaption = "Расстояние, м";
inline constexpr const char* TrendTemperatureFormat = "###0.##";
inline constexpr const char* TrendPositionFormat = "##0";

// A point of a profile: where along the cable (sensor number or metres) and the temperature there.
struct ProfilePoint {
    double Position = 0;
    double Temperature = 0;
    bool operator==(const ProfilePoint&) const = default;
};

// A point in the chart's coordinates (x along the bottom axis, y along the left axis).
struct ChartPoint {
    double X = 0;
    double Y = 0;
    bool operator==(const ChartPoint&) const = default;
};

struct TrendAxis {
    std::string Caption;
    std::string Format;
    AxisRange Range;
    int Ticks = 11;
};

// What the mouse read-out shows at a place on the chart.
struct TrendReadOut {
    bool Shown = false;      // false: the sticker is on but the main line is empty
    bool Sticker = false;    // the sticker cross-hair moved to Marker
    ChartPoint Marker;
    std::string TemperatureText;  // status panel 0
    std::string PositionText;     // status panel 1
};

// Where the Ctrl read-out's two texts are drawn on the plot, for the mouse at (x, y).
struct ReadOutPlace {
    int TemperatureX = 0, TemperatureY = 0;
    int PositionX = 0, PositionY = 0;
};
ReadOutPlace CtrlReadOutPlace(int x, int y, int plotWidth);

// The points of sample `sample` of cable (d, c): one per sensor in order, position = label / 100,
// temperature = value / 100; sensors without a reading (NoValue) are left out.
std::vector<ProfilePoint> SampleProfile(const MeasurementStore& store, size_t d, size_t c, size_t sample);

class TrendView {
public:
    explicit TrendView(const MeasurementStore& store);

    // --- Axes.
    const TrendAxis& TemperatureAxis() const { return temperature_; }
    const TrendAxis& PositionAxis() const { return position_; }
    const TrendAxis& LeftAxis() const { return inGround_ ? position_ : temperature_; }
    const TrendAxis& BottomAxis() const { return inGround_ ? temperature_ : position_; }
    bool LeftInverted() const { return inGround_; }
    // Mouse pan and zoom act along the temperature axis only: vertically, or horizontally in the
    // ground.
    bool TemperatureHorizontal() const { return inGround_; }
    int TempStepIndex() const { return tempStepIndex_; }

    // Step 2 (10 degrees) and -50 ... +50 degrees.
    void ResetTrendView();
    // Caption and range of the position axis for a cable of `kind` whose labels run from lo to hi
    // (whole units): whole steps of h units, at most 16 of them, from lo or, with "0...Ln", from 0.
    void SetPositionAxis(int kind, int lo, int hi);
    // "0...Ln". With `apply` the position axis is set again from the arguments it was last set
    // with (kind 0, 1 ... 16 until a cable was shown); the settings file sets it without.
    void SetZeroBegin(bool on, bool apply);
    bool ZeroBegin() const { return zeroBegin_; }
    // The position axis of no cable: kind 0, 1 ... 16.
    void ForgetPositionArguments() { lastAxisArgs_ = {0, 1, 16}; }
    // "В грунте": the picture turns, and both lines are drawn anew.
    void SetInGround(bool on);
    bool InGround() const { return inGround_; }
    // The temperature axis as the operator dragged it with the mouse.
    void SetTemperatureRange(AxisRange range) { temperature_.Range = range; }

    // "Показать всё": the temperature axis fitted to both lines in whole steps; the reset view
    // when the main line is empty. The position axis stays.
    void ShowAll();
    // "Увеличить масштаб": a finer step; a profile reaching out of the new range at one side only
    // is kept in view by moving the range to that side.
    void ZoomIn();
    // "Уменьшить масштаб".
    void ZoomOut();
    // After the operator zoomed to a dragged rectangle: widened to whole steps.
    void SnapAfterMouseZoom();
    // "АвтоЗум": on shows all at once and after every redraw of a line.
    void SetAutoZoom(bool on);
    bool AutoZoom() const { return autoZoom_; }

    // --- Sliders and lines.
    int SliderMaximum() const { return sliderMax_; }
    int MainSlider() const { return mainSlider_; }
    int TraceSlider() const { return traceSlider_; }
    bool MainAtMaximum() const { return mainSlider_ == sliderMax_; }
    // The main slider moved to p (by the operator or by UpdateTrend): the main line shows sample p
    // of the shown cable. Nothing happens when p is already drawn, the cable has no samples or
    // notebook data are shown. True when the line was drawn.
    bool MoveMain(int p);
    // The same for the trace slider and the trace line.
    bool MoveTrace(int p);
    // ClearTrend: both lines empty, both sliders at 0 of 0, the status texts empty.
    void Clear();
    // UpdateTrend: the sliders reach the newest sample; with resetTrace the trace goes back to
    // sample 0 and its line empties, with follow the main line shows the newest sample.
    void Update(bool follow, bool resetTrace);

    const std::vector<ProfilePoint>& MainLine() const { return main_; }
    const std::vector<ProfilePoint>& TraceLine() const { return trace_; }
    // The notebook view draws its record into the main line itself.
    void SetMainLine(std::vector<ProfilePoint> points) { main_ = std::move(points); }
    // A profile point where the chart draws it: (position, temperature), or turned in the ground.
    ChartPoint ToChart(const ProfilePoint& p) const;

    // Status panels 2 ("main:  "), 3 ("trace:  ") and 4 (the mode).
    const std::string& Panel(int index) const;
    void SetPanel(int index, std::string text);

    // --- Mouse read-out at the axis values (left, bottom) under the mouse.
    TrendReadOut ReadOut(double left, double bottom, bool sticker) const;

private:
    struct AxisArgs {
        int Kind, Lo, Hi;
    };
    size_t SampleCount() const;
    bool DrawLine(int p, int& last, std::vector<ProfilePoint>& line, std::string& panel, const char* head);

    const MeasurementStore& store_;
    TrendAxis temperature_;
    TrendAxis position_;
    int tempStepIndex_ = ResetTemperatureStepIndex;
    bool inGround_ = false;
    bool zeroBegin_ = false;
    bool autoZoom_ = false;
    AxisArgs lastAxisArgs_{0, 1, 16};

    int sliderMax_ = 0;
    int mainSlider_ = 0;
    int traceSlider_ = 0;
    int lastMain_ = -1;
    int lastTrace_ = -1;
    std::vector<ProfilePoint> main_;
    std::vector<ProfilePoint> trace_;
    std::string panels_[3];
};

}  // namespace drumo
