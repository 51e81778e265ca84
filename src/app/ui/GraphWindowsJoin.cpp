#include "app/ui/GraphWindowsJoin.h"

#include "views/ui/TfrmGraphic.h"
#include "views/ui/TfrmTrend.h"

namespace drumo {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

// --- The notebook -------------------------------------------------------------------------------

void NotebookOnGraphWindows::DestroyLines() { graph_.DestroyLines(); }
void NotebookOnGraphWindows::CreateLines(int count) { graph_.CreateLines(count); }
void NotebookOnGraphWindows::SetLineCaption(int line, const std::string& caption) {
    graph_.SetLineCaption(line, Q(caption));
}
void NotebookOnGraphWindows::SetLeftAxisCaption(const std::string& caption) { graph_.SetAxisCaption(Q(caption)); }
void NotebookOnGraphWindows::AddPoint(int line, DateTime time, double value) { graph_.AddPoint(line, time, value); }
void NotebookOnGraphWindows::ShowGraphWindow() {
    if (graph_.isHidden()) graph_.show();
}
void NotebookOnGraphWindows::SetGraphStatus(const std::string& text) { graph_.SetStatusPanel(2, Q(text)); }
void NotebookOnGraphWindows::GraphShowAll() { graph_.ShowAll(); }

void NotebookOnGraphWindows::ClearTrend() {
    points_.clear();
    trend_.ClearTrend();
}
bool NotebookOnGraphWindows::TrendAutoZoom() const { return trend_.View().AutoZoom(); }
void NotebookOnGraphWindows::SetTrendStatus(int panel, const std::string& text) { trend_.SetPanelText(panel, Q(text)); }
void NotebookOnGraphWindows::SetPositionAxis(int kind, int lo, int hi) {
    trend_.SetMainLine(std::move(points_));
    points_.clear();
    trend_.SetPositionAxis(kind, lo, hi);
}
void NotebookOnGraphWindows::TrendShowAll() { trend_.ShowAll(); }

// --- The calibration windows ------------------------------------------------------------------

void CalibrationOnGraphWindows::SetTrackedLine(int line) { graph_.SetTrackedLineNumber(line); }
void CalibrationOnGraphWindows::ShowLine(int line, bool shown) { graph_.SetLineShown(line, shown); }

void CalibrationOnGraphWindows::PlaceMarkerS25(double celsius) {
    s25_ = celsius;
    ApplyMarkers();
}
void CalibrationOnGraphWindows::PlaceMarkerP100(double celsius) {
    p100_ = celsius;
    ApplyMarkers();
}
void CalibrationOnGraphWindows::ShowReferenceMarkers(bool visible) {
    visible_ = visible;
    ApplyMarkers();
}
void CalibrationOnGraphWindows::ApplyMarkers() {
    graph_.SetMarker(TfrmGraphic::Marker::S25, s25_, visible_);
    graph_.SetMarker(TfrmGraphic::Marker::P100, p100_, visible_);
    trend_.SetReferenceMarker(0, s25_, visible_);
    trend_.SetReferenceMarker(1, p100_, visible_);
}

void CalibrationOnGraphWindows::ShowTrendSample(int index) { trend_.SetMainSlider(index); }
bool CalibrationOnGraphWindows::TrendSticker(bool& inGround) const {
    inGround = trend_.View().InGround();
    return trend_.StickerOn() && trend_.MainPointCount() > 0;
}
void CalibrationOnGraphWindows::PlaceSticker(double x, double y) { trend_.SetStickerMarkers(x, y); }

}  // namespace drumo
