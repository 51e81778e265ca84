#pragma once
// The device manager "Диспетчер приборов": the grid of devices and cables through which the
// operator picks the cable the main window shows, a check box and a colour swatch per row for the
// system trend, the pop-up commands of the address, comment and speed editor, and the operations
// log of the whole program.

#include <QCheckBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <vector>

#include "acquisition/DeviceGrid.h"
#include "acquisition/SearchActivity.h"
#include "base/Services.h"
#include "model/Store.h"

namespace drumo {

class TfrmScanM : public QWidget, public EventLog, public StationEvents, public DeviceGrid {
    Q_OBJECT
public:
    explicit TfrmScanM(MeasurementStore& store, QWidget* parent = nullptr);

    // --- The operations log: the current time, then the text (which begins with " > ").
    void Log(const std::string& text) override;
    QStringList LogLines() const;

    // --- The grid, written by discovery and the archive loaders. Rows count from 1.
    void SetListedRows(int rows) override;
    int ListedRows() const override { return grid_->rowCount() - 1; }
    void SetRow(int row, const QStringList& cells, bool hasSensors);
    void SetRowCells(int row, const std::vector<std::string>& cells, bool hasSensors) override;
    QString Cell(int row, int column) const;
    std::string CellText(int row, int column) const override { return Cell(row, column).toStdString(); }
    int SelectedRow() const { return selectedRow_; }
    bool SelectRow(int row) override;
    void ShowManager() override;
    void SetManagerTitle(const std::string& title) override;
    void ColourUnsigned() override;
    // Clipboard text: the header row, then every selected row.
    QString CopyText() const;
    void CopyToClipboard();

    // The archive loaders colour the grid for data without a confirmed signature.
    void SetGridColour(const QColor& colour);

    // --- Line check boxes and colour swatches of the system trend.
    bool LineChecked(int row) const;
    void SetAllLinesBoxVisible(bool visible);
    void CreateSwatches(const std::vector<QColor>& colours);
    void DestroySwatches();

    // --- The three change commands of the pop-up menu, enabled after a Modbus search.
    void SetChangeCommandsEnabled(bool enabled) override;
    QMenu* PopupMenu() const { return popup_; }
    void PreparePopup();  // item texts for the selected device, as when the menu opens

    // A device search in progress refuses row selection; the search window answers it.
    void SetSearch(const SearchActivity* search) { search_ = search; }

    // Change commands off, line check boxes emptied and disabled, the grid emptied below its
    // header and given its initial colour.
    void ResetDeviceManager();
    void PlainTitles();
    // The store lost its devices: the manager starts afresh.
    void StoreEmptied() override;

signals:
    void RowSelected(int previousRow, int row);  // after SelDevice and SelCable changed
    void LineToggled(int row, bool shown);
    void AllLinesToggled(bool shown);
    void SwatchColourChanged(int row, QColor colour);
    void EditAddress();
    void EditComment();
    void EditSpeed();

private:
    void OnCurrentCellChanged(int row);
    void PlaceRowWidgets();
    void AfterRowCountChange();

    MeasurementStore& store_;
    QTableWidget* grid_;
    QWidget* side_;
    QCheckBox* allLines_;
    QScrollArea* scroll_;
    QPlainTextEdit* log_;
    QMenu* popup_;
    QAction* actEditAddress_;
    QAction* actEditComment_;
    QAction* actEditSpeed_;
    std::vector<QCheckBox*> boxes_;
    std::vector<QToolButton*> swatches_;
    const SearchActivity* search_ = nullptr;
    int selectedRow_ = 0;
    bool restoring_ = false;
};

}  // namespace drumo
