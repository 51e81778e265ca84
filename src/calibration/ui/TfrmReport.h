#pragma once
// The report window "Отчет": the samples of the shown cable as a table (a model over the store, so
// that an archive of months opens at once), and the ROM codes of a controller's sensors. Both
// tables copy their selection as tab-separated text.

#include <QAbstractTableModel>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QWidget>

#include <vector>

#include "calibration/Report.h"
#include "calibration/RomCodes.h"

namespace drumo {

class ReportModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportModel(const MeasurementStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The shown cable changed, or its samples were cleared.
    void Rebuild();
    // Samples were appended to the shown cable.
    void Grow();
    void SetColours(int cells, int heading);

private:
    ReportTable table_;
    int rows_ = 1;
    int columns_ = 1;
    QColor cells_, heading_;
};

class TfrmReport : public QWidget {
    Q_OBJECT
public:
    explicit TfrmReport(const MeasurementStore& store, QWidget* parent = nullptr);

    static constexpr int LiveCells = 0xFFB783, LiveHeading = 0xECB783, FileColour = 0xE3A8FF;

    QTableView* Measurements() const { return measurements_; }
    QTableWidget* RomCodes() const { return rom_; }
    QToolButton* ReadRomButton() const { return readRom_; }
    QTabWidget* Pages() const { return pages_; }
    ReportModel& Model() { return model_; }

    // The main window's view of the cable: a new cable or emptied samples, or one more sample.
    void Rebuild() { model_.Rebuild(); }
    void SampleAdded() { model_.Grow(); }
    void LiveColours() { model_.SetColours(LiveCells, LiveHeading); }
    void FileColours() { model_.SetColours(FileColour, FileColour); }
    // The ROM codes of the last read.
    void ShowRomCodes(const std::vector<RomCodeRow>& rows);
    // The selected cells of the shown page as tab-separated rows.
    QString CopyText() const;

signals:
    // A cell of the measurement table was chosen: sensor column (0: the time) and sample row (from 1).
    void CellPicked(int column, int row);
    void ReadRomClicked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Copy();

    ReportModel model_;
    QTabWidget* pages_;
    QTableView* measurements_;
    QTableWidget* rom_;
    QToolButton* readRom_;
};

}  // namespace drumo
