#pragma once
// The time graph "График": the temperatures of the sensors of one cable against time, one line
// per sensor, with a side panel of line check boxes and colour swatches and the view controls,
// and a status bar with the mouse read-out and the sample counter. The main window and the
// notebook fill its lines; the calibration windows steer its tracked line and two markers.
//
// Every rule of the view lives in views/TimeGraphView; this window applies it to the chart.

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

#include "model/ProgramSettings.h"
#include "base/Services.h"
#include "model/Store.h"
#include "views/GraphColours.h"
#include "views/TimeGraphView.h"
#include "views/ui/Chart.h"

namespace drumo {

class ColourSwatch;

class TfrmGraphic : public QWidget {
    Q_OBJECT
public:
    static constexpr int MinWidth = 600;
    static constexpr int MinHeight = 433;

    TfrmGraphic(Operator& op, Clock& clock, QWidget* parent = nullptr);
    ~TfrmGraphic() override;

    Chart& Graph() { return *chart_; }

    // --- Operations other windows call.
    void ResetView();
    void ShowAll();  // "Показать всё"
    // n lines (0..255), line i (from 1) for sensor i, coloured from the line colours.
    void CreateLines(int n);
    void DestroyLines();
    // Every line emptied; lines, boxes and colours stay.
    void ClearLines();
    // The tracked line is drawn again (its last point stored again).
    void RefreshTrackedLine();
    int LineCount() const { return chart_->LineCount(); }
    void SetLineCaption(int line, const QString& caption);  // line from 1
    QString LineCaption(int line) const;
    void SetAxisCaption(const QString& caption);  // the left axis
    // Points, with the repaint suspended around a batch. Lines are numbered from 1.
    void SuspendRepaint() { chart_->SuspendRepaint(); }
    void ResumeRepaint() { chart_->ResumeRepaint(); }
    void AddPoint(int line, DateTime time, double celsius);
    // Line `line` shows the first `count` samples of a sensor's store series, without a copy.
    void ShowStoreSeries(int line, const MeasurementStore& store, size_t d, size_t c, size_t s, size_t count);
    // Status bar panels 0 (temperature), 1 (date and time), 2 (sample counter).
    void SetStatusPanel(int panel, const QString& text);
    QString StatusPanel(int panel) const;

    // "Номер линии слежения", "Слежение", "АвтоЗум".
    // Ticks or clears the check box of line `line` (from 1), which shows or hides the line.
    void SetLineShown(int line, bool shown);
    void SetTrackedLineNumber(int line);
    int TrackedLineNumber() const;
    int TrackedLine() const { return trackedLine_; }
    void SetFollow(bool on);
    bool Follow() const;
    void SetAutoZoom(bool on);
    bool AutoZoom() const;

    // The two reference markers on the temperature axis.
    enum class Marker { S25, P100 };
    void SetMarker(Marker marker, double celsius, bool visible);
    int MarkerIndex(Marker marker) const { return marker == Marker::S25 ? markerS25_ : markerP100_; }

    // --- Settings of the section "Graph" (the window's place is kept by the program).
    void LoadSettings(const GraphSettings& settings);
    void SaveSettings(GraphSettings& settings) const;
    QColor LineColour(int line) const {  // line from 1
        return line >= 1 && line <= LineColorCount ? QColor(lineColors_[line - 1]) : QColor();
    }

    // --- Hooks the composition root sets.
    void SetPrintHook(std::function<void()> print) { print_ = std::move(print); }
    // The colour dialog: true with the chosen colour, false when cancelled.
    void SetColourChooser(std::function<bool(QColor&)> choose) { chooseColour_ = std::move(choose); }
    // The default colours of "BtnColorDefault".
    void SetDefaultColours(std::function<GraphColours()> read) { defaultColours_ = std::move(read); }

    const TimeGraphView& View() const { return view_; }
    QMenu& PopupMenu() { return popup_; }

public slots:
    // One tick of the auto-drag timer, and the snap after a mouse zoom.
    void AutoDragTick();
    void AutoZoomTick();

private:
    QWidget* BuildPanel();
    QToolButton* AddButton(const char* name, const QString& glyph, const char* hint);
    void ApplyView();
    void ReadView();
    void TrackedLineChanged();
    void LineBoxClicked(int index, bool checked);
    void LineSwatchReleased(int index);
    void ChooseFieldColour();
    void ChooseGridColour();
    void DefaultColoursClicked();
    void ApplyGridColour(const QColor& colour);
    void ApplyPointLook();
    void MouseMoved(int x, int y, Qt::KeyboardModifiers modifiers);
    void CopyPicture();
    bool Choose(QColor& colour);
    void FollowSwitched(bool on);

    Operator& operator_;
    Clock& clock_;
    Chart* chart_ = nullptr;
    TimeGraphView view_;
    int trackedLine_ = 0;
    std::array<QRgb, LineColorCount> lineColors_{};
    QColor gridColour_;

    QWidget* lineList_ = nullptr;
    QScrollArea* lineScroll_ = nullptr;
    std::vector<QCheckBox*> lineBoxes_;
    std::vector<ColourSwatch*> lineSwatches_;
    QCheckBox* autoZoom_ = nullptr;
    QCheckBox* allLines_ = nullptr;
    ColourSwatch* fieldSwatch_ = nullptr;
    ColourSwatch* gridSwatch_ = nullptr;
    QSpinBox* trackSpin_ = nullptr;
    QCheckBox* follow_ = nullptr;
    QSpinBox* pointSize_ = nullptr;
    QCheckBox* points_ = nullptr;
    std::array<QLabel*, 3> panels_{};
    QMenu popup_;
    QTimer autoDrag_;
    QTimer autoZoomTimer_;
    int markerS25_ = -1;
    int markerP100_ = -1;

    std::function<void()> print_;
    std::function<bool(QColor&)> chooseColour_;
    std::function<GraphColours()> defaultColours_;
};

}  // namespace drumo
