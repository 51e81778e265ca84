#pragma once
// The correction window "Автонастройка датчиков": the table of the controller's sensor records,
// read, edited, computed against a reference thermometer and written back, and the sensor files.
// Every rule is the engine's (calibration/Corrections.h); the window shows the table and calls it.

#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <memory>

#include "calibration/CalibrationGraphs.h"
#include "calibration/Corrections.h"
#include "station/Station.h"

namespace drumo {

class TfrmASHelp;

// What the window works with.
struct AutoSetServices {
    // The station whose line each exchange takes for the calibration; while another procedure
    // holds it nothing is sent.
    Station& Line;
    const MeasurementStore& Store;
    Operator& Op;
    Clock& Time;
    const CalibrationLines& Lines;
    CalibrationGraphs& Graphs;
};

class TfrmAutoSet : public QWidget, private CorrectionView {
    Q_OBJECT
public:
    explicit TfrmAutoSet(const AutoSetServices& services, QWidget* parent = nullptr);
    ~TfrmAutoSet() override;

    static constexpr int MinWidth = 376, MinHeight = 441;

    CorrectionTable& Table() { return table_; }
    QTableWidget* Grid() const { return grid_; }
    // The calculation button "S30" or "P100" and the reference temperature beside it.
    QPushButton* CalcButton(Correction which) const { return which == Correction::S30 ? calcS25_ : calcP100_; }
    QLineEdit* ReferenceEdit(Correction which) const { return which == Correction::S30 ? s25_ : p100_; }
    // The range of table rows the calculation covers: from, to.
    QLineEdit* FirstRowEdit() const { return d1_; }
    QLineEdit* LastRowEdit() const { return d2_; }
    TfrmASHelp& Help() { return *help_; }

    // The buttons of the window.
    void Refresh();
    void Write();
    void Calculate(Correction which);
    void NewGroup();
    void ZeroColumn();
    void SensorSearch();
    bool SaveFile(const std::string& path);
    bool LoadFile(const std::string& path);

    // The main window emptied its table: the samples counted since the last write start afresh.
    void ResetMarks() { table_.ResetSnapshot(); }
    // While the numbering runs the buttons and the table rest.
    void SetNumberingRunning(bool running);
    // The "ID Code" cells changed outside the grid (the numbering): show them.
    void ShowTable();
    // The S30 reference again places the markers (after the numbering moved them).
    void PlaceReferenceMarkers();

signals:
    void NumberingRequested();
    void OpenFileRequested();
    void SaveFileRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Progress(int position, int maximum) override;
    void BusyCursor(bool busy) override;
    QPushButton* AddButton(const char* name, const QString& text, const QString& hint);
    QWidget* RangeEdit(QLineEdit* edit, const QString& hint, int& value);
    void ReadRange(QLineEdit* edit, int& value);
    void ReferenceChanged(QLineEdit* edit, void (CalibrationGraphs::*place)(double));
    void CellEdited(QTableWidgetItem* item);
    // Runs a device exchange with the line taken; nothing when it is held elsewhere.
    void WithLine(const std::function<void(DeviceBus&)>& exchange);

    AutoSetServices s_;
    CorrectionTable table_;
    std::unique_ptr<TfrmASHelp> help_;
    QTableWidget* grid_;
    QLineEdit* s25_;
    QLineEdit* p100_;
    QLineEdit* d1_;
    QLineEdit* d2_;
    QPushButton* calcS25_ = nullptr;
    QPushButton* calcP100_ = nullptr;
    QWidget* buttons_ = nullptr;
    QProgressBar* progress_;
    bool filling_ = false;
};

}  // namespace drumo
