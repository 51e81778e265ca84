#pragma once
// What the calibration windows steer in the graph windows: the time graph's tracked line and its
// lines' check boxes, and the reference temperature markers of the time graph and the length
// trend; for the report also the trend's main sample and its sticker. The program joins these to
// the graph windows; a window without graphs steers nothing.

namespace drumo {

class CalibrationGraphs {
public:
    virtual ~CalibrationGraphs() = default;
    // "Номер линии слежения" of the time graph; 0: none.
    virtual void SetTrackedLine(int /*line*/) {}
    // Shows or hides line `line` (from 1) of the time graph, as its check box does.
    virtual void ShowLine(int /*line*/, bool /*shown*/) {}
    // The S30 and P100 reference markers of the time graph and the trend.
    virtual void PlaceMarkerS25(double /*celsius*/) {}
    virtual void PlaceMarkerP100(double /*celsius*/) {}
    virtual void ShowReferenceMarkers(bool /*visible*/) {}
    // The trend's main slider and its sticker.
    virtual void ShowTrendSample(int /*index*/) {}
    virtual bool TrendSticker(bool& /*inGround*/) const { return false; }  // ticked, with a main line
    virtual void PlaceSticker(double /*x*/, double /*y*/) {}
};

}  // namespace drumo
