#include "views/TrendView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "model/Formats.h"
#include "views/ReadoutPlace.h"
#include "views/TimeGraphView.h"

namespace drumo {

namespace {

// A position along the cable with two decimals and the program's decimal mark.
std::string TwoDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string s(text);
    if (const auto dot = s.find('.'); dot != std::string::npos) s[dot] = DecimalMark();
    return s;
}

std::string PositionCaption(int kind) {
    return (kind == 1 || kind == 2) ? TrendDistanceCaption : TrendNumberCaption;
}

}  // namespace

ReadOutPlace CtrlReadOutPlace(int x, int y, int plotWidth) {
    const ReadoutTextPlace p = PlaceReadoutTexts(x, y, plotWidth, {70, 50, 60});
    return {p.FirstX, p.FirstY, p.SecondX, p.SecondY};
}

std::vector<ProfilePoint> SampleProfile(const MeasurementStore& store, size_t d, size_t c, size_t sample) {
    std::vector<ProfilePoint> points;
    if (sample >= store.SampleCount(d, c)) return points;
    const auto labels = store.SensorLabels(d, c);
    const size_t sensors = store.Sensors(d, c);
    points.reserve(sensors);
    for (size_t s = 0; s < sensors; ++s) {
        const Temperature v = store.Samples(d, c, s)[sample];
        if (v != NoValue) points.push_back({labels[s] / 100.0, v / 100.0});
    }
    return points;
}

TrendView::TrendView(const MeasurementStore& store) : store_(store) {
    temperature_ = {TrendTemperatureCaption, TrendTemperatureFormat, {-1, 1}, 11};
    position_ = {TrendNumberCaption, TrendPositionFormat, {1, 16}, 16};
    ResetTrendView();
    SetPositionAxis(0, 1, 16);
}

// --- Axes ------------------------------------------------------------------------------------

void TrendView::ResetTrendView() {
    tempStepIndex_ = ResetTemperatureStepIndex;
    temperature_.Range = {-1, 1};
    SnapTemperatureAxis(temperature_.Range, tempStepIndex_, false);
}

void TrendView::SetPositionAxis(int kind, int lo, int hi) {
    lastAxisArgs_ = {kind, lo, hi};
    position_.Caption = PositionCaption(kind);
    if (lo >= hi) {
        position_.Ticks = 3;
        position_.Range = {hi - 1.0, hi + 1.0};
        return;
    }
    // Whole steps of h units, at most 16 of them, from lo (or 0) past the last label.
    const double span = hi - 0.999999 - (zeroBegin_ ? 0 : lo);
    const double h = std::trunc(span / 16) + 1;
    const double steps = std::trunc(span / h);
    position_.Ticks = static_cast<int>(steps) + 2;
    const double end = (steps + 1) * h;
    position_.Range = zeroBegin_ ? AxisRange{0, end} : AxisRange{double(lo), lo + end};
}

void TrendView::SetZeroBegin(bool on, bool apply) {
    zeroBegin_ = on;
    if (apply) SetPositionAxis(lastAxisArgs_.Kind, lastAxisArgs_.Lo, lastAxisArgs_.Hi);
}

void TrendView::SetInGround(bool on) {
    if (on == inGround_) return;
    inGround_ = on;
    // The lines are drawn anew from their samples; notebook points stay as they are and are
    // simply shown turned.
    const bool mainHad = !main_.empty(), traceHad = !trace_.empty();
    lastMain_ = lastTrace_ = -1;
    if (store_.NotebookOnGraphs()) return;
    if (mainHad) MoveMain(mainSlider_);
    if (traceHad) MoveTrace(traceSlider_);
}

void TrendView::ShowAll() {
    if (main_.empty()) {
        ResetTrendView();
        return;
    }
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (const auto* line : {&main_, &trace_})
        for (const ProfilePoint& p : *line) {
            lo = std::min(lo, p.Temperature);
            hi = std::max(hi, p.Temperature);
        }
    temperature_.Range = AutoRange(lo, hi);
    SnapTemperatureAxis(temperature_.Range, tempStepIndex_, true);
}

void TrendView::ZoomIn() {
    if (tempStepIndex_ > 10) return;
    ++tempStepIndex_;
    SnapTemperatureAxis(temperature_.Range, tempStepIndex_, false);
    if (main_.empty()) return;
    const auto [lowest, highest] = std::minmax_element(
        main_.begin(), main_.end(), [](const auto& a, const auto& b) { return a.Temperature < b.Temperature; });
    const AxisRange r = temperature_.Range;
    const double hi = std::max(r.Max, highest->Temperature);
    const double lo = std::min(r.Min, lowest->Temperature);
    const bool hiOut = hi > r.Max, loOut = lo < r.Min;
    if (hiOut == loOut) return;  // both or neither: the centred range stays
    const double step = TemperatureStep(tempStepIndex_);
    if (hiOut) {
        const double c = RoundToStep(hi, step);
        temperature_.Range = {c - 9 * step, c + step};
    } else {
        const double c = RoundToStep(lo, step);
        temperature_.Range = {c - step, c + 9 * step};
    }
}

