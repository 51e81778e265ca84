#pragma once
// The system trend "Тренд системы": every cable of every device as one line of temperature along
// the cable, all in one chart, at the moment the time slider points at. While data reception runs
// and the slider stands at its end, the view follows the newest sample. Which lines show and their
// colours are chosen in the device manager (one check box and swatch per row); the program's
// wiring passes them on. The rules are the engine's (views/SystemTrend.h); this window draws.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

#include "model/Store.h"
#include "views/SystemTrend.h"
#include "views/ui/Chart.h"
#include "views/ui/ColourSwatch.h"

namespace drumo {

class TfrmMGR : public QWidget, public StationEvents {
    Q_OBJECT
public:
    explicit TfrmMGR(MeasurementStore& store, QWidget* parent = nullptr);
    ~TfrmMGR() override;

    // --- What the other parts of the program call.
    // One line per cable of every device, in store order, coloured as its device manager row
    // (`colours`[d][c]), hidden until the device manager shows it; sets the position axis.
    void CreateSystemLines(const std::vector<std::vector<QColor>>& colours);
    void DestroySystemLines();
    void ClearSystemLines();
    void ResetTimeSlider();
    // The slider's range from the store's first to last sample; with `follow` it goes to its end
    // and the newest moment is drawn.
    void UpdateSystemTrend(bool follow);
    // After a sample: follows when the slider stands at its end.
    void UpdateSystemTrend() { UpdateSystemTrend(slider_.AtEnd()); }
    // Draws the moment the slider points at.
    void ShowTimeSlice();
    // "Показать всё".
    void ShowAll();
    bool AutoZoom() const { return cbAutoZoom_->isChecked(); }
    void SetAutoZoom(bool on) { cbAutoZoom_->setChecked(on); }

    // The device manager's check boxes, swatches and row selection. -1 for no cable.
    void SetLineShown(size_t d, size_t c, bool shown);
    void SetLineColour(size_t d, size_t c, const QColor& colour);
    // The newly selected cable's line in front with round points and a white border; the one
    // selected before behind with square points and a black border.
    void EmphasiseCable(int previousD, int previousC, int d, int c);
    int LineOf(size_t d, size_t c) const;

    // The alarm limits of the program settings, as two red dotted lines.
    void SetAlarmMarkers(double tMax, double tMin);
    // The print button and "Печатать Тренд системы" hand the chart to this.
    void SetPrintHook(std::function<void(Chart&)> print) { print_ = std::move(print); }
    void Print();

    // --- Settings ("MGR").
    bool PointsVisible() const { return cbPoints_->isChecked(); }
    void SetPointsVisible(bool on) { cbPoints_->setChecked(on); }
    int PointSize() const { return spPointSize_->value(); }
    void SetPointSize(int size) { spPointSize_->setValue(size); }
    int DiscretIndex() const { return cbDiscret_->currentIndex(); }
    void SetDiscretIndex(int index);
    QColor FieldColour() const { return chart_->FieldColour(); }
    void SetFieldColour(const QColor& colour);
    QColor GridColour() const { return chart_->GridColour(ChartAxis::Left); }
    void SetGridColour(const QColor& colour);
    // The colour dialog; tests put their own.
    void SetColourChooser(std::function<QColor(const QColor&)> choose) { choose_ = std::move(choose); }

    // --- What the window shows, for tests and measurements.
    Chart& ChartView() { return *chart_; }
    QSlider& Slider() { return *trackBar_; }
    QString Panel(int i) const;
    const SystemTrendView& View() const { return view_; }

    // --- The store.
    void StoreCleared() override;
    void StoreEmptied() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void BuildPanel(QWidget* panel);
    void ApplyView();
    void TakeChartRange();
    void ZoomIn();
    void ZoomOut();
    void MouseMoved(int x, int y, Qt::KeyboardModifiers modifiers);
    void ForEachLine(const std::function<void(int)>& f);
    void FocusSlider();

    MeasurementStore& store_;
    Chart* chart_;
    QSlider* trackBar_;
    ColourSwatch* swFon_;
    ColourSwatch* swGrid_;
    QCheckBox* cbAutoZoom_;
    QCheckBox* cbPoints_;
    QSpinBox* spPointSize_;
    QPushButton* btnPrint_;
    QComboBox* cbDiscret_;
    std::vector<QLabel*> panels_;
    QTimer zoomTimer_;
    int markerMax_ = -1;
    int markerMin_ = -1;

    std::vector<std::vector<int>> lines_;        // chart line of cable [d][c]
    std::vector<std::vector<TimeOrder>> orders_;  // whether each cable's times run in order
    std::vector<ProfilePoint> profile_;
    TimeSlider slider_;
    SystemTrendView view_;
    std::function<void(Chart&)> print_;
    std::function<QColor(const QColor&)> choose_;
};

}  // namespace drumo
