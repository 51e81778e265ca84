#pragma once
// The thermal plots "Термоплеты": isotherms of the selected cable over time, one colour per
// temperature level from blue to red. "Построить" computes them (views/ThermalPlots.h) on the
// window's thread, letting the window's events run now and then so that "Стоп" or closing the
// window ends the computation; a stopped computation shows nothing.

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

#include "base/Services.h"
#include "model/Store.h"
#include "views/ThermalPlots.h"
#include "views/ui/Chart.h"
#include "views/ui/ColourSwatch.h"

namespace drumo {

class TfrmPlet : public QWidget, public StationEvents {
    Q_OBJECT
public:
    TfrmPlet(MeasurementStore& store, Operator& op, QWidget* parent = nullptr);
    ~TfrmPlet() override;

    // "Построить".
    void MakePlets();
    // "Стоп", closing the window and the program's closing: the computation ends at its next look
    // at the window's events.
    void StopComputation() { running_ = false; }
    bool Running() const { return running_; }
    // Frees the plots and the level list.
    void ClearPlets();
    void ShowAll();

    // --- Settings ("Plet").
    bool PointsVisible() const { return cbPoints_->isChecked(); }
    void SetPointsVisible(bool on) { cbPoints_->setChecked(on); }
    int PointSize() const { return spPointSize_->value(); }
    void SetPointSize(int size) { spPointSize_->setValue(size); }
    QColor FieldColour() const { return chart_->FieldColour(); }
    void SetFieldColour(const QColor& colour);
    QColor GridColour() const { return chart_->GridColour(ChartAxis::Left); }
    void SetGridColour(const QColor& colour);
    PletParameters Parameters() const;
    // TStep, TBeg and TFin; "Выделить,°C" goes to 0 and "Проредить" to 1.
    void SetParameters(double tStep, double tBeg, double tFin);
    void SetColourChooser(std::function<QColor(const QColor&)> choose) { choose_ = std::move(choose); }
    void SetPrintHook(std::function<void(Chart&)> print) { print_ = std::move(print); }

    // --- What the window shows, for tests.
    Chart& ChartView() { return *chart_; }
    const std::vector<PletLevel>& Levels() const { return levels_; }
    // The level list: its check boxes, in row order.
    std::vector<QCheckBox*> LevelBoxes() const;
    int HighlightedLevel() const { return highlighted_; }
    // The chart lines of level r.
    const std::vector<int>& LevelLines(int r) const { return levelLines_.at(r); }
    const PletView& View() const { return view_; }

    // --- The store.
    void StoreCleared() override;
    void StoreEmptied() override;
    void SelectionChanged() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildPanel(QWidget* panel);
    void DrawLevels(const PletParameters& p);
    void SetLevelColour(int r, const QColor& colour, const QColor& border);
    void ShowLevel(int r, bool shown);
    void Highlight();
    void ApplyView();
    void TakeChartRanges();
    void ForEachLine(const std::function<void(int)>& f);

    MeasurementStore& store_;
    Operator& op_;
    Chart* chart_;
    QDoubleSpinBox* spTStep_;
    QDoubleSpinBox* spTBeg_;
    QDoubleSpinBox* spTFin_;
    QDoubleSpinBox* spResampling_;
    QDoubleSpinBox* spTSel_;
    QSpinBox* spPointSize_;
    QPushButton* btnMake_;
    QPushButton* btnStop_;
    QProgressBar* progress_;
    QCheckBox* cbLineAll_;
    QCheckBox* cbShowLines_;
    QCheckBox* cbPoints_;
    ColourSwatch* swFon_;
    ColourSwatch* swGrid_;
    QScrollArea* levelList_;
    QWidget* levelRows_;
    QTimer zoomTimer_;

    bool running_ = false;
    PletParameters computed_;
    std::vector<PletLevel> levels_;
    std::vector<std::vector<int>> levelLines_;  // chart lines of each level
    std::vector<QColor> levelColours_;
    std::vector<QCheckBox*> boxes_;             // per level; null for a level without series
    std::vector<ColourSwatch*> swatches_;        // per row
    int highlighted_ = -1;
    QColor highlightedColour_;
    PletView view_;
    std::function<QColor(const QColor&)> choose_;
    std::function<void(Chart&)> print_;
};

}  // namespace drumo