void TrendView::ZoomOut() {
    if (tempStepIndex_ <= 0) return;
    --tempStepIndex_;
    SnapTemperatureAxis(temperature_.Range, tempStepIndex_, false);
}

void TrendView::SnapAfterMouseZoom() { SnapTemperatureAxis(temperature_.Range, tempStepIndex_, true); }

void TrendView::SetAutoZoom(bool on) {
    autoZoom_ = on;
    if (on) ShowAll();
}

// --- Sliders and lines -----------------------------------------------------------------------

size_t TrendView::SampleCount() const { return store_.SampleCount(store_.SelDevice(), store_.SelCable()); }

bool TrendView::DrawLine(int p, int& last, std::vector<ProfilePoint>& line, std::string& panel, const char* head) {
    const size_t count = SampleCount();
    if (p == last || count == 0 || store_.NotebookOnGraphs() || p < 0 || static_cast<size_t>(p) >= count)
        return false;
    last = p;
    line = SampleProfile(store_, store_.SelDevice(), store_.SelCable(), p);
    panel = std::string(head) + DateTimeText(store_.SampleTimes(store_.SelDevice(), store_.SelCable())[p]);
    return true;
}

bool TrendView::MoveMain(int p) {
    mainSlider_ = std::clamp(p, 0, sliderMax_);
    if (!DrawLine(p, lastMain_, main_, panels_[0], "main:  ")) return false;
    if (store_.ArchiveLoaded())
        panels_[2] = "Файл.....";
    else
        panels_[2] = p == sliderMax_ ? "Слежение....." : "Просмотр.....";
    if (autoZoom_) ShowAll();
    return true;
}

bool TrendView::MoveTrace(int p) {
    traceSlider_ = std::clamp(p, 0, sliderMax_);
    if (!DrawLine(p, lastTrace_, trace_, panels_[1], "trace:  ")) return false;
    if (autoZoom_) ShowAll();
    return true;
}

void TrendView::Clear() {
    main_.clear();
    trace_.clear();
    sliderMax_ = mainSlider_ = traceSlider_ = 0;
    lastMain_ = lastTrace_ = -1;
    for (auto& panel : panels_) panel.clear();
}

void TrendView::Update(bool follow, bool resetTrace) {
    const size_t count = SampleCount();
    if (count == 0) {
        Clear();
        return;
    }
    sliderMax_ = static_cast<int>(count - 1);
    mainSlider_ = std::min(mainSlider_, sliderMax_);
    traceSlider_ = std::min(traceSlider_, sliderMax_);
    if (resetTrace) {
        traceSlider_ = 0;
        lastTrace_ = -1;
        trace_.clear();
    }
    if (follow) {
        lastMain_ = -1;
        MoveMain(sliderMax_);
    }
}

ChartPoint TrendView::ToChart(const ProfilePoint& p) const {
    return inGround_ ? ChartPoint{p.Temperature, p.Position} : ChartPoint{p.Position, p.Temperature};
}

const std::string& TrendView::Panel(int index) const { return panels_[std::clamp(index, 2, 4) - 2]; }

void TrendView::SetPanel(int index, std::string text) { panels_[std::clamp(index, 2, 4) - 2] = std::move(text); }

// --- Read-out --------------------------------------------------------------------------------

TrendReadOut TrendView::ReadOut(double left, double bottom, bool sticker) const {
    TrendReadOut out;
    double temperature = inGround_ ? bottom : left;
    double position = inGround_ ? left : bottom;
    if (sticker) {
        if (main_.empty()) return out;
        // The point nearest along the cable; the first of equally near ones.
        const ProfilePoint* nearest = nullptr;
        double best = 1000000;
        for (const ProfilePoint& p : main_) {
            const double distance = std::abs(p.Position - position);
            if (distance < best) {
                best = distance;
                nearest = &p;
            }
        }
        if (!nearest) return out;
        out.Sticker = true;
        out.Marker = ToChart(*nearest);
        temperature = nearest->Temperature;
        position = nearest->Position;
    }
    out.Shown = true;
    out.TemperatureText = ReadoutTemperatureText(temperature, DecimalMark());
    out.PositionText = position_.Caption == TrendDistanceCaption ? "L " + TwoDecimals(position) + " м "
                                                                   : "Ndat " + TwoDecimals(position) + " ";
    return out;
}

}  // namespace drumo
