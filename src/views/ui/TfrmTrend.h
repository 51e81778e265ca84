#pragma once
// The window "Тренд": one sample of the shown cable drawn along the cable. The main slider
// "TrTB1" chooses the sample, the trace slider "TrTB2" a second one drawn for comparison; while the
// main slider stands at the newest sample the profile follows every new one. "В грунте" turns the
// picture by 90 degrees, the position axis then growing downwards. Pan and zoom act along the
// temperature axis only. The rules live in TrendView; this window shows them.

#include <QColor>
#include <QWidget>

#include "model/Store.h"
#include "views/TrendView.h"

class QCheckBox;
class QLabel;
class QMenu;
class QSlider;
class QSpinBox;
class QTimer;
class QToolButton;

namespace drumo {

class Chart;

// The colours, point size and check boxes the settings file keeps.
struct TrendLook {
    QColor Field{0, 64, 128};
    QColor Grid{192, 192, 192};
    QColor Line{255, 255, 0};
    QColor Point{255, 128, 0};
    QColor Border{0, 0, 0};
    QColor Sticker{0, 255, 128};
    QColor Trace{200, 200, 200};
    int PointSize = 7;
    bool InGround = false;
    bool ZeroBegin = false;
};

class TfrmTrend : public QWidget {
    Q_OBJECT
public:
    explicit TfrmTrend(const MeasurementStore& store, QWidget* parent = nullptr);
    ~TfrmTrend() override;

    static constexpr int MinWidth = 600;
    static constexpr int MinHeight = 350;

    // --- Settings: loaded into the controls ("0...Ln" without re-setting the axis), read back.
    void SetLook(const TrendLook& look);
    TrendLook Look() const;

    // --- What other windows call.
    void ClearTrend();
    void UpdateTrend(bool follow, bool resetTrace);
    void ResetTrendView();
    void SetPositionAxis(int kind, int lo, int hi);
    // The position axis of no cable, for the next "0...Ln".
    void ForgetPositionAxis() { view_.ForgetPositionArguments(); }
    void ShowAll();
    bool MainAtMaximum() const { return view_.MainAtMaximum(); }
    void SetMainSlider(int p);  // as if the operator moved "TrTB1"
    void SetAutoZoom(bool on);  // "АвтоЗум"
    // The main line for the notebook view, which draws its records itself.
    void SetMainLine(std::vector<ProfilePoint> points);
    int MainPointCount() const { return static_cast<int>(view_.MainLine().size()); }
    // Status panels 0 ... 4.
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    // The sticker cross-hair at a chart point.
    void SetStickerMarkers(double x, double y);
    bool StickerOn() const;
    // The reference temperature markers "TrendMarkerS25" (0) and "TrendMarkerP100" (1).
    void SetReferenceMarker(int which, double temperature, bool visible);

    const TrendView& View() const { return view_; }
    Chart& Plot() { return *chart_; }

signals:
    // "Печатать Тренд": the print dialog with this chart.
    void PrintRequested();

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildPanel();
    void ChooseColour(QColor TrendLook::*field);
    void SyncTemperatureRange();
    void ApplyAxes();
    void ApplyLook();
    void ApplyMarkers();
    void BuildLines();
    void DrawLines();
    void ShowPanels();
    void ShowSliders();
    void Refresh();  // axes, lines, panels and sliders from the view
    void FocusSlider();
    void MainMoved(int p);
    void TraceMoved(int p);
    void Turn(bool inGround);
    void MouseMoved(int x, int y, Qt::KeyboardModifiers modifiers);

    TrendView view_;
    TrendLook look_;
    Chart* chart_ = nullptr;
    int mainLine_ = -1, traceLine_ = -1;
    int markerX_ = -1, markerY_ = -1;
    int references_[2][2] = {{-1, -1}, {-1, -1}};  // [S25, P100][horizontal, vertical]
    double referencePos_[2] = {0, 0};
    bool referenceOn_[2] = {false, false};

    QSlider* main_ = nullptr;
    QSlider* trace_ = nullptr;
    QLabel* panels_[5] = {};
    QSpinBox* pointSize_ = nullptr;
    QCheckBox* autoZoom_ = nullptr;
    QCheckBox* sticker_ = nullptr;
    QCheckBox* inGround_ = nullptr;
    QCheckBox* zeroBegin_ = nullptr;
    std::vector<std::pair<QToolButton*, QColor TrendLook::*>> swatches_;
    QTimer* autoZoomTimer_ = nullptr;
    QMenu* popup_ = nullptr;
};

}  // namespace drumo
