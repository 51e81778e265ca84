#pragma once
// The calibration windows joined to the program: the report follows the shown cable through the
// store, the correction and numbering windows work on the station's line alongside reception, the
// main window's commands "Автонастройка термокосы" and "Отчет" show them, and the sensor files go
// through the file dialogs. What they steer in the graph windows goes through Graphs(), which the
// program points at the graph windows.

#include <QObject>

#include <memory>

#include "app/Settings.h"
#include "station/Station.h"
#include "calibration/CalibrationGraphs.h"
#include "calibration/Corrections.h"

class QWidget;

namespace drumo {

class FilesWiring;
class TfrmAutoNum;
class TfrmAutoSet;
class TfrmMain;
class TfrmReport;

// Forwards to the graph windows once they are joined; steers nothing before.
class CalibrationGraphsRelay final : public CalibrationGraphs {
public:
    void SetTarget(CalibrationGraphs* target) { t_ = target; }
    void SetTrackedLine(int line) override { if (t_) t_->SetTrackedLine(line); }
    void ShowLine(int line, bool shown) override { if (t_) t_->ShowLine(line, shown); }
    void PlaceMarkerS25(double c) override { if (t_) t_->PlaceMarkerS25(c); }
    void PlaceMarkerP100(double c) override { if (t_) t_->PlaceMarkerP100(c); }
    void ShowReferenceMarkers(bool v) override { if (t_) t_->ShowReferenceMarkers(v); }
    void ShowTrendSample(int index) override { if (t_) t_->ShowTrendSample(index); }
    bool TrendSticker(bool& inGround) const override { return t_ && t_->TrendSticker(inGround); }
    void PlaceSticker(double x, double y) override { if (t_) t_->PlaceSticker(x, y); }

private:
    CalibrationGraphs* t_ = nullptr;
};

class CalibrationWiring : public QObject, public StationEvents {
    Q_OBJECT
public:
    CalibrationWiring(TfrmMain& main, Station& station, Operator& op, FilesWiring& files);
    ~CalibrationWiring() override;

    TfrmReport& Report() { return *report_; }
    TfrmAutoSet& AutoSet() { return *autoSet_; }
    TfrmAutoNum& AutoNum() { return *autoNum_; }
    CalibrationGraphsRelay& Graphs() { return graphs_; }

    // Window places and the numbering's track bars from and to the settings file.
    void ApplySettings(const ProgramSettings& settings);
    void CollectSettings(ProgramSettings& settings) const;

    // Loading archive files closes the correction window; an unsigned one colours the report.
    void CloseCorrectionWindow();
    void ArchiveUnsigned();

    void OpenSensorFile();
    void SaveSensorFile();
    void ReadRomCodes();

    // The store's notices.
    void StoreCleared() override;
    void StoreEmptied() override;
    void SelectionChanged() override;
    void SampleAdded(const SamplePlace& place) override;

private:
    void ShowReadRomButton();
    void ReportCellPicked(int column, int row);

    TfrmMain& main_;
    Station& station_;
    Operator& op_;
    FilesWiring& files_;
    CalibrationGraphsRelay graphs_;
    StoreCalibrationLines lines_;
    std::unique_ptr<TfrmReport> report_;
    std::unique_ptr<TfrmAutoSet> autoSet_;
    std::unique_ptr<TfrmAutoNum> autoNum_;
};

}  // namespace drumo
