#pragma once
// The time graph and the length trend as the notebook and the calibration windows see them: the
// notebook puts its records on them, the calibration windows steer the tracked line, the lines'
// check boxes, the reference markers, the trend's sample and its sticker.

#include <vector>

#include "calibration/CalibrationGraphs.h"
#include "notebook/NotebookGraphs.h"
#include "views/TrendView.h"

namespace drumo {

class TfrmGraphic;
class TfrmTrend;

class NotebookOnGraphWindows final : public NotebookGraphs {
public:
    NotebookOnGraphWindows(TfrmGraphic& graph, TfrmTrend& trend) : graph_(graph), trend_(trend) {}

    void DestroyLines() override;
    void CreateLines(int count) override;
    void SetLineCaption(int line, const std::string& caption) override;
    void SetLeftAxisCaption(const std::string& caption) override;
    void AddPoint(int line, DateTime time, double value) override;
    void ShowGraphWindow() override;
    void SetGraphStatus(const std::string& text) override;
    void GraphShowAll() override;

    void ClearTrend() override;
    // The trend turns its own picture in the ground: the notebook always gives position and value.
    void AddTrendPoint(double position, double value) override { points_.push_back({position, value}); }
    bool TrendInGround() const override { return false; }
    bool TrendAutoZoom() const override;
    void SetTrendStatus(int panel, const std::string& text) override;
    // The collected record becomes the trend's main line before its axis is set.
    void SetPositionAxis(int kind, int lo, int hi) override;
    void TrendShowAll() override;

private:
    TfrmGraphic& graph_;
    TfrmTrend& trend_;
    std::vector<ProfilePoint> points_;
};

class CalibrationOnGraphWindows final : public CalibrationGraphs {
public:
    CalibrationOnGraphWindows(TfrmGraphic& graph, TfrmTrend& trend) : graph_(graph), trend_(trend) {}

    void SetTrackedLine(int line) override;
    void ShowLine(int line, bool shown) override;
    void PlaceMarkerS25(double celsius) override;
    void PlaceMarkerP100(double celsius) override;
    void ShowReferenceMarkers(bool visible) override;
    void ShowTrendSample(int index) override;
    bool TrendSticker(bool& inGround) const override;
    void PlaceSticker(double x, double y) override;

private:
    void ApplyMarkers();

    TfrmGraphic& graph_;
    TfrmTrend& trend_;
    double s25_ = 30, p100_ = -30;
    bool visible_ = false;
};

}  // namespace drumo
